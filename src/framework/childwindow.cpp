#include "framework/childwindow.h"

#include "framework/windows.h"

#include <QApplication>
#include <QCloseEvent>
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
    setEnabled(!busy);
    if (busy) {
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    if (QMdiSubWindow* frame = subWindow(); frame && frame->isActiveWindow() && frame->mdiArea() &&
                                            frame->mdiArea()->activeSubWindow() == frame)
        restoreFocus();
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
