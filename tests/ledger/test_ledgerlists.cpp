#include "framework/controls.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

using namespace kesterly;
using namespace kesterly::ledger;
using namespace kesterly::test;

namespace {

const QStringList kListNames = {"Date1", "Des1", "Amount1", "Bal1"};

} // namespace

class LedgerListsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAndFocusOrder_data();
    void layoutAndFocusOrder();
    void freshAccountShowsOneEmptyRow_data();
    void freshAccountShowsOneEmptyRow();
    void closeAndReopenKeepsRows();
    void clickGoesRoundTheRingOnce_data();
    void clickGoesRoundTheRingOnce();
    void keyboardMovesAllFourLists();
    void keysSelectTheRowTheyLandOn_data();
    void keysSelectTheRowTheyLandOn();
    void homeThenRemoveTakesTheEmptyFirstRow();
    void removeRowFiveOfTen();
    void removeTheOnlyRowLeavesEmptyFiles();
    void removeWithNothingSelectedChangesNothing();
    void loneCarriageReturnReadsAsABlankAndSaves();
    void appendingChangesNoSelection_data();
    void appendingChangesNoSelection();
    void unequalFilesArePadded();
    void unreadableFileIsToldAndNothingWritten_data();
    void unreadableFileIsToldAndNothingWritten();
    void noAccountReadsAndWritesNothing();
    void savesOnlyToTheFolderItReadFrom();
    void changeThatCannotBeSavedIsNotShown_data();
    void changeThatCannotBeSavedIsNotShown();
    void removalAfterAnotherProgramsChangeIsRefused();
    void tableBeyondTheRowLimitIsShownUpToItAndNotWritten_data();
    void tableBeyondTheRowLimitIsShownUpToItAndNotWritten();
    void largeTableIsReadAndSavedAside();
    void longRowIsShownShortAndKeptWhole();

private:
    LedgerListWindow& open(const QString& which);
    QString file(const QString& which, Column column) const;
    void clickRow(RowList* list, int row);
    std::unique_ptr<AppFixture> fixture_;
    QString folder_;
};

void LedgerListsTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    folder_ = writeAccount(*fixture_, "Household");
    openAccount(*fixture_, folder_);
}

void LedgerListsTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

LedgerListWindow& LedgerListsTest::open(const QString& which) {
    if (which == "Income")
        return fixture_->windows->show<IncomeWindow>();
    return fixture_->windows->show<ExpenseWindow>();
}

QString LedgerListsTest::file(const QString& which, Column column) const {
    const account::TableFiles& files =
        which == "Income" ? account::kIncomeTable : account::kExpenseTable;
    return account::filePath(folder_, columnFile(files, column));
}

void LedgerListsTest::clickRow(RowList* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QVERIFY(rect.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

void LedgerListsTest::layoutAndFocusOrder_data() {
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("dateList");
    QTest::addColumn<QRect>("button");
    QTest::addColumn<QStringList>("focusOrder");
    QTest::newRow("income") << "Income"
                            << "Form5" << QString(74, ' ') + "Income" << twipsSize(7728, 6828)
                            << twipsRect(558, 480, 1092, 5424) << twipsRect(2880, 6120, 1932, 492)
                            << QStringList{"Date1", "Des1", "Amount1", "Bal1", "Command1"};
    QTest::newRow("expense") << "Expense"
                             << "Form6" << QString(73, ' ') + "Expense" << twipsSize(7704, 6984)
                             << twipsRect(546, 480, 1212, 5424) << twipsRect(2640, 6120, 1932, 612)
                             << QStringList{"Amount1", "Des1", "Date1", "Bal1", "Command1"};
}

void LedgerListsTest::layoutAndFocusOrder() {
    QFETCH(QString, which);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    QFETCH(QRect, dateList);
    QFETCH(QRect, button);
    QFETCH(QStringList, focusOrder);
    auto& window = open(which);
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));
    QCOMPARE(window.objectName(), name);
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(window.size(), size);
    QCOMPARE(window.findChild<RowList*>("Date1")->geometry(), dateList);
    auto* remove = window.findChild<QPushButton*>("Command1");
    QCOMPARE(remove->geometry(), button);
    QCOMPARE(remove->text(), QStringLiteral("Remove Selected"));
    QVERIFY(window.holdsAccountData());

    QStringList visited;
    QTRY_VERIFY(QApplication::focusWidget());
    for (int i = 0; i < focusOrder.size(); ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, focusOrder);
    // Focus alone selects nothing.
    QCOMPARE(selectedIndexes(window), (QList<int>{-1, -1, -1, -1}));
}

void LedgerListsTest::freshAccountShowsOneEmptyRow_data() {
    QTest::addColumn<QString>("which");
    QTest::newRow("income") << "Income";
    QTest::newRow("expense") << "Expense";
}

void LedgerListsTest::freshAccountShowsOneEmptyRow() {
    QFETCH(QString, which);
    auto& window = open(which);
    QCOMPARE(entries(window), QStringList{"|||"});
    QCOMPARE(selectedIndexes(window), (QList<int>{-1, -1, -1, -1}));
    QVERIFY(fixture_->messages.shown.isEmpty());
    QVERIFY(window.closeWindow());
    for (int column = 0; column < kColumns; ++column)
        QCOMPARE(bytesOf(file(which, Column(column))), QByteArray("\r\n"));
}

void LedgerListsTest::closeAndReopenKeepsRows() {
    const QByteArray dates = "\r\n1/2/2026\r\n3/4/2026";
    const QByteArray descriptions = "\r\n   rent\r\n\tfood, drink\r\n";
    const QByteArray amounts = "\r\n700\n12.50\r\n";
    const QByteArray balances = "\r\n-200\r\n-212.5\r\n";
    writeBytes(file("Expense", Date), dates);
    writeBytes(file("Expense", Description), descriptions);
    writeBytes(file("Expense", Amount), amounts);
    writeBytes(file("Expense", Balance), balances);
    const QStringList expected = {"|||", "1/2/2026|rent|700|-200",
                                  "3/4/2026|food, drink|12.50|-212.5"};
    QCOMPARE(entries(open("Expense")), expected);
    QVERIFY(open("Expense").closeWindow());
    QVERIFY(!fixture_->windows->find<ExpenseWindow>());
    // Nothing changed, so the files stay as they were, line ends and blanks included.
    QCOMPARE(bytesOf(file("Expense", Date)), dates);
    QCOMPARE(bytesOf(file("Expense", Description)), descriptions);
    QCOMPARE(bytesOf(file("Expense", Amount)), amounts);
    QCOMPARE(bytesOf(file("Expense", Balance)), balances);

    auto& again = open("Expense");
    QCOMPARE(entries(again), expected);
    // An entry is added to the files at once, as one more line after what they hold: a
    // last line without its line end gets one, blanks and bare LFs stay as they were.
    QCOMPARE(record(again, {"5/6/2026", "gift", "1", "-213.5"}), QString());
    QCOMPARE(bytesOf(file("Expense", Date)),
             QByteArray("\r\n1/2/2026\r\n3/4/2026\r\n5/6/2026\r\n"));
    QCOMPARE(bytesOf(file("Expense", Description)), descriptions + "gift\r\n");
    QCOMPARE(bytesOf(file("Expense", Amount)), amounts + "1\r\n");
    QCOMPARE(bytesOf(file("Expense", Balance)), balances + "-213.5\r\n");
    QVERIFY(again.closeWindow());
    QCOMPARE(bytesOf(file("Expense", Balance)), balances + "-213.5\r\n");
    QCOMPARE(entries(open("Expense")), expected + QStringList{"5/6/2026|gift|1|-213.5"});
}

void LedgerListsTest::clickGoesRoundTheRingOnce_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("Date1") << 0 << QStringList{"Date1", "Des1", "Amount1", "Bal1"};
    QTest::newRow("Des1") << 1 << QStringList{"Des1", "Amount1", "Bal1", "Date1"};
    QTest::newRow("Amount1") << 2 << QStringList{"Amount1", "Bal1", "Date1", "Des1"};
    QTest::newRow("Bal1") << 3 << QStringList{"Bal1", "Date1", "Des1", "Amount1"};
}

void LedgerListsTest::clickGoesRoundTheRingOnce() {
    QFETCH(int, start);
    QFETCH(QStringList, steps);
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines({"a", "b", "c", "d", "e"}));
    auto& window = open("Income");
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixture_->windows->mainWindow()));
    QStringList log;
    for (int column = 0; column < kColumns; ++column)
        connect(window.list(Column(column)), &RowList::selectedIndexChanged, &window,
                [&log, column](int index) {
                    log << kListNames[column] + "=" + QString::number(index);
                });

    clickRow(window.list(Column(start)), 3);
    // Each list's own listener runs after its ring step has passed the change on, so the
    // log holds the steps innermost first.
    QStringList expected;
    for (const QString& step : steps)
        expected.prepend(step + "=3");
    QCOMPARE(log, expected);
    QCOMPARE(selectedIndexes(window), (QList<int>{3, 3, 3, 3}));

    // A click on the row already selected changes nothing.
    log.clear();
    clickRow(window.list(Column((start + 2) % kColumns)), 3);
    QCOMPARE(log, QStringList());

    clickRow(window.list(Column((start + 1) % kColumns)), 1);
    QCOMPARE(log.size(), 4);
    QCOMPARE(selectedIndexes(window), (QList<int>{1, 1, 1, 1}));
}

void LedgerListsTest::keyboardMovesAllFourLists() {
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines({"a", "b", "c", "d"}));
    auto& window = open("Income");
    RowList* descriptions = window.list(Description);
    descriptions->setSelectedIndex(1);
    QCOMPARE(selectedIndexes(window), (QList<int>{1, 1, 1, 1}));
    QTest::keyClick(descriptions, Qt::Key_Down);
    QCOMPARE(selectedIndexes(window), (QList<int>{2, 2, 2, 2}));
    QTest::keyClick(window.list(Balance), Qt::Key_Up);
    QCOMPARE(selectedIndexes(window), (QList<int>{1, 1, 1, 1}));
}

void LedgerListsTest::keysSelectTheRowTheyLandOn_data() {
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("selected"); // before the key, -1 for none
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("landsOn");
    QTest::newRow("Home, nothing selected") << int(Date) << -1 << int(Qt::Key_Home) << 0;
    QTest::newRow("Down, nothing selected") << int(Amount) << -1 << int(Qt::Key_Down) << 0;
    QTest::newRow("Up, nothing selected") << int(Balance) << -1 << int(Qt::Key_Up) << 0;
    QTest::newRow("End, nothing selected") << int(Description) << -1 << int(Qt::Key_End) << 29;
    QTest::newRow("Page Down, nothing selected") << int(Date) << -1 << int(Qt::Key_PageDown) << 0;
    QTest::newRow("Down") << int(Date) << 2 << int(Qt::Key_Down) << 3;
    QTest::newRow("Up") << int(Amount) << 2 << int(Qt::Key_Up) << 1;
    QTest::newRow("Up on the first row") << int(Date) << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("Down on the last row") << int(Date) << 29 << int(Qt::Key_Down) << 29;
    QTest::newRow("Home") << int(Balance) << 7 << int(Qt::Key_Home) << 0;
    QTest::newRow("End") << int(Date) << 7 << int(Qt::Key_End) << 29;
    QTest::newRow("Page Up near the top") << int(Date) << 2 << int(Qt::Key_PageUp) << 0;
    QTest::newRow("Page Down near the end") << int(Date) << 28 << int(Qt::Key_PageDown) << 29;
}

void LedgerListsTest::keysSelectTheRowTheyLandOn() {
    QFETCH(int, list);
    QFETCH(int, selected);
    QFETCH(int, key);
    QFETCH(int, landsOn);
    QStringList rows;
    for (int i = 0; i < 30; ++i)
        rows << QString::number(i);
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines(rows));
    auto& window = open("Income");
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixture_->windows->mainWindow()));
    RowList* keys = window.list(Column(list));
    window.list(Date)->setSelectedIndex(selected);
    // Taking the focus marks a row of the list without selecting it.
    keys->setFocus();
    QTest::keyClick(keys, Qt::Key(key));
    QCOMPARE(selectedIndexes(window), (QList<int>{landsOn, landsOn, landsOn, landsOn}));
    QVERIFY(keys->selectionModel()->isRowSelected(landsOn, {}));
}

void LedgerListsTest::homeThenRemoveTakesTheEmptyFirstRow() {
    writeBytes(file("Income", Date), lines({"", "1/1"}));
    writeBytes(file("Income", Description), lines({"", "gift"}));
    writeBytes(file("Income", Amount), lines({"", "5"}));
    writeBytes(file("Income", Balance), lines({"", "505"}));
    auto& window = open("Income");
    window.list(Date)->setFocus();
    QTest::keyClick(window.list(Date), Qt::Key_Home);
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(entries(window), QStringList{"1/1|gift|5|505"});
    QVERIFY(window.closeWindow());
    QCOMPARE(bytesOf(file("Income", Date)), lines({"1/1"}));
}

void LedgerListsTest::removeRowFiveOfTen() {
    QStringList dates, descriptions, amounts, balances;
    for (int i = 0; i < 10; ++i) {
        dates << QString("%1/1/2026").arg(i + 1);
        descriptions << QString("entry %1").arg(i);
        amounts << QString::number(10 * i);
        balances << QString::number(500 + 10 * i);
    }
    writeBytes(file("Income", Date), lines(dates));
    writeBytes(file("Income", Description), lines(descriptions));
    writeBytes(file("Income", Amount), lines(amounts));
    writeBytes(file("Income", Balance), lines(balances));
    const QByteArray balanceFile = bytesOf(folder_ + "/OpeningBalance.txt");
    auto& window = open("Income");
    window.list(Amount)->setSelectedIndex(5);
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);

    QStringList expected;
    for (int i = 0; i < 10; ++i) {
        if (i != 5)
            expected << dates[i] + "|" + descriptions[i] + "|" + amounts[i] + "|" + balances[i];
    }
    QCOMPARE(entries(window), expected);
    QCOMPARE(selectedIndexes(window), (QList<int>{0, 0, 0, 0}));
    // The files lose the entry at once; the stored balance stays as it was.
    QCOMPARE(bytesOf(folder_ + "/OpeningBalance.txt"), balanceFile);
    dates.removeAt(5);
    balances.removeAt(5);
    QCOMPARE(bytesOf(file("Income", Date)), lines(dates));
    QCOMPARE(bytesOf(file("Income", Balance)), lines(balances));
    QVERIFY(window.closeWindow());
    QCOMPARE(bytesOf(file("Income", Date)), lines(dates));
}

void LedgerListsTest::removeTheOnlyRowLeavesEmptyFiles() {
    auto& window = open("Expense");
    window.list(Balance)->setSelectedIndex(0);
    QCOMPARE(selectedIndexes(window), (QList<int>{0, 0, 0, 0}));
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(entries(window), QStringList());
    QCOMPARE(selectedIndexes(window), (QList<int>{-1, -1, -1, -1}));
    for (int column = 0; column < kColumns; ++column)
        QCOMPARE(bytesOf(file("Expense", Column(column))), QByteArray());
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void LedgerListsTest::removeWithNothingSelectedChangesNothing() {
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines({"a", "b"}));
    auto& window = open("Income");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(entries(window), (QStringList{"a|a|a|a", "b|b|b|b"}));
    QCOMPARE(selectedIndexes(window), (QList<int>{-1, -1, -1, -1}));
}

void LedgerListsTest::loneCarriageReturnReadsAsABlankAndSaves() {
    writeBytes(file("Income", Description), "old\rmac\r\nrent\r\n");
    for (const Column column : {Date, Amount, Balance})
        writeBytes(file("Income", column), lines({"1", "2"}));
    auto& window = open("Income");
    QCOMPARE(entries(window), (QStringList{"1|old mac|1|1", "2|rent|2|2"}));
    window.list(Date)->setSelectedIndex(1);
    window.removeSelected();
    QVERIFY(fixture_->messages.shown.isEmpty());
    QCOMPARE(entries(window), (QStringList{"1|old mac|1|1"}));
    QCOMPARE(bytesOf(file("Income", Description)), QByteArray("old mac\r\n"));
}

void LedgerListsTest::appendingChangesNoSelection_data() {
    QTest::addColumn<int>("selected");
    QTest::newRow("nothing selected") << -1;
    QTest::newRow("first row") << 0;
    QTest::newRow("last row") << 1;
}

void LedgerListsTest::appendingChangesNoSelection() {
    QFETCH(int, selected);
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines({"a", "b"}));
    auto& window = open("Income");
    window.list(Date)->setSelectedIndex(selected);
    QStringList log;
    for (int column = 0; column < kColumns; ++column)
        connect(window.list(Column(column)), &RowList::selectedIndexChanged, &window,
                [&log](int index) { log << QString::number(index); });
    QCOMPARE(record(window, {"5/5/2026", "gift", "20", "520"}), QString());
    QCOMPARE(log, QStringList());
    QCOMPARE(selectedIndexes(window), (QList<int>{selected, selected, selected, selected}));
    QCOMPARE(entries(window).last(), QStringLiteral("5/5/2026|gift|20|520"));
    QCOMPARE(window.rowCount(), 3);
}

void LedgerListsTest::unequalFilesArePadded() {
    writeBytes(file("Income", Date), lines({"1/1", "2/1", "3/1"}));
    writeBytes(file("Income", Description), lines({"one"}));
    writeBytes(file("Income", Amount), lines({"1", "2"}));
    writeBytes(file("Income", Balance), "");
    auto& window = open("Income");
    QCOMPARE(entries(window), (QStringList{"1/1|one|1|", "2/1||2|", "3/1|||"}));
    // Selecting the last row reaches every list.
    window.list(Date)->setSelectedIndex(2);
    QCOMPARE(selectedIndexes(window), (QList<int>{2, 2, 2, 2}));
    // Looking changes nothing on the disk.
    QVERIFY(window.closeWindow());
    QCOMPARE(bytesOf(file("Income", Description)), QByteArray("one\r\n"));
    QCOMPARE(bytesOf(file("Income", Balance)), QByteArray());

    auto& again = open("Income");
    again.list(Date)->setSelectedIndex(2);
    again.removeSelected();
    QCOMPARE(bytesOf(file("Income", Date)), QByteArray("1/1\r\n2/1\r\n"));
    QCOMPARE(bytesOf(file("Income", Description)), QByteArray("one\r\n\r\n"));
    QCOMPARE(bytesOf(file("Income", Balance)), QByteArray("\r\n\r\n"));

    // An entry added to files of unequal length goes into the row after the longest one.
    writeBytes(file("Income", Amount), lines({"1"}));
    QCOMPARE(record(again, {"4/1", "four", "4", "504"}), QString());
    QCOMPARE(entries(again), (QStringList{"1/1|one|1|", "2/1|||", "4/1|four|4|504"}));
    QCOMPARE(bytesOf(file("Income", Amount)), lines({"1", "", "4"}));
    QCOMPARE(bytesOf(file("Income", Description)), lines({"one", "", "four"}));
}

void LedgerListsTest::unreadableFileIsToldAndNothingWritten_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a link to a file elsewhere") << "link";
}

void LedgerListsTest::unreadableFileIsToldAndNothingWritten() {
    QFETCH(QString, kind);
    const QString descriptions = file("Income", Description);
    const QString elsewhere = fixture_->path("notes.txt");
    QFile::remove(descriptions);
    // A folder in the file's place cannot be read, whoever runs the test.
    if (kind == "folder")
        QVERIFY(QDir().mkpath(descriptions));
    if (kind == "link") {
        writeBytes(elsewhere, "  my own notes\n");
        QVERIFY(QFile::link(elsewhere, descriptions));
    }
    writeBytes(file("Income", Date), lines({"", "1/1"}));
    const QByteArray before = snapshot(folder_);
    auto& window = open("Income");
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message told = fixture_->messages.shown[0];
    QCOMPARE(told.title, QStringLiteral("Income"));
    QCOMPARE(told.icon, MessageIcon::Exclamation);
    QVERIFY2(told.text.contains(descriptions), qPrintable(told.text));
    QCOMPARE(entries(window), (QStringList{"|||", "1/1|||"}));

    // No file of the table is written (the dates would part from their descriptions), so
    // an entry is refused and a removal too, with the reason.
    window.list(Date)->setSelectedIndex(0);
    window.removeSelected();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QVERIFY2(fixture_->messages.shown[1].text.contains("cannot be saved") &&
                 fixture_->messages.shown[1].text.contains(descriptions) &&
                 fixture_->messages.shown[1].text.contains("not removed"),
             qPrintable(fixture_->messages.shown[1].text));
    const QString refused = record(window, {"2/1", "gift", "5", "505"});
    QVERIFY2(refused.contains("cannot be saved"), qPrintable(refused));
    QCOMPARE(entries(window), (QStringList{"|||", "1/1|||"}));
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(folder_), before);
    if (kind == "link") {
        QCOMPARE(bytesOf(elsewhere), QByteArray("  my own notes\n"));
        QVERIFY(QFileInfo(descriptions).isSymLink());
    }
    QCOMPARE(fixture_->messages.shown.size(), 2);
}

void LedgerListsTest::noAccountReadsAndWritesNothing() {
    openAccount(*fixture_, QString());
    const QByteArray before = snapshot(fixture_->root());
    const bool rootHadFile = QFile::exists(QDir::rootPath() + "IncomeDate.txt");
    auto& window = open("Income");
    QCOMPARE(entries(window), QStringList());
    QCOMPARE(record(window, {"1/1", "", "", ""}), QString());
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(fixture_->root()), before);
    QCOMPARE(QFile::exists(QDir::rootPath() + "IncomeDate.txt"), rootHadFile);
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void LedgerListsTest::savesOnlyToTheFolderItReadFrom() {
    const QString other = writeAccount(*fixture_, "Other");
    const QByteArray otherBefore = snapshot(other);
    auto& window = open("Expense");
    openAccount(*fixture_, other);
    QCOMPARE(record(window, {"1/1", "rent", "700", "-200"}), QString());
    window.list(Date)->setSelectedIndex(0);
    window.removeSelected();
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(other), otherBefore);
    QCOMPARE(bytesOf(file("Expense", Description)), QByteArray("rent\r\n"));
}

void LedgerListsTest::changeThatCannotBeSavedIsNotShown_data() {
    QTest::addColumn<bool>("removal");
    QTest::newRow("entry added") << false;
    QTest::newRow("entry removed") << true;
}

void LedgerListsTest::changeThatCannotBeSavedIsNotShown() {
    QFETCH(bool, removal);
    auto& window = open("Income");
    QCOMPARE(record(window, {"1/1", "gift", "5", "505"}), QString());
    // Another program turns the description file into a folder while the window is open.
    const QString descriptions = file("Income", Description);
    QVERIFY(QFile::remove(descriptions));
    QVERIFY(QDir().mkpath(descriptions));
    const QByteArray before = snapshot(folder_);
    QString told;
    if (removal) {
        window.list(Date)->setSelectedIndex(1);
        window.removeSelected();
        QVERIFY(!fixture_->messages.shown.isEmpty());
        told = fixture_->messages.shown.last().text;
        QCOMPARE(fixture_->messages.shown.last().title, QStringLiteral("Income"));
    } else {
        told = record(window, {"2/1", "salary", "1000", "1505"});
    }
    QVERIFY2(told.contains(descriptions) && told.contains("cannot be saved"), qPrintable(told));
    // The window shows what could be read of the files, and the files stay as they are.
    QCOMPARE(entries(window), (QStringList{"|||", "1/1||5|505"}));
    QCOMPARE(snapshot(folder_), before);

    // Put right, the files are read again and the change goes through (a removal once
    // the user has chosen again among the rows read).
    QDir(descriptions).removeRecursively();
    writeBytes(descriptions, lines({"", "gift"}));
    if (removal) {
        window.list(Date)->setSelectedIndex(1);
        window.removeSelected();
        QCOMPARE(entries(window), (QStringList{"|||", "1/1|gift|5|505"}));
        window.list(Date)->setSelectedIndex(1);
        window.removeSelected();
        QCOMPARE(entries(window), (QStringList{"|||"}));
        QCOMPARE(bytesOf(descriptions), lines({""}));
    } else {
        QCOMPARE(record(window, {"2/1", "salary", "1000", "1505"}), QString());
        QCOMPARE(entries(window), (QStringList{"|||", "1/1|gift|5|505", "2/1|salary|1000|1505"}));
        QCOMPARE(bytesOf(descriptions), lines({"", "gift", "salary"}));
    }
}

void LedgerListsTest::removalAfterAnotherProgramsChangeIsRefused() {
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines({"a", "b", "c"}));
    auto& window = open("Income");
    window.list(Date)->setSelectedIndex(1);
    // Another program (or the user in a text editor) removes the first row meanwhile:
    // row 1 is now another entry.
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines({"b", "c"}));
    const QByteArray before = snapshot(folder_);
    window.removeSelected();
    QCOMPARE(snapshot(folder_), before);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY2(fixture_->messages.shown[0].text.contains("Another program"),
             qPrintable(fixture_->messages.shown[0].text));
    // The window shows the files as they are, and the user chooses again.
    QCOMPARE(entries(window), (QStringList{"b|b|b|b", "c|c|c|c"}));
    QCOMPARE(selectedIndexes(window), (QList<int>{-1, -1, -1, -1}));
    window.list(Date)->setSelectedIndex(1);
    window.removeSelected();
    QCOMPARE(entries(window), (QStringList{"b|b|b|b"}));
    QCOMPARE(bytesOf(file("Income", Amount)), lines({"b"}));
}

void LedgerListsTest::tableBeyondTheRowLimitIsShownUpToItAndNotWritten_data() {
    QTest::addColumn<QByteArray>("after"); // what follows the most rows in the amounts file
    QTest::newRow("the most rows") << QByteArray();
    QTest::newRow("three rows more") << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("an empty row more") << QByteArray("\r\n");
    QTest::newRow("a last line without its line end") << QByteArray("a");
}

// A table holds at most kMaxRows rows. A file holding more is read up to them and not
// beyond; the user is told which file and why, and the table is never written, so that
// nothing past the limit is lost.
void LedgerListsTest::tableBeyondTheRowLimitIsShownUpToItAndNotWritten() {
    QFETCH(QByteArray, after);
    QStringList rows;
    for (int i = 0; i < kMaxRows; ++i)
        rows << QString::number(i);
    const QByteArray full = lines(rows);
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), full + (column == Amount ? after : ""));
    const QByteArray before = snapshot(folder_);
    auto& window = open("Income");
    QCOMPARE(window.rowCount(), kMaxRows);
    QCOMPARE(window.list(Amount)->row(kMaxRows - 1), QString::number(kMaxRows - 1));
    window.list(Date)->setSelectedIndex(kMaxRows - 1);
    QCOMPARE(selectedIndexes(window),
             (QList<int>{kMaxRows - 1, kMaxRows - 1, kMaxRows - 1, kMaxRows - 1}));
    if (after.isEmpty()) {
        QVERIFY(fixture_->messages.shown.isEmpty());
        return;
    }
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const QString told = fixture_->messages.shown[0].text;
    QVERIFY2(told.contains(file("Income", Amount)) && told.contains("more than 32767 lines") &&
                 !told.contains(file("Income", Date)),
             qPrintable(told));
    window.removeSelected();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QVERIFY2(fixture_->messages.shown[1].text.contains("cannot be saved"),
             qPrintable(fixture_->messages.shown[1].text));
    QCOMPARE(window.rowCount(), kMaxRows);
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(folder_), before);
}

void LedgerListsTest::largeTableIsReadAndSavedAside() {
    // A table of more than 4 MB is read and saved on another thread; the window takes
    // nothing meanwhile and shows a busy pointer.
    QStringList rows;
    for (int i = 0; i < 3000; ++i)
        rows << QString::number(i) + QString(400, 'x');
    for (int column = 0; column < kColumns; ++column)
        writeBytes(file("Income", Column(column)), lines(rows));
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));
    auto& form = fixture_->windows->show<EntryForm>();
    auto& window = open("Income");
    QVERIFY(window.busy());
    QVERIFY(window.isBusy());
    QCOMPARE(window.cursor().shape(), Qt::BusyCursor);
    window.removeSelected(); // refused while busy, silently
    // The focus stays where it is: a control that gave it away could bring another
    // window to the front.
    auto* remove = window.findChild<QPushButton*>("Command1");
    QVERIFY(remove);
    remove->setFocus();
    QCOMPARE(QApplication::focusWidget(), remove);
    // An entry submitted meanwhile goes in once the table is there.
    form.findChild<QLineEdit*>("Text3")->setText("5");
    form.findChild<QRadioButton*>("Option1")->setChecked(true);
    form.submit();
    QVERIFY(form.isBusy());
    QTRY_VERIFY(!window.busy());
    QVERIFY(!window.isBusy() && !form.isBusy());
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(window.rowCount(), 3001);
    QCOMPARE(entries(window).last(), QStringLiteral("||5|505"));
    QCOMPARE(bytesOf(folder_ + "/OpeningBalance.txt"), QByteArray("505\r\n"));

    // A removal is saved aside too; closing the window waits for the save to end.
    window.list(Date)->setSelectedIndex(0);
    window.removeSelected();
    QVERIFY(window.busy());
    // Meanwhile the lists take no key and no click.
    window.list(Date)->setFocus();
    QTest::keyClick(window.list(Date), Qt::Key_Down);
    QTest::mouseClick(window.list(Amount)->viewport(), Qt::LeftButton, {}, QPoint(5, 25));
    QCOMPARE(selectedIndexes(window), (QList<int>{0, 0, 0, 0}));
    QVERIFY(window.isAncestorOf(QApplication::focusWidget()));
    QVERIFY(window.closeWindow());
    rows.removeFirst();
    QCOMPARE(bytesOf(file("Income", Date)), lines(rows + QStringList{""}));
    QCOMPARE(bytesOf(file("Income", Amount)), lines(rows + QStringList{"5"}));
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void LedgerListsTest::longRowIsShownShortAndKeptWhole() {
    // A description of a megabyte, written by another program: laid out whole, it would
    // hold up every repaint of the list.
    const QString longest = QString(1000000, 'x') + "end";
    writeBytes(file("Income", Description), lines({"", longest}));
    for (const Column column : {Date, Amount, Balance})
        writeBytes(file("Income", column), lines({"", "1"}));
    auto& window = open("Income");
    RowList* descriptions = window.list(Description);
    const QFontMetrics metrics = descriptions->fontMetrics();
    const QModelIndex row = descriptions->model()->index(1, 0);
    QVERIFY(descriptions->sizeHintForIndex(row).width() <
            metrics.horizontalAdvance(QString(kShownRowCharacters + 100, 'x')));
    QCOMPARE(descriptions->row(1), longest);

    // The tool tip shows the row's text as it is, never as markup.
    writeBytes(file("Income", Date), lines({"", "<b>1/1"}));
    QVERIFY(window.closeWindow());
    auto& again = open("Income");
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixture_->windows->mainWindow()));
    RowList* dates = again.list(Date);
    const QRect dateRow = dates->visualRect(dates->model()->index(1, 0));
    QHelpEvent tip(QEvent::ToolTip, dateRow.center(),
                   dates->viewport()->mapToGlobal(dateRow.center()));
    QApplication::sendEvent(dates->viewport(), &tip);
    QVERIFY(!QToolTip::isVisible());
    const QRect longRow =
        again.list(Description)->visualRect(again.list(Description)->model()->index(1, 0));
    QHelpEvent longTip(QEvent::ToolTip, longRow.center(),
                       again.list(Description)->viewport()->mapToGlobal(longRow.center()));
    QApplication::sendEvent(again.list(Description)->viewport(), &longTip);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY(QToolTip::text().contains(QString(1000, 'x')));
    QToolTip::hideText();

    // Changed and saved, the row keeps its whole text.
    QCOMPARE(record(again, {"2/1", "gift", "5", "505"}), QString());
    QVERIFY(again.closeWindow());
    QCOMPARE(bytesOf(file("Income", Description)), lines({"", longest, "gift"}));
    QCOMPARE(bytesOf(file("Income", Date)), lines({"", "<b>1/1", "2/1"}));
}

QTEST_MAIN(LedgerListsTest)
#include "test_ledgerlists.moc"
