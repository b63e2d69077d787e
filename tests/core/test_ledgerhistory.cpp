#include "core/ledgerhistory.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

using namespace kesterly;
using namespace kesterly::ledger;

namespace {
const QLocale kUnitedStates(QLocale::English, QLocale::UnitedStates);
const QLocale kGermany(QLocale::German, QLocale::Germany);
const QLocale kBritain(QLocale::English, QLocale::UnitedKingdom);
const QDate kToday(2026, 12, 10);

// A table as its four files hold it; each new account's files start with an empty line.
QList<QStringList> table(const QList<QStringList>& rows) {
    QList<QStringList> columns(kColumns, QStringList{QString()});
    for (const QStringList& row : rows) {
        for (int column = 0; column < kColumns; ++column)
            columns[column] << row.value(column);
    }
    return columns;
}
} // namespace

Q_DECLARE_METATYPE(std::optional<QDate>)
Q_DECLARE_METATYPE(std::optional<kesterly::ledger::BalancePoint>)

namespace kesterly::ledger {
char* toString(const BalancePoint& point) {
    return qstrdup(qPrintable(point.date.toString(Qt::ISODate) + ": " +
                              QString::number(point.balance, 'g', 17)));
}
} // namespace kesterly::ledger

class LedgerHistoryTest : public QObject {
    Q_OBJECT
private slots:
    void datesAreReadInTheUsersForms_data();
    void datesAreReadInTheUsersForms();
    void threeMonthsOfEntries();
    void theLineIsWhatTheListsRecorded_data();
    void theLineIsWhatTheListsRecorded();
    void theSameNumbersUnderGermanSettings();
    void sameDayEntriesMakeOnePointAndEmptyMonthsStay();
    void whatIsNotShownIsSaid_data();
    void whatIsNotShownIsSaid();
    void descriptionsGiveTheFigures();
    void longSpansGetLongerBars_data();
    void longSpansGetLongerBars();
    void longLineIsThinnedKeepingItsShape();
};

void LedgerHistoryTest::datesAreReadInTheUsersForms_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<QDate>>("date");
    const std::optional<QDate> none;
    QTest::newRow("the program's own form")
        << kUnitedStates << "12/24/2026" << std::optional(QDate(2026, 12, 24));
    QTest::newRow("short form, two-digit year")
        << kUnitedStates << "1/5/26" << std::optional(QDate(2026, 1, 5));
    QTest::newRow("leading zeros")
        << kUnitedStates << "01/05/2026" << std::optional(QDate(2026, 1, 5));
    QTest::newRow("blanks around")
        << kUnitedStates << "  3/7/2026 " << std::optional(QDate(2026, 3, 7));
    QTest::newRow("two-digit year of the last century")
        << kUnitedStates << "7/4/76" << std::optional(QDate(1976, 7, 4));
    QTest::newRow("two-digit year just ahead")
        << kUnitedStates << "7/4/45" << std::optional(QDate(2045, 7, 4));
    QTest::newRow("year-month-day")
        << kUnitedStates << "2026-12-05" << std::optional(QDate(2026, 12, 5));
    QTest::newRow("German, program's form")
        << kGermany << "24.12.2026" << std::optional(QDate(2026, 12, 24));
    QTest::newRow("German, short form")
        << kGermany << "05.01.26" << std::optional(QDate(2026, 1, 5));
    QTest::newRow("German, no leading zeros")
        << kGermany << "5.1.2026" << std::optional(QDate(2026, 1, 5));
    QTest::newRow("British day first")
        << kBritain << "05/01/2026" << std::optional(QDate(2026, 1, 5));
    QTest::newRow("United States form under German settings") << kGermany << "12/24/2026" << none;
    QTest::newRow("no such day") << kUnitedStates << "2/30/2026" << none;
    QTest::newRow("words") << kUnitedStates << "next Friday" << none;
    QTest::newRow("empty") << kUnitedStates << "" << none;
    QTest::newRow("year 999") << kUnitedStates << "12/24/0999" << none;
    QTest::newRow("negative year") << kUnitedStates << "12/24/-2026" << none;
    QTest::newRow("trailing text") << kUnitedStates << "12/24/2026 rent" << none;
}

void LedgerHistoryTest::datesAreReadInTheUsersForms() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(std::optional<QDate>, date);
    QCOMPARE(entryDate(text, locale, kToday), date);
}

void LedgerHistoryTest::threeMonthsOfEntries() {
    // Opening balance 500, entries recorded in date order; the gift's date reads as no
    // date, and the refund was booked as a negative income.
    const auto income = table({{"10/3/2026", "Salary", "1000", "1500"},
                               {"11/2/2026", "Salary", "1000", "1800"},
                               {"soon", "Gift", "50", "1850"},
                               {"12/01/2026", "Refund reversed", "-20", "1130"}});
    const auto expense = table({{"10/15/2026", "Rent", "700", "800"},
                                {"11/15/2026", "Rent", "700", "1150"},
                                {"2026-12-05", "Food", "80.5", "1049.5"}});
    const History h = history(income, expense, QStringLiteral("1049.5"), kUnitedStates, kToday);

    const QList<BalancePoint> line{{QDate(2026, 10, 2), 500},    {QDate(2026, 10, 3), 1500},
                                   {QDate(2026, 10, 15), 800},   {QDate(2026, 11, 2), 1800},
                                   {QDate(2026, 11, 15), 1150},  {QDate(2026, 12, 1), 1130},
                                   {QDate(2026, 12, 5), 1049.5}};
    QCOMPARE(h.balance, line);
    QVERIFY(!h.today);
    const QList<BarTotals> months{{QDate(2026, 10, 1), 1000, 700},
                                  {QDate(2026, 11, 1), 1000, 700},
                                  {QDate(2026, 12, 1), -20, 80.5}};
    QCOMPARE(h.bars, months);
    QCOMPARE(h.withoutDate, 1);
    QCOMPARE(h.withoutAmount, 0);
    QCOMPARE(h.outOfOrder, 0);
    QVERIFY(!h.balanceUnknown);
    QCOMPARE(noteText(h), QStringLiteral("1 entry without a readable date is not shown"));
}

// Each point of the line is what the lists recorded: the Balance column of the last entry
// of its day, in the order the entries were recorded, and before them the balance before
// the first one. An entry that is gone, or whose date cannot be read, moves no other point.
void LedgerHistoryTest::theLineIsWhatTheListsRecorded_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<QStringList>>("income");
    QTest::addColumn<QList<QStringList>>("expense");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QList<BalancePoint>>("line");
    QTest::addColumn<std::optional<BalancePoint>>("today");
    QTest::addColumn<QString>("note");
    const std::optional<BalancePoint> none;

    // Opening balance 100; income 50 on 12/1; expense 20 on 12/5, then removed: the balance
    // stays 130, and the Income list still says 150 after 12/1.
    QTest::newRow("an entry removed")
        << kUnitedStates << table({{"12/1/2026", "Gift", "50", "150"}}) << table({}) << "130"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 100}, {QDate(2026, 12, 1), 150}}
        << std::optional(BalancePoint{kToday, 130})
        << "The last point is today's balance, 130.00; the last entry recorded left 150.00 "
           "(entries were removed, or the balance was changed).";
    QTest::newRow("the same entries, none removed")
        << kUnitedStates << table({{"12/1/2026", "Gift", "50", "150"}})
        << table({{"12/5/2026", "Food", "20", "130"}}) << "130"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 100},
                               {QDate(2026, 12, 1), 150},
                               {QDate(2026, 12, 5), 130}}
        << none << "";
    // Opening balance 3000; the first entry's date reads as no date.
    QTest::newRow("an unreadable date")
        << kUnitedStates << table({{"12/1/2026", "Salary", "200", "3195"}})
        << table({{"yesterday", "Bread", "5", "2995"}, {"12/5/2026", "Rent", "195", "3000"}})
        << "3000"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 3000},
                               {QDate(2026, 12, 1), 3195},
                               {QDate(2026, 12, 5), 3000}}
        << none << "1 entry without a readable date is not shown";
    // The income of 12/5 was recorded first, the expense of 12/1 after it.
    QTest::newRow("dates typed out of order")
        << kUnitedStates << table({{"12/5/2026", "Gift", "50", "150"}})
        << table({{"12/1/2026", "Food", "20", "130"}}) << "130"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 100},
                               {QDate(2026, 12, 1), 130},
                               {QDate(2026, 12, 5), 150}}
        << none
        << "1 entry is out of date order: the line shows the balances as they were recorded.";
    // Out of order within one list, and the two lists interleaved: 12/3 income (600),
    // 12/2 expense (570), 12/1 income (580), 12/4 expense (500).
    QTest::newRow("out of order in both lists")
        << kUnitedStates
        << table({{"12/3/2026", "a", "100", "600"}, {"12/1/2026", "c", "10", "580"}})
        << table({{"12/2/2026", "b", "30", "570"}, {"12/4/2026", "d", "80", "500"}}) << "500"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 500},
                               {QDate(2026, 12, 1), 580},
                               {QDate(2026, 12, 2), 570},
                               {QDate(2026, 12, 3), 600},
                               {QDate(2026, 12, 4), 500}}
        << none
        << "2 entries are out of date order: the line shows the balances as they were recorded.";
    // Two entries on one day: the one recorded later, whichever list holds it, gives the
    // day's point; the expense of 12/1 came after the income of that day.
    QTest::newRow("one day in both lists")
        << kUnitedStates
        << table({{"12/1/2026", "a", "100", "600"}, {"12/2/2026", "c", "1", "571"}})
        << table({{"12/1/2026", "b", "30", "570"}}) << "571"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 500},
                               {QDate(2026, 12, 1), 570},
                               {QDate(2026, 12, 2), 571}}
        << none << "";
    QTest::newRow("entries dated today and later: today's balance after them")
        << kUnitedStates << table({{"12/24/2026", "Gift", "50", "150"}}) << table({}) << "120"
        << QList<BalancePoint>{{QDate(2026, 12, 23), 100}, {QDate(2026, 12, 24), 150}}
        << std::optional(BalancePoint{QDate(2026, 12, 25), 120})
        << "The last point is today's balance, 120.00; the last entry recorded left 150.00 "
           "(entries were removed, or the balance was changed).";
    QTest::newRow("a balance that cannot be read")
        << kUnitedStates
        << table({{"12/1/2026", "a", "50", "150"}, {"12/2/2026", "b", "5", "oops"}}) << table({})
        << "155" << QList<BalancePoint>{{QDate(2026, 11, 30), 100}, {QDate(2026, 12, 1), 150}}
        << std::optional(BalancePoint{kToday, 155})
        << "1 entry without a readable balance is not on the balance line\n"
           "The last point is today's balance, 155.00; the last entry recorded left 150.00 "
           "(entries were removed, or the balance was changed).";
    // Written under German settings, read under English ones: "2366,27" is 2366.27, and
    // the amount of its row is German too.
    QTest::newRow("German lists under English settings")
        << kUnitedStates << table({{"12/1/2026", "Gehalt", "1.000,50", "2366,27"}}) << table({})
        << "2366,27"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 1365.77}, {QDate(2026, 12, 1), 2366.27}}
        << none << "";
    // Written under English settings, read under German ones: "1.125" would be 1125 to a
    // German, but its row's amount "0.125" shows the English form.
    QTest::newRow("English lists under German settings")
        << kGermany
        << table({{"01.12.2026", "a", "0.125", "1.125"}, {"02.12.2026", "b", "1", "2.125"}})
        << table({}) << "2.125"
        << QList<BalancePoint>{{QDate(2026, 11, 30), 1},
                               {QDate(2026, 12, 1), 1.125},
                               {QDate(2026, 12, 2), 2.125}}
        << none << "";
}

void LedgerHistoryTest::theLineIsWhatTheListsRecorded() {
    QFETCH(QLocale, locale);
    QFETCH(QList<QStringList>, income);
    QFETCH(QList<QStringList>, expense);
    QFETCH(QString, balance);
    QFETCH(QList<BalancePoint>, line);
    QFETCH(std::optional<BalancePoint>, today);
    QFETCH(QString, note);
    const History h = history(income, expense, balance, locale, kToday);
    QCOMPARE(h.balance.size(), line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        QCOMPARE(h.balance[i].date, line[i].date);
        QCOMPARE(h.balance[i].balance, line[i].balance);
    }
    QCOMPARE(h.today, today);
    QStringList notes{noteText(h), todayNote(h, kUnitedStates)};
    notes.removeAll(QString());
    QCOMPARE(notes.join('\n'), note);
}

void LedgerHistoryTest::theSameNumbersUnderGermanSettings() {
    const auto income = table({{"03.10.2026", "Gehalt", "1.000,50", "1500,5"}});
    const auto expense = table({{"15.10.26", "Miete", "700,25", "800,25"}});
    const History h = history(income, expense, QStringLiteral("800,25"), kGermany, kToday);
    const QList<BalancePoint> line{
        {QDate(2026, 10, 2), 500}, {QDate(2026, 10, 3), 1500.5}, {QDate(2026, 10, 15), 800.25}};
    QCOMPARE(h.balance, line);
    QCOMPARE(h.bars, (QList<BarTotals>{{QDate(2026, 10, 1), 1000.5, 700.25}}));
    QCOMPARE(figureText(1000.5, kGermany), QStringLiteral("1.000,50"));
}

void LedgerHistoryTest::sameDayEntriesMakeOnePointAndEmptyMonthsStay() {
    // Nothing in February.
    const auto income = table({{"1/9/2026", "Early", "100", "100"}, {"3/2/2026", "Late", "10", "80"}});
    const auto expense = table({{"1/9/2026", "Lunch", "30", "70"}});
    const History h = history(income, expense, QStringLiteral("80"), kUnitedStates, kToday);
    const QList<BalancePoint> line{
        {QDate(2026, 1, 8), 0}, {QDate(2026, 1, 9), 70}, {QDate(2026, 3, 2), 80}};
    QCOMPARE(h.balance, line);
    const QList<BarTotals> months{
        {QDate(2026, 1, 1), 100, 30}, {QDate(2026, 2, 1), 0, 0}, {QDate(2026, 3, 1), 10, 0}};
    QCOMPARE(h.bars, months);
}

void LedgerHistoryTest::whatIsNotShownIsSaid_data() {
    QTest::addColumn<QList<QStringList>>("income");
    QTest::addColumn<std::optional<QString>>("balance");
    QTest::addColumn<QString>("said");
    const std::optional<QString> balance(QStringLiteral("0"));
    QTest::newRow("a new account") << table({}) << balance << "There are no entries to show.";
    QTest::newRow("files with no line at all")
        << QList<QStringList>() << balance << "There are no entries to show.";
    QTest::newRow("every entry shown") << table({{"1/1/2026", "a", "1", "0"}}) << balance << "";
    QTest::newRow("three dates unread")
        << table({{"x", "a", "1", "1"}, {"", "b", "2", "3"}, {"13/13/2026", "", "3", "6"}})
        << balance << "3 entries without a readable date are not shown";
    QTest::newRow("an amount unread") << table({{"1/1/2026", "a", "one", "0"}}) << balance
                                      << "1 entry without a readable amount is not counted in "
                                         "the bars";
    QTest::newRow("a balance unread")
        << table({{"1/1/2026", "a", "1", "0"}, {"1/2/2026", "b", "1", ""}}) << balance
        << "1 entry without a readable balance is not on the balance line";
    QTest::newRow("no balance file") << table({{"1/1/2026", "a", "1", "0"}})
                                     << std::optional<QString>()
                                     << "The balance file could not be read as a number: "
                                        "today's balance is not shown.";
    QTest::newRow("a balance file of letters")
        << table({{"1/1/2026", "a", "1", "0"}}) << std::optional<QString>("abc")
        << "The balance file could not be read as a number: today's balance is not shown.";
}

void LedgerHistoryTest::whatIsNotShownIsSaid() {
    QFETCH(QList<QStringList>, income);
    QFETCH(std::optional<QString>, balance);
    QFETCH(QString, said);
    const History h = history(income, table({}), balance, kUnitedStates, kToday);
    QCOMPARE(noteText(h), said);
}

void LedgerHistoryTest::descriptionsGiveTheFigures() {
    const auto income = table({{"10/3/2026", "Salary", "1234.5", "1734.5"}});
    const auto expense = table({{"11/4/2026", "Rent", "1000", "734.5"}});
    const History h = history(income, expense, QStringLiteral("734.5"), kUnitedStates, kToday);
    QCOMPARE(balanceDescription(h, kUnitedStates),
             QStringLiteral("Balance from 10/2/2026 to 11/4/2026: 500.00 on the first day, "
                            "734.50 on the last, lowest 500.00, highest 1,734.50."));
    // Today's balance ends the line and is said.
    const History removed = history(income, table({}), QStringLiteral("734.5"), kUnitedStates,
                                    kToday);
    QCOMPARE(balanceDescription(removed, kUnitedStates),
             QStringLiteral("Balance from 10/2/2026 to 12/10/2026: 500.00 on the first day, "
                            "734.50 on the last, lowest 500.00, highest 1,734.50. The last point "
                            "is today's balance, 734.50; the last entry recorded left 1,734.50 "
                            "(entries were removed, or the balance was changed)."));
    QCOMPARE(barsDescription(h, kUnitedStates),
             QStringLiteral("Oct 2026: income 1,234.50, expense 0.00. "
                            "Nov 2026: income 0.00, expense 1,000.00."));
    QCOMPARE(balanceDescription(history({}, {}, {}, kUnitedStates, kToday), kUnitedStates),
             QStringLiteral("No balance to show."));
}

void LedgerHistoryTest::longSpansGetLongerBars_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("barMonths");
    QTest::addColumn<QStringList>("ends"); // the first and the last bar's names
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("note");
    QTest::newRow("ten years, a bar pair a month")
        << "1/31/2016"
        << "12/1/2025" << 1 << QStringList{"Jan 2016", "Dec 2025"} << "Income and Expense per Month"
        << "";
    QTest::newRow("a month more, a bar pair a year")
        << "1/31/2016"
        << "1/1/2026" << 12 << QStringList{"2016", "2026"} << "Income and Expense per Year"
        << "The entries span 11 years: income and expense are shown per year.";
    QTest::newRow("120 years")
        << "7/4/1900"
        << "7/4/2019" << 12 << QStringList{"1900", "2019"} << "Income and Expense per Year"
        << "The entries span 120 years: income and expense are shown per year.";
    QTest::newRow("121 years, ten years a bar pair")
        << "7/4/1905"
        << "7/4/2025" << 120 << QStringList{"1900\u20131909", "2020\u20132029"}
        << "Income and Expense per 10 Years"
        << "The entries span 121 years: income and expense are shown per 10 years.";
    QTest::newRow("every year a date can have")
        << "1/1/1000"
        << "12/31/9999" << 1200 << QStringList{"1000\u20131099", "9900\u20139999"}
        << "Income and Expense per 100 Years"
        << "The entries span 9000 years: income and expense are shown per 100 years.";
}

// A span of more months than a chart can show gets a bar pair a year, or ten or a hundred
// years, with no more than kMostBars of them whatever the dates; every bar between the
// first and the last is there, empty or not, and holds the entries of its time.
void LedgerHistoryTest::longSpansGetLongerBars() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, barMonths);
    QFETCH(QStringList, ends);
    QFETCH(QString, title);
    QFETCH(QString, note);
    const auto income = table({{first, "first", "100", "100"}, {last, "last", "10", "80"}});
    const auto expense = table({{first, "same day", "30", "70"}});
    const History h = history(income, expense, QStringLiteral("80"), kUnitedStates, kToday);
    QCOMPARE(h.barMonths, barMonths);
    QVERIFY2(h.bars.size() <= kMostBars, qPrintable(QString::number(h.bars.size())));
    QCOMPARE((QStringList{barName(h, h.bars.first(), kUnitedStates),
                          barName(h, h.bars.last(), kUnitedStates)}),
             ends);
    for (qsizetype i = 1; i < h.bars.size(); ++i)
        QCOMPARE(h.bars[i].start, h.bars[i - 1].start.addMonths(barMonths));
    QCOMPARE(h.bars.first().income, 100.0);
    QCOMPARE(h.bars.first().expense, 30.0);
    QCOMPARE(h.bars.last().income, 10.0);
    double rest = 0;
    for (qsizetype i = 1; i + 1 < h.bars.size(); ++i)
        rest += h.bars[i].income + h.bars[i].expense;
    QCOMPARE(rest, 0.0);
    QCOMPARE(barsTitle(h), title);
    QCOMPARE(noteText(h), note);
    // The line has its two days whatever the span, and the balance before them, and draws
    // all three.
    QCOMPARE(h.balance.size(), 3);
    QCOMPARE(h.balance.first().balance, 0.0);
    QCOMPARE(h.balance.last().balance, 80.0);
    QCOMPARE(h.drawnBalance, h.balance);
}

// Years of daily entries give the chart no more than kMostDrawnPoints points, each a real
// day's balance in date order, with the first and the last day and the lowest and the
// highest balance among them; a line of fewer points is drawn whole.
void LedgerHistoryTest::longLineIsThinnedKeepingItsShape() {
    QList<QStringList> income = table({});
    QRandomGenerator random(20261211);
    const QDate start(1990, 1, 1);
    int balance = 0;
    for (int day = 0; day < 20000; ++day) {
        // Mostly small amounts, now and then a large one: the peaks must stay.
        const int amount = random.bounded(100) == 0 ? 5000 : random.bounded(-60, 60);
        balance += amount;
        const QStringList row{start.addDays(day).toString("M/d/yyyy"), "", QString::number(amount),
                              QString::number(balance)};
        for (int column = 0; column < kColumns; ++column)
            income[column] << row[column];
    }
    const History h =
        history(income, table({}), QString::number(balance), kUnitedStates, kToday);
    QCOMPARE(h.balance.size(), 20001);
    QVERIFY2(h.drawnBalance.size() <= kMostDrawnPoints,
             qPrintable(QString::number(h.drawnBalance.size())));
    QVERIFY(h.drawnBalance.size() > kMostDrawnPoints / 2);
    QCOMPARE(h.drawnBalance.first(), h.balance.first());
    QCOMPARE(h.drawnBalance.last(), h.balance.last());
    qsizetype at = 0;
    for (const BalancePoint& point : h.drawnBalance) {
        while (at < h.balance.size() && !(h.balance[at] == point))
            ++at;
        QVERIFY2(at < h.balance.size(), qPrintable(point.date.toString()));
        ++at;
    }
    const auto byBalance = [](const BalancePoint& a, const BalancePoint& b) {
        return a.balance < b.balance;
    };
    QCOMPARE(*std::min_element(h.drawnBalance.cbegin(), h.drawnBalance.cend(), byBalance),
             *std::min_element(h.balance.cbegin(), h.balance.cend(), byBalance));
    QCOMPARE(*std::max_element(h.drawnBalance.cbegin(), h.drawnBalance.cend(), byBalance),
             *std::max_element(h.balance.cbegin(), h.balance.cend(), byBalance));
    // Each part of the time keeps points of its own: no stretch of the line goes unseen.
    const qint64 days = h.balance.last().date.toJulianDay() - h.balance.first().date.toJulianDay();
    for (qsizetype i = 1; i < h.drawnBalance.size(); ++i)
        QVERIFY(h.drawnBalance[i - 1].date.daysTo(h.drawnBalance[i].date) <=
                2 * days / (kMostDrawnPoints / 4) + 1);
}

QTEST_APPLESS_MAIN(LedgerHistoryTest)
#include "test_ledgerhistory.moc"
