#include "framework/tablecopy.h"

#include "framework/windows.h"

namespace kesterly {

TableCopy::TableCopy(Windows& windows, account::Table table, QString what, QString title)
    : windows_(windows), table_(std::move(table)), what_(std::move(what)),
      title_(std::move(title)) {}

QList<QStringList> TableCopy::read(const QString& folder) {
    folder_ = folder;
    // With no account open there is nothing to read, and nothing will be written.
    if (folder_.isEmpty())
        return loaded_ = QList<QStringList>(table_.files.size());
    const account::TableRead table = account::readTable(folder_, table_);
    loaded_ = table.columns;
    if (!table.whole()) {
        unsavedReason_ = table.problems.join(QLatin1Char('\n'));
        windows_.inform(unsavedReason_ +
                            QStringLiteral("\n\nThis window shows what could be read of %1. None "
                                           "of its files is written when the window closes, so "
                                           "nothing in them is lost. Put the file right, then "
                                           "close this window and open it again.")
                                .arg(what_),
                        title_, MessageIcon::Exclamation);
    }
    return loaded_;
}

void TableCopy::writeBack(const QList<QStringList>& rows) {
    if (folder_.isEmpty() || rows == loaded_)
        return;
    if (!unsavedReason_.isEmpty()) {
        windows_.inform(QStringLiteral("The changes to %1 were not saved, because a file of it "
                                       "could not be read when the window opened:\n%2")
                            .arg(what_, unsavedReason_),
                        title_, MessageIcon::Exclamation);
        return;
    }
    for (;;) {
        const listfile::Outcome written = account::saveTable(folder_, table_, rows);
        if (written)
            return;
        const Choice answer = windows_.ask(
            written.message() +
                QStringLiteral("\n\nChoose Retry to try again, or Discard to close the window "
                               "without saving %1; its files then keep what they held before.")
                    .arg(what_),
            title_, MessageIcon::Exclamation, {Choice::Retry, Choice::Discard});
        if (answer != Choice::Retry)
            return;
    }
}

} // namespace kesterly
