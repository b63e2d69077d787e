#include "core/ledgermath.h"

#include "core/numbertext.h"

#include <QCoreApplication>

#include <cmath>

namespace kesterly::ledger {

BalanceAfter balanceAfter(const QString& balanceText, const QString& amountText, bool income) {
    const std::optional<double> amount = strictNumber(amountText);
    if (!amount)
        return {std::nullopt,
                QStringLiteral("The amount \"%1\" is not a number. Type the amount in digits, "
                               "for example %2. The entry was not recorded.")
                    .arg(amountText, numberToText(25.5))};
    // The balance is the form's own text, as the balance file's was read (numberform.h):
    // the whole of it is a number, or it counts for nothing. Read as far as it looks like
    // one, "2366,27" would be 2366 and the cents lost.
    double balance = 0;
    if (!balanceText.trimmed().isEmpty()) {
        const std::optional<double> read = anyNumber(balanceText);
        if (!read)
            return {std::nullopt,
                    QCoreApplication::translate("LedgerMath",
                                                "The balance \"%1\" is not a number, so no "
                                                "entry can be counted from it.")
                        .arg(balanceText),
                    true};
        balance = *read;
    }
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
