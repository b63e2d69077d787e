#include "core/accountlock.h"

#include "core/numbertext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kesterly::account {

namespace {

// How often take() looks again when the file it locked is no longer the one the name
// leads to (a copy removed it as it ended, or another program replaced it).
constexpr int kLooks = 8;

std::function<void(AccountLock::Step)>& betweenSteps() {
    static std::function<void(AccountLock::Step)> hook;
    return hook;
}

void reached(AccountLock::Step step) {
    if (const auto& hook = betweenSteps())
        hook(step);
}

// The mark this copy holds, removed at exit() too: the windowing system's library ends a
// program whose display has gone that way, without returning from main(), and a mark left
// behind would have to be taken over by the next start. Plain buffers, not string
// objects, so that nothing of it is destroyed before the handler runs.
struct HeldMark {
    char path[PATH_MAX];
    dev_t device;
    ino_t inode;
};
HeldMark heldMark = {};

// Removes the file at `path` only while the name still leads to the file of that device
// and inode: a copy on another computer may have taken the account over meanwhile (its
// user said that this copy had ended) and put its own mark there. 0 or the error number.
qint64 changedAt(const struct stat& info) {
    return qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
}

// Removes the file at the path while it is the one named: the same device and inode, and,
// when `changed` is given, unchanged since.
int removeIfSame(const char* path, dev_t device, ino_t inode, qint64 changed = 0) {
    struct stat now {};
    if (::lstat(path, &now) != 0)
        return errno;
    if (now.st_dev != device || now.st_ino != inode || (changed && changedAt(now) != changed))
        return EEXIST;
    const int removed = S_ISDIR(now.st_mode) ? ::rmdir(path) : ::unlink(path);
    return removed == 0 ? 0 : errno;
}

void removeHeldMark() {
    if (heldMark.path[0] != '\0')
        removeIfSame(heldMark.path, heldMark.device, heldMark.inode);
}

void holdMark(const QByteArray& path, dev_t device, ino_t inode) {
    static const bool registered = std::atexit(removeHeldMark) == 0;
    if (!registered || path.size() >= qsizetype(sizeof heldMark.path))
        return;
    std::memcpy(heldMark.path, path.constData(), size_t(path.size()) + 1);
    heldMark.device = device;
    heldMark.inode = inode;
}

// A file descriptor closed when it goes out of scope, unless it was handed on.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

AccountLock::Found foundOf(const struct stat& info) {
    return {true, quint64(info.st_dev), quint64(info.st_ino), changedAt(info)};
}

// What a mark says about the copy that made it. The first five lines are those Qt's own
// lock file writes (which this program used before), so its marks read the same.
struct MarkText {
    qint64 process = 0;
    QString computer;
    QByteArray machine;
    QByteArray boot;
    QDateTime since;
};

const QByteArray kProgramLine = QByteArrayLiteral("Kesterly");

// The system's lasting id of this computer and the id of its running kernel, which
// changes at every start; either may be empty where the system has none.
const QByteArray& thisMachine() {
    static const QByteArray id = QSysInfo::machineUniqueId().trimmed();
    return id;
}
const QByteArray& thisBoot() {
    static const QByteArray id = QSysInfo::bootUniqueId().trimmed();
    return id;
}

QByteArray oneLine(QByteArray text) {
    return text.replace('\n', ' ').replace('\r', ' ');
}

QByteArray markOfThisCopy() {
    return QByteArray::number(qint64(::getpid())) + '\n' + kProgramLine + '\n' +
           oneLine(QSysInfo::machineHostName().toUtf8()) + '\n' + thisMachine() + '\n' +
           thisBoot() + '\n' + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1() +
           '\n';
}

std::optional<MarkText> readMark(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    const auto line = [&lines](qsizetype index) {
        return index < lines.size() ? lines[index].trimmed() : QByteArray();
    };
    bool number = false;
    const qint64 process = line(0).toLongLong(&number);
    if (!number || process <= 0 || line(1) != kProgramLine)
        return std::nullopt;
    return MarkText{process, QString::fromUtf8(line(2)), line(3), line(4),
                    QDateTime::fromString(QString::fromLatin1(line(5)), Qt::ISODate)};
}

// A mark made on this computer, whatever its host name (a copy in another UTS namespace
// has another): the same running kernel, or the same machine before a restart.
bool ofThisComputer(const MarkText& mark) {
    return (!thisBoot().isEmpty() && mark.boot == thisBoot()) ||
           (!thisMachine().isEmpty() && mark.machine == thisMachine());
}

bool processRuns(qint64 process) {
    return ::kill(pid_t(process), 0) == 0 || errno == EPERM;
}

// Reads the open mark, at most one byte more than a mark may hold; 0 or the error number.
int readAll(int fd, QByteArray& bytes) {
    bytes.resize(AccountLock::kSizeLimit + 1);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + filled, size_t(bytes.size() - filled), off_t(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return 0;
}

// 0 or the error number.
int writeMark(int fd) {
    const QByteArray bytes = markOfThisCopy();
    if (::ftruncate(fd, 0) != 0)
        return errno;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t put = ::pwrite(fd, bytes.constData() + written,
                                     size_t(bytes.size() - written), off_t(written));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return errno;
        written += put;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString shownTime(const QDateTime& time) {
    return userLocale().toString(time.toLocalTime(), QLocale::ShortFormat);
}

// Since when the copy has had the account open: what its mark says, or, for a mark
// without a time, when the file was last written.
QString sinceOf(const std::optional<MarkText>& mark, const struct stat& info) {
    if (mark && mark->since.isValid())
        return shownTime(mark->since);
    return shownTime(QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 +
                                                    info.st_mtim.tv_nsec / 1000000));
}

QString kindOf(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("is a link to another file");
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("is a folder, not a file");
    return QStringLiteral("is not a plain file (a pipe or a device)");
}

// A file where the mark belongs that is no mark: nothing keeps the account, but what the
// file is for is not known, so it goes only when the user says so.
AccountLock::Attempt notAMark(const QString& folder, const QString& path, const QString& why,
                              const AccountLock::Found& found) {
    return {nullptr,
            QStringLiteral("The account in \"%1\" cannot be opened as it is. %2 Kesterly keeps "
                           "this file while the account is open, to keep a second copy out, "
                           "and this one is not a lock Kesterly made.")
                .arg(folder, why),
            QStringLiteral("Choose OK to remove \"%1\" and open the account, or Cancel to leave "
                           "it as it is.")
                .arg(path),
            {},
            found};
}

AccountLock::Attempt notAMark(const QString& folder, const QString& path, const struct stat& info) {
    return notAMark(folder, path, QStringLiteral("\"%1\" %2.").arg(path, kindOf(info)),
                    foundOf(info));
}

// A copy that runs: on this computer its kernel lock says so, whatever its mark names.
AccountLock::Attempt heldByAnotherCopy(const QString& folder, const QString& path,
                                       const std::optional<MarkText>& mark,
                                       const struct stat& info) {
    if (!mark)
        // Just made by a copy that has not yet written what it is, or held by a program
        // that is no copy of Kesterly: either way someone holds it.
        return {nullptr,
                QStringLiteral("The account in \"%1\" is being opened in another copy of "
                               "Kesterly, which holds the file \"%2\". An account can be open "
                               "in one copy at a time, so that neither copy writes over what "
                               "the other recorded. Close it there, then open it here.")
                    .arg(folder, path),
                {},
                {},
                foundOf(info)};
    return {nullptr,
            QStringLiteral("The account in \"%1\" is open in another copy of Kesterly "
                           "(process %2 on the computer \"%3\"), since %4. An account can "
                           "be open in one copy at a time, so that neither copy writes over "
                           "what the other recorded. Close it there, then open it here.")
                .arg(folder, QString::number(mark->process), mark->computer, sinceOf(mark, info)),
            {},
            {},
            foundOf(info)};
}

// A copy on another computer cannot be asked whether it still runs, and its lock may not
// reach this one; the user can tell, say after that computer crashed with the account
// open.
AccountLock::Attempt anotherComputer(const QString& folder, const MarkText& mark,
                                     const struct stat& info) {
    return {nullptr,
            QStringLiteral("The account in \"%1\" has been open in Kesterly on the "
                           "computer \"%2\" since %3. An account can be open in one "
                           "copy at a time, so that neither copy writes over what the "
                           "other recorded.")
                .arg(folder, mark.computer, sinceOf(mark, info)),
            QStringLiteral("If Kesterly is no longer running on \"%1\" (that computer "
                           "was switched off or the program ended without closing the "
                           "account), choose OK to open the account here. Otherwise "
                           "choose Cancel, and close it there first.")
                .arg(mark.computer),
            {},
            foundOf(info)};
}

AccountLock::Attempt cannotMark(const QString& folder, const QString& path) {
    return {nullptr,
            {},
            {},
            QStringLiteral("Kesterly could not mark the account in \"%1\" as open (the file "
                           "\"%2\" could not be made there), so another copy of Kesterly could "
                           "open it at the same time. Use it in this copy only.")
                .arg(folder, path),
            {}};
}

} // namespace

AccountLock::AccountLock(const QString& path, int descriptor, const Found& file)
    : path_(path), descriptor_(descriptor), file_(file) {
    holdMark(QFile::encodeName(path_), dev_t(file_.device), ino_t(file_.inode));
}

AccountLock::~AccountLock() {
    const QByteArray native = QFile::encodeName(path_);
    // Removed before the descriptor closes: until then a copy that looks finds the kernel
    // lock held, and afterwards no mark at all.
    removeIfSame(native.constData(), dev_t(file_.device), ino_t(file_.inode));
    if (heldMark.device == dev_t(file_.device) && heldMark.inode == ino_t(file_.inode) &&
        native == heldMark.path)
        heldMark.path[0] = '\0';
    ::close(descriptor_);
}

QString AccountLock::fileName() {
    return QStringLiteral(".kesterly.lock");
}

void AccountLock::setBetweenSteps(std::function<void(Step)> hook) {
    betweenSteps() = std::move(hook);
}

AccountLock::Attempt AccountLock::take(const QString& folder) {
    const QString path = QDir(folder).filePath(fileName());
    const QByteArray native = QFile::encodeName(path);
    for (int look = 0; look < kLooks; ++look) {
        // A folder, a link, a pipe or a device where the mark belongs is named without
        // being opened.
        struct stat found {};
        if (::lstat(native.constData(), &found) == 0 && !S_ISREG(found.st_mode))
            return notAMark(folder, path, found);
        reached(Step::Looked);

        // Opened once, and from here on only looked at through the descriptor: not
        // following a link, not waiting (something swapped in meanwhile may be a pipe).
        constexpr int kHow = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        bool writable = true;
        Descriptor file(::open(native.constData(), O_RDWR | O_CREAT | kHow, 0644));
        if (!file.valid() && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            // A mark this user may not write (another user's, on a shared folder) still
            // tells whether its copy runs.
            writable = false;
            file.reset(::open(native.constData(), O_RDONLY | kHow));
        }
        if (!file.valid()) {
            if (::lstat(native.constData(), &found) == 0 && !S_ISREG(found.st_mode))
                return notAMark(folder, path, found);
            return cannotMark(folder, path);
        }
        struct stat opened {};
        if (::fstat(file.get(), &opened) != 0)
            return cannotMark(folder, path);
        if (!S_ISREG(opened.st_mode))
            return notAMark(folder, path, opened);
        if (opened.st_size > kSizeLimit)
            return notAMark(folder, path,
                            QStringLiteral("\"%1\" holds %2 bytes, more than the %3 bytes of a "
                                           "lock Kesterly makes.")
                                .arg(path)
                                .arg(qint64(opened.st_size))
                                .arg(kSizeLimit),
                            foundOf(opened));
        reached(Step::Opened);

        // The kernel's lock answers whether a copy holds the mark. It is held for the
        // copy's life and goes with its process, however that ends; every copy on this
        // computer, and on others that share the folder with working locks, sees it.
        // A read-only look asks for a shared lock, which a holder's lock refuses too.
        int lockError = 0;
        while (::flock(file.get(), (writable ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            lockError = errno;
            if (lockError != EINTR)
                break;
            lockError = 0;
        }
        const bool held = lockError == EWOULDBLOCK;
        const bool locksWork = lockError == 0 || held;
        reached(Step::Locked);

        // The name may lead elsewhere by now (the copy that held the mark removed it as
        // it ended, or another program put something else there): this lock is then on a
        // file no other copy looks at.
        struct stat now {};
        if (::lstat(native.constData(), &now) != 0 || now.st_dev != opened.st_dev ||
            now.st_ino != opened.st_ino)
            continue;
        QByteArray bytes;
        if (const int error = readAll(file.get(), bytes); error != 0)
            return notAMark(
                folder, path,
                QStringLiteral("\"%1\" could not be read: %2.").arg(path, reason(error)),
                foundOf(opened));
        if (bytes.size() > kSizeLimit)
            return notAMark(folder, path,
                            QStringLiteral("\"%1\" holds more than the %2 bytes of a lock "
                                           "Kesterly makes.")
                                .arg(path)
                                .arg(kSizeLimit),
                            foundOf(opened));
        const std::optional<MarkText> mark = readMark(bytes);
        if (held)
            return heldByAnotherCopy(folder, path, mark, opened);
        // An empty file is a mark whose copy ended before it wrote what it is.
        if (!bytes.isEmpty()) {
            if (!mark)
                return notAMark(
                    folder, path,
                    QStringLiteral("\"%1\" does not hold what Kesterly writes there.").arg(path),
                    foundOf(opened));
            // Free of any lock and made on this computer: the copy that made it has
            // ended (its lock went with it), or ran before the computer was restarted.
            if (!ofThisComputer(*mark))
                return anotherComputer(folder, *mark, opened);
            // Where the folder's file system has no locks, only the process tells.
            if (!locksWork && mark->boot == thisBoot() && processRuns(mark->process))
                return heldByAnotherCopy(folder, path, mark, opened);
        }

        if (!writable) {
            // A mark of a copy that has ended, which this user may not write: it gives way
            // to a new one of this copy.
            if (const int error = removeIfSame(native.constData(), opened.st_dev, opened.st_ino);
                error != 0 && error != ENOENT && error != EEXIST)
                return cannotMark(folder, path);
            continue;
        }
        Attempt taken{
            std::unique_ptr<AccountLock>(new AccountLock(path, file.release(), foundOf(opened))),
            {},
            {},
            {},
            {}};
        if (const int error = writeMark(taken.lock->descriptor_); error != 0)
            // The kernel lock keeps copies on this computer out all the same.
            taken.warning =
                QStringLiteral("Kesterly could not write what it is into \"%1\" (%2), so a "
                               "copy of Kesterly on another computer could open the account "
                               "in \"%3\" at the same time. Use it in this copy only.")
                    .arg(path, reason(error), folder);
        return taken;
    }
    return {nullptr,
            QStringLiteral("Kesterly could not look at \"%1\": another program replaced it "
                           "again and again meanwhile. Try again in a moment.")
                .arg(path),
            {},
            {},
            {}};
}

AccountLock::Attempt AccountLock::takeOver(const QString& folder, const Found& found) {
    const QString path = QDir(folder).filePath(fileName());
    if (found.exists) {
        // A link goes, not what it points to; a folder only when it is empty. Whatever
        // was put there since the user was asked stays, and is looked at afresh.
        const int error = removeIfSame(QFile::encodeName(path).constData(), dev_t(found.device),
                                       ino_t(found.inode), found.changed);
        if (error != 0 && error != ENOENT && error != EEXIST)
            return {nullptr,
                    QStringLiteral("Could not remove \"%1\": %2. Remove it yourself, then open "
                                   "the account again.")
                        .arg(path, reason(error)),
                    {},
                    {},
                    found};
    }
    return take(folder);
}

} // namespace kesterly::account
