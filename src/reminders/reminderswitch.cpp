#include "reminders/reminderswitch.h"

#include "core/remindermatch.h"
#include "framework/windows.h"
#include "reminders/reminderwindow.h"
#include "reminders/todaysreminderwindow.h"

#include <QTimer>

namespace kesterly {

ReminderSwitch::ReminderSwitch(Windows& windows) : windows_(windows) {}

ReminderSwitch& ReminderSwitch::of(Windows& windows) {
    return windows.shared<ReminderSwitch>();
}

void ReminderSwitch::setCaption(const QString& caption) {
    caption_ = caption;
    emit captionChanged(caption_);
}

void ReminderSwitch::flip() {
    // Only the exact caption "Off" counts as off. The caption changes first: a Reminder
    // window created by the selection below selects the option matching the new caption
    // in its load step. The selection then runs the option's steps again on the loaded
    // lists, so the first reminder is watched.
    if (caption_ == QLatin1String("Off")) {
        setCaption(QStringLiteral("On"));
        windows_.get<ReminderWindow>().selectOn();
    } else {
        setCaption(QStringLiteral("Off"));
        windows_.get<ReminderWindow>().selectOff();
    }
}

void ReminderSwitch::bringPanelToFront() {
    emit panelWanted();
}

void ReminderSwitch::setPanelCheckEnabled(bool enabled) {
    panelCheck_ = enabled;
}

void ReminderSwitch::checkPanel() {
    // Referring to the Reminder window creates it again when the user has closed it
    // while reminders are on.
    ReminderWindow& reminder = windows_.get<ReminderWindow>();
    if (!reminders::isDue(reminder.watchedTime(), clockText_))
        return;
    windows_.get<TodaysReminderWindow>().setAlertText(reminder.watchedDescription());
}

void ReminderSwitch::clockShown(const QString& text) {
    clockText_ = text;
    runChecks();
}

void ReminderSwitch::runChecks() {
    // Either check may open a message box, and the user may close windows while it is
    // open: look each window up afresh.
    if (panelCheck_)
        checkPanel();
    if (ReminderWindow* reminder = windows_.find<ReminderWindow>();
        reminder && reminder->windowCheckEnabled())
        reminder->checkReminder();
}

void ReminderSwitch::checkAgainSoon() {
    QTimer::singleShot(0, this, [this] { runChecks(); });
}

} // namespace kesterly
