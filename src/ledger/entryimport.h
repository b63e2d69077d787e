#pragma once

#include "core/importfile.h"
#include "core/importplan.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kesterly {

class Windows;

// "Import Entries…": asks for the files to import (a bank's CSV statement, a QIF file,
// this program's own export; several at once), reads and recognises them and the open
// account's lists on another thread with a busy pointer meanwhile, and shows the preview
// (ImportWindow), which records the rows. A file that cannot be imported is refused with
// the reason before any preview.
class EntryImport : public QObject {
    Q_OBJECT
public:
    explicit EntryImport(Windows& windows);
    ~EntryImport() override;

    // The command's step. Does nothing while files are being read; brings an open preview
    // to the front.
    void start();
    bool running() const { return running_; }

private:
    struct Result {
        QList<entryimport::Source> sources;
        QStringList refusals;
        entryimport::Account account;
    };
    void read();
    void setRunning(bool running);

    Windows& windows_;
    QString account_;
    QString lastFolder_;
    bool running_ = false;
    QFutureWatcher<Result> aside_;
};

} // namespace kesterly
