#include "iconfile.h"

#include <QHash>
#include <QtEndian>
#include <algorithm>

namespace {

void put16(QByteArray& out, int value) {
    char bytes[2];
    qToLittleEndian<quint16>(quint16(value), bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian<quint32>(value, bytes);
    out.append(bytes, 4);
}

int rowBytes(int width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

// The classic sixteen colours of a 4-bit bitmap.
QList<QRgb> sixteenColours() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// Up to 256 colours for an 8-bit image: the most used ones, counted on a grid of 32
// levels a channel so that the shades of a smooth edge share a place.
QList<QRgb> adaptivePalette(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 128)
                continue;
            const QRgb key = qRgb(qRed(pixel) & 0xF8, qGreen(pixel) & 0xF8, qBlue(pixel) & 0xF8);
            ++counts[key];
        }
    QList<QPair<int, QRgb>> ordered;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        ordered.append({it.value(), it.key()});
    // Ties go by colour, so that drawing again gives the same bytes.
    std::sort(ordered.begin(), ordered.end(), [](auto a, auto b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    for (const auto& [count, colour] : ordered) {
        if (palette.size() == 256)
            break;
        const QRgb centre = qRgb(qMin(qRed(colour) + 4, 255), qMin(qGreen(colour) + 4, 255),
                                 qMin(qBlue(colour) + 4, 255));
        if (!palette.contains(centre))
            palette.append(centre);
    }
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));
    return palette;
}

int nearest(const QList<QRgb>& palette, QRgb pixel) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(pixel);
        const int dg = qGreen(palette[i]) - qGreen(pixel);
        const int db = qBlue(palette[i]) - qBlue(pixel);
        const int distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

// One image as stored in the file: the header, the palette, the colour rows and the
// transparency mask, rows from the bottom up.
QByteArray bitmap(const IconImage& entry) {
    const QImage image = entry.image.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int bits = entry.bitsPerPixel;
    const int colourRow = rowBytes(width, bits);
    const int maskRow = rowBytes(width, 1);

    QList<QRgb> palette;
    if (bits == 4)
        palette = sixteenColours();
    else if (bits == 8)
        palette = adaptivePalette(image);

    QByteArray out;
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height * 2)); // colour rows and mask rows together
    put16(out, 1);
    put16(out, bits);
    put32(out, 0); // uncompressed
    put32(out, quint32((colourRow + maskRow) * height));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (QRgb colour : palette) {
        out.append(char(qBlue(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qRed(colour)));
        out.append(char(0));
    }

    // Pixels a mask hides are stored black, so that they add nothing where the
    // screen is drawn through them.
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(colourRow, 0);
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            const bool shown = qAlpha(pixel) >= 128;
            if (bits == 32) {
                const int alpha = qAlpha(pixel);
                row[x * 4] = char(alpha ? qBlue(pixel) : 0);
                row[x * 4 + 1] = char(alpha ? qGreen(pixel) : 0);
                row[x * 4 + 2] = char(alpha ? qRed(pixel) : 0);
                row[x * 4 + 3] = char(alpha);
            } else if (bits == 8) {
                row[x] = char(shown ? nearest(palette, pixel) : 0);
            } else {
                const int index = shown ? nearest(palette, pixel) : 0;
                row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
            }
        }
        out.append(row);
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(maskRow, 0);
        for (int x = 0; x < width; ++x) {
            const bool hidden =
                bits == 32 ? qAlpha(image.pixel(x, y)) == 0 : qAlpha(image.pixel(x, y)) < 128;
            if (hidden)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

QByteArray directoryFile(const QList<IconImage>& images, int type, QPoint hotSpot) {
    QByteArray out;
    put16(out, 0);
    put16(out, type);
    put16(out, int(images.size()));
    QList<QByteArray> bitmaps;
    for (const IconImage& image : images)
        bitmaps.append(bitmap(image));
    quint32 offset = quint32(6 + 16 * images.size());
    for (int i = 0; i < images.size(); ++i) {
        const IconImage& entry = images[i];
        out.append(char(entry.image.width() >= 256 ? 0 : entry.image.width()));
        out.append(char(entry.image.height() >= 256 ? 0 : entry.image.height()));
        out.append(char(entry.bitsPerPixel == 4 ? 16 : 0));
        out.append(char(0));
        if (type == 2) {
            put16(out, hotSpot.x());
            put16(out, hotSpot.y());
        } else {
            put16(out, 1);
            put16(out, entry.bitsPerPixel);
        }
        put32(out, quint32(bitmaps[i].size()));
        put32(out, offset);
        offset += quint32(bitmaps[i].size());
    }
    for (const QByteArray& bytes : bitmaps)
        out.append(bytes);
    return out;
}

} // namespace

QByteArray iconFile(const QList<IconImage>& images) {
    return directoryFile(images, 1, {});
}

QByteArray cursorFile(const IconImage& image, QPoint hotSpot) {
    return directoryFile({image}, 2, hotSpot);
}
