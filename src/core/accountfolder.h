#pragma once

#include <QString>
#include <QStringList>

// The layout of an account folder: its file names and how their paths are formed.
namespace kesterly::account {

inline const QString kName = QStringLiteral("Name.txt");
inline const QString kOpeningBalance = QStringLiteral("OpeningBalance.txt");
inline const QString kRemindersFolder = QStringLiteral("Reminders");

// The four files of a ledger table, in the order they are read and written.
struct TableFiles {
    QString date, description, amount, balance;
    QStringList inOrder() const { return {date, description, amount, balance}; }
};
inline const TableFiles kIncomeTable{
    QStringLiteral("IncomeDate.txt"), QStringLiteral("IncomeDes.txt"),
    QStringLiteral("IncomeAmn.txt"), QStringLiteral("Incomebal.txt")};
inline const TableFiles kExpenseTable{
    QStringLiteral("ExpenseDate.txt"), QStringLiteral("ExpenseDes.txt"),
    QStringLiteral("ExpenseAmn.txt"), QStringLiteral("Expensebal.txt")};

// The most rows a table holds: they are counted in a signed 16-bit number, as in older
// copies' files. A row beyond it is not added, and a list file holding more lines is not
// read past them.
inline constexpr int kMaxRows = 32767;

inline const QString kReminderDate = QStringLiteral("Date.txt");
inline const QString kReminderTime = QStringLiteral("Time.txt");
inline const QString kReminderDescription = QStringLiteral("Description.txt");

// The files of an account, by their paths inside its folder ("Reminders/Date.txt", with "/"
// between folder and file), in the order New Account writes them.
QStringList ownFiles();

// The folder new accounts are created in, ending with the separator: the user's home
// folder ("c:\" on Windows).
QString defaultRoot();

// folder + separator + file; the folder comes without a separator at its end.
QString filePath(const QString& folder, const QString& file);
// folder + separator + "Reminders" + separator + file.
QString reminderFilePath(const QString& folder, const QString& file);

} // namespace kesterly::account
