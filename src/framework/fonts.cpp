#include "framework/fonts.h"

#include <QStringList>

namespace kesterly::fonts {

namespace {

QFont make(const QStringList& families, double points, bool underline) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(underline);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

QFont controls() {
    return sansSerif(8.25);
}

QFont narrowControls() {
    return make({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans Narrow"),
                 QStringLiteral("DejaVu Sans Condensed")},
                8.25, false);
}

QFont arial(double points, bool underline) {
    return make({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, points, underline);
}

QFont display(double points) {
    QFont font = make({QStringLiteral("Agency FB"), QStringLiteral("Liberation Sans Narrow"),
                       QStringLiteral("DejaVu Sans Condensed")},
                      points, false);
    return font;
}

QFont sansSerif(double points, bool underline) {
    return make({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                 QStringLiteral("DejaVu Sans")},
                points, underline);
}

} // namespace kesterly::fonts
