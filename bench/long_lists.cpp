// Four income list files of 100 MB less one byte, of short lines (some ten million each):
// far more lines than a table holds, and a balance file of as many lines. Opens them as
// the program does, in the real Income window, then the chart window and the Entry form
// (offscreen), and prints what the user is told, the rows shown, the longest time the
// window's thread was held (a timer due every 10 ms notes the longest gap between its
// ticks) and the peak memory (VmHWM) against the bound of 2.5 times the list files plus
// 60 MiB.

#include "core/accountfolder.h"
#include "core/listfile.h"
#include "framework/chartview.h"
#include "framework/windows.h"
#include "heldthread.h"
#include "ledger/chartwindow.h"
#include "ledger/entryform.h"
#include "ledger/incomewindow.h"
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

namespace {

constexpr qint64 kFileBytes = listfile::kListSizeLimit - 1;

// Dates, descriptions, amounts and balances of ten bytes a line or so, to the byte.
qint64 writeFile(const QString& path, int column) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        std::abort();
    QByteArray piece;
    for (int row = 0; piece.size() < (4 << 20); ++row) {
        switch (column) {
        case 0:
            piece += QByteArray::number(1 + row % 12) + '/' + QByteArray::number(1 + row % 28) +
                     "/2026\r\n";
            break;
        case 1:
            piece += "Shop " + QByteArray::number(row % 1000) + "\r\n";
            break;
        case 2:
            piece += "12.5\r\n";
            break;
        default:
            piece += QByteArray::number(500 + row % 100000) + "\r\n";
        }
    }
    qint64 left = kFileBytes;
    while (left > 0) {
        const qint64 size = std::min<qint64>(left, piece.size());
        if (out.write(piece.constData(), size) != size)
            std::abort();
        left -= size;
    }
    return out.size();
}

qint64 countLines(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        std::abort();
    qint64 lines = 0;
    while (!in.atEnd())
        lines += in.read(4 << 20).count('\n');
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root(QDir::currentPath() + QStringLiteral("/long-lists-XXXXXX"));
    const QString folder = root.filePath(QStringLiteral("Household"));
    QDir().mkpath(folder);
    qint64 bytes = 0;
    const QStringList income = account::kIncomeTable.inOrder();
    for (int column = 0; column < income.size(); ++column)
        bytes += writeFile(account::filePath(folder, income[column]), column);
    {
        // The balance is its first line; the rest is never read.
        QFile balance(account::filePath(folder, account::kOpeningBalance));
        const QByteArray piece = QByteArray("500\r\n").repeated(1 << 20);
        if (!balance.open(QIODevice::WriteOnly))
            std::abort();
        for (qint64 left = kFileBytes; left > 0; left -= piece.size())
            balance.write(piece.constData(), std::min<qint64>(left, piece.size()));
    }
    for (const QString& name : account::kExpenseTable.inOrder()) {
        QFile out(account::filePath(folder, name));
        if (!out.open(QIODevice::WriteOnly) || out.write("\r\n") != 2)
            std::abort();
    }
    const qint64 lines = countLines(account::filePath(folder, income.first()));
    const double before = peakMiB();

    bench::SilentMessages messages;
    SystemClock clock;
    Windows windows({messages, clock, root.path() + QLatin1Char('/'), &MainWindow::make});
    windows.setChartViewFactory([](QWidget* parent) {
        return createChartView(parent, {QStringLiteral(KESTERLY_CHARTS_PLUGIN)});
    });
    windows.mainWindow().show();
    windows.get<StatusPanel>().setAccountFolder(folder);
    QApplication::processEvents();

    double openGap = 0;
    IncomeWindow* window = nullptr;
    const double open = openUntil(
        windows, window, [](IncomeWindow& shown) { return !shown.busy(); }, &openGap);
    const int rows = window->rowCount();
    const double peakIncome = peakMiB();
    const QStringList told = messages.texts;

    // The chart reads the files itself when the Income window is closed.
    window->closeWindow();
    QApplication::processEvents();
    double chartGap = 0;
    ChartWindow* chart = nullptr;
    const double chartOpen = openUntil(
        windows, chart,
        [](ChartWindow& shown) { return !shown.isBusy() && !shown.history().empty(); }, &chartGap);
    // The Entry form reads the balance on the window's thread, as it opens.
    QElapsedTimer formTimer;
    formTimer.start();
    const QString balance = windows.get<EntryForm>().balanceText();
    const double formOpen = formTimer.nsecsElapsed() / 1e6;
    const double peak = peakMiB();

    const double files = bytes / 1048576.0;
    std::printf("four income files of %lld bytes, %lld lines each: %.0f MiB\n",
                static_cast<long long>(kFileBytes), static_cast<long long>(lines), files);
    std::printf("open the Income window               %7.0f ms; window held at most %5.0f ms "
                "(target: 250 ms); %d rows shown\n",
                open, openGap, rows);
    std::printf("open the chart window                %7.0f ms; window held at most %5.0f ms "
                "(target: 250 ms)\n",
                chartOpen, chartGap);
    std::printf("open the Entry form                   %7.0f ms, on a balance file of as many "
                "bytes: balance %s\n",
                formOpen, qPrintable(balance));
    std::printf("peak memory (VmHWM)                  %7.1f MiB with the chart open, %.1f MiB "
                "with the Income window, %.1f MiB before (bound: 2.5 x the files + 60 MiB = "
                "%.0f MiB)\n",
                peak, peakIncome, before, 2.5 * files + 60);
    std::printf("told when the Income window opened:\n%s\n",
                qPrintable(told.value(0, QStringLiteral("(nothing)"))));
    return rows == account::kMaxRows && told.size() == 1 && balance == QLatin1String("500") &&
                   peak < 2.5 * files + 60
               ? 0
               : 1;
}
