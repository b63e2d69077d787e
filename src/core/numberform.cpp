#include "core/numberform.h"

#include "core/accountfolder.h"
#include "core/numbertext.h"

namespace kesterly::numbers {

namespace {

Form otherFormOf(const QLocale& locale) {
    return formOf(locale) == Form::Comma ? Form::Point : Form::Comma;
}

bool holdsSeparator(const QString& text) {
    return text.contains(QLatin1Char('.')) || text.contains(QLatin1Char(','));
}

} // namespace

Form formOf(const QLocale& locale) {
    return locale.decimalPoint() == QLatin1String(",") ? Form::Comma : Form::Point;
}

Form formShownBy(const QString& text, const QLocale& locale) {
    const NumberReadings readings = numberReadings(text, locale);
    if (readings.current && !readings.other)
        return formOf(locale);
    if (readings.other && !readings.current)
        return otherFormOf(locale);
    return Form::Unknown;
}

std::optional<double> valueIn(const QString& text, Form written, const QLocale& locale) {
    const NumberReadings readings = numberReadings(text, locale);
    if (readings.differ() && written == otherFormOf(locale))
        return readings.other;
    return readings.current ? readings.current : readings.other;
}

bool AccountForm::undecided() const {
    return remembered == Form::Unknown && incomeColumn != Form::Unknown &&
           expenseColumn != Form::Unknown && incomeColumn != expenseColumn;
}

Form AccountForm::decided() const {
    if (remembered != Form::Unknown)
        return remembered;
    if (undecided())
        return Form::Unknown;
    return incomeColumn != Form::Unknown ? incomeColumn : expenseColumn;
}

Form lastFormShown(const QStringList& balances, const QStringList& amounts, const QLocale& locale) {
    for (qsizetype row = std::max(balances.size(), amounts.size()) - 1; row >= 0; --row) {
        for (const QStringList* column : {&balances, &amounts}) {
            // Whole numbers and blank rows tell nothing; most rows of a book of whole
            // amounts are such, and are passed over without reading them.
            const QString text = column->value(row);
            if (!holdsSeparator(text))
                continue;
            const Form shown = formShownBy(text, locale);
            if (shown != Form::Unknown)
                return shown;
        }
    }
    return Form::Unknown;
}

BalanceReading readBalance(const QString& text, const AccountForm& account, const QLocale& locale) {
    if (text.trimmed().isEmpty())
        return {};
    const NumberReadings readings = numberReadings(text, locale);
    if (!readings.current && !readings.other)
        return {BalanceReading::NotNumber};
    if (!readings.differ())
        return {BalanceReading::Number, readings.current ? *readings.current : *readings.other};
    if (account.undecided())
        return {BalanceReading::TwoReadings, *readings.current, *readings.other};
    return {BalanceReading::Number,
            account.decided() == otherFormOf(locale) ? *readings.other : *readings.current};
}

BalanceReading readAccountBalance(const QString& text, const QString& folder,
                                  const QLocale& locale) {
    // The hidden file is read only for a text of two readings.
    if (!numberReadings(text, locale).differ())
        return readBalance(text, {}, locale);
    return readAccountBalance(text, folder, readRemembered(folder), locale);
}

BalanceReading readAccountBalance(const QString& text, const QString& folder,
                                  const Remembered& remembered, const QLocale& locale) {
    AccountForm form;
    if (numberReadings(text, locale).differ())
        form = readAccountForm(folder, remembered, locale);
    return readBalance(text, form, locale);
}

QString shownBalance(const QString& text, const BalanceReading& reading, const QLocale& locale) {
    switch (reading.kind) {
    case BalanceReading::Empty:
        return {};
    case BalanceReading::Number:
        return numberToText(reading.value, locale);
    case BalanceReading::NotNumber:
    case BalanceReading::TwoReadings:
        break;
    }
    return text;
}

QList<Form> rowForms(const QStringList& balances, const QStringList& amounts, Form account,
                     const QLocale& locale) {
    const qsizetype rows = std::max(balances.size(), amounts.size());
    QList<Form> forms(rows, Form::Unknown);
    for (qsizetype row = 0; row < rows; ++row) {
        for (const QStringList* column : {&balances, &amounts}) {
            const QString text = column->value(row);
            if (forms[row] == Form::Unknown && holdsSeparator(text))
                forms[row] = formShownBy(text, locale);
        }
    }
    // Settings change seldom: a row that shows nothing was written under the settings of
    // the row before it that shows a form, or, at the start of the list, of the first row
    // after it that does.
    QList<Form> result = forms;
    Form before = Form::Unknown;
    for (qsizetype row = 0; row < rows; ++row) {
        if (forms[row] != Form::Unknown)
            before = forms[row];
        else
            result[row] = before;
    }
    Form after = account;
    for (qsizetype row = rows - 1; row >= 0; --row) {
        if (forms[row] != Form::Unknown)
            after = forms[row];
        else if (result[row] == Form::Unknown)
            result[row] = after;
    }
    return result;
}

QString formLine(Form form) {
    switch (form) {
    case Form::Point:
        return QStringLiteral("decimal point");
    case Form::Comma:
        return QStringLiteral("decimal comma");
    case Form::Unknown:
        break;
    }
    return {};
}

Form formOfLine(const QString& line) {
    const QString word = line.trimmed().toLower();
    if (word == formLine(Form::Point))
        return Form::Point;
    if (word == formLine(Form::Comma))
        return Form::Comma;
    return Form::Unknown;
}

Remembered readRemembered(const QString& folder) {
    const QString path = account::filePath(folder, kFormFile);
    const auto read = listfile::readListContent(path, 1);
    if (!read.ok())
        return {Form::Unknown, listfile::stampOf(path)};
    return {read.value->texts.isEmpty() ? Form::Unknown : formOfLine(read.value->texts.first()),
            read.value->stamp};
}

AccountForm readAccountForm(const QString& folder, const Remembered& remembered,
                            const QLocale& locale) {
    AccountForm form;
    form.remembered = remembered.form;
    if (form.remembered != Form::Unknown)
        return form;
    const auto column = [&](const account::TableFiles& table) {
        const auto texts = [&](const QString& file) {
            const auto read =
                listfile::readListContent(account::filePath(folder, file), account::kMaxRows);
            return read.ok() ? read.value->texts : QStringList();
        };
        return lastFormShown(texts(table.balance), texts(table.amount), locale);
    };
    form.incomeColumn = column(account::kIncomeTable);
    form.expenseColumn = column(account::kExpenseTable);
    return form;
}

std::optional<listfile::FileLines> rememberedUpdate(const QString& folder,
                                                    const QString& balanceText,
                                                    const Remembered& remembered,
                                                    const QLocale& locale) {
    const Form current = formOf(locale);
    const bool stale = remembered.form != Form::Unknown && remembered.form != current;
    const bool wanted = remembered.form == Form::Unknown && holdsSeparator(balanceText);
    if (!stale && !wanted)
        return std::nullopt;
    return listfile::FileLines{
        account::filePath(folder, kFormFile), {formLine(current)}, remembered.stamp};
}

} // namespace kesterly::numbers
