// Another copy of the program holding an account: marks the folder given on the command
// line as open, says "locked" and waits to be ended.
#include "core/accountlock.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // Named as the program names itself.
    QCoreApplication::setApplicationName(QStringLiteral("Kesterly"));
    if (argc != 2)
        return 2;
    const auto attempt = kesterly::account::AccountLock::take(QString::fromLocal8Bit(argv[1]));
    if (!attempt.lock) {
        std::printf("refused\n");
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
