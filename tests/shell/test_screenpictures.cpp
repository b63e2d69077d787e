// The pictures on the screen are drawn from the rendering made for its density, pixel for
// pixel: what the windows paint equals the picture file for that density. CTest runs this
// at 1x and at 2x (QT_SCALE_FACTOR), where a picture blown up from its 1x file would
// differ from the 2x file everywhere.
#include "framework/picturelabel.h"
#include "help/aboutwindow.h"
#include "shell/contentswindow.h"
#include "shell/mainwindow.h"
#include "shell/splashwindow.h"
#include "support/appfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace kesterly;
using namespace kesterly::test;

namespace {

// The file drawn for this screen's density.
QImage pictureFile(const QString& name) {
    const qreal ratio = qApp->devicePixelRatio();
    const QString suffix = ratio == 1 ? QString() : QStringLiteral("@%1x").arg(ratio);
    const QImage image(QStringLiteral(":/pictures/%1%2.jpg").arg(name, suffix));
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage painted(QWidget* widget, const QRect& area) {
    return widget->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

// A screen reader meets the picture as an image with its name, as it met the label that
// held a pixmap before.
void checkReadAsImage(QWidget* picture) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(picture);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::Graphic);
    QVERIFY(!picture->accessibleName().isEmpty());
    QCOMPARE(face->text(QAccessible::Name), picture->accessibleName());
}

} // namespace

class ScreenPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void splash();
    void mainWindowBackground();
    void about();
    void contentsButtons_data();
    void contentsButtons();

private:
    std::unique_ptr<AppFixture> fixture_;
};

void ScreenPicturesTest::init() {
    fixture_ = std::make_unique<AppFixture>();
    // Only 1x and 2x have a rendering of every picture to compare with.
    const qreal ratio = qApp->devicePixelRatio();
    QVERIFY2(ratio == 1 || ratio == 2, qPrintable(QString::number(ratio)));
}

void ScreenPicturesTest::cleanup() {
    fixture_.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void ScreenPicturesTest::splash() {
    QPointer<SplashWindow> splash = new SplashWindow(*fixture_->windows);
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash));
    auto* image = splash->findChild<PictureLabel*>("Image1");
    const QImage expected = pictureFile("splash");
    QCOMPARE(expected.size(), image->size() * qApp->devicePixelRatio());
    QCOMPARE(painted(image, image->rect()), expected);
    checkReadAsImage(image);
    delete splash;
}

void ScreenPicturesTest::mainWindowBackground() {
    MainFrame& main = fixture_->windows->mainWindow();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    // The windows of the start would cover part of the picture.
    for (QMdiSubWindow* frame : main.mdiArea()->subWindowList())
        frame->hide();
    QWidget* viewport = main.mdiArea()->viewport();
    const QSize picture(500, 400);
    const QRect middle(QPoint((viewport->width() - picture.width()) / 2,
                              (viewport->height() - picture.height()) / 2),
                       picture);
    QCOMPARE(painted(viewport, middle), pictureFile("background"));
    // Around it, white.
    const QImage edge = painted(viewport, QRect(0, 0, middle.left(), viewport->height()));
    QCOMPARE(edge.pixel(edge.width() / 2, edge.height() / 2), qRgb(255, 255, 255));
}

void ScreenPicturesTest::about() {
    auto& about = fixture_->windows->show<AboutWindow>();
    fixture_->windows->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixture_->windows->mainWindow()));
    auto* image = about.findChild<PictureLabel*>("Image1");
    QCOMPARE(image->shownPixmap().devicePixelRatio(), qApp->devicePixelRatio());
    QCOMPARE(painted(image, QRect(QPoint(0, 0), QSize(720, 400))), pictureFile("about"));
    checkReadAsImage(image);
}

void ScreenPicturesTest::contentsButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("picture");
    QTest::newRow("New Account") << "Command8"
                                 << "new-account";
    QTest::newRow("Reminders") << "Command5"
                               << "reminders";
}

void ScreenPicturesTest::contentsButtons() {
    QFETCH(QString, button);
    QFETCH(QString, picture);
    auto& contents = fixture_->windows->show<ContentsWindow>();
    auto* face = contents.findChild<QPushButton*>(button);
    const QImage expected = pictureFile(picture);
    const qreal ratio = qApp->devicePixelRatio();
    QCOMPARE(face->iconSize() * ratio, expected.size());
    const QPixmap shown = face->icon().pixmap(face->iconSize(), ratio);
    QCOMPARE(shown.devicePixelRatio(), ratio);
    QCOMPARE(shown.toImage().convertToFormat(QImage::Format_RGB32), expected);
}

QTEST_MAIN(ScreenPicturesTest)
#include "test_screenpictures.moc"
