#pragma once

#include "core/ledgertable.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// The money over time, as the chart draws it: the balance at the end of each day that has
// entries, and income against expense for each month. Everything comes from the texts the
// user typed, read in the user's regional forms.
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

struct MonthTotals {
    QDate month; // its first day
    double income = 0;
    double expense = 0;
    bool operator==(const MonthTotals&) const = default;
};

struct History {
    // One point for each day with an entry, in date order.
    QList<BalancePoint> balance;
    // Every month from the first entry's to the last one's, those without entries too.
    QList<MonthTotals> months;
    // Entries that are not shown: their date or their amount cannot be read.
    int withoutDate = 0;
    int withoutAmount = 0;
    // The balance file could not be read: the line ends at 0, not at the balance.
    bool balanceUnknown = false;

    bool empty() const { return balance.isEmpty(); }
};

// The history of the income and expense tables (their columns, as read from the files;
// rows whose texts are all empty are no entry). The line ends at `currentBalance` (the
// account's balance text, read as far as it is a number) and goes back from it entry by
// entry, so each point is the balance after that day. Entries that are not shown are part
// of the balance before the first point.
History history(const QList<QStringList>& income, const QList<QStringList>& expense,
                const std::optional<QString>& currentBalance, const QLocale& locale,
                const QDate& today);

// What the chart says below its pictures: the entries it does not show, or that there
// is nothing to show. Empty when every entry is shown.
QString unshownText(const History& history);
// The two pictures as sentences, for screen readers: the balance at the first and the
// last day and its lowest and highest; each month's income and expense. Numbers in the
// locale's form.
QString balanceDescription(const History& history, const QLocale& locale);
QString monthsDescription(const History& history, const QLocale& locale);
// A month's name as the chart writes it ("Oct 2026").
QString monthName(const QDate& month, const QLocale& locale);
// A figure of the chart in the locale's form, with two decimals ("1,234.50").
QString figureText(double value, const QLocale& locale);

} // namespace kesterly::ledger
