#include "core/numberform.h"
#include "core/numbertext.h"
#include "support/files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kesterly;
using namespace kesterly::numbers;
using namespace kesterly::test;

namespace {
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// What the account shows of the settings its balance was written under.
enum class Shows {
    Nothing,      // an older account of whole numbers: no hidden file, no telling rows
    Remembered,   // the hidden file names the form of the settings written under
    Lists,        // both lists' last telling rows are in that form
    OneList,      // one list's last telling row is; the other tells nothing
    ListsDisagree // the lists' last telling rows are in different forms, nothing remembered
};

// How the rules read the balance, as the Entry form shows it under the settings read
// under: the number in the current form, "empty", "no number", or "asks: A or B".
QString outcome(const BalanceReading& reading, const QLocale& read) {
    switch (reading.kind) {
    case BalanceReading::Empty:
        return QStringLiteral("empty");
    case BalanceReading::Number:
        return numberToText(reading.value, read);
    case BalanceReading::NotNumber:
        return QStringLiteral("no number");
    case BalanceReading::TwoReadings:
        break;
    }
    return QStringLiteral("asks: %1 or %2")
        .arg(numberToText(reading.value, read), numberToText(reading.otherValue, read));
}
} // namespace

Q_DECLARE_METATYPE(Shows)

class NumberFormTest : public QObject {
    Q_OBJECT
private slots:
    void balanceWrittenUnderOtherSettings_data();
    void balanceWrittenUnderOtherSettings();
    void rowsTakeTheFormTheyShow_data();
    void rowsTakeTheFormTheyShow();
    void theAccountsFilesTellItsForm();
    void theFormIsRememberedWhenItMatters_data();
    void theFormIsRememberedWhenItMatters();
};

// The table of cases: a balance text, the settings it was written under, the settings it
// is read under, what the account shows, and what the Entry form then holds.
void NumberFormTest::balanceWrittenUnderOtherSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QLocale>("written");
    QTest::addColumn<QLocale>("read");
    QTest::addColumn<Shows>("shows");
    QTest::addColumn<QString>("result");
    const auto row = [](const char* name, const QString& text, const QLocale& written,
                        const QLocale& read, Shows shows, const QString& result) {
        QTest::newRow(name) << text << written << read << shows << result;
    };
    // The same under both settings: read as always.
    row("500, German to English", "500", kGerman, kEnglish, Shows::Nothing, "500");
    row("-20, English to German", "-20", kEnglish, kGerman, Shows::Lists, "-20");
    row("500.00 read as 500", "500.00", kEnglish, kEnglish, Shows::Nothing, "500");
    // Only the other settings read it: read so, and shown (and written next) in the
    // current form.
    row("German cents under English", "2366,27", kGerman, kEnglish, Shows::Nothing, "2366.27");
    row("German cents under English, remembered", "2366,27", kGerman, kEnglish,
        Shows::Remembered, "2366.27");
    row("German thousands and cents under English", "1.234,5", kGerman, kEnglish,
        Shows::Nothing, "1234.5");
    row("German exponent form under English", "1,5E+20", kGerman, kEnglish, Shows::Nothing,
        "1.5E+20");
    row("English cents under German", "700.5", kEnglish, kGerman, Shows::Nothing, "700,5");
    row("English thousands and cents under German", "1,234.5", kEnglish, kGerman,
        Shows::Nothing, "1234,5");
    row("English below one under German", "0.125", kEnglish, kGerman, Shows::Nothing, "0,125");
    // Two readings: the account's form decides, or the user is asked.
    row("English 1.125 under German, remembered", "1.125", kEnglish, kGerman, Shows::Remembered,
        "1,125");
    row("English 1.125 under German, the lists tell", "1.125", kEnglish, kGerman, Shows::Lists,
        "1,125");
    row("English 1.125 under German, one list tells", "1.125", kEnglish, kGerman,
        Shows::OneList, "1,125");
    row("English 1.125 under German, the lists disagree", "1.125", kEnglish, kGerman,
        Shows::ListsDisagree, "asks: 1125 or 1,125");
    row("German 1,125 under English, remembered", "1,125", kGerman, kEnglish, Shows::Remembered,
        "1.125");
    row("German 1,125 under English, the lists disagree", "1,125", kGerman, kEnglish,
        Shows::ListsDisagree, "asks: 1125 or 1.125");
    // Nothing tells: the current settings decide, as they always did.
    row("a German user's own 1.500", "1.500", kGerman, kGerman, Shows::Nothing, "1500");
    row("a German user's own 1.500, remembered", "1.500", kGerman, kGerman, Shows::Remembered,
        "1500");
    row("a German user's own 1.500, the lists tell", "1.500", kGerman, kGerman, Shows::Lists,
        "1500");
    row("an English user's own 1,500", "1,500", kEnglish, kEnglish, Shows::Nothing, "1500");
    row("English 1.125 under German, nothing tells", "1.125", kEnglish, kGerman, Shows::Nothing,
        "1125");
    // No number under either settings: refused as ever.
    row("letters", "abc", kEnglish, kGerman, Shows::Remembered, "no number");
    row("digits then letters", "12abc", kGerman, kEnglish, Shows::Nothing, "no number");
    row("German groups out of step under English", "1.23,5", kGerman, kEnglish, Shows::Nothing,
        "no number");
    row("beyond a double", "9E999", kEnglish, kEnglish, Shows::Nothing, "no number");
    row("blank", "  ", kEnglish, kGerman, Shows::Nothing, "empty");
}

void NumberFormTest::balanceWrittenUnderOtherSettings() {
    QFETCH(QString, text);
    QFETCH(QLocale, written);
    QFETCH(QLocale, read);
    QFETCH(Shows, shows);
    QFETCH(QString, result);
    AccountForm account;
    switch (shows) {
    case Shows::Nothing:
        break;
    case Shows::Remembered:
        account.remembered = formOf(written);
        break;
    case Shows::Lists:
        account.incomeColumn = account.expenseColumn = formOf(written);
        break;
    case Shows::OneList:
        account.expenseColumn = formOf(written);
        break;
    case Shows::ListsDisagree:
        account.incomeColumn = Form::Point;
        account.expenseColumn = Form::Comma;
        break;
    }
    QCOMPARE(outcome(readBalance(text, account, read), read), result);
}

// Each row of a list is read in the form it shows, or that of its neighbours; a list that
// shows nothing takes the account's.
void NumberFormTest::rowsTakeTheFormTheyShow_data() {
    QTest::addColumn<QStringList>("balances");
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<Form>("account");
    QTest::addColumn<QStringList>("read"); // each row's balance under German settings
    QTest::newRow("each row its own") << QStringList{"", "700.5", "1,5"}
                                      << QStringList{"", "1", "1"} << Form::Unknown
                                      << QStringList{"", "700,5", "1,5"};
    QTest::newRow("an ambiguous row after English rows")
        << QStringList{"700.5", "1.125"} << QStringList{"1", "2"} << Form::Comma
        << QStringList{"700,5", "1,125"};
    QTest::newRow("an ambiguous row before English rows")
        << QStringList{"1.125", "700.5"} << QStringList{"1", "2"} << Form::Comma
        << QStringList{"1,125", "700,5"};
    QTest::newRow("the row's amount tells") << QStringList{"1.125"} << QStringList{"0.125"}
                                            << Form::Comma << QStringList{"1,125"};
    QTest::newRow("nothing tells: the account's form")
        << QStringList{"1.125", "3"} << QStringList{"1", "2"} << Form::Point
        << QStringList{"1,125", "3"};
    QTest::newRow("nothing tells and nothing is known: the current form")
        << QStringList{"1.125"} << QStringList{"1"} << Form::Unknown << QStringList{"1125"};
    QTest::newRow("a move between settings: each part its own")
        << QStringList{"700.5", "1.125", "2,5", "1.125"} << QStringList{"1", "1", "1", "1"}
        << Form::Unknown << QStringList{"700,5", "1,125", "2,5", "1125"};
}

void NumberFormTest::rowsTakeTheFormTheyShow() {
    QFETCH(QStringList, balances);
    QFETCH(QStringList, amounts);
    QFETCH(Form, account);
    QFETCH(QStringList, read);
    const QList<Form> forms = rowForms(balances, amounts, account, kGerman);
    QCOMPARE(forms.size(), balances.size());
    QStringList got;
    for (qsizetype row = 0; row < balances.size(); ++row) {
        const auto value = valueIn(balances[row], forms[row], kGerman);
        got << (value ? numberToText(*value, kGerman) : balances[row]);
    }
    QCOMPARE(got, read);
}

// The hidden file comes first; without it the lists tell.
void NumberFormTest::theAccountsFilesTellItsForm() {
    QTemporaryDir account;
    const QString folder = account.path();
    writeBytes(folder + "/Incomebal.txt", "\r\n700.5\r\n1.125\r\n");
    writeBytes(folder + "/IncomeAmn.txt", "\r\n200\r\n1\r\n");
    writeBytes(folder + "/Expensebal.txt", "\r\n");
    writeBytes(folder + "/ExpenseAmn.txt", "\r\n");
    Remembered remembered = readRemembered(folder);
    QCOMPARE(remembered.form, Form::Unknown);
    AccountForm form = readAccountForm(folder, remembered, kGerman);
    QCOMPARE(form.decided(), Form::Point);
    QCOMPARE(outcome(readAccountBalance("1.125", folder, kGerman), kGerman), QString("1,125"));

    // The other list shows the German form: the account cannot tell any more.
    writeBytes(folder + "/Expensebal.txt", "\r\n2,5\r\n");
    writeBytes(folder + "/ExpenseAmn.txt", "\r\n1\r\n");
    form = readAccountForm(folder, remembered, kGerman);
    QVERIFY(form.undecided());
    QCOMPARE(outcome(readAccountBalance("1.125", folder, kGerman), kGerman),
             QString("asks: 1125 or 1,125"));

    // What is remembered decides; a line that is no form is not.
    writeBytes(folder + "/.kesterly.numbers", "decimal comma\r\n");
    remembered = readRemembered(folder);
    QCOMPARE(remembered.form, Form::Comma);
    QCOMPARE(readAccountForm(folder, remembered, kGerman).decided(), Form::Comma);
    QCOMPARE(outcome(readAccountBalance("1.125", folder, kGerman), kGerman), QString("1125"));
    writeBytes(folder + "/.kesterly.numbers", "Dezimalkomma\r\n");
    QCOMPARE(readRemembered(folder).form, Form::Unknown);
}

void NumberFormTest::theFormIsRememberedWhenItMatters_data() {
    QTest::addColumn<Form>("remembered");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QString>("written"); // the hidden file's new line, or "" for none
    QTest::newRow("a whole balance, nothing remembered") << Form::Unknown << "500" << "";
    QTest::newRow("a balance with a comma, nothing remembered")
        << Form::Unknown << "500,5" << "decimal comma";
    QTest::newRow("the same form remembered") << Form::Comma << "500,5" << "";
    QTest::newRow("another form remembered, a whole balance")
        << Form::Point << "500" << "decimal comma";
}

// Under German settings.
void NumberFormTest::theFormIsRememberedWhenItMatters() {
    QFETCH(Form, remembered);
    QFETCH(QString, balance);
    QFETCH(QString, written);
    const auto update = rememberedUpdate("/account", balance, {remembered, {}}, kGerman);
    QCOMPARE(update ? update->texts.value(0) : QString(), written);
    if (update)
        QCOMPARE(update->path, QStringLiteral("/account/.kesterly.numbers"));
}

QTEST_APPLESS_MAIN(NumberFormTest)
#include "test_numberform.moc"
