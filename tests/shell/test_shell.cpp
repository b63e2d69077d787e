#include "accounts/folderlists.h"
#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "framework/pictures.h"
#include "interest/interestwindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "reminders/reminderwindow.h"
#include "shell/contentswindow.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "shell/startchooser.h"
#include "shell/statuspanel.h"
#include "support/appfixture.h"
#include "support/focus.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QWindow>

using namespace kesterly;
using namespace kesterly::test;

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void programIconComesAtEverySize();
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
    void menuKeysActFromEveryControl_data();
    void menuKeysActFromEveryControl();
    void boxKeepsItsKeysWhileTheViewMenuIsDisabled();
    void windowBroughtBackHasItsFocusBack_data();
    void windowBroughtBackHasItsFocusBack();
    void closeKeyClosesTheWindowInFrontButNotThePanel();
    void oddNamesShowAsTheyAre_data();
    void oddNamesShowAsTheyAre();

private:
    MainFrame& main() { return fixture_->windows->mainWindow(); }
    void showActiveMainWindow();
    ChildWindow& showWindow(const QString& name);
    QString activeWindowName() {
        return main().mdiArea()->activeSubWindow()->widget()->objectName();
    }
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
    QVERIFY(!window.command("cmdexport")->isEnabled());
    QVERIFY(!window.command("cmdimport")->isEnabled());
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
    QTest::newRow("export") << "cmdexport"
                            << "Export Lists\u2026" << QKeySequence("Ctrl+Shift+S") << "cmdaccount";
    QTest::newRow("import") << "cmdimport"
                            << "Import Entries\u2026" << QKeySequence("Ctrl+Shift+I") << "cmdaccount";
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
    // The help page's key table lists the command with its key.
    pictures::ensureLoaded();
    QFile help(QStringLiteral(":/help/index.html"));
    QVERIFY(help.open(QIODevice::ReadOnly));
    const QString listed =
        QString(caption).replace(QStringLiteral("…"), QStringLiteral("&hellip;"));
    // The help commands are listed by what they show ("F5: this help page").
    const QString key =
        QStringLiteral("<tr><td>%1</td><td>").arg(shortcut.toString(QKeySequence::PortableText));
    const QString row = menu == QLatin1String("cmdhelp") ? key : key + listed + "</td></tr>";
    QVERIFY2(QString::fromUtf8(help.readAll()).contains(row), qPrintable(row));
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

void ShellTest::showActiveMainWindow() {
    main().show();
    main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main()));
    main().setViewMenuEnabled(true);
}

ChildWindow& ShellTest::showWindow(const QString& name) {
    Windows& windows = *fixture_->windows;
    if (name == "Form9")
        return windows.show<EntryForm>();
    if (name == "Form10")
        return windows.show<NewAccountWindow>();
    if (name == "Form16")
        return windows.show<InterestWindow>();
    if (name == "Form4")
        return windows.show<ReminderWindow>();
    return windows.show<IncomeWindow>();
}

void ShellTest::menuKeysActFromEveryControl_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("opens");
    // A text box keeps Ctrl+A (select all) and Ctrl+E (end of line) for itself, unless
    // the menu's commands come first.
    QTest::newRow("Ctrl+A from the Entry form's Amount")
        << "Form9"
        << "Text3" << QKeySequence("Ctrl+A") << "Form5";
    QTest::newRow("Ctrl+E from New Account's name") << "Form10"
                                                    << "Text2" << QKeySequence("Ctrl+E") << "Form9";
    QTest::newRow("Ctrl+A from New Account's balance")
        << "Form10"
        << "Text1" << QKeySequence("Ctrl+A") << "Form5";
    QTest::newRow("Ctrl+E from the Interest Month") << "Form16"
                                                    << "Text1" << QKeySequence("Ctrl+E") << "Form9";
    QTest::newRow("Ctrl+A from the Interest result")
        << "Form16"
        << "Text3" << QKeySequence("Ctrl+A") << "Form5";
    QTest::newRow("Ctrl+E from the Reminder description")
        << "Form4"
        << "Text3" << QKeySequence("Ctrl+E") << "Form9";
    QTest::newRow("Ctrl+A from the Reminder times") << "Form4"
                                                    << "Time1" << QKeySequence("Ctrl+A") << "Form5";
    QTest::newRow("Ctrl+E from the Income dates") << "Form5"
                                                  << "Date1" << QKeySequence("Ctrl+E") << "Form9";
    QTest::newRow("Ctrl+B from the Entry form's date")
        << "Form9"
        << "Text1" << QKeySequence("Ctrl+B") << "Form6";
    QTest::newRow("Ctrl+I from the Entry form's date")
        << "Form9"
        << "Text1" << QKeySequence("Ctrl+I") << "Form16";
}

void ShellTest::menuKeysActFromEveryControl() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QKeySequence, key);
    QFETCH(QString, opens);
    showActiveMainWindow();
    auto* focused = showWindow(window).findChild<QWidget*>(control);
    QVERIFY(focused);
    focused->setFocus();
    QTRY_VERIFY(focused->hasFocus());
    QTest::keySequence(focused, key);
    QCOMPARE(activeWindowName(), opens);
}

void ShellTest::boxKeepsItsKeysWhileTheViewMenuIsDisabled() {
    showActiveMainWindow();
    auto* box = showWindow("Form10").findChild<QLineEdit*>("Text2");
    box->setText("Household");
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    main().setViewMenuEnabled(false);
    QTest::keySequence(box, QKeySequence("Ctrl+A"));
    QCOMPARE(box->selectedText(), QStringLiteral("Household"));
    QVERIFY(!fixture_->windows->find<IncomeWindow>());
}

void ShellTest::windowBroughtBackHasItsFocusBack_data() {
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("focused");
    // The Entry form's stops: Date, Description, Amount, the options, Submit, Save to File.
    QTest::newRow("Submit, after Tab went round once") << 10 << "Command1";
    QTest::newRow("Amount, after Tab went round once") << 8 << "Text3";
    QTest::newRow("Save to File") << 5 << "Command2";
    QTest::newRow("Description") << 1 << "Text2";
}

void ShellTest::windowBroughtBackHasItsFocusBack() {
    QFETCH(int, tabs);
    QFETCH(QString, focused);
    showActiveMainWindow();
    fixture_->windows->show<EntryForm>();
    QTRY_VERIFY(QApplication::focusWidget());
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);

    // By the menu's keys, then by Ctrl+Tab.
    QTest::keySequence(QApplication::focusWidget(), QKeySequence("Ctrl+B"));
    QCOMPARE(activeWindowName(), QStringLiteral("Form6"));
    QTest::keySequence(QApplication::focusWidget(), QKeySequence("Ctrl+E"));
    QCOMPARE(activeWindowName(), QStringLiteral("Form9"));
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
    for (int i = 0; activeWindowName() != "Form6" && i < 10; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    for (int i = 0; activeWindowName() != "Form9" && i < 10; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(activeWindowName(), QStringLiteral("Form9"));
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
}

void ShellTest::closeKeyClosesTheWindowInFrontButNotThePanel() {
    // The desktop's close key: Ctrl+W, or Ctrl+F4.
    const QKeySequence close(QKeySequence::Close);
    showActiveMainWindow();
    auto* month = fixture_->windows->show<InterestWindow>().findChild<QLineEdit*>("Text1");
    month->setFocus();
    QTRY_VERIFY(month->hasFocus());
    QTest::keySequence(month, close);
    QVERIFY(!fixture_->windows->find<InterestWindow>());
    // The panel has no close box, and the key does not close it either.
    auto& panel = fixture_->windows->show<StatusPanel>();
    auto* button = panel.findChild<QPushButton*>("Command1");
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    QTest::keySequence(button, close);
    QCOMPARE(fixture_->windows->find<StatusPanel>(), &panel);
    QVERIFY(panel.isVisible());
}

namespace {

// What a user reads in a label or a tool tip: markup, where Qt would take the text for
// it, is shown rendered.
QString seen(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    if (format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        return document.toPlainText();
    }
    return text;
}

QString seen(const QLabel* label) {
    return seen(label->text(), label->textFormat());
}

} // namespace

void ShellTest::oddNamesShowAsTheyAre_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("markup") << "<b>bold";
    QTest::newRow("line break markup") << "a<br>b";
    QTest::newRow("caption placeholder") << "a[*]b";
    QTest::newRow("ampersand") << "Ann & Bob";
    QTest::newRow("percent signs") << "50% %1 %2";
    QTest::newRow("entity") << "a&amp;b";
}

void ShellTest::oddNamesShowAsTheyAre() {
    QFETCH(QString, name);
    main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&main()));
    const QString folder = fixture_->path(name);
    const QString separator = QDir::separator();

    // New Account: the folder paths in its labels and their tips, and the message of a
    // second account of the same name.
    QStringList labelsSeen;
    fixture_->messages.whileOpen = [&](const Message&) {
        if (auto* window = fixture_->windows->find<NewAccountWindow>()) {
            auto* label = window->findChild<QLabel*>("Label3");
            labelsSeen << seen(label) << seen(label->toolTip());
        }
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto& window = fixture_->windows->show<NewAccountWindow>();
        window.findChild<QLineEdit*>("Text2")->setText(name);
        window.findChild<QLineEdit*>("Text1")->setText("5");
        window.createAccount();
    }
    QCOMPARE(labelsSeen.mid(0, 2), (QStringList{folder + separator, folder + separator}));
    QCOMPARE(fixture_->messages.shown.size(), 3);
    QVERIFY2(fixture_->messages.shown[2].text.contains("\"" + name + "\""),
             qPrintable(fixture_->messages.shown[2].text));
    fixture_->windows->find<NewAccountWindow>()->closeWindow();
    fixture_->messages.whileOpen = {};

    // Open Account: the chosen path, then the caption and the status panel.
    auto& open = fixture_->windows->show<OpenAccountWindow>();
    auto* folders = open.findChild<DirectoryList*>("Dir1");
    QVERIFY(folders->setPath(folder));
    auto* chosen = open.findChild<QLabel*>("Label2");
    QCOMPARE(seen(chosen), folder);
    QCOMPARE(seen(chosen->toolTip()), folder);
    QTest::mouseClick(open.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(main().windowHandle()->title(), "Kesterly  (" + folder + ")");
    auto& panel = fixture_->windows->get<StatusPanel>();
    QCOMPARE(panel.findChild<QLineEdit*>("Text1")->text(), folder);
    QCOMPARE(panel.findChild<QLineEdit*>("Text2")->text(), name);
    for (int row = 0; row < folders->count(); ++row)
        QVERIFY(!seen(folders->item(row)->toolTip()).isEmpty());
}

// Desktops ask for the window's icon at the size they show it (a window switcher at 256
// pixels): each size is drawn, none scaled up from a smaller one.
void ShellTest::programIconComesAtEverySize() {
    const QIcon icon = MainWindow::programIcon();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
        const QImage drawn = icon.pixmap(QSize(size, size), 1.0).toImage();
        QCOMPARE(drawn.size(), QSize(size, size));
        QCOMPARE(drawn, QImage(QStringLiteral(":/icons/kesterly-%1.png").arg(size))
                            .convertToFormat(drawn.format()));
    }
    QCOMPARE(fixture_->windows->mainWindow().windowIcon().availableSizes(), icon.availableSizes());
}

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
