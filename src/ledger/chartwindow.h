#pragma once

#include "core/ledgerhistory.h"
#include "core/listfile.h"
#include "framework/childwindow.h"
#include "framework/tablecopy.h"

#include <QFutureWatcher>

class QLabel;

namespace kesterly {

class ChartView;
class LedgerListWindow;

// The account's money as pictures: the balance over time as a line, and income against
// expense for each month (over many years, each year or more) as bars side by side, from
// the Income and Expense lists (the open windows' rows, or the files when a window is not
// open). Below them, what is not shown. It follows every entry added or removed while it
// is open, and looks at the files again each time it comes to the front. It writes
// nothing. The figures of large tables are worked out on another thread, the window
// showing a busy pointer meanwhile, so that the program keeps answering.
class ChartWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form19";
    explicit ChartWindow(Windows& windows);

    bool holdsAccountData() const override { return true; }
    void load() override;
    void activated() override;

    // Takes the figures again and redraws.
    void refresh();

    const ledger::History& history() const { return history_; }
    ChartView* balanceChart() const { return balanceChart_; }
    ChartView* monthChart() const { return monthChart_; }
    QLabel* note() const { return note_; }

protected:
    bool closeStep() override;

private:
    // One of the two tables: taken from its open window, or read from the files.
    struct Source {
        Source(Windows& windows, const account::TableFiles& files, const QString& title);
        TableCopy copy;
        QList<QStringList> columns;
        bool ready = false;
    };
    void gather(Source& source, LedgerListWindow* open);
    // Works out the figures once both tables are there, on another thread for large ones.
    void showWhenGathered();
    void draw(const ledger::History& history);

    Source income_;
    Source expense_;
    // A refresh asked for while a large table is still being read, or its figures worked
    // out, runs after it.
    bool gathering_ = false;
    bool again_ = false;
    QFutureWatcher<ledger::History> figuring_;
    ledger::History history_;
    // The balance file as it was when the chart was drawn.
    listfile::FileStamp balanceStamp_;
    ChartView* balanceChart_;
    ChartView* monthChart_;
    QLabel* note_;
};

} // namespace kesterly
