#pragma once

#include "accounts/accountfolder.h"

#include <QStringList>
#include <array>

// The income and expense tables as the list windows hold them: four parallel columns,
// row i of each making one entry.
namespace kesterly::ledger {

// Rows are counted in a signed 16-bit number in older files' world; a Submit that would
// go past this many rows is refused.
inline constexpr int kMaxRows = 32767;

enum Column { Date, Description, Amount, Balance };
inline constexpr int kColumns = 4;

struct LoadedTable {
    std::array<QStringList, kColumns> columns;
    // Whether each column's file could be read; a file that could not is left as it is
    // when the window closes.
    std::array<bool, kColumns> read{};
    // One sentence per file that could not be read, naming the file and the reason.
    QStringList problems;
};

QString columnFile(const account::TableFiles& files, Column column);

// Reads the four files of a table from the folder, in the order date, description,
// amount, balance. Columns of unequal length (a file changed outside the program) are
// padded at the end with empty rows, so every row stays one entry and nothing is lost.
LoadedTable readTable(const QString& folder, const account::TableFiles& files);

void padToEqualLength(std::array<QStringList, kColumns>& columns);

} // namespace kesterly::ledger
