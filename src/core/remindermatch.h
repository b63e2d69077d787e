#pragma once

#include <QString>
#include <QStringList>

namespace kesterly::reminders {

// The watched reminder is due when its time text is the clock text, character for
// character and with letter case; a reminder without a time (or no row watched) never is.
inline bool isDue(const QString& watchedTime, const QString& clockText) {
    return !watchedTime.isEmpty() && watchedTime == clockText;
}

// The same against the clock texts of several seconds: those since the last check, so
// that a second the checks could not look at (the program was busy) is not skipped.
inline bool isDue(const QString& watchedTime, const QStringList& clockTexts) {
    return !watchedTime.isEmpty() && clockTexts.contains(watchedTime);
}

} // namespace kesterly::reminders
