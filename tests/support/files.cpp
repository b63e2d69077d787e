#include "support/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/mount.h>

namespace kesterly::test {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("test fixture could not be written");
}

QByteArray snapshot(const QString& folder) {
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = base.relativeFilePath(path);
        if (it.fileInfo().isDir())
            lines << relative + QLatin1String("/");
        else
            lines << relative + QLatin1Char('=') + QString::fromLatin1(bytesOf(path).toHex());
    }
    lines.sort();
    return lines.join(QLatin1Char('\n')).toUtf8();
}

SmallDisk::SmallDisk() {
    if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                "size=256k,mode=0755") != 0)
        refusal_ = QString::fromLocal8Bit(std::strerror(errno));
}

SmallDisk::~SmallDisk() {
    if (refusal_.isEmpty())
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

void SmallDisk::fillLeaving(int freePages) {
    QDir(path()).mkdir("filler");
    const QByteArray page(4096, 'x');
    for (int i = 0;; ++i) {
        const QString name = QStringLiteral("%1/filler/%2").arg(path()).arg(i);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size() || !file.flush()) {
            file.close();
            QFile::remove(name);
            fillers_ = i;
            break;
        }
    }
    for (int i = 0; i < freePages && i < fillers_; ++i)
        QFile::remove(QStringLiteral("%1/filler/%2").arg(path()).arg(fillers_ - 1 - i));
}

void SmallDisk::empty() {
    QDir(path() + "/filler").removeRecursively();
}

} // namespace kesterly::test
