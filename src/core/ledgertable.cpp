#include "core/ledgertable.h"

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

} // namespace kesterly::ledger
