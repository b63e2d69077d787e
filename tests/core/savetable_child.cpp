// Saves new income lists into the account folder given on the command line, as the
// Income window does when it closes; the table test kills it at each rename.
#include "core/accounttable.h"
#include "savetable_rows.h"

int main(int argc, char* argv[]) {
    if (argc != 2)
        return 2;
    using namespace kesterly;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    return account::saveTable(folder, account::ledgerTable(account::kIncomeTable),
                              test::newIncomeRows())
               ? 0
               : 1;
}
