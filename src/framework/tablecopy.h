#pragma once

#include "core/accounttable.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace kesterly {

class Windows;

// The copy of a table that a window shows (the Income, Expense and Reminder windows):
// read from the account when the window opens, and every change saved at once to the
// same folder, so that the files always hold what the window shows. A change never
// writes over rows it did not read: before each save the files are compared with what
// was last read or written, and another program's change is read first. When a file of
// the table could not be read, the user is told, and nothing of the table is written:
// the rows of the other files would no longer belong together.
//
// A large table is read, and saved when a row goes, on another thread, so that the
// program keeps answering (and its clock and reminders keep running); meanwhile the table
// is busy and takes no change.
class TableCopy : public QObject {
    Q_OBJECT
public:
    // `what` names the table in messages ("the Income list"); `title` is their title.
    TableCopy(Windows& windows, account::Table table, QString what, QString title);
    ~TableCopy() override;

    // Tables of at least this many bytes (their files together) are read and rewritten on
    // another thread: on this machine's kind the window's thread would stop for more
    // than a tenth of a second.
    static constexpr qint64 kAsideBytes = 4'000'000;
    // How often a row is saved again after another program changed the files in the
    // middle of its save, before the user is told.
    static constexpr int kSaveAttempts = 8;

    // Reads the rows of the account's table; `ready` runs once they are there: at once for
    // a small table, for a large one when the read on the other thread is done.
    void read(const QString& folder, std::function<void()> ready);

    // How a change was saved.
    struct Saved {
        bool ok = false;
        // Another program had changed the files: the rows were read again (rows()).
        bool reloaded = false;
        // Why the change was not saved, when it was not; a sentence for the user. When it
        // was saved, what the user should still know (the disk reported a problem while the
        // save was finished), or nothing.
        QString message;
        // Not saved because another program changed a file of `alongWith` since the caller
        // read it: the caller reads it again and makes the change anew.
        bool alongWithChanged = false;
        // When saved: the stamps of the files of `alongWith` after the save, in order.
        QList<listfile::FileStamp> alongWith;
    };
    // Saves a row added at the end (one text per file), together with the files of
    // `alongWith` (each replaced only while it is still what its `expected` stamp says).
    // When another program changed the table's files since, even while the row is being
    // saved, they are read again and the row goes after what they hold now. Adding a line
    // is quick whatever the table's size; it is not for a busy table.
    Saved append(const QStringList& row, const QList<listfile::FileLines>& alongWith = {});
    // Saves these rows in place of the table's (a row removed); `done` runs with how it
    // went, at once or, for a large table, when the save on the other thread is done.
    // Refused when another program changed the files since: the rows are read again, and
    // the user chooses again among them.
    void replace(const QList<QStringList>& rows, std::function<void(const Saved&)> done);

    // A read or a save runs on the other thread: the table takes no change.
    bool busy() const { return busy_; }
    // Runs `step` once the table is not busy: at once, or when the read or save is done.
    void whenIdle(std::function<void()> step);
    // Waits until a read or save on the other thread has ended, and takes its result (the
    // window closes, or the program ends: a save is never cut short).
    void finish();

    // Whether another program has written to the files since they were last read or
    // written here (also when they were never read).
    bool changedOnDisk() const;

    // The rows as the files hold them.
    const QList<QStringList>& rows() const { return loaded_; }
    // The folder the rows were read from; empty when no account was open.
    QString folder() const { return folder_; }

signals:
    void busyChanged(bool busy);

private:
    // What a read or save on the other thread brings back.
    struct Result {
        account::TableRead read;
        listfile::Outcome saved = listfile::Outcome::success();
        account::TableState state;
    };

    // Reads the rows from the folder; unsavedReason_ then says what could not be read.
    void load();
    void take(const account::TableRead& read);
    void tellUnreadable();
    // Why no change can be saved now; empty when one can.
    QString refusal() const;
    bool isLarge() const;
    // Runs `work` on the other thread and `then` with its result on this one.
    void runAside(std::function<Result()> work, std::function<void(const Result&)> then);
    void setBusy(bool busy);

    Windows& windows_;
    account::Table table_;
    QString what_;
    QString title_;
    QString folder_;
    QList<QStringList> loaded_;
    account::TableState state_;
    QString unsavedReason_;

    bool busy_ = false;
    QFuture<Result> aside_;
    std::function<void(const Result&)> then_;
    std::vector<std::function<void()>> whenIdle_;
};

} // namespace kesterly
