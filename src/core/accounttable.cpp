#include "core/accounttable.h"

#include "core/accountfolder.h"

#include <QFileInfo>
#include <algorithm>

namespace kesterly::account {

namespace {

QString tableFolder(const QString& accountFolder, const Table& table) {
    return table.subfolder.isEmpty() ? accountFolder : filePath(accountFolder, table.subfolder);
}

// A subfolder that is a link leads out of the account.
QString subfolderProblem(const QString& accountFolder, const Table& table) {
    if (table.subfolder.isEmpty())
        return {};
    const QString folder = tableFolder(accountFolder, table);
    if (QFileInfo(folder).isSymLink())
        return QStringLiteral("\"%1\" is a link to a folder elsewhere, and Kesterly reads and "
                              "writes only the account's own files.")
            .arg(folder);
    return {};
}

} // namespace

TableRead readTable(const QString& accountFolder, const Table& table) {
    TableRead read;
    read.columns.resize(table.files.size());
    if (QString problem = subfolderProblem(accountFolder, table); !problem.isEmpty()) {
        read.problems << problem;
        return read;
    }
    const QString folder = tableFolder(accountFolder, table);
    if (listfile::Outcome pending = listfile::finishPendingSave(folder); !pending)
        read.problems << pending.message();
    for (qsizetype column = 0; column < table.files.size(); ++column) {
        listfile::Read<QStringList> file =
            listfile::readList(filePath(folder, table.files[column]));
        if (file.ok())
            read.columns[column] = std::move(*file.value);
        else
            read.problems << file.error;
    }
    qsizetype longest = 0;
    for (const QStringList& column : std::as_const(read.columns))
        longest = std::max(longest, column.size());
    for (QStringList& column : read.columns) {
        column.reserve(longest);
        while (column.size() < longest)
            column << QString();
    }
    return read;
}

listfile::Outcome saveTable(const QString& accountFolder, const Table& table,
                            const QList<QStringList>& columns) {
    if (QString problem = subfolderProblem(accountFolder, table); !problem.isEmpty())
        return listfile::Outcome::failure(problem);
    const QString folder = tableFolder(accountFolder, table);
    QList<listfile::FileLines> files;
    for (qsizetype column = 0; column < table.files.size(); ++column)
        files.append({filePath(folder, table.files[column]), columns.value(column)});
    return listfile::writeFiles(files);
}

listfile::Outcome finishPendingSaves(const QString& accountFolder) {
    if (listfile::Outcome done = listfile::finishPendingSave(accountFolder); !done)
        return done;
    const Table reminders{kRemindersFolder, {}};
    if (!subfolderProblem(accountFolder, reminders).isEmpty())
        return listfile::Outcome::success();
    return listfile::finishPendingSave(tableFolder(accountFolder, reminders));
}

} // namespace kesterly::account
