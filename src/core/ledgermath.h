#pragma once

#include <QString>
#include <optional>

// The arithmetic of one entry on the running balance.
namespace kesterly::ledger {

struct BalanceAfter {
    std::optional<QString> text; // the new balance as it is shown and stored
    QString problem;             // why the entry cannot be recorded, when there is no text
    // The balance itself cannot be counted with (it is no number, or one beyond what a
    // balance can hold); the stored balance has to be put right.
    bool balanceUnusable = false;
};

// The balance text and the amount must each be a number as a whole, blanks around them
// aside, in the current settings' form or else in the other one (numbertext.h); an empty
// balance counts as 0. Income adds the amount, expense subtracts it. An amount that is
// not a number, a balance that is no number or reads as no finite number, or a new
// balance whose text would not read back as a finite number, gives a problem instead of
// a balance.
BalanceAfter balanceAfter(const QString& balanceText, const QString& amountText, bool income);

} // namespace kesterly::ledger
