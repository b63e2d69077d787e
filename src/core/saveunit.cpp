#include "core/saveunit.h"

#include "core/savejournal.h"
#include "core/savetarget.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kesterly::listfile {

using namespace plainfile;

namespace {

std::function<void(SaveStep, const QString&)>& stepHook() {
    static std::function<void(SaveStep, const QString&)> hook;
    return hook;
}

void reached(SaveStep step, const QString& path = {}) {
    if (const auto& hook = stepHook())
        hook(step, path);
}

class Unit {
public:
    explicit Unit(QString folder) : folder_(std::move(folder)) {}

    void add(const LineAppend& append) { targets_.push_back(SaveTarget::line(append)); }
    void put(const FileLines& file) { targets_.push_back(SaveTarget::replacement(file)); }

    Outcome save(QList<SavedFile>* saved);

private:
    int writeJournal();
    Outcome syncLines();
    Outcome apply();
    Outcome commit();
    Outcome giveUp(const Outcome& why);
    Outcome finish(QList<SavedFile>* saved);
    void removeFresh();

    QString folder_;
    Descriptor dir_;
    UnitSide side_;
    std::vector<SaveTarget> targets_;
    bool journaled_ = false;
    Descriptor journal_;
    qint64 journalLength_ = 0;
    QString commitNote_;
};

void Unit::removeFresh() {
    for (const SaveTarget& target : targets_) {
        if (target.add || !target.freshInode)
            continue;
        const QString fresh = journal::freshName(target.name);
        const std::optional<struct stat> info = statAt(dir_.get(), fresh);
        // The hidden name holds the new file, or after an exchange the old one.
        if (info && (qint64(info->st_ino) == target.freshInode ||
                     (target.exchanged && sameFile(*info, target.checked))))
            ::unlinkat(dir_.get(), native(fresh).constData(), 0);
    }
}

// Writes the journal of the unit as it stands, flushed and in place; an error number or 0.
// Written again when a line has to follow a file another program replaced.
int Unit::writeJournal() {
    QList<journal::Entry> entries;
    for (const SaveTarget& target : targets_) {
        journal::Entry entry;
        entry.name = target.name;
        entry.add = target.add;
        entry.earlier = target.earlier;
        entry.bytes = target.bytes;
        entry.inodes = !target.add;
        entry.newInode = target.freshInode;
        entry.oldInode = target.existed ? qint64(target.checked.st_ino) : 0;
        entries << entry;
    }
    const QByteArray bytes = journal::encode(entries);
    // A journal the next read would refuse is not written.
    if (bytes.size() > kJournalSizeLimit)
        return EFBIG;
    const QByteArray fresh = native(journal::journalFile() + QStringLiteral(".kesterly-new"));
    const QByteArray name = native(journal::journalFile());
    ::unlinkat(dir_.get(), fresh.constData(), 0);
    Descriptor out(::openat(dir_.get(), fresh.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid())
        return errno;
    int error = writeAll(out.get(), bytes);
    if (!error && ::fsync(out.get()) != 0)
        error = errno;
    if (!error && ::renameat(dir_.get(), fresh.constData(), dir_.get(), name.constData()) != 0)
        error = errno;
    if (error) {
        ::unlinkat(dir_.get(), fresh.constData(), 0);
        return error;
    }
    journal_ = std::move(out);
    journalLength_ = bytes.size();
    return syncFolder(dir_.get());
}

Outcome Unit::syncLines() {
    for (SaveTarget& target : targets_) {
        if (!target.unsynced)
            continue;
        if (::fsync(target.file.get()) != 0)
            return writeFailure(target.path, reason(errno));
        target.unsynced = false;
    }
    return Outcome::success();
}

Outcome Unit::apply() {
    for (SaveTarget& target : targets_) {
        bool wrote = false;
        if (!target.add)
            continue;
        if (Outcome placed = target.placeLine(side_, &wrote); !placed.ok())
            return placed;
        reached(SaveStep::LineAdded, target.path);
    }
    if (Outcome synced = syncLines(); !synced.ok())
        return synced;
    for (SaveTarget& target : targets_) {
        if (target.add)
            continue;
        if (Outcome put = target.putInPlace(side_); !put.ok())
            return put;
        reached(SaveStep::FilePutInPlace, target.path);
    }
    // Every name again: a file replaced after its line went in gets the line anew, and the
    // others are looked at once more after that.
    for (int round = 0; round < kFollowings; ++round) {
        bool wrote = false;
        for (SaveTarget& target : targets_) {
            if (!target.add)
                continue;
            if (Outcome placed = target.placeLine(side_, &wrote); !placed.ok())
                return placed;
        }
        if (Outcome synced = syncLines(); !synced.ok())
            return synced;
        for (SaveTarget& target : targets_) {
            if (target.add || !target.applied)
                continue;
            int error = ENOENT;
            const std::optional<struct stat> at = statAt(dir_.get(), target.name, &error);
            if (!at && error != ENOENT)
                return writeFailure(target.path, reason(error));
            if (at && (qint64(at->st_ino) == target.freshInode ||
                       qint64(at->st_ino) == target.adoptedInode))
                continue;
            if (!target.followPut(side_))
                return changedFailure(target.path);
        }
        if (!wrote)
            return Outcome::success();
    }
    return changedFailure(folder_);
}

Outcome Unit::commit() {
    if (!journaled_)
        return Outcome::success();
    int error = writeAll(journal_.get(), journal::commitMark(), off_t(journalLength_));
    if (!error && ::fdatasync(journal_.get()) != 0)
        error = errno;
    if (!error)
        return Outcome::success();
    // The mark may have reached the disk or not. Taken back, the unit is undone; when even
    // that fails, the unit counts as made, and the next read finishes it.
    if (::ftruncate(journal_.get(), off_t(journalLength_)) == 0 && ::fsync(journal_.get()) == 0)
        return writeFailure(targets_.front().path, reason(error));
    commitNote_ = reason(error);
    return Outcome::success();
}

// Undoes what the unit did before its point of no return: each line taken off the end of
// the file its name leads to when it is what ends that file, the old files exchanged back,
// the new ones and the journal removed.
Outcome Unit::giveUp(const Outcome& why) {
    int error = 0;
    QStringList stuck;
    for (auto target = targets_.rbegin(); target != targets_.rend(); ++target) {
        if (!target->add || !target->written)
            continue;
        Descriptor file(::openat(dir_.get(), native(target->name).constData(),
                                 O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!file.valid())
            continue;
        journal::LineState state = journal::LineState::Settled;
        if (const int failed =
                journal::settleLine(file.get(), target->earlier, target->bytes, false, &state))
            error = failed;
        else if (state == journal::LineState::FollowedByOthers)
            stuck << target->path;
    }
    for (SaveTarget& target : targets_) {
        if (target.add || !target.applied)
            continue;
        const std::optional<struct stat> at = statAt(dir_.get(), target.name);
        if (!at || qint64(at->st_ino) != target.freshInode)
            continue;
        const QByteArray fresh = native(journal::freshName(target.name));
        const QByteArray name = native(target.name);
        const int undone = target.exchanged ? ::renameat2(dir_.get(), fresh.constData(), dir_.get(),
                                                          name.constData(), RENAME_EXCHANGE)
                           : target.existed ? 0
                                            : ::unlinkat(dir_.get(), name.constData(), 0);
        if (undone != 0)
            error = errno;
    }
    removeFresh();
    if (!error && journaled_ &&
        ::unlinkat(dir_.get(), native(journal::journalFile()).constData(), 0) != 0 &&
        errno != ENOENT)
        error = errno;
    if (const int synced = syncFolder(dir_.get()); !error)
        error = synced;
    if (!stuck.isEmpty())
        return Outcome::failure(
            QStringLiteral("Another program added to %1 just after Kesterly did, so the new line "
                           "stays there but is in no other file of its list. Check the list.")
                .arg(QLatin1Char('"') + stuck.join(QStringLiteral("\", \"")) + QLatin1Char('"')));
    if (error)
        return Outcome::failure(
            why.message() +
            QStringLiteral(" Kesterly could not yet put back what it had begun to write (%1); "
                           "the files are put back as they were the next time the list is read.")
                .arg(reason(error)));
    return why;
}

// After the point of no return: the change is on disk; what is left is tidying, and a
// failure there is told as such and finished at the next read.
Outcome Unit::finish(QList<SavedFile>* saved) {
    QStringList troubles;
    QStringList leftAlone;
    bool keepJournal = !commitNote_.isEmpty();
    if (!commitNote_.isEmpty())
        troubles << QStringLiteral("the journal (%1)").arg(commitNote_);
    for (SaveTarget& target : targets_) {
        if (target.add || !target.deferred)
            continue;
        const std::optional<struct stat> at = statAt(dir_.get(), target.name);
        if (target.existed ? !at || !sameFile(*at, target.checked) : bool(at)) {
            leftAlone << target.path;
            continue;
        }
        if (::renameat(dir_.get(), native(journal::freshName(target.name)).constData(), dir_.get(),
                       native(target.name).constData()) != 0) {
            troubles << QStringLiteral("\"%1\" (%2)").arg(target.path, reason(errno));
            keepJournal = true;
            continue;
        }
        target.applied = true;
    }
    for (const SaveTarget& target : targets_) {
        if (target.exchanged &&
            ::unlinkat(dir_.get(), native(journal::freshName(target.name)).constData(), 0) != 0)
            troubles << QStringLiteral("\"%1\" (%2)")
                            .arg(folder_ + QLatin1Char('/') + journal::freshName(target.name),
                                 reason(errno));
    }
    if (const int error = syncFolder(dir_.get()))
        troubles << QStringLiteral("\"%1\" (%2)").arg(folder_, reason(error));
    if (journaled_ && !keepJournal) {
        const QByteArray name = native(journal::journalFile());
        // Tried twice: a disk that stumbled once often answers the next time.
        int error = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            error = ::unlinkat(dir_.get(), name.constData(), 0) == 0 || errno == ENOENT ? 0 : errno;
            if (!error)
                error = syncFolder(dir_.get());
            if (!error)
                break;
        }
        if (error)
            troubles << QStringLiteral("\"%1\" (%2)")
                            .arg(folder_ + QLatin1Char('/') + journal::journalFile(),
                                 reason(error));
    }

    if (saved) {
        for (const SaveTarget& target : targets_) {
            SavedFile file;
            file.changedOutside = target.changedOutside;
            if (target.add) {
                if (const std::optional<struct stat> info = statOf(target.file.get()))
                    file.stamp = stampFrom(*info);
                file.charset = charsetAfterAdding(target.charset, target.text);
            } else {
                file.stamp = listfile::stampOf(target.path);
                file.charset = target.freshCharset;
                file.changedOutside = file.changedOutside || !target.applied;
            }
            saved->append(file);
        }
    }
    QStringList notes;
    if (!troubles.isEmpty())
        notes << QStringLiteral("The change is saved, but finishing it reported a problem with "
                                "%1. Kesterly finishes it the next time the list is read; the "
                                "change need not be made again.")
                     .arg(troubles.join(QStringLiteral(", ")));
    if (!leftAlone.isEmpty())
        notes << QStringLiteral("The change is saved, but another program replaced %1 at the same "
                                "moment, and Kesterly left what that program wrote as it is. Check "
                                "the list.")
                     .arg(QLatin1Char('"') + leftAlone.join(QStringLiteral("\", \"")) +
                          QLatin1Char('"'));
    if (notes.isEmpty())
        return Outcome::success();
    return Outcome::successWithNote(notes.join(QLatin1Char(' ')));
}

Outcome Unit::save(QList<SavedFile>* saved) {
    if (saved)
        saved->clear();
    if (targets_.empty())
        return Outcome::success();
    for (const SaveTarget& target : targets_) {
        if (QString problem =
                lineBreakProblem(target.path, target.add ? QStringList{target.text} : target.texts);
            !problem.isEmpty())
            return Outcome::failure(problem);
    }
    // A unit cut short earlier in the folder is put right first: its hidden files have the
    // names this one uses.
    if (const Outcome earlier = finishPendingSave(folder_); !earlier.ok())
        return earlier;
    else if (!earlier.message().isEmpty())
        return Outcome::failure(earlier.message() +
                                QStringLiteral(" Nothing of the new change was saved; make it "
                                               "again once the list has been checked."));
    dir_.reset(::open(native(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir_.valid())
        return writeFailure(targets_.front().path, reason(errno));
    side_.folder = dir_.get();
    side_.journalledBesides = [this](const SaveTarget& besides) {
        qint64 journalled = 0;
        for (const SaveTarget& other : targets_) {
            if (&other != &besides && other.add && !other.bytes.isEmpty())
                journalled += journalledSize(other.bytes.size());
        }
        return journalled;
    };
    side_.rewriteJournal = [this] { return writeJournal(); };

    for (SaveTarget& target : targets_) {
        if (Outcome checked = target.check(side_); !checked.ok())
            return checked;
    }
    reached(SaveStep::Checked);
    for (SaveTarget& target : targets_) {
        if (!target.add)
            continue;
        if (Outcome prepared = target.prepareLine(side_); !prepared.ok())
            return prepared;
    }

    for (SaveTarget& target : targets_) {
        if (target.add)
            continue;
        if (QString why = target.writeFresh(side_); !why.isEmpty()) {
            removeFresh();
            // The file that failed is removed too, whatever it got.
            ::unlinkat(dir_.get(), native(journal::freshName(target.name)).constData(), 0);
            return writeFailure(target.path, why);
        }
    }
    reached(SaveStep::NewFilesWritten);

    journaled_ = targets_.size() > 1 || std::any_of(targets_.cbegin(), targets_.cend(),
                                                    [](const SaveTarget& t) { return t.add; });
    side_.journaled = journaled_;
    if (journaled_) {
        if (const int error = writeJournal()) {
            removeFresh();
            ::unlinkat(dir_.get(), native(journal::journalFile()).constData(), 0);
            return writeFailure(targets_.front().path, reason(error));
        }
        reached(SaveStep::JournalWritten);
    }

    if (Outcome applied = apply(); !applied.ok())
        return giveUp(applied);
    if (Outcome committed = commit(); !committed.ok())
        return giveUp(committed);
    reached(SaveStep::Committed);
    return finish(saved);
}

} // namespace

Outcome writeFiles(const QList<FileLines>& files, QList<SavedFile>* saved) {
    const std::lock_guard turn(journal::saveTurn());
    if (files.isEmpty())
        return Outcome::success();
    Unit unit(QFileInfo(files.first().path).path());
    for (const FileLines& file : files)
        unit.put(file);
    return unit.save(saved);
}

Outcome appendLines(const QList<LineAppend>& appends, const QList<FileLines>& replaces,
                    QList<SavedFile>* saved) {
    const std::lock_guard turn(journal::saveTurn());
    if (appends.isEmpty() && replaces.isEmpty())
        return Outcome::success();
    Unit unit(QFileInfo(appends.isEmpty() ? replaces.first().path : appends.first().path).path());
    for (const LineAppend& append : appends)
        unit.add(append);
    for (const FileLines& file : replaces)
        unit.put(file);
    return unit.save(saved);
}

void setSaveStepHook(std::function<void(SaveStep step, const QString& path)> hook) {
    stepHook() = std::move(hook);
}

} // namespace kesterly::listfile
