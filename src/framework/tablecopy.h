#pragma once

#include "core/accounttable.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kesterly {

class Windows;

// The working copy of a table that a window shows (the Income, Expense and Reminder
// windows): read from the account when the window opens, written back to the same folder
// as one unit when it closes, and only when its rows changed. When a file of the table
// could not be read, the user is told, and nothing of the table is written back: the
// rows of the other files would no longer belong together.
class TableCopy {
public:
    // `what` names the table in messages ("the Income list"); `title` is their title.
    TableCopy(Windows& windows, account::Table table, QString what, QString title);

    // The rows of the account's table, one list per file, all of one length.
    QList<QStringList> read(const QString& folder);
    // Writes the rows back when they differ from those read; on a failure the user may
    // try again or leave the files as they were.
    void writeBack(const QList<QStringList>& rows);

    // The folder the rows were read from; empty when no account was open.
    QString folder() const { return folder_; }
    // Why the rows are not written back; empty when they are.
    QString unsavedReason() const { return unsavedReason_; }

private:
    Windows& windows_;
    account::Table table_;
    QString what_;
    QString title_;
    QString folder_;
    QList<QStringList> loaded_;
    QString unsavedReason_;
};

} // namespace kesterly
