#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextDocument>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::ledger;
using namespace kesterly::test;

class EntryFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAndFocusOrder();
    void openingShowsTypedBalanceInBothWindows_data();
    void openingShowsTypedBalanceInBothWindows();
    void workedExamples_data();
    void workedExamples();
    void submitWithNoOptionDoesNothing();
    void submitOpensTheListAfterItsRows();
    void doubleSubmitRecordsTwice();
    void blanksAroundAmountAreKeptInTheRow();
    void refusedAmountAppendsNothing_data();
    void refusedAmountAppendsNothing();
    void balanceWindowReopensWithTheNewBalance();
    void everyEntryIsSavedAtOnce();
    void entryAfterAnotherProgramsRowKeepsBoth();
    void anotherProgramInTheMiddleOfASubmit_data();
    void anotherProgramInTheMiddleOfASubmit();
    void failureAfterTheCommitSaysRecorded();
    void fullDiskRecordsNothing_data();
    void fullDiskRecordsNothing();
    void noAccountReadsAndWritesNothing();
    void writesOnlyToTheFolderItReadFrom();
    void unreadableBalanceIsToldAndKept_data();
    void unreadableBalanceIsToldAndKept();
    void unreadableBalanceRefusesEntries_data();
    void unreadableBalanceRefusesEntries();
    void entryIntoAListThatCannotBeSavedIsRefused();
    void pastedLineBreakStaysInOneRow();
    void longBalanceIsWholeInTipAndName_data();
    void longBalanceIsWholeInTipAndName();
    void saveToFileOnAFullDiskOffersRetryAndDiscard_data();
    void saveToFileOnAFullDiskOffersRetryAndDiscard();
    void submitPastTheRowLimitIsRefused_data();
    void submitPastTheRowLimitIsRefused();

private:
    EntryForm& form() { return fixture_->windows->show<EntryForm>(); }
    QString balanceFile() const { return folder_ + "/OpeningBalance.txt"; }
    void enter(const QString& date, const QString& description, const QString& amount,
               const char* option);
    void clickSubmit();
    QString shownBalance() { return form().findChild<QLabel*>("Label4")->text(); }
    QString mirroredBalance();
    std::unique_ptr<AppFixture> fixture_;
    QString folder_;
};

void EntryFormTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    folder_ = writeAccount(*fixture_, "Household");
    openAccount(*fixture_, folder_);
}

void EntryFormTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void EntryFormTest::enter(const QString& date, const QString& description, const QString& amount,
                          const char* option) {
    auto& window = form();
    for (const auto& [name, text] :
         {std::pair{"Text1", date}, std::pair{"Text2", description}, std::pair{"Text3", amount}}) {
        auto* box = window.findChild<QLineEdit*>(name);
        box->clear();
        QTest::keyClicks(box, text);
    }
    if (option)
        QTest::mouseClick(window.findChild<QRadioButton*>(option), Qt::LeftButton);
}

void EntryFormTest::clickSubmit() {
    QTest::mouseClick(form().findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

QString EntryFormTest::mirroredBalance() {
    auto* balance = fixture_->windows->find<BalanceWindow>();
    return balance ? balance->findChild<QLabel*>("Label1")->text() : QStringLiteral("<closed>");
}

void EntryFormTest::layoutAndFocusOrder() {
    auto& window = form();
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));
    fixture_->windows->show<EntryForm>();
    QCOMPARE(window.windowTitle(), QString(89, ' ') + "Entry Form");
    QCOMPARE(window.size(), twipsSize(9420, 6084));
    QCOMPARE(window.findChild<QLineEdit*>("Text3")->geometry(), twipsRect(1560, 1850, 2652, 372));
    QCOMPARE(window.findChild<QLabel*>("Label4")->geometry(), twipsRect(5280, 4440, 3732, 492));
    QCOMPARE(window.findChild<QLabel*>("Label5")->text(), QStringLiteral("Your Balance :"));
    QCOMPARE(window.findChild<QPushButton*>("Command2")->text(), QStringLiteral("Save to File"));
    QVERIFY(!window.findChild<QRadioButton*>("Option1")->isChecked());
    QVERIFY(!window.findChild<QRadioButton*>("Option2")->isChecked());

    QTRY_COMPARE(QApplication::focusWidget(), window.findChild<QLineEdit*>("Text1"));
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, (QStringList{"Text1", "Text2", "Text3", "Option1"}));
    window.findChild<QPushButton*>("Command1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command2"));

    // The options are one group.
    enter("", "", "", "Option1");
    enter("", "", "", "Option2");
    QVERIFY(!window.findChild<QRadioButton*>("Option1")->isChecked());
}

void EntryFormTest::openingShowsTypedBalanceInBothWindows_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("500.00") << QByteArray("500.00\r\n") << "500" << QByteArray("500\r\n");
    QTest::newRow("007") << QByteArray("007\r\n") << "7" << QByteArray("7\r\n");
    QTest::newRow("letters") << QByteArray("abc\r\n") << "abc" << QByteArray("abc\r\n");
    QTest::newRow("blank line") << QByteArray("  \r\n9\r\n") << "" << QByteArray("\r\n");
    QTest::newRow("second line ignored")
        << QByteArray("150.50\r\n1\r\n") << "150.5" << QByteArray("150.5\r\n");
}

void EntryFormTest::openingShowsTypedBalanceInBothWindows() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QFETCH(QByteArray, saved);
    writeBytes(balanceFile(), stored);
    form();
    QCOMPARE(shownBalance(), shown);
    QCOMPARE(mirroredBalance(), shown);
    QVERIFY(fixture_->messages.shown.isEmpty());
    // No entry changed the balance: closing leaves the file as it is.
    QVERIFY(form().closeWindow());
    QCOMPARE(bytesOf(balanceFile()), stored);
    // The Balance window stays open; it saves nothing.
    QVERIFY(fixture_->windows->find<BalanceWindow>());
    QVERIFY(fixture_->windows->find<BalanceWindow>()->closeWindow());
    QCOMPARE(bytesOf(balanceFile()), stored);
    // "Save to File" writes the balance as the form shows it.
    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(bytesOf(balanceFile()), saved);
}

void EntryFormTest::workedExamples_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("income");
    QTest::addColumn<QString>("after");
    QTest::newRow("income 25.50") << QByteArray("100\r\n") << "25.50" << true << "125.5";
    QTest::newRow("expense 9.99") << QByteArray("125.5\r\n") << "9.99" << false << "115.51";
    QTest::newRow("income rounds the double sum")
        << QByteArray("100.1\r\n") << "200.2" << true << "300.3";
    QTest::newRow("expense below zero") << QByteArray("500\r\n") << "750" << false << "-250";
    QTest::newRow("empty balance") << QByteArray("\r\n") << "100" << true << "100";
    QTest::newRow("negative income") << QByteArray("100\r\n") << "-50" << true << "50";
    QTest::newRow("thousands separator") << QByteArray("0\r\n") << "1,000" << true << "1000";
    // Written under German settings: English ones have no group of two digits, so the
    // comma is a decimal comma, and the cents stay.
    QTest::newRow("a balance written under German settings")
        << QByteArray("2366,27\r\n") << "1" << true << "2367.27";
    QTest::newRow("German thousands and cents")
        << QByteArray("1.234,5\r\n") << "0,5" << true << "1235";
    QTest::newRow("exponent") << QByteArray("1\r\n") << "2E3" << false << "-1999";
    QTest::newRow("largest balance moves down")
        << QByteArray("1.79769313486231E+308\r\n") << "1E308" << false << "7.9769313486231E+307";
}

void EntryFormTest::workedExamples() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, amount);
    QFETCH(bool, income);
    QFETCH(QString, after);
    writeBytes(balanceFile(), stored);
    enter("1/5/2026", "entry", amount, income ? "Option1" : "Option2");
    clickSubmit();
    QCOMPARE(shownBalance(), after);
    QCOMPARE(mirroredBalance(), after);
    LedgerListWindow* list =
        income ? static_cast<LedgerListWindow*>(fixture_->windows->find<IncomeWindow>())
               : fixture_->windows->find<ExpenseWindow>();
    QVERIFY(list);
    QCOMPARE(entries(*list), (QStringList{"|||", "1/5/2026|entry|" + amount + "|" + after}));
    QVERIFY(income ? !fixture_->windows->find<ExpenseWindow>()
                   : !fixture_->windows->find<IncomeWindow>());
    QVERIFY(fixture_->messages.shown.isEmpty());
    // The entry and the balance after it are in the files at once.
    QCOMPARE(bytesOf(balanceFile()), after.toUtf8() + "\r\n");
    QCOMPARE(bytesOf(folder_ + (income ? "/IncomeAmn.txt" : "/ExpenseAmn.txt")),
             "\r\n" + amount.toUtf8() + "\r\n");
    QCOMPARE(bytesOf(folder_ + (income ? "/Incomebal.txt" : "/Expensebal.txt")),
             "\r\n" + after.toUtf8() + "\r\n");
}

void EntryFormTest::submitWithNoOptionDoesNothing() {
    enter("1/5", "gift", "20", nullptr);
    clickSubmit();
    QCOMPARE(shownBalance(), QStringLiteral("500"));
    QVERIFY(!fixture_->windows->find<IncomeWindow>());
    QVERIFY(!fixture_->windows->find<ExpenseWindow>());
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void EntryFormTest::submitOpensTheListAfterItsRows() {
    writeBytes(folder_ + "/ExpenseDate.txt", lines({"", "1/1"}));
    writeBytes(folder_ + "/ExpenseDes.txt", lines({"", "rent"}));
    writeBytes(folder_ + "/ExpenseAmn.txt", lines({"", "100"}));
    writeBytes(folder_ + "/Expensebal.txt", lines({"", "400"}));
    enter("2/1", "food", "50", "Option2");
    clickSubmit();
    auto* expense = fixture_->windows->find<ExpenseWindow>();
    QVERIFY(expense);
    QCOMPARE(entries(*expense), (QStringList{"|||", "1/1|rent|100|400", "2/1|food|50|450"}));
}

void EntryFormTest::doubleSubmitRecordsTwice() {
    enter("1/5", "gift", "200", "Option1");
    clickSubmit();
    clickSubmit();
    QCOMPARE(shownBalance(), QStringLiteral("900"));
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()),
             (QStringList{"|||", "1/5|gift|200|700", "1/5|gift|200|900"}));
    // Neither the boxes nor the option are cleared.
    QCOMPARE(form().findChild<QLineEdit*>("Text3")->text(), QStringLiteral("200"));
    QVERIFY(form().findChild<QRadioButton*>("Option1")->isChecked());
}

void EntryFormTest::blanksAroundAmountAreKeptInTheRow() {
    enter("", "", "  200 ", "Option1");
    clickSubmit();
    QCOMPARE(shownBalance(), QStringLiteral("700"));
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()).last(),
             QStringLiteral("||  200 |700"));
}

void EntryFormTest::refusedAmountAppendsNothing_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("told");
    QTest::newRow("letters") << QByteArray("500\r\n") << "abc"
                             << "is not a number";
    QTest::newRow("empty") << QByteArray("500\r\n") << ""
                           << "is not a number";
    QTest::newRow("digits then letters") << QByteArray("500\r\n") << "12abc"
                                         << "is not a number";
    QTest::newRow("beyond a double") << QByteArray("500\r\n") << "1E400"
                                     << "is not a number";
    QTest::newRow("sum beyond a double") << QByteArray("1.5E+308\r\n") << "1.5E308"
                                         << "too large";
    // A balance that reads as no finite number cannot be counted with; the user is told
    // which file to put right.
    QTest::newRow("balance beyond a double") << QByteArray("9E999\r\n") << "1"
                                             << "first line of OpeningBalance.txt";
    // A balance that is no number is never counted as far as it looks like one: "12abc"
    // as 12, or letters as 0, would hide the balance the account holds.
    QTest::newRow("balance of letters") << QByteArray("abc\r\n") << "100"
                                        << "first line of OpeningBalance.txt";
    QTest::newRow("balance of digits then letters") << QByteArray("12abc\r\n") << "1"
                                                    << "first line of OpeningBalance.txt";
    QTest::newRow("balance just beyond a double, as older copies wrote it")
        << QByteArray("1.79769313486232E+308\r\n") << "1"
        << "first line of OpeningBalance.txt";
    // Written with 15 digits, the new balance would read back as an infinity and lock
    // the account.
    QTest::newRow("balance rounded past the range")
        << QByteArray("500\r\n") << "1.7976931348623157E308"
        << "too large";
    QTest::newRow("balance rounded past the range, below zero")
        << QByteArray("500\r\n") << "-1.7976931348623157E308"
        << "too large";
}

void EntryFormTest::refusedAmountAppendsNothing() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, amount);
    QFETCH(QString, told);
    writeBytes(balanceFile(), stored);
    const QString before = shownBalance();
    // With the Income window open and closed.
    for (bool listOpen : {false, true}) {
        fixture_->messages.shown.clear();
        if (listOpen)
            fixture_->windows->get<IncomeWindow>();
        enter("1/5", "gift", amount, "Option1");
        clickSubmit();
        QCOMPARE(fixture_->messages.shown.size(), 1);
        QVERIFY2(fixture_->messages.shown[0].text.contains(told),
                 qPrintable(fixture_->messages.shown[0].text));
        if (told.contains("OpeningBalance.txt"))
            QVERIFY2(fixture_->messages.shown[0].text.contains(balanceFile()) &&
                         fixture_->messages.shown[0].text.contains(
                             '"' + QString::fromUtf8(stored).trimmed() + '"') &&
                         !fixture_->messages.shown[0].text.contains("too large"),
                     qPrintable(fixture_->messages.shown[0].text));
        QCOMPARE(bytesOf(balanceFile()), stored);
        QCOMPARE(bytesOf(folder_ + "/IncomeDate.txt"), QByteArray("\r\n"));
        QCOMPARE(fixture_->messages.shown[0].title, QStringLiteral("Entry Form"));
        QCOMPARE(shownBalance(), before);
        QCOMPARE(mirroredBalance(), before);
        auto* income = fixture_->windows->find<IncomeWindow>();
        QCOMPARE(bool(income), listOpen);
        if (income)
            QCOMPARE(entries(*income), QStringList{"|||"});
    }
}

void EntryFormTest::balanceWindowReopensWithTheNewBalance() {
    form();
    QVERIFY(fixture_->windows->find<BalanceWindow>()->closeWindow());
    enter("1/5", "", "1", "Option2");
    QCOMPARE(mirroredBalance(), QStringLiteral("<closed>"));
    clickSubmit();
    QCOMPARE(mirroredBalance(), QStringLiteral("499"));
}

void EntryFormTest::everyEntryIsSavedAtOnce() {
    enter("1/5", "gift", "200", "Option1");
    clickSubmit();
    enter("1/6", "rent", "50", "Option2");
    clickSubmit();
    // Nothing waits for a window to close: a crash now loses nothing.
    QCOMPARE(bytesOf(balanceFile()), QByteArray("650\r\n"));
    QCOMPARE(bytesOf(folder_ + "/IncomeDes.txt"), QByteArray("\r\ngift\r\n"));
    QCOMPARE(bytesOf(folder_ + "/Incomebal.txt"), QByteArray("\r\n700\r\n"));
    QCOMPARE(bytesOf(folder_ + "/ExpenseDes.txt"), QByteArray("\r\nrent\r\n"));
    QCOMPARE(bytesOf(folder_ + "/Expensebal.txt"), QByteArray("\r\n650\r\n"));
    const QByteArray saved = snapshot(folder_);
    // "Save to File" and closing the windows have nothing left to write.
    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QVERIFY(fixture_->windows->find<IncomeWindow>()->closeWindow());
    QVERIFY(fixture_->windows->find<ExpenseWindow>()->closeWindow());
    QVERIFY(form().closeWindow());
    QCOMPARE(snapshot(folder_), saved);
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void EntryFormTest::entryAfterAnotherProgramsRowKeepsBoth() {
    enter("1/5", "gift", "200", "Option1");
    clickSubmit();
    // Another program (or the user in a text editor) adds an income and its balance while
    // the windows are open.
    const QByteArray outside[] = {"\r\n1/5\r\n2/2\r\n", "\r\ngift\r\nbonus\r\n",
                                  "\r\n200\r\n10\r\n", "\r\n700\r\n710\r\n"};
    const QStringList files = account::kIncomeTable.inOrder();
    for (int column = 0; column < kColumns; ++column)
        writeBytes(folder_ + "/" + files[column], outside[column]);
    writeBytes(balanceFile(), "710\r\n");

    enter("1/6", "salary", "1000", "Option1");
    clickSubmit();
    // The outside row stays, the entry goes after it, and the balance counts from the
    // file as it is now.
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()),
             (QStringList{"|||", "1/5|gift|200|700", "2/2|bonus|10|710", "1/6|salary|1000|1710"}));
    QCOMPARE(shownBalance(), QStringLiteral("1710"));
    QCOMPARE(mirroredBalance(), QStringLiteral("1710"));
    QCOMPARE(bytesOf(balanceFile()), QByteArray("1710\r\n"));
    QCOMPARE(bytesOf(folder_ + "/IncomeDes.txt"), QByteArray("\r\ngift\r\nbonus\r\nsalary\r\n"));
    QCOMPARE(bytesOf(folder_ + "/Incomebal.txt"), QByteArray("\r\n700\r\n710\r\n1710\r\n"));

    // "Save to File" shows a balance written meanwhile instead of writing over it.
    writeBytes(balanceFile(), "99.50\r\n");
    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(shownBalance(), QStringLiteral("99.5"));
    QCOMPARE(mirroredBalance(), QStringLiteral("99.5"));
}

void EntryFormTest::anotherProgramInTheMiddleOfASubmit_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("balanceToo");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("balance");
    // A sync tool brings an entry made on another computer (all four lists and the balance)
    // as the journal goes in: the entry is saved after it, counted from its balance. An
    // editor saves IncomeDes.txt with its first line changed as the first line of the entry
    // goes in: the entry is saved against what the files hold then.
    QTest::newRow("sync of every file") << int(listfile::SaveStep::JournalWritten) << true
                                        << QStringList{"|||", "1/5|gift|200|700",
                                                       "1/6|salary|1000|1700"}
                                        << "1700";
    QTest::newRow("one list rewritten") << int(listfile::SaveStep::LineAdded) << false
                                        << QStringList{"|edited||", "1/6|salary|1000|1500"}
                                        << "1500";
}

void EntryFormTest::anotherProgramInTheMiddleOfASubmit() {
    QFETCH(int, step);
    QFETCH(bool, balanceToo);
    QFETCH(QStringList, rows);
    QFETCH(QString, balance);
    fixture_->windows->show<IncomeWindow>();
    form();
    const QStringList files = account::kIncomeTable.inOrder();
    bool done = false;
    const auto replace = [](const QString& path, const QByteArray& bytes) {
        writeBytes(path + ".sync~", bytes);
        QCOMPARE(std::rename(QFile::encodeName(path + ".sync~").constData(),
                             QFile::encodeName(path).constData()),
                 0);
    };
    listfile::setSaveStepHook([&](listfile::SaveStep reached, const QString&) {
        if (done || int(reached) != step)
            return;
        done = true;
        if (balanceToo) {
            const QByteArray outside[] = {"\r\n1/5\r\n", "\r\ngift\r\n", "\r\n200\r\n",
                                          "\r\n700\r\n"};
            for (int column = 0; column < kColumns; ++column)
                replace(folder_ + "/" + files[column], outside[column]);
            replace(balanceFile(), "700\r\n");
        } else {
            replace(folder_ + "/IncomeDes.txt", "edited\r\n");
        }
    });
    enter("1/6", "salary", "1000", "Option1");
    clickSubmit();
    listfile::setSaveStepHook({});
    QVERIFY(done);
    QCOMPARE(fixture_->messages.shown, QList<Message>());
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()), rows);
    QCOMPARE(shownBalance(), balance);
    QCOMPARE(bytesOf(balanceFile()), balance.toUtf8() + "\r\n");
    QStringList column;
    for (const QString& row : rows)
        column << row.section('|', 1, 1);
    QCOMPARE(bytesOf(folder_ + "/IncomeDes.txt"), lines(column));
}

// The entry is in the files once the journal holds its commit; a disk that then fails to
// remove the journal is told as such, and the entry is shown as recorded.
void EntryFormTest::failureAfterTheCommitSaysRecorded() {
    fixture_->windows->show<IncomeWindow>();
    form();
    const QString journal = folder_ + "/.kesterly-save";
    // An immutable journal cannot be removed, not even by root.
    const auto setImmutable = [&journal](bool on) {
        const int fd = ::open(QFile::encodeName(journal).constData(), O_RDONLY);
        int flags = 0;
        bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        return done;
    };
    bool immutable = false;
    listfile::setSaveStepHook([&](listfile::SaveStep reached, const QString&) {
        if (reached == listfile::SaveStep::Committed)
            immutable = setImmutable(true);
    });
    enter("1/6", "salary", "1000", "Option1");
    clickSubmit();
    listfile::setSaveStepHook({});
    if (!immutable)
        QSKIP("this file system, or this user, cannot make a file immutable");
    QVERIFY(setImmutable(false));
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const QString told = fixture_->messages.shown.first().text;
    QVERIFY2(told.contains("The change is saved") && told.contains("The entry was recorded.") &&
                 told.contains(journal) && told.contains(QString::fromLocal8Bit(std::strerror(EPERM))),
             qPrintable(told));
    QCOMPARE(shownBalance(), QStringLiteral("1500"));
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()),
             (QStringList{"|||", "1/6|salary|1000|1500"}));

    // The next read finishes what was left: the entry once, the journal gone.
    fixture_->windows->find<IncomeWindow>()->close();
    QCOMPARE(entries(fixture_->windows->show<IncomeWindow>()),
             (QStringList{"|||", "1/6|salary|1000|1500"}));
    QVERIFY(!QFile::exists(journal));
    QCOMPARE(bytesOf(folder_ + "/IncomeDes.txt"), QByteArray("\r\nsalary\r\n"));
    QCOMPARE(bytesOf(balanceFile()), QByteArray("1500\r\n"));
}

void EntryFormTest::noAccountReadsAndWritesNothing() {
    openAccount(*fixture_, QString());
    const QByteArray before = snapshot(fixture_->root());
    const bool rootHadFile = QFile::exists(QDir::rootPath() + "OpeningBalance.txt");
    QCOMPARE(shownBalance(), QString());
    QVERIFY(fixture_->messages.shown.isEmpty());

    enter("1/5", "gift", "200", "Option1");
    clickSubmit();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY(fixture_->messages.shown[0].text.contains("No account is open"));
    QVERIFY(!fixture_->windows->find<IncomeWindow>());

    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QVERIFY(fixture_->messages.shown[1].text.contains("No account is open"));
    QVERIFY(form().closeWindow());
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QCOMPARE(snapshot(fixture_->root()), before);
    QCOMPARE(QFile::exists(QDir::rootPath() + "OpeningBalance.txt"), rootHadFile);
}

void EntryFormTest::writesOnlyToTheFolderItReadFrom() {
    const QString other = writeAccount(*fixture_, "Other", "1\r\n");
    const QByteArray otherBefore = snapshot(other);
    enter("1/5", "gift", "200", "Option1");
    openAccount(*fixture_, other);
    // The Income window would open on the other account: the entry is refused.
    clickSubmit();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY2(fixture_->messages.shown[0].text.contains(other),
             qPrintable(fixture_->messages.shown[0].text));
    QCOMPARE(shownBalance(), QStringLiteral("500"));
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()), QStringList{"|||"});
    QVERIFY(fixture_->windows->find<IncomeWindow>()->closeWindow());

    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QVERIFY(form().closeWindow());
    QCOMPARE(snapshot(other), otherBefore);
    QCOMPARE(bytesOf(balanceFile()), QByteArray("500\r\n"));
}

void EntryFormTest::unreadableBalanceIsToldAndKept_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("afterClose");
    QTest::newRow("missing") << "missing" << QByteArray("<missing>");
    QTest::newRow("no content") << "empty" << QByteArray("");
    QTest::newRow("cannot be read") << "folder" << QByteArray("<missing>");
}

void EntryFormTest::unreadableBalanceIsToldAndKept() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, afterClose);
    QFile::remove(balanceFile());
    if (kind == "empty")
        writeBytes(balanceFile(), "");
    if (kind == "folder")
        QVERIFY(QDir().mkpath(balanceFile()));
    QCOMPARE(shownBalance(), QString());
    QCOMPARE(mirroredBalance(), QString());
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY2(fixture_->messages.shown[0].text.contains(balanceFile()),
             qPrintable(fixture_->messages.shown[0].text));
    QVERIFY(form().closeWindow());
    QCOMPARE(bytesOf(balanceFile()), afterClose);
    QCOMPARE(QFileInfo(balanceFile()).isDir(), kind == "folder");
    QCOMPARE(fixture_->messages.shown.size(), 1);
}

void EntryFormTest::unreadableBalanceRefusesEntries_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a link to a file elsewhere") << "link";
}

void EntryFormTest::unreadableBalanceRefusesEntries() {
    QFETCH(QString, kind);
    const QString elsewhere = fixture_->path("notes.txt");
    QFile::remove(balanceFile());
    if (kind == "folder")
        QVERIFY(QDir().mkpath(balanceFile()));
    if (kind == "link") {
        writeBytes(elsewhere, "  1000 for the car\n");
        QVERIFY(QFile::link(elsewhere, balanceFile()));
    }
    const QByteArray before = snapshot(fixture_->root());
    enter("1/5", "gift", "200", "Option1");
    QCOMPARE(fixture_->messages.shown.size(), 1);
    // Booking against an empty balance would hide the one the file holds.
    clickSubmit();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QVERIFY2(fixture_->messages.shown[1].text.contains(balanceFile()),
             qPrintable(fixture_->messages.shown[1].text));
    QCOMPARE(shownBalance(), QString());
    QVERIFY(!fixture_->windows->find<IncomeWindow>());
    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 3);
    QVERIFY(form().closeWindow());
    QCOMPARE(snapshot(fixture_->root()), before);
    if (kind == "link")
        QCOMPARE(bytesOf(elsewhere), QByteArray("  1000 for the car\n"));
}

void EntryFormTest::entryIntoAListThatCannotBeSavedIsRefused() {
    // The description file cannot be read, so the Income list will not be saved; an
    // entry there would leave the saved balance counting an entry no list holds.
    QVERIFY(QFile::remove(folder_ + "/IncomeDes.txt"));
    QVERIFY(QDir().mkpath(folder_ + "/IncomeDes.txt"));
    enter("1/5", "gift", "200", "Option1");
    clickSubmit();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QCOMPARE(fixture_->messages.shown[0].title, QStringLiteral("Income"));
    QVERIFY2(fixture_->messages.shown[1].text.contains("not recorded"),
             qPrintable(fixture_->messages.shown[1].text));
    QCOMPARE(shownBalance(), QStringLiteral("500"));
    QCOMPARE(entries(*fixture_->windows->find<IncomeWindow>()), QStringList{"|||"});
    QVERIFY(form().closeWindow());
    QCOMPARE(bytesOf(balanceFile()), QByteArray("500\r\n"));
}

void EntryFormTest::fullDiskRecordsNothing_data() {
    QTest::addColumn<int>("freePages");
    QTest::addColumn<bool>("fullPages");
    // The new balance file and the journal take a page each; a line added to a list file
    // whose last page is full takes one more.
    QTest::newRow("the new balance does not fit") << 0 << false;
    QTest::newRow("the journal does not fit") << 1 << false;
    QTest::newRow("the added line does not fit") << 2 << true;
}

void EntryFormTest::fullDiskRecordsNothing() {
    QFETCH(int, freePages);
    QFETCH(bool, fullPages);
    SmallDisk disk;
    KESTERLY_SKIP_WITHOUT(disk);
    // Lists whose one row fills a page, so that another line needs a page of its own.
    const QByteArray list = fullPages ? QByteArray(4094, 'x') + "\r\n" : QByteArray("\r\n");
    const QString folder = disk.path() + "/Household";
    writeBytes(folder + "/Name.txt", "Household\r\n");
    writeBytes(folder + "/OpeningBalance.txt", "500\r\n");
    for (const QString& file : account::kIncomeTable.inOrder())
        writeBytes(folder + "/" + file, list);
    openAccount(*fixture_, folder);
    form();
    auto& income = fixture_->windows->get<IncomeWindow>();
    const QStringList shownBefore = entries(income);
    disk.fillLeaving(freePages);
    const QByteArray before = snapshot(folder);

    enter("1/5", "gift", "200", "Option1");
    clickSubmit();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const QString told = fixture_->messages.shown[0].text;
    QVERIFY2(told.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))) &&
                 told.contains("not recorded"),
             qPrintable(told));
    // Nothing on screen that is not on the disk, and nothing left behind.
    QCOMPARE(shownBalance(), QStringLiteral("500"));
    QCOMPARE(mirroredBalance(), QStringLiteral("500"));
    QCOMPARE(entries(income), shownBefore);
    QCOMPARE(snapshot(folder), before);

    // With room again, the same Submit goes through.
    disk.empty();
    clickSubmit();
    QCOMPARE(shownBalance(), QStringLiteral("700"));
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"), QByteArray("700\r\n"));
    QCOMPARE(bytesOf(folder + "/IncomeDes.txt"), list + "gift\r\n");
    QCOMPARE(entries(income), shownBefore + QStringList{"1/5|gift|200|700"});
}

void EntryFormTest::saveToFileOnAFullDiskOffersRetryAndDiscard_data() {
    QTest::addColumn<bool>("retry");
    QTest::newRow("retry after room is made") << true;
    QTest::newRow("discard") << false;
}

void EntryFormTest::saveToFileOnAFullDiskOffersRetryAndDiscard() {
    QFETCH(bool, retry);
    SmallDisk disk;
    KESTERLY_SKIP_WITHOUT(disk);
    const QString folder = disk.path() + "/Household";
    writeBytes(folder + "/OpeningBalance.txt", "500.00\r\n");
    openAccount(*fixture_, folder);
    QCOMPARE(shownBalance(), QStringLiteral("500"));
    disk.fillLeaving(0);
    fixture_->messages.answers = {retry ? Choice::Retry : Choice::Discard};
    fixture_->messages.whileOpen = [&](const Message&) {
        if (retry)
            disk.empty();
    };
    QTest::mouseClick(form().findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message asked = fixture_->messages.shown[0];
    QCOMPARE(asked.title, QStringLiteral("Entry Form"));
    QVERIFY2(asked.text.contains(folder + "/OpeningBalance.txt") && asked.text.contains("Retry"),
             qPrintable(asked.text));
    QCOMPARE(bytesOf(folder + "/OpeningBalance.txt"),
             retry ? QByteArray("500\r\n") : QByteArray("500.00\r\n"));
}

void EntryFormTest::submitPastTheRowLimitIsRefused_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("one below the limit") << kMaxRows - 1 << true;
    QTest::newRow("at the limit") << kMaxRows << false;
}

void EntryFormTest::submitPastTheRowLimitIsRefused() {
    QFETCH(int, rows);
    QFETCH(bool, accepted);
    const QByteArray bytes = QByteArray("x\r\n").repeated(rows);
    for (const QString& file : account::kExpenseTable.inOrder())
        writeBytes(folder_ + "/" + file, bytes);
    enter("1/5", "rent", "100", "Option2");
    clickSubmit();
    auto* expense = fixture_->windows->find<ExpenseWindow>();
    QVERIFY(expense);
    QCOMPARE(expense->rowCount(), accepted ? rows + 1 : rows);
    QCOMPARE(shownBalance(), accepted ? QStringLiteral("400") : QStringLiteral("500"));
    QCOMPARE(fixture_->messages.shown.size(), accepted ? 0 : 1);
    if (!accepted)
        QVERIFY(fixture_->messages.shown[0].text.contains("32767"));
}

void EntryFormTest::pastedLineBreakStaysInOneRow() {
    enter("1/5", "", "200", "Option1");
    auto* description = form().findChild<QLineEdit*>("Text2");
    QApplication::clipboard()->setText("Rent\nMarch");
    QTest::keyClick(description, Qt::Key_V, Qt::ControlModifier);
    clickSubmit();
    auto* income = fixture_->windows->find<IncomeWindow>();
    QCOMPARE(entries(*income), (QStringList{"|||", "1/5|Rent March|200|700"}));
    QVERIFY(income->closeWindow());
    QCOMPARE(bytesOf(folder_ + "/IncomeDes.txt"), QByteArray("\r\nRent March\r\n"));
    QCOMPARE(bytesOf(folder_ + "/IncomeDate.txt"), QByteArray("\r\n1/5\r\n"));
}

void EntryFormTest::longBalanceIsWholeInTipAndName_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a balance too long for the label")
        << QByteArray("1.23456789012346E+300\r\n") << "1.23456789012346E+300";
    QTest::newRow("letters that look like markup") << QByteArray("<b>500\r\n") << "<b>500";
}

void EntryFormTest::longBalanceIsWholeInTipAndName() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    writeBytes(balanceFile(), stored);
    form();
    for (QLabel* label : {form().findChild<QLabel*>("Label4"),
                          fixture_->windows->find<BalanceWindow>()->findChild<QLabel*>("Label1")}) {
        QCOMPARE(label->text(), shown);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QTextDocument tip;
        tip.setHtml(label->toolTip());
        QCOMPARE(Qt::mightBeRichText(label->toolTip()) ? tip.toPlainText() : label->toolTip(),
                 shown);
        QCOMPARE(label->accessibleName(), shown);
    }
}

QTEST_MAIN(EntryFormTest)
#include "test_entryform.moc"
