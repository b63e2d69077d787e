#include "webengineprovider.h"

#include <QObject>
#include <QUrl>
#include <QWebEngineView>

namespace kesterly {

class WebEnginePlugin : public QObject, public WebEngineProvider {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KesterlyWebEngineProvider_iid)
    Q_INTERFACES(kesterly::WebEngineProvider)
public:
    QWidget* createView(QWidget* parent) override { return new QWebEngineView(parent); }
    void navigate(QWidget* view, const QString& address) override {
        if (auto* page = qobject_cast<QWebEngineView*>(view))
            page->load(QUrl(address));
    }
};

} // namespace kesterly

#include "webengineplugin.moc"
