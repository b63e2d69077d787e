#include "core/listfile.h"
#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/entryimport.h"
#include "ledger/expensewindow.h"
#include "ledger/importwindow.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

namespace {

// A US bank's statement: withdrawals and deposits in columns of their own, one row whose
// date does not read.
const QByteArray kStatement = "Date,Description,Withdrawals,Deposits,Balance\n"
                              "11/03/2026,\"AMAZON.COM, INC.\",12.50,,987.50\n"
                              "11/15/2026,PAYROLL,,\"2,500.00\",\"3,487.50\"\n"
                              "11/31/2026,NO SUCH DAY,1.00,,\"3,486.50\"\n"
                              "11/28/2026,Coffee,3.50,,\"3,483.00\"\n";

} // namespace

// Account, Import Entries…: the file dialog, the preview with its guesses, Import and
// Cancel by keyboard, and every open window showing the rows at once.
class ImportWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void previewShowsTheGuessesAndImportRecordsTheRows();
    void choicesChangeThePreviewAtOnce();
    void escapeWritesNothing();
    void fileThatIsNoStatementIsRefusedBeforeAnyPreview();
    void anotherProgramsChangeIsShownAndAskedAgain();
    void everyControlIsReachedAndNamed();

private:
    // Runs the command with the files as the dialog's answer and waits until they are read.
    ImportWindow* preview(const QStringList& files);
    QString file(const QString& name, const QByteArray& bytes) {
        writeBytes(fixture_->path(name), bytes);
        return fixture_->path(name);
    }

    std::unique_ptr<AppFixture> fixture_;
    QString account_;
};

void ImportWindowTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    fixture_->clock.set(QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
    account_ = writeAccount(*fixture_, "Household", "500\r\n");
    openAccount(*fixture_, account_);
    fixture_->windows->mainWindow().setViewMenuEnabled(true);
}

void ImportWindowTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

ImportWindow* ImportWindowTest::preview(const QStringList& files) {
    fixture_->messages.openAnswers = {files};
    QAction* command = fixture_->windows->mainWindow().command("cmdimport");
    if (!command->isEnabled())
        return nullptr;
    command->trigger();
    EntryImport& import = fixture_->windows->shared<EntryImport>();
    if (!QTest::qWaitFor([&import] { return !import.running(); }, 10000))
        qWarning("the files were not read within 10 s");
    ImportWindow* window = fixture_->windows->find<ImportWindow>();
    if (window && !QTest::qWaitFor([window] { return !window->working(); }, 10000))
        qWarning("the preview was not worked out within 10 s");
    return window;
}

void ImportWindowTest::previewShowsTheGuessesAndImportRecordsTheRows() {
    // The windows that show the account are open before the import.
    IncomeWindow& income = fixture_->windows->get<IncomeWindow>();
    EntryForm& form = fixture_->windows->get<EntryForm>();
    QCOMPARE(form.balanceText(), QStringLiteral("500"));
    const QString statement = file("statement.csv", kStatement);
    ImportWindow* window = preview({statement});
    QVERIFY(window);
    QCOMPARE(fixture_->messages.openRequests.size(), 1);
    QCOMPARE(fixture_->messages.openRequests[0].title, QStringLiteral("Import Entries"));

    const auto combo = [window](const char* name) { return window->findChild<QComboBox*>(name); };
    QCOMPARE(combo("DelimiterBox")->currentText(), QStringLiteral("Comma (guessed)"));
    QCOMPARE(combo("DateColumnBox")->currentText(), QStringLiteral("Date (column 1) (guessed)"));
    QCOMPARE(combo("DateOrderBox")->currentText(), QStringLiteral("Month-day-year (guessed)"));
    QCOMPARE(combo("DecimalBox")->currentText(), QStringLiteral("Point (1,234.56) (guessed)"));
    QCOMPARE(combo("AmountColumnBox")->currentText(), QStringLiteral("(none) (guessed)"));
    QCOMPARE(combo("DebitColumnBox")->currentText(),
             QStringLiteral("Withdrawals (column 3) (guessed)"));
    QCOMPARE(combo("CreditColumnBox")->currentText(),
             QStringLiteral("Deposits (column 4) (guessed)"));
    QCOMPARE(combo("ListBox")->currentText(),
             QStringLiteral("Income or Expense by the sign (guessed)"));
    QCOMPARE(window->countsText(),
             QStringLiteral("3 rows to import: 1 to Income, 2 to Expense. 1 rows cannot be read "
                            "and are left out."));
    QCOMPARE(window->unreadableTexts(),
             QStringList{"Line 4: the date \"11/31/2026\" does not read as month-day-year"});
    auto* rows = window->findChild<QTableView*>("RowsView");
    QCOMPARE(rows->model()->rowCount(), 3);
    QCOMPARE(rows->model()->index(0, 2).data().toString(), QStringLiteral("AMAZON.COM, INC."));
    QCOMPARE(rows->model()->index(2, 4).data().toString(), QStringLiteral("2984"));

    // Return imports, from any control but a button.
    QTest::keyClick(combo("DateOrderBox"), Qt::Key_Return);
    QTRY_VERIFY(!fixture_->windows->find<ImportWindow>());
    QCOMPARE(fixture_->messages.shown.last(),
             (Message{"3 rows were imported: 1 to the Income list and 2 to the Expense list. 0 "
                      "duplicates of entries the account held were left out. 1 rows could not "
                      "be read and were left out.",
                      ImportWindow::kTitle, MessageIcon::Information}));
    QCOMPARE(bytesOf(account_ + "/IncomeDate.txt"), QByteArray("\r\n11/15/2026\r\n"));
    QCOMPARE(bytesOf(account_ + "/IncomeAmn.txt"), QByteArray("\r\n2,500.00\r\n"));
    QCOMPARE(bytesOf(account_ + "/ExpenseDes.txt"),
             QByteArray("\r\nAMAZON.COM, INC.\r\nCoffee\r\n"));
    QCOMPARE(bytesOf(account_ + "/Expensebal.txt"), QByteArray("\r\n487.5\r\n2984\r\n"));
    QCOMPARE(bytesOf(account_ + "/OpeningBalance.txt"), QByteArray("2984\r\n"));
    // The open windows show it at once.
    QTRY_COMPARE(entries(income), (QStringList{"|||", "11/15/2026|PAYROLL|2,500.00|2987.5"}));
    QCOMPARE(form.balanceText(), QStringLiteral("2984"));
    QCOMPARE(fixture_->windows->get<BalanceWindow>().balanceText(), QStringLiteral("2984"));
    QCOMPARE(entries(fixture_->windows->get<ExpenseWindow>()).size(), 3);

    // The same statement again: every row is there already.
    window = preview({statement});
    QVERIFY(window);
    QCOMPARE(window->countsText(),
             QStringLiteral("0 rows to import: 0 to Income, 0 to Expense. 3 duplicates of entries "
                            "the account holds are left out. 1 rows cannot be read and are left "
                            "out."));
    fixture_->messages.shown.clear();
    window->importRows();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY(fixture_->messages.shown[0].text.startsWith("There is no row to import"));
    QVERIFY(window->closeWindow());
    QCOMPARE(bytesOf(account_ + "/OpeningBalance.txt"), QByteArray("2984\r\n"));
}

void ImportWindowTest::choicesChangeThePreviewAtOnce() {
    ImportWindow* window = preview({file("statement.csv", kStatement)});
    QVERIFY(window);
    auto* order = window->findChild<QComboBox*>("DateOrderBox");
    order->setCurrentIndex(0); // day-month-year: only the days of 12 and less read
    QCOMPARE(window->plan().recorded(), 1);
    QCOMPARE(window->unreadableTexts().size(), 3);
    order->setCurrentIndex(1);
    QCOMPARE(window->plan().recorded(), 3);
    auto* list = window->findChild<QComboBox*>("ListBox");
    list->setCurrentIndex(2); // all to Expense
    QCOMPARE(window->plan().toExpense, 3);
    // The description from two columns, joined with a blank.
    auto* columns = window->findChild<QListWidget*>("DescriptionList");
    columns->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(window->plan().rows.value(0).row.description,
             QStringLiteral("11/03/2026 AMAZON.COM, INC."));
    // Another delimiter: the file splits into one column, and no row reads.
    window->findChild<QComboBox*>("DelimiterBox")->setCurrentIndex(1);
    QCOMPARE(window->plan().recorded(), 0);
    QVERIFY(window->countsText().startsWith("Choose the date column and an amount column"));
    window->findChild<QComboBox*>("DelimiterBox")->setCurrentIndex(0);
    QCOMPARE(window->plan().recorded(), 3);
    // Duplicates included on request.
    auto* check = window->findChild<QCheckBox*>("DuplicatesCheck");
    check->setChecked(true);
    QCOMPARE(window->plan().duplicates, 0);
    QVERIFY(window->closeWindow());
}

void ImportWindowTest::escapeWritesNothing() {
    const QByteArray before = snapshot(account_);
    ImportWindow* window = preview({file("statement.csv", kStatement)});
    QVERIFY(window);
    QTest::keyClick(window->findChild<QTableView*>("RowsView"), Qt::Key_Escape);
    QTRY_VERIFY(!fixture_->windows->find<ImportWindow>());
    QCOMPARE(snapshot(account_), before);
    QVERIFY(fixture_->messages.shown.isEmpty());
    // Cancel in the file dialog asks nothing more.
    QCOMPARE(preview({}), nullptr);
    QCOMPARE(snapshot(account_), before);
}

void ImportWindowTest::fileThatIsNoStatementIsRefusedBeforeAnyPreview() {
    const QString picture =
        file("picture.csv", QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
    QCOMPARE(preview({picture}), nullptr);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QCOMPARE(fixture_->messages.shown[0].text,
             QStringLiteral("\"%1\" holds no text (it may be a picture or another program's own "
                            "file), so nothing can be imported from it. Kesterly imports CSV "
                            "files as banks write them and QIF files.\nNothing was imported.")
                 .arg(picture));
    QVERIFY(!fixture_->windows->find<ImportWindow>());
    // Without an account the command is off.
    fixture_->windows->mainWindow().setViewMenuEnabled(false);
    QVERIFY(!fixture_->windows->mainWindow().command("cmdimport")->isEnabled());
}

void ImportWindowTest::anotherProgramsChangeIsShownAndAskedAgain() {
    ImportWindow* window = preview({file("statement.csv", kStatement)});
    QVERIFY(window);
    // An editor writes an entry of the statement into the account meanwhile.
    writeBytes(account_ + "/IncomeDate.txt", "\r\n11/15/2026\r\n");
    writeBytes(account_ + "/IncomeDes.txt", "\r\nPAYROLL\r\n");
    writeBytes(account_ + "/IncomeAmn.txt", "\r\n2500\r\n");
    writeBytes(account_ + "/Incomebal.txt", "\r\n3000\r\n");
    writeBytes(account_ + "/OpeningBalance.txt", "3000\r\n");
    const QByteArray written = snapshot(account_);
    window->importRows();
    QTRY_VERIFY(!window->working());
    QCOMPARE(snapshot(account_), written);
    QVERIFY(fixture_->messages.shown.last().text.startsWith("Another program changed the"));
    QCOMPARE(window->plan().duplicates, 1);
    QCOMPARE(window->plan().recorded(), 2);
    window->importRows();
    QTRY_VERIFY(!fixture_->windows->find<ImportWindow>());
    QCOMPARE(bytesOf(account_ + "/OpeningBalance.txt"), QByteArray("2984\r\n"));
}

void ImportWindowTest::everyControlIsReachedAndNamed() {
    ImportWindow* window = preview({file("statement.csv", kStatement)});
    QVERIFY(window);
    QStringList chain;
    QWidget* at = window->findChild<QComboBox*>("FileBox");
    for (int i = 0; i < 400 && at; ++i) {
        if (window->isAncestorOf(at) && at->focusPolicy() & Qt::TabFocus &&
            !at->objectName().isEmpty() && !chain.contains(at->objectName()))
            chain << at->objectName();
        at = at->nextInFocusChain();
    }
    QCOMPARE(chain, (QStringList{"FileBox", "DelimiterBox", "DateColumnBox", "DateOrderBox",
                                 "DecimalBox", "ListBox", "AmountColumnBox", "DebitColumnBox",
                                 "CreditColumnBox", "DescriptionList", "DuplicatesCheck",
                                 "RowsView", "UnreadableList", "ImportButton", "CancelButton"}));
    for (const QString& name : chain) {
        QWidget* control = window->findChild<QWidget*>(name);
        const QString named = control->accessibleName().isEmpty()
                                  ? control->property("text").toString()
                                  : control->accessibleName();
        QVERIFY2(!named.isEmpty(), qPrintable(name));
    }
    QCOMPARE(window->findChild<QComboBox*>("DateOrderBox")->accessibleName(),
             QStringLiteral("Date order"));
    QVERIFY(window->closeWindow());
}

QTEST_MAIN(ImportWindowTest)
#include "test_importwindow.moc"
