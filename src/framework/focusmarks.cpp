#include "framework/focusmarks.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace kesterly {

namespace {

class FocusMarkStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (!shownFocus(option))
            return;
        if (element == CE_PushButton) {
            const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
            if (button && (button->features & QStyleOptionButton::Flat))
                drawDotted(painter, option->rect.adjusted(3, 3, -3, -3),
                           option->palette.color(QPalette::WindowText));
        } else if (element == CE_ShapedFrame && widget && widget->inherits("QLabel")) {
            // A label that takes the focus is a link.
            drawDotted(painter, option->rect, option->palette.color(QPalette::WindowText));
        } else if (element == CE_ShapedFrame && widget && widget->inherits("QAbstractScrollArea")) {
            painter->save();
            painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRectF(option->rect).adjusted(1, 1, -1, -1));
            painter->restore();
        }
    }

private:
    static bool shownFocus(const QStyleOption* option) {
        return (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
    }

    static void drawDotted(QPainter* painter, const QRect& rect, const QColor& colour) {
        painter->save();
        QPen pen(colour, 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

} // namespace

void installFocusMarks() {
    if (dynamic_cast<FocusMarkStyle*>(QApplication::style()))
        return;
    // The application takes the style over and deletes it with itself.
    QApplication::setStyle(new FocusMarkStyle(QApplication::style()->name()));
}

} // namespace kesterly
