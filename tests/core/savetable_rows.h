#pragma once

#include <QList>
#include <QStringList>

namespace kesterly::test {

// The income table before and after the save the table tests interrupt: every file
// changes, and the new files differ in length from the old ones.
inline QList<QStringList> oldIncomeRows() {
    return {{"", "1/2/2026"}, {"", "rent"}, {"", "700"}, {"", "-200"}};
}
inline QList<QStringList> newIncomeRows() {
    return {{"1/2/2026", "3/4/2026", "5/6/2026"},
            {"rent", "gift", "salary"},
            {"700", "20", "1500"},
            {"-200", "-180", "1320"}};
}

// The entry a Submit adds after the old rows, and the balance after it.
inline QStringList appendedIncomeRow() {
    return {"7/8/2026", "bonus, late", "12.5", "-187.5"};
}

} // namespace kesterly::test
