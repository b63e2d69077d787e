#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kesterly {

class Windows;

// The reminder switch and the panel check. The switch is "Off" or "On", as the status
// panel's button shows it; switching on enables two checks that compare the watched
// reminder's time with the clock text the panel shows: the panel check (the panel's
// `Timer2`, kept here) and the Reminder window's own check. The panel shows the switch,
// passes on clicks on its button and hands over every new clock text; the Reminder
// window's options turn the switch on and off.
//
// The clock text changes only when the panel refreshes it, just after each second
// boundary, so the checks run right after each refresh instead of on timers of their
// own: a match is found within a few milliseconds of the clock reaching the watched time,
// and nothing runs in between while the program is idle. A refresh that comes late (the
// program was busy, or the computer asleep) has the checks compare every second since
// the last one they looked at, so a due reminder is announced late rather than never;
// and a row that becomes watched is compared at once with the second the clock shows.
class ReminderSwitch : public QObject {
    Q_OBJECT
public:
    explicit ReminderSwitch(Windows& windows);
    // The switch of this run of the program.
    static ReminderSwitch& of(Windows& windows);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    // Click on the status panel's switch button: selects the Reminder window's option for
    // the other state, opening the window when it is not open.
    void flip();
    // Switching on brings the status panel to the front.
    void bringPanelToFront();

    // The panel check, `Timer2` of the status panel.
    bool panelCheckEnabled() const { return panelCheck_; }
    void setPanelCheckEnabled(bool enabled);
    // The panel check: the watched reminder's time against the clock text. Refers to the
    // Reminder window, so it opens again when the user has closed it.
    void checkPanel();

    // The clock text as the status panel shows it.
    QString clockText() const { return clockText_; }
    // The clock texts the checks compare with: those of the seconds since the checks last
    // looked, up to the one the panel shows.
    QStringList dueTexts() const;
    // The panel shows a new clock text, that of `moment`: the checks that are switched on
    // run, the panel check first, over every second since they last looked.
    void clockShown(const QDateTime& moment, const QString& text);
    // Another row has become watched (by the user, or by switching on): it is compared
    // with the second the clock shows, as soon as the event loop runs.
    void watchChanged();
    // After an announced reminder has moved the watch to the next row, that row is
    // compared too while the clock still shows the same second (a second reminder with
    // the same time is announced at once, its box over the first one). The round runs
    // from the event loop, so it also runs while the first box is open.
    void checkAgainSoon();

signals:
    void captionChanged(const QString& caption);
    void panelWanted();

private:
    void runChecks();

    Windows& windows_;
    QString caption_ = QStringLiteral("Off");
    bool panelCheck_ = false;
    QString clockText_;
    // The last second the checks have looked at; none while they are off.
    QDateTime checkedUntil_;
    // The clock texts of the seconds the current round looks at.
    QStringList dueTexts_;
};

} // namespace kesterly
