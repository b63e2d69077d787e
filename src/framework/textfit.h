#pragma once

class QAbstractButton;
class QLabel;
class QLineEdit;
class QWidget;

namespace kesterly {

// Where a machine lacks a narrow face a layout was measured with, the text of a
// control may not fit its fixed width; these narrow the font just enough (never below
// half its width, never changing its height) so that nothing is cut off.
void fitToWidth(QLabel* label);
// The same for an option or a check box (not a push button), and for a box: a box is
// fitted again, from its own font, whenever its text changes.
void fitToWidth(QAbstractButton* option);
void fitToWidth(QLineEdit* box);
// The width a box shows its text in.
int textRoom(const QLineEdit* box);

// Fits every single-line label, option and box of a window (once its texts are in):
// windows are laid out for Liberation Sans and Liberation Sans Narrow, and where only
// DejaVu Sans stands in for them, its wider letters would cut the ends off.
void fitTextsToWidth(QWidget* window);

} // namespace kesterly
