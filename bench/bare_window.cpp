// The yardstick for the program's start-up: the least a Qt Widgets program can do to put
// a picture on the screen. One application object and one label showing the splash
// picture (the same JPEG, from resources built in the same way), nothing else. bench/run.sh
// times it next to the program, from start to its window being shown. Like the splash
// window it has no frame: a window manager that frames a window shows it a few
// milliseconds later, which would flatter the program.

#include <QApplication>
#include <QLabel>
#include <QPixmap>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel picture;
    picture.setWindowTitle(QStringLiteral("Bare Qt window"));
    picture.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    picture.setPixmap(QPixmap(QStringLiteral(":/bench/splash.jpg")));
    picture.show();
    return QApplication::exec();
}
