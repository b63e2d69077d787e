#pragma once

#include "framework/childwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kesterly {

class LedgerListWindow;

// Records income and expense entries against the running balance. The balance is read
// from the account when the form opens and written back on "Save to File" and when the
// form closes; the entries go to the Income and Expense windows, which save them.
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
    // The account folder the balance was read from; empty when no account was open.
    QString folder() const { return folder_; }

protected:
    bool closeStep() override;

private:
    enum class Saving { Asked, Closing };
    template <class ListWindow> void record(bool income);
    bool checkSameAccount(const LedgerListWindow& window, const QString& listTitle);
    void setBalance(const QString& text);
    void saveBalance(Saving saving);

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
    // An entry changed the balance since it was read or saved.
    bool balanceChanged_ = false;
};

} // namespace kesterly
