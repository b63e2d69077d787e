#include "accounts/folderlists.h"
#include "accounts/openaccountwindow.h"
#include "core/numbertext.h"
#include "shell/contentswindow.h"
#include "shell/mainwindow.h"
#include "shell/statuspanel.h"
#include "support/appfixture.h"
#include "support/files.h"
#include "support/focus.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <sys/stat.h>

using namespace kesterly;
using namespace kesterly::test;

namespace {

// A window that holds account data, to see what Open Account does with it.
class AccountProbe : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form97";
    explicit AccountProbe(Windows& windows)
        : ChildWindow(windows, kName, QStringLiteral("Probe"), 1500, 1500, Frame::Fixed) {}
    bool holdsAccountData() const override { return true; }
    static inline QStringList closedWhileFolder;
    // Whether this file was there when the window closed.
    static inline QString watched;
    static inline QList<bool> watchedWhileClosing;

protected:
    bool closeStep() override {
        closedWhileFolder << windows().get<StatusPanel>().accountFolder();
        if (!watched.isEmpty())
            watchedWhileClosing << QFileInfo::exists(watched);
        return true;
    }
};

const QString kAccountMessage = QStringLiteral(
    "If any account is already opened Please reopen all window in this program to reset the "
    "value of Amount");

} // namespace

class OpenAccountTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAndStartFolder();
    void okOpensTheFolderTheListShowed();
    void nameIsReadAsATypedValue_data();
    void nameIsReadAsATypedValue();
    void folderWithoutNameKeepsTheNameAndTheWindow();
    void singleClickDoesNotChangeTheChosenFolder();
    void doubleClickAndEnterOpenAnEntry();
    void anotherAccountClosesAccountWindowsFirst();
    void sameAccountKeepsItsWindows();
    void anotherCopyKeepsTheAccountUntilItEnds();
    void lockThatIsNoLockIsNamedAndOfferedForRemoval_data();
    void lockThatIsNoLockIsNamedAndOfferedForRemoval();
    void copyOnAnotherComputerIsTakenOverOnlyAfterConfirmation();
    void markReplacedWhileAskingIsAskedAboutInTurn();
    void windowsSaveBeforeTheNewAccountIsMarked();
    void folderListIsReadAgainWhenTheWindowComesBack();

private:
    QString account(const QString& name) const { return QDir::cleanPath(fixture_->root() + name); }
    OpenAccountWindow& open() { return fixture_->windows->show<OpenAccountWindow>(); }
    void clickOk() {
        QTest::mouseClick(open().findChild<QPushButton*>("Command1"), Qt::LeftButton);
    }
    std::unique_ptr<AppFixture> fixture_;
    QString startFolder_;
};

void OpenAccountTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    writeBytes(fixture_->path("Household/Name.txt"), "Household\r\n");
    writeBytes(fixture_->path("Household/OpeningBalance.txt"), "500\r\n");
    writeBytes(fixture_->path("Bond/Name.txt"), "007\r\n");
    QDir().mkpath(fixture_->path("Empty"));
    startFolder_ = QDir::currentPath();
    QDir::setCurrent(account("Household"));
    AccountProbe::closedWhileFolder.clear();
    AccountProbe::watched.clear();
    AccountProbe::watchedWhileClosing.clear();
}

void OpenAccountTest::cleanup() {
    QDir::setCurrent(startFolder_);
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void OpenAccountTest::layoutAndStartFolder() {
    auto& window = open();
    QCOMPARE(window.windowTitle(), QString(58, ' ') + "Open Account");
    QCOMPARE(window.size(), QSize(450, 302));
    QCOMPARE(window.subWindow()->pos(), QPoint(0, 0));
    QCOMPARE(window.findChild<QLabel*>("Label3")->text(), QStringLiteral("(eg : c:\\velquist )"));
    QCOMPARE(window.chosenFolder(), account("Household"));
    // Every folder of the list shows its whole path as its tip.
    auto* folders = window.findChild<QListWidget*>("Dir1");
    QCOMPARE(folders->currentItem()->toolTip(), QDir::toNativeSeparators(account("Household")));
    QCOMPARE(folders->item(0)->toolTip(), QDir::toNativeSeparators(QDir::rootPath()));
    QCOMPARE(window.findChild<QLabel*>("Label2")->text(), QString());
    auto* drives = window.findChild<QComboBox*>("Drive1");
    QCOMPARE(drives->itemText(0), QStringLiteral("/"));
    QVERIFY(account("Household").startsWith(drives->currentText()));
    QCOMPARE(focusOrder(*fixture_->windows, window, 3),
             (QStringList{"Drive1", "Dir1", "Command1"}));
}

void OpenAccountTest::okOpensTheFolderTheListShowed() {
    open();
    // As after the splash step.
    fixture_->windows->mainWindow().setViewMenuEnabled(false);
    QString captionWhileMessage;
    bool viewEnabledWhileMessage = true;
    fixture_->messages.whileOpen = [&](const Message&) {
        captionWhileMessage = fixture_->windows->mainWindow().windowTitle();
        viewEnabledWhileMessage = fixture_->windows->mainWindow().viewMenuEnabled();
        QVERIFY(fixture_->windows->find<ContentsWindow>());
    };
    clickOk();
    const QString folder = account("Household");
    QCOMPARE(fixture_->windows->mainWindow().windowTitle(), "Kesterly  (" + folder + ")");
    QCOMPARE(captionWhileMessage, "Kesterly  (" + folder + ")");
    QVERIFY(!viewEnabledWhileMessage);
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.accountFolder(), folder);
    QCOMPARE(panel.accountName(), QStringLiteral("Household"));
    QVERIFY(!fixture_->windows->find<OpenAccountWindow>());
    QVERIFY(fixture_->windows->find<ContentsWindow>());
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{{kAccountMessage, "Please", MessageIcon::Information}}));
    QVERIFY(fixture_->windows->mainWindow().viewMenuEnabled());
}

void OpenAccountTest::nameIsReadAsATypedValue_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::newRow("digits") << QByteArray("007\r\n") << "7";
    QTest::newRow("two lines") << QByteArray("Ann\r\nBob\r\n") << "Ann";
    QTest::newRow("leading blanks") << QByteArray("  Ann Smith\r\n") << "Ann Smith";
}

void OpenAccountTest::nameIsReadAsATypedValue() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    writeBytes(fixture_->path("Bond/Name.txt"), bytes);
    QVERIFY(open().findChild<DirectoryList*>("Dir1")->setPath(account("Bond")));
    clickOk();
    QCOMPARE(fixture_->windows->get<StatusPanel>().accountName(), name);
}

void OpenAccountTest::folderWithoutNameKeepsTheNameAndTheWindow() {
    clickOk();
    fixture_->windows->find<ContentsWindow>()->closeWindow();
    fixture_->messages.shown.clear();
    fixture_->windows->mainWindow().setViewMenuEnabled(false);

    QVERIFY(open().findChild<DirectoryList*>("Dir1")->setPath(account("Empty")));
    clickOk();
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.accountFolder(), account("Empty"));
    QCOMPARE(panel.accountName(), QStringLiteral("Household"));
    QCOMPARE(fixture_->windows->mainWindow().windowTitle(), "Kesterly  (" + account("Empty") + ")");
    QVERIFY(fixture_->windows->find<OpenAccountWindow>());
    QVERIFY(fixture_->windows->find<ContentsWindow>());
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{{kAccountMessage, "Please", MessageIcon::Information}}));
    QVERIFY(fixture_->windows->mainWindow().viewMenuEnabled());
    // A folder that is no account is not marked as open; the account before it is no
    // longer open here, so its mark is gone.
    QVERIFY(!QFile::exists(account("Empty") + "/.kesterly.lock"));
    QVERIFY(!QFile::exists(account("Household") + "/.kesterly.lock"));
}

void OpenAccountTest::singleClickDoesNotChangeTheChosenFolder() {
    auto& window = open();
    auto* list = window.findChild<DirectoryList*>("Dir1");
    QVERIFY(list->setPath(fixture_->root()));
    int bond = -1;
    for (int row = 0; row < list->count(); ++row) {
        if (list->entryPath(row) == account("Bond"))
            bond = row;
    }
    QVERIFY(bond >= 0);
    const QRect entry = list->visualItemRect(list->item(bond));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    QCOMPARE(list->currentRow(), bond);
    QCOMPARE(window.chosenFolder(), account(""));
    QCOMPARE(window.findChild<QLabel*>("Label2")->text(), account(""));
    clickOk();
    QCOMPARE(fixture_->windows->get<StatusPanel>().accountFolder(), account(""));
}

void OpenAccountTest::doubleClickAndEnterOpenAnEntry() {
    auto& window = open();
    auto* list = window.findChild<DirectoryList*>("Dir1");
    QVERIFY(list->setPath(fixture_->root()));
    auto rowOf = [&](const QString& path) {
        for (int row = 0; row < list->count(); ++row) {
            if (list->entryPath(row) == path)
                return row;
        }
        return -1;
    };
    const QRect bond = list->visualItemRect(list->item(rowOf(account("Bond"))));
    // What a real double click delivers: press, release, double-click, release.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, bond.center());
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, bond.center(),
                            list->viewport()->mapToGlobal(bond.center()), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &doubleClick);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, bond.center());
    QCOMPARE(window.chosenFolder(), account("Bond"));
    QCOMPARE(window.findChild<QLabel*>("Label2")->text(), account("Bond"));

    // Up to the parent and into Household by keyboard.
    list->setCurrentRow(rowOf(account("")));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(window.chosenFolder(), account(""));
    list->setCurrentRow(rowOf(account("Household")));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(window.chosenFolder(), account("Household"));
}

void OpenAccountTest::anotherAccountClosesAccountWindowsFirst() {
    clickOk();
    fixture_->windows->get<AccountProbe>();
    QVERIFY(open().findChild<DirectoryList*>("Dir1")->setPath(account("Bond")));
    clickOk();
    // The window closed while the panel still named the account it belonged to.
    QCOMPARE(AccountProbe::closedWhileFolder, QStringList{account("Household")});
    QVERIFY(!fixture_->windows->find<AccountProbe>());
    QCOMPARE(fixture_->windows->get<StatusPanel>().accountFolder(), account("Bond"));
}

void OpenAccountTest::sameAccountKeepsItsWindows() {
    clickOk();
    auto* probe = &fixture_->windows->get<AccountProbe>();
    clickOk();
    QCOMPARE(fixture_->windows->find<AccountProbe>(), probe);
    QVERIFY(AccountProbe::closedWhileFolder.isEmpty());
}

void OpenAccountTest::anotherCopyKeepsTheAccountUntilItEnds() {
    const QString lockFile = account("Household") + "/.kesterly.lock";
    QProcess other;
    other.start(QStringLiteral(KESTERLY_LOCK_CHILD), {account("Household")});
    QVERIFY(other.waitForReadyRead(20000));
    QCOMPARE(other.readAllStandardOutput(), QByteArray("locked\n"));

    // Both copies would keep their own lists, and the one closing last would write over
    // the other's entries: the account is not opened here.
    clickOk();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message told = fixture_->messages.shown[0];
    QCOMPARE(told.title, QStringLiteral("Open Account"));
    QVERIFY2(told.text.contains("another copy") &&
                 told.text.contains(QString::number(other.processId())),
             qPrintable(told.text));
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.accountFolder(), QString());
    QCOMPARE(fixture_->windows->mainWindow().windowTitle(), QStringLiteral("Kesterly"));
    QVERIFY(!fixture_->windows->find<ContentsWindow>());
    QVERIFY(fixture_->windows->find<OpenAccountWindow>());

    // A copy that crashed leaves its mark behind; it is taken over without a word.
    other.kill();
    QVERIFY(other.waitForFinished(20000));
    QVERIFY(QFile::exists(lockFile));
    fixture_->messages.shown.clear();
    clickOk();
    QCOMPARE(panel.accountFolder(), account("Household"));
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{{kAccountMessage, "Please", MessageIcon::Information}}));
    QVERIFY(QFileInfo(lockFile).isHidden());

    // A third copy is kept out while this one has the account.
    QProcess third;
    third.start(QStringLiteral(KESTERLY_LOCK_CHILD), {account("Household")});
    QVERIFY(third.waitForFinished(20000));
    QVERIFY(third.readAllStandardOutput().startsWith("refused\n"));

    // Opening another account gives this one up; ending the program gives up the other.
    QVERIFY(open().findChild<DirectoryList*>("Dir1")->setPath(account("Bond")));
    clickOk();
    QVERIFY(!QFile::exists(lockFile));
    QVERIFY(QFile::exists(account("Bond") + "/.kesterly.lock"));
    QVERIFY(fixture_->windows->mainWindow().close());
    QVERIFY(!QFile::exists(account("Bond") + "/.kesterly.lock"));
}

void OpenAccountTest::lockThatIsNoLockIsNamedAndOfferedForRemoval_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    // Whether OK removes it and opens the account.
    QTest::addColumn<bool>("removable");
    QTest::newRow("pipe") << "pipe"
                          << "not a plain file" << true;
    QTest::newRow("link to an endless device") << "zero"
                                               << "link" << true;
    QTest::newRow("link to a file outside") << "outside"
                                            << "link" << true;
    QTest::newRow("empty folder") << "folder"
                                  << "folder" << true;
    QTest::newRow("folder with files") << "full folder"
                                       << "folder" << false;
    QTest::newRow("200 MB") << "huge"
                            << "more than the 4096 bytes" << true;
    QTest::newRow("no lock text") << "text"
                                  << "does not hold what Kesterly writes" << true;
}

// An account folder as it may come from a download or a copy: whatever lies where the
// lock belongs is answered at once, named with the reason, and nothing it points to is
// read or removed.
void OpenAccountTest::lockThatIsNoLockIsNamedAndOfferedForRemoval() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QFETCH(bool, removable);
    const QString lockFile = account("Household") + "/.kesterly.lock";
    const QString outside = fixture_->path("outside.txt");
    const QByteArray outsideText = "4242\nKesterly\nsomehost\n";
    writeBytes(outside, outsideText);
    if (kind == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(lockFile).constData(), 0600), 0);
    } else if (kind == "zero") {
        QVERIFY(QFile::link("/dev/zero", lockFile));
    } else if (kind == "outside") {
        QVERIFY(QFile::link(outside, lockFile));
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(lockFile));
    } else if (kind == "full folder") {
        writeBytes(lockFile + "/kept.txt", "kept");
    } else if (kind == "huge") {
        QFile huge(lockFile);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(200LL * 1024 * 1024));
    } else {
        writeBytes(lockFile, "hello\n");
    }

    // Cancel leaves everything as it was.
    fixture_->messages.answers = {Choice::Cancel};
    QElapsedTimer timer;
    timer.start();
    clickOk();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message asked = fixture_->messages.shown[0];
    QCOMPARE(asked.title, QStringLiteral("Open Account"));
    QCOMPARE(asked.icon, MessageIcon::Exclamation);
    QVERIFY2(asked.text.contains(lockFile) && asked.text.contains(reason) &&
                 asked.text.contains("Choose OK to remove"),
             qPrintable(asked.text));
    QVERIFY2(!asked.text.contains("somehost"), qPrintable(asked.text));
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.accountFolder(), QString());
    QVERIFY(QFileInfo(lockFile).exists() || QFileInfo(lockFile).isSymLink());

    // OK removes what is there (a link, not what it points to) and opens the account.
    fixture_->messages.shown.clear();
    fixture_->messages.answers = {Choice::Ok};
    clickOk();
    QCOMPARE(bytesOf(outside), outsideText);
    if (!removable) {
        QCOMPARE(fixture_->messages.shown.size(), 2);
        QVERIFY2(fixture_->messages.shown[1].text.contains("Could not remove"),
                 qPrintable(fixture_->messages.shown[1].text));
        QCOMPARE(panel.accountFolder(), QString());
        QVERIFY(QFile::exists(lockFile + "/kept.txt"));
        return;
    }
    QCOMPARE(panel.accountFolder(), account("Household"));
    QCOMPARE(fixture_->messages.shown.last(),
             (Message{kAccountMessage, "Please", MessageIcon::Information}));
    const QFileInfo mark(lockFile);
    QVERIFY(mark.isFile() && !mark.isSymLink());
    QVERIFY(mark.size() < 4096);
}

void OpenAccountTest::copyOnAnotherComputerIsTakenOverOnlyAfterConfirmation() {
    const QString lockFile = account("Household") + "/.kesterly.lock";
    writeBytes(lockFile, "4242\nKesterly\nfar-away-computer\n");
    QFile stamp(lockFile);
    QVERIFY(stamp.open(QIODevice::ReadWrite));
    const QDateTime since(QDate(2026, 3, 14), QTime(9, 26));
    QVERIFY(stamp.setFileTime(since, QFileDevice::FileModificationTime));
    stamp.close();

    fixture_->messages.answers = {Choice::Cancel};
    clickOk();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const QString text = fixture_->messages.shown[0].text;
    QVERIFY2(text.contains("\"far-away-computer\"") &&
                 text.contains(userLocale().toString(since, QLocale::ShortFormat)) &&
                 text.contains("no longer running"),
             qPrintable(text));
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.accountFolder(), QString());
    QCOMPARE(bytesOf(lockFile), QByteArray("4242\nKesterly\nfar-away-computer\n"));

    fixture_->messages.shown.clear();
    fixture_->messages.answers = {Choice::Ok};
    clickOk();
    QCOMPARE(panel.accountFolder(), account("Household"));
    QVERIFY(!bytesOf(lockFile).contains("far-away-computer"));
    // The mark is this copy's now: another copy is kept out.
    QProcess other;
    other.start(QStringLiteral(KESTERLY_LOCK_CHILD), {account("Household")});
    QVERIFY(other.waitForFinished(20000));
    QVERIFY(other.readAllStandardOutput().startsWith("refused\n"));
}

// OK removes the file the user was asked about, never one another program put there while
// the question was open: that one is asked about in turn.
void OpenAccountTest::markReplacedWhileAskingIsAskedAboutInTurn() {
    const QString lockFile = account("Household") + "/.kesterly.lock";
    writeBytes(lockFile, "4242\nKesterly\nfar-away-computer\n");
    const QByteArray replacement = "77\nKesterly\nfarther-computer\n";
    fixture_->messages.whileOpen = [&](const Message&) {
        if (fixture_->messages.shown.size() != 1)
            return;
        writeBytes(lockFile + ".new", replacement);
        QVERIFY(::rename(QFile::encodeName(lockFile + ".new").constData(),
                         QFile::encodeName(lockFile).constData()) == 0);
    };
    fixture_->messages.answers = {Choice::Ok, Choice::Cancel};
    clickOk();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QVERIFY2(fixture_->messages.shown[0].text.contains("\"far-away-computer\""),
             qPrintable(fixture_->messages.shown[0].text));
    QVERIFY2(fixture_->messages.shown[1].text.contains("\"farther-computer\"") &&
                 fixture_->messages.shown[1].text.contains("no longer running"),
             qPrintable(fixture_->messages.shown[1].text));
    QCOMPARE(fixture_->windows->get<StatusPanel>().accountFolder(), QString());
    QCOMPARE(bytesOf(lockFile), replacement);
}

// Were the program ended while the new account's lock is looked at, the open account's
// entries are on the disk already.
void OpenAccountTest::windowsSaveBeforeTheNewAccountIsMarked() {
    clickOk();
    fixture_->windows->get<AccountProbe>();
    AccountProbe::watched = account("Bond") + "/.kesterly.lock";
    QVERIFY(open().findChild<DirectoryList*>("Dir1")->setPath(account("Bond")));
    clickOk();
    QCOMPARE(AccountProbe::watchedWhileClosing, QList<bool>{false});
    QVERIFY(QFile::exists(AccountProbe::watched));
}

void OpenAccountTest::folderListIsReadAgainWhenTheWindowComesBack() {
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));
    auto& window = open();
    auto* list = window.findChild<DirectoryList*>("Dir1");
    const QString root = QDir(fixture_->root()).absolutePath();
    QVERIFY(list->setPath(root));
    const auto rowOf = [list](const QString& path) {
        for (int row = 0; row < list->count(); ++row) {
            if (list->entryPath(row) == path)
                return row;
        }
        return -1;
    };
    list->setCurrentRow(rowOf(account("Bond")));
    const auto comeBack = [this, &window] {
        QMdiArea* area = window.subWindow()->mdiArea();
        area->setActiveSubWindow(fixture_->windows->get<AccountProbe>().subWindow());
        QVERIFY(area->activeSubWindow() != window.subWindow());
        area->setActiveSubWindow(window.subWindow());
    };

    // An account made while another window was in front is there when this one comes
    // back; the highlighted folder stays highlighted.
    comeBack();
    QCOMPARE(rowOf(account("Garden")), -1);
    QVERIFY(QDir().mkpath(account("Garden")));
    comeBack();
    QVERIFY(rowOf(account("Garden")) >= 0);
    QCOMPARE(list->currentRow(), rowOf(account("Bond")));
    QCOMPARE(list->path(), root);

    // A folder that went away gives way to the one above it.
    QVERIFY(list->setPath(account("Garden")));
    QVERIFY(QDir(account("Garden")).removeRecursively());
    comeBack();
    QCOMPARE(list->path(), root);
    QCOMPARE(window.findChild<QLabel*>("Label2")->text(), root);
    QCOMPARE(rowOf(account("Garden")), -1);
}

QTEST_MAIN(OpenAccountTest)
#include "test_openaccount.moc"
