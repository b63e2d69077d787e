// The save unit against other programs writing the same files, and against a disk that
// fails at any call.
#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "core/ledgermath.h"
#include "core/listfile.h"
#include "savetable_rows.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::test;

namespace {

const account::Table kIncome = account::ledgerTable(account::kIncomeTable);

// The income table and the balance as the files hold them.
struct Model {
    QList<QStringList> columns;
    QString balance;
    bool operator==(const Model&) const = default;
};

QString describe(const Model& model) {
    QStringList columns;
    for (const QStringList& column : model.columns)
        columns << column.join(QLatin1Char(','));
    return columns.join(QStringLiteral(" | ")) + QStringLiteral(" ; balance ") + model.balance;
}

const Model kStart{{{"1/1/2026", "1/2/2026"}, {"Old1", "Old2"}, {"100", "200"}, {"600", "800"}},
                   "800"};

QByteArray linesOf(const QStringList& texts) {
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += text.toUtf8() + "\r\n";
    return bytes;
}

QString incomeFile(const QString& folder, int column) {
    return account::filePath(folder, kIncome.files[column]);
}

QString balanceFile(const QString& folder) {
    return account::filePath(folder, account::kOpeningBalance);
}

void writeModel(const QString& folder, const Model& model) {
    for (int column = 0; column < 4; ++column)
        writeBytes(incomeFile(folder, column), linesOf(model.columns[column]));
    writeBytes(balanceFile(folder), linesOf({model.balance}));
}

// What the files hold, read byte by byte without finishing anything first.
Model onDisk(const QString& folder) {
    Model model;
    for (int column = 0; column < 4; ++column)
        model.columns << listfile::fieldsOf(bytesOf(incomeFile(folder, column)));
    model.balance = listfile::fieldsOf(bytesOf(balanceFile(folder))).value(0);
    return model;
}

// What another program does to the files: an editor saving IncomeDes.txt with its first
// description changed (by writing a new file and renaming it over the old one, or by
// rewriting the old one in place), a line typed at the end of IncomeDes.txt, or a sync
// tool bringing an entry made on another computer (all four lists and the balance, each
// replaced by rename).
enum class Outside { RenameOver, RewriteInPlace, AppendToOne, SyncAll };

QByteArray edited(QByteArray bytes) {
    if (bytes.startsWith("Old1"))
        return bytes.replace(0, 4, "OLD1");
    return bytes.replace(0, 4, "Old1");
}

void replaceByRename(const QString& path, const QByteArray& bytes) {
    const QString fresh = path + QStringLiteral(".outside~");
    writeBytes(fresh, bytes);
    QVERIFY(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) ==
            0);
}

void rewriteInPlace(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

const QStringList kSyncedRow{"3/3/2026", "Synced", "37", "?"};

QString plus(const QString& balance, const QString& amount) {
    return *ledger::balanceAfter(balance, amount, true).text;
}

void act(Outside what, const QString& folder) {
    const QString descriptions = incomeFile(folder, 1);
    switch (what) {
    case Outside::RenameOver:
        replaceByRename(descriptions, edited(bytesOf(descriptions)));
        break;
    case Outside::RewriteInPlace:
        rewriteInPlace(descriptions, edited(bytesOf(descriptions)));
        break;
    case Outside::AppendToOne: {
        QFile file(descriptions);
        QVERIFY(file.open(QIODevice::Append));
        file.write("Outside\r\n");
        break;
    }
    case Outside::SyncAll: {
        const QString balance =
            plus(listfile::fieldsOf(bytesOf(balanceFile(folder))).value(0), "37");
        for (int column = 0; column < 4; ++column) {
            const QString path = incomeFile(folder, column);
            replaceByRename(path,
                            bytesOf(path) + linesOf({column == 3 ? balance : kSyncedRow[column]}));
        }
        replaceByRename(balanceFile(folder), linesOf({balance}));
        break;
    }
    }
}

// The same on the model.
Model acted(Outside what, Model model) {
    switch (what) {
    case Outside::RenameOver:
    case Outside::RewriteInPlace:
        model.columns[1][0] = model.columns[1][0] == "Old1" ? "OLD1" : "Old1";
        break;
    case Outside::AppendToOne:
        model.columns[1] << "Outside";
        break;
    case Outside::SyncAll:
        model.balance = plus(model.balance, "37");
        for (int column = 0; column < 4; ++column)
            model.columns[column] << (column == 3 ? model.balance : kSyncedRow[column]);
        break;
    }
    return model;
}

const QString kAmount = QStringLiteral("12.5");

// A Submit on the model: files of unequal length are evened out with empty rows first.
Model submitted(Model model) {
    qsizetype longest = 0;
    for (const QStringList& column : model.columns)
        longest = std::max(longest, column.size());
    model.balance = plus(model.balance, kAmount);
    const QStringList row{"7/8/2026", "Bonus", kAmount, model.balance};
    for (int column = 0; column < 4; ++column) {
        while (model.columns[column].size() < longest)
            model.columns[column] << QString();
        model.columns[column] << row[column];
    }
    return model;
}

Model removed(Model model) {
    for (QStringList& column : model.columns)
        column.removeAt(1);
    return model;
}

// A Submit as the program makes one: the table and the balance read, the new balance
// worked out, both saved as one unit; when another program changed a file in between,
// read again and saved anew.
listfile::Outcome submit(const QString& folder) {
    listfile::Outcome outcome = listfile::Outcome::failure("never tried");
    for (int attempt = 0; attempt < 8; ++attempt) {
        account::TableRead read = account::readTable(folder, kIncome);
        if (!read.whole())
            return listfile::Outcome::failure(read.problems.join('\n'));
        const listfile::Read<listfile::ListContent> balance =
            listfile::readListContent(balanceFile(folder));
        if (!balance.ok())
            return listfile::Outcome::failure(balance.error);
        const QString after = plus(balance.value->texts.value(0), kAmount);
        const QStringList row{"7/8/2026", "Bonus", kAmount, after};
        const QList<listfile::FileLines> along{
            {balanceFile(folder), {after}, balance.value->stamp}};
        if (read.state.even) {
            outcome = account::appendRow(folder, kIncome, row, read.state, along);
        } else {
            for (qsizetype column = 0; column < 4; ++column)
                read.columns[column] << row[column];
            outcome = account::saveTable(folder, kIncome, read.columns, along, &read.state);
        }
        if (!outcome.changed())
            return outcome;
    }
    return outcome;
}

// Remove Selected on the second row: refused when the files changed since they were read.
listfile::Outcome removeSecondRow(const QString& folder) {
    account::TableRead read = account::readTable(folder, kIncome);
    if (!read.whole())
        return listfile::Outcome::failure(read.problems.join('\n'));
    for (QStringList& column : read.columns)
        column.removeAt(1);
    return account::saveTable(folder, kIncome, read.columns, {}, &read.state);
}

// Every name in a folder, hidden ones too: what a save leaves behind shows here.
QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class SaveUnitTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { listfile::setSaveStepHook({}); }
    void outsideWriterAtEveryStep_data();
    void outsideWriterAtEveryStep();
    void failureAtEveryCall_data();
    void failureAtEveryCall();
    void replayLeavesWhatAnotherProgramWrote_data();
    void replayLeavesWhatAnotherProgramWrote();
};

void SaveUnitTest::outsideWriterAtEveryStep_data() {
    QTest::addColumn<bool>("removal");
    QTest::addColumn<Outside>("what");
    const std::pair<const char*, Outside> outsides[] = {
        {"rename over", Outside::RenameOver},
        {"rewrite in place", Outside::RewriteInPlace},
        {"append to one list", Outside::AppendToOne},
        {"sync of every file", Outside::SyncAll}};
    for (const bool removal : {false, true}) {
        for (const auto& [name, what] : outsides)
            QTest::addRow("%s, %s", removal ? "remove" : "submit", name) << removal << what;
    }
}

void SaveUnitTest::outsideWriterAtEveryStep() {
    QFETCH(bool, removal);
    QFETCH(Outside, what);
    int acts = 0;
    for (int at = 0;; ++at) {
        QVERIFY2(at < 100, "the save never finished");
        QTemporaryDir root;
        const QString folder = root.filePath("Household");
        writeModel(folder, kStart);
        const QStringList namesBefore = namesIn(folder);

        int steps = 0;
        bool done = false;
        listfile::SaveStep actedAt{};
        listfile::setSaveStepHook([&](listfile::SaveStep step, const QString&) {
            if (steps++ != at)
                return;
            // A program that reads all four lists in the moment between two of them being
            // written sees half a change, which no save can keep from it: the sync acts where
            // the unit has written nothing yet or has passed its point of no return.
            const bool whole = step == listfile::SaveStep::Checked ||
                               step == listfile::SaveStep::NewFilesWritten ||
                               step == listfile::SaveStep::JournalWritten ||
                               step == listfile::SaveStep::Committed;
            if (what == Outside::SyncAll && !whole)
                return;
            act(what, folder);
            done = true;
            actedAt = step;
        });
        const listfile::Outcome outcome = removal ? removeSecondRow(folder) : submit(folder);
        listfile::setSaveStepHook({});
        if (steps <= at)
            break;
        if (!done)
            continue;
        ++acts;
        const QString where =
            QStringLiteral("another program at step %1 (%2)").arg(at).arg(int(actedAt));

        // Nothing of the save is left hidden, and the files read as they lie.
        QVERIFY2(account::finishPendingSave(folder, kIncome).message().isEmpty(),
                 qPrintable(where));
        QCOMPARE(namesIn(folder), namesBefore);
        const Model disk = onDisk(folder);
        QList<Model> right;
        if (removal) {
            // Done, with the other program's change on top; or refused, with nothing of it
            // written and the user told.
            if (outcome.ok())
                right << acted(what, removed(kStart));
            else
                QVERIFY2(outcome.changed() && !outcome.message().isEmpty(),
                         qPrintable(where + ": " + outcome.message()));
            if (outcome.changed())
                right << acted(what, kStart);
        } else {
            QVERIFY2(outcome.ok() && outcome.message().isEmpty(),
                     qPrintable(where + ": " + outcome.message()));
            // The entry after the other program's change, or before it: each exactly once.
            right << submitted(acted(what, kStart)) << acted(what, submitted(kStart));
        }
        QVERIFY2(right.contains(disk),
                 qPrintable(where + QStringLiteral(": the files hold ") + describe(disk)));
    }
    QVERIFY(acts > 0);
}

void SaveUnitTest::failureAtEveryCall_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("error");
    for (const char* mode : {"append", "replace"}) {
        for (const char* error : {"EIO", "ENOSPC"})
            QTest::addRow("%s, %s", mode, error) << mode << error;
    }
}

// The disk fails at one call of a Submit or a removal, call after call: what the save says
// (saved, saved with a note, not saved) is what the files hold once they are read again.
void SaveUnitTest::failureAtEveryCall() {
    QFETCH(QString, mode);
    QFETCH(QString, error);
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    const bool append = mode == "append";
    QList<QStringList> changed = oldIncomeRows();
    for (qsizetype column = 0; column < changed.size(); ++column)
        changed[column] << appendedIncomeRow()[column];
    const QList<QStringList> before = oldIncomeRows();
    const QList<QStringList> after = append ? changed : newIncomeRows();
    const QByteArray balanceBefore = "-200\r\n";
    const QByteArray balanceAfter =
        append ? appendedIncomeRow().last().toUtf8() + "\r\n" : balanceBefore;

    // Every call that reads, writes, flushes, renames or removes a file or a folder.
    const QStringList calls{"openat",     "read",     "pread64",   "write",
                            "pwrite64",   "fsync",    "fdatasync", "ftruncate",
                            "fchmod",     "renameat", "renameat2", "unlinkat",
                            "newfstatat", "fstat",    "close",     "getdents64"};
    int failures = 0;
    for (const QString& call : calls) {
        for (int site = 1;; ++site) {
            QVERIFY2(site < 200, "the save never finished");
            QTemporaryDir root;
            const QString folder = root.filePath("Household");
            for (qsizetype column = 0; column < 4; ++column)
                writeBytes(incomeFile(folder, int(column)), linesOf(before[column]));
            writeBytes(balanceFile(folder), balanceBefore);
            const QStringList namesBefore = namesIn(folder);
            const QString log = root.filePath("strace.log");

            // Only the calls on the account's files and folder are counted, not those of
            // the program's start.
            QStringList arguments{"-f", "-qq", "-o", log, "-P", folder};
            QStringList names = kIncome.files;
            names << account::kOpeningBalance << ".kesterly-save";
            for (const QString& name : std::as_const(names))
                arguments << "-P" << folder + "/" + name << "-P"
                          << folder + "/." + name + ".kesterly-new";
            arguments << "-e"
                      << "trace=" + call << "-e"
                      << QStringLiteral("inject=%1:error=%2:when=%3").arg(call, error).arg(site)
                      << QStringLiteral(KESTERLY_SAVETABLE_CHILD) << folder << mode;
            QProcess save;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("ASAN_OPTIONS", "detect_leaks=0");
            save.setProcessEnvironment(environment);
            save.start(strace, arguments);
            QVERIFY(save.waitForFinished(60000));
            const QByteArray said = save.readAllStandardOutput();
            if (site == 1 && save.readAllStandardError().contains("ptrace"))
                QSKIP("strace cannot trace here");
            if (!bytesOf(log).contains("INJECTED"))
                break;
            ++failures;
            const QString where = QStringLiteral("%1 at %2 %3 (exit %4, \"%5\")")
                                      .arg(error, call)
                                      .arg(site)
                                      .arg(save.exitCode())
                                      .arg(QString::fromUtf8(said));
            QVERIFY2(save.exitStatus() == QProcess::NormalExit, qPrintable(where));
            const int exit = save.exitCode();
            // 0: saved; 4: saved, with a note; 1: not saved; 3: not read, so not saved.
            QVERIFY2(exit == 0 || exit == 4 || exit == 1 || exit == 3, qPrintable(where));
            const bool recorded = exit == 0 || exit == 4;
            if (exit == 4)
                QVERIFY2(said.contains("The change is saved"), qPrintable(where));
            if (exit == 1)
                QVERIFY2(!said.contains("saved,") && !said.isEmpty(), qPrintable(where));

            // The files read again, as the program reads them when the account is opened.
            const account::TableRead read = account::readTable(folder, kIncome);
            QVERIFY2(read.whole(), qPrintable(where + ": " + read.problems.join('\n')));
            QVERIFY2(read.notes.isEmpty(), qPrintable(where + ": " + read.notes.join('\n')));
            QVERIFY2(read.columns == (recorded ? after : before), qPrintable(where));
            QVERIFY2(bytesOf(balanceFile(folder)) == (recorded ? balanceAfter : balanceBefore),
                     qPrintable(where));
            QVERIFY2(namesIn(folder) == namesBefore, qPrintable(where));
        }
    }
    QVERIFY(failures > 0);
}

void SaveUnitTest::replayLeavesWhatAnotherProgramWrote_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("site");
    QTest::addColumn<bool>("committed");
    QTest::addColumn<bool>("rewrite");
    // Killed before any line is written (the first pwrite64 is the first line), once every
    // line is written but before the commit mark (the fifth pwrite64), and once the journal
    // holds its commit mark (written just before it is flushed, the only fdatasync of a
    // save). Meanwhile another program adds an entry to all four lists, or an editor changes
    // the first description of IncomeDes.txt to a longer one.
    QTest::newRow("before the lines, an entry added") << "pwrite64" << 1 << false << false;
    QTest::newRow("after the lines, an entry added") << "pwrite64" << 5 << false << false;
    QTest::newRow("after the commit, an entry added") << "fdatasync" << 1 << true << false;
    QTest::newRow("after the lines, a line rewritten") << "pwrite64" << 5 << false << true;
    QTest::newRow("after the commit, a line rewritten") << "fdatasync" << 1 << true << true;
}

// The program is killed in the middle of a Submit, and another program writes the lists
// before the account is opened again: what it wrote stays, the Submit is finished or
// undone where its line is recognisable, and the user is told which files were left as
// they are.
void SaveUnitTest::replayLeavesWhatAnotherProgramWrote() {
    QFETCH(QString, call);
    QFETCH(int, site);
    QFETCH(bool, committed);
    QFETCH(bool, rewrite);
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    QTemporaryDir root;
    const QString folder = root.filePath("Household");
    for (qsizetype column = 0; column < 4; ++column)
        writeBytes(incomeFile(folder, int(column)), linesOf(oldIncomeRows()[column]));
    writeBytes(balanceFile(folder), "-200\r\n");
    QProcess save;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    save.setProcessEnvironment(environment);
    save.start(strace, {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                        QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(site),
                        QStringLiteral(KESTERLY_SAVETABLE_CHILD), folder, "append"});
    QVERIFY(save.waitForFinished(60000));
    if (save.readAllStandardError().contains("ptrace"))
        QSKIP("strace cannot trace here");
    QCOMPARE(save.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFileInfo::exists(folder + "/.kesterly-save"));

    const QStringList outsideRow{"9/9/2026", "Outside", "1", "2"};
    QList<QStringList> expected = oldIncomeRows();
    if (committed) {
        for (int column = 0; column < 4; ++column)
            expected[column] << appendedIncomeRow()[column];
    }
    if (rewrite) {
        const QString descriptions = incomeFile(folder, 1);
        writeBytes(descriptions, bytesOf(descriptions).replace("rent", "rent, edited"));
        expected[1][1] = "rent, edited";
    } else {
        for (int column = 0; column < 4; ++column) {
            QFile file(incomeFile(folder, column));
            QVERIFY(file.open(QIODevice::Append));
            file.write(outsideRow[column].toUtf8() + "\r\n");
            expected[column] << outsideRow[column];
        }
    }
    // An entry added after the lines were written sits behind them: they cannot be taken
    // out without cutting it, and stay with the user told.
    const bool leftAlone = !committed && !rewrite && site > 1;
    if (leftAlone) {
        for (int column = 0; column < 4; ++column)
            expected[column].insert(expected[column].size() - 1, appendedIncomeRow()[column]);
    }

    const account::TableRead read = account::readTable(folder, kIncome);
    QVERIFY(read.whole());
    QCOMPARE(read.columns, expected);
    const bool told = !committed && !rewrite;
    QCOMPARE(read.notes.size(), told ? 1 : 0);
    if (told) {
        for (const QString& name : kIncome.files)
            QVERIFY2(read.notes.first().contains(name), qPrintable(read.notes.first()));
        QVERIFY(read.notes.first().contains("may need checking"));
    }
    QCOMPARE(bytesOf(balanceFile(folder)),
             committed ? appendedIncomeRow().last().toUtf8() + "\r\n" : QByteArray("-200\r\n"));
    QVERIFY(!QFileInfo::exists(folder + "/.kesterly-save"));
}

QTEST_APPLESS_MAIN(SaveUnitTest)
#include "test_saveunit.moc"
