#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

namespace kesterly {

// The embedded web page view of the Update and home-page windows. Its one operation
// starts loading an address and returns at once; the page appears inside the view's
// rectangle when it has loaded. Nothing reads back what happened.
class WebView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void navigate(const QString& address) = 0;

    // Whenever the view is asked for the address, it shows the page that ships inside
    // the program instead (a "qrc:" address), with or without a network.
    void serve(const QString& address, const QString& builtInPage) {
        builtIn_.insert(address, builtInPage);
    }

protected:
    // What to load for an address: its built-in page, or the address itself.
    QString pageFor(const QString& address) const { return builtIn_.value(address, address); }

private:
    QHash<QString, QString> builtIn_;
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
