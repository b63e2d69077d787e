#include "framework/plugins.h"

#include <QCoreApplication>
#include <QDir>

namespace kesterly {

QStringList pluginFiles(const QString& fileName) {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    return {programFolder.filePath(fileName),
            programFolder.filePath(QStringLiteral("../" KESTERLY_PLUGIN_DIR "/") + fileName)};
}

} // namespace kesterly
