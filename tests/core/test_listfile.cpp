#include "core/accountfolder.h"
#include "core/listfile.h"
#include "core/numbertext.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <optional>

using namespace kesterly;
using namespace kesterly::test;

class ListFileTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readList_data();
    void readList();
    void writeList_data();
    void writeList();
    void readValue_data();
    void readValue();
    void readValueFailsWithoutField_data();
    void readValueFailsWithoutField();
    void readListFailsOnMissingFile();
    void readingStopsAtTheMostLines_data();
    void readingStopsAtTheMostLines();
    void writeFailsInMissingFolderAndKeepsNothing();
    void writeKeepsOldFileWhenItCannotBeReplaced();
    void appendLineCreatesThenAppends();
    void windows1252RoundTripsByteForByte();
    void characterOutsideWindows1252IsWrittenAsUtf8();
    void valuesWithCommasAndQuotesRoundTrip();
    void awkwardTextsRoundTrip_data();
    void awkwardTextsRoundTrip();
    void lineBreakInAValueIsNeverWritten_data();
    void lineBreakInAValueIsNeverWritten();
    void linkIsNeitherReadNorWritten();
    void accountPaths();

private:
    QString file(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void ListFileTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void ListFileTest::readList_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("new list file") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("two rows") << QByteArray("rent\r\nfood\r\n") << QStringList{"rent", "food"};
    QTest::newRow("leading blanks dropped") << QByteArray("   rent\r\n") << QStringList{"rent"};
    QTest::newRow("leading tab dropped") << QByteArray("\trent\r\n") << QStringList{"rent"};
    QTest::newRow("blanks only") << QByteArray("   \r\n") << QStringList{""};
    QTest::newRow("trailing blanks kept") << QByteArray("rent  \r\n") << QStringList{"rent  "};
    // Old Mac files end lines in a lone CR; inside a line it reads as a blank, as a pasted
    // line break does, so the row can be written again.
    QTest::newRow("lone CR inside a line")
        << QByteArray("old\rmac\r\nnext\r\n") << QStringList{"old mac", "next"};
    QTest::newRow("lone CRs only") << QByteArray("a\rb\r") << QStringList{"a b"};
    QTest::newRow("last line without CR LF")
        << QByteArray("rent\r\nfood") << QStringList{"rent", "food"};
    QTest::newRow("two blank lines") << QByteArray("\r\n\r\n") << QStringList{"", ""};
    QTest::newRow("empty first row")
        << QByteArray("\r\n12/9/2026\r\n") << QStringList{"", "12/9/2026"};
    QTest::newRow("LF line ends") << QByteArray("rent\nfood\n\n")
                                  << QStringList{"rent", "food", ""};
    QTest::newRow("digits stay as typed")
        << QByteArray("007\r\n500.00\r\n") << QStringList{"007", "500.00"};
    QTest::newRow("comma and quotes")
        << QByteArray("rent, March\r\n\"quoted\"\r\n") << QStringList{"rent, March", "\"quoted\""};
}

void ListFileTest::readList() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, texts);
    writeBytes(file("list.txt"), bytes);
    const auto read = listfile::readList(file("list.txt"));
    QVERIFY2(read.ok(), qPrintable(read.error));
    QCOMPARE(*read.value, texts);
}

void ListFileTest::writeList_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("one empty row") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("nothing") << QStringList{} << QByteArray();
    QTest::newRow("empty first row") << QStringList{"", "200"} << QByteArray("\r\n200\r\n");
    QTest::newRow("texts as they are")
        << QStringList{" 200 ", "rent, March"} << QByteArray(" 200 \r\nrent, March\r\n");
}

void ListFileTest::writeList() {
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, bytes);
    writeBytes(file("list.txt"), "old content that is longer\r\n");
    QVERIFY(listfile::writeList(file("list.txt"), texts));
    QCOMPARE(bytesOf(file("list.txt")), bytes);
    QCOMPARE(listfile::readList(file("list.txt")).value.value_or(QStringList{"<failed>"}).size(),
             texts.size());
}

void ListFileTest::readValue_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("value");

    QTest::newRow("number made plain") << QByteArray("500.00\r\n") << "500";
    QTest::newRow("leading zeros") << QByteArray("007\r\n") << "7";
    QTest::newRow("trailing zero") << QByteArray("150.50\r\n") << "150.5";
    QTest::newRow("letters") << QByteArray("abc\r\n") << "abc";
    QTest::newRow("blank first line") << QByteArray("\r\n") << "";
    QTest::newRow("only the first line") << QByteArray("Household\r\nSecond\r\n") << "Household";
    QTest::newRow("without line end") << QByteArray("500") << "500";
    QTest::newRow("thousands") << QByteArray(" 1,234.5 \r\n") << "1234.5";
}

void ListFileTest::readValue() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, value);
    writeBytes(file("value.txt"), bytes);
    const auto read = listfile::readValue(file("value.txt"));
    QVERIFY2(read.ok(), qPrintable(read.error));
    QCOMPARE(*read.value, value);
}

void ListFileTest::readValueFailsWithoutField_data() {
    QTest::addColumn<bool>("exists");
    QTest::newRow("0 bytes") << true;
    QTest::newRow("no file") << false;
}

void ListFileTest::readValueFailsWithoutField() {
    QFETCH(bool, exists);
    if (exists)
        writeBytes(file("value.txt"), QByteArray());
    const auto read = listfile::readValue(file("value.txt"));
    QVERIFY(!read.ok());
    QVERIFY2(read.error.contains(file("value.txt")), qPrintable(read.error));
}

void ListFileTest::readListFailsOnMissingFile() {
    const auto read = listfile::readList(file("missing.txt"));
    QVERIFY(!read.ok());
    QVERIFY(read.error.contains(file("missing.txt")));
}

void ListFileTest::readingStopsAtTheMostLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("most");
    QTest::addColumn<int>("count");    // texts read
    QTest::addColumn<QString>("last"); // the last of them
    QTest::addColumn<bool>("cut");
    QTest::addColumn<listfile::Charset>("charset");
    using listfile::Charset;
    QTest::newRow("fewer lines") << QByteArray("a\r\nb\r\n") << 3 << 2 << "b" << false
                                 << Charset::Ascii;
    QTest::newRow("as many") << QByteArray("a\r\nb\r\n") << 2 << 2 << "b" << false
                             << Charset::Ascii;
    QTest::newRow("as many, the last without its line end")
        << QByteArray("a\r\nb") << 2 << 2 << "b" << false << Charset::Ascii;
    QTest::newRow("a line more") << QByteArray("a\r\nb\r\nc") << 2 << 2 << "b" << true
                                 << Charset::Ascii;
    QTest::newRow("an empty line more")
        << QByteArray("a\nb\n\r\n") << 2 << 2 << "b" << true << Charset::Ascii;
    QTest::newRow("a blank more") << QByteArray("a\nb\n ") << 2 << 2 << "b" << true
                                  << Charset::Ascii;
    QTest::newRow("none asked for") << QByteArray("a") << 0 << 0 << "" << true << Charset::Ascii;
    // The rest, not read, does not change how the lines read are taken: UTF-8 here, though
    // the whole file would be Windows-1252.
    QTest::newRow("characters of the lines read")
        << QByteArray("caf\xC3\xA9\r\nx\r\ncaf\xE9\r\n") << 2 << 2 << "x" << true << Charset::Utf8;
    // Files of several pieces of 4 MiB: 1 KiB lines, so the 4096th ends a piece exactly.
    QByteArray pieces;
    for (int line = 0; line < 9000; ++line)
        pieces += QByteArray::number(line).leftJustified(1023, '.') + '\n';
    QTest::newRow("the last line read ends a piece, more follow")
        << pieces << 4096 << 4096 << QString(QByteArray("4095").leftJustified(1023, '.')) << true
        << Charset::Ascii;
    QTest::newRow("the last line read ends a piece and the file")
        << pieces.first(4096 * 1024) << 4096 << 4096
        << QString(QByteArray("4095").leftJustified(1023, '.')) << false << Charset::Ascii;
    QTest::newRow("in the second piece")
        << pieces + "\xE9" << 5000 << 5000 << QString(QByteArray("4999").leftJustified(1023, '.'))
        << true << Charset::Ascii;
    QTest::newRow("no limit") << pieces + "\xE9" << -1 << 9001 << QStringLiteral("\u00E9") << false
                              << Charset::Windows1252;
}

// A list is read up to the most lines asked for and not a byte further; whether more
// follows is said.
void ListFileTest::readingStopsAtTheMostLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, most);
    QFETCH(int, count);
    QFETCH(QString, last);
    QFETCH(bool, cut);
    QFETCH(listfile::Charset, charset);
    writeBytes(file("list.txt"), bytes);
    const auto read = listfile::readListContent(file("list.txt"), most);
    QVERIFY2(read.ok(), qPrintable(read.error));
    QCOMPARE(read.value->texts.size(), count);
    QCOMPARE(read.value->texts.value(count - 1), last);
    QCOMPARE(read.value->cut, cut);
    QCOMPARE(read.value->charset, charset);
    QCOMPARE(read.value->stamp, listfile::stampOf(file("list.txt")));
}

void ListFileTest::writeFailsInMissingFolderAndKeepsNothing() {
    const QString path = file("no folder/list.txt");
    const auto written = listfile::writeList(path, {"x"});
    QVERIFY(!written);
    QVERIFY2(written.message().contains(path), qPrintable(written.message()));
    const auto appended = listfile::appendLine(path, "x");
    QVERIFY(!appended);
    QVERIFY(appended.message().contains(path));
    QVERIFY(!QFile::exists(path));
}

void ListFileTest::writeKeepsOldFileWhenItCannotBeReplaced() {
    // A folder that refuses new files: the temporary file of the rewrite cannot be made,
    // so the old content stays whole.
    const QString folder = file("locked");
    QDir().mkpath(folder);
    writeBytes(folder + "/list.txt", "old\r\n");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(folder).isWritable() && QFile(folder + "/probe").open(QIODevice::WriteOnly))
        QSKIP("running with rights that ignore folder permissions");
    const auto written = listfile::writeList(folder + "/list.txt", {"new"});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!written);
    QCOMPARE(bytesOf(folder + "/list.txt"), QByteArray("old\r\n"));
}

void ListFileTest::appendLineCreatesThenAppends() {
    QVERIFY(listfile::appendLine(file("a.txt"), "Household"));
    QVERIFY(listfile::appendLine(file("a.txt"), ""));
    QCOMPARE(bytesOf(file("a.txt")), QByteArray("Household\r\n\r\n"));
}

void ListFileTest::windows1252RoundTripsByteForByte() {
    // "Café", "5 €" and "naïve" as an older Windows machine stored them.
    const QByteArray bytes("Caf\xE9\r\n5 \x80\r\nna\xEFve\r\n");
    writeBytes(file("old.txt"), bytes);
    const auto read = listfile::readList(file("old.txt"));
    QVERIFY(read.ok());
    QCOMPARE(*read.value, (QStringList{QStringLiteral("Caf\u00E9"), QStringLiteral("5 \u20AC"),
                                       QStringLiteral("na\u00EFve")}));
    QVERIFY(listfile::writeList(file("old.txt"), *read.value));
    QCOMPARE(bytesOf(file("old.txt")), bytes);
}

void ListFileTest::characterOutsideWindows1252IsWrittenAsUtf8() {
    const QStringList texts{QStringLiteral("Zo\u00EB"),
                            QStringLiteral("\u0141\u00F3d\u017A \u2603")};
    QVERIFY(listfile::writeList(file("new.txt"), texts));
    QCOMPARE(bytesOf(file("new.txt")), (texts.join("\r\n") + "\r\n").toUtf8());
    QCOMPARE(*listfile::readList(file("new.txt")).value, texts);

    QVERIFY(listfile::writeValue(file("name.txt"), QStringLiteral("\u0141ukasz")));
    QCOMPARE(*listfile::readValue(file("name.txt")).value, QStringLiteral("\u0141ukasz"));
}

void ListFileTest::valuesWithCommasAndQuotesRoundTrip() {
    const QStringList texts{"rent, March", "\"quoted\"", "a \"b\", c", "700,5"};
    QVERIFY(listfile::writeList(file("des.txt"), texts));
    QCOMPARE(*listfile::readList(file("des.txt")).value, texts);
    QVERIFY(listfile::writeValue(file("bal.txt"), "rent, March"));
    QCOMPARE(*listfile::readValue(file("bal.txt")).value, QStringLiteral("rent, March"));
}

void ListFileTest::accountPaths() {
    const QString sep = QDir::separator();
    QCOMPARE(account::filePath("/home/ann/Household", account::kName),
             QString("/home/ann/Household" + sep + "Name.txt"));
    QCOMPARE(account::reminderFilePath("/home/ann/Household", account::kReminderTime),
             QString("/home/ann/Household" + sep + "Reminders" + sep + "Time.txt"));
    QVERIFY(account::defaultRoot().endsWith(sep));
}

void ListFileTest::awkwardTextsRoundTrip_data() {
    QTest::addColumn<QString>("text");
    // The bytes a text is written as, when they are fixed: Windows-1252 where every
    // character fits and the bytes could not be taken for UTF-8, else UTF-8.
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain") << "Rent" << QByteArray("Rent\r\n");
    QTest::newRow("e acute") << QStringLiteral("Caf\u00E9") << QByteArray("Caf\xE9\r\n");
    QTest::newRow("euro") << QStringLiteral("5 \u20AC") << QByteArray("5 \x80\r\n");
    QTest::newRow("A tilde, copyright: C3 A9 in Windows-1252")
        << QStringLiteral("\u00C3\u00A9") << QByteArray("\xC3\x83\xC2\xA9\r\n");
    QTest::newRow("A circumflex, pound") << QStringLiteral("\u00C2\u00A3") << QByteArray();
    QTest::newRow("A tilde alone") << QStringLiteral("\u00C3") << QByteArray("\xC3\r\n");
    QTest::newRow("UTF-8 look-alike after other text")
        << QStringLiteral("na\u00EFve \u00C3\u00A9t\u00E9") << QByteArray();
    QTest::newRow("byte order mark look-alike")
        << QStringLiteral("\u00EF\u00BB\u00BFx") << QByteArray();
    QTest::newRow("byte order mark first") << QStringLiteral("\uFEFFstart") << QByteArray();
    QTest::newRow("outside Windows-1252") << QStringLiteral("Zo\u00EB \u2603") << QByteArray();
    QTest::newRow("unassigned Windows-1252 byte") << QStringLiteral("a\u0081b") << QByteArray();
    QTest::newRow("empty") << "" << QByteArray("\r\n");
}

void ListFileTest::awkwardTextsRoundTrip() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QVERIFY(listfile::writeList(file("des.txt"), {text, "after"}));
    if (!bytes.isEmpty())
        QVERIFY(bytesOf(file("des.txt")).startsWith(bytes));
    const auto read = listfile::readList(file("des.txt"));
    QVERIFY(read.ok());
    QCOMPARE(*read.value, (QStringList{text, "after"}));
}

void ListFileTest::lineBreakInAValueIsNeverWritten_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("line feed") << "Rent\nMarch";
    QTest::newRow("carriage return") << "Rent\rMarch";
    QTest::newRow("at the end") << "Rent\r\n";
}

void ListFileTest::lineBreakInAValueIsNeverWritten() {
    // Read back, the value would be two rows, and every later row of its table one off.
    QFETCH(QString, text);
    writeBytes(file("des.txt"), "old\r\n");
    const auto written = listfile::writeList(file("des.txt"), {"before", text});
    QVERIFY(!written);
    QVERIFY2(written.message().contains(file("des.txt")) && written.message().contains("Rent"),
             qPrintable(written.message()));
    QCOMPARE(bytesOf(file("des.txt")), QByteArray("old\r\n"));
    QVERIFY(!listfile::appendLine(file("des.txt"), text));
    QCOMPARE(bytesOf(file("des.txt")), QByteArray("old\r\n"));
}

void ListFileTest::linkIsNeitherReadNorWritten() {
    // An account folder can come from anywhere: a link in it may lead to any file.
    writeBytes(file("notes.txt"), "  my own notes\n");
    QVERIFY(QFile::link(file("notes.txt"), file("OpeningBalance.txt")));
    const auto read = listfile::readValue(file("OpeningBalance.txt"));
    QVERIFY(!read.ok());
    QVERIFY2(read.error.contains(file("OpeningBalance.txt")) && read.error.contains("link"),
             qPrintable(read.error));
    for (const listfile::Outcome& written :
         {listfile::writeValue(file("OpeningBalance.txt"), "700"),
          listfile::appendLine(file("OpeningBalance.txt"), "700")}) {
        QVERIFY(!written);
        QVERIFY2(written.message().contains("link"), qPrintable(written.message()));
    }
    QCOMPARE(bytesOf(file("notes.txt")), QByteArray("  my own notes\n"));
    QVERIFY(QFileInfo(file("OpeningBalance.txt")).isSymLink());
}

QTEST_APPLESS_MAIN(ListFileTest)
#include "test_listfile.moc"
