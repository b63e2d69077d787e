#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <functional>

// What the benchmarks of the real windows measure: the peak memory of the process, and how
// long the window's thread was held while a step ran.
namespace kesterly::bench {

// The peak memory (VmHWM) of this process so far.
inline double peakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+) kB"))
                           .match(QString::fromLatin1(status.readAll()));
    return match.captured(1).toDouble() / 1024;
}

// Runs the event loop until `done`, noting the longest gap between ticks of a 10 ms timer;
// returns the whole time taken, in milliseconds.
inline double runUntil(const std::function<bool()>& done, double* longestGapMs) {
    QElapsedTimer total;
    total.start();
    QElapsedTimer sinceTick;
    sinceTick.start();
    double longest = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    heartbeat.start(10);
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
    *longestGapMs = longest;
    return total.nsecsElapsed() / 1e6;
}

// Asks the registry for the window (made on first use, which may start reading on another
// thread) and runs the event loop until `ready` says it shows what it read; the time
// taken, as runUntil.
template <class Window, class Registry, class Ready>
double openUntil(Registry& windows, Window*& window, Ready ready, double* longestGapMs) {
    return runUntil(
        [&] {
            if (!window)
                window = &windows.template get<Window>();
            return ready(*window);
        },
        longestGapMs);
}

} // namespace kesterly::bench
