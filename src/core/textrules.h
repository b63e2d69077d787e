#pragma once

#include <QString>

// What a one-line text box takes: every value of an account is one line of its file, so
// a text may hold no line break, and it may not be longer than a box can edit quickly.
namespace kesterly::text {

// The most characters a box takes; a longer text is refused as a whole, never cut.
inline constexpr qsizetype kLongestText = 100000;

// The text with each line break (CR LF, CR or LF) turned into one blank, so that a pasted
// "Rent" + line feed + "March" stays "Rent March". The cursor position, when given, is
// moved with the characters before it.
QString joinLines(const QString& text, int* cursor = nullptr);

} // namespace kesterly::text
