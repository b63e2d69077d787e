#include "core/accountlock.h"

#include "core/listfile.h"
#include "core/numbertext.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kesterly::account {

namespace {

// The mark this copy holds, removed at exit() too: the windowing system's library ends a
// program whose display has gone that way, without returning from main(), and a mark left
// behind would have to be taken over by the next start. A plain buffer, not a string
// object, so that nothing of it is destroyed before the handler runs.
char heldMark[PATH_MAX] = {};

void removeHeldMark() {
    if (heldMark[0] != '\0')
        ::unlink(heldMark);
}

// A file where the mark belongs that is no mark: nothing keeps the account, but what the
// file is for is not known, so it goes only when the user says so.
AccountLock::Attempt notAMark(const QString& folder, const QString& path, const QString& why) {
    return {nullptr,
            QStringLiteral("The account in \"%1\" cannot be opened as it is. %2 Kesterly keeps "
                           "this file while the account is open, to keep a second copy out, "
                           "and this one is not a lock Kesterly made.")
                .arg(folder, why),
            QStringLiteral("Choose OK to remove \"%1\" and open the account, or Cancel to leave "
                           "it as it is.")
                .arg(path),
            {}};
}

void holdMark(const QString& path) {
    static const bool registered = std::atexit(removeHeldMark) == 0;
    const QByteArray native = QFile::encodeName(path);
    if (registered && native.size() < qsizetype(sizeof heldMark))
        std::memcpy(heldMark, native.constData(), size_t(native.size()) + 1);
}

} // namespace

AccountLock::AccountLock(const QString& path) : file_(path) {
    // A copy that still runs keeps its mark however long it has the account open; only
    // one whose process is gone loses it.
    file_.setStaleLockTime(0);
}

AccountLock::~AccountLock() {
    if (file_.isLocked() && QFile::encodeName(file_.fileName()) == heldMark)
        heldMark[0] = '\0';
}

QString AccountLock::fileName() {
    return QStringLiteral(".kesterly.lock");
}

AccountLock::Attempt AccountLock::take(const QString& folder) {
    const QString path = QDir(folder).filePath(fileName());
    // A mark already there is read as every account file is, before the lock reads it:
    // a pipe, a link, a folder or a file far larger than a mark is not waited on or read,
    // but named with the reason, and may be removed.
    struct stat found {};
    if (::lstat(QFile::encodeName(path).constData(), &found) == 0) {
        const listfile::Read<QByteArray> read = listfile::readSmallFile(path, kSizeLimit);
        if (!read.ok())
            return notAMark(folder, path, read.error);
    }

    std::unique_ptr<AccountLock> lock(new AccountLock(path));
    if (lock->file_.tryLock(0)) {
        holdMark(path);
        return {std::move(lock), {}, {}, {}};
    }

    if (lock->file_.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString program;
        if (!lock->file_.getLockInfo(&pid, &host, &program))
            return notAMark(
                folder, path,
                QStringLiteral("\"%1\" does not hold what Kesterly writes there.").arg(path));
        const QString since =
            userLocale().toString(QFileInfo(path).lastModified(), QLocale::ShortFormat);
        if (!host.isEmpty() && host != QSysInfo::machineHostName()) {
            // A copy on another computer cannot be asked whether it still runs; the user
            // can tell, say after that computer crashed with the account open.
            return {nullptr,
                    QStringLiteral("The account in \"%1\" has been open in Kesterly on the "
                                   "computer \"%2\" since %3. An account can be open in one "
                                   "copy at a time, so that neither copy writes over what the "
                                   "other recorded.")
                        .arg(folder, host, since),
                    QStringLiteral("If Kesterly is no longer running on \"%1\" (that computer "
                                   "was switched off or the program ended without closing the "
                                   "account), choose OK to open the account here. Otherwise "
                                   "choose Cancel, and close it there first.")
                        .arg(host),
                    {}};
        }
        return {nullptr,
                QStringLiteral("The account in \"%1\" is open in another copy of Kesterly "
                               "(process %2 on the computer \"%3\"), since %4. An account can "
                               "be open in one copy at a time, so that neither copy writes over "
                               "what the other recorded. Close it there, then open it here.")
                    .arg(folder, QString::number(pid), host, since),
                {},
                {}};
    }
    return {nullptr,
            {},
            {},
            QStringLiteral("Kesterly could not mark the account in \"%1\" as open (the file "
                           "\"%2\" could not be made there), so another copy of Kesterly could "
                           "open it at the same time. Use it in this copy only.")
                .arg(folder, path)};
}

AccountLock::Attempt AccountLock::takeOver(const QString& folder) {
    const QString path = QDir(folder).filePath(fileName());
    const QByteArray native = QFile::encodeName(path);
    struct stat found {};
    if (::lstat(native.constData(), &found) == 0) {
        // A link goes, not what it points to; a folder only when it is empty.
        const int removed =
            S_ISDIR(found.st_mode) ? ::rmdir(native.constData()) : ::unlink(native.constData());
        if (removed != 0 && errno != ENOENT)
            return {nullptr,
                    QStringLiteral("Could not remove \"%1\": %2. Remove it yourself, then open "
                                   "the account again.")
                        .arg(path, QString::fromLocal8Bit(std::strerror(errno))),
                    {},
                    {}};
    }
    return take(folder);
}

} // namespace kesterly::account
