// Draws Kesterly's pictures: the splash picture, the main window's background, the About
// picture, the Contents window's button pictures (six icons and two JPEG pictures), and
// the pointing hand of the link cursor. Every JPEG picture is drawn once for each screen
// density it is shipped for: "name.jpg" with one pixel to a device-independent pixel,
// "name@2x.jpg" with two, and the splash and About pictures also at the 900 x 500 pixels
// (1.25 to one) of "name@1.25x.jpg"; the program picks the one for its screen.
// Usage: drawpictures <resources folder>
#include "iconfile.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

// The glyph of a tile, drawn in white on a square of side 1.
using Glyph = std::function<void(QPainter&, int size)>;

const QColor kInk(0x2b, 0x33, 0x40);
const QColor kNavy(0x34, 0x55, 0x8b);

// The shared look of every picture: a rounded tile in the function's colour, lighter
// at the top, with a darker edge and a white glyph.
void drawTile(QPainter& painter, QRectF box, const QColor& colour) {
    const double side = box.width();
    const double edge = side <= 48 ? 1.0 : side / 48.0;
    const QRectF tile = box.adjusted(edge / 2, edge / 2, -edge / 2, -edge / 2);
    const double radius = side * 0.2;
    QLinearGradient shade(tile.topLeft(), tile.bottomLeft());
    shade.setColorAt(0, colour.lighter(128));
    shade.setColorAt(1, colour);
    painter.setPen(QPen(colour.darker(140), edge));
    painter.setBrush(shade);
    painter.drawRoundedRect(tile, radius, radius);
}

void withUnitSquare(QPainter& painter, QRectF box, const std::function<void()>& draw) {
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width(), box.height());
    draw();
    painter.restore();
}

QImage tileImage(int size, const QColor& colour, const Glyph& glyph) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Small sizes keep a pixel of air around the tile, large ones a little more.
    const double margin = size <= 24 ? 0 : size / 32.0;
    const QRectF box(margin, margin, size - 2 * margin, size - 2 * margin);
    drawTile(painter, box, colour);
    withUnitSquare(painter, box, [&] { glyph(painter, size); });
    return image;
}

QPen whitePen(double width) {
    QPen pen(Qt::white, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// Stroke widths in the unit square: never thinner than about one and a half pixels.
double stroke(double fraction, int size) {
    return qMax(fraction, 1.6 / size);
}

void folderGlyph(QPainter& p, int size) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(0.20, 0.26, 0.26, 0.12), 0.03, 0.03);
    p.drawRoundedRect(QRectF(0.20, 0.33, 0.60, 0.43), 0.04, 0.04);
    // The open front of the folder.
    p.setBrush(QColor(0xc8, 0x8a, 0x10));
    p.drawRect(QRectF(0.20, 0.43, 0.60, stroke(0.05, size)));
}

void sheetGlyph(QPainter& p, int size) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(0.27, 0.17);
    sheet.lineTo(0.60, 0.17);
    sheet.lineTo(0.73, 0.30);
    sheet.lineTo(0.73, 0.83);
    sheet.lineTo(0.27, 0.83);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.setBrush(QColor(0x2f, 0x6f, 0xd0));
    const double line = stroke(0.055, size);
    const int rows = size <= 16 ? 3 : 4;
    for (int i = 0; i < rows; ++i)
        p.drawRect(QRectF(0.35, 0.38 + i * (0.36 / rows), i == rows - 1 ? 0.18 : 0.30, line));
}

void percentGlyph(QPainter& p, int size) {
    p.setBrush(Qt::NoBrush);
    p.setPen(whitePen(stroke(0.075, size)));
    p.drawEllipse(QPointF(0.33, 0.32), 0.105, 0.105);
    p.drawEllipse(QPointF(0.67, 0.68), 0.105, 0.105);
    QPen slash = whitePen(stroke(0.085, size));
    slash.setCapStyle(Qt::RoundCap);
    p.setPen(slash);
    p.drawLine(QPointF(0.72, 0.22), QPointF(0.28, 0.78));
}

void trayGlyph(QPainter& p, int size) {
    p.setBrush(Qt::NoBrush);
    p.setPen(whitePen(stroke(0.08, size)));
    QPolygonF tray{{0.22, 0.58}, {0.22, 0.79}, {0.78, 0.79}, {0.78, 0.58}};
    p.drawPolyline(tray);
}

void incomeGlyph(QPainter& p, int size) {
    trayGlyph(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.43, 0.16, 0.14, 0.30));
    p.drawPolygon(QPolygonF{{0.28, 0.44}, {0.72, 0.44}, {0.50, 0.67}});
}

void expenseGlyph(QPainter& p, int size) {
    trayGlyph(p, size);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{0.28, 0.39}, {0.72, 0.39}, {0.50, 0.16}});
    p.drawRect(QRectF(0.43, 0.37, 0.14, 0.30));
}

void balanceGlyph(QPainter& p, int size) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const double post = stroke(0.08, size);
    p.drawRect(QRectF(0.5 - post / 2, 0.20, post, 0.56));
    p.drawRect(QRectF(0.30, 0.74, 0.40, stroke(0.07, size)));
    p.drawRect(QRectF(0.16, 0.27, 0.68, stroke(0.06, size)));
    // The pans hang from the ends of the beam.
    if (size > 16) {
        p.setPen(whitePen(stroke(0.03, size)));
        p.drawLine(QPointF(0.25, 0.30), QPointF(0.16, 0.55));
        p.drawLine(QPointF(0.25, 0.30), QPointF(0.34, 0.55));
        p.drawLine(QPointF(0.75, 0.30), QPointF(0.66, 0.55));
        p.drawLine(QPointF(0.75, 0.30), QPointF(0.84, 0.55));
        p.setPen(Qt::NoPen);
    }
    p.drawChord(QRectF(0.12, 0.44, 0.26, 0.22), 180 * 16, 180 * 16);
    p.drawChord(QRectF(0.62, 0.44, 0.26, 0.22), 180 * 16, 180 * 16);
}

void personGlyph(QPainter& p, int) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0.42, 0.36), 0.14, 0.14);
    p.drawChord(QRectF(0.17, 0.56, 0.50, 0.46), 0, 180 * 16);
    // A plus for "new".
    p.drawRect(QRectF(0.70, 0.22, 0.10, 0.30));
    p.drawRect(QRectF(0.60, 0.32, 0.30, 0.10));
}

void bellGlyph(QPainter& p, int size) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath bell;
    bell.moveTo(0.22, 0.70);
    bell.cubicTo(0.32, 0.60, 0.30, 0.52, 0.31, 0.42);
    bell.cubicTo(0.33, 0.22, 0.67, 0.22, 0.69, 0.42);
    bell.cubicTo(0.70, 0.52, 0.68, 0.60, 0.78, 0.70);
    bell.closeSubpath();
    p.drawPath(bell);
    p.drawEllipse(QPointF(0.50, 0.76), 0.075, 0.075);
    p.drawEllipse(QPointF(0.50, 0.23), 0.05, 0.05);
    p.setBrush(QColor(0xe8, 0x89, 0x2b));
    p.drawRect(QRectF(0.22, 0.68, 0.56, stroke(0.03, size)));
}

struct IconDrawing {
    const char* file;
    QColor colour;
    Glyph glyph;
};

bool save(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool saveJpeg(const QString& path, const QImage& image) {
    // The picture is drawn on an opaque background; JPEG keeps no alpha.
    QImageWriter writer(path, "jpeg");
    writer.setQuality(92);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

QByteArray icon(const IconDrawing& drawing) {
    QList<IconImage> images;
    for (int size : {48, 32, 16})
        images.append({tileImage(size, drawing.colour, drawing.glyph), 8});
    for (int size : {256, 128, 64, 48, 32, 24, 16})
        images.append({tileImage(size, drawing.colour, drawing.glyph), 32});
    return iconFile(images);
}

// A picture drawn in its own units (its size at one pixel to a device-independent pixel,
// or at the size its description gives), rendered at any density.
struct Picture {
    const char* name;     // the file name without ".jpg"
    QSizeF units;         // the drawing's own size
    QSizeF shown;         // its size in device-independent pixels
    QList<double> scales; // device pixels to a device-independent pixel
    std::function<void(QPainter&)> draw;
};

QImage render(const Picture& picture, double scale) {
    const QSize pixels = (picture.shown * scale).toSize();
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(pixels.width() / picture.units.width(), pixels.height() / picture.units.height());
    picture.draw(painter);
    return image;
}

QString fileName(const Picture& picture, double scale) {
    if (scale == 1.0)
        return QStringLiteral("pictures/%1.jpg").arg(QLatin1String(picture.name));
    return QStringLiteral("pictures/%1@%2x.jpg").arg(QLatin1String(picture.name)).arg(scale);
}

QFont pixelFont(const QString& family, double pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(qRound(pixels));
    font.setBold(bold);
    // The same shapes at every density: hinting would fit them to each pixel grid apart.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void newAccountPicture(QPainter& painter) {
    const QRectF box(4, 4, 32, 32);
    drawTile(painter, box, kNavy);
    withUnitSquare(painter, box, [&] { personGlyph(painter, 32); });
    painter.setFont(pixelFont(QStringLiteral("Liberation Sans"), 12, true));
    painter.setPen(kInk);
    painter.drawText(QRectF(41, 5, 56, 15), Qt::AlignLeft | Qt::AlignVCenter, "New");
    painter.drawText(QRectF(41, 20, 56, 15), Qt::AlignLeft | Qt::AlignVCenter, "Account");
}

void remindersPicture(QPainter& painter) {
    const QRectF box(2, 2, 44, 44);
    drawTile(painter, box, QColor(0xe8, 0x89, 0x2b));
    withUnitSquare(painter, box, [&] { bellGlyph(painter, 44); });
}

// In the units of a 900 x 500 picture.
void aboutPicture(QPainter& painter, const QList<IconDrawing>& icons) {
    // A pale band behind the name, starting below the heading of the window.
    QLinearGradient band(0, 70, 0, 400);
    band.setColorAt(0, QColor(0xf3, 0xf6, 0xfb));
    band.setColorAt(1, QColor(0xe4, 0xeb, 0xf5));
    painter.fillRect(QRectF(0, 70, 880, 330), band);

    // The program's mark: a ledger book on a navy tile.
    const QRectF mark(70, 125, 220, 220);
    drawTile(painter, mark, kNavy);
    withUnitSquare(painter, mark, [&] { sheetGlyph(painter, 220); });

    const QString sans = QStringLiteral("Liberation Sans");
    painter.setFont(pixelFont(sans, 104, true));
    painter.setPen(kNavy);
    painter.drawText(QRectF(330, 120, 540, 125), Qt::AlignLeft | Qt::AlignVCenter, "Kesterly");

    painter.setFont(pixelFont(sans, 34));
    painter.setPen(kInk);
    painter.drawText(QRectF(336, 245, 540, 45), Qt::AlignLeft | Qt::AlignVCenter,
                     "Your personal accounts book");
    painter.setFont(pixelFont(sans, 26));
    painter.setPen(QColor(0x5a, 0x64, 0x73));
    painter.drawText(QRectF(336, 292, 540, 40), Qt::AlignLeft | Qt::AlignVCenter,
                     "Version 1.0  \u00b7  made by Velquist");

    // The Contents window's six colours, as a row of small tiles.
    for (int i = 0; i < icons.size(); ++i) {
        const QRectF tile(336 + i * 62, 350, 48, 48);
        drawTile(painter, tile, icons[i].colour);
        withUnitSquare(painter, tile, [&] { icons[i].glyph(painter, 48); });
    }

    painter.setFont(pixelFont(sans, 20));
    painter.setPen(QColor(0x7a, 0x84, 0x93));
    painter.drawText(
        QRectF(70, 430, 800, 40), Qt::AlignLeft | Qt::AlignVCenter,
        "Income, expenses, balance, reminders and interest, kept in plain text files.");
}

// The colours of the splash picture and the main window's background.
const QColor kTeal(0x1f, 0x5f, 0x5b);
const QColor kDeep(0x0f, 0x34, 0x32);
const QColor kGold(0xe0, 0xb2, 0x3a);
const QColor kPaper(0xfb, 0xf6, 0xe9);

// An open ledger: two pages with ruled lines and a column of figures, on a gold spine.
// `scale` is in tenths: 10 draws pages of 110 x 150.
void ledger(QPainter& painter, double x, double y, int scale) {
    const double w = 110 * scale / 10;
    const double h = 150 * scale / 10;
    painter.save();
    painter.setPen(QPen(kDeep, 2));
    painter.setBrush(kPaper);
    painter.drawRoundedRect(QRectF(x, y, w, h), 6, 6);
    painter.drawRoundedRect(QRectF(x + w, y, w, h), 6, 6);
    painter.setPen(QPen(kGold, 5));
    painter.drawLine(QPointF(x + w, y + 4), QPointF(x + w, y + h - 4));
    painter.setPen(QPen(QColor(0x9f, 0xb8, 0xb5), 1));
    for (int i = 1; i <= 8; ++i) {
        const double line = y + int(i * h / 10) + 6;
        painter.drawLine(QPointF(x + 10, line), QPointF(x + w - 10, line));
        painter.drawLine(QPointF(x + w + 10, line), QPointF(x + 2 * w - 10, line));
    }
    painter.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 1));
    const double figures = x + w + int(3 * w / 4);
    painter.drawLine(QPointF(figures, y + 10), QPointF(figures, y + h - 10));
    painter.restore();
}

// In the units of a 900 x 500 picture.
void splashPicture(QPainter& painter) {
    QLinearGradient sky(0, 0, 0, 500);
    sky.setColorAt(0, kTeal);
    sky.setColorAt(1, kDeep);
    painter.fillRect(QRectF(0, 0, 900, 500), sky);
    painter.setPen(QPen(QColor(0x2c, 0x7a, 0x74), 1));
    for (int x = 0; x <= 900; x += 40)
        painter.drawLine(QPointF(x, 0), QPointF(x + 260, 500));

    ledger(painter, 520, 150, 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGold);
    painter.drawEllipse(QPointF(696, 120), 40, 40);

    const QString serif = QStringLiteral("Liberation Serif");
    const QString sans = QStringLiteral("Liberation Sans");
    const auto text = [&painter](double x, double baseline, const QFont& font, const QColor& colour,
                                 const QString& what) {
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPointF(x, baseline), what);
    };
    text(683, 131, pixelFont(serif, 30, true), kDeep, QStringLiteral("K"));
    text(70, 210, pixelFont(serif, 96, true), Qt::white, QStringLiteral("Kesterly"));
    text(76, 262, pixelFont(sans, 28), kGold, QStringLiteral("Your personal accounts book"));
    const QColor pale(0xcf, 0xe3, 0xe1);
    const QFont small = pixelFont(sans, 19);
    text(78, 318, small, pale, QStringLiteral("Income and expenses against a running balance"));
    text(78, 348, small, pale, QStringLiteral("Reminders announced on time"));
    text(78, 378, small, pale, QStringLiteral("Interest worked out in a click"));
}

// The main window's background, 500 x 400, on white: a quiet ledger and the name.
void backgroundPicture(QPainter& painter) {
    ledger(painter, 118, 70, 12);
    QFont name = pixelFont(QStringLiteral("Liberation Serif"), 44, true);
    painter.setFont(name);
    painter.setPen(kTeal);
    painter.drawText(QRectF(0, 300, 500, 60), Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("Kesterly"));
}

// The link cursor: a white hand with a black edge, the index finger up; the fingertip
// (column 12, row 1) is the hot spot.
QImage pointingHand() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);                   // overlapping parts make one outline
    hand.addRoundedRect(QRectF(10, 1, 5, 16), 2.5, 2.5); // index finger
    hand.addRoundedRect(QRectF(14, 9, 4, 10), 2, 2);     // middle finger
    hand.addRoundedRect(QRectF(17, 10, 4, 10), 2, 2);    // ring finger
    hand.addRoundedRect(QRectF(20, 11, 4, 10), 2, 2);    // little finger
    QPainterPath thumb;
    thumb.moveTo(10, 15);
    thumb.lineTo(7, 13);
    thumb.cubicTo(5, 12, 3, 14, 5, 17);
    thumb.lineTo(9, 23);
    thumb.lineTo(10, 23);
    thumb.closeSubpath();
    hand.addPath(thumb);
    hand.addRoundedRect(QRectF(9, 15, 15, 11), 3, 3); // palm
    hand.addRect(QRectF(11, 25, 11, 5));              // wrist
    hand = hand.simplified();

    QPainter painter(&image);
    painter.translate(0.5, 0.5);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPath(hand);
    // The folded fingers' creases.
    painter.drawLine(QPointF(14, 12), QPointF(14, 17));
    painter.drawLine(QPointF(17, 13), QPointF(17, 17));
    painter.drawLine(QPointF(20, 14), QPointF(20, 17));
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawpictures <resources folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("pictures"));
    out.mkpath(QStringLiteral("cursors"));

    const QList<IconDrawing> icons{
        {"open-account.ico", QColor(0xe0, 0xa0, 0x20), folderGlyph},
        {"entry-form.ico", QColor(0x2f, 0x6f, 0xd0), sheetGlyph},
        {"interest.ico", QColor(0x8a, 0x4f, 0xc8), percentGlyph},
        {"income.ico", QColor(0x2e, 0x9e, 0x4f), incomeGlyph},
        {"expense.ico", QColor(0xd0, 0x4a, 0x3a), expenseGlyph},
        {"balance.ico", QColor(0x1f, 0x8f, 0x95), balanceGlyph},
    };
    bool ok = true;
    for (const IconDrawing& drawing : icons)
        ok &= save(out.filePath(QStringLiteral("pictures/") + drawing.file), icon(drawing));
    // The splash and About pictures fill 720 x 400 device-independent pixels; 1.25 to one
    // is the 900 x 500 pixels their windows were laid out with.
    const QList<Picture> pictures{
        {"splash", {900, 500}, {720, 400}, {1, 1.25, 2}, splashPicture},
        {"background", {500, 400}, {500, 400}, {1, 2}, backgroundPicture},
        {"about",
         {900, 500},
         {720, 400},
         {1, 1.25, 2},
         [&icons](QPainter& painter) { aboutPicture(painter, icons); }},
        {"new-account", {98, 40}, {98, 40}, {1, 2}, newAccountPicture},
        {"reminders", {48, 48}, {48, 48}, {1, 2}, remindersPicture},
    };
    for (const Picture& picture : pictures) {
        for (double scale : picture.scales)
            ok &= saveJpeg(out.filePath(fileName(picture, scale)), render(picture, scale));
    }
    ok &= save(out.filePath("cursors/pointing-hand.cur"), cursorFile({pointingHand(), 4}, {12, 1}));
    return ok ? 0 : 1;
}
