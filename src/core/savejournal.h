#pragma once

#include "core/plainfile.h"

#include <QList>
#include <QString>
#include <mutex>
#include <optional>

// The save journal: a small hidden file, ".kesterly-save", that a save unit (saveunit.h)
// writes into the folder of its files before it changes any of them, so that a save cut
// short by a crash is put right at the next read of the folder, and never by cutting or
// overwriting what another program wrote in the meantime.
//
// A unit's life, in order; where a reader finds each step; what the next read does when a
// crash stops the program there; and the tests that stop it there:
//   1. Check (savetarget.cpp, SaveTarget::check). Every file is opened once and checked on
//      that descriptor: a regular file of the user, still what the caller read (for a line
//      to add, one holding as many lines will do). Another program's change ends the unit:
//      nothing written. Crash: nothing to do.
//   2. New files (SaveTarget::writeFresh). Each replaced file's new content is written
//      whole beside it, as ".NAME.kesterly-new", and flushed. Crash: the next read removes
//      the hidden files (removeLeftovers below).
//   3. Journal (saveunit.cpp, Unit::writeJournal). Each line to add (file, the length it
//      goes after, its bytes) and each file to replace (file, the new file's inode, the old
//      one's) is written to the journal, which is flushed and put in place. Crash from here
//      until step 6: the next read undoes the unit (finishPendingSave, settleEntry,
//      journal::settleLine).
//   4. Writes (SaveTarget::placeLine, Unit::syncLines, SaveTarget::putInPlace). The lines
//      go at the ends of their files through the checked descriptors and are flushed; each
//      new file is exchanged with its old one in one step (renameat2 RENAME_EXCHANGE, which
//      leaves the old file under the hidden name) while the name still leads to the file
//      read.
//   5. Check again (Unit::apply). Every name leads to the file written and the line is
//      where it was put. A file another program replaced or rewrote meanwhile gets the
//      line added to what it holds now when it holds as many lines; otherwise the unit is
//      undone (Unit::giveUp): the lines taken off the ends they were added to, the old
//      files exchanged back, the journal removed, and the caller told to read the files
//      again.
//   6. Commit (Unit::commit). "commit" is added to the journal and flushed: the point of no
//      return. Before it nothing of the unit stays on disk once it is undone, and the
//      caller shows nothing; after it the change is the files' content, any failure is
//      finished from the journal (at once or at the next read), and the message says it
//      was recorded. Crash from here: the next read finishes the unit (finishPendingSave).
//   7. Tidy (Unit::finish). The old files left under the hidden names are removed, then
//      the journal, and the folder is flushed.
// Tests: test_saveunit (outsideWriterAtEveryStep: another program at each step;
// failureAtEveryCall: EIO and ENOSPC at each call; replayLeavesWhatAnotherProgramWrote: a
// crash, then another program, then the next read) and test_savetable
// (killedAtEachStepOfAnAppendTheEntryIsAllOrNothing, killedAtEachRenameTheTableIsAllOldOrAllNew:
// kill -9 at each call).
// At the next read a journal without "commit" is undone and one with it finished, each
// file only while its length and its last bytes (or, for a replaced file, its inode) are
// what the journal says: a file another program has changed beyond that is left as it is,
// and the user is told which.
namespace kesterly::listfile {

// The largest save journal: no save writes a larger one (lines too long for it are added
// by writing their file anew), so a larger one is not ours and is not read.
inline constexpr qint64 kJournalSizeLimit = 64 * 1024;

// The one hidden file of an account a save unit may write: the form its numbers were
// written in (numbers::kFormFile), saved with the balance. A journal naming any other
// hidden file is not ours.
inline const QString kSavedHiddenFile = QStringLiteral(".kesterly.numbers");

namespace journal {

// Saves are made one at a time in this program, whichever thread makes them: two saves in
// one folder would share its journal. Reading needs no turn.
std::recursive_mutex& saveTurn();

QString journalFile();
// The hidden name that the new content of the file `name` is written under.
QString freshName(const QString& name);
bool isFreshName(const QString& name);

struct Entry {
    QString name;
    bool add = false;
    // A line to add: the length of the file it goes after, and its bytes.
    qint64 earlier = 0;
    QByteArray bytes;
    // A file to replace: the inodes of the new file and of the old one (0: there was
    // none). Journals of earlier versions name the file only.
    bool inodes = false;
    qint64 newInode = 0;
    qint64 oldInode = 0;
};

struct Journal {
    QList<Entry> entries;
    // A journal with "commit" (and every journal of earlier versions, which were written
    // only once the new content was complete) is finished; one without it is undone.
    bool committed = false;
};

// What a file holds of a line the journal added to it at `earlier`.
enum class LineState {
    Settled,          // the line is whole (finishing), or gone again (undoing)
    NotOurs,          // the file is shorter, or holds other bytes there
    FollowedByOthers, // the whole line, and another program's bytes after it
};
// Finishes (`finish`) or undoes the line in the open file, when what the file holds there
// is the line, a part of it or nothing yet, or when the file (rewritten meanwhile by
// another program) ends with the whole line; anything else is left as it is. An error
// number, or 0 with the state in `state`.
int settleLine(int file, qint64 earlier, QByteArrayView bytes, bool finish, LineState* state);

// The journal of a unit, not yet committed.
QByteArray encode(const QList<Entry>& entries);
QByteArray commitMark();
// The journal, or why it is not one this program wrote.
std::optional<Journal> decode(const QByteArray& bytes, QString* why);

} // namespace journal

// Finishes or undoes a save unit that a crash interrupted in the folder, and removes the
// hidden files that an interrupted save left behind. Nothing to do is a success; a success
// may carry a note naming a file another program changed since, which was left as it is.
Outcome finishPendingSave(const QString& folder);

// Holds back every save while it lives, so that files read on another thread are all as
// they were before a save or all as they are after it.
class SaveHold {
public:
    SaveHold();
    ~SaveHold();
    SaveHold(const SaveHold&) = delete;
    SaveHold& operator=(const SaveHold&) = delete;
};

} // namespace kesterly::listfile
