#include "framework/childwindow.h"

#include "framework/windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace kesterly {

ChildWindow::ChildWindow(Windows& windows, const char* name, const QString& caption,
                         int clientWidth, int clientHeight, Frame frame)
    : windows_(windows), frame_(frame) {
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setFixedSize(twipsSize(clientWidth, clientHeight));
    setAutoFillBackground(true);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && isAncestorOf(now))
            lastFocus_ = now;
    });
}

void ChildWindow::restoreFocus() {
    if (lastFocus_ && lastFocus_->isVisible() && lastFocus_->isEnabled() && !lastFocus_->hasFocus())
        lastFocus_->setFocus(Qt::ActiveWindowFocusReason);
}

void ChildWindow::showBusy(bool busy) {
    if (busy_ == busy)
        return;
    busy_ = busy;
    // The controls are not disabled: a disabled control gives its focus to the next one in
    // the chain, which may be in another window, and that window would come to the front.
    if (busy) {
        setCursor(Qt::BusyCursor);
        qApp->installEventFilter(this);
        return;
    }
    qApp->removeEventFilter(this);
    setCursor(Qt::ArrowCursor);
}

bool ChildWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Keys with Ctrl or Alt are the program's shortcuts (its menus, Ctrl+Tab, Ctrl+F4).
        if (static_cast<QKeyEvent*>(event)->modifiers() &
            (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        break;
    default:
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    return busy_ && widget && (widget == this || isAncestorOf(widget));
}

QMdiSubWindow* ChildWindow::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void ChildWindow::moveTo(int leftTwips, int topTwips) {
    if (QMdiSubWindow* frame = subWindow())
        frame->move(twips(leftTwips), twips(topTwips));
}

bool ChildWindow::closeWindow() {
    if (QMdiSubWindow* frame = subWindow())
        return frame->close();
    return close();
}

void ChildWindow::setLeft(int leftTwips) {
    if (QMdiSubWindow* frame = subWindow())
        frame->move(twips(leftTwips), frame->y());
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    // The close step runs once, even when its message box lets a second close request
    // (the main window ending) arrive while it waits.
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    const bool close = closeStep();
    closing_ = false;
    if (close) {
        event->accept();
        windows_.forget(this);
    } else
        event->ignore();
}

} // namespace kesterly
