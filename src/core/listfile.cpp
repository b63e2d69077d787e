#include "core/listfile.h"

#include "core/numbertext.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace kesterly::listfile {

namespace {

// Saves are made one at a time in this program, whichever thread makes them: two saves in
// one folder would share its journal. Reading needs no turn.
std::recursive_mutex& saveTurn() {
    static std::recursive_mutex turn;
    return turn;
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five unassigned bytes map to
// the control characters of the same number so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The hidden files of a save: the new content of "X.txt" is written to ".X.txt" followed
// by this suffix, and the list of files being put in place to the journal.
const QString kNewSuffix = QStringLiteral(".kesterly-new");
const QString kJournal = QStringLiteral(".kesterly-save");
const QByteArray kJournalStart = "Kesterly save\n";
// A journal of added lines: "add NAME EARLIER-LENGTH BASE64-BYTES" and "put NAME" lines.
const QByteArray kAppendJournalStart = "Kesterly append\n";
const QByteArray kJournalEnd = "end\n";

std::optional<char> toWindows1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

// The text in Windows-1252, when every character fits.
std::optional<QByteArray> windows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const auto single = toWindows1252(c.unicode());
        if (!single)
            return std::nullopt;
        bytes += *single;
    }
    return bytes;
}

bool isAscii(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// The text, when the bytes are valid UTF-8.
std::optional<QString> fromUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// The system's own words for an error number ("No space left on device").
QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a file that is there cannot be read or written as an account file; empty for a
// plain file.
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

// Why a plain file the user has kept from being changed is not written: one set read-only
// or one of another user. A rewrite puts a new file in the old one's place, which the
// folder allows whatever the file's own rights, so they are asked here.
QString protectionProblem(const struct stat& info) {
    if (info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user of this computer, and Kesterly "
                              "changes only files of the user it runs as");
    if ((info.st_mode & S_IWUSR) == 0)
        return QStringLiteral("it is set read-only; allow changes to it to save here");
    return {};
}

// After a failed open: what is at the path when it is not a plain file, or else the
// system's reason.
QString openProblem(const QString& path, int error) {
    struct stat info {};
    if (::lstat(native(path).constData(), &info) == 0) {
        if (QString why = kindProblem(info); !why.isEmpty())
            return why;
    }
    return reason(error);
}

// A file descriptor that is closed when it goes out of scope, unless it was closed
// before with close(), which reports the result.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    // Holds another descriptor, closing the one held before.
    void reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // A network file system may report a failed write only here.
    int close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_ = -1;
};

// Writes every byte (at the offset `at`, when one is given); 0 or the error number.
int writeAll(int fd, QByteArrayView bytes, off_t at = -1) {
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

// Flushes what was written to the disk and closes the file; 0 or the error number.
int syncAndClose(Descriptor& file) {
    if (::fsync(file.get()) != 0)
        return errno;
    return file.close();
}

// Writes every byte (at the offset `at`, when one is given), flushes them to the disk and
// closes the file; 0 or the error number.
int writeDurably(Descriptor& file, QByteArrayView bytes, off_t at = -1) {
    if (const int error = writeAll(file.get(), bytes, at))
        return error;
    return syncAndClose(file);
}

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

// Makes the names in a folder (new, replaced, removed) last on the disk.
int syncFolder(const QString& folder) {
    Descriptor dir(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return errno;
    // Some file systems cannot sync a folder and say so; their names are written anyway.
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        return errno;
    return dir.close();
}

QString folderOf(const QString& path) {
    return QFileInfo(path).path();
}

QString newFileFor(const QString& path) {
    const QFileInfo file(path);
    return file.path() + QLatin1String("/.") + file.fileName() + kNewSuffix;
}

// A value holding a line break would come back as two values and shift every later
// row of its table; such a value is never written.
QString lineBreakProblem(const QString& path, const QStringList& texts) {
    for (const QString& text : texts) {
        const auto stop = std::find_if(text.cbegin(), text.cend(), [](QChar c) {
            return c == QLatin1Char('\r') || c == QLatin1Char('\n');
        });
        if (stop != text.cend())
            return QStringLiteral("Could not write \"%1\": the text \"%2\" holds a line break, "
                                  "which would split it into two lines. Nothing was written.")
                .arg(path, text.first(stop - text.cbegin()));
    }
    return {};
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

// Why a file of this many bytes is not read: larger than `limit`, which none of ours is.
QString sizeProblem(qint64 size, qint64 limit) {
    return QStringLiteral("it holds %1 bytes, more than the %2 bytes a file of its kind can "
                          "hold, so it is not one Kesterly wrote")
        .arg(size)
        .arg(limit);
}

// Opens a plain file for reading, as every account file is read: not following a link,
// not blocking (a pipe in a file's place must not hang the program), and only when it is
// a regular file. Returns why it cannot be read; empty when `file` and `info` are set.
QString openPlainFile(const QString& path, Descriptor& file, struct stat& info) {
    file.reset(::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid())
        return openProblem(path, errno);
    if (::fstat(file.get(), &info) != 0)
        return reason(errno);
    return kindProblem(info);
}

Read<QByteArray> readBytes(const QString& path, FileStamp* stamp = nullptr,
                           qint64 limit = kListSizeLimit) {
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

// Removes the hidden new files a save left behind before it reached its journal.
void removeLeftovers(const QString& folder) {
    DIR* dir = ::opendir(native(folder).constData());
    if (!dir)
        return;
    QStringList leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(QLatin1Char('.')) && name.endsWith(kNewSuffix))
            leftovers << folder + QLatin1Char('/') + name;
    }
    ::closedir(dir);
    for (const QString& path : leftovers) {
        struct stat info {};
        if (::lstat(native(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode))
            ::unlink(native(path).constData());
    }
}

} // namespace

namespace {

// The bytes of a line added after the lines a file holds, written as the file is; none
// when the file is in Windows-1252 and the text does not fit it.
std::optional<QByteArray> addedBytes(Charset file, const QString& text) {
    if (file == Charset::Utf8)
        return text.toUtf8();
    const std::optional<QByteArray> single = windows1252(text);
    if (!single)
        return file == Charset::Ascii ? std::optional(text.toUtf8()) : std::nullopt;
    // After plain ASCII, Windows-1252 bytes that happen to be valid UTF-8 would turn the
    // whole file into UTF-8 ("Ã©" would come back as "é").
    if (file == Charset::Ascii && !isAscii(text) && fromUtf8(*single))
        return text.toUtf8();
    return single;
}

} // namespace

Charset charsetAfterAdding(Charset file, const QString& text) {
    if (file == Charset::Utf8 || isAscii(text))
        return file;
    // A file in Windows-1252 that gets a character it cannot hold is rewritten in UTF-8.
    const std::optional<QByteArray> bytes = addedBytes(file, text);
    return bytes && *bytes != text.toUtf8() ? Charset::Windows1252 : Charset::Utf8;
}

FileStamp stampOf(const QString& path) {
    struct stat info {};
    if (::lstat(native(path).constData(), &info) != 0)
        return {};
    return stampFrom(info);
}

namespace {

bool hasHighByte(QByteArrayView bytes) {
    // Eight bytes at a time: the reading of a large file is bound by memory, not by this.
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    std::uint64_t high = 0;
    for (; end - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        high |= word;
    }
    for (; at < end; ++at)
        high |= static_cast<unsigned char>(*at);
    return high & 0x8080808080808080ULL;
}

// One field's bytes as text, in the file's characters.
QString fieldText(const char* at, qsizetype size, Charset charset) {
    switch (charset) {
    case Charset::Ascii:
        return QString::fromLatin1(at, size);
    case Charset::Utf8:
        if (size >= 3 && std::memcmp(at, "\xEF\xBB\xBF", 3) == 0) {
            // A byte order mark inside the file is a character of its line (only the one
            // at the very start of a file is dropped); QString::fromUtf8 would drop it.
            QStringDecoder keep(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                          QStringDecoder::Flag::ConvertInitialBom);
            return keep.decode(QByteArrayView(at, size));
        }
        return QString::fromUtf8(at, size);
    case Charset::Windows1252:
        break;
    }
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(at[i]);
        out[i] = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b);
    }
    return text;
}

} // namespace

namespace {

// The field of one line (from its start up to its LF or the end of the file), by the
// field rules.
void addField(QStringList& fields, const char* at, const char* lineEnd, Charset charset) {
    while (at < lineEnd && (*at == ' ' || *at == '\t'))
        ++at;
    const char* fieldEnd = lineEnd;
    if (fieldEnd > at && fieldEnd[-1] == '\r')
        --fieldEnd;
    const qsizetype size = std::max<qsizetype>(fieldEnd - at, 0);
    QString field = fieldText(at, size, charset);
    if (size > 0 && std::memchr(at, '\r', static_cast<size_t>(size)))
        field.replace(QLatin1Char('\r'), QLatin1Char(' '));
    fields.append(std::move(field));
}

// Adds the field of every line that ends in the bytes; returns where the first line that
// does not end begins.
const char* addEndedLines(QStringList& fields, const char* at, const char* end, Charset charset) {
    for (;;) {
        const auto rest = static_cast<size_t>(std::max<std::ptrdiff_t>(end - at, 0));
        // An empty text may have no bytes at all (a null pointer), which memchr must not see.
        if (rest == 0)
            return at;
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', rest));
        if (!newline)
            return at;
        addField(fields, at, newline, charset);
        at = newline + 1;
    }
}

const QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

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

// Where the bytes end before a UTF-8 sequence that the next bytes may complete.
qsizetype completeUpTo(QByteArrayView bytes) {
    for (qsizetype i = bytes.size() - 1; i >= 0 && i >= bytes.size() - 3; --i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xC0) == 0x80)
            continue;
        const qsizetype length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return bytes.size() - i < length ? i : bytes.size();
    }
    return bytes.size();
}

} // namespace

QStringList fieldsOf(QByteArrayView bytes, Charset* charset) {
    Charset kind = Charset::Ascii;
    if (hasHighByte(bytes))
        kind = bytes.isValidUtf8() ? Charset::Utf8 : Charset::Windows1252;
    if (charset)
        *charset = kind;
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    // A UTF-8 file may begin with a byte order mark, which is no character of its text.
    if (kind == Charset::Utf8 && bytes.startsWith(kByteOrderMark))
        at += kByteOrderMark.size();
    QStringList fields;
    at = addEndedLines(fields, at, end, kind);
    if (at < end)
        addField(fields, at, end, kind);
    return fields;
}

namespace {

// How the texts of a list file are written, decided over all of them before the first
// byte: a file is in one set of characters.
class LineEncoder {
public:
    explicit LineEncoder(const QStringList& texts) {
        char16_t high = 0;
        for (const QString& text : texts) {
            for (const QChar c : text)
                high |= c.unicode();
        }
        if (high < 0x80)
            return;
        // A text starting with a byte order mark would lose it when read back, so a
        // second one goes before it: the reader drops only the first.
        if (texts.first().startsWith(QChar(0xFEFF))) {
            charset_ = Charset::Utf8;
            byteOrderMark_ = true;
            return;
        }
        // Windows-1252 when every character fits and the bytes cannot be taken for UTF-8
        // ("Ã©" is C3 A9, the UTF-8 of "é"). Line ends are ASCII, so the whole file reads
        // as UTF-8 exactly when every line does.
        bool lookalike = true;
        for (const QString& text : texts) {
            if (isAscii(text))
                continue;
            const std::optional<QByteArray> single = windows1252(text);
            if (!single) {
                charset_ = Charset::Utf8;
                return;
            }
            lookalike = lookalike && QByteArrayView(*single).isValidUtf8();
        }
        charset_ = lookalike ? Charset::Utf8 : Charset::Windows1252;
    }

    Charset charset() const { return charset_; }
    // What goes before the first line.
    QByteArrayView start() const { return byteOrderMark_ ? kByteOrderMark : QByteArrayView(); }
    // Adds the text and CR LF to the bytes.
    void add(QByteArray& bytes, const QString& text) {
        const qsizetype at = bytes.size();
        const qsizetype most = (charset_ == Charset::Utf8 ? 3 : 1) * text.size() + 2;
        if (bytes.capacity() < at + most)
            bytes.reserve(std::max(at + most, 2 * bytes.capacity()));
        bytes.resize(at + most);
        char* out = bytes.data() + at;
        const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
        const qsizetype size = text.size();
        switch (charset_) {
        case Charset::Ascii:
            for (qsizetype i = 0; i < size; ++i)
                out[i] = static_cast<char>(in[i]);
            out += size;
            break;
        case Charset::Utf8:
            out = utf8_.appendToBuffer(out, text);
            break;
        case Charset::Windows1252:
            for (qsizetype i = 0; i < size; ++i)
                *out++ = *toWindows1252(in[i]);
            break;
        }
        *out++ = '\r';
        *out++ = '\n';
        bytes.resize(out - bytes.constData());
    }

private:
    Charset charset_ = Charset::Ascii;
    bool byteOrderMark_ = false;
    QStringEncoder utf8_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

// Writes the lines to the file in pieces of a few megabytes, flushes them to the disk and
// closes the file; 0 or the error number.
int writeLinesDurably(Descriptor& file, const QStringList& texts, Charset* charset) {
    constexpr qsizetype kPiece = 4 << 20;
    LineEncoder encoder(texts);
    if (charset)
        *charset = encoder.charset();
    QByteArray piece;
    piece.reserve(kPiece + 1024);
    piece.append(encoder.start());
    for (const QString& text : texts) {
        encoder.add(piece, text);
        if (piece.size() >= kPiece) {
            if (const int error = writeAll(file.get(), piece))
                return error;
            piece.resize(0);
        }
    }
    if (const int error = writeAll(file.get(), piece))
        return error;
    return syncAndClose(file);
}

} // namespace

QByteArray linesOf(const QStringList& texts, Charset* charset) {
    LineEncoder encoder(texts);
    if (charset)
        *charset = encoder.charset();
    QByteArray bytes(encoder.start().toByteArray());
    for (const QString& text : texts)
        encoder.add(bytes, text);
    return bytes;
}

QString typedField(const QString& field) {
    if (const auto number = strictNumber(field))
        return numberToText(*number);
    return field;
}

Outcome appendLine(const QString& path, const QString& text) {
    const std::lock_guard turn(saveTurn());
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

Outcome writeValue(const QString& path, const QString& text) {
    return writeList(path, {text});
}

namespace {

// The hidden new files of one save. Until they are kept (put in place, or named by a
// journal), they are removed when the save gives up.
class NewFiles {
public:
    NewFiles() = default;
    NewFiles(const NewFiles&) = delete;
    NewFiles& operator=(const NewFiles&) = delete;
    ~NewFiles() {
        for (const QString& path : std::as_const(paths_))
            ::unlink(native(path).constData());
    }

    // Writes the texts as the new content of the file at `path` beside it, whole and
    // flushed to the disk; the reason when that fails. The file's characters go into
    // `charset` when it is given.
    QString write(const QString& path, const QStringList& texts, Charset* charset = nullptr) {
        Descriptor out;
        if (QString why = open(path, out); !why.isEmpty())
            return why;
        if (const int error = writeLinesDurably(out, texts, charset))
            return reason(error);
        return {};
    }

    // The same with bytes ready to be written.
    QString write(const QString& path, QByteArrayView bytes) {
        Descriptor out;
        if (QString why = open(path, out); !why.isEmpty())
            return why;
        if (const int error = writeDurably(out, bytes))
            return reason(error);
        return {};
    }

    // Puts the journal in place: written whole beside its name, flushed, renamed and the
    // folder flushed. The journal's own name is not removed by this object.
    int putJournal(const QString& folder, const QByteArray& entries) {
        // A journal the next load would refuse is not written.
        if (entries.size() > kJournalSizeLimit)
            return EFBIG;
        const QString journal = folder + QLatin1Char('/') + kJournal;
        const QString fresh = journal + kNewSuffix;
        ::unlink(native(fresh).constData());
        Descriptor out(::open(native(fresh).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out.valid())
            return errno;
        paths_ << fresh;
        int error = writeDurably(out, entries);
        if (!error && ::rename(native(fresh).constData(), native(journal).constData()) != 0)
            error = errno;
        if (!error)
            paths_.removeLast();
        if (!error)
            error = syncFolder(folder);
        if (error)
            ::unlink(native(journal).constData());
        return error;
    }

    // From here on the files are the journal's to finish.
    void keep() { paths_.clear(); }

private:
    // Opens the hidden new file beside `path` for writing; the reason when that fails.
    QString open(const QString& path, Descriptor& out) {
        struct stat old {};
        const bool exists = ::lstat(native(path).constData(), &old) == 0;
        if (exists) {
            if (QString why = kindProblem(old); !why.isEmpty())
                return why;
        }
        const QString fresh = newFileFor(path);
        ::unlink(native(fresh).constData());
        out.reset(::open(native(fresh).constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out.valid())
            return reason(errno);
        paths_ << fresh;
        // The new file keeps the old one's permissions.
        if (exists && ::fchmod(out.get(), old.st_mode & 07777) != 0)
            return reason(errno);
        return {};
    }

    QStringList paths_;
};

QByteArray journalName(const QString& path) {
    return QUrl::toPercentEncoding(QFileInfo(path).fileName());
}

// Removes the journal once every file it names is in place; an error number or 0.
int dropJournal(const QString& folder) {
    int error = syncFolder(folder);
    if (!error && ::unlink(native(folder + QLatin1Char('/') + kJournal).constData()) != 0)
        error = errno;
    if (!error)
        error = syncFolder(folder);
    return error;
}

QString putInPlaceFailure(const QString& path, int error) {
    return QStringLiteral("Could not put the new \"%1\" in place: %2. The files of its list are "
                          "put in place together the next time the list is read.")
        .arg(path, reason(error));
}

// Writes the bytes at the offset: the end the file had when the save began.
int writeAt(const QString& path, qint64 offset, const QByteArray& bytes) {
    Descriptor file(::open(native(path).constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.valid())
        return errno;
    if (::ftruncate(file.get(), offset) != 0)
        return errno;
    return writeDurably(file, bytes, offset);
}

// What a line added to the file has to begin with so that it starts a line of its own:
// nothing after a line end, LF after a CR, CR LF after the last line's text.
QByteArray lineStart(int fd, qint64 size) {
    if (size == 0)
        return {};
    char last = 0;
    if (::pread(fd, &last, 1, size - 1) != 1)
        return {};
    if (last == '\n')
        return {};
    return last == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

Outcome writeFailure(const QString& path, const QString& why) {
    return Outcome::failure(
        QStringLiteral("Could not write \"%1\": %2. The file keeps what it held before.")
            .arg(path, why));
}

// Checks the texts of a save into one folder, and finishes a save cut short there
// earlier: its hidden files have the names this one uses, and its lists are older.
Outcome readyToSave(const QString& folder, const QList<FileLines>& files) {
    for (const FileLines& file : files) {
        // Only names in one folder can be put in place together.
        Q_ASSERT(folderOf(file.path) == folder);
        if (QString problem = lineBreakProblem(file.path, file.texts); !problem.isEmpty())
            return Outcome::failure(problem);
        struct stat info {};
        if (::lstat(native(file.path).constData(), &info) == 0 && S_ISREG(info.st_mode)) {
            if (QString why = protectionProblem(info); !why.isEmpty())
                return writeFailure(file.path, why);
        }
    }
    return finishPendingSave(folder);
}

} // namespace

Outcome writeFiles(const QList<FileLines>& files, QList<Charset>* charsets) {
    const std::lock_guard turn(saveTurn());
    if (charsets)
        charsets->clear();
    if (files.isEmpty())
        return Outcome::success();
    const QString folder = folderOf(files.first().path);
    if (Outcome ready = readyToSave(folder, files); !ready)
        return ready;

    // Every new file is written whole and flushed to the disk before any takes its place.
    NewFiles fresh;
    QList<Charset> written;
    for (const FileLines& file : files) {
        Charset charset = Charset::Ascii;
        if (QString why = fresh.write(file.path, file.texts, &charset); !why.isEmpty())
            return writeFailure(file.path, why);
        written << charset;
    }

    // From here on the new set is complete on the disk; the journal names the files to
    // put in place, so that an interruption is finished at the next load.
    const bool journaled = files.size() > 1;
    if (journaled) {
        QByteArray entries = kJournalStart;
        for (const FileLines& file : files)
            entries += journalName(file.path) + '\n';
        entries += kJournalEnd;
        if (const int error = fresh.putJournal(folder, entries))
            return writeFailure(files.first().path, reason(error));
        fresh.keep();
    }

    for (const FileLines& file : files) {
        if (::rename(native(newFileFor(file.path)).constData(), native(file.path).constData()) == 0)
            continue;
        const int error = errno;
        if (!journaled)
            return writeFailure(file.path, reason(error));
        return Outcome::failure(putInPlaceFailure(file.path, error));
    }
    fresh.keep();
    const int error = journaled ? dropJournal(folder) : syncFolder(folder);
    if (error)
        return Outcome::failure(
            QStringLiteral("Could not save \"%1\": %2.").arg(files.first().path, reason(error)));
    if (charsets)
        *charsets = written;
    return Outcome::success();
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

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

void setWriteBytesPause(std::function<void(WriteStep)> pause) {
    writePause() = std::move(pause);
}

Outcome writeBytes(const QString& path, QByteArrayView bytes, const KeptFiles& kept) {
    const std::lock_guard turn(saveTurn());
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
    const QByteArray fresh = '.' + name + native(kNewSuffix);
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

SaveHold::SaveHold() {
    saveTurn().lock();
}

SaveHold::~SaveHold() {
    saveTurn().unlock();
}

Outcome appendLines(const QList<LineAppend>& appends, const QList<FileLines>& replaces) {
    const std::lock_guard turn(saveTurn());
    if (appends.isEmpty() && replaces.isEmpty())
        return Outcome::success();
    const QString folder =
        folderOf(appends.isEmpty() ? replaces.first().path : appends.first().path);
    QList<FileLines> checked = replaces;
    for (const LineAppend& append : appends)
        checked.append({append.path, {append.text}});
    if (Outcome ready = readyToSave(folder, checked); !ready)
        return ready;

    // Where each line goes: after the bytes the file holds now.
    struct Addition {
        QString path;
        qint64 earlier;
        QByteArray bytes;
    };
    QList<Addition> additions;
    QList<FileLines> whole = replaces;
    qint64 journalledBytes = 0;
    for (const LineAppend& append : appends) {
        Descriptor file;
        struct stat info {};
        if (QString why = openPlainFile(append.path, file, info); !why.isEmpty())
            return writeFailure(append.path, why);
        const qint64 size = info.st_size;
        // An empty file gets the line as a whole file would hold it.
        std::optional<QByteArray> line =
            size == 0 ? linesOf({append.text}) : addedBytes(append.charset, append.text);
        // The journal carries the added bytes; a line too long for it (a very long
        // description) is added by writing its file anew, as is a line of characters a
        // file in Windows-1252 cannot hold (the file becomes UTF-8).
        if (line) {
            const qint64 journalled = 4 * ((line->size() + 2 + 2) / 3) + 64;
            if (journalledBytes + journalled > kJournalSizeLimit / 2)
                line.reset();
            else
                journalledBytes += journalled;
        }
        if (!line) {
            const Read<QByteArray> held = readBytes(append.path);
            if (!held.ok())
                return Outcome::failure(held.error);
            QStringList texts = fieldsOf(*held.value);
            texts << append.text;
            whole.append({append.path, texts});
            continue;
        }
        if (size > 0)
            line->append("\r\n");
        additions.append({append.path, size, lineStart(file.get(), size) + *line});
    }

    NewFiles fresh;
    for (const FileLines& file : std::as_const(whole)) {
        if (QString why = fresh.write(file.path, file.texts); !why.isEmpty())
            return writeFailure(file.path, why);
    }
    QByteArray entries = kAppendJournalStart;
    for (const Addition& addition : std::as_const(additions))
        entries += "add " + journalName(addition.path) + ' ' +
                   QByteArray::number(addition.earlier) + ' ' + addition.bytes.toBase64() + '\n';
    for (const FileLines& file : std::as_const(whole))
        entries += "put " + journalName(file.path) + '\n';
    entries += kJournalEnd;
    if (const int error = fresh.putJournal(folder, entries))
        return writeFailure(appends.isEmpty() ? whole.first().path : appends.first().path,
                            reason(error));

    for (qsizetype i = 0; i < additions.size(); ++i) {
        const int error = writeAt(additions[i].path, additions[i].earlier, additions[i].bytes);
        if (!error)
            continue;
        // A full disk shows here. The lines added so far are cut off again (which needs
        // no room) and the journal goes, so that every file keeps what it held before.
        bool undone = true;
        for (qsizetype j = 0; j <= i; ++j)
            undone = ::truncate(native(additions[j].path).constData(), additions[j].earlier) == 0 &&
                     undone;
        if (!undone || dropJournal(folder) != 0) {
            // The journal stays and finishes the save at the next load, with the new
            // files it names.
            fresh.keep();
            return Outcome::failure(
                QStringLiteral("Could not add to \"%1\": %2. The files are put back as they "
                               "were the next time the list is read.")
                    .arg(additions[i].path, reason(error)));
        }
        return writeFailure(additions[i].path, reason(error));
    }
    fresh.keep();
    for (const FileLines& file : std::as_const(whole)) {
        if (::rename(native(newFileFor(file.path)).constData(), native(file.path).constData()) != 0)
            return Outcome::failure(putInPlaceFailure(file.path, errno));
    }
    if (const int error = dropJournal(folder))
        return Outcome::failure(
            QStringLiteral("Could not save in \"%1\": %2.").arg(folder, reason(error)));
    return Outcome::success();
}

namespace {

// The files a journal names, each with what is to be done to it.
struct JournalEntry {
    QString name;
    bool add = false; // add the bytes at the earlier length; else put the new file in place
    qint64 earlier = 0;
    QByteArray bytes;
};

// The entries of a journal, or why it is not one of ours.
std::optional<QList<JournalEntry>> journalEntries(const QByteArray& bytes, QString* why) {
    const bool appending = bytes.startsWith(kAppendJournalStart);
    const QByteArray& start = appending ? kAppendJournalStart : kJournalStart;
    if (!bytes.startsWith(start) || !bytes.endsWith(kJournalEnd)) {
        *why = QStringLiteral("the journal is not one Kesterly wrote");
        return std::nullopt;
    }
    QList<JournalEntry> entries;
    const QList<QByteArray> lines =
        bytes.sliced(start.size(), bytes.size() - start.size() - kJournalEnd.size()).split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        JournalEntry entry;
        QByteArray name = line;
        if (appending) {
            const QList<QByteArray> parts = line.split(' ');
            bool number = parts.size() == 4;
            if (parts.size() == 4 && parts[0] == "add") {
                entry.add = true;
                entry.earlier = parts[2].toLongLong(&number);
                const auto decoded = QByteArray::fromBase64Encoding(
                    parts[3], QByteArray::AbortOnBase64DecodingErrors);
                number = number && decoded && entry.earlier >= 0;
                entry.bytes = *decoded;
            } else if (parts.size() == 2 && parts[0] == "put") {
                number = true;
            } else {
                number = false;
            }
            if (!number) {
                *why = QStringLiteral("the journal is not one Kesterly wrote");
                return std::nullopt;
            }
            name = parts[1];
        }
        entry.name = QString::fromUtf8(QByteArray::fromPercentEncoding(name));
        if (entry.name.isEmpty() || entry.name.contains(QLatin1Char('/')) ||
            entry.name.startsWith(QLatin1Char('.'))) {
            *why =
                QStringLiteral("the journal names a file \"%1\" that is not one of the account's")
                    .arg(entry.name);
            return std::nullopt;
        }
        entries << entry;
    }
    return entries;
}

} // namespace

Outcome finishPendingSave(const QString& folder) {
    const std::lock_guard turn(saveTurn());
    const QString journal = folder + QLatin1Char('/') + kJournal;
    struct stat info {};
    if (::lstat(native(journal).constData(), &info) == 0) {
        const auto damaged = [&journal, &folder](const QString& why) {
            return Outcome::failure(
                QStringLiteral("Could not finish an earlier save in \"%1\": %2. Its journal "
                               "\"%3\" is left as it is.")
                    .arg(folder, why, journal));
        };
        const Read<QByteArray> read = readBytes(journal, nullptr, kJournalSizeLimit);
        if (!read.ok())
            return damaged(read.error);
        QString why;
        const std::optional<QList<JournalEntry>> entries = journalEntries(*read.value, &why);
        if (!entries)
            return damaged(why);
        // Every new file and every line to add was complete before the journal was
        // written: the lines are written again at the ends the files had, and the files
        // whose new content is still waiting are put in place.
        for (const JournalEntry& entry : *entries) {
            const QString path = folder + QLatin1Char('/') + entry.name;
            if (entry.add) {
                struct stat file {};
                if (::lstat(native(path).constData(), &file) != 0 || !S_ISREG(file.st_mode) ||
                    file.st_size < entry.earlier)
                    return damaged(
                        QStringLiteral("\"%1\" is no longer as the journal found it").arg(path));
                if (const int error = writeAt(path, entry.earlier, entry.bytes))
                    return Outcome::failure(
                        QStringLiteral("Could not finish an earlier save of \"%1\": %2.")
                            .arg(path, reason(error)));
                continue;
            }
            const QString fresh = newFileFor(path);
            struct stat waiting {};
            if (::lstat(native(fresh).constData(), &waiting) != 0 || !S_ISREG(waiting.st_mode))
                continue;
            if (::rename(native(fresh).constData(), native(path).constData()) != 0)
                return Outcome::failure(
                    QStringLiteral("Could not finish an earlier save of \"%1\": %2.")
                        .arg(path, reason(errno)));
        }
        if (const int error = dropJournal(folder))
            return Outcome::failure(
                QStringLiteral("Could not finish an earlier save in \"%1\": %2.")
                    .arg(folder, reason(error)));
    }
    removeLeftovers(folder);
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
    return readBytes(path, nullptr, limit);
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
