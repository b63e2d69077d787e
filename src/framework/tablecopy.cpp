#include "framework/tablecopy.h"

#include "framework/windows.h"

namespace kesterly {

TableCopy::TableCopy(Windows& windows, account::Table table, QString what, QString title)
    : windows_(windows), table_(std::move(table)), what_(std::move(what)),
      title_(std::move(title)) {}

QList<QStringList> TableCopy::read(const QString& folder) {
    folder_ = folder;
    load();
    if (!unsavedReason_.isEmpty())
        windows_.inform(unsavedReason_ +
                            QStringLiteral("\n\nThis window shows what could be read of %1. None "
                                           "of its files is written, so nothing in them is "
                                           "lost. Put the file right, then close this window "
                                           "and open it again.")
                                .arg(what_),
                        title_, MessageIcon::Exclamation);
    return loaded_;
}

void TableCopy::load() {
    unsavedReason_.clear();
    // With no account open there is nothing to read, and nothing will be written.
    if (folder_.isEmpty()) {
        loaded_ = QList<QStringList>(table_.files.size());
        return;
    }
    const account::TableRead table = account::readTable(folder_, table_);
    loaded_ = table.columns;
    state_ = table.state;
    if (!table.whole())
        unsavedReason_ = table.problems.join(QLatin1Char('\n'));
}

QString TableCopy::refusal() const {
    if (!unsavedReason_.isEmpty()) {
        QString table = what_;
        table[0] = table[0].toUpper();
        return QStringLiteral("%1 cannot be saved, because a file of it could not be read:\n%2")
            .arg(table, unsavedReason_);
    }
    return {};
}

TableCopy::Saved TableCopy::append(const QStringList& row,
                                   const QList<listfile::FileLines>& alongWith) {
    Saved saved;
    // With no account open the rows live on screen only: there are no files to hold them.
    const bool onScreenOnly = folder_.isEmpty();
    if (!onScreenOnly && account::changedSince(folder_, table_, state_)) {
        load();
        saved.reloaded = true;
    }
    if (QString why = refusal(); !why.isEmpty()) {
        saved.message = why;
        return saved;
    }
    QList<QStringList> after = loaded_;
    for (qsizetype column = 0; column < after.size(); ++column)
        after[column] << row.value(column);
    if (!onScreenOnly) {
        // Files of unequal length (changed by hand) take the row as one unit only when
        // they are written whole, with the empty rows that make them even.
        const listfile::Outcome written =
            state_.even ? account::appendRow(folder_, table_, row, state_, alongWith)
                        : account::saveTable(folder_, table_, after, alongWith, &state_);
        if (!written) {
            saved.message = written.message();
            return saved;
        }
    }
    loaded_ = after;
    saved.ok = true;
    return saved;
}

TableCopy::Saved TableCopy::replace(const QList<QStringList>& rows) {
    Saved saved;
    if (folder_.isEmpty()) {
        loaded_ = rows;
        saved.ok = true;
        return saved;
    }
    if (account::changedSince(folder_, table_, state_)) {
        load();
        saved.reloaded = true;
    }
    if (QString why = refusal(); !why.isEmpty()) {
        saved.message = why;
        return saved;
    }
    if (saved.reloaded) {
        saved.message = QStringLiteral("Another program has changed the files of %1 since this "
                                       "window read them. The window now shows %1 as the files "
                                       "hold it; choose again.")
                            .arg(what_);
        return saved;
    }
    const listfile::Outcome written = account::saveTable(folder_, table_, rows, {}, &state_);
    if (!written) {
        saved.message = written.message();
        return saved;
    }
    loaded_ = rows;
    saved.ok = true;
    return saved;
}

} // namespace kesterly
