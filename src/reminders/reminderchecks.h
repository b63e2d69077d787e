#pragma once

namespace kesterly {

class Windows;

// The two reminder checks compare the watched reminder's time with the status panel's
// clock text. The clock text changes only when the panel's clock refreshes it, just
// after each second boundary, so the checks run right after each refresh instead of on
// a timer of their own: a match is found within a few milliseconds of the clock text
// reaching the watched time, and nothing runs in between while the program is idle.
// The panel's `Timer2` and the Reminder window's `Timer1` stay what the switch turns on
// and off: whether each check runs.
namespace reminders {

// One round of both checks, the panel check first; a check that is switched off is
// skipped.
void runChecks(Windows& windows);

// After an announced reminder has moved the watch to the next row, that row is
// compared too while the clock still shows the same second (a second reminder with
// the same time is announced at once, its box over the first one). The round runs from
// the event loop, so it also runs while the first box is open.
void checkAgainSoon(Windows& windows);

} // namespace reminders
} // namespace kesterly
