#pragma once

#include <QLabel>
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

// Home, End, Up, Down, Page Up and Page Down always leave the row they land on selected,
// as a click does; with no row selected, Home, Up, Down and the page keys land on the
// first row and End on the last. (Left alone, a list that takes the focus marks its first
// row without selecting it, so Home would select nothing and Down the second row.)
void selectRowsByKeys(QAbstractItemView* list);

// A tool tip that shows the text character for character: a name such as "<b>bold" is
// never read as markup.
QString plainToolTip(const QString& text);

// Every label of the window shows its text as it is, never as markup ("<b>bold" stays
// "<b>bold"): labels show names, paths and figures that come from the user's files.
void showLabelsAsPlainText(QWidget* window);

// A label showing a figure or a name that may not fit: the whole text is its tool tip and
// the name a screen reader announces.
void showWhole(QLabel* label, const QString& text);

// A folder path too long for its label is shown with its middle left out, so its start
// and the folder's own name stay readable; the text and the tool tip keep it whole.
class PathLabel : public QLabel {
public:
    using QLabel::QLabel;
    void showPath(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kesterly
