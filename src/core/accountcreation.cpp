#include "core/accountcreation.h"

#include "core/accountfolder.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace kesterly::account {

QString nameRefusal(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("Please type a name for the account.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" cannot be used as an account name.").arg(name);
    // A folder whose name begins with a point is hidden, and Open Account lists no
    // hidden folders: the account could never be opened.
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("An account name cannot begin with \".\": the account folder "
                              "would be hidden, and Open Account could not show it.");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("An account name cannot contain \"%1\": the account folder "
                                  "would be created somewhere else.")
                .arg(c);
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("An account name cannot contain control characters.");
    }
    return {};
}

QString newAccountFolder(const QString& root, const QString& name) {
    return root + name + QDir::separator();
}

QString newRemindersFolder(const QString& accountFolder) {
    return accountFolder + kRemindersFolder + QDir::separator();
}

listfile::Outcome createFolder(const QString& path, const QString& accountName) {
    if (QFileInfo::exists(path))
        return listfile::Outcome::failure(
            QStringLiteral("An account named \"%1\" already exists (%2). Nothing was changed.")
                .arg(accountName, path));
    // mkdir, not mkpath: only the last folder is new, so a missing root is reported.
    errno = 0;
    if (!QDir().mkdir(path)) {
        const QString why = errno ? QString::fromLocal8Bit(std::strerror(errno))
                                  : QStringLiteral("the folder could not be created");
        return listfile::Outcome::failure(
            QStringLiteral("Could not create the folder \"%1\": %2.").arg(path, why));
    }
    return listfile::Outcome::success();
}

listfile::Outcome createAccountFiles(const QString& accountFolder, const QString& remindersFolder,
                                     const QString& name, const QString& openingBalance) {
    const struct {
        QString path;
        QString text;
    } lines[] = {
        {remindersFolder + kReminderDate, {}},
        {remindersFolder + kReminderTime, {}},
        {remindersFolder + kReminderDescription, {}},
        {accountFolder + kOpeningBalance, openingBalance},
        {accountFolder + kName, name},
        {accountFolder + kIncomeTable.date, {}},
        {accountFolder + kIncomeTable.description, {}},
        {accountFolder + kIncomeTable.amount, {}},
        {accountFolder + kIncomeTable.balance, {}},
        {accountFolder + kExpenseTable.date, {}},
        {accountFolder + kExpenseTable.description, {}},
        {accountFolder + kExpenseTable.amount, {}},
        {accountFolder + kExpenseTable.balance, {}},
    };
    for (const auto& line : lines) {
        if (auto outcome = listfile::appendLine(line.path, line.text); !outcome)
            return outcome;
    }
    return listfile::Outcome::success();
}

} // namespace kesterly::account
