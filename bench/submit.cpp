// Times one Submit of the Entry form in the real windows (offscreen): the entry's row
// added to the four income files and the new balance written, as one unit, with every
// fsync, and the windows updated. Three tables: 100 rows, a full one (the Submits take it
// to 32767 rows, the most a table holds), and one whose four files are 50 MB each.
// Prints the median and the slowest of the Submits in milliseconds.

#include "core/accountfolder.h"
#include "core/ledgertable.h"
#include "framework/windows.h"
#include "ledger/entryform.h"
#include "ledger/incomewindow.h"
#include "shell/mainwindow.h"
#include "shell/statuspanel.h"
#include "silentmessages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace kesterly;

namespace {

constexpr int kSubmits = 21;

// Writes the four income files: `rows` rows, each field padded to `width` characters.
qint64 writeIncome(const QString& folder, int rows, int width) {
    const QStringList files = account::kIncomeTable.inOrder();
    qint64 bytes = 0;
    for (int column = 0; column < ledger::kColumns; ++column) {
        const QString path = account::filePath(folder, files[column]);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            std::abort();
        QByteArray chunk;
        for (int row = 0; row < rows; ++row) {
            QByteArray field =
                column == ledger::Description
                    ? QByteArray("Groceries and household, week ") + QByteArray::number(row)
                    : QByteArray::number(500 + row);
            if (field.size() < width)
                field +=
                    QByteArray(width - field.size(), column == ledger::Description ? 'x' : '0');
            chunk += field + "\r\n";
            if (chunk.size() > (1 << 20)) {
                out.write(chunk);
                chunk.clear();
            }
        }
        out.write(chunk);
        bytes += out.size();
    }
    return bytes;
}

struct Figures {
    double median;
    double slowest;
};

Figures timeSubmits(const QString& folder) {
    bench::SilentMessages messages;
    SystemClock clock;
    Windows windows({messages, clock, QDir::tempPath() + QLatin1Char('/'), &MainWindow::make});
    windows.mainWindow().show();
    windows.get<StatusPanel>().setAccountFolder(folder);
    EntryForm& form = windows.show<EntryForm>();
    // The Income window is open (as after the first Submit); its load is not timed here.
    IncomeWindow& income = windows.get<IncomeWindow>();
    const int before = income.rowCount();
    form.findChild<QLineEdit*>("Text1")->setText(QStringLiteral("12/10/2026"));
    form.findChild<QLineEdit*>("Text2")->setText(QStringLiteral("Salary"));
    form.findChild<QLineEdit*>("Text3")->setText(QStringLiteral("25.50"));
    form.findChild<QRadioButton*>("Option1")->setChecked(true);
    QPushButton* submit = form.findChild<QPushButton*>("Command1");
    QApplication::processEvents();
    std::vector<double> times;
    for (int i = 0; i < kSubmits; ++i) {
        QElapsedTimer timer;
        timer.start();
        submit->click();
        QApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    if (messages.told || income.rowCount() != before + kSubmits) {
        std::fprintf(stderr, "the Submits were not all recorded\n");
        std::exit(1);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The temporary folder lies on the disk, as an account folder does (not in memory),
    // so that the fsyncs cost what they cost.
    QTemporaryDir root(QDir::currentPath() + QStringLiteral("/submit-bench-XXXXXX"));
    const struct {
        const char* what;
        int rows;
        int width;
        double target;
    } tables[] = {
        {"100 rows", 100, 0, 5.0},
        {"a full table (32746 rows growing to 32767)", ledger::kMaxRows - kSubmits, 0, 50.0},
        {"four files of 50 MB each (30000 rows)", 30000, 1745, 50.0},
    };
    std::printf("one Submit (the row in four files and the balance, every fsync), median and "
                "slowest of %d\n",
                kSubmits);
    for (const auto& table : tables) {
        const QString folder = root.filePath(QString::fromLatin1(table.what).left(3));
        QDir().mkpath(folder);
        QFile balance(account::filePath(folder, account::kOpeningBalance));
        if (!balance.open(QIODevice::WriteOnly) || balance.write("500\r\n") != 5)
            std::abort();
        balance.close();
        const qint64 bytes = writeIncome(folder, table.rows, table.width);
        // The files just written reach the disk first, so that the first Submit's fsync
        // does not flush them.
        ::sync();
        const Figures figures = timeSubmits(folder);
        std::printf("%-45s %6.1f MB  %7.2f ms  (slowest %7.2f ms; target: under %.0f ms)\n",
                    table.what, bytes / 1e6, figures.median, figures.slowest, table.target);
        QDir(folder).removeRecursively();
    }
    return 0;
}
