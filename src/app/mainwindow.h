#pragma once

#include <QMainWindow>
#include <functional>

class QMdiArea;
class QMenu;

namespace kesterly {

class Windows;

// The frame window every other window opens in, with the menu.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Windows& windows);
    ~MainWindow() override;

    QMdiArea* mdiArea() const { return area_; }
    // The main load step: the start chooser, the status panel and the Today's Reminder
    // window.
    void load();

    // A menu command by its name ("cmdentry").
    QAction* command(const QString& name) const;
    // The View menu and its commands' shortcuts.
    void setViewMenuEnabled(bool enabled);
    bool viewMenuEnabled() const;
    // Open Account: the caption shows the account folder.
    void showAccountInCaption(const QString& folder);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addCommand(QMenu* menu, const char* name, const QString& caption,
                    const QKeySequence& shortcut, const std::function<void()>& step);
    void helpStep();

    Windows& windows_;
    QMdiArea* area_;
    QMenu* viewMenu_;
    QList<QAction*> available_;
};

} // namespace kesterly
