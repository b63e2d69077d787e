#include "reminders/reminderswitch.h"

#include "core/clock.h"
#include "core/numbertext.h"
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
    // Seconds before the checks were switched on are not caught up.
    checkedUntil_ = QDateTime();
}

void ReminderSwitch::checkPanel() {
    // Referring to the Reminder window creates it again when the user has closed it
    // while reminders are on.
    ReminderWindow& reminder = windows_.get<ReminderWindow>();
    if (!reminders::isDue(reminder.watchedTime(), dueTexts()))
        return;
    windows_.get<TodaysReminderWindow>().setAlertText(reminder.watchedDescription());
}

QStringList ReminderSwitch::dueTexts() const {
    return dueTexts_.isEmpty() ? QStringList{clockText_} : dueTexts_;
}

void ReminderSwitch::clockShown(const QDateTime& moment, const QString& text) {
    clockText_ = text;
    const QDateTime second = moment.addMSecs(-moment.time().msec());
    // Every second since the last one looked at, up to a day of them (a computer that
    // slept longer has its clock come round to the same texts again anyway). A clock set
    // back, or checks just switched on, look at the shown second alone.
    dueTexts_ = {text};
    constexpr qint64 kDay = 24 * 60 * 60;
    const qint64 missed = checkedUntil_.isValid() ? checkedUntil_.secsTo(second) - 1 : 0;
    if (missed > 0) {
        const QLocale locale = userLocale();
        for (qint64 back = std::min(missed, kDay - 1); back >= 1; --back)
            dueTexts_.insert(dueTexts_.size() - 1,
                             kesterly::clockText(second.addSecs(-back).time(), locale));
    }
    checkedUntil_ = panelCheck_ ? second : QDateTime();
    runChecks();
}

void ReminderSwitch::watchChanged() {
    QTimer::singleShot(0, this, [this] {
        // The new row is compared with the second the clock shows, not with seconds that
        // passed before it was watched.
        dueTexts_ = {clockText_};
        runChecks();
    });
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
