#include "ledger/expensewindow.h"

namespace kesterly {

namespace {

// The focus starts in the amount list here, not in the date list as in the Income window.
LedgerListLayout expenseLayout() {
    return {ExpenseWindow::kName,
            QStringLiteral("Expense"),
            73,
            7704,
            6984,
            {{{546, 480, 1212, 5424, 2},
              {1920, 480, 1932, 5424, 1},
              {3960, 480, 1452, 5424, 0},
              {5640, 480, 1452, 5424, 3}}},
            {2640, 6120, 1932, 612, 4},
            account::kExpenseTable};
}

} // namespace

ExpenseWindow::ExpenseWindow(Windows& windows) : LedgerListWindow(windows, expenseLayout()) {}

} // namespace kesterly
