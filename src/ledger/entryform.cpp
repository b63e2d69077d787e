#include "ledger/entryform.h"

#include "core/accountfolder.h"
#include "core/ledgermath.h"
#include "core/listfile.h"
#include "core/numberform.h"
#include "core/numbertext.h"
#include "framework/controls.h"
#include "framework/fonts.h"
#include "framework/windows.h"
#include "ledger/balancewindow.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace kesterly {

namespace {
const QString kTitle = QStringLiteral("Entry Form");
}

EntryForm::EntryForm(Windows& windows)
    : ChildWindow(windows, kName, QString(89, QLatin1Char(' ')) + kTitle, 9420, 6084,
                  Frame::Fixed) {
    place<QLabel>("Label1", 960, 720, 492, 252)->setText(QStringLiteral("Date :"));
    dateBox_ = place<QLineEdit>("Text1", 1560, 650, 2652, 372);
    place<QLabel>("Label2", 480, 1320, 972, 252)->setText(QStringLiteral("Description :"));
    descriptionBox_ = place<QLineEdit>("Text2", 1560, 1280, 2652, 372);
    place<QLabel>("Label3", 720, 1920, 732, 252)->setText(QStringLiteral("Amount :"));
    amountBox_ = place<QLineEdit>("Text3", 1560, 1850, 2652, 372);
    incomeOption_ = place<QRadioButton>("Option1", 1560, 2640, 1212, 372);
    incomeOption_->setText(QStringLiteral("Income"));
    expenseOption_ = place<QRadioButton>("Option2", 2880, 2640, 1212, 372);
    expenseOption_->setText(QStringLiteral("Expense"));
    submitButton_ = place<QPushButton>("Command1", 1800, 3720, 2052, 612);
    submitButton_->setText(QStringLiteral("Submit"));
    balanceLabel_ = place<QLabel>("Label4", 5280, 4440, 3732, 492);
    balanceLabel_->setFont(fonts::arial(19.8));
    // Readers announce the figure itself; this says what it is.
    balanceLabel_->setAccessibleDescription(QStringLiteral("Your Balance"));
    place<QLabel>("Label5", 5160, 4080, 1452, 252)->setText(QStringLiteral("Your Balance :"));
    saveButton_ = place<QPushButton>("Command2", 1800, 4560, 2052, 492);
    saveButton_->setText(QStringLiteral("Save to File"));

    for (QLineEdit* box : {dateBox_, descriptionBox_, amountBox_})
        box->setFont(fonts::arial(12));

    setTabOrder(dateBox_, descriptionBox_);
    setTabOrder(descriptionBox_, amountBox_);
    setTabOrder(amountBox_, incomeOption_);
    setTabOrder(incomeOption_, expenseOption_);
    setTabOrder(expenseOption_, submitButton_);
    setTabOrder(submitButton_, saveButton_);
    setFocusProxy(dateBox_);

    connect(submitButton_, &QPushButton::clicked, this, &EntryForm::submit);
    connect(saveButton_, &QPushButton::clicked, this, &EntryForm::saveToFile);
}

void EntryForm::load() {
    folder_ = windows().account().folder();
    if (folder_.isEmpty()) {
        setBalance(QString());
        return;
    }
    readBalance();
}

QString EntryForm::balancePath() const {
    return account::filePath(folder_, account::kOpeningBalance);
}

bool EntryForm::readBalance() {
    const QString path = balancePath();
    // The balance is the first line; the rest of the file is not read.
    const auto stored = listfile::readListContent(path, 1);
    balanceUnread_.clear();
    QString balance;
    if (!stored.ok()) {
        balanceStamp_ = listfile::stampOf(path);
        // A file that is there but cannot be read holds a balance nobody can see; entries
        // booked against an empty balance would hide it for good.
        const QFileInfo file(path);
        if (file.exists() || file.isSymLink())
            balanceUnread_ = stored.error;
        windows().inform(stored.error + (balanceUnread_.isEmpty()
                                             ? QStringLiteral(" The balance starts empty.")
                                             : QStringLiteral(" No entry can be recorded and the "
                                                              "file is left as it is. Put the "
                                                              "file right, then close this form "
                                                              "and open it again.")),
                         kTitle, MessageIcon::Exclamation);
    } else if (stored.value->texts.isEmpty()) {
        balanceStamp_ = stored.value->stamp;
        windows().inform(
            QStringLiteral("\"%1\" holds no balance. The balance starts empty.").arg(path), kTitle,
            MessageIcon::Exclamation);
    } else {
        balanceStamp_ = stored.value->stamp;
        balance = readBalanceText(stored.value->texts.first());
    }
    setBalance(balance);
    return balanceUnread_.isEmpty();
}

QString EntryForm::readBalanceText(const QString& stored) {
    // The balance may have been written under other regional settings (numberform.h).
    const QLocale locale = userLocale();
    remembered_ = numbers::readRemembered(folder_);
    numbers::AccountForm form;
    if (numberReadings(stored, locale).differ())
        form = numbers::readAccountForm(folder_, remembered_, locale);
    const numbers::BalanceReading reading = numbers::readBalance(stored, form, locale);
    switch (reading.kind) {
    case numbers::BalanceReading::Empty:
        return {};
    case numbers::BalanceReading::Number:
        return numberToText(reading.value, locale);
    case numbers::BalanceReading::NotNumber:
        // Shown as it stands; a Submit says what is wrong with it.
        return stored;
    case numbers::BalanceReading::TwoReadings:
        break;
    }
    if (const std::optional<double> chosen = askReading(stored, reading))
        return numberToText(*chosen, locale);
    balanceUnread_ = tr("The balance \"%1\" in \"%2\" can be read as two different numbers, "
                        "and none was chosen.")
                         .arg(stored, balancePath());
    return stored;
}

std::optional<double> EntryForm::askReading(const QString& stored,
                                            const numbers::BalanceReading& reading) {
    const QLocale locale = userLocale();
    // The one point or comma of the text is either a decimal separator or one between
    // thousands: the form whose decimal separator it is reads the smaller number.
    const QChar separator = stored.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char('.');
    const numbers::Form decimalForm =
        separator == QLatin1Char(',') ? numbers::Form::Comma : numbers::Form::Point;
    const bool currentIsDecimal = numbers::formOf(locale) == decimalForm;
    const double asDecimal = currentIsDecimal ? reading.value : reading.otherValue;
    const double asThousands = currentIsDecimal ? reading.otherValue : reading.value;
    const Choice answer = windows().ask(
        tr("The balance in \"%1\" is \"%2\". The account has been used under different "
           "regional settings, which read this text as two different numbers:\n\n"
           "Yes: %3 (the \"%4\" is a decimal separator)\n"
           "No: %5 (the \"%4\" separates thousands)\n\n"
           "Which one is the balance? The answer is kept with the account. Cancel leaves the "
           "file as it is, and no entry can be recorded until this form is opened again.")
            .arg(balancePath(), stored.trimmed(), numberToText(asDecimal, locale), separator,
                 numberToText(asThousands, locale)),
        kTitle, MessageIcon::Exclamation, {Choice::Cancel, Choice::Yes, Choice::No});
    if (answer != Choice::Yes && answer != Choice::No)
        return std::nullopt;
    // The form the text was written in is remembered, so that the question comes once; a
    // file that cannot be written only means the question comes again next time.
    const numbers::Form written =
        answer == Choice::Yes ? decimalForm
                              : (decimalForm == numbers::Form::Point ? numbers::Form::Comma
                                                                     : numbers::Form::Point);
    const QString formPath = account::filePath(folder_, numbers::kFormFile);
    if (listfile::writeValue(formPath, numbers::formLine(written), remembered_.stamp))
        remembered_ = {written, listfile::stampOf(formPath)};
    return answer == Choice::Yes ? asDecimal : asThousands;
}

bool EntryForm::followOutsideBalanceChange() {
    if (listfile::stampOf(balancePath()) == balanceStamp_)
        return true;
    return readBalance();
}

QString EntryForm::balanceText() const {
    return balanceLabel_->text();
}

void EntryForm::setBalance(const QString& text) {
    showWhole(balanceLabel_, text);
    // The Balance window mirrors every new balance, and opens again for it when the user
    // has closed it.
    windows().get<BalanceWindow>().setBalanceText(text);
}

void EntryForm::submit() {
    if (!incomeOption_->isChecked() && !expenseOption_->isChecked())
        return;
    if (folder_.isEmpty()) {
        windows().inform(QStringLiteral("No account is open, so the entry cannot be recorded. "
                                        "Open an account first."),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    if (!followOutsideBalanceChange())
        return;
    if (!balanceUnread_.isEmpty()) {
        windows().inform(QStringLiteral("The balance could not be read when this form opened, so "
                                        "no entry can be recorded against it:\n%1")
                             .arg(balanceUnread_),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    if (incomeOption_->isChecked())
        record<IncomeWindow>(true);
    if (expenseOption_->isChecked())
        record<ExpenseWindow>(false);
}

template <class ListWindow> void EntryForm::record(bool income, int attempt) {
    // Everything is checked before anything is saved, so the four lists stay of equal
    // length and the balance keeps its value when the entry is refused.
    const QString title = income ? QStringLiteral("Income") : QStringLiteral("Expense");
    const ledger::BalanceAfter after =
        ledger::balanceAfter(balanceLabel_->text(), amountBox_->text(), income);
    if (!after.text) {
        QString problem = after.problem;
        if (after.balanceUnusable)
            problem += QStringLiteral(" It is the first line of \"%1\": correct the first line of "
                                      "%2 to the balance the account holds, then submit the "
                                      "entry again. The entry was not recorded.")
                           .arg(balancePath(), account::kOpeningBalance);
        windows().inform(problem, kTitle, MessageIcon::Exclamation);
        return;
    }
    ListWindow& list = windows().get<ListWindow>();
    if (list.busy()) {
        // A large list is still being read (or saved) on another thread: the entry goes
        // in once it is there, the form waiting meanwhile.
        showBusy(true);
        const QPointer<EntryForm> self(this);
        list.whenReady([self, income] {
            if (!self)
                return;
            self->showBusy(false);
            self->record<ListWindow>(income);
        });
        return;
    }
    if (!checkSameAccount(list, title))
        return;
    if (list.rowCount() >= ledger::kMaxRows) {
        windows().inform(QStringLiteral("The %1 list already holds %2 entries, the most it can "
                                        "hold. The entry was not recorded.")
                             .arg(title)
                             .arg(list.rowCount()),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    // The row and the balance after it are saved as one unit: the balance file never
    // counts an entry the list files lack, nor the other way round.
    // The balance file is replaced only while it still holds the balance the new one was
    // worked out from.
    // The account remembers the form of a balance written with a point or a comma, so that
    // it is read right under other settings; saved with the balance, as one unit.
    QList<listfile::FileLines> alongWith{{balancePath(), {*after.text}, balanceStamp_}};
    const auto formUpdate =
        numbers::rememberedUpdate(folder_, *after.text, remembered_, userLocale());
    if (formUpdate)
        alongWith << *formUpdate;
    const TableCopy::Saved saved = list.appendEntry(
        {dateBox_->text(), descriptionBox_->text(), amountBox_->text(), *after.text}, alongWith);
    if (saved.alongWithChanged && attempt < kRecordAttempts) {
        // Another program wrote a balance in the meantime: the entry counts from that one.
        if (readBalance())
            record<ListWindow>(income, attempt + 1);
        return;
    }
    if (!saved.ok) {
        windows().inform(saved.message + QStringLiteral("\nThe entry was not recorded."), kTitle,
                         MessageIcon::Exclamation);
        return;
    }
    balanceStamp_ = saved.alongWith.value(0, listfile::stampOf(balancePath()));
    if (formUpdate)
        remembered_ = {numbers::formOf(userLocale()),
                       saved.alongWith.value(1, listfile::stampOf(formUpdate->path))};
    setBalance(*after.text);
    // Recorded, but the disk had something to say while the save was finished.
    if (!saved.message.isEmpty())
        windows().inform(saved.message + QStringLiteral("\nThe entry was recorded."), kTitle,
                         MessageIcon::Exclamation);
}

bool EntryForm::checkSameAccount(const LedgerListWindow& window, const QString& listTitle) {
    if (window.folder() == folder_)
        return true;
    windows().inform(QStringLiteral("This form holds the balance of the account in \"%1\", but "
                                    "the %2 window holds the account in \"%3\". Close both "
                                    "windows and open them again. The entry was not recorded.")
                         .arg(folder_, listTitle, window.folder()),
                     kTitle, MessageIcon::Exclamation);
    return false;
}

void EntryForm::saveToFile() {
    if (folder_.isEmpty()) {
        windows().inform(QStringLiteral("No account is open, so the balance cannot be "
                                        "saved. Open an account first."),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    // Every entry has saved its balance already; a balance another program wrote since is
    // shown rather than written over.
    if (!followOutsideBalanceChange())
        return;
    if (!balanceUnread_.isEmpty()) {
        windows().inform(QStringLiteral("The balance file could not be read when this form "
                                        "opened, so it is left as it is:\n%1")
                             .arg(balanceUnread_),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    for (;;) {
        QList<listfile::FileLines> files{{balancePath(), {balanceLabel_->text()}, balanceStamp_}};
        const auto formUpdate =
            numbers::rememberedUpdate(folder_, balanceLabel_->text(), remembered_, userLocale());
        if (formUpdate)
            files << *formUpdate;
        QList<listfile::SavedFile> saved;
        const listfile::Outcome written = listfile::writeFiles(files, &saved);
        if (written) {
            balanceStamp_ = saved.size() > 0 ? saved[0].stamp : listfile::stampOf(balancePath());
            if (formUpdate)
                remembered_ = {numbers::formOf(userLocale()),
                               saved.size() > 1 ? saved[1].stamp
                                                : listfile::stampOf(formUpdate->path)};
            if (!written.message().isEmpty())
                windows().inform(written.message(), kTitle, MessageIcon::Exclamation);
            return;
        }
        if (written.changed()) {
            // Another program wrote a balance just now: it is shown, not written over.
            readBalance();
            return;
        }
        if (windows().ask(written.message() +
                              QStringLiteral("\n\nChoose Retry to try again, or Discard to leave "
                                             "the file as it is."),
                          kTitle, MessageIcon::Exclamation,
                          {Choice::Retry, Choice::Discard}) != Choice::Retry)
            return;
    }
}

} // namespace kesterly
