#include "core/clock.h"

#include <QTest>

using namespace kesterly;

class ClockTextTest : public QObject {
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
};

void ClockTextTest::texts_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("clock");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QDateTime evening(QDate(2026, 12, 9), QTime(23, 21, 50));
    const QDateTime morning(QDate(2027, 1, 2), QTime(7, 5, 3));
    const QDateTime midnight(QDate(2026, 3, 1), QTime(0, 0, 0));

    QTest::newRow("US evening") << us << evening << "12/9/2026"
                                << "11:21:50 PM";
    QTest::newRow("US morning") << us << morning << "1/2/2027"
                                << "7:05:03 AM";
    QTest::newRow("US midnight") << us << midnight << "3/1/2026"
                                 << "12:00:00 AM";
    QTest::newRow("UK evening") << uk << evening << "09/12/2026"
                                << "23:21:50";
    QTest::newRow("UK morning") << uk << morning << "02/01/2027"
                                << "07:05:03";
    QTest::newRow("German") << german << morning << "02.01.2027"
                            << "07:05:03";
}

void ClockTextTest::texts() {
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, moment);
    QFETCH(QString, date);
    QFETCH(QString, clock);
    QCOMPARE(dateText(moment.date(), locale), date);
    QCOMPARE(clockText(moment.time(), locale), clock);
}

QTEST_APPLESS_MAIN(ClockTextTest)
#include "test_clocktext.moc"
