#include "reminders/reminderchecks.h"

#include "app/statuspanel.h"
#include "app/windows.h"
#include "reminders/reminderwindow.h"

#include <QPointer>
#include <QTimer>

namespace kesterly::reminders {

void runChecks(Windows& windows) {
    // Either check may open a message box, and the user may close windows while it is
    // open: look each window up afresh.
    if (StatusPanel* panel = windows.find<StatusPanel>(); panel && panel->reminderCheckEnabled())
        panel->checkReminder();
    if (ReminderWindow* reminder = windows.find<ReminderWindow>();
        reminder && reminder->windowCheckEnabled())
        reminder->checkReminder();
}

void checkAgainSoon(Windows& windows) {
    // The status panel lives for the whole run; when it is gone the program is ending.
    StatusPanel* panel = windows.find<StatusPanel>();
    if (!panel)
        return;
    QTimer::singleShot(0, panel, [&windows] { runChecks(windows); });
}

} // namespace kesterly::reminders
