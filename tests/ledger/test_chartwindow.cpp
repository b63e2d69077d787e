#include "core/numbertext.h"
#include "framework/chartview.h"
#include "ledger/chartwindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledgeraccount.h"
#include "shell/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>

using namespace kesterly;
using namespace kesterly::test;

namespace {

using Point = QPair<QDate, double>;
// One month's bars: its name, the income and the expense.
struct Month {
    QString name;
    double income, expense;
    bool operator==(const Month&) const = default;
};

// Three months of entries, recorded in date order. The gift's date reads as no date; the
// refund was booked as a negative income. The balance: 500 at the start, 1049.5 after
// every entry.
void writeThreeMonths(AppFixture& fixture, const QString& folder) {
    const auto put = [&](const char* file, const QStringList& texts) {
        writeBytes(folder + "/" + file, lines(QStringList{""} + texts));
    };
    put("IncomeDate.txt", {"10/3/2026", "11/2/2026", "soon", "12/01/2026"});
    put("IncomeDes.txt", {"Salary", "Salary", "Gift", "Refund reversed"});
    put("IncomeAmn.txt", {"1000", "1000", "50", "-20"});
    put("Incomebal.txt", {"1500", "1800", "1850", "1130"});
    put("ExpenseDate.txt", {"10/15/2026", "11/15/2026", "2026-12-05"});
    put("ExpenseDes.txt", {"Rent", "Rent", "Food"});
    put("ExpenseAmn.txt", {"700", "700", "80.5"});
    put("Expensebal.txt", {"800", "1150", "1049.5"});
    writeBytes(folder + "/OpeningBalance.txt", "1049.5\r\n");
    Q_UNUSED(fixture);
}

QChart* chartOf(ChartView* view) {
    auto* drawing = qobject_cast<QChartView*>(view->drawing());
    return drawing ? drawing->chart() : nullptr;
}

QList<Point> linePoints(const ChartWindow& window) {
    QList<Point> points;
    const QList<QAbstractSeries*> series = chartOf(window.balanceChart())->series();
    if (series.isEmpty())
        return points;
    for (const QPointF& point : qobject_cast<QLineSeries*>(series.first())->points())
        points << Point(QDateTime::fromMSecsSinceEpoch(qint64(point.x())).date(), point.y());
    return points;
}

// The point set apart from the line (today's balance), with its name.
QList<QPair<QString, Point>> markedPoints(const ChartWindow& window) {
    QList<QPair<QString, Point>> marked;
    for (QAbstractSeries* series : chartOf(window.balanceChart())->series()) {
        auto* scatter = qobject_cast<QScatterSeries*>(series);
        if (!scatter)
            continue;
        for (const QPointF& point : scatter->points())
            marked.append({scatter->name(),
                           Point(QDateTime::fromMSecsSinceEpoch(qint64(point.x())).date(),
                                 point.y())});
    }
    return marked;
}

QList<Month> monthBars(const ChartWindow& window) {
    QChart* chart = chartOf(window.monthChart());
    auto* bars = qobject_cast<QBarSeries*>(chart->series().value(0));
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    QList<Month> months;
    const QList<QBarSet*> sets = bars->barSets();
    if (sets.size() != 2 || sets[0]->label() != "Income" || sets[1]->label() != "Expense")
        return {{"<bar sets " + QString::number(sets.size()) + ">", 0, 0}};
    for (int i = 0; i < axis->count(); ++i)
        months << Month{axis->at(i), sets[0]->at(i), sets[1]->at(i)};
    if (sets[0]->count() != axis->count() || sets[1]->count() != axis->count())
        months << Month{"<uneven bars>", 0, 0};
    return months;
}

} // namespace

class ChartWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void threeMonthsAreDrawn();
    void followsASubmitAndARemoval();
    void emptyAccountSaysSo();
    void removalChangesOnlyItsOwnPoint();
    void theLineIsTheRecordedBalances_data();
    void theLineIsTheRecordedBalances();
    void outermostPointsAreDrawnWhole();
    void commandAndKeys();
    void figuresFollowTheLocale();
    void unreadableFileIsToldOnce();
    void everyReadableDateFitsOneChart();
    void largeTablesAreFiguredAside();

private:
    ChartWindow& openChart();
    std::unique_ptr<AppFixture> fixture_;
    QString folder_;
};

void ChartWindowTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    fixture_->windows->setChartViewFactory(
        [](QWidget* parent) { return createChartView(parent, {KESTERLY_CHARTS_PLUGIN}); });
    folder_ = writeAccount(*fixture_, "Household");
    openAccount(*fixture_, folder_);
}

void ChartWindowTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

ChartWindow& ChartWindowTest::openChart() {
    auto& main = static_cast<MainWindow&>(fixture_->windows->mainWindow());
    main.setViewMenuEnabled(true);
    QAction* command = main.command("cmdchart");
    if (!command || !command->isEnabled())
        qFatal("the Chart command is not there or not enabled");
    command->trigger();
    return *fixture_->windows->find<ChartWindow>();
}

void ChartWindowTest::threeMonthsAreDrawn() {
    writeThreeMonths(*fixture_, folder_);
    ChartWindow& window = openChart();
    QVERIFY2(chartOf(window.balanceChart()), "the chart plugin was not loaded");

    const QList<Point> line{{QDate(2026, 10, 2), 500},   {QDate(2026, 10, 3), 1500},
                            {QDate(2026, 10, 15), 800},  {QDate(2026, 11, 2), 1800},
                            {QDate(2026, 11, 15), 1150}, {QDate(2026, 12, 1), 1130},
                            {QDate(2026, 12, 5), 1049.5}};
    QCOMPARE(linePoints(window), line);
    QVERIFY(markedPoints(window).isEmpty());
    const QList<Month> months{
        {"Oct 2026", 1000, 700}, {"Nov 2026", 1000, 700}, {"Dec 2026", -20, 80.5}};
    QCOMPARE(monthBars(window), months);
    QCOMPARE(window.note()->text(), QStringLiteral("1 entry without a readable date is not shown"));
    QVERIFY(!window.note()->isHidden());
    QVERIFY(fixture_->messages.shown.isEmpty());

    QCOMPARE(window.balanceChart()->accessibleName(), QStringLiteral("Balance over time"));
    QCOMPARE(window.monthChart()->accessibleName(), QStringLiteral("Income and expense per month"));
    QCOMPARE(window.balanceChart()->drawing()->accessibleDescription(),
             QStringLiteral("Balance from 10/2/2026 to 12/5/2026: 500.00 on the first day, "
                            "1,049.50 on the last, lowest 500.00, highest 1,800.00."));
    QVERIFY(window.monthChart()->accessibleDescription().startsWith(
        "Oct 2026: income 1,000.00, expense 700.00. "));
    // Nothing written: the chart only reads.
    const QByteArray before = snapshot(folder_);
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(folder_), before);
}

void ChartWindowTest::followsASubmitAndARemoval() {
    writeThreeMonths(*fixture_, folder_);
    ChartWindow& window = openChart();
    auto& form = fixture_->windows->show<EntryForm>();
    for (const auto& [name, text] : {std::pair{"Text1", "12/20/2026"}, std::pair{"Text2", "Bonus"},
                                     std::pair{"Text3", "300"}}) {
        auto* box = form.findChild<QLineEdit*>(name);
        box->clear();
        QTest::keyClicks(box, text);
    }
    QTest::mouseClick(form.findChild<QRadioButton*>("Option1"), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(fixture_->messages.shown.isEmpty());

    // The new balance 1349.5 is the end of the line; the days before keep theirs.
    QCOMPARE(linePoints(window).size(), 8);
    QCOMPARE(linePoints(window).value(6), Point(QDate(2026, 12, 5), 1049.5));
    QCOMPARE(linePoints(window).value(7), Point(QDate(2026, 12, 20), 1349.5));
    QCOMPARE(monthBars(window).value(2), (Month{"Dec 2026", 280, 80.5}));

    // Removing the first salary changes no balance: every other day keeps its point, the
    // salary's day goes, and the line starts at the balance before the first entry left.
    auto* income = fixture_->windows->find<IncomeWindow>();
    QVERIFY(income);
    income->list(ledger::Date)->setSelectedIndex(1);
    income->removeSelected();
    const QList<Point> after = linePoints(window);
    QCOMPARE(after,
             (QList<Point>{{QDate(2026, 10, 14), 1500}, {QDate(2026, 10, 15), 800},
                           {QDate(2026, 11, 2), 1800}, {QDate(2026, 11, 15), 1150},
                           {QDate(2026, 12, 1), 1130}, {QDate(2026, 12, 5), 1049.5},
                           {QDate(2026, 12, 20), 1349.5}}));
    QVERIFY(markedPoints(window).isEmpty());
    QCOMPARE(monthBars(window).first(), (Month{"Oct 2026", 0, 700}));
}

void ChartWindowTest::emptyAccountSaysSo() {
    ChartWindow& window = openChart();
    QVERIFY(linePoints(window).isEmpty());
    QVERIFY(monthBars(window).isEmpty());
    QCOMPARE(window.note()->text(), QStringLiteral("There are no entries to show."));
    QVERIFY(fixture_->messages.shown.isEmpty());
    // No axis with labels that mean nothing (dates of 1970, figures from -1 to 1), nor a
    // legend naming what is not drawn.
    for (ChartView* view : {window.balanceChart(), window.monthChart()}) {
        for (QAbstractAxis* axis : chartOf(view)->axes())
            QVERIFY2(!axis->isVisible(), qPrintable(view->objectName()));
        QVERIFY2(!chartOf(view)->legend()->isVisible(), qPrintable(view->objectName()));
    }
    // The first entry brings them.
    auto& form = fixture_->windows->show<EntryForm>();
    QTest::keyClicks(form.findChild<QLineEdit*>("Text1"), "12/1/2026");
    QTest::keyClicks(form.findChild<QLineEdit*>("Text3"), "50");
    QTest::mouseClick(form.findChild<QRadioButton*>("Option1"), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    for (ChartView* view : {window.balanceChart(), window.monthChart()}) {
        for (QAbstractAxis* axis : chartOf(view)->axes())
            QVERIFY2(axis->isVisible(), qPrintable(view->objectName()));
    }
    QVERIFY(chartOf(window.monthChart())->legend()->isVisible());
}

// Opening balance 100; income 50 on 12/1; expense 20 on 12/5; then the expense removed:
// the line says 150 after 12/1, as the Income list does, and ends at today's balance, 130,
// set apart from it.
void ChartWindowTest::removalChangesOnlyItsOwnPoint() {
    writeBytes(folder_ + "/OpeningBalance.txt", "100\r\n");
    ChartWindow& window = openChart();
    auto& form = fixture_->windows->show<EntryForm>();
    const auto submit = [&](const QString& date, const QString& amount, const char* option) {
        for (const auto& [name, text] : {std::pair{"Text1", date}, std::pair{"Text3", amount}}) {
            auto* box = form.findChild<QLineEdit*>(name);
            box->clear();
            QTest::keyClicks(box, text);
        }
        QTest::mouseClick(form.findChild<QRadioButton*>(option), Qt::LeftButton);
        QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    };
    submit("12/1/2026", "50", "Option1");
    submit("12/5/2026", "20", "Option2");
    QCOMPARE(linePoints(window), (QList<Point>{{QDate(2026, 11, 30), 100},
                                               {QDate(2026, 12, 1), 150},
                                               {QDate(2026, 12, 5), 130}}));
    QVERIFY(markedPoints(window).isEmpty());

    auto* expense = fixture_->windows->find<ExpenseWindow>();
    QVERIFY(expense);
    expense->list(ledger::Date)->setSelectedIndex(1);
    expense->removeSelected();
    const QDate today = fixture_->clock.now().date();
    QVERIFY(today > QDate(2026, 12, 1));
    QCOMPARE(linePoints(window),
             (QList<Point>{{QDate(2026, 11, 30), 100}, {QDate(2026, 12, 1), 150}, {today, 130}}));
    QCOMPARE(markedPoints(window), (QList<QPair<QString, Point>>{{"Today's balance", {today, 130}}}));
    QVERIFY2(window.note()->text().contains("The last point is today's balance, 130.00; the last "
                                            "entry recorded left 150.00"),
             qPrintable(window.note()->text()));
    QVERIFY(chartOf(window.balanceChart())->legend()->isVisible());
    QVERIFY(fixture_->messages.shown.isEmpty());
}

// Every point is the Balance column as recorded, whatever else the lists hold.
void ChartWindowTest::theLineIsTheRecordedBalances_data() {
    QTest::addColumn<QStringList>("income"); // date|amount|balance rows
    QTest::addColumn<QStringList>("expense");
    QTest::addColumn<QByteArray>("balance");
    QTest::addColumn<QList<Point>>("line");
    QTest::addColumn<QString>("note");
    // Opening balance 3000; an expense whose date is no date came first.
    QTest::newRow("an unreadable date")
        << QStringList{"12/1/2026|200|3195"}
        << QStringList{"yesterday|5|2995", "12/5/2026|195|3000"} << QByteArray("3000\r\n")
        << QList<Point>{{QDate(2026, 11, 30), 3000},
                        {QDate(2026, 12, 1), 3195},
                        {QDate(2026, 12, 5), 3000}}
        << "1 entry without a readable date is not shown";
    // Recorded: 12/5 income, 12/1 expense, 12/3 income.
    QTest::newRow("dates typed out of order")
        << QStringList{"12/5/2026|50|150", "12/3/2026|10|140"}
        << QStringList{"12/1/2026|20|130"} << QByteArray("140\r\n")
        << QList<Point>{{QDate(2026, 11, 30), 100},
                        {QDate(2026, 12, 1), 130},
                        {QDate(2026, 12, 3), 140},
                        {QDate(2026, 12, 5), 150}}
        << "2 entries are out of date order: the line shows the balances as they were "
           "recorded.";
    // Written under German settings, opened under English ones.
    QTest::newRow("German figures") << QStringList{"12/1/2026|1.000,50|2366,27"} << QStringList{}
                                    << QByteArray("2366,27\r\n")
                                    << QList<Point>{{QDate(2026, 11, 30), 1365.77},
                                                    {QDate(2026, 12, 1), 2366.27}}
                                    << "";
}

void ChartWindowTest::theLineIsTheRecordedBalances() {
    QFETCH(QStringList, income);
    QFETCH(QStringList, expense);
    QFETCH(QByteArray, balance);
    QFETCH(QList<Point>, line);
    QFETCH(QString, note);
    for (const auto& [list, rows] : {std::pair{"Income", income}, std::pair{"Expense", expense}}) {
        QStringList dates{""}, amounts{""}, balances{""};
        for (const QString& row : rows) {
            const QStringList fields = row.split('|');
            dates << fields[0];
            amounts << fields[1];
            balances << fields[2];
        }
        writeBytes(folder_ + "/" + list + "Date.txt", lines(dates));
        writeBytes(folder_ + "/" + list + "Des.txt", lines(QStringList(dates.size())));
        writeBytes(folder_ + "/" + list + "Amn.txt", lines(amounts));
        writeBytes(folder_ + "/" + list + "bal.txt", lines(balances));
    }
    writeBytes(folder_ + "/OpeningBalance.txt", balance);
    ChartWindow& window = openChart();
    const QList<Point> drawn = linePoints(window);
    QCOMPARE(drawn.size(), line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        QCOMPARE(drawn[i].first, line[i].first);
        QCOMPARE(drawn[i].second, line[i].second);
    }
    QVERIFY(markedPoints(window).isEmpty());
    QCOMPARE(window.note()->text(), note);
}

// The highest and the lowest point, and the first and the last, lie inside the plot with
// room for their marks, at the window's size and after it is made smaller.
void ChartWindowTest::outermostPointsAreDrawnWhole() {
    writeBytes(folder_ + "/OpeningBalance.txt", "3000\r\n");
    writeBytes(folder_ + "/IncomeDate.txt", lines({"", "12/1/2026", "12/2/2026"}));
    writeBytes(folder_ + "/IncomeAmn.txt", lines({"", "1000", "2000"}));
    writeBytes(folder_ + "/Incomebal.txt", lines({"", "1000", "3000"}));
    ChartWindow& window = openChart();
    auto& main = static_cast<MainWindow&>(fixture_->windows->mainWindow());
    main.resize(1200, 900);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    for (const QSize size : {QSize(), QSize(420, 360)}) {
        if (size.isValid())
            window.parentWidget()->resize(size);
        QApplication::processEvents();
        QChart* chart = chartOf(window.balanceChart());
        auto* line = qobject_cast<QLineSeries*>(chart->series().first());
        const QRectF plot = chart->plotArea();
        QVERIFY(plot.height() > 50);
        for (const QPointF& point : line->points()) {
            const QPointF at = chart->mapToPosition(point, line);
            QVERIFY2(plot.adjusted(6, 6, -6, -6).contains(at),
                     qPrintable(QStringLiteral("%1 at %2,%3 in %4,%5 %6x%7")
                                    .arg(point.y())
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(plot.x())
                                    .arg(plot.y())
                                    .arg(plot.width())
                                    .arg(plot.height())));
        }
    }
}

void ChartWindowTest::commandAndKeys() {
    auto& main = static_cast<MainWindow&>(fixture_->windows->mainWindow());
    main.setViewMenuEnabled(true);
    QAction* chart = main.command("cmdchart");
    QVERIFY(chart);
    QCOMPARE(chart->text(), QStringLiteral("Chart"));
    // The last of the View menu, with a key no other command has.
    auto* view = main.findChild<QMenu*>("cmdview");
    QCOMPARE(view->actions().last(), chart);
    for (QAction* other : main.findChildren<QAction*>()) {
        if (other != chart)
            QVERIFY2(!other->shortcuts().contains(chart->shortcut()),
                     qPrintable(other->objectName()));
    }
    QVERIFY(!chart->shortcut().isEmpty());
    // Without an account the command is off with the rest of the View menu.
    main.setViewMenuEnabled(false);
    QVERIFY(!chart->isEnabled());
    main.setViewMenuEnabled(true);

    // The key opens the window from a text box, and a second press keeps the one window.
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto& form = fixture_->windows->show<EntryForm>();
    auto* date = form.findChild<QLineEdit*>("Text1");
    date->setFocus();
    QTest::keySequence(date, chart->shortcut());
    ChartWindow* window = fixture_->windows->find<ChartWindow>();
    QVERIFY(window);
    QTest::keySequence(QApplication::focusWidget(), chart->shortcut());
    QCOMPARE(fixture_->windows->find<ChartWindow>(), window);
    QCOMPARE(main.findChildren<ChartWindow*>().size(), 1);
    QCOMPARE(date->text(), QString());

    // Both charts take the keyboard's focus in turn.
    QTRY_COMPARE(QApplication::focusWidget(), window->balanceChart()->drawing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window->monthChart()->drawing());
}

void ChartWindowTest::figuresFollowTheLocale() {
    ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
    const auto put = [&](const char* file, const QString& text) {
        writeBytes(folder_ + "/" + file, lines({"", text}));
    };
    put("IncomeDate.txt", "03.10.2026");
    put("IncomeDes.txt", "Gehalt");
    put("IncomeAmn.txt", "1.000,50");
    put("Incomebal.txt", "1.500,50");
    writeBytes(folder_ + "/OpeningBalance.txt", "1500,5\r\n");
    ChartWindow& window = openChart();
    QCOMPARE(linePoints(window),
             (QList<Point>{{QDate(2026, 10, 2), 500}, {QDate(2026, 10, 3), 1500.5}}));
    QCOMPARE(monthBars(window), (QList<Month>{{"Okt. 2026", 1000.5, 0}}));
    QCOMPARE(window.monthChart()->accessibleDescription(),
             QStringLiteral("Okt. 2026: income 1.000,50, expense 0,00."));
    QChart* chart = chartOf(window.monthChart());
    QVERIFY(chart->localizeNumbers());
    QCOMPARE(chart->locale(), QLocale(QLocale::German, QLocale::Germany));
}

void ChartWindowTest::unreadableFileIsToldOnce() {
    writeThreeMonths(*fixture_, folder_);
    QFile::remove(folder_ + "/ExpenseAmn.txt");
    QVERIFY(QDir().mkdir(folder_ + "/ExpenseAmn.txt"));
    ChartWindow& window = openChart();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY(fixture_->messages.shown.first().text.contains("ExpenseAmn.txt"));
    // The income still shows; the expense rows have no amount to show.
    QCOMPARE(monthBars(window).first(), (Month{"Oct 2026", 1000, 0}));
    QVERIFY(window.note()->text().contains(
        "3 entries without a readable amount are not counted in the bars"));
}

// Entries on the first and the last day a date can have: ninety bar pairs of a hundred
// years each, said in the title and the note, and the line between the two days.
void ChartWindowTest::everyReadableDateFitsOneChart() {
    writeBytes(folder_ + "/IncomeDate.txt", lines({"", "1/1/1000"}));
    writeBytes(folder_ + "/IncomeAmn.txt", lines({"", "100"}));
    writeBytes(folder_ + "/Incomebal.txt", lines({"", "600"}));
    writeBytes(folder_ + "/ExpenseDate.txt", lines({"", "12/31/9999"}));
    writeBytes(folder_ + "/ExpenseAmn.txt", lines({"", "50"}));
    writeBytes(folder_ + "/Expensebal.txt", lines({"", "550"}));
    writeBytes(folder_ + "/OpeningBalance.txt", "550\r\n");
    ChartWindow& window = openChart();
    QCOMPARE(linePoints(window),
             (QList<Point>{{QDate(999, 12, 31), 500},
                           {QDate(1000, 1, 1), 600},
                           {QDate(9999, 12, 31), 550}}));
    const QList<Month> bars = monthBars(window);
    QCOMPARE(bars.size(), 90);
    QCOMPARE(bars.first(), (Month{"1000\u20131099", 100, 0}));
    QCOMPARE(bars.last(), (Month{"9900\u20139999", 0, 50}));
    QCOMPARE(chartOf(window.monthChart())->title(),
             QStringLiteral("Income and Expense per 100 Years"));
    QCOMPARE(window.monthChart()->accessibleName(),
             QStringLiteral("Income and expense per 100 years"));
    QVERIFY(window.monthChart()->accessibleDescription().startsWith(
        "1000\u20131099: income 100.00, expense 0.00. 1100\u20131199: income 0.00"));
    QCOMPARE(window.note()->text(),
             QStringLiteral("The entries span 9000 years: income and expense are shown per 100 "
                            "years."));
    QVERIFY(fixture_->messages.shown.isEmpty());
}

// The figures of large tables are worked out on another thread, the window busy meanwhile;
// a change made then is drawn once they are done.
void ChartWindowTest::largeTablesAreFiguredAside() {
    QStringList dates{""}, amounts{""}, balances{""};
    const QDate start(2000, 1, 1);
    for (int day = 0; day < 10000; ++day) {
        dates << start.addDays(day).toString("M/d/yyyy");
        amounts << "1";
        balances << QString::number(day + 1);
    }
    writeBytes(folder_ + "/IncomeDate.txt", lines(dates));
    writeBytes(folder_ + "/IncomeAmn.txt", lines(amounts));
    writeBytes(folder_ + "/Incomebal.txt", lines(balances));
    writeBytes(folder_ + "/OpeningBalance.txt", "10000\r\n");
    ChartWindow& window = openChart();
    QVERIFY(window.isBusy());
    QCOMPARE(window.cursor().shape(), Qt::BusyCursor);
    QVERIFY(window.history().empty());
    // An entry made meanwhile.
    writeBytes(folder_ + "/ExpenseDate.txt", lines({"", "1/1/2030"}));
    writeBytes(folder_ + "/ExpenseAmn.txt", lines({"", "500"}));
    writeBytes(folder_ + "/Expensebal.txt", lines({"", "9500"}));
    writeBytes(folder_ + "/OpeningBalance.txt", "9500\r\n");
    window.refresh();
    QTRY_VERIFY(!window.isBusy() && window.history().balance.size() == 10002);
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    const QList<Point> line = linePoints(window);
    QVERIFY2(line.size() <= ledger::kMostDrawnPoints, qPrintable(QString::number(line.size())));
    QCOMPARE(line.first(), Point(QDate(1999, 12, 31), 0));
    QCOMPARE(line.last(), Point(QDate(2030, 1, 1), 9500));
    // Thirty-one years: a bar pair a year.
    const QList<Month> bars = monthBars(window);
    QCOMPARE(bars.size(), 31);
    QCOMPARE(bars.first(), (Month{"2000", 366, 0}));
    QCOMPARE(bars.last(), (Month{"2030", 0, 500}));
    QCOMPARE(chartOf(window.monthChart())->title(), QStringLiteral("Income and Expense per Year"));
    QVERIFY(fixture_->messages.shown.isEmpty());
}

QTEST_MAIN(ChartWindowTest)
#include "test_chartwindow.moc"
