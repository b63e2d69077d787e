#include "framework/childwindow.h"
#include "framework/windows.h"
#include "shell/mainwindow.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace kesterly;
using namespace kesterly::test;

namespace {

// Counts its steps in a log the test reads.
class ProbeWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form99";
    explicit ProbeWindow(Windows& windows)
        : ChildWindow(windows, kName, QStringLiteral("   Probe"), 1500, 1500, Frame::Fixed) {
        box = place<QLineEdit>("Text1", 0, 0, 1500, 300);
    }
    void load() override {
        log << "load";
        box->setText("loaded");
    }
    bool holdsAccountData() const override { return account; }

    static inline QStringList log;
    static inline bool account = false;
    static inline QList<bool> closeAnswers; // what the next close steps answer
    QLineEdit* box;

protected:
    bool closeStep() override {
        log << "close " + box->text();
        return closeAnswers.isEmpty() || closeAnswers.takeFirst();
    }
};

class OtherWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form98";
    explicit OtherWindow(Windows& windows)
        : ChildWindow(windows, kName, QStringLiteral("Other"), 1500, 1500, Frame::None) {}
    bool closeStep() override {
        ProbeWindow::log << "close other";
        return true;
    }
};

// How many frames in the main window hold a window of that name.
int framesNamed(Windows& windows, const QString& name) {
    int count = 0;
    for (QMdiSubWindow* frame : windows.mainWindow().mdiArea()->subWindowList())
        count += frame->widget() && frame->widget()->objectName() == name;
    return count;
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void twipsConversion();
    void createdOnFirstReferenceAndShown();
    void existsOnceAndKeepsContents();
    void closeRunsCloseStepAndDiscards();
    void closeStepCanKeepTheWindowOpen();
    void hiddenWindowStaysOpen();
    void mainWindowClosesChildrenLastOneLast();
    void mainWindowStaysWhenAChildRefuses();
    void accountWindowsCloseBeforeAnotherAccount();
    void messageTitleDefaultsToKesterly();
    void dialogBoxAnswersAndCopiesItsText_data();
    void dialogBoxAnswersAndCopiesItsText();
    void dialogBoxShowsItsTextAsItIs();
    void dialogEndedWithoutAButtonIsCancel_data();
    void dialogEndedWithoutAButtonIsCancel();
    void saveDialogLeavesTheReplaceQuestionToTheProgram();
    void pastedLineBreaksBecomeBlanks_data();
    void pastedLineBreaksBecomeBlanks();
    void longTextIsTakenWholeOrRefused_data();
    void longTextIsTakenWholeOrRefused();

private:
    std::unique_ptr<AppFixture> fixture_;
};

void WindowsTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    ProbeWindow::log.clear();
    ProbeWindow::account = false;
    ProbeWindow::closeAnswers.clear();
}

void WindowsTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void WindowsTest::twipsConversion() {
    QCOMPARE(twips(15), 1);
    QCOMPARE(twips(15144), 1010);
    QCOMPARE(twips(11500), 767);
    QCOMPARE(twips(7), 0);
    QCOMPARE(twips(8), 1);
    QCOMPARE(twipsRect(960, 2520, 3012, 492), QRect(64, 168, 201, 33));
}

void WindowsTest::createdOnFirstReferenceAndShown() {
    Windows& windows = *fixture_->windows;
    QVERIFY(!windows.find<ProbeWindow>());
    auto& probe = windows.get<ProbeWindow>();
    QCOMPARE(ProbeWindow::log, QStringList{"load"});
    QCOMPARE(probe.objectName(), QStringLiteral("Form99"));
    QVERIFY(probe.subWindow());
    QVERIFY(probe.subWindow()->isVisibleTo(&windows.mainWindow()));
    QCOMPARE(windows.mainWindow().mdiArea()->activeSubWindow(), probe.subWindow());
    QCOMPARE(probe.size(), QSize(100, 100));
    QCOMPARE(probe.windowTitle(), QStringLiteral("   Probe"));
}

void WindowsTest::existsOnceAndKeepsContents() {
    Windows& windows = *fixture_->windows;
    auto& probe = windows.get<ProbeWindow>();
    probe.box->setText("typed");
    windows.get<OtherWindow>();
    QCOMPARE(&windows.show<ProbeWindow>(), &probe);
    QCOMPARE(&windows.get<ProbeWindow>(), &probe);
    QCOMPARE(probe.box->text(), QStringLiteral("typed"));
    QCOMPARE(ProbeWindow::log, QStringList{"load"});
    QCOMPARE(framesNamed(windows, "Form99"), 1);
    QCOMPARE(windows.mainWindow().mdiArea()->activeSubWindow(), probe.subWindow());
}

void WindowsTest::closeRunsCloseStepAndDiscards() {
    Windows& windows = *fixture_->windows;
    windows.get<ProbeWindow>().box->setText("typed");
    QVERIFY(windows.get<ProbeWindow>().closeWindow());
    QVERIFY(!windows.find<ProbeWindow>());
    auto& again = windows.get<ProbeWindow>();
    QCOMPARE(again.box->text(), QStringLiteral("loaded"));
    QCOMPARE(ProbeWindow::log, (QStringList{"load", "close typed", "load"}));
    QTRY_COMPARE(framesNamed(windows, "Form99"), 1);
}

void WindowsTest::closeStepCanKeepTheWindowOpen() {
    Windows& windows = *fixture_->windows;
    auto& probe = windows.get<ProbeWindow>();
    ProbeWindow::closeAnswers = {false};
    QVERIFY(!probe.closeWindow());
    QCOMPARE(windows.find<ProbeWindow>(), &probe);
    QVERIFY(probe.subWindow()->isVisibleTo(&windows.mainWindow()));
    QVERIFY(probe.closeWindow());
    QVERIFY(!windows.find<ProbeWindow>());
}

void WindowsTest::hiddenWindowStaysOpen() {
    Windows& windows = *fixture_->windows;
    auto& probe = windows.get<ProbeWindow>();
    windows.hide(&probe);
    QCOMPARE(windows.find<ProbeWindow>(), &probe);
    QVERIFY(!probe.subWindow()->isVisibleTo(&windows.mainWindow()));
    windows.get<ProbeWindow>();
    QVERIFY(!probe.subWindow()->isVisibleTo(&windows.mainWindow()));
    windows.show<ProbeWindow>();
    QVERIFY(probe.subWindow()->isVisibleTo(&windows.mainWindow()));
    QCOMPARE(ProbeWindow::log, QStringList{"load"});
}

void WindowsTest::mainWindowClosesChildrenLastOneLast() {
    Windows& windows = *fixture_->windows;
    auto& other = windows.get<OtherWindow>();
    windows.get<ProbeWindow>().box->setText("typed");
    windows.hide(&windows.get<ProbeWindow>());
    QVERIFY(windows.closeAll(&other));
    QCOMPARE(ProbeWindow::log, (QStringList{"load", "close typed", "close other"}));
    QVERIFY(!windows.find<ProbeWindow>());
    QVERIFY(!windows.find<OtherWindow>());
}

void WindowsTest::mainWindowStaysWhenAChildRefuses() {
    Windows& windows = *fixture_->windows;
    windows.get<ProbeWindow>();
    windows.mainWindow().show();
    ProbeWindow::closeAnswers = {false};
    QVERIFY(!windows.mainWindow().close());
    QVERIFY(windows.mainWindow().isVisible());
    QVERIFY(windows.find<ProbeWindow>());
    QVERIFY(windows.mainWindow().close());
    QVERIFY(!windows.find<ProbeWindow>());
}

void WindowsTest::accountWindowsCloseBeforeAnotherAccount() {
    Windows& windows = *fixture_->windows;
    ProbeWindow::account = true;
    windows.get<ProbeWindow>();
    windows.get<OtherWindow>();
    ProbeWindow::closeAnswers = {false};
    QVERIFY(!windows.closeAccountWindows());
    QVERIFY(windows.find<ProbeWindow>());
    QVERIFY(windows.closeAccountWindows());
    QVERIFY(!windows.find<ProbeWindow>());
    QVERIFY(windows.find<OtherWindow>());
}

void WindowsTest::messageTitleDefaultsToKesterly() {
    fixture_->windows->inform("Hello", "", MessageIcon::None);
    fixture_->windows->inform("Hi", "Patient", MessageIcon::Information);
    QCOMPARE(fixture_->messages.shown,
             (QList<Message>{{"Hello", "Kesterly", MessageIcon::None},
                             {"Hi", "Patient", MessageIcon::Information}}));
}

void WindowsTest::dialogBoxAnswersAndCopiesItsText_data() {
    QTest::addColumn<int>("pressed"); // index into the choices
    QTest::addColumn<Choice>("answer");
    QTest::newRow("first button") << 0 << Choice::Retry;
    QTest::newRow("second button") << 1 << Choice::Discard;
}

void WindowsTest::dialogBoxAnswersAndCopiesItsText() {
    QFETCH(int, pressed);
    QFETCH(Choice, answer);
    QGuiApplication::clipboard()->clear();
    DialogPresenter presenter;
    QString copied;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (QTest::qWaitForWindowActive(box)) {
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
        }
        box->buttons().at(pressed)->click();
    });
    QCOMPARE(presenter.ask({"Could not write Time.txt", "Reminder", MessageIcon::Exclamation},
                           {Choice::Retry, Choice::Discard}),
             answer);
    const QString rule = "---------------------------\n";
    QCOMPARE(copied, rule + "Reminder\n" + rule + "Could not write Time.txt\n" + rule +
                         "Retry   Discard\n" + rule);
}

void WindowsTest::dialogBoxShowsItsTextAsItIs() {
    // A message names what the user typed: an account called "<b>bold" is not bold.
    DialogPresenter presenter;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        auto* text = box->findChild<QLabel*>("qt_msgbox_label");
        QVERIFY(text);
        QTextDocument document;
        if (text->textFormat() == Qt::RichText ||
            (text->textFormat() == Qt::AutoText && Qt::mightBeRichText(text->text())))
            document.setHtml(text->text());
        else
            document.setPlainText(text->text());
        shown = document.toPlainText();
        box->buttons().at(0)->click();
    });
    presenter.show(
        {"An account named \"<b>bold\" already exists.", "New Account", MessageIcon::Exclamation});
    QCOMPARE(shown, QStringLiteral("An account named \"<b>bold\" already exists."));
}

void WindowsTest::dialogEndedWithoutAButtonIsCancel_data() {
    QTest::addColumn<QList<Choice>>("choices"); // none: the file dialog
    QTest::addColumn<bool>("programEnds");      // or the box is closed without a button
    QTest::newRow("question, the program asked to end")
        << QList<Choice>{Choice::Cancel, Choice::Ok} << true;
    QTest::newRow("question without Cancel, the program asked to end")
        << QList<Choice>{Choice::Retry, Choice::Discard} << true;
    QTest::newRow("question closed without a button")
        << QList<Choice>{Choice::Cancel, Choice::Ok} << false;
    QTest::newRow("save dialog, the program asked to end") << QList<Choice>{} << true;
}

// SIGTERM, SIGHUP or a closed terminal end every event loop, those of open boxes too
// (shell/endrequests.cpp): a box ended so has had no answer, and must not count as OK.
void WindowsTest::dialogEndedWithoutAButtonIsCancel() {
    QFETCH(QList<Choice>, choices);
    QFETCH(bool, programEnds);
    DialogPresenter presenter;
    // Event loops started after the program was asked to end would end at once, in the
    // tests that follow too: a run of the application's own loop, ended at once, resets
    // that.
    const auto resetLoops = qScopeGuard([programEnds] {
        if (programEnds) {
            QTimer::singleShot(0, [] { QCoreApplication::quit(); });
            QCoreApplication::exec();
        }
    });
    bool open = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        open = box && box->isVisible();
        if (programEnds)
            QCoreApplication::exit(0);
        else if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->reject();
    });
    if (choices.isEmpty()) {
        QCOMPARE(presenter.chooseSaveFile({"Export the Income List", QDir::tempPath(), "Income.csv",
                                           "CSV files (*.csv)"}),
                 QString());
    } else {
        QCOMPARE(
            presenter.ask({"Replace the mark?", "Open Account", MessageIcon::Exclamation}, choices),
            Choice::Cancel);
    }
    QVERIFY(open);
}

// The save dialog hands back a file that is there without asking about replacing it:
// the program looks at the file first and asks only about one it may write.
void WindowsTest::saveDialogLeavesTheReplaceQuestionToTheProgram() {
    QTemporaryDir folder;
    QFile there(folder.filePath("Income.csv"));
    QVERIFY(there.open(QIODevice::WriteOnly) && there.write("mine") == 4);
    there.close();
    DialogPresenter presenter;
    bool askedItself = false;
    QTimer::singleShot(0, [&askedItself] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // Should the dialog ask, its box is ended, and then the dialog.
        QTimer::singleShot(100, [&askedItself, dialog] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                askedItself = true;
                box->reject();
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
        });
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen = presenter.chooseSaveFile(
        {"Export the Income List", folder.path(), "Income.csv", "CSV files (*.csv)"});
    QVERIFY(!askedItself);
    QCOMPARE(chosen, folder.filePath("Income.csv"));
}

void WindowsTest::pastedLineBreaksBecomeBlanks_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::newRow("line feed") << "Rent\nMarch"
                               << "Rent March";
    QTest::newRow("CR LF") << "Rent\r\nMarch"
                           << "Rent March";
    QTest::newRow("CR") << "Rent\rMarch"
                        << "Rent March";
    QTest::newRow("at the end, as copied from a list") << "Rent\r\n"
                                                       << "Rent ";
    QTest::newRow("several lines") << "a\n\nb\r\nc"
                                   << "a  b c";
    QTest::newRow("no break") << "Rent"
                              << "Rent";
}

void WindowsTest::pastedLineBreaksBecomeBlanks() {
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    auto& probe = fixture_->windows->get<ProbeWindow>();
    probe.box->clear();
    QTest::keyClicks(probe.box, "x");
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(probe.box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(probe.box->text(), "x" + kept);
    // The cursor stands after the pasted text, ready for the next key.
    QTest::keyClicks(probe.box, "!");
    QCOMPARE(probe.box->text(), "x" + kept + "!");
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void WindowsTest::longTextIsTakenWholeOrRefused_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("taken");
    // Beyond Qt's own limit of 32767 characters, which it cuts to without a word.
    QTest::newRow("100,000 characters") << 100000 << true;
    QTest::newRow("one more") << 100001 << false;
    QTest::newRow("ten million") << 10000000 << false;
}

void WindowsTest::longTextIsTakenWholeOrRefused() {
    QFETCH(int, length);
    QFETCH(bool, taken);
    auto& probe = fixture_->windows->get<ProbeWindow>();
    probe.box->clear();
    const QString pasted(length, 'x');
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(probe.box, Qt::Key_V, Qt::ControlModifier);
    if (taken) {
        QCOMPARE(probe.box->text(), pasted);
        QVERIFY(fixture_->messages.shown.isEmpty());
        return;
    }
    QCOMPARE(probe.box->text(), QString());
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message told = fixture_->messages.shown[0];
    QCOMPARE(told.title, QStringLiteral("Probe"));
    QCOMPARE(told.icon, MessageIcon::Exclamation);
    QVERIFY2(told.text.contains("100,000") && told.text.contains("Nothing was added"),
             qPrintable(told.text));
}

QTEST_MAIN(WindowsTest)
#include "test_windows.moc"
