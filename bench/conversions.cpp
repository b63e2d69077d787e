// Times the conversions of a list file of 50 MB: reading (decoding, splitting lines,
// dropping leading blanks, one text a field) and writing (choosing the characters,
// encoding, CR LF), in memory, and the whole read of the file from the disk's cache.
// Prints megabytes (10^6 bytes of the file) a second, best of several runs, for lines as
// long as a full table's with four 50 MB files and for short lines like dates, in plain
// ASCII, in UTF-8 and in Windows-1252.

#include "core/listfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

using namespace kesterly;

namespace {

constexpr qint64 kFileBytes = 50'000'000;
constexpr int kRuns = 5;

double bestSeconds(const std::function<void()>& step) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

// Lines of about `width` characters, with `accent` every so often, up to 50 MB.
QStringList texts(int width, const QString& accent) {
    QStringList lines;
    qint64 bytes = 0;
    for (int row = 0; bytes < kFileBytes; ++row) {
        QString line = QStringLiteral("%1/%2/2026 ").arg(row % 12 + 1).arg(row % 28 + 1);
        while (line.size() < width)
            line += QStringLiteral("Groceries, %1 ").arg(row) + (row % 7 ? QString() : accent);
        line.truncate(width);
        bytes += line.size() + 2;
        lines << line;
    }
    return lines;
}

} // namespace

int main() {
    QTemporaryDir folder;
    const struct {
        const char* what;
        int width;
        QString accent;
    } cases[] = {
        {"long lines (1745 characters), ASCII", 1745, {}},
        {"long lines, UTF-8 (\"\u0142\")", 1745, QStringLiteral("\u0142")},
        {"long lines, Windows-1252 (\"\u00e9\")", 1745, QStringLiteral("\u00e9")},
        {"short lines (dates, 10 characters), ASCII", 10, {}},
    };
    std::printf("a list file of 50 MB, MB/s, best of %d runs\n", kRuns);
    std::printf("%-44s %10s %10s %10s\n", "", "read", "write", "from disk");
    for (const auto& shape : cases) {
        const QStringList lines = texts(shape.width, shape.accent);
        listfile::Charset charset{};
        const QByteArray bytes = listfile::linesOf(lines, &charset);
        const double mb = bytes.size() / 1e6;
        const double read = bestSeconds([&] {
            if (listfile::fieldsOf(bytes).size() != lines.size())
                std::abort();
        });
        const double write = bestSeconds([&] {
            if (listfile::linesOf(lines).size() != bytes.size())
                std::abort();
        });
        const QString path = folder.filePath(QStringLiteral("list.txt"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            std::abort();
        out.close();
        const double fromDisk = bestSeconds([&] {
            if (listfile::readList(path).value->size() != lines.size())
                std::abort();
        });
        std::printf("%-44s %10.0f %10.0f %10.0f\n", shape.what, mb / read, mb / write,
                    mb / fromDisk);
    }
    return 0;
}
