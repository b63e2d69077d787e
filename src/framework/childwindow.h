#pragma once

#include "framework/twips.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <optional>

class QMdiSubWindow;

namespace kesterly {

class Windows;

// A window inside the main window. Subclasses lay out their controls in the
// constructor (positions in twips), do their load step in load() and their close step
// in closeStep(). The registry (Windows) creates, shows and finds them.
class ChildWindow : public QWidget {
    Q_OBJECT
public:
    enum class Frame {
        Sizable,   // ordinary title bar with minimise, maximise and close boxes
        FixedTool, // fixed size, small title bar with a close box only
        Fixed,     // fixed size, title bar with a close box only
        None,      // no border, no title bar
    };

    ChildWindow(Windows& windows, const char* name, const QString& caption, int clientWidth,
                int clientHeight, Frame frame);

    Windows& windows() const { return windows_; }
    Frame frame() const { return frame_; }
    // Where the window first opens, in twips from the top-left corner of the main
    // window's client area; none lets the main window choose.
    virtual std::optional<QPoint> designPosition() const { return std::nullopt; }
    // Windows that read and write the current account's files; they are closed before
    // another account is opened.
    virtual bool holdsAccountData() const { return false; }
    // The load step, run once right after the controls are laid out.
    virtual void load() {}

    // The frame this window lives in, once shown; moving it moves the window.
    QMdiSubWindow* subWindow() const;
    void moveTo(int leftTwips, int topTwips);
    // Closes the window with its frame, running the close step; false when the close
    // step kept it open.
    bool closeWindow();
    void setLeft(int leftTwips);
    // Gives the focus back to the control that last had it in this window, when there
    // is one: a window brought back by its command or Ctrl+Tab is where the user left it.
    void restoreFocus();
    // While the window waits for work on another thread (a large table read or saved), its
    // controls take nothing and the pointer over it is busy; it can still be closed.
    void showBusy(bool busy);

protected:
    // The close step. Returning false keeps the window open (the user chose to try a
    // failed save again).
    virtual bool closeStep() { return true; }
    void closeEvent(QCloseEvent* event) override;

    // Creates a control of this window with its name and its place in twips.
    template <class Control>
    Control* place(const char* name, int left, int top, int width, int height) {
        auto* control = new Control(this);
        control->setObjectName(QLatin1String(name));
        control->setGeometry(twipsRect(left, top, width, height));
        return control;
    }

private:
    Windows& windows_;
    Frame frame_;
    bool closing_ = false;
    QPointer<QWidget> lastFocus_;
};

} // namespace kesterly
