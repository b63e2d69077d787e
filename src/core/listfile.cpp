#include "core/listfile.h"

#include "core/numbertext.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace kesterly::listfile {

using namespace plainfile;
using namespace listtext;

namespace {

// A file read in pieces of a few megabytes, so that no file needs a buffer of its size.
// Each piece may begin with bytes kept from the one before (a line not yet ended).
class Pieces {
public:
    // `size` is the file's size as it was seen: a small file takes a small buffer. With
    // `end` given, no byte past it is read.
    Pieces(int fd, qint64 size, qint64 end = -1)
        : fd_(fd), buffer_(qsizetype(std::clamp<qint64>(size + 1, 64, kPiece)), Qt::Uninitialized),
          end_(end) {}

    // Reads on after keeping the last `keep` bytes of the current piece at its start;
    // false at the end of the file (the kept bytes are then the piece) or on an error.
    bool next(qsizetype keep) {
        std::memmove(buffer_.data(), buffer_.constData() + size_ - keep, size_t(keep));
        size_ = keep;
        // A line longer than the buffer makes it grow.
        if (keep > buffer_.size() / 2)
            buffer_.resize(buffer_.size() * 2);
        qint64 room = buffer_.size() - size_;
        if (end_ >= 0)
            room = std::min(room, end_ - total_);
        if (room <= 0)
            return false;
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_.data() + size_, size_t(room));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                error_ = errno;
            if (got <= 0)
                return false;
            size_ += got;
            // A file that grows while it is read stops at the limit as a larger one does.
            total_ += got;
            if (total_ > kListSizeLimit) {
                error_ = EFBIG;
                return false;
            }
            return true;
        }
    }
    QByteArrayView piece() const { return QByteArrayView(buffer_.constData(), size_); }
    // Where the piece begins in the file.
    qint64 position() const { return total_ - size_; }
    int error() const { return error_; }

private:
    static constexpr qsizetype kPiece = 4 << 20;
    int fd_;
    QByteArray buffer_;
    qint64 end_;
    qsizetype size_ = 0;
    qint64 total_ = 0;
    int error_ = 0;
};

// Counts the line ends in the bytes into `counted`, up to `most` in all; returns where the
// bytes go on after the line end that makes `most`, or -1 when they hold fewer.
qsizetype pastLineEnds(QByteArrayView bytes, qsizetype most, qsizetype& counted) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (counted < most && at < end) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        if (!newline)
            return -1;
        at = newline + 1;
        ++counted;
    }
    return counted == most ? at - bytes.data() : -1;
}

QString folderOf(const QString& path) {
    return QFileInfo(path).path();
}

} // namespace

QString typedField(const QString& field) {
    if (const auto number = strictNumber(field))
        return numberToText(*number);
    return field;
}

Outcome appendLine(const QString& path, const QString& text) {
    const std::lock_guard turn(journal::saveTurn());
    if (QString problem = lineBreakProblem(path, {text}); !problem.isEmpty())
        return Outcome::failure(problem);
    Descriptor file(::open(native(path).constData(),
                           O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                           0666));
    if (!file.valid()) {
        const int error = errno;
        QString why = openProblem(path, error);
        struct stat info {};
        if ((error == EACCES || error == EPERM) && ::lstat(native(path).constData(), &info) == 0 &&
            S_ISREG(info.st_mode)) {
            if (QString kept = protectionProblem(info); !kept.isEmpty())
                why = kept;
        }
        return Outcome::failure(
            QStringLiteral("Could not open \"%1\" to add to it: %2.").arg(path, why));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) == 0) {
        QString why = kindProblem(info);
        if (why.isEmpty())
            why = protectionProblem(info);
        if (!why.isEmpty())
            return Outcome::failure(
                QStringLiteral("Could not open \"%1\" to add to it: %2.").arg(path, why));
    }
    int error = writeDurably(file, linesOf({text}));
    if (!error)
        error = syncFolder(folderOf(path));
    if (error)
        return Outcome::failure(
            QStringLiteral("Could not write to \"%1\": %2.").arg(path, reason(error)));
    return Outcome::success();
}

Outcome writeList(const QString& path, const QStringList& texts) {
    return writeFiles({{path, texts}});
}

Outcome writeValue(const QString& path, const QString& text,
                   const std::optional<FileStamp>& expected) {
    return writeFiles({{path, {text}, expected}});
}

namespace {

std::function<void(WriteStep)>& writePause() {
    static std::function<void(WriteStep)> pause;
    return pause;
}

void pauseAt(WriteStep step) {
    if (const std::function<void(WriteStep)>& pause = writePause())
        pause(step);
}

// Why the name in the folder open as `folder` is not to be replaced: it is one of the
// kept files, by its own folder and name or as the same file. Files are looked at from
// the account folder without following a link, as the program reads them; a folder
// mounted a second time, or a hard link, has the same device and number as the file.
QString keptProblem(int folder, const QByteArray& name, const KeptFiles& kept) {
    if (kept.folder.isEmpty())
        return {};
    struct stat target {};
    if (::fstat(folder, &target) != 0)
        return reason(errno);
    struct stat file {};
    const bool exists = ::fstatat(folder, name.constData(), &file, AT_SYMLINK_NOFOLLOW) == 0;
    const Descriptor account(
        ::open(native(kept.folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!account.valid())
        return QStringLiteral("the account folder \"%1\" could not be looked at to make sure "
                              "that this is none of its files: %2")
            .arg(kept.folder, reason(errno));
    for (const QString& relative : kept.files) {
        const QByteArray inside = native(relative);
        const qsizetype slash = inside.lastIndexOf('/');
        struct stat keptFolder {};
        const int looked = slash < 0 ? ::fstat(account.get(), &keptFolder)
                                     : ::fstatat(account.get(), inside.first(slash).constData(),
                                                 &keptFolder, AT_SYMLINK_NOFOLLOW);
        // A subfolder that is a link holds none of the account's files.
        if (looked != 0 || !S_ISDIR(keptFolder.st_mode))
            continue;
        bool same = sameFile(keptFolder, target) && inside.sliced(slash + 1) == name;
        struct stat keptFile {};
        if (!same && exists &&
            ::fstatat(account.get(), inside.constData(), &keptFile, AT_SYMLINK_NOFOLLOW) == 0)
            same = S_ISREG(keptFile.st_mode) && sameFile(keptFile, file);
        if (same)
            return QStringLiteral("it is the account's own \"%1\" under another name, and the "
                                  "account's files are never written over")
                .arg(kept.folder + QLatin1Char('/') + relative);
    }
    return {};
}

// Why the file of that name in the folder is not replaced: a link, a folder, a device, a
// file set read-only or one of another user. Empty when there is no such file (`exists`
// false) or a plain one it may replace; its permissions then go into `mode`.
QString replaceProblem(int folder, const QByteArray& name, bool& exists, mode_t& mode) {
    struct stat old {};
    exists = ::fstatat(folder, name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists)
        return {};
    mode = old.st_mode & 07777;
    // A new file put in a link's place would cut the link, and one written through it
    // would land where the user did not look: neither is done.
    if (S_ISLNK(old.st_mode))
        return QStringLiteral("it is a link to another file, and Kesterly does not replace "
                              "links; choose the file it points to, or another name");
    if (QString why = kindProblem(old); !why.isEmpty())
        return why;
    return protectionProblem(old);
}

} // namespace

QString bytesTargetProblem(const QString& path, const KeptFiles& kept, bool* exists) {
    const QFileInfo target(path);
    const QByteArray name = native(target.fileName());
    if (name.isEmpty())
        return QStringLiteral("it is a folder, not a file");
    const Descriptor folder(
        ::open(native(target.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return reason(errno);
    if (QString why = keptProblem(folder.get(), name, kept); !why.isEmpty())
        return why;
    bool there = false;
    mode_t mode = 0;
    QString why = replaceProblem(folder.get(), name, there, mode);
    // Where a file may be put beside the one there is writeBytes's to find out; a folder
    // the user may not write in is said here, before any question about replacing.
    if (why.isEmpty() && ::faccessat(folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        why = reason(errno);
    if (exists)
        *exists = there;
    return why;
}

void setWriteBytesPause(std::function<void(WriteStep)> pause) {
    writePause() = std::move(pause);
}

Outcome writeBytes(const QString& path, QByteArrayView bytes, const KeptFiles& kept) {
    const std::lock_guard turn(journal::saveTurn());
    const auto refused = [&path](const QString& why) {
        return Outcome::failure(
            QStringLiteral("Could not write \"%1\": %2. Nothing was written.").arg(path, why));
    };
    pauseAt(WriteStep::Starting);
    const QFileInfo target(path);
    const QByteArray name = native(target.fileName());
    if (name.isEmpty())
        return refused(QStringLiteral("it is a folder, not a file"));
    // The folder is opened once, where its path leads now, and everything after is done in
    // it: a folder swapped for a link meanwhile leads nowhere else.
    const Descriptor folder(
        ::open(native(target.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return refused(reason(errno));
    if (QString why = keptProblem(folder.get(), name, kept); !why.isEmpty())
        return refused(why);
    bool exists = false;
    mode_t mode = 0;
    if (QString why = replaceProblem(folder.get(), name, exists, mode); !why.isEmpty())
        return refused(why);
    const auto failed = [&](const QString& why) {
        return exists ? writeFailure(path, why) : refused(why);
    };

    // Written whole beside the file and flushed to the disk, then put in its place.
    const QByteArray fresh = native(journal::freshName(target.fileName()));
    ::unlinkat(folder.get(), fresh.constData(), 0);
    Descriptor out(::openat(folder.get(), fresh.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid())
        return failed(reason(errno));
    auto dropFresh = qScopeGuard([&] { ::unlinkat(folder.get(), fresh.constData(), 0); });
    // The new file keeps the old one's permissions.
    if (exists && ::fchmod(out.get(), mode) != 0)
        return failed(reason(errno));
    if (const int error = writeDurably(out, bytes))
        return failed(reason(error));
    pauseAt(WriteStep::Renaming);
    // The name is looked at again just before the new file takes it: what it stands for may
    // have changed while the file was written.
    if (QString why = keptProblem(folder.get(), name, kept); !why.isEmpty())
        return refused(why);
    if (QString why = replaceProblem(folder.get(), name, exists, mode); !why.isEmpty())
        return refused(why);
    if (::renameat(folder.get(), fresh.constData(), folder.get(), name.constData()) != 0)
        return failed(reason(errno));
    dropFresh.dismiss();
    // Some file systems cannot sync a folder and say so; their names are written anyway.
    if (::fsync(folder.get()) != 0 && errno != EINVAL)
        return Outcome::failure(
            QStringLiteral("\"%1\" was written, but its folder could not be written to the "
                           "disk: %2. The file may be lost if the computer stops now.")
                .arg(path, reason(errno)));
    return Outcome::success();
}

Read<ListContent> readListContent(const QString& path, qsizetype mostLines) {
    const auto failed = [&path](const QString& why) {
        return Read<ListContent>{std::nullopt,
                                 QStringLiteral("Could not read \"%1\": %2.").arg(path, why)};
    };
    Descriptor file;
    struct stat info {};
    if (QString why = openPlainFile(path, file, info); !why.isEmpty())
        return failed(why);
    if (info.st_size > kListSizeLimit)
        return failed(
            QStringLiteral("it holds %1 MB, more than the %2 MB an account list can hold, so it "
                           "is not read")
                .arg((info.st_size + 1024 * 1024 - 1) / (1024 * 1024))
                .arg(kListSizeLimit / (1024 * 1024)));
    ListContent content;
    content.stamp = stampFrom(info);

    // First how the file is written: UTF-8 when it is valid UTF-8 from end to end, or up
    // to the last line that is read. A sequence cut by the end of a piece is looked at
    // with the next one.
    bool high = false;
    bool valid = true;
    qsizetype keep = 0;
    // Where the lines that are read end, when the file holds more than `mostLines`.
    qint64 readTo = -1;
    qsizetype lineEnds = 0;
    for (Pieces pieces(file.get(), info.st_size); pieces.next(keep) || pieces.error();) {
        if (pieces.error())
            return failed(reason(pieces.error()));
        QByteArrayView piece = pieces.piece();
        if (mostLines >= 0) {
            // The bytes kept from the piece before are part of a character, never a line end.
            if (const qsizetype past = pastLineEnds(piece.sliced(keep), mostLines, lineEnds);
                past >= 0) {
                readTo = pieces.position() + keep + past;
                content.cut = keep + past < piece.size();
                piece = piece.first(keep + past);
            }
        }
        high = high || hasHighByte(piece);
        keep = 0;
        if (high && valid) {
            const qsizetype complete = completeUpTo(piece);
            valid = piece.first(complete).isValidUtf8();
            keep = piece.size() - complete;
        }
        if (readTo >= 0) {
            // One more byte says whether anything follows the last line read.
            content.cut = content.cut || pieces.next(0);
            if (pieces.error())
                return failed(reason(pieces.error()));
            break;
        }
    }
    // A sequence left unfinished at the end of the file is no UTF-8.
    valid = valid && keep == 0;
    content.charset = !high ? Charset::Ascii : valid ? Charset::Utf8 : Charset::Windows1252;

    // Then its lines, from the start again.
    if (::lseek(file.get(), 0, SEEK_SET) != 0)
        return failed(reason(errno));
    Pieces pieces(file.get(), info.st_size, content.cut ? readTo : -1);
    keep = 0;
    bool first = true;
    for (;;) {
        const bool more = pieces.next(keep);
        if (pieces.error())
            return failed(reason(pieces.error()));
        const QByteArrayView piece = pieces.piece();
        const char* at = piece.data();
        const char* const end = at + piece.size();
        // A UTF-8 file may begin with a byte order mark, which is no character of its text.
        if (first && (piece.size() >= kByteOrderMark.size() || !more)) {
            first = false;
            if (content.charset == Charset::Utf8 && piece.startsWith(kByteOrderMark))
                at += kByteOrderMark.size();
        }
        at = addEndedLines(content.texts, at, end, content.charset);
        if (!more) {
            // The last line may lack its line end.
            if (at < end)
                addField(content.texts, at, end, content.charset);
            break;
        }
        keep = end - at;
    }
    // A file that grew between the two readings stops at the limit all the same.
    if (mostLines >= 0 && content.texts.size() > mostLines) {
        content.texts.resize(mostLines);
        content.cut = true;
    }
    return {std::move(content), {}};
}

Read<QByteArray> readSmallFile(const QString& path, qint64 limit) {
    return readBytes(path, limit);
}

Read<QStringList> readList(const QString& path) {
    Read<ListContent> content = readListContent(path);
    if (!content.ok())
        return {std::nullopt, content.error};
    return {std::move(content.value->texts), {}};
}

Read<QString> readValue(const QString& path) {
    // Only the first line counts: a file of millions more takes no memory for them.
    const Read<ListContent> content = readListContent(path, 1);
    if (!content.ok())
        return {std::nullopt, content.error};
    if (content.value->texts.isEmpty())
        return {std::nullopt, QStringLiteral("\"%1\" holds no value.").arg(path)};
    return {typedField(content.value->texts.first()), {}};
}

Outcome flushFolder(const QString& folder) {
    if (const int error = syncFolder(folder))
        return Outcome::failure(QStringLiteral("Could not write the folder \"%1\" to the disk: %2.")
                                    .arg(folder, reason(error)));
    return Outcome::success();
}

} // namespace kesterly::listfile
