#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// How a list file's text is held in bytes, and nothing about files: a value is one line
// ending in CR LF (a bare LF and a last line without an end are read too); commas and
// quotes are ordinary characters. Texts are written in Windows-1252 when every character
// fits and the bytes cannot be taken for UTF-8 (so plain accounts stay what older files
// hold), else in UTF-8; bytes are read as UTF-8 when they are valid UTF-8, else as
// Windows-1252, so that no character is ever lost either way.
namespace kesterly::listfile {

// How a file's characters are written, which decides how a line is added to it: a line
// added to a UTF-8 file is UTF-8 too, or the file would be read as Windows-1252.
enum class Charset { Ascii, Utf8, Windows1252 };
// The characters of a file after adding a line of this text to it.
Charset charsetAfterAdding(Charset file, const QString& text);
// The bytes of a line of this text added after the lines a file holds, written as the file
// is (without the line end); none when the file is in Windows-1252 and the text does not
// fit it, so that the file has to be written anew in UTF-8.
std::optional<QByteArray> addedLineBytes(Charset file, const QString& text);

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
// The same bytes handed to `write` in pieces of a few megabytes, so that a large list
// needs no buffer of its size; stops at the first non-zero result of `write` and returns
// it.
int encodeLines(const QStringList& texts, Charset* charset,
                const std::function<int(QByteArrayView)>& write);

// A value holding a line break would come back as two values and shift every later row
// of its table, so no such value is written: the sentence saying so for the file at
// `path`, or an empty text when no text holds one.
QString lineBreakProblem(const QString& path, const QStringList& texts);

// Bytes in Windows-1252 as text, every byte kept (the five bytes it leaves unassigned
// become the control characters of the same number), as fieldsOf reads them.
QString windows1252Text(QByteArrayView bytes);

// For readers that take a file in pieces: the steps of fieldsOf.
namespace listtext {
inline constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");
bool hasHighByte(QByteArrayView bytes);
// Where the bytes end before a UTF-8 sequence that the next bytes may complete.
qsizetype completeUpTo(QByteArrayView bytes);
// The field of one line (from its start up to its LF or the end of the file).
void addField(QStringList& fields, const char* at, const char* lineEnd, Charset charset);
// Adds the field of every line that ends in the bytes; returns where the first line that
// does not end begins.
const char* addEndedLines(QStringList& fields, const char* at, const char* end, Charset charset);
} // namespace listtext

} // namespace kesterly::listfile
