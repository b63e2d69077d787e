// Creates an account as New Account does: the root (ending with a separator), the name and
// the opening balance on the command line. The creation test kills it, or makes the
// system refuse a call, at each write, flush and rename. Exits 0 when the account was
// created, 3 when the name was taken and 1 on any other failure, with the message on the
// error output.
#include "core/accountcreation.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 4)
        return 2;
    using namespace kesterly;
    account::AccountCreation creation(QString::fromLocal8Bit(argv[1]),
                                      QString::fromLocal8Bit(argv[2]));
    const listfile::Outcome created = creation.create(QString::fromLocal8Bit(argv[3]));
    if (created)
        return 0;
    std::fputs(created.message().toLocal8Bit().constData(), stderr);
    return creation.nameTaken() ? 3 : 1;
}
