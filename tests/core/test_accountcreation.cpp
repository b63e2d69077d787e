#include "core/accountcreation.h"
#include "support/files.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::test;

namespace {

// Every name in a folder, hidden ones too: what a creation leaves behind shows here.
QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Household with the opening balance 500, as New Account makes it, file by file.
QByteArray wholeHousehold() {
    QTemporaryDir made;
    writeBytes(made.filePath("Name.txt"), "Household\r\n");
    writeBytes(made.filePath("OpeningBalance.txt"), "500\r\n");
    for (const char* list :
         {"IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt", "ExpenseDate.txt",
          "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt", "Reminders/Date.txt",
          "Reminders/Time.txt", "Reminders/Description.txt"})
        writeBytes(made.filePath(list), "\r\n");
    return snapshot(made.path());
}

// A hidden creation folder of Household, as a creation names it.
const QRegularExpression
    kCreationFolder(QStringLiteral("^\\.Household\\.[0-9a-f]{8}\\.kesterly-new$"));

// A folder as an interrupted creation of the name leaves it: the marker, and the account
// folder with some of its files.
void makeLeftover(const QString& folder, const QString& name) {
    writeBytes(folder + "/kesterly-new-account", "Kesterly is creating an account\r\n");
    writeBytes(folder + "/" + name + "/Reminders/Date.txt", "\r\n");
    writeBytes(folder + "/" + name + "/Reminders/Time.txt", "\r\n");
    writeBytes(folder + "/" + name + "/OpeningBalance.txt", "");
}

struct ChildRun {
    bool killed = false;
    int exitCode = 0;
    QString said;
};

} // namespace

class AccountCreationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void killedAtEachStepTheRootHoldsNoAccountOrAWholeOne();
    void refusedCallLeavesNothingAndSaysWhy_data();
    void refusedCallLeavesNothingAndSaysWhy();
    void fileSystemWithoutNoReplaceRenameStillCreates();
    void nameTakenMeanwhileIsLeftAlone_data();
    void nameTakenMeanwhileIsLeftAlone();
    void leftoverCreationFolderGoesAndLookAlikesStay();
    void leftoverGoesWhenTheNameIsTakenOrRefused();
    void longestNameIsCreatedAndItsLeftoverGoes();
    void fullDiskLeavesNoFolderAndSaysWhy();

private:
    // Creates Household in the root in a child process under strace, which tampers with the
    // given call as it begins: "signal=KILL" or "error=ENOSPC", at its n-th use.
    ChildRun createUnderStrace(const QString& root, const QString& call, const QString& what,
                               int n);
    QString strace_;
};

void AccountCreationTest::initTestCase() {
    strace_ = QStandardPaths::findExecutable("strace");
}

ChildRun AccountCreationTest::createUnderStrace(const QString& root, const QString& call,
                                                const QString& what, int n) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A leak check cannot run in a traced process; a sanitizer build's child leaves it out.
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    child.setProcessEnvironment(environment);
    child.start(strace_,
                {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                 QStringLiteral("inject=%1:%2:when=%3").arg(call, what).arg(n),
                 QStringLiteral(KESTERLY_ACCOUNTCREATION_CHILD), root, "Household", "500"});
    ChildRun run;
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        run.said = "the child did not end";
        run.exitCode = -1;
        return run;
    }
    run.said = QString::fromLocal8Bit(child.readAllStandardError());
    run.killed = child.exitStatus() == QProcess::CrashExit || child.exitCode() == 128 + 9;
    run.exitCode = child.exitCode();
    return run;
}

void AccountCreationTest::killedAtEachStepTheRootHoldsNoAccountOrAWholeOne() {
    if (strace_.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    const QByteArray whole = wholeHousehold();
    int kills = 0;
    int leftBehind = 0;
    int wholeAfterKill = 0;
    // Every call that writes, flushes, makes, moves or removes something on the disk.
    for (const QString call : {"write", "fsync", "mkdir", "renameat2", "unlink", "rmdir"}) {
        for (int n = 1;; ++n) {
            const QString at = QStringLiteral("killed at %1 number %2").arg(call).arg(n);
            QVERIFY2(n < 60, qPrintable(call + ": the creation never finished"));
            QTemporaryDir dir;
            const QString root = dir.path() + '/';
            const ChildRun run = createUnderStrace(root, call, "signal=KILL", n);
            if (!run.killed) {
                if (n == 1 && run.said.contains("ptrace"))
                    QSKIP(qPrintable("strace cannot trace here: " + run.said));
                QVERIFY2(run.exitCode == 0, qPrintable(at + ": " + run.said));
                QCOMPARE(namesIn(root), QStringList{"Household"});
                QCOMPARE(snapshot(root + "Household"), whole);
                break;
            }
            ++kills;

            // The root holds no account or a whole one, and at most a hidden creation folder.
            bool accountThere = false;
            for (const QString& name : namesIn(root)) {
                if (name == "Household") {
                    accountThere = true;
                    QVERIFY2(snapshot(root + name) == whole, qPrintable(at + ": half an account"));
                    ++wholeAfterKill;
                } else {
                    QVERIFY2(kCreationFolder.match(name).hasMatch(),
                             qPrintable(at + ": left " + name));
                    ++leftBehind;
                }
            }

            // New Account then creates it, or says it exists when it is there whole; either
            // way what the killed one left behind goes.
            account::AccountCreation again(root, "Household");
            const listfile::Outcome created = again.create("500");
            if (accountThere) {
                QVERIFY2(!created && again.nameTaken(), qPrintable(at));
                QVERIFY2(created.message().contains("already exists"),
                         qPrintable(created.message()));
            } else {
                QVERIFY2(created, qPrintable(at + ": " + created.message()));
            }
            QVERIFY2(namesIn(root) == QStringList{"Household"},
                     qPrintable(at + ": " + namesIn(root).join(", ")));
            QCOMPARE(snapshot(root + "Household"), whole);
        }
    }
    qInfo("killed at %d calls: %d left a hidden creation folder, %d a whole account", kills,
          leftBehind, wholeAfterKill);
    QVERIFY(kills > 0);
    // The kills came both before the account had its name and after.
    QVERIFY(leftBehind > 0);
    QVERIFY(wholeAfterKill > 0);
}

void AccountCreationTest::refusedCallLeavesNothingAndSaysWhy_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("error");
    QTest::newRow("a full disk at each write") << "write" << ENOSPC;
    QTest::newRow("a failed flush at each fsync") << "fsync" << EIO;
    QTest::newRow("a refused folder at each mkdir") << "mkdir" << EACCES;
    QTest::newRow("a refused rename") << "renameat2" << EACCES;
}

void AccountCreationTest::refusedCallLeavesNothingAndSaysWhy() {
    QFETCH(QString, call);
    QFETCH(int, error);
    if (strace_.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    const QByteArray whole = wholeHousehold();
    const QString why = QString::fromLocal8Bit(std::strerror(error));
    int refusals = 0;
    for (int n = 1;; ++n) {
        const QString at = QStringLiteral("%1 number %2 refused").arg(call).arg(n);
        QVERIFY2(n < 60, "the creation never finished");
        QTemporaryDir dir;
        const QString root = dir.path() + '/';
        const ChildRun run = createUnderStrace(
            root, call, QStringLiteral("error=%1").arg(QString::fromLatin1(strerrorname_np(error))),
            n);
        if (run.exitCode == 0 && !run.killed) {
            if (n == 1)
                QSKIP(qPrintable("strace did not refuse the call: " + run.said));
            QCOMPARE(namesIn(root), QStringList{"Household"});
            QCOMPARE(snapshot(root + "Household"), whole);
            break;
        }
        ++refusals;
        QVERIFY2(run.exitCode == 1,
                 qPrintable(at + QStringLiteral(": exit %1, ").arg(run.exitCode) + run.said));
        QVERIFY2(run.said.contains(why), qPrintable(at + ": " + run.said));
        const QString folder = root + "Household/";
        if (run.said.contains("was created with all its files")) {
            // Only the last flush, of the root itself, comes after the account has its name.
            QCOMPARE(namesIn(root), QStringList{"Household"});
            QCOMPARE(snapshot(folder), whole);
            continue;
        }
        QVERIFY2(run.said.contains(
                     QStringLiteral("The account folder \"%1\" was not created.").arg(folder)),
                 qPrintable(at + ": " + run.said));
        QVERIFY2(namesIn(root).isEmpty(), qPrintable(at + ": left " + namesIn(root).join(", ")));
        QVERIFY(account::AccountCreation(root, "Household").create("500"));
        QCOMPARE(snapshot(folder), whole);
    }
    QVERIFY(refusals > 0);
}

void AccountCreationTest::fileSystemWithoutNoReplaceRenameStillCreates() {
    if (strace_.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    // Some file systems answer EINVAL to a rename that must not replace anything.
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    const ChildRun run = createUnderStrace(root, "renameat2", "error=EINVAL", 1);
    QVERIFY2(!run.killed && run.exitCode == 0, qPrintable(run.said));
    QCOMPARE(namesIn(root), QStringList{"Household"});
    QCOMPARE(snapshot(root + "Household"), wholeHousehold());
}

void AccountCreationTest::nameTakenMeanwhileIsLeftAlone_data() {
    QTest::addColumn<bool>("byAnotherCopy");
    QTest::newRow("a folder made while the account was being written") << false;
    QTest::newRow("another copy creating the same name at the same time") << true;
}

void AccountCreationTest::nameTakenMeanwhileIsLeftAlone() {
    QFETCH(bool, byAnotherCopy);
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    account::AccountCreation creation(root, "Household");
    QVERIFY(creation.build("500"));
    QByteArray theirs;
    if (byAnotherCopy) {
        // The second one's clean-up leaves the first one's creation folder alone.
        account::AccountCreation other(root, "Household");
        QVERIFY(other.create("700"));
        theirs = snapshot(root + "Household");
        QVERIFY(theirs.contains(QByteArray("700\r\n").toHex()));
    } else {
        writeBytes(root + "Household/Name.txt", "Someone else\r\n");
        theirs = snapshot(root + "Household");
    }
    const listfile::Outcome placed = creation.putInPlace();
    QVERIFY(!placed);
    QVERIFY(creation.nameTaken());
    QVERIFY2(placed.message().contains("already exists"), qPrintable(placed.message()));
    QVERIFY2(placed.message().contains(root + "Household/"), qPrintable(placed.message()));
    QCOMPARE(namesIn(root), QStringList{"Household"});
    QCOMPARE(snapshot(root + "Household"), theirs);
}

void AccountCreationTest::leftoverCreationFolderGoesAndLookAlikesStay() {
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    // What interrupted creations left, of this name and of another, go.
    makeLeftover(root + ".Household.0123abcd.kesterly-new", "Household");
    makeLeftover(root + ".Savings.89abcdef.kesterly-new", "Savings");

    // An empty one, as a creation cut off right after making its folder leaves it: removing
    // it loses nothing.
    QVERIFY(QDir().mkdir(root + ".Household.11111111.kesterly-new"));

    // Look-alikes, which stay as they are: without the marker, holding an account; with the
    // marker but a file of the user's beside it, or in the account folder; a name not of
    // the form (no token, an upper-case token); a link to a folder that holds a leftover;
    // one that a running creation has locked; and a file.
    writeBytes(root + ".Household.22222222.kesterly-new/Household/Name.txt", "Household\r\n");
    makeLeftover(root + ".Household.33333333.kesterly-new", "Household");
    writeBytes(root + ".Household.33333333.kesterly-new/notes.txt", "mine\r\n");
    makeLeftover(root + ".Household.44444444.kesterly-new", "Household");
    writeBytes(root + ".Household.44444444.kesterly-new/Household/Reminders/notes.txt", "x");
    makeLeftover(root + ".Household.kesterly-new", "Household");
    makeLeftover(root + ".Household.ABCDEF01.kesterly-new", "Household");
    QTemporaryDir elsewhere;
    makeLeftover(elsewhere.path(), "Household");
    QVERIFY(QFile::link(elsewhere.path(), root + ".Household.55555555.kesterly-new"));
    makeLeftover(root + ".Household.66666666.kesterly-new", "Household");
    writeBytes(root + ".Household.77777777.kesterly-new", "a file\r\n");
    const int running =
        ::open(QFile::encodeName(root + ".Household.66666666.kesterly-new").constData(),
               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(running >= 0);
    QVERIFY(::flock(running, LOCK_EX) == 0);

    QStringList stay = namesIn(root);
    for (const char* gone : {".Household.0123abcd.kesterly-new", ".Savings.89abcdef.kesterly-new",
                             ".Household.11111111.kesterly-new"})
        stay.removeOne(gone);
    QByteArray before;
    for (const QString& name : stay)
        before += name.toUtf8() + '\n' + snapshot(root + name);
    const QByteArray elsewhereBefore = snapshot(elsewhere.path());

    QVERIFY(account::AccountCreation(root, "Household").create("500"));
    ::close(running);

    stay << "Household";
    stay.sort();
    QCOMPARE(namesIn(root), stay);
    QByteArray after;
    for (const QString& name : namesIn(root)) {
        if (name != "Household")
            after += name.toUtf8() + '\n' + snapshot(root + name);
    }
    QCOMPARE(after, before);
    QCOMPARE(snapshot(elsewhere.path()), elsewhereBefore);
    QCOMPARE(snapshot(root + "Household"), wholeHousehold());

    // Once no creation runs there, the next one takes the formerly locked folder too.
    QVERIFY(account::AccountCreation(root, "Other").create("1"));
    QVERIFY(!namesIn(root).contains(".Household.66666666.kesterly-new"));
}

void AccountCreationTest::leftoverGoesWhenTheNameIsTakenOrRefused() {
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    QVERIFY(account::AccountCreation(root, "Household").create("500"));
    makeLeftover(root + ".Household.0123abcd.kesterly-new", "Household");
    account::AccountCreation again(root, "Household");
    const listfile::Outcome created = again.create("700");
    QVERIFY(!created);
    QVERIFY(again.nameTaken());
    QVERIFY2(created.message().contains("already exists"), qPrintable(created.message()));
    QCOMPARE(namesIn(root), QStringList{"Household"});
    QCOMPARE(snapshot(root + "Household"), wholeHousehold());
}

void AccountCreationTest::longestNameIsCreatedAndItsLeftoverGoes() {
    // A name as long as a folder name may be: its creation folder's name is cut short.
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    const QString name = QString(120, QChar(0x00E9)) + "Household"; // é: two bytes each
    QCOMPARE(QFile::encodeName(name).size(), 249);
    const QString cut(116, QChar(0x00E9));
    makeLeftover(root + "." + cut + ".0123abcd.kesterly-new", name);
    QCOMPARE(namesIn(root).size(), 1);
    QVERIFY(account::AccountCreation(root, name).create("500"));
    QCOMPARE(namesIn(root), QStringList{name});
    // Written in Windows-1252, where é fits.
    QCOMPARE(bytesOf(root + name + "/Name.txt"), name.toLatin1() + "\r\n");
}

void AccountCreationTest::fullDiskLeavesNoFolderAndSaysWhy() {
    SmallDisk disk;
    KESTERLY_SKIP_WITHOUT(disk);
    const QString root = disk.path() + "/home/";
    QVERIFY(QDir().mkpath(root));
    const QString why = QString::fromLocal8Bit(std::strerror(ENOSPC));
    // Each file, the marker too, takes a page: the disk is full at each of them in turn.
    int full = 0;
    for (int freePages = 0;; ++freePages) {
        QVERIFY2(freePages < 40, "the account never fitted");
        disk.empty();
        disk.fillLeaving(freePages);
        const QString at = QStringLiteral("%1 pages free").arg(freePages);
        account::AccountCreation creation(root, "Household");
        const listfile::Outcome created = creation.create("500");
        if (created) {
            QCOMPARE(namesIn(root), QStringList{"Household"});
            QCOMPARE(snapshot(root + "Household"), wholeHousehold());
            break;
        }
        ++full;
        QVERIFY2(!creation.nameTaken(), qPrintable(at));
        QVERIFY2(created.message().contains(why), qPrintable(at + ": " + created.message()));
        QVERIFY2(
            created.message().contains(
                QStringLiteral("The account folder \"%1Household/\" was not created.").arg(root)),
            qPrintable(at + ": " + created.message()));
        QVERIFY2(namesIn(root).isEmpty(), qPrintable(at + ": left " + namesIn(root).join(", ")));
    }
    QVERIFY(full > 1);

    // With room again, it is created.
    QDir(root + "Household").removeRecursively();
    disk.empty();
    QVERIFY(account::AccountCreation(root, "Household").create("500"));
    QCOMPARE(snapshot(root + "Household"), wholeHousehold());
}

QTEST_APPLESS_MAIN(AccountCreationTest)
#include "test_accountcreation.moc"
