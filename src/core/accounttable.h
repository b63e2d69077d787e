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

// What this program last knew of a table's files: their stamps, to see that another
// program has changed them, and their characters, to add a line to each as it is written.
struct TableState {
    QList<listfile::FileStamp> stamps;
    QList<listfile::Charset> charsets;
    // Every file holds as many lines, so that a row can be added as one line to each.
    bool even = true;
    // How many rows the longest file holds.
    qsizetype rows = 0;
    // After a save with files along with the table (a balance), their stamps, in order.
    QList<listfile::FileStamp> alongWith;
};

struct TableRead {
    // One list per file, each as long as the longest (empty rows added at the end of a
    // shorter file), so that every row stays one entry.
    QList<QStringList> columns;
    // One sentence per file that could not be read. A table that was not read whole is
    // not written back: the rows of the other files would no longer belong together.
    QStringList problems;
    // What the user should know although the table was read whole: a save cut short that
    // was put right around a file another program had changed since.
    QStringList notes;
    TableState state;
    bool whole() const { return problems.isEmpty(); }
};

// Reads the table's files from the account. A save of the table that a crash cut short
// is finished first, unless `finishPending` is false (a read on another thread, after the
// window's thread has finished it). A subfolder that is a link to a folder elsewhere is
// not read. A file of more lines than a table's most rows (kMaxRows) is read up to them
// only, and the table is then not whole.
TableRead readTable(const QString& accountFolder, const Table& table, bool finishPending = true);
// Finishes a save of the table that a crash cut short.
listfile::Outcome finishPendingSave(const QString& accountFolder, const Table& table);
// The size of the table's files together, in bytes (those that cannot be seen count 0).
qint64 tableSize(const QString& accountFolder, const Table& table);

// Writes the columns to the table's files as one unit, together with the files of
// `alongWith` (in the table's folder): all new or, when anything fails, all as they were.
// When `state` is given and holds the files' stamps, a file is replaced only while it is
// still as the state says; another program's change is told (Outcome::changed()) and
// nothing is written. The state of the files after the save then goes into `state`.
listfile::Outcome saveTable(const QString& accountFolder, const Table& table,
                            const QList<QStringList>& columns,
                            const QList<listfile::FileLines>& alongWith = {},
                            TableState* state = nullptr);

// Adds one row (a text for each file) at the end of the table, together with the files
// of `alongWith`, as one unit, without rewriting what the files hold. `state` is what the
// files were when last read or written and becomes what they are after. A file another
// program changed since still gets the row when it holds as many rows (`changedOutside`
// is then set: the table is to be read again to show the change); otherwise the change is
// told (Outcome::changed()) and nothing is written.
listfile::Outcome appendRow(const QString& accountFolder, const Table& table,
                            const QStringList& row, TableState& state,
                            const QList<listfile::FileLines>& alongWith = {},
                            bool* changedOutside = nullptr);

// Whether a file of the table is no longer as `state` found it: another program wrote to
// it, replaced or removed it.
bool changedSince(const QString& accountFolder, const Table& table, const TableState& state);

// Finishes the saves that a crash cut short in the account folder and its "Reminders"
// folder, and removes what they left behind.
listfile::Outcome finishPendingSaves(const QString& accountFolder);

} // namespace kesterly::account
