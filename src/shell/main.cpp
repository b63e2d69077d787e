#include "core/accountfolder.h"
#include "core/clock.h"
#include "framework/focusmarks.h"
#include "framework/fonts.h"
#include "framework/messages.h"
#include "framework/startup.h"
#include "framework/windows.h"
#include "shell/commandline.h"
#include "shell/endrequests.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication::setApplicationName(QStringLiteral("Kesterly"));
    QApplication::setApplicationVersion(QStringLiteral(KESTERLY_VERSION));
    // --help and --version answer before the application is made: they need no display.
    {
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (const auto answer =
                kesterly::answerCommandLine(kesterly::argumentList(argc, argv), out, err);
            answer.exitCode)
            return *answer.exitCode;
    }
    kesterly::prepareDisplayConnection();
    kesterly::FontCatalogueAhead fontCatalogue;
    // Qt::AA_ShareOpenGLContexts is left unset: it would start the OpenGL driver at every
    // start for the web windows' engine, which most runs never load. The engine gets its
    // shared context when its plugin is loaded (framework/webview.cpp).
    QApplication app(argc, argv);
    // The desktop entry's name: a Wayland desktop matches the windows to the entry and its
    // icon by it (the app id); X11 desktops do so by the window class, "kesterly".
    QGuiApplication::setDesktopFileName(QStringLiteral("example.velquist.kesterly"));
    QApplication::setFont(kesterly::fonts::controls());
    kesterly::installFocusMarks();
    QApplication::setWindowIcon(kesterly::MainWindow::programIcon());

    kesterly::SystemClock clock;
    kesterly::DialogPresenter messages;
    kesterly::Windows windows(
        {messages, clock, kesterly::account::defaultRoot(), &kesterly::MainWindow::make});

    auto* splash = new kesterly::SplashWindow(windows);
    QObject::connect(splash, &QObject::destroyed, &app,
                     [&windows, &messages] { messages.setParentWindow(windows.findMainWindow()); });
    fontCatalogue.wait();
    splash->show();
    const kesterly::EndRequests endRequests;
    const int code = QApplication::exec();
    // Asked to end by a signal (a logout, say), the program closes as by its close box:
    // every window's close step runs, and the account's mark is removed.
    if (endRequests.received()) {
        if (kesterly::MainFrame* main = windows.findMainWindow(); main && main->isVisible())
            main->close();
        windows.account().release();
    }
    return code;
}
