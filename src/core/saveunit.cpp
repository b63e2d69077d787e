#include "core/saveunit.h"

#include "core/savejournal.h"

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

// How often a line follows a file that another program keeps replacing before the unit
// gives up: each time the line goes after what the file holds then.
constexpr int kFollowings = 64;

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A file system that cannot exchange two names in one step says so with one of these.
bool cannotExchange(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

Outcome writeFailure(const QString& path, const QString& why) {
    return Outcome::failure(
        QStringLiteral("Could not write \"%1\": %2. The file keeps what it held before.")
            .arg(path, why));
}

Outcome changedFailure(const QString& path) {
    return Outcome::changedOutside(
        QStringLiteral("Another program has changed \"%1\" since Kesterly read it, so nothing "
                       "was written.")
            .arg(path));
}

// What a line added to the file has to begin with so that it starts a line of its own:
// nothing after a line end, LF after a CR, CR LF after the last line's text.
QByteArray lineStart(int fd, qint64 size) {
    if (size == 0)
        return {};
    const std::optional<QByteArray> last = readAt(fd, size - 1, 1);
    if (!last || last->isEmpty() || last->at(0) == '\n')
        return {};
    return last->at(0) == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

// The characters a file is written in, read through its descriptor.
std::optional<Charset> charsetOf(int fd, qint64 size) {
    const std::optional<QByteArray> bytes = readAt(fd, 0, size);
    if (!bytes)
        return std::nullopt;
    if (!listtext::hasHighByte(*bytes))
        return Charset::Ascii;
    return bytes->isValidUtf8() ? Charset::Utf8 : Charset::Windows1252;
}

// One file of a unit, from its check to its place.
struct Target {
    bool add = false;
    QString path;
    QString name;
    std::optional<FileStamp> expected;
    // A line to add: its text, the file's characters and values as the caller read them,
    // and once prepared the length the line goes after and its bytes.
    QString text;
    Charset charset = Charset::Ascii;
    qint64 values = -1;
    qint64 earlier = 0;
    QByteArray bytes;
    bool written = false;
    bool unsynced = false;
    // A file to replace: its texts, and the new file written beside it.
    QStringList texts;
    qint64 freshInode = 0;
    Charset freshCharset = Charset::Ascii;
    bool applied = false;   // the new file is in the name's place
    bool exchanged = false; // the old file is under the hidden name
    bool deferred = false;  // put in place after the point of no return
    // A file another program put in the new file's place, holding as many values.
    qint64 adoptedInode = 0;
    // The file as it was checked: held open for the unit's life.
    Descriptor file;
    bool existed = false;
    struct stat checked {};
    bool changedOutside = false;
};

class Unit {
public:
    explicit Unit(QString folder) : folder_(std::move(folder)) {}

    void add(const LineAppend& append) {
        Target target = targetFor(append.path, append.expected);
        target.add = true;
        target.text = append.text;
        target.charset = append.charset;
        target.values = append.values;
        targets_.push_back(std::move(target));
    }

    void put(const FileLines& file) {
        Target target = targetFor(file.path, file.expected);
        target.texts = file.texts;
        targets_.push_back(std::move(target));
    }

    Outcome save(QList<SavedFile>* saved);

private:
    Target targetFor(const QString& path, const std::optional<FileStamp>& expected) const {
        // Only names in one folder can be saved together.
        Q_ASSERT(QFileInfo(path).path() == folder_);
        Target target;
        target.path = path;
        target.name = QFileInfo(path).fileName();
        target.expected = expected;
        return target;
    }

    Outcome check(Target& target);
    Outcome prepareLine(Target& target);
    std::optional<QByteArray> lineBytes(const Target& target) const;
    QString writeFresh(Target& target);
    int writeJournal();
    Outcome placeLine(Target& target, bool* wrote);
    Outcome follow(Target& target);
    Outcome putInPlace(Target& target);
    bool followPut(Target& target);
    Outcome syncLines();
    Outcome apply();
    Outcome commit();
    Outcome giveUp(const Outcome& why);
    Outcome finish(QList<SavedFile>* saved);
    void removeFresh();

    QString folder_;
    Descriptor dir_;
    std::vector<Target> targets_;
    bool journaled_ = false;
    Descriptor journal_;
    qint64 journalLength_ = 0;
    QString commitNote_;
};

Outcome Unit::check(Target& target) {
    const QByteArray name = native(target.name);
    const int mode = (target.add ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    target.file.reset(::openat(dir_.get(), name.constData(), mode));
    if (!target.file.valid()) {
        const int error = errno;
        if (!target.add && error == ENOENT) {
            if (target.expected && target.expected->exists)
                return changedFailure(target.path);
            return Outcome::success();
        }
        QString why = openProblem(target.path, error);
        const std::optional<struct stat> there = statAt(dir_.get(), target.name);
        if ((error == EACCES || error == EPERM) && there && S_ISREG(there->st_mode)) {
            if (QString kept = protectionProblem(*there); !kept.isEmpty())
                why = kept;
        }
        return writeFailure(target.path, why);
    }
    int error = 0;
    const std::optional<struct stat> info = statOf(target.file.get(), &error);
    if (!info)
        return writeFailure(target.path, reason(error));
    QString why = kindProblem(*info);
    if (why.isEmpty())
        why = protectionProblem(*info);
    if (!why.isEmpty())
        return writeFailure(target.path, why);
    target.existed = true;
    target.checked = *info;
    if (!target.expected || stampFrom(*info) == *target.expected)
        return Outcome::success();
    // A line can still go after what another program left, when that is as many values
    // as the caller read: the rows stay rows.
    if (target.add && target.values >= 0 &&
        countLines(target.file.get(), info->st_size) == target.values) {
        target.changedOutside = true;
        return Outcome::success();
    }
    return changedFailure(target.path);
}

std::optional<QByteArray> Unit::lineBytes(const Target& target) const {
    const qint64 size = target.checked.st_size;
    // An empty file gets the line as a whole file would hold it.
    if (size == 0)
        return linesOf({target.text});
    std::optional<QByteArray> line = addedLineBytes(target.charset, target.text);
    if (!line)
        return std::nullopt;
    return lineStart(target.file.get(), size) + *line + "\r\n";
}

Outcome Unit::prepareLine(Target& target) {
    // A file another program wrote may now be in other characters than the caller read.
    if (target.changedOutside && !target.text.isEmpty() &&
        std::any_of(target.text.cbegin(), target.text.cend(),
                    [](QChar c) { return c.unicode() >= 0x80; })) {
        const std::optional<Charset> charset = charsetOf(target.file.get(), target.checked.st_size);
        if (!charset)
            return writeFailure(target.path, reason(errno));
        target.charset = *charset;
    }
    target.earlier = target.checked.st_size;
    std::optional<QByteArray> bytes = lineBytes(target);
    // The journal carries the added bytes: a line too long for it (a very long description)
    // is added by writing its file anew, as is a line of characters a file in Windows-1252
    // cannot hold (the file becomes UTF-8). The file is read through the descriptor that
    // was checked.
    qint64 journalled = 0;
    for (const Target& other : targets_) {
        if (&other != &target && other.add && !other.bytes.isEmpty())
            journalled += 4 * ((other.bytes.size() + 2) / 3) + 64;
    }
    if (bytes && journalled + 4 * ((bytes->size() + 2) / 3) + 64 <= kJournalSizeLimit / 2) {
        target.bytes = *bytes;
        return Outcome::success();
    }
    const std::optional<QByteArray> held = readAt(target.file.get(), 0, target.checked.st_size);
    if (!held)
        return writeFailure(target.path, reason(errno));
    target.texts = fieldsOf(*held);
    target.texts << target.text;
    target.add = false;
    return Outcome::success();
}

// Writes the file's new content beside it, whole and flushed to the disk; the reason when
// that fails.
QString Unit::writeFresh(Target& target) {
    const QByteArray fresh = native(journal::freshName(target.name));
    ::unlinkat(dir_.get(), fresh.constData(), 0);
    Descriptor out(::openat(dir_.get(), fresh.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid())
        return reason(errno);
    // The new file keeps the old one's permissions.
    if (target.existed && ::fchmod(out.get(), target.checked.st_mode & 07777) != 0)
        return reason(errno);
    const int fd = out.get();
    if (const int error = encodeLines(target.texts, &target.freshCharset,
                                      [fd](QByteArrayView bytes) { return writeAll(fd, bytes); }))
        return reason(error);
    int error = 0;
    const std::optional<struct stat> info = statOf(fd, &error);
    if (!info)
        return reason(error);
    target.freshInode = qint64(info->st_ino);
    if (const int failed = syncAndClose(out))
        return reason(failed);
    return {};
}

void Unit::removeFresh() {
    for (const Target& target : targets_) {
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
    for (const Target& target : targets_) {
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

// Makes sure the line ends the file its name leads to, writing it through the descriptor
// that was checked; a file another program replaced or rewrote meanwhile is followed.
Outcome Unit::placeLine(Target& target, bool* wrote) {
    for (int attempt = 0; attempt < kFollowings; ++attempt) {
        int error = ENOENT;
        const std::optional<struct stat> at = statAt(dir_.get(), target.name, &error);
        if (!at && error != ENOENT)
            return writeFailure(target.path, reason(error));
        if (at && sameFile(*at, target.checked)) {
            if (target.written) {
                const std::optional<QByteArray> there =
                    readAt(target.file.get(), target.earlier, target.bytes.size());
                if (!there)
                    return writeFailure(target.path, reason(errno));
                if (*there == target.bytes)
                    return Outcome::success();
            } else {
                const std::optional<struct stat> now = statOf(target.file.get(), &error);
                if (!now)
                    return writeFailure(target.path, reason(error));
                if (stampFrom(*now) == stampFrom(target.checked)) {
                    // Flushed together with the other lines (syncLines), so that the lines
                    // of a unit reach their files within moments of each other.
                    error = writeAll(target.file.get(), target.bytes, off_t(target.earlier));
                    // Whatever part of the line reached the file is its to take back.
                    target.written = true;
                    target.unsynced = true;
                    if (error)
                        return writeFailure(target.path, reason(error));
                    *wrote = true;
                    continue;
                }
            }
        }
        if (Outcome followed = follow(target); !followed.ok())
            return followed;
    }
    return changedFailure(target.path);
}

// The file the name leads to now: the line is in it already (another program copied the
// file after the line was written), or goes after what it holds when that is as many
// values as were read. Otherwise nothing of the unit stays.
Outcome Unit::follow(Target& target) {
    Descriptor file(::openat(dir_.get(), native(target.name).constData(),
                             O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) {
        // Gone, or no longer a file of the user's: another program's doing.
        const int error = errno;
        if (error == ENOENT || error == ELOOP || error == EACCES || error == EPERM)
            return changedFailure(target.path);
        return writeFailure(target.path, reason(error));
    }
    int error = 0;
    const std::optional<struct stat> info = statOf(file.get(), &error);
    if (!info)
        return writeFailure(target.path, reason(error));
    if (!kindProblem(*info).isEmpty() || !protectionProblem(*info).isEmpty())
        return changedFailure(target.path);
    const qint64 size = info->st_size;
    const std::optional<qint64> values = countLines(file.get(), size);
    if (!values)
        return writeFailure(target.path, reason(errno));
    const qint64 length = target.bytes.size();
    const QByteArray bytes = target.bytes;
    if (target.written && size >= length && (target.values < 0 || *values == target.values + 1) &&
        readAt(file.get(), size - length, length) == bytes) {
        target.earlier = size - length;
    } else if (target.values >= 0 && *values == target.values) {
        target.written = false;
        target.earlier = size;
    } else {
        return changedFailure(target.path);
    }
    target.file = std::move(file);
    target.checked = *info;
    target.changedOutside = true;
    if (!target.written) {
        if (Outcome prepared = prepareLine(target); !prepared.ok())
            return prepared;
        // A line too long for the journal, or of characters the file cannot hold now, is
        // not followed: the caller reads the files again and adds it anew.
        if (!target.add)
            return changedFailure(target.path);
    }
    // The journal holds the line's bytes, for a crash from here on (it finds them at the
    // end of a file that another program rewrote to another length, too).
    if (journaled_ && target.bytes != bytes) {
        if (const int error = writeJournal())
            return writeFailure(target.path, reason(error));
    }
    return Outcome::success();
}

// Puts the new file in the name's place while the name still leads to the file that was
// read: in one exchange that keeps the old file under the hidden name, so that the
// unit can still be undone, and that shows afterwards which file went aside.
Outcome Unit::putInPlace(Target& target) {
    const QByteArray fresh = native(journal::freshName(target.name));
    const QByteArray name = native(target.name);
    int error = ENOENT;
    const std::optional<struct stat> at = statAt(dir_.get(), target.name, &error);
    if (!at && error != ENOENT)
        return writeFailure(target.path, reason(error));
    if (target.existed) {
        const std::optional<struct stat> now = statOf(target.file.get(), &error);
        if (!now)
            return writeFailure(target.path, reason(error));
        if (stampFrom(*now) != stampFrom(target.checked) || !at || !sameFile(*at, target.checked))
            return changedFailure(target.path);
    } else if (at) {
        return changedFailure(target.path);
    }
    const unsigned int how = target.existed ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(dir_.get(), fresh.constData(), dir_.get(), name.constData(), how) != 0) {
        error = errno;
        if (error == EEXIST)
            return changedFailure(target.path);
        if (!cannotExchange(error))
            return writeFailure(target.path, reason(error));
        // This file system renames only: after the point of no return, from the journal.
        if (journaled_) {
            target.deferred = true;
            return Outcome::success();
        }
        if (::renameat(dir_.get(), fresh.constData(), dir_.get(), name.constData()) != 0)
            return writeFailure(target.path, reason(errno));
        target.applied = true;
        return Outcome::success();
    }
    target.applied = true;
    target.exchanged = target.existed;
    if (target.exchanged) {
        error = ENOENT;
        const std::optional<struct stat> aside =
            statAt(dir_.get(), journal::freshName(target.name), &error);
        if (!aside && error != ENOENT)
            return writeFailure(target.path, reason(error));
        if (!aside || !sameFile(*aside, target.checked))
            return changedFailure(target.path);
    }
    return Outcome::success();
}

// Another program put a file in the place of the new one after it went in: one holding as
// many values was made from the new file (an editor or a sync tool that rewrote it), and
// stays; any other is not this unit's, which is then undone.
bool Unit::followPut(Target& target) {
    Descriptor file(::openat(dir_.get(), native(target.name).constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const std::optional<struct stat> info =
        file.valid() ? statOf(file.get()) : std::optional<struct stat>();
    if (!info || !S_ISREG(info->st_mode) ||
        countLines(file.get(), info->st_size) != target.texts.size())
        return false;
    target.adoptedInode = qint64(info->st_ino);
    target.changedOutside = true;
    return true;
}

Outcome Unit::syncLines() {
    for (Target& target : targets_) {
        if (!target.unsynced)
            continue;
        if (::fsync(target.file.get()) != 0)
            return writeFailure(target.path, reason(errno));
        target.unsynced = false;
    }
    return Outcome::success();
}

Outcome Unit::apply() {
    for (Target& target : targets_) {
        bool wrote = false;
        if (!target.add)
            continue;
        if (Outcome placed = placeLine(target, &wrote); !placed.ok())
            return placed;
        reached(SaveStep::LineAdded, target.path);
    }
    if (Outcome synced = syncLines(); !synced.ok())
        return synced;
    for (Target& target : targets_) {
        if (target.add)
            continue;
        if (Outcome put = putInPlace(target); !put.ok())
            return put;
        reached(SaveStep::FilePutInPlace, target.path);
    }
    // Every name again: a file replaced after its line went in gets the line anew, and the
    // others are looked at once more after that.
    for (int round = 0; round < kFollowings; ++round) {
        bool wrote = false;
        for (Target& target : targets_) {
            if (!target.add)
                continue;
            if (Outcome placed = placeLine(target, &wrote); !placed.ok())
                return placed;
        }
        if (Outcome synced = syncLines(); !synced.ok())
            return synced;
        for (Target& target : targets_) {
            if (target.add || !target.applied)
                continue;
            int error = ENOENT;
            const std::optional<struct stat> at = statAt(dir_.get(), target.name, &error);
            if (!at && error != ENOENT)
                return writeFailure(target.path, reason(error));
            if (at && (qint64(at->st_ino) == target.freshInode ||
                       qint64(at->st_ino) == target.adoptedInode))
                continue;
            if (!followPut(target))
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
    for (Target& target : targets_) {
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
    for (Target& target : targets_) {
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
    for (const Target& target : targets_) {
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
        for (const Target& target : targets_) {
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
    for (const Target& target : targets_) {
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

    for (Target& target : targets_) {
        if (Outcome checked = check(target); !checked.ok())
            return checked;
    }
    reached(SaveStep::Checked);
    for (Target& target : targets_) {
        if (!target.add)
            continue;
        if (Outcome prepared = prepareLine(target); !prepared.ok())
            return prepared;
    }

    for (Target& target : targets_) {
        if (target.add)
            continue;
        if (QString why = writeFresh(target); !why.isEmpty()) {
            removeFresh();
            // The file that failed is removed too, whatever it got.
            ::unlinkat(dir_.get(), native(journal::freshName(target.name)).constData(), 0);
            return writeFailure(target.path, why);
        }
    }
    reached(SaveStep::NewFilesWritten);

    journaled_ = targets_.size() > 1 || std::any_of(targets_.cbegin(), targets_.cend(),
                                                    [](const Target& t) { return t.add; });
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
