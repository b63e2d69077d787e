#include "shell/commandline.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTextStream>

using kesterly::answerCommandLine;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void argumentsAreAnswered_data();
    void argumentsAreAnswered();
    void theProgramAnswersWithoutADisplay_data();
    void theProgramAnswersWithoutADisplay();
};

void CommandLineTest::initTestCase() {
    QCoreApplication::setApplicationName(QStringLiteral("Kesterly"));
    QCoreApplication::setApplicationVersion(QStringLiteral("4.5.6"));
}

void CommandLineTest::argumentsAreAnswered_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the program goes on
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const int goesOn = -1;
    QTest::newRow("nothing") << QStringList{} << goesOn << ""
                             << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: kesterly [options]"
                            << "";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "--version"
                        << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Kesterly 4.5.6\n"
                               << "";
    QTest::newRow("-v") << QStringList{"-v"} << 0 << "Kesterly 4.5.6\n"
                        << "";
    QTest::newRow("help before an unknown option is still an error")
        << QStringList{"--help", "--frobnicate"} << 2 << ""
        << "Unknown option 'frobnicate'";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << ""
                                    << "kesterly: Unknown option 'frobnicate'";
    QTest::newRow("a file name") << QStringList{"Household"} << 2 << ""
                                 << "Unexpected argument \"Household\"";
    QTest::newRow("Qt's platform option") << QStringList{"-platform", "offscreen"} << goesOn << ""
                                          << "";
    QTest::newRow("Qt's option with =") << QStringList{"--platform=xcb"} << goesOn << ""
                                        << "";
    QTest::newRow("Qt's style and reverse")
        << QStringList{"-style", "Fusion", "-reverse"} << goesOn << ""
        << "";
    QTest::newRow("Qt's option without its value") << QStringList{"-platform"} << 2 << ""
                                                   << "Missing value after '-platform'";
}

void CommandLineTest::argumentsAreAnswered() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QString outText, errText;
    QTextStream outStream(&outText), errStream(&errText);
    const auto answer = answerCommandLine(
        QStringList{QStringLiteral("/usr/bin/kesterly")} + arguments, outStream, errStream);
    QCOMPARE(answer.exitCode.value_or(-1), exitCode);
    if (out.isEmpty())
        QCOMPARE(outText, QString());
    else
        QVERIFY2(outText.contains(out), qPrintable(outText));
    if (err.isEmpty())
        QCOMPARE(errText, QString());
    else
        QVERIFY2(errText.contains(err), qPrintable(errText));
    // Qt's own options are taken, not offered.
    QVERIFY2(!outText.contains(QStringLiteral("platform")), qPrintable(outText));
}

void CommandLineTest::theProgramAnswersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << QByteArray("Kesterly " KESTERLY_VERSION "\n");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << QByteArray("Usage: ");
    QTest::newRow("unknown option") << QStringList{"--nope"} << 2 << QByteArray();
}

// The real program, with no display to open and no platform chosen: an answer that needs
// the GUI application would abort here.
void CommandLineTest::theProgramAnswersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTERLY_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QByteArray stdoutText = program.readAllStandardOutput();
    if (out.isEmpty())
        QCOMPARE(stdoutText, QByteArray());
    else
        QVERIFY2(stdoutText.startsWith(out), stdoutText.constData());
    if (exitCode != 0)
        QVERIFY(!program.readAllStandardError().isEmpty());
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
