#include "core/accountlock.h"

#include "core/numbertext.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <climits>
#include <cstdlib>
#include <cstring>
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
    std::unique_ptr<AccountLock> lock(new AccountLock(path));
    if (lock->file_.tryLock(0)) {
        holdMark(path);
        return {std::move(lock), {}, {}};
    }

    if (lock->file_.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host;
        QString program;
        lock->file_.getLockInfo(&pid, &host, &program);
        const QDateTime since = QFileInfo(path).lastModified();
        return {nullptr,
                QStringLiteral("The account in \"%1\" is open in another copy of Kesterly "
                               "(process %2 on the computer \"%3\"), since %4. An account can "
                               "be open in one copy at a time, so that neither copy writes over "
                               "what the other recorded. Close it there, then open it here.")
                    .arg(folder, QString::number(pid), host,
                         userLocale().toString(since, QLocale::ShortFormat)),
                {}};
    }
    return {nullptr,
            {},
            QStringLiteral("Kesterly could not mark the account in \"%1\" as open (the file "
                           "\"%2\" could not be made there), so another copy of Kesterly could "
                           "open it at the same time. Use it in this copy only.")
                .arg(folder, path)};
}

} // namespace kesterly::account
