#pragma once

#include <QMainWindow>

class QMdiArea;

namespace kesterly {

class Windows;

// The frame window every other window opens in.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Windows& windows);
    ~MainWindow() override;

    QMdiArea* mdiArea() const { return area_; }
    // The main load step.
    void load();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Windows& windows_;
    QMdiArea* area_;
};

} // namespace kesterly
