#include "core/accountfolder.h"
#include "core/accounttable.h"
#include "core/listfile.h"
#include "savetable_rows.h"
#include "support/files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::test;

namespace {

const account::Table kIncome = account::ledgerTable(account::kIncomeTable);

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Every name in a folder, hidden ones too: what a save leaves behind shows here.
QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray linesOf(const QStringList& texts) {
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += text.toUtf8() + "\r\n";
    return bytes;
}

void writeTable(const QString& folder, const QList<QStringList>& columns) {
    for (qsizetype column = 0; column < kIncome.files.size(); ++column)
        writeBytes(account::filePath(folder, kIncome.files[column]), linesOf(columns[column]));
}

// The income table's files as they lie on the disk, without finishing anything first.
QList<QByteArray> tableBytes(const QString& folder) {
    QList<QByteArray> files;
    for (const QString& name : kIncome.files)
        files << bytesOf(account::filePath(folder, name));
    return files;
}

QList<QByteArray> asBytes(const QList<QStringList>& columns) {
    QList<QByteArray> files;
    for (const QStringList& column : columns)
        files << linesOf(column);
    return files;
}

// An account folder with one list, Notes.txt, holding `held`: the smallest table to save.
struct NotesAccount {
    explicit NotesAccount(const QByteArray& held) { writeBytes(path, held); }
    QTemporaryDir root;
    const QString folder = root.filePath("Household");
    const account::Table notes{{}, {"Notes.txt"}};
    const QString path = account::filePath(folder, "Notes.txt");
};

} // namespace

class SaveTableTest : public QObject {
    Q_OBJECT
private slots:
    void fullDiskKeepsEveryOldFile_data();
    void fullDiskKeepsEveryOldFile();
    void killedAtEachRenameTheTableIsAllOldOrAllNew_data();
    void killedAtEachRenameTheTableIsAllOldOrAllNew();
    void killedAtEachStepOfAnAppendTheEntryIsAllOrNothing_data();
    void killedAtEachStepOfAnAppendTheEntryIsAllOrNothing();
    void appendAddsOneLineWrittenAsTheFileIs_data();
    void appendAddsOneLineWrittenAsTheFileIs();
    void linksLeadingOutOfTheAccountAreLeftAlone_data();
    void linksLeadingOutOfTheAccountAreLeftAlone();
    void fileOfTheTableInTheWayReplacesNothing();
    void journalLargerThanAnySaveWritesIsNotRead_data();
    void journalLargerThanAnySaveWritesIsNotRead();
    void longLineIsAddedWithAJournalWithinTheLimit();
    void listFileBeyondTheLimitIsRefusedUnread();
    void protectedFileIsNotReplaced_data();
    void protectedFileIsNotReplaced();
    void bytesTakeTheFilesPlaceOrNothingChanges_data();
    void bytesTakeTheFilesPlaceOrNothingChanges();
    void fullDiskKeepsTheFileTheBytesWereFor();
};

void SaveTableTest::fullDiskKeepsEveryOldFile_data() {
    QTest::addColumn<bool>("table");
    QTest::addColumn<int>("freePages");
    // The balance is one file; a table's four new files and its journal take a page each.
    QTest::newRow("balance, disk full") << false << 0;
    QTest::newRow("table, the third file does not fit") << true << 2;
    QTest::newRow("table, the journal does not fit") << true << 4;
}

void SaveTableTest::fullDiskKeepsEveryOldFile() {
    QFETCH(bool, table);
    QFETCH(int, freePages);
    SmallDisk disk;
    KESTERLY_SKIP_WITHOUT(disk);
    const QString folder = disk.path() + "/Household";
    QVERIFY(QDir().mkpath(folder));
    const QString balance = account::filePath(folder, account::kOpeningBalance);
    writeBytes(balance, "500\r\n");
    writeTable(folder, oldIncomeRows());
    disk.fillLeaving(freePages);
    const QStringList namesBefore = namesIn(folder);

    // New files of nearly a page each.
    QList<QStringList> columns;
    for (int column = 0; column < 4; ++column)
        columns << QStringList{QString(3000, QChar('a' + column))};
    const listfile::Outcome saved =
        table ? account::saveTable(folder, kIncome, columns) : listfile::writeValue(balance, "700");
    QVERIFY(!saved);
    QVERIFY2(saved.message().contains(systemReason(ENOSPC)), qPrintable(saved.message()));
    QCOMPARE(bytesOf(balance), QByteArray("500\r\n"));
    QCOMPARE(tableBytes(folder), asBytes(oldIncomeRows()));
    QCOMPARE(namesIn(folder), namesBefore);

    // With room again, the same save goes through and leaves nothing behind.
    disk.empty();
    QVERIFY(table ? account::saveTable(folder, kIncome, columns)
                  : listfile::writeValue(balance, "700"));
    if (table)
        QCOMPARE(tableBytes(folder), asBytes(columns));
    else
        QCOMPARE(bytesOf(balance), QByteArray("700\r\n"));
    QCOMPARE(namesIn(folder), namesBefore);
}

void SaveTableTest::killedAtEachRenameTheTableIsAllOldOrAllNew_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<bool>("splits");
    // The journal is put in place by renameat; each new file takes its old one's place by
    // renameat2, which leaves the table half old, half new on the disk between two calls.
    QTest::newRow("journal in place") << "renameat" << false;
    QTest::newRow("files in place") << "renameat2" << true;
}

void SaveTableTest::killedAtEachRenameTheTableIsAllOldOrAllNew() {
    QFETCH(QString, call);
    QFETCH(bool, splits);
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    const QList<QByteArray> before = asBytes(oldIncomeRows());
    const QList<QByteArray> after = asBytes(newIncomeRows());
    int kills = 0;
    int splitOnDisk = 0;
    for (int rename = 1;; ++rename) {
        QVERIFY2(rename < 50, "the save never finished");
        QTemporaryDir root;
        const QString folder = root.filePath("Household");
        writeTable(folder, oldIncomeRows());
        const QStringList namesBefore = namesIn(folder);

        // The program is killed for real, as the rename call begins. (A leak check cannot
        // run in a traced process; a sanitizer build's child leaves it out.)
        QProcess save;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        save.setProcessEnvironment(environment);
        save.start(strace, {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                            QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(rename),
                            QStringLiteral(KESTERLY_SAVETABLE_CHILD), folder, "replace"});
        QVERIFY(save.waitForFinished(60000));
        const QByteArray said = save.readAllStandardError();
        if (save.exitStatus() == QProcess::NormalExit && save.exitCode() == 0) {
            QCOMPARE(tableBytes(folder), after);
            QCOMPARE(namesIn(folder), namesBefore);
            break;
        }
        if (rename == 1 && said.contains("ptrace"))
            QSKIP(qPrintable("strace cannot trace here: " + QString::fromLocal8Bit(said)));
        QVERIFY2(save.exitStatus() == QProcess::CrashExit || save.exitCode() == 128 + 9,
                 qPrintable(QStringLiteral("exit %1: %2").arg(save.exitCode()).arg(said)));
        ++kills;
        const QList<QByteArray> onDisk = tableBytes(folder);
        if (onDisk != before && onDisk != after)
            ++splitOnDisk;

        // The next load finishes (or drops) the save: every file old, or every file new.
        const account::TableRead read = account::readTable(folder, kIncome);
        QVERIFY2(read.whole(), qPrintable(read.problems.join('\n')));
        const QList<QByteArray> loaded = asBytes(read.columns);
        QVERIFY2(loaded == before || loaded == after,
                 qPrintable(QStringLiteral("killed at rename %1: a split table").arg(rename)));
        QCOMPARE(tableBytes(folder), loaded);
        QCOMPARE(namesIn(folder), namesBefore);
    }
    QVERIFY(kills > 0);
    // The kills came where the files on the disk were half old, half new: the load put
    // them together again.
    QCOMPARE(splitOnDisk > 0, splits);
}

void SaveTableTest::killedAtEachStepOfAnAppendTheEntryIsAllOrNothing_data() {
    QTest::addColumn<QString>("call");
    // Every kind of call that puts something on the disk: the new balance and the journal
    // (write), the added lines and the journal's commit (pwrite64), flushing, putting the
    // journal (renameat) and the balance (renameat2) in place, removing the old balance and
    // the journal (unlinkat).
    for (const char* call :
         {"write", "pwrite64", "fsync", "fdatasync", "renameat", "renameat2", "unlinkat"})
        QTest::newRow(call) << QString::fromLatin1(call);
}

void SaveTableTest::killedAtEachStepOfAnAppendTheEntryIsAllOrNothing() {
    QFETCH(QString, call);
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    const QList<QByteArray> before = asBytes(oldIncomeRows());
    QList<QStringList> appended = oldIncomeRows();
    for (qsizetype column = 0; column < appended.size(); ++column)
        appended[column] << appendedIncomeRow()[column];
    const QList<QByteArray> after = asBytes(appended);
    const QByteArray balanceBefore = "-200\r\n";
    const QByteArray balanceAfter = appendedIncomeRow().last().toUtf8() + "\r\n";
    int kills = 0;
    for (int step = 1;; ++step) {
        QVERIFY2(step < 50, "the save never finished");
        QTemporaryDir root;
        const QString folder = root.filePath("Household");
        writeTable(folder, oldIncomeRows());
        const QString balance = account::filePath(folder, account::kOpeningBalance);
        writeBytes(balance, balanceBefore);
        const QStringList namesBefore = namesIn(folder);

        QProcess save;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        save.setProcessEnvironment(environment);
        save.start(strace, {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                            QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(step),
                            QStringLiteral(KESTERLY_SAVETABLE_CHILD), folder, "append"});
        QVERIFY(save.waitForFinished(60000));
        const QByteArray said = save.readAllStandardError();
        if (save.exitStatus() == QProcess::NormalExit && save.exitCode() == 0) {
            QCOMPARE(tableBytes(folder), after);
            QCOMPARE(bytesOf(balance), balanceAfter);
            QCOMPARE(namesIn(folder), namesBefore);
            break;
        }
        if (step == 1 && said.contains("ptrace"))
            QSKIP(qPrintable("strace cannot trace here: " + QString::fromLocal8Bit(said)));
        QVERIFY2(save.exitStatus() == QProcess::CrashExit || save.exitCode() == 128 + 9,
                 qPrintable(QStringLiteral("exit %1: %2").arg(save.exitCode()).arg(said)));
        ++kills;

        // The next load finishes (or drops) the save: the entry and its balance are both
        // there, or neither is.
        const account::TableRead read = account::readTable(folder, kIncome);
        QVERIFY2(read.whole(), qPrintable(read.problems.join('\n')));
        const QList<QByteArray> loaded = asBytes(read.columns);
        QVERIFY2((loaded == before && bytesOf(balance) == balanceBefore) ||
                     (loaded == after && bytesOf(balance) == balanceAfter),
                 qPrintable(QStringLiteral("killed at %1 %2: %3 with the balance %4")
                                .arg(call)
                                .arg(step)
                                .arg(QString::fromUtf8(loaded.join('|')),
                                     QString::fromUtf8(bytesOf(balance)))));
        QCOMPARE(tableBytes(folder), loaded);
        QCOMPARE(namesIn(folder), namesBefore);
    }
    QVERIFY(kills > 0);
}

void SaveTableTest::appendAddsOneLineWrittenAsTheFileIs_data() {
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("after a line end") << QByteArray("a\r\n") << "b" << QByteArray("a\r\nb\r\n");
    QTest::newRow("after a last line without its end")
        << QByteArray("a") << "b" << QByteArray("a\r\nb\r\n");
    QTest::newRow("after a bare LF") << QByteArray("a\n") << "b" << QByteArray("a\nb\r\n");
    QTest::newRow("after a last CR") << QByteArray("a\r") << "b" << QByteArray("a\r\nb\r\n");
    QTest::newRow("into an empty file") << QByteArray() << "é" << QByteArray("\xE9\r\n");
    QTest::newRow("Windows-1252 after ASCII")
        << QByteArray("a\r\n") << "é" << QByteArray("a\r\n\xE9\r\n");
    // A UTF-8 file stays UTF-8: a Windows-1252 byte would make the whole file read as
    // Windows-1252.
    QTest::newRow("UTF-8 after UTF-8")
        << QByteArray("\xC5\x82\r\n") << "é" << QByteArray("\xC5\x82\r\n\xC3\xA9\r\n");
    QTest::newRow("Windows-1252 after Windows-1252")
        << QByteArray("\xFC\r\n") << "é" << QByteArray("\xFC\r\n\xE9\r\n");
    // A character Windows-1252 lacks turns the whole file into UTF-8.
    QTest::newRow("beyond Windows-1252 after Windows-1252")
        << QByteArray("\xFC\r\n") << "ł" << QByteArray("\xC3\xBC\r\n\xC5\x82\r\n");
    QTest::newRow("bytes that would read as UTF-8, after ASCII")
        << QByteArray("a\r\n") << "Ã©" << QByteArray("a\r\n\xC3\x83\xC2\xA9\r\n");
}

void SaveTableTest::appendAddsOneLineWrittenAsTheFileIs() {
    QFETCH(QByteArray, held);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    const NotesAccount fixture(held);
    const auto& [root, folder, notes, path] = fixture;
    account::TableRead read = account::readTable(folder, notes);
    QVERIFY(read.whole());
    const QStringList texts = read.columns[0];
    QVERIFY(account::appendRow(folder, notes, {text}, read.state));
    QCOMPARE(bytesOf(account::filePath(folder, "Notes.txt")), expected);
    // Read back, the file holds what it held and the new line; and the state kept after
    // the save is the one a new read finds, so that a second line is written alike.
    const account::TableRead again = account::readTable(folder, notes);
    QCOMPARE(again.columns[0], texts + QStringList{text});
    QCOMPARE(again.state.charsets, read.state.charsets);
    QCOMPARE(again.state.stamps, read.state.stamps);
    QVERIFY(!account::changedSince(folder, notes, read.state));
}

void SaveTableTest::linksLeadingOutOfTheAccountAreLeftAlone_data() {
    QTest::addColumn<bool>("reminders");
    QTest::newRow("a list file links to a file elsewhere") << false;
    QTest::newRow("the Reminders folder links to a folder elsewhere") << true;
}

void SaveTableTest::linksLeadingOutOfTheAccountAreLeftAlone() {
    QFETCH(bool, reminders);
    QTemporaryDir root;
    const QString folder = root.filePath("Household");
    const QString elsewhere = root.filePath("elsewhere");
    QVERIFY(QDir().mkpath(elsewhere));
    writeBytes(elsewhere + "/notes.txt", "  my own notes\n");
    writeBytes(elsewhere + "/Time.txt", "9:00\n");
    writeTable(folder, oldIncomeRows());
    account::Table table = kIncome;
    QString link;
    if (reminders) {
        table = account::reminderTable();
        link = account::filePath(folder, account::kRemindersFolder);
        QVERIFY(QFile::link(elsewhere, link));
    } else {
        link = account::filePath(folder, account::kIncomeTable.description);
        QFile::remove(link);
        QVERIFY(QFile::link(elsewhere + "/notes.txt", link));
    }
    const QByteArray elsewhereBefore = snapshot(elsewhere);
    const QByteArray accountBefore = snapshot(folder);

    const account::TableRead read = account::readTable(folder, table);
    QVERIFY(!read.whole());
    QVERIFY2(read.problems.join('\n').contains(link), qPrintable(read.problems.join('\n')));
    QVERIFY2(read.problems.join('\n').contains("link"), qPrintable(read.problems.join('\n')));

    const listfile::Outcome saved =
        account::saveTable(folder, table, {{"new"}, {"new"}, {"new"}, {"new"}});
    QVERIFY(!saved);
    QVERIFY2(saved.message().contains(link), qPrintable(saved.message()));
    QCOMPARE(snapshot(elsewhere), elsewhereBefore);
    QCOMPARE(snapshot(folder), accountBefore);
    QVERIFY(QFileInfo(link).isSymLink());
}

void SaveTableTest::fileOfTheTableInTheWayReplacesNothing() {
    QTemporaryDir root;
    const QString folder = root.filePath("Household");
    writeTable(folder, oldIncomeRows());
    const QString amounts = account::filePath(folder, account::kIncomeTable.amount);
    QVERIFY(QFile::remove(amounts));
    QVERIFY(QDir().mkpath(amounts));
    const QStringList namesBefore = namesIn(folder);
    const listfile::Outcome saved = account::saveTable(folder, kIncome, newIncomeRows());
    QVERIFY(!saved);
    QVERIFY2(saved.message().contains(amounts), qPrintable(saved.message()));
    QCOMPARE(tableBytes(folder)[0], linesOf(oldIncomeRows()[0]));
    QCOMPARE(tableBytes(folder)[1], linesOf(oldIncomeRows()[1]));
    QCOMPARE(tableBytes(folder)[3], linesOf(oldIncomeRows()[3]));
    QCOMPARE(namesIn(folder), namesBefore);
}

void SaveTableTest::journalLargerThanAnySaveWritesIsNotRead_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("finished");
    QTest::newRow("at the limit") << listfile::kJournalSizeLimit << true;
    QTest::newRow("a byte beyond") << listfile::kJournalSizeLimit + 1 << false;
    QTest::newRow("40 MB") << qint64(40) * 1024 * 1024 << false;
}

// A journal is read whole before anything is done from it; one larger than any save
// writes is not ours and is not read, however it came there.
void SaveTableTest::journalLargerThanAnySaveWritesIsNotRead() {
    QFETCH(qint64, size);
    QFETCH(bool, finished);
    const NotesAccount fixture("a\r\n");
    const QString& folder = fixture.folder;
    const QString& notes = fixture.path;
    // A journal as an append writes it, padded with empty lines to the size.
    QByteArray journal = "Kesterly append\nadd Notes.txt 3 " + QByteArray("b\r\n").toBase64();
    const QByteArray end = "\nend\n";
    if (size <= 1024 * 1024)
        journal += QByteArray(size - journal.size() - end.size(), '\n');
    journal += end;
    const QString journalPath = folder + "/.kesterly-save";
    writeBytes(journalPath, journal);
    QFile sparse(journalPath);
    QVERIFY(sparse.resize(std::max<qint64>(size, journal.size())));
    QCOMPARE(QFileInfo(journalPath).size(), size);

    QElapsedTimer timer;
    timer.start();
    const listfile::Outcome outcome = listfile::finishPendingSave(folder);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    if (finished) {
        QVERIFY2(outcome, qPrintable(outcome.message()));
        QCOMPARE(bytesOf(notes), QByteArray("a\r\nb\r\n"));
        QVERIFY(!QFile::exists(journalPath));
        return;
    }
    QVERIFY(!outcome);
    QVERIFY2(outcome.message().contains(journalPath) &&
                 outcome.message().contains(
                     QStringLiteral("more than the %1 bytes").arg(listfile::kJournalSizeLimit)),
             qPrintable(outcome.message()));
    QCOMPARE(bytesOf(notes), QByteArray("a\r\n"));
    QCOMPARE(QFileInfo(journalPath).size(), size);
}

// The journal of an append carries the added line; a line too long for the journal's
// limit (a description pasted from a long text) is still added, and a crash in between
// is finished from a journal the next load reads.
void SaveTableTest::longLineIsAddedWithAJournalWithinTheLimit() {
    const NotesAccount fixture("a\r\n");
    const auto& [root, folder, notes, path] = fixture;
    QByteArray expected = "a\r\n";
    for (const qsizetype length :
         {qsizetype(100), qsizetype(listfile::kJournalSizeLimit / 2), qsizetype(200000)}) {
        account::TableRead read = account::readTable(folder, notes);
        QVERIFY(read.whole());
        const QString text(length, QLatin1Char('x'));
        const listfile::Outcome added = account::appendRow(folder, notes, {text}, read.state);
        QVERIFY2(added, qPrintable(added.message()));
        expected += text.toLatin1() + "\r\n";
        QCOMPARE(bytesOf(path), expected);
        QCOMPARE(namesIn(folder), QStringList{"Notes.txt"});
    }
}

// A list file far larger than years of entries is refused at once with the reason,
// without being read; the table is then not whole, so nothing of it is written back.
void SaveTableTest::listFileBeyondTheLimitIsRefusedUnread() {
    const NotesAccount fixture("a\r\n");
    const auto& [root, folder, notes, path] = fixture;
    QFile sparse(path);
    QVERIFY(sparse.resize(listfile::kListSizeLimit + 1));
    QElapsedTimer timer;
    timer.start();
    const account::TableRead read = account::readTable(folder, notes);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!read.whole());
    QCOMPARE(read.problems.size(), 1);
    QVERIFY2(read.problems[0].contains(path) && read.problems[0].contains("100 MB"),
             qPrintable(read.problems[0]));
    const auto value = listfile::readList(path);
    QVERIFY(!value.ok());
    QCOMPARE(QFileInfo(path).size(), listfile::kListSizeLimit + 1);
}

void SaveTableTest::protectedFileIsNotReplaced_data() {
    QTest::addColumn<bool>("otherUser");
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("reason");
    for (const char* save : {"rewrite", "append", "add a line", "bytes"}) {
        QTest::addRow("read-only, %s", save) << false << save << "it is set read-only";
        QTest::addRow("another user's, %s", save) << true << save << "belongs to another user";
    }
}

// A file the user set read-only, or one of another user, is left as it is with the reason,
// even where the folder would let a new file take its place.
void SaveTableTest::protectedFileIsNotReplaced() {
    QFETCH(bool, otherUser);
    QFETCH(QString, save);
    QFETCH(QString, reason);
    const NotesAccount fixture("a\r\n");
    const auto& [root, folder, notes, path] = fixture;
    account::TableRead read = account::readTable(folder, notes);
    QVERIFY(read.whole());
    const QByteArray native = QFile::encodeName(path);
    if (otherUser) {
        if (::geteuid() != 0)
            QSKIP("giving a file to another user needs the right to, as root has");
        QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    } else {
        QCOMPARE(::chmod(native.constData(), 0444), 0);
    }
    struct stat before {};
    QCOMPARE(::lstat(native.constData(), &before), 0);

    listfile::Outcome outcome = listfile::Outcome::success();
    if (save == "rewrite")
        outcome = listfile::writeList(path, {"b"});
    else if (save == "append")
        outcome = account::appendRow(folder, notes, {"b"}, read.state);
    else if (save == "add a line")
        outcome = listfile::appendLine(path, "b");
    else
        outcome = listfile::writeBytes(path, "b");
    QVERIFY(!outcome);
    QVERIFY2(outcome.message().contains(path) && outcome.message().contains(reason),
             qPrintable(outcome.message()));
    QCOMPARE(bytesOf(path), QByteArray("a\r\n"));
    struct stat after {};
    QCOMPARE(::lstat(native.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(namesIn(folder), QStringList{"Notes.txt"});
}

void SaveTableTest::bytesTakeTheFilesPlaceOrNothingChanges_data() {
    QTest::addColumn<QString>("there");
    QTest::addColumn<QString>("reason"); // empty: the bytes are written
    QTest::newRow("nothing") << "nothing"
                             << "";
    QTest::newRow("a plain file, replaced with its permissions") << "file"
                                                                 << "";
    QTest::newRow("a folder") << "folder"
                              << "it is a folder";
    QTest::newRow("a link to a file") << "link"
                                      << "it is a link to another file";
    QTest::newRow("a link to nothing") << "dangling link"
                                       << "it is a link to another file";
    QTest::newRow("a missing folder") << "no folder" << systemReason(ENOENT);
}

// Bytes for a file the user named anywhere (an export): the file is replaced whole, or
// nothing changes and the reason names the file.
void SaveTableTest::bytesTakeTheFilesPlaceOrNothingChanges() {
    QFETCH(QString, there);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath("Income.csv");
    const QString elsewhere = dir.filePath("elsewhere.csv");
    writeBytes(elsewhere, "kept");
    if (there == "file") {
        writeBytes(path, "old content, longer than the new");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    } else if (there == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (there == "link") {
        QVERIFY(QFile::link(elsewhere, path));
    } else if (there == "dangling link") {
        QVERIFY(QFile::link(dir.filePath("gone.csv"), path));
    } else if (there == "no folder") {
        path = dir.filePath("gone/Income.csv");
    }
    const QStringList namesBefore = namesIn(dir.path());

    const listfile::Outcome written = listfile::writeBytes(path, "\xEF\xBB\xBF"
                                                                 "Date\r\n");
    if (reason.isEmpty()) {
        QVERIFY2(written, qPrintable(written.message()));
        QCOMPARE(bytesOf(path), QByteArray("\xEF\xBB\xBF"
                                           "Date\r\n"));
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        QVERIFY(S_ISREG(info.st_mode));
        if (there == "file")
            QCOMPARE(info.st_mode & 0777, mode_t(0640));
        QStringList names = namesBefore;
        if (there == "nothing")
            names = QStringList{"Income.csv", "elsewhere.csv"};
        QCOMPARE(namesIn(dir.path()), names);
        return;
    }
    QVERIFY(!written);
    QVERIFY2(written.message().contains(path) && written.message().contains(reason),
             qPrintable(written.message()));
    QCOMPARE(namesIn(dir.path()), namesBefore);
    QCOMPARE(bytesOf(elsewhere), QByteArray("kept"));
    if (there.endsWith("link"))
        QVERIFY(QFileInfo(path).isSymLink());
    if (there == "folder")
        QVERIFY(QFileInfo(path).isDir());
}

void SaveTableTest::fullDiskKeepsTheFileTheBytesWereFor() {
    SmallDisk disk;
    KESTERLY_SKIP_WITHOUT(disk);
    const QString path = disk.path() + "/Income.csv";
    writeBytes(path, "old");
    disk.fillLeaving(1);
    const QStringList namesBefore = namesIn(disk.path());
    const QByteArray bytes(3 * 4096, 'x');
    const listfile::Outcome written = listfile::writeBytes(path, bytes);
    QVERIFY(!written);
    QVERIFY2(written.message().contains(path) && written.message().contains(systemReason(ENOSPC)),
             qPrintable(written.message()));
    QCOMPARE(bytesOf(path), QByteArray("old"));
    QCOMPARE(namesIn(disk.path()), namesBefore);

    disk.empty();
    QVERIFY(listfile::writeBytes(path, bytes));
    QCOMPARE(bytesOf(path), bytes);
}

QTEST_APPLESS_MAIN(SaveTableTest)
#include "test_savetable.moc"
