#include "accounts/accountfolder.h"
#include "app/mainwindow.h"
#include "app/messages.h"
#include "app/windows.h"
#include "common/clock.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The web windows' browser engine, loaded later from a plugin, shares its drawing
    // contexts with the program's; this must be set before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kesterly"));

    kesterly::SystemClock clock;
    kesterly::DialogPresenter messages;
    kesterly::Windows windows({messages, clock, kesterly::account::defaultRoot()});
    messages.setParentWindow(&windows.mainWindow());
    windows.mainWindow().show();
    return QApplication::exec();
}
