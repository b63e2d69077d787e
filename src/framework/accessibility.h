#pragma once

#include <QString>

class QWidget;

namespace kesterly {

// Gives every control of a window that a screen reader would announce without a name
// the name a sighted user reads: the caption of the label on the same row to its left,
// or else of the label directly above it ("Amount :" names its box "Amount"), and makes
// that label the box's buddy. A button without a caption takes its tool tip. Names a
// window gives its controls itself are kept; a control that hands its focus to an inner
// part passes its name on to that part, which is what the reader meets.
void nameUnnamedControls(QWidget* window);

// Tab enters a group of options at the chosen one, as readers and keyboard users expect,
// rather than at the first; the arrow keys move within the group.
void enterOptionGroupsAtChosenOption(QWidget* window);

// A child window's frame is announced by its caption without the blanks that place it
// (braille lines show every one of them); installed once, before the first frame.
void announceFramesByCaption();

// A label's caption as a name: without the blanks around it, the colon after it and the
// "&" of a keyboard mnemonic.
QString nameFromCaption(const QString& caption, bool hasMnemonic);

} // namespace kesterly
