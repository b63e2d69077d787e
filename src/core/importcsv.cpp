#include "core/importcsv.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace kesterly::entryimport {

namespace {

// --- CSV columns ------------------------------------------------------------------------

enum class Role { None, Date, Description, Amount, Debit, Credit };

QString normalisedName(const QString& field) {
    QString name = field.trimmed().toLower();
    while (!name.isEmpty() && !name.front().isLetterOrNumber())
        name.remove(0, 1);
    while (!name.isEmpty() && !name.back().isLetterOrNumber() && name.back() != QLatin1Char(')'))
        name.chop(1);
    name.replace(QStringLiteral("ä"), QStringLiteral("ae"));
    name.replace(QStringLiteral("ö"), QStringLiteral("oe"));
    name.replace(QStringLiteral("ü"), QStringLiteral("ue"));
    name.replace(QStringLiteral("ß"), QStringLiteral("ss"));
    return name.simplified();
}

struct RoleMatch {
    Role role = Role::None;
    int strength = 0; // 2: the name is a known one; 1: it holds one
};

RoleMatch roleOf(const QString& field) {
    const QString name = normalisedName(field);
    if (name.isEmpty())
        return {};
    struct Words {
        Role role;
        QStringList words;
    };
    // Balances and currencies are never the amount; each list is looked at in turn.
    static const QList<Words> kWords = {
        {Role::None,
         {QStringLiteral("balance"), QStringLiteral("saldo"), QStringLiteral("kontostand"),
          QStringLiteral("currency"), QStringLiteral("waehrung"), QStringLiteral("umsatzart"),
          QStringLiteral("running bal")}},
        {Role::Debit,
         {QStringLiteral("debit"), QStringLiteral("soll"), QStringLiteral("withdrawal"),
          QStringLiteral("withdrawals"), QStringLiteral("money out"), QStringLiteral("paid out"),
          QStringLiteral("ausgang"), QStringLiteral("belastung")}},
        {Role::Credit,
         {QStringLiteral("credit"), QStringLiteral("haben"), QStringLiteral("deposit"),
          QStringLiteral("deposits"), QStringLiteral("money in"), QStringLiteral("paid in"),
          QStringLiteral("eingang"), QStringLiteral("gutschrift")}},
        {Role::Amount,
         {QStringLiteral("amount"), QStringLiteral("betrag"), QStringLiteral("umsatz")}},
        {Role::Date,
         {QStringLiteral("date"), QStringLiteral("datum"), QStringLiteral("buchungstag"),
          QStringLiteral("valuta"), QStringLiteral("wertstellung"), QStringLiteral("valutadatum"),
          QStringLiteral("buchungsdatum")}},
        {Role::Description,
         {QStringLiteral("description"), QStringLiteral("payee"), QStringLiteral("memo"),
          QStringLiteral("text"), QStringLiteral("verwendungszweck"), QStringLiteral("empfaenger"),
          QStringLiteral("auftraggeber"), QStringLiteral("name"), QStringLiteral("details"),
          QStringLiteral("beschreibung"), QStringLiteral("buchungstext"),
          QStringLiteral("narrative"), QStringLiteral("beguenstigter"),
          QStringLiteral("zahlungspflichtiger")}},
    };
    for (const Words& words : kWords) {
        if (words.words.contains(name))
            return {words.role, 2};
    }
    for (const Words& words : kWords) {
        for (const QString& word : words.words) {
            if (name.contains(word))
                return {words.role, 1};
        }
    }
    return {};
}

} // namespace

std::pair<int, int> commonWidth(const QList<Record>& records) {
    QHash<int, int> widths;
    for (const Record& record : records) {
        if (record.fields.size() >= 2)
            ++widths[int(record.fields.size())];
    }
    int best = 0, count = 0;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
        if (it.value() > count || (it.value() == count && it.key() > best)) {
            best = it.key();
            count = it.value();
        }
    }
    return {best, count};
}

bool blankRecord(const Record& record) {
    return std::all_of(record.fields.cbegin(), record.fields.cend(),
                       [](const QString& field) { return field.trimmed().isEmpty(); });
}

namespace {

bool readsAsDate(const QString& text, const QDate& today) {
    for (const DateOrder order :
         {DateOrder::DayMonthYear, DateOrder::MonthDayYear, DateOrder::YearMonthDay}) {
        if (readDate(text, order, today))
            return true;
    }
    return false;
}

bool readsAsAmount(const QString& text) {
    return readAmount(text, QLatin1Char('.')) || readAmount(text, QLatin1Char(','));
}

// How a column's fields read, over the table's rows.
struct ColumnLook {
    int filled = 0;
    int dates = 0;
    int amounts = 0;
    int negatives = 0;
    int withCents = 0;
    qint64 textLength = 0;
    int texts = 0; // fields that are no date and no amount
};

QList<ColumnLook> lookAtColumns(const QList<Record>& records, int first, int width,
                                const QDate& today) {
    QList<ColumnLook> looks(width);
    // Enough rows to tell, but not every row of a long file.
    const int last = std::min<int>(int(records.size()), first + 2000);
    for (int i = first; i < last; ++i) {
        const Record& record = records[i];
        if (blankRecord(record))
            continue;
        for (int column = 0; column < width && column < record.fields.size(); ++column) {
            const QString field = record.fields[column].trimmed();
            if (field.isEmpty())
                continue;
            ColumnLook& look = looks[column];
            ++look.filled;
            if (readsAsDate(field, today)) {
                ++look.dates;
            } else if (readsAsAmount(field)) {
                ++look.amounts;
                bool negative = false;
                const QString body = numberBody(field, &negative);
                look.negatives += negative;
                const qsizetype separator = std::max(body.lastIndexOf(QLatin1Char('.')),
                                                     body.lastIndexOf(QLatin1Char(',')));
                look.withCents += separator >= 0 && body.size() - separator - 1 == 2;
            } else {
                ++look.texts;
                look.textLength += field.size();
            }
        }
    }
    return looks;
}

QStringList columnTexts(const QList<Record>& records, int first, int column) {
    QStringList texts;
    if (column < 0)
        return texts;
    for (int i = first; i < records.size(); ++i) {
        const QString field = records[i].fields.value(column).trimmed();
        if (!field.isEmpty())
            texts << field;
    }
    return texts;
}

} // namespace

bool isOwnHeader(const QStringList& fields) {
    if (fields.size() != 4)
        return false;
    const QStringList names = {QStringLiteral("date"), QStringLiteral("description"),
                               QStringLiteral("amount"), QStringLiteral("balance")};
    for (int i = 0; i < 4; ++i) {
        if (normalisedName(fields[i]) != names[i])
            return false;
    }
    return true;
}

bool guessColumns(Source& source, const QLocale& locale, const QDate& today) {
    Choices& c = source.guessed;
    c.headerRecord = -1;
    c.firstRecord = 0;
    c.dateColumn = c.amountColumn = c.debitColumn = c.creditColumn = -1;
    c.descriptionColumns.clear();
    const QList<Record>& records = source.records;
    const int width = commonWidth(records).first;

    // A header: the first record naming a date column and an amount (or a debit or
    // credit) column. Lines of text before it (account, period) are left out.
    for (int i = 0; i < records.size() && c.headerRecord < 0; ++i) {
        bool date = false, amount = false;
        for (const QString& field : records[i].fields) {
            const Role role = roleOf(field).role;
            date = date || role == Role::Date;
            amount = amount || role == Role::Amount || role == Role::Debit || role == Role::Credit;
        }
        if (date && amount && records[i].fields.size() >= 2)
            c.headerRecord = i;
    }
    if (c.headerRecord >= 0) {
        c.firstRecord = c.headerRecord + 1;
        const QStringList& names = records[c.headerRecord].fields;
        const auto best = [&](Role role) {
            int found = -1, strength = 0;
            for (int column = 0; column < names.size(); ++column) {
                const RoleMatch match = roleOf(names[column]);
                if (match.role == role && match.strength > strength) {
                    found = column;
                    strength = match.strength;
                }
            }
            return found;
        };
        c.dateColumn = best(Role::Date);
        c.amountColumn = best(Role::Amount);
        if (c.amountColumn < 0) {
            c.debitColumn = best(Role::Debit);
            c.creditColumn = best(Role::Credit);
        }
        for (int column = 0; column < names.size(); ++column) {
            if (roleOf(names[column]).role == Role::Description)
                c.descriptionColumns << column;
        }
    } else {
        // No header: the table starts at the first record of the common width with a date.
        c.firstRecord = -1;
        for (int i = 0; i < records.size() && c.firstRecord < 0; ++i) {
            if (records[i].fields.size() != width)
                continue;
            for (const QString& field : records[i].fields) {
                if (readsAsDate(field.trimmed(), today)) {
                    c.firstRecord = i;
                    break;
                }
            }
        }
        if (c.firstRecord < 0)
            return false;
    }

    // What the header did not name, or named wrongly, is guessed from the content.
    const int columns =
        std::max<int>(width, c.headerRecord >= 0 ? int(records[c.headerRecord].fields.size()) : 0);
    const QList<ColumnLook> looks = lookAtColumns(records, c.firstRecord, columns, today);
    const auto mostly = [](int part, int whole) { return whole > 0 && part * 2 >= whole; };
    if (c.dateColumn < 0 || !mostly(looks[c.dateColumn].dates, looks[c.dateColumn].filled)) {
        c.dateColumn = -1;
        int best = 0;
        for (int column = 0; column < columns; ++column) {
            if (mostly(looks[column].dates, looks[column].filled) && looks[column].dates > best) {
                best = looks[column].dates;
                c.dateColumn = column;
            }
        }
    }
    if (c.dateColumn < 0)
        return false;
    // A column the header names needs most of its fields to be amounts (a few may be
    // unreadable rows); one found by its content nearly all.
    const auto mostlyAmounts = [&](int column, int tenths) {
        return column >= 0 && column != c.dateColumn && looks[column].amounts > 0 &&
               looks[column].amounts * 10 >= looks[column].filled * tenths;
    };
    const auto named = [&](int column) { return mostlyAmounts(column, 5); };
    const auto numeric = [&](int column) { return mostlyAmounts(column, 8); };
    bool amountsKnown = named(c.amountColumn) ||
                        (c.amountColumn < 0 && (named(c.debitColumn) || named(c.creditColumn)));
    if (!amountsKnown) {
        c.amountColumn = c.debitColumn = c.creditColumn = -1;
        QList<int> candidates;
        for (int column = 0; column < columns; ++column) {
            if (numeric(column))
                candidates << column;
        }
        // Two columns side by side of which each row fills one: money out, money in.
        for (int i = 0; i + 1 < candidates.size() && c.debitColumn < 0; ++i) {
            const int a = candidates[i], b = candidates[i + 1];
            if (b != a + 1)
                continue;
            int rows = 0, one = 0;
            for (int r = c.firstRecord; r < records.size(); ++r) {
                if (blankRecord(records[r]))
                    continue;
                ++rows;
                const auto filled = [&](int column) {
                    const std::optional<double> value =
                        readAmount(records[r].fields.value(column), QLatin1Char('.'));
                    const std::optional<double> comma =
                        readAmount(records[r].fields.value(column), QLatin1Char(','));
                    return (value && *value != 0) || (comma && *comma != 0);
                };
                one += filled(a) != filled(b);
            }
            if (rows > 0 && one * 10 >= rows * 9) {
                c.debitColumn = a;
                c.creditColumn = b;
            }
        }
        if (c.debitColumn < 0) {
            for (const int column : std::as_const(candidates)) {
                if (looks[column].negatives > 0) {
                    c.amountColumn = column;
                    break;
                }
            }
            if (c.amountColumn < 0 && !candidates.isEmpty())
                c.amountColumn = candidates.front();
        }
    }
    if (c.amountColumn < 0 && c.debitColumn < 0 && c.creditColumn < 0)
        return false;
    if (c.descriptionColumns.isEmpty()) {
        int best = -1;
        double longest = 0;
        for (int column = 0; column < columns; ++column) {
            if (column == c.dateColumn || column == c.amountColumn || column == c.debitColumn ||
                column == c.creditColumn || looks[column].texts == 0)
                continue;
            const double average = double(looks[column].textLength) / looks[column].texts;
            if (average > longest) {
                longest = average;
                best = column;
            }
        }
        if (best >= 0)
            c.descriptionColumns << best;
    }

    c.dateOrder = guessDateOrder(columnTexts(records, c.firstRecord, c.dateColumn), locale, false);
    QStringList amounts = columnTexts(records, c.firstRecord, c.amountColumn);
    amounts << columnTexts(records, c.firstRecord, c.debitColumn)
            << columnTexts(records, c.firstRecord, c.creditColumn);
    c.decimal = guessDecimal(amounts, locale);
    return true;
}

ListChoice listFromName(const QString& path) {
    const QString name = QFileInfo(path).fileName().toLower();
    if (name.startsWith(QLatin1String("income")))
        return ListChoice::Income;
    if (name.startsWith(QLatin1String("expense")))
        return ListChoice::Expense;
    return ListChoice::BySign;
}

namespace {} // namespace

QStringList Source::columnNames() const {
    QStringList names;
    if (format == Format::Qif)
        return names;
    int width = commonWidth(records).first;
    if (choices.headerRecord >= 0)
        width = std::max<int>(width, int(records.value(choices.headerRecord).fields.size()));
    for (int column = 0; column < width; ++column) {
        QString name = choices.headerRecord >= 0
                           ? records[choices.headerRecord].fields.value(column).trimmed()
                           : QString();
        names << (name.isEmpty() ? QStringLiteral("Column %1").arg(column + 1)
                                 : QStringLiteral("%1 (column %2)").arg(name).arg(column + 1));
    }
    return names;
}

QList<Record> csvRecords(const QString& text, QChar delimiter) {
    QList<Record> records;
    const qsizetype size = text.size();
    qsizetype i = 0;
    int line = 1;
    while (i < size) {
        Record record;
        record.line = line;
        QString field;
        bool ended = false;
        while (!ended) {
            // A field: blanks before a quote are left out ("a, "b"").
            qsizetype at = i;
            while (at < size && text[at] == QLatin1Char(' '))
                ++at;
            if (at < size && text[at] == QLatin1Char('"')) {
                i = at + 1;
                for (;;) {
                    if (i >= size)
                        break;
                    const QChar c = text[i];
                    if (c == QLatin1Char('"')) {
                        if (i + 1 < size && text[i + 1] == QLatin1Char('"')) {
                            field += QLatin1Char('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == QLatin1Char('\n') ||
                        (c == QLatin1Char('\r') &&
                         !(i + 1 < size && text[i + 1] == QLatin1Char('\n'))))
                        ++line;
                    field += c;
                    ++i;
                }
            }
            // Up to the delimiter or the line end (anything after a closing quote stays).
            bool delimited = false;
            while (i < size) {
                const QChar c = text[i];
                if (c == delimiter) {
                    ++i;
                    delimited = true;
                    break;
                }
                if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                    i +=
                        (c == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n'))
                            ? 2
                            : 1;
                    ++line;
                    ended = true;
                    break;
                }
                field += c;
                ++i;
            }
            record.fields << field;
            field.clear();
            if (!ended && i >= size) {
                // A delimiter at the very end of the text: one more, empty, field.
                if (delimited)
                    record.fields << QString();
                ended = true;
            }
        }
        records << record;
    }
    return records;
}

void setDelimiter(Source& source, QChar delimiter, const QLocale& locale, const QDate& today) {
    const ListChoice list = source.choices.list;
    source.records = csvRecords(source.text, delimiter);
    const Choices before = source.guessed;
    if (!guessColumns(source, locale, today)) {
        // No table under this delimiter: the columns stay unchosen, the rest as it was.
        source.guessed.dateColumn = source.guessed.amountColumn = -1;
        source.guessed.debitColumn = source.guessed.creditColumn = -1;
        source.guessed.descriptionColumns.clear();
        source.guessed.dateOrder = before.dateOrder;
        source.guessed.decimal = before.decimal;
    }
    source.choices = source.guessed;
    source.choices.delimiter = delimiter;
    source.choices.list = list;
}

} // namespace kesterly::entryimport
