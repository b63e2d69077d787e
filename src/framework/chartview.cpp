#include "framework/chartview.h"

#include "framework/plugins.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kesterly {

namespace {

const char* const kChartDrawing = "kesterlyChartDrawing";

// A screen reader meets each chart as one object: the drawing, with the chart's role,
// its name and its figures as description, and nothing inside it (Qt Charts' view would
// show a scroll area holding an unnamed filler). The view around it only holds it: it
// takes no focus of its own and has no name of its own, so the chart is not announced
// twice.
class ChartAccessible final : public QAccessibleWidget {
public:
    explicit ChartAccessible(QWidget* drawing) : QAccessibleWidget(drawing, QAccessible::Chart) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
};

class ChartHolderAccessible final : public QAccessibleWidget {
public:
    explicit ChartHolderAccessible(QWidget* view)
        : QAccessibleWidget(view, QAccessible::Grouping) {}
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = false;
        state.focused = false;
        return state;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name || kind == QAccessible::Description)
            return {};
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* chartAccessible(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (object->property(kChartDrawing).toBool())
        return new ChartAccessible(widget);
    if (className == QLatin1String("kesterly::ChartView"))
        return new ChartHolderAccessible(widget);
    return nullptr;
}

} // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    static const bool installed = (QAccessible::installFactory(&chartAccessible), true);
    Q_UNUSED(installed);
    setFocusPolicy(Qt::StrongFocus);
}

void ChartView::setDrawing(QWidget* drawing) {
    drawing_ = drawing;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(drawing);
    setFocusProxy(drawing);
}

namespace {

// Qt Charts' view, made by the plugin.
class PluginChartView final : public ChartView {
public:
    PluginChartView(ChartProvider& provider, QWidget* parent)
        : ChartView(parent), provider_(provider) {
        QWidget* drawing = provider.createView(this);
        drawing->setProperty(kChartDrawing, true);
        setDrawing(drawing);
    }
    void showLine(const ChartLine& line, const QLocale& locale) override {
        provider_.showLine(drawing(), line, locale);
    }
    void showBars(const ChartBars& bars, const QLocale& locale) override {
        provider_.showBars(drawing(), bars, locale);
    }

private:
    ChartProvider& provider_;
};

// Without Qt Charts: the figures, one line each.
class TextChartView final : public ChartView {
public:
    explicit TextChartView(QWidget* parent) : ChartView(parent), text_(new QPlainTextEdit(this)) {
        text_->setReadOnly(true);
        setDrawing(text_);
    }
    void showLine(const ChartLine& line, const QLocale& locale) override {
        QStringList lines{line.title};
        for (qsizetype i = 0; i < std::min(line.days.size(), line.values.size()); ++i)
            lines << QStringLiteral("%1\t%2").arg(
                locale.toString(line.days[i], QLocale::ShortFormat),
                locale.toString(line.values[i], 'f', 2));
        text_->setPlainText(lines.join(QLatin1Char('\n')));
    }
    void showBars(const ChartBars& bars, const QLocale& locale) override {
        QStringList lines{bars.title};
        for (qsizetype i = 0; i < bars.categories.size(); ++i) {
            QStringList figures;
            for (const ChartBars::Set& set : bars.sets)
                figures << QStringLiteral("%1 %2").arg(
                    set.name, locale.toString(set.values.value(i), 'f', 2));
            lines << bars.categories[i] + QLatin1Char('\t') + figures.join(QStringLiteral(", "));
        }
        text_->setPlainText(lines.join(QLatin1Char('\n')));
    }

private:
    QPlainTextEdit* text_;
};

ChartProvider* loadCharts(const QStringList& files) {
    return loadProvider<ChartProvider>(files, "the chart viewer");
}

ChartView* makeView(ChartProvider* provider, QWidget* parent) {
    if (provider)
        return new PluginChartView(*provider, parent);
    return new TextChartView(parent);
}

} // namespace

ChartView* createChartView(QWidget* parent, const QStringList& pluginFiles) {
    return makeView(loadCharts(pluginFiles), parent);
}

ChartView* createChartView(QWidget* parent) {
    // The plugin is looked for once; a missing one is not looked for again.
    static ChartProvider* const provider =
        loadCharts(pluginFiles(QStringLiteral("kesterly_charts.so")));
    return makeView(provider, parent);
}

} // namespace kesterly
