#pragma once

#include "core/numbertext.h"

#include <QString>

namespace kesterly {

// How the rate is taken: as a percentage, or as paise.
enum class InterestMode { Percentage, Paise };

// What stopped a calculation: the box that could not be read (Month is read first,
// then Amount, then the rate), or a product or result beyond the range of a double.
enum class InterestFailure { None, Month, Amount, Rate, OutOfRange };

struct InterestResult {
    QString text; // the Due Amount as shown, empty on failure
    InterestFailure failure = InterestFailure::None;
    explicit operator bool() const { return failure == InterestFailure::None; }
};

// Works out the Due Amount from the three box texts, strictly left to right in double
// arithmetic:
//   Percentage: Month × Amount × rate × 8.33 ÷ 10000
//   Paise:      Month × Amount × rate ÷ 10
// The result is written as text, read back as a leading number and written again, so
// the shown figure is what the box will read back.
InterestResult calculateInterest(const QString& month, const QString& amount, const QString& rate,
                                 InterestMode mode, const QLocale& locale = userLocale());

} // namespace kesterly
