// An income table of four 50 MB files in the real Income window (offscreen): how long it
// takes to open it and to save it after a removal, both on another thread, and the
// longest time the window's thread was held meanwhile (a timer due every 10 ms notes the
// longest gap between its ticks). Also the peak memory with the table open, against the
// files' size, and the plain read and save of the table without a window.

#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "core/ledgertable.h"
#include "framework/windows.h"
#include "heldthread.h"
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

using namespace kesterly;
using bench::peakMiB;
using bench::openUntil;
using bench::runUntil;

namespace {

constexpr int kRows = 30000;
constexpr int kWidth = 1745;

qint64 writeTable(const QString& folder) {
    qint64 bytes = 0;
    for (const QString& name : account::kIncomeTable.inOrder()) {
        QFile out(account::filePath(folder, name));
        if (!out.open(QIODevice::WriteOnly))
            std::abort();
        for (int row = 0; row < kRows; ++row) {
            QByteArray line = QByteArray::number(row) + ' ' + name.toLatin1() + ' ';
            line += QByteArray(kWidth - line.size(), 'x') + "\r\n";
            out.write(line);
        }
        bytes += out.size();
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root(QDir::currentPath() + QStringLiteral("/big-table-XXXXXX"));
    const QString folder = root.filePath(QStringLiteral("Household"));
    QDir().mkpath(folder);
    const qint64 bytes = writeTable(folder);
    const double before = peakMiB();

    bench::SilentMessages messages;
    SystemClock clock;
    Windows windows({messages, clock, root.path() + QLatin1Char('/'), &MainWindow::make});
    windows.mainWindow().show();
    windows.get<StatusPanel>().setAccountFolder(folder);
    QApplication::processEvents();

    double openGap = 0;
    IncomeWindow* window = nullptr;
    const double open = openUntil(
        windows, window, [](IncomeWindow& shown) { return !shown.busy(); }, &openGap);
    if (window->rowCount() != kRows || messages.told)
        std::abort();
    const double peak = peakMiB();

    window->list(ledger::Date)->setSelectedIndex(0);
    double saveGap = 0;
    bool asked = false;
    const double save = runUntil(
        [&] {
            if (!asked) {
                window->removeSelected();
                asked = true;
            }
            return !window->busy();
        },
        &saveGap);
    if (window->rowCount() != kRows - 1 || messages.told)
        std::abort();
    window->closeWindow();
    QApplication::processEvents();

    const account::Table table = account::ledgerTable(account::kIncomeTable);
    QElapsedTimer timer;
    timer.start();
    const account::TableRead read = account::readTable(folder, table);
    const double plainRead = timer.nsecsElapsed() / 1e6;
    timer.restart();
    if (!account::saveTable(folder, table, read.columns))
        std::abort();
    const double plainSave = timer.nsecsElapsed() / 1e6;

    const double mb = bytes / 1e6;
    std::printf("income table of four files, %d rows, %.1f MB\n", kRows, mb);
    std::printf("open the Income window                 %7.0f ms; window held at most %5.0f ms "
                "(target: 250 ms)\n",
                open, openGap);
    std::printf("remove a row (the table saved)         %7.0f ms; window held at most %5.0f ms "
                "(target: 250 ms)\n",
                save, saveGap);
    std::printf("peak memory with the table open        %7.0f MiB, %.0f MiB before: %.2f times "
                "the files (target: 2.5)\n",
                peak, before, (peak - before) / (bytes / 1048576.0));
    std::printf("read the table (no window)             %7.0f ms, %.0f MB/s\n", plainRead,
                mb / plainRead * 1000);
    std::printf("save the table (no window, with fsync) %7.0f ms, %.0f MB/s\n", plainSave,
                mb / plainSave * 1000);
    return 0;
}
