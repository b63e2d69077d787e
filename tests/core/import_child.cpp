// Imports a file into the account folder given on the command line, as Account, Import
// Entries… does once the user chooses Import: the file read and recognised, the rows
// planned against the account, then recorded as one unit. test_entryimport kills it at
// each step. It prints what the save said and ends with 0 (recorded), 4 (recorded, with a
// note), 1 (not recorded), 5 (not recorded: another program changed a file) or 3 (the file
// or the account could not be read, so nothing was tried).
#include "core/importfile.h"
#include "core/importplan.h"
#include "core/numbertext.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 3)
        return 2;
    using namespace kesterly;
    const ScopedUserLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDate today(2026, 12, 1);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const auto source = entryimport::readSource(QString::fromLocal8Bit(argv[2]), userLocale(), today);
    if (!source.ok()) {
        std::printf("%s\n", qPrintable(source.error));
        return 3;
    }
    const entryimport::Account account = entryimport::readAccount(folder);
    if (!account.problem.isEmpty()) {
        std::printf("%s\n", qPrintable(account.problem));
        return 3;
    }
    const entryimport::Rows rows = entryimport::readRows(*source.value, 0, today);
    const entryimport::Plan plan =
        entryimport::makePlan(rows.rows, account, false, userLocale(), today);
    const listfile::Outcome saved = entryimport::record(folder, plan, account);
    std::printf("%s\n", qPrintable(saved.message()));
    if (saved.ok())
        return saved.message().isEmpty() ? 0 : 4;
    return saved.changed() ? 5 : 1;
}
