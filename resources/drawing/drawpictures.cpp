// Draws Kesterly's pictures: the About picture, the Contents window's button pictures
// (six icons and two JPEG pictures), and the pointing hand of the link cursor.
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

QImage onWhite(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage newAccountPicture() {
    QImage image = onWhite({98, 40});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(4, 4, 32, 32);
    drawTile(painter, box, kNavy);
    withUnitSquare(painter, box, [&] { personGlyph(painter, 32); });
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(kInk);
    painter.drawText(QRectF(41, 5, 56, 15), Qt::AlignLeft | Qt::AlignVCenter, "New");
    painter.drawText(QRectF(41, 20, 56, 15), Qt::AlignLeft | Qt::AlignVCenter, "Account");
    return image;
}

QImage remindersPicture() {
    QImage image = onWhite({48, 48});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(2, 2, 44, 44);
    drawTile(painter, box, QColor(0xe8, 0x89, 0x2b));
    withUnitSquare(painter, box, [&] { bellGlyph(painter, 44); });
    return image;
}

// 900 × 500 pixels at 120 dots per inch: 7.5 × 4.17 inches on any screen.
QImage aboutPicture(const QList<IconDrawing>& icons) {
    QImage image = onWhite({900, 500});
    image.setDotsPerMeterX(qRound(120 / 0.0254));
    image.setDotsPerMeterY(qRound(120 / 0.0254));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // A pale band behind the name, starting below the heading of the window.
    QLinearGradient band(0, 70, 0, 400);
    band.setColorAt(0, QColor(0xf3, 0xf6, 0xfb));
    band.setColorAt(1, QColor(0xe4, 0xeb, 0xf5));
    painter.fillRect(QRect(0, 70, 880, 330), band);

    // The program's mark: a ledger book on a navy tile.
    const QRectF mark(70, 125, 220, 220);
    drawTile(painter, mark, kNavy);
    withUnitSquare(painter, mark, [&] { sheetGlyph(painter, 220); });

    QFont name(QStringLiteral("Liberation Sans"));
    name.setPixelSize(104);
    name.setBold(true);
    painter.setFont(name);
    painter.setPen(kNavy);
    painter.drawText(QRectF(330, 120, 540, 125), Qt::AlignLeft | Qt::AlignVCenter, "Kesterly");

    QFont line(QStringLiteral("Liberation Sans"));
    line.setPixelSize(34);
    painter.setFont(line);
    painter.setPen(kInk);
    painter.drawText(QRectF(336, 245, 540, 45), Qt::AlignLeft | Qt::AlignVCenter,
                     "Your personal accounts book");
    line.setPixelSize(26);
    painter.setFont(line);
    painter.setPen(QColor(0x5a, 0x64, 0x73));
    painter.drawText(QRectF(336, 292, 540, 40), Qt::AlignLeft | Qt::AlignVCenter,
                     "Version 1.0  \u00b7  made by Velquist");

    // The Contents window's six colours, as a row of small tiles.
    for (int i = 0; i < icons.size(); ++i) {
        const QRectF tile(336 + i * 62, 350, 48, 48);
        drawTile(painter, tile, icons[i].colour);
        withUnitSquare(painter, tile, [&] { icons[i].glyph(painter, 48); });
    }

    line.setPixelSize(20);
    painter.setFont(line);
    painter.setPen(QColor(0x7a, 0x84, 0x93));
    painter.drawText(
        QRectF(70, 430, 800, 40), Qt::AlignLeft | Qt::AlignVCenter,
        "Income, expenses, balance, reminders and interest, kept in plain text files.");
    return image;
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
    ok &= saveJpeg(out.filePath("pictures/new-account.jpg"), newAccountPicture());
    ok &= saveJpeg(out.filePath("pictures/reminders.jpg"), remindersPicture());
    ok &= saveJpeg(out.filePath("pictures/about.jpg"), aboutPicture(icons));
    ok &= save(out.filePath("cursors/pointing-hand.cur"), cursorFile({pointingHand(), 4}, {12, 1}));
    return ok ? 0 : 1;
}
