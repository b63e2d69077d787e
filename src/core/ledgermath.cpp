#include "core/ledgermath.h"

#include "core/numbertext.h"

#include <cmath>

namespace kesterly::ledger {

BalanceAfter balanceAfter(const QString& balanceText, const QString& amountText, bool income) {
    const std::optional<double> amount = strictNumber(amountText);
    if (!amount)
        return {std::nullopt,
                QStringLiteral("The amount \"%1\" is not a number. Type the amount in digits, "
                               "for example %2. The entry was not recorded.")
                    .arg(amountText, numberToText(25.5))};
    const double balance = leadingNumber(balanceText);
    if (!std::isfinite(balance))
        return {std::nullopt,
                QStringLiteral("The balance \"%1\" cannot be counted with: as a number it lies "
                               "beyond the largest a balance can hold.")
                    .arg(balanceText),
                true};
    // The new balance is kept as text and read again at the next entry and from the
    // file: one that would not read back as a number would refuse every later entry.
    const std::optional<QString> after =
        finiteNumberText(income ? balance + *amount : balance - *amount);
    if (!after)
        return {std::nullopt,
                QStringLiteral("The balance after this entry would be too large to hold. "
                               "The entry was not recorded.")};
    return {after, {}};
}

} // namespace kesterly::ledger
