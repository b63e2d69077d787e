#pragma once

#include "core/accountfolder.h"
#include "core/ledgertable.h"
#include "framework/childwindow.h"
#include "framework/tablecopy.h"

#include <array>

class QPushButton;

namespace kesterly {

class RowList;

// Where a control sits, in twips, and its place in the keyboard order.
struct ControlPlace {
    int left, top, width, height, tabIndex;
};

// What tells the Income window and the Expense window apart.
struct LedgerListLayout {
    const char* name;
    QString title; // the caption without its centring spaces; also the message title
    int captionSpaces;
    int clientWidth, clientHeight;
    std::array<ControlPlace, ledger::kColumns> lists; // date, description, amount, balance
    ControlPlace removeButton;
    account::TableFiles files;
};

// Four parallel lists of one ledger table and a "Remove Selected" button. The lists are
// read from the account's files when the window opens (a large table on another thread,
// the window showing it busy meanwhile); every entry the Entry form adds and every
// removal is saved to the same folder at once, so closing writes nothing.
class LedgerListWindow : public ChildWindow {
    Q_OBJECT
public:
    LedgerListWindow(Windows& windows, const LedgerListLayout& layout);

    bool holdsAccountData() const override { return true; }
    void load() override;

    RowList* list(ledger::Column column) const { return lists_[column]; }
    // The number of entries (every list holds as many rows).
    int rowCount() const;
    // Records an entry (date, description, amount, balance): saves it at the end of the
    // table's files together with the files of `alongWith` (the balance), then shows it
    // as the new last row; no selection changes. When the save fails, nothing is shown
    // and the reason comes back.
    TableCopy::Saved appendEntry(const QStringList& entry,
                                 const QList<listfile::FileLines>& alongWith);
    // Click on "Remove Selected".
    void removeSelected();
    // Reads the files again and shows what they hold (an import wrote them): once a read
    // or save on the other thread is done, a large table again on the other thread.
    void reread();
    // A large table is read or saved on another thread: no entry goes in meanwhile.
    bool busy() const { return table_.busy(); }
    // Runs `step` once the lists are read (or saved): at once, or when that is done.
    void whenReady(std::function<void()> step) { table_.whenIdle(std::move(step)); }
    // The table as the files hold it: one list per column (date, description, amount,
    // balance), as the window shows it.
    const QList<QStringList>& columns() const { return table_.rows(); }
    // The account folder the lists were read from; empty when no account was open.
    QString folder() const { return table_.folder(); }

protected:
    // A read or save on another thread is waited for: nothing is cut short.
    bool closeStep() override;

private:
    // Shows the rows as the files hold them now (read when the window opened, or again
    // after another program changed them); the selected row stays selected when it is
    // still the same entry.
    void showReloaded();

    LedgerListLayout layout_;
    std::array<RowList*, ledger::kColumns> lists_{};
    QPushButton* removeButton_;
    TableCopy table_;
};

} // namespace kesterly
