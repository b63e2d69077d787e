#include "webengineprovider.h"

#include <QObject>
#include <QQuickWindow>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace kesterly {

namespace {

// A page that keeps its script console to itself. By default every console message of a
// page goes to the terminal; even the engine's own page for an address it cannot reach
// writes a notice there. They speak to the page's authors, not to our users.
class QuietPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
};

} // namespace

class WebEnginePlugin : public QObject, public WebEngineProvider {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KesterlyWebEngineProvider_iid)
    Q_INTERFACES(kesterly::WebEngineProvider)
public:
    WebEnginePlugin() {
        // The view draws its pages in software, into the window like any other widget.
        // Drawn the engine's default way, each frame is an OpenGL texture, and Qt turns
        // the window that holds the view into an OpenGL window; here that is the main
        // window, which holds every child window: Qt destroys and re-creates its native
        // window when the first view appears, and the whole main window flashes. In
        // software the engine composes pages with Chromium's software compositor, which
        // shows ordinary pages and pictures exactly as before; only WebGL and drawing on
        // the graphics card are gone. This must come before the first view is made.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
    QWidget* createView(QWidget* parent) override {
        auto* view = new QWebEngineView(parent);
        view->setPage(new QuietPage(view));
        return view;
    }
    void navigate(QWidget* view, const QString& address) override {
        if (auto* page = qobject_cast<QWebEngineView*>(view))
            page->load(QUrl(address));
    }
};

} // namespace kesterly

#include "webengineplugin.moc"
