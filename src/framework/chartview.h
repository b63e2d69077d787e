#pragma once

#include "framework/charts/chartprovider.h"

#include <QWidget>
#include <functional>

namespace kesterly {

// One chart in a window: a line over time or bars side by side. What it shows is
// replaced as a whole each time.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent);
    virtual void showLine(const ChartLine& line, const QLocale& locale) = 0;
    virtual void showBars(const ChartBars& bars, const QLocale& locale) = 0;
    // The widget that draws the chart, which takes the focus for the view.
    QWidget* drawing() const { return drawing_; }

protected:
    void setDrawing(QWidget* drawing);

private:
    QWidget* drawing_ = nullptr;
};

using ChartViewFactory = std::function<ChartView*(QWidget* parent)>;

// The program's own view: Qt Charts, from the "kesterly_charts" plugin, loaded the first
// time a chart is shown, so that starting the program never loads Qt Charts. Where the
// plugin is missing, the figures are written out as text.
ChartView* createChartView(QWidget* parent);
// The same, looking for the plugin only in the given files.
ChartView* createChartView(QWidget* parent, const QStringList& pluginFiles);

} // namespace kesterly
