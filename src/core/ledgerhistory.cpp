#include "core/ledgerhistory.h"

#include "core/clock.h"
#include "core/numbertext.h"

#include <QCoreApplication>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace kesterly::ledger {

namespace {

// One way of writing a date: day, month and year as digits, between fixed texts. Read by
// hand rather than by QLocale::toDate, which sets up a parser for every text: a chart of
// two full tables reads some 65,000 dates each time an entry is added.
class DateForm {
public:
    // The form of a QLocale date format with the year written with `yearDigits` digits;
    // day and month may have one or two. A format with other fields (month names) makes
    // no form.
    DateForm(const QString& format, int yearDigits) : yearDigits_(yearDigits) {
        qsizetype i = 0;
        while (i < format.size()) {
            const QChar c = format[i];
            if (c == QLatin1Char('\'')) {
                const qsizetype close = format.indexOf(QLatin1Char('\''), i + 1);
                const qsizetype stop = close < 0 ? format.size() : close;
                // Two quotes stand for one.
                addLiteral(stop == i + 1 ? QStringLiteral("'")
                                         : format.sliced(i + 1, stop - i - 1));
                i = stop + 1;
            } else if (c.isLetter()) {
                qsizetype run = 1;
                while (i + run < format.size() && format[i + run] == c)
                    ++run;
                if (c == QLatin1Char('d') && run <= 2)
                    fields_.append(Field{Field::Day, {}});
                else if (c == QLatin1Char('M') && run <= 2)
                    fields_.append(Field{Field::Month, {}});
                else if (c == QLatin1Char('y'))
                    fields_.append(Field{Field::Year, {}});
                else
                    usable_ = false;
                i += run;
            } else {
                addLiteral(QString(c));
                ++i;
            }
        }
    }

    bool usable() const { return usable_; }

    std::optional<QDate> read(QStringView text, const QDate& today) const {
        qsizetype at = 0;
        int day = 0, month = 0, year = 0;
        const auto digits = [&](qsizetype least, qsizetype most, int& value) {
            qsizetype count = 0;
            value = 0;
            while (count < most && at < text.size() && text[at] >= QLatin1Char('0') &&
                   text[at] <= QLatin1Char('9')) {
                value = value * 10 + (text[at].unicode() - '0');
                ++at;
                ++count;
            }
            return count >= least && !(at < text.size() && text[at].isDigit());
        };
        for (const Field& field : fields_) {
            bool ok = false;
            switch (field.kind) {
            case Field::Literal:
                ok = text.sliced(at).startsWith(field.literal);
                at += field.literal.size();
                break;
            case Field::Day:
                ok = digits(1, 2, day);
                break;
            case Field::Month:
                ok = digits(1, 2, month);
                break;
            case Field::Year:
                ok = digits(yearDigits_, yearDigits_, year);
                break;
            }
            if (!ok)
                return std::nullopt;
        }
        if (at != text.size())
            return std::nullopt;
        if (yearDigits_ == 2) {
            // The year meant is the one nearest the present, within 80 years before it and
            // 19 after.
            const int first = today.year() - 80;
            year = first + ((year - first) % 100 + 100) % 100;
        }
        const QDate date(year, month, day);
        // No book holds entries of the first millennium: "0999" is a slip.
        if (!date.isValid() || year < 1000)
            return std::nullopt;
        return date;
    }

private:
    struct Field {
        enum Kind { Literal, Day, Month, Year } kind;
        QString literal;
    };
    void addLiteral(const QString& text) {
        if (!fields_.isEmpty() && fields_.last().kind == Field::Literal)
            fields_.last().literal += text;
        else
            fields_.append(Field{Field::Literal, text});
    }

    QList<Field> fields_;
    int yearDigits_;
    bool usable_ = true;
};

// The forms an entry's date is read in, tried in turn.
class DateReader {
public:
    DateReader(const QLocale& locale, const QDate& today) : today_(today) {
        const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
        forms_ = {DateForm(shortFormat, 2), DateForm(shortFormat, 4),
                  DateForm(QStringLiteral("yyyy-M-d"), 4)};
    }

    std::optional<QDate> read(const QString& text) const {
        const QStringView typed = QStringView(text).trimmed();
        if (typed.isEmpty())
            return std::nullopt;
        for (const DateForm& form : forms_) {
            if (!form.usable())
                continue;
            if (const auto date = form.read(typed, today_))
                return date;
        }
        return std::nullopt;
    }

private:
    QDate today_;
    QList<DateForm> forms_;
};

// One entry of either list, as far as its texts can be read.
struct Entry {
    std::optional<QDate> date;
    std::optional<double> change; // income positive, expense negative
    std::optional<double> balance;
    bool income = false;
};

// Two balances the program wrote are the same when they differ only by the rounding of
// their texts to 15 digits.
bool sameBalance(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

// An unknown balance, in the arithmetic of the record order.
constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// Whether `entry` was recorded right after a balance of `before` (kUnknown: not known).
bool follows(double before, const Entry& entry) {
    return !std::isnan(before) && entry.change && entry.balance &&
           sameBalance(before + *entry.change, *entry.balance);
}

// The entries of both lists in the order they were recorded. Each list is in record order
// already; where the next rows of the two could come next, the one whose balance follows
// from the balance before is taken, else the one that the other follows from, else the
// earlier date, else the income.
QList<Entry> recordOrder(const QList<Entry>& income, const QList<Entry>& expense) {
    QList<Entry> order;
    order.reserve(income.size() + expense.size());
    qsizetype i = 0;
    qsizetype e = 0;
    double before = kUnknown;
    while (i < income.size() || e < expense.size()) {
        bool takeIncome = e == expense.size();
        if (i < income.size() && e < expense.size()) {
            const Entry& a = income[i];
            const Entry& b = expense[e];
            const bool aFits = follows(before, a);
            const bool bFits = follows(before, b);
            const bool bAfterA = follows(a.balance.value_or(kUnknown), b);
            const bool aAfterB = follows(b.balance.value_or(kUnknown), a);
            if (aFits != bFits)
                takeIncome = aFits;
            else if (bAfterA != aAfterB)
                takeIncome = bAfterA;
            else if (a.date && b.date && *a.date != *b.date)
                takeIncome = *a.date < *b.date;
            else
                takeIncome = true;
        }
        const Entry& taken = takeIncome ? income[i++] : expense[e++];
        if (taken.balance)
            before = *taken.balance;
        else
            before = before + taken.change.value_or(kUnknown);
        order.append(taken);
    }
    return order;
}

// Texts that are all blank make no entry: every new account's lists hold one such row.
bool blankRow(const QList<QStringList>& columns, qsizetype row) {
    for (const QStringList& column : columns) {
        if (row < column.size() && std::any_of(column[row].cbegin(), column[row].cend(),
                                               [](QChar c) { return !c.isSpace(); }))
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

QList<BalancePoint> drawnPoints(const QList<BalancePoint>& balance) {
    if (balance.size() <= kMostDrawnPoints)
        return balance;
    constexpr qint64 parts = kMostDrawnPoints / 4;
    const qint64 first = balance.first().date.toJulianDay();
    const qint64 days = balance.last().date.toJulianDay() - first + 1;
    const auto partOf = [&](qsizetype i) {
        return (balance[i].date.toJulianDay() - first) * parts / days;
    };
    QList<BalancePoint> drawn;
    drawn.reserve(kMostDrawnPoints);
    for (qsizetype start = 0; start < balance.size();) {
        const qint64 part = partOf(start);
        qsizetype end = start;
        qsizetype lowest = start;
        qsizetype highest = start;
        for (; end < balance.size() && partOf(end) == part; ++end) {
            if (balance[end].balance < balance[lowest].balance)
                lowest = end;
            if (balance[end].balance > balance[highest].balance)
                highest = end;
        }
        std::array<qsizetype, 4> kept{start, lowest, highest, end - 1};
        std::sort(kept.begin(), kept.end());
        for (qsizetype k = 0; k < qsizetype(kept.size()); ++k) {
            if (k == 0 || kept[k] != kept[k - 1])
                drawn.append(balance[kept[k]]);
        }
        start = end;
    }
    return drawn;
}

QString entries(int count) {
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

} // namespace

std::optional<QDate> entryDate(const QString& text, const QLocale& locale, const QDate& today) {
    return DateReader(locale, today).read(text);
}

History history(const QList<QStringList>& income, const QList<QStringList>& expense,
                const std::optional<QString>& currentBalance, const QLocale& locale,
                const QDate& today, numbers::Form remembered) {
    History result;
    const DateReader dates(locale, today);
    // Books repeat their dates and amounts: each text is read once in each form.
    QHash<QString, std::optional<QDate>> readDates;
    QHash<QPair<QString, int>, std::optional<double>> readNumbers;
    const auto number = [&](const QString& text, numbers::Form form) {
        const QPair<QString, int> key(text, int(form));
        auto known = readNumbers.constFind(key);
        if (known == readNumbers.cend())
            known = readNumbers.insert(key, numbers::valueIn(text, form, locale));
        return *known;
    };
    const auto column = [](const QList<QStringList>& columns, Column which) {
        return which < columns.size() ? columns[which] : QStringList();
    };
    const numbers::AccountForm account{
        remembered, numbers::lastFormShown(column(income, Balance), column(income, Amount), locale),
        numbers::lastFormShown(column(expense, Balance), column(expense, Amount), locale)};
    const auto collect = [&](const QList<QStringList>& columns, bool isIncome) {
        QList<Entry> entries;
        const QList<numbers::Form> forms = numbers::rowForms(
            column(columns, Balance), column(columns, Amount), account.decided(), locale);
        const qsizetype rows = rowCount(columns);
        for (qsizetype row = 0; row < rows; ++row) {
            if (blankRow(columns, row))
                continue;
            Entry entry;
            entry.income = isIncome;
            const QString dateText = field(columns, Date, row);
            auto knownDate = readDates.constFind(dateText);
            if (knownDate == readDates.cend())
                knownDate = readDates.insert(dateText, dates.read(dateText));
            entry.date = *knownDate;
            const numbers::Form form = forms.value(row);
            if (const auto amount = number(field(columns, Amount, row), form))
                entry.change = isIncome ? *amount : -*amount;
            entry.balance = number(field(columns, Balance, row), form);
            entries.append(entry);
        }
        return entries;
    };
    const QList<Entry> entries = recordOrder(collect(income, true), collect(expense, false));

    // The bars: every entry with a date and an amount, in its month.
    QList<const Entry*> dated;
    for (const Entry& entry : entries) {
        if (!entry.date)
            ++result.withoutDate;
        else if (!entry.change)
            ++result.withoutAmount;
        else
            dated.append(&entry);
    }
    std::stable_sort(dated.begin(), dated.end(),
                     [](const Entry* a, const Entry* b) { return *a->date < *b->date; });

    // The line: what the lists recorded, day by day. An entry that is gone or unread
    // changes no point but its own day's.
    QMap<QDate, double> days;
    std::optional<QDate> latest;
    std::optional<double> lastRecorded;
    for (const Entry& entry : entries) {
        if (entry.balance)
            lastRecorded = entry.balance;
        if (!entry.date)
            continue;
        if (latest && *entry.date < *latest)
            ++result.outOfOrder;
        if (!latest || *entry.date > *latest)
            latest = entry.date;
        if (entry.balance)
            days.insert(*entry.date, *entry.balance);
        else
            ++result.withoutBalance;
    }
    if (!days.isEmpty()) {
        const Entry& first = entries.first();
        if (first.balance && first.change)
            result.balance.append({days.firstKey().addDays(-1), *first.balance - *first.change});
        for (auto day = days.cbegin(); day != days.cend(); ++day)
            result.balance.append({day.key(), day.value()});
    }
    result.drawnBalance = drawnPoints(result.balance);

    std::optional<double> current;
    if (currentBalance) {
        const numbers::BalanceReading reading =
            numbers::readBalance(*currentBalance, account, locale);
        if (reading.kind == numbers::BalanceReading::Number ||
            reading.kind == numbers::BalanceReading::Empty)
            current = reading.value;
    }
    result.balanceUnknown = !current;
    if (current && lastRecorded && !days.isEmpty() && !sameBalance(*current, *lastRecorded)) {
        const QDate last = days.lastKey();
        result.today = BalancePoint{today > last ? today : last.addDays(1), *current};
        result.lastRecorded = *lastRecorded;
    }

    if (dated.isEmpty())
        return result;
    result.firstDay = *dated.first()->date;
    result.lastDay = *dated.last()->date;
    // Months are counted from the start of year 0, so that bars of ten or a hundred years
    // begin with a round year.
    const auto monthNumber = [](const QDate& date) { return date.year() * 12 + date.month() - 1; };
    const int firstMonth = monthNumber(result.firstDay);
    const int lastMonth = monthNumber(result.lastDay);
    int start = firstMonth;
    for (result.barMonths = 1;; result.barMonths *= result.barMonths == 1 ? 12 : 10) {
        start = firstMonth - firstMonth % result.barMonths;
        if ((lastMonth - start) / result.barMonths < kMostBars)
            break;
    }
    const int bars = (lastMonth - start) / result.barMonths + 1;
    result.bars.reserve(bars);
    for (int bar = 0; bar < bars; ++bar) {
        const int month = start + bar * result.barMonths;
        result.bars.append({QDate(month / 12, month % 12 + 1, 1), 0, 0});
    }
    for (const Entry* entry : std::as_const(dated)) {
        BarTotals& bar = result.bars[(monthNumber(*entry->date) - start) / result.barMonths];
        if (entry->income)
            bar.income += *entry->change;
        else
            bar.expense -= *entry->change;
    }
    return result;
}

QList<QStringList> exportColumns(const QList<QStringList>& columns, numbers::Form account,
                                 const QLocale& locale, const QDate& today) {
    QList<QStringList> exported = columns;
    const auto column = [&](Column which) {
        return which < columns.size() ? columns[which] : QStringList();
    };
    const QList<numbers::Form> forms =
        numbers::rowForms(column(Balance), column(Amount), account, locale);
    const DateReader dates(locale, today);
    if (Date < exported.size()) {
        for (QString& text : exported[Date]) {
            if (const auto date = dates.read(text))
                text = date->toString(Qt::ISODate);
        }
    }
    for (const Column which : {Amount, Balance}) {
        if (which >= exported.size())
            continue;
        QStringList& texts = exported[which];
        for (qsizetype row = 0; row < texts.size(); ++row) {
            if (const auto value = numbers::valueIn(texts[row], forms.value(row), locale))
                texts[row] = numberToText(*value, locale);
        }
    }
    return exported;
}

namespace {

// The time of one bar pair in words, after "per": "month", "year", "100 years".
QString barTime(const History& history) {
    if (history.barMonths == 1)
        return QStringLiteral("month");
    if (history.barMonths == 12)
        return QStringLiteral("year");
    return QStringLiteral("%1 years").arg(history.barMonths / 12);
}

} // namespace

QString noteText(const History& history) {
    QStringList lines;
    const auto are = [](int count) {
        return count == 1 ? QStringLiteral("is") : QStringLiteral("are");
    };
    if (history.empty() && history.withoutDate == 0 && history.withoutAmount == 0 &&
        history.withoutBalance == 0)
        lines << QStringLiteral("There are no entries to show.");
    if (history.withoutDate > 0)
        lines << QStringLiteral("%1 without a readable date %2 not shown")
                     .arg(entries(history.withoutDate), are(history.withoutDate));
    if (history.withoutAmount > 0)
        lines << QStringLiteral("%1 without a readable amount %2 not counted in the bars")
                     .arg(entries(history.withoutAmount), are(history.withoutAmount));
    if (history.withoutBalance > 0)
        lines << QCoreApplication::translate("LedgerHistory",
                                             "%1 without a readable balance %2 not on "
                                             "the balance line")
                     .arg(entries(history.withoutBalance), are(history.withoutBalance));
    if (history.outOfOrder > 0)
        lines << QCoreApplication::translate("LedgerHistory",
                                             "%1 %2 out of date order: the line shows the "
                                             "balances as they were recorded.")
                     .arg(entries(history.outOfOrder), are(history.outOfOrder));
    if (history.balanceUnknown && !history.balance.isEmpty())
        lines << QCoreApplication::translate("LedgerHistory",
                                             "The balance file could not be read as a "
                                             "number: today's balance is not shown.");
    if (history.barMonths > 1 && !history.bars.isEmpty()) {
        const int years = history.lastDay.year() - history.firstDay.year() + 1;
        lines << QStringLiteral("The entries span %1 years: income and expense are shown per %2.")
                     .arg(years)
                     .arg(barTime(history));
    }
    return lines.join(QLatin1Char('\n'));
}

QString todayNote(const History& history, const QLocale& locale) {
    if (!history.today)
        return {};
    return QCoreApplication::translate("LedgerHistory",
                                       "The last point is today's balance, %1; the last entry "
                                       "recorded left %2 (entries were removed, or the "
                                       "balance was changed).")
        .arg(figureText(history.today->balance, locale), figureText(history.lastRecorded, locale));
}

QString barsTitle(const History& history) {
    QString time = barTime(history);
    time[0] = time[0].toUpper();
    if (history.barMonths > 12)
        time.replace(QStringLiteral("years"), QStringLiteral("Years"));
    return QStringLiteral("Income and Expense per %1").arg(time);
}

QString figureText(double value, const QLocale& locale) {
    return locale.toString(value, 'f', 2);
}

QString barName(const History& history, const BarTotals& bar, const QLocale& locale) {
    if (history.barMonths == 1)
        return locale.toString(bar.start, QStringLiteral("MMM yyyy"));
    const int first = bar.start.year();
    if (history.barMonths == 12)
        return QString::number(first);
    return QStringLiteral("%1\u2013%2").arg(first).arg(first + history.barMonths / 12 - 1);
}

QString balanceDescription(const History& history, const QLocale& locale) {
    if (history.balance.isEmpty())
        return QStringLiteral("No balance to show.");
    QList<BalancePoint> line = history.balance;
    if (history.today)
        line.append(*history.today);
    const auto [lowest, highest] = std::minmax_element(
        line.cbegin(), line.cend(),
        [](const BalancePoint& a, const BalancePoint& b) { return a.balance < b.balance; });
    QString text =
        QStringLiteral("Balance from %1 to %2: %3 on the first day, %4 on the last, "
                       "lowest %5, highest %6.")
            .arg(dateText(line.first().date, locale), dateText(line.last().date, locale),
                 figureText(line.first().balance, locale), figureText(line.last().balance, locale),
                 figureText(lowest->balance, locale), figureText(highest->balance, locale));
    if (history.today)
        text += QLatin1Char(' ') + todayNote(history, locale);
    return text;
}

QString barsDescription(const History& history, const QLocale& locale) {
    if (history.bars.isEmpty())
        return QStringLiteral("No months to show.");
    QStringList bars;
    bars.reserve(history.bars.size());
    for (const BarTotals& bar : history.bars)
        bars << QStringLiteral("%1: income %2, expense %3.")
                    .arg(barName(history, bar, locale), figureText(bar.income, locale),
                         figureText(bar.expense, locale));
    return bars.join(QLatin1Char(' '));
}

} // namespace kesterly::ledger
