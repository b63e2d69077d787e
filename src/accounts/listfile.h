#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Every read and write of an account file goes through here. A value is one line ending
// in CR LF; commas and quotes are ordinary characters. Files are written in
// Windows-1252 when every character fits (so they stay what older files hold) and in
// UTF-8 otherwise; a file is read as UTF-8 when it is valid UTF-8, else as Windows-1252.
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
// Replaces the file, atomically, with one line per text; no texts give 0 bytes.
Outcome writeList(const QString& path, const QStringList& texts);
Outcome writeValue(const QString& path, const QString& text);
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

} // namespace kesterly::listfile
