// Import Entries: files in the shapes banks and programs really write them, read,
// recognised and guessed without any change by the user; the rows planned against an
// account as Submits would record them; and the recording as one unit, killed at each step.
#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "core/clock.h"
#include "core/csvtext.h"
#include "core/importfile.h"
#include "core/importplan.h"
#include "core/ledgermath.h"
#include "core/listfile.h"
#include "core/numberform.h"
#include "core/numbertext.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::entryimport;
using namespace kesterly::test;

namespace {

const QDate kToday(2026, 12, 1);

QLocale english() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}
QLocale german() {
    return QLocale(QLocale::German, QLocale::Germany);
}

// A German bank's statement: Windows-1252, semicolons, the account and the period on
// three lines before the header, day.month.year, amounts with a decimal comma and thousands
// points, a currency column.
const QByteArray kGermanCsv =
    "Kontonummer:;DE12 3456 7890 1234 5678 90;\r\n"
    "Zeitraum:;01.11.2026 - 30.11.2026;\r\n"
    "Kontostand vom 30.11.2026:;2.345,67 EUR;\r\n"
    "Buchungstag;Valuta;Auftraggeber/Empf\xE4nger;Verwendungszweck;"
    "Betrag;W\xE4hrung\r\n"
    "03.11.2026;03.11.2026;Stadtwerke M\xFCnchen;Strom November;"
    "-1.234,56;EUR\r\n"
    "15.11.2026;15.11.2026;Arbeitgeber GmbH;Gehalt November;2.500,00;EUR\r\n"
    "20.11.2026;21.11.2026;B\xE4"
    "ckerei M\xFCller;Br\xF6tchen;-4,20;EUR\r\n";

// A US bank's: commas, month/day/year, payees in quotes with commas and quotes inside,
// withdrawals and deposits in columns of their own, a withdrawal in parentheses.
const QByteArray kUsCsv = "Date,Description,Withdrawals,Deposits,Balance\n"
                          "11/03/2026,\"AMAZON.COM, INC. SEATTLE WA\",($12.50),,\"$1,987.50\"\n"
                          "11/15/2026,\"PAYROLL ACME, LLC\",,\"$2,500.00\",\"$4,487.50\"\n"
                          "11/28/2026,\"Joe's Diner, \"\"The Best\"\"\",$45.10,,\"$4,442.40\"\n";

// A QIF file as accounts books write it: options, the account, categories, then the bank
// transactions with M/D'YY dates and thousands commas.
const QByteArray kQif = "!Option:AutoSwitch\r\n"
                        "!Account\r\n"
                        "NChecking\r\n"
                        "TBank\r\n"
                        "^\r\n"
                        "!Type:Cat\r\n"
                        "NGroceries\r\n"
                        "E\r\n"
                        "^\r\n"
                        "!Type:Bank\r\n"
                        "D11/ 3'26\r\n"
                        "T-1,234.56\r\n"
                        "CX\r\n"
                        "PRent, November\r\n"
                        "MFlat 2\r\n"
                        "LHousing\r\n"
                        "^\r\n"
                        "D11/15'26\r\n"
                        "U2,500.00\r\n"
                        "T2,500.00\r\n"
                        "PPayroll\r\n"
                        "^\r\n"
                        "D11/20/26\r\n"
                        "T-4.20\r\n"
                        "MBakery\r\n"
                        "^\r\n"
                        "!Type:Prices\r\n"
                        "\"ACME\",12.5,\"11/20'26\"\r\n"
                        "^\r\n";

Source recognised(const QByteArray& bytes, const QString& name = QStringLiteral("statement.csv"),
                  const QLocale& locale = english()) {
    const listfile::Read<Source> source = recognise(name, bytes, locale, kToday);
    if (!source.ok())
        qWarning("%s", qPrintable(source.error));
    return source.value.value_or(Source{});
}

// "Income|11/3/2026|description|amount" for each row, in file order.
QStringList shown(const Source& source, const QLocale& locale = english()) {
    const ScopedUserLocale pinned(locale);
    QStringList out;
    for (const Row& row : readRows(source, 0, kToday).rows)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(row.income ? "Income" : "Expense", dateText(row.date, locale),
                        row.description, row.amountText);
    return out;
}

// An account as New Account leaves it, with this balance.
QString makeAccount(const QString& folder, const QByteArray& balance = "500\r\n") {
    QDir().mkpath(folder);
    writeBytes(account::filePath(folder, account::kName), "Household\r\n");
    writeBytes(account::filePath(folder, account::kOpeningBalance), balance);
    for (const QString& name : account::kIncomeTable.inOrder() + account::kExpenseTable.inOrder())
        writeBytes(account::filePath(folder, name), "\r\n");
    return folder;
}

// The lists, the balance and the form of numbers the account remembers with it.
QStringList listFiles() {
    return account::kIncomeTable.inOrder() + account::kExpenseTable.inOrder() +
           QStringList{account::kOpeningBalance, numbers::kFormFile};
}

QList<QByteArray> accountBytes(const QString& folder) {
    QList<QByteArray> bytes;
    for (const QString& name : listFiles())
        bytes << bytesOf(account::filePath(folder, name));
    return bytes;
}

QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The rows of a table as "date|description|amount|balance", the empty first row left out.
QStringList tableRows(const QString& folder, const account::TableFiles& files) {
    const account::TableRead read = account::readTable(folder, account::ledgerTable(files));
    QStringList rows;
    for (qsizetype row = 0; row < read.columns.value(0).size(); ++row) {
        QStringList fields;
        for (const QStringList& column : read.columns)
            fields << column.value(row);
        if (fields.join(QString()).isEmpty())
            continue;
        rows << fields.join('|');
    }
    return rows;
}

// Imports the sources into the account as the Import button does.
listfile::Outcome importInto(const QString& folder, const QList<Source>& sources,
                             bool includeDuplicates = false, Plan* planned = nullptr) {
    QList<Row> rows;
    for (int i = 0; i < sources.size(); ++i)
        rows << readRows(sources[i], i, kToday).rows;
    const Account account = readAccount(folder);
    const Plan plan = makePlan(rows, account, includeDuplicates, userLocale(), kToday);
    if (planned)
        *planned = plan;
    return record(folder, plan, account);
}

} // namespace

class EntryImportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void germanBankStatement();
    void germanBankStatementUnderGermanSettings();
    void usBankStatement();
    void qifFile();
    void plainExportWithoutHeader();
    void ownExportRoundTrip();
    void ownExportWithSemicolonsAndYearFirstDates_data();
    void ownExportWithSemicolonsAndYearFirstDates();
    void unreadableRowsAreListedWithTheirLines();
    void lineBreaksInsideQuotes();
    void reimportAddsNothing();
    void twoCoffeesAgainstOneImportOne();
    void choicesChangeTheRows();
    void datesInEveryForm_data();
    void datesInEveryForm();
    void amountsInEveryForm_data();
    void amountsInEveryForm();
    void filesThatAreNoStatementAreRefused();
    void tooManyRowsAreRefusedWithTheNumbers();
    void anotherProgramsChangeWritesNothing();
    void balanceWrittenUnderOtherSettings_data();
    void balanceWrittenUnderOtherSettings();
    void killedAtEachStepTheImportIsAllOrNothing_data();
    void killedAtEachStepTheImportIsAllOrNothing();

private:
    std::optional<ScopedUserLocale> locale_;
};

void EntryImportTest::initTestCase() {
    locale_.emplace(english());
}

void EntryImportTest::germanBankStatement() {
    const Source source = recognised(kGermanCsv);
    QCOMPARE(source.format, Format::Csv);
    QCOMPARE(source.encoding, QStringLiteral("Windows-1252"));
    QCOMPARE(source.guessed.delimiter, QLatin1Char(';'));
    QCOMPARE(source.guessed.headerRecord, 3);
    QCOMPARE(source.guessed.dateColumn, 0);
    QCOMPARE(source.guessed.descriptionColumns, (QList<int>{2, 3}));
    QCOMPARE(source.guessed.amountColumn, 4);
    QCOMPARE(source.guessed.dateOrder, DateOrder::DayMonthYear);
    QCOMPARE(source.guessed.decimal, QLatin1Char(','));
    QCOMPARE(source.guessed.list, ListChoice::BySign);
    QCOMPARE(shown(source),
             (QStringList{"Expense|11/3/2026|Stadtwerke München Strom November|1234.56",
                          "Income|11/15/2026|Arbeitgeber GmbH Gehalt November|2500",
                          "Expense|11/20/2026|Bäckerei Müller Brötchen|4.2"}));
    // The lines of the file, for rows that cannot be read.
    QCOMPARE(readRows(source, 0, kToday).rows.value(2).line, 7);

    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Household"));
    Plan plan;
    QVERIFY(importInto(folder, {source}, false, &plan));
    QCOMPARE(plan.toIncome, 1);
    QCOMPARE(plan.toExpense, 2);
    QCOMPARE(plan.duplicates, 0);
    QCOMPARE(tableRows(folder, account::kExpenseTable),
             (QStringList{"11/3/2026|Stadtwerke München Strom November|1234.56|-734.56",
                          "11/20/2026|Bäckerei Müller Brötchen|4.2|1761.24"}));
    QCOMPARE(tableRows(folder, account::kIncomeTable),
             (QStringList{"11/15/2026|Arbeitgeber GmbH Gehalt November|2500|1765.44"}));
    QCOMPARE(bytesOf(account::filePath(folder, account::kOpeningBalance)),
             QByteArray("1761.24\r\n"));
}

void EntryImportTest::germanBankStatementUnderGermanSettings() {
    const Source source = recognised(kGermanCsv, QStringLiteral("umsaetze.csv"), german());
    QCOMPARE(shown(source, german()),
             (QStringList{"Expense|03.11.2026|Stadtwerke München Strom November|1.234,56",
                          "Income|15.11.2026|Arbeitgeber GmbH Gehalt November|2.500,00",
                          "Expense|20.11.2026|Bäckerei Müller Brötchen|4,20"}));
    const ScopedUserLocale pinned(german());
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Haushalt"));
    QVERIFY(importInto(folder, {source}));
    QCOMPARE(tableRows(folder, account::kExpenseTable),
             (QStringList{"03.11.2026|Stadtwerke München Strom November|1.234,56|-734,56",
                          "20.11.2026|Bäckerei Müller Brötchen|4,20|1761,24"}));
}

void EntryImportTest::usBankStatement() {
    const Source source = recognised(kUsCsv);
    QCOMPARE(source.guessed.delimiter, QLatin1Char(','));
    QCOMPARE(source.encoding, QStringLiteral("UTF-8"));
    QCOMPARE(source.guessed.amountColumn, -1);
    QCOMPARE(source.guessed.debitColumn, 2);
    QCOMPARE(source.guessed.creditColumn, 3);
    QCOMPARE(source.guessed.descriptionColumns, QList<int>{1});
    QCOMPARE(source.guessed.dateOrder, DateOrder::MonthDayYear);
    QCOMPARE(source.guessed.decimal, QLatin1Char('.'));
    QCOMPARE(shown(source), (QStringList{"Expense|11/3/2026|AMAZON.COM, INC. SEATTLE WA|12.50",
                                         "Income|11/15/2026|PAYROLL ACME, LLC|2,500.00",
                                         "Expense|11/28/2026|Joe's Diner, \"The Best\"|45.10"}));
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Household"));
    QVERIFY(importInto(folder, {source}));
    QCOMPARE(tableRows(folder, account::kExpenseTable),
             (QStringList{"11/3/2026|AMAZON.COM, INC. SEATTLE WA|12.50|487.5",
                          "11/28/2026|Joe's Diner, \"The Best\"|45.10|2942.4"}));
    QCOMPARE(tableRows(folder, account::kIncomeTable),
             (QStringList{"11/15/2026|PAYROLL ACME, LLC|2,500.00|2987.5"}));
}

void EntryImportTest::qifFile() {
    const Source source = recognised(kQif, QStringLiteral("checking.qif"));
    QCOMPARE(source.format, Format::Qif);
    QCOMPARE(source.transactions.size(), 3);
    QCOMPARE(source.guessed.dateOrder, DateOrder::MonthDayYear);
    QCOMPARE(source.guessed.decimal, QLatin1Char('.'));
    QCOMPARE(shown(source),
             (QStringList{"Expense|11/3/2026|Rent, November Flat 2|1,234.56",
                          "Income|11/15/2026|Payroll|2,500.00", "Expense|11/20/2026|Bakery|4.20"}));
    QCOMPARE(readRows(source, 0, kToday).rows.value(0).line, 11);
    // The same by its content, whatever the file is called.
    QCOMPARE(recognised(kQif, QStringLiteral("export.txt")).format, Format::Qif);
}

void EntryImportTest::plainExportWithoutHeader() {
    // No header, a tab between the fields: the columns are known by what they hold.
    const QByteArray bytes = "2026-11-03\tCOFFEE SHOP 123\t-3.50\t996.50\n"
                             "2026-11-04\tSALARY NOVEMBER\t2000.00\t2996.50\n"
                             "2026-11-05\tBOOKS\t-12.00\t2984.50\n";
    const Source source = recognised(bytes);
    QCOMPARE(source.guessed.delimiter, QLatin1Char('\t'));
    QCOMPARE(source.guessed.headerRecord, -1);
    QCOMPARE(source.guessed.dateColumn, 0);
    QCOMPARE(source.guessed.descriptionColumns, QList<int>{1});
    QCOMPARE(source.guessed.amountColumn, 2);
    QCOMPARE(source.guessed.dateOrder, DateOrder::YearMonthDay);
    QCOMPARE(shown(source), (QStringList{"Expense|11/3/2026|COFFEE SHOP 123|3.50",
                                         "Income|11/4/2026|SALARY NOVEMBER|2000.00",
                                         "Expense|11/5/2026|BOOKS|12.00"}));
}

void EntryImportTest::ownExportRoundTrip() {
    // An account of Submits in date order, dates typed as the status panel shows them,
    // two lists interleaved on the same days.
    struct Entry {
        bool income;
        QString date, description, amount;
    };
    const QList<Entry> entries = {
        {true, "12/1/2026", "Salary", "2000"},
        {false, "12/1/2026", "Rent, December", "450.00"},
        {true, "12/1/2026", "Refund taken back", "-50"},
        {false, "12/3/2026", "=2+3 looks like a formula", "15.5"},
        {true, "12/3/2026", "Café \"Zum Löwen\"", "1,000.25"},
        {false, "12/24/2026", "Presents", "120"},
    };
    QList<QStringList> income(4, QStringList{QString()});
    QList<QStringList> expense(4, QStringList{QString()});
    QString balance = "100";
    for (const Entry& entry : entries) {
        balance = *ledger::balanceAfter(balance, entry.amount, entry.income).text;
        QList<QStringList>& table = entry.income ? income : expense;
        table[0] << entry.date;
        table[1] << entry.description;
        table[2] << entry.amount;
        table[3] << balance;
    }
    const QStringList header = {"Date", "Description", "Amount", "Balance"};
    const QByteArray incomeCsv = csv::document(header, income);
    const QByteArray expenseCsv = csv::document(header, expense);

    const Source incomeSource = recognised(incomeCsv, "Income.csv");
    const Source expenseSource = recognised(expenseCsv, "Expense.csv");
    QCOMPARE(incomeSource.format, Format::OwnExport);
    QCOMPARE(incomeSource.guessed.list, ListChoice::Income);
    QCOMPARE(expenseSource.guessed.list, ListChoice::Expense);

    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Copy"), "100\r\n");
    QVERIFY(importInto(folder, {incomeSource, expenseSource}));
    QList<QByteArray> expected;
    for (const QList<QStringList>* table : {&income, &expense}) {
        for (const QStringList& column : *table)
            expected << listfile::linesOf(column);
    }
    expected << balance.toUtf8() + "\r\n";
    // A balance with a decimal point: the account remembers the form, as after a Submit.
    QVERIFY(balance.contains('.'));
    expected << "decimal point\r\n";
    QCOMPARE(accountBytes(folder), expected);

    // Imported again, the same files hold every row already: nothing changes.
    Plan again;
    QVERIFY(importInto(folder, {incomeSource, expenseSource}, false, &again));
    QCOMPARE(again.duplicates, int(entries.size()));
    QCOMPARE(again.recorded(), 0);
    QCOMPARE(accountBytes(folder), expected);
}

void EntryImportTest::ownExportWithSemicolonsAndYearFirstDates_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("German settings") << german()
                                     << QStringList{"01.12.2026|Gehalt|2.000,50|2100,5",
                                                    "03.12.2026|Miete; Dezember|450|2550,5"};
    QTest::newRow("English settings")
        << english()
        << QStringList{"12/1/2026|Gehalt|2000.5|2100.5", "12/3/2026|Miete; Dezember|450|2550.5"};
}

void EntryImportTest::ownExportWithSemicolonsAndYearFirstDates() {
    QFETCH(QLocale, locale);
    QFETCH(QStringList, rows);
    // The export under settings with a decimal comma: semicolons, dates as year-month-day.
    const QByteArray bytes = "\xEF\xBB\xBF"
                             "Date;Description;Amount;Balance\r\n"
                             "2026-12-01;Gehalt;2.000,50;2.100,5\r\n"
                             "2026-12-03;\"Miete; Dezember\";450;2.550,5\r\n";
    const Source source = recognised(bytes, "Income.csv", locale);
    QCOMPARE(source.format, Format::OwnExport);
    QCOMPARE(source.guessed.delimiter, QLatin1Char(';'));
    QCOMPARE(source.guessed.decimal, QLatin1Char(','));
    QCOMPARE(source.guessed.list, ListChoice::Income);
    const ScopedUserLocale pinned(locale);
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Copy"), "100\r\n");
    QVERIFY(importInto(folder, {source}));
    QCOMPARE(tableRows(folder, account::kIncomeTable), rows);
}

void EntryImportTest::unreadableRowsAreListedWithTheirLines() {
    const QByteArray bytes = "Date,Payee,Amount\n"
                             "11/03/2026,Coffee,-3.50\n"
                             "11/31/2026,No such day,-1.00\n"
                             "11/05/2026,Not a number,abc\n"
                             "\n"
                             "11/06/2026,Tea,-2.00\n";
    const Source source = recognised(bytes);
    const Rows rows = readRows(source, 0, kToday);
    QCOMPARE(rows.rows.size(), 2);
    QCOMPARE(rows.unreadable.size(), 2);
    QCOMPARE(rows.unreadable[0].line, 3);
    QCOMPARE(rows.unreadable[0].reason,
             QStringLiteral("the date \"11/31/2026\" does not read as month-day-year"));
    QCOMPARE(rows.unreadable[1].line, 4);
    QCOMPARE(
        rows.unreadable[1].reason,
        QStringLiteral("the amount \"abc\" does not read with \".\" as the decimal separator"));
    QCOMPARE(rows.rows[1].line, 6);
}

void EntryImportTest::lineBreaksInsideQuotes() {
    // A memo of two lines in quotes, tabs between the fields, a byte order mark: the
    // record is one row, its line break a blank, and the lines after it counted right.
    const QByteArray bytes = "\xEF\xBB\xBF"
                             "Datum\tText\tBetrag\r\n"
                             "01.11.2026\t\"Miete\r\nNovember\"\t-700,00\r\n"
                             "02.11.2026\t\"Caf\xC3\xA9 \"\"Eck\"\"\"\t-3,10\r\n"
                             "32.11.2026\tFalsch\t-1,00\r\n";
    const Source source = recognised(bytes);
    QCOMPARE(source.guessed.delimiter, QLatin1Char('\t'));
    QCOMPARE(source.encoding, QStringLiteral("UTF-8"));
    const Rows rows = readRows(source, 0, kToday);
    QCOMPARE(shown(source), (QStringList{"Expense|11/1/2026|Miete November|700",
                                         "Expense|11/2/2026|Café \"Eck\"|3.1"}));
    QCOMPARE(rows.rows[1].line, 4);
    QCOMPARE(rows.unreadable.value(0).line, 5);
}

void EntryImportTest::reimportAddsNothing() {
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Household"));
    const Source source = recognised(kUsCsv);
    QVERIFY(importInto(folder, {source}));
    const QList<QByteArray> once = accountBytes(folder);
    Plan plan;
    QVERIFY(importInto(folder, {source}, false, &plan));
    QCOMPARE(plan.duplicates, 3);
    QCOMPARE(plan.recorded(), 0);
    QCOMPARE(accountBytes(folder), once);
    // Included on purpose, they go in again.
    QVERIFY(importInto(folder, {source}, true, &plan));
    QCOMPARE(plan.recorded(), 3);
    QCOMPARE(tableRows(folder, account::kExpenseTable).size(), 4);
}

void EntryImportTest::twoCoffeesAgainstOneImportOne() {
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Household"));
    writeBytes(account::filePath(folder, "ExpenseDate.txt"), "\r\n11/03/2026\r\n");
    writeBytes(account::filePath(folder, "ExpenseDes.txt"), "\r\nCoffee\r\n");
    writeBytes(account::filePath(folder, "ExpenseAmn.txt"), "\r\n3.5\r\n");
    writeBytes(account::filePath(folder, "Expensebal.txt"), "\r\n496.5\r\n");
    writeBytes(account::filePath(folder, account::kOpeningBalance), "496.5\r\n");
    const QByteArray bytes = "Date,Description,Amount\n"
                             "11/03/2026,Coffee,-3.50\n"
                             "11/03/2026,Coffee,-3.50\n";
    Plan plan;
    QVERIFY(importInto(folder, {recognised(bytes)}, false, &plan));
    QCOMPARE(plan.duplicates, 1);
    QCOMPARE(plan.toExpense, 1);
    QCOMPARE(tableRows(folder, account::kExpenseTable),
             (QStringList{"11/03/2026|Coffee|3.5|496.5", "11/3/2026|Coffee|3.50|493"}));
}

void EntryImportTest::choicesChangeTheRows() {
    Source source = recognised(kGermanCsv);
    // Month first: only the day-12-or-less date reads (as March 11).
    source.choices.dateOrder = DateOrder::MonthDayYear;
    Rows rows = readRows(source, 0, kToday);
    QCOMPARE(rows.rows.size(), 1);
    QCOMPARE(rows.rows[0].date, QDate(2026, 3, 11));
    QCOMPARE(rows.unreadable.size(), 2);
    source.choices = source.guessed;
    // A decimal point: "-1.234,56" groups wrongly and does not read.
    source.choices.decimal = QLatin1Char('.');
    rows = readRows(source, 0, kToday);
    QCOMPARE(rows.unreadable.size(), 3);
    source.choices = source.guessed;
    source.choices.descriptionColumns = {3};
    source.choices.list = ListChoice::Expense;
    rows = readRows(source, 0, kToday);
    QCOMPARE(rows.rows.size(), 3);
    QCOMPARE(rows.rows[0].description, QStringLiteral("Strom November"));
    QVERIFY(!rows.rows[1].income);
    QCOMPARE(rows.rows[0].amountText, QStringLiteral("-1234.56"));
    // Another delimiter splits the records anew; back to the semicolon, the guesses return.
    setDelimiter(source, QLatin1Char(','), english(), kToday);
    QCOMPARE(source.choices.delimiter, QLatin1Char(','));
    QCOMPARE(source.guessed.delimiter, QLatin1Char(';'));
    setDelimiter(source, QLatin1Char(';'), english(), kToday);
    QCOMPARE(readRows(source, 0, kToday).rows.size(), 3);
}

void EntryImportTest::datesInEveryForm_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("order");
    QTest::addColumn<QDate>("date");
    const int dmy = int(DateOrder::DayMonthYear), mdy = int(DateOrder::MonthDayYear);
    const int ymd = int(DateOrder::YearMonthDay);
    QTest::newRow("dd.mm.yyyy") << "03.11.2026" << dmy << QDate(2026, 11, 3);
    QTest::newRow("d.m.yy") << "3.11.26" << dmy << QDate(2026, 11, 3);
    QTest::newRow("mm/dd/yyyy") << "11/03/2026" << mdy << QDate(2026, 11, 3);
    QTest::newRow("dd-mm-yyyy") << "03-11-2026" << dmy << QDate(2026, 11, 3);
    QTest::newRow("ISO whatever the order") << "2026-11-03" << mdy << QDate(2026, 11, 3);
    QTest::newRow("ISO with a time") << "2026-11-03 10:15:00" << dmy << QDate(2026, 11, 3);
    QTest::newRow("yy/mm/dd") << "26/11/03" << ymd << QDate(2026, 11, 3);
    QTest::newRow("QIF M/D'YY") << "11/ 3'26" << mdy << QDate(2026, 11, 3);
    QTest::newRow("QIF M/D/YY") << "11/3/26" << mdy << QDate(2026, 11, 3);
    QTest::newRow("two-digit year of the last century") << "11/3/67" << mdy << QDate(1967, 11, 3);
    QTest::newRow("no such day") << "31.11.2026" << dmy << QDate();
    QTest::newRow("a word") << "yesterday" << dmy << QDate();
}

void EntryImportTest::datesInEveryForm() {
    QFETCH(QString, text);
    QFETCH(int, order);
    QFETCH(QDate, date);
    QCOMPARE(readDate(text, DateOrder(order), kToday).value_or(QDate()), date);
}

void EntryImportTest::amountsInEveryForm_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("reads");
    QTest::newRow("German") << "-1.234,56" << QChar(',') << -1234.56 << true;
    QTest::newRow("English") << "1,234.56" << QChar('.') << 1234.56 << true;
    QTest::newRow("trailing minus") << "12,50-" << QChar(',') << -12.5 << true;
    QTest::newRow("parentheses and a sign") << "($12.50)" << QChar('.') << -12.5 << true;
    QTest::newRow("sign after the currency") << "$-12.50" << QChar('.') << -12.5 << true;
    QTest::newRow("currency code after") << "1.500,00 EUR" << QChar(',') << 1500.0 << true;
    QTest::newRow("euro sign before") << "€ 7,00" << QChar(',') << 7.0 << true;
    QTest::newRow("Swiss apostrophes") << "1'234.50" << QChar('.') << 1234.5 << true;
    QTest::newRow("blanks as thousands") << "1 234,50" << QChar(',') << 1234.5 << true;
    QTest::newRow("no thousands separator") << "1234.5" << QChar('.') << 1234.5 << true;
    QTest::newRow("wrong decimal separator") << "-1.234,56" << QChar('.') << 0.0 << false;
    QTest::newRow("a word") << "Invoice2026" << QChar('.') << 0.0 << false;
    QTest::newRow("empty") << "" << QChar('.') << 0.0 << false;
}

void EntryImportTest::amountsInEveryForm() {
    QFETCH(QString, text);
    QFETCH(QChar, decimal);
    QFETCH(double, value);
    QFETCH(bool, reads);
    const std::optional<double> read = readAmount(text, decimal);
    QCOMPARE(bool(read), reads);
    if (reads)
        QCOMPARE(*read, value);
}

void EntryImportTest::filesThatAreNoStatementAreRefused() {
    QTemporaryDir root;
    const auto refusal = [&](const QString& name) {
        const listfile::Read<Source> source = readSource(root.filePath(name), english(), kToday);
        return source.ok() ? QString() : source.error;
    };
    writeBytes(root.filePath("empty.csv"), "");
    QVERIFY(refusal("empty.csv").contains("is empty"));
    writeBytes(root.filePath("picture.csv"),
               QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200000010"));
    QVERIFY(refusal("picture.csv").contains("holds no text"));
    writeBytes(root.filePath("letter.csv"), "Dear Ann,\nthank you for the flowers.\n");
    QVERIFY(refusal("letter.csv").contains("is neither a CSV file"));
    QVERIFY(QDir(root.path()).mkdir("folder.csv"));
    QVERIFY2(refusal("folder.csv").contains("it is a folder"), qPrintable(refusal("folder.csv")));
    QCOMPARE(::mkfifo(QFile::encodeName(root.filePath("pipe.csv")).constData(), 0600), 0);
    QVERIFY2(refusal("pipe.csv").contains("not a plain file"), qPrintable(refusal("pipe.csv")));
    const listfile::Read<Source> device = readSource("/dev/zero", english(), kToday);
    QVERIFY2(!device.ok() && device.error.contains("not a plain file"), qPrintable(device.error));
    QFile large(root.filePath("large.csv"));
    QVERIFY(large.open(QIODevice::WriteOnly));
    QVERIFY(large.resize(listfile::kListSizeLimit + 1));
    large.close();
    QVERIFY2(refusal("large.csv").contains("more than the 104857600 bytes"),
             qPrintable(refusal("large.csv")));
    // A link to a statement is followed to it.
    writeBytes(root.filePath("real.csv"), kUsCsv);
    QVERIFY(QFile::link(root.filePath("real.csv"), root.filePath("link.csv")));
    QCOMPARE(refusal("link.csv"), QString());
}

void EntryImportTest::tooManyRowsAreRefusedWithTheNumbers() {
    Account account;
    account.balance = "0";
    account.income.columns = QList<QStringList>(4, QStringList(account::kMaxRows - 1));
    account.income.state.rows = account::kMaxRows - 1;
    account.expense.columns = QList<QStringList>(4, QStringList{QString()});
    account.expense.state.rows = 1;
    const Rows rows = readRows(recognised(kUsCsv), 0, kToday);
    // One deposit fits; with two more it would not.
    QCOMPARE(makePlan(rows.rows, account, false, english(), kToday).problem, QString());
    QList<Row> three = rows.rows;
    for (Row& row : three)
        row.income = true;
    QCOMPARE(makePlan(three, account, false, english(), kToday).problem,
             QStringLiteral("The Income list holds 32766 entries, and the import would add 3: "
                            "32769 in all, more than the 32767 a list can hold."));
}

void EntryImportTest::balanceWrittenUnderOtherSettings_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("balance");
    // Lines of IncomeBal.txt after the empty first row, and the remembered form ("" none).
    QTest::addColumn<QByteArray>("incomeBalances");
    QTest::addColumn<QByteArray>("remembered");
    QTest::addColumn<QByteArray>("balanceAfter"); // empty: refused, nothing written
    QTest::addColumn<QByteArray>("rememberedAfter");
    QTest::newRow("written under German, read under English")
        << english() << QByteArray("2366,27\r\n") << QByteArray() << QByteArray()
        << QByteArray("2367.27\r\n") << QByteArray("decimal point\r\n");
    QTest::newRow("written under English, remembered, read under German")
        << german() << QByteArray("1.125\r\n") << QByteArray() << QByteArray("decimal point\r\n")
        << QByteArray("2,125\r\n") << QByteArray("decimal comma\r\n");
    QTest::newRow("a German user's own thousands")
        << german() << QByteArray("1.500\r\n") << QByteArray() << QByteArray()
        << QByteArray("1501\r\n") << QByteArray();
    QTest::newRow("two readings the account cannot tell apart")
        << german() << QByteArray("1.125\r\n") << QByteArray("700.5\r\n") << QByteArray()
        << QByteArray() << QByteArray();
}

// The balance counts with the value it was written with, whatever settings wrote it, as
// the Entry form counts; where the account cannot tell, nothing is imported.
void EntryImportTest::balanceWrittenUnderOtherSettings() {
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, balance);
    QFETCH(QByteArray, incomeBalances);
    QFETCH(QByteArray, remembered);
    QFETCH(QByteArray, balanceAfter);
    QFETCH(QByteArray, rememberedAfter);
    const ScopedUserLocale pinned(locale);
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Household"), balance);
    if (!incomeBalances.isEmpty()) {
        // An earlier entry whose balance shows the other form.
        const QStringList income = account::kIncomeTable.inOrder();
        for (const auto& [name, line] :
             {std::pair{income[0], "01.11.2026"}, {income[1], "Gift"}, {income[2], "5"}})
            writeBytes(account::filePath(folder, name), QByteArray("\r\n") + line + "\r\n");
        writeBytes(account::filePath(folder, income[3]), "\r\n" + incomeBalances);
        // And one in the Expense list that shows the current form.
        const QStringList expense = account::kExpenseTable.inOrder();
        for (const auto& [name, line] : {std::pair{expense[0], "02.11.2026"},
                                         {expense[1], "Tea"},
                                         {expense[2], "1"},
                                         {expense[3], "699,5"}})
            writeBytes(account::filePath(folder, name), QByteArray("\r\n") + line + "\r\n");
    }
    const QString formFile = account::filePath(folder, numbers::kFormFile);
    if (!remembered.isEmpty())
        writeBytes(formFile, remembered);
    const Source source = recognised("Date;Description;Amount\r\n2026-11-20;Found;1\r\n",
                                     QStringLiteral("statement.csv"), locale);
    const QList<QByteArray> before = accountBytes(folder);
    const Account account = readAccount(folder);
    const Plan plan = makePlan(readRows(source, 0, kToday).rows, account, false, locale, kToday);
    const listfile::Outcome saved = record(folder, plan, account);
    if (balanceAfter.isEmpty()) {
        QVERIFY(!saved);
        QVERIFY2(saved.message().contains(QStringLiteral("two different numbers")),
                 qPrintable(saved.message()));
        QCOMPARE(accountBytes(folder), before);
        QVERIFY(!QFileInfo::exists(formFile));
        return;
    }
    QVERIFY2(saved, qPrintable(saved.message()));
    QCOMPARE(bytesOf(account::filePath(folder, account::kOpeningBalance)), balanceAfter);
    QCOMPARE(bytesOf(account::filePath(folder, account::kIncomeTable.inOrder()[3])),
             "\r\n" + balanceAfter);
    if (rememberedAfter.isEmpty())
        QVERIFY(!QFileInfo::exists(formFile));
    else
        QCOMPARE(bytesOf(formFile), rememberedAfter);
}

void EntryImportTest::anotherProgramsChangeWritesNothing() {
    QTemporaryDir root;
    const QString folder = makeAccount(root.filePath("Household"));
    const Source source = recognised(kUsCsv);
    const Account account = readAccount(folder);
    const Plan plan = makePlan(readRows(source, 0, kToday).rows, account, false, english(), kToday);
    // An editor adds an entry meanwhile.
    writeBytes(account::filePath(folder, "IncomeDes.txt"), "\r\nGift\r\n");
    const QList<QByteArray> before = accountBytes(folder);
    const listfile::Outcome saved = record(folder, plan, account);
    QVERIFY(!saved);
    QVERIFY(saved.changed());
    QCOMPARE(accountBytes(folder), before);
    // The balance too.
    const Account again = readAccount(folder);
    writeBytes(account::filePath(folder, account::kOpeningBalance), "600\r\n");
    QVERIFY(record(folder,
                   makePlan(readRows(source, 0, kToday).rows, again, false, english(), kToday),
                   again)
                .changed());
}

void EntryImportTest::killedAtEachStepTheImportIsAllOrNothing_data() {
    QTest::addColumn<QString>("call");
    // Every kind of call that puts something on the disk: the new files and the journal
    // (write), its commit (pwrite64), flushing, putting the journal (renameat) and the
    // files (renameat2) in place, removing the old files and the journal (unlinkat).
    for (const char* call :
         {"write", "pwrite64", "fsync", "fdatasync", "renameat", "renameat2", "unlinkat"})
        QTest::newRow(call) << QString::fromLatin1(call);
}

void EntryImportTest::killedAtEachStepTheImportIsAllOrNothing() {
    QFETCH(QString, call);
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    QTemporaryDir files;
    const QString statement = files.filePath("statement.csv");
    writeBytes(statement, kGermanCsv);
    // The account before, and after the import done without a kill.
    const QString model = makeAccount(files.filePath("Model"));
    const QList<QByteArray> before = accountBytes(model);
    QVERIFY(importInto(model, {recognised(kGermanCsv)}));
    const QList<QByteArray> after = accountBytes(model);
    QVERIFY(before != after);
    const QStringList namesAfter = namesIn(model);
    int kills = 0;
    for (int step = 1;; ++step) {
        QVERIFY2(step < 80, "the import never finished");
        QTemporaryDir root;
        const QString folder = makeAccount(root.filePath("Household"));
        const QStringList namesBefore = namesIn(folder);

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        child.setProcessEnvironment(environment);
        child.start(strace, {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                             QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(step),
                             QStringLiteral(KESTERLY_IMPORT_CHILD), folder, statement});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray said = child.readAllStandardError() + child.readAllStandardOutput();
        if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) {
            QCOMPARE(accountBytes(folder), after);
            QCOMPARE(namesIn(folder), namesAfter);
            break;
        }
        if (step == 1 && said.contains("ptrace"))
            QSKIP(qPrintable("strace cannot trace here: " + QString::fromLocal8Bit(said)));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() == 128 + 9,
                 qPrintable(QStringLiteral("exit %1: %2").arg(child.exitCode()).arg(said)));
        ++kills;

        // The next read finishes (or drops) the import: every list and the balance as
        // before, or every one as after.
        const Account read = readAccount(folder);
        QVERIFY2(read.problem.isEmpty(), qPrintable(read.problem));
        const QList<QByteArray> onDisk = accountBytes(folder);
        QVERIFY2(onDisk == before || onDisk == after,
                 qPrintable(QStringLiteral("killed at %1 %2: %3")
                                .arg(call)
                                .arg(step)
                                .arg(QString::fromUtf8(onDisk.join('|')))));
        QCOMPARE(namesIn(folder), onDisk == before ? namesBefore : namesAfter);
    }
    QVERIFY(kills > 0);
}

QTEST_APPLESS_MAIN(EntryImportTest)
#include "test_entryimport.moc"
