#include "ledger/ledgermath.h"

#include "common/numbertext.h"

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
    const double after = income ? balance + *amount : balance - *amount;
    if (!std::isfinite(after))
        return {std::nullopt,
                QStringLiteral("The balance after this entry would be too large to hold. "
                               "The entry was not recorded.")};
    return {numberToText(after), {}};
}

} // namespace kesterly::ledger
