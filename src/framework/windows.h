#pragma once

#include "core/clock.h"
#include "framework/chartview.h"
#include "framework/childwindow.h"
#include "framework/currentaccount.h"
#include "framework/mainframe.h"
#include "framework/messages.h"
#include "framework/webview.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>

namespace kesterly {

// The window rules: every window exists at most once and is known by its name;
// referring to a window that is not open creates it (controls laid out, load step run)
// and shows it inside the main window; closing it runs its close step and discards it,
// so the next reference creates it afresh.
class Windows {
public:
    struct Services {
        MessagePresenter& messages;
        Clock& clock;
        QString accountsRoot; // where new accounts are created, ending with a separator
        // Makes the main window: the program's own, with its menu and load step.
        std::function<std::unique_ptr<MainFrame>(Windows&)> makeMainFrame;
    };

    explicit Windows(Services services);
    ~Windows();
    Windows(const Windows&) = delete;
    Windows& operator=(const Windows&) = delete;

    Clock& clock() const { return services_.clock; }
    // The page view of the web windows: the browser engine unless another maker is set
    // (tests set one that notes the addresses).
    void setWebViewFactory(WebViewFactory factory) { webViews_ = std::move(factory); }
    WebView* createWebView(QWidget* parent) const;
    // The view of a chart: Qt Charts unless another maker is set (tests set one that
    // looks for the plugin in the build folder).
    void setChartViewFactory(ChartViewFactory factory) { chartViews_ = std::move(factory); }
    ChartView* createChartView(QWidget* parent) const;
    QString accountsRoot() const { return services_.accountsRoot; }

    // A message box with an OK button; an empty title shows "Kesterly".
    void inform(const QString& text, const QString& title, MessageIcon icon);
    Choice ask(const QString& text, const QString& title, MessageIcon icon,
               const QList<Choice>& choices);
    // The standard dialog for saving a file; the path chosen, or empty when cancelled.
    QString chooseSaveFile(const SaveFileRequest& request);
    // The standard dialog for opening files; the paths chosen, or none when cancelled.
    QStringList chooseOpenFiles(const OpenFileRequest& request);

    // The main window, created (with its load step) on first reference.
    MainFrame& mainWindow();
    MainFrame* findMainWindow() const { return main_.get(); }

    // The account open in this copy of the program.
    CurrentAccount& account() { return account_; }

    // An object the windows of one kind share for the whole run (the reminder switch,
    // say), made on first use from this registry and gone with it.
    template <class T> T& shared() {
        std::unique_ptr<QObject>& slot = shared_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_unique<T>(*this);
        return static_cast<T&>(*slot);
    }

    // The window if it is open, otherwise nullptr. Hidden windows are open.
    template <class W> W* find() const {
        return qobject_cast<W*>(open_.value(QLatin1String(W::kName)).data());
    }
    // Refers to the window: creates and shows it when it is not open, otherwise leaves
    // it where it is.
    template <class W> W& get() {
        if (W* open = find<W>())
            return *open;
        auto* created = new W(*this);
        adopt(created);
        return *created;
    }
    // Shows the window: creates it, or makes it visible and brings it to the front.
    template <class W> W& show() {
        if (W* open = find<W>()) {
            bringToFront(open);
            return *open;
        }
        return get<W>();
    }

    void bringToFront(ChildWindow* window);
    void hide(ChildWindow* window);

    // Closes every open window that reads and writes account files; false when one of
    // them stayed open (the user chose to try a failed save again).
    bool closeAccountWindows();
    // Closes every child window, the given one last; false when one stayed open.
    bool closeAll(ChildWindow* last);

    // Called by a window whose close step has let it close: from now on it is not open,
    // even before Qt has deleted it.
    void forget(ChildWindow* window);

private:
    void adopt(ChildWindow* window);

    Services services_;
    CurrentAccount account_;
    std::unordered_map<std::type_index, std::unique_ptr<QObject>> shared_;
    std::unique_ptr<MainFrame> main_;
    QHash<QString, QPointer<ChildWindow>> open_;
    WebViewFactory webViews_;
    ChartViewFactory chartViews_;
};

} // namespace kesterly
