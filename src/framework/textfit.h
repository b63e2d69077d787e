#pragma once

class QLabel;
class QRadioButton;

namespace kesterly {

// Where a machine lacks a narrow face a layout was measured with, the text of a
// control may not fit its fixed width; these narrow the font just enough (never below
// half its width, never changing its height) so that nothing is cut off.
void fitToWidth(QLabel* label);
void fitToWidth(QRadioButton* option);

} // namespace kesterly
