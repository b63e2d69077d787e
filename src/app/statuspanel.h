#pragma once

#include "accounts/accountlock.h"
#include "app/childwindow.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kesterly {

// The small panel at the right of the main window: the current account (its folder
// and name), the date and the running clock, and the reminder switch. It stays open for
// the whole run.
class StatusPanel : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form3";
    explicit StatusPanel(Windows& windows);

    // The current account: empty until an account is opened.
    QString accountFolder() const;
    QString accountName() const;
    void setAccountFolder(const QString& folder);
    void setAccountName(const QString& name);
    // Keeps the current account marked as open in this copy of the program (no other
    // copy opens it) until another account is opened or the program ends.
    void holdAccount(std::unique_ptr<account::AccountLock> lock);

    // The date text and the clock text as shown; reminder times are compared with the
    // clock text.
    QString dateText() const;
    QString clockText() const;

    // The reminder switch's caption, "Off" or "On".
    QString switchCaption() const;
    void setSwitchCaption(const QString& caption);
    // Click on the switch.
    void flipReminderSwitch();

    // `Timer2`, the panel's reminder check (enabled by switching reminders on). The
    // check runs right after each refresh of the clock text while it is enabled.
    void setReminderCheckEnabled(bool enabled);
    bool reminderCheckEnabled() const;
    // The panel check: the watched reminder's time against the clock text.
    void checkReminder();

    // Reads the clock into the two labels, then arms the clock timer for just after the
    // next second boundary: the labels follow the clock closely while the program
    // sleeps in between. The reminder checks that are switched on run after it.
    void refreshClock();
    // How long the clock timer waits after a refresh, in milliseconds.
    int nextClockDelayMs() const;

    void load() override;

protected:
    bool closeStep() override;

private:
    QLabel* dateLabel_;
    QLabel* clockLabel_;
    QPushButton* switchButton_;
    QLineEdit* nameBox_;
    QLineEdit* folderBox_;
    QTimer* clockTimer_;
    bool reminderCheckEnabled_ = false;
    std::unique_ptr<account::AccountLock> accountLock_;
};

} // namespace kesterly
