#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace kesterly::account {

// Marks an account folder as open in this copy of the program, so that a second copy
// does not open it too: each copy keeps its own lists and the one that closes last would
// write over the other's entries. The mark is a hidden file in the account folder,
// removed when the lock goes; one left behind by a copy that crashed is taken over.
class AccountLock {
public:
    struct Attempt {
        std::unique_ptr<AccountLock> lock;
        // Why the account cannot be opened: another running copy has it open.
        QString refusal;
        // The account can be opened, but the mark could not be made (a folder that may
        // not be written to); no copy is kept out then.
        QString warning;
    };
    static Attempt take(const QString& folder);
    static QString fileName();

    ~AccountLock();
    AccountLock(const AccountLock&) = delete;
    AccountLock& operator=(const AccountLock&) = delete;

private:
    explicit AccountLock(const QString& path);
    QLockFile file_;
};

} // namespace kesterly::account
