#pragma once

#include <QStringList>
#include <optional>

class QTextStream;

namespace kesterly {

// What the program's command line asks for, read before the GUI application is made, so
// that `--help` and `--version` answer without a display. The options Qt's own
// applications take (`-platform`, `-style`, `-display`, ...) pass through unchanged to
// the application; anything else is an error.
struct CommandLineAnswer {
    // The exit code when the program ends here: 0 after the help text or the version,
    // 2 after an unknown option or an argument the program does not take. Empty when
    // the program goes on and opens its windows.
    std::optional<int> exitCode;
};

// `arguments` are the program's name and its arguments, as in argv. The help text and
// the version go to `out`, errors to `err`.
CommandLineAnswer answerCommandLine(const QStringList& arguments, QTextStream& out,
                                    QTextStream& err);

// argv as the program received it, decoded as the system's file names are.
QStringList argumentList(int argc, char* argv[]);

} // namespace kesterly
