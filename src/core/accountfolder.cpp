#include "core/accountfolder.h"

#include <QDir>

namespace kesterly::account {

QStringList ownFiles() {
    const auto reminder = [](const QString& file) {
        return kRemindersFolder + QLatin1Char('/') + file;
    };
    return QStringList{reminder(kReminderDate), reminder(kReminderTime),
                       reminder(kReminderDescription), kOpeningBalance, kName}
           << kIncomeTable.inOrder() << kExpenseTable.inOrder();
}

QString defaultRoot() {
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    return QDir::toNativeSeparators(QDir::homePath() + QLatin1Char('/'));
#endif
}

QString filePath(const QString& folder, const QString& file) {
    return folder + QDir::separator() + file;
}

QString reminderFilePath(const QString& folder, const QString& file) {
    return filePath(filePath(folder, kRemindersFolder), file);
}

} // namespace kesterly::account
