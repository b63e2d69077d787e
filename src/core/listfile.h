#pragma once

#include "core/listtext.h"
#include "core/plainfile.h"
#include "core/savejournal.h"
#include "core/saveunit.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Every read and write of an account file goes through here: the conveniences on top of
// the file layers (plainfile: opening, reading and writing one file safely; listtext: how
// values are held in bytes; saveunit and savejournal: saving several files as one unit and
// putting right a save cut short). A value is one line ending in CR LF.
//
// Only plain files are read and written: a file that is a link, a folder or a device is
// refused with a sentence saying so. A rewrite never leaves a file half written.
namespace kesterly::listfile {

// A list file as it was read: its fields, its stamp, how its characters are written.
struct ListContent {
    QStringList texts;
    FileStamp stamp;
    Charset charset = Charset::Ascii;
    // The file holds more lines than were asked for: `texts` are its first ones, and the
    // rest of it was not read.
    bool cut = false;
};

// Appends the text and CR LF, creating the file when it does not exist. For files no
// other program knows yet (an account being made).
Outcome appendLine(const QString& path, const QString& text);
// Replaces the file with one line per text; no texts give 0 bytes. With `expected`, only
// while the file is still what it was when read.
Outcome writeList(const QString& path, const QStringList& texts);
Outcome writeValue(const QString& path, const QString& text,
                   const std::optional<FileStamp>& expected = std::nullopt);

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

// Why writeBytes would refuse to write `path` as it is now ("it is a folder, not a
// file"), without writing anything; empty when it may be written, and `exists` then says
// whether a file of that name is there to be replaced. For the questions before a write:
// writeBytes looks again as it writes.
QString bytesTargetProblem(const QString& path, const KeptFiles& kept = {},
                           bool* exists = nullptr);

// For tests: a step to run inside writeBytes as it comes to `step`, where another program
// could change the folder.
enum class WriteStep { Starting, Renaming };
void setWriteBytesPause(std::function<void(WriteStep)> pause);

// The largest list file read: a larger one is refused with a message rather than read, so
// that a stray file in an account folder cannot take all the memory. Years of entries
// take a few megabytes.
inline constexpr qint64 kListSizeLimit = 100 * 1024 * 1024;

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

// Makes the names in a folder (new, renamed, removed) last on the disk.
Outcome flushFolder(const QString& folder);

} // namespace kesterly::listfile
