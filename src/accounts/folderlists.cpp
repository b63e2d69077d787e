#include "accounts/folderlists.h"

#include "framework/controls.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>

namespace kesterly {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QString withoutTrailingSeparator(QString path) {
    path = QDir::cleanPath(path);
    return QDir::toNativeSeparators(path);
}

} // namespace

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryList::openEntry);
}

QString DirectoryList::entryPath(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(kPathRole).toString() : QString();
}

bool DirectoryList::setPath(const QString& path) {
    const QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return false;
    const QString clean = withoutTrailingSeparator(dir.absolutePath());
    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain of folders from the volume's top down to the open folder.
    QStringList chain;
    for (QDir walk(clean);;) {
        chain.prepend(walk.absolutePath());
        if (walk.isRoot() || !walk.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name =
            QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* entry = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        entry->setData(kPathRole, withoutTrailingSeparator(folder));
        entry->setToolTip(plainToolTip(QDir::toNativeSeparators(folder)));
        announceLevel(entry, name, depth);
        ++depth;
    }
    for (const QString& child : children) {
        auto* entry =
            new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + child, this);
        entry->setData(kPathRole, withoutTrailingSeparator(dir.absoluteFilePath(child)));
        // A long name is cut short in the narrow list; its tip shows the whole path.
        entry->setToolTip(plainToolTip(QDir::toNativeSeparators(dir.absoluteFilePath(child))));
        announceLevel(entry, child, depth);
    }
    const int current = static_cast<int>(chain.size()) - 1;
    setCurrentRow(current);
    scrollToItem(item(current));

    const bool changed = clean != path_;
    path_ = clean;
    if (changed)
        emit pathChanged(path_);
    return true;
}

void DirectoryList::announceLevel(QListWidgetItem* entry, const QString& name, int depth) {
    // The blanks that show the nesting are no words to a reader: it announces the name, and
    // the level (the volume's top is level 1) as the entry's description.
    entry->setData(Qt::AccessibleTextRole, name);
    entry->setData(Qt::AccessibleDescriptionRole, tr("level %1").arg(depth + 1));
}

void DirectoryList::refresh() {
    const QString highlighted = entryPath(currentRow());
    const int scrolled = verticalScrollBar()->value();
    for (QDir folder(path_); !setPath(folder.absolutePath());) {
        if (folder.isRoot() || !folder.cdUp())
            return;
    }
    for (int row = 0; row < count(); ++row) {
        if (entryPath(row) == highlighted) {
            setCurrentRow(row);
            verticalScrollBar()->setValue(scrolled);
            break;
        }
    }
}

void DirectoryList::openEntry(QListWidgetItem* item) {
    if (item)
        setPath(item->data(kPathRole).toString());
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openEntry(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    QStringList drives;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives())
        drives << QDir::toNativeSeparators(drive.absolutePath());
#else
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            drives << volume.rootPath();
    }
    drives.removeDuplicates();
    drives.removeAll(QStringLiteral("/"));
    drives.sort();
    drives.prepend(QStringLiteral("/"));
#endif
    addItems(drives);
}

QString DriveList::drive() const {
    return currentText();
}

void DriveList::selectDriveOf(const QString& folder) {
    const QString clean = QDir::fromNativeSeparators(QDir::cleanPath(folder));
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        QString root = QDir::fromNativeSeparators(itemText(i));
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        const bool holds = (clean + QLatin1Char('/')).startsWith(root, Qt::CaseInsensitive);
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(best);
}

} // namespace kesterly
