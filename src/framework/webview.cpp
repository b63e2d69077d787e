#include "framework/webview.h"

#include "framework/pictures.h"
#include "framework/plugins.h"
#include "framework/webengine/webengineprovider.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>
#include <unistd.h>

// Sets the context every OpenGL context of the program shares with, which Qt itself makes
// at start-up when Qt::AA_ShareOpenGLContexts is set. Qt GUI exports it (the browser engine
// calls it too); no public header declares it.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace kesterly {

WebView::WebView(QWidget* parent) : QWidget(parent) {
    // Tab stops at the view where the window's order puts it, and its page takes the focus.
    setFocusPolicy(Qt::StrongFocus);
    // The engine's widgets inside the view come and go; the keys are caught on their way.
    qApp->installEventFilter(this);
}

void WebView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (page_)
        page_->setFocus(event->reason());
}

bool WebView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Polish) {
        // The page's widgets take the focus from the view, or by a click, never by Tab on
        // their own: Tab stops at the view, where the window's order puts it.
        if (auto* part = qobject_cast<QWidget*>(watched);
            part && part != this && isAncestorOf(part))
            part->setFocusPolicy(Qt::FocusPolicy(part->focusPolicy() & ~Qt::TabFocus));
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!tab || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
        !widget || !isAncestorOf(widget))
        return false;
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    // The window the view is in: its child window, or the top-level window.
    QWidget* window = this;
    while (window->parentWidget() && !window->parentWidget()->inherits("QMdiSubWindow") &&
           !window->isWindow())
        window = window->parentWidget();
    for (QWidget* next = forward ? nextInFocusChain() : previousInFocusChain(); next != this;
         next = forward ? next->nextInFocusChain() : next->previousInFocusChain()) {
        if (isAncestorOf(next) || !window->isAncestorOf(next) ||
            !(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() || !next->isEnabled() ||
            next->focusProxy())
            continue;
        next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return true;
}

namespace {

// The browser engine's view, made by the plugin, filling this widget.
class EngineWebView final : public WebView {
public:
    EngineWebView(WebEngineProvider& provider, QWidget* parent)
        : WebView(parent), provider_(provider), view_(provider.createView(this)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        setPageWidget(view_);
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
        setPageWidget(page_);
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

QOpenGLContext* sharedContext = nullptr;

void dropSharedContext() {
    if (QOpenGLContext::globalShareContext() == sharedContext)
        qt_gl_set_global_share_context(nullptr);
    delete sharedContext;
    sharedContext = nullptr;
}

// The browser engine expects the program-wide shared drawing context when it is loaded,
// and looks for it then: without it, it warns that it was "initialized from a plugin" and
// that it found "No suitable graphics backend" (it takes its GLX configuration from that
// context), and a debugging log of its set-up crashes. Qt makes the context only at
// start-up, which would start the OpenGL driver in every run; it is made here instead,
// just before the engine loads, so that only a run that opens a web window pays for it.
// The engine draws in software (see the plugin), so nothing is ever drawn with it. Where
// OpenGL is missing the engine still works, and says so.
void provideSharedContext() {
    if (QOpenGLContext::globalShareContext())
        return;
    auto context = std::make_unique<QOpenGLContext>();
    if (!context->create())
        return;
    sharedContext = context.release();
    qt_gl_set_global_share_context(sharedContext);
    // Post routines run while the windowing system is still there, the engine's own
    // (registered later) before this one.
    qAddPostRoutine(dropSharedContext);
}

// Readies the program for the browser engine, just before its plugin loads.
void prepareForEngine() {
    provideSharedContext();
    // The engine's own sandbox refuses to start for the superuser.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The engine reports its set-up at length on every start; users need none of it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

WebEngineProvider* loadEngine(const QStringList& files) {
    return loadProvider<WebEngineProvider>(files, "the web page viewer", prepareForEngine);
}

} // namespace

WebView* createWebView(QWidget* parent, const QStringList& pluginFiles) {
    if (WebEngineProvider* provider = loadEngine(pluginFiles))
        return new EngineWebView(*provider, parent);
    return new PlainWebView(parent);
}

WebView* createWebView(QWidget* parent) {
    // The plugin is looked for once; a missing one is not looked for again.
    pictures::ensureLoaded();
    static WebEngineProvider* const provider =
        loadEngine(pluginFiles(QStringLiteral("kesterly_webengine.so")));
    if (provider)
        return new EngineWebView(*provider, parent);
    return new PlainWebView(parent);
}

} // namespace kesterly
