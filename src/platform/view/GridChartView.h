#pragma once

#include "GridChartTypes.h"
#include "GridView.h"

#include <QFrame>
#include <QPointer>
#include <QVector>

#include <memory>

class DataSource;
class GridChartView;
class QComboBox;
class QToolButton;
class QWidget;
class QChart;
class ChartRenderer;

// A series of a chart view: the values of one field; its component name is objectName().
class GridChartSeries : public QObject
{
    Q_OBJECT
public:
    explicit GridChartSeries(QObject *parent = nullptr) : QObject(parent) {}

    QString Name() const { return objectName(); }
    QString DisplayText; // empty: the component name
    bool Visible = true;
    struct {
        QString FieldName;
    } DataBinding;

    GridChartView *chartView() const;
    int Index() const;
    // Shows or hides the series at once.
    void setVisible(bool visible);
};

// A data chart view on Qt Charts: categories from one field, one series per value field,
// shown as one of five diagrams (columns, bars, lines, areas, pie). A tool box above the
// chart offers a diagram selector and a customize button. The Qt Charts objects are made
// by the chart module (gerlock-charts), loaded when the view is first shown or chart() is
// asked for: a grid with a chart view costs nothing at start, and the program starts
// without loading Qt Charts.
//
// Settings are plain fields; after changing them call optionsChanged() to apply them.
class GridChartView : public QFrame, public GridView
{
    Q_OBJECT
    Q_INTERFACES(GridView)
public:
    explicit GridChartView(QWidget *parent = nullptr);
    ~GridChartView() override;

    GridViewKind Kind() const override { return GridViewKind::Chart; }
    QWidget *widget() override { return this; }
    const QWidget *widget() const override { return this; }
    QWidget *site() override { return this; }

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);

    struct {
        struct {
            QString FieldName;
        } DataBinding;
        QString DisplayText;
    } Categories;

    GridChartSeries *CreateSeries(const QString &name = QString());
    int SeriesCount() const { return int(m_series.size()); }
    GridChartSeries *Series(int index) const { return m_series.value(index); }
    void removeSeries(GridChartSeries *series);

    GridChartColumnDiagram DiagramColumn;
    GridChartColumnDiagram DiagramBar;
    GridChartPieDiagram DiagramPie;
    GridChartLineDiagram DiagramLine;
    GridChartLineDiagram DiagramArea;
    GridChartDiagramKind ActiveDiagram() const { return m_active; }
    void setActiveDiagram(GridChartDiagramKind kind);

    struct {
        GridChartLegendPosition Position = cppDefault;
    } Legend;
    struct {
        GridChartToolBoxBorder Border = tbSingle;
        bool CustomizeButton = false;
        bool DiagramSelector = false;
    } ToolBox;

    // Applies settings, series and data.
    void optionsChanged();

    // The chart as built from the settings (built now when not yet made).
    QChart *chart();
    bool chartBuilt() const;
    QWidget *toolBox() const { return m_toolBox; }
    QComboBox *diagramSelector() const { return m_selector; }
    QToolButton *customizeButton() const { return m_customize; }
    // The customization menu: the diagrams and the series with their visibility.
    void showCustomization(const QPoint &globalPos);

    // Offset of a value caption's rectangle (of size `text`) from its point.
    static QPointF captionOffset(GridChartLineValueCaptionPosition position, const QSizeF &text);
    static QString diagramCaption(GridChartDiagramKind kind);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void updateEnded() override;

private:
    void build();
    void relayout();
    void ensureToolBox();

    QPointer<DataSource> m_source;
    QList<GridChartSeries *> m_series;
    GridChartDiagramKind m_active = GridChartDiagramKind::Column;
    QWidget *m_toolBox = nullptr;
    QComboBox *m_selector = nullptr;
    QToolButton *m_customize = nullptr;
    std::unique_ptr<ChartRenderer> m_renderer; // made by the chart module on first build
    bool m_dirty = true;
};
