#include "framework/textboxes.h"

#include "core/numbertext.h"
#include "core/textrules.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QValidator>
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

// A row's text as a tool tip shows it: every character as it is, never read as markup.
QString asToolTip(const QString& text) {
    QString shown = text.left(text::kLongestText);
    if (shown.size() < text.size())
        shown += QChar(0x2026);
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(shown.toHtmlEscaped());
}

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
        QToolTip::showText(event->globalPos(), asToolTip(text), view->viewport(),
                           view->visualRect(index));
        return true;
    }
};

} // namespace

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
