#include "core/ledgerhistory.h"

#include "core/clock.h"
#include "core/numbertext.h"

#include <algorithm>
#include <cmath>

namespace kesterly::ledger {

namespace {

// The locale's short date form with day and month of one or two digits and the year
// written with `yearDigits` digits.
QString looseDateFormat(const QLocale& locale, qsizetype yearDigits) {
    return rewriteFormat(
        locale.dateFormat(QLocale::ShortFormat), [yearDigits](QChar letter, qsizetype count) {
            if (letter == QLatin1Char('y'))
                return QString(yearDigits, letter);
            if ((letter == QLatin1Char('d') || letter == QLatin1Char('M')) && count <= 2)
                return QString(letter);
            return QString(count, letter);
        });
}

// Qt reads a two-digit year as one of the 1900s; the year meant is the one nearest the
// present, within 80 years before it and 19 after.
QDate withCentury(const QDate& read, const QDate& today) {
    const int first = today.year() - 80;
    const int twoDigits = read.year() % 100;
    const int year = first + ((twoDigits - first) % 100 + 100) % 100;
    return QDate(year, read.month(), read.day());
}

struct Dated {
    QDate date;
    double amount; // income positive, expense negative
    bool income;
};

// Texts that are all blank make no entry: every new account's lists hold one such row.
bool blankRow(const QList<QStringList>& columns, qsizetype row) {
    for (const QStringList& column : columns) {
        if (row < column.size() && !column[row].trimmed().isEmpty())
            return false;
    }
    return true;
}

qsizetype rowCount(const QList<QStringList>& columns) {
    qsizetype rows = 0;
    for (const QStringList& column : columns)
        rows = std::max(rows, column.size());
    return rows;
}

QString field(const QList<QStringList>& columns, Column column, qsizetype row) {
    if (column >= columns.size() || row >= columns[column].size())
        return {};
    return columns[column][row];
}

QString entries(int count) {
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

} // namespace

std::optional<QDate> entryDate(const QString& text, const QLocale& locale, const QDate& today) {
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return std::nullopt;
    QDate date = locale.toDate(typed, looseDateFormat(locale, 2));
    if (date.isValid())
        date = withCentury(date, today);
    if (!date.isValid())
        date = locale.toDate(typed, looseDateFormat(locale, 4));
    if (!date.isValid())
        date = QDate::fromString(typed, QStringLiteral("yyyy-M-d"));
    // Qt takes "0999" and "-2026" for years too; no book holds such entries.
    if (!date.isValid() || date.year() < 1000)
        return std::nullopt;
    return date;
}

History history(const QList<QStringList>& income, const QList<QStringList>& expense,
                const std::optional<QString>& currentBalance, const QLocale& locale,
                const QDate& today) {
    History result;
    QList<Dated> dated;
    const auto collect = [&](const QList<QStringList>& columns, bool isIncome) {
        const qsizetype rows = rowCount(columns);
        for (qsizetype row = 0; row < rows; ++row) {
            if (blankRow(columns, row))
                continue;
            const auto date = entryDate(field(columns, Date, row), locale, today);
            if (!date) {
                ++result.withoutDate;
                continue;
            }
            const auto amount = strictNumber(field(columns, Amount, row), locale);
            if (!amount) {
                ++result.withoutAmount;
                continue;
            }
            dated.append({*date, isIncome ? *amount : -*amount, isIncome});
        }
    };
    collect(income, true);
    collect(expense, false);
    if (dated.isEmpty())
        return result;
    std::stable_sort(dated.begin(), dated.end(),
                     [](const Dated& a, const Dated& b) { return a.date < b.date; });

    double end = 0;
    if (currentBalance) {
        end = leadingNumber(*currentBalance, locale);
        if (!std::isfinite(end))
            end = 0;
    }
    result.balanceUnknown = !currentBalance;

    // From the last day back: the balance after a day is the balance after the next one
    // less that next day's entries, so the line ends exactly at the account's balance.
    double balance = end;
    for (qsizetype i = dated.size() - 1; i >= 0;) {
        const QDate day = dated[i].date;
        result.balance.prepend({day, balance});
        for (; i >= 0 && dated[i].date == day; --i)
            balance -= dated[i].amount;
    }

    const QDate first(dated.first().date.year(), dated.first().date.month(), 1);
    const QDate last(dated.last().date.year(), dated.last().date.month(), 1);
    for (QDate month = first; month <= last; month = month.addMonths(1))
        result.months.append({month, 0, 0});
    for (const Dated& entry : std::as_const(dated)) {
        const int index =
            (entry.date.year() - first.year()) * 12 + entry.date.month() - first.month();
        if (entry.income)
            result.months[index].income += entry.amount;
        else
            result.months[index].expense -= entry.amount;
    }
    return result;
}

QString unshownText(const History& history) {
    QStringList lines;
    if (history.empty() && history.withoutDate == 0 && history.withoutAmount == 0)
        lines << QStringLiteral("There are no entries to show.");
    if (history.withoutDate > 0)
        lines << QStringLiteral("%1 without a readable date %2 not shown")
                     .arg(entries(history.withoutDate),
                          history.withoutDate == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    if (history.withoutAmount > 0)
        lines << QStringLiteral("%1 without a readable amount %2 not shown")
                     .arg(entries(history.withoutAmount), history.withoutAmount == 1
                                                              ? QStringLiteral("is")
                                                              : QStringLiteral("are"));
    if (history.balanceUnknown && !history.empty())
        lines << QStringLiteral("The balance could not be read: the line ends at 0.");
    return lines.join(QLatin1Char('\n'));
}

QString figureText(double value, const QLocale& locale) {
    return locale.toString(value, 'f', 2);
}

QString monthName(const QDate& month, const QLocale& locale) {
    return locale.toString(month, QStringLiteral("MMM yyyy"));
}

QString balanceDescription(const History& history, const QLocale& locale) {
    if (history.empty())
        return QStringLiteral("No balance to show.");
    const auto [lowest, highest] = std::minmax_element(
        history.balance.begin(), history.balance.end(),
        [](const BalancePoint& a, const BalancePoint& b) { return a.balance < b.balance; });
    return QStringLiteral("Balance from %1 to %2: %3 on the first day, %4 on the last, "
                          "lowest %5, highest %6.")
        .arg(dateText(history.balance.first().date, locale),
             dateText(history.balance.last().date, locale),
             figureText(history.balance.first().balance, locale),
             figureText(history.balance.last().balance, locale),
             figureText(lowest->balance, locale), figureText(highest->balance, locale));
}

QString monthsDescription(const History& history, const QLocale& locale) {
    if (history.months.isEmpty())
        return QStringLiteral("No months to show.");
    QStringList months;
    for (const MonthTotals& month : history.months)
        months << QStringLiteral("%1: income %2, expense %3.")
                      .arg(monthName(month.month, locale), figureText(month.income, locale),
                           figureText(month.expense, locale));
    return months.join(QLatin1Char(' '));
}

} // namespace kesterly::ledger
