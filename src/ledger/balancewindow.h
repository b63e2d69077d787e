#pragma once

#include "framework/childwindow.h"

class QLabel;

namespace kesterly {

// Shows the current balance: the stored one when it opens, then the Entry form's
// running balance each time that changes.
class BalanceWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form8";
    explicit BalanceWindow(Windows& windows);

    bool holdsAccountData() const override { return true; }
    void load() override;

    QString balanceText() const;
    void setBalanceText(const QString& text);

private:
    QLabel* balanceLabel_;
};

} // namespace kesterly
