#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace kesterly::pictures {

// The pictures, icons, cursor and help pages built into the program. Call before using
// a ":/" path: the library that holds them is static, so nothing registers them until
// someone asks.
void ensureLoaded();

// Every picture is drawn for more than one screen density: "name.jpg" with one pixel to
// a device-independent pixel, beside it "name@2x.jpg" with two, and for some also
// "name@1.25x.jpg". The picture's size is that of its "name.jpg" file.
QSize sizeOf(const QString& path);

// The rendering to show on a screen of that device pixel ratio: the one drawn for it,
// else the next denser one (shown a little smaller), else the densest there is. Its
// device pixel ratio is the density it was drawn for, so it covers the picture's size,
// and where that is the screen's own ratio it is shown pixel for pixel. Only that one
// file is read.
QPixmap forPixelRatio(const QString& path, qreal devicePixelRatio);

// The picture with all its renderings, for a button: Qt picks the one for the screen.
QIcon withEveryRendering(const QString& path);

// A cursor file (.cur) with its hot spot; the arrow when the file cannot be read.
QCursor cursorFromFile(const QString& path);

// The pointing hand shown over links.
QCursor pointingHand();

} // namespace kesterly::pictures
