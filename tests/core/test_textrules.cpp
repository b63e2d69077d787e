#include "core/textrules.h"

#include <QTest>

using namespace kesterly;

class TextRulesTest : public QObject {
    Q_OBJECT
private slots:
    void joinLines_data();
    void joinLines();
};

void TextRulesTest::joinLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<int>("movedCursor");
    QTest::newRow("no break") << "Rent" << 4 << "Rent" << 4;
    QTest::newRow("line feed") << "Rent\nMarch" << 10 << "Rent March" << 10;
    QTest::newRow("CR LF is one blank") << "Rent\r\nMarch" << 11 << "Rent March" << 10;
    QTest::newRow("cursor before the break") << "Rent\r\nMarch" << 2 << "Rent March" << 2;
    QTest::newRow("lone CR") << "a\rb" << 3 << "a b" << 3;
    QTest::newRow("LF CR is two blanks") << "a\n\rb" << 4 << "a  b" << 4;
    QTest::newRow("two CR LF") << "a\r\n\r\nb" << 6 << "a  b" << 4;
}

void TextRulesTest::joinLines() {
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(QString, joined);
    QFETCH(int, movedCursor);
    QCOMPARE(text::joinLines(text, &cursor), joined);
    QCOMPARE(cursor, movedCursor);
}

QTEST_APPLESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
