#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>

namespace kesterly {

// A label showing a picture at the picture's own size, from its top-left corner, drawn
// from the rendering made for the density of the screen the label is on at that moment
// (see pictures::forPixelRatio): sharp at 2x as at 1x, and after a move to another
// screen too.
class PictureLabel : public QLabel {
    Q_OBJECT
public:
    explicit PictureLabel(QWidget* parent = nullptr);

    void setPicture(const QString& path);
    // The rendering the label draws on its screen now.
    QPixmap shownPixmap() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString path_;
    mutable QPixmap rendering_;
    mutable qreal renderingRatio_ = 0;
};

} // namespace kesterly
