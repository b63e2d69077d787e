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

listfile::Outcome finishPendingSave(const QString& accountFolder, const Table& table) {
    if (!subfolderProblem(accountFolder, table).isEmpty())
        return listfile::Outcome::success();
    return listfile::finishPendingSave(tableFolder(accountFolder, table));
}

qint64 tableSize(const QString& accountFolder, const Table& table) {
    qint64 bytes = 0;
    for (const QString& name : table.files)
        bytes += listfile::stampOf(filePath(tableFolder(accountFolder, table), name)).size;
    return bytes;
}

TableRead readTable(const QString& accountFolder, const Table& table, bool finishPending) {
    TableRead read;
    read.columns.resize(table.files.size());
    if (QString problem = subfolderProblem(accountFolder, table); !problem.isEmpty()) {
        read.problems << problem;
        return read;
    }
    const QString folder = tableFolder(accountFolder, table);
    if (listfile::Outcome pending =
            finishPending ? listfile::finishPendingSave(folder) : listfile::Outcome::success();
        !pending)
        read.problems << pending.message();
    else if (!pending.message().isEmpty())
        read.notes << pending.message();
    for (qsizetype column = 0; column < table.files.size(); ++column) {
        const QString path = filePath(folder, table.files[column]);
        listfile::Read<listfile::ListContent> file = listfile::readListContent(path, kMaxRows);
        if (file.ok()) {
            // Lines past the most rows a table holds are none of the program's: the rows
            // before them are shown, and the table is never written, as for a file that
            // could not be read.
            if (file.value->cut)
                read.problems << QStringLiteral("Could not read \"%1\" whole: it holds more "
                                                "than %2 lines, the most rows a list can hold, "
                                                "so only its first %2 are read.")
                                     .arg(path)
                                     .arg(kMaxRows);
            read.columns[column] = std::move(file.value->texts);
            read.state.stamps << file.value->stamp;
            read.state.charsets << file.value->charset;
        } else {
            read.problems << file.error;
            read.state.stamps << listfile::stampOf(filePath(folder, table.files[column]));
            read.state.charsets << listfile::Charset::Ascii;
        }
    }
    qsizetype longest = 0;
    for (const QStringList& column : std::as_const(read.columns))
        longest = std::max(longest, column.size());
    for (const QStringList& column : std::as_const(read.columns))
        read.state.even = read.state.even && column.size() == longest;
    read.state.rows = longest;
    for (QStringList& column : read.columns) {
        column.reserve(longest);
        while (column.size() < longest)
            column << QString();
    }
    return read;
}

listfile::Outcome saveTable(const QString& accountFolder, const Table& table,
                            const QList<QStringList>& columns,
                            const QList<listfile::FileLines>& alongWith, TableState* state) {
    if (QString problem = subfolderProblem(accountFolder, table); !problem.isEmpty())
        return listfile::Outcome::failure(problem);
    const QString folder = tableFolder(accountFolder, table);
    const bool known = state && state->stamps.size() == table.files.size();
    QList<listfile::FileLines> files;
    for (qsizetype column = 0; column < table.files.size(); ++column) {
        listfile::FileLines file{filePath(folder, table.files[column]), columns.value(column)};
        if (known)
            file.expected = state->stamps[column];
        files.append(file);
    }
    QList<listfile::SavedFile> saved;
    const listfile::Outcome outcome = listfile::writeFiles(files + alongWith, &saved);
    if (outcome && state) {
        state->stamps.clear();
        state->charsets.clear();
        for (qsizetype column = 0; column < table.files.size(); ++column) {
            state->stamps << saved.value(column).stamp;
            state->charsets << saved.value(column).charset;
        }
        state->alongWith.clear();
        for (qsizetype file = table.files.size(); file < saved.size(); ++file)
            state->alongWith << saved[file].stamp;
        state->even = true;
        state->rows = 0;
        for (const QStringList& column : columns)
            state->rows = std::max(state->rows, column.size());
    }
    return outcome;
}

listfile::Outcome appendRow(const QString& accountFolder, const Table& table,
                            const QStringList& row, TableState& state,
                            const QList<listfile::FileLines>& alongWith, bool* changedOutside) {
    if (QString problem = subfolderProblem(accountFolder, table); !problem.isEmpty())
        return listfile::Outcome::failure(problem);
    Q_ASSERT(row.size() == table.files.size() && state.charsets.size() == table.files.size());
    const QString folder = tableFolder(accountFolder, table);
    QList<listfile::LineAppend> appends;
    for (qsizetype column = 0; column < table.files.size(); ++column) {
        listfile::LineAppend append{filePath(folder, table.files[column]), row[column],
                                    state.charsets[column]};
        if (state.stamps.size() == table.files.size()) {
            append.expected = state.stamps[column];
            // Rows stay rows only in files of equal length.
            if (state.even)
                append.values = state.rows;
        }
        appends.append(append);
    }
    QList<listfile::SavedFile> saved;
    const listfile::Outcome outcome = listfile::appendLines(appends, alongWith, &saved);
    if (outcome) {
        bool changed = false;
        for (qsizetype column = 0; column < table.files.size(); ++column) {
            state.stamps[column] = saved.value(column).stamp;
            state.charsets[column] = saved.value(column).charset;
            changed = changed || saved.value(column).changedOutside;
        }
        ++state.rows;
        state.alongWith.clear();
        for (qsizetype file = table.files.size(); file < saved.size(); ++file)
            state.alongWith << saved[file].stamp;
        if (changedOutside)
            *changedOutside = changed;
    }
    return outcome;
}

bool changedSince(const QString& accountFolder, const Table& table, const TableState& state) {
    const QString folder = tableFolder(accountFolder, table);
    for (qsizetype column = 0; column < table.files.size(); ++column) {
        if (listfile::stampOf(filePath(folder, table.files[column])) != state.stamps.value(column))
            return true;
    }
    return false;
}

listfile::Outcome finishPendingSaves(const QString& accountFolder) {
    const listfile::Outcome account = listfile::finishPendingSave(accountFolder);
    const Table reminders{kRemindersFolder, {}};
    if (!account || !subfolderProblem(accountFolder, reminders).isEmpty())
        return account;
    const listfile::Outcome others =
        listfile::finishPendingSave(tableFolder(accountFolder, reminders));
    if (!others || account.message().isEmpty())
        return others;
    if (others.message().isEmpty())
        return account;
    return listfile::Outcome::successWithNote(account.message() + QLatin1Char('\n') +
                                              others.message());
}

} // namespace kesterly::account
