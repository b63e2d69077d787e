#pragma once

#include <QCursor>
#include <QPixmap>
#include <QString>

namespace kesterly::pictures {

// The pictures, icons, cursor and help pages built into the program. Call before using
// a ":/" path: the library that holds them is static, so nothing registers them until
// someone asks.
void ensureLoaded();

// A picture by its path, shown at the size its file gives in inches (its dots per inch),
// drawn with all of its pixels on screens that have them.
QPixmap atNaturalSize(const QString& path);

// A cursor file (.cur) with its hot spot; the arrow when the file cannot be read.
QCursor cursorFromFile(const QString& path);

// The pointing hand shown over links.
QCursor pointingHand();

} // namespace kesterly::pictures
