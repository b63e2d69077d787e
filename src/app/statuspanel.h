#pragma once

#include "app/childwindow.h"

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

    // The date text and the clock text as shown; reminder times are compared with the
    // clock text.
    QString dateText() const;
    QString clockText() const;

    // The reminder switch's caption, "Off" or "On".
    QString switchCaption() const;
    void setSwitchCaption(const QString& caption);
    // Click on the switch.
    void flipReminderSwitch();

    // The panel's reminder check (enabled by switching reminders on).
    void setReminderCheckEnabled(bool enabled);
    bool reminderCheckEnabled() const;
    void checkReminder();

    // Reads the clock into the two labels, then arms the clock timer for just after the
    // next second boundary: the labels follow the clock closely while the program
    // sleeps in between.
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
    QTimer* reminderTimer_;
};

} // namespace kesterly
