#pragma once

#include "ledger/ledgerlistwindow.h"

namespace kesterly {

// The expense entries of the current account.
class ExpenseWindow : public LedgerListWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form6";
    explicit ExpenseWindow(Windows& windows);
};

} // namespace kesterly
