#include "app/mainwindow.h"

#include "app/twips.h"
#include "app/windows.h"

#include <QCloseEvent>
#include <QMdiArea>

namespace kesterly {

MainWindow::MainWindow(Windows& windows) : windows_(windows), area_(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Kesterly"));
    area_->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(area_);
    resize(twipsSize(15144, 8784));
}

MainWindow::~MainWindow() = default;

void MainWindow::load() {}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (windows_.closeAll(nullptr))
        event->accept();
    else
        event->ignore();
}

} // namespace kesterly
