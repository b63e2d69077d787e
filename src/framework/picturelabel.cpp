#include "framework/picturelabel.h"

#include "framework/pictures.h"

#include <QPainter>

namespace kesterly {

PictureLabel::PictureLabel(QWidget* parent) : QLabel(parent) {}

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
