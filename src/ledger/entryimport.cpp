#include "ledger/entryimport.h"

#include "core/numbertext.h"
#include "framework/windows.h"
#include "ledger/importwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>

namespace kesterly {

EntryImport::EntryImport(Windows& windows) : windows_(windows) {
    connect(&aside_, &QFutureWatcher<Result>::finished, this, &EntryImport::read);
}

EntryImport::~EntryImport() {
    aside_.disconnect(this);
    aside_.waitForFinished();
    setRunning(false);
}

void EntryImport::start() {
    if (running_)
        return;
    if (ImportWindow* open = windows_.find<ImportWindow>()) {
        windows_.bringToFront(open);
        return;
    }
    account_ = windows_.account().folder();
    if (account_.isEmpty()) {
        windows_.inform(QStringLiteral("No account is open. Open an account with Account, Open "
                                       "Account, then import entries into it."),
                        ImportWindow::kTitle, MessageIcon::Exclamation);
        return;
    }
    const QStringList paths = windows_.chooseOpenFiles(
        {QStringLiteral("Import Entries"), lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_,
         QStringLiteral("Statements and lists (*.csv *.CSV *.qif *.QIF *.txt *.TXT *.tsv);;"
                        "All files (*)")});
    if (paths.isEmpty())
        return;
    lastFolder_ = QFileInfo(paths.front()).absolutePath();
    // A save a crash cut short is finished here, so that the other thread only reads.
    const listfile::Outcome pending = listfile::finishPendingSave(account_);
    if (!pending.message().isEmpty())
        windows_.inform(pending.message(), ImportWindow::kTitle, MessageIcon::Exclamation);
    setRunning(true);
    aside_.setFuture(QtConcurrent::run([paths, folder = account_, locale = userLocale(),
                                        today = windows_.clock().now().date()] {
        Result result;
        for (const QString& path : paths) {
            listfile::Read<entryimport::Source> source =
                entryimport::readSource(path, locale, today);
            if (source.ok())
                result.sources << std::move(*source.value);
            else
                result.refusals << source.error;
        }
        if (result.refusals.isEmpty())
            result.account = entryimport::readAccount(folder, false);
        return result;
    }));
}

void EntryImport::read() {
    setRunning(false);
    const Result result = aside_.result();
    if (!result.refusals.isEmpty()) {
        windows_.inform(result.refusals.join(QLatin1Char('\n')) +
                            QStringLiteral("\nNothing was imported."),
                        ImportWindow::kTitle, MessageIcon::Exclamation);
        return;
    }
    // The account may have changed meanwhile (another was opened): the preview is of the
    // one the files were chosen for, or none.
    if (windows_.account().folder() != account_)
        return;
    windows_.show<ImportWindow>().begin(account_, result.sources, result.account);
}

void EntryImport::setRunning(bool running) {
    if (running_ == running)
        return;
    running_ = running;
    if (running_)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace kesterly
