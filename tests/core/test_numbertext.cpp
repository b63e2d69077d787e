#include "core/numbertext.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace kesterly;

namespace {
const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);
// Groups the last three digits, then pairs: "12,34,567".
const QLocale kIndia(QLocale::English, QLocale::India);
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
} // namespace

class NumberTextTest : public QObject {
    Q_OBJECT
private slots:
    void strictReading_data();
    void strictReading();
    void leadingReading_data();
    void leadingReading();
    void writtenNumbersReadBack_data();
    void writtenNumbersReadBack();
    void longLineOfSeparators_data();
    void longLineOfSeparators();
    void numberToText_data();
    void numberToText();
    void finiteNumberText_data();
    void finiteNumberText();
    void userLocaleTreatsCAsUnitedStates();
    void entryFormExamples_data();
    void entryFormExamples();
    void interestExamples_data();
    void interestExamples();
};

// kNone marks a text that is not a number.
void NumberTextTest::strictReading_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain") << kUs << "500" << 500.0;
    QTest::newRow("decimals kept exact") << kUs << "500.00" << 500.0;
    QTest::newRow("leading zeros") << kUs << "007" << 7.0;
    QTest::newRow("blanks and thousands") << kUs << " 1,234.5 " << 1234.5;
    QTest::newRow("tabs around") << kUs << "\t12\t" << 12.0;
    QTest::newRow("exponent") << kUs << "1.5E3" << 1500.0;
    QTest::newRow("lower-case exponent") << kUs << "2e-2" << 0.02;
    QTest::newRow("signs") << kUs << "-3.25" << -3.25;
    QTest::newRow("plus sign") << kUs << "+4" << 4.0;
    QTest::newRow("fraction only") << kUs << ".5" << 0.5;
    QTest::newRow("letters") << kUs << "abc" << kNone;
    QTest::newRow("empty") << kUs << "" << kNone;
    QTest::newRow("blanks only") << kUs << "   " << kNone;
    QTest::newRow("trailing letters") << kUs << "12abc" << kNone;
    QTest::newRow("leading blanks, trailing x") << kUs << "  -3.5e2x" << kNone;
    QTest::newRow("D exponent") << kUs << "1D2" << kNone;
    QTest::newRow("exponent without digits") << kUs << "1E" << kNone;
    QTest::newRow("two decimal points") << kUs << "1.2.3" << kNone;
    QTest::newRow("sign alone") << kUs << "-" << kNone;
    QTest::newRow("overflow") << kUs << "1E400" << kNone;
    QTest::newRow("blank inside") << kUs << "1 000" << kNone;
    // No number of English settings, but one of the other form (a decimal comma with
    // points between thousands): read so, as a balance written under German settings.
    QTest::newRow("English: a comma at the end is a German decimal comma") << kUs << "1," << 1.0;
    QTest::newRow("thousands in threes") << kUs << "1,234,567" << 1234567.0;
    QTest::newRow("English: a group of two is German decimals") << kUs << "12,34" << 12.34;
    QTest::newRow("English: a group of four is German decimals") << kUs << "1,2345" << 1.2345;
    QTest::newRow("English: a first group of four is German")
        << kUs << "1234,567" << 1234.567;
    QTest::newRow("English: a balance written under German settings")
        << kUs << "2366,27" << 2366.27;
    QTest::newRow("English: German thousands and decimals") << kUs << "1.234,5" << 1234.5;
    QTest::newRow("English: German exponent form") << kUs << "1,500E3" << 1500.0;
    QTest::newRow("English: German groups out of step") << kUs << "1.23,5" << kNone;
    QTest::newRow("Indian grouping") << kIndia << "12,34,567.5" << 1234567.5;
    QTest::newRow("Indian thousands") << kIndia << "1,000" << 1000.0;
    QTest::newRow("Indian grouping, first group too long, is a German decimal comma")
        << kIndia << "123,456" << 123.456;
    QTest::newRow("Indian grouping, groups out of step") << kIndia << "1,23,4567" << kNone;
    QTest::newRow("German thousands and decimal") << kGerman << "1.234,5" << 1234.5;
    QTest::newRow("German thousands") << kGerman << "1.500" << 1500.0;
    QTest::newRow("German millions") << kGerman << "1.234.567" << 1234567.0;
    // A German number as it stands, though English settings write 1.234 so.
    QTest::newRow("German: a dot before three digits") << kGerman << "1.234" << 1234.0;
    QTest::newRow("German negative thousands") << kGerman << "-1.000,5" << -1000.5;
    QTest::newRow("German decimal comma") << kGerman << "2,5" << 2.5;
    QTest::newRow("German: English thousands and decimals") << kGerman << " 1,234.5 " << 1234.5;
    QTest::newRow("German: a dot before two digits is a decimal point") << kGerman << "1.50" << 1.5;
    QTest::newRow("German: a dot before one digit") << kGerman << "1.5" << 1.5;
    QTest::newRow("German: a dot before four digits") << kGerman << "1.5000" << 1.5;
    QTest::newRow("German: a dot after a lone zero") << kGerman << "0.250" << 0.25;
    QTest::newRow("German: balance written under English settings") << kGerman << "700.5" << 700.5;
    QTest::newRow("German: English exponent form") << kGerman << "1.234E+20" << 1.234e20;
    QTest::newRow("German: two dots without a comma") << kGerman << "1.234.5" << kNone;
    QTest::newRow("German: groups out of step") << kGerman << "12.34.567" << kNone;
    QTest::newRow("German: dot after the comma") << kGerman << "1,5.0" << kNone;
    QTest::newRow("German exponent") << kGerman << "1,5E3" << 1500.0;
    QTest::newRow("German letters") << kGerman << "abc" << kNone;
}

void NumberTextTest::strictReading() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    const auto value = strictNumber(text, locale);
    if (std::isnan(expected)) {
        QVERIFY2(!value, qPrintable(QStringLiteral("read as %1").arg(value.value_or(0))));
    } else {
        QVERIFY(value.has_value());
        QCOMPARE(*value, expected);
    }
}

void NumberTextTest::leadingReading_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain") << kUs << "700" << 700.0;
    QTest::newRow("empty") << kUs << "" << 0.0;
    QTest::newRow("letters") << kUs << "abc" << 0.0;
    QTest::newRow("digits then letters") << kUs << "12abc" << 12.0;
    QTest::newRow("blanks, sign, exponent, junk") << kUs << "  -3.5e2x" << -350.0;
    QTest::newRow("D exponent") << kUs << "1D2" << 100.0;
    QTest::newRow("blanks inside the number") << kUs << "1 2\t3\n4" << 1234.0;
    // A text that as a whole is a number reads as strict reading reads it; only a text
    // with more after the number is read up to where the number stops.
    QTest::newRow("whole number with thousands") << kUs << " 1,234.5 " << 1234.5;
    QTest::newRow("stops at a thousands separator") << kUs << " 1,234.5 USD" << 1.0;
    QTest::newRow("exponent form") << kUs << "1.5E3" << 1500.0;
    QTest::newRow("second point stops") << kUs << "1.2.3" << 1.2;
    QTest::newRow("exponent letter without digits") << kUs << "4E" << 4.0;
    QTest::newRow("sign alone") << kUs << "-" << 0.0;
    QTest::newRow("minus zero is zero") << kUs << "-0" << 0.0;
    QTest::newRow("number-to-text exponent") << kUs << "1.5E+20" << 1.5e20;
    QTest::newRow("German comma balance") << kGerman << "700,5" << 700.5;
    QTest::newRow("German still takes a point") << kGerman << "700.5" << 700.5;
    QTest::newRow("German thousands") << kGerman << "1.500" << 1500.0;
    QTest::newRow("German millions") << kGerman << "1.234.567" << 1234567.0;
    QTest::newRow("German grouped with decimals") << kGerman << "1.234,5" << 1234.5;
    QTest::newRow("German: a dot before two digits") << kGerman << "1.50" << 1.5;
    QTest::newRow("German: English exponent form") << kGerman << "1.234E+20" << 1.234e20;
    QTest::newRow("German thousands with more after them") << kGerman << "1.500 EUR" << 1.5;
    QTest::newRow("German grouped text with more after it stops")
        << kGerman << "1.234,5 EUR" << 1.234;
    QTest::newRow("German: English text as a whole") << kGerman << " 1,234.5 " << 1234.5;
    QTest::newRow("too large") << kUs << "2E308" << std::numeric_limits<double>::infinity();
    QTest::newRow("German grouped, too large") << kGerman << "1.000" + QString(".000").repeated(103)
                                               << std::numeric_limits<double>::infinity();
}

void NumberTextTest::leadingReading() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double value = leadingNumber(text, locale);
    QCOMPARE(value, expected);
    QVERIFY(!std::signbit(value) || expected < 0);
}

// Number-to-text under one locale, then both readings under the same or the other
// locale give the value back. Under German settings an English text is read with its
// point as the decimal point, unless it is a German number as it stands (English "1.234"
// is German 1234, see strictReading).
void NumberTextTest::writtenNumbersReadBack_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QLocale>("writer");
    QTest::addColumn<QLocale>("reader");

    const QList<double> values{
        700.5, 1.5,    0.25,     -0.125, 1234567.25,        1500,
        -250,  1.5e20, 1.234e20, 1.5e-7, 123456789012345.0, 1.79769313486231e308};
    const QList<std::pair<QLocale, QLocale>> pairs{
        {kUs, kUs}, {kGerman, kGerman}, {kUs, kGerman}, {kIndia, kIndia}};
    for (const auto& [writer, reader] : pairs)
        for (double value : values)
            QTest::addRow("%s as %s: %s", qPrintable(writer.name()), qPrintable(reader.name()),
                          qPrintable(kesterly::numberToText(value, writer)))
                << value << writer << reader;
}

void NumberTextTest::writtenNumbersReadBack() {
    QFETCH(double, value);
    QFETCH(QLocale, writer);
    QFETCH(QLocale, reader);
    const QString text = kesterly::numberToText(value, writer);
    QCOMPARE(strictNumber(text, reader).value_or(kNone), value);
    QCOMPARE(leadingNumber(text, reader), value);
}

// One line of megabytes, as a damaged or foreign file may hold: each reading goes through
// it once. A reading that copied the rest of the line at each separator would run for many
// minutes here; bench/number_reading measures the time.
void NumberTextTest::longLineOfSeparators_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("strict");
    QTest::addColumn<double>("leading");

    constexpr qsizetype kPieces = 1 << 22; // 8 million characters
    const double infinity = std::numeric_limits<double>::infinity();
    QTest::newRow("1,1,1") << kUs << QStringLiteral("1,").repeated(kPieces) << kNone << 1.0;
    QTest::newRow("German 1,1,1") << kGerman << QStringLiteral("1,").repeated(kPieces) << kNone
                                  << 1.1;
    QTest::newRow("German 1.1.1") << kGerman << QStringLiteral("1.").repeated(kPieces) << kNone
                                  << 1.1;
    QTest::newRow("thousands all the way")
        << kUs << "1" + QStringLiteral(",111").repeated(kPieces / 2) << kNone << infinity;
    QTest::newRow("German thousands all the way")
        << kGerman << "1" + QStringLiteral(".111").repeated(kPieces / 2) << kNone << infinity;
    QTest::newRow("blanks between digits")
        << kUs << QStringLiteral("1 ").repeated(kPieces) << kNone << infinity;
}

void NumberTextTest::longLineOfSeparators() {
    QFETCH(QLocale, locale);
    QFETCH(QString, line);
    QFETCH(double, strict);
    QFETCH(double, leading);
    QCOMPARE(strictNumber(line, locale).value_or(kNone), strict);
    QCOMPARE(leadingNumber(line, locale), leading);
}

void NumberTextTest::numberToText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero before the point") << kUs << 0.12495 << "0.12495";
    QTest::newRow("no trailing .0") << kUs << 15.0 << "15";
    QTest::newRow("rounded to 15 digits") << kUs << 300.29999999999995 << "300.3";
    QTest::newRow("rounded up") << kUs << 0.6414100000000001 << "0.64141";
    QTest::newRow("negative") << kUs << -250.0 << "-250";
    QTest::newRow("negative fraction") << kUs << -0.12495 << "-0.12495";
    QTest::newRow("no thousands separator") << kUs << 1234567.5 << "1234567.5";
    QTest::newRow("zero") << kUs << 0.0 << "0";
    QTest::newRow("minus zero") << kUs << -0.0 << "0";
    QTest::newRow("largest plain") << kUs << 123456789012345.0 << "123456789012345";
    QTest::newRow("large in exponent form") << kUs << 1e15 << "1E+15";
    QTest::newRow("very large") << kUs << 1.5e300 << "1.5E+300";
    QTest::newRow("small plain") << kUs << 0.0001 << "0.0001";
    QTest::newRow("very small") << kUs << 0.00001 << "1E-05";
    QTest::newRow("German separator") << kGerman << 700.5 << "700,5";
    QTest::newRow("German no grouping") << kGerman << 1234567.25 << "1234567,25";
    QTest::newRow("German exponent") << kGerman << 1.5e-7 << "1,5E-07";
}

void NumberTextTest::numberToText() {
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(kesterly::numberToText(value, locale), expected);
}

// An empty text marks a figure whose text would not read back as a finite number.
void NumberTextTest::finiteNumberText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    const double largest = std::numeric_limits<double>::max();
    QTest::newRow("plain") << kUs << 700.5 << "700.5";
    QTest::newRow("German") << kGerman << 700.5 << "700,5";
    QTest::newRow("largest that reads back")
        << kUs << 1.79769313486231e308 << "1.79769313486231E+308";
    QTest::newRow("largest that reads back, German")
        << kGerman << -1.79769313486231e308 << "-1,79769313486231E+308";
    QTest::newRow("largest double rounds past the range") << kUs << largest << "";
    QTest::newRow("largest double below zero") << kUs << -largest << "";
    QTest::newRow("largest double, German") << kGerman << largest << "";
    QTest::newRow("smallest double")
        << kUs << std::numeric_limits<double>::denorm_min() << "4.94065645841247E-324";
    QTest::newRow("infinity") << kUs << std::numeric_limits<double>::infinity() << "";
    QTest::newRow("not a number") << kUs << kNone << "";
}

void NumberTextTest::finiteNumberText() {
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(kesterly::finiteNumberText(value, locale).value_or(QString()), expected);
}

void NumberTextTest::userLocaleTreatsCAsUnitedStates() {
    QCOMPARE(userLocaleFor(QLocale::c()), kUs);
    QCOMPARE(userLocaleFor(QLocale(QLocale::C, QLocale::AnyTerritory)), kUs);
    QCOMPARE(userLocaleFor(kGerman), kGerman);
    ScopedUserLocale pinned(kGerman);
    QCOMPARE(userLocale(), kGerman);
    QCOMPARE(kesterly::numberToText(0.5), QStringLiteral("0,5"));
}

// Balance before, amount, income (true) or expense, balance after.
void NumberTextTest::entryFormExamples_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("income");
    QTest::addColumn<QString>("after");

    QTest::newRow("income with cents") << "100"
                                       << "25.50" << true << "125.5";
    QTest::newRow("expense with cents") << "125.5"
                                        << "9.99" << false << "115.51";
    QTest::newRow("binary fraction rounded") << "100.1"
                                             << "200.2" << true << "300.3";
    QTest::newRow("below zero") << "500"
                                << "750" << false << "-250";
    QTest::newRow("empty balance") << ""
                                   << "100" << true << "100";
    QTest::newRow("negative income") << "100"
                                     << "-50" << true << "50";
}

void NumberTextTest::entryFormExamples() {
    QFETCH(QString, before);
    QFETCH(QString, amount);
    QFETCH(bool, income);
    QFETCH(QString, after);
    const auto a = strictNumber(amount, kUs);
    QVERIFY(a);
    const double b = leadingNumber(before, kUs);
    QCOMPARE(kesterly::numberToText(income ? b + *a : b - *a, kUs), after);
}

void NumberTextTest::interestExamples_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("percentage");
    QTest::addColumn<QString>("paise");

    QTest::newRow("initial values") << "100"
                                    << "1"
                                    << "1.50"
                                    << "0.12495"
                                    << "15";
    QTest::newRow("a year") << "500"
                            << "12"
                            << "1.2"
                            << "5.9976"
                            << "720";
    QTest::newRow("half year") << "250"
                               << "6"
                               << "1.5"
                               << "1.87425"
                               << "225";
    QTest::newRow("small rate") << "750"
                                << "1"
                                << "0.75"
                                << "0.4685625"
                                << "56.25";
    QTest::newRow("rounding 1") << "100"
                                << "7"
                                << "1.1"
                                << "0.64141"
                                << "77";
    QTest::newRow("rounding 2") << "100"
                                << "3"
                                << "0.1"
                                << "0.02499"
                                << "3";
    QTest::newRow("negative amount") << "-100"
                                     << "1"
                                     << "1.50"
                                     << "-0.12495"
                                     << "-15";
}

// The figures of the interest window come out of the three conversions alone.
void NumberTextTest::interestExamples() {
    QFETCH(QString, amount);
    QFETCH(QString, month);
    QFETCH(QString, rate);
    QFETCH(QString, percentage);
    QFETCH(QString, paise);
    const double q =
        *strictNumber(rate, kUs) * (*strictNumber(amount, kUs) * *strictNumber(month, kUs));
    auto shown = [](double result) {
        return kesterly::numberToText(leadingNumber(kesterly::numberToText(result, kUs), kUs), kUs);
    };
    QCOMPARE(shown(q * 8.33 / 10000), percentage);
    QCOMPARE(shown(q / 10), paise);
}

QTEST_APPLESS_MAIN(NumberTextTest)
#include "test_numbertext.moc"
