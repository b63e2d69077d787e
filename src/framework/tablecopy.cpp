#include "framework/tablecopy.h"

#include "framework/windows.h"

#include <QtConcurrent/QtConcurrentRun>

namespace kesterly {

TableCopy::TableCopy(Windows& windows, account::Table table, QString what, QString title)
    : windows_(windows), table_(std::move(table)), what_(std::move(what)),
      title_(std::move(title)) {}

TableCopy::~TableCopy() {
    // A save on the other thread is never cut short.
    if (aside_.isValid())
        aside_.waitForFinished();
}

bool TableCopy::isLarge() const {
    return account::tableSize(folder_, table_) >= kAsideBytes;
}

void TableCopy::read(const QString& folder, std::function<void()> ready) {
    folder_ = folder;
    if (folder_.isEmpty() || !isLarge()) {
        load();
        tellUnreadable();
        ready();
        return;
    }
    // A save a crash cut short is finished here, so that the other thread only reads.
    const listfile::Outcome pending = account::finishPendingSave(folder_, table_);
    runAside(
        [folder = folder_, table = table_] {
            return Result{
                account::readTable(folder, table, false), listfile::Outcome::success(), {}};
        },
        [this, pending, ready = std::move(ready)](const Result& result) {
            account::TableRead read = result.read;
            if (!pending)
                read.problems.prepend(pending.message());
            else if (!pending.message().isEmpty())
                read.notes.prepend(pending.message());
            take(read);
            tellUnreadable();
            ready();
        });
}

bool TableCopy::changedOnDisk() const {
    return state_.stamps.isEmpty() || account::changedSince(folder_, table_, state_);
}

void TableCopy::load() {
    if (folder_.isEmpty()) {
        unsavedReason_.clear();
        loaded_ = QList<QStringList>(table_.files.size());
        return;
    }
    take(account::readTable(folder_, table_));
}

void TableCopy::take(const account::TableRead& read) {
    loaded_ = read.columns;
    state_ = read.state;
    unsavedReason_ = read.problems.join(QLatin1Char('\n'));
    // Told at once, wherever the table was read from.
    if (!read.notes.isEmpty())
        windows_.inform(read.notes.join(QLatin1Char('\n')), title_, MessageIcon::Exclamation);
}

void TableCopy::tellUnreadable() {
    if (unsavedReason_.isEmpty())
        return;
    windows_.inform(unsavedReason_ +
                        QStringLiteral("\n\nThis window shows what could be read of %1. None of "
                                       "its files is written, so nothing in them is lost. Put "
                                       "the file right, then close this window and open it "
                                       "again.")
                            .arg(what_),
                    title_, MessageIcon::Exclamation);
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
    Q_ASSERT(!busy_);
    Saved saved;
    const auto withRow = [&row](QList<QStringList>& columns) {
        for (qsizetype column = 0; column < columns.size(); ++column)
            columns[column] << row.value(column);
    };
    // With no account open the rows live on screen only: there are no files to hold them.
    if (folder_.isEmpty()) {
        withRow(loaded_);
        saved.ok = true;
        return saved;
    }
    // Another program may write the files at any moment: a save that finds them changed
    // writes nothing, and the row goes after what they hold when they are read again.
    for (int attempt = 0; attempt < kSaveAttempts; ++attempt) {
        if (account::changedSince(folder_, table_, state_)) {
            load();
            saved.reloaded = true;
        }
        if (QString why = refusal(); !why.isEmpty()) {
            saved.message = why;
            return saved;
        }
        bool changedOutside = false;
        listfile::Outcome written = listfile::Outcome::success();
        if (state_.even) {
            written = account::appendRow(folder_, table_, row, state_, alongWith, &changedOutside);
        } else {
            // Files of unequal length (changed by hand) take the row as one unit only when
            // they are written whole, with the empty rows that make them even.
            QList<QStringList> after = loaded_;
            withRow(after);
            written = account::saveTable(folder_, table_, after, alongWith, &state_);
        }
        if (written) {
            // The row goes onto the rows in place: a copy of a full table's columns at each
            // entry would cost more than the entry's save. Files another program changed are
            // read again, the row among them.
            if (changedOutside) {
                load();
                saved.reloaded = true;
            } else {
                withRow(loaded_);
            }
            saved.ok = true;
            saved.message = written.message();
            saved.alongWith = state_.alongWith;
            return saved;
        }
        if (!written.changed()) {
            saved.message = written.message();
            return saved;
        }
        for (const listfile::FileLines& file : alongWith) {
            if (file.expected && listfile::stampOf(file.path) != *file.expected) {
                saved.alongWithChanged = true;
                saved.message = written.message();
                return saved;
            }
        }
        load();
        saved.reloaded = true;
    }
    saved.message = QStringLiteral("Another program kept changing the files of %1 while Kesterly "
                                   "was saving to them, so nothing was written. The window shows "
                                   "%1 as the files hold it now.")
                        .arg(what_);
    return saved;
}

void TableCopy::replace(const QList<QStringList>& rows, std::function<void(const Saved&)> done) {
    Q_ASSERT(!busy_);
    Saved saved;
    if (folder_.isEmpty()) {
        loaded_ = rows;
        saved.ok = true;
        done(saved);
        return;
    }
    if (account::changedSince(folder_, table_, state_)) {
        load();
        saved.reloaded = true;
    }
    if (QString why = refusal(); !why.isEmpty()) {
        saved.message = why;
        done(saved);
        return;
    }
    const QString changedMessage =
        QStringLiteral("Another program has changed the files of %1 since this window read "
                       "them. The window now shows %1 as the files hold it; choose again.")
            .arg(what_);
    if (saved.reloaded) {
        saved.message = changedMessage;
        done(saved);
        return;
    }
    const auto apply = [this, rows, changedMessage, done = std::move(done)](const Result& result) {
        Saved saved;
        if (result.saved) {
            loaded_ = rows;
            state_ = result.state;
            saved.ok = true;
            saved.message = result.saved.message();
        } else if (result.saved.changed()) {
            // The files were changed while the rows were being saved: nothing was written.
            load();
            saved.reloaded = true;
            saved.message = changedMessage;
        } else {
            saved.message = result.saved.message();
        }
        done(saved);
    };
    // The files are replaced only while they are still the ones this window read.
    const auto save = [folder = folder_, table = table_, rows, state = state_] {
        Result result;
        result.state = state;
        result.saved = account::saveTable(folder, table, rows, {}, &result.state);
        return result;
    };
    if (!isLarge()) {
        apply(save());
        return;
    }
    runAside(save, apply);
}

void TableCopy::runAside(std::function<Result()> work, std::function<void(const Result&)> then) {
    setBusy(true);
    then_ = std::move(then);
    aside_ = QtConcurrent::run(std::move(work));
    aside_.then(this, [this](const Result&) { finish(); });
}

void TableCopy::finish() {
    if (!aside_.isValid() || !then_)
        return;
    aside_.waitForFinished();
    // The result is taken once: here, or by the step queued when the thread was done. A
    // wait may run a work that had not started on this thread, and its step with it.
    if (!then_)
        return;
    const std::function<void(const Result&)> then = std::exchange(then_, nullptr);
    then(aside_.result());
    setBusy(false);
}

void TableCopy::whenIdle(std::function<void()> step) {
    if (!busy_) {
        step();
        return;
    }
    whenIdle_.push_back(std::move(step));
}

void TableCopy::setBusy(bool busy) {
    if (busy_ == busy)
        return;
    busy_ = busy;
    emit busyChanged(busy_);
    if (busy_)
        return;
    for (std::vector<std::function<void()>> steps = std::exchange(whenIdle_, {});
         const std::function<void()>& step : steps)
        step();
}

} // namespace kesterly
