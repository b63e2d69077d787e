#include "core/plainfile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kesterly::listfile {

FileStamp stampOf(const QString& path) {
    struct stat info {};
    if (::lstat(plainfile::native(path).constData(), &info) != 0)
        return {};
    return plainfile::stampFrom(info);
}

} // namespace kesterly::listfile

namespace kesterly::plainfile {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString kindProblem(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a link to another file, and Kesterly reads and writes only "
                              "the account's own files");
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder, not a file");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a plain file");
    return {};
}

// A rewrite puts a new file in the old one's place, which the folder allows whatever the
// file's own rights, so they are asked here.
QString protectionProblem(const struct stat& info) {
    if (info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user of this computer, and Kesterly "
                              "changes only files of the user it runs as");
    if ((info.st_mode & S_IWUSR) == 0)
        return QStringLiteral("it is set read-only; allow changes to it to save here");
    return {};
}

QString openProblem(const QString& path, int error) {
    struct stat info {};
    if (::lstat(native(path).constData(), &info) == 0) {
        if (QString why = kindProblem(info); !why.isEmpty())
            return why;
    }
    return reason(error);
}

QString sizeProblem(qint64 size, qint64 limit) {
    return QStringLiteral("it holds %1 bytes, more than the %2 bytes a file of its kind can "
                          "hold, so it is not one Kesterly wrote")
        .arg(size)
        .arg(limit);
}

FileStamp stampFrom(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = static_cast<qint64>(info.st_dev);
    stamp.inode = static_cast<qint64>(info.st_ino);
    stamp.size = static_cast<qint64>(info.st_size);
    stamp.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changed = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

listfile::Outcome writeFailure(const QString& path, const QString& why) {
    return listfile::Outcome::failure(
        QStringLiteral("Could not write \"%1\": %2. The file keeps what it held before.")
            .arg(path, why));
}

void Descriptor::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

int Descriptor::close() {
    const int fd = release();
    return ::close(fd) == 0 ? 0 : errno;
}

int writeAll(int fd, QByteArrayView bytes, off_t at) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const auto size = static_cast<size_t>(left);
        const ssize_t written = at < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, at);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= written;
        if (at >= 0)
            at += written;
    }
    return 0;
}

int syncAndClose(Descriptor& file) {
    if (::fsync(file.get()) != 0)
        return errno;
    return file.close();
}

int writeDurably(Descriptor& file, QByteArrayView bytes, off_t at) {
    if (const int error = writeAll(file.get(), bytes, at))
        return error;
    return syncAndClose(file);
}

std::optional<QByteArray> readAt(int fd, qint64 offset, qint64 size) {
    QByteArray bytes(static_cast<qsizetype>(std::max<qint64>(size, 0)), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + filled, size_t(bytes.size() - filled),
                                    off_t(offset + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

std::optional<struct stat> statOf(int fd, int* error) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    return info;
}

std::optional<struct stat> statAt(int folder, const QString& name, int* error) {
    struct stat info {};
    if (::fstatat(folder, native(name).constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    return info;
}

int syncFolder(int folder) {
    if (::fsync(folder) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

int syncFolder(const QString& folder) {
    Descriptor dir(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return errno;
    if (const int error = syncFolder(dir.get()))
        return error;
    return dir.close();
}

QString openPlainFile(const QString& path, Descriptor& file, struct stat& info) {
    file.reset(::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid())
        return openProblem(path, errno);
    if (::fstat(file.get(), &info) != 0)
        return reason(errno);
    return kindProblem(info);
}

Read<QByteArray> readBytes(const QString& path, qint64 limit, FileStamp* stamp) {
    const auto failed = [&path](const QString& why) {
        return Read<QByteArray>{std::nullopt,
                                QStringLiteral("Could not read \"%1\": %2.").arg(path, why)};
    };
    Descriptor file;
    struct stat info {};
    if (QString why = openPlainFile(path, file, info); !why.isEmpty())
        return failed(why);
    if (info.st_size > limit)
        return failed(sizeProblem(info.st_size, limit));
    if (stamp)
        *stamp = stampFrom(info);
    // Read straight into one buffer of the file's size, grown should the file grow, but
    // never past the limit.
    QByteArray bytes(static_cast<qsizetype>(info.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled > limit)
            return failed(sizeProblem(filled, limit));
        if (filled == bytes.size())
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, qsizetype(limit) + 1));
        const ssize_t got =
            ::read(file.get(), bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failed(reason(errno));
        }
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return {std::move(bytes), {}};
}

std::optional<qint64> countLines(int fd, qint64 size) {
    constexpr qint64 kPiece = 1 << 20;
    qint64 lines = 0;
    qint64 at = 0;
    char last = '\n';
    for (;;) {
        const std::optional<QByteArray> piece = readAt(fd, at, std::clamp<qint64>(size, 1, kPiece));
        if (!piece)
            return std::nullopt;
        if (piece->isEmpty())
            break;
        lines += piece->count('\n');
        last = piece->back();
        at += piece->size();
    }
    // A UTF-8 byte order mark alone is no value.
    if (at == 3 && last != '\n') {
        const std::optional<QByteArray> start = readAt(fd, 0, 3);
        if (start && *start == "\xEF\xBB\xBF")
            return 0;
    }
    return lines + (last != '\n' ? 1 : 0);
}

} // namespace kesterly::plainfile
