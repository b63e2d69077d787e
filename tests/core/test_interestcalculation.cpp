#include "core/interestcalculation.h"

#include <QTest>

using namespace kesterly;

namespace {
const QLocale kUnitedStates(QLocale::English, QLocale::UnitedStates);
const QLocale kGermany(QLocale::German, QLocale::Germany);
} // namespace

Q_DECLARE_METATYPE(InterestMode)
Q_DECLARE_METATYPE(InterestFailure)

class InterestCalculationTest : public QObject {
    Q_OBJECT
private slots:
    void workedExamples_data();
    void workedExamples();
    void failures_data();
    void failures();
};

void InterestCalculationTest::workedExamples_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("percentage");
    QTest::addColumn<QString>("paise");
    QTest::addColumn<QLocale>("locale");

    QTest::newRow("initial values") << "100"
                                    << "1"
                                    << "1.50"
                                    << "0.12495"
                                    << "15" << kUnitedStates;
    QTest::newRow("a year") << "500"
                            << "12"
                            << "1.2"
                            << "5.9976"
                            << "720" << kUnitedStates;
    QTest::newRow("half a year") << "250"
                                 << "6"
                                 << "1.5"
                                 << "1.87425"
                                 << "225" << kUnitedStates;
    QTest::newRow("fractional rate") << "750"
                                     << "1"
                                     << "0.75"
                                     << "0.4685625"
                                     << "56.25" << kUnitedStates;
    // The doubles are 0.6414100000000001 and 77.00000000000001: 15 digits hide the tail.
    QTest::newRow("rounded tail") << "100"
                                  << "7"
                                  << "1.1"
                                  << "0.64141"
                                  << "77" << kUnitedStates;
    QTest::newRow("rounded tail below 0.1") << "100"
                                            << "3"
                                            << "0.1"
                                            << "0.02499"
                                            << "3" << kUnitedStates;
    QTest::newRow("negative amount") << "-100"
                                     << "1"
                                     << "1.50"
                                     << "-0.12495"
                                     << "-15" << kUnitedStates;
    QTest::newRow("1.5 reads as 1.50") << "100"
                                       << "1"
                                       << "1.5"
                                       << "0.12495"
                                       << "15" << kUnitedStates;
    QTest::newRow("month 0") << "100"
                             << "0"
                             << "1.50"
                             << "0"
                             << "0" << kUnitedStates;
    QTest::newRow("month 0, negative amount") << "-100"
                                              << "0"
                                              << "1.50"
                                              << "0"
                                              << "0" << kUnitedStates;
    QTest::newRow("blanks around the figures") << " 100 "
                                               << "\t1"
                                               << "1.50 "
                                               << "0.12495"
                                               << "15" << kUnitedStates;
    QTest::newRow("thousands separator") << "1,000"
                                         << "1"
                                         << "1.50"
                                         << "1.2495"
                                         << "150" << kUnitedStates;
    QTest::newRow("exponent form") << "1E3"
                                   << "1"
                                   << "1.50"
                                   << "1.2495"
                                   << "150" << kUnitedStates;
    QTest::newRow("large result in exponent form") << "1E20"
                                                   << "1"
                                                   << "1"
                                                   << "8.33E+16"
                                                   << "1E+19" << kUnitedStates;
    QTest::newRow("tiny result in exponent form") << "1E-8"
                                                  << "1"
                                                  << "1"
                                                  << "8.33E-12"
                                                  << "1E-09" << kUnitedStates;
    // The shown figure keeps its fraction under a comma locale: it is read back with the
    // locale's own separator.
    QTest::newRow("comma locale") << "100"
                                  << "1"
                                  << "1,50"
                                  << "0,12495"
                                  << "15" << kGermany;
    QTest::newRow("comma locale, a year") << "500"
                                          << "12"
                                          << "1,2"
                                          << "5,9976"
                                          << "720" << kGermany;
}

void InterestCalculationTest::workedExamples() {
    QFETCH(QString, amount);
    QFETCH(QString, month);
    QFETCH(QString, rate);
    QFETCH(QString, percentage);
    QFETCH(QString, paise);
    QFETCH(QLocale, locale);

    const InterestResult byPercentage =
        calculateInterest(month, amount, rate, InterestMode::Percentage, locale);
    QVERIFY(byPercentage);
    QCOMPARE(byPercentage.text, percentage);
    const InterestResult byPaise =
        calculateInterest(month, amount, rate, InterestMode::Paise, locale);
    QVERIFY(byPaise);
    QCOMPARE(byPaise.text, paise);
}

void InterestCalculationTest::failures_data() {
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<InterestFailure>("failure");

    QTest::newRow("empty month") << ""
                                 << "100"
                                 << "1.50" << InterestFailure::Month;
    QTest::newRow("letters in month") << "one"
                                      << "100"
                                      << "1.50" << InterestFailure::Month;
    QTest::newRow("month read before amount") << "x"
                                              << ""
                                              << "" << InterestFailure::Month;
    QTest::newRow("empty amount") << "1"
                                  << ""
                                  << "1.50" << InterestFailure::Amount;
    QTest::newRow("amount with trailing letters") << "1"
                                                  << "100 Rs"
                                                  << "1.50" << InterestFailure::Amount;
    QTest::newRow("amount read before rate") << "1"
                                             << "?"
                                             << "" << InterestFailure::Amount;
    QTest::newRow("empty rate") << "1"
                                << "100"
                                << "" << InterestFailure::Rate;
    QTest::newRow("percent sign in rate") << "1"
                                          << "100"
                                          << "1.5%" << InterestFailure::Rate;
    QTest::newRow("amount times month too large") << "1E200"
                                                  << "1E200"
                                                  << "x" << InterestFailure::OutOfRange;
    QTest::newRow("rate pushes past the range") << "1"
                                                << "1E300"
                                                << "1E10" << InterestFailure::OutOfRange;
    QTest::newRow("negative overflow") << "1"
                                       << "-1E300"
                                       << "1E10" << InterestFailure::OutOfRange;
    QTest::newRow("figure beyond a double") << "1"
                                            << "1E400"
                                            << "1" << InterestFailure::Amount;
}

void InterestCalculationTest::failures() {
    QFETCH(QString, month);
    QFETCH(QString, amount);
    QFETCH(QString, rate);
    QFETCH(InterestFailure, failure);

    for (InterestMode mode : {InterestMode::Percentage, InterestMode::Paise}) {
        const InterestResult result = calculateInterest(month, amount, rate, mode, kUnitedStates);
        QVERIFY(!result);
        QCOMPARE(result.failure, failure);
        QVERIFY(result.text.isEmpty());
    }
}

QTEST_APPLESS_MAIN(InterestCalculationTest)
#include "test_interestcalculation.moc"
