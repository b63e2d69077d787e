#include "framework/accessibility.h"

#include "framework/webview.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <vector>

namespace kesterly {

namespace {

// A frame of the main window's area, as a reader meets it: a window named by its caption.
class CaptionedFrame : public QAccessibleWidget {
public:
    explicit CaptionedFrame(QWidget* frame) : QAccessibleWidget(frame, QAccessible::Window) {}
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name)
            return widget()->windowTitle().trimmed();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* captionedFrames(const QString& className, QObject* object) {
    if (className == QLatin1String("QMdiSubWindow") && object && object->isWidgetType())
        return new CaptionedFrame(static_cast<QWidget*>(object));
    return nullptr;
}

// A label a user reads as a caption: focusable labels (a link) are controls themselves,
// and a picture names nothing.
bool isCaptionLabel(const QWidget* widget) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label && !(label->focusPolicy() & Qt::TabFocus) && !label->text().trimmed().isEmpty();
}

bool isControl(const QWidget* widget) {
    if (widget->objectName().startsWith(QLatin1String("qt_")))
        return false;
    if (qobject_cast<const QLabel*>(widget))
        return widget->focusPolicy() & Qt::TabFocus;
    return (widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() ||
           qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

struct Placed {
    QWidget* widget;
    QRect rect; // in the window's coordinates
};

// The window's controls and caption labels, also those inside frames; the inner parts
// of a control (a list's scroll bars) are the control's own business.
void collect(QWidget* window, QWidget* parent, std::vector<Placed>& controls,
             std::vector<Placed>& labels) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        const QRect rect(widget->mapTo(window, QPoint(0, 0)), widget->size());
        if (isControl(widget))
            controls.push_back({widget, rect});
        else if (isCaptionLabel(widget))
            labels.push_back({widget, rect});
        else
            collect(window, widget, controls, labels);
    }
}

bool sameRow(const QRect& a, const QRect& b) {
    return (a.center().y() >= b.top() && a.center().y() <= b.bottom()) ||
           (b.center().y() >= a.top() && b.center().y() <= a.bottom());
}

bool sameColumn(const QRect& a, const QRect& b) {
    return a.left() <= b.right() && b.left() <= a.right();
}

// Where a label stands to the control it captions: on its row, to its left, or above
// it; the nearer the better.
struct Captioning {
    std::size_t control;
    bool beside;
    int gap;
    bool closerThan(const Captioning& other) const {
        return beside != other.beside ? beside : gap < other.gap;
    }
};

// The control a label captions: the nearest one to its right on its row, or else the
// nearest one below it that it overlaps, if the gap is no more than a line or two.
std::optional<Captioning> captionedControl(const Placed& label,
                                           const std::vector<Placed>& controls) {
    const QRect& at = label.rect;
    const int reach = 4 * std::max(at.height(), label.widget->fontMetrics().height());
    std::optional<Captioning> beside;
    std::optional<Captioning> below;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect& control = controls[i].rect;
        if (sameRow(at, control) && at.center().x() < control.left()) {
            const int gap = control.left() - at.right();
            if (gap <= reach && (!beside || gap < beside->gap))
                beside = Captioning{i, true, gap};
        } else if (sameColumn(at, control) && control.top() > at.center().y()) {
            const int gap = control.top() - at.bottom();
            if (gap <= reach / 2 && (!below || gap < below->gap))
                below = Captioning{i, false, gap};
        }
    }
    return beside ? beside : below;
}

void passNameToFocusParts(QWidget* control) {
    const QString name = control->accessibleName();
    // A page view hands the focus to its page widget, which is named as the view.
    QWidget* first = control->focusProxy();
    if (auto* view = qobject_cast<WebView*>(control))
        first = view->pageWidget();
    for (QWidget* part = first; part && !name.isEmpty(); part = part->focusProxy()) {
        if (part->accessibleName().isEmpty())
            part->setAccessibleName(name);
    }
}

class ChosenOptionFocus final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusIn)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* option = qobject_cast<QAbstractButton*>(watched);
        if (!option || option->isChecked() ||
            (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason))
            return false;
        for (QAbstractButton* other :
             option->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
            if (other != option && other->autoExclusive() && other->isChecked() &&
                other->isVisible() && other->isEnabled()) {
                other->setFocus(reason);
                break;
            }
        }
        return false;
    }
};

} // namespace

void enterOptionGroupsAtChosenOption(QWidget* window) {
    auto* filter = new ChosenOptionFocus(window);
    for (QAbstractButton* option : window->findChildren<QAbstractButton*>()) {
        if (option->isCheckable() && option->autoExclusive())
            option->installEventFilter(filter);
    }
}

QString nameFromCaption(const QString& caption, bool hasMnemonic) {
    QString name;
    name.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        // "&&" shows one "&"; a single "&" only marks the letter after it.
        if (hasMnemonic && caption[i] == QLatin1Char('&') && ++i == caption.size())
            break;
        name += caption[i];
    }
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

void nameUnnamedControls(QWidget* window) {
    std::vector<Placed> controls;
    std::vector<Placed> labels;
    collect(window, window, controls, labels);

    // Each label captions one control; a control captioned by several labels takes the
    // one beside it, or the nearest.
    std::vector<std::optional<Captioning>> captioning(controls.size());
    std::vector<QLabel*> captionOf(controls.size(), nullptr);
    for (const Placed& label : labels) {
        const auto captioned = captionedControl(label, controls);
        if (!captioned)
            continue;
        std::optional<Captioning>& best = captioning[captioned->control];
        if (!best || captioned->closerThan(*best)) {
            best = captioned;
            captionOf[captioned->control] = static_cast<QLabel*>(label.widget);
        }
    }

    for (std::size_t i = 0; i < controls.size(); ++i) {
        QWidget* control = controls[i].widget;
        auto* button = qobject_cast<QAbstractButton*>(control);
        QLabel* label = captionOf[i];
        // A buddy would turn an "&" of the caption into a mnemonic, so such a label keeps
        // its "&" as it shows it.
        if (label && !button && !label->buddy() && !label->text().contains(QLatin1Char('&')))
            label->setBuddy(control);
        if (control->accessibleName().isEmpty()) {
            if (button && !button->text().isEmpty()) {
                // A caption is announced as it is.
            } else if (button && !button->toolTip().isEmpty())
                control->setAccessibleName(button->toolTip());
            else if (label)
                control->setAccessibleName(
                    nameFromCaption(label->text(), label->buddy() != nullptr));
        }
        passNameToFocusParts(control);
    }
}

void announceFramesByCaption() {
    static const bool installed = [] {
        QAccessible::installFactory(captionedFrames);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace kesterly
