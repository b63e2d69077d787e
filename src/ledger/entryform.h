#pragma once

#include "core/listfile.h"
#include "core/numberform.h"
#include "framework/childwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kesterly {

class LedgerListWindow;

// Records income and expense entries against the running balance. The balance is read
// from the account when the form opens; each entry is saved the moment it is submitted,
// its row in the Income or Expense files and the new balance together, so that the
// balance file always counts the entries the lists hold.
class EntryForm : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form9";
    explicit EntryForm(Windows& windows);

    bool holdsAccountData() const override { return true; }
    void load() override;

    // Click on "Submit".
    void submit();
    // Click on "Save to File".
    void saveToFile();
    QString balanceText() const;
    // Shows the balance the file holds when another part of the program (an import) has
    // written it since this form read or wrote it.
    void followBalanceFile() { followOutsideBalanceChange(); }
    // The account folder the balance was read from; empty when no account was open.
    QString folder() const { return folder_; }

private:
    // `attempt` counts the times another program's balance came in between.
    template <class ListWindow> void record(bool income, int attempt = 0);
    static constexpr int kRecordAttempts = 8;
    bool checkSameAccount(const LedgerListWindow& window, const QString& listTitle);
    void setBalance(const QString& text);
    QString balancePath() const;
    // Reads the balance file; false (and the user told) when it cannot be read.
    bool readBalance();
    // The balance text the form shows for the first line of the file, read by the rules
    // for numbers written under other settings; sets balanceUnread_ when the user leaves
    // a text of two readings unchosen.
    QString readBalanceText(const QString& stored);
    // Asks which of a text's two readings is the balance; nothing on Cancel.
    std::optional<double> askReading(const QString& stored,
                                     const numbers::BalanceReading& reading);
    // Reads the balance file again when another program has changed it since it was read
    // or written here, so that an entry counts from what the file holds.
    bool followOutsideBalanceChange();

    QLineEdit* dateBox_;
    QLineEdit* descriptionBox_;
    QLineEdit* amountBox_;
    QRadioButton* incomeOption_;
    QRadioButton* expenseOption_;
    QPushButton* submitButton_;
    QLabel* balanceLabel_;
    QPushButton* saveButton_;
    QString folder_;
    // Why the balance file, which is there, could not be read: no entry is recorded and
    // the file is left as it is.
    QString balanceUnread_;
    // The balance file as this form last read or wrote it.
    listfile::FileStamp balanceStamp_;
    // The form of numbers the account remembers for its balance file, as last read or
    // written here.
    numbers::Remembered remembered_;
};

} // namespace kesterly
