#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

namespace kesterly {

// The embedded web page view of the Update and home-page windows. Its one operation
// starts loading an address and returns at once; the page appears inside the view's
// rectangle when it has loaded. Nothing reads back what happened.
//
// Tab and Shift+Tab leave the page for the window's next or previous control, as from any
// other control: inside a page they would walk its links and fields, and at its end go
// wherever the engine's own widget (made later than the window's controls) stands in the
// focus chain, never to the control after the page.
class WebView : public QWidget {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent);
    virtual void navigate(const QString& address) = 0;

    // Whenever the view is asked for the address, it shows the page that ships inside
    // the program instead (a "qrc:" address), with or without a network.
    void serve(const QString& address, const QString& builtInPage) {
        builtIn_.insert(address, builtInPage);
    }

protected:
    // What to load for an address: its built-in page, or the address itself.
    QString pageFor(const QString& address) const { return builtIn_.value(address, address); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The widget showing the page, which takes the focus when Tab comes to the view. The
    // view itself stands in the window's focus chain: a focus proxy would not, and the
    // engine's own widget, made when the page loads, stands at the chain's end.
    void setPageWidget(QWidget* page) { page_ = page; }

public:
    QWidget* pageWidget() const { return page_; }

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QHash<QString, QString> builtIn_;
    QWidget* page_ = nullptr;
};

// Makes the view of a web window, a child of the given window.
using WebViewFactory = std::function<WebView*(QWidget* parent)>;

// The program's own view: the Qt WebEngine page view from the "kesterly_webengine"
// plugin, loaded the first time a web window opens, so that starting the program never
// loads the browser engine. Where the plugin or the engine is missing, a plain page
// that can show the help pages shipped with the program and names any other address.
WebView* createWebView(QWidget* parent);
// The same, looking for the plugin only in the given files.
WebView* createWebView(QWidget* parent, const QStringList& pluginFiles);

} // namespace kesterly
