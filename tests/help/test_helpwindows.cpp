#include "framework/picturelabel.h"
#include "framework/webview.h"
#include "help/aboutwindow.h"
#include "help/homepagewindow.h"
#include "help/updatewindow.h"
#include "help/webaddresses.h"
#include "interest/interestwindow.h"
#include "shell/mainwindow.h"
#include "support/appfixture.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

using namespace kesterly;
using namespace kesterly::test;

namespace {

// Notes each navigation with the window it belongs to, instead of loading anything.
class RecordingWebView final : public WebView {
public:
    RecordingWebView(QWidget* parent, QStringList& log) : WebView(parent), log_(log) {}
    void navigate(const QString& address) override {
        log_ << parentWidget()->objectName() + " " + address;
    }

private:
    QStringList& log_;
};

// A view whose page widget is made when it first loads, later than the window's other
// controls, and keeps Tab to walk its links: as the browser engine's view does.
class LatePageView final : public WebView {
public:
    using WebView::WebView;
    void navigate(const QString&) override {
        if (page_)
            return;
        page_ = new QTextBrowser(this);
        page_->setGeometry(rect());
        page_->setHtml(QStringLiteral("<a href='a'>one</a> <a href='b'>two</a>"));
        setPageWidget(page_);
        page_->show();
    }
    QTextBrowser* page() const { return page_; }

private:
    QTextBrowser* page_ = nullptr;
};

} // namespace

class HelpWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aboutLayout();
    void aboutCloseClosesOnlyAbout();
    void menuCommandsOpenOneWindowEach_data();
    void menuCommandsOpenOneWindowEach();
    void helpStepLoadsThePageThenTellsTheUser();
    void helpStepAgainDoesNotReload();
    void homePageLoadsAgainOnlyAfterClosing();
    void updateLayout();
    void checkForUpdateNavigatesAtEachClick();
    void linkOpensHomePageWithoutMessage();
    void tabLeavesThePageForTheLink();
    void plainViewShowsTheHelpPageAndNamesOtherAddresses();

private:
    Windows& windows() { return *fixture_->windows; }
    void trigger(const char* command);
    std::unique_ptr<AppFixture> fixture_;
    QStringList navigations_;
};

void HelpWindowsTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    navigations_.clear();
    windows().setWebViewFactory(
        [this](QWidget* parent) { return new RecordingWebView(parent, navigations_); });
}

void HelpWindowsTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void HelpWindowsTest::trigger(const char* command) {
    QAction* action = windows().mainWindow().command(command);
    QVERIFY2(action, command);
    QVERIFY2(action->isEnabled(), command);
    action->trigger();
}

void HelpWindowsTest::aboutLayout() {
    auto& about = windows().show<AboutWindow>();
    QCOMPARE(about.objectName(), QStringLiteral("Form17"));
    QCOMPARE(about.windowTitle(), QString(104, ' ') + "About");
    QCOMPARE(about.size(), twipsSize(10560, 7824));
    QCOMPARE(about.palette().color(QPalette::Window), QColor(Qt::white));

    auto* picture = about.findChild<PictureLabel*>("Image1");
    QCOMPARE(picture->geometry(), twipsRect(0, 360, 10800, 6000));
    // At 1x the picture's own 720 × 400 pixels fill the 10800 × 6000 twips of the image.
    const QPixmap pixmap = picture->shownPixmap();
    QCOMPARE(pixmap.size(), QSize(720, 400));
    QCOMPARE(pixmap.deviceIndependentSize().toSize(), twipsSize(10800, 6000));

    auto* heading = about.findChild<QLabel*>("Label1");
    QCOMPARE(heading->text(), QStringLiteral("Created By :"));
    QCOMPARE(heading->font().families().value(0), QStringLiteral("Agency FB"));
    QCOMPARE(heading->font().pointSizeF(), 18.0);
    QVERIFY(about.findChild<QLabel*>("Label2")->text().startsWith("Developer : "));
    QVERIFY(about.findChild<QLabel*>("Label3")->text().startsWith("   E-Mail          : "));
    auto* frame = about.findChild<QGroupBox*>("Frame1");
    QCOMPARE(frame->title(), QStringLiteral("Feedback"));
    QCOMPARE(frame->geometry(), twipsRect(7920, 6600, 2412, 972));
    auto* note = frame->findChild<QLabel*>("Label4");
    QCOMPARE(note->text(), QStringLiteral("Your feedback is always welcome"));
    QCOMPARE(note->geometry(), twipsRect(120, 240, 2172, 492));
    QCOMPARE(about.findChild<QPushButton*>("Command1")->text(), QStringLiteral("Close"));
}

void HelpWindowsTest::aboutCloseClosesOnlyAbout() {
    windows().show<InterestWindow>();
    windows().show<UpdateWindow>();
    auto& about = windows().show<AboutWindow>();
    windows().mainWindow().show();
    QTest::mouseClick(about.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(!windows().find<AboutWindow>());
    QVERIFY(windows().find<InterestWindow>());
    QVERIFY(windows().find<UpdateWindow>());
    QVERIFY(windows().mainWindow().isVisible());
    // It opens afresh.
    trigger("cmdabout");
    QVERIFY(windows().find<AboutWindow>());
}

void HelpWindowsTest::menuCommandsOpenOneWindowEach_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QKeySequence>("shortcut");

    QTest::newRow("About") << "cmdabout"
                           << "Form17" << QKeySequence(Qt::Key_F7);
    QTest::newRow("Update") << "cmdup"
                            << "Form7" << QKeySequence(Qt::Key_F6);
    QTest::newRow("For Help Visit") << "cmdfhv"
                                    << "Form18" << QKeySequence(Qt::Key_F5);
}

void HelpWindowsTest::menuCommandsOpenOneWindowEach() {
    QFETCH(QString, command);
    QFETCH(QString, window);
    QFETCH(QKeySequence, shortcut);

    QCOMPARE(windows().mainWindow().command(command)->shortcut(), shortcut);
    const auto before = windows().mainWindow().findChildren<ChildWindow*>().size();
    trigger(qPrintable(command));
    trigger(qPrintable(command));
    const auto opened = windows().mainWindow().findChildren<ChildWindow*>(window);
    QCOMPARE(opened.size(), 1);
    // Nothing else opened besides it.
    QCOMPARE(windows().mainWindow().findChildren<ChildWindow*>().size(), before + 1);
}

void HelpWindowsTest::helpStepLoadsThePageThenTellsTheUser() {
    QStringList seenWhileOpen;
    fixture_->messages.whileOpen = [&](const Message&) {
        QVERIFY(windows().find<HomePageWindow>());
        seenWhileOpen = navigations_;
    };
    trigger("cmdfhv");
    const QStringList home{"Form18 " + web::homePageAddress()};
    QCOMPARE(seenWhileOpen, home);
    QCOMPARE(fixture_->messages.shown, (QList<Message>{{"Please be patient while page is loading",
                                                        "Patient", MessageIcon::Information}}));
    auto* browser = windows().find<HomePageWindow>()->findChild<WebView*>("wb1");
    QVERIFY(browser);
    QCOMPARE(browser->geometry(), twipsRect(0, 0, 12492, 8052));
    QCOMPARE(windows().find<HomePageWindow>()->windowTitle(), QStringLiteral(" Velquist - Home"));
    QCOMPARE(windows().find<HomePageWindow>()->size(), twipsSize(12468, 8052));
}

void HelpWindowsTest::helpStepAgainDoesNotReload() {
    trigger("cmdfhv");
    HomePageWindow* page = windows().find<HomePageWindow>();
    windows().show<AboutWindow>();
    trigger("cmdfhv");
    QCOMPARE(windows().find<HomePageWindow>(), page);
    QCOMPARE(navigations_, QStringList{"Form18 " + web::homePageAddress()});
    QCOMPARE(fixture_->messages.shown.size(), 2);
    QCOMPARE(fixture_->messages.shown.last().text,
             QStringLiteral("Please be patient while page is loading"));
}

void HelpWindowsTest::homePageLoadsAgainOnlyAfterClosing() {
    windows().show<HomePageWindow>();
    windows().show<HomePageWindow>();
    QCOMPARE(navigations_.size(), 1);
    QVERIFY(windows().find<HomePageWindow>()->closeWindow());
    windows().show<HomePageWindow>();
    QCOMPARE(navigations_.size(), 2);
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void HelpWindowsTest::updateLayout() {
    auto& update = windows().show<UpdateWindow>();
    QCOMPARE(update.objectName(), QStringLiteral("Form7"));
    QCOMPARE(update.windowTitle(), QString(91, ' ') + "Update");
    QCOMPARE(update.size(), twipsSize(9384, 7740));
    QCOMPARE(update.findChild<QPushButton*>("Command1")->text(),
             QStringLiteral("Check For Update"));
    QCOMPARE(update.findChild<WebView*>("wb1")->geometry(), twipsRect(120, 1200, 9132, 5652));
    auto* note = update.findChild<QLabel*>("Label2");
    QCOMPARE(note->text(), QStringLiteral(" If Update is available then Visit :"));
    QCOMPARE(note->font().pointSizeF(), 12.0);
    auto* link = update.findChild<QLabel*>("Label1");
    QCOMPARE(link->text(), " " + web::homePageAddress());
    QCOMPARE(link->geometry(), twipsRect(5046, 7200, 2652, 372));
    QVERIFY(link->font().underline());
    // The pointing hand, with its fingertip as the hot spot.
    QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(link->cursor().hotSpot(), QPoint(12, 1));
    QCOMPARE(link->cursor().pixmap().size(), QSize(32, 32));
    // Nothing is loaded until the user asks.
    QVERIFY(navigations_.isEmpty());
}

void HelpWindowsTest::checkForUpdateNavigatesAtEachClick() {
    trigger("cmdup");
    auto* check = windows().find<UpdateWindow>()->findChild<QPushButton*>("Command1");
    QStringList seenWhileOpen;
    fixture_->messages.whileOpen = [&](const Message&) { seenWhileOpen = navigations_; };
    QTest::mouseClick(check, Qt::LeftButton);
    const QString update = "Form7 " + web::updateAddress();
    QCOMPARE(seenWhileOpen, QStringList{update});
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(navigations_, (QStringList{update, update}));
    const Message patient{"Please be patient While Processing", "Patient",
                          MessageIcon::Information};
    QCOMPARE(fixture_->messages.shown, (QList<Message>{patient, patient}));
    QVERIFY(!windows().find<HomePageWindow>());
}

void HelpWindowsTest::linkOpensHomePageWithoutMessage() {
    auto& update = windows().show<UpdateWindow>();
    auto* link = update.findChild<QLabel*>("Label1");
    QTest::mouseClick(link, Qt::LeftButton);
    QVERIFY(windows().find<HomePageWindow>());
    QCOMPARE(navigations_, QStringList{"Form18 " + web::homePageAddress()});
    QVERIFY(fixture_->messages.shown.isEmpty());
    // Again, with the keyboard: the page is brought to the front, not reloaded.
    windows().show<UpdateWindow>();
    QTest::keyClick(link, Qt::Key_Return);
    QCOMPARE(navigations_.size(), 1);
    QCOMPARE(windows().mainWindow().findChildren<HomePageWindow*>().size(), 1);
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void HelpWindowsTest::tabLeavesThePageForTheLink() {
    LatePageView* view = nullptr;
    windows().setWebViewFactory(
        [&view](QWidget* parent) { return view = new LatePageView(parent); });
    windows().mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&windows().mainWindow()));
    auto& update = windows().show<UpdateWindow>();
    auto* check = update.findChild<QPushButton*>("Command1");
    auto* link = update.findChild<QLabel*>("Label1");
    QVERIFY(view && check && link);
    QTest::mouseClick(check, Qt::LeftButton); // loads the page: its widget is made now
    QVERIFY(view->page());
    fixture_->messages.shown.clear();

    const auto focusAfter = [](QWidget* from, Qt::Key key) {
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        return QApplication::focusWidget();
    };
    QCOMPARE(focusAfter(check, Qt::Key_Tab), view->page());
    QCOMPARE(focusAfter(view->page(), Qt::Key_Tab), link);
    QCOMPARE(focusAfter(view->page(), Qt::Key_Backtab), check);
    QCOMPARE(focusAfter(link, Qt::Key_Backtab), view->page());
    // Return on the link, reached by Tab, opens the home page.
    QTest::keyClick(focusAfter(view->page(), Qt::Key_Tab), Qt::Key_Return);
    QVERIFY(windows().find<HomePageWindow>());
}

void HelpWindowsTest::plainViewShowsTheHelpPageAndNamesOtherAddresses() {
    QWidget holder;
    WebView* view = createWebView(&holder, {QStringLiteral("/nonexistent/kesterly_webengine.so")});
    auto* page = view->findChild<QTextBrowser*>();
    QVERIFY(page);
    view->serve(web::homePageAddress(), web::homePage());
    view->navigate(web::homePageAddress());
    QVERIFY2(page->toPlainText().contains("Kesterly help"), qPrintable(page->toPlainText()));
    QVERIFY(page->toPlainText().contains("Getting started"));
    view->navigate(web::updateAddress());
    QVERIFY(page->toPlainText().contains(web::updateAddress()));
    QVERIFY(page->toHtml().contains("href=\"" + web::updateAddress() + "\""));
}

QTEST_MAIN(HelpWindowsTest)
#include "test_helpwindows.moc"
