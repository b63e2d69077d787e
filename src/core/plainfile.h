#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

// Plain files as an account keeps them, one descriptor at a time. A file is opened without
// following a link and without waiting on a pipe, checked on the descriptor it was opened
// with (a regular file, the user's own, not set read-only), and then read or written
// through that same descriptor, so that the file that was checked is the file that is
// written. Writes are flushed to the disk before anything counts on them, and so are the
// names of a folder. What the files hold, and how several are saved together, is for
// listfile and savejournal.
namespace kesterly::listfile {

// The outcome of one file operation: done (perhaps with something the user should know),
// not done with a sentence a user can read that names the file and what went wrong, or
// not done because another program changed a file since it was read.
class Outcome {
public:
    static Outcome success() { return Outcome(Kind::Done, {}); }
    // Done: the change is on disk, but the user should know what the disk reported.
    static Outcome successWithNote(QString note) { return Outcome(Kind::Done, std::move(note)); }
    static Outcome failure(QString message) { return Outcome(Kind::Failed, std::move(message)); }
    // Nothing was written, because another program wrote to, replaced or removed a file
    // since it was read: the caller reads the files again before anything else.
    static Outcome changedOutside(QString message) {
        return Outcome(Kind::Changed, std::move(message));
    }
    bool ok() const { return kind_ == Kind::Done; }
    explicit operator bool() const { return ok(); }
    bool changed() const { return kind_ == Kind::Changed; }
    // Why it failed; for a success, the note (empty when there is none).
    QString message() const { return message_; }

private:
    enum class Kind { Done, Failed, Changed };
    Outcome(Kind kind, QString message) : kind_(kind), message_(std::move(message)) {}
    Kind kind_;
    QString message_;
};

template <class T> struct Read {
    std::optional<T> value;
    QString error; // set when value is empty
    bool ok() const { return value.has_value(); }
};

// What a file was when it was last read or written here: enough to tell that another
// program has written to it, replaced it or removed it since.
struct FileStamp {
    bool exists = false;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;  // nanoseconds; a program that sets the time back still moves this
    bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const QString& path);

} // namespace kesterly::listfile

// The operating-system side, shared by the file modules of core.
namespace kesterly::plainfile {

using listfile::FileStamp;
using listfile::Read;

QByteArray native(const QString& path);
// The system's own words for an error number ("No space left on device").
QString reason(int error);
// Why a file that is there cannot be read or written as an account file (a link, a
// folder, a device); empty for a regular file.
QString kindProblem(const struct stat& info);
// Why a regular file the user has kept from being changed is not written: one set
// read-only or one of another user.
QString protectionProblem(const struct stat& info);
// After a failed open: what is at the path when it is not a plain file, or else the
// system's reason.
QString openProblem(const QString& path, int error);
// Why a file of this many bytes is not read: larger than `limit`, which none of ours is.
QString sizeProblem(qint64 size, qint64 limit);
FileStamp stampFrom(const struct stat& info);
// Whether the two are the same file: the same device and inode.
bool sameFile(const struct stat& a, const struct stat& b);
// A write that did not happen, in the words every save uses: the file, why, and that it
// keeps what it held.
listfile::Outcome writeFailure(const QString& path, const QString& why);

// A file descriptor that is closed when it goes out of scope, unless it was closed before
// with close(), which reports the result.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(-1); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    // Holds another descriptor, closing the one held before.
    void reset(int fd);
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; 0 or the error number (a network file system may report a failed write
    // only here).
    int close();

private:
    int fd_ = -1;
};

// Writes every byte (at the offset `at`, when one is given); 0 or the error number.
int writeAll(int fd, QByteArrayView bytes, off_t at = -1);
// Flushes what was written to the disk and closes the file; 0 or the error number.
int syncAndClose(Descriptor& file);
// writeAll, then syncAndClose.
int writeDurably(Descriptor& file, QByteArrayView bytes, off_t at = -1);
// The `size` bytes at `offset`, fewer only where the file ends; nothing on an error.
std::optional<QByteArray> readAt(int fd, qint64 offset, qint64 size);
// The stat of an open file; the error number in `error` when it fails.
std::optional<struct stat> statOf(int fd, int* error = nullptr);
// The stat of a name in a folder, not following a link; nothing when there is none (or it
// cannot be seen: the error number goes into `error`, ENOENT when there is none).
std::optional<struct stat> statAt(int folder, const QString& name, int* error = nullptr);

// Makes the names in a folder (new, replaced, removed) last on the disk; 0 or the error
// number. Some file systems cannot sync a folder and say so; their names are written
// anyway.
int syncFolder(const QString& folder);
int syncFolder(int folder);

// Opens a plain file for reading, as every account file is read: not following a link,
// not blocking (a pipe in a file's place must not hang the program), and only when it is
// a regular file. Returns why it cannot be read; empty when `file` and `info` are set.
QString openPlainFile(const QString& path, Descriptor& file, struct stat& info);
// The bytes of a plain file of at most `limit` bytes; a larger one, a link, a folder, a
// pipe or a device is refused without being read.
Read<QByteArray> readBytes(const QString& path, qint64 limit, FileStamp* stamp = nullptr);
// How many values a list file of these bytes holds: its lines, the last one counted also
// without a line end. Read through the descriptor from its start.
std::optional<qint64> countLines(int fd, qint64 size);

} // namespace kesterly::plainfile
