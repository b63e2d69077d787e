#pragma once

#include "core/importfile.h"

#include <utility>

// Where a CSV file's table starts and which column is which, guessed from the whole file:
// shared by the reading of a file (importfile.cpp) and the choice of another delimiter
// (importcsv.cpp). Only the import's readers include this.
namespace kesterly::entryimport {

// The most common number of fields (two or more) among the records, and how many have it.
std::pair<int, int> commonWidth(const QList<Record>& records);
// A record of blank fields only.
bool blankRecord(const Record& record);
// The header this program's own export writes.
bool isOwnHeader(const QStringList& fields);
// Guesses the table's place and columns under the source's delimiter; false when there
// is no table of dates and amounts.
bool guessColumns(Source& source, const QLocale& locale, const QDate& today);
// The list a file's name points to ("Income…", "Expense…"), as this program's export
// names its files.
ListChoice listFromName(const QString& path);

} // namespace kesterly::entryimport
