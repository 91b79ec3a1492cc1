#pragma once

#include "GridChartTypes.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QChart;
class QWidget;

// What a chart view shows, gathered from its data set and settings: everything the chart
// module needs, texts already formatted.
struct ChartContent
{
    GridChartDiagramKind diagram = GridChartDiagramKind::Column;
    QStringList categories;
    struct Series
    {
        QString caption;
        QVector<double> values; // one per category
        QStringList labels;     // the values as shown in captions
    };
    QVector<Series> series; // the visible series, in order
    GridChartColumnValueCaptionPosition columnCaptions = cdvcpNone; // for the column or bar diagram shown
    GridChartPieValueCaptionPosition pieCaptions = pdvcpNone;
    GridChartLineValueCaptionPosition lineCaptions = ldvcpNone; // for the line or area diagram shown
    GridChartLegendPosition legend = cppDefault;
};

// The Qt Charts side of a chart view, made by the chart module (gerlock-charts).
class ChartRenderer
{
public:
    virtual ~ChartRenderer() = default;
    // The chart's widget, a child of the parent given at creation (which owns it).
    virtual QWidget *view() const = 0;
    // The chart last shown; null before the first show().
    virtual QChart *chart() const = 0;
    // Builds a new chart from `content` and shows it in place of the last one.
    virtual void show(const ChartContent &content) = 0;
};

// A renderer whose widget is a child of `parent`. Throws KvoError when the chart module
// cannot be loaded (see moduleFunction).
std::unique_ptr<ChartRenderer> createChartRenderer(QWidget *parent);

// The name of the module's factory function (extern "C", takes the parent widget, returns
// a new ChartRenderer owned by the caller).
inline constexpr char kChartRendererFactory[] = "gerlock_chart_renderer_create";
