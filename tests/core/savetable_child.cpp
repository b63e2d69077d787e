// Saves new income lists into the account folder given on the command line, as a removal
// does ("replace"), or adds one entry and its balance, as a Submit does ("append"); the
// table tests kill it, or make the disk fail, at each step. It prints what the save said
// and ends with 0 (saved), 4 (saved, with a note), 1 (not saved), 5 (not saved: another
// program changed a file) or 3 (the table could not be read, so nothing was tried).
#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "core/listfile.h"
#include "savetable_rows.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    if (argc != 3)
        return 2;
    using namespace kesterly;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const account::Table income = account::ledgerTable(account::kIncomeTable);
    account::TableRead read = account::readTable(folder, income);
    if (!read.whole()) {
        std::printf("%s\n", qPrintable(read.problems.join('\n')));
        return 3;
    }
    const QString balance = account::filePath(folder, account::kOpeningBalance);
    listfile::Outcome saved = listfile::Outcome::success();
    if (std::strcmp(argv[2], "append") == 0) {
        // The balance is read as the Entry form reads it, with the stamp of what it read.
        const listfile::Read<listfile::ListContent> held = listfile::readListContent(balance);
        if (!held.ok()) {
            std::printf("%s\n", qPrintable(held.error));
            return 3;
        }
        const QList<listfile::FileLines> along{
            {balance, {test::appendedIncomeRow().last()}, held.value->stamp}};
        saved = account::appendRow(folder, income, test::appendedIncomeRow(), read.state, along);
    } else {
        saved = account::saveTable(folder, income, test::newIncomeRows(), {}, &read.state);
    }
    std::printf("%s\n", qPrintable(saved.message()));
    if (saved.ok())
        return saved.message().isEmpty() ? 0 : 4;
    return saved.changed() ? 5 : 1;
}
