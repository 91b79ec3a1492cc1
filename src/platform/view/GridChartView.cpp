#include "GridChartView.h"

#include "DataSet.h"
#include "DataSource.h"
#include "TableViewModel.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsItem>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QMenu>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QToolButton>
#include <QValueAxis>

// ---------------------------------------------------------------- series

GridChartView *GridChartSeries::chartView() const
{
    return qobject_cast<GridChartView *>(parent());
}

int GridChartSeries::Index() const
{
    GridChartView *v = chartView();
    if (!v)
        return -1;
    for (int i = 0; i < v->SeriesCount(); ++i)
        if (v->Series(i) == this)
            return i;
    return -1;
}

void GridChartSeries::setVisible(bool visible)
{
    Visible = visible;
    if (GridChartView *v = chartView())
        v->optionsChanged();
}

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
    void addPoints(QXYSeries *series) { m_series << series; }

    QRectF boundingRect() const override { return m_chart->plotArea().adjusted(-200, -100, 200, 100); }

    void paint(QPainter *p, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        if (m_position == ldvcpNone)
            return;
        const QFontMetricsF fm(p->font());
        p->setPen(Qt::black);
        for (QXYSeries *s : m_series) {
            if (!s->isVisible())
                continue;
            for (const QPointF &pt : s->points()) {
                const QPointF at = m_chart->mapToPosition(pt, s);
                const QString text = TableViewModel::formatValue(pt.y(), FieldType::Float, nullptr);
                const QSizeF size = fm.size(0, text);
                p->drawText(QRectF(at + GridChartView::captionOffset(m_position, size), size), Qt::AlignCenter, text);
            }
        }
    }

private:
    QChart *m_chart;
    GridChartLineValueCaptionPosition m_position;
    QList<QXYSeries *> m_series;
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

} // namespace

// ---------------------------------------------------------------- view

GridChartView::GridChartView(QWidget *parent) : QFrame(parent) {}

GridChartView::~GridChartView() = default;

DataSource *GridChartView::dataSource() const
{
    return m_source;
}

void GridChartView::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    auto watch = [this] {
        if (DataSet *ds = m_source ? m_source->dataSet() : nullptr) {
            connect(ds, &DataSet::dataReset, this, &GridChartView::optionsChanged, Qt::UniqueConnection);
            connect(ds, &DataSet::rowsInserted, this, &GridChartView::optionsChanged, Qt::UniqueConnection);
        }
        optionsChanged();
    };
    if (source)
        connect(source, &DataSource::dataSetChanged, this, watch);
    watch();
}

GridChartSeries *GridChartView::CreateSeries(const QString &name)
{
    auto *s = new GridChartSeries(this);
    s->setObjectName(name);
    m_series.append(s);
    optionsChanged();
    return s;
}

void GridChartView::removeSeries(GridChartSeries *series)
{
    if (m_series.removeOne(series)) {
        delete series;
        optionsChanged();
    }
}

void GridChartView::setActiveDiagram(GridChartDiagramKind kind)
{
    m_active = kind;
    optionsChanged();
}

QString GridChartView::diagramCaption(GridChartDiagramKind kind)
{
    switch (kind) {
    case GridChartDiagramKind::Column: return QStringLiteral("Colunas");
    case GridChartDiagramKind::Bar: return QStringLiteral("Barras");
    case GridChartDiagramKind::Line: return QStringLiteral("Linhas");
    case GridChartDiagramKind::Area: return QStringLiteral("Áreas");
    case GridChartDiagramKind::Pie: return QStringLiteral("Pizza");
    }
    return QString();
}

QPointF GridChartView::captionOffset(GridChartLineValueCaptionPosition position, const QSizeF &t)
{
    const qreal gap = 4;
    const qreal w = t.width();
    const qreal h = t.height();
    switch (position) {
    case ldvcpLeft: return QPointF(-w - gap, -h / 2);
    case ldvcpAboveLeft: return QPointF(-w - gap, -h - gap);
    case ldvcpAbove: return QPointF(-w / 2, -h - gap);
    case ldvcpAboveRight: return QPointF(gap, -h - gap);
    case ldvcpRight: return QPointF(gap, -h / 2);
    case ldvcpBelowRight: return QPointF(gap, gap);
    case ldvcpBelow: return QPointF(-w / 2, gap);
    case ldvcpBelowLeft: return QPointF(-w - gap, gap);
    case ldvcpCenter: return QPointF(-w / 2, -h / 2);
    case ldvcpNone: break;
    }
    return QPointF();
}

void GridChartView::optionsChanged()
{
    m_dirty = true;
    if (isUpdating())
        return;
    ensureToolBox();
    if (m_chart || isVisible())
        build();
    relayout();
}

void GridChartView::updateEnded()
{
    if (m_dirty)
        optionsChanged();
}

void GridChartView::ensureToolBox()
{
    const bool wanted = ToolBox.DiagramSelector || ToolBox.CustomizeButton;
    if (!wanted && !m_toolBox)
        return;
    if (!m_toolBox) {
        m_toolBox = new QFrame(this);
        m_toolBox->setObjectName(QStringLiteral("toolBox"));
        auto *layout = new QHBoxLayout(m_toolBox);
        layout->setContentsMargins(4, 2, 4, 2);
        m_selector = new QComboBox(m_toolBox);
        m_selector->setObjectName(QStringLiteral("diagramSelector"));
        for (GridChartDiagramKind k : {GridChartDiagramKind::Column, GridChartDiagramKind::Bar, GridChartDiagramKind::Line,
                                       GridChartDiagramKind::Area, GridChartDiagramKind::Pie})
            m_selector->addItem(diagramCaption(k), int(k));
        connect(m_selector, &QComboBox::activated, this, [this](int i) {
            setActiveDiagram(GridChartDiagramKind(m_selector->itemData(i).toInt()));
        });
        m_customize = new QToolButton(m_toolBox);
        m_customize->setObjectName(QStringLiteral("customizeButton"));
        m_customize->setText(QStringLiteral("Personalizar..."));
        connect(m_customize, &QToolButton::clicked, this,
                [this] { showCustomization(m_customize->mapToGlobal(QPoint(0, m_customize->height()))); });
        layout->addWidget(m_selector);
        layout->addWidget(m_customize);
        layout->addStretch();
    }
    auto *frame = static_cast<QFrame *>(m_toolBox);
    frame->setFrameShape(ToolBox.Border == tbNone ? QFrame::NoFrame : QFrame::Box);
    m_selector->setVisible(ToolBox.DiagramSelector);
    m_customize->setVisible(ToolBox.CustomizeButton);
    m_selector->setCurrentIndex(m_selector->findData(int(m_active)));
    m_toolBox->setVisible(wanted);
}

void GridChartView::showCustomization(const QPoint &globalPos)
{
    QMenu menu(this);
    for (GridChartDiagramKind k : {GridChartDiagramKind::Column, GridChartDiagramKind::Bar, GridChartDiagramKind::Line,
                                   GridChartDiagramKind::Area, GridChartDiagramKind::Pie}) {
        QAction *a = menu.addAction(diagramCaption(k), this, [this, k] { setActiveDiagram(k); });
        a->setCheckable(true);
        a->setChecked(k == m_active);
    }
    menu.addSeparator();
    for (GridChartSeries *s : m_series) {
        QAction *a = menu.addAction(s->DisplayText.isEmpty() ? s->Name() : s->DisplayText, this,
                                    [s] { s->setVisible(!s->Visible); });
        a->setCheckable(true);
        a->setChecked(s->Visible);
    }
    menu.exec(globalPos);
}

QChart *GridChartView::chart()
{
    if (!m_chart || m_dirty)
        build();
    return m_chart;
}

void GridChartView::build()
{
    m_dirty = false;
    if (!m_chartView) {
        m_chartView = new QChartView(this);
        m_chartView->setRenderHint(QPainter::Antialiasing);
        m_chartView->viewport()->installEventFilter(this);
        m_chartView->show();
    }
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);

    DataSet *ds = m_source ? m_source->dataSet() : nullptr;
    const int rows = ds && ds->active() ? ds->recordCount() : 0;
    const int catField = ds ? ds->fieldIndex(Categories.DataBinding.FieldName) : -1;
    QStringList categories;
    for (int r = 0; r < rows; ++r)
        categories << (catField >= 0 ? TableViewModel::formatValue(ds->value(r, catField),
                                                                   ds->fieldDefs().at(catField).type, nullptr)
                                     : QString::number(r + 1));
    struct Values
    {
        GridChartSeries *series;
        QVector<double> values;
    };
    QList<Values> data;
    for (GridChartSeries *s : m_series) {
        if (!s->Visible)
            continue;
        Values v{s, {}};
        const int f = ds ? ds->fieldIndex(s->DataBinding.FieldName) : -1;
        for (int r = 0; r < rows; ++r)
            v.values << (f >= 0 ? ds->value(r, f).toDouble() : 0.0);
        data << v;
    }
    auto caption = [](GridChartSeries *s) { return s->DisplayText.isEmpty() ? s->Name() : s->DisplayText; };

    auto addAxes = [&](QAbstractSeries *series, bool horizontal) {
        auto *cat = new QBarCategoryAxis;
        cat->append(categories);
        auto *val = new QValueAxis;
        chart->addAxis(cat, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
        chart->addAxis(val, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
        series->attachAxis(cat);
        series->attachAxis(val);
    };

    switch (m_active) {
    case GridChartDiagramKind::Column:
    case GridChartDiagramKind::Bar: {
        const bool horizontal = m_active == GridChartDiagramKind::Bar;
        QAbstractBarSeries *bars = horizontal ? static_cast<QAbstractBarSeries *>(new QHorizontalBarSeries)
                                              : static_cast<QAbstractBarSeries *>(new QBarSeries);
        for (const Values &v : data) {
            auto *set = new QBarSet(caption(v.series));
            for (double d : v.values)
                set->append(d);
            bars->append(set);
        }
        const GridChartColumnValueCaptionPosition pos =
            horizontal ? DiagramBar.Values.CaptionPosition : DiagramColumn.Values.CaptionPosition;
        bars->setLabelsVisible(pos != cdvcpNone);
        bars->setLabelsPosition(barPosition(pos));
        chart->addSeries(bars);
        addAxes(bars, horizontal);
        break;
    }
    case GridChartDiagramKind::Line:
    case GridChartDiagramKind::Area: {
        const bool area = m_active == GridChartDiagramKind::Area;
        const GridChartLineValueCaptionPosition pos =
            area ? DiagramArea.Values.CaptionPosition : DiagramLine.Values.CaptionPosition;
        auto *captions = new CaptionItem(chart, pos);
        for (const Values &v : data) {
            auto *line = new QLineSeries;
            line->setName(caption(v.series));
            for (int i = 0; i < v.values.size(); ++i)
                line->append(i, v.values.at(i));
            QAbstractSeries *shown = line;
            if (area) {
                auto *a = new QAreaSeries(line);
                a->setName(caption(v.series));
                shown = a;
            }
            chart->addSeries(shown);
            addAxes(shown, false);
            captions->addPoints(line);
        }
        break;
    }
    case GridChartDiagramKind::Pie: {
        const int n = int(data.size());
        for (int i = 0; i < n; ++i) {
            auto *pie = new QPieSeries;
            pie->setName(caption(data.at(i).series));
            for (int r = 0; r < rows; ++r) {
                QPieSlice *slice = pie->append(categories.at(r), data.at(i).values.at(r));
                const GridChartPieValueCaptionPosition pos = DiagramPie.Values.CaptionPosition;
                slice->setLabelVisible(pos != pdvcpNone);
                slice->setLabel(TableViewModel::formatValue(data.at(i).values.at(r), FieldType::Float, nullptr));
                switch (pos) {
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
    switch (Legend.Position) {
    case cppNone: legend->hide(); break;
    case cppLeft: legend->setAlignment(Qt::AlignLeft); break;
    case cppTop: legend->setAlignment(Qt::AlignTop); break;
    case cppBottom: legend->setAlignment(Qt::AlignBottom); break;
    case cppRight:
    case cppDefault: legend->setAlignment(Qt::AlignRight); break;
    }
    QChart *old = m_chart;
    m_chart = chart;
    m_chartView->setChart(chart); // the view takes the new chart
    delete old;
    relayout();
}

void GridChartView::relayout()
{
    int top = 0;
    if (m_toolBox && m_toolBox->isVisibleTo(this)) {
        const int h = m_toolBox->sizeHint().height();
        m_toolBox->setGeometry(0, 0, width(), h);
        top = h;
    }
    if (m_chartView)
        m_chartView->setGeometry(0, top, width(), qMax(0, height() - top));
}

void GridChartView::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    ensureToolBox();
    if (!m_chart || m_dirty)
        build();
}

void GridChartView::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    relayout();
}

void GridChartView::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    notifyPainted();
}

bool GridChartView::eventFilter(QObject *watched, QEvent *event)
{
    if (m_chartView && watched == m_chartView->viewport() && event->type() == QEvent::Paint)
        notifyPainted();
    return QFrame::eventFilter(watched, event);
}
