#include "ledger/incomewindow.h"

namespace kesterly {

namespace {

LedgerListLayout incomeLayout() {
    return {IncomeWindow::kName,
            QStringLiteral("Income"),
            74,
            7728,
            6828,
            {{{558, 480, 1092, 5424, 0},
              {1800, 480, 2052, 5424, 1},
              {3960, 480, 1452, 5424, 2},
              {5520, 480, 1452, 5424, 3}}},
            {2880, 6120, 1932, 492, 4},
            account::kIncomeTable};
}

} // namespace

IncomeWindow::IncomeWindow(Windows& windows) : LedgerListWindow(windows, incomeLayout()) {}

} // namespace kesterly
