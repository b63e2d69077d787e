#include "ledger/balancewindow.h"
#include "ledgeraccount.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

class BalanceWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(QApplication::topLevelWidgets().size(), 0); }
    void layout();
    void showsTheStoredBalance_data();
    void showsTheStoredBalance();
};

void BalanceWindowTest::layout() {
    AppFixture fixture;
    auto& window = fixture.windows->show<BalanceWindow>();
    QCOMPARE(window.objectName(), QStringLiteral("Form8"));
    QCOMPARE(window.windowTitle(), QString(32, ' ') + "Balance");
    QCOMPARE(window.size(), twipsSize(3624, 1332));
    QCOMPARE(window.findChild<QLabel*>("Label2")->text(), QStringLiteral("Your Balance :"));
    QCOMPARE(window.findChild<QLabel*>("Label1")->geometry(), twipsRect(366, 600, 2892, 492));
    QVERIFY(window.holdsAccountData());
}

void BalanceWindowTest::showsTheStoredBalance_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no account") << "" << QByteArray() << "0.00";
    QTest::newRow("no balance file") << "Household" << QByteArray("<none>") << "0.00";
    QTest::newRow("file without content") << "Household" << QByteArray("") << "0.00";
    QTest::newRow("500.00") << "Household" << QByteArray("500.00\r\n") << "500";
    QTest::newRow("blank first line") << "Household" << QByteArray("\r\n7\r\n") << "";
    QTest::newRow("letters") << "Household" << QByteArray("abc") << "abc";
}

void BalanceWindowTest::showsTheStoredBalance() {
    QFETCH(QString, account);
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    AppFixture fixture;
    if (!account.isEmpty()) {
        const QString folder = writeAccount(fixture, account, stored);
        if (stored == "<none>")
            QVERIFY(QFile::remove(folder + "/OpeningBalance.txt"));
        openAccount(fixture, folder);
    }
    const QByteArray before = snapshot(fixture.root());
    auto& window = fixture.windows->show<BalanceWindow>();
    QCOMPARE(window.balanceText(), shown);
    QVERIFY(fixture.messages.shown.isEmpty());
    QVERIFY(window.closeWindow());
    QCOMPARE(snapshot(fixture.root()), before);
}

QTEST_MAIN(BalanceWindowTest)
#include "test_balancewindow.moc"
