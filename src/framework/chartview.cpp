#include "framework/chartview.h"

#include "framework/plugins.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kesterly {

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
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
        setDrawing(provider.createView(this));
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
