#include "chartprovider.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QObject>
#include <QValueAxis>
#include <algorithm>

namespace kesterly {

namespace {

// Distinct for readers who do not tell red from green, and the same in every theme.
const QColor kFirstColour(0x1f, 0x5f, 0xa8);
const QColor kSecondColour(0xd9, 0x6c, 0x0c);

QChart* newChart(const QString& title, const QLocale& locale) {
    auto* chart = new QChart;
    chart->setTitle(title);
    QFont font = chart->titleFont();
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setLocale(locale);
    chart->setLocalizeNumbers(true);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

QValueAxis* figureAxis(double low, double high) {
    auto* axis = new QValueAxis;
    if (low == high) {
        low -= 1;
        high += 1;
    }
    axis->setRange(low, high);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.2f"));
    return axis;
}

// Takes the new chart in place of the one shown, which goes.
void replaceChart(QWidget* view, QChart* chart) {
    auto* chartView = qobject_cast<QChartView*>(view);
    if (!chartView) {
        delete chart;
        return;
    }
    QChart* old = chartView->chart();
    chartView->setChart(chart);
    delete old;
}

} // namespace

class ChartPlugin : public QObject, public ChartProvider {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KesterlyChartProvider_iid)
    Q_INTERFACES(kesterly::ChartProvider)
public:
    QWidget* createView(QWidget* parent) override {
        auto* view = new QChartView(parent);
        view->setRenderHint(QPainter::Antialiasing);
        // The frame shows where the keyboard's focus is, as around the lists.
        view->setFrameShape(QFrame::StyledPanel);
        view->setFocusPolicy(Qt::StrongFocus);
        return view;
    }

    void showLine(QWidget* view, const ChartLine& line, const QLocale& locale) override {
        QChart* chart = newChart(line.title, locale);
        chart->legend()->setVisible(false);
        auto* series = new QLineSeries;
        series->setName(line.seriesName);
        series->setPointsVisible(true);
        QPen pen(kFirstColour, 2);
        series->setPen(pen);
        const qsizetype count = std::min(line.days.size(), line.values.size());
        for (qsizetype i = 0; i < count; ++i)
            series->append(QDateTime(line.days[i], QTime(12, 0)).toMSecsSinceEpoch(),
                           line.values[i]);
        chart->addSeries(series);

        auto* days = new QDateTimeAxis;
        days->setFormat(locale.dateFormat(QLocale::ShortFormat));
        if (count > 0) {
            // A day either side, so the first and the last point are not on the frame.
            days->setRange(QDateTime(line.days.first().addDays(-1), QTime(12, 0)),
                           QDateTime(line.days[count - 1].addDays(1), QTime(12, 0)));
            days->setTickCount(int(std::clamp<qsizetype>(count + 2, 3, 6)));
        }
        const auto [low, high] =
            count > 0 ? std::minmax_element(line.values.begin(), line.values.begin() + count)
                      : std::pair{line.values.end(), line.values.end()};
        QValueAxis* figures = count > 0 ? figureAxis(*low, *high) : figureAxis(0, 0);
        chart->addAxis(days, Qt::AlignBottom);
        chart->addAxis(figures, Qt::AlignLeft);
        series->attachAxis(days);
        series->attachAxis(figures);
        replaceChart(view, chart);
    }

    void showBars(QWidget* view, const ChartBars& bars, const QLocale& locale) override {
        QChart* chart = newChart(bars.title, locale);
        chart->legend()->setAlignment(Qt::AlignBottom);
        auto* series = new QBarSeries;
        double low = 0;
        double high = 0;
        const QColor colours[] = {kFirstColour, kSecondColour};
        for (qsizetype i = 0; i < bars.sets.size(); ++i) {
            auto* set = new QBarSet(bars.sets[i].name);
            set->setColor(colours[i % 2]);
            set->setBorderColor(colours[i % 2]);
            for (double value : bars.sets[i].values) {
                set->append(value);
                low = std::min(low, value);
                high = std::max(high, value);
            }
            series->append(set);
        }
        chart->addSeries(series);
        auto* months = new QBarCategoryAxis;
        months->append(bars.categories);
        QValueAxis* figures = figureAxis(low, high);
        chart->addAxis(months, Qt::AlignBottom);
        chart->addAxis(figures, Qt::AlignLeft);
        series->attachAxis(months);
        series->attachAxis(figures);
        replaceChart(view, chart);
    }
};

} // namespace kesterly

#include "chartplugin.moc"
