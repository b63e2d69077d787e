#pragma once

#include <QString>
#include <functional>

class QAbstractItemView;
class QWidget;

namespace kesterly {

// Every one-line text box of the window keeps its text on one line: a pasted line break
// becomes a blank (a value is one line of its file, and a break would split it into two
// rows). A text longer than a box takes is refused whole, never cut, and `tell` is
// given a sentence saying so.
void keepBoxesOnOneLine(QWidget* window, const std::function<void(const QString&)>& tell);

// Lists show at most this many characters of a row, the rest left out ("…"): a row of
// megabytes would hold up every repaint. The row keeps its whole text; its tool tip shows
// it, as it does for any row too wide for its list.
inline constexpr int kShownRowCharacters = 2000;
void shortenLongRows(QAbstractItemView* list);

} // namespace kesterly
