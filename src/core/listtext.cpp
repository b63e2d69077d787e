#include "core/listtext.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace kesterly::listfile {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five unassigned bytes map to
// the control characters of the same number so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> toWindows1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

// The text in Windows-1252, when every character fits.
std::optional<QByteArray> windows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const auto single = toWindows1252(c.unicode());
        if (!single)
            return std::nullopt;
        bytes += *single;
    }
    return bytes;
}

bool isAscii(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// The text, when the bytes are valid UTF-8.
std::optional<QString> fromUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

// One field's bytes as text, in the file's characters.
QString fieldText(const char* at, qsizetype size, Charset charset) {
    switch (charset) {
    case Charset::Ascii:
        return QString::fromLatin1(at, size);
    case Charset::Utf8:
        if (size >= 3 && std::memcmp(at, "\xEF\xBB\xBF", 3) == 0) {
            // A byte order mark inside the file is a character of its line (only the one
            // at the very start of a file is dropped); QString::fromUtf8 would drop it.
            QStringDecoder keep(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                          QStringDecoder::Flag::ConvertInitialBom);
            return keep.decode(QByteArrayView(at, size));
        }
        return QString::fromUtf8(at, size);
    case Charset::Windows1252:
        break;
    }
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(at[i]);
        out[i] = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b);
    }
    return text;
}

} // namespace

std::optional<QByteArray> addedLineBytes(Charset file, const QString& text) {
    if (file == Charset::Utf8)
        return text.toUtf8();
    const std::optional<QByteArray> single = windows1252(text);
    if (!single)
        return file == Charset::Ascii ? std::optional(text.toUtf8()) : std::nullopt;
    // After plain ASCII, Windows-1252 bytes that happen to be valid UTF-8 would turn the
    // whole file into UTF-8 ("Ã©" would come back as "é").
    if (file == Charset::Ascii && !isAscii(text) && fromUtf8(*single))
        return text.toUtf8();
    return single;
}

QString windows1252Text(QByteArrayView bytes) {
    return fieldText(bytes.data(), bytes.size(), Charset::Windows1252);
}

Charset charsetAfterAdding(Charset file, const QString& text) {
    if (file == Charset::Utf8 || isAscii(text))
        return file;
    // A file in Windows-1252 that gets a character it cannot hold is rewritten in UTF-8.
    const std::optional<QByteArray> bytes = addedLineBytes(file, text);
    return bytes && *bytes != text.toUtf8() ? Charset::Windows1252 : Charset::Utf8;
}

namespace listtext {

bool hasHighByte(QByteArrayView bytes) {
    // Eight bytes at a time: the reading of a large file is bound by memory, not by this.
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    std::uint64_t high = 0;
    for (; end - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        high |= word;
    }
    for (; at < end; ++at)
        high |= static_cast<unsigned char>(*at);
    return high & 0x8080808080808080ULL;
}

// The field of one line (from its start up to its LF or the end of the file), by the
// field rules.
void addField(QStringList& fields, const char* at, const char* lineEnd, Charset charset) {
    while (at < lineEnd && (*at == ' ' || *at == '\t'))
        ++at;
    const char* fieldEnd = lineEnd;
    if (fieldEnd > at && fieldEnd[-1] == '\r')
        --fieldEnd;
    const qsizetype size = std::max<qsizetype>(fieldEnd - at, 0);
    QString field = fieldText(at, size, charset);
    if (size > 0 && std::memchr(at, '\r', static_cast<size_t>(size)))
        field.replace(QLatin1Char('\r'), QLatin1Char(' '));
    fields.append(std::move(field));
}

// Adds the field of every line that ends in the bytes; returns where the first line that
// does not end begins.
const char* addEndedLines(QStringList& fields, const char* at, const char* end, Charset charset) {
    for (;;) {
        const auto rest = static_cast<size_t>(std::max<std::ptrdiff_t>(end - at, 0));
        // An empty text may have no bytes at all (a null pointer), which memchr must not see.
        if (rest == 0)
            return at;
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', rest));
        if (!newline)
            return at;
        addField(fields, at, newline, charset);
        at = newline + 1;
    }
}

// Where the bytes end before a UTF-8 sequence that the next bytes may complete.
qsizetype completeUpTo(QByteArrayView bytes) {
    for (qsizetype i = bytes.size() - 1; i >= 0 && i >= bytes.size() - 3; --i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xC0) == 0x80)
            continue;
        const qsizetype length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return bytes.size() - i < length ? i : bytes.size();
    }
    return bytes.size();
}

} // namespace listtext

using namespace listtext;

QStringList fieldsOf(QByteArrayView bytes, Charset* charset) {
    Charset kind = Charset::Ascii;
    if (hasHighByte(bytes))
        kind = bytes.isValidUtf8() ? Charset::Utf8 : Charset::Windows1252;
    if (charset)
        *charset = kind;
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    // A UTF-8 file may begin with a byte order mark, which is no character of its text.
    if (kind == Charset::Utf8 && bytes.startsWith(kByteOrderMark))
        at += kByteOrderMark.size();
    QStringList fields;
    at = addEndedLines(fields, at, end, kind);
    if (at < end)
        addField(fields, at, end, kind);
    return fields;
}

namespace {

// How the texts of a list file are written, decided over all of them before the first
// byte: a file is in one set of characters.
class LineEncoder {
public:
    explicit LineEncoder(const QStringList& texts) {
        char16_t high = 0;
        for (const QString& text : texts) {
            for (const QChar c : text)
                high |= c.unicode();
        }
        if (high < 0x80)
            return;
        // A text starting with a byte order mark would lose it when read back, so a
        // second one goes before it: the reader drops only the first.
        if (texts.first().startsWith(QChar(0xFEFF))) {
            charset_ = Charset::Utf8;
            byteOrderMark_ = true;
            return;
        }
        // Windows-1252 when every character fits and the bytes cannot be taken for UTF-8
        // ("Ã©" is C3 A9, the UTF-8 of "é"). Line ends are ASCII, so the whole file reads
        // as UTF-8 exactly when every line does.
        bool lookalike = true;
        for (const QString& text : texts) {
            if (isAscii(text))
                continue;
            const std::optional<QByteArray> single = windows1252(text);
            if (!single) {
                charset_ = Charset::Utf8;
                return;
            }
            lookalike = lookalike && QByteArrayView(*single).isValidUtf8();
        }
        charset_ = lookalike ? Charset::Utf8 : Charset::Windows1252;
    }

    Charset charset() const { return charset_; }
    // What goes before the first line.
    QByteArrayView start() const { return byteOrderMark_ ? kByteOrderMark : QByteArrayView(); }
    // Adds the text and CR LF to the bytes.
    void add(QByteArray& bytes, const QString& text) {
        const qsizetype at = bytes.size();
        const qsizetype most = (charset_ == Charset::Utf8 ? 3 : 1) * text.size() + 2;
        if (bytes.capacity() < at + most)
            bytes.reserve(std::max(at + most, 2 * bytes.capacity()));
        bytes.resize(at + most);
        char* out = bytes.data() + at;
        const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
        const qsizetype size = text.size();
        switch (charset_) {
        case Charset::Ascii:
            for (qsizetype i = 0; i < size; ++i)
                out[i] = static_cast<char>(in[i]);
            out += size;
            break;
        case Charset::Utf8:
            out = utf8_.appendToBuffer(out, text);
            break;
        case Charset::Windows1252:
            for (qsizetype i = 0; i < size; ++i)
                *out++ = *toWindows1252(in[i]);
            break;
        }
        *out++ = '\r';
        *out++ = '\n';
        bytes.resize(out - bytes.constData());
    }

private:
    Charset charset_ = Charset::Ascii;
    bool byteOrderMark_ = false;
    QStringEncoder utf8_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

} // namespace

QByteArray linesOf(const QStringList& texts, Charset* charset) {
    LineEncoder encoder(texts);
    if (charset)
        *charset = encoder.charset();
    QByteArray bytes(encoder.start().toByteArray());
    for (const QString& text : texts)
        encoder.add(bytes, text);
    return bytes;
}

QString lineBreakProblem(const QString& path, const QStringList& texts) {
    for (const QString& text : texts) {
        const auto stop = std::find_if(text.cbegin(), text.cend(), [](QChar c) {
            return c == QLatin1Char('\r') || c == QLatin1Char('\n');
        });
        if (stop != text.cend())
            return QStringLiteral("Could not write \"%1\": the text \"%2\" holds a line break, "
                                  "which would split it into two lines. Nothing was written.")
                .arg(path, text.first(stop - text.cbegin()));
    }
    return {};
}

int encodeLines(const QStringList& texts, Charset* charset,
                const std::function<int(QByteArrayView)>& write) {
    constexpr qsizetype kPiece = 4 << 20;
    LineEncoder encoder(texts);
    if (charset)
        *charset = encoder.charset();
    QByteArray piece;
    piece.reserve(kPiece + 1024);
    piece.append(encoder.start());
    for (const QString& text : texts) {
        encoder.add(piece, text);
        if (piece.size() >= kPiece) {
            if (const int error = write(piece))
                return error;
            piece.resize(0);
        }
    }
    return write(piece);
}

} // namespace kesterly::listfile
