#include "framework/textfit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

namespace kesterly {

namespace {

void narrowToFit(QWidget* control, const QString& text, int room) {
    QFont font = control->font();
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    if (needed <= room || needed <= 0)
        return;
    int stretch = qMax(50, room * 100 / needed);
    // Synthesised stretching rounds glyph advances; step down until it really fits.
    for (; stretch > 50; --stretch) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(text) <= room)
            break;
    }
    control->setFont(font);
}

} // namespace

void fitToWidth(QLabel* label) {
    const int room = label->contentsRect().width() - 2 * label->margin() - 1;
    narrowToFit(label, label->text(), room);
}

void fitToWidth(QRadioButton* option) {
    QStyle* style = option->style();
    const int room = option->width() -
                     style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) -
                     style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) - 2;
    narrowToFit(option, option->text(), room);
}

} // namespace kesterly
