#pragma once

#include <QString>

namespace kesterly::reminders {

// The watched reminder is due when its time text is the clock text, character for
// character and with letter case; a reminder without a time (or no row watched) never is.
inline bool isDue(const QString& watchedTime, const QString& clockText) {
    return !watchedTime.isEmpty() && watchedTime == clockText;
}

} // namespace kesterly::reminders
