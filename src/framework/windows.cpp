#include "framework/windows.h"

#include "framework/accessibility.h"
#include "framework/controls.h"
#include "framework/textfit.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace kesterly {

namespace {

Qt::WindowFlags frameFlags(ChildWindow::Frame frame) {
    switch (frame) {
    case ChildWindow::Frame::Sizable:
        return Qt::SubWindow;
    case ChildWindow::Frame::FixedTool:
        return Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::Tool;
    case ChildWindow::Frame::Fixed:
        return Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    case ChildWindow::Frame::None:
        break;
    }
    return Qt::SubWindow | Qt::FramelessWindowHint;
}

} // namespace

Windows::Windows(Services services) : services_(std::move(services)) {
    announceFramesByCaption();
}

Windows::~Windows() = default;

void Windows::inform(const QString& text, const QString& title, MessageIcon icon) {
    services_.messages.show({text, title.isEmpty() ? QStringLiteral("Kesterly") : title, icon});
}

Choice Windows::ask(const QString& text, const QString& title, MessageIcon icon,
                    const QList<Choice>& choices) {
    return services_.messages.ask(
        {text, title.isEmpty() ? QStringLiteral("Kesterly") : title, icon}, choices);
}

QString Windows::chooseSaveFile(const SaveFileRequest& request) {
    return services_.messages.chooseSaveFile(request);
}

QStringList Windows::chooseOpenFiles(const OpenFileRequest& request) {
    return services_.messages.chooseOpenFiles(request);
}

WebView* Windows::createWebView(QWidget* parent) const {
    return webViews_ ? webViews_(parent) : kesterly::createWebView(parent);
}

ChartView* Windows::createChartView(QWidget* parent) const {
    return chartViews_ ? chartViews_(parent) : kesterly::createChartView(parent);
}

MainFrame& Windows::mainWindow() {
    if (!main_) {
        main_ = services_.makeMainFrame(*this);
        main_->load();
    }
    return *main_;
}

void Windows::adopt(ChildWindow* window) {
    open_.insert(window->objectName(), window);
    QMdiSubWindow* frame =
        mainWindow().mdiArea()->addSubWindow(window, frameFlags(window->frame()));
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowIcon(window->windowIcon());
    // Captions are padded with blanks to stand where the window's design puts them; a
    // reader (and a braille line) gets the caption itself, from the frame and from the
    // window in it.
    window->setAccessibleName(window->windowTitle().trimmed());
    // The main window's own pointer is for its empty client area only. The window inside
    // the frame has its own arrow: the frame sets and unsets its pointer as the mouse
    // moves over its edges, and an unset pointer would be the client area's.
    frame->setCursor(Qt::ArrowCursor);
    window->setCursor(Qt::ArrowCursor);
    if (window->frame() != ChildWindow::Frame::Sizable)
        frame->setFixedSize(frame->sizeHint());
    if (const auto position = window->designPosition())
        frame->move(twips(position->x()), twips(position->y()));
    // The frame becomes active before it picks a control to focus; when the window had
    // one, that one gets it back (the frame's own choice can be a control left long ago).
    QObject::connect(frame, &QMdiSubWindow::windowStateChanged, window,
                     [window](Qt::WindowStates before, Qt::WindowStates now) {
                         if (!(before & Qt::WindowActive) && (now & Qt::WindowActive)) {
                             window->activated();
                             window->restoreFocus();
                         }
                     });
    window->load();
    keepBoxesOnOneLine(window, [this, window](const QString& text) {
        inform(text, window->windowTitle().trimmed(), MessageIcon::Exclamation);
    });
    showLabelsAsPlainText(window);
    fitTextsToWidth(window);
    nameUnnamedControls(window);
    enterOptionGroupsAtChosenOption(window);
    frame->show();
    mainWindow().mdiArea()->setActiveSubWindow(frame);
}

void Windows::forget(ChildWindow* window) {
    const auto name = window->objectName();
    if (open_.value(name) == window)
        open_.remove(name);
}

void Windows::bringToFront(ChildWindow* window) {
    if (QMdiSubWindow* frame = window->subWindow()) {
        frame->show();
        frame->raise();
        mainWindow().mdiArea()->setActiveSubWindow(frame);
    }
}

void Windows::hide(ChildWindow* window) {
    if (QMdiSubWindow* frame = window->subWindow())
        frame->hide();
}

bool Windows::closeAccountWindows() {
    const auto windows = open_.values();
    for (const QPointer<ChildWindow>& window : windows) {
        if (window && window->holdsAccountData() && !window->closeWindow())
            return false;
    }
    return true;
}

bool Windows::closeAll(ChildWindow* last) {
    const auto windows = open_.values();
    for (const QPointer<ChildWindow>& window : windows) {
        if (window && window != last && !window->closeWindow())
            return false;
    }
    // Close steps may open windows (a ledger window referring to another); close those too.
    for (const QPointer<ChildWindow>& window : open_.values()) {
        if (window && window != last && !window->closeWindow())
            return false;
    }
    return !last || last->closeWindow();
}

} // namespace kesterly
