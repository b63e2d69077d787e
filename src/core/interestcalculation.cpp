#include "core/interestcalculation.h"

#include <cmath>

namespace kesterly {

InterestResult calculateInterest(const QString& month, const QString& amount, const QString& rate,
                                 InterestMode mode, const QLocale& locale) {
    const auto months = strictNumber(month, locale);
    if (!months)
        return {{}, InterestFailure::Month};
    const auto principal = strictNumber(amount, locale);
    if (!principal)
        return {{}, InterestFailure::Amount};
    const double product = *principal * *months;
    if (!std::isfinite(product))
        return {{}, InterestFailure::OutOfRange};

    const auto rateValue = strictNumber(rate, locale);
    if (!rateValue)
        return {{}, InterestFailure::Rate};
    const double rated = *rateValue * product;
    // Each step on its own line keeps every intermediate a rounded double, in this
    // order: the figures users compare against were worked out exactly so.
    double due = 0;
    if (mode == InterestMode::Percentage) {
        const double scaled = rated * 8.33;
        due = scaled / 10000;
    } else {
        due = rated / 10;
    }
    // The figure is shown as text and read back from it: one whose text would not read
    // back as a finite number is out of range, whether it overflowed or rounding to 15
    // digits carried it past the top of the range.
    const std::optional<QString> written = finiteNumberText(due, locale);
    if (!written)
        return {{}, InterestFailure::OutOfRange};
    return {numberToText(leadingNumber(*written, locale), locale), InterestFailure::None};
}

} // namespace kesterly
