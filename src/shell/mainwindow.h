#pragma once

#include "framework/mainframe.h"

#include <QIcon>
#include <functional>
#include <memory>

class QMenu;

namespace kesterly {

class Windows;

// The frame window every other window opens in, with the menu. It is the one place that
// knows every window.
class MainWindow : public MainFrame {
    Q_OBJECT
public:
    explicit MainWindow(Windows& windows);
    ~MainWindow() override;
    // The registry's way to make the program's main window.
    static std::unique_ptr<MainFrame> make(Windows& windows);
    // The program's icon at every size a desktop asks for, each read only when asked for.
    static QIcon programIcon();

    QMdiArea* mdiArea() const override { return area_; }
    // The main load step: the start chooser, the status panel and the Today's Reminder
    // window.
    void load() override;

    QAction* command(const QString& name) const override;
    void setViewMenuEnabled(bool enabled) override;
    bool viewMenuEnabled() const override;
    void showAccountInCaption(const QString& folder) override;
    void showContents() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addCommand(QMenu* menu, const char* name, const QString& caption,
                    const QKeySequence& shortcut, const std::function<void()>& step);
    void helpStep();

    Windows& windows_;
    QMdiArea* area_;
    QMenu* viewMenu_;
    QList<QAction*> available_;
    // Commands outside the View menu that need an open account; they follow the View menu.
    QList<QAction*> accountCommands_;
};

} // namespace kesterly
