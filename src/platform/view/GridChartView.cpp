#include "GridChartView.h"

#include "ChartRenderer.h"
#include "ErrorGuard.h"

#include "DataSet.h"
#include "DataSource.h"
#include "TableViewModel.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

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
    return chartCaptionOffset(position, t);
}

void GridChartView::optionsChanged()
{
    m_dirty = true;
    if (isUpdating())
        return;
    ensureToolBox();
    if (chartBuilt() || isVisible())
        guard([this] { build(); });
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
    if (!chartBuilt() || m_dirty)
        build();
    return m_renderer->chart();
}

bool GridChartView::chartBuilt() const
{
    return m_renderer && m_renderer->chart();
}

void GridChartView::build()
{
    if (!m_renderer) {
        m_renderer = createChartRenderer(this);
        if (auto *area = qobject_cast<QAbstractScrollArea *>(m_renderer->view()))
            area->viewport()->installEventFilter(this);
    }
    m_dirty = false;

    ChartContent content;
    content.diagram = m_active;
    DataSet *ds = m_source ? m_source->dataSet() : nullptr;
    const int rows = ds && ds->active() ? ds->recordCount() : 0;
    const int catField = ds ? ds->fieldIndex(Categories.DataBinding.FieldName) : -1;
    for (int r = 0; r < rows; ++r)
        content.categories << (catField >= 0 ? TableViewModel::formatValue(ds->value(r, catField),
                                                                        ds->fieldDefs().at(catField).type, nullptr)
                                          : QString::number(r + 1));
    for (GridChartSeries *s : m_series) {
        if (!s->Visible)
            continue;
        ChartContent::Series series;
        series.caption = s->DisplayText.isEmpty() ? s->Name() : s->DisplayText;
        const int f = ds ? ds->fieldIndex(s->DataBinding.FieldName) : -1;
        for (int r = 0; r < rows; ++r) {
            const double value = f >= 0 ? ds->value(r, f).toDouble() : 0.0;
            series.values << value;
            series.labels << TableViewModel::formatValue(value, FieldType::Float, nullptr);
        }
        content.series << series;
    }
    content.columnCaptions = m_active == GridChartDiagramKind::Bar ? DiagramBar.Values.CaptionPosition
                                                                : DiagramColumn.Values.CaptionPosition;
    content.pieCaptions = DiagramPie.Values.CaptionPosition;
    content.lineCaptions = m_active == GridChartDiagramKind::Area ? DiagramArea.Values.CaptionPosition
                                                               : DiagramLine.Values.CaptionPosition;
    content.legend = Legend.Position;
    m_renderer->show(content);
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
    if (m_renderer)
        m_renderer->view()->setGeometry(0, top, width(), qMax(0, height() - top));
}

void GridChartView::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    ensureToolBox();
    if (!chartBuilt() || m_dirty)
        guard([this] { build(); });
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
    if (m_renderer && watched->parent() == m_renderer->view() && event->type() == QEvent::Paint)
        notifyPainted(); // the chart's viewport was painted
    return QFrame::eventFilter(watched, event);
}
