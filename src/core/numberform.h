#pragma once

#include "core/listfile.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// Numbers an account holds that were written under other regional settings.
//
// The balance file and the Balance columns hold numbers as the program wrote them under
// the settings of their time, the Amount columns what the user typed. An account copied
// to another computer, or opened after the settings changed, is read under other
// settings, and a number is never misread for that. Each text is read in the two forms
// of numbertext.h (the current settings' and the other one) and taken by these rules:
//
// 1. A text both forms read as the same number ("500", "-20") is that number.
// 2. A text only one form reads is read in that form: "2366,27" under English settings
//    (which have no group of four digits) is 2366.27, "700.5" under German ones is 700.5.
//    The next balance the program writes is in the current form ("2367.27").
// 3. A text the two forms read as two different numbers ("1.125": 1.125 as English
//    settings write it, 1125 as German ones do) is read in the form the account shows it
//    was written in:
//    - the balance file: the form the account remembers in its hidden file
//      ".kesterly.numbers", which the program writes with every balance holding a point or
//      a comma (and New Account with such an opening balance); without it, the form of
//      the last row of each list whose balance (or else amount) only one form reads. When
//      the two lists show different forms, the user is asked once, with both readings, and the
//      answer is remembered; when nothing shows a form, the current settings decide, so a
//      German user's own "1.500" is 1500, as it always was.
//    - a row of the lists (the chart, the export): the form its own balance or amount
//      shows; else that of the nearest row before it in the same list that shows one, or
//      after it; else the account's form as above (the current one where it asks).
// 4. A text neither form reads is no number: the balance file's is shown as it stands and
//    no entry is counted from it (the message names the file and the text); a list's text
//    is left out of the figures. An empty balance counts as 0.
//
// Texts the user typed stay in the lists as typed; only figures worked out from them
// follow these rules.
namespace kesterly::numbers {

// How numbers are written: with a decimal point (English settings) or a decimal comma
// (German settings). Unknown where nothing tells.
enum class Form { Unknown, Point, Comma };

// The form of the locale's numbers: Comma for a decimal comma, Point otherwise.
Form formOf(const QLocale& locale);
// The form a text shows it was written in: the one form that reads it; Unknown when both
// forms read it, or neither does.
Form formShownBy(const QString& text, const QLocale& locale);
// The value of a text written in `written`: where the two forms read it differently, the
// reading of `written` (the current form's when Unknown); otherwise as rules 1 and 2 say.
std::optional<double> valueIn(const QString& text, Form written, const QLocale& locale);

// What an account shows of the form its balance file was written in.
struct AccountForm {
    Form remembered = Form::Unknown;
    // The form of the last row of each list whose balance or amount only one form reads.
    Form incomeColumn = Form::Unknown;
    Form expenseColumn = Form::Unknown;

    // The columns show different forms and nothing is remembered: the account cannot tell.
    bool undecided() const;
    // The form that decides for a text of two readings: the remembered one, else the
    // columns' (Unknown when they show none, or disagree).
    Form decided() const;
};

// The form of the last row of a list whose balance, or else amount, only one form reads.
Form lastFormShown(const QStringList& balances, const QStringList& amounts, const QLocale& locale);

// The balance file's first line as the rules read it.
struct BalanceReading {
    enum Kind {
        Empty,       // blank: counts as 0
        Number,      // `value`
        NotNumber,   // shown as it stands; nothing is counted from it
        TwoReadings, // the account cannot tell: `value` in the current form, `otherValue`
                     // in the other one; the user chooses
    } kind = Empty;
    double value = 0;
    double otherValue = 0;
};
BalanceReading readBalance(const QString& text, const AccountForm& account, const QLocale& locale);

// The same for the balance file of the account in `folder`, whose form the account's files
// tell when the text has two readings.
BalanceReading readAccountBalance(const QString& text, const QString& folder,
                                  const QLocale& locale);
// The text a window shows for the balance file's first line: a number in the current
// form; any other text (no number, or two readings nobody chose between) as it stands.
QString shownBalance(const QString& text, const BalanceReading& reading, const QLocale& locale);

// The form each row of a list was written in, by rule 3 for rows: from its own balance
// and amount texts, then its neighbours', then `account`. Rows are the index of the texts.
QList<Form> rowForms(const QStringList& balances, const QStringList& amounts, Form account,
                     const QLocale& locale);

// The hidden file that remembers the form of the account's balance file.
inline const QString& kFormFile = listfile::kSavedHiddenFile;
// Its one line: "decimal point" or "decimal comma".
QString formLine(Form form);
Form formOfLine(const QString& line);

// The remembered form as read, with the file's stamp for a later write.
struct Remembered {
    Form form = Form::Unknown;
    listfile::FileStamp stamp;
};
Remembered readRemembered(const QString& folder);
// readAccountBalance with the remembered form already read.
BalanceReading readAccountBalance(const QString& text, const QString& folder,
                                  const Remembered& remembered, const QLocale& locale);
// What the account shows: the remembered form, and when there is none the Balance and
// Amount columns (each read up to the most rows a table holds).
AccountForm readAccountForm(const QString& folder, const Remembered& remembered,
                            const QLocale& locale);

// The hidden file's new content to be saved together with the balance text, when it must
// change: the text holds a point or a comma and the account remembers no form, or the
// account remembers another form than the locale's. Replaced only while it is still
// what `remembered` was read from.
std::optional<listfile::FileLines> rememberedUpdate(const QString& folder,
                                                    const QString& balanceText,
                                                    const Remembered& remembered,
                                                    const QLocale& locale);

} // namespace kesterly::numbers
