// Times the number readings on one line of 2 MB, as a damaged or foreign balance file or
// Name.txt may hold: the line of separators "1,1,1,..." that once froze the program for
// minutes, and lines that the readings have to follow to their end: thousands all the way
// (a number as a whole, strict and leading reading) and digits between blanks (leading
// reading skips the blanks).
// Prints the best of several runs in milliseconds.

#include "core/listfile.h"
#include "core/numbertext.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

using namespace kesterly;

namespace {

constexpr qsizetype kLineLength = 2 * 1024 * 1024;
constexpr int kRuns = 7;

double bestOf(const std::function<void()>& step) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// A first digit and the pattern after it, as often as fits in the line length.
QString line(const QString& pattern) {
    return QStringLiteral("1") + pattern.repeated((kLineLength - 1) / pattern.size());
}

// The results are checked, so the work cannot be left out and a wrong reading shows.
void expect(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "unexpected result: %s\n", what);
        std::exit(1);
    }
}

} // namespace

int main() {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString separators = line(QStringLiteral(",1"));
    const QString usThousands = line(QStringLiteral(",111"));
    const QString germanThousands = line(QStringLiteral(".111"));
    const QString blanks = line(QStringLiteral(" 1"));

    std::printf("one line of about %lld characters; best of %d runs\n",
                static_cast<long long>(kLineLength), kRuns);
    struct Case {
        const char* name;
        const QString& text;
        const QLocale& locale;
        bool digitsThroughout; // so leading reading reads an infinity, this long
    };
    const Case cases[] = {
        {"1,1,1,... en_US", separators, us, false},
        {"1,1,1,... de_DE", separators, german, false},
        {"1,111,111,... en_US", usThousands, us, true},
        {"1.111.111... de_DE", germanThousands, german, true},
        {"1 1 1 ... en_US", blanks, us, true},
    };
    double slowest = 0;
    for (const Case& c : cases) {
        const double strict = bestOf([&] { expect(!strictNumber(c.text, c.locale), c.name); });
        const double leading = bestOf([&] {
            const double value = leadingNumber(c.text, c.locale);
            expect(c.digitsThroughout ? std::isinf(value) : std::isfinite(value), c.name);
        });
        slowest = std::max({slowest, strict, leading});
        std::printf("%-22s strict %8.2f ms   leading %8.2f ms\n", c.name, strict, leading);
    }

    // The whole way from the file: read value of a 2 MB balance file (read, decode, split
    // into fields, typed field reading).
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("OpeningBalance.txt"));
    QFile file(path);
    expect(file.open(QIODevice::WriteOnly) && file.write(separators.toLatin1() + "\r\n") > 0,
           "writing the balance file");
    file.close();
    double readValue = 0;
    for (const QLocale& locale : {us, german}) {
        ScopedUserLocale pinned(locale);
        readValue = std::max(readValue, bestOf([&] {
                                 const auto read = listfile::readValue(path);
                                 expect(read.ok() && read.value->size() == separators.size(),
                                        "read value of the balance file");
                             }));
    }
    std::printf("read value of a 2 MB balance file of 1,1,1,... (slower of en_US, de_DE) "
                "%8.2f ms\n",
                readValue);
    std::printf("a 2 MB line read (slowest reading) %8.2f ms (target: under 50 ms)\n",
                std::max(slowest, readValue));
    return 0;
}
