#pragma once

#include "framework/childwindow.h"

class QPlainTextEdit;
class QPushButton;

namespace kesterly {

// The small window that shows the last announced reminder. When a check puts a new
// description into it, the watch moves on to the next reminder and the user is told
// "Reminder Reminds you".
class TodaysReminderWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form14";
    explicit TodaysReminderWindow(Windows& windows);

    // Where the main window shows it at start-up, and where it comes back when an
    // announcement opens it again after the user closed it: right under the status
    // panel (3216 twips high), so the panel, which comes to the front after the
    // splash, never covers this window's title bar.
    static constexpr int kLeft = 11500;
    static constexpr int kTop = 3216;
    std::optional<QPoint> designPosition() const override { return QPoint(kLeft, kTop); }

    QString alertText() const;
    // Shows the description; a text different from the one shown is announced.
    void setAlertText(const QString& text);
    // Click on "Return to Original Winow".
    void returnToReminders();

signals:
    // A new description is shown, before the user is told.
    void alertTextChanged(const QString& text);

private:
    void announce();

    QPlainTextEdit* alertBox_;
    QPushButton* returnButton_;
};

} // namespace kesterly
