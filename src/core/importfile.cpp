#include "core/importfile.h"
#include "core/importcsv.h"

#include "core/listfile.h"
#include "core/listtext.h"
#include "core/numbertext.h"
#include "core/textrules.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>

namespace kesterly::entryimport {

namespace {

// --- decoding ---------------------------------------------------------------------------

struct Decoded {
    QString text;
    QString encoding;
};

Decoded decode(const QByteArray& bytes) {
    const QByteArrayView view(bytes);
    if (view.startsWith(listfile::listtext::kByteOrderMark))
        return {QString::fromUtf8(view.sliced(3)), QStringLiteral("UTF-8")};
    if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(view.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                         : QStringDecoder::Utf16BE);
        return {utf16.decode(view.sliced(2)), QStringLiteral("UTF-16")};
    }
    if (view.isValidUtf8())
        return {QString::fromUtf8(view), QStringLiteral("UTF-8")};
    return {listfile::windows1252Text(view), QStringLiteral("Windows-1252")};
}

// Text files hold no NUL byte and hardly any other control character; pictures, archives
// and other programs' own files do.
bool looksLikeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    qsizetype controls = 0;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b == 0)
            return false;
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1A)
            ++controls;
    }
    return controls * 100 <= bytes.size();
}

// --- QIF --------------------------------------------------------------------------------

bool isQif(const QString& text) {
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QString start = line.left(8).toString().toLower();
        return start.startsWith(QLatin1String("!type:")) ||
               start.startsWith(QLatin1String("!account")) ||
               start.startsWith(QLatin1String("!option")) ||
               start.startsWith(QLatin1String("!clear"));
    }
    return false;
}

QList<QifTransaction> qifTransactions(const QString& text) {
    QList<QifTransaction> transactions;
    static const QStringList kKinds = {QStringLiteral("bank"), QStringLiteral("ccard"),
                                       QStringLiteral("cash"), QStringLiteral("oth a"),
                                       QStringLiteral("oth l")};
    bool inSection = false;
    bool inAccount = false;
    QifTransaction current;
    bool started = false;
    int lineNumber = 0;
    const auto close = [&] {
        if (started)
            transactions << current;
        current = {};
        started = false;
    };
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (trimmed.front() == QLatin1Char('!')) {
            close();
            const QString header = trimmed.toString().toLower();
            if (header.startsWith(QLatin1String("!type:"))) {
                const QString kind = header.mid(6).simplified();
                inSection = kKinds.contains(kind);
                inAccount = false;
            } else if (header.startsWith(QLatin1String("!account"))) {
                // An account's name and kind follow, up to its "^".
                inSection = false;
                inAccount = true;
            } else {
                // !Option, !Clear: settings of the program that wrote the file.
                inSection = false;
            }
            continue;
        }
        if (inAccount) {
            if (trimmed.front() == QLatin1Char('^'))
                inAccount = false;
            continue;
        }
        if (!inSection)
            continue;
        const QChar letter = trimmed.front();
        const QString value = trimmed.sliced(1).trimmed().toString();
        if (letter == QLatin1Char('^')) {
            close();
            continue;
        }
        if (!started) {
            current.line = lineNumber;
            started = true;
        }
        switch (letter.unicode()) {
        case 'D':
            current.date = value;
            break;
        case 'T':
            current.amount = value;
            break;
        case 'U':
            if (current.amount.isEmpty())
                current.amount = value;
            break;
        case 'P':
            current.payee = value;
            break;
        case 'M':
            current.memo = value;
            break;
        default:
            // C (cleared), N (number), L (category), A (address), S, E and $ (splits).
            break;
        }
    }
    close();
    return transactions;
}

} // namespace

QString formatName(Format format) {
    switch (format) {
    case Format::Csv:
        return QStringLiteral("CSV");
    case Format::OwnExport:
        return QStringLiteral("CSV exported by Kesterly");
    case Format::Qif:
        return QStringLiteral("QIF");
    }
    return {};
}

listfile::Read<Source> recognise(const QString& path, const QByteArray& bytes,
                                 const QLocale& locale, const QDate& today) {
    const QString& shown = path;
    if (bytes.trimmed().isEmpty())
        return {
            std::nullopt,
            QStringLiteral("\"%1\" is empty, so there is nothing to import from it.").arg(shown)};
    if (!looksLikeText(bytes))
        return {std::nullopt,
                QStringLiteral("\"%1\" holds no text (it may be a picture or another program's "
                               "own file), so nothing can be imported from it. Kesterly imports "
                               "CSV files as banks write them and QIF files.")
                    .arg(shown)};
    Source source;
    source.path = path;
    Decoded decoded = decode(bytes);
    source.encoding = decoded.encoding;
    source.text = std::move(decoded.text);

    if (isQif(source.text)) {
        source.format = Format::Qif;
        source.transactions = qifTransactions(source.text);
        source.text.clear();
        if (source.transactions.isEmpty())
            return {std::nullopt,
                    QStringLiteral("\"%1\" is a QIF file, but it holds no transactions of a bank, "
                                   "card, cash or asset account, so there is nothing to import "
                                   "from it.")
                        .arg(shown)};
        QStringList dates, amounts;
        for (const QifTransaction& transaction : std::as_const(source.transactions)) {
            dates << transaction.date;
            amounts << transaction.amount;
        }
        source.guessed.dateOrder = guessDateOrder(dates, locale, true);
        source.guessed.decimal = guessDecimal(amounts, locale);
        source.guessed.list = ListChoice::BySign;
        source.choices = source.guessed;
        return {std::move(source), {}};
    }

    // The delimiter that splits the most records into as many fields, two or more.
    QChar best;
    std::pair<int, int> bestWidth{0, 0};
    for (const QChar delimiter : {QLatin1Char(';'), QLatin1Char('\t'), QLatin1Char(',')}) {
        const std::pair<int, int> width = commonWidth(csvRecords(source.text, delimiter));
        if (width.second > bestWidth.second ||
            (width.second == bestWidth.second && width.first > bestWidth.first)) {
            best = delimiter;
            bestWidth = width;
        }
    }
    const QString refusal =
        QStringLiteral("\"%1\" is neither a CSV file with a column of dates and one of amounts "
                       "nor a QIF file, so nothing can be imported from it.")
            .arg(shown);
    if (best.isNull() || bestWidth.second == 0)
        return {std::nullopt, refusal};
    source.records = csvRecords(source.text, best);
    source.guessed.delimiter = best;
    if (!guessColumns(source, locale, today))
        return {std::nullopt, refusal};
    if (source.guessed.headerRecord >= 0 &&
        isOwnHeader(source.records[source.guessed.headerRecord].fields)) {
        source.format = Format::OwnExport;
        source.guessed.list = listFromName(path);
    }
    source.choices = source.guessed;
    return {std::move(source), {}};
}

listfile::Read<Source> readSource(const QString& path, const QLocale& locale, const QDate& today) {
    // A link the user picked leads to the file to read; that file is opened as every
    // account file is, never waiting on a pipe.
    const QFileInfo info(path);
    const QString target =
        info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
    plainfile::Descriptor file;
    struct stat st {};
    if (QString why = plainfile::openPlainFile(target, file, st); !why.isEmpty())
        return {std::nullopt, QStringLiteral("Could not read \"%1\": %2.").arg(path, why)};
    if (st.st_size > listfile::kListSizeLimit)
        return {std::nullopt,
                QStringLiteral("\"%1\" holds %2 bytes, more than the %3 bytes Kesterly reads "
                               "from a file; no statement is that large, so it is not imported.")
                    .arg(path)
                    .arg(qint64(st.st_size))
                    .arg(listfile::kListSizeLimit)};
    const std::optional<QByteArray> bytes = plainfile::readAt(file.get(), 0, st.st_size);
    if (!bytes)
        return {std::nullopt,
                QStringLiteral("Could not read \"%1\": %2.").arg(path, plainfile::reason(errno))};
    return recognise(path, *bytes, locale, today);
}

Rows readRows(const Source& source, int index, const QDate& today) {
    Rows out;
    const Choices& c = source.choices;
    const QLocale locale = userLocale();
    const auto unreadable = [&](int line, const QString& reason) {
        out.unreadable << Unreadable{index, line, reason};
    };
    const auto place = [&](Row& row, double value, const QString& text) {
        switch (c.list) {
        case ListChoice::BySign:
            row.income = value >= 0;
            row.amount = std::fabs(value);
            break;
        case ListChoice::Income:
        case ListChoice::Expense:
            row.income = c.list == ListChoice::Income;
            row.amount = value;
            break;
        }
        row.amountText = amountText(text, row.amount, locale);
    };
    const auto dateReason = [&](const QString& text) {
        return text.trimmed().isEmpty() ? QStringLiteral("it has no date")
                                        : QStringLiteral("the date \"%1\" does not read as %2")
                                              .arg(text.trimmed(), dateOrderName(c.dateOrder));
    };
    const auto amountReason = [&](const QString& text) {
        return text.trimmed().isEmpty()
                   ? QStringLiteral("it has no amount")
                   : QStringLiteral("the amount \"%1\" does not read with \"%2\" as the decimal "
                                    "separator")
                         .arg(text.trimmed(), c.decimal);
    };
    const auto description = [](QString text) {
        text = text::joinLines(text).trimmed();
        if (text.size() > text::kLongestText)
            text.truncate(text::kLongestText);
        return text;
    };

    if (source.format == Format::Qif) {
        for (const QifTransaction& t : source.transactions) {
            Row row;
            row.source = index;
            row.line = t.line;
            const std::optional<QDate> date = readDate(t.date, c.dateOrder, today);
            if (!date) {
                unreadable(t.line, dateReason(t.date));
                continue;
            }
            const std::optional<double> value = readAmount(t.amount, c.decimal);
            if (!value) {
                unreadable(t.line, amountReason(t.amount));
                continue;
            }
            row.date = *date;
            QStringList parts;
            for (const QString& part : {t.payee, t.memo}) {
                if (!part.trimmed().isEmpty())
                    parts << part.trimmed();
            }
            row.description = description(parts.join(QLatin1Char(' ')));
            place(row, *value, t.amount);
            out.rows << row;
        }
        return out;
    }

    if (c.dateColumn < 0 || (c.amountColumn < 0 && c.debitColumn < 0 && c.creditColumn < 0))
        return out;
    const bool own = source.format == Format::OwnExport;
    const int first = c.headerRecord >= 0 ? c.headerRecord + 1 : c.firstRecord;
    for (int i = std::max(first, 0); i < source.records.size(); ++i) {
        const Record& record = source.records[i];
        if (blankRecord(record))
            continue;
        const QString dateText = record.fields.value(c.dateColumn);
        const std::optional<QDate> date = readDate(dateText, c.dateOrder, today);
        if (!date) {
            unreadable(record.line, dateReason(dateText));
            continue;
        }
        double value = 0;
        QString text;
        if (c.amountColumn >= 0) {
            text = record.fields.value(c.amountColumn);
            const std::optional<double> amount = readAmount(text, c.decimal);
            if (!amount) {
                unreadable(record.line, amountReason(text));
                continue;
            }
            value = *amount;
        } else {
            const QString paidText = record.fields.value(c.debitColumn).trimmed();
            const QString gotText = record.fields.value(c.creditColumn).trimmed();
            if (paidText.isEmpty() && gotText.isEmpty()) {
                unreadable(record.line, QStringLiteral("it has no amount"));
                continue;
            }
            const std::optional<double> paid =
                paidText.isEmpty() ? 0.0 : readAmount(paidText, c.decimal);
            const std::optional<double> got =
                gotText.isEmpty() ? 0.0 : readAmount(gotText, c.decimal);
            if (!paid || !got) {
                unreadable(record.line, amountReason(!paid ? paidText : gotText));
                continue;
            }
            value = std::fabs(*got) - std::fabs(*paid);
            text = (*paid != 0 || gotText.isEmpty()) && *got == 0 ? paidText : gotText;
            // The column says which way the money went; the text is its magnitude.
            if (value < 0 && !text.trimmed().startsWith(QLatin1Char('-')))
                text = QLatin1Char('-') + text.trimmed();
        }
        Row row;
        row.source = index;
        row.line = record.line;
        row.date = *date;
        QStringList parts;
        for (const int column : c.descriptionColumns) {
            QString part = record.fields.value(column).trimmed();
            // This program's export puts an apostrophe before a text a spreadsheet would
            // take for a formula.
            if (own && part.size() > 1 && part.front() == QLatin1Char('\'') &&
                QStringLiteral("=+-@\t\r").contains(part[1]))
                part.remove(0, 1);
            if (!part.isEmpty())
                parts << part;
        }
        row.description = description(parts.join(QLatin1Char(' ')));
        if (own)
            row.statedBalance = record.fields.value(3).trimmed();
        place(row, value, text);
        out.rows << row;
    }
    return out;
}

} // namespace kesterly::entryimport
