#include "shell/contentswindow.h"
#include "shell/mainwindow.h"
#include "support/appfixture.h"
#include "support/focus.h"

#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

class ContentsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { fixture_ = std::make_unique<AppFixture>(); }
    void cleanup() {
        fixture_.reset();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
    void buttonOpensExactlyItsWindowOnce_data();
    void buttonOpensExactlyItsWindowOnce();
    void focusOrder();

private:
    int framesNamed(const QString& name) {
        int count = 0;
        for (QMdiSubWindow* frame : fixture_->windows->mainWindow().mdiArea()->subWindowList())
            count += frame->widget() && frame->widget()->objectName() == name;
        return count;
    }
    std::unique_ptr<AppFixture> fixture_;
};

void ContentsTest::buttonOpensExactlyItsWindowOnce_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("tip");
    QTest::newRow("new account") << "Command8"
                                 << "Form10"
                                 << "New Account";
    QTest::newRow("open account") << "Command9"
                                  << "Form12"
                                  << "Open Account";
    QTest::newRow("entry form") << "Command1"
                                << "Form9"
                                << "Entry Form";
    QTest::newRow("interest") << "Command4"
                              << "Form16"
                              << "Interest";
    QTest::newRow("income") << "Command2"
                            << "Form5"
                            << "Income";
    QTest::newRow("expense") << "Command3"
                             << "Form6"
                             << "Expense";
    QTest::newRow("reminders") << "Command5"
                               << "Form4"
                               << "Reminders";
    QTest::newRow("balance") << "Command7"
                             << "Form8"
                             << "Balance";
    QTest::newRow("update") << "com1"
                            << "Form7"
                            << "";
    QTest::newRow("about") << "Command10"
                           << "Form17"
                           << "";
}

void ContentsTest::buttonOpensExactlyItsWindowOnce() {
    QFETCH(QString, button);
    QFETCH(QString, window);
    QFETCH(QString, tip);
    auto& contents = fixture_->windows->show<ContentsWindow>();
    auto* control = contents.findChild<QPushButton*>(button);
    QVERIFY(control);
    QCOMPARE(control->toolTip(), tip);
    QCOMPARE(control->icon().isNull(), tip.isEmpty());
    // The face is white around its picture or caption.
    const QImage face = control->grab().toImage();
    QCOMPARE(face.pixelColor(3, 3), QColor(Qt::white));
    QCOMPARE(face.pixelColor(face.width() - 4, face.height() - 4), QColor(Qt::white));
    QCOMPARE(framesNamed(window), 0);
    QTest::mouseClick(control, Qt::LeftButton);
    QCOMPARE(framesNamed(window), 1);
    QTest::mouseClick(contents.findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(framesNamed(window), 1);
    QCOMPARE(fixture_->windows->mainWindow().mdiArea()->activeSubWindow()->widget()->objectName(),
             window);
    QVERIFY(fixture_->windows->find<ContentsWindow>());
}

void ContentsTest::focusOrder() {
    auto& contents = fixture_->windows->show<ContentsWindow>();
    QCOMPARE(contents.windowTitle(), QString(34, ' ') + "Contents");
    QCOMPARE(test::focusOrder(*fixture_->windows, contents, 10),
             (QStringList{"Command1", "Command2", "Command3", "Command4", "Command5", "Command7",
                          "Command8", "Command9", "Command10", "com1"}));
}

QTEST_MAIN(ContentsTest)
#include "test_contents.moc"
