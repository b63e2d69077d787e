#include "interest/interestwindow.h"
#include "shell/mainwindow.h"
#include "support/appfixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

class InterestWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAndFonts();
    void focusOrder();
    void calcInBothModes();
    void onlyCalcChangesTheResult();
    void typedResultIsReplaced();
    void unreadableBoxKeepsResultAndNamesTheBox_data();
    void unreadableBoxKeepsResultAndNamesTheBox();
    void outOfRangeKeepsResult();
    void optionsAreOneGroup();
    void reopeningStartsAfresh();
    void menuCommandOpensOneWindow();

private:
    InterestWindow& open() { return fixture_->windows->show<InterestWindow>(); }
    QLineEdit* box(const char* name) { return open().findChild<QLineEdit*>(name); }
    QRadioButton* option(const char* name) { return open().findChild<QRadioButton*>(name); }
    void setBox(const char* name, const QString& text);
    void clickCalc();
    std::unique_ptr<AppFixture> fixture_;
};

void InterestWindowTest::init() {
    fixture_ = std::make_unique<AppFixture>();
}

void InterestWindowTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void InterestWindowTest::setBox(const char* name, const QString& text) {
    QLineEdit* edit = box(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void InterestWindowTest::clickCalc() {
    QTest::mouseClick(open().findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

void InterestWindowTest::layoutAndFonts() {
    auto& window = open();
    QCOMPARE(window.objectName(), QStringLiteral("Form16"));
    QCOMPARE(window.windowTitle(), QString(70, ' ') + "Interest");
    QCOMPARE(window.size(), twipsSize(7236, 5388));

    struct Control {
        const char* name;
        QString text;
        QRect place;
        double points;
    };
    const QList<Control> labels{
        {"Label4", "Amount :", twipsRect(1080, 360, 1572, 492), 19.8},
        {"Label1", "Month :", twipsRect(1320, 1080, 1332, 492), 19.8},
        {"Label2", "% / Paise :", twipsRect(156, 1800, 2736, 492), 19.8},
        {"Label3", "Due Amount :", twipsRect(240, 4080, 2412, 492), 19.8},
    };
    for (const Control& control : labels) {
        auto* label = window.findChild<QLabel*>(control.name);
        QVERIFY2(label, control.name);
        QCOMPARE(label->text(), control.text);
        QCOMPARE(label->geometry(), control.place);
        QCOMPARE(label->font().pointSizeF(), control.points);
        QCOMPARE(label->font().families().value(0), QStringLiteral("Arial"));
        QCOMPARE(label->font().weight(), QFont::Normal);
        QVERIFY(!label->font().bold() && !label->font().italic() && !label->font().underline());
    }
    const QList<Control> boxes{
        {"Text4", "100", twipsRect(3000, 360, 3012, 540), 18},
        {"Text1", "1", twipsRect(3000, 1080, 3012, 492), 18},
        {"Text2", "1.50", twipsRect(3000, 1800, 3012, 492), 18},
        {"Text3", "", twipsRect(3000, 4080, 3012, 492), 18},
    };
    for (const Control& control : boxes) {
        QLineEdit* edit = box(control.name);
        QVERIFY2(edit, control.name);
        QCOMPARE(edit->text(), control.text);
        QCOMPARE(edit->geometry(), control.place);
        QCOMPARE(edit->font().pointSizeF(), control.points);
        QCOMPARE(edit->font().families().value(0), QStringLiteral("Arial"));
        QVERIFY(!edit->isReadOnly());
    }
    QCOMPARE(option("Option1")->text(), QStringLiteral("Percentage"));
    QCOMPARE(option("Option1")->geometry(), twipsRect(3000, 2640, 1212, 372));
    QCOMPARE(option("Option2")->text(), QStringLiteral("Paise"));
    QCOMPARE(option("Option2")->geometry(), twipsRect(4680, 2640, 1212, 372));
    QVERIFY(option("Option1")->isChecked());
    QVERIFY(!option("Option2")->isChecked());
    auto* calc = window.findChild<QPushButton*>("Command1");
    QCOMPARE(calc->text(), QStringLiteral("Calc"));
    QCOMPARE(calc->geometry(), twipsRect(3840, 3240, 1332, 492));
}

void InterestWindowTest::focusOrder() {
    auto& window = open();
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->windows->mainWindow()));
    QTRY_COMPARE(QApplication::focusWidget(), box("Text1"));
    const QList<QWidget*> order{box("Text2"), box("Text3"),
                                window.findChild<QPushButton*>("Command1"), box("Text4"),
                                option("Option1")};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void InterestWindowTest::calcInBothModes() {
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("0.12495"));
    QTest::mouseClick(option("Option2"), Qt::LeftButton);
    QVERIFY(option("Option2")->isChecked());
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("15"));

    setBox("Text4", "500");
    setBox("Text1", "12");
    setBox("Text2", "1.2");
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("720"));
    QTest::mouseClick(option("Option1"), Qt::LeftButton);
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("5.9976"));

    setBox("Text1", "0");
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("0"));
    QVERIFY(fixture_->messages.shown.isEmpty());
}

void InterestWindowTest::onlyCalcChangesTheResult() {
    clickCalc();
    setBox("Text4", "250");
    QTest::mouseClick(option("Option2"), Qt::LeftButton);
    setBox("Text2", "2");
    QCOMPARE(box("Text3")->text(), QStringLiteral("0.12495"));
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("50"));
}

void InterestWindowTest::typedResultIsReplaced() {
    setBox("Text3", "my own note");
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("0.12495"));
}

void InterestWindowTest::unreadableBoxKeepsResultAndNamesTheBox_data() {
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");

    QTest::newRow("empty amount") << "Text4"
                                  << ""
                                  << "Amount box";
    QTest::newRow("letters in amount") << "Text4"
                                       << "hundred"
                                       << "Amount box";
    QTest::newRow("empty month") << "Text1"
                                 << ""
                                 << "Month box";
    QTest::newRow("empty rate") << "Text2"
                                << ""
                                << "% / Paise box";
    QTest::newRow("rate with percent sign") << "Text2"
                                            << "1.5%"
                                            << "% / Paise box";
}

void InterestWindowTest::unreadableBoxKeepsResultAndNamesTheBox() {
    QFETCH(QString, boxName);
    QFETCH(QString, text);
    QFETCH(QString, named);

    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("0.12495"));
    setBox(qPrintable(boxName), text);
    fixture_->messages.whileOpen = [&](const Message&) {
        QCOMPARE(box("Text3")->text(), QStringLiteral("0.12495"));
    };
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("0.12495"));
    QCOMPARE(fixture_->messages.shown.size(), 1);
    const Message& message = fixture_->messages.shown.first();
    QVERIFY2(message.text.contains(named), qPrintable(message.text));
    QCOMPARE(message.title, QStringLiteral("Interest"));
    QCOMPARE(message.icon, MessageIcon::Exclamation);
}

void InterestWindowTest::outOfRangeKeepsResult() {
    setBox("Text3", "kept");
    setBox("Text4", "1E300");
    setBox("Text2", "1E10");
    clickCalc();
    QCOMPARE(box("Text3")->text(), QStringLiteral("kept"));
    QCOMPARE(fixture_->messages.shown.size(), 1);
    QVERIFY(fixture_->messages.shown.first().text.contains("out of range"));
}

void InterestWindowTest::optionsAreOneGroup() {
    QTest::mouseClick(option("Option2"), Qt::LeftButton);
    QVERIFY(option("Option2")->isChecked());
    QVERIFY(!option("Option1")->isChecked());
    QTest::mouseClick(option("Option1"), Qt::LeftButton);
    QVERIFY(option("Option1")->isChecked());
    QVERIFY(!option("Option2")->isChecked());
}

void InterestWindowTest::reopeningStartsAfresh() {
    setBox("Text4", "900");
    setBox("Text1", "3");
    setBox("Text2", "2");
    QTest::mouseClick(option("Option2"), Qt::LeftButton);
    clickCalc();
    // Bringing it to the front keeps everything.
    fixture_->windows->show<InterestWindow>();
    QCOMPARE(box("Text4")->text(), QStringLiteral("900"));
    QCOMPARE(box("Text3")->text(), QStringLiteral("540"));

    QVERIFY(open().closeWindow());
    QVERIFY(!fixture_->windows->find<InterestWindow>());
    QCOMPARE(box("Text4")->text(), QStringLiteral("100"));
    QCOMPARE(box("Text1")->text(), QStringLiteral("1"));
    QCOMPARE(box("Text2")->text(), QStringLiteral("1.50"));
    QCOMPARE(box("Text3")->text(), QString());
    QVERIFY(option("Option1")->isChecked());
    QVERIFY(!option("Option2")->isChecked());
}

void InterestWindowTest::menuCommandOpensOneWindow() {
    MainFrame& main = fixture_->windows->mainWindow();
    main.setViewMenuEnabled(true);
    QAction* command = main.command("cmdinterest");
    QVERIFY(command && command->isEnabled());
    QCOMPARE(command->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    command->trigger();
    InterestWindow* window = fixture_->windows->find<InterestWindow>();
    QVERIFY(window);
    window->findChild<QLineEdit*>("Text4")->setText("42");
    command->trigger();
    QCOMPARE(fixture_->windows->find<InterestWindow>(), window);
    QCOMPARE(window->findChild<QLineEdit*>("Text4")->text(), QStringLiteral("42"));
    int frames = 0;
    for (QMdiSubWindow* frame : main.mdiArea()->subWindowList())
        frames += frame->widget() == window;
    QCOMPARE(frames, 1);
}

QTEST_MAIN(InterestWindowTest)
#include "test_interestwindow.moc"
