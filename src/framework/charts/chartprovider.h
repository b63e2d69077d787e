#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtPlugin>

class QWidget;

namespace kesterly {

// A line over time: one value for each day, in date order.
struct ChartLine {
    QString title;
    QString seriesName;
    QList<QDate> days;
    QList<double> values;
    // When not empty, the last point is set apart with a mark of its own, under this name
    // in the legend (today's balance).
    QString lastPointName;
};

// Bars side by side: for each set (income, expense) one value per category (month).
struct ChartBars {
    QString title;
    QStringList categories;
    struct Set {
        QString name;
        QList<double> values;
    };
    QList<Set> sets;
};

// What the chart plugin offers. The plugin knows nothing else of the program, so it
// carries no copy of the program's classes; the program wraps the view it makes.
class ChartProvider {
public:
    virtual ~ChartProvider() = default;
    // A view showing one chart, empty until one of the steps below fills it.
    virtual QWidget* createView(QWidget* parent) = 0;
    // Replaces what the view shows; numbers and dates are written as `locale` writes them.
    // With nothing to show, a chart has no axes: labels would mean nothing.
    virtual void showLine(QWidget* view, const ChartLine& line, const QLocale& locale) = 0;
    virtual void showBars(QWidget* view, const ChartBars& bars, const QLocale& locale) = 0;
};

} // namespace kesterly

#define KesterlyChartProvider_iid "org.kesterly.ChartProvider/2"
Q_DECLARE_INTERFACE(kesterly::ChartProvider, KesterlyChartProvider_iid)
