#include "ledger/ledgertable.h"

#include "accounts/listfile.h"

#include <algorithm>

namespace kesterly::ledger {

QString columnFile(const account::TableFiles& files, Column column) {
    switch (column) {
    case Date:
        return files.date;
    case Description:
        return files.description;
    case Amount:
        return files.amount;
    case Balance:
        break;
    }
    return files.balance;
}

LoadedTable readTable(const QString& folder, const account::TableFiles& files) {
    LoadedTable table;
    for (int column = 0; column < kColumns; ++column) {
        const QString path = account::filePath(folder, columnFile(files, Column(column)));
        listfile::Read<QStringList> read = listfile::readList(path);
        table.read[column] = read.ok();
        if (read.ok())
            table.columns[column] = std::move(*read.value);
        else
            table.problems << read.error;
    }
    padToEqualLength(table.columns);
    return table;
}

void padToEqualLength(std::array<QStringList, kColumns>& columns) {
    qsizetype longest = 0;
    for (const QStringList& column : columns)
        longest = std::max(longest, column.size());
    for (QStringList& column : columns) {
        column.reserve(longest);
        while (column.size() < longest)
            column << QString();
    }
}

} // namespace kesterly::ledger
