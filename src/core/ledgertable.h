#pragma once

#include "core/accountfolder.h"

// The income and expense tables as the list windows hold them: four parallel columns,
// row i of each making one entry.
namespace kesterly::ledger {

// Rows are counted in a signed 16-bit number in older files' world; a Submit that would
// go past this many rows is refused.
inline constexpr int kMaxRows = 32767;

enum Column { Date, Description, Amount, Balance };
inline constexpr int kColumns = 4;

QString columnFile(const account::TableFiles& files, Column column);

} // namespace kesterly::ledger
