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
        // Why the account cannot be opened: another running copy has it open, another
        // computer's copy has, or the mark is no lock at all.
        QString refusal;
        // With a refusal the user may overrule: what removing the mark means (a copy on
        // another computer that may have ended, or a file that is no lock). The account
        // is then opened with takeOver().
        QString takeOverQuestion;
        // The account can be opened, but the mark could not be made (a folder that may
        // not be written to); no copy is kept out then.
        QString warning;
    };
    static Attempt take(const QString& folder);
    // Removes the mark found in the folder, once the user has said that the copy it names
    // has ended or that it is no lock, and takes the account as take() does.
    static Attempt takeOver(const QString& folder);
    // The most a mark holds; a larger file is not one of ours and is not read.
    static constexpr qint64 kSizeLimit = 4096;
    static QString fileName();

    ~AccountLock();
    AccountLock(const AccountLock&) = delete;
    AccountLock& operator=(const AccountLock&) = delete;

private:
    explicit AccountLock(const QString& path);
    QLockFile file_;
};

} // namespace kesterly::account
