#pragma once

#include "core/listtext.h"
#include "core/plainfile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A save of several files of one folder as one unit: lines added at the ends of some,
// others replaced, all or nothing, through the journal of savejournal.h (its opening
// comment gives the unit's steps in order). Other programs (editors, sync tools) may
// write the same files at any moment: a unit writes only into the file it checked,
// confirms before its point of no return that each name still leads to what it wrote, and
// never cuts or overwrites bytes it did not write. Only regular files of the user are
// written; a link, a folder or a device is refused with a sentence saying so.
namespace kesterly::listfile {

// One file of a set and the lines it is to hold.
struct FileLines {
    QString path;
    QStringList texts;
    // What the file was when the texts were made from it: when given, the file is replaced
    // only while it is still that file (one that did not exist must still not exist).
    std::optional<FileStamp> expected = std::nullopt;
};

// One line to add at the end of a file whose characters are written as `charset`.
struct LineAppend {
    QString path;
    QString text;
    Charset charset = Charset::Ascii;
    // What the file was when it was read; when given, a file that is no longer that file
    // is added to only when it still holds `values` values (the line then follows what it
    // holds now, and the caller is told to read it again); otherwise nothing is written.
    std::optional<FileStamp> expected = std::nullopt;
    qint64 values = -1;
};

// What a file of a save is afterwards.
struct SavedFile {
    FileStamp stamp;
    Charset charset = Charset::Ascii;
    // Another program had changed the file since it was read, and the line went after
    // what it holds now: the caller reads it again to show it.
    bool changedOutside = false;
};

// Replaces the files, which lie in one folder, as one unit: every new file is written and
// flushed to the disk before the first one takes its old file's place. When anything
// fails before the point of no return, no file changes. `saved` gets one entry a file.
Outcome writeFiles(const QList<FileLines>& files, QList<SavedFile>* saved = nullptr);
// Adds one line to each file of `appends` and replaces each file of `replaces` (all in
// one folder) as one unit, without rewriting what the files held. `saved` gets one entry
// a file, the appends first.
Outcome appendLines(const QList<LineAppend>& appends, const QList<FileLines>& replaces,
                    QList<SavedFile>* saved = nullptr);

// For tests: the steps between which another program may act. The hook runs after each,
// with the file the step was about (empty for the unit as a whole).
enum class SaveStep {
    Checked,
    NewFilesWritten,
    JournalWritten,
    LineAdded,
    FilePutInPlace,
    Committed
};
void setSaveStepHook(std::function<void(SaveStep step, const QString& path)> hook);

} // namespace kesterly::listfile
