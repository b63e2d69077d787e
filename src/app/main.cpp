#include "accounts/accountfolder.h"
#include "app/mainwindow.h"
#include "app/messages.h"
#include "app/windows.h"
#include "common/clock.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kesterly"));

    kesterly::SystemClock clock;
    kesterly::DialogPresenter messages;
    kesterly::Windows windows({messages, clock, kesterly::account::defaultRoot()});
    messages.setParentWindow(&windows.mainWindow());
    windows.mainWindow().show();
    return QApplication::exec();
}
