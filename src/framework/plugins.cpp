#include "framework/plugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace kesterly {

QStringList pluginFiles(const QString& fileName) {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    return {programFolder.filePath(fileName),
            programFolder.filePath(QStringLiteral("../" KESTERLY_PLUGIN_DIR "/") + fileName)};
}

QObject* loadPlugin(const QStringList& files, const char* what,
                    const std::function<bool(QObject*)>& offers,
                    const std::function<void()>& beforeLoading) {
    for (const QString& file : files) {
        if (!QFileInfo::exists(file))
            continue;
        if (beforeLoading)
            beforeLoading();
        QPluginLoader loader(file);
        if (QObject* instance = loader.instance(); instance && offers(instance))
            return instance;
        qWarning("Kesterly: %s %s could not be loaded: %s", what, qPrintable(file),
                 qPrintable(loader.errorString()));
    }
    return nullptr;
}

} // namespace kesterly
