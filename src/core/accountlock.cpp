#include "core/accountlock.h"

#include "core/numbertext.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace kesterly::account {

AccountLock::AccountLock(const QString& path) : file_(path) {
    // A copy that still runs keeps its mark however long it has the account open; only
    // one whose process is gone loses it.
    file_.setStaleLockTime(0);
}

AccountLock::~AccountLock() = default;

QString AccountLock::fileName() {
    return QStringLiteral(".kesterly.lock");
}

AccountLock::Attempt AccountLock::take(const QString& folder) {
    const QString path = QDir(folder).filePath(fileName());
    std::unique_ptr<AccountLock> lock(new AccountLock(path));
    if (lock->file_.tryLock(0))
        return {std::move(lock), {}, {}};

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
