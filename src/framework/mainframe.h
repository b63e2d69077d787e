#pragma once

#include <QMainWindow>

class QAction;
class QMdiArea;

namespace kesterly {

// The frame window every other window opens in. The windows know it only by what they
// ask of it; the program's own main window, with its menu, says how.
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    using QMainWindow::QMainWindow;

    // The client area the child windows live in.
    virtual QMdiArea* mdiArea() const = 0;
    // The main load step, run once right after the frame is made.
    virtual void load() = 0;

    // A menu command by its name ("cmdentry").
    virtual QAction* command(const QString& name) const = 0;
    // The View menu and its commands' shortcuts, together with the Account menu's
    // commands that work on the open account ("Export Lists…"): Open Account enables them.
    virtual void setViewMenuEnabled(bool enabled) = 0;
    virtual bool viewMenuEnabled() const = 0;
    // Open Account: the caption shows the account folder.
    virtual void showAccountInCaption(const QString& folder) = 0;
    // Open Account: the window that leads to every other window.
    virtual void showContents() = 0;
};

} // namespace kesterly
