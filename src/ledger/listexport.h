#pragma once

#include "core/accounttable.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kesterly {

class Windows;

// "Export Lists…": writes the Income list and then the Expense list of the open account
// to CSV files the user picks, one file dialog each. The rows come from the account's
// list files, which hold what the windows show since every change is saved at once. A
// list is read, encoded and written on another thread, with a busy pointer meanwhile, so
// that a large table does not stop the program. One message at the end says what was
// written where, or what failed and why.
class ListExport : public QObject {
    Q_OBJECT
public:
    explicit ListExport(Windows& windows);
    ~ListExport() override;

    // The command's step. Does nothing while an export is under way.
    void start();
    // A list is being read or written on the other thread.
    bool running() const { return running_; }

    static const QString kTitle;

private:
    struct Result {
        // Why the list was not written; empty when it was.
        QString problem;
    };

    // Asks where list `index` goes, starting in `folder`, and writes it there.
    void exportList(int index, const QString& folder);
    // The list being exported is written, or could not be.
    void listDone();
    // Tells what was written, and what failed; ends the export.
    void report(const QString& failure);
    void setRunning(bool running);

    Windows& windows_;
    QString account_;
    // The folder of the last file chosen in this run: the next export starts there.
    QString lastFolder_;
    QStringList written_;
    bool running_ = false;
    int index_ = 0;
    QString path_;
    // The result always comes back through the event loop, after the command's step.
    QFutureWatcher<Result> aside_;
};

} // namespace kesterly
