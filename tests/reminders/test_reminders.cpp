#include "reminders/reminderwindow.h"
#include "reminders/todaysreminderwindow.h"
#include "shell/mainwindow.h"
#include "shell/statuspanel.h"
#include "support/appfixture.h"
#include "support/files.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

namespace {
const Message kAlert{"Reminder Reminds you", "Reminder", MessageIcon::Information};
}

class RemindersTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loadSelectsOptionFromPanel_data();
    void loadSelectsOptionFromPanel();
    void noAccountReadsAndWritesNothing();
    void unequalFilesArePadded();
    void unreadableFileIsToldAndNothingWritten_data();
    void unreadableFileIsToldAndNothingWritten();
    void addRemoveAndRowSelection();
    void noReminderIsAddedPastTheMostRows();
    void panelSwitchWatchesFirstRowAndOffKeepsSelection();
    void userClickOnSelectedOptionChangesNothing();
    void fiveMinutesApart();
    void sameTimeAnnouncedTwice();
    void skippedSecondsAreCaughtUp_data();
    void skippedSecondsAreCaughtUp();
    void rowWatchedInItsOwnSecondIsAnnounced_data();
    void rowWatchedInItsOwnSecondIsAnnounced();
    void sameDescriptionNotAnnouncedAgain();
    void neverMatches_data();
    void neverMatches();
    void switchedOffComparesNothing();
    void windowCheckFillsCopyBox();
    void checksGoOnWhileBoxOpen();
    void smallWindowAndBack();
    void panelCheckRecreatesClosedWindow();
    void filesAfterCloseByteForByte();
    void writesBackToFolderItLoadedFrom();
    void changeThatCannotBeSavedIsNotShown();
    void removalAfterAnotherProgramsChangeIsRefused();
    void pastedLineBreakStaysInOneRow();
    void keysSelectTheRowTheyLandOn_data();
    void keysSelectTheRowTheyLandOn();
    void menuAndStartUp();
    void datesAndTimesFitTheirBoxes_data();
    void datesAndTimesFitTheirBoxes();

private:
    void account(const QByteArray& dates, const QByteArray& times, const QByteArray& descriptions);
    QString reminderFile(const QString& name) const {
        return fixture_->path("Household/Reminders/" + name);
    }
    StatusPanel& panel() { return fixture_->windows->get<StatusPanel>(); }
    ReminderWindow& reminders() { return fixture_->windows->get<ReminderWindow>(); }
    QListWidget* list(const char* name) { return reminders().findChild<QListWidget*>(name); }
    QStringList rows(const char* name);
    // Sets the clock and lets the panel refresh its clock text (which runs the checks).
    void tickAt(int hour, int minute, int second);
    std::unique_ptr<AppFixture> fixture_;
};

void RemindersTest::init() {
    fixture_ = std::make_unique<AppFixture>();
}

void RemindersTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void RemindersTest::account(const QByteArray& dates, const QByteArray& times,
                            const QByteArray& descriptions) {
    writeBytes(fixture_->path("Household/Name.txt"), "Household\r\n");
    writeBytes(reminderFile("Date.txt"), dates);
    writeBytes(reminderFile("Time.txt"), times);
    writeBytes(reminderFile("Description.txt"), descriptions);
    panel().setAccountFolder(fixture_->root() + "Household");
}

QStringList RemindersTest::rows(const char* name) {
    QStringList texts;
    for (int row = 0; row < list(name)->count(); ++row)
        texts << list(name)->item(row)->text();
    return texts;
}

void RemindersTest::tickAt(int hour, int minute, int second) {
    fixture_->clock.set(QDateTime(QDate(2026, 12, 9), QTime(hour, minute, second, 3)));
    panel().refreshClock();
}

void RemindersTest::loadSelectsOptionFromPanel_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("on");
    QTest::newRow("Off") << "Off" << false;
    QTest::newRow("On") << "On" << true;
    QTest::newRow("anything else counts as on") << "off" << true;
}

void RemindersTest::loadSelectsOptionFromPanel() {
    QFETCH(QString, caption);
    QFETCH(bool, on);
    account("1/1/2027\r\n", "9:00:00 AM\r\n", "Dentist\r\n");
    panel().setSwitchCaption(caption);
    auto& window = reminders();
    QCOMPARE(window.findChild<QRadioButton*>("Option1")->isChecked(), on);
    QCOMPARE(window.findChild<QRadioButton*>("Option2")->isChecked(), !on);
    QCOMPARE(window.windowCheckEnabled(), on);
    QCOMPARE(panel().reminderCheckEnabled(), on);
    QCOMPARE(panel().switchCaption(), on ? QStringLiteral("On") : QStringLiteral("Off"));
    // The option was selected before the rows were read: nothing is watched.
    QCOMPARE(window.watchedRow(), -1);
    QCOMPARE(rows("Des1"), QStringList{"Dentist"});
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(), QStringLiteral("12/9/2026"));
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), QStringLiteral("11:21:50 PM"));
    QCOMPARE(window.findChild<QLineEdit*>("Text3")->text(), QStringLiteral("Description"));
    QCOMPARE(window.windowTitle(), QString(102, ' ') + "Reminder");
    QCOMPARE(window.size(), twipsSize(10596, 5508));
}

void RemindersTest::noAccountReadsAndWritesNothing() {
    const QByteArray before = snapshot(fixture_->root());
    auto& window = reminders();
    QCOMPARE(list("Date1")->count(), 0);
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(list("Time1")->count(), 1);
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(fixture_->root()), before);
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void RemindersTest::unequalFilesArePadded() {
    // Files of unequal length (edited by hand) are padded on screen, so a selection
    // reaches all three lists; they are written padded only when the rows change.
    account("", "9:00:00 AM\r\n10:00:00 AM\r\n", "Dentist\r\n");
    auto& window = reminders();
    QCOMPARE(rows("Date1"), (QStringList{"", ""}));
    QCOMPARE(rows("Des1"), (QStringList{"Dentist", ""}));
    list("Des1")->setCurrentRow(1);
    QCOMPARE(window.watchedRow(), 1);
    QCOMPARE(window.watchedTime(), QStringLiteral("10:00:00 AM"));
    QVERIFY(window.closeWindow());
    QCOMPARE(bytesOf(reminderFile("Date.txt")), QByteArray());
    QCOMPARE(bytesOf(reminderFile("Description.txt")), QByteArray("Dentist\r\n"));

    auto& again = reminders();
    again.addRow();
    QVERIFY(again.closeWindow());
    QCOMPARE(bytesOf(reminderFile("Date.txt")), QByteArray("\r\n\r\n12/9/2026\r\n"));
    QCOMPARE(bytesOf(reminderFile("Time.txt")),
             QByteArray("9:00:00 AM\r\n10:00:00 AM\r\n11:21:50 PM\r\n"));
    QCOMPARE(bytesOf(reminderFile("Description.txt")),
             QByteArray("Dentist\r\n\r\nDescription\r\n"));
}

void RemindersTest::unreadableFileIsToldAndNothingWritten_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a link to a file elsewhere") << "link";
    QTest::newRow("the Reminders folder is a link") << "folder link";
}

void RemindersTest::unreadableFileIsToldAndNothingWritten() {
    QFETCH(QString, kind);
    account("\r\n1/1\r\n", "\r\n9:00:00 AM\r\n", "\r\nDentist\r\n");
    const QString elsewhere = fixture_->path("elsewhere");
    QVERIFY(QDir().mkpath(elsewhere));
    writeBytes(elsewhere + "/Time.txt", "my own list\n");
    QFile::remove(reminderFile("Time.txt"));
    if (kind == "folder")
        QVERIFY(QDir().mkpath(reminderFile("Time.txt")));
    if (kind == "link")
        QVERIFY(QFile::link(elsewhere + "/Time.txt", reminderFile("Time.txt")));
    if (kind == "folder link") {
        const QString folder = fixture_->path("Household/Reminders");
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(elsewhere, folder));
    }
    const QByteArray before = snapshot(fixture_->root());
    auto& window = reminders();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QCOMPARE(fixture_->messages.shown[0].title, QStringLiteral("Reminder"));
    QVERIFY2(fixture_->messages.shown[0].text.contains("Reminders"),
             qPrintable(fixture_->messages.shown[0].text));
    // No reminder file is written (the times would part from their descriptions), so
    // adding and removing are refused with the reason, and the lists stay as they were.
    const QStringList shown = rows("Date1") + rows("Time1") + rows("Des1");
    window.addRow();
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QVERIFY2(fixture_->messages.shown[1].text.contains("cannot be saved") &&
                 fixture_->messages.shown[1].text.contains("not added"),
             qPrintable(fixture_->messages.shown[1].text));
    // Behind a linked Reminders folder nothing was read, so there is no row to remove.
    const bool rowToRemove = list("Date1")->count() > 0;
    list("Date1")->setCurrentRow(0);
    window.removeSelected();
    QCOMPARE(fixture_->messages.shown.size(), rowToRemove ? 3 : 2);
    QVERIFY2(
        fixture_->messages.shown.last().text.contains(rowToRemove ? "not removed" : "not added"),
        qPrintable(fixture_->messages.shown.last().text));
    QCOMPARE(rows("Date1") + rows("Time1") + rows("Des1"), shown);
    const qsizetype told = fixture_->messages.shown.size();
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(fixture_->root()), before);
    QCOMPARE(fixture_->messages.shown.size(), told);
}

void RemindersTest::addRemoveAndRowSelection() {
    account("\r\n", "\r\n", "\r\n");
    auto& window = reminders();
    auto* remove = window.findChild<QPushButton*>("Command2");
    QTest::mouseClick(remove, Qt::LeftButton); // nothing selected: nothing removed
    QCOMPARE(list("Date1")->count(), 1);

    window.findChild<QLineEdit*>("Text3")->setText("Call Ann");
    for (int i = 0; i < 9; ++i)
        QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(rows("Des1").size(), 10);
    QCOMPARE(rows("Time1").last(), QStringLiteral("11:21:50 PM"));
    QCOMPARE(rows("Date1").last(), QStringLiteral("12/9/2026"));
    QCOMPARE(window.watchedRow(), -1); // adding selects nothing

    for (const char* clicked : {"Date1", "Time1", "Des1"}) {
        QListWidget* l = list(clicked);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(5)).center());
        for (const char* other : {"Date1", "Time1", "Des1"})
            QCOMPARE(list(other)->selectedItems().value(0), list(other)->item(5));
        list("Date1")->setCurrentRow(2);
    }
    list("Time1")->setCurrentRow(5);
    list("Des1")->item(5)->setText("fifth");
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(rows("Des1").size(), 9);
    QVERIFY(!rows("Des1").contains("fifth"));
    QCOMPARE(window.watchedRow(), 0);
    for (const char* name : {"Date1", "Time1", "Des1"})
        QCOMPARE(list(name)->selectedItems().value(0), list(name)->item(0));

    while (list("Date1")->count() > 1)
        QTest::mouseClick(remove, Qt::LeftButton);
    QTest::mouseClick(remove, Qt::LeftButton);
    for (const char* name : {"Date1", "Time1", "Des1"})
        QCOMPARE(list(name)->count(), 0);
    QCOMPARE(window.watchedRow(), -1);
}

// The reminders are a table like the lists: a row past the most it holds is refused, as
// the next reading would leave it out and keep the table from being written.
void RemindersTest::noReminderIsAddedPastTheMostRows() {
    QByteArray full;
    for (int row = 1; row < account::kMaxRows; ++row)
        full += "\r\n";
    account(full + "\r\n", full + "\r\n", full + "last\r\n");
    auto& window = reminders();
    QCOMPARE(list("Des1")->count(), account::kMaxRows);
    QVERIFY(fixture_->messages.shown.isEmpty());
    window.findChild<QLineEdit*>("Text3")->setText("One too many");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{{"The reminders already hold 32767 rows, the most they can hold. "
                              "The reminder was not added.",
                              "Reminder", MessageIcon::Exclamation}}));
    QCOMPARE(list("Des1")->count(), account::kMaxRows);
    QCOMPARE(bytesOf(reminderFile("Description.txt")), full + "last\r\n");

    // One row fewer, and the reminder goes in.
    list("Des1")->setCurrentRow(0);
    QTest::mouseClick(window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QCOMPARE(list("Des1")->count(), account::kMaxRows);
    QVERIFY(bytesOf(reminderFile("Description.txt")).endsWith("last\r\nOne too many\r\n"));
}

void RemindersTest::panelSwitchWatchesFirstRowAndOffKeepsSelection() {
    account("\r\n\r\n", "9:00:00 AM\r\n10:00:00 AM\r\n", "a\r\nb\r\n");
    QVERIFY(!fixture_->windows->find<ReminderWindow>());
    panel().flipReminderSwitch();
    auto* window = fixture_->windows->find<ReminderWindow>();
    QVERIFY(window);
    QVERIFY(window->subWindow()->isVisibleTo(&fixture_->windows->mainWindow()));
    QCOMPARE(panel().switchCaption(), QStringLiteral("On"));
    QCOMPARE(window->watchedRow(), 0);
    QVERIFY(panel().reminderCheckEnabled());
    QVERIFY(window->windowCheckEnabled());

    list("Time1")->setCurrentRow(1);
    panel().flipReminderSwitch();
    QCOMPARE(panel().switchCaption(), QStringLiteral("Off"));
    QVERIFY(window->findChild<QRadioButton*>("Option2")->isChecked());
    QVERIFY(!panel().reminderCheckEnabled());
    QVERIFY(!window->windowCheckEnabled());
    QCOMPARE(window->watchedRow(), 1);

    // "On" from the window selects the first row again.
    QTest::mouseClick(window->findChild<QRadioButton*>("Option1"), Qt::LeftButton);
    QCOMPARE(panel().switchCaption(), QStringLiteral("On"));
    QCOMPARE(window->watchedRow(), 0);
}

void RemindersTest::userClickOnSelectedOptionChangesNothing() {
    account("\r\n\r\n", "9:00:00 AM\r\n10:00:00 AM\r\n", "a\r\nb\r\n");
    panel().setSwitchCaption("On");
    auto& window = reminders();
    list("Date1")->setCurrentRow(1);
    QTest::mouseClick(window.findChild<QRadioButton*>("Option1"), Qt::LeftButton);
    QCOMPARE(window.watchedRow(), 1);
    // From a step it runs again.
    window.selectOn();
    QCOMPARE(window.watchedRow(), 0);
}

void RemindersTest::fiveMinutesApart() {
    account("\r\n\r\n", "11:30:00 PM\r\n11:35:00 PM\r\n", "Tea\r\nBed\r\n");
    panel().flipReminderSwitch();
    auto& today = fixture_->windows->get<TodaysReminderWindow>();
    tickAt(23, 29, 59);
    QCOMPARE(today.alertText(), QString());
    tickAt(23, 30, 0);
    QCOMPARE(today.alertText(), QStringLiteral("Tea"));
    QCOMPARE(reminders().watchedRow(), 1);
    QCOMPARE(fixture_->messages.shown, QList<Message>{kAlert});
    tickAt(23, 35, 0);
    QCOMPARE(today.alertText(), QStringLiteral("Bed"));
    QCOMPARE(reminders().watchedRow(), 1); // the last row stays watched
    QCOMPARE(fixture_->messages.shown.size(), 1);
    tickAt(23, 35, 0);
    QCOMPARE(fixture_->messages.shown.size(), 1);
}

void RemindersTest::sameTimeAnnouncedTwice() {
    account("\r\n\r\n\r\n", "11:30:00 PM\r\n11:30:00 PM\r\n11:40:00 PM\r\n", "A\r\nB\r\nC\r\n");
    panel().flipReminderSwitch();
    // Only the panel check here: the follow-up round of the same second finds the
    // second row, as the next ticks would.
    reminders().selectOff();
    panel().setReminderCheckEnabled(true);
    QStringList seen;
    fixture_->messages.whileOpen = [&](const Message&) {
        seen << fixture_->windows->get<TodaysReminderWindow>().alertText();
    };
    tickAt(23, 30, 0);
    QCOMPARE(seen, QStringList{"A"});
    QTRY_COMPARE(seen, (QStringList{"A", "B"}));
    QCOMPARE(reminders().watchedRow(), 2);
    QTest::qWait(20);
    QCOMPARE(fixture_->messages.shown, (QList<Message>{kAlert, kAlert}));
}

void RemindersTest::skippedSecondsAreCaughtUp_data() {
    QTest::addColumn<QTime>("lastTick");
    QTest::addColumn<QTime>("nextTick");
    QTest::addColumn<QStringList>("announced");
    // Tea is due at 11:30:00 PM, Bed at 11:30:01 PM, Walk at 11:45:00 PM.
    QTest::newRow("a jump over the due second")
        << QTime(23, 29, 59) << QTime(23, 30, 2) << QStringList{"Tea", "Bed"};
    QTest::newRow("the next second, as usual")
        << QTime(23, 29, 59) << QTime(23, 30, 0) << QStringList{"Tea"};
    QTest::newRow("a jump of hours")
        << QTime(20, 0, 0) << QTime(23, 50, 0) << QStringList{"Tea", "Bed", "Walk"};
    QTest::newRow("a jump up to the second before")
        << QTime(23, 29, 0) << QTime(23, 29, 59) << QStringList{};
    QTest::newRow("the clock set back past it")
        << QTime(23, 31, 0) << QTime(23, 29, 0) << QStringList{};
}

void RemindersTest::skippedSecondsAreCaughtUp() {
    QFETCH(QTime, lastTick);
    QFETCH(QTime, nextTick);
    QFETCH(QStringList, announced);
    account("\r\n\r\n\r\n", "11:30:00 PM\r\n11:30:01 PM\r\n11:45:00 PM\r\n",
            "Tea\r\nBed\r\nWalk\r\n");
    panel().flipReminderSwitch();
    QStringList seen;
    auto& today = fixture_->windows->get<TodaysReminderWindow>();
    connect(&today, &TodaysReminderWindow::alertTextChanged, &today,
            [&seen](const QString& text) { seen << text; });
    tickAt(lastTick.hour(), lastTick.minute(), lastTick.second());
    QCoreApplication::processEvents();
    QCOMPARE(seen, QStringList());
    // The program was busy (or asleep) over the seconds in between: each reminder due in
    // them is announced once, late.
    tickAt(nextTick.hour(), nextTick.minute(), nextTick.second());
    QTRY_COMPARE(seen, announced);
    // The same second again announces nothing more.
    QTest::qWait(20);
    tickAt(nextTick.hour(), nextTick.minute(), nextTick.second());
    QTest::qWait(20);
    QCOMPARE(seen, announced);
}

void RemindersTest::rowWatchedInItsOwnSecondIsAnnounced_data() {
    QTest::addColumn<bool>("byClick");
    QTest::newRow("a click on the row") << true;
    QTest::newRow("switching on") << false;
}

void RemindersTest::rowWatchedInItsOwnSecondIsAnnounced() {
    QFETCH(bool, byClick);
    account("\r\n\r\n", "11:30:00 PM\r\n11:40:00 PM\r\n", "Tea\r\nBed\r\n");
    auto& window = reminders();
    if (byClick) {
        window.selectOn();
        list("Time1")->setCurrentRow(1);
    } else {
        window.selectOff();
    }
    tickAt(23, 30, 0);
    QCoreApplication::processEvents();
    auto& today = fixture_->windows->get<TodaysReminderWindow>();
    QCOMPARE(today.alertText(), QString());
    // Half a second later, within the due second, Tea becomes the watched row.
    fixture_->clock.set(QDateTime(QDate(2026, 12, 9), QTime(23, 30, 0, 500)));
    if (byClick) {
        QListWidget* times = list("Time1");
        QTest::mouseClick(times->viewport(), Qt::LeftButton, {},
                          times->visualItemRect(times->item(0)).center());
    } else {
        window.findChild<QRadioButton*>("Option1")->click();
    }
    QTRY_COMPARE(today.alertText(), QStringLiteral("Tea"));
    QCOMPARE(fixture_->messages.shown, QList<Message>{kAlert});
}

void RemindersTest::sameDescriptionNotAnnouncedAgain() {
    account("\r\n\r\n\r\n", "11:30:00 PM\r\n11:31:00 PM\r\n11:32:00 PM\r\n", "A\r\nA\r\nB\r\n");
    panel().flipReminderSwitch();
    tickAt(23, 30, 0);
    tickAt(23, 31, 0);
    QCOMPARE(reminders().watchedRow(), 1);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    tickAt(23, 32, 0);
    QCOMPARE(fixture_->messages.shown.size(), 1);
}

void RemindersTest::neverMatches_data() {
    QTest::addColumn<QByteArray>("times");
    QTest::addColumn<int>("watched");
    QTest::newRow("without seconds") << QByteArray("11:30 PM\r\n\r\n") << 0;
    QTest::newRow("lower-case pm") << QByteArray("11:30:00 pm\r\n\r\n") << 0;
    QTest::newRow("24-hour hour") << QByteArray("23:30:00\r\n\r\n") << 0;
    QTest::newRow("row not watched") << QByteArray("1:00:00 AM\r\n11:30:00 PM\r\n") << 0;
    QTest::newRow("empty row") << QByteArray("\r\n\r\n") << 0;
}

void RemindersTest::neverMatches() {
    QFETCH(QByteArray, times);
    QFETCH(int, watched);
    account("\r\n\r\n", times, "x\r\ny\r\n");
    panel().flipReminderSwitch();
    QCOMPARE(reminders().watchedRow(), watched);
    tickAt(23, 30, 0);
    QTest::qWait(5);
    QCOMPARE(fixture_->windows->get<TodaysReminderWindow>().alertText(), QString());
    QVERIFY(fixture_->messages.shown.isEmpty());
    QCOMPARE(reminders().watchedRow(), watched);
}

void RemindersTest::switchedOffComparesNothing() {
    account("\r\n\r\n", "11:30:00 PM\r\n\r\n", "x\r\ny\r\n");
    panel().flipReminderSwitch();
    panel().flipReminderSwitch();
    tickAt(23, 30, 0);
    QVERIFY(fixture_->messages.shown.isEmpty());
    QCOMPARE(reminders().watchedRow(), 0);
}

void RemindersTest::windowCheckFillsCopyBox() {
    account("\r\n\r\n", "11:30:00 PM\r\n11:35:00 PM\r\n", "Tea\r\nBed\r\n");
    panel().flipReminderSwitch();
    auto& window = reminders();
    auto* copy = window.findChild<QPlainTextEdit*>("Text5");
    QVERIFY(copy->isReadOnly());
    tickAt(23, 30, 0);
    // The panel check announced first and moved on: the window check found nothing.
    QCOMPARE(copy->toPlainText(), QString());
    // The window check on its own: the watch did not move (the text was already shown),
    // so the matched description is copied.
    list("Time1")->setCurrentRow(0);
    window.checkReminder();
    QCOMPARE(copy->toPlainText(), QStringLiteral("Tea"));
    QCOMPARE(window.watchedRow(), 0);
    // The watch moved on: the next row's description is copied.
    list("Des1")->item(0)->setText("Tea again");
    window.checkReminder();
    QCOMPARE(window.watchedRow(), 1);
    QCOMPARE(copy->toPlainText(), QStringLiteral("Bed"));
    // The last row: the matched description.
    tickAt(23, 35, 0);
    QCOMPARE(copy->toPlainText(), QStringLiteral("Bed"));
    QCOMPARE(fixture_->windows->get<TodaysReminderWindow>().alertText(), QStringLiteral("Bed"));
}

void RemindersTest::checksGoOnWhileBoxOpen() {
    account("\r\n\r\n\r\n", "11:30:00 PM\r\n11:30:05 PM\r\n11:50:00 PM\r\n", "A\r\nB\r\nC\r\n");
    panel().flipReminderSwitch();
    QStringList seen;
    fixture_->messages.whileOpen = [&](const Message&) {
        seen << fixture_->windows->get<TodaysReminderWindow>().alertText();
        if (seen.size() == 1) // the clock goes on while the first box is open
            tickAt(23, 30, 5);
    };
    tickAt(23, 30, 0);
    QCOMPARE(seen, (QStringList{"A", "B"}));
    QCOMPARE(reminders().watchedRow(), 2);
}

void RemindersTest::smallWindowAndBack() {
    account("\r\n\r\n", "11:30:00 PM\r\n11:35:00 PM\r\n", "Tea\r\nBed\r\n");
    panel().flipReminderSwitch();
    auto& window = reminders();
    auto& main = fixture_->windows->mainWindow();
    window.findChild<QLineEdit*>("Text3")->setText("Walk");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    list("Des1")->setCurrentRow(2);
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    auto& today = fixture_->windows->get<TodaysReminderWindow>();
    QVERIFY(!window.subWindow()->isVisibleTo(&main));
    QVERIFY(today.subWindow()->isVisibleTo(&main));

    // Hidden, the window still checks: the last row matches and is copied.
    tickAt(23, 21, 50);
    QCOMPARE(window.findChild<QPlainTextEdit*>("Text5")->toPlainText(), QStringLiteral("Walk"));
    QCOMPARE(today.alertText(), QStringLiteral("Walk"));

    QCOMPARE(today.findChild<QPushButton*>("Command1")->text(),
             QStringLiteral("Return to Original Winow"));
    QTest::mouseClick(today.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(window.subWindow()->isVisibleTo(&main));
    QVERIFY(!today.subWindow()->isVisibleTo(&main));
    QCOMPARE(fixture_->windows->find<ReminderWindow>(), &window);
    QCOMPARE(rows("Des1"), (QStringList{"Tea", "Bed", "Walk"}));
    QCOMPARE(window.watchedRow(), 2);

    // A match while the small window is hidden changes its text without showing it,
    // and still tells the user.
    list("Time1")->setCurrentRow(0);
    tickAt(23, 30, 0);
    QCOMPARE(today.alertText(), QStringLiteral("Tea"));
    QVERIFY(!today.subWindow()->isVisibleTo(&main));
    QCOMPARE(fixture_->messages.shown, QList<Message>{kAlert});
}

void RemindersTest::panelCheckRecreatesClosedWindow() {
    account("\r\n", "11:30:00 PM\r\n", "Tea\r\n");
    panel().flipReminderSwitch();
    reminders().findChild<QLineEdit*>("Text2")->setText("11:30:00 PM");
    reminders().findChild<QLineEdit*>("Text3")->setText("Coffee");
    reminders().addRow();
    list("Date1")->setCurrentRow(0);
    reminders().removeSelected();
    QVERIFY(reminders().closeWindow());
    QVERIFY(!fixture_->windows->find<ReminderWindow>());
    tickAt(23, 29, 0);
    auto* again = fixture_->windows->find<ReminderWindow>();
    QVERIFY(again);
    QCOMPARE(rows("Des1"), QStringList{"Coffee"});
    QCOMPARE(again->watchedRow(), -1); // created by the check: nothing watched
    QVERIFY(again->windowCheckEnabled());
    // The closed Today's Reminder window comes back with an announcement.
    fixture_->windows->get<TodaysReminderWindow>().closeWindow();
    list("Time1")->setCurrentRow(0);
    tickAt(23, 30, 0);
    auto* today = fixture_->windows->find<TodaysReminderWindow>();
    QVERIFY(today);
    QCOMPARE(today->alertText(), QStringLiteral("Coffee"));
    QCOMPARE(today->subWindow()->pos(), QPoint(twips(11500), twips(3216)));
}

void RemindersTest::filesAfterCloseByteForByte() {
    account("\r\n", "\r\n", "\r\n");
    auto& window = reminders();
    window.findChild<QLineEdit*>("Text1")->setText("12/24/2026");
    window.findChild<QLineEdit*>("Text2")->setText("8:00:00 AM");
    window.findChild<QLineEdit*>("Text3")->setText("Gifts, wrapped");
    window.addRow();
    // Saved at once; closing writes nothing more.
    QCOMPARE(bytesOf(reminderFile("Date.txt")), QByteArray("\r\n12/24/2026\r\n"));
    QCOMPARE(bytesOf(reminderFile("Time.txt")), QByteArray("\r\n8:00:00 AM\r\n"));
    QCOMPARE(bytesOf(reminderFile("Description.txt")), QByteArray("\r\nGifts, wrapped\r\n"));
    const QByteArray added = snapshot(fixture_->root());
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(fixture_->root()), added);

    // Reopened: the same rows; emptied lists give empty files and load as empty lists.
    auto& again = reminders();
    QCOMPARE(rows("Des1"), (QStringList{"", "Gifts, wrapped"}));
    list("Date1")->setCurrentRow(0);
    again.removeSelected();
    QCOMPARE(bytesOf(reminderFile("Time.txt")), QByteArray("8:00:00 AM\r\n"));
    again.removeSelected();
    for (const char* name : {"Date.txt", "Time.txt", "Description.txt"})
        QCOMPARE(bytesOf(reminderFile(name)), QByteArray());
    QVERIFY(again.closeWindow());
    QCOMPARE(list("Date1")->count(), 0);
}

void RemindersTest::writesBackToFolderItLoadedFrom() {
    account("\r\n", "\r\n", "a\r\n");
    writeBytes(fixture_->path("Other/Reminders/Description.txt"), "other\r\n");
    auto& window = reminders();
    QCOMPARE(window.loadedFrom(), fixture_->root() + "Household");
    panel().setAccountFolder(fixture_->root() + "Other");
    window.addRow();
    QVERIFY(window.closeWindow());
    QCOMPARE(bytesOf(reminderFile("Description.txt")), QByteArray("a\r\nDescription\r\n"));
    QCOMPARE(bytesOf(fixture_->path("Other/Reminders/Description.txt")), QByteArray("other\r\n"));
}

void RemindersTest::changeThatCannotBeSavedIsNotShown() {
    account("\r\n", "\r\n", "a\r\n");
    auto& window = reminders();
    // The time file cannot be written: a folder stands in its place.
    QFile::remove(reminderFile("Time.txt"));
    QVERIFY(QDir().mkpath(reminderFile("Time.txt")));
    const QByteArray before = snapshot(fixture_->root());
    window.addRow();
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY(fixture_->messages.shown[0].text.contains("Time.txt"));
    QVERIFY(fixture_->messages.shown[0].text.contains("not added"));
    QCOMPARE(fixture_->messages.shown[0].icon, MessageIcon::Exclamation);
    QCOMPARE(rows("Des1"), QStringList{"a"});
    QCOMPARE(snapshot(fixture_->root()), before);

    // Put right, the reminder is added to the files as they are now.
    QDir(reminderFile("Time.txt")).removeRecursively();
    writeBytes(reminderFile("Time.txt"), "9:00:00 AM\r\n");
    window.addRow();
    QCOMPARE(rows("Time1"), (QStringList{"9:00:00 AM", "11:21:50 PM"}));
    QCOMPARE(bytesOf(reminderFile("Time.txt")), QByteArray("9:00:00 AM\r\n11:21:50 PM\r\n"));
    QCOMPARE(bytesOf(reminderFile("Description.txt")), QByteArray("a\r\nDescription\r\n"));
}

void RemindersTest::removalAfterAnotherProgramsChangeIsRefused() {
    account("\r\n\r\n", "9:00:00 AM\r\n10:00:00 AM\r\n", "Tea\r\nWalk\r\n");
    auto& window = reminders();
    list("Date1")->setCurrentRow(0);
    // Another program adds a reminder before the first one meanwhile.
    writeBytes(reminderFile("Time.txt"), "8:00:00 AM\r\n9:00:00 AM\r\n10:00:00 AM\r\n");
    writeBytes(reminderFile("Description.txt"), "Bread\r\nTea\r\nWalk\r\n");
    writeBytes(reminderFile("Date.txt"), "\r\n\r\n\r\n");
    const QByteArray before = snapshot(fixture_->root());
    window.removeSelected();
    QCOMPARE(snapshot(fixture_->root()), before);
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY2(fixture_->messages.shown[0].text.contains("Another program"),
             qPrintable(fixture_->messages.shown[0].text));
    QCOMPARE(rows("Des1"), (QStringList{"Bread", "Tea", "Walk"}));
    QCOMPARE(window.watchedRow(), -1);
    list("Date1")->setCurrentRow(1);
    window.removeSelected();
    QCOMPARE(rows("Des1"), (QStringList{"Bread", "Walk"}));
    QCOMPARE(bytesOf(reminderFile("Description.txt")), QByteArray("Bread\r\nWalk\r\n"));
}

void RemindersTest::pastedLineBreakStaysInOneRow() {
    account("\r\n", "\r\n", "\r\n");
    auto& window = reminders();
    auto* description = window.findChild<QLineEdit*>("Text3");
    description->clear();
    QApplication::clipboard()->setText("Call the bank\r\nabout the loan");
    QTest::keyClick(description, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(window.closeWindow());
    QCOMPARE(bytesOf(reminderFile("Description.txt")),
             QByteArray("\r\nCall the bank about the loan\r\n"));
    QCOMPARE(bytesOf(reminderFile("Time.txt")), QByteArray("\r\n11:21:50 PM\r\n"));
}

void RemindersTest::keysSelectTheRowTheyLandOn_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("selected"); // before the key, -1 for none
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("landsOn");
    QTest::newRow("Home, nothing selected") << "Date1" << -1 << int(Qt::Key_Home) << 0;
    QTest::newRow("Down, nothing selected") << "Time1" << -1 << int(Qt::Key_Down) << 0;
    QTest::newRow("End, nothing selected") << "Des1" << -1 << int(Qt::Key_End) << 3;
    QTest::newRow("Down") << "Des1" << 1 << int(Qt::Key_Down) << 2;
    QTest::newRow("Up") << "Time1" << 1 << int(Qt::Key_Up) << 0;
    QTest::newRow("Home") << "Time1" << 2 << int(Qt::Key_Home) << 0;
    QTest::newRow("Page Down") << "Date1" << 1 << int(Qt::Key_PageDown) << 3;
}

void RemindersTest::keysSelectTheRowTheyLandOn() {
    QFETCH(QString, list);
    QFETCH(int, selected);
    QFETCH(int, key);
    QFETCH(int, landsOn);
    account("a\r\nb\r\nc\r\nd\r\n", "1\r\n2\r\n3\r\n4\r\n", "w\r\nx\r\ny\r\nz\r\n");
    auto& window = reminders();
    if (selected >= 0)
        this->list("Date1")->setCurrentRow(selected);
    QListWidget* keys = this->list(qPrintable(list));
    keys->setFocus();
    QTest::keyClick(keys, Qt::Key(key));
    QCOMPARE(window.watchedRow(), landsOn);
    for (const char* name : {"Date1", "Time1", "Des1"})
        QCOMPARE(this->list(name)->selectedItems().value(0), this->list(name)->item(landsOn));
}

void RemindersTest::menuAndStartUp() {
    account("\r\n", "\r\n", "\r\n");
    auto& main = fixture_->windows->mainWindow();
    auto* today = fixture_->windows->find<TodaysReminderWindow>();
    QVERIFY(today);
    QCOMPARE(today->subWindow()->pos(), QPoint(twips(11500), twips(3216)));
    // The status panel never covers the title bar of the window below it.
    QVERIFY(!panel().subWindow()->geometry().intersects(today->subWindow()->geometry()));
    QCOMPARE(today->windowTitle(), QString(23, ' ') + "Today's Reminder");
    QCOMPARE(today->size(), twipsSize(3504, 2832));
    main.setViewMenuEnabled(true);
    QAction* command = main.command("cmdreminder");
    QVERIFY(command->isEnabled());
    command->trigger();
    QVERIFY(fixture_->windows->find<ReminderWindow>());
    QCOMPARE(rows("Date1"), QStringList{""});
}

void RemindersTest::datesAndTimesFitTheirBoxes_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::newRow("date box") << "Text1"
                              << "12/30/2026";
    QTest::newRow("time box") << "Text2"
                              << "12:58:58 PM";
    QTest::newRow("dates list") << "Date1"
                                << "12/30/2026";
    QTest::newRow("times list") << "Time1"
                                << "12:58:58 PM";
}

void RemindersTest::datesAndTimesFitTheirBoxes() {
    // The widest date and clock texts show whole, with room for the frame and margins.
    QFETCH(QString, control);
    QFETCH(QString, text);
    auto* widget = reminders().findChild<QWidget*>(control);
    QVERIFY(widget);
    int room = widget->width() - 8;
    if (auto* list = qobject_cast<QListWidget*>(widget))
        room = list->viewport()->width() - 6;
    QVERIFY2(QFontMetrics(widget->font()).horizontalAdvance(text) <= room,
             qPrintable(QStringLiteral("%1 needs %2 px, has %3")
                            .arg(text)
                            .arg(QFontMetrics(widget->font()).horizontalAdvance(text))
                            .arg(room)));
}

QTEST_MAIN(RemindersTest)
#include "test_reminders.moc"
