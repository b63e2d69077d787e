#include "framework/pictures.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <utility>

static void registerKesterlyResources() {
    Q_INIT_RESOURCE(kesterly);
}

namespace kesterly::pictures {

namespace {

struct Rendering {
    qreal scale;
    QString file;
};

// The renderings of a picture that the program holds, the least dense first.
QList<Rendering> renderings(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = path.left(dot);
    const QString suffix = dot < 0 ? QString() : path.mid(dot);
    QList<Rendering> found;
    for (const auto& [scale, infix] : {std::pair{1.0, ""}, {1.25, "@1.25x"}, {2.0, "@2x"}}) {
        const QString file = stem + QLatin1String(infix) + suffix;
        if (QFile::exists(file))
            found.append({scale, file});
    }
    return found;
}

int littleEndian16(const QByteArray& bytes, qsizetype at) {
    return quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8;
}

} // namespace

void ensureLoaded() {
    static const bool loaded = (registerKesterlyResources(), true);
    Q_UNUSED(loaded);
}

QSize sizeOf(const QString& path) {
    ensureLoaded();
    return QImageReader(path).size();
}

QPixmap forPixelRatio(const QString& path, qreal devicePixelRatio) {
    ensureLoaded();
    // A screen whose ratio is a hair above a rendering's (1.0000001 from rounding) is
    // still given that rendering.
    constexpr qreal kSlack = 0.01;
    const QList<Rendering> all = renderings(path);
    const Rendering* chosen = nullptr;
    for (const Rendering& rendering : all) {
        chosen = &rendering;
        if (rendering.scale + kSlack >= devicePixelRatio)
            break;
    }
    if (!chosen)
        return {};
    QPixmap pixmap(chosen->file);
    pixmap.setDevicePixelRatio(chosen->scale);
    return pixmap;
}

QIcon withEveryRendering(const QString& path) {
    ensureLoaded();
    QIcon icon;
    for (const Rendering& rendering : renderings(path))
        icon.addFile(rendering.file);
    return icon;
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
