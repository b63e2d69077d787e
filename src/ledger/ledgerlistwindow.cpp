#include "ledger/ledgerlistwindow.h"

#include "framework/fonts.h"
#include "framework/windows.h"
#include "ledger/ledgerchanges.h"
#include "ledger/rowlist.h"

#include <QPushButton>
#include <algorithm>

namespace kesterly {

using namespace ledger;

namespace {

constexpr std::array<const char*, kColumns> kListNames = {"Date1", "Des1", "Amount1", "Bal1"};
// The lists have no headings; readers announce them by what they hold.
constexpr std::array<const char*, kColumns> kListContents = {"dates", "descriptions", "amounts",
                                                             "balances"};

} // namespace

LedgerListWindow::LedgerListWindow(Windows& windows, const LedgerListLayout& layout)
    : ChildWindow(windows, layout.name,
                  QString(layout.captionSpaces, QLatin1Char(' ')) + layout.title,
                  layout.clientWidth, layout.clientHeight, Frame::Fixed),
      layout_(layout), table_(windows, account::ledgerTable(layout.files),
                              QStringLiteral("the %1 list").arg(layout.title), layout.title) {
    // The controls are made in their keyboard order, so the focus starts on the first of
    // them when the window opens (the date list here, the amount list in the Expense
    // window) and Tab follows the order.
    std::array<int, kColumns + 1> order{};
    for (int i = 0; i <= kColumns; ++i)
        order[i] = i;
    const auto tabIndex = [&layout](int control) {
        return control == kColumns ? layout.removeButton.tabIndex : layout.lists[control].tabIndex;
    };
    std::sort(order.begin(), order.end(),
              [&tabIndex](int a, int b) { return tabIndex(a) < tabIndex(b); });
    for (const int control : order) {
        if (control == kColumns) {
            const ControlPlace& at = layout.removeButton;
            removeButton_ = place<QPushButton>("Command1", at.left, at.top, at.width, at.height);
            removeButton_->setText(QStringLiteral("Remove Selected"));
        } else {
            const ControlPlace& at = layout.lists[control];
            lists_[control] =
                place<RowList>(kListNames[control], at.left, at.top, at.width, at.height);
            lists_[control]->setAccessibleName(layout.title + QLatin1Char(' ') +
                                               QLatin1String(kListContents[control]));
            // A date with a two-digit month and day fills the narrow date list to the
            // edge, and more so beside a scroll bar: the narrow face shows it whole.
            if (control == Date)
                lists_[control]->setFont(fonts::narrowControls());
        }
    }
    setFocusProxy(order.front() == kColumns ? static_cast<QWidget*>(removeButton_)
                                            : lists_[order.front()]);

    // A reader announces a row whole from whichever list has the focus: date, description,
    // amount and balance, as a sighted user reads across.
    for (RowList* list : lists_) {
        list->setRowSpeech([this](int index) {
            QStringList fields;
            bool blank = true;
            for (const RowList* column : lists_) {
                fields << column->row(index);
                blank = blank && fields.last().trimmed().isEmpty();
            }
            return blank ? tr("empty row") : fields.join(QStringLiteral(", "));
        });
    }

    // The selection ring: a list whose selected row changes selects the same row in the
    // next list, date to description to amount to balance and back to date. A list
    // already on that row does nothing, so one change goes round once and stops.
    for (int column = 0; column < kColumns; ++column) {
        RowList* next = lists_[(column + 1) % kColumns];
        connect(lists_[column], &RowList::selectedIndexChanged, next,
                [next](int index) { next->setSelectedIndex(index); });
    }
    connect(removeButton_, &QPushButton::clicked, this, &LedgerListWindow::removeSelected);
}

void LedgerListWindow::load() {
    connect(&table_, &TableCopy::busyChanged, this, &ChildWindow::showBusy);
    table_.read(windows().account().folder(), [this] { showReloaded(); });
}

bool LedgerListWindow::closeStep() {
    table_.finish();
    return true;
}

int LedgerListWindow::rowCount() const {
    int rows = 0;
    for (const RowList* list : lists_)
        rows = std::max(rows, list->rowCount());
    return rows;
}

TableCopy::Saved LedgerListWindow::appendEntry(const QStringList& entry,
                                               const QList<listfile::FileLines>& alongWith) {
    const TableCopy::Saved saved = table_.append(entry, alongWith);
    // Rows read again hold the entry already when it was saved.
    if (saved.reloaded)
        showReloaded();
    else if (saved.ok) {
        for (int column = 0; column < kColumns; ++column)
            lists_[column]->appendRow(entry.value(column));
        windows().shared<LedgerChanges>().changed();
    }
    return saved;
}

void LedgerListWindow::removeSelected() {
    if (table_.busy())
        return;
    // Each list loses the row at its own selected index; the ring keeps those equal. A
    // list without a selected row ends the removal where it stands.
    const int row = lists_[Date]->selectedIndex();
    QList<QStringList> after;
    for (const RowList* list : lists_) {
        if (list->selectedIndex() != row || row < 0)
            return;
        QStringList rows = list->rows();
        rows.removeAt(row);
        after << rows;
    }
    // The files lose the entry before the lists do, so that the lists show what the files
    // hold.
    table_.replace(after, [this, row](const TableCopy::Saved& saved) {
        if (saved.reloaded)
            showReloaded();
        if (!saved.ok) {
            windows().inform(saved.message + QStringLiteral(" The entry was not removed."),
                             layout_.title, MessageIcon::Exclamation);
            return;
        }
        for (RowList* list : lists_)
            list->removeRow(row);
        // The removed row left no selection, so this selects the first row of all four,
        // unless none is left.
        lists_[Date]->setSelectedIndex(lists_[Date]->selectedIndex() + 1);
        windows().shared<LedgerChanges>().changed();
        // Removed, but the disk had something to say while the save was finished.
        if (!saved.message.isEmpty())
            windows().inform(saved.message, layout_.title, MessageIcon::Exclamation);
    });
}

void LedgerListWindow::reread() {
    table_.whenIdle([this] { table_.read(table_.folder(), [this] { showReloaded(); }); });
}

void LedgerListWindow::showReloaded() {
    const int selected = lists_[Date]->selectedIndex();
    QStringList entry;
    for (const RowList* list : lists_)
        entry << list->row(selected);
    const QList<QStringList>& columns = table_.rows();
    for (int column = 0; column < kColumns; ++column)
        lists_[column]->setRows(columns[column]);
    bool same = selected >= 0;
    for (int column = 0; column < kColumns && same; ++column)
        same =
            lists_[column]->row(selected) == entry[column] && selected < lists_[column]->rowCount();
    if (same)
        lists_[Date]->setSelectedIndex(selected);
    windows().shared<LedgerChanges>().changed();
}

} // namespace kesterly
