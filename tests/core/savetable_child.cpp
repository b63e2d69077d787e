// Saves new income lists into the account folder given on the command line, as a removal
// does ("replace"), or adds one entry and its balance, as a Submit does ("append"); the
// table test kills it at each step.
#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "savetable_rows.h"

#include <cstring>

int main(int argc, char* argv[]) {
    if (argc != 3)
        return 2;
    using namespace kesterly;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const account::Table income = account::ledgerTable(account::kIncomeTable);
    if (std::strcmp(argv[2], "append") == 0) {
        account::TableRead read = account::readTable(folder, income);
        if (!read.whole())
            return 3;
        return account::appendRow(folder, income, test::appendedIncomeRow(), read.state,
                                  {{account::filePath(folder, account::kOpeningBalance),
                                    {test::appendedIncomeRow().last()}}})
                   ? 0
                   : 1;
    }
    return account::saveTable(folder, income, test::newIncomeRows()) ? 0 : 1;
}
