#include "core/importfile.h"

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

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x00A0) ||
           c == QChar(0x2009) || c == QChar(0x202F);
}

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

// --- numbers ----------------------------------------------------------------------------

// The amount's text without what is not its number: blanks, a currency sign or code
// before or after, and its sign (which `negative` gets: a minus before or after, or
// parentheses).
QString numberBody(const QString& text, bool* negative) {
    QString t;
    t.reserve(text.size());
    for (const QChar c : text) {
        if (!isBlank(c))
            t += c;
    }
    bool minus = false;
    for (bool changed = true; changed && !t.isEmpty();) {
        changed = false;
        const QChar first = t.front();
        const QChar last = t.back();
        if (first == QLatin1Char('(') && last == QLatin1Char(')') && t.size() >= 2) {
            minus = !minus;
            t = t.sliced(1, t.size() - 2);
            changed = true;
        } else if (first == QLatin1Char('-') || first == QChar(0x2212)) {
            minus = !minus;
            t.remove(0, 1);
            changed = true;
        } else if (first == QLatin1Char('+')) {
            t.remove(0, 1);
            changed = true;
        } else if (last == QLatin1Char('-') || last == QChar(0x2212)) {
            minus = !minus;
            t.chop(1);
            changed = true;
        } else if (last == QLatin1Char('+')) {
            t.chop(1);
            changed = true;
        } else if (first.category() == QChar::Symbol_Currency) {
            t.remove(0, 1);
            changed = true;
        } else if (last.category() == QChar::Symbol_Currency) {
            t.chop(1);
            changed = true;
        } else if (first.isLetter() || last.isLetter()) {
            // A currency's code ("EUR 12,50", "12.50 USD", "kr"), never a longer word.
            qsizetype lead = 0, trail = 0;
            while (lead < t.size() && t[lead].isLetter())
                ++lead;
            while (trail < t.size() - lead && t[t.size() - 1 - trail].isLetter())
                ++trail;
            if (lead > 3 || trail > 3 || lead + trail >= t.size())
                break;
            t = t.sliced(lead, t.size() - lead - trail);
            changed = true;
        }
    }
    if (negative)
        *negative = minus;
    return t;
}

// Whether the digits before the decimal separator are grouped by `separator` in threes.
bool groupedInThrees(QStringView whole, QChar separator) {
    if (!whole.contains(separator))
        return true;
    const QList<QStringView> groups = whole.split(separator);
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const qsizetype size = groups[i].size();
        if (i == 0 ? (size < 1 || size > 3) : size != 3)
            return false;
    }
    return true;
}

// --- dates ------------------------------------------------------------------------------

// The three digit groups of a date ("03.11.2026", "11/ 3'26", "2026-11-03 10:15"), or none.
std::optional<std::array<QString, 3>> dateParts(const QString& text) {
    QString t = text.trimmed();
    // A time after the date is left aside: "2026-11-03 10:15:00", "2026-11-03T10:15".
    if (const qsizetype colon = t.indexOf(QLatin1Char(':')); colon >= 0) {
        qsizetype cut = colon;
        while (cut > 0 && isDigit(t[cut - 1]))
            --cut;
        t.truncate(cut);
        if (t.endsWith(QLatin1Char('T')))
            t.chop(1);
    }
    std::array<QString, 3> parts;
    int part = 0;
    bool inDigits = false;
    for (const QChar c : std::as_const(t)) {
        if (isDigit(c)) {
            if (!inDigits && !parts[part].isEmpty()) {
                if (++part > 2)
                    return std::nullopt;
            }
            parts[part] += c;
            inDigits = true;
        } else if (c == QLatin1Char('.') || c == QLatin1Char('/') || c == QLatin1Char('-') ||
                   c == QLatin1Char('\'')) {
            if (parts[part].isEmpty())
                return std::nullopt;
            inDigits = false;
            if (++part > 2)
                part = 3;
            if (part == 3)
                return std::nullopt;
        } else if (isBlank(c)) {
            // QIF pads day and month with blanks ("11/ 3'26"); blanks only after a
            // separator, or at the end.
            if (inDigits)
                inDigits = false;
        } else {
            return std::nullopt;
        }
    }
    // "20261103": year, month and day without separators.
    if (part == 0 && parts[0].size() == 8)
        return std::array<QString, 3>{parts[0].left(4), parts[0].mid(4, 2), parts[0].right(2)};
    if (parts[2].isEmpty())
        return std::nullopt;
    for (const QString& p : parts) {
        if (p.size() > 4)
            return std::nullopt;
    }
    return parts;
}

std::optional<QDate> dateFromParts(const std::array<QString, 3>& parts, DateOrder order,
                                   const QDate& today) {
    QString year, month, day;
    if (parts[0].size() >= 3) {
        year = parts[0];
        month = parts[1];
        day = parts[2];
    } else {
        switch (order) {
        case DateOrder::DayMonthYear:
            day = parts[0], month = parts[1], year = parts[2];
            break;
        case DateOrder::MonthDayYear:
            month = parts[0], day = parts[1], year = parts[2];
            break;
        case DateOrder::YearMonthDay:
            year = parts[0], month = parts[1], day = parts[2];
            break;
        }
    }
    if (day.size() > 2 || month.size() > 2 || year.size() == 3)
        return std::nullopt;
    int y = year.toInt();
    if (year.size() <= 2) {
        const int first = today.year() - 80;
        y = first + ((y - first) % 100 + 100) % 100;
    }
    const QDate date(y, month.toInt(), day.toInt());
    if (!date.isValid() || y < 1000)
        return std::nullopt;
    return date;
}

DateOrder localeOrder(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(QLatin1Char('d'));
    const qsizetype m = format.indexOf(QLatin1Char('M'));
    const qsizetype y = format.indexOf(QLatin1Char('y'));
    if (y >= 0 && y < d && y < m)
        return DateOrder::YearMonthDay;
    if (m >= 0 && d >= 0 && m < d)
        return DateOrder::MonthDayYear;
    return DateOrder::DayMonthYear;
}

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
        {Role::None, {QStringLiteral("balance"), QStringLiteral("saldo"),
                      QStringLiteral("kontostand"), QStringLiteral("currency"),
                      QStringLiteral("waehrung"), QStringLiteral("umsatzart"),
                      QStringLiteral("running bal")}},
        {Role::Debit, {QStringLiteral("debit"), QStringLiteral("soll"), QStringLiteral("withdrawal"),
                       QStringLiteral("withdrawals"), QStringLiteral("money out"),
                       QStringLiteral("paid out"), QStringLiteral("ausgang"),
                       QStringLiteral("belastung")}},
        {Role::Credit, {QStringLiteral("credit"), QStringLiteral("haben"), QStringLiteral("deposit"),
                        QStringLiteral("deposits"), QStringLiteral("money in"),
                        QStringLiteral("paid in"), QStringLiteral("eingang"),
                        QStringLiteral("gutschrift")}},
        {Role::Amount, {QStringLiteral("amount"), QStringLiteral("betrag"), QStringLiteral("umsatz")}},
        {Role::Date, {QStringLiteral("date"), QStringLiteral("datum"), QStringLiteral("buchungstag"),
                      QStringLiteral("valuta"), QStringLiteral("wertstellung"),
                      QStringLiteral("valutadatum"), QStringLiteral("buchungsdatum")}},
        {Role::Description, {QStringLiteral("description"), QStringLiteral("payee"),
                             QStringLiteral("memo"), QStringLiteral("text"),
                             QStringLiteral("verwendungszweck"), QStringLiteral("empfaenger"),
                             QStringLiteral("auftraggeber"), QStringLiteral("name"),
                             QStringLiteral("details"), QStringLiteral("beschreibung"),
                             QStringLiteral("buchungstext"), QStringLiteral("narrative"),
                             QStringLiteral("beguenstigter"),
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

// The most common number of fields (two or more) among the records, and how many have it.
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

bool readsAsDate(const QString& text, const QDate& today) {
    const auto parts = dateParts(text);
    if (!parts)
        return false;
    for (const DateOrder order :
         {DateOrder::DayMonthYear, DateOrder::MonthDayYear, DateOrder::YearMonthDay}) {
        if (dateFromParts(*parts, order, today))
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
                const qsizetype separator =
                    std::max(body.lastIndexOf(QLatin1Char('.')), body.lastIndexOf(QLatin1Char(',')));
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

// Guesses the table's place and columns under the source's delimiter; false when there
// is no table of dates and amounts.
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
    const int columns = std::max<int>(width, c.headerRecord >= 0
                                                 ? int(records[c.headerRecord].fields.size())
                                                 : 0);
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

// --- public -----------------------------------------------------------------------------

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

QString dateOrderName(DateOrder order) {
    switch (order) {
    case DateOrder::DayMonthYear:
        return QStringLiteral("day-month-year");
    case DateOrder::MonthDayYear:
        return QStringLiteral("month-day-year");
    case DateOrder::YearMonthDay:
        return QStringLiteral("year-month-day");
    }
    return {};
}

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
                        (c == QLatin1Char('\r') && !(i + 1 < size && text[i + 1] == QLatin1Char('\n'))))
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
                    i += (c == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n'))
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

std::optional<double> readAmount(const QString& text, QChar decimal) {
    bool negative = false;
    const QString body = numberBody(text, &negative);
    if (body.isEmpty())
        return std::nullopt;
    const QChar thousands = decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    const qsizetype point = body.indexOf(decimal);
    if (point >= 0 && body.indexOf(decimal, point + 1) >= 0)
        return std::nullopt;
    const QStringView whole = point >= 0 ? QStringView(body).left(point) : QStringView(body);
    const QStringView fraction = point >= 0 ? QStringView(body).sliced(point + 1) : QStringView();
    QString number;
    number.reserve(body.size() + 1);
    if (negative)
        number += QLatin1Char('-');
    // Thousands are grouped by the other separator or by apostrophes, in threes.
    QChar grouping;
    for (const QChar c : whole) {
        if (isDigit(c)) {
            number += c;
        } else if (c == thousands || c == QLatin1Char('\'')) {
            if (!grouping.isNull() && grouping != c)
                return std::nullopt;
            grouping = c;
        } else {
            return std::nullopt;
        }
    }
    if (!grouping.isNull() && !groupedInThrees(whole, grouping))
        return std::nullopt;
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (point >= 0) {
        number += QLatin1Char('.');
        for (const QChar c : fraction) {
            if (!isDigit(c))
                return std::nullopt;
            number += c;
        }
    }
    if (number == QLatin1String("-") || number == QLatin1String(".") ||
        number == QLatin1String("-."))
        return std::nullopt;
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString amountText(const QString& fileText, double value, const QLocale& locale) {
    const QString typed = fileText.trimmed();
    if (const auto read = strictNumber(typed, locale); read && *read == value)
        return typed;
    const QString body = numberBody(typed, nullptr);
    if (const auto read = strictNumber(body, locale); read && *read == value)
        return body;
    return numberToText(value, locale);
}

std::optional<QDate> readDate(const QString& text, DateOrder order, const QDate& today) {
    const auto parts = dateParts(text);
    if (!parts)
        return std::nullopt;
    return dateFromParts(*parts, order, today);
}

DateOrder guessDateOrder(const QStringList& texts, const QLocale& locale, bool qif) {
    const std::array<DateOrder, 3> orders = {DateOrder::DayMonthYear, DateOrder::MonthDayYear,
                                             DateOrder::YearMonthDay};
    std::array<int, 3> read{};
    bool dots = false, slashes = false;
    int parsed = 0, yearFirst = 0;
    // Each distinct text once; a day over 12 decides between day and month first.
    QSet<QString> seen;
    for (const QString& text : texts) {
        if (seen.contains(text))
            continue;
        seen.insert(text);
        dots = dots || text.contains(QLatin1Char('.'));
        slashes = slashes || text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\''));
        const auto parts = dateParts(text);
        if (!parts)
            continue;
        ++parsed;
        yearFirst += (*parts)[0].size() == 4;
        for (std::size_t i = 0; i < orders.size(); ++i)
            read[i] += bool(dateFromParts(*parts, orders[i], QDate(2026, 1, 1)));
    }
    // The order that the other texts follow when they leave it open: German dates have
    // dots, QIF's are American, other files follow the user's settings.
    // Dates that all start with a four-digit year read alike in every order.
    if (parsed > 0 && yearFirst == parsed)
        return DateOrder::YearMonthDay;
    DateOrder fallback = localeOrder(locale);
    if (dots)
        fallback = DateOrder::DayMonthYear;
    else if (qif && slashes)
        fallback = DateOrder::MonthDayYear;
    const int most = *std::max_element(read.cbegin(), read.cend());
    if (read[std::size_t(fallback)] == most)
        return fallback;
    for (std::size_t i = 0; i < orders.size(); ++i) {
        if (read[i] == most)
            return orders[i];
    }
    return fallback;
}

QChar guessDecimal(const QStringList& texts, const QLocale& locale) {
    int point = 0, comma = 0;
    for (const QString& text : texts) {
        const QString body = numberBody(text, nullptr);
        const qsizetype dot = body.lastIndexOf(QLatin1Char('.'));
        const qsizetype com = body.lastIndexOf(QLatin1Char(','));
        if (dot >= 0 && com >= 0) {
            (dot > com ? point : comma) += 1;
            continue;
        }
        const QChar separator = dot >= 0 ? QLatin1Char('.') : QLatin1Char(',');
        const qsizetype at = std::max(dot, com);
        if (at < 0)
            continue;
        if (body.count(separator) > 1) {
            // Several: they group thousands, so the other one is the decimal separator.
            (separator == QLatin1Char('.') ? comma : point) += 1;
            continue;
        }
        if (body.size() - at - 1 != 3)
            (separator == QLatin1Char('.') ? point : comma) += 1;
    }
    if (point != comma)
        return point > comma ? QLatin1Char('.') : QLatin1Char(',');
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(',') : QLatin1Char('.');
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

listfile::Read<Source> recognise(const QString& path, const QByteArray& bytes,
                                 const QLocale& locale, const QDate& today) {
    const QString& shown = path;
    if (bytes.trimmed().isEmpty())
        return {std::nullopt,
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
    const QString target = info.isSymLink() && !info.canonicalFilePath().isEmpty()
                               ? info.canonicalFilePath()
                               : path;
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
        return text.trimmed().isEmpty()
                   ? QStringLiteral("it has no date")
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
