#pragma once

#include "core/accountfolder.h"
#include "core/listfile.h"

#include <QList>
#include <QStringList>

// The tables of an account (income, expense, reminders): sets of list files read and
// written together, row i of each file making one entry.
namespace kesterly::account {

// The files of one table, in column order, and where they lie: the account folder
// itself, or a subfolder of it ("Reminders").
struct Table {
    QString subfolder;
    QStringList files;
};

// The income or expense table, in the order date, description, amount, balance.
inline Table ledgerTable(const TableFiles& files) {
    return {{}, files.inOrder()};
}
// The reminders, in the order date, time, description.
inline Table reminderTable() {
    return {kRemindersFolder, {kReminderDate, kReminderTime, kReminderDescription}};
}

struct TableRead {
    // One list per file, each as long as the longest (empty rows added at the end of a
    // shorter file), so that every row stays one entry.
    QList<QStringList> columns;
    // One sentence per file that could not be read. A table that was not read whole is
    // not written back: the rows of the other files would no longer belong together.
    QStringList problems;
    bool whole() const { return problems.isEmpty(); }
};

// Reads the table's files from the account. A save of the table that a crash cut short
// is finished first. A subfolder that is a link to a folder elsewhere is not read.
TableRead readTable(const QString& accountFolder, const Table& table);

// Writes the columns to the table's files as one unit: all new or, when anything fails,
// all as they were.
listfile::Outcome saveTable(const QString& accountFolder, const Table& table,
                            const QList<QStringList>& columns);

// Finishes the saves that a crash cut short in the account folder and its "Reminders"
// folder, and removes what they left behind.
listfile::Outcome finishPendingSaves(const QString& accountFolder);

} // namespace kesterly::account
