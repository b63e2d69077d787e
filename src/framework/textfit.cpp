#include "framework/textfit.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

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

int textRoom(const QLineEdit* box) {
    // Where the style puts the text inside the frame, less the box's text margins and the
    // two pixels Qt's box keeps on each side of its text.
    QStyleOptionFrame look;
    look.initFrom(box);
    look.rect = box->contentsRect();
    look.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &look, box) : 0;
    look.midLineWidth = 0;
    look.state |= QStyle::State_Sunken;
    const QRect text = box->style()->subElementRect(QStyle::SE_LineEditContents, &look, box);
    const QMargins margins = box->textMargins();
    return text.width() - margins.left() - margins.right() - 2 * 2;
}

void fitToWidth(QLabel* label) {
    const int room = label->contentsRect().width() - 2 * label->margin() - 1;
    narrowToFit(label, label->text(), room);
}

void fitToWidth(QAbstractButton* option) {
    if (qobject_cast<QPushButton*>(option) || option->text().isEmpty())
        return;
    // The room the style gives the caption beside the indicator.
    QStyleOptionButton look;
    look.initFrom(option);
    look.text = option->text();
    const auto contents = qobject_cast<QCheckBox*>(option) ? QStyle::SE_CheckBoxContents
                                                           : QStyle::SE_RadioButtonContents;
    const int room = option->style()->subElementRect(contents, &look, option).width() - 1;
    QString text = option->text();
    text.remove(QLatin1Char('&'));
    narrowToFit(option, text, room);
}

void fitToWidth(QLineEdit* box) {
    const char* const kOwnFont = "kesterlyOwnFont";
    const auto fit = [box, kOwnFont] {
        if (!box->property(kOwnFont).isValid())
            box->setProperty(kOwnFont, box->font());
        box->setFont(box->property(kOwnFont).value<QFont>());
        narrowToFit(box, box->displayText(), textRoom(box));
    };
    fit();
    QObject::connect(box, &QLineEdit::textChanged, box, fit);
}

void fitTextsToWidth(QWidget* window) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(control)) {
            if (!label->wordWrap() && !label->text().isEmpty() &&
                label->textFormat() != Qt::RichText && !Qt::mightBeRichText(label->text()))
                fitToWidth(label);
        } else if (auto* option = qobject_cast<QAbstractButton*>(control)) {
            fitToWidth(option);
        } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
            // The parts of other controls (a spin box's, a drop-down list's) are left to them.
            if (!box->objectName().startsWith(QLatin1String("qt_")))
                fitToWidth(box);
        }
    }
}

} // namespace kesterly
