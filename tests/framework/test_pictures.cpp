#include "framework/pictures.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTest>

using namespace kesterly;

namespace {

QByteArray resource(const QString& path) {
    pictures::ensureLoaded();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint8 byte(const QByteArray& bytes, qsizetype at) {
    return quint8(bytes.at(at));
}

int u16(const QByteArray& bytes, qsizetype at) {
    return byte(bytes, at) | byte(bytes, at + 1) << 8;
}

quint32 u32(const QByteArray& bytes, qsizetype at) {
    return quint32(u16(bytes, at)) | quint32(u16(bytes, at + 2)) << 16;
}

int bigEndian16(const QByteArray& bytes, qsizetype at) {
    return byte(bytes, at) << 8 | byte(bytes, at + 1);
}

struct Entry {
    int size;
    int bits;
};

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT
private slots:
    void iconsHoldTenBitmapsInOrder_data();
    void iconsHoldTenBitmapsInOrder();
    void iconsDiffer();
    void buttonPicturesAreBaselineColourJpegs_data();
    void buttonPicturesAreBaselineColourJpegs();
    void everyPictureHasA2xRendering_data();
    void everyPictureHasA2xRendering();
    void renderingForEachPixelRatio_data();
    void renderingForEachPixelRatio();
    void pointingHandCursor();
};

void PicturesTest::iconsHoldTenBitmapsInOrder_data() {
    QTest::addColumn<QString>("path");
    for (const char* name :
         {"open-account", "entry-form", "interest", "income", "expense", "balance"})
        QTest::newRow(name) << QStringLiteral(":/pictures/%1.ico").arg(QLatin1String(name));
}

void PicturesTest::iconsHoldTenBitmapsInOrder() {
    QFETCH(QString, path);
    const QByteArray bytes = resource(path);
    QVERIFY(bytes.size() > 6);
    QCOMPARE(u16(bytes, 0), 0);
    QCOMPARE(u16(bytes, 2), 1); // an icon, not a cursor
    QCOMPARE(u16(bytes, 4), 10);

    const QList<Entry> expected{{48, 8},  {32, 8},  {16, 8},  {256, 32}, {128, 32},
                                {64, 32}, {48, 32}, {32, 32}, {24, 32},  {16, 32}};
    for (int i = 0; i < expected.size(); ++i) {
        const qsizetype entry = 6 + 16 * i;
        const int size = expected[i].size;
        const int bits = expected[i].bits;
        QCOMPARE(int(quint8(bytes[entry])), size % 256);
        QCOMPARE(int(quint8(bytes[entry + 1])), size % 256);
        QCOMPARE(u16(bytes, entry + 6), bits);
        const quint32 length = u32(bytes, entry + 8);
        const quint32 offset = u32(bytes, entry + 12);
        QVERIFY(offset + length <= quint32(bytes.size()));

        // The image itself: a bitmap header, not a compressed picture.
        QCOMPARE(u32(bytes, offset), 40u);
        QCOMPARE(int(u32(bytes, offset + 4)), size);
        QCOMPARE(int(u32(bytes, offset + 8)), size * 2);
        QCOMPARE(u16(bytes, offset + 14), bits);
        QCOMPARE(u32(bytes, offset + 16), 0u);
        const int palette = bits == 8 ? 256 * 4 : 0;
        const int colourRow = (size * bits + 31) / 32 * 4;
        const int maskRow = (size + 31) / 32 * 4;
        QCOMPARE(length, quint32(40 + palette + (colourRow + maskRow) * size));
    }
    // Qt reads every image of it.
    const QIcon icon(path);
    QCOMPARE(icon.availableSizes().size(), 7); // the two depths share their sizes
    QVERIFY(!icon.pixmap(32, 32).isNull());
}

void PicturesTest::iconsDiffer() {
    QList<QByteArray> seen;
    for (const char* name :
         {"open-account", "entry-form", "interest", "income", "expense", "balance"}) {
        const QImage image = QIcon(QStringLiteral(":/pictures/%1.ico").arg(QLatin1String(name)))
                                 .pixmap(32, 32)
                                 .toImage();
        const QByteArray pixels(reinterpret_cast<const char*>(image.constBits()),
                                image.sizeInBytes());
        QVERIFY2(!seen.contains(pixels), name);
        seen << pixels;
    }
}

void PicturesTest::buttonPicturesAreBaselineColourJpegs_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("New Account") << ":/pictures/new-account.jpg" << QSize(98, 40);
    QTest::newRow("Reminders") << ":/pictures/reminders.jpg" << QSize(48, 48);
    // The About picture as its window was laid out: 900 × 500 pixels filling 720 × 400.
    QTest::newRow("About") << ":/pictures/about@1.25x.jpg" << QSize(900, 500);
    QTest::newRow("New Account at 2x") << ":/pictures/new-account@2x.jpg" << QSize(196, 80);
    QTest::newRow("Reminders at 2x") << ":/pictures/reminders@2x.jpg" << QSize(96, 96);
}

void PicturesTest::buttonPicturesAreBaselineColourJpegs() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QByteArray bytes = resource(path);
    QVERIFY(bytes.startsWith("\xFF\xD8"));
    // Walk the markers to the frame header: SOF0 is a baseline frame.
    qsizetype at = 2;
    int frame = 0;
    while (at + 4 <= bytes.size() && quint8(bytes[at]) == 0xFF) {
        const int marker = quint8(bytes[at + 1]);
        const int length = bigEndian16(bytes, at + 2);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            frame = marker;
            QCOMPARE(bigEndian16(bytes, at + 5), size.height());
            QCOMPARE(bigEndian16(bytes, at + 7), size.width());
            QCOMPARE(int(quint8(bytes[at + 9])), 3); // colour components
            break;
        }
        at += 2 + length;
    }
    QCOMPARE(frame, 0xC0);
    QCOMPARE(QImage::fromData(bytes).size(), size);
}

void PicturesTest::everyPictureHasA2xRendering_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("also125");
    QTest::newRow("splash") << "splash" << QSize(720, 400) << true;
    QTest::newRow("background") << "background" << QSize(500, 400) << false;
    QTest::newRow("About") << "about" << QSize(720, 400) << true;
    QTest::newRow("New Account") << "new-account" << QSize(98, 40) << false;
    QTest::newRow("Reminders") << "reminders" << QSize(48, 48) << false;
}

void PicturesTest::everyPictureHasA2xRendering() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, also125);
    const QString path = QStringLiteral(":/pictures/%1.jpg").arg(name);
    QCOMPARE(pictures::sizeOf(path), size);
    const QImage once = QImage::fromData(resource(path));
    const QImage twice =
        QImage::fromData(resource(QStringLiteral(":/pictures/%1@2x.jpg").arg(name)));
    QCOMPARE(once.size(), size);
    QCOMPARE(twice.size(), size * 2);
    const QByteArray between = resource(QStringLiteral(":/pictures/%1@1.25x.jpg").arg(name));
    QCOMPARE(!between.isEmpty(), also125);
    if (also125)
        QCOMPARE(QImage::fromData(between).size(), size * 1.25);

    // Drawn anew for 2x, not enlarged: the same picture (halved again, it is close to the
    // 1x rendering), with edges about as steep as the 1x one's; the 1x rendering blown up
    // to 2x has half as steep ones.
    const auto gray = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_Grayscale8);
    };
    const QImage halved = gray(twice.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const QImage doubled =
        gray(once.scaled(size * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const auto difference = [](const QImage& a, const QImage& b) {
        qint64 sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                sum += qAbs(a.constScanLine(y)[x] - b.constScanLine(y)[x]);
        return double(sum) / (a.width() * a.height());
    };
    // The steepest step between neighbouring pixels, averaged over the rows.
    const auto sharpness = [](const QImage& image) {
        qint64 sum = 0;
        for (int y = 0; y < image.height(); ++y) {
            int steepest = 0;
            for (int x = 1; x < image.width(); ++x)
                steepest =
                    qMax(steepest, qAbs(image.constScanLine(y)[x] - image.constScanLine(y)[x - 1]));
            sum += steepest;
        }
        return double(sum) / image.height();
    };
    const double sameDrawing = difference(halved, gray(once));
    QVERIFY2(sameDrawing < 8, qPrintable(QString::number(sameDrawing)));
    const double sharp = sharpness(gray(twice));
    const double sharpAt1x = sharpness(gray(once));
    const double blownUp = sharpness(doubled);
    QVERIFY2(sharp > 0.8 * sharpAt1x && sharp > 1.5 * blownUp,
             qPrintable(QStringLiteral("steepest steps: %1 at 2x, %2 at 1x, %3 blown up")
                            .arg(sharp)
                            .arg(sharpAt1x)
                            .arg(blownUp)));
}

void PicturesTest::renderingForEachPixelRatio_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("drawnFor");
    const QString splash = ":/pictures/splash.jpg";
    const QString background = ":/pictures/background.jpg";
    QTest::newRow("1x") << splash << 1.0 << 1.0;
    QTest::newRow("1.25x") << splash << 1.25 << 1.25;
    QTest::newRow("1.5x") << splash << 1.5 << 2.0;
    QTest::newRow("2x") << splash << 2.0 << 2.0;
    QTest::newRow("3x: the densest there is") << splash << 3.0 << 2.0;
    QTest::newRow("a hair above 1x") << splash << 1.000001 << 1.0;
    QTest::newRow("1.25x without a 1.25x rendering") << background << 1.25 << 2.0;
}

void PicturesTest::renderingForEachPixelRatio() {
    QFETCH(QString, path);
    QFETCH(double, ratio);
    QFETCH(double, drawnFor);
    const QPixmap pixmap = pictures::forPixelRatio(path, ratio);
    QCOMPARE(pixmap.devicePixelRatio(), drawnFor);
    // Whichever rendering it is, it covers the picture's own size.
    QCOMPARE(pixmap.deviceIndependentSize().toSize(), pictures::sizeOf(path));
    QVERIFY(pictures::forPixelRatio(":/pictures/no-such.jpg", ratio).isNull());
}

void PicturesTest::pointingHandCursor() {
    const QByteArray bytes = resource(":/cursors/pointing-hand.cur");
    QCOMPARE(u16(bytes, 2), 2); // a cursor
    QCOMPARE(u16(bytes, 4), 1);
    QCOMPARE(int(quint8(bytes[6])), 32);
    QCOMPARE(int(quint8(bytes[7])), 32);
    QCOMPARE(int(quint8(bytes[8])), 16); // colours
    QCOMPARE(u16(bytes, 10), 12);        // hot spot column
    QCOMPARE(u16(bytes, 12), 1);         // hot spot row
    QCOMPARE(u16(bytes, u32(bytes, 18) + 14), 4);

    const QCursor cursor = pictures::pointingHand();
    QCOMPARE(cursor.hotSpot(), QPoint(12, 1));
    const QImage image = cursor.pixmap().toImage();
    QCOMPARE(image.size(), QSize(32, 32));
    // The fingertip is drawn at the hot spot; the corner beside it is clear.
    QCOMPARE(qAlpha(image.pixel(12, 1)), 255);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
}

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
