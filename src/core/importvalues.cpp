#include "core/importfile.h"

#include "core/numbertext.h"

#include <QSet>
#include <array>
#include <cmath>

// How the import reads a date or an amount in the many forms other programs write them,
// and how it guesses the order and the separator from a whole column.
namespace kesterly::entryimport {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x00A0) ||
           c == QChar(0x2009) || c == QChar(0x202F);
}

// Whether the digits before the decimal separator are grouped by `separator` in threes.
bool groupedInThrees(QStringView whole, QChar separator) {
    if (!whole.contains(separator))
        return true;
    const QList<QStringView> groups = whole.split(separator);
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const qsizetype size = groups[i].size();
        if (i == 0 ? (size < 1 || size > 3) : size != 3)
            return false;
    }
    return true;
}

// --- dates ------------------------------------------------------------------------------

// The three digit groups of a date ("03.11.2026", "11/ 3'26", "2026-11-03 10:15"), or none.
std::optional<std::array<QString, 3>> dateParts(const QString& text) {
    QString t = text.trimmed();
    // A time after the date is left aside: "2026-11-03 10:15:00", "2026-11-03T10:15".
    if (const qsizetype colon = t.indexOf(QLatin1Char(':')); colon >= 0) {
        qsizetype cut = colon;
        while (cut > 0 && isDigit(t[cut - 1]))
            --cut;
        t.truncate(cut);
        if (t.endsWith(QLatin1Char('T')))
            t.chop(1);
    }
    std::array<QString, 3> parts;
    int part = 0;
    bool inDigits = false;
    for (const QChar c : std::as_const(t)) {
        if (isDigit(c)) {
            if (!inDigits && !parts[part].isEmpty()) {
                if (++part > 2)
                    return std::nullopt;
            }
            parts[part] += c;
            inDigits = true;
        } else if (c == QLatin1Char('.') || c == QLatin1Char('/') || c == QLatin1Char('-') ||
                   c == QLatin1Char('\'')) {
            if (parts[part].isEmpty())
                return std::nullopt;
            inDigits = false;
            if (++part > 2)
                part = 3;
            if (part == 3)
                return std::nullopt;
        } else if (isBlank(c)) {
            // QIF pads day and month with blanks ("11/ 3'26"); blanks only after a
            // separator, or at the end.
            if (inDigits)
                inDigits = false;
        } else {
            return std::nullopt;
        }
    }
    // "20261103": year, month and day without separators.
    if (part == 0 && parts[0].size() == 8)
        return std::array<QString, 3>{parts[0].left(4), parts[0].mid(4, 2), parts[0].right(2)};
    if (parts[2].isEmpty())
        return std::nullopt;
    for (const QString& p : parts) {
        if (p.size() > 4)
            return std::nullopt;
    }
    return parts;
}

std::optional<QDate> dateFromParts(const std::array<QString, 3>& parts, DateOrder order,
                                   const QDate& today) {
    QString year, month, day;
    if (parts[0].size() >= 3) {
        year = parts[0];
        month = parts[1];
        day = parts[2];
    } else {
        switch (order) {
        case DateOrder::DayMonthYear:
            day = parts[0], month = parts[1], year = parts[2];
            break;
        case DateOrder::MonthDayYear:
            month = parts[0], day = parts[1], year = parts[2];
            break;
        case DateOrder::YearMonthDay:
            year = parts[0], month = parts[1], day = parts[2];
            break;
        }
    }
    if (day.size() > 2 || month.size() > 2 || year.size() == 3)
        return std::nullopt;
    int y = year.toInt();
    if (year.size() <= 2) {
        const int first = today.year() - 80;
        y = first + ((y - first) % 100 + 100) % 100;
    }
    const QDate date(y, month.toInt(), day.toInt());
    if (!date.isValid() || y < 1000)
        return std::nullopt;
    return date;
}

DateOrder localeOrder(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(QLatin1Char('d'));
    const qsizetype m = format.indexOf(QLatin1Char('M'));
    const qsizetype y = format.indexOf(QLatin1Char('y'));
    if (y >= 0 && y < d && y < m)
        return DateOrder::YearMonthDay;
    if (m >= 0 && d >= 0 && m < d)
        return DateOrder::MonthDayYear;
    return DateOrder::DayMonthYear;
}

} // namespace

// --- numbers ----------------------------------------------------------------------------

QString numberBody(const QString& text, bool* negative) {
    QString t;
    t.reserve(text.size());
    for (const QChar c : text) {
        if (!isBlank(c))
            t += c;
    }
    bool minus = false;
    for (bool changed = true; changed && !t.isEmpty();) {
        changed = false;
        const QChar first = t.front();
        const QChar last = t.back();
        if (first == QLatin1Char('(') && last == QLatin1Char(')') && t.size() >= 2) {
            minus = !minus;
            t = t.sliced(1, t.size() - 2);
            changed = true;
        } else if (first == QLatin1Char('-') || first == QChar(0x2212)) {
            minus = !minus;
            t.remove(0, 1);
            changed = true;
        } else if (first == QLatin1Char('+')) {
            t.remove(0, 1);
            changed = true;
        } else if (last == QLatin1Char('-') || last == QChar(0x2212)) {
            minus = !minus;
            t.chop(1);
            changed = true;
        } else if (last == QLatin1Char('+')) {
            t.chop(1);
            changed = true;
        } else if (first.category() == QChar::Symbol_Currency) {
            t.remove(0, 1);
            changed = true;
        } else if (last.category() == QChar::Symbol_Currency) {
            t.chop(1);
            changed = true;
        } else if (first.isLetter() || last.isLetter()) {
            // A currency's code ("EUR 12,50", "12.50 USD", "kr"), never a longer word.
            qsizetype lead = 0, trail = 0;
            while (lead < t.size() && t[lead].isLetter())
                ++lead;
            while (trail < t.size() - lead && t[t.size() - 1 - trail].isLetter())
                ++trail;
            if (lead > 3 || trail > 3 || lead + trail >= t.size())
                break;
            t = t.sliced(lead, t.size() - lead - trail);
            changed = true;
        }
    }
    if (negative)
        *negative = minus;
    return t;
}

QString dateOrderName(DateOrder order) {
    switch (order) {
    case DateOrder::DayMonthYear:
        return QStringLiteral("day-month-year");
    case DateOrder::MonthDayYear:
        return QStringLiteral("month-day-year");
    case DateOrder::YearMonthDay:
        return QStringLiteral("year-month-day");
    }
    return {};
}

std::optional<double> readAmount(const QString& text, QChar decimal) {
    bool negative = false;
    const QString body = numberBody(text, &negative);
    if (body.isEmpty())
        return std::nullopt;
    const QChar thousands = decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    const qsizetype point = body.indexOf(decimal);
    if (point >= 0 && body.indexOf(decimal, point + 1) >= 0)
        return std::nullopt;
    const QStringView whole = point >= 0 ? QStringView(body).left(point) : QStringView(body);
    const QStringView fraction = point >= 0 ? QStringView(body).sliced(point + 1) : QStringView();
    QString number;
    number.reserve(body.size() + 1);
    if (negative)
        number += QLatin1Char('-');
    // Thousands are grouped by the other separator or by apostrophes, in threes.
    QChar grouping;
    for (const QChar c : whole) {
        if (isDigit(c)) {
            number += c;
        } else if (c == thousands || c == QLatin1Char('\'')) {
            if (!grouping.isNull() && grouping != c)
                return std::nullopt;
            grouping = c;
        } else {
            return std::nullopt;
        }
    }
    if (!grouping.isNull() && !groupedInThrees(whole, grouping))
        return std::nullopt;
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (point >= 0) {
        number += QLatin1Char('.');
        for (const QChar c : fraction) {
            if (!isDigit(c))
                return std::nullopt;
            number += c;
        }
    }
    if (number == QLatin1String("-") || number == QLatin1String(".") ||
        number == QLatin1String("-."))
        return std::nullopt;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString amountText(const QString& fileText, double value, const QLocale& locale) {
    // Only a text the current settings' form reads as this value is kept: one that reads
    // in the other form alone ("1.234,56" under English settings) would be a list of mixed
    // forms, so it is written anew.
    const auto readsAsValue = [&](const QString& text) {
        const NumberReadings readings = numberReadings(text, locale);
        return readings.current && *readings.current == value;
    };
    const QString typed = fileText.trimmed();
    if (readsAsValue(typed))
        return typed;
    const QString body = numberBody(typed, nullptr);
    if (readsAsValue(body))
        return body;
    return numberToText(value, locale);
}

std::optional<QDate> readDate(const QString& text, DateOrder order, const QDate& today) {
    const auto parts = dateParts(text);
    if (!parts)
        return std::nullopt;
    return dateFromParts(*parts, order, today);
}

DateOrder guessDateOrder(const QStringList& texts, const QLocale& locale, bool qif) {
    const std::array<DateOrder, 3> orders = {DateOrder::DayMonthYear, DateOrder::MonthDayYear,
                                             DateOrder::YearMonthDay};
    std::array<int, 3> read{};
    bool dots = false, slashes = false;
    int parsed = 0, yearFirst = 0;
    // Each distinct text once; a day over 12 decides between day and month first.
    QSet<QString> seen;
    for (const QString& text : texts) {
        if (seen.contains(text))
            continue;
        seen.insert(text);
        dots = dots || text.contains(QLatin1Char('.'));
        slashes = slashes || text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\''));
        const auto parts = dateParts(text);
        if (!parts)
            continue;
        ++parsed;
        yearFirst += (*parts)[0].size() == 4;
        for (std::size_t i = 0; i < orders.size(); ++i)
            read[i] += bool(dateFromParts(*parts, orders[i], QDate(2026, 1, 1)));
    }
    // The order that the other texts follow when they leave it open: German dates have
    // dots, QIF's are American, other files follow the user's settings.
    // Dates that all start with a four-digit year read alike in every order.
    if (parsed > 0 && yearFirst == parsed)
        return DateOrder::YearMonthDay;
    DateOrder fallback = localeOrder(locale);
    if (dots)
        fallback = DateOrder::DayMonthYear;
    else if (qif && slashes)
        fallback = DateOrder::MonthDayYear;
    const int most = *std::max_element(read.cbegin(), read.cend());
    if (read[std::size_t(fallback)] == most)
        return fallback;
    for (std::size_t i = 0; i < orders.size(); ++i) {
        if (read[i] == most)
            return orders[i];
    }
    return fallback;
}

QChar guessDecimal(const QStringList& texts, const QLocale& locale) {
    int point = 0, comma = 0;
    for (const QString& text : texts) {
        const QString body = numberBody(text, nullptr);
        const qsizetype dot = body.lastIndexOf(QLatin1Char('.'));
        const qsizetype com = body.lastIndexOf(QLatin1Char(','));
        if (dot >= 0 && com >= 0) {
            (dot > com ? point : comma) += 1;
            continue;
        }
        const QChar separator = dot >= 0 ? QLatin1Char('.') : QLatin1Char(',');
        const qsizetype at = std::max(dot, com);
        if (at < 0)
            continue;
        if (body.count(separator) > 1) {
            // Several: they group thousands, so the other one is the decimal separator.
            (separator == QLatin1Char('.') ? comma : point) += 1;
            continue;
        }
        if (body.size() - at - 1 != 3)
            (separator == QLatin1Char('.') ? point : comma) += 1;
    }
    if (point != comma)
        return point > comma ? QLatin1Char('.') : QLatin1Char(',');
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(',') : QLatin1Char('.');
}

} // namespace kesterly::entryimport
