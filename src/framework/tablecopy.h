#pragma once

#include "core/accounttable.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kesterly {

class Windows;

// The copy of a table that a window shows (the Income, Expense and Reminder windows):
// read from the account when the window opens, and every change saved at once to the
// same folder, so that the files always hold what the window shows. A change never
// writes over rows it did not read: before each save the files are compared with what
// was last read or written, and another program's change is read first. When a file of
// the table could not be read, the user is told, and nothing of the table is written:
// the rows of the other files would no longer belong together.
class TableCopy {
public:
    // `what` names the table in messages ("the Income list"); `title` is their title.
    TableCopy(Windows& windows, account::Table table, QString what, QString title);

    // The rows of the account's table, one list per file, all of one length.
    QList<QStringList> read(const QString& folder);

    // How a change was saved.
    struct Saved {
        bool ok = false;
        // Another program had changed the files: the rows were read again (rows()).
        bool reloaded = false;
        // Why the change was not saved, when it was not; a sentence for the user.
        QString message;
    };
    // Saves a row added at the end (one text per file), together with the files of
    // `alongWith`. When another program changed the files since, they are read again
    // first and the row goes after what they hold now.
    Saved append(const QStringList& row, const QList<listfile::FileLines>& alongWith = {});
    // Saves these rows in place of the table's (a row removed). Refused when another
    // program changed the files since: the rows are read again, and the user chooses
    // again among them.
    Saved replace(const QList<QStringList>& rows);

    // The rows as the files hold them.
    const QList<QStringList>& rows() const { return loaded_; }
    // The folder the rows were read from; empty when no account was open.
    QString folder() const { return folder_; }
    // Why the rows are not saved; empty when they are.
    QString unsavedReason() const { return unsavedReason_; }

private:
    // Reads the rows from the folder; unsavedReason() then says what could not be read.
    void load();
    // Why no change can be saved now; empty when one can.
    QString refusal() const;

    Windows& windows_;
    account::Table table_;
    QString what_;
    QString title_;
    QString folder_;
    QList<QStringList> loaded_;
    account::TableState state_;
    QString unsavedReason_;
};

} // namespace kesterly
