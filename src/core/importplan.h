#pragma once

#include "core/accounttable.h"
#include "core/importfile.h"
#include "core/numberform.h"
#include "core/numbertext.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>

// Rows read from another program's file (importfile.h) put into an account as the same
// sequence of Submits would put them: in date order (ties in file order), each with the
// balance after it, the Income files, the Expense files and the balance saved as one unit.
namespace kesterly::entryimport {

// What an import is planned against: both tables, the balance and their stamps.
struct Account {
    account::TableRead income;
    account::TableRead expense;
    // As the Entry form reads it: the first line, a number in the current settings' form
    // whatever settings it was written under (numberform.h).
    QString balance;
    listfile::FileStamp balanceStamp;
    // The form of numbers the account remembers, updated with the new balance.
    numbers::Remembered remembered;
    // Why nothing can be recorded into this account (a list or the balance unreadable).
    QString problem;
};

// Reads both tables and the balance while no save runs. A save a crash cut short is
// finished first unless `finishPending` is false (a read on another thread, after the
// window's thread has finished it). A balance the account cannot tell how to read (two
// readings, numberform.h) is a problem: the Entry form asks which one it is.
Account readAccount(const QString& folder, bool finishPending = true,
                    const QLocale& locale = userLocale());

struct Planned {
    Row row;
    QString date;    // as it is written: the status panel's form
    QString balance; // the balance after the row; empty for a duplicate left out
    bool duplicate = false;
    bool recorded = false; // a duplicate the user includes is recorded too
};

struct Plan {
    // Every row read, in the order they are recorded, duplicates among them.
    QList<Planned> rows;
    int toIncome = 0;
    int toExpense = 0;
    int duplicates = 0;
    QString finalBalance;
    // Why the rows cannot be recorded (a list would hold too many rows, a balance
    // would be too large); nothing is written then.
    QString problem;
    int recorded() const { return toIncome + toExpense; }
};

// Orders the rows, marks those the account holds already (the same list, date,
// description and amount, counted as often as they occur) and works out each balance with
// ledger::balanceAfter. Duplicates are recorded only with `includeDuplicates`.
Plan makePlan(const QList<Row>& rows, const Account& account, bool includeDuplicates,
              const QLocale& locale, const QDate& today);

// Records the plan's rows at the ends of the lists and the last balance as one unit (the
// save journal's: all of it or none of it, a crash included), only while every file is
// still what `account` read; otherwise nothing is written and Outcome::changed() tells it.
listfile::Outcome record(const QString& folder, const Plan& plan, const Account& account,
                         const QLocale& locale = userLocale());

} // namespace kesterly::entryimport
