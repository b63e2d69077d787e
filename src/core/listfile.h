#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Every read and write of an account file goes through here. A value is one line ending
// in CR LF; commas and quotes are ordinary characters. Files are written in
// Windows-1252 when every character fits (so they stay what older files hold) and in
// UTF-8 otherwise; a file is read as UTF-8 when it is valid UTF-8, else as Windows-1252.
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
Outcome writeFiles(const QList<FileLines>& files);
// Finishes a save of writeFiles() that a crash interrupted in the folder, and removes the
// hidden files that an interrupted save left behind. Nothing to do is a success.
Outcome finishPendingSave(const QString& folder);

// Every field of the file, in order (see splitFields).
Read<QStringList> readList(const QString& path);
// The first field, a number written as its plain form ("500.00" gives "500").
// A file without any field fails.
Read<QString> readValue(const QString& path);

// The field rules: blanks and tabs before a field are skipped; a field runs to the line
// end (CR LF or a bare LF), which is consumed; the last field may lack one.
QStringList splitFields(const QString& content);
// A field that as a whole is a number becomes its number-to-text; any other stays.
QString typedField(const QString& field);

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);

// Makes the names in a folder (new, renamed, removed) last on the disk.
Outcome flushFolder(const QString& folder);

} // namespace kesterly::listfile
