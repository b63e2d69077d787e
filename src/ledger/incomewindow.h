#pragma once

#include "ledger/ledgerlistwindow.h"

namespace kesterly {

// The income entries of the current account.
class IncomeWindow : public LedgerListWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form5";
    explicit IncomeWindow(Windows& windows);
};

} // namespace kesterly
