#include "framework/pictures.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

static void registerKesterlyResources() {
    Q_INIT_RESOURCE(kesterly);
}

namespace kesterly::pictures {

namespace {

int littleEndian16(const QByteArray& bytes, qsizetype at) {
    return quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8;
}

} // namespace

void ensureLoaded() {
    static const bool loaded = (registerKesterlyResources(), true);
    Q_UNUSED(loaded);
}

QPixmap atNaturalSize(const QString& path) {
    ensureLoaded();
    const QImage image(path);
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    // 96 dots per inch is one pixel to one device-independent pixel.
    // Files keep whole dots per inch; the metric figure Qt gives back is rounded.
    const int dotsPerInch = qRound(image.dotsPerMeterX() * 0.0254);
    if (dotsPerInch > 0)
        pixmap.setDevicePixelRatio(dotsPerInch / 96.0);
    return pixmap;
}

QCursor cursorFromFile(const QString& path) {
    ensureLoaded();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QCursor(Qt::ArrowCursor);
    const QByteArray bytes = file.readAll();
    // A cursor file is an icon directory of type 2 whose first entry keeps the hot spot
    // where an icon keeps its planes and bit count.
    if (bytes.size() < 22 || littleEndian16(bytes, 2) != 2)
        return QCursor(Qt::ArrowCursor);
    const int hotX = littleEndian16(bytes, 10);
    const int hotY = littleEndian16(bytes, 12);
    QImage image = QImage::fromData(bytes, "CUR");
    if (image.isNull())
        image = QImage::fromData(bytes, "ICO");
    if (image.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

QCursor pointingHand() {
    return cursorFromFile(QStringLiteral(":/cursors/pointing-hand.cur"));
}

} // namespace kesterly::pictures
