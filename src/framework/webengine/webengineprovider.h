#pragma once

#include <QtPlugin>

class QString;
class QWidget;

namespace kesterly {

// What the browser-engine plugin offers. The plugin knows nothing else of the program,
// so it carries no copy of the program's classes; the program wraps the view it makes.
class WebEngineProvider {
public:
    virtual ~WebEngineProvider() = default;
    virtual QWidget* createView(QWidget* parent) = 0;
    // Starts loading the address in a view made by createView() and returns at once.
    virtual void navigate(QWidget* view, const QString& address) = 0;
};

} // namespace kesterly

#define KesterlyWebEngineProvider_iid "org.kesterly.WebEngineProvider/1"
Q_DECLARE_INTERFACE(kesterly::WebEngineProvider, KesterlyWebEngineProvider_iid)
