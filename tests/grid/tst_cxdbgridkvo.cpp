// TcxDBGridKVO: construction, styles and zebra, view defaults, chart defaults and the
// value-label position, the owning form, the after-restore notification.
#include "ClientDataSet.h"
#include "ComponentOwner.h"
#include "DataSource.h"
#include "GridBandedTableView.h"
#include "GridChartView.h"
#include "GridTableView.h"
#include "SQLDataSet.h"
#include "TableViewModel.h"
#include "cxDBGridKVO.h"
#include "prxVestra.h"

#include <QTabBar>
#include <QtTest>

#include <memory>

namespace {

// Reaches what the component keeps to itself.
class Probe : public TcxDBGridKVO
{
public:
    using TcxDBGridKVO::TcxDBGridKVO;
    using TcxDBGridKVO::fcdsDBGridKVO;
    using TcxDBGridKVO::fConexaoSC;
    using TcxDBGridKVO::sdsAux;
    using TcxDBGridKVO::sPvConfiguracoes;
    using TcxDBGridKVO::sPvListaAbasCriadas;
    int paints = 0;

protected:
    void Paint() override
    {
        ++paints;
        TcxDBGridKVO::Paint();
    }
};

struct Views
{
    TcxDBGridKVO &grid;
    GridLevel *tableLevel;
    GridLevel *bandedLevel;
    GridLevel *chartLevel;
    GridTableView *table;
    GridBandedTableView *banded;
    GridChartView *chart;

    explicit Views(TcxDBGridKVO &g) : grid(g)
    {
        tableLevel = g.CreateLevel(QStringLiteral("nivelTabela"));
        bandedLevel = g.CreateLevel(QStringLiteral("nivelFaixas"));
        chartLevel = g.CreateLevel(QStringLiteral("nivelGrafico"));
        table = g.CreateTableView(QStringLiteral("cxgrdbtblvwTabela"));
        banded = g.CreateBandedTableView(QStringLiteral("cxgrdbtblvwFaixas"));
        chart = g.CreateChartView(QStringLiteral("cxgrdbchrtvwGrafico"));
        tableLevel->setGridView(table);
        bandedLevel->setGridView(banded);
        chartLevel->setGridView(chart);
    }
};

quint32 colorOf(const GridStyle *s)
{
    return s ? s->Color() : 0xDEADBEEF;
}

} // namespace

class TestCxDBGridKVO : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { TecnologiaPadrao.clear(); }
    void newGridDefaults();
    void defaultsComeFromTheApplication();
    void zebraOnTheActiveTableViewOnly();
    void viewDefaultsPutTheStylesIntoTheSlots();
    void restartingColoursResetsThemFirst();
    void chartValueLabelPosition_data();
    void chartValueLabelPosition();
    void chartDefaults();
    void owningFormOrFrame_data();
    void owningFormOrFrame();
    void afterRestoreConfRaisesWithTheGrid();
    void colourChangeRepaintsViewsSharingTheStyle();
    void paintHookRunsTheFirstPaintStep();
    void stylesOutliveNoGrid();
};

void TestCxDBGridKVO::newGridDefaults()
{
    Probe g;
    QCOMPARE(g.Usuario(), 0);
    QCOMPARE(g.Contador(), 0);
    QCOMPARE(g.Idioma(), 1);
    QVERIFY(!g.Zebrar());
    QVERIFY(g.RestauraConfig);
    QVERIFY(!g.LookAndFeel.NativeStyle);
    QVERIFY(!g.sqlConnection());
    QVERIFY(g.ArqExcelExporta().isEmpty());
    QVERIFY(g.ArqHTMLExporta().isEmpty());
    QVERIFY(!g.AfterRestore);
    QVERIFY(g.sPvListaAbasCriadas.isEmpty());
    QVERIFY(g.sPvConfiguracoes.isEmpty());
    QVERIFY(!g.ActiveView());

    // The seven styles, owned and named after their fields, in creation order.
    const QList<GridStyle *> styles = g.findChildren<GridStyle *>(QString(), Qt::FindDirectChildrenOnly);
    QStringList names;
    for (GridStyle *s : styles)
        names << s->objectName();
    QCOMPARE(names, QStringList({"cxEstiloTitulo", "cxEstiloGrupo", "cxEstiloLinha", "cxEstiloTotalTitulo",
                                 "cxEstiloGraficoLegenda", "cxEstiloZebrado", "cxEstiloNormal"}));
    for (GridStyle *s : {g.cxEstiloTitulo, g.cxEstiloGrupo, g.cxEstiloLinha, g.cxEstiloTotalTitulo})
        QCOMPARE(s->Color(), VclColor::clDefault);
    QCOMPARE(g.cxEstiloZebrado->Color(), quint32(0x00F2E4D7));
    QCOMPARE(g.cxEstiloNormal->Color(), quint32(0x00FFFFFF));
    QCOMPARE(g.cxEstiloGraficoLegenda->Tag(), 0);

    // Its own data sets.
    QVERIFY(g.sdsAux);
    QCOMPARE(g.sdsAux->parent(), &g);
    QVERIFY(!g.sdsAux->GetMetadata);
    QVERIFY(g.fcdsDBGridKVO);
    QCOMPARE(g.fcdsDBGridKVO->parent(), &g);
}

void TestCxDBGridKVO::defaultsComeFromTheApplication()
{
    QObject server;
    TecnologiaPadrao = QStringLiteral("DATASNAP");
    RemoteServerPadrao = &server;
    ConexaoSCPadrao = &server;
    Probe g;
    TecnologiaPadrao.clear();
    RemoteServerPadrao = nullptr;
    ConexaoSCPadrao = nullptr;
    QCOMPARE(g.Tecnologia(), QStringLiteral("DATASNAP"));
    QCOMPARE(g.RemoteServer(), &server);
    QCOMPARE(g.fConexaoSC.data(), &server);
    Probe empty;
    QVERIFY(empty.Tecnologia().isEmpty());
    QVERIFY(!empty.RemoteServer());
}

void TestCxDBGridKVO::zebraOnTheActiveTableViewOnly()
{
    TcxDBGridKVO g;
    Views v(g);
    ClientDataSet ds;
    RecordData d;
    d.fields = {{"N", FieldType::Integer, 0}};
    d.cells = {1, 2, 3};
    ds.setData(d);
    DataSource source;
    source.setDataSet(&ds);
    v.table->setDataSource(&source);
    v.table->CreateColumn()->setFieldName(QStringLiteral("N"));

    g.AjustaZebra(true);
    QVERIFY(g.Zebrar());
    QCOMPARE(v.table->styles().ContentOdd.data(), g.cxEstiloZebrado);
    // Odd rows paint the zebra colour, even ones the data-row colour.
    TableViewModel *m = v.table->viewModel();
    QCOMPARE(m->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xD7, 0xE4, 0xF2));
    QVERIFY(!m->index(0, 0).data(Qt::BackgroundRole).isValid());
    g.setZebrar(false);
    QCOMPARE(v.table->styles().ContentOdd.data(), g.cxEstiloNormal);
    QCOMPARE(m->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));

    // Other kinds of active view: the value is stored, no slot changes.
    g.setActiveLevel(v.chartLevel);
    g.AjustaZebra(true);
    QVERIFY(g.Zebrar());
    QCOMPARE(v.table->styles().ContentOdd.data(), g.cxEstiloNormal);
    g.setActiveLevel(v.bandedLevel);
    g.AjustaZebra(true);
    QVERIFY(!v.banded->styles().ContentOdd);
    // Without any view nothing happens.
    TcxDBGridKVO bare;
    bare.AjustaZebra(true);
    QVERIFY(bare.Zebrar());
}

void TestCxDBGridKVO::viewDefaultsPutTheStylesIntoTheSlots()
{
    TcxDBGridKVO g;
    Views v(g);
    g.AjustaPropriedadesDefault(false);
    QCOMPARE(v.table->styles().Content.data(), g.cxEstiloLinha);
    QCOMPARE(v.table->styles().Footer.data(), g.cxEstiloTotalTitulo);
    QCOMPARE(v.table->styles().Group.data(), g.cxEstiloGrupo);
    QCOMPARE(v.table->styles().Header.data(), g.cxEstiloTitulo);
    QVERIFY(!v.table->styles().ContentOdd); // not touched here
    QVERIFY(!v.banded->styles().Content);   // only the active view

    g.setActiveLevel(v.bandedLevel);
    g.cxEstiloLinha->setColor(VclColor::clYellow);
    g.AjustaPropriedadesDefault(false);
    QCOMPARE(v.banded->styles().Content.data(), g.cxEstiloLinha);
    QCOMPARE(v.banded->styles().Header.data(), g.cxEstiloTitulo);
    QCOMPARE(g.cxEstiloLinha->Color(), VclColor::clYellow); // False keeps the colours

    // SetarVariaveisPadrao resets the four colours and the position, then applies the defaults.
    g.cxEstiloTitulo->setColor(VclColor::clRed);
    g.cxEstiloGraficoLegenda->setTag(3);
    g.cxEstiloZebrado->setColor(VclColor::clAqua);
    g.SetarVariaveisPadrao();
    for (GridStyle *s : {g.cxEstiloTitulo, g.cxEstiloGrupo, g.cxEstiloLinha, g.cxEstiloTotalTitulo})
        QCOMPARE(s->Color(), VclColor::clDefault);
    QCOMPARE(g.cxEstiloGraficoLegenda->Tag(), 0);
    QCOMPARE(g.cxEstiloZebrado->Color(), VclColor::clAqua);
}

void TestCxDBGridKVO::restartingColoursResetsThemFirst()
{
    TcxDBGridKVO g;
    Views v(g);
    g.cxEstiloTitulo->setColor(VclColor::clRed);
    g.cxEstiloGrupo->setColor(VclColor::clLime);
    g.cxEstiloLinha->setColor(VclColor::clBlue);
    g.cxEstiloTotalTitulo->setColor(VclColor::clSkyBlue);
    g.cxEstiloGraficoLegenda->setTag(4);
    g.AjustaPropriedadesDefault(true);
    for (GridStyle *s : {g.cxEstiloTitulo, g.cxEstiloGrupo, g.cxEstiloLinha, g.cxEstiloTotalTitulo})
        QCOMPARE(s->Color(), VclColor::clDefault);
    QCOMPARE(g.cxEstiloGraficoLegenda->Tag(), 0);
    QCOMPARE(v.table->styles().Content.data(), g.cxEstiloLinha);

    // On a chart view the flag has no effect.
    g.setActiveLevel(v.chartLevel);
    g.cxEstiloTitulo->setColor(VclColor::clRed);
    g.cxEstiloGraficoLegenda->setTag(1);
    g.AjustaPropriedadesDefault(true);
    QCOMPARE(g.cxEstiloTitulo->Color(), VclColor::clRed);
    QCOMPARE(v.chart->DiagramColumn.Values.CaptionPosition, cdvcpCenter);
}

void TestCxDBGridKVO::chartValueLabelPosition_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("pie");
    QTest::addColumn<int>("line");
    QTest::newRow("0 Não mostrar") << 0 << int(cdvcpNone) << int(pdvcpNone) << int(ldvcpNone);
    QTest::newRow("1 Centro") << 1 << int(cdvcpCenter) << int(pdvcpCenter) << int(ldvcpCenter);
    QTest::newRow("2 Base") << 2 << int(cdvcpInsideBase) << int(pdvcpOutsideEnd) << int(ldvcpBelow);
    QTest::newRow("3 Topo") << 3 << int(cdvcpInsideEnd) << int(pdvcpInsideEnd) << int(ldvcpAbove);
    QTest::newRow("4 Fora da Área") << 4 << int(cdvcpOutsideEnd) << int(pdvcpOutsideEndWithLeaderLines) << int(ldvcpLeft);
    // Codes outside 0..4 leave the diagrams as they were (set to "Topo" first below).
    QTest::newRow("7") << 7 << int(cdvcpInsideEnd) << int(pdvcpInsideEnd) << int(ldvcpAbove);
    QTest::newRow("-1") << -1 << int(cdvcpInsideEnd) << int(pdvcpInsideEnd) << int(ldvcpAbove);
}

void TestCxDBGridKVO::chartValueLabelPosition()
{
    QFETCH(int, code);
    QFETCH(int, column);
    QFETCH(int, pie);
    QFETCH(int, line);
    TcxDBGridKVO g;
    Views v(g);
    g.setActiveLevel(v.chartLevel);
    g.cxEstiloGraficoLegenda->setTag(3);
    g.AjustaPropriedadesDefault(false);
    g.cxEstiloGraficoLegenda->setTag(code);
    g.AjustaPropriedadesDefault(false);
    GridChartView *c = v.chart;
    QCOMPARE(int(c->DiagramColumn.Values.CaptionPosition), column);
    QCOMPARE(int(c->DiagramBar.Values.CaptionPosition), column);
    QCOMPARE(int(c->DiagramPie.Values.CaptionPosition), pie);
    QCOMPARE(int(c->DiagramLine.Values.CaptionPosition), line);
    QCOMPARE(int(c->DiagramArea.Values.CaptionPosition), line);
    // The position reaches a chart view only through the view defaults.
    g.setActiveLevel(v.tableLevel);
    g.cxEstiloGraficoLegenda->setTag(1);
    g.AjustaPropriedadesDefault(false);
    QCOMPARE(int(c->DiagramColumn.Values.CaptionPosition), column);
}

void TestCxDBGridKVO::chartDefaults()
{
    TcxDBGridKVO g;
    Views v(g);
    QVERIFY(!g.detailTabs());
    g.SetarPadraoGraficoKVO(v.chart);
    QCOMPARE(v.chart->Legend.Position, cppNone);
    QCOMPARE(v.chart->ToolBox.Border, tbNone);
    QVERIFY(v.chart->ToolBox.CustomizeButton);
    QVERIFY(v.chart->ToolBox.DiagramSelector);
    QCOMPARE(g.RootLevelOptions.DetailTabsPosition, dtpTop);
    QVERIFY(g.detailTabs());
    QCOMPARE(g.detailTabs()->count(), 3); // the chart's level is reached by a tab
    QVERIFY(!v.chart->chartBuilt());     // nothing is drawn before the chart is shown

    // Without a chart view nothing changes (and nothing breaks).
    TcxDBGridKVO other;
    other.SetarPadraoGraficoKVO(nullptr);
    QCOMPARE(other.RootLevelOptions.DetailTabsPosition, dtpNone);
}

void TestCxDBGridKVO::owningFormOrFrame_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("form");
    QTest::newRow("form") << "form" << "frmPrincipal" << "frmPrincipal";
    QTest::newRow("panel on a form") << "panel" << "frmPrincipal" << "frmPrincipal";
    QTest::newRow("frame on a form") << "frame" << "fraLista" << "";
    QTest::newRow("form of a form") << "childForm" << "frmFilho" << "frmFilho";
    QTest::newRow("frame on a form of a form") << "frameOnChild" << "fraLista" << "";
    QTest::newRow("form of a form of a form") << "grandchild" << "frmNeto" << "";
    QTest::newRow("one level too deep") << "tooDeep" << "" << "";
    QTest::newRow("no parent") << "none" << "" << "";
}

// The search reaches the owner from the application: forms and frames up to three
// levels down for the name, forms up to two levels for the form.
void TestCxDBGridKVO::owningFormOrFrame()
{
    QFETCH(QString, where);
    QFETCH(QString, nome);
    QFETCH(QString, form);
    QWidget main;
    main.setObjectName(QStringLiteral("frmPrincipal"));
    QWidget child(&main, Qt::Window);
    child.setObjectName(QStringLiteral("frmFilho"));
    QWidget grandchild(&child, Qt::Window);
    grandchild.setObjectName(QStringLiteral("frmNeto"));
    QWidget tooDeep(&grandchild, Qt::Window);
    tooDeep.setObjectName(QStringLiteral("frmBisneto"));
    auto *panel = new QWidget(&main);
    auto *frame = new Frame(panel);
    frame->setObjectName(QStringLiteral("fraLista"));
    auto *frameOnChild = new Frame(&child);
    frameOnChild->setObjectName(QStringLiteral("fraLista"));

    QWidget *parent = nullptr;
    if (where == "form")
        parent = &main;
    else if (where == "panel")
        parent = panel;
    else if (where == "frame")
        parent = frame;
    else if (where == "childForm")
        parent = &child;
    else if (where == "frameOnChild")
        parent = frameOnChild;
    else if (where == "grandchild")
        parent = &grandchild;
    else if (where == "tooDeep")
        parent = &tooDeep;
    auto *g = new TcxDBGridKVO(parent);
    std::unique_ptr<TcxDBGridKVO> orphan(parent ? nullptr : g);
    QCOMPARE(g->NomeFormPai, nome);
    QCOMPARE(g->FormPai ? g->FormPai->objectName() : QString(), form);
}

void TestCxDBGridKVO::afterRestoreConfRaisesWithTheGrid()
{
    TcxDBGridKVO g;
    g.AfterRestoreConf(&g); // no handler: nothing
    QList<QObject *> senders;
    g.AfterRestore = [&](QObject *sender) { senders << sender; };
    QObject someoneElse;
    g.AfterRestoreConf(&someoneElse);
    g.AfterRestoreConf(nullptr);
    QCOMPARE(senders, QList<QObject *>({&g, &g}));
}

void TestCxDBGridKVO::colourChangeRepaintsViewsSharingTheStyle()
{
    TcxDBGridKVO g;
    Views v(g);
    g.AjustaPropriedadesDefault(false);
    g.setActiveLevel(v.bandedLevel);
    g.AjustaPropriedadesDefault(false);
    const int table = v.table->styleRepaints();
    const int banded = v.banded->styleRepaints();
    g.cxEstiloTitulo->setColor(VclColor::clMoneyGreen);
    QCOMPARE(v.table->styleRepaints(), table + 1);
    QCOMPARE(v.banded->styleRepaints(), banded + 1);
    QCOMPARE(v.table->viewModel()->headerData(0, Qt::Horizontal, Qt::BackgroundRole), QVariant());
    v.table->CreateColumn()->setFieldName(QStringLiteral("X"));
    QCOMPARE(v.table->viewModel()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(),
             QColor(0xC0, 0xDC, 0xC0));
    // Setting the same colour again repaints nothing.
    g.cxEstiloTitulo->setColor(VclColor::clMoneyGreen);
    QCOMPARE(v.table->styleRepaints(), table + 1);
}

void TestCxDBGridKVO::paintHookRunsTheFirstPaintStep()
{
    Probe g;
    Views v(g);
    g.resize(400, 300);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QTRY_VERIFY(g.paints >= 1);
    // Without a connection nothing is restored, but the active view is recorded once,
    // with its designed layout.
    QTRY_COMPARE(g.sPvListaAbasCriadas, QStringLiteral("<cxgrdbtblvwTabela>"));
    QVERIFY(g.sPvConfiguracoes.startsWith("<INICIO-cxgrdbtblvwTabela>"));
    QVERIFY(g.sPvConfiguracoes.endsWith("<FIM-cxgrdbtblvwTabela>"));
    QVERIFY(g.RestauraConfig);
}

void TestCxDBGridKVO::stylesOutliveNoGrid()
{
    // A view of another grid that uses this grid's styles keeps working when the grid goes.
    TcxDBGridKVO keeper;
    GridTableView *view = keeper.CreateTableView(QStringLiteral("v"));
    auto *owner = new TcxDBGridKVO;
    view->setContentStyle(owner->cxEstiloLinha);
    owner->cxEstiloLinha->setColor(VclColor::clRed);
    delete owner;
    QVERIFY(!view->styles().Content);
    view->CreateColumn()->setFieldName(QStringLiteral("X"));
    QVERIFY(!view->viewModel()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).isValid());
}

QTEST_MAIN(TestCxDBGridKVO)
#include "tst_cxdbgridkvo.moc"
