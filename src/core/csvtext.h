#pragma once

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QStringList>

// Tables written as comma-separated text for spreadsheets and other programs: fields
// separated by commas (or semicolons, see delimiterFor), every record ending in CR LF, a
// field holding the separator, a double quote, CR or LF enclosed in double quotes with
// each quote doubled, UTF-8 with a byte order mark so that a spreadsheet takes the
// characters for UTF-8.
namespace kesterly::csv {

// The separator a spreadsheet opening the file by double-click expects under the locale:
// ";" where numbers are written with a decimal comma (the comma belongs to the numbers),
// "," otherwise.
QChar delimiterFor(const QLocale& locale);

// The whole document: the header record, then one record per row of the columns (row i
// is text i of each column; a column shorter than the others gives empty texts). Rows
// whose texts are all empty are left out: every new account's lists start with one.
//
// A text that a spreadsheet would run as a formula (one starting with "=", "+", "-", "@",
// a tab or CR) is written with an apostrophe before it, so that it is shown as the text
// it is; a number such as "-50" or "+1.234,50" is written as it stands.
QByteArray document(const QStringList& header, const QList<QStringList>& columns,
                    QChar delimiter = QLatin1Char(','));

} // namespace kesterly::csv
