#include "help/updatewindow.h"

#include "framework/fonts.h"
#include "framework/pictures.h"
#include "framework/textfit.h"
#include "framework/webview.h"
#include "framework/windows.h"
#include "help/homepagewindow.h"
#include "help/webaddresses.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace kesterly {

UpdateWindow::UpdateWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(91, QLatin1Char(' ')) + QStringLiteral("Update"), 9384,
                  7740, Frame::Fixed) {
    setFont(fonts::sansSerif(8.25));
    QPalette background = palette();
    background.setColor(QPalette::Window, palette().color(QPalette::HighlightedText));
    setPalette(background);

    auto* check = place<QPushButton>("Command1", 1920, 240, 5532, 492);
    check->setText(QStringLiteral("Check For Update"));

    browser_ = windows.createWebView(this);
    browser_->setObjectName(QStringLiteral("wb1"));
    browser_->setGeometry(twipsRect(120, 1200, 9132, 5652));
    browser_->setAccessibleName(QStringLiteral("Update page"));

    auto* note = place<QLabel>("Label2", 1686, 7200, 3372, 372);
    note->setText(QStringLiteral(" If Update is available then Visit :"));
    note->setFont(fonts::sansSerif(12));
    fitToWidth(note);

    link_ = place<QLabel>("Label1", 5046, 7200, 2652, 372);
    link_->setText(QStringLiteral(" ") + web::homePageAddress());
    link_->setFont(fonts::sansSerif(12, true));
    fitToWidth(link_);
    link_->setCursor(pictures::pointingHand());
    // The link is reached with the keyboard too and opened with Enter or Space.
    link_->setFocusPolicy(Qt::TabFocus);
    link_->setAccessibleName(QStringLiteral("Home page"));
    link_->installEventFilter(this);

    setTabOrder(check, browser_);
    setTabOrder(browser_, link_);
    setFocusProxy(check);

    connect(check, &QPushButton::clicked, this, &UpdateWindow::checkForUpdate);
}

void UpdateWindow::checkForUpdate() {
    browser_->navigate(web::updateAddress());
    windows().inform(QStringLiteral("Please be patient While Processing"),
                     QStringLiteral("Patient"), MessageIcon::Information);
}

void UpdateWindow::openHomePage() {
    windows().show<HomePageWindow>();
}

bool UpdateWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == link_) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            link_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            openHomePage();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                openHomePage();
                return true;
            }
        }
    }
    return ChildWindow::eventFilter(watched, event);
}

} // namespace kesterly
