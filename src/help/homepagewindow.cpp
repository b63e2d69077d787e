#include "help/homepagewindow.h"

#include "framework/webview.h"
#include "framework/windows.h"
#include "help/webaddresses.h"

namespace kesterly {

HomePageWindow::HomePageWindow(Windows& windows)
    : ChildWindow(windows, kName, QStringLiteral(" Velquist - Home"), 12468, 8052, Frame::Fixed) {
    QPalette background = palette();
    background.setColor(QPalette::Window, palette().color(QPalette::HighlightedText));
    setPalette(background);

    browser_ = windows.createWebView(this);
    browser_->setObjectName(QStringLiteral("wb1"));
    browser_->setGeometry(twipsRect(0, 0, 12492, 8052));
    browser_->setAccessibleName(QStringLiteral("Home page"));
    browser_->serve(web::homePageAddress(), web::homePage());
    setFocusProxy(browser_);
}

void HomePageWindow::load() {
    browser_->navigate(web::homePageAddress());
}

} // namespace kesterly
