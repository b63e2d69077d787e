#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// The three conversions between text and number that every amount, balance and
// interest figure goes through. They follow the user's regional settings.
namespace kesterly {

// The user's locale: the system's, where "C" or POSIX counts as United States English.
// A test (or a caller that must be independent of the machine) may pin it with
// ScopedUserLocale.
QLocale userLocale();
// The locale the program uses on a machine set to the given one.
QLocale userLocaleFor(const QLocale& system);

class ScopedUserLocale {
public:
    explicit ScopedUserLocale(const QLocale& locale);
    ~ScopedUserLocale();
    ScopedUserLocale(const ScopedUserLocale&) = delete;
    ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

private:
    std::optional<QLocale> previous_;
};

// Numbers are written in one of two forms: with a decimal point and commas between
// thousands (English settings: 1,234.5), or with a decimal comma and points between
// thousands (German settings: 1.234,5). The locale's own form is the current one; the
// other form is the one of the two that it is not (for a locale with another decimal
// separator, the decimal point's).
//
// The value of the whole text, blanks around it aside, in each form: optional sign,
// digits with the form's decimal separator, thousands separators where the form puts them
// (between groups of three digits, the locale's own groups for the current form; none in
// a number with an exponent), and an optional exponent (E, optional sign, digits). A
// reading is empty when the text is no such number, or when it lies beyond the range of a
// double. How an account's texts are read with these is in numberform.h.
struct NumberReadings {
    std::optional<double> current;
    std::optional<double> other;
    // The two forms read the text as two different numbers ("1.125" is 1.125 in English
    // and 1125 in German).
    bool differ() const { return current && other && *current != *other; }
};
NumberReadings numberReadings(const QString& text, const QLocale& locale = userLocale());

// The text as a number in the current form, or else in the other form: under German
// settings "1.500" is 1500 and "1.234,5" is 1234.5, while "700.5" and "1,234.5" are read
// as English settings write them rather than being no number at all; under English
// settings "2366,27" is 2366.27. Anything else, the empty text, and a number beyond the
// range of a double give no value.
std::optional<double> strictNumber(const QString& text, const QLocale& locale = userLocale());
// The same, where a number beyond the range of a double is an infinity.
std::optional<double> anyNumber(const QString& text, const QLocale& locale = userLocale());

// A text that as a whole is a number reads as strictNumber reads it. Any other text is
// read as far as it starts with a number: blanks, tabs and line feeds are skipped
// wherever they stand; then a sign, digits, one decimal point and an exponent (E or D).
// The decimal point is "." or the locale's own separator, so a balance written under
// either English or comma settings reads back with its fraction. No digit gives 0; a
// number too large for a double gives an infinity, which callers treat as out of range.
double leadingNumber(const QString& text, const QLocale& locale = userLocale());

// At most 15 significant digits, no trailing zeros, no thousands separators, the
// locale's decimal separator, "0" before it below 1, exponent form ("1.5E+20") for very
// large and very small magnitudes.
QString numberToText(double value, const QLocale& locale = userLocale());

// The number-to-text of a figure that is to be shown or stored and read again, when that
// text reads back as a finite number. Rounding to 15 digits carries the doubles nearest
// the top of the range past it (1.7976931348623157E308 is written 1.79769313486232E+308,
// which reads back as an infinity), and a figure stored so could never be read again;
// those, infinities and NaN give no text.
std::optional<QString> finiteNumberText(double value, const QLocale& locale = userLocale());

} // namespace kesterly
