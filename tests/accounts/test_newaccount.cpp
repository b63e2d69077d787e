#include "accounts/newaccountwindow.h"
#include "shell/mainwindow.h"
#include "support/appfixture.h"
#include "support/files.h"
#include "support/focus.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <cstring>

using namespace kesterly;
using namespace kesterly::test;

class NewAccountTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAndFocusOrder();
    void createsHouseholdWithThirteenFiles();
    void openingBalanceStoredAsTyped_data();
    void openingBalanceStoredAsTyped();
    void refusesUnsafeNames_data();
    void refusesUnsafeNames();
    void existingAccountIsLeftUntouched();
    void folderFailureIsToldAndKeepsWhatWasTyped();
    void fullDiskIsToldAndLeavesNoFolder();
    void leftoverCreationFolderGoesAtTheNextNewAccount();
    void closeBoxCreatesNothing();

private:
    NewAccountWindow& open() { return fixture_->windows->show<NewAccountWindow>(); }
    void type(const QString& name, const QString& balance);
    void clickEnter();
    std::unique_ptr<AppFixture> fixture_;
};

void NewAccountTest::init() {
    fixture_ = std::make_unique<AppFixture>();
}

void NewAccountTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void NewAccountTest::type(const QString& name, const QString& balance) {
    auto& window = open();
    QTest::keyClicks(window.findChild<QLineEdit*>("Text2"), name);
    QTest::keyClicks(window.findChild<QLineEdit*>("Text1"), balance);
}

void NewAccountTest::clickEnter() {
    QTest::mouseClick(open().findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

void NewAccountTest::layoutAndFocusOrder() {
    auto& window = open();
    QCOMPARE(window.windowTitle(), QString(47, ' ') + "New Account");
    QCOMPARE(window.size(), QSize(364, 305));
    QCOMPARE(window.subWindow()->pos(), QPoint(0, 0));
    QCOMPARE(window.findChild<QLabel*>("Label1")->text(), QStringLiteral("Opening Balance :"));
    QCOMPARE(window.findChild<QLabel*>("Label2")->text(), QStringLiteral("Your Name :"));
    QCOMPARE(window.findChild<QPushButton*>("Command1")->text(), QStringLiteral("Enter"));
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->geometry(), QRect(64, 168, 201, 33));

    QCOMPARE(focusOrder(*fixture_->windows, window, 4),
             (QStringList{"Text1", "Command1", "Text2", "Text1"}));
}

void NewAccountTest::createsHouseholdWithThirteenFiles() {
    type("Household", "500");
    const QString folder = fixture_->path("Household" + QString(QDir::separator()));
    QStringList labelsWhileOpen;
    fixture_->messages.whileOpen = [&](const Message&) {
        auto* window = fixture_->windows->find<NewAccountWindow>();
        labelsWhileOpen << (window ? window->findChild<QLabel*>("Label3")->text() + "|" +
                                         window->findChild<QLabel*>("Label4")->toolTip()
                                   : "<closed>");
    };
    clickEnter();

    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{
                 {"New Account was Successfully Created", "New Account", MessageIcon::Exclamation},
                 {"Are you want open your new project (click : open Account)", "Kesterly",
                  MessageIcon::None}}));
    // The paths, which may be too long to show whole, are in the labels' tool tips too.
    const QString labels = folder + "|" + folder + "Reminders" + QDir::separator();
    QCOMPARE(labelsWhileOpen, (QStringList{labels, labels}));
    QVERIFY(!fixture_->windows->find<NewAccountWindow>());

    QCOMPARE(bytesOf(folder + "Name.txt"), QByteArray("Household\r\n"));
    QCOMPARE(bytesOf(folder + "OpeningBalance.txt"), QByteArray("500\r\n"));
    for (const char* list :
         {"IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt", "ExpenseDate.txt",
          "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt", "Reminders/Date.txt",
          "Reminders/Time.txt", "Reminders/Description.txt"})
        QCOMPARE(bytesOf(folder + list), QByteArray("\r\n"));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 10);
    QCOMPARE(QDir(folder + "Reminders").entryList(QDir::Files).size(), 3);

    // The next opening starts empty.
    auto& again = open();
    QCOMPARE(again.findChild<QLineEdit*>("Text2")->text(), QString());
    QCOMPARE(again.findChild<QLabel*>("Label3")->text(), QString());
}

void NewAccountTest::openingBalanceStoredAsTyped_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty balance") << "Ann"
                                   << "" << QByteArray("\r\n");
    QTest::newRow("letters") << "Ann"
                             << "abc" << QByteArray("abc\r\n");
    QTest::newRow("decimals kept") << "Ann"
                                   << "500.00" << QByteArray("500.00\r\n");
    QTest::newRow("name with spaces") << "Ann and Bob"
                                      << "1" << QByteArray("1\r\n");
}

void NewAccountTest::openingBalanceStoredAsTyped() {
    QFETCH(QString, name);
    QFETCH(QString, balance);
    QFETCH(QByteArray, bytes);
    type(name, balance);
    clickEnter();
    QCOMPARE(bytesOf(fixture_->path(name + "/OpeningBalance.txt")), bytes);
    QCOMPARE(bytesOf(fixture_->path(name + "/Name.txt")), name.toUtf8() + "\r\n");
}

void NewAccountTest::refusesUnsafeNames_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("slash") << "../Escape";
    QTest::newRow("backslash") << "a\\b";
    QTest::newRow("tab") << "a\tb";
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b";
    // Hidden: Open Account lists no hidden folders, so it could never be opened.
    QTest::newRow("hidden") << ".hidden";
    QTest::newRow("hidden with a second point") << "..Household";
}

void NewAccountTest::refusesUnsafeNames() {
    QFETCH(QString, name);
    const QByteArray before = snapshot(QFileInfo(fixture_->root()).dir().absolutePath());
    auto& window = open();
    window.findChild<QLineEdit*>("Text2")->setText(name);
    window.findChild<QLineEdit*>("Text1")->setText("500");
    clickEnter();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QCOMPARE(fixture_->messages.shown[0].title, QStringLiteral("New Account"));
    QVERIFY(!fixture_->messages.shown[0].text.isEmpty());
    QCOMPARE(snapshot(QFileInfo(fixture_->root()).dir().absolutePath()), before);
    QVERIFY(fixture_->windows->find<NewAccountWindow>());
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), name);
}

void NewAccountTest::existingAccountIsLeftUntouched() {
    writeBytes(fixture_->path("Household/Name.txt"), "Household\r\n");
    writeBytes(fixture_->path("Household/OpeningBalance.txt"), "700\r\n");
    writeBytes(fixture_->path("Household/IncomeDes.txt"), "\r\nsalary\r\n");
    const QByteArray before = snapshot(fixture_->root());
    type("Household", "500");
    clickEnter();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY(fixture_->messages.shown[0].text.contains("already exists"));
    QCOMPARE(snapshot(fixture_->root()), before);
}

void NewAccountTest::folderFailureIsToldAndKeepsWhatWasTyped() {
    // The root is a plain file, so no folder can be made in it.
    QTemporaryDir elsewhere;
    const QString rootFile = elsewhere.filePath("not-a-folder");
    writeBytes(rootFile, "x");
    Windows windows(
        {fixture_->messages, fixture_->clock, rootFile + QDir::separator(), &MainWindow::make});
    auto& window = windows.show<NewAccountWindow>();
    window.findChild<QLineEdit*>("Text2")->setText("Household");
    window.findChild<QLineEdit*>("Text1")->setText("500");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY2(fixture_->messages.shown[0].text.contains(rootFile),
             qPrintable(fixture_->messages.shown[0].text));
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), QStringLiteral("Household"));
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(), QStringLiteral("500"));
    QCOMPARE(bytesOf(rootFile), QByteArray("x"));
}

void NewAccountTest::fullDiskIsToldAndLeavesNoFolder() {
    SmallDisk disk;
    KESTERLY_SKIP_WITHOUT(disk);
    const QString root = disk.path() + "/home/";
    QVERIFY(QDir().mkpath(root));
    // Room for the marker and a few of the thirteen files.
    disk.fillLeaving(4);
    Windows windows({fixture_->messages, fixture_->clock, root, &MainWindow::make});
    auto& window = windows.show<NewAccountWindow>();
    window.findChild<QLineEdit*>("Text2")->setText("Household");
    window.findChild<QLineEdit*>("Text1")->setText("500");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message& told = fixture_->messages.shown[0];
    QCOMPARE(told.title, QStringLiteral("New Account"));
    QCOMPARE(told.icon, MessageIcon::Critical);
    QVERIFY2(told.text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
             qPrintable(told.text));
    QVERIFY2(told.text.contains(
                 QStringLiteral("The account folder \"%1Household/\" was not created.").arg(root)),
             qPrintable(told.text));
    QVERIFY(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    // The folder labels show a folder only once it is there.
    QCOMPARE(window.findChild<QLabel*>("Label3")->text(), QString());
    QCOMPARE(window.findChild<QLabel*>("Label4")->text(), QString());
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), QStringLiteral("Household"));

    // With room again, the same Enter creates it.
    disk.empty();
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 3);
    QCOMPARE(fixture_->messages.shown[1].text,
             QStringLiteral("New Account was Successfully Created"));
    QCOMPARE(bytesOf(root + "Household/Name.txt"), QByteArray("Household\r\n"));
}

void NewAccountTest::leftoverCreationFolderGoesAtTheNextNewAccount() {
    // What a New Account killed while writing left: its marker and part of the account.
    const QString leftover = fixture_->path(".Household.0123abcd.kesterly-new/");
    writeBytes(leftover + "kesterly-new-account", "Kesterly is creating an account\r\n");
    writeBytes(leftover + "Household/Reminders/Date.txt", "\r\n");
    writeBytes(leftover + "Household/OpeningBalance.txt", "500\r\n");
    // A look-alike without the marker is the user's.
    const QString lookAlike = fixture_->path(".Household.89abcdef.kesterly-new/");
    writeBytes(lookAlike + "Household/Name.txt", "Household\r\n");
    const QByteArray lookAlikeBefore = snapshot(lookAlike);

    type("Household", "500");
    clickEnter();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QCOMPARE(fixture_->messages.shown[0].text,
             QStringLiteral("New Account was Successfully Created"));
    QVERIFY(!QFileInfo::exists(leftover));
    QCOMPARE(snapshot(lookAlike), lookAlikeBefore);
    QCOMPARE(bytesOf(fixture_->path("Household/OpeningBalance.txt")), QByteArray("500\r\n"));
    QCOMPARE(QDir(fixture_->path("Household")).entryList(QDir::Files).size(), 10);
}

void NewAccountTest::closeBoxCreatesNothing() {
    const QByteArray before = snapshot(fixture_->root());
    type("Household", "500");
    QVERIFY(open().closeWindow());
    QVERIFY(!fixture_->windows->find<NewAccountWindow>());
    QCOMPARE(snapshot(fixture_->root()), before);
    QVERIFY(fixture_->messages.shown.isEmpty());
}

QTEST_MAIN(NewAccountTest)
#include "test_newaccount.moc"
