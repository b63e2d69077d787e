#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Every read and write of an account file goes through here. A value is one line ending
// in CR LF; commas and quotes are ordinary characters. Files are written in
// Windows-1252 when every character fits (so they stay what older files hold) and in
// UTF-8 otherwise; a file is read as UTF-8 when it is valid UTF-8, else as Windows-1252.
//
// Saves (writes, added lines, finishing a save cut short) are made one at a time, so that
// a save on another thread and one on the window's thread never share a folder's journal.
//
// Only plain files are read and written: a file that is a link, a folder or a device is
// refused with a sentence saying so. A rewrite never leaves a file half written: the new
// content goes to a hidden file beside it, is flushed to the disk and checked, and only
// then takes the old file's place, so a full disk or a crash leaves the old file whole.
namespace kesterly::listfile {

// The outcome of one file operation: success, or a sentence a user can read that names
// the file and what went wrong.
class Outcome {
public:
    static Outcome success() { return Outcome(); }
    static Outcome failure(QString message) { return Outcome(std::move(message)); }
    bool ok() const { return !message_; }
    explicit operator bool() const { return ok(); }
    QString message() const { return message_.value_or(QString()); }

private:
    Outcome() = default;
    explicit Outcome(QString message) : message_(std::move(message)) {}
    std::optional<QString> message_;
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

// How a file's characters are written, which decides how a line is added to it: a line
// added to a UTF-8 file is UTF-8 too, or the file would be read as Windows-1252.
enum class Charset { Ascii, Utf8, Windows1252 };
// The characters of a file after adding a line of this text to it.
Charset charsetAfterAdding(Charset file, const QString& text);

// A list file as it was read: its fields, its stamp, how its characters are written.
struct ListContent {
    QStringList texts;
    FileStamp stamp;
    Charset charset = Charset::Ascii;
    // The file holds more lines than were asked for: `texts` are its first ones, and the
    // rest of it was not read.
    bool cut = false;
};

// Appends the text and CR LF, creating the file when it does not exist.
Outcome appendLine(const QString& path, const QString& text);
// Replaces the file with one line per text; no texts give 0 bytes.
Outcome writeList(const QString& path, const QStringList& texts);
Outcome writeValue(const QString& path, const QString& text);

// One file of a set and the lines it is to hold.
struct FileLines {
    QString path;
    QStringList texts;
};
// Replaces the files, which lie in one folder, as one unit: every new file is written
// and flushed to the disk before the first one takes its old file's place. When a write
// fails, no file is replaced. The files are put in place from a small hidden journal, so
// a crash in between is finished by finishPendingSave() at the next load.
// The files' characters after the save are put in `charsets` when it is given.
Outcome writeFiles(const QList<FileLines>& files, QList<Charset>* charsets = nullptr);

// Files that a file the user names must never replace: the account folder (as its path
// leads, as every read of the account does) and the files' paths inside it
// ("Reminders/Date.txt").
struct KeptFiles {
    QString folder;
    QStringList files;
};

// Replaces the file at `path` (or creates it) with the bytes, as a list file is
// replaced: written beside it, flushed to the disk, then put in its place. For files the
// user names anywhere (an export): a folder, a link, a device, a file set read-only or one
// of another user is refused, and so is a file of `kept` by any name (its own folder
// reached another way, a folder mounted twice, a hard link), looked at again just before
// the new file takes the name. The folder of `path` is opened once and the file written
// and put in place inside it, so a folder swapped for a link meanwhile is not followed. A
// failure leaves the file as it was.
Outcome writeBytes(const QString& path, QByteArrayView bytes, const KeptFiles& kept = {});

// For tests: a step to run inside writeBytes as it comes to `step`, where another program
// could change the folder.
enum class WriteStep { Starting, Renaming };
void setWriteBytesPause(std::function<void(WriteStep)> pause);

// Holds back every save while it lives, so that files read on another thread are all as
// they were before a save or all as they are after it.
class SaveHold {
public:
    SaveHold();
    ~SaveHold();
    SaveHold(const SaveHold&) = delete;
    SaveHold& operator=(const SaveHold&) = delete;
};

// One line to add at the end of a file whose characters are written as `charset`.
struct LineAppend {
    QString path;
    QString text;
    Charset charset = Charset::Ascii;
};
// Adds one line to each file of `appends` and replaces each file of `replaces` (all in
// one folder) as one unit, without rewriting what the files held: the replacements are
// written and flushed first, then a journal naming the files, their earlier lengths and
// the lines to add, then the lines. A crash in between is finished from the journal by
// finishPendingSave(). When anything fails before the journal, no file changes.
Outcome appendLines(const QList<LineAppend>& appends, const QList<FileLines>& replaces);
// Finishes a save of writeFiles() that a crash interrupted in the folder, and removes the
// hidden files that an interrupted save left behind. Nothing to do is a success.
Outcome finishPendingSave(const QString& folder);

// The largest list file read: a larger one is refused with a message rather than read, so
// that a stray file in an account folder cannot take all the memory. Years of entries
// take a few megabytes.
inline constexpr qint64 kListSizeLimit = 100 * 1024 * 1024;
// The largest save journal: no save writes a larger one (lines too long for it are added
// by writing their file anew), so a larger one is not ours and is not read.
inline constexpr qint64 kJournalSizeLimit = 64 * 1024;

// The bytes of a small plain file of at most `limit` bytes; a larger one, a link, a
// folder, a pipe or a device is refused without being read.
Read<QByteArray> readSmallFile(const QString& path, qint64 limit);

// Every field of the file, in order (see fieldsOf).
Read<QStringList> readList(const QString& path);
// The same, with the file's stamp and characters. With `mostLines` given, no more than
// that many fields are read: the file is not read past the line end that closes the last
// of them, its characters are judged by the bytes up to there, and `cut` says whether
// anything follows.
Read<ListContent> readListContent(const QString& path, qsizetype mostLines = -1);
// The first field, a number written as its plain form ("500.00" gives "500"); the file
// is not read past its first line. A file without any field fails.
Read<QString> readValue(const QString& path);

// A field that as a whole is a number becomes its number-to-text; any other stays.
QString typedField(const QString& field);

// The fields of a list file's bytes, in one pass over its lines. The field rules: blanks
// and tabs before a field are skipped; a field runs to the line end (CR LF or a bare LF),
// which is consumed; the last field may lack one. A lone CR inside a field (old Mac
// files hold them) becomes a blank, as a pasted line break does, so that every field read
// can be written again. The bytes are read as UTF-8 when they are valid UTF-8 (a byte
// order mark at the start is dropped), else as Windows-1252; which goes into `charset`.
QStringList fieldsOf(QByteArrayView bytes, Charset* charset = nullptr);
// The bytes of a list file holding the texts, each followed by CR LF, in one pass: in
// Windows-1252 when every character fits and the bytes cannot be taken for UTF-8, else in
// UTF-8 (a byte order mark goes before a first text that starts with one, which the
// reader drops); which goes into `charset`.
QByteArray linesOf(const QStringList& texts, Charset* charset = nullptr);

// Makes the names in a folder (new, renamed, removed) last on the disk.
Outcome flushFolder(const QString& folder);

} // namespace kesterly::listfile
