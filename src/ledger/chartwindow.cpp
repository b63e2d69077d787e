#include "ledger/chartwindow.h"

#include "core/listfile.h"
#include "core/numberform.h"
#include "core/numbertext.h"
#include "framework/chartview.h"
#include "framework/windows.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledger/ledgerchanges.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace kesterly {

namespace {

const QString kTitle = QStringLiteral("Chart");

// Tables of together this many rows and more are figured on another thread. Two full
// tables (65,534 rows) take some 10 ms here, several times that on a busy machine, and
// the drawing after them as long again: the window's thread keeps only the drawing.
constexpr qsizetype kAsideRows = 8192;

qsizetype rowsOf(const QList<QStringList>& columns) {
    qsizetype rows = 0;
    for (const QStringList& column : columns)
        rows = std::max(rows, column.size());
    return rows;
}

QString balanceFile(const QString& folder) {
    return account::filePath(folder, account::kOpeningBalance);
}

} // namespace

ChartWindow::Source::Source(Windows& windows, const account::TableFiles& files,
                            const QString& title)
    : copy(windows, account::ledgerTable(files), QStringLiteral("the %1 list").arg(title), title) {}

ChartWindow::ChartWindow(Windows& windows)
    : ChildWindow(windows, kName, kTitle, 10200, 8400, Frame::Sizable),
      income_(windows, account::kIncomeTable, QStringLiteral("Income")),
      expense_(windows, account::kExpenseTable, QStringLiteral("Expense")),
      balanceChart_(windows.createChartView(this)), monthChart_(windows.createChartView(this)),
      note_(new QLabel(this)) {
    balanceChart_->setObjectName(QStringLiteral("Chart1"));
    balanceChart_->setAccessibleName(QStringLiteral("Balance over time"));
    monthChart_->setObjectName(QStringLiteral("Chart2"));
    monthChart_->setAccessibleName(QStringLiteral("Income and expense per month"));
    for (ChartView* chart : {balanceChart_, monthChart_})
        chart->drawing()->setAccessibleName(chart->accessibleName());
    note_->setObjectName(QStringLiteral("Label1"));
    note_->setWordWrap(true);
    note_->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(balanceChart_, 1);
    layout->addWidget(monthChart_, 1);
    layout->addWidget(note_);
    setFocusProxy(balanceChart_);

    for (Source* source : {&income_, &expense_})
        connect(&source->copy, &TableCopy::busyChanged, this, &ChildWindow::showBusy);
    connect(&windows.shared<LedgerChanges>(), &LedgerChanges::changed, this, &ChartWindow::refresh);
    connect(&figuring_, &QFutureWatcher<ledger::History>::finished, this, [this] {
        showBusy(false);
        draw(figuring_.result());
    });
}

void ChartWindow::load() {
    refresh();
}

void ChartWindow::activated() {
    // What another program wrote since shows when the user comes back to the chart; files
    // that did not change are not read again (nor an unreadable one told again).
    const QString folder = windows().account().folder();
    if (folder.isEmpty())
        return;
    const auto changed = [&](const Source& source, const LedgerListWindow* open) {
        // An open list window tells of each change itself.
        return !open && (source.copy.folder() != folder || source.copy.changedOnDisk());
    };
    if (changed(income_, windows().find<IncomeWindow>()) ||
        changed(expense_, windows().find<ExpenseWindow>()) ||
        listfile::stampOf(balanceFile(folder)) != balanceStamp_)
        refresh();
}

bool ChartWindow::closeStep() {
    income_.copy.finish();
    expense_.copy.finish();
    // Figures still being worked out take a moment more; nothing runs on after the window.
    figuring_.waitForFinished();
    return true;
}

void ChartWindow::refresh() {
    if (gathering_) {
        again_ = true;
        return;
    }
    gathering_ = true;
    income_.ready = expense_.ready = false;
    gather(income_, windows().find<IncomeWindow>());
    gather(expense_, windows().find<ExpenseWindow>());
}

void ChartWindow::gather(Source& source, LedgerListWindow* open) {
    const QString folder = windows().account().folder();
    // An open window shows what its files hold. One still reading or saving a large table
    // is not waited for: the files are read here, and the window's news when it is done
    // draws the chart again.
    if (open && !open->busy() && open->folder() == folder) {
        source.columns = open->columns();
        source.ready = true;
        showWhenGathered();
        return;
    }
    source.copy.read(folder, [this, &source] {
        source.columns = source.copy.rows();
        source.ready = true;
        showWhenGathered();
    });
}

void ChartWindow::showWhenGathered() {
    if (!income_.ready || !expense_.ready)
        return;
    const QString folder = windows().account().folder();
    std::optional<QString> balance;
    numbers::Form remembered = numbers::Form::Unknown;
    if (!folder.isEmpty()) {
        balanceStamp_ = listfile::stampOf(balanceFile(folder));
        // The first line as it stands: the history reads it by the account's form.
        const auto stored = listfile::readListContent(balanceFile(folder), 1);
        if (stored.ok() && !stored.value->texts.isEmpty())
            balance = stored.value->texts.first();
        remembered = numbers::readRemembered(folder).form;
    }
    // The lists are shared, not copied: the other thread only reads them.
    const auto figures = [income = income_.columns, expense = expense_.columns, balance,
                          remembered, locale = userLocale(),
                          today = windows().clock().now().date()] {
        return ledger::history(income, expense, balance, locale, today, remembered);
    };
    if (rowsOf(income_.columns) + rowsOf(expense_.columns) < kAsideRows) {
        draw(figures());
        return;
    }
    showBusy(true);
    figuring_.setFuture(QtConcurrent::run(figures));
}

void ChartWindow::draw(const ledger::History& history) {
    gathering_ = false;
    history_ = history;
    const QLocale locale = userLocale();
    ChartLine line{QStringLiteral("Balance"), QStringLiteral("Balance"), {}, {}, {}};
    line.days.reserve(history_.drawnBalance.size());
    line.values.reserve(history_.drawnBalance.size());
    for (const ledger::BalancePoint& point : std::as_const(history_.drawnBalance)) {
        line.days << point.date;
        line.values << point.balance;
    }
    if (history_.today) {
        line.days << history_.today->date;
        line.values << history_.today->balance;
        line.lastPointName = tr("Today's balance");
    }
    ChartBars bars{ledger::barsTitle(history_),
                   {},
                   {{QStringLiteral("Income"), {}}, {QStringLiteral("Expense"), {}}}};
    for (const ledger::BarTotals& bar : std::as_const(history_.bars)) {
        bars.categories << ledger::barName(history_, bar, locale);
        bars.sets[0].values << bar.income;
        bars.sets[1].values << bar.expense;
    }
    balanceChart_->showLine(line, locale);
    monthChart_->showBars(bars, locale);
    // "Income and expense per month", or per year and so on, as the title says.
    QString barsName = bars.title.toLower();
    barsName[0] = barsName[0].toUpper();
    monthChart_->setAccessibleName(barsName);
    monthChart_->drawing()->setAccessibleName(barsName);
    balanceChart_->setAccessibleDescription(ledger::balanceDescription(history_, locale));
    monthChart_->setAccessibleDescription(ledger::barsDescription(history_, locale));
    for (ChartView* chart : {balanceChart_, monthChart_})
        chart->drawing()->setAccessibleDescription(chart->accessibleDescription());
    QStringList notes{ledger::noteText(history_), ledger::todayNote(history_, locale)};
    notes.removeAll(QString());
    const QString note = notes.join(QLatin1Char('\n'));
    note_->setText(note);
    note_->setVisible(!note.isEmpty());

    if (again_) {
        again_ = false;
        refresh();
    }
}

} // namespace kesterly
