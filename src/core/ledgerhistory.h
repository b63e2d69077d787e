#pragma once

#include "core/ledgertable.h"
#include "core/numberform.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// The money over time, as the chart draws it: the balance at the end of each day that has
// entries, and income against expense for each month (or, over many years, each year or
// more). Everything comes from the texts the user typed, read in the user's regional forms.
namespace kesterly::ledger {

// The date an entry's date text stands for: the text, blanks around it aside, in the
// locale's short date form in digits (day and month with or without a leading zero), the same
// with a four-digit year (as the status panel and the Reminder window write dates), or
// as year-month-day. A two-digit year is taken within 80 years before and 19 years after
// `today`. Anything else has no date.
std::optional<QDate> entryDate(const QString& text, const QLocale& locale, const QDate& today);

struct BalancePoint {
    QDate date;
    double balance = 0; // after every entry of that day
    bool operator==(const BalancePoint&) const = default;
};

// The income and expense of one bar pair's time: a month, or a year or more.
struct BarTotals {
    QDate start; // the first day of its time
    double income = 0;
    double expense = 0;
    bool operator==(const BarTotals&) const = default;
};

// The most bar pairs a chart is given. A chart window of the usual width leaves each pair
// some five pixels, which still tell one from the next, and Qt Charts lays out that many
// labels in a few milliseconds: bars per month cover ten years, the span a household
// looks back over. Longer spans get a bar pair per year, and beyond 120 years per 10 or
// 100 years, so that no span of readable dates (years 1000 to 9999) gives more.
inline constexpr int kMostBars = 120;

// The most points of the balance line a chart is given. Qt Charts takes about a
// millisecond for every 50 points it is given and as long again to draw them, so a line
// of years of daily entries is thinned to this many (see History::drawnBalance): some
// 75 ms in all, and some four points for each pixel of a chart of the usual width.
inline constexpr int kMostDrawnPoints = 2000;

struct History {
    // The balance line, in date order: the balance before the first entry recorded, on the
    // day before the first day, then for each day with entries the Balance column of the
    // last of them in record order (of the two lists, the one recorded later). The lists
    // hold no time of recording: the order of the two is told by which row's balance
    // follows from the other's, and else by date.
    QList<BalancePoint> balance;
    // The points of `balance` the chart draws: all of them up to kMostDrawnPoints. Beyond,
    // the time from the first to the last day is cut into kMostDrawnPoints / 4 equal
    // parts, and each keeps its first, lowest, highest and last point, so that the line
    // keeps its shape at the chart's size, and every point drawn is a day's balance.
    QList<BalancePoint> drawnBalance;
    // The account's balance, after the line, when it is not what the last entry recorded
    // left (entries removed, or the balance changed outside the program): on today's date,
    // or the day after the last day when entries are dated today or later.
    std::optional<BalancePoint> today;
    // The balance the last entry recorded left, when `today` is there.
    double lastRecorded = 0;
    // A bar pair for every month (or longer time, see barMonths) from the first entry's to
    // the last one's, those without entries too.
    QList<BarTotals> bars;
    // The months one bar pair stands for: 1, 12 (a year), 120 or 1200, the fewest that
    // give at most kMostBars.
    int barMonths = 1;
    // The first and the last day of an entry in the bars.
    QDate firstDay;
    QDate lastDay;
    // Entries that are not shown: their date cannot be read; their amount cannot be read
    // (not in the bars); their balance cannot be read (no point of their own).
    int withoutDate = 0;
    int withoutAmount = 0;
    int withoutBalance = 0;
    // Entries recorded after an entry of a later date.
    int outOfOrder = 0;
    // The balance file could not be read as a number: today's balance is not shown.
    bool balanceUnknown = false;

    bool empty() const { return balance.isEmpty() && bars.isEmpty(); }
};

// The history of the income and expense tables (their columns, as read from the files;
// rows whose texts are all empty are no entry). Amounts and balances are read by the
// rules of numberform.h, each row in the form it was written in; `currentBalance` is the
// balance file's first line, and `remembered` the form the account remembers for it.
History history(const QList<QStringList>& income, const QList<QStringList>& expense,
                const std::optional<QString>& currentBalance, const QLocale& locale,
                const QDate& today, numbers::Form remembered = numbers::Form::Unknown);

// A table as the export writes it, for any spreadsheet under any settings: a date the
// chart reads is written as year-month-day ("2026-12-01"); an amount or a balance the
// rules of numberform.h read (each row in the form it was written in, `account` where the
// rows do not tell) as a plain number in the locale's form, without thousands separators
// ("1234,5" under German settings); every other text as typed.
QList<QStringList> exportColumns(const QList<QStringList>& columns, numbers::Form account,
                                 const QLocale& locale, const QDate& today);

// What the chart says below its pictures: the entries it does not show, or that there
// is nothing to show, and how long a time a bar pair stands for when it is more than a
// month. Empty when every entry is shown month by month.
QString noteText(const History& history);
// What the chart says of today's balance when it ends the line, numbers in the locale's
// form; empty when it does not.
QString todayNote(const History& history, const QLocale& locale);
// The bar chart's title ("Income and Expense per Month", "... per Year", "... per 100
// Years").
QString barsTitle(const History& history);
// The two pictures as sentences, for screen readers: the balance at the first and the
// last day and its lowest and highest; each bar pair's income and expense. Numbers in the
// locale's form.
QString balanceDescription(const History& history, const QLocale& locale);
QString barsDescription(const History& history, const QLocale& locale);
// A bar pair's time as the chart writes it: "Oct 2026" for a month, "2026" for a year,
// "2020–2029" for ten years.
QString barName(const History& history, const BarTotals& bar, const QLocale& locale);
// A figure of the chart in the locale's form, with two decimals ("1,234.50").
QString figureText(double value, const QLocale& locale);

} // namespace kesterly::ledger
