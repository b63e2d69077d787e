// Times a full income table (32767 rows in four files): reading it, writing it back, and
// opening the Income window on it and removing an entry there (which saves the table at
// once), next to a plain read of the same bytes. Prints the best of several runs in
// milliseconds.

#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "core/ledgertable.h"
#include "core/listfile.h"
#include "framework/windows.h"
#include "ledger/incomewindow.h"
#include "ledger/rowlist.h"
#include "shell/mainwindow.h"
#include "shell/statuspanel.h"
#include "silentmessages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

using namespace kesterly;

namespace {

double bestOf(int runs, const std::function<void()>& step) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kRuns = 7;

    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Household"));
    std::array<QStringList, ledger::kColumns> columns;
    for (int i = 0; i < ledger::kMaxRows; ++i) {
        columns[ledger::Date] << QStringLiteral("%1/%2/2026").arg(i % 12 + 1).arg(i % 28 + 1);
        columns[ledger::Description] << QStringLiteral("Groceries and household, week %1").arg(i);
        columns[ledger::Amount] << QString::number(10 + i % 500) + QStringLiteral(".50");
        columns[ledger::Balance] << QString::number(500 + i * 10.5, 'f', 1);
    }
    const QStringList files = account::kIncomeTable.inOrder();
    qint64 bytes = 0;
    QDir().mkpath(folder);
    for (int column = 0; column < ledger::kColumns; ++column) {
        const QString path = account::filePath(folder, files[column]);
        if (!listfile::writeList(path, columns[column])) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        bytes += QFile(path).size();
    }

    const double plainRead = bestOf(kRuns, [&] {
        for (const QString& file : files) {
            QFile in(account::filePath(folder, file));
            in.open(QIODevice::ReadOnly);
            (void)in.readAll();
        }
    });
    const account::Table table = account::ledgerTable(account::kIncomeTable);
    const double load = bestOf(kRuns, [&] {
        const account::TableRead read = account::readTable(folder, table);
        if (!read.whole() || read.columns[0].size() != ledger::kMaxRows)
            std::abort();
    });
    const QList<QStringList> rows(columns.begin(), columns.end());
    const double writeBack = bestOf(kRuns, [&] {
        if (!account::saveTable(folder, table, rows))
            std::abort();
    });

    bench::SilentMessages messages;
    SystemClock clock;
    Windows windows({messages, clock, root.path() + QLatin1Char('/'), &MainWindow::make});
    windows.mainWindow().show();
    windows.get<StatusPanel>().setAccountFolder(folder);
    QApplication::processEvents();
    double open = std::numeric_limits<double>::max();
    double remove = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        IncomeWindow& window = windows.get<IncomeWindow>();
        // Until the window has been laid out and painted once.
        QApplication::processEvents();
        open = std::min(open, timer.nsecsElapsed() / 1e6);
        if (window.rowCount() != ledger::kMaxRows)
            std::abort();
        window.list(ledger::Date)->setSelectedIndex(0);
        timer.restart();
        window.removeSelected();
        remove = std::min(remove, timer.nsecsElapsed() / 1e6);
        if (window.rowCount() != ledger::kMaxRows - 1)
            std::abort();
        window.closeWindow();
        QApplication::processEvents();
        // The next run opens the full table again.
        if (!account::saveTable(folder, table, rows))
            std::abort();
    }

    std::printf("income table: %d rows, 4 files, %lld bytes; best of %d runs\n", ledger::kMaxRows,
                static_cast<long long>(bytes), kRuns);
    std::printf("plain read of the four files          %8.1f ms\n", plainRead);
    std::printf("load (read list, four files)          %8.1f ms\n", load);
    std::printf("write back (one save of four files)    %8.1f ms\n", writeBack);
    std::printf("open the Income window on the table   %8.1f ms (target: under 150 ms)\n", open);
    std::printf("remove an entry there (saved at once)  %8.1f ms\n", remove);
    return 0;
}
