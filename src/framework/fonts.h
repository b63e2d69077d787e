#pragma once

#include <QFont>

namespace kesterly::fonts {

// The default control font of every window: the classic 8-point dialog face the
// layouts are measured for.
QFont controls();
// The same for controls laid out so narrow that only that font's own small letters fit
// (dates and times in the Reminder window); elsewhere a narrow substitute stands in.
QFont narrowControls();

// Arial, or its metric twin Liberation Sans where Arial is not installed.
QFont arial(double points, bool underline = false);
// The narrow display face of the clock, the date and the balance.
QFont display(double points);
// The classic dialog face of the Update window.
QFont sansSerif(double points, bool underline = false);

} // namespace kesterly::fonts
