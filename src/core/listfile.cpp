#include "core/listfile.h"

#include "core/numbertext.h"

#include <QFileInfo>
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
    // `size` is the file's size as it was seen: a small file takes a small buffer.
    Pieces(int fd, qint64 size)
        : fd_(fd), buffer_(qsizetype(std::clamp<qint64>(size + 1, 64, kPiece)), Qt::Uninitialized) {
    }

    // Reads on after keeping the last `keep` bytes of the current piece at its start;
    // false at the end of the file (the kept bytes are then the piece) or on an error.
    bool next(qsizetype keep) {
        std::memmove(buffer_.data(), buffer_.constData() + size_ - keep, size_t(keep));
        size_ = keep;
        // A line longer than the buffer makes it grow.
        if (keep > buffer_.size() / 2)
            buffer_.resize(buffer_.size() * 2);
        for (;;) {
            const ssize_t got = ::read(fd_, buffer_.data() + size_, size_t(buffer_.size() - size_));
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
    int error() const { return error_; }

private:
    static constexpr qsizetype kPiece = 4 << 20;
    int fd_;
    QByteArray buffer_;
    qsizetype size_ = 0;
    qint64 total_ = 0;
    int error_ = 0;
};

QString folderOf(const QString& path) {
    return QFileInfo(path).path();
}

Outcome writeFailure(const QString& path, const QString& why) {
    return Outcome::failure(
        QStringLiteral("Could not write \"%1\": %2. The file keeps what it held before.")
            .arg(path, why));
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

Outcome writeBytes(const QString& path, QByteArrayView bytes) {
    const std::lock_guard turn(journal::saveTurn());
    const auto refused = [&path](const QString& why) {
        return Outcome::failure(
            QStringLiteral("Could not write \"%1\": %2. Nothing was written.").arg(path, why));
    };
    struct stat old {};
    const bool exists = ::lstat(native(path).constData(), &old) == 0;
    if (exists) {
        // A new file put in a link's place would cut the link, and one written through it
        // would land where the user did not look: neither is done.
        QString why = S_ISLNK(old.st_mode)
                          ? QStringLiteral("it is a link to another file, and Kesterly does not "
                                           "replace links; choose the file it points to, or "
                                           "another name")
                          : kindProblem(old);
        if (why.isEmpty())
            why = protectionProblem(old);
        if (!why.isEmpty())
            return refused(why);
    }
    const auto failed = [&](const QString& why) {
        return exists ? writeFailure(path, why) : refused(why);
    };
    // The bytes go beside the file first, whole and flushed, and then take its place.
    const QString fresh =
        folderOf(path) + QLatin1Char('/') + journal::freshName(QFileInfo(path).fileName());
    ::unlink(native(fresh).constData());
    Descriptor out(::open(native(fresh).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.valid())
        return failed(reason(errno));
    int error = exists && ::fchmod(out.get(), old.st_mode & 07777) != 0 ? errno : 0;
    if (!error)
        error = writeDurably(out, bytes);
    if (!error && ::rename(native(fresh).constData(), native(path).constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(native(fresh).constData());
        return failed(reason(error));
    }
    if ((error = syncFolder(folderOf(path))))
        return Outcome::failure(
            QStringLiteral("\"%1\" was written, but its folder could not be written to the "
                           "disk: %2. The file may be lost if the computer stops now.")
                .arg(path, reason(error)));
    return Outcome::success();
}

Read<ListContent> readListContent(const QString& path) {
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

    // First how the file is written: UTF-8 when it is valid UTF-8 from end to end. A
    // sequence cut by the end of a piece is looked at with the next one.
    bool high = false;
    bool valid = true;
    qsizetype keep = 0;
    for (Pieces pieces(file.get(), info.st_size); pieces.next(keep) || pieces.error();) {
        if (pieces.error())
            return failed(reason(pieces.error()));
        const QByteArrayView piece = pieces.piece();
        high = high || hasHighByte(piece);
        keep = 0;
        if (high && valid) {
            const qsizetype complete = completeUpTo(piece);
            valid = piece.first(complete).isValidUtf8();
            keep = piece.size() - complete;
        }
    }
    // A sequence left unfinished at the end of the file is no UTF-8.
    valid = valid && keep == 0;
    content.charset = !high ? Charset::Ascii : valid ? Charset::Utf8 : Charset::Windows1252;

    // Then its lines, from the start again.
    if (::lseek(file.get(), 0, SEEK_SET) != 0)
        return failed(reason(errno));
    Pieces pieces(file.get(), info.st_size);
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
    const Read<QStringList> list = readList(path);
    if (!list.ok())
        return {std::nullopt, list.error};
    if (list.value->isEmpty())
        return {std::nullopt, QStringLiteral("\"%1\" holds no value.").arg(path)};
    return {typedField(list.value->first()), {}};
}

Outcome flushFolder(const QString& folder) {
    if (const int error = syncFolder(folder))
        return Outcome::failure(QStringLiteral("Could not write the folder \"%1\" to the disk: %2.")
                                    .arg(folder, reason(error)));
    return Outcome::success();
}

} // namespace kesterly::listfile
