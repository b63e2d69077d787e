#include "core/csvtext.h"

#include <algorithm>

namespace kesterly::csv {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number as the user may have typed an amount or a balance in any locale: a sign,
// digits with points, commas, blanks or apostrophes between them, and an exponent.
bool looksLikeNumber(const QString& text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c))
            digits = true;
        else if (c != QLatin1Char('.') && c != QLatin1Char(',') && c != QLatin1Char(' ') &&
                 c != QLatin1Char('\'') && c != QChar(0x00A0))
            break;
    }
    if (!digits)
        return false;
    if (i < text.size() && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        ++i;
        if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
            ++i;
        const qsizetype exponent = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i == exponent)
            return false;
    }
    return i == text.size();
}

// Whether a spreadsheet opening the file would take the text for a formula.
bool startsFormula(const QString& text) {
    if (text.isEmpty())
        return false;
    switch (text.front().unicode()) {
    case '=':
    case '@':
    case '\t':
    case '\r':
        return true;
    case '+':
    case '-':
        return !looksLikeNumber(text);
    default:
        return false;
    }
}

void appendField(QByteArray& out, const QString& text, QChar delimiter) {
    QString field = startsFormula(text) ? QStringLiteral("'") + text : text;
    const bool quoted = std::any_of(field.cbegin(), field.cend(), [delimiter](QChar c) {
        return c == delimiter || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    });
    if (!quoted) {
        out += field.toUtf8();
        return;
    }
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    out += '"';
    out += field.toUtf8();
    out += '"';
}

void appendRecord(QByteArray& out, const QStringList& texts, QChar delimiter) {
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out += char(delimiter.unicode());
        appendField(out, texts[i], delimiter);
    }
    out += "\r\n";
}

} // namespace

QChar delimiterFor(const QLocale& locale) {
    return locale.decimalPoint() == QLatin1String(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QByteArray document(const QStringList& header, const QList<QStringList>& columns,
                    QChar delimiter) {
    Q_ASSERT(delimiter.unicode() < 0x80);
    qsizetype rows = 0;
    qsizetype size = 0;
    for (const QStringList& column : columns) {
        rows = std::max(rows, column.size());
        for (const QString& text : column)
            size += text.size() + 1;
    }
    QByteArray out;
    // Room for the usual case of plain text, so that a large table is not copied as it grows.
    out.reserve(size + 2 * rows + 64);
    out += "\xEF\xBB\xBF";
    appendRecord(out, header, delimiter);
    QStringList record(columns.size());
    for (qsizetype row = 0; row < rows; ++row) {
        bool empty = true;
        for (qsizetype column = 0; column < columns.size(); ++column) {
            record[column] = columns[column].value(row);
            empty = empty && record[column].isEmpty();
        }
        if (!empty)
            appendRecord(out, record, delimiter);
    }
    return out;
}

} // namespace kesterly::csv
