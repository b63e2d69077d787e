// The account's mark against other copies of the program (lock_child, a real second
// process, also in a UTS namespace of its own with another host name), against copies
// that ended, against other computers' marks and against whatever another program puts
// in the mark's place.
#include "core/accountlock.h"
#include "core/numbertext.h"
#include "support/files.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::test;
using account::AccountLock;

namespace {

// What a copy on another computer writes: its process, the program, its host name, its
// machine id, its boot id and since when.
const QByteArray kFarAway = "4242\nKesterly\nfar-away-computer\n0123456789abcdef0123456789abcdef\n"
                            "11111111-2222-3333-4444-555555555555\n2026-03-14T09:26:00Z\n";
const QByteArray kFarther = "77\nKesterly\nfarther-computer\nfedcba9876543210fedcba9876543210\n"
                            "66666666-7777-8888-9999-000000000000\n2026-04-01T12:00:00Z\n";

bool isPipe(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Puts `bytes` (or a pipe, for a null array) in the place of `path` in one step, as an
// editor or a sync tool replaces a file: the name leads to another file afterwards.
void replace(const QString& path, const QByteArray& bytes) {
    const QString beside = path + ".replacement";
    if (bytes.isNull())
        QCOMPARE(::mkfifo(QFile::encodeName(beside).constData(), 0600), 0);
    else
        writeBytes(beside, bytes);
    QCOMPARE(::rename(QFile::encodeName(beside).constData(), QFile::encodeName(path).constData()),
             0);
}

QString shownSince(const QDateTime& time) {
    return userLocale().toString(time.toLocalTime(), QLocale::ShortFormat);
}

// Another copy of the program (lock_child); one still running at the end of a test is
// ended as the program ends, its input closed.
class Copy : public QProcess {
public:
    ~Copy() override {
        if (state() != NotRunning) {
            closeWriteChannel();
            if (!waitForFinished(20000))
                kill();
            waitForFinished(20000);
        }
    }
};

} // namespace

class AccountLockTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void copyOnThisComputerIsRefusedWithoutAnOffer_data();
    void copyOnThisComputerIsRefusedWithoutAnOffer();
    void endedCopyOfThisComputerIsTakenOverWithoutAQuestion_data();
    void endedCopyOfThisComputerIsTakenOverWithoutAQuestion();
    void markOfAnotherComputerIsOfferedForTakeOver_data();
    void markOfAnotherComputerIsOfferedForTakeOver();
    void takeOverRemovesOnlyTheFileAskedAbout();
    void pipeNeverKeepsTheProgramWaiting_data();
    void pipeNeverKeepsTheProgramWaiting();
    void endingRemovesOnlyTheMarkThisCopyMade_data();
    void endingRemovesOnlyTheMarkThisCopyMade();

private:
    // Starts lock_child on the account, under another host name when one is given; returns
    // what it says first ("locked", or "refused"/"asked" and why).
    QByteArray startCopy(Copy& copy, const QString& hostName = {});
    // Skips the test where no UTS namespace can be made (it takes root or a user namespace).
    bool namespacesWork();
    QString folder() const { return dir_->filePath("Household"); }
    QString mark() const { return folder() + "/.kesterly.lock"; }
    std::unique_ptr<QTemporaryDir> dir_;
};

void AccountLockTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    writeBytes(folder() + "/Name.txt", "Household\r\n");
}

void AccountLockTest::cleanup() {
    AccountLock::setBetweenSteps({});
    dir_.reset();
}

QByteArray AccountLockTest::startCopy(Copy& copy, const QString& hostName) {
    if (hostName.isEmpty()) {
        copy.start(QStringLiteral(KESTERLY_LOCK_CHILD), {folder()});
    } else {
        // unshare without --fork runs the program in its own process, so the process id
        // is the one its mark names.
        copy.start(QStringLiteral("unshare"),
                   {"-u", "sh", "-c", "hostname \"$0\" && exec \"$1\" \"$2\"", hostName,
                    QStringLiteral(KESTERLY_LOCK_CHILD), folder()});
    }
    if (!copy.waitForStarted(20000))
        return "<not started>";
    while (!copy.canReadLine() && copy.waitForReadyRead(20000)) {
    }
    return copy.readLine();
}

bool AccountLockTest::namespacesWork() {
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {"-u", "hostname", "probe-computer"});
    return probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

void AccountLockTest::copyOnThisComputerIsRefusedWithoutAnOffer_data() {
    QTest::addColumn<QString>("holderHost"); // empty: this computer's own name
    QTest::addColumn<QString>("askerHost");
    QTest::addColumn<bool>("rewritten");
    QTest::addColumn<QByteArray>("rewrite"); // what the holder's mark says meanwhile
    QTest::addColumn<QString>("named");      // what the refusal names
    QTest::newRow("same host name, asked from another")
        << ""
        << "other-computer" << false << QByteArray() << QString();
    QTest::newRow("held in another UTS namespace")
        << "other-computer"
        << "" << false << QByteArray() << "other-computer";
    // The kernel's lock answers, whatever the file says.
    QTest::newRow("mark rewritten to name another computer")
        << ""
        << "" << true << kFarAway << "far-away-computer";
    QTest::newRow("mark emptied") << ""
                                  << "" << true << QByteArray("") << "being opened";
}

// A second copy on this computer, whatever its host name, while the first runs: no offer
// to take the account over, which would have both write.
void AccountLockTest::copyOnThisComputerIsRefusedWithoutAnOffer() {
    QFETCH(QString, holderHost);
    QFETCH(QString, askerHost);
    QFETCH(bool, rewritten);
    QFETCH(QByteArray, rewrite);
    QFETCH(QString, named);
    if ((!holderHost.isEmpty() || !askerHost.isEmpty()) && !namespacesWork())
        QSKIP("no UTS namespace can be made here (unshare -u needs root or user namespaces)");

    Copy holder;
    QCOMPARE(startCopy(holder, holderHost), QByteArray("locked\n"));
    if (rewritten)
        writeBytes(mark(), rewrite); // the same file, written over in place
    const QByteArray held = bytesOf(mark());
    if (named.isEmpty())
        named = QSysInfo::machineHostName();

    const AccountLock::Attempt here = AccountLock::take(folder());
    QVERIFY(!here.lock);
    QVERIFY2(here.takeOverQuestion.isEmpty(), qPrintable(here.takeOverQuestion));
    QVERIFY2(here.refusal.contains("another copy of Kesterly") && here.refusal.contains(named),
             qPrintable(here.refusal));
    if (!rewritten)
        QVERIFY2(here.refusal.contains(QStringLiteral("process %1 ").arg(holder.processId())),
                 qPrintable(here.refusal));

    Copy asker;
    const QByteArray said = startCopy(asker, askerHost);
    QVERIFY2(said.startsWith("refused\n"), said.constData());
    QVERIFY(asker.waitForFinished(20000));
    QCOMPARE(bytesOf(mark()), held);
}

void AccountLockTest::endedCopyOfThisComputerIsTakenOverWithoutAQuestion_data() {
    QTest::addColumn<QString>("killedHost"); // a copy that was killed, under that host name
    QTest::addColumn<QByteArray>("left");    // or what a copy left behind
    QTest::newRow("killed copy") << "" << QByteArray();
    QTest::newRow("killed copy of another UTS namespace") << "other-computer" << QByteArray();
    const QByteArray machine = QSysInfo::machineUniqueId();
    if (!machine.isEmpty())
        QTest::newRow("copy from before a restart")
            << ""
            << "4242\nKesterly\nother-computer\n" + machine +
                   "\n00000000-1111-2222-3333-444444444444\n2026-03-14T09:26:00Z\n";
    QTest::newRow("copy ended before it wrote its mark") << "" << QByteArray("");
}

void AccountLockTest::endedCopyOfThisComputerIsTakenOverWithoutAQuestion() {
    QFETCH(QString, killedHost);
    QFETCH(QByteArray, left);
    if (!killedHost.isEmpty() && !namespacesWork())
        QSKIP("no UTS namespace can be made here (unshare -u needs root or user namespaces)");
    if (left.isNull()) {
        Copy killed;
        QCOMPARE(startCopy(killed, killedHost), QByteArray("locked\n"));
        killed.kill();
        QVERIFY(killed.waitForFinished(20000));
    } else {
        writeBytes(mark(), left);
    }
    QVERIFY(QFile::exists(mark()));

    AccountLock::Attempt here = AccountLock::take(folder());
    QVERIFY2(here.lock, qPrintable(here.refusal));
    QCOMPARE(here.warning, QString());
    const QList<QByteArray> lines = bytesOf(mark()).split('\n');
    QCOMPARE(lines.value(0), QByteArray::number(qint64(::getpid())));
    QCOMPARE(lines.value(2), QSysInfo::machineHostName().toUtf8());
    Copy asker;
    QVERIFY(startCopy(asker).startsWith("refused\n"));
    here.lock.reset();
    QVERIFY(!QFile::exists(mark()));
}

void AccountLockTest::markOfAnotherComputerIsOfferedForTakeOver_data() {
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QDateTime>("since");
    QTest::newRow("another machine")
        << kFarAway << "far-away-computer" << QDateTime(QDate(2026, 3, 14), QTime(9, 26), Qt::UTC);
    // Two computers of the same name share a drive: the ids tell them apart.
    const QString thisName = QSysInfo::machineHostName();
    QTest::newRow("another machine of this one's name")
        << "4242\nKesterly\n" + thisName.toUtf8() +
               "\n0123456789abcdef0123456789abcdef\n11111111-2222-3333-4444-555555555555\n"
               "2026-04-01T12:00:00Z\n"
        << thisName << QDateTime(QDate(2026, 4, 1), QTime(12, 0), Qt::UTC);
}

void AccountLockTest::markOfAnotherComputerIsOfferedForTakeOver() {
    QFETCH(QByteArray, left);
    QFETCH(QString, computer);
    QFETCH(QDateTime, since);
    writeBytes(mark(), left);

    const AccountLock::Attempt asked = AccountLock::take(folder());
    QVERIFY(!asked.lock);
    QVERIFY2(
        asked.refusal.contains("on the computer \"" + computer + "\" since " + shownSince(since)),
        qPrintable(asked.refusal));
    QVERIFY2(asked.takeOverQuestion.contains("no longer running on \"" + computer + "\""),
             qPrintable(asked.takeOverQuestion));
    QCOMPARE(bytesOf(mark()), left);

    AccountLock::Attempt taken = AccountLock::takeOver(folder(), asked.found);
    QVERIFY2(taken.lock, qPrintable(taken.refusal));
    QCOMPARE(bytesOf(mark()).split('\n').value(0), QByteArray::number(qint64(::getpid())));
    Copy asker;
    QVERIFY(startCopy(asker).startsWith("refused\n"));
}

// Between the question and the user's OK another program may put something else where
// the mark was: only what the user was asked about goes.
void AccountLockTest::takeOverRemovesOnlyTheFileAskedAbout() {
    writeBytes(mark(), kFarAway);
    const AccountLock::Attempt first = AccountLock::take(folder());
    QVERIFY(!first.takeOverQuestion.isEmpty());

    replace(mark(), kFarther);
    const AccountLock::Attempt second = AccountLock::takeOver(folder(), first.found);
    QVERIFY(!second.lock);
    QVERIFY2(second.refusal.contains("farther-computer") && !second.takeOverQuestion.isEmpty(),
             qPrintable(second.refusal));
    QCOMPARE(bytesOf(mark()), kFarther);

    // A copy on this computer has taken it meanwhile: kept out, nothing removed.
    QVERIFY(QFile::remove(mark()));
    Copy holder;
    QCOMPARE(startCopy(holder), QByteArray("locked\n"));
    const QByteArray held = bytesOf(mark());
    const AccountLock::Attempt third = AccountLock::takeOver(folder(), second.found);
    QVERIFY(!third.lock);
    QVERIFY2(third.refusal.contains("another copy") && third.takeOverQuestion.isEmpty(),
             qPrintable(third.refusal));
    QCOMPARE(bytesOf(mark()), held);
}

void AccountLockTest::pipeNeverKeepsTheProgramWaiting_data() {
    QTest::addColumn<int>("step"); // -1: the pipe is there from the start
    QTest::newRow("there before") << -1;
    QTest::newRow("swapped in after the first look") << int(AccountLock::Step::Looked);
    QTest::newRow("swapped in after the mark was opened") << int(AccountLock::Step::Opened);
    QTest::newRow("swapped in after the mark was locked") << int(AccountLock::Step::Locked);
}

// A pipe is read only once a writer comes, which none does: the program must never open
// one to read it, whenever it comes.
void AccountLockTest::pipeNeverKeepsTheProgramWaiting() {
    QFETCH(int, step);
    if (step < 0)
        QCOMPARE(::mkfifo(QFile::encodeName(mark()).constData(), 0600), 0);
    bool swapped = false;
    AccountLock::setBetweenSteps([&](AccountLock::Step at) {
        if (int(at) == step && !swapped) {
            swapped = true;
            replace(mark(), QByteArray());
        }
    });
    QElapsedTimer timer;
    timer.start();
    const AccountLock::Attempt attempt = AccountLock::take(folder());
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!attempt.lock);
    QVERIFY2(attempt.refusal.contains("not a plain file") && attempt.refusal.contains(mark()),
             qPrintable(attempt.refusal));
    QVERIFY(!attempt.takeOverQuestion.isEmpty());
    QVERIFY(isPipe(mark()));

    // Removed once the user says so, and the account is then marked.
    AccountLock::setBetweenSteps({});
    const AccountLock::Attempt taken = AccountLock::takeOver(folder(), attempt.found);
    QVERIFY2(taken.lock, qPrintable(taken.refusal));
    QVERIFY(QFileInfo(mark()).isFile());
}

void AccountLockTest::endingRemovesOnlyTheMarkThisCopyMade_data() {
    QTest::addColumn<QByteArray>("how");         // what the holding copy is told
    QTest::addColumn<bool>("replaced");          // whether something took the mark's place
    QTest::addColumn<QByteArray>("replacement"); // null: a pipe
    for (const char* how : {"release", "exit"}) {
        QTest::addRow("%s, its own mark", how) << QByteArray(how) << false << QByteArray();
        QTest::addRow("%s, another computer's mark since", how)
            << QByteArray(how) << true << kFarAway;
        QTest::addRow("%s, a pipe since", how) << QByteArray(how) << true << QByteArray();
    }
}

// A copy on another computer whose user said this copy had ended has put its own mark in
// place of this copy's; when this copy ends after all, that mark stays.
void AccountLockTest::endingRemovesOnlyTheMarkThisCopyMade() {
    QFETCH(QByteArray, how);
    QFETCH(bool, replaced);
    QFETCH(QByteArray, replacement);
    Copy holder;
    QCOMPARE(startCopy(holder), QByteArray("locked\n"));
    if (replaced)
        replace(mark(), replacement);

    QElapsedTimer timer;
    timer.start();
    holder.write(how + '\n');
    if (how == "release") {
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readLine(), QByteArray("released\n"));
    } else {
        QVERIFY(holder.waitForFinished(20000));
        QCOMPARE(holder.exitCode(), 0);
    }
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    if (!replaced)
        QVERIFY(!QFileInfo::exists(mark()));
    else if (replacement.isNull())
        QVERIFY(isPipe(mark()));
    else
        QCOMPARE(bytesOf(mark()), replacement);
}

QTEST_APPLESS_MAIN(AccountLockTest)
#include "test_accountlock.moc"
