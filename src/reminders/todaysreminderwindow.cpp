#include "reminders/todaysreminderwindow.h"

#include "framework/windows.h"
#include "reminders/reminderswitch.h"
#include "reminders/reminderwindow.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace kesterly {

TodaysReminderWindow::TodaysReminderWindow(Windows& windows)
    : ChildWindow(windows, kName,
                  QString(23, QLatin1Char(' ')) + QStringLiteral("Today's Reminder"), 3504, 2832,
                  Frame::FixedTool) {
    alertBox_ = place<QPlainTextEdit>("Text1", 120, 120, 3252, 1692);
    alertBox_->setReadOnly(true);
    alertBox_->setAccessibleName(QStringLiteral("Today's Reminder"));
    returnButton_ = place<QPushButton>("Command1", 120, 2040, 3252, 492);
    // The spelling is the program's own.
    returnButton_->setText(QStringLiteral("Return to Original Winow"));
    setTabOrder(alertBox_, returnButton_);

    connect(returnButton_, &QPushButton::clicked, this, &TodaysReminderWindow::returnToReminders);
}

QString TodaysReminderWindow::alertText() const {
    return alertBox_->toPlainText();
}

void TodaysReminderWindow::setAlertText(const QString& text) {
    // A description already shown is not announced again.
    if (text == alertText())
        return;
    alertBox_->setPlainText(text);
    emit alertTextChanged(text);
    announce();
}

void TodaysReminderWindow::announce() {
    // The last reminder has no next row: it stays watched and no box opens.
    if (!windows().get<ReminderWindow>().watchNextRow())
        return;
    ReminderSwitch::of(windows()).checkAgainSoon();
    windows().inform(QStringLiteral("Reminder Reminds you"), QStringLiteral("Reminder"),
                     MessageIcon::Information);
}

void TodaysReminderWindow::returnToReminders() {
    windows().show<ReminderWindow>();
    windows().hide(this);
}

} // namespace kesterly
