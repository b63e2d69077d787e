#include "shell/splashwindow.h"

#include "framework/twips.h"
#include "framework/windows.h"
#include "shell/mainwindow.h"
#include "shell/statuspanel.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace kesterly {

ClickableImage::ClickableImage(QWidget* parent) : PictureLabel(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void ClickableImage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space)
        emit clicked();
    else
        PictureLabel::keyPressEvent(event);
}

SplashWindow::SplashWindow(Windows& windows) : QWidget(nullptr), windows_(windows) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kesterly"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsSize(10800, 5904));

    auto* image = new ClickableImage(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(twipsRect(0, 0, 10800, 6000));
    image->setPicture(QStringLiteral(":/pictures/splash.jpg"));
    image->setAccessibleName(QStringLiteral("Kesterly: click to load"));
    connect(image, &ClickableImage::clicked, this, &SplashWindow::splashStep);

    auto* outline = new QFrame(this);
    outline->setObjectName(QStringLiteral("Shape1"));
    outline->setGeometry(twipsRect(120, 120, 10572, 5652));
    outline->setStyleSheet(QStringLiteral("#Shape1 { border: 2px solid rgba(255, 255, 255, 200); "
                                          "border-radius: 6px; background: transparent; }"));
    outline->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* hint = new QLabel(QStringLiteral("Click on the image to load"), this);
    hint->setObjectName(QStringLiteral("Label2"));
    hint->setGeometry(twipsRect(360, 5280, 2172, 252));
    hint->setAutoFillBackground(true);
    QPalette white = hint->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    hint->setPalette(white);
    hint->setAlignment(Qt::AlignCenter);

    image->setFocus();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void SplashWindow::splashStep() {
    windows_.mainWindow().show();
    windows_.mainWindow().activateWindow();
    windows_.show<StatusPanel>();
    windows_.mainWindow().setViewMenuEnabled(false);
    close();
}

} // namespace kesterly
