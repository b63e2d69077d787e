#include "framework/picturelabel.h"

#include "framework/pictures.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace kesterly {

namespace {

// A label shows a picture to a screen reader only when the picture is its pixmap; this
// one paints its picture itself, so it says so itself: an image, named by its
// accessible name.
QAccessibleInterface* pictureLabelAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("kesterly::PictureLabel") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

} // namespace

PictureLabel::PictureLabel(QWidget* parent) : QLabel(parent) {
    static const bool installed = (QAccessible::installFactory(&pictureLabelAccessible), true);
    Q_UNUSED(installed);
}

void PictureLabel::setPicture(const QString& path) {
    path_ = path;
    rendering_ = {};
    renderingRatio_ = 0;
    update();
}

QPixmap PictureLabel::shownPixmap() const {
    const qreal ratio = devicePixelRatioF();
    if (ratio != renderingRatio_) {
        rendering_ = pictures::forPixelRatio(path_, ratio);
        renderingRatio_ = ratio;
    }
    return rendering_;
}

void PictureLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    const QPixmap picture = shownPixmap();
    if (picture.isNull())
        return;
    QPainter painter(this);
    // Only between two densities (1.5x) is the rendering scaled to fit, and then smoothly.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRectF(QPointF(0, 0), picture.deviceIndependentSize()), picture,
                       QRectF(picture.rect()));
}

} // namespace kesterly
