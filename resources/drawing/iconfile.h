#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

// Windows icon (.ico) and cursor (.cur) files with uncompressed bitmap images, written
// byte by byte so that their layout is exactly the one asked for.
struct IconImage {
    QImage image;     // drawn with an alpha channel
    int bitsPerPixel; // 4, 8 or 32
};

// An icon file holding the images in the given order.
QByteArray iconFile(const QList<IconImage>& images);
// A cursor file holding one image with its hot spot.
QByteArray cursorFile(const IconImage& image, QPoint hotSpot);
