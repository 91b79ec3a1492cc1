// The grid: levels and views, the active view, detail tabs, the paint hook; the chart
// view on Qt Charts and the card view.
#include "ClientDataSet.h"
#include "DataSource.h"
#include "GridBandedTableView.h"
#include "GridCardView.h"
#include "GridChartView.h"
#include "GridControl.h"
#include "GridTableView.h"

#include <QAbstractBarSeries>
#include <QAbstractItemModelTester>
#include <QAreaSeries>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QLegend>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

namespace {

class CountingGrid : public GridControl
{
public:
    int paints = 0;

protected:
    void Paint() override { ++paints; }
};

RecordData vendas()
{
    RecordData d;
    d.fields = {{"Mes", FieldType::String, 10}, {"Total_VLR", FieldType::Float, 0}, {"Pedidos_QTD", FieldType::Integer, 0}};
    d.cells = {"jan", 10.5, 3, "fev", 20.0, 5, "mar", 7.25, 2};
    return d;
}

// The sales rows in a client data set behind a data source, for the views to show.
struct Vendas
{
    ClientDataSet ds;
    DataSource source;
    Vendas()
    {
        ds.setData(vendas());
        source.setDataSet(&ds);
    }
};

void show(QWidget *w)
{
    w->resize(640, 420);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCoreApplication::processEvents();
}

} // namespace

class TestGridControl : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void levelsViewsAndActiveView();
    void viewExistsUntilTheViewGoes();
    void detailTabsSwitchLevels();
    void paintHookRunsAfterPainting();
    void chartIsBuiltOnlyWhenShown();
    void chartCaptionPositions_data();
    void chartCaptionPositions();
    void lineCaptionOffsets();
    void chartLegendToolBoxAndSeries();
    void cardViewListsRecords();
};

void TestGridControl::levelsViewsAndActiveView()
{
    GridControl grid;
    QVERIFY(!grid.ActiveView());
    GridTableView *table = grid.CreateTableView(QStringLiteral("tabela"));
    GridBandedTableView *banded = grid.CreateBandedTableView(QStringLiteral("faixas"));
    GridChartView *chart = grid.CreateChartView(QStringLiteral("grafico"));
    GridCardView *cards = grid.CreateCardView(QStringLiteral("fichas"));
    QCOMPARE(grid.ViewCount(), 4);
    QCOMPARE(grid.Views(0), static_cast<GridView *>(table));
    QCOMPARE(grid.Views(3), static_cast<GridView *>(cards));
    QVERIFY(!grid.Views(4));
    // Kinds tell the classes apart (a banded view is a table view of its own kind).
    QCOMPARE(table->Kind(), GridViewKind::Table);
    QCOMPARE(banded->Kind(), GridViewKind::BandedTable);
    QCOMPARE(chart->Kind(), GridViewKind::Chart);
    QCOMPARE(cards->Kind(), GridViewKind::Card);
    QCOMPARE(chart->Name(), QStringLiteral("grafico"));
    QCOMPARE(table->Grid(), &grid);
    QVERIFY(!grid.ActiveView()); // no level yet

    GridLevel *one = grid.CreateLevel(QStringLiteral("nivel1"));
    GridLevel *two = grid.CreateLevel(QStringLiteral("nivel2"));
    grid.setLevelView(one, table);
    two->setGridView(chart);
    QCOMPARE(grid.ActiveLevel(), one);
    QCOMPARE(grid.ActiveView(), static_cast<GridView *>(table));
    QCOMPARE(grid.levelOfView(chart), two);
    show(&grid);
    QVERIFY(table->site()->isVisible());
    QVERIFY(!chart->isVisible());
    QVERIFY(!chart->chartBuilt());

    grid.setActiveLevel(two);
    QCOMPARE(grid.ActiveView(), static_cast<GridView *>(chart));
    QVERIFY(!table->site()->isVisible());
    QVERIFY(chart->isVisible());
    // A hidden level gives way to the next visible one.
    two->setVisible(false);
    QCOMPARE(grid.ActiveView(), static_cast<GridView *>(table));
    one->setVisible(false);
    QVERIFY(!grid.ActiveView());
    QVERIFY(!grid.ActiveLevel());

    // Detail levels hang under their level and are never shown themselves.
    one->setVisible(true);
    GridLevel *detail = one->Add(QStringLiteral("detalhe"));
    detail->setGridView(banded);
    QCOMPARE(detail->parentLevel(), one);
    QCOMPARE(grid.levelOfView(banded), detail);
    QCOMPARE(grid.ActiveView(), static_cast<GridView *>(table));
    QVERIFY(!banded->site()->isVisible());
}

void TestGridControl::viewExistsUntilTheViewGoes()
{
    GridControl grid;
    GridLevel *level = grid.CreateLevel();
    GridTableView *table = grid.CreateTableView(QStringLiteral("tabela"));
    level->setGridView(table);
    QVERIFY(grid.ViewExists(table));
    GridControl other;
    GridTableView *foreign = other.CreateTableView(QStringLiteral("outra"));
    QVERIFY(!grid.ViewExists(foreign));
    QVERIFY(!grid.ViewExists(nullptr));

    delete table;
    QVERIFY(!grid.ViewExists(table));
    QCOMPARE(grid.ViewCount(), 0);
    QVERIFY(!grid.ActiveView());
    QVERIFY(!level->GridView());

    // A view made elsewhere and put on a level joins the grid.
    auto *adopted = new GridTableView;
    level->setGridView(adopted);
    QVERIFY(grid.ViewExists(adopted));
    QCOMPARE(adopted->site()->parentWidget(), &grid);
    QCOMPARE(adopted->Grid(), &grid);
}

void TestGridControl::detailTabsSwitchLevels()
{
    GridControl grid;
    GridLevel *one = grid.CreateLevel(QStringLiteral("nivel1"));
    one->Caption = QStringLiteral("Tabela");
    GridLevel *two = grid.CreateLevel(QStringLiteral("nivel2"));
    GridTableView *table = grid.CreateTableView(QStringLiteral("tabela"));
    GridChartView *chart = grid.CreateChartView(QStringLiteral("grafico"));
    one->setGridView(table);
    two->setGridView(chart);
    QVERIFY(!grid.detailTabs());
    grid.RootLevelOptions.DetailTabsPosition = dtpTop;
    grid.optionsChanged();
    show(&grid);
    QTabBar *tabs = grid.detailTabs();
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Tabela"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("grafico")); // no caption: the view's name
    QCOMPARE(table->site()->y(), tabs->height());

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QCOMPARE(grid.ActiveLevel(), two);
    QCOMPARE(grid.ActiveView(), static_cast<GridView *>(chart));
    grid.setActiveLevel(one);
    QCOMPARE(tabs->currentIndex(), 0);

    grid.RootLevelOptions.DetailTabsPosition = dtpNone;
    grid.optionsChanged();
    QVERIFY(!grid.detailTabs());
    QCOMPARE(table->site()->geometry(), grid.rect());
}

void TestGridControl::paintHookRunsAfterPainting()
{
    CountingGrid grid;
    GridTableView *table = grid.CreateTableView();
    grid.CreateLevel()->setGridView(table);
    QCOMPARE(grid.paints, 0);
    show(&grid);
    QTRY_VERIFY(grid.paints >= 1);
    // A burst of paints runs the hook once, after the painting.
    const int before = grid.paints;
    table->viewport()->repaint();
    table->viewport()->repaint();
    QCOMPARE(grid.paints, before);
    QCoreApplication::processEvents();
    QCOMPARE(grid.paints, before + 1);
}

void TestGridControl::chartIsBuiltOnlyWhenShown()
{
    Vendas vendasDs;
    auto &[ds, source] = vendasDs;
    GridChartView chart;
    chart.setDataSource(&source);
    chart.Categories.DataBinding.FieldName = QStringLiteral("Mes");
    chart.CreateSeries(QStringLiteral("serieTotal_VLR"))->DataBinding.FieldName = QStringLiteral("Total_VLR");
    chart.optionsChanged();
    QVERIFY(!chart.chartBuilt());
    QVERIFY(!chart.toolBox()); // nothing asked for one
    show(&chart);
    QVERIFY(chart.chartBuilt());
    auto *bars = qobject_cast<QAbstractBarSeries *>(chart.chart()->series().value(0));
    QVERIFY(bars);
    QCOMPARE(bars->count(), 1);
    QCOMPARE(bars->barSets().first()->at(1), 20.0);
    // New rows reach a built chart.
    ds.Append();
    ds.setFieldByName(QStringLiteral("Mes"), QStringLiteral("abr"));
    ds.setFieldByName(QStringLiteral("Total_VLR"), 1.0);
    ds.Post();
    bars = qobject_cast<QAbstractBarSeries *>(chart.chart()->series().value(0));
    QCOMPARE(bars->barSets().first()->count(), 4);
}

void TestGridControl::chartCaptionPositions_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("barLabels");
    QTest::addColumn<int>("barPosition");
    QTest::addColumn<int>("pie");
    QTest::addColumn<bool>("pieLabels");
    QTest::addColumn<int>("piePosition");
    QTest::addColumn<bool>("pieArm");
    using B = QAbstractBarSeries;
    using S = QPieSlice;
    QTest::newRow("none") << int(cdvcpNone) << false << -1 << int(pdvcpNone) << false << -1 << false;
    QTest::newRow("center") << int(cdvcpCenter) << true << int(B::LabelsCenter) << int(pdvcpCenter) << true
                            << int(S::LabelInsideHorizontal) << false;
    QTest::newRow("inside base") << int(cdvcpInsideBase) << true << int(B::LabelsInsideBase) << int(pdvcpInsideEnd)
                                 << true << int(S::LabelInsideNormal) << false;
    QTest::newRow("inside end") << int(cdvcpInsideEnd) << true << int(B::LabelsInsideEnd) << int(pdvcpOutsideEnd)
                                << true << int(S::LabelOutside) << false;
    QTest::newRow("outside end") << int(cdvcpOutsideEnd) << true << int(B::LabelsOutsideEnd)
                                 << int(pdvcpOutsideEndWithLeaderLines) << true << int(S::LabelOutside) << true;
}

// Each caption position reaches the Qt Charts objects of its diagram.
void TestGridControl::chartCaptionPositions()
{
    QFETCH(int, column);
    QFETCH(bool, barLabels);
    QFETCH(int, barPosition);
    QFETCH(int, pie);
    QFETCH(bool, pieLabels);
    QFETCH(int, piePosition);
    QFETCH(bool, pieArm);
    Vendas vendasDs;
    auto &[ds, source] = vendasDs;
    GridChartView chart;
    chart.setDataSource(&source);
    chart.Categories.DataBinding.FieldName = QStringLiteral("Mes");
    chart.CreateSeries(QStringLiteral("s1"))->DataBinding.FieldName = QStringLiteral("Total_VLR");
    chart.DiagramColumn.Values.CaptionPosition = GridChartColumnValueCaptionPosition(column);
    chart.DiagramBar.Values.CaptionPosition = GridChartColumnValueCaptionPosition(column);
    chart.DiagramPie.Values.CaptionPosition = GridChartPieValueCaptionPosition(pie);
    for (GridChartDiagramKind kind : {GridChartDiagramKind::Column, GridChartDiagramKind::Bar}) {
        chart.setActiveDiagram(kind);
        auto *bars = qobject_cast<QAbstractBarSeries *>(chart.chart()->series().value(0));
        QVERIFY(bars);
        QCOMPARE(bars->type(), kind == GridChartDiagramKind::Bar ? QAbstractSeries::SeriesTypeHorizontalBar
                                                                 : QAbstractSeries::SeriesTypeBar);
        QCOMPARE(bars->isLabelsVisible(), barLabels);
        if (barPosition >= 0)
            QCOMPARE(int(bars->labelsPosition()), barPosition);
    }
    chart.setActiveDiagram(GridChartDiagramKind::Pie);
    auto *pieSeries = qobject_cast<QPieSeries *>(chart.chart()->series().value(0));
    QVERIFY(pieSeries);
    QCOMPARE(pieSeries->count(), 3);
    for (QPieSlice *slice : pieSeries->slices()) {
        QCOMPARE(slice->isLabelVisible(), pieLabels);
        if (piePosition >= 0)
            QCOMPARE(int(slice->labelPosition()), piePosition);
        if (piePosition == int(QPieSlice::LabelOutside))
            QCOMPARE(slice->labelArmLengthFactor() > 0, pieArm);
    }
}

void TestGridControl::lineCaptionOffsets()
{
    // Where the caption rectangle (10 x 6) sits around its point.
    const QSizeF t(10, 6);
    struct Case
    {
        GridChartLineValueCaptionPosition position;
        bool left, right, above, below; // entirely on that side of the point
    };
    const Case cases[] = {
        {ldvcpLeft, true, false, false, false},  {ldvcpRight, false, true, false, false},
        {ldvcpAbove, false, false, true, false}, {ldvcpBelow, false, false, false, true},
        {ldvcpAboveLeft, true, false, true, false}, {ldvcpBelowRight, false, true, false, true},
        {ldvcpCenter, false, false, false, false},
    };
    for (const Case &c : cases) {
        const QRectF r(GridChartView::captionOffset(c.position, t), t);
        QCOMPARE(r.right() < 0, c.left);
        QCOMPARE(r.left() > 0, c.right);
        QCOMPARE(r.bottom() < 0, c.above);
        QCOMPARE(r.top() > 0, c.below);
        if (c.position == ldvcpCenter)
            QCOMPARE(r.center(), QPointF(0, 0));
    }
    // Line and area diagrams are built with their series over the categories.
    Vendas vendasDs;
    auto &[ds, source] = vendasDs;
    GridChartView chart;
    chart.setDataSource(&source);
    chart.CreateSeries(QStringLiteral("s1"))->DataBinding.FieldName = QStringLiteral("Total_VLR");
    chart.setActiveDiagram(GridChartDiagramKind::Line);
    auto *line = qobject_cast<QLineSeries *>(chart.chart()->series().value(0));
    QVERIFY(line);
    QCOMPARE(line->count(), 3);
    QCOMPARE(line->at(2), QPointF(2, 7.25));
    chart.setActiveDiagram(GridChartDiagramKind::Area);
    QVERIFY(qobject_cast<QAreaSeries *>(chart.chart()->series().value(0)));
}

void TestGridControl::chartLegendToolBoxAndSeries()
{
    Vendas vendasDs;
    auto &[ds, source] = vendasDs;
    GridChartView chart;
    chart.setDataSource(&source);
    GridChartSeries *valor = chart.CreateSeries(QStringLiteral("serie_VLR"));
    valor->DataBinding.FieldName = QStringLiteral("Total_VLR");
    GridChartSeries *qtd = chart.CreateSeries(QStringLiteral("serie_QTD"));
    qtd->DataBinding.FieldName = QStringLiteral("Pedidos_QTD");
    qtd->DisplayText = QStringLiteral("Pedidos");
    QCOMPARE(chart.SeriesCount(), 2);
    QCOMPARE(qtd->Index(), 1);

    chart.Legend.Position = cppNone;
    chart.ToolBox.Border = tbNone;
    chart.ToolBox.DiagramSelector = true;
    chart.ToolBox.CustomizeButton = true;
    chart.optionsChanged();
    show(&chart);
    QVERIFY(!chart.chart()->legend()->isVisible());
    QVERIFY(chart.toolBox()->isVisible());
    QCOMPARE(static_cast<QFrame *>(chart.toolBox())->frameShape(), QFrame::NoFrame);
    QVERIFY(chart.diagramSelector()->isVisible());
    QVERIFY(chart.customizeButton()->isVisible());

    // The selector switches the diagram.
    chart.diagramSelector()->setCurrentIndex(chart.diagramSelector()->findData(int(GridChartDiagramKind::Pie)));
    emit chart.diagramSelector()->activated(chart.diagramSelector()->currentIndex());
    QCOMPARE(chart.ActiveDiagram(), GridChartDiagramKind::Pie);
    QCOMPARE(chart.chart()->series().size(), 2); // one pie per series
    QCOMPARE(chart.chart()->series().at(1)->name(), QStringLiteral("Pedidos"));

    // A hidden series leaves the chart.
    valor->setVisible(false);
    QCOMPARE(chart.chart()->series().size(), 1);
    chart.setActiveDiagram(GridChartDiagramKind::Column);
    auto *bars = qobject_cast<QAbstractBarSeries *>(chart.chart()->series().value(0));
    QCOMPARE(bars->count(), 1);
    QCOMPARE(bars->barSets().first()->label(), QStringLiteral("Pedidos"));

    chart.Legend.Position = cppBottom;
    chart.ToolBox.Border = tbSingle;
    chart.ToolBox.DiagramSelector = false;
    chart.optionsChanged();
    QVERIFY(chart.chart()->legend()->isVisible());
    QCOMPARE(chart.chart()->legend()->alignment(), Qt::AlignBottom);
    QVERIFY(!chart.diagramSelector()->isVisible());
    QCOMPARE(static_cast<QFrame *>(chart.toolBox())->frameShape(), QFrame::Box);

    chart.removeSeries(qtd);
    QCOMPARE(chart.SeriesCount(), 1);
}

void TestGridControl::cardViewListsRecords()
{
    Vendas vendasDs;
    auto &[ds, source] = vendasDs;
    GridCardView cards;
    QAbstractItemModelTester tester(cards.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    cards.setDataSource(&source);
    GridColumn *mes = cards.CreateRow();
    mes->FieldName = QStringLiteral("Mes");
    mes->Caption = QStringLiteral("Mês");
    GridColumn *total = cards.CreateRow();
    total->FieldName = QStringLiteral("Total_VLR");
    cards.rowsChanged();
    QCOMPARE(cards.model()->rowCount(), 3);
    QCOMPARE(cards.model()->index(1, 0).data().toString(), QStringLiteral("Mês: fev\nTotal_VLR: 20"));
    total->Visible = false;
    cards.rowsChanged();
    QCOMPARE(cards.model()->index(2, 0).data().toString(), QStringLiteral("Mês: mar"));
    ds.Append();
    ds.setFieldByName(QStringLiteral("Mes"), QStringLiteral("abr"));
    ds.Post();
    QCOMPARE(cards.model()->rowCount(), 4);
    ds.Close();
    QCOMPARE(cards.model()->rowCount(), 0);
}

QTEST_MAIN(TestGridControl)
#include "tst_gridcontrol.moc"
