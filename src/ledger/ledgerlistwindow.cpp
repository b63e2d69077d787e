#include "ledger/ledgerlistwindow.h"

#include "core/accounttable.h"
#include "framework/windows.h"
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
      layout_(layout) {
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
        }
    }
    setFocusProxy(order.front() == kColumns ? static_cast<QWidget*>(removeButton_)
                                            : lists_[order.front()]);

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
    // With no account open there is nothing to read, and nothing will be written.
    folder_ = windows().account().folder();
    if (folder_.isEmpty())
        return;

    const account::TableRead table =
        account::readTable(folder_, account::ledgerTable(layout_.files));
    loaded_ = table.columns;
    for (int column = 0; column < kColumns; ++column)
        lists_[column]->setRows(table.columns[column]);
    if (table.whole())
        return;
    // Writing the other files back would leave their rows without the rows of the file
    // that could not be read, so none is written.
    unsavedReason_ = table.problems.join(QLatin1Char('\n'));
    windows().inform(unsavedReason_ +
                         QStringLiteral("\n\nThe %1 list shows what could be read. None of its "
                                        "files is written when this window closes, so nothing "
                                        "in them is lost. Put the file right, then close this "
                                        "window and open it again.")
                             .arg(layout_.title),
                     layout_.title, MessageIcon::Exclamation);
}

int LedgerListWindow::rowCount() const {
    int rows = 0;
    for (const RowList* list : lists_)
        rows = std::max(rows, list->rowCount());
    return rows;
}

void LedgerListWindow::appendRow(Column column, const QString& text) {
    lists_[column]->appendRow(text);
}

void LedgerListWindow::removeSelected() {
    // Each list loses the row at its own selected index; the ring keeps those equal. A
    // list without a selected row ends the removal where it stands.
    for (RowList* list : lists_) {
        if (!list->removeRow(list->selectedIndex()))
            return;
    }
    // The removed row left no selection, so this selects the first row of all four,
    // unless none is left.
    lists_[Date]->setSelectedIndex(lists_[Date]->selectedIndex() + 1);
}

QList<QStringList> LedgerListWindow::columns() const {
    QList<QStringList> rows;
    for (const RowList* list : lists_)
        rows << list->rows();
    return rows;
}

bool LedgerListWindow::closeStep() {
    writeBack();
    return true;
}

void LedgerListWindow::writeBack() {
    const QList<QStringList> rows = columns();
    if (folder_.isEmpty() || rows == loaded_)
        return;
    if (!unsavedReason_.isEmpty()) {
        windows().inform(QStringLiteral("The changes to the %1 list were not saved, because a "
                                        "file of the list could not be read when the window "
                                        "opened:\n%2")
                             .arg(layout_.title, unsavedReason_),
                         layout_.title, MessageIcon::Exclamation);
        return;
    }
    for (;;) {
        const listfile::Outcome written =
            account::saveTable(folder_, account::ledgerTable(layout_.files), rows);
        if (written)
            return;
        const Choice answer = windows().ask(
            written.message() + QStringLiteral("\n\nChoose Retry to try again, or Discard to close "
                                               "the window without saving the %1 list; its files "
                                               "then keep what they held before.")
                                    .arg(layout_.title),
            layout_.title, MessageIcon::Exclamation, {Choice::Retry, Choice::Discard});
        if (answer != Choice::Retry)
            return;
    }
}

} // namespace kesterly
