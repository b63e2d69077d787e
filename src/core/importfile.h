#pragma once

#include "core/plainfile.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// Entries from another program's file: a bank's CSV statement, a QIF file of an accounts
// book, or this program's own export (core/csvtext). A file is recognised by what it holds
// (not by its name), read whole, and every way of reading it that cannot be known for sure
// (the delimiter, which column is which, the order of day, month and year, the decimal
// separator, the list the rows go to) is guessed from the whole file and can be changed;
// the rows then follow from those choices. Nothing here writes; importplan.h puts the rows
// in an account.
namespace kesterly::entryimport {

enum class Format {
    Csv,       // a table of delimited text, as banks write statements
    OwnExport, // this program's export: Date, Description, Amount, Balance
    Qif,       // Quicken Interchange Format
};

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// Where the rows go.
enum class ListChoice {
    BySign,  // money in (a positive amount, a credit) to Income, money out to Expense
    Income,  // every row to Income, its amount as the file has it
    Expense, // every row to Expense, its amount as the file has it
};

// How a file's rows are read. For QIF only the date order, the decimal separator and the
// list apply.
struct Choices {
    QChar delimiter = QLatin1Char(',');
    // The record that holds the column names, or -1 when the table has none; the rows are
    // the records after it (or, without one, from `firstRecord` on).
    int headerRecord = -1;
    int firstRecord = 0;
    int dateColumn = -1;
    QList<int> descriptionColumns;
    // One signed amount column, or else a pair: money out (debit, withdrawal) and money
    // in (credit, deposit). -1 for none.
    int amountColumn = -1;
    int debitColumn = -1;
    int creditColumn = -1;
    DateOrder dateOrder = DateOrder::DayMonthYear;
    QChar decimal = QLatin1Char('.');
    ListChoice list = ListChoice::BySign;
    bool operator==(const Choices&) const = default;
};

// One record of a CSV file (its fields), or one transaction of a QIF file (its lines by
// their letter), with the line of the file it starts on (from 1).
struct Record {
    int line = 0;
    QStringList fields;
};

struct QifTransaction {
    int line = 0;
    QString date, amount, payee, memo;
};

// A file read and recognised.
struct Source {
    QString path;
    Format format = Format::Csv;
    QString encoding; // "UTF-8" or "Windows-1252", for the preview
    // CSV: the text decoded, split into records with each delimiter as it is chosen.
    QString text;
    QList<Record> records;
    // QIF: the transactions of its bank, card, cash and other-asset or -liability sections.
    QList<QifTransaction> transactions;
    // What was guessed; `choices` starts as a copy and is what the user chose.
    Choices guessed;
    Choices choices;
    // The column names of the table (the header record's fields, or "Column 1"...).
    QStringList columnNames() const;
};

// A row read under the choices: its date, description and amount, and where it goes.
struct Row {
    int source = 0; // which file of the import
    int line = 0;
    QDate date;
    QString description;
    bool income = true;
    double amount = 0;  // as it is recorded: positive when the list comes from the sign
    QString amountText; // the text recorded (see amountText below)
    // This program's own export: the balance the file gives after the row, which orders
    // rows of one day from two files as they were entered.
    QString statedBalance;
};

// A row whose date or amount does not read under the choices.
struct Unreadable {
    int source = 0;
    int line = 0;
    QString reason;
};

struct Rows {
    QList<Row> rows;
    QList<Unreadable> unreadable;
};

// Reads the file as every file the user names is read (a plain file, opened without
// waiting on a pipe, at most listfile::kListSizeLimit bytes), decodes it (UTF-8 with or
// without a byte order mark, else Windows-1252), recognises its format and guesses every
// choice. A file that is no CSV table of dates and amounts and no QIF file gives a
// sentence saying why, naming the file. `locale` gives the order and separator taken when
// the file leaves them open; `today` places two-digit years.
listfile::Read<Source> readSource(const QString& path, const QLocale& locale, const QDate& today);
// The same for bytes already read (the tests' fixtures); `path` names them in sentences.
listfile::Read<Source> recognise(const QString& path, const QByteArray& bytes,
                                 const QLocale& locale, const QDate& today);

// Splits the text into records with this delimiter (RFC 4180: quotes around a field, two
// quotes for one, line breaks inside quotes), noting each record's first line.
QList<Record> csvRecords(const QString& text, QChar delimiter);
// Takes a new delimiter: the records are split again and the columns guessed anew.
void setDelimiter(Source& source, QChar delimiter, const QLocale& locale, const QDate& today);

// The rows of the source under its choices.
Rows readRows(const Source& source, int index, const QDate& today);

// The date a text stands for in this order ("03.11.2026", "11/3/26", "2026-11-03", QIF's
// "11/ 3'26"); a four-digit first part is always year-month-day. A time after the date
// is left aside. Two-digit years are taken within 80 years before and 19 after `today`.
std::optional<QDate> readDate(const QString& text, DateOrder order, const QDate& today);
// The amount a text stands for with this decimal separator: a minus before or after,
// parentheses, thousands separators (the other of "." and ",", blanks, apostrophes), a
// currency sign or code before or after. Nothing when it is no amount (or empty).
std::optional<double> readAmount(const QString& text, QChar decimal);
// The text an amount is recorded with: the file's own (without sign, currency and
// blanks when `value` is its magnitude) when the user's settings' own form reads it as
// that very value; otherwise the value written as the program writes numbers.
QString amountText(const QString& fileText, double value, const QLocale& locale);

// The amount's text without what is not its number: blanks, a currency sign or code
// before or after, and its sign (which `negative`, when given, gets: a minus before or
// after, or parentheses).
QString numberBody(const QString& text, bool* negative);

// The guesses, exposed for the tests.
DateOrder guessDateOrder(const QStringList& texts, const QLocale& locale, bool qif);
QChar guessDecimal(const QStringList& texts, const QLocale& locale);

QString formatName(Format format);
QString dateOrderName(DateOrder order);

} // namespace kesterly::entryimport
