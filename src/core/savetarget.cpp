#include "core/savetarget.h"

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

// A file system that cannot exchange two names in one step says so with one of these.
bool cannotExchange(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
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

} // namespace

Outcome changedFailure(const QString& path) {
    return Outcome::changedOutside(
        QStringLiteral("Another program has changed \"%1\" since Kesterly read it, so nothing "
                       "was written.")
            .arg(path));
}

qint64 journalledSize(qint64 bytes) {
    return 4 * ((bytes + 2) / 3) + 64;
}

SaveTarget SaveTarget::line(const LineAppend& append) {
    SaveTarget target(append.path, append.expected);
    target.add = true;
    target.text = append.text;
    target.charset = append.charset;
    target.values = append.values;
    return target;
}

SaveTarget SaveTarget::replacement(const FileLines& file) {
    SaveTarget target(file.path, file.expected);
    target.texts = file.texts;
    return target;
}

SaveTarget::SaveTarget(const QString& filePath, const std::optional<FileStamp>& stamp)
    : path(filePath), name(QFileInfo(filePath).fileName()), expected(stamp) {}

Outcome SaveTarget::check(const UnitSide& side) {
    const int mode = (add ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    file.reset(::openat(side.folder, native(name).constData(), mode));
    if (!file.valid()) {
        const int error = errno;
        if (!add && error == ENOENT) {
            if (expected && expected->exists)
                return changedFailure(path);
            return Outcome::success();
        }
        QString why = openProblem(path, error);
        const std::optional<struct stat> there = statAt(side.folder, name);
        if ((error == EACCES || error == EPERM) && there && S_ISREG(there->st_mode)) {
            if (QString kept = protectionProblem(*there); !kept.isEmpty())
                why = kept;
        }
        return writeFailure(path, why);
    }
    int error = 0;
    const std::optional<struct stat> info = statOf(file.get(), &error);
    if (!info)
        return writeFailure(path, reason(error));
    QString why = kindProblem(*info);
    if (why.isEmpty())
        why = protectionProblem(*info);
    if (!why.isEmpty())
        return writeFailure(path, why);
    existed = true;
    checked = *info;
    if (!expected || stampFrom(*info) == *expected)
        return Outcome::success();
    // A line can still go after what another program left, when that is as many values
    // as the caller read: the rows stay rows.
    if (add && values >= 0 && countLines(file.get(), info->st_size) == values) {
        changedOutside = true;
        return Outcome::success();
    }
    return changedFailure(path);
}

std::optional<QByteArray> SaveTarget::lineBytes() const {
    const qint64 size = checked.st_size;
    // An empty file gets the line as a whole file would hold it.
    if (size == 0)
        return linesOf({text});
    std::optional<QByteArray> line = addedLineBytes(charset, text);
    if (!line)
        return std::nullopt;
    return lineStart(file.get(), size) + *line + "\r\n";
}

Outcome SaveTarget::prepareLine(const UnitSide& side) {
    // A file another program wrote may now be in other characters than the caller read.
    if (changedOutside && !text.isEmpty() &&
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x80; })) {
        const std::optional<Charset> found = charsetOf(file.get(), checked.st_size);
        if (!found)
            return writeFailure(path, reason(errno));
        charset = *found;
    }
    earlier = checked.st_size;
    const std::optional<QByteArray> line = lineBytes();
    // The journal carries the added bytes: a line too long for it (a very long description)
    // is added by writing its file anew, as is a line of characters a file in Windows-1252
    // cannot hold (the file becomes UTF-8). The file is read through the descriptor that
    // was checked.
    if (line &&
        side.journalledBesides(*this) + journalledSize(line->size()) <= kJournalSizeLimit / 2) {
        bytes = *line;
        return Outcome::success();
    }
    const std::optional<QByteArray> held = readAt(file.get(), 0, checked.st_size);
    if (!held)
        return writeFailure(path, reason(errno));
    texts = fieldsOf(*held);
    texts << text;
    add = false;
    return Outcome::success();
}

// Writes the file's new content beside it, whole and flushed to the disk; the reason when
// that fails.
QString SaveTarget::writeFresh(const UnitSide& side) {
    const QByteArray fresh = native(journal::freshName(name));
    ::unlinkat(side.folder, fresh.constData(), 0);
    Descriptor out(::openat(side.folder, fresh.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid())
        return reason(errno);
    // The new file keeps the old one's permissions.
    if (existed && ::fchmod(out.get(), checked.st_mode & 07777) != 0)
        return reason(errno);
    const int fd = out.get();
    if (const int error = encodeLines(texts, &freshCharset,
                                      [fd](QByteArrayView bytes) { return writeAll(fd, bytes); }))
        return reason(error);
    int error = 0;
    const std::optional<struct stat> info = statOf(fd, &error);
    if (!info)
        return reason(error);
    freshInode = qint64(info->st_ino);
    if (const int failed = syncAndClose(out))
        return reason(failed);
    return {};
}

// Makes sure the line ends the file its name leads to, writing it through the descriptor
// that was checked; a file another program replaced or rewrote meanwhile is followed.
Outcome SaveTarget::placeLine(const UnitSide& side, bool* wrote) {
    for (int attempt = 0; attempt < kFollowings; ++attempt) {
        int error = ENOENT;
        const std::optional<struct stat> at = statAt(side.folder, name, &error);
        if (!at && error != ENOENT)
            return writeFailure(path, reason(error));
        if (at && sameFile(*at, checked)) {
            if (written) {
                const std::optional<QByteArray> there = readAt(file.get(), earlier, bytes.size());
                if (!there)
                    return writeFailure(path, reason(errno));
                if (*there == bytes)
                    return Outcome::success();
            } else {
                const std::optional<struct stat> now = statOf(file.get(), &error);
                if (!now)
                    return writeFailure(path, reason(error));
                if (stampFrom(*now) == stampFrom(checked)) {
                    // Flushed together with the other lines (syncLines), so that the lines
                    // of a unit reach their files within moments of each other.
                    error = writeAll(file.get(), bytes, off_t(earlier));
                    // Whatever part of the line reached the file is its to take back.
                    written = true;
                    unsynced = true;
                    if (error)
                        return writeFailure(path, reason(error));
                    *wrote = true;
                    continue;
                }
            }
        }
        if (Outcome followed = follow(side); !followed.ok())
            return followed;
    }
    return changedFailure(path);
}

// The file the name leads to now: the line is in it already (another program copied the
// file after the line was written), or goes after what it holds when that is as many
// values as were read. Otherwise nothing of the unit stays.
Outcome SaveTarget::follow(const UnitSide& side) {
    Descriptor now(::openat(side.folder, native(name).constData(),
                            O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!now.valid()) {
        // Gone, or no longer a file of the user's: another program's doing.
        const int error = errno;
        if (error == ENOENT || error == ELOOP || error == EACCES || error == EPERM)
            return changedFailure(path);
        return writeFailure(path, reason(error));
    }
    int error = 0;
    const std::optional<struct stat> info = statOf(now.get(), &error);
    if (!info)
        return writeFailure(path, reason(error));
    if (!kindProblem(*info).isEmpty() || !protectionProblem(*info).isEmpty())
        return changedFailure(path);
    const qint64 size = info->st_size;
    const std::optional<qint64> held = countLines(now.get(), size);
    if (!held)
        return writeFailure(path, reason(errno));
    const qint64 length = bytes.size();
    const QByteArray before = bytes;
    if (written && size >= length && (values < 0 || *held == values + 1) &&
        readAt(now.get(), size - length, length) == bytes) {
        earlier = size - length;
    } else if (values >= 0 && *held == values) {
        written = false;
        earlier = size;
    } else {
        return changedFailure(path);
    }
    file = std::move(now);
    checked = *info;
    changedOutside = true;
    if (!written) {
        if (Outcome prepared = prepareLine(side); !prepared.ok())
            return prepared;
        // A line too long for the journal, or of characters the file cannot hold now, is
        // not followed: the caller reads the files again and adds it anew.
        if (!add)
            return changedFailure(path);
    }
    // The journal holds the line's bytes, for a crash from here on (it finds them at the
    // end of a file that another program rewrote to another length, too).
    if (side.journaled && bytes != before) {
        if (const int error = side.rewriteJournal())
            return writeFailure(path, reason(error));
    }
    return Outcome::success();
}

// Puts the new file in the name's place while the name still leads to the file that was
// read: in one exchange that keeps the old file under the hidden name, so that the
// unit can still be undone, and that shows afterwards which file went aside.
Outcome SaveTarget::putInPlace(const UnitSide& side) {
    const QByteArray fresh = native(journal::freshName(name));
    const QByteArray own = native(name);
    int error = ENOENT;
    const std::optional<struct stat> at = statAt(side.folder, name, &error);
    if (!at && error != ENOENT)
        return writeFailure(path, reason(error));
    if (existed) {
        const std::optional<struct stat> now = statOf(file.get(), &error);
        if (!now)
            return writeFailure(path, reason(error));
        if (stampFrom(*now) != stampFrom(checked) || !at || !sameFile(*at, checked))
            return changedFailure(path);
    } else if (at) {
        return changedFailure(path);
    }
    const unsigned int how = existed ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(side.folder, fresh.constData(), side.folder, own.constData(), how) != 0) {
        error = errno;
        if (error == EEXIST)
            return changedFailure(path);
        if (!cannotExchange(error))
            return writeFailure(path, reason(error));
        // This file system renames only: after the point of no return, from the journal.
        if (side.journaled) {
            deferred = true;
            return Outcome::success();
        }
        if (::renameat(side.folder, fresh.constData(), side.folder, own.constData()) != 0)
            return writeFailure(path, reason(errno));
        applied = true;
        return Outcome::success();
    }
    applied = true;
    exchanged = existed;
    if (exchanged) {
        error = ENOENT;
        const std::optional<struct stat> aside =
            statAt(side.folder, journal::freshName(name), &error);
        if (!aside && error != ENOENT)
            return writeFailure(path, reason(error));
        if (!aside || !sameFile(*aside, checked))
            return changedFailure(path);
    }
    return Outcome::success();
}

// Another program put a file in the place of the new one after it went in: one holding as
// many values was made from the new file (an editor or a sync tool that rewrote it), and
// stays; any other is not this unit's, which is then undone.
bool SaveTarget::followPut(const UnitSide& side) {
    const Descriptor now(::openat(side.folder, native(name).constData(),
                                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const std::optional<struct stat> info =
        now.valid() ? statOf(now.get()) : std::optional<struct stat>();
    if (!info || !S_ISREG(info->st_mode) || countLines(now.get(), info->st_size) != texts.size())
        return false;
    adoptedInode = qint64(info->st_ino);
    changedOutside = true;
    return true;
}

} // namespace kesterly::listfile
