#include "ledger/listexport.h"

#include "core/csvtext.h"
#include "core/ledgerhistory.h"
#include "core/listfile.h"
#include "core/numberform.h"
#include "core/numbertext.h"
#include "framework/windows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>
#include <array>

namespace kesterly {

namespace {

struct ExportedList {
    QString name; // "Income": in the dialog's title, the suggested file and the messages
    const account::TableFiles* files;
};

const std::array<ExportedList, 2> kLists = {
    ExportedList{QStringLiteral("Income"), &account::kIncomeTable},
    ExportedList{QStringLiteral("Expense"), &account::kExpenseTable}};

// The header's names are in the interface's language.
QStringList header() {
    return {QCoreApplication::translate("ListExport", "Date"),
            QCoreApplication::translate("ListExport", "Description"),
            QCoreApplication::translate("ListExport", "Amount"),
            QCoreApplication::translate("ListExport", "Balance")};
}

// The files of the account that no export may replace: its own thirteen and the one that
// remembers the form of its numbers.
QStringList keptFiles() {
    return account::ownFiles() << numbers::kFormFile;
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Whether the file is one of the account's own (its name, balance, lists and reminders):
// a CSV file written over it would leave the account unreadable. Other files in the
// account folder may be chosen.
bool isAccountFile(const QString& path, const QString& account) {
    const QFileInfo target(path);
    const QString folder = QDir(target.absolutePath()).canonicalPath();
    const QString accountFolder = QDir(account).canonicalPath();
    if (folder.isEmpty() || accountFolder.isEmpty())
        return false;
    const QString inside =
        QDir(accountFolder).relativeFilePath(folder + QLatin1Char('/') + target.fileName());
    return keptFiles().contains(inside);
}

} // namespace

const QString ListExport::kTitle = QStringLiteral("Export Lists");

ListExport::ListExport(Windows& windows) : windows_(windows) {
    connect(&aside_, &QFutureWatcher<Result>::finished, this, &ListExport::listDone);
}

ListExport::~ListExport() {
    // A file being written is finished, never cut short.
    aside_.disconnect(this);
    aside_.waitForFinished();
    setRunning(false);
}

void ListExport::start() {
    if (running_)
        return;
    account_ = windows_.account().folder();
    if (account_.isEmpty()) {
        windows_.inform(QStringLiteral("No account is open. Open an account with Account, Open "
                                       "Account, then export its lists."),
                        kTitle, MessageIcon::Exclamation);
        return;
    }
    written_.clear();
    // Never the account folder unless the user goes there: files of other kinds do not
    // belong among the account's own.
    exportList(0, lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_);
}

void ListExport::exportList(int index, const QString& folder) {
    const ExportedList& list = kLists[index];
    const QString path = windows_.chooseSaveFile(
        {QStringLiteral("Export the %1 List").arg(list.name), folder,
         list.name + QStringLiteral(".csv"), QStringLiteral("CSV files (*.csv)")});
    if (path.isEmpty()) {
        report({});
        return;
    }
    // The Expense list put in the Income list's file would leave the Income list
    // reported as written where it no longer is.
    if (index > 0 && QFileInfo(path) == QFileInfo(path_)) {
        windows_.inform(QStringLiteral("The %1 list was just exported to \"%2\". Choose another "
                                       "file for the %3 list.")
                            .arg(kLists[index - 1].name, shown(path), list.name),
                        kTitle, MessageIcon::Exclamation);
        exportList(index, folder);
        return;
    }
    if (isAccountFile(path, account_)) {
        windows_.inform(QStringLiteral("\"%1\" is one of the account's own files, which the "
                                       "program reads. Choose another file for the %2 list.")
                            .arg(shown(path), list.name),
                        kTitle, MessageIcon::Exclamation);
        exportList(index, folder);
        return;
    }
    // A file the export would refuse is said so at once; only a file it may write gets the
    // question whether to replace it.
    bool exists = false;
    if (const QString why = listfile::bytesTargetProblem(path, {account_, keptFiles()}, &exists);
        !why.isEmpty()) {
        windows_.inform(tr("\"%1\" cannot be written: %2. Choose another file for the %3 list.")
                            .arg(shown(path), why, list.name),
                        kTitle, MessageIcon::Exclamation);
        exportList(index, folder);
        return;
    }
    if (exists) {
        const Choice replace = windows_.ask(
            tr("\"%1\" already exists.\nDo you want to replace it?").arg(shown(path)), kTitle,
            MessageIcon::Exclamation, {Choice::Yes, Choice::No});
        if (replace == Choice::No) {
            exportList(index, QFileInfo(path).absolutePath());
            return;
        }
        // A box ended without an answer replaces nothing, and ends the export.
        if (replace != Choice::Yes) {
            report({});
            return;
        }
    }
    lastFolder_ = QFileInfo(path).absolutePath();
    index_ = index;
    path_ = path;

    const account::Table table = account::ledgerTable(*list.files);
    // A save a crash cut short is finished here, so that the other thread only reads.
    const listfile::Outcome pending = account::finishPendingSave(account_, table);
    setRunning(true);
    aside_.setFuture(QtConcurrent::run([folder = account_, table, path, pending,
                                        names = header(), locale = userLocale(),
                                        today = windows_.clock().now().date()] {
        account::TableRead read;
        numbers::AccountForm form;
        {
            // The files are read between saves, never in the middle of one.
            const listfile::SaveHold hold;
            read = account::readTable(folder, table, false);
            form = numbers::readAccountForm(folder, numbers::readRemembered(folder), locale);
        }
        if (!pending)
            read.problems.prepend(pending.message());
        if (!read.whole())
            return Result{read.problems.join(QLatin1Char('\n'))};
        // Dates and figures in forms every spreadsheet reads under these settings, the
        // fields separated as such a spreadsheet expects.
        const QByteArray bytes =
            csv::document(names, ledger::exportColumns(read.columns, form.decided(), locale, today),
                          csv::delimiterFor(locale));
        read = {};
        // isAccountFile() went by the path as the dialog gave it; here the file and its
        // folder are compared with the account's as the file is put in place.
        const listfile::Outcome written =
            listfile::writeBytes(path, bytes, {folder, keptFiles()});
        return Result{written ? QString() : written.message()};
    }));
}

void ListExport::listDone() {
    setRunning(false);
    const Result result = aside_.result();
    const int index = index_;
    const QString path = path_;
    const ExportedList& list = kLists[index];
    if (!result.problem.isEmpty()) {
        report(QStringLiteral("The %1 list was not exported:\n%2").arg(list.name, result.problem));
        return;
    }
    written_ << QStringLiteral("The %1 list was exported to \"%2\".").arg(list.name, shown(path));
    if (index + 1 < int(kLists.size())) {
        exportList(index + 1, QFileInfo(path).absolutePath());
        return;
    }
    report({});
}

void ListExport::report(const QString& failure) {
    if (failure.isEmpty()) {
        if (!written_.isEmpty())
            windows_.inform(written_.join(QLatin1Char('\n')), kTitle, MessageIcon::Information);
        return;
    }
    QString text = failure;
    if (!written_.isEmpty())
        text += QStringLiteral("\n\n") + written_.join(QLatin1Char('\n'));
    windows_.inform(text, kTitle, MessageIcon::Critical);
}

void ListExport::setRunning(bool running) {
    if (running_ == running)
        return;
    running_ = running;
    // The program keeps answering meanwhile; the pointer says that something is going on.
    if (running_)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace kesterly
