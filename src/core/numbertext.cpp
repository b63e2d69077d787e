#include "core/numbertext.h"

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

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSign(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

QStringView withoutBlanksAround(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// How many digits the locale puts in each group of a whole number: the last group, just
// before the decimal separator, and every group before it (3 and 3 for most locales;
// 3 and 2 for Indian English, which writes 12,34,567). Taken from a number the locale
// writes, as Qt does not tell them otherwise.
struct GroupSizes {
    qsizetype last = 3;
    qsizetype others = 3;
};

GroupSizes groupSizes(const QLocale& locale) {
    QLocale grouping = locale;
    grouping.setNumberOptions(QLocale::DefaultNumberOptions);
    const QString written = grouping.toString(Q_INT64_C(1234567890123456));
    const QList<QStringView> groups = QStringView(written).split(locale.groupSeparator());
    GroupSizes sizes;
    if (groups.size() >= 2 && !groups.last().isEmpty())
        sizes.last = groups.last().size();
    sizes.others = groups.size() >= 3 && !groups[groups.size() - 2].isEmpty()
                       ? groups[groups.size() - 2].size()
                       : sizes.last;
    return sizes;
}

// Reads the whole text (blanks around it already cut) as one number with the given
// decimal separator and, where `group` is not empty, the locale's thousands separators
// where the locale puts them: between groups of digits of the whole part, the first
// group not starting with 0 (the point of "0.250" is a decimal point), and never in a
// number with an exponent (English settings write 1.234E+20, no German 1234E+20). Gives the
// number as a C-locale text for strtod, or nothing when the text is not such a number.
// Each character is looked at once and nothing after it is copied: a damaged file can
// hold megabytes on one line.
std::optional<QByteArray> wellFormed(QStringView text, QStringView decimal, QStringView group,
                                     const QLocale* grouping) {
    const qsizetype end = text.size();
    qsizetype i = 0;
    QByteArray ascii;
    if (i < end && isSign(text[i]))
        ascii += text[i++].toLatin1();

    const qsizetype wholeStart = i;
    qsizetype groupStart = i;
    qsizetype separators = 0;
    std::optional<GroupSizes> sizes;
    bool digits = false;
    while (i < end) {
        if (isDigit(text[i])) {
            ascii += text[i++].toLatin1();
            digits = true;
        } else if (!group.isEmpty() && text.sliced(i).startsWith(group)) {
            if (!sizes)
                sizes = grouping ? groupSizes(*grouping) : GroupSizes{};
            const qsizetype groupDigits = i - groupStart;
            const bool fits = separators == 0 ? groupDigits >= 1 && groupDigits <= sizes->others &&
                                                    text[wholeStart] != QLatin1Char('0')
                                              : groupDigits == sizes->others;
            if (!fits)
                return std::nullopt;
            ++separators;
            i += group.size();
            groupStart = i;
        } else {
            break;
        }
    }
    if (separators > 0 && i - groupStart != sizes->last)
        return std::nullopt;

    if (i < end && text.sliced(i).startsWith(decimal)) {
        ascii += '.';
        i += decimal.size();
        while (i < end && isDigit(text[i])) {
            ascii += text[i++].toLatin1();
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;

    if (i < end && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        if (separators > 0)
            return std::nullopt;
        ascii += 'E';
        ++i;
        if (i < end && isSign(text[i]))
            ascii += text[i++].toLatin1();
        const qsizetype exponentStart = i;
        while (i < end && isDigit(text[i]))
            ascii += text[i++].toLatin1();
        if (i == exponentStart)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return ascii;
}

// The other form of writing numbers: a decimal comma with points between thousands where
// the locale writes a decimal point, and a decimal point with commas between thousands
// where it writes a decimal comma (or any other separator).
struct OtherForm {
    QString decimal;
    QString group;
};

OtherForm otherForm(const QLocale& locale) {
    if (locale.decimalPoint() == QLatin1String(","))
        return {QStringLiteral("."), QStringLiteral(",")};
    return {QStringLiteral(","), QStringLiteral(".")};
}

// The value of the whole text, blanks around it aside, in the locale's form and in the
// other form. A number beyond the range of a double is an infinity.
struct Values {
    std::optional<double> current;
    std::optional<double> other;
};

Values valuesOf(QStringView text, const QLocale& locale) {
    const QStringView number = withoutBlanksAround(text);
    Values values;
    if (const auto ascii = wellFormed(number, locale.decimalPoint(), locale.groupSeparator(),
                                      &locale))
        values.current = parseCNumber(*ascii);
    const OtherForm other = otherForm(locale);
    if (const auto ascii = wellFormed(number, other.decimal, other.group, nullptr))
        values.other = parseCNumber(*ascii);
    return values;
}

// The value of a text that as a whole is a number: as the locale writes it, or else as
// the other form writes it.
std::optional<double> wholeNumber(QStringView text, const QLocale& locale) {
    const Values values = valuesOf(text, locale);
    return values.current ? values.current : values.other;
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

NumberReadings numberReadings(const QString& text, const QLocale& locale) {
    const Values values = valuesOf(text, locale);
    const auto finite = [](std::optional<double> value) {
        return value && std::isfinite(*value) ? std::optional<double>(*value + 0.0)
                                              : std::nullopt;
    };
    return {finite(values.current), finite(values.other)};
}

std::optional<double> anyNumber(const QString& text, const QLocale& locale) {
    const std::optional<double> value = wholeNumber(text, locale);
    return value ? std::optional<double>(*value + 0.0) : std::nullopt;
}

std::optional<double> strictNumber(const QString& text, const QLocale& locale) {
    const std::optional<double> value = wholeNumber(text, locale);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

double leadingNumber(const QString& text, const QLocale& locale) {
    // A text that as a whole is a number is read as strict reading reads it, so a
    // balance means the same here as when the form read it from the file: German
    // "1.500" is 1500 in both. Number-to-text writes no thousands separators, so what it
    // writes reads back with its value under the locale it wrote under, and an English
    // text ("700.5", "1.5E+20") under German settings too, unless it is a German number
    // as it stands: one to three digits, a point and exactly three more ("1.234"), which
    // German settings read as thousands in both readings. Under German settings the
    // balance never holds such a text: the form reads the file by strict reading first
    // and shows the German text of its value.
    // A text with more after the number is read up to where the number stops. There a
    // point is taken for a decimal point, as whether it groups thousands cannot be told
    // from part of a text ("1.500 EUR" is 1.5), and the locale's decimal separator is
    // one too, so a balance written under comma settings keeps its fraction.
    if (const std::optional<double> whole = wholeNumber(text, locale))
        return *whole + 0.0; // + 0.0 turns a read "-0" into 0

    const QString decimal = locale.decimalPoint();
    const QStringView view(text);
    qsizetype i = 0;
    const qsizetype end = view.size();
    auto skipBlanks = [&] {
        while (i < end && (isBlank(view[i]) || view[i] == QLatin1Char('\n')))
            ++i;
    };
    auto atDigit = [&] { return i < end && isDigit(view[i]); };

    QByteArray ascii;
    skipBlanks();
    if (i < end && isSign(view[i]))
        ascii += view[i++].toLatin1();

    bool digits = false;
    bool fraction = false;
    for (;;) {
        skipBlanks();
        if (atDigit()) {
            ascii += view[i++].toLatin1();
            digits = true;
        } else if (!fraction && i < end && view[i] == QLatin1Char('.')) {
            ascii += '.';
            fraction = true;
            ++i;
        } else if (!fraction && i < end && view.sliced(i).startsWith(decimal)) {
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
    if (i < end && QStringView(u"EeDd").contains(view[i])) {
        QByteArray exponent = "E";
        ++i;
        skipBlanks();
        if (i < end && isSign(view[i]))
            exponent += view[i++].toLatin1();
        bool exponentDigits = false;
        for (;;) {
            skipBlanks();
            if (!atDigit())
                break;
            exponent += view[i++].toLatin1();
            exponentDigits = true;
        }
        if (exponentDigits)
            ascii += exponent;
    }
    return parseCNumber(ascii) + 0.0;
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
