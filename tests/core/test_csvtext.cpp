#include "core/csvtext.h"

#include <QTest>

using namespace kesterly;

namespace {

const QStringList kHeader = {"Date", "Description", "Amount", "Balance"};
const QByteArray kStart = "\xEF\xBB\xBF"
                          "Date,Description,Amount,Balance\r\n";

} // namespace

class CsvTextTest : public QObject {
    Q_OBJECT
private slots:
    void oneRecord_data();
    void oneRecord();
    void wholeDocument_data();
    void wholeDocument();
};

// One row of four texts, and the record it becomes after the header.
void CsvTextTest::oneRecord_data() {
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QByteArray>("record");

    QTest::newRow("plain texts stay unquoted")
        << QStringList{"12/24/2026", "Rent", "450.00", "1050"}
        << QByteArray("12/24/2026,Rent,450.00,1050\r\n");
    QTest::newRow("comma") << QStringList{"1", "Bread, milk", "2", "3"}
                           << QByteArray("1,\"Bread, milk\",2,3\r\n");
    QTest::newRow("quotes are doubled") << QStringList{"1", "The \"best\" shop", "2", "3"}
                                        << QByteArray("1,\"The \"\"best\"\" shop\",2,3\r\n");
    QTest::newRow("only a quote") << QStringList{"1", "\"", "2", "3"}
                                  << QByteArray("1,\"\"\"\",2,3\r\n");
    QTest::newRow("CR") << QStringList{"1", "a\rb", "2", "3"} << QByteArray("1,\"a\rb\",2,3\r\n");
    QTest::newRow("LF") << QStringList{"1", "a\nb", "2", "3"} << QByteArray("1,\"a\nb\",2,3\r\n");
    QTest::newRow("CR LF") << QStringList{"1", "a\r\nb", "2", "3"}
                           << QByteArray("1,\"a\r\nb\",2,3\r\n");
    QTest::newRow("German amount with a decimal comma")
        << QStringList{"24.12.2026", "Miete", "1.234,50", "-734,5"}
        << QByteArray("24.12.2026,Miete,\"1.234,50\",\"-734,5\"\r\n");
    QTest::newRow("empty fields") << QStringList{"", "Gift", "", ""} << QByteArray(",Gift,,\r\n");
    QTest::newRow("blanks are kept")
        << QStringList{" 1 ", "a  b ", "2", "3"} << QByteArray(" 1 ,a  b ,2,3\r\n");
    QTest::newRow("accented letters are UTF-8")
        << QStringList{"1", QStringLiteral("Caf\u00E9 \"Zum L\u00F6wen\", Berlin"), "2", "3"}
        << QByteArray("1,\"Caf\xC3\xA9 \"\"Zum L\xC3\xB6wen\"\", Berlin\",2,3\r\n");
    QTest::newRow("characters beyond Latin-1 are UTF-8")
        << QStringList{"1", QStringLiteral("\u20AC 5 \u5BB6\U0001F600"), "2", "3"}
        << QByteArray("1,\xE2\x82\xAC 5 \xE5\xAE\xB6\xF0\x9F\x98\x80,2,3\r\n");

    // Numbers stay as typed; other texts a spreadsheet would run get an apostrophe.
    QTest::newRow("negative amount")
        << QStringList{"1", "Refund", "-50", "-250.5"} << QByteArray("1,Refund,-50,-250.5\r\n");
    QTest::newRow("signed numbers with separators and exponent")
        << QStringList{"+3", "x", "-1 234.5", "-1E5"} << QByteArray("+3,x,-1 234.5,-1E5\r\n");
    QTest::newRow("formula") << QStringList{"1", "=SUM(A1:A9)", "2", "3"}
                             << QByteArray("1,'=SUM(A1:A9),2,3\r\n");
    QTest::newRow("formula with a comma is quoted after the apostrophe")
        << QStringList{"1", "=HYPERLINK(\"http://x\",\"y\")", "2", "3"}
        << QByteArray("1,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",2,3\r\n");
    QTest::newRow("sign before a sum")
        << QStringList{"1", "-1+2", "+A1", "3"} << QByteArray("1,'-1+2,'+A1,3\r\n");
    QTest::newRow("at sign and a lone minus")
        << QStringList{"@now", "-", "2", "3"} << QByteArray("'@now,'-,2,3\r\n");
    QTest::newRow("sign and exponent without digits")
        << QStringList{"-E5", "1e", "2", "3"} << QByteArray("'-E5,1e,2,3\r\n");
    QTest::newRow("tab first") << QStringList{"1", "\tx", "2", "3"} << QByteArray("1,'\tx,2,3\r\n");
    QTest::newRow("formula sign later in the text stays")
        << QStringList{"1", "Tea = 2 @ shop", "2", "3"} << QByteArray("1,Tea = 2 @ shop,2,3\r\n");
}

void CsvTextTest::oneRecord() {
    QFETCH(QStringList, row);
    QFETCH(QByteArray, record);
    QList<QStringList> columns;
    for (const QString& text : row)
        columns << QStringList{text};
    QCOMPARE(csv::document(kHeader, columns), kStart + record);
}

// Whole tables: the byte order mark and header, empty rows, uneven columns.
void CsvTextTest::wholeDocument_data() {
    QTest::addColumn<QList<QStringList>>("columns");
    QTest::addColumn<QByteArray>("records");

    QTest::newRow("no rows") << QList<QStringList>{{}, {}, {}, {}} << QByteArray();
    QTest::newRow("a new account's one empty row")
        << QList<QStringList>{{""}, {""}, {""}, {""}} << QByteArray();
    QTest::newRow("empty rows anywhere are left out, rows keep their order")
        << QList<QStringList>{{"", "1", "", "3", ""},
                              {"", "first", "", "third", ""},
                              {"", "10", "", "30", ""},
                              {"", "510", "", "540", ""}}
        << QByteArray("1,first,10,510\r\n3,third,30,540\r\n");
    QTest::newRow("a row with one text is kept")
        << QList<QStringList>{{"", ""}, {"", ""}, {"", ""}, {"", "7"}} << QByteArray(",,,7\r\n");
    QTest::newRow("shorter columns count as empty texts")
        << QList<QStringList>{{"1", "2", "3"}, {"a"}, {"10", "20"}, {}}
        << QByteArray("1,a,10,\r\n2,,20,\r\n3,,,\r\n");
}

void CsvTextTest::wholeDocument() {
    QFETCH(QList<QStringList>, columns);
    QFETCH(QByteArray, records);
    const QByteArray document = csv::document(kHeader, columns);
    QVERIFY(document.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(document, kStart + records);
}

QTEST_APPLESS_MAIN(CsvTextTest)
#include "test_csvtext.moc"
