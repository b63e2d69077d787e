// The chart's figures for two full tables (32767 income and 32767 expense rows), the
// work the chart window does each time an entry is added (on another thread for tables
// this large): prints the median of 7 runs, once with dates all readable over 25 years,
// once with none readable (the slowest case: every reading form is tried), and once with
// every row a day of its own from 1/1/1000 to 12/31/9999, with the bar pairs and the
// points of the line the chart is given then.

#include "core/ledgerhistory.h"

#include <QElapsedTimer>
#include <QList>
#include <QLocale>
#include <algorithm>
#include <cstdio>

using namespace kesterly;

namespace {

// Days from `start`, 9000 of them by default, or every row a day of its own spread over
// `days`.
QList<QStringList> fullTable(bool readableDates, int salt, const QDate& start = QDate(2000, 1, 1),
                             qint64 days = 0) {
    QList<QStringList> columns(ledger::kColumns);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    for (int row = 0; row < ledger::kMaxRows; ++row) {
        const QDate day =
            days == 0 ? start.addDays((row * 7 + salt) % 9000)
                      : start.addDays((2 * qint64(row) + salt) * days / (2 * ledger::kMaxRows));
        columns[ledger::Date] << (readableDates ? locale.toString(day, QStringLiteral("M/d/yyyy"))
                                                : QStringLiteral("around day %1").arg(row));
        columns[ledger::Description] << QStringLiteral("Entry %1").arg(row);
        columns[ledger::Amount] << QString::number(10 + row % 500) + QStringLiteral(".25");
        columns[ledger::Balance] << QString::number(row);
    }
    return columns;
}

double medianMs(const QList<QStringList>& income, const QList<QStringList>& expense,
                bool readableDates, ledger::History* last = nullptr) {
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
        if (last)
            *last = history;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double medianMs(bool readableDates) {
    return medianMs(fullTable(readableDates, 0), fullTable(readableDates, 3), readableDates);
}

} // namespace

int main() {
    std::printf("chart figures of two full tables, dates readable: %.1f ms\n", medianMs(true));
    std::printf("chart figures of two full tables, no date readable: %.1f ms\n", medianMs(false));
    const QDate first(1000, 1, 1);
    const qint64 days = first.daysTo(QDate(9999, 12, 31)) + 1;
    ledger::History wide;
    const double wideMs =
        medianMs(fullTable(true, 0, first, days), fullTable(true, 1, first, days), true, &wide);
    std::printf("chart figures of two full tables, a day each from 1/1/1000 to 12/31/9999: "
                "%.1f ms; %lld bar pairs of %d months, %lld of %lld days drawn\n",
                wideMs, static_cast<long long>(wide.bars.size()), wide.barMonths,
                static_cast<long long>(wide.drawnBalance.size()),
                static_cast<long long>(wide.balance.size()));
    return 0;
}
