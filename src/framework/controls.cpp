#include "framework/controls.h"

#include "core/numbertext.h"
#include "core/textrules.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>
#include <QValidator>
#include <algorithm>
#include <limits>

namespace kesterly {

namespace {

class OneLine final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override {
        if (input.size() > text::kLongestText)
            return Invalid;
        if (input.contains(QLatin1Char('\n')) || input.contains(QLatin1Char('\r')))
            input = text::joinLines(input, &position);
        return Acceptable;
    }
};

class ShortenedRows final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->text.size() > kShownRowCharacters)
            option->text = option->text.left(kShownRowCharacters) + QChar(0x2026);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString text = index.data(Qt::DisplayRole).toString();
        const bool cut = text.size() > kShownRowCharacters ||
                         view->fontMetrics().horizontalAdvance(text.left(kShownRowCharacters)) >
                             view->visualRect(index).width();
        if (!cut) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(event->globalPos(), plainToolTip(text), view->viewport(),
                           view->visualRect(index));
        return true;
    }
};

class RowKeys final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        auto* list = static_cast<QAbstractItemView*>(watched);
        const int rows = list->model()->rowCount(list->rootIndex());
        if (rows == 0)
            return false;
        const QModelIndexList chosen = list->selectionModel()->selectedIndexes();
        const int from = chosen.isEmpty() ? -1 : chosen.first().row();
        const int rowHeight = std::max(1, list->sizeHintForRow(0));
        const int page = std::max(1, list->viewport()->height() / rowHeight);
        int to = 0;
        switch (key->key()) {
        case Qt::Key_Home:
            to = 0;
            break;
        case Qt::Key_End:
            to = rows - 1;
            break;
        case Qt::Key_Up:
            to = from - 1;
            break;
        case Qt::Key_Down:
            to = from + 1;
            break;
        case Qt::Key_PageUp:
            to = from - page;
            break;
        case Qt::Key_PageDown:
            to = from < 0 ? 0 : from + page;
            break;
        default:
            return false;
        }
        to = std::clamp(to, 0, rows - 1);
        const QModelIndex index = list->model()->index(to, 0, list->rootIndex());
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        list->scrollTo(index);
        return true;
    }
};

} // namespace

QString plainToolTip(const QString& text) {
    // A short text that cannot be taken for markup shows as it is; any other goes in a
    // paragraph that keeps every character and wraps long lines.
    constexpr qsizetype kOneLine = 200;
    if (text.size() <= kOneLine && !Qt::mightBeRichText(text))
        return text;
    // A tool tip of megabytes would hold the program up as long as a list row of them.
    QString shown = text.left(text::kLongestText);
    if (shown.size() < text.size())
        shown += QChar(0x2026);
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(shown.toHtmlEscaped());
}

void showLabelsAsPlainText(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::AutoText)
            label->setTextFormat(Qt::PlainText);
    }
}

void showWhole(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setToolTip(plainToolTip(text));
    label->setAccessibleName(text);
}

void PathLabel::showPath(const QString& path) {
    setTextFormat(Qt::PlainText);
    setText(path);
    setToolTip(plainToolTip(path));
}

void PathLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, int(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
}

void selectRowsByKeys(QAbstractItemView* list) {
    list->installEventFilter(new RowKeys(list));
}

void keepBoxesOnOneLine(QWidget* window, const std::function<void(const QString&)>& tell) {
    for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        // Qt cuts a text at 32767 characters without a word; this box refuses it instead.
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setValidator(new OneLine(box));
        QObject::connect(box, &QLineEdit::inputRejected, box, [tell] {
            tell(QStringLiteral("That text is too long for this box, which takes at most %1 "
                                "characters. Nothing was added.")
                     .arg(userLocale().toString(text::kLongestText)));
        });
    }
}

void shortenLongRows(QAbstractItemView* list) {
    list->setItemDelegate(new ShortenedRows(list));
}

} // namespace kesterly
