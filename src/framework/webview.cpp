#include "framework/webview.h"

#include "framework/pictures.h"
#include "framework/webengine/webengineprovider.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPluginLoader>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <unistd.h>

namespace kesterly {

namespace {

// The browser engine's view, made by the plugin, filling this widget.
class EngineWebView final : public WebView {
public:
    EngineWebView(WebEngineProvider& provider, QWidget* parent)
        : WebView(parent), provider_(provider), view_(provider.createView(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        setFocusProxy(view_);
    }
    void navigate(const QString& address) override { provider_.navigate(view_, pageFor(address)); }

private:
    WebEngineProvider& provider_;
    QWidget* view_;
};

// Without the browser engine: the help pages that ship inside the program are shown
// all the same; any other address is named, with a link the desktop's browser opens.
class PlainWebView final : public WebView {
public:
    explicit PlainWebView(QWidget* parent) : WebView(parent), page_(new QTextBrowser(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(page_);
        page_->setOpenExternalLinks(true);
        setFocusProxy(page_);
    }
    void navigate(const QString& address) override {
        QUrl url(pageFor(address));
        if (url.scheme().isEmpty())
            url = QUrl::fromUserInput(address);
        if (url.scheme() == QLatin1String("qrc") || url.isLocalFile()) {
            page_->setSource(url);
            return;
        }
        page_->setHtml(
            QStringLiteral("<h3>This page cannot be shown here</h3>"
                           "<p>This copy of Kesterly has no web page viewer, so the page</p>"
                           "<p><a href=\"%1\">%2</a></p>"
                           "<p>can only be opened in your web browser: click the address.</p>")
                .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), address.toHtmlEscaped()));
    }

private:
    QTextBrowser* page_;
};

WebEngineProvider* loadProvider(const QStringList& pluginFiles) {
    for (const QString& file : pluginFiles) {
        if (!QFileInfo::exists(file))
            continue;
        // The engine's own sandbox refuses to start for the superuser.
        if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        // The engine reports its set-up at length on every start; users need none of it.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
        QPluginLoader loader(file);
        if (auto* provider = qobject_cast<WebEngineProvider*>(loader.instance()))
            return provider;
        qWarning("Kesterly: the web page viewer %s could not be loaded: %s", qPrintable(file),
                 qPrintable(loader.errorString()));
    }
    return nullptr;
}

QStringList defaultPluginFiles() {
    const QString name = QStringLiteral("kesterly_webengine.so");
    const QDir programFolder(QCoreApplication::applicationDirPath());
    return {programFolder.filePath(name),
            programFolder.filePath(QStringLiteral("../" KESTERLY_PLUGIN_DIR "/") + name)};
}

} // namespace

WebView* createWebView(QWidget* parent, const QStringList& pluginFiles) {
    if (WebEngineProvider* provider = loadProvider(pluginFiles))
        return new EngineWebView(*provider, parent);
    return new PlainWebView(parent);
}

WebView* createWebView(QWidget* parent) {
    // The plugin is looked for once; a missing one is not looked for again.
    pictures::ensureLoaded();
    static WebEngineProvider* const provider = loadProvider(defaultPluginFiles());
    if (provider)
        return new EngineWebView(*provider, parent);
    return new PlainWebView(parent);
}

} // namespace kesterly
