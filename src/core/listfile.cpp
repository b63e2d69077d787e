#include "core/listfile.h"

#include "core/numbertext.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesterly::listfile {

namespace {

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
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
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
    int fd_;
};

// Writes every byte, flushes them to the disk and closes the file; 0 or the error number.
int writeDurably(Descriptor& file, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file.get(), data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= written;
    }
    if (::fsync(file.get()) != 0)
        return errno;
    return file.close();
}

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

QByteArray lines(const QStringList& texts) {
    QString content;
    for (const QString& text : texts) {
        content += text;
        content += QLatin1String("\r\n");
    }
    return encode(content);
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

Read<QByteArray> readBytes(const QString& path) {
    const auto failed = [&path](const QString& why) {
        return Read<QByteArray>{std::nullopt,
                                QStringLiteral("Could not read \"%1\": %2.").arg(path, why)};
    };
    // Not blocking: a pipe in a file's place must not hang the program.
    Descriptor file(
        ::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid())
        return failed(openProblem(path, errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return failed(reason(errno));
    if (QString why = kindProblem(info); !why.isEmpty())
        return failed(why);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failed(reason(errno));
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    return {bytes, {}};
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

QString decode(const QByteArray& bytes) {
    if (std::optional<QString> text = fromUtf8(bytes))
        return *text;
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += QChar(b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b));
    }
    return text;
}

QByteArray encode(const QString& text) {
    // A text starting with a byte order mark would lose it when read back, so a second one
    // goes before it: the reader drops only the first.
    if (text.startsWith(QChar(0xFEFF)))
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    bool ascii = true;
    for (const QChar c : text) {
        const auto single = toWindows1252(c.unicode());
        if (!single)
            return text.toUtf8();
        ascii = ascii && c.unicode() < 0x80;
        bytes += *single;
    }
    // Windows-1252 bytes that happen to be valid UTF-8 ("Ã©" is C3 A9, the UTF-8 of "é")
    // would be read back as UTF-8, so such a text is written as UTF-8.
    if (!ascii && fromUtf8(bytes))
        return text.toUtf8();
    return bytes;
}

QStringList splitFields(const QString& content) {
    QStringList fields;
    const qsizetype end = content.size();
    qsizetype i = 0;
    while (i < end) {
        while (i < end && (content[i] == QLatin1Char(' ') || content[i] == QLatin1Char('\t')))
            ++i;
        qsizetype lineEnd = content.indexOf(QLatin1Char('\n'), i);
        if (lineEnd < 0)
            lineEnd = end;
        qsizetype fieldEnd = lineEnd;
        if (fieldEnd > i && content[fieldEnd - 1] == QLatin1Char('\r'))
            --fieldEnd;
        fields += content.sliced(i, fieldEnd - i);
        i = lineEnd + 1;
    }
    return fields;
}

QString typedField(const QString& field) {
    if (const auto number = strictNumber(field))
        return numberToText(*number);
    return field;
}

Outcome appendLine(const QString& path, const QString& text) {
    if (QString problem = lineBreakProblem(path, {text}); !problem.isEmpty())
        return Outcome::failure(problem);
    Descriptor file(::open(native(path).constData(),
                           O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                           0666));
    if (!file.valid())
        return Outcome::failure(QStringLiteral("Could not open \"%1\" to add to it: %2.")
                                    .arg(path, openProblem(path, errno)));
    struct stat info {};
    if (::fstat(file.get(), &info) == 0) {
        if (QString why = kindProblem(info); !why.isEmpty())
            return Outcome::failure(
                QStringLiteral("Could not open \"%1\" to add to it: %2.").arg(path, why));
    }
    int error = writeDurably(file, lines({text}));
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

Outcome writeFiles(const QList<FileLines>& files) {
    if (files.isEmpty())
        return Outcome::success();
    const QString folder = folderOf(files.first().path);
    for (const FileLines& file : files) {
        // Only names in one folder can be put in place together.
        Q_ASSERT(folderOf(file.path) == folder);
        if (QString problem = lineBreakProblem(file.path, file.texts); !problem.isEmpty())
            return Outcome::failure(problem);
    }
    // A save cut short earlier is finished first: its hidden files have the names this
    // one uses, and its lists are older than these.
    if (Outcome pending = finishPendingSave(folder); !pending)
        return pending;

    QStringList written;
    const auto fail = [&written](const QString& message) {
        for (const QString& path : written)
            ::unlink(native(path).constData());
        return Outcome::failure(message);
    };
    const auto writeFailure = [&fail](const QString& path, const QString& why) {
        return fail(
            QStringLiteral("Could not write \"%1\": %2. The file keeps what it held before.")
                .arg(path, why));
    };

    // Every new file is written whole and flushed to the disk before any takes its place.
    for (const FileLines& file : files) {
        struct stat old {};
        const bool exists = ::lstat(native(file.path).constData(), &old) == 0;
        if (exists) {
            if (QString why = kindProblem(old); !why.isEmpty())
                return writeFailure(file.path, why);
        }
        const QString fresh = newFileFor(file.path);
        ::unlink(native(fresh).constData());
        Descriptor out(::open(native(fresh).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out.valid())
            return writeFailure(file.path, reason(errno));
        written << fresh;
        // The new file keeps the old one's permissions.
        if (exists && ::fchmod(out.get(), old.st_mode & 07777) != 0)
            return writeFailure(file.path, reason(errno));
        if (const int error = writeDurably(out, lines(file.texts)))
            return writeFailure(file.path, reason(error));
    }

    // From here on the new set is complete on the disk; the journal names the files to
    // put in place, so that an interruption is finished at the next load.
    const bool journaled = files.size() > 1;
    const QString journal = folder + QLatin1Char('/') + kJournal;
    if (journaled) {
        QByteArray entries = kJournalStart;
        for (const FileLines& file : files)
            entries += QUrl::toPercentEncoding(QFileInfo(file.path).fileName()) + '\n';
        entries += kJournalEnd;
        const QString fresh = journal + kNewSuffix;
        ::unlink(native(fresh).constData());
        Descriptor out(::open(native(fresh).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out.valid())
            return writeFailure(files.first().path, reason(errno));
        written << fresh;
        int error = writeDurably(out, entries);
        if (!error && ::rename(native(fresh).constData(), native(journal).constData()) != 0)
            error = errno;
        if (!error)
            written.removeLast();
        if (!error)
            error = syncFolder(folder);
        if (error) {
            ::unlink(native(journal).constData());
            return writeFailure(files.first().path, reason(error));
        }
    }

    for (const FileLines& file : files) {
        if (::rename(native(newFileFor(file.path)).constData(), native(file.path).constData()) == 0)
            continue;
        const int error = errno;
        if (!journaled)
            return writeFailure(file.path, reason(error));
        return Outcome::failure(
            QStringLiteral("Could not put the new \"%1\" in place: %2. The files of its list are "
                           "put in place together the next time the list is read.")
                .arg(file.path, reason(error)));
    }
    int error = syncFolder(folder);
    if (!error && journaled && ::unlink(native(journal).constData()) != 0)
        error = errno;
    if (!error && journaled)
        error = syncFolder(folder);
    if (error)
        return Outcome::failure(
            QStringLiteral("Could not save \"%1\": %2.").arg(files.first().path, reason(error)));
    return Outcome::success();
}

Outcome finishPendingSave(const QString& folder) {
    const QString journal = folder + QLatin1Char('/') + kJournal;
    struct stat info {};
    if (::lstat(native(journal).constData(), &info) == 0) {
        const auto damaged = [&journal, &folder](const QString& why) {
            return Outcome::failure(
                QStringLiteral("Could not finish an earlier save in \"%1\": %2. Its journal "
                               "\"%3\" is left as it is.")
                    .arg(folder, why, journal));
        };
        const Read<QByteArray> read = readBytes(journal);
        if (!read.ok())
            return damaged(read.error);
        const QByteArray& bytes = *read.value;
        if (!bytes.startsWith(kJournalStart) || !bytes.endsWith(kJournalEnd))
            return damaged(QStringLiteral("the journal is not one Kesterly wrote"));
        const QList<QByteArray> entries =
            bytes
                .sliced(kJournalStart.size(),
                        bytes.size() - kJournalStart.size() - kJournalEnd.size())
                .split('\n');
        QStringList names;
        for (const QByteArray& entry : entries) {
            if (entry.isEmpty())
                continue;
            const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(entry));
            if (name.isEmpty() || name.contains(QLatin1Char('/')) ||
                name.startsWith(QLatin1Char('.')))
                return damaged(QStringLiteral("the journal names a file \"%1\" that is not one "
                                              "of the account's")
                                   .arg(name));
            names << name;
        }
        // Every new file was complete before the journal was written: the files whose new
        // content is still waiting are put in place, the others already were.
        for (const QString& name : names) {
            const QString path = folder + QLatin1Char('/') + name;
            const QString fresh = newFileFor(path);
            struct stat waiting {};
            if (::lstat(native(fresh).constData(), &waiting) != 0 || !S_ISREG(waiting.st_mode))
                continue;
            if (::rename(native(fresh).constData(), native(path).constData()) != 0)
                return Outcome::failure(
                    QStringLiteral("Could not finish an earlier save of \"%1\": %2.")
                        .arg(path, reason(errno)));
        }
        int error = syncFolder(folder);
        if (!error && ::unlink(native(journal).constData()) != 0)
            error = errno;
        if (!error)
            error = syncFolder(folder);
        if (error)
            return Outcome::failure(
                QStringLiteral("Could not finish an earlier save in \"%1\": %2.")
                    .arg(folder, reason(error)));
    }
    removeLeftovers(folder);
    return Outcome::success();
}

Read<QStringList> readList(const QString& path) {
    Read<QByteArray> bytes = readBytes(path);
    if (!bytes.ok())
        return {std::nullopt, bytes.error};
    return {splitFields(decode(*bytes.value)), {}};
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
