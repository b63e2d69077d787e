#include "core/listtext.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>
#include <algorithm>
#include <optional>

using namespace kesterly;

namespace {

// The field rules and the choice of characters written plainly, over the whole text at
// once: what the one-pass reading and writing must give, byte for byte.
namespace plain {

constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<QString> utf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString decode(const QByteArray& bytes) {
    if (std::optional<QString> text = utf8(bytes))
        return *text;
    QString text;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

QStringList fields(const QString& content) {
    QStringList fields;
    qsizetype i = 0;
    while (i < content.size()) {
        while (i < content.size() && (content[i] == ' ' || content[i] == '\t'))
            ++i;
        qsizetype lineEnd = content.indexOf('\n', i);
        if (lineEnd < 0)
            lineEnd = content.size();
        qsizetype fieldEnd = lineEnd;
        if (fieldEnd > i && content[fieldEnd - 1] == '\r')
            --fieldEnd;
        fields << content.sliced(i, fieldEnd - i).replace('\r', ' ');
        i = lineEnd + 1;
    }
    return fields;
}

QByteArray encode(const QStringList& texts) {
    QString text;
    for (const QString& line : texts)
        text += line + "\r\n";
    if (text.startsWith(QChar(0xFEFF)))
        return "\xEF\xBB\xBF" + text.toUtf8();
    QByteArray single;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const auto at = std::find(std::begin(kHigh), std::end(kHigh), u);
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            single += char(u);
        else if (at != std::end(kHigh))
            single += char(0x80 + (at - std::begin(kHigh)));
        else
            return text.toUtf8();
    }
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (!ascii && utf8(single))
        return text.toUtf8();
    return single;
}

} // namespace plain

} // namespace

class ListTextTest : public QObject {
    Q_OBJECT
private slots:
    void onePassConversionsAreTheFieldRules_data();
    void onePassConversionsAreTheFieldRules();
    void onePassConversionsOnRandomBytes();
};

void ListTextTest::onePassConversionsAreTheFieldRules_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one empty line") << QByteArray("\r\n");
    QTest::newRow("blanks, tabs, bare LF, no last line end") << QByteArray("  a\t\r\n\tb\n \r\nc");
    QTest::newRow("lone CRs") << QByteArray("a\rb\r\r\n\r\rc\r");
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9\r\n\x80 5\r\n\x81\x9D\r\n");
    QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9\r\n\xE2\x82\xAC 5\r\n\xC5\x82\r\n");
    QTest::newRow("byte order mark at the start") << QByteArray("\xEF\xBB\xBF  a\r\n\xC3\xA9\r\n");
    QTest::newRow("byte order marks inside") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                           "a\r\n  \xEF\xBB\xBF"
                                                           "b\r\n");
    QTest::newRow("broken UTF-8 reads as Windows-1252") << QByteArray("\xC3\xA9\r\n\xC3\r\n");
}

void ListTextTest::onePassConversionsAreTheFieldRules() {
    QFETCH(QByteArray, bytes);
    const QStringList expected = plain::fields(plain::decode(bytes));
    QCOMPARE(listfile::fieldsOf(bytes), expected);
    // Written again and read back: the same texts, in the bytes the plain rules choose.
    const QByteArray written = listfile::linesOf(expected);
    QCOMPARE(written, plain::encode(expected));
    QCOMPARE(listfile::fieldsOf(written), plain::fields(plain::decode(written)));
}

void ListTextTest::onePassConversionsOnRandomBytes() {
    // Bytes drawn mostly from the characters that matter: line ends, blanks, ASCII, the
    // bytes of UTF-8 sequences and of a byte order mark, Windows-1252's own.
    const QByteArray alphabet("\r\n \tab,\"\xC3\xA9\xEF\xBB\xBF\x80\x9D\xE2\x82\xAC\xC5\x82");
    QRandomGenerator random(20261210);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int size = random.bounded(40);
        for (int i = 0; i < size; ++i)
            bytes += round % 3 == 0 ? char(random.bounded(256))
                                    : alphabet[random.bounded(int(alphabet.size()))];
        const QStringList expected = plain::fields(plain::decode(bytes));
        listfile::Charset charset;
        QCOMPARE(listfile::fieldsOf(bytes, &charset), expected);
        const QByteArray written = listfile::linesOf(expected, &charset);
        QCOMPARE(written, plain::encode(expected));
        // Read back (blanks at the start of a text are lost on the way, by the rules).
        listfile::Charset readAs;
        QCOMPARE(listfile::fieldsOf(written, &readAs), plain::fields(plain::decode(written)));
        QCOMPARE(readAs, charset);
    }
}

QTEST_APPLESS_MAIN(ListTextTest)
#include "test_listtext.moc"
