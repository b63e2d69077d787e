#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "shell/contentswindow.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/startchooser.h"
#include "shell/statuspanel.h"
#include "support/appfixture.h"
#include "support/focus.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void splashClickOnLabelDoesNothing();
    void splashClickOpensTheMainWindow();
    void menuCommandsAndShortcuts_data();
    void menuCommandsAndShortcuts();
    void viewShortcutsDoNothingWhileTheMenuIsDisabled();
    void chooserButtonsOpenTheirWindowAndClose_data();
    void chooserButtonsOpenTheirWindowAndClose();
    void chooserFocusStartsOnNewAccount();
    void ctrlTabReachesEveryChildWindow();
    void commandOfAnOpenWindowBringsItToTheFront();
    void statusPanelLayout();
    void switchCaptionFlips();
    void clockFollowsEverySecondBoundary_data();
    void clockFollowsEverySecondBoundary();
    void closingTheMainWindowClosesChildrenPanelLast();

private:
    MainFrame& main() { return fixture_->windows->mainWindow(); }
    std::unique_ptr<AppFixture> fixture_;
};

void ShellTest::init() {
    fixture_ = std::make_unique<AppFixture>();
}

void ShellTest::cleanup() {
    fixture_.reset();
    for (QWidget* widget : QApplication::topLevelWidgets())
        delete widget; // a splash window left open by a test
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void ShellTest::splashClickOnLabelDoesNothing() {
    auto* splash = new SplashWindow(*fixture_->windows);
    splash->show();
    QCOMPARE(splash->findChild<QLabel*>("Label2")->text(),
             QStringLiteral("Click on the image to load"));
    QTest::mouseClick(splash->findChild<QLabel*>("Label2"), Qt::LeftButton);
    QVERIFY(splash->isVisible());
    QVERIFY(!fixture_->windows->findMainWindow());
    // The outline lies over the picture too, but lets clicks through to it.
    QVERIFY(splash->findChild<QWidget*>("Shape1")->testAttribute(Qt::WA_TransparentForMouseEvents));
    delete splash;
}

void ShellTest::splashClickOpensTheMainWindow() {
    QPointer<SplashWindow> splash = new SplashWindow(*fixture_->windows);
    splash->show();
    QCOMPARE(splash->size(), QSize(720, 394));
    QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    QTest::mouseClick(splash->findChild<QLabel*>("Image1"), Qt::LeftButton, {}, QPoint(600, 100));
    QTRY_VERIFY(!splash);

    MainFrame& window = main();
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Kesterly"));
    QCOMPARE(window.mdiArea()->size(), QSize(1010, 586));
    auto* chooser = fixture_->windows->find<StartChooser>();
    QVERIFY(chooser);
    QCOMPARE(chooser->subWindow()->pos(), QPoint(0, 0));
    QCOMPARE(chooser->windowTitle(), QString(36, ' ') + "Kesterly");
    auto* panel = fixture_->windows->find<StatusPanel>();
    QVERIFY(panel);
    QCOMPARE(panel->subWindow()->x(), 767);
    QCOMPARE(window.mdiArea()->activeSubWindow(), panel->subWindow());
    QVERIFY(!window.viewMenuEnabled());
    QVERIFY(window.command("cmdnew")->isEnabled());
    QVERIFY(window.command("cmdopen")->isEnabled());
    QVERIFY(panel->accountFolder().isEmpty());
    QVERIFY(panel->accountName().isEmpty());
}

void ShellTest::menuCommandsAndShortcuts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<QString>("menu");
    QTest::newRow("new") << "cmdnew"
                         << "New Account" << QKeySequence("Ctrl+N") << "cmdaccount";
    QTest::newRow("open") << "cmdopen"
                          << "Open Account" << QKeySequence("Ctrl+O") << "cmdaccount";
    QTest::newRow("reminder") << "cmdreminder"
                              << "Reminders" << QKeySequence("Ctrl+R") << "cmdview";
    QTest::newRow("interest") << "cmdinterest"
                              << "Interest" << QKeySequence("Ctrl+I") << "cmdview";
    QTest::newRow("entry") << "cmdentry"
                           << "Entry Form" << QKeySequence("Ctrl+E") << "cmdview";
    QTest::newRow("income") << "cmdIn"
                            << "Income" << QKeySequence("Ctrl+A") << "cmdview";
    QTest::newRow("expense") << "cmdex"
                             << "Expense" << QKeySequence("Ctrl+B") << "cmdview";
    QTest::newRow("help") << "cmdfhv"
                          << "For Help Visit" << QKeySequence("F5") << "cmdhelp";
    QTest::newRow("update") << "cmdup"
                            << "Update" << QKeySequence("F6") << "cmdhelp";
    QTest::newRow("about") << "cmdabout"
                           << "About" << QKeySequence("F7") << "cmdhelp";
}

void ShellTest::menuCommandsAndShortcuts() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    QFETCH(QString, menu);
    QAction* action = main().command(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut(), shortcut);
    QVERIFY(main().findChild<QMenu*>(menu)->actions().contains(action));
}

void ShellTest::viewShortcutsDoNothingWhileTheMenuIsDisabled() {
    main().setViewMenuEnabled(false);
    for (QAction* action : main().findChild<QMenu*>("cmdview")->actions())
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    QVERIFY(!main().findChild<QMenu*>("cmdview")->isEnabled());
    main().setViewMenuEnabled(true);
    QVERIFY(main().viewMenuEnabled());
}

void ShellTest::chooserButtonsOpenTheirWindowAndClose_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opens");
    QTest::newRow("new account") << "Command1"
                                 << "Form10";
    QTest::newRow("open account") << "Command2"
                                  << "Form12";
}

void ShellTest::chooserButtonsOpenTheirWindowAndClose() {
    QFETCH(QString, button);
    QFETCH(QString, opens);
    main();
    auto* chooser = fixture_->windows->find<StartChooser>();
    QVERIFY(chooser);
    QTest::mouseClick(chooser->findChild<QPushButton*>(button), Qt::LeftButton);
    QVERIFY(!fixture_->windows->find<StartChooser>());
    QMdiSubWindow* active = main().mdiArea()->activeSubWindow();
    QVERIFY(active);
    QCOMPARE(active->widget()->objectName(), opens);
    QCOMPARE(active->pos(), QPoint(0, 0));
}

void ShellTest::chooserFocusStartsOnNewAccount() {
    auto& chooser = fixture_->windows->show<StartChooser>();
    QCOMPARE(focusOrder(*fixture_->windows, chooser, 3),
             (QStringList{"Command1", "Command2", "Command1"}));
}

void ShellTest::ctrlTabReachesEveryChildWindow() {
    // After the splash the status panel is the active child window; a keyboard user
    // goes round every open window with Ctrl+Tab, and back with Ctrl+Shift+Tab.
    QPointer<SplashWindow> splash = new SplashWindow(*fixture_->windows);
    splash->show();
    QTest::mouseClick(splash->findChild<QLabel*>("Image1"), Qt::LeftButton, {}, QPoint(600, 100));
    QTRY_VERIFY(!splash);
    QMdiArea* area = main().mdiArea();
    main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main()));
    const auto pressAndSee = [area](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return area->activeSubWindow()->widget()->objectName();
    };
    QCOMPARE(pressAndSee(Qt::Key_Tab, Qt::ControlModifier), QStringLiteral("Form14"));
    QCOMPARE(pressAndSee(Qt::Key_Tab, Qt::ControlModifier), QStringLiteral("Form13"));
    QCOMPARE(pressAndSee(Qt::Key_Tab, Qt::ControlModifier), QStringLiteral("Form3"));
    QCOMPARE(pressAndSee(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier),
             QStringLiteral("Form13"));
    QCOMPARE(pressAndSee(Qt::Key_F6, Qt::ControlModifier), QStringLiteral("Form3"));
    // Focus moves with the window: the chooser's first button takes the keys.
    pressAndSee(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(pressAndSee(Qt::Key_Tab, Qt::ControlModifier), QStringLiteral("Form13"));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
}

void ShellTest::commandOfAnOpenWindowBringsItToTheFront() {
    main().command("cmdnew")->trigger();
    auto* newAccount = fixture_->windows->find<NewAccountWindow>();
    newAccount->findChild<QLineEdit*>("Text2")->setText("Household");
    main().command("cmdopen")->trigger();
    QCOMPARE(main().mdiArea()->activeSubWindow()->widget()->objectName(), QStringLiteral("Form12"));
    main().command("cmdnew")->trigger();
    QCOMPARE(fixture_->windows->find<NewAccountWindow>(), newAccount);
    QCOMPARE(main().mdiArea()->activeSubWindow(), newAccount->subWindow());
    QCOMPARE(newAccount->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("Household"));
}

void ShellTest::statusPanelLayout() {
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.size(), QSize(242, 214));
    QCOMPARE(panel.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(panel.subWindow()->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(panel.findChild<QLabel*>("Label4")->text(), QStringLiteral("  Account Folder :"));
    QVERIFY(panel.findChild<QLineEdit*>("Text1")->isReadOnly());
    QVERIFY(panel.findChild<QLineEdit*>("Text2")->isReadOnly());
    QCOMPARE(panel.findChild<QLabel*>("Label2")->alignment(), Qt::AlignCenter);
}

void ShellTest::switchCaptionFlips() {
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    auto* button = panel.findChild<QPushButton*>("Command1");
    QCOMPARE(button->text(), QStringLiteral("Off"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("On"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("Off"));
    // Only the exact caption "Off" counts as off.
    panel.setSwitchCaption("off");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("Off"));
}

// Starting at several points within a second, the clock is refreshed at the moment its
// timer asks for, for five seconds running.
void ShellTest::clockFollowsEverySecondBoundary_data() {
    QTest::addColumn<int>("startMs");
    QTest::newRow("just after a boundary") << 3;
    QTest::newRow("mid-second") << 500;
    QTest::newRow("just before a boundary") << 998;
}

void ShellTest::clockFollowsEverySecondBoundary() {
    QFETCH(int, startMs);
    StatusPanel& panel = fixture_->windows->get<StatusPanel>();
    fixture_->clock.set(QDateTime(QDate(2026, 12, 9), QTime(23, 21, 50, startMs)));
    panel.refreshClock();
    QCOMPARE(panel.clockText(), QStringLiteral("11:21:50 PM"));
    QCOMPARE(panel.dateText(), QStringLiteral("12/9/2026"));
    const QStringList expected{"11:21:51 PM", "11:21:52 PM", "11:21:53 PM", "11:21:54 PM",
                               "11:21:55 PM"};
    for (const QString& text : expected) {
        fixture_->clock.advanceMs(panel.nextClockDelayMs());
        const int late = fixture_->clock.now().time().msec();
        QVERIFY2(late < 20, qPrintable(QString::number(late)));
        panel.refreshClock();
        QCOMPARE(panel.clockText(), text);
    }
}

void ShellTest::closingTheMainWindowClosesChildrenPanelLast() {
    main().show();
    main().command("cmdnew")->trigger();
    QPointer<StatusPanel> panel = fixture_->windows->find<StatusPanel>();
    QVERIFY(main().close());
    QVERIFY(!fixture_->windows->find<NewAccountWindow>());
    QVERIFY(!fixture_->windows->find<StartChooser>());
    QVERIFY(!fixture_->windows->find<StatusPanel>());
    QVERIFY(!main().isVisible());
}

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
