// The date lists of the Income and Expense windows show every date whole, in the user's
// date format, also when a list holds more rows than it shows and so has a scroll bar.
// CTest runs this in en_US and de_DE, at 1x, 1.5x and 2x (QT_SCALE_FACTOR).
#include "core/clock.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

using namespace kesterly;
using namespace kesterly::ledger;
using namespace kesterly::test;

class DateListsTest : public QObject {
    Q_OBJECT
private slots:
    void datesShowWhole_data();
    void datesShowWhole();
};

void DateListsTest::datesShowWhole_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("Income") << "Income";
    QTest::newRow("Expense") << "Expense";
}

void DateListsTest::datesShowWhole() {
    QFETCH(QString, window);
    // Two-digit months and days are the widest dates ("12/24/2026", "24.12.2026").
    const QStringList dates{dateText(QDate(2026, 12, 24), QLocale()),
                            dateText(QDate(2026, 10, 10), QLocale()),
                            dateText(QDate(2028, 11, 30), QLocale())};
    QCOMPARE(dates.first().size(), 10);
    QStringList rows;
    for (int i = 0; i < 40; ++i)
        rows << dates[i % dates.size()];

    AppFixture fixture;
    const QString folder = writeAccount(fixture, "Household");
    const QString prefix = folder + '/' + window;
    writeBytes(prefix + "Date.txt", lines(rows));
    const QStringList empty(rows.size(), QString());
    for (const char* list : {"Des.txt", "Amn.txt", "bal.txt"})
        writeBytes(prefix + list, lines(empty));
    openAccount(fixture, folder);
    fixture.windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixture.windows->mainWindow()));
    LedgerListWindow& list =
        window == "Income" ? static_cast<LedgerListWindow&>(fixture.windows->show<IncomeWindow>())
                           : fixture.windows->show<ExpenseWindow>();
    RowList* dateList = list.list(Date);
    QCOMPARE(dateList->rowCount(), rows.size());
    QVERIFY2(dateList->verticalScrollBar()->isVisible(), "forty rows need a scroll bar");

    // What the list needs to show a row whole (text and margins), against what it has.
    const int room = dateList->viewport()->width();
    for (int row = 0; row < dates.size(); ++row) {
        const QModelIndex index = dateList->model()->index(row, 0);
        const int needed = dateList->sizeHintForIndex(index).width();
        QVERIFY2(needed <= room,
                 qPrintable(QStringLiteral("\"%1\" needs %2 pixels, the list has %3")
                                .arg(dates[row])
                                .arg(needed)
                                .arg(room)));
    }
}

QTEST_MAIN(DateListsTest)
#include "test_datelists.moc"
