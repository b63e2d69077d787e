#include "core/numbertext.h"
#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

Q_DECLARE_METATYPE(QList<kesterly::Choice>)

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
    void englishBalanceIsNeverReadAThousandTimesTooLarge_data();
    void englishBalanceIsNeverReadAThousandTimesTooLarge();
    void accountMovedFromEnglishSettings();

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

// "1.125" is 1.125 as English settings write it and 1125 as a German types it. Written
// under English settings, it is read as 1.125 wherever the account shows so, or the user
// chooses; never as 1125 behind the user's back.
void CommaDecimalTest::englishBalanceIsNeverReadAThousandTimesTooLarge_data() {
    QTest::addColumn<QByteArray>("remembered"); // the hidden file, or "<none>"
    QTest::addColumn<QByteArray>("incomeBalances");
    QTest::addColumn<QByteArray>("expenseBalances");
    QTest::addColumn<QList<Choice>>("answers"); // to the question, when there is one
    QTest::addColumn<QString>("after");         // "" when nothing is recorded
    QTest::addColumn<QByteArray>("rememberedAfter");
    const QByteArray none = "<none>";
    QTest::newRow("the account remembers English settings")
        << QByteArray("decimal point\r\n") << QByteArray("\r\n") << QByteArray("\r\n")
        << QList<Choice>{} << "2,125" << QByteArray("decimal comma\r\n");
    QTest::newRow("its Income list was written under English settings")
        << none << QByteArray("\r\n100.5\r\n1.125\r\n") << QByteArray("\r\n")
        << QList<Choice>{} << "2,125" << QByteArray("decimal comma\r\n");
    QTest::newRow("the lists disagree: the user chooses the decimal point")
        << none << QByteArray("\r\n100.5\r\n") << QByteArray("\r\n7,5\r\n")
        << QList<Choice>{Choice::Yes} << "2,125" << QByteArray("decimal comma\r\n");
    QTest::newRow("the lists disagree: the user chooses thousands")
        << none << QByteArray("\r\n100.5\r\n") << QByteArray("\r\n7,5\r\n")
        << QList<Choice>{Choice::No} << "1126" << QByteArray("decimal comma\r\n");
    // Cancel, or the box ended without an answer: nothing is counted from the balance.
    QTest::newRow("the lists disagree: the user cancels")
        << none << QByteArray("\r\n100.5\r\n") << QByteArray("\r\n7,5\r\n")
        << QList<Choice>{Choice::Cancel} << "" << none;
}

void CommaDecimalTest::englishBalanceIsNeverReadAThousandTimesTooLarge() {
    QFETCH(QByteArray, remembered);
    QFETCH(QByteArray, incomeBalances);
    QFETCH(QByteArray, expenseBalances);
    QFETCH(QList<Choice>, answers);
    QFETCH(QString, after);
    QFETCH(QByteArray, rememberedAfter);
    AppFixture fixture;
    const QString folder = writeAccount(fixture, "Haushalt", "1.125\r\n");
    writeBytes(folder + "/Incomebal.txt", incomeBalances);
    writeBytes(folder + "/Expensebal.txt", expenseBalances);
    // The lists' other columns as long as their balances.
    for (const char* list : {"Income", "Expense"}) {
        const QByteArray balances = QString(list) == "Income" ? incomeBalances : expenseBalances;
        const QByteArray blank = QByteArray("\r\n").repeated(balances.count("\r\n"));
        for (const char* column : {"Date", "Des", "Amn"})
            writeBytes(folder + "/" + list + column + ".txt", blank);
    }
    if (remembered != "<none>")
        writeBytes(folder + "/.kesterly.numbers", remembered);
    openAccount(fixture, folder);
    fixture.messages.answers = answers;
    auto& form = fixture.windows->show<EntryForm>();
    // Asked once, when the form opens, with both readings.
    QCOMPARE(fixture.messages.shown.size(), answers.size());
    if (!answers.isEmpty()) {
        const QString asked = fixture.messages.shown.first().text;
        QVERIFY2(asked.contains("Yes: 1,125 (the \".\" is a decimal separator)") &&
                     asked.contains("No: 1125 (the \".\" separates thousands)") &&
                     asked.contains(folder + "/OpeningBalance.txt"),
                 qPrintable(asked));
    }
    fixture.messages.shown.clear();
    submit(form, "1", "Option1");
    if (after.isEmpty()) {
        QCOMPARE(fixture.messages.shown.size(), 1);
        QVERIFY2(fixture.messages.shown.first().text.contains("\"1.125\""),
                 qPrintable(fixture.messages.shown.first().text));
        QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("1.125\r\n"));
        QCOMPARE(bytesOf(folder + "/IncomeAmn.txt").count("\r\n"),
                 incomeBalances.count("\r\n"));
        QVERIFY(!QFileInfo::exists(folder + "/.kesterly.numbers"));
        return;
    }
    QVERIFY(fixture.messages.shown.isEmpty());
    QCOMPARE(form.balanceText(), after);
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), after.toUtf8() + "\r\n");
    QVERIFY(bytesOf(folder + "/Incomebal.txt").endsWith("\r\n" + after.toUtf8() + "\r\n"));
    QCOMPARE(bytesOf(folder + "/.kesterly.numbers"), rememberedAfter);
    // Opened again: no question, the balance as written.
    QVERIFY(form.closeWindow());
    QCOMPARE(fixture.windows->show<EntryForm>().balanceText(), after);
    QVERIFY(fixture.messages.shown.isEmpty());
}

// An account kept under English settings, then opened under German ones (another
// computer, or the settings changed): its figures keep their values.
void CommaDecimalTest::accountMovedFromEnglishSettings() {
    AppFixture fixture;
    const QString folder = writeAccount(fixture, "Household", "1\r\n");
    openAccount(fixture, folder);
    {
        ScopedUserLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
        auto& form = fixture.windows->show<EntryForm>();
        submit(form, "0.125", "Option1");
        QCOMPARE(form.balanceText(), QStringLiteral("1.125"));
        QVERIFY(form.closeWindow());
        QVERIFY(fixture.windows->find<BalanceWindow>()->closeWindow());
    }
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("1.125\r\n"));
    QCOMPARE(bytesOf(folder + "/.kesterly.numbers"), QByteArray("decimal point\r\n"));

    // The Balance window alone shows it in the German form.
    QCOMPARE(fixture.windows->show<BalanceWindow>().balanceText(), QStringLiteral("1,125"));
    auto& form = fixture.windows->show<EntryForm>();
    QCOMPARE(form.balanceText(), QStringLiteral("1,125"));
    submit(form, "1", "Option1");
    QCOMPARE(form.balanceText(), QStringLiteral("2,125"));
    QVERIFY(fixture.messages.shown.isEmpty());
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("2,125\r\n"));
    QCOMPARE(bytesOf(folder + "/.kesterly.numbers"), QByteArray("decimal comma\r\n"));
    // The rows keep their texts as they were written.
    QCOMPARE(entries(*fixture.windows->find<IncomeWindow>()),
             (QStringList{"|||", "||0.125|1.125", "||1|2,125"}));
}

QTEST_MAIN(CommaDecimalTest)
#include "test_commadecimal.moc"
