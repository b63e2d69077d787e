#pragma once

#include "framework/picturelabel.h"

#include <QWidget>

namespace kesterly {

class Windows;

// A picture that reports a click (or Enter/Space while it has the focus).
class ClickableImage : public PictureLabel {
    Q_OBJECT
public:
    explicit ClickableImage(QWidget* parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The window the program starts with; a click on its picture opens the main window.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(Windows& windows);

    // Click on the picture.
    void splashStep();

private:
    Windows& windows_;
};

} // namespace kesterly
