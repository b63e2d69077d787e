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

void setFigureRange(QValueAxis* axis, double low, double high) {
    if (low == high) {
        low -= 1;
        high += 1;
    }
    axis->setRange(low, high);
    axis->applyNiceNumbers();
}

// A chart view that keeps its chart, series and axes: a new set of figures replaces the
// data of the series in place. Building the chart anew each time would lay out every axis
// label again, which for years of entries takes a tenth of a second.
class FigureView final : public QChartView {
public:
    explicit FigureView(QWidget* parent) : QChartView(parent) {
        setRenderHint(QPainter::Antialiasing);
        // The frame shows where the keyboard's focus is, as around the lists.
        setFrameShape(QFrame::StyledPanel);
        setFocusPolicy(Qt::StrongFocus);
    }

    void showLine(const ChartLine& line, const QLocale& locale) {
        if (!line_) {
            prepare(line.title, locale);
            chart()->legend()->setVisible(false);
            line_ = new QLineSeries;
            line_->setPen(QPen(kFirstColour, 2));
            chart()->addSeries(line_);
            days_ = new QDateTimeAxis;
            // Years in four digits, as the status panel writes dates: a line over more than
            // a century would show "1/1/00" at both ends.
            QString format = locale.dateFormat(QLocale::ShortFormat);
            if (!format.contains(QLatin1String("yyyy")))
                format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
            days_->setFormat(format);
            attach(line_, days_);
        }
        setTitle(line.title);
        line_->setName(line.seriesName);
        const qsizetype count = std::min(line.days.size(), line.values.size());
        // A mark on each day while the marks stand apart; hundreds of them would only
        // thicken the line.
        line_->setPointsVisible(count <= 300);
        // All points in one step: added one by one, each would be announced on its own.
        QList<QPointF> points;
        points.reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            points.append(QPointF(double(QDateTime(line.days[i], QTime(12, 0)).toMSecsSinceEpoch()),
                                  line.values[i]));
        line_->replace(points);
        if (count > 0) {
            // A day either side, so the first and the last point are not on the frame.
            days_->setRange(QDateTime(line.days.first().addDays(-1), QTime(12, 0)),
                            QDateTime(line.days[count - 1].addDays(1), QTime(12, 0)));
            days_->setTickCount(int(std::clamp<qsizetype>(count + 2, 3, 6)));
            const auto [low, high] =
                std::minmax_element(line.values.begin(), line.values.begin() + count);
            setFigureRange(figures_, *low, *high);
        } else {
            setFigureRange(figures_, 0, 0);
        }
    }

    void showBars(const ChartBars& bars, const QLocale& locale) {
        if (!bars_) {
            prepare(bars.title, locale);
            chart()->legend()->setAlignment(Qt::AlignBottom);
            bars_ = new QBarSeries;
            chart()->addSeries(bars_);
            months_ = new QBarCategoryAxis;
            attach(bars_, months_);
        }
        // Per month, or per year and longer over many years.
        setTitle(bars.title);
        double low = 0;
        double high = 0;
        for (qsizetype i = 0; i < bars.sets.size(); ++i) {
            QBarSet* set = i < bars_->count() ? bars_->barSets().at(i) : nullptr;
            if (!set) {
                set = new QBarSet(bars.sets[i].name);
                const QColor colour = i % 2 ? kSecondColour : kFirstColour;
                set->setColor(colour);
                set->setBorderColor(colour);
                bars_->append(set);
            }
            set->setLabel(bars.sets[i].name);
            set->remove(0, set->count());
            set->append(bars.sets[i].values);
            for (double value : bars.sets[i].values) {
                low = std::min(low, value);
                high = std::max(high, value);
            }
        }
        // Setting the months again lays each label out anew: after an entry they are mostly
        // the same.
        if (months_->categories() != bars.categories)
            months_->setCategories(bars.categories);
        setFigureRange(figures_, low, high);
    }

private:
    void setTitle(const QString& title) {
        if (chart()->title() != title)
            chart()->setTitle(title);
    }
    void prepare(const QString& title, const QLocale& locale) {
        chart()->setTitle(title);
        QFont font = chart()->titleFont();
        font.setBold(true);
        chart()->setTitleFont(font);
        chart()->setLocale(locale);
        chart()->setLocalizeNumbers(true);
        chart()->setAnimationOptions(QChart::NoAnimation);
        figures_ = new QValueAxis;
        figures_->setLabelFormat(QStringLiteral("%.2f"));
    }
    void attach(QAbstractSeries* series, QAbstractAxis* along) {
        chart()->addAxis(along, Qt::AlignBottom);
        chart()->addAxis(figures_, Qt::AlignLeft);
        series->attachAxis(along);
        series->attachAxis(figures_);
    }

    QLineSeries* line_ = nullptr;
    QDateTimeAxis* days_ = nullptr;
    QBarSeries* bars_ = nullptr;
    QBarCategoryAxis* months_ = nullptr;
    QValueAxis* figures_ = nullptr;
};

} // namespace

class ChartPlugin : public QObject, public ChartProvider {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KesterlyChartProvider_iid)
    Q_INTERFACES(kesterly::ChartProvider)
public:
    QWidget* createView(QWidget* parent) override { return new FigureView(parent); }

    void showLine(QWidget* view, const ChartLine& line, const QLocale& locale) override {
        if (auto* figures = dynamic_cast<FigureView*>(view))
            figures->showLine(line, locale);
    }
    void showBars(QWidget* view, const ChartBars& bars, const QLocale& locale) override {
        if (auto* figures = dynamic_cast<FigureView*>(view))
            figures->showBars(bars, locale);
    }
};

} // namespace kesterly

#include "chartplugin.moc"
