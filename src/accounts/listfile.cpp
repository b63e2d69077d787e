#include "accounts/listfile.h"

#include "common/numbertext.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>

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

QString reason(const QFileDevice& file) {
    return file.errorString();
}

QByteArray lines(const QStringList& texts) {
    QString content;
    for (const QString& text : texts) {
        content += text;
        content += QLatin1String("\r\n");
    }
    return encode(content);
}

} // namespace

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += QChar(b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char16_t(b));
    }
    return text;
}

QByteArray encode(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const auto single = toWindows1252(c.unicode());
        if (!single)
            return text.toUtf8();
        bytes += *single;
    }
    return bytes;
}

QStringList splitFields(const QString& content) {
    QStringList fields;
    const qsizetype end = content.size();
    qsizetype i = 0;
    while (i < end) {
        while (i < end && (content[i] == QLatin1Char(' ') || content[i] == QLatin1Char('\t')))
            ++i;
        qsizetype lineEnd = content.indexOf(QLatin1Char('\n'), i);
        if (lineEnd < 0)
            lineEnd = end;
        qsizetype fieldEnd = lineEnd;
        if (fieldEnd > i && content[fieldEnd - 1] == QLatin1Char('\r'))
            --fieldEnd;
        fields += content.sliced(i, fieldEnd - i);
        i = lineEnd + 1;
    }
    return fields;
}

QString typedField(const QString& field) {
    if (const auto number = strictNumber(field))
        return numberToText(*number);
    return field;
}

Outcome appendLine(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return Outcome::failure(
            QStringLiteral("Could not open \"%1\" to add to it: %2.").arg(path, reason(file)));
    const QByteArray bytes = lines({text});
    if (file.write(bytes) != bytes.size() || !file.flush())
        return Outcome::failure(
            QStringLiteral("Could not write to \"%1\": %2.").arg(path, reason(file)));
    return Outcome::success();
}

Outcome writeList(const QString& path, const QStringList& texts) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(
            QStringLiteral("Could not write \"%1\": %2.").arg(path, reason(file)));
    const QByteArray bytes = lines(texts);
    if (file.write(bytes) != bytes.size()) {
        const QString why = reason(file);
        file.cancelWriting();
        return Outcome::failure(QStringLiteral("Could not write \"%1\": %2.").arg(path, why));
    }
    if (!file.commit())
        return Outcome::failure(
            QStringLiteral("Could not save \"%1\": %2.").arg(path, reason(file)));
    return Outcome::success();
}

Outcome writeValue(const QString& path, const QString& text) {
    return writeList(path, {text});
}

Read<QStringList> readList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("Could not read \"%1\": %2.").arg(path, reason(file))};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("Could not read \"%1\": %2.").arg(path, reason(file))};
    return {splitFields(decode(bytes)), {}};
}

Read<QString> readValue(const QString& path) {
    const Read<QStringList> list = readList(path);
    if (!list.ok())
        return {std::nullopt, list.error};
    if (list.value->isEmpty())
        return {std::nullopt, QStringLiteral("\"%1\" holds no value.").arg(path)};
    return {typedField(list.value->first()), {}};
}

} // namespace kesterly::listfile
