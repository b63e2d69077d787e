#include "core/ledgerhistory.h"

#include "core/clock.h"
#include "core/numbertext.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

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

struct Dated {
    QDate date;
    double amount; // income positive, expense negative
    bool income;
};

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
                const QDate& today) {
    History result;
    QList<Dated> dated;
    const DateReader dates(locale, today);
    // Books repeat their dates and amounts: each text is read once.
    QHash<QString, std::optional<QDate>> readDates;
    QHash<QString, std::optional<double>> readAmounts;
    const auto collect = [&](const QList<QStringList>& columns, bool isIncome) {
        const qsizetype rows = rowCount(columns);
        for (qsizetype row = 0; row < rows; ++row) {
            if (blankRow(columns, row))
                continue;
            const QString dateText = field(columns, Date, row);
            auto knownDate = readDates.constFind(dateText);
            if (knownDate == readDates.cend())
                knownDate = readDates.insert(dateText, dates.read(dateText));
            const std::optional<QDate> date = *knownDate;
            if (!date) {
                ++result.withoutDate;
                continue;
            }
            const QString amountText = field(columns, Amount, row);
            auto knownAmount = readAmounts.constFind(amountText);
            if (knownAmount == readAmounts.cend())
                knownAmount = readAmounts.insert(amountText, strictNumber(amountText, locale));
            const std::optional<double> amount = *knownAmount;
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
    result.drawnBalance = drawnPoints(result.balance);

    // Months are counted from the start of year 0, so that bars of ten or a hundred years
    // begin with a round year.
    const auto monthNumber = [](const QDate& date) { return date.year() * 12 + date.month() - 1; };
    const int firstMonth = monthNumber(dated.first().date);
    const int lastMonth = monthNumber(dated.last().date);
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
    for (const Dated& entry : std::as_const(dated)) {
        BarTotals& bar = result.bars[(monthNumber(entry.date) - start) / result.barMonths];
        if (entry.income)
            bar.income += entry.amount;
        else
            bar.expense -= entry.amount;
    }
    return result;
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
    if (history.barMonths > 1 && !history.empty()) {
        const int years =
            history.balance.last().date.year() - history.balance.first().date.year() + 1;
        lines << QStringLiteral("The entries span %1 years: income and expense are shown per %2.")
                     .arg(years)
                     .arg(barTime(history));
    }
    return lines.join(QLatin1Char('\n'));
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
