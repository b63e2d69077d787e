#include "core/numbertext.h"
#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

// Run under a German locale: balances are written with a decimal comma and must read back
// with their fraction at the next entry.
class CommaDecimalTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(QApplication::topLevelWidgets().size(), 0); }
    void localeWritesACommaHere();
    void balanceWithACommaKeepsItsFraction_data();
    void balanceWithACommaKeepsItsFraction();
    void savedBalanceReadsBackAfterReopening();
    void germanAmountsReadAsGermansWriteThem_data();
    void germanAmountsReadAsGermansWriteThem();
    void storedBalanceIsWrittenBackWithItsValue_data();
    void storedBalanceIsWrittenBackWithItsValue();

private:
    static void submit(EntryForm& form, const QString& amount, const char* option);
};

void CommaDecimalTest::submit(EntryForm& form, const QString& amount, const char* option) {
    auto* box = form.findChild<QLineEdit*>("Text3");
    box->clear();
    QTest::keyClicks(box, amount);
    QTest::mouseClick(form.findChild<QRadioButton*>(option), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

void CommaDecimalTest::localeWritesACommaHere() {
    QCOMPARE(numberToText(700.5), QStringLiteral("700,5"));
}

void CommaDecimalTest::balanceWithACommaKeepsItsFraction_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("after");
    QTest::newRow("700,5 plus 1") << QByteArray("700,5\r\n") << "1"
                                  << "701,5";
    QTest::newRow("comma amount") << QByteArray("700,5\r\n") << "0,25"
                                  << "700,75";
    // Saved under English settings: the point is still the decimal point.
    QTest::newRow("point balance") << QByteArray("700.5\r\n") << "1"
                                   << "701,5";
    QTest::newRow("point amount") << QByteArray("700,5\r\n") << "0.25"
                                  << "700,75";
}

void CommaDecimalTest::balanceWithACommaKeepsItsFraction() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, amount);
    QFETCH(QString, after);
    AppFixture fixture;
    openAccount(fixture, writeAccount(fixture, "Haushalt", stored));
    auto& form = fixture.windows->show<EntryForm>();
    submit(form, amount, "Option1");
    QCOMPARE(form.balanceText(), after);
    QCOMPARE(fixture.windows->find<BalanceWindow>()->balanceText(), after);
    QVERIFY(fixture.messages.shown.isEmpty());
}

void CommaDecimalTest::savedBalanceReadsBackAfterReopening() {
    AppFixture fixture;
    const QString folder = writeAccount(fixture, "Haushalt", "700\r\n");
    openAccount(fixture, folder);
    submit(fixture.windows->show<EntryForm>(), "0,5", "Option1");
    QVERIFY(fixture.windows->find<EntryForm>()->closeWindow());
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("700,5\r\n"));
    auto& again = fixture.windows->show<EntryForm>();
    QCOMPARE(again.balanceText(), QStringLiteral("700,5"));
    submit(again, "1", "Option2");
    QCOMPARE(again.balanceText(), QStringLiteral("699,5"));
    QVERIFY(fixture.windows->find<IncomeWindow>()->closeWindow());
    QCOMPARE(bytesOf(folder + "/Incomebal.txt"), QByteArray("\r\n700,5\r\n"));
}

// On a balance of 500: a point before three digits groups thousands, as Germans write
// them; any other point is a decimal point, as English settings write it.
void CommaDecimalTest::germanAmountsReadAsGermansWriteThem_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("after");
    QTest::newRow("1.500") << "1.500"
                           << "2000";
    QTest::newRow("1.000") << "1.000"
                           << "1500";
    QTest::newRow("2,5") << "2,5"
                         << "502,5";
    QTest::newRow("1.000,5") << "1.000,5"
                             << "1500,5";
    QTest::newRow("1.234.567") << "1.234.567"
                               << "1235067";
    QTest::newRow("English 1.5") << "1.5"
                                 << "501,5";
    QTest::newRow("English 0.25") << "0.25"
                                  << "500,25";
}

void CommaDecimalTest::germanAmountsReadAsGermansWriteThem() {
    QFETCH(QString, amount);
    QFETCH(QString, after);
    AppFixture fixture;
    openAccount(fixture, writeAccount(fixture, "Haushalt"));
    auto& form = fixture.windows->show<EntryForm>();
    submit(form, amount, "Option1");
    QCOMPARE(form.balanceText(), after);
    QCOMPARE(entries(*fixture.windows->find<IncomeWindow>()).last(), "||" + amount + "|" + after);
    QVERIFY(fixture.messages.shown.isEmpty());
}

// The form shows the stored balance as it reads it and writes that back when saved.
void CommaDecimalTest::storedBalanceIsWrittenBackWithItsValue_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("German thousands") << QByteArray("1.500\r\n") << "1500";
    QTest::newRow("German thousands and decimals") << QByteArray("1.234,5\r\n") << "1234,5";
    QTest::newRow("German decimals") << QByteArray("700,5\r\n") << "700,5";
    QTest::newRow("English decimals") << QByteArray("700.5\r\n") << "700,5";
    QTest::newRow("English exponent form") << QByteArray("1.234E+20\r\n") << "1,234E+20";
}

void CommaDecimalTest::storedBalanceIsWrittenBackWithItsValue() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    AppFixture fixture;
    const QString folder = writeAccount(fixture, "Haushalt", stored);
    openAccount(fixture, folder);
    auto& form = fixture.windows->show<EntryForm>();
    QCOMPARE(form.balanceText(), shown);
    form.saveToFile();
    QVERIFY(form.closeWindow());
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), shown.toUtf8() + "\r\n");
}

QTEST_MAIN(CommaDecimalTest)
#include "test_commadecimal.moc"
