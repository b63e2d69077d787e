#pragma once

#include <QStringList>

namespace kesterly {
class ChildWindow;
class Windows;
} // namespace kesterly

namespace kesterly::test {

// The controls the keyboard focus visits in a window: the one it starts on, then one per
// Tab key press, as the user would meet them (names of the focused controls).
QStringList focusOrder(Windows& windows, ChildWindow& window, int count);

} // namespace kesterly::test
