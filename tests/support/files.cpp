#include "support/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <stdexcept>

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

} // namespace kesterly::test
