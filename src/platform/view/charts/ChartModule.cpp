// The gerlock-charts module: the chart view's diagrams on Qt Charts, loaded the first time
// a chart is built.
#include "ChartRenderer.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGraphicsItem>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QPointer>
#include <QValueAxis>

namespace {

// Value captions of line and area diagrams, placed around their points (Qt Charts puts
// point labels above the points only).
class CaptionItem : public QGraphicsItem
{
public:
    CaptionItem(QChart *chart, GridChartLineValueCaptionPosition position)
        : QGraphicsItem(chart), m_chart(chart), m_position(position)
    {
        setZValue(100);
    }
    void addPoints(QXYSeries *series, const QStringList &labels) { m_series.append({series, labels}); }

    QRectF boundingRect() const override { return m_chart->plotArea().adjusted(-200, -100, 200, 100); }

    void paint(QPainter *p, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        if (m_position == ldvcpNone)
            return;
        const QFontMetricsF fm(p->font());
        p->setPen(Qt::black);
        for (const Points &s : m_series) {
            if (!s.series->isVisible())
                continue;
            const QList<QPointF> points = s.series->points();
            for (int i = 0; i < points.size() && i < s.labels.size(); ++i) {
                const QPointF at = m_chart->mapToPosition(points.at(i), s.series);
                const QString &text = s.labels.at(i);
                const QSizeF size = fm.size(0, text);
                p->drawText(QRectF(at + chartCaptionOffset(m_position, size), size), Qt::AlignCenter, text);
            }
        }
    }

private:
    struct Points
    {
        QXYSeries *series;
        QStringList labels;
    };
    QChart *m_chart;
    GridChartLineValueCaptionPosition m_position;
    QList<Points> m_series;
};

QAbstractBarSeries::LabelsPosition barPosition(GridChartColumnValueCaptionPosition p)
{
    switch (p) {
    case cdvcpInsideBase: return QAbstractBarSeries::LabelsInsideBase;
    case cdvcpInsideEnd: return QAbstractBarSeries::LabelsInsideEnd;
    case cdvcpOutsideEnd: return QAbstractBarSeries::LabelsOutsideEnd;
    default: return QAbstractBarSeries::LabelsCenter;
    }
}

class QtChartRenderer final : public ChartRenderer
{
public:
    explicit QtChartRenderer(QWidget *parent) : m_view(new QChartView(parent))
    {
        m_view->setRenderHint(QPainter::Antialiasing);
        m_view->show();
    }
    ~QtChartRenderer() override = default; // the parent widget owns the view, the view its chart

    QWidget *view() const override { return m_view; }
    QChart *chart() const override { return m_view && m_shown ? m_view->chart() : nullptr; }
    void show(const ChartContent &content) override;

private:
    QPointer<QChartView> m_view;
    bool m_shown = false;
};

void QtChartRenderer::show(const ChartContent &content)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);

    auto addAxes = [&](QAbstractSeries *series, bool horizontal) {
        auto *cat = new QBarCategoryAxis;
        cat->append(content.categories);
        auto *val = new QValueAxis;
        chart->addAxis(cat, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
        chart->addAxis(val, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
        series->attachAxis(cat);
        series->attachAxis(val);
    };

    switch (content.diagram) {
    case GridChartDiagramKind::Column:
    case GridChartDiagramKind::Bar: {
        const bool horizontal = content.diagram == GridChartDiagramKind::Bar;
        QAbstractBarSeries *bars = horizontal ? static_cast<QAbstractBarSeries *>(new QHorizontalBarSeries)
                                              : static_cast<QAbstractBarSeries *>(new QBarSeries);
        for (const ChartContent::Series &s : content.series) {
            auto *set = new QBarSet(s.caption);
            for (double d : s.values)
                set->append(d);
            bars->append(set);
        }
        bars->setLabelsVisible(content.columnCaptions != cdvcpNone);
        bars->setLabelsPosition(barPosition(content.columnCaptions));
        chart->addSeries(bars);
        addAxes(bars, horizontal);
        break;
    }
    case GridChartDiagramKind::Line:
    case GridChartDiagramKind::Area: {
        const bool area = content.diagram == GridChartDiagramKind::Area;
        auto *captions = new CaptionItem(chart, content.lineCaptions);
        for (const ChartContent::Series &s : content.series) {
            auto *line = new QLineSeries;
            line->setName(s.caption);
            for (int i = 0; i < s.values.size(); ++i)
                line->append(i, s.values.at(i));
            QAbstractSeries *shown = line;
            if (area) {
                auto *a = new QAreaSeries(line);
                a->setName(s.caption);
                shown = a;
            }
            chart->addSeries(shown);
            addAxes(shown, false);
            captions->addPoints(line, s.labels);
        }
        break;
    }
    case GridChartDiagramKind::Pie: {
        const int n = int(content.series.size());
        for (int i = 0; i < n; ++i) {
            const ChartContent::Series &s = content.series.at(i);
            auto *pie = new QPieSeries;
            pie->setName(s.caption);
            for (int r = 0; r < s.values.size() && r < content.categories.size(); ++r) {
                QPieSlice *slice = pie->append(content.categories.at(r), s.values.at(r));
                slice->setLabelVisible(content.pieCaptions != pdvcpNone);
                slice->setLabel(s.labels.value(r));
                switch (content.pieCaptions) {
                case pdvcpCenter:
                    slice->setLabelPosition(QPieSlice::LabelInsideHorizontal);
                    break;
                case pdvcpInsideEnd:
                    slice->setLabelPosition(QPieSlice::LabelInsideNormal);
                    break;
                case pdvcpOutsideEnd:
                    slice->setLabelPosition(QPieSlice::LabelOutside);
                    slice->setLabelArmLengthFactor(0.0);
                    break;
                case pdvcpOutsideEndWithLeaderLines:
                    slice->setLabelPosition(QPieSlice::LabelOutside);
                    slice->setLabelArmLengthFactor(0.15);
                    break;
                case pdvcpNone:
                    break;
                }
            }
            pie->setHorizontalPosition((i + 0.5) / n);
            pie->setPieSize(0.8 / qMax(1, n));
            chart->addSeries(pie);
        }
        break;
    }
    }

    QLegend *legend = chart->legend();
    switch (content.legend) {
    case cppNone: legend->hide(); break;
    case cppLeft: legend->setAlignment(Qt::AlignLeft); break;
    case cppTop: legend->setAlignment(Qt::AlignTop); break;
    case cppBottom: legend->setAlignment(Qt::AlignBottom); break;
    case cppRight:
    case cppDefault: legend->setAlignment(Qt::AlignRight); break;
    }
    // The view takes the new chart and gives back the one it showed before (at first its
    // own empty chart), which is ours to delete.
    QChart *old = m_view->chart();
    m_view->setChart(chart);
    m_shown = true;
    delete old;
}

} // namespace

extern "C" Q_DECL_EXPORT ChartRenderer *gerlock_chart_renderer_create(QWidget *parent)
{
    return new QtChartRenderer(parent);
}
