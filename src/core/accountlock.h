#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace kesterly::account {

// Marks an account folder as open in this copy of the program, so that a second copy
// does not open it too: each copy keeps its own lists and the one that closes last would
// write over the other's entries. The mark is a hidden file in the account folder, held
// with a lock of the system's kernel for as long as the account is open here, and holding
// what the messages of other copies name: the process, the computer and since when. The
// kernel lock goes with the process, however it ends, so a copy on this computer is kept
// out exactly while the copy that made the mark runs; one left behind by a copy that
// crashed is taken over.
class AccountLock {
public:
    // Which file take() looked at where the mark belongs, so that takeOver() removes only
    // that one and never a file put there since.
    // The file a question was about: its device and inode, and when it last changed (a
    // file made since, in the place of one removed, may get the same inode).
    struct Found {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 changed = 0; // nanoseconds
        bool operator==(const Found&) const = default;
    };
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
        // The file the refusal is about.
        Found found;
    };
    static Attempt take(const QString& folder);
    // Removes the mark take() found in the folder, once the user has said that the copy it
    // names has ended or that it is no lock, and takes the account as take() does. When
    // another file is there by now, nothing is removed: that one is looked at afresh.
    static Attempt takeOver(const QString& folder, const Found& found);
    // The most a mark holds; a larger file is not one of ours and is not read.
    static constexpr qint64 kSizeLimit = 4096;
    static QString fileName();

    // The moments between take()'s looks at the folder, where another program may put
    // something else in the mark's place. Tests do so there; the program sets none.
    enum class Step { Looked, Opened, Locked };
    static void setBetweenSteps(std::function<void(Step)> hook);

    ~AccountLock();
    AccountLock(const AccountLock&) = delete;
    AccountLock& operator=(const AccountLock&) = delete;

private:
    AccountLock(const QString& path, int descriptor, const Found& file);
    QString path_;
    int descriptor_ = -1;
    Found file_;
};

} // namespace kesterly::account
