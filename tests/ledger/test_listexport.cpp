#include "core/listfile.h"
#include "core/numbertext.h"
#include "ledger/entryform.h"
#include "ledger/listexport.h"
#include "ledgeraccount.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/mount.h>
#include <unistd.h>

using namespace kesterly;
using namespace kesterly::test;

Q_DECLARE_METATYPE(kesterly::Choice)

namespace {

// Income as older files hold it (Windows-1252: "Café" is 43 61 66 E9), with an empty
// first row as every new account has, a description with a comma and quotes, and a
// negative amount; one expense in UTF-8.
void writeLists(AppFixture& fixture) {
    writeBytes(fixture.path("Household/IncomeDate.txt"), "\r\n12/01/2026\r\n12/03/2026\r\n");
    writeBytes(fixture.path("Household/IncomeDes.txt"),
               "\r\nSalary\r\nCaf\xE9 \"Zum L\xF6wen\", Berlin\r\n");
    writeBytes(fixture.path("Household/IncomeAmn.txt"), "\r\n2000\r\n-50\r\n");
    writeBytes(fixture.path("Household/Incomebal.txt"), "\r\n2500\r\n2450\r\n");
    writeBytes(fixture.path("Household/ExpenseDate.txt"), "\r\n12/02/2026\r\n");
    writeBytes(fixture.path("Household/ExpenseDes.txt"), "\r\nRent \xE2\x82\xAC, December\r\n");
    writeBytes(fixture.path("Household/ExpenseAmn.txt"), "\r\n450.00\r\n");
    writeBytes(fixture.path("Household/Expensebal.txt"), "\r\n2050\r\n");
}

// Dates as year-month-day, figures as plain numbers.
const QByteArray kIncomeCsv =
    "\xEF\xBB\xBF"
    "Date,Description,Amount,Balance\r\n"
    "2026-12-01,Salary,2000,2500\r\n"
    "2026-12-03,\"Caf\xC3\xA9 \"\"Zum L\xC3\xB6wen\"\", Berlin\",-50,2450\r\n";
const QByteArray kExpenseCsv = "\xEF\xBB\xBF"
                               "Date,Description,Amount,Balance\r\n"
                               "2026-12-02,\"Rent \xE2\x82\xAC, December\",450,2050\r\n";

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString exported(const QString& list, const QString& path) {
    return QStringLiteral("The %1 list was exported to \"%2\".").arg(list, path);
}

// A folder mounted a second time at another folder while the object lives, as a bind
// mount shows a folder elsewhere.
class BindMount {
public:
    BindMount(const QString& folder, const QString& at) : at_(at) {
        if (::mount(QFile::encodeName(folder).constData(), QFile::encodeName(at).constData(),
                    nullptr, MS_BIND, nullptr) != 0)
            refusal_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~BindMount() {
        if (refusal_.isEmpty())
            ::umount2(QFile::encodeName(at_).constData(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
    QString refusal() const { return refusal_; }

private:
    QString at_;
    QString refusal_;
};

// Every name in a folder, hidden ones too: a new file left behind shows here.
QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

// Account, Export Lists…: both lists to CSV files the user picks, on another thread.
class ListExportTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bothListsAreWrittenAsTheAccountHoldsThem();
    void accountFilesAreNotTaken_data();
    void accountFilesAreNotTaken();
    void noAccountFileIsReplacedByAnyPath_data();
    void noAccountFileIsReplacedByAnyPath();
    void cancelEndsTheExportThere_data();
    void cancelEndsTheExportThere();
    void failureIsToldWithItsReason_data();
    void failureIsToldWithItsReason();
    void refusedTargetIsToldWithoutAQuestion_data();
    void refusedTargetIsToldWithoutAQuestion();
    void replacingIsAskedOnce_data();
    void replacingIsAskedOnce();
    void spreadsheetFormsFollowTheSettings_data();
    void spreadsheetFormsFollowTheSettings();
    void commandNeedsAnOpenAccountAndActsFromATextBox();

private:
    QAction* command() const { return fixture_->windows->mainWindow().command("cmdexport"); }
    // Runs the command and waits until its last message is shown; `writes` when the first
    // file chosen is written.
    void exportLists(const QStringList& answers, bool writes = true);
    QString out(const QString& name) const { return out_->filePath(name); }

    std::unique_ptr<AppFixture> fixture_;
    std::unique_ptr<QTemporaryDir> out_;
    QString account_;
};

void ListExportTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    out_ = std::make_unique<QTemporaryDir>();
    account_ = writeAccount(*fixture_, "Household");
    writeLists(*fixture_);
    openAccount(*fixture_, account_);
    fixture_->windows->mainWindow().setViewMenuEnabled(true);
}

void ListExportTest::cleanup() {
    listfile::setWriteBytesPause({});
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void ListExportTest::exportLists(const QStringList& answers, bool writes) {
    RecordingMessages& messages = fixture_->messages;
    messages.fileAnswers = answers;
    QVERIFY(command()->isEnabled());
    command()->trigger();
    ListExport& exporter = fixture_->windows->shared<ListExport>();
    // The lists are read and written on another thread, the pointer busy meanwhile: the
    // result comes back through this thread's event loop.
    if (writes && !answers.value(0).isEmpty()) {
        QVERIFY(exporter.running());
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    }
    QTRY_VERIFY(!exporter.running());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void ListExportTest::bothListsAreWrittenAsTheAccountHoldsThem() {
    QVERIFY(QDir().mkpath(out("first")) && QDir().mkpath(out("second")));
    const QString income = out("first/Income.csv");
    const QString expense = out("second/Expense.csv");
    exportLists({income, expense});

    const QList<SaveFileRequest> expected = {
        {"Export the Income List", QDir::homePath(), "Income.csv", "CSV files (*.csv)"},
        {"Export the Expense List", out("first"), "Expense.csv", "CSV files (*.csv)"}};
    QCOMPARE(fixture_->messages.fileRequests, expected);
    QVERIFY(QDir(QDir::homePath()) != QDir(account_));
    QCOMPARE(bytesOf(income), kIncomeCsv);
    QCOMPARE(bytesOf(expense), kExpenseCsv);
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{{exported("Income", income) + "\n" + exported("Expense", expense),
                              ListExport::kTitle, MessageIcon::Information}}));
    // Exporting does not touch the account.
    QCOMPARE(bytesOf(account_ + "/IncomeAmn.txt"), QByteArray("\r\n2000\r\n-50\r\n"));

    // The next export in this run starts where the last file went, and replaces a file
    // once the user says so.
    writeBytes(account_ + "/IncomeAmn.txt", "\r\n2000\r\n-75\r\n");
    fixture_->messages.fileRequests.clear();
    fixture_->messages.shown.clear();
    fixture_->messages.answers = {Choice::Yes};
    exportLists({income, ""});
    QCOMPARE(fixture_->messages.fileRequests.size(), 2);
    QCOMPARE(fixture_->messages.fileRequests[0].folder, out("second"));
    QCOMPARE(bytesOf(income), QByteArray(kIncomeCsv).replace(",-50,", ",-75,"));
    QCOMPARE(fixture_->messages.shown.first(),
             (Message{"\"" + income + "\" already exists.\nDo you want to replace it?",
                      ListExport::kTitle, MessageIcon::Exclamation}));

    // The Income list's file is not taken for the Expense list: the user chooses again.
    fixture_->messages.shown.clear();
    fixture_->messages.fileRequests.clear();
    fixture_->messages.answers = {Choice::Yes, Choice::Yes};
    exportLists({income, out("first/../first/Income.csv"), expense});
    QCOMPARE(fixture_->messages.fileRequests.size(), 3);
    QCOMPARE(fixture_->messages.fileRequests[2], fixture_->messages.fileRequests[1]);
    QCOMPARE(bytesOf(income), QByteArray(kIncomeCsv).replace(",-50,", ",-75,"));
    QCOMPARE(fixture_->messages.shown.size(), 4);
    QVERIFY(fixture_->messages.shown[0].text.endsWith("Do you want to replace it?"));
    QVERIFY(fixture_->messages.shown[1].text.contains("was just exported"));
    QVERIFY(fixture_->messages.shown[2].text.endsWith("Do you want to replace it?"));
    QCOMPARE(fixture_->messages.shown[3].text,
             exported("Income", income) + "\n" + exported("Expense", expense));
}

void ListExportTest::accountFilesAreNotTaken_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("an income file") << "IncomeDes.txt";
    QTest::newRow("the balance") << "OpeningBalance.txt";
    QTest::newRow("a reminder file") << "Reminders/Time.txt";
}

// A list written over one of the account's files would leave the account unreadable: the
// user is told and chooses again. Another name in the account folder is theirs to choose.
void ListExportTest::accountFilesAreNotTaken() {
    QFETCH(QString, file);
    QVERIFY(QDir().mkpath(account_ + "/Reminders"));
    writeBytes(account_ + "/Reminders/Time.txt", "\r\n");
    const QByteArray before = snapshot(account_);
    const QString chosen = account_ + "/Reminders/../" + file;
    const QString income = account_ + "/Income.csv";
    exportLists({chosen, income, ""});
    QCOMPARE(fixture_->messages.fileRequests.size(), 3);
    QCOMPARE(fixture_->messages.fileRequests[1], fixture_->messages.fileRequests[0]);
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QCOMPARE(fixture_->messages.shown[0].icon, MessageIcon::Exclamation);
    QVERIFY(fixture_->messages.shown[0].text.contains("one of the account's own files"));
    QCOMPARE(bytesOf(income), kIncomeCsv);
    QVERIFY(QFile::remove(income));
    QCOMPARE(snapshot(account_), before);
}

void ListExportTest::noAccountFileIsReplacedByAnyPath_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("kept"); // the account file the chosen path comes to, or ""
    QTest::newRow("the folder swapped for a link to the account's after the choice")
        << "swapped before"
        << "IncomeDate.txt";
    QTest::newRow("a hard link to an account file") << "hard link"
                                                    << "IncomeDate.txt";
    QTest::newRow("a hard link to a reminder file made while the file is written")
        << "hard link while written"
        << "Reminders/Time.txt";
    QTest::newRow("the account folder mounted again elsewhere") << "bind mount"
                                                                << "IncomeDate.txt";
    QTest::newRow("its Reminders folder mounted again elsewhere") << "bind mount of Reminders"
                                                                  << "Reminders/Date.txt";
    // The folder is opened once: a link put in its place later leads the file nowhere.
    QTest::newRow("the folder swapped for a link while the file is written")
        << "swapped while written"
        << "";
}

// Whatever way the chosen path comes to lead to one of the account's files, by the time
// the file is put in place, that file stays as it is: the export says why it stopped.
void ListExportTest::noAccountFileIsReplacedByAnyPath() {
    QFETCH(QString, way);
    QFETCH(QString, kept);
    QVERIFY(QDir().mkpath(account_ + "/Reminders"));
    for (const char* file : {"Date.txt", "Time.txt", "Description.txt"})
        writeBytes(account_ + "/Reminders/" + file, "\r\n");
    const QString chosen = out("chosen");
    const QString aside = out("aside");
    QVERIFY(QDir().mkpath(chosen));
    QString target = chosen + "/IncomeDate.txt";
    std::optional<BindMount> mounted;
    const auto swap = [&] {
        return ::rename(qPrintable(chosen), qPrintable(aside)) == 0 &&
               QFile::link(account_, chosen);
    };
    // Runs once, on the thread that writes, at the step given.
    bool pausing = false;
    bool paused = false;
    bool pauseDid = false;
    const auto pauseAt = [&](listfile::WriteStep at, const std::function<bool()>& step) {
        pausing = true;
        listfile::setWriteBytesPause([&paused, &pauseDid, at, step](listfile::WriteStep now) {
            if (now == at && !paused) {
                paused = true;
                pauseDid = step();
            }
        });
    };
    if (way == "swapped before") {
        pauseAt(listfile::WriteStep::Starting, swap);
    } else if (way == "swapped while written") {
        pauseAt(listfile::WriteStep::Renaming, swap);
    } else if (way == "hard link") {
        QCOMPARE(::link(qPrintable(account_ + "/IncomeDate.txt"), qPrintable(target)), 0);
    } else if (way == "hard link while written") {
        target = chosen + "/Income.csv";
        pauseAt(listfile::WriteStep::Renaming,
                [&] { return ::link(qPrintable(account_ + "/" + kept), qPrintable(target)) == 0; });
    } else {
        const bool reminders = way.endsWith("Reminders");
        mounted.emplace(reminders ? account_ + "/Reminders" : account_, chosen);
        if (!mounted->refusal().isEmpty())
            QSKIP(qPrintable("a folder could not be mounted again here (" + mounted->refusal() +
                             "); that needs the right to, as root has"));
        target = chosen + (reminders ? "/Date.txt" : "/IncomeDate.txt");
    }
    const QByteArray before = snapshot(account_);
    exportLists({target, out("Expense.csv")});
    if (pausing)
        QVERIFY2(paused && pauseDid, "the folder could not be changed while the file was written");

    QCOMPARE(snapshot(account_), before);
    if (way == "hard link" || way.startsWith("bind mount")) {
        // What the path leads to is looked at as soon as it is chosen: the user is told,
        // asked no question about replacing, and chooses again.
        QCOMPARE(fixture_->messages.fileRequests.size(), 3);
        QCOMPARE(fixture_->messages.shown.size(), 2);
        QCOMPARE(fixture_->messages.shown[0],
                 (Message{QStringLiteral("\"%1\" cannot be written: it is the account's own "
                                         "\"%2\" under another name, and the account's files "
                                         "are never written over. Choose another file for the "
                                         "Income list.")
                              .arg(target, account_ + "/" + kept),
                          ListExport::kTitle, MessageIcon::Exclamation}));
        QCOMPARE(fixture_->messages.shown[1].icon, MessageIcon::Information);
        mounted.reset();
        QCOMPARE(snapshot(account_), before);
        return;
    }
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message told = fixture_->messages.shown.first();
    if (kept.isEmpty()) {
        // Written into the folder that was chosen, now beside the link.
        QCOMPARE(bytesOf(aside + "/IncomeDate.txt"), kIncomeCsv);
        QCOMPARE(namesIn(aside), QStringList{"IncomeDate.txt"});
        QCOMPARE(told.icon, MessageIcon::Information);
        return;
    }
    QCOMPARE(told.icon, MessageIcon::Critical);
    QCOMPARE(told.text, QStringLiteral("The Income list was not exported:\nCould not write "
                                       "\"%1\": it is the account's own \"%2\" under another "
                                       "name, and the account's files are never written over. "
                                       "Nothing was written.")
                            .arg(target, account_ + "/" + kept));
    // The export ends there, and no new file stays behind.
    QCOMPARE(fixture_->messages.fileRequests.size(), 1);
    const QString folder = QFileInfo(target).path();
    for (const QString& name : namesIn(QFileInfo(folder).isSymLink() ? aside : folder))
        QVERIFY2(!name.endsWith(".kesterly-new"), qPrintable(name));
    mounted.reset();
    QCOMPARE(snapshot(account_), before);
}

void ListExportTest::cancelEndsTheExportThere_data() {
    QTest::addColumn<int>("cancelled");
    QTest::newRow("in the first dialog") << 0;
    QTest::newRow("in the second dialog") << 1;
}

void ListExportTest::cancelEndsTheExportThere() {
    QFETCH(int, cancelled);
    const QString income = out("Income.csv");
    exportLists(cancelled == 0 ? QStringList{""} : QStringList{income, ""});
    QCOMPARE(fixture_->messages.fileRequests.size(), cancelled + 1);
    QCOMPARE(QDir(out_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             cancelled == 0 ? QStringList{} : QStringList{"Income.csv"});
    if (cancelled == 0) {
        QVERIFY(fixture_->messages.shown.isEmpty());
        return;
    }
    // What was written stays written, and is said once.
    QCOMPARE(bytesOf(income), kIncomeCsv);
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{
                 {exported("Income", income), ListExport::kTitle, MessageIcon::Information}}));
}

void ListExportTest::failureIsToldWithItsReason_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("failingList");
    QTest::addColumn<QString>("file");   // the file the message names
    QTest::addColumn<QString>("reason"); // the system's words, or what is in the way
    QTest::newRow("an income file is missing")
        << "unreadable" << 0 << "IncomeAmn.txt" << systemReason(ENOENT);
    QTest::newRow("Expense to a full disk") << "full" << 1 << "target" << systemReason(ENOSPC);
}

// A list that could not be read or written is told with the file and the reason, with a
// critical icon; what was written before is said too, and nothing else is called done.
void ListExportTest::failureIsToldWithItsReason() {
    QFETCH(QString, fault);
    QFETCH(int, failingList);
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QString income = out("Income.csv");
    QString target = failingList == 0 ? income : out("Expense.csv");
    std::optional<SmallDisk> disk;
    if (fault == "unreadable") {
        QVERIFY(QFile::remove(account_ + "/IncomeAmn.txt"));
        file = QDir::toNativeSeparators(account_ + "/IncomeAmn.txt");
    } else if (fault == "full") {
        disk.emplace();
        KESTERLY_SKIP_WITHOUT(*disk);
        target = disk->path() + "/Expense.csv";
        disk->fillLeaving(0);
    }
    if (file == "target")
        file = target;
    exportLists(failingList == 0 ? QStringList{target, out("Expense.csv")}
                                 : QStringList{income, target});

    // The export ends at the failure: no dialog for a list after it.
    QCOMPARE(fixture_->messages.fileRequests.size(), failingList + 1);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message told = fixture_->messages.shown.first();
    QCOMPARE(told.icon, MessageIcon::Critical);
    QCOMPARE(told.title, ListExport::kTitle);
    const QString list = failingList == 0 ? "Income" : "Expense";
    QVERIFY2(told.text.startsWith(QStringLiteral("The %1 list was not exported:\n").arg(list)) &&
                 told.text.contains(file) && told.text.contains(reason),
             qPrintable(told.text));
    QVERIFY2(!told.text.contains(exported(list, target)), qPrintable(told.text));
    if (failingList == 1) {
        QVERIFY2(told.text.endsWith("\n\n" + exported("Income", income)), qPrintable(told.text));
        QCOMPARE(bytesOf(income), kIncomeCsv);
    }
    QVERIFY(!QFileInfo::exists(target));
    if (fault == "full")
        QCOMPARE(QDir(disk->path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

void ListExportTest::refusedTargetIsToldWithoutAQuestion_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder") << "folder"
                              << "it is a folder";
    QTest::newRow("a link") << "link"
                            << "it is a link to another file";
    QTest::newRow("a read-only file") << "read-only"
                                      << "read-only";
    QTest::newRow("a missing folder") << "missing" << systemReason(ENOENT);
}

// A file the export will not write is said so as soon as it is chosen: one message, no
// question about replacing it first, and the dialog again.
void ListExportTest::refusedTargetIsToldWithoutAQuestion() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString target = out("Income.csv");
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(target));
    } else if (kind == "link") {
        writeBytes(out("elsewhere.csv"), "mine\r\n");
        QVERIFY(QFile::link(out("elsewhere.csv"), target));
    } else if (kind == "read-only") {
        writeBytes(target, "mine\r\n");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
    } else {
        target = out("gone/Income.csv");
    }
    const QByteArray before = snapshot(out_->path());
    exportLists({target, ""}, false);
    QCOMPARE(fixture_->messages.fileRequests.size(), 2);
    QCOMPARE(fixture_->messages.fileRequests[1], fixture_->messages.fileRequests[0]);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message told = fixture_->messages.shown.first();
    QCOMPARE(told.icon, MessageIcon::Exclamation);
    QVERIFY2(told.text.startsWith("\"" + target + "\" cannot be written: ") &&
                 told.text.contains(reason) &&
                 told.text.endsWith("Choose another file for the Income list."),
             qPrintable(told.text));
    QCOMPARE(snapshot(out_->path()), before);
}

void ListExportTest::replacingIsAskedOnce_data() {
    QTest::addColumn<Choice>("answer");
    QTest::addColumn<int>("dialogs");  // file dialogs shown in all
    QTest::addColumn<bool>("replaced");
    QTest::newRow("yes") << Choice::Yes << 2 << true;
    QTest::newRow("no: the dialog again") << Choice::No << 2 << false;
    // A box ended without a button answers Cancel: nothing is replaced, the export ends.
    QTest::newRow("ended without an answer") << Choice::Cancel << 1 << false;
}

void ListExportTest::replacingIsAskedOnce() {
    QFETCH(Choice, answer);
    QFETCH(int, dialogs);
    QFETCH(bool, replaced);
    const QString income = out("Income.csv");
    writeBytes(income, "mine\r\n");
    fixture_->messages.answers = {answer};
    // The answers after the first are Cancel.
    exportLists({income}, replaced);
    QCOMPARE(fixture_->messages.fileRequests.size(), dialogs);
    QCOMPARE(fixture_->messages.shown.first(),
             (Message{"\"" + income + "\" already exists.\nDo you want to replace it?",
                      ListExport::kTitle, MessageIcon::Exclamation}));
    QCOMPARE(bytesOf(income), replaced ? kIncomeCsv : QByteArray("mine\r\n"));
    QCOMPARE(fixture_->messages.shown.size(), replaced ? 2 : 1);
}

// Under settings with a decimal comma the fields are separated by semicolons, the form a
// spreadsheet under those settings opens; dates and figures the program reads are written
// in forms every spreadsheet reads, anything else as typed.
void ListExportTest::spreadsheetFormsFollowTheSettings_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("dates");
    QTest::addColumn<QByteArray>("amounts");
    QTest::addColumn<QByteArray>("balances");
    QTest::addColumn<QByteArray>("csv");
    QTest::newRow("English settings")
        << QLocale(QLocale::English, QLocale::UnitedStates)
        << QByteArray("\r\n12/1/2026\r\nsoon\r\n2026-12-24\r\n")
        << QByteArray("\r\n1,234.50\r\n12abc\r\n-0.5\r\n")
        << QByteArray("\r\n1734.5\r\n1746.5\r\n1746\r\n")
        << QByteArray("\xEF\xBB\xBF"
                      "Date,Description,Amount,Balance\r\n"
                      "2026-12-01,a,1234.5,1734.5\r\n"
                      "soon,b,12abc,1746.5\r\n"
                      "2026-12-24,c,-0.5,1746\r\n");
    QTest::newRow("German settings")
        << QLocale(QLocale::German, QLocale::Germany)
        << QByteArray("\r\n01.12.2026\r\nbald\r\n24.12.26\r\n")
        << QByteArray("\r\n1.234,50\r\n12abc\r\n-0,5\r\n")
        << QByteArray("\r\n1734,5\r\n1746,5\r\n1746\r\n")
        << QByteArray("\xEF\xBB\xBF"
                      "Date;Description;Amount;Balance\r\n"
                      "2026-12-01;a;1234,5;1734,5\r\n"
                      "bald;b;12abc;1746,5\r\n"
                      "2026-12-24;c;-0,5;1746\r\n");
    // An account kept under English settings, exported under German ones.
    QTest::newRow("English lists under German settings")
        << QLocale(QLocale::German, QLocale::Germany)
        << QByteArray("\r\n2026-12-01\r\n2026-12-02\r\n2026-12-03\r\n")
        << QByteArray("\r\n0.125\r\n1\r\n1.5\r\n")
        << QByteArray("\r\n1.125\r\n2.125\r\n3.625\r\n")
        << QByteArray("\xEF\xBB\xBF"
                      "Date;Description;Amount;Balance\r\n"
                      "2026-12-01;a;0,125;1,125\r\n"
                      "2026-12-02;b;1;2,125\r\n"
                      "2026-12-03;c;1,5;3,625\r\n");
}

void ListExportTest::spreadsheetFormsFollowTheSettings() {
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, dates);
    QFETCH(QByteArray, amounts);
    QFETCH(QByteArray, balances);
    QFETCH(QByteArray, csv);
    const ScopedUserLocale settings(locale);
    writeBytes(account_ + "/IncomeDate.txt", dates);
    writeBytes(account_ + "/IncomeDes.txt", "\r\na\r\nb\r\nc\r\n");
    writeBytes(account_ + "/IncomeAmn.txt", amounts);
    writeBytes(account_ + "/Incomebal.txt", balances);
    const QString income = out("Income.csv");
    exportLists({income, ""});
    QCOMPARE(bytesOf(income), csv);
    // The lists keep what was typed.
    QCOMPARE(bytesOf(account_ + "/IncomeAmn.txt"), amounts);
}

void ListExportTest::commandNeedsAnOpenAccountAndActsFromATextBox() {
    // Before Open Account the command and its key do nothing.
    fixture_.reset();
    fixture_ = std::make_unique<AppFixture>();
    MainFrame& main = fixture_->windows->mainWindow();
    QCOMPARE(command()->text(), QStringLiteral("Export Lists\u2026"));
    QVERIFY(!command()->isEnabled());
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto* date = fixture_->windows->show<EntryForm>().findChild<QLineEdit*>("Text1");
    date->setFocus();
    QTRY_VERIFY(date->hasFocus());
    QTest::keySequence(date, QKeySequence("Ctrl+Shift+S"));
    QVERIFY(fixture_->messages.fileRequests.isEmpty());

    // Open Account enables it together with the View menu; the key acts from a text box.
    account_ = writeAccount(*fixture_, "Household");
    openAccount(*fixture_, account_);
    main.setViewMenuEnabled(true);
    QVERIFY(command()->isEnabled());
    QTest::keySequence(date, QKeySequence("Ctrl+Shift+S"));
    QCOMPARE(fixture_->messages.fileRequests.size(), 1);
    QCOMPARE(fixture_->messages.fileRequests[0].title, QStringLiteral("Export the Income List"));
    main.setViewMenuEnabled(false);
    QVERIFY(!command()->isEnabled());
}

QTEST_MAIN(ListExportTest)
#include "test_listexport.moc"
