// The chart's figures for two full tables (32767 income and 32767 expense rows), the
// work the chart window does on the window's thread each time an entry is added: prints
// the median of 7 runs, once with dates all readable and once with none readable (the
// slowest case: every reading form is tried).

#include "core/ledgerhistory.h"

#include <QElapsedTimer>
#include <QList>
#include <QLocale>
#include <algorithm>
#include <cstdio>

using namespace kesterly;

namespace {

QList<QStringList> fullTable(bool readableDates, int salt) {
    QList<QStringList> columns(ledger::kColumns);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QDate start(2000, 1, 1);
    for (int row = 0; row < ledger::kMaxRows; ++row) {
        const QDate day = start.addDays((row * 7 + salt) % 9000);
        columns[ledger::Date] << (readableDates ? locale.toString(day, QStringLiteral("M/d/yyyy"))
                                                : QStringLiteral("around day %1").arg(row));
        columns[ledger::Description] << QStringLiteral("Entry %1").arg(row);
        columns[ledger::Amount] << QString::number(10 + row % 500) + QStringLiteral(".25");
        columns[ledger::Balance] << QString::number(row);
    }
    return columns;
}

double medianMs(bool readableDates) {
    const QList<QStringList> income = fullTable(readableDates, 0);
    const QList<QStringList> expense = fullTable(readableDates, 3);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    QList<double> times;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        const ledger::History history =
            ledger::history(income, expense, QStringLiteral("1000"), locale, QDate(2026, 12, 10));
        times << timer.nsecsElapsed() / 1e6;
        if (history.balance.isEmpty() == readableDates)
            std::printf("unexpected figures\n");
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    std::printf("chart figures of two full tables, dates readable: %.1f ms\n", medianMs(true));
    std::printf("chart figures of two full tables, no date readable: %.1f ms\n", medianMs(false));
    return 0;
}
