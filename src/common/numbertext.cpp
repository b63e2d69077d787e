#include "common/numbertext.h"

#include <charconv>
#include <cmath>
#include <locale.h>
#include <stdlib.h>

namespace kesterly {

namespace {

std::optional<QLocale>& pinnedLocale() {
    static std::optional<QLocale> locale;
    return locale;
}

// strtod follows LC_NUMERIC, which QApplication sets from the environment; the texts
// built here always use "." so they are read in the C locale.
double parseCNumber(const QByteArray& ascii) {
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    return strtod_l(ascii.constData(), nullptr, cLocale);
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QLocale userLocale() {
    if (pinnedLocale())
        return *pinnedLocale();
    return userLocaleFor(QLocale::system());
}

QLocale userLocaleFor(const QLocale& system) {
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

ScopedUserLocale::ScopedUserLocale(const QLocale& locale) : previous_(pinnedLocale()) {
    pinnedLocale() = locale;
}

ScopedUserLocale::~ScopedUserLocale() {
    pinnedLocale() = previous_;
}

std::optional<double> strictNumber(const QString& text, const QLocale& locale) {
    // Separators are compared in place: a damaged file can hold megabytes on one line,
    // and a copy of the rest of the text at each separator took minutes.
    const QStringView view(text);
    const QString decimal = locale.decimalPoint();
    // Numbers this program wrote under another locale, and its own initial texts, use a
    // "." for the decimal point; where the locale's own decimal separator is missing
    // from the text, a "." is read as one, so "700.5" keeps its value everywhere.
    const bool dotIsDecimal = decimal != QLatin1String(".") && !text.contains(decimal);
    const QString group = dotIsDecimal && locale.groupSeparator() == QLatin1String(".")
                              ? QString()
                              : locale.groupSeparator();
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;

    QByteArray ascii;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ascii += text[i++].toLatin1();

    bool digits = false;
    bool fraction = false;
    while (i < end) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            ascii += c.toLatin1();
            digits = true;
            ++i;
        } else if (!fraction && view.sliced(i).startsWith(decimal)) {
            ascii += '.';
            fraction = true;
            i += decimal.size();
        } else if (!fraction && dotIsDecimal && c == QLatin1Char('.')) {
            ascii += '.';
            fraction = true;
            ++i;
        } else if (!fraction && digits && !group.isEmpty() && view.sliced(i).startsWith(group)) {
            // A thousands separator stands between digits of the whole part.
            i += group.size();
            if (i >= end || !text[i].isDigit())
                return std::nullopt;
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;

    if (i < end && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        ascii += 'E';
        ++i;
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ascii += text[i++].toLatin1();
        bool exponentDigits = false;
        while (i < end && text[i].isDigit() && text[i].unicode() < 128) {
            ascii += text[i++].toLatin1();
            exponentDigits = true;
        }
        if (!exponentDigits)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    const double value = parseCNumber(ascii);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

double leadingNumber(const QString& text, const QLocale& locale) {
    const QString decimal = locale.decimalPoint();
    qsizetype i = 0;
    const qsizetype end = text.size();
    auto skipBlanks = [&] {
        while (i < end && (isBlank(text[i]) || text[i] == QLatin1Char('\n')))
            ++i;
    };
    auto atDigit = [&] { return i < end && text[i].unicode() < 128 && text[i].isDigit(); };

    QByteArray ascii;
    skipBlanks();
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ascii += text[i++].toLatin1();

    bool digits = false;
    bool fraction = false;
    for (;;) {
        skipBlanks();
        if (atDigit()) {
            ascii += text[i++].toLatin1();
            digits = true;
        } else if (!fraction && i < end && text[i] == QLatin1Char('.')) {
            ascii += '.';
            fraction = true;
            ++i;
        } else if (!fraction && i < end && QStringView(text).sliced(i).startsWith(decimal)) {
            ascii += '.';
            fraction = true;
            i += decimal.size();
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;

    skipBlanks();
    if (i < end && QStringLiteral("EeDd").contains(text[i])) {
        QByteArray exponent = "E";
        ++i;
        skipBlanks();
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            exponent += text[i++].toLatin1();
        bool exponentDigits = false;
        for (;;) {
            skipBlanks();
            if (!atDigit())
                break;
            exponent += text[i++].toLatin1();
            exponentDigits = true;
        }
        if (exponentDigits)
            ascii += exponent;
    }
    return parseCNumber(ascii) + 0.0; // + 0.0 turns a read "-0" into 0
}

QString numberToText(double value, const QLocale& locale) {
    if (value == 0.0)
        return QStringLiteral("0");
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    // to_chars writes "1.5e+20"; the exponent letter is written upper-case, as the
    // readings expect it either way and it stands out from the digits.
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

std::optional<QString> finiteNumberText(double value, const QLocale& locale) {
    if (!std::isfinite(value))
        return std::nullopt;
    QString text = numberToText(value, locale);
    if (!strictNumber(text, locale))
        return std::nullopt;
    return text;
}

} // namespace kesterly
