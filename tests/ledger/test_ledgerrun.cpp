#include "accounts/newaccountwindow.h"
#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"
#include "shell/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::ledger;
using namespace kesterly::test;

// A whole day's work with the ledger, from a new account to the files on disk.
class LedgerRunTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void typicalRunFromNewAccountToFiles();
    void menuCommandsOpenEachWindowOnce();
    void closingTheMainWindowSavesEverything();
    void openingAnotherAccountClosesTheLedgerFirst();

private:
    QString createHousehold();
    void trigger(const char* command);
    void submit(const QString& date, const QString& description, const QString& amount,
                const char* option);
    std::unique_ptr<AppFixture> fixture_;
};

void LedgerRunTest::init() {
    fixture_ = std::make_unique<AppFixture>();
}

void LedgerRunTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QString LedgerRunTest::createHousehold() {
    auto& window = fixture_->windows->show<NewAccountWindow>();
    QTest::keyClicks(window.findChild<QLineEdit*>("Text2"), "Household");
    QTest::keyClicks(window.findChild<QLineEdit*>("Text1"), "500");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    // Open Account makes the folder current and enables the View menu.
    const QString folder = fixture_->root() + "Household";
    openAccount(*fixture_, folder);
    fixture_->windows->mainWindow().setViewMenuEnabled(true);
    return folder;
}

void LedgerRunTest::trigger(const char* command) {
    QAction* action = fixture_->windows->mainWindow().command(command);
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    action->trigger();
}

void LedgerRunTest::submit(const QString& date, const QString& description, const QString& amount,
                           const char* option) {
    auto& form = fixture_->windows->show<EntryForm>();
    for (const auto& [name, text] :
         {std::pair{"Text1", date}, std::pair{"Text2", description}, std::pair{"Text3", amount}}) {
        auto* box = form.findChild<QLineEdit*>(name);
        box->clear();
        QTest::keyClicks(box, text);
    }
    QTest::mouseClick(form.findChild<QRadioButton*>(option), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

void LedgerRunTest::typicalRunFromNewAccountToFiles() {
    const QString folder = createHousehold();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("500\r\n"));
    const QByteArray fresh = snapshot(folder);

    trigger("cmdentry");
    auto* form = fixture_->windows->find<EntryForm>();
    QVERIFY(form);
    QCOMPARE(form->balanceText(), QStringLiteral("500"));
    QVERIFY(fixture_->windows->find<BalanceWindow>());
    QCOMPARE(fixture_->windows->find<BalanceWindow>()->balanceText(), QStringLiteral("500"));
    QVERIFY(!fixture_->windows->find<IncomeWindow>());

    submit("12/9/2026", "Salary", "200", "Option1");
    auto* income = fixture_->windows->find<IncomeWindow>();
    QVERIFY(income);
    QCOMPARE(entries(*income), (QStringList{"|||", "12/9/2026|Salary|200|700"}));
    QCOMPARE(form->balanceText(), QStringLiteral("700"));
    QCOMPARE(fixture_->windows->find<BalanceWindow>()->balanceText(), QStringLiteral("700"));
    // The entry and the balance are on the disk the moment they show; closing the windows
    // writes nothing more.
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("700\r\n"));
    const QByteArray submitted = snapshot(folder);
    QVERIFY(submitted != fresh);
    QVERIFY(form->closeWindow());
    QVERIFY(income->closeWindow());
    QVERIFY(fixture_->windows->find<BalanceWindow>()->closeWindow());
    QCOMPARE(snapshot(folder), submitted);

    QCOMPARE(bytesOf(folder + "/Name.txt"), QByteArray("Household\r\n"));
    QCOMPARE(bytesOf(folder + "/IncomeDate.txt"), QByteArray("\r\n12/9/2026\r\n"));
    QCOMPARE(bytesOf(folder + "/IncomeDes.txt"), QByteArray("\r\nSalary\r\n"));
    QCOMPARE(bytesOf(folder + "/IncomeAmn.txt"), QByteArray("\r\n200\r\n"));
    QCOMPARE(bytesOf(folder + "/Incomebal.txt"), QByteArray("\r\n700\r\n"));
    for (const QString& file : account::kExpenseTable.inOrder())
        QCOMPARE(bytesOf(folder + "/" + file), QByteArray("\r\n"));
    for (const char* file : {"Date.txt", "Time.txt", "Description.txt"})
        QCOMPARE(bytesOf(folder + "/Reminders/" + file), QByteArray("\r\n"));
    QCOMPARE(fixture_->messages.shown.size(), 2);
}

void LedgerRunTest::menuCommandsOpenEachWindowOnce() {
    createHousehold();
    trigger("cmdIn");
    trigger("cmdex");
    auto* income = fixture_->windows->find<IncomeWindow>();
    auto* expense = fixture_->windows->find<ExpenseWindow>();
    QVERIFY(income && expense);
    QCOMPARE(entries(*income), QStringList{"|||"});
    income->list(Date)->setSelectedIndex(0);
    trigger("cmdIn");
    // Brought to the front, not read again.
    QCOMPARE(fixture_->windows->find<IncomeWindow>(), income);
    QCOMPARE(selectedIndexes(*income), (QList<int>{0, 0, 0, 0}));
    QCOMPARE(fixture_->windows->mainWindow().mdiArea()->activeSubWindow(), income->subWindow());
    trigger("cmdentry");
    QVERIFY(fixture_->windows->find<EntryForm>());
}

void LedgerRunTest::closingTheMainWindowSavesEverything() {
    const QString folder = createHousehold();
    submit("1/5", "Salary", "200", "Option1");
    submit("2/5", "Rent", "150.25", "Option2");
    fixture_->windows->mainWindow().show();
    QVERIFY(fixture_->windows->mainWindow().close());
    QVERIFY(!fixture_->windows->find<EntryForm>());
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("549.75\r\n"));
    QCOMPARE(bytesOf(folder + "/Incomebal.txt"), QByteArray("\r\n700\r\n"));
    QCOMPARE(bytesOf(folder + "/ExpenseDate.txt"), QByteArray("\r\n2/5\r\n"));
    QCOMPARE(bytesOf(folder + "/ExpenseAmn.txt"), QByteArray("\r\n150.25\r\n"));
    QCOMPARE(bytesOf(folder + "/Expensebal.txt"), QByteArray("\r\n549.75\r\n"));
}

void LedgerRunTest::openingAnotherAccountClosesTheLedgerFirst() {
    const QString folder = createHousehold();
    submit("1/5", "Salary", "200", "Option1");
    fixture_->windows->show<ExpenseWindow>();
    QVERIFY(fixture_->windows->closeAccountWindows());
    for (bool open :
         {bool(fixture_->windows->find<EntryForm>()), bool(fixture_->windows->find<IncomeWindow>()),
          bool(fixture_->windows->find<ExpenseWindow>()),
          bool(fixture_->windows->find<BalanceWindow>())})
        QVERIFY(!open);
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("700\r\n"));
    QCOMPARE(bytesOf(folder + "/IncomeDes.txt"), QByteArray("\r\nSalary\r\n"));
    // The next account's windows read that account afresh.
    const QString other = writeAccount(*fixture_, "Other", "42\r\n");
    openAccount(*fixture_, other);
    QCOMPARE(fixture_->windows->show<EntryForm>().balanceText(), QStringLiteral("42"));
}

QTEST_MAIN(LedgerRunTest)
#include "test_ledgerrun.moc"
