#include "ledger/importwindow.h"

#include "core/numbertext.h"
#include "framework/controls.h"
#include "framework/windows.h"
#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "ledger/ledgerchanges.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QtConcurrent/QtConcurrentRun>

namespace kesterly {

using namespace entryimport;

const QString ImportWindow::kTitle = QStringLiteral("Import Entries");

// The rows of the plan as the table shows them.
class ImportRowsModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const QList<Planned>& rows) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 6; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const Planned& planned = rows_[index.row()];
        switch (index.column()) {
        case 0:
            return planned.row.income ? QStringLiteral("Income") : QStringLiteral("Expense");
        case 1:
            return planned.date;
        case 2:
            return role == Qt::ToolTipRole ? plainToolTip(planned.row.description)
                                           : planned.row.description;
        case 3:
            return planned.row.amountText;
        case 4:
            return planned.balance;
        case 5:
            if (!planned.duplicate)
                return QString();
            return planned.recorded ? QStringLiteral("duplicate, imported")
                                    : QStringLiteral("duplicate, left out");
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        static const QStringList kNames = {
            QStringLiteral("List"),    QStringLiteral("Date"),    QStringLiteral("Description"),
            QStringLiteral("Amount"),  QStringLiteral("Balance"), QStringLiteral("Note")};
        return kNames.value(section);
    }

private:
    QList<Planned> rows_;
};

namespace {

QString guessedMark(bool guessed) {
    return guessed ? QStringLiteral(" (guessed)") : QString();
}

const QList<QChar> kDelimiters = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};

QString delimiterName(QChar delimiter) {
    if (delimiter == QLatin1Char(';'))
        return QStringLiteral("Semicolon");
    if (delimiter == QLatin1Char('\t'))
        return QStringLiteral("Tab");
    return QStringLiteral("Comma");
}

QString sourceName(const Source& source) {
    return QStringLiteral("%1 (%2, %3)")
        .arg(QFileInfo(source.path).fileName(), formatName(source.format), source.encoding);
}

int recordCount(const QList<Source>& sources) {
    int count = 0;
    for (const Source& source : sources)
        count += int(source.format == Format::Qif ? source.transactions.size()
                                                  : source.records.size());
    return count;
}

} // namespace

ImportWindow::ImportWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(60, QLatin1Char(' ')) + kTitle, 11280, 8160,
                  Frame::Fixed) {
    const auto label = [this](const char* name, const QString& text, int left, int top,
                              int width) {
        auto* created = place<QLabel>(name, left, top + 40, width, 252);
        created->setText(text);
        created->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return created;
    };
    const auto box = [this](const char* name, int left, int top, int width) {
        return place<QComboBox>(name, left, top, width, 348);
    };
    // Left: the file and how its text is read; right: the columns and where the rows go.
    label("Label1", QStringLiteral("File :"), 120, 120, 1500);
    fileBox_ = box("FileBox", 1680, 120, 3840);
    label("Label2", QStringLiteral("Delimiter :"), 120, 540, 1500);
    delimiterBox_ = box("DelimiterBox", 1680, 540, 3840);
    label("Label3", QStringLiteral("Date column :"), 120, 960, 1500);
    dateColumnBox_ = box("DateColumnBox", 1680, 960, 3840);
    label("Label4", QStringLiteral("Date order :"), 120, 1380, 1500);
    dateOrderBox_ = box("DateOrderBox", 1680, 1380, 3840);
    label("Label5", QStringLiteral("Decimal separator :"), 120, 1800, 1500);
    decimalBox_ = box("DecimalBox", 1680, 1800, 3840);
    label("Label6", QStringLiteral("Rows go to :"), 5640, 120, 1620);
    listBox_ = box("ListBox", 7320, 120, 3840);
    label("Label7", QStringLiteral("Amount column :"), 5640, 540, 1620);
    amountColumnBox_ = box("AmountColumnBox", 7320, 540, 3840);
    label("Label8", QStringLiteral("Money out column :"), 5640, 960, 1620);
    debitColumnBox_ = box("DebitColumnBox", 7320, 960, 3840);
    label("Label9", QStringLiteral("Money in column :"), 5640, 1380, 1620);
    creditColumnBox_ = box("CreditColumnBox", 7320, 1380, 3840);
    label("Label10", QStringLiteral("Description :"), 5640, 1800, 1620);
    descriptionList_ = place<QListWidget>("DescriptionList", 7320, 1800, 3840, 780);
    descriptionList_->setAccessibleName(QStringLiteral("Description columns"));
    duplicatesCheck_ = place<QCheckBox>("DuplicatesCheck", 1680, 2280, 3840, 312);
    duplicatesCheck_->setText(QStringLiteral("Import duplicates too"));
    rowsView_ = place<QTableView>("RowsView", 120, 2700, 11040, 3300);
    rowsView_->setAccessibleName(QStringLiteral("Rows to import"));
    model_ = new ImportRowsModel(rowsView_);
    rowsView_->setModel(model_);
    rowsView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rowsView_->setSelectionMode(QAbstractItemView::SingleSelection);
    rowsView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rowsView_->setTabKeyNavigation(false);
    rowsView_->setWordWrap(false);
    rowsView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rowsView_->verticalHeader()->setDefaultSectionSize(rowsView_->fontMetrics().height() + 4);
    rowsView_->verticalHeader()->hide();
    rowsView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (const auto& [column, width] : {std::pair{0, 900}, std::pair{1, 1260}, std::pair{2, 4200},
                                        std::pair{3, 1380}, std::pair{4, 1380}})
        rowsView_->setColumnWidth(column, twips(width));
    rowsView_->horizontalHeader()->setStretchLastSection(true);
    rowsView_->horizontalHeader()->setAccessibleName(QStringLiteral("Columns of the rows"));
    shortenLongRows(rowsView_);
    auto* unreadableLabel = place<QLabel>("Label11", 120, 6060, 6000, 252);
    unreadableLabel->setText(QStringLiteral("Rows that cannot be read :"));
    unreadableList_ = place<QListWidget>("UnreadableList", 120, 6320, 11040, 900);
    unreadableList_->setAccessibleName(QStringLiteral("Rows that cannot be read"));
    unreadableList_->setUniformItemSizes(true);
    countsLabel_ = place<QLabel>("CountsLabel", 120, 7280, 7800, 780);
    countsLabel_->setWordWrap(true);
    countsLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    importButton_ = place<QPushButton>("ImportButton", 8040, 7400, 1500, 492);
    importButton_->setText(QStringLiteral("Import"));
    importButton_->setDefault(true);
    importButton_->setAutoDefault(true);
    cancelButton_ = place<QPushButton>("CancelButton", 9660, 7400, 1500, 492);
    cancelButton_->setText(QStringLiteral("Cancel"));
    cancelButton_->setAutoDefault(true);

    const QList<QWidget*> order = {fileBox_,        delimiterBox_,   dateColumnBox_,
                                   dateOrderBox_,   decimalBox_,     listBox_,
                                   amountColumnBox_, debitColumnBox_, creditColumnBox_,
                                   descriptionList_, duplicatesCheck_, rowsView_,
                                   unreadableList_, importButton_,   cancelButton_};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* control : order)
        control->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(importButton_);

    dateOrderBox_->addItems({QStringLiteral("Day-month-year"), QStringLiteral("Month-day-year"),
                             QStringLiteral("Year-month-day")});
    listBox_->addItems({QStringLiteral("Income or Expense by the sign"),
                        QStringLiteral("All to Income"), QStringLiteral("All to Expense")});
    decimalBox_->addItems({QStringLiteral("Point (1,234.56)"), QStringLiteral("Comma (1.234,56)")});
    for (const QChar delimiter : kDelimiters)
        delimiterBox_->addItem(delimiterName(delimiter));

    connect(fileBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0)
            return;
        current_ = index;
        showChoices();
    });
    connect(delimiterBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0)
            rework(kDelimiters.value(index));
    });
    for (QComboBox* choice : {listBox_, dateColumnBox_, dateOrderBox_, decimalBox_,
                              amountColumnBox_, debitColumnBox_, creditColumnBox_}) {
        connect(choice, &QComboBox::currentIndexChanged, this, [this] {
            if (filling_)
                return;
            takeChoices();
            rework();
        });
    }
    connect(descriptionList_, &QListWidget::itemChanged, this, [this] {
        if (filling_)
            return;
        takeChoices();
        rework();
    });
    connect(duplicatesCheck_, &QCheckBox::toggled, this, [this] { rework(); });
    connect(importButton_, &QPushButton::clicked, this, &ImportWindow::importRows);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(&aside_, &QFutureWatcher<Worked>::finished, this, [this] {
        const Worked worked = aside_.result();
        setWorking(false);
        if (worked.recording)
            recorded(worked);
        else
            take(worked);
    });
    // Ctrl+C copies what the preview says, the unreadable rows with it.
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &ImportWindow::copyCounts);
}

ImportWindow::~ImportWindow() {
    aside_.disconnect(this);
    aside_.waitForFinished();
}

bool ImportWindow::closeStep() {
    if (!working_)
        return true;
    // A recording is never cut short: it is waited for, and what it recorded is shown
    // and told; a preview being worked out is simply dropped.
    aside_.disconnect(this);
    aside_.waitForFinished();
    const Worked worked = aside_.result();
    setWorking(false);
    if (worked.recording && worked.recorded.ok())
        tellRecorded(worked);
    return true;
}

void ImportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            importRows();
            return;
        case Qt::Key_Escape:
            closeWindow();
            return;
        default:
            break;
        }
    }
    ChildWindow::keyPressEvent(event);
}

void ImportWindow::begin(const QString& folder, const QList<Source>& sources,
                         const Account& account) {
    folder_ = folder;
    sources_ = sources;
    account_ = account;
    current_ = 0;
    filling_ = true;
    fileBox_->clear();
    for (const Source& source : std::as_const(sources_))
        fileBox_->addItem(sourceName(source));
    fileBox_->setEnabled(sources_.size() > 1);
    filling_ = false;
    showChoices();
    rework();
    // The preview takes the keyboard: Return imports, Escape cancels, Tab goes round.
    importButton_->setFocus(Qt::ActiveWindowFocusReason);
}

void ImportWindow::showChoices() {
    if (sources_.isEmpty())
        return;
    filling_ = true;
    const Source& source = current();
    const Choices& guessed = source.guessed;
    const Choices& chosen = source.choices;
    const bool csv = source.format != Format::Qif;
    fileBox_->setCurrentIndex(current_);

    for (int i = 0; i < kDelimiters.size(); ++i)
        delimiterBox_->setItemText(i, delimiterName(kDelimiters[i]) +
                                          guessedMark(csv && guessed.delimiter == kDelimiters[i]));
    delimiterBox_->setCurrentIndex(std::max(0, int(kDelimiters.indexOf(chosen.delimiter))));
    static const QStringList kOrders = {QStringLiteral("Day-month-year"),
                                        QStringLiteral("Month-day-year"),
                                        QStringLiteral("Year-month-day")};
    for (int i = 0; i < kOrders.size(); ++i)
        dateOrderBox_->setItemText(i, kOrders[i] + guessedMark(int(guessed.dateOrder) == i));
    dateOrderBox_->setCurrentIndex(int(chosen.dateOrder));
    decimalBox_->setItemText(0, QStringLiteral("Point (1,234.56)") +
                                    guessedMark(guessed.decimal == QLatin1Char('.')));
    decimalBox_->setItemText(1, QStringLiteral("Comma (1.234,56)") +
                                    guessedMark(guessed.decimal == QLatin1Char(',')));
    decimalBox_->setCurrentIndex(chosen.decimal == QLatin1Char(',') ? 1 : 0);
    static const QStringList kLists = {QStringLiteral("Income or Expense by the sign"),
                                       QStringLiteral("All to Income"),
                                       QStringLiteral("All to Expense")};
    for (int i = 0; i < kLists.size(); ++i)
        listBox_->setItemText(i, kLists[i] + guessedMark(int(guessed.list) == i));
    listBox_->setCurrentIndex(int(chosen.list));

    const QStringList names = source.columnNames();
    const auto fillColumns = [&](QComboBox* box, int guessedColumn, int chosenColumn) {
        box->clear();
        box->addItem(QStringLiteral("(none)") + guessedMark(csv && guessedColumn < 0));
        for (int column = 0; column < names.size(); ++column)
            box->addItem(names[column] + guessedMark(column == guessedColumn));
        box->setCurrentIndex(chosenColumn + 1);
        box->setEnabled(csv);
    };
    fillColumns(dateColumnBox_, guessed.dateColumn, chosen.dateColumn);
    fillColumns(amountColumnBox_, guessed.amountColumn, chosen.amountColumn);
    fillColumns(debitColumnBox_, guessed.debitColumn, chosen.debitColumn);
    fillColumns(creditColumnBox_, guessed.creditColumn, chosen.creditColumn);
    delimiterBox_->setEnabled(csv);
    descriptionList_->clear();
    for (int column = 0; column < names.size(); ++column) {
        auto* item = new QListWidgetItem(
            names[column] + guessedMark(guessed.descriptionColumns.contains(column)),
            descriptionList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.descriptionColumns.contains(column) ? Qt::Checked
                                                                       : Qt::Unchecked);
    }
    if (!csv)
        new QListWidgetItem(QStringLiteral("Payee and memo"), descriptionList_);
    descriptionList_->setEnabled(csv);
    filling_ = false;
}

void ImportWindow::takeChoices() {
    if (sources_.isEmpty())
        return;
    Choices& chosen = current().choices;
    chosen.list = ListChoice(std::max(0, listBox_->currentIndex()));
    chosen.dateOrder = DateOrder(std::max(0, dateOrderBox_->currentIndex()));
    chosen.decimal = decimalBox_->currentIndex() == 1 ? QLatin1Char(',') : QLatin1Char('.');
    if (current().format == Format::Qif)
        return;
    chosen.dateColumn = dateColumnBox_->currentIndex() - 1;
    chosen.amountColumn = amountColumnBox_->currentIndex() - 1;
    chosen.debitColumn = debitColumnBox_->currentIndex() - 1;
    chosen.creditColumn = creditColumnBox_->currentIndex() - 1;
    chosen.descriptionColumns.clear();
    for (int row = 0; row < descriptionList_->count(); ++row) {
        if (descriptionList_->item(row)->checkState() == Qt::Checked)
            chosen.descriptionColumns << row;
    }
}

void ImportWindow::rework(QChar delimiter) {
    if (sources_.isEmpty())
        return;
    if (working_) {
        // One more round once this one is back, with the latest choices.
        again_ = true;
        if (!delimiter.isNull())
            againDelimiter_ = delimiter;
        return;
    }
    auto work = [sources = sources_, current = current_, delimiter, account = account_,
                       include = duplicatesCheck_->isChecked(), locale = userLocale(),
                       today = windows().clock().now().date()]() mutable {
        Worked worked;
        const ScopedUserLocale pinned(locale);
        if (!delimiter.isNull())
            setDelimiter(sources[current], delimiter, locale, today);
        QList<Row> rows;
        for (int i = 0; i < sources.size(); ++i) {
            Rows read = readRows(sources[i], i, today);
            rows << read.rows;
            worked.unreadable << read.unreadable;
        }
        worked.plan = makePlan(rows, account, include, locale, today);
        worked.sources = std::move(sources);
        return worked;
    };
    if (recordCount(sources_) < kAsideRecords) {
        take(work());
        return;
    }
    setWorking(true);
    aside_.setFuture(QtConcurrent::run(work));
}

void ImportWindow::take(const Worked& worked) {
    const bool delimiterChanged =
        worked.sources.value(current_).choices.delimiter != current().choices.delimiter;
    sources_ = worked.sources;
    plan_ = worked.plan;
    unreadable_ = worked.unreadable;
    if (delimiterChanged)
        showChoices();
    showRows();
    if (again_) {
        again_ = false;
        const QChar delimiter = std::exchange(againDelimiter_, QChar());
        if (delimiter.isNull())
            takeChoices();
        rework(delimiter);
    }
}

QStringList ImportWindow::unreadableTexts() const {
    QStringList texts;
    for (const Unreadable& row : unreadable_) {
        texts << (sources_.size() > 1
                      ? QStringLiteral("Line %1 of %2: %3")
                            .arg(row.line)
                            .arg(QFileInfo(sources_.value(row.source).path).fileName(), row.reason)
                      : QStringLiteral("Line %1: %2").arg(row.line).arg(row.reason));
    }
    return texts;
}

QString ImportWindow::countsText() const {
    QStringList sentences;
    const Source* source = sources_.isEmpty() ? nullptr : &sources_[current_];
    if (source && source->format != Format::Qif &&
        (source->choices.dateColumn < 0 ||
         (source->choices.amountColumn < 0 && source->choices.debitColumn < 0 &&
          source->choices.creditColumn < 0)))
        sentences << QStringLiteral("Choose the date column and an amount column of %1.")
                         .arg(QFileInfo(source->path).fileName());
    sentences << QStringLiteral("%1 rows to import: %2 to Income, %3 to Expense.")
                     .arg(plan_.recorded())
                     .arg(plan_.toIncome)
                     .arg(plan_.toExpense);
    if (plan_.duplicates > 0)
        sentences << (duplicatesCheck_->isChecked()
                          ? QStringLiteral("%1 duplicates of entries the account holds are "
                                           "imported too.")
                          : QStringLiteral("%1 duplicates of entries the account holds are left "
                                           "out."))
                         .arg(plan_.duplicates);
    if (!unreadable_.isEmpty())
        sentences << QStringLiteral("%1 rows cannot be read and are left out.")
                         .arg(unreadable_.size());
    if (!plan_.problem.isEmpty())
        sentences << plan_.problem;
    if (!account_.problem.isEmpty())
        sentences << account_.problem;
    return sentences.join(QLatin1Char(' '));
}

void ImportWindow::showRows() {
    model_->setRows(plan_.rows);
    unreadableList_->clear();
    unreadableList_->addItems(unreadableTexts());
    const QString counts = countsText();
    countsLabel_->setText(counts);
    countsLabel_->setToolTip(plainToolTip(counts));
    countsLabel_->setAccessibleName(counts);
}

void ImportWindow::setWorking(bool working) {
    working_ = working;
    showBusy(working);
}

void ImportWindow::copyCounts() {
    QStringList lines{countsText()};
    lines << unreadableTexts();
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void ImportWindow::importRows() {
    if (working_ || sources_.isEmpty())
        return;
    if (!account_.problem.isEmpty()) {
        windows().inform(account_.problem + QStringLiteral("\nNothing was imported."), kTitle,
                         MessageIcon::Exclamation);
        return;
    }
    if (!plan_.problem.isEmpty()) {
        windows().inform(plan_.problem + QStringLiteral(" Nothing was imported."), kTitle,
                         MessageIcon::Exclamation);
        return;
    }
    if (plan_.recorded() == 0) {
        windows().inform(QStringLiteral("There is no row to import: %1 Nothing was imported.")
                             .arg(countsText()),
                         kTitle, MessageIcon::Information);
        return;
    }
    setWorking(true);
    aside_.setFuture(QtConcurrent::run([folder = folder_, plan = plan_, account = account_] {
        Worked worked;
        worked.recording = true;
        worked.plan = plan;
        worked.recorded = record(folder, plan, account);
        // Another program's change: the rows are planned again against what it wrote.
        if (worked.recorded.changed())
            worked.reread = readAccount(folder, false);
        return worked;
    }));
}

void ImportWindow::recorded(const Worked& worked) {
    if (worked.recorded.changed()) {
        if (worked.reread)
            account_ = *worked.reread;
        rework();
        windows().inform(QStringLiteral("Another program changed the account's files after this "
                                        "preview was made, so nothing was imported. The preview "
                                        "now shows the rows against what the account holds; "
                                        "choose Import again."),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    if (!worked.recorded.ok()) {
        windows().inform(worked.recorded.message() + QStringLiteral("\nNothing was imported."),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    closeWindow();
    tellRecorded(worked);
}

void ImportWindow::tellRecorded(const Worked& worked) {
    // Every open window of the account shows the rows at once.
    Windows& registry = windows();
    if (auto* income = registry.find<IncomeWindow>())
        income->reread();
    if (auto* expense = registry.find<ExpenseWindow>())
        expense->reread();
    if (auto* form = registry.find<EntryForm>())
        form->followBalanceFile();
    else if (auto* balance = registry.find<BalanceWindow>())
        balance->load();
    registry.shared<LedgerChanges>().changed();

    const Plan& plan = worked.plan;
    QString text = QStringLiteral("%1 rows were imported: %2 to the Income list and %3 to the "
                                  "Expense list.")
                       .arg(plan.recorded())
                       .arg(plan.toIncome)
                       .arg(plan.toExpense);
    const int duplicatesLeft = duplicatesCheck_->isChecked() ? 0 : plan.duplicates;
    text += QStringLiteral(" %1 duplicates of entries the account held were left out.")
                .arg(duplicatesLeft);
    text += QStringLiteral(" %1 rows could not be read and were left out.").arg(unreadable_.size());
    if (!worked.recorded.message().isEmpty())
        text += QLatin1Char('\n') + worked.recorded.message();
    registry.inform(text, kTitle, MessageIcon::Information);
}

} // namespace kesterly
