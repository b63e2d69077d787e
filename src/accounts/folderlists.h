#pragma once

#include <QComboBox>
#include <QListWidget>

namespace kesterly {

// A folder list in the classic style: the open folder's ancestors from the top of its
// volume down to itself, then its subfolders, indented. A double click (or Enter) on an
// entry opens it; a single click only highlights it.
class DirectoryList : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget* parent);

    // The open folder, without a separator at its end (except for a volume's top).
    QString path() const { return path_; }
    // Opens a folder; false (and nothing changes) when it cannot be read.
    bool setPath(const QString& path);
    // The folder an entry stands for.
    QString entryPath(int row) const;
    // Reads the open folder again (folders made or removed since show), keeping the
    // highlighted entry; a folder that is gone gives way to the nearest one above it.
    void refresh();

signals:
    void pathChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openEntry(QListWidgetItem* item);
    void announceLevel(QListWidgetItem* entry, const QString& name, int depth);
    QString path_;
};

// The volumes the account folder may be on: the mounted file systems, "/" first (the
// drives on Windows).
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent);

    // The top folder of the selected volume.
    QString drive() const;
    // Selects the volume holding the folder, without announcing a change.
    void selectDriveOf(const QString& folder);
};

} // namespace kesterly
