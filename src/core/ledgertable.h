#pragma once

#include "core/accountfolder.h"

// The income and expense tables as the list windows hold them: four parallel columns,
// row i of each making one entry.
namespace kesterly::ledger {

// A Submit that would go past the table's most rows is refused.
inline constexpr int kMaxRows = account::kMaxRows;

enum Column { Date, Description, Amount, Balance };
inline constexpr int kColumns = 4;

QString columnFile(const account::TableFiles& files, Column column);

} // namespace kesterly::ledger
