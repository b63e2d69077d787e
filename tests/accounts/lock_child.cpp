// Another copy of the program holding an account: marks the folder given on the command
// line as open and says "locked"; or, kept out, says "refused" (or "asked", when the user
// would be offered to take the account over) and on the next line why. Holding, it reads
// commands from its input: "release" gives the account up as opening another one does
// (and says "released"), "exit" ends the program through exit() with the account still
// held, as the windowing system's library does when the display goes; so does the end of
// its input.
#include "core/accountlock.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // Named as the program names itself.
    QCoreApplication::setApplicationName(QStringLiteral("Kesterly"));
    if (argc != 2)
        return 2;
    auto attempt = kesterly::account::AccountLock::take(QString::fromLocal8Bit(argv[1]));
    if (!attempt.lock) {
        std::printf("%s\n%s\n", attempt.takeOverQuestion.isEmpty() ? "refused" : "asked",
                    qPrintable(attempt.refusal));
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    char command[64];
    while (std::fgets(command, sizeof command, stdin)) {
        if (std::strcmp(command, "release\n") == 0) {
            attempt.lock.reset();
            std::printf("released\n");
            std::fflush(stdout);
        } else if (std::strcmp(command, "exit\n") == 0) {
            break;
        }
    }
    std::exit(0);
}
