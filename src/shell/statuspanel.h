#pragma once

#include "framework/childwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kesterly {

// The small panel at the right of the main window. It shows the current account (its
// folder and name), the date and the running clock, whose text it hands to the reminder
// checks, and the reminder switch. It stays open for the whole run.
class StatusPanel : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form3";
    explicit StatusPanel(Windows& windows);

    // The current account as the panel shows it: empty until an account is opened.
    QString accountFolder() const;
    QString accountName() const;
    // Sets the current account (Windows::account()), which the panel then shows.
    void setAccountFolder(const QString& folder);
    void setAccountName(const QString& name);

    // The date text and the clock text as shown; reminder times are compared with the
    // clock text.
    QString dateText() const;
    QString clockText() const;

    // The reminder switch's caption, "Off" or "On", as the panel's button shows it.
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
    void showAccount();
    void showSwitchCaption(const QString& caption);

    QLabel* dateLabel_;
    QLabel* clockLabel_;
    QPushButton* switchButton_;
    QLineEdit* nameBox_;
    QLineEdit* folderBox_;
    QTimer* clockTimer_;
};

} // namespace kesterly
