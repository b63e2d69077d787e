#include "chartprovider.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QObject>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace kesterly {

namespace {

// Distinct for readers who do not tell red from green, and the same in every theme.
const QColor kFirstColour(0x1f, 0x5f, 0xa8);
const QColor kSecondColour(0xd9, 0x6c, 0x0c);

// The room kept between the frame of the plot and the centre of the outermost marks, in
// pixels: half the largest mark and the pen around it, so that the highest and the
// lowest point are drawn whole.
constexpr qreal kMarkSize = 9;
constexpr qreal kLastMarkSize = 13;
constexpr qreal kEdgeRoom = kLastMarkSize / 2 + 3;

// The part of a span to add at each end so that `room` pixels of `pixels` stay free
// beyond its figures.
double endRoom(double span, qreal pixels, qreal room) {
    if (pixels <= 4 * room)
        return span * 0.1;
    return span * room / (pixels - 2 * room);
}

// A value axis over the figures: whole, with room at the top for the highest mark and, for
// a line, at the bottom for the lowest, and at round figures. A single figure gets a tenth
// of itself either side (or 1 for 0); bars start at 0.
void setFigureRange(QValueAxis* axis, double low, double high, qreal pixels, bool bars) {
    double span = high - low;
    if (span == 0)
        span = std::max(std::abs(high) * 0.2, 2.0);
    const double room = endRoom(span, pixels, kEdgeRoom);
    double bottom = low - room;
    double top = high + room;
    if (low == high) {
        bottom = low - span / 2;
        top = high + span / 2;
    }
    if (bars) {
        bottom = low < 0 ? bottom : 0;
        top = high > 0 ? top : 0;
        if (bottom == top)
            top = 1;
    }
    axis->setRange(bottom, top);
    // Round figures only ever widen the range.
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
            chart()->legend()->setAlignment(Qt::AlignBottom);
            line_ = new QLineSeries;
            line_->setPen(QPen(kFirstColour, 2));
            line_->setMarkerSize(kMarkSize);
            chart()->addSeries(line_);
            lastPoint_ = new QScatterSeries;
            lastPoint_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
            lastPoint_->setMarkerSize(kLastMarkSize);
            lastPoint_->setColor(kSecondColour);
            lastPoint_->setBorderColor(kSecondColour);
            chart()->addSeries(lastPoint_);
            days_ = new QDateTimeAxis;
            // Years in four digits, as the status panel writes dates: a line over more than
            // a century would show "1/1/00" at both ends.
            QString format = locale.dateFormat(QLocale::ShortFormat);
            if (!format.contains(QLatin1String("yyyy")))
                format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
            days_->setFormat(format);
            attach(line_, days_);
            lastPoint_->attachAxis(days_);
            lastPoint_->attachAxis(figures_);
            // The room for the outermost marks is counted in pixels of the plot.
            connect(chart(), &QChart::plotAreaChanged, this, [this] { fitRanges(); });
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
        const bool marked = count > 0 && !line.lastPointName.isEmpty();
        lastPoint_->setName(line.lastPointName);
        lastPoint_->replace(marked ? QList<QPointF>{points.last()} : QList<QPointF>());
        // The legend names the line only beside a point set apart from it.
        chart()->legend()->setVisible(marked);
        showAxes(count > 0);
        if (count > 0) {
            const auto [low, high] =
                std::minmax_element(line.values.begin(), line.values.begin() + count);
            lineFigures_ = {*low, *high};
            days_->setTickCount(int(std::clamp<qsizetype>(count + 2, 3, 6)));
            lineDays_ = {line.days.first(), line.days[count - 1]};
        } else {
            lineDays_ = {};
        }
        fitRanges();
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
        showAxes(!bars.categories.isEmpty());
        // Nor does it name bars it does not draw.
        chart()->legend()->setVisible(!bars.categories.isEmpty());
        barFigures_ = {low, high};
        fitRanges();
    }

private:
    // Axes without figures would only label nothing: an empty chart shows none.
    void showAxes(bool shown) {
        for (QAbstractAxis* axis : chart()->axes())
            axis->setVisible(shown);
    }

    void fitRanges() {
        if (fitting_)
            return;
        // Setting a range lays the labels out anew, which may change the plot's size.
        fitting_ = true;
        const QRectF plot = chart()->plotArea();
        if (bars_) {
            setFigureRange(figures_, barFigures_.first, barFigures_.second, plot.height(), true);
        } else if (line_ && lineDays_.first.isValid()) {
            setFigureRange(figures_, lineFigures_.first, lineFigures_.second, plot.height(),
                           false);
            // A day either side at least, more over a long time, so the first and the last
            // point are not on the frame.
            const QDateTime first(lineDays_.first, QTime(12, 0));
            const QDateTime last(lineDays_.second, QTime(12, 0));
            const double span = double(first.msecsTo(last));
            const qint64 room = std::max<qint64>(
                24 * 3600 * 1000, qint64(std::ceil(endRoom(span, plot.width(), kEdgeRoom))));
            days_->setRange(first.addMSecs(-room), last.addMSecs(room));
        }
        fitting_ = false;
    }

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
    QScatterSeries* lastPoint_ = nullptr;
    QDateTimeAxis* days_ = nullptr;
    // What the ranges are fitted to: the lowest and highest figure, the first and last day.
    QPair<double, double> lineFigures_{0, 0};
    QPair<QDate, QDate> lineDays_;
    QPair<double, double> barFigures_{0, 0};
    bool fitting_ = false;
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
