#include "core/savejournal.h"

#include <QFile>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace kesterly::listfile {

using namespace plainfile;

namespace journal {

namespace {

const QString kNewSuffix = QStringLiteral(".kesterly-new");
// Journals of earlier versions: files to put in place ("save"), and lines to add with
// files to put in place ("append"). Both were written once everything was ready, so both
// are finished.
const QByteArray kPutStart = "Kesterly save\n";
const QByteArray kAppendStart = "Kesterly append\n";
// A unit's journal: "add NAME EARLIER BASE64-BYTES" and "put NAME NEW-INODE OLD-INODE|-"
// lines, "end", and "commit" once the unit has passed its point of no return.
const QByteArray kUnitStart = "Kesterly unit\n";
const QByteArray kEnd = "end\n";
const QByteArray kCommit = "commit\n";

QString notOurs() {
    return QStringLiteral("the journal is not one Kesterly wrote");
}

} // namespace

std::recursive_mutex& saveTurn() {
    static std::recursive_mutex turn;
    return turn;
}

QString journalFile() {
    return QStringLiteral(".kesterly-save");
}

QString freshName(const QString& name) {
    return QLatin1Char('.') + name + kNewSuffix;
}

bool isFreshName(const QString& name) {
    return name.startsWith(QLatin1Char('.')) && name.endsWith(kNewSuffix);
}

QByteArray encode(const QList<Entry>& entries) {
    QByteArray bytes = kUnitStart;
    for (const Entry& entry : entries) {
        const QByteArray name = QUrl::toPercentEncoding(entry.name);
        if (entry.add)
            bytes += "add " + name + ' ' + QByteArray::number(entry.earlier) + ' ' +
                     entry.bytes.toBase64() + '\n';
        else
            bytes += "put " + name + ' ' + QByteArray::number(entry.newInode) + ' ' +
                     (entry.oldInode ? QByteArray::number(entry.oldInode) : QByteArray("-")) + '\n';
    }
    return bytes + kEnd;
}

QByteArray commitMark() {
    return kCommit;
}

std::optional<Journal> decode(const QByteArray& bytes, QString* why) {
    Journal journal;
    QByteArrayView body;
    bool unit = false;
    bool appending = false;
    if (bytes.startsWith(kUnitStart)) {
        unit = true;
        const qsizetype end = bytes.lastIndexOf("\n" + kEnd);
        if (end < 0) {
            *why = notOurs();
            return std::nullopt;
        }
        // A commit cut short by a crash is no commit.
        const QByteArrayView after = QByteArrayView(bytes).sliced(end + 1 + kEnd.size());
        if (!QByteArrayView(kCommit).startsWith(after)) {
            *why = notOurs();
            return std::nullopt;
        }
        journal.committed = after == QByteArrayView(kCommit);
        body = QByteArrayView(bytes).sliced(kUnitStart.size(), end + 1 - kUnitStart.size());
    } else {
        appending = bytes.startsWith(kAppendStart);
        const QByteArray& start = appending ? kAppendStart : kPutStart;
        if (!bytes.startsWith(start) || !bytes.endsWith(kEnd)) {
            *why = notOurs();
            return std::nullopt;
        }
        journal.committed = true;
        body =
            QByteArrayView(bytes).sliced(start.size(), bytes.size() - start.size() - kEnd.size());
    }
    for (const QByteArray& line : body.toByteArray().split('\n')) {
        if (line.isEmpty())
            continue;
        Entry entry;
        QByteArray name = line;
        if (unit || appending) {
            const QList<QByteArray> parts = line.split(' ');
            bool read = false;
            if (parts.size() == 4 && parts[0] == "add") {
                entry.add = true;
                entry.earlier = parts[2].toLongLong(&read);
                const auto decoded = QByteArray::fromBase64Encoding(
                    parts[3], QByteArray::AbortOnBase64DecodingErrors);
                read = read && decoded && entry.earlier >= 0;
                entry.bytes = *decoded;
            } else if (unit && parts.size() == 4 && parts[0] == "put") {
                entry.inodes = true;
                bool old = true;
                entry.newInode = parts[2].toLongLong(&read);
                if (parts[3] != "-")
                    entry.oldInode = parts[3].toLongLong(&old);
                read = read && old;
            } else if (!unit && parts.size() == 2 && parts[0] == "put") {
                read = true;
            }
            if (!read) {
                *why = notOurs();
                return std::nullopt;
            }
            name = parts[1];
        }
        entry.name = QString::fromUtf8(QByteArray::fromPercentEncoding(name));
        // The account's hidden files are the program's own marks, never saved in a unit;
        // the one exception is the remembered form of its numbers (numberform.h), saved
        // together with the balance.
        if (entry.name.isEmpty() || entry.name.contains(QLatin1Char('/')) ||
            (entry.name.startsWith(QLatin1Char('.')) && entry.name != kSavedHiddenFile)) {
            *why =
                QStringLiteral("the journal names a file \"%1\" that is not one of the account's")
                    .arg(entry.name);
            return std::nullopt;
        }
        journal.entries << entry;
    }
    return journal;
}

int settleLine(int file, qint64 earlier, QByteArrayView bytes, bool finish, LineState* state) {
    *state = LineState::Settled;
    const std::optional<struct stat> info = statOf(file);
    if (!info)
        return errno;
    const qint64 size = info->st_size;
    const qint64 end = earlier + bytes.size();
    // How much of the line the file holds where it was put.
    const qint64 held = std::clamp<qint64>(std::min(size, end) - earlier, -1, bytes.size());
    std::optional<QByteArray> there;
    if (held >= 0 && !(there = readAt(file, earlier, held)))
        return errno;
    if (held < 0 || *there != bytes.first(held)) {
        // Not where it was put: another program rewrote the file meanwhile (an editor that
        // changed an earlier line). The line is still the unit's when it ends the file;
        // anything else there is the other program's.
        *state = LineState::NotOurs;
        if (size < bytes.size())
            return 0;
        const std::optional<QByteArray> tail = readAt(file, size - bytes.size(), bytes.size());
        if (!tail)
            return errno;
        if (*tail != bytes)
            return 0;
        *state = LineState::Settled;
        if (finish)
            return 0;
        if (::ftruncate(file, off_t(size - bytes.size())) != 0)
            return errno;
        return ::fsync(file) == 0 ? 0 : errno;
    }
    if (size > end) {
        // Finished, but not to be undone without cutting what another program added.
        if (!finish)
            *state = LineState::FollowedByOthers;
        return 0;
    }
    if (finish ? held == bytes.size() : held == 0)
        return 0;
    if (finish) {
        if (const int error = writeAll(file, bytes.sliced(held), off_t(size)))
            return error;
    } else if (::ftruncate(file, off_t(earlier)) != 0) {
        return errno;
    }
    return ::fsync(file) == 0 ? 0 : errno;
}

} // namespace journal

namespace {

using journal::Entry;

// Removes the hidden new files a save left behind: before its journal, or the old files
// that a finished unit had not removed yet.
void removeLeftovers(int folder) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    QStringList leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (journal::isFreshName(name))
            leftovers << name;
    }
    ::closedir(dir);
    for (const QString& name : std::as_const(leftovers)) {
        const std::optional<struct stat> info = statAt(folder, name);
        if (info && !S_ISDIR(info->st_mode))
            ::unlinkat(folder, native(name).constData(), 0);
    }
}

// Puts one entry of an interrupted unit right: finished (committed) or undone. Returns
// an error number; a file another program has changed beyond what the journal says goes
// into `changed` and is left as it is.
int settleEntry(int folder, const Entry& entry, bool committed, QStringList& changed) {
    const QByteArray name = native(entry.name);
    if (entry.add) {
        Descriptor file(
            ::openat(folder, name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        const std::optional<struct stat> info =
            file.valid() ? statOf(file.get()) : std::optional<struct stat>();
        if (!info || !S_ISREG(info->st_mode)) {
            changed << entry.name;
            return 0;
        }
        journal::LineState state = journal::LineState::Settled;
        if (const int error =
                journal::settleLine(file.get(), entry.earlier, entry.bytes, committed, &state))
            return error;
        if (state != journal::LineState::Settled)
            changed << entry.name;
        return file.close();
    }

    const QString fresh = journal::freshName(entry.name);
    const std::optional<struct stat> at = statAt(folder, entry.name);
    const std::optional<struct stat> waiting = statAt(folder, fresh);
    if (!entry.inodes) {
        // An earlier version's journal: the new file goes in place when it is there.
        if (!waiting || !S_ISREG(waiting->st_mode))
            return 0;
        return ::renameat(folder, native(fresh).constData(), folder, name.constData()) == 0 ? 0
                                                                                            : errno;
    }
    const auto holds = [](const std::optional<struct stat>& info, qint64 inode) {
        return inode ? info && qint64(info->st_ino) == inode : !info;
    };
    const bool replaced = holds(at, entry.newInode);
    const bool asBefore = holds(at, entry.oldInode);
    if (!replaced && !asBefore) {
        changed << entry.name;
        return 0;
    }
    if (committed && asBefore && holds(waiting, entry.newInode))
        return ::renameat(folder, native(fresh).constData(), folder, name.constData()) == 0 ? 0
                                                                                            : errno;
    if (!committed && replaced) {
        if (!entry.oldInode)
            return ::unlinkat(folder, name.constData(), 0) == 0 ? 0 : errno;
        if (!holds(waiting, entry.oldInode)) {
            changed << entry.name;
            return 0;
        }
        // The old file comes back under its name; the new one goes with the leftovers.
        if (::renameat2(folder, native(fresh).constData(), folder, name.constData(),
                        RENAME_EXCHANGE) != 0)
            return errno;
    }
    return 0;
}

} // namespace

Outcome finishPendingSave(const QString& folder) {
    const std::lock_guard turn(journal::saveTurn());
    Descriptor dir(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // No folder holds no save to finish; one that cannot be opened may.
    if (!dir.valid())
        return errno == ENOENT
                   ? Outcome::success()
                   : Outcome::failure(QStringLiteral("Could not open the folder \"%1\": %2.")
                                          .arg(folder, reason(errno)));
    const QString journalPath = folder + QLatin1Char('/') + journal::journalFile();
    QStringList changed;
    if (statAt(dir.get(), journal::journalFile())) {
        const auto damaged = [&journalPath, &folder](const QString& why) {
            return Outcome::failure(
                QStringLiteral("Could not finish an earlier save in \"%1\": %2. Its journal "
                               "\"%3\" is left as it is.")
                    .arg(folder, why, journalPath));
        };
        const Read<QByteArray> read = readBytes(journalPath, kJournalSizeLimit);
        if (!read.ok())
            return damaged(read.error);
        QString why;
        const std::optional<journal::Journal> found = journal::decode(*read.value, &why);
        if (!found)
            return damaged(why);
        for (const Entry& entry : found->entries) {
            if (const int error = settleEntry(dir.get(), entry, found->committed, changed))
                return Outcome::failure(
                    QStringLiteral("Could not finish an earlier save of \"%1\": %2.")
                        .arg(folder + QLatin1Char('/') + entry.name, reason(error)));
        }
        int error = syncFolder(dir.get());
        if (!error && ::unlinkat(dir.get(), native(journal::journalFile()).constData(), 0) != 0)
            error = errno;
        if (!error)
            error = syncFolder(dir.get());
        if (error)
            return Outcome::failure(
                QStringLiteral("Could not finish an earlier save in \"%1\": %2.")
                    .arg(folder, reason(error)));
    }
    removeLeftovers(dir.get());
    if (changed.isEmpty())
        return Outcome::success();
    QStringList paths;
    for (const QString& name : std::as_const(changed))
        paths << QLatin1Char('"') + folder + QLatin1Char('/') + name + QLatin1Char('"');
    return Outcome::successWithNote(
        QStringLiteral("Kesterly was interrupted while saving a change in \"%1\", and another "
                       "program has written to %2 since. Kesterly left what that program wrote "
                       "as it is; the change that was interrupted may need checking in its "
                       "list.")
            .arg(folder, paths.join(QStringLiteral(", "))));
}

SaveHold::SaveHold() {
    journal::saveTurn().lock();
}

SaveHold::~SaveHold() {
    journal::saveTurn().unlock();
}

} // namespace kesterly::listfile
