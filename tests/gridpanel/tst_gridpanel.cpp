// The command panel: children, layouts, glyphs, texts, association, chooser, guards and
// message strip, headless.
#include "GridTableView.h"
#include "RecordingUiServices.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "cxDBGridKVO.h"
#include "cxDBGridPanelKVO.h"
#include "prxVestra.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QGroupBox>
#include <QTabWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

TcxDBGridKVO *makeGrid(QWidget *parent, const QString &name, const QString &helpKeyword = QString())
{
    auto *grid = new TcxDBGridKVO(parent);
    grid->setObjectName(name);
    if (!helpKeyword.isNull())
        grid->setProperty("HelpKeyword", helpKeyword);
    GridLevel *level = grid->CreateLevel(name + QStringLiteral("Nivel"));
    GridTableView *view = grid->CreateTableView(name + QStringLiteral("View"));
    grid->setLevelView(level, view);
    return grid;
}

QList<TBitBtn *> buttons(TcxDBGridPanelKVO &p)
{
    return {p.fBtnDefault, p.fBtnExcel, p.fBtnHTML, p.fBtnImprimir, p.fBtnSalvarConf,
            p.fBtnRestaurarConf, p.fBtnAgrupa, p.fBtnDesagrupa, p.fBtnGrafico};
}

QStringList visibleNames(TcxDBGridPanelKVO &p)
{
    QStringList names;
    for (TBitBtn *b : buttons(p))
        if (!b->isHidden())
            names << b->objectName();
    return names;
}

QList<int> lefts(const QList<TBitBtn *> &list)
{
    QList<int> out;
    for (TBitBtn *b : list)
        out << b->x();
    return out;
}

// A pointer movement over `w`, as the window system delivers it.
void moveOver(QWidget *w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

const QString kGradePt = QStringLiteral("Grade não associada!");
const QString kGradeEs = QStringLiteral("¡Grada no asociada!");

} // namespace

class TestGridPanel : public QObject
{
    Q_OBJECT
private slots:
    void init() { TecnologiaPadrao.clear(); RemoteServerPadrao.clear(); ConexaoSCPadrao.clear(); }

    void construction()
    {
        ScopedUi ui;
        QWidget form;
        TcxDBGridPanelKVO p(&form);
        QCOMPARE(p.FormPai.data(), &form);
        QCOMPARE(p.size(), QSize(285, 33));
        // children in creation order: later ones lie above earlier ones
        QStringList order;
        for (QObject *c : p.children())
            if (c->isWidgetType())
                order << c->objectName();
        QCOMPARE(order, (QStringList{"fPanelMsg", "fImgGrid", "fBtnDefault", "fBtnExcel", "fBtnHTML",
                                     "fBtnImprimir", "fBtnSalvarConf", "fBtnRestaurarConf", "fBtnAgrupa",
                                     "fBtnDesagrupa", "fBtnGrafico"}));
        QCOMPARE(lefts(buttons(p)), (QList<int>{23, 54, 85, 116, 147, 178, 209, 240, 271}));
        for (TBitBtn *b : buttons(p)) {
            QCOMPARE(b->y(), 4);
            QCOMPARE(b->size(), QSize(29, 25));
            QVERIFY(b->isEnabled());
            QVERIFY(!b->isHidden());
            QVERIFY(b->text().isEmpty());
        }
        QCOMPARE(p.fImgGrid->geometry(), QRect(5, 10, 16, 15));
        QVERIFY(p.fPanelMsg->isHidden());
        QCOMPARE(p.fPanelMsg->geometry(), p.rect());
        p.resize(310, 33);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(p.fPanelMsg->geometry(), QRect(0, 0, 310, 33));
        // initial properties
        QCOMPARE(p.Idioma(), 1);
        QVERIFY(!p.PanelSimples());
        QVERIFY(p.VisibleBtnGrafico());
        QVERIFY(!p.ExpExcelRegistroUnico);
        QCOMPARE(p.TipoAgrupaExpande, teGrupo);
        QCOMPARE(p.TipoGrafico, gTodos);
        QCOMPARE(p.RelOrientacao, PSRetrato);
        QVERIFY(p.SetarGraficoPadrao && p.HabilitarBotoesAgrupamentoAutomatico && p.FormatoNativo);
        QVERIFY(!p.AjustarAPagina && !p.EncolherAPagina && !p.ImprimirUmGrupoPorPagina);
        QVERIFY(p.ImprimirBandHeaders && p.ImprimirGroupFooters && p.ImprimirCaption && p.ImprimirHeaders
                && p.ImprimirFooters && p.ImprimirFilterBar);
        QVERIFY(p.ArqExcelExporta.isEmpty() && p.TituloRelatorio.isEmpty() && p.LogoTipo.isEmpty());
        QVERIFY(!p.cxDBGridKVO() && !p.Grafico() && !p.ComponentePaiGrid() && !p.PopUpImprimir());
        QVERIFY(p.fsdsAux && p.fsdsAux->parent() == &p);
        QVERIFY(!p.bPvCancelar && !p.fbPvIdiomaAjustado && !p.fbPvConfiguracaoInicial);
        QVERIFY(p.sLcNomeViewAtual.isEmpty());
        // popup menus are made on first need, not at creation
        QVERIFY(!p.fPopUpGrid && !p.fPopUpAbrirConf && !p.fPopUpSalvarConf && !p.fPopExportaExcel);
        QVERIFY(ui->messages.isEmpty());
    }

    void glyphs()
    {
        QWidget form;
        TcxDBGridPanelKVO p(&form);
        const QStringList expected{"DEFAULT", "EXCEL", "HTML", "IMPRESSORA", "SALVAR", "RESTAURAR",
                                   "AGRUPAR", "EXPANDIR", "GRAFICO"};
        const QList<TBitBtn *> list = buttons(p);
        for (int i = 0; i < list.size(); ++i) {
            QCOMPARE(list[i]->glyphName(), expected[i]);
            QCOMPARE(list[i]->glyph().size(), QSize(32, 16));
            QCOMPARE(list[i]->iconSize(), QSize(16, 16));
            // a normal and a disabled image side by side, and they differ
            const QImage g = list[i]->glyph();
            QVERIFY(g.copy(0, 0, 16, 16) != g.copy(16, 0, 16, 16));
            QVERIFY(!list[i]->icon().isNull());
        }
        QCOMPARE(p.fImgGrid->pictureName(), QString("GRIDS"));
        QCOMPARE(p.fImgGrid->pixmap().size(), QSize(15, 12));

        // a print popup switches the print glyph, clearing it switches back
        QMenu menu;
        p.setPopUpImprimir(&menu);
        QCOMPARE(p.PopUpImprimir(), &menu);
        QCOMPARE(p.fBtnImprimir->glyphName(), QString("IMPPOPUP"));
        QCOMPARE(p.fBtnImprimir->glyph().size(), QSize(44, 16));
        QCOMPARE(p.fBtnImprimir->iconSize(), QSize(22, 16));
        QCOMPARE(p.fBtnImprimir->y(), 4);
        // a right click on the print button opens its popup menu
        QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(3, 3), p.fBtnImprimir->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(p.fBtnImprimir, &context);
        QVERIFY(menu.isVisible());
        menu.hide();
        p.setPopUpImprimir(nullptr);
        QCOMPARE(p.fBtnImprimir->glyphName(), QString("IMPRESSORA"));
        QCOMPARE(p.fBtnImprimir->iconSize(), QSize(16, 16));

        // hiding the chart button moves it to minus its height
        p.setVisibleBtnGrafico(false);
        QVERIFY(!p.VisibleBtnGrafico());
        QVERIFY(p.fBtnGrafico->isHidden());
        QCOMPARE(p.fBtnGrafico->y(), -25);
        QCOMPARE(p.fBtnGrafico->x(), 271);
        p.setVisibleBtnGrafico(true);
        QCOMPARE(p.fBtnGrafico->y(), 4);
        QVERIFY(p.VisibleBtnGrafico());
    }

    void layouts_data()
    {
        QTest::addColumn<bool>("comGrade");
        QTest::addColumn<bool>("graficoVisivel");
        QTest::addColumn<bool>("simples");
        QTest::addColumn<QStringList>("visiveis");
        QTest::addColumn<QList<int>>("esquerdas"); // of the visible buttons, in panel order
        const QStringList all{"fBtnDefault", "fBtnExcel", "fBtnHTML", "fBtnImprimir", "fBtnSalvarConf",
                              "fBtnRestaurarConf", "fBtnAgrupa", "fBtnDesagrupa", "fBtnGrafico"};
        const QStringList compact{"fBtnDefault", "fBtnSalvarConf", "fBtnRestaurarConf", "fBtnGrafico"};
        // no grid: the chooser image keeps its place, the buttons start after it
        QTest::newRow("full, image") << false << true << false << all
                                     << QList<int>{23, 54, 85, 116, 147, 178, 209, 240, 271};
        QTest::newRow("compact, image") << false << true << true << compact << QList<int>{23, 54, 85, 116};
        // a grid without chooser container: the image is hidden, the buttons start at 5
        QTest::newRow("full, grid") << true << true << false << all
                                    << QList<int>{5, 36, 67, 98, 129, 160, 191, 222, 253};
        QTest::newRow("compact, grid") << true << true << true << compact << QList<int>{5, 36, 67, 98};
        QStringList allNoChart = all;
        allNoChart.removeLast();
        QTest::newRow("full, grid, no chart") << true << false << false << allNoChart
                                              << QList<int>{5, 36, 67, 98, 129, 160, 191, 222};
        QTest::newRow("compact, grid, no chart")
            << true << false << true << QStringList{"fBtnDefault", "fBtnSalvarConf", "fBtnRestaurarConf"}
            << QList<int>{5, 36, 67};
    }

    void layouts()
    {
        QFETCH(bool, comGrade);
        QFETCH(bool, graficoVisivel);
        QFETCH(bool, simples);
        QFETCH(QStringList, visiveis);
        QFETCH(QList<int>, esquerdas);
        ScopedUi ui;
        QWidget form;
        TcxDBGridKVO *grid = makeGrid(&form, "grade");
        TcxDBGridPanelKVO p(&form);
        if (comGrade)
            p.setcxDBGridKVO(grid);
        p.setVisibleBtnGrafico(graficoVisivel);
        p.setPanelSimples(simples);
        QCOMPARE(p.PanelSimples(), simples);
        QCOMPARE(visibleNames(p), visiveis);
        QList<TBitBtn *> shown;
        for (TBitBtn *b : buttons(p))
            if (!b->isHidden())
                shown << b;
        QCOMPARE(lefts(shown), esquerdas);
        for (TBitBtn *b : buttons(p)) {
            if (b == p.fBtnGrafico && !graficoVisivel)
                QCOMPARE(b->y(), -25);
            else
                QCOMPARE(b->y(), b->isHidden() ? -50 : 4);
        }
        // and back: the full order again, all visible at the top of the first button
        p.setPanelSimples(false);
        p.setVisibleBtnGrafico(true);
        const int first = comGrade ? 5 : 23;
        QList<int> full;
        for (int i = 0; i < 9; ++i)
            full << first + 31 * i;
        QCOMPARE(lefts(buttons(p)), full);
        QCOMPARE(visibleNames(p).size(), 9);
        for (TBitBtn *b : buttons(p))
            QCOMPARE(b->y(), 4);
        QVERIFY(ui->messages.isEmpty());
    }

    void chooser()
    {
        ScopedUi ui;
        QWidget form;
        auto *area = new QFrame(&form);
        area->setObjectName("area");
        TcxDBGridKVO *um = makeGrid(area, "grdUm", QStringLiteral("   "));
        auto *box = new QGroupBox(area);
        auto *outside = new QFrame(&form);
        TcxDBGridKVO *fora = makeGrid(outside, "grdFora");
        Q_UNUSED(fora);
        TcxDBGridPanelKVO p(&form);
        p.setcxDBGridKVO(um);
        // one grid in the container: no chooser
        p.setComponentePaiGrid(area);
        QVERIFY(p.fPopUpGrid);
        QCOMPARE(p.fPopUpGrid->actions().size(), 1);
        QVERIFY(p.fImgGrid->isHidden());
        QCOMPARE(p.fImgGrid->y(), -50);
        QCOMPARE(p.fBtnDefault->x(), 5);
        // a second grid, inside a group box of the container: the chooser shows
        TcxDBGridKVO *dois = makeGrid(box, "grdDois", QStringLiteral("Segunda grade"));
        p.setComponentePaiGrid(area);
        const QList<QAction *> items = p.fPopUpGrid->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QString("grdUm"));         // blank HelpKeyword: the name
        QCOMPARE(items[1]->text(), QString("Segunda grade")); // else the HelpKeyword
        QCOMPARE(items[0]->toolTip(), QString("grdUm"));
        QCOMPARE(items[1]->toolTip(), QString("grdDois"));
        QVERIFY(items[0]->isChecked());
        QVERIFY(!items[1]->isChecked());
        QVERIFY(!p.fImgGrid->isHidden());
        QCOMPARE(p.fImgGrid->y(), 10);
        QCOMPARE(p.fImgGrid->popupMenu(), p.fPopUpGrid.data());
        QCOMPARE(p.fBtnDefault->x(), 23);
        QCOMPARE(p.fBtnGrafico->x(), 271);
        // choosing the second grid associates it and moves the check mark
        items[1]->trigger();
        QCOMPARE(p.cxDBGridKVO(), dois);
        const QList<QAction *> after = p.fPopUpGrid->actions();
        QCOMPARE(after.size(), 2);
        QVERIFY(!after[0]->isChecked());
        QVERIFY(after[1]->isChecked());
        QCOMPARE(p.toolTip(), QString("Segunda grade"));
        QCOMPARE(p.fImgGrid->toolTip(), QString("Segunda grade"));
        // an item whose grid no longer exists leaves the association alone
        QAction stale(QStringLiteral("x"));
        stale.setToolTip(QStringLiteral("semGrade"));
        p.SelecionaGrid(&stale);
        QCOMPARE(p.cxDBGridKVO(), dois);
        // a component of that name that is not a grid is not associated
        stale.setToolTip(QStringLiteral("area"));
        p.SelecionaGrid(&stale);
        QCOMPARE(p.cxDBGridKVO(), dois);
        // a click on the image rebuilds the chooser and opens it
        QTest::mouseClick(p.fImgGrid, Qt::LeftButton);
        QCOMPARE(p.fPopUpGrid->actions().size(), 2);
        QVERIFY(p.fPopUpGrid->isVisible());
        p.fPopUpGrid->hide();
        QVERIFY(ui->messages.isEmpty());
    }

    void chooserAssociatesFirstGrid()
    {
        ScopedUi ui;
        QWidget form;
        auto *area = new QFrame(&form);
        auto *tabs = new QTabWidget(area);
        auto *page = new QWidget;
        tabs->addTab(page, "p");
        TcxDBGridKVO *primeira = makeGrid(page, "grdPagina");
        makeGrid(area, "grdSegunda");
        TcxDBGridPanelKVO p(&form);
        p.setComponentePaiGrid(area);
        QCOMPARE(p.cxDBGridKVO(), primeira);
        QCOMPARE(p.fPopUpGrid->actions().size(), 2);
        QVERIFY(p.fPopUpGrid->actions()[0]->isChecked());
        QVERIFY(!p.fImgGrid->isHidden());
        QVERIFY(ui->messages.isEmpty());

        // an empty container changes nothing
        QWidget other;
        TcxDBGridPanelKVO q(&other);
        auto *empty = new QFrame(&other);
        q.setComponentePaiGrid(empty);
        QVERIFY(!q.cxDBGridKVO());
    }

    void hints_data()
    {
        QTest::addColumn<int>("idiomaPainel");
        QTest::addColumn<int>("idiomaGrade");
        QTest::addColumn<bool>("linhaUnica");
        QTest::addColumn<QStringList>("textos"); // fPanelMsg, then the nine buttons
        const QStringList pt{"Clique aqui para cancelar!", "Manutenção de Configurações",
                             "Exportar para planilha XLS", "Exportar para planilha HTML", "Imprimir grade",
                             "Gravar configuração padrão da grade", "Restaurar configuração padrão da grade",
                             "Agrupar Tudo", "Expandir Tudo", "Exibir Gráfico"};
        const QStringList es{"¡Clic aquí para cancelar!", "Mantenimiento de Configuraciones",
                             "Exportar para archivo XLS", "Exportar para archivo HTML", "Imprimir grada",
                             "Grabar configuración standard de la grada",
                             "Restaurar configuración standard de la grada", "Agrupar Todo", "Expandir Todo",
                             "Exhibir Gráfico"};
        QStringList ptLinha = pt;
        ptLinha[2] = "Na expotação em linha única não será exportado para o excel os seguintes itens: "
                     "\n\r - Formatação \n\r - Cores \n\r - Icones \n\r - Totalizadores";
        QTest::newRow("pt") << 1 << 1 << false << pt;
        QTest::newRow("es") << 1 << 2 << false << es;
        QTest::newRow("panel es, grid pt") << 2 << 1 << false << pt;
        QTest::newRow("other value: pt") << 1 << 0 << false << pt;
        QTest::newRow("pt, single line") << 1 << 1 << true << ptLinha;
        QTest::newRow("es, single line") << 1 << 2 << true << es;
    }

    void hints()
    {
        QFETCH(int, idiomaPainel);
        QFETCH(int, idiomaGrade);
        QFETCH(bool, linhaUnica);
        QFETCH(QStringList, textos);
        ScopedUi ui;
        QWidget form;
        TcxDBGridKVO *grid = makeGrid(&form, "grdLista");
        grid->setIdioma(idiomaGrade);
        TcxDBGridPanelKVO p(&form);
        p.setIdioma(idiomaPainel);
        p.ExpExcelRegistroUnico = linhaUnica;
        p.setcxDBGridKVO(grid);
        QCOMPARE(p.Idioma(), idiomaGrade);
        QVERIFY(p.fbPvIdiomaAjustado);
        QStringList got{p.fPanelMsg->toolTip()};
        for (TBitBtn *b : buttons(p))
            got << b->toolTip();
        QCOMPARE(got, textos);
        // no HelpKeyword: the panel's hint is empty, the image's is the grid's name
        QCOMPARE(p.toolTip(), QString());
        QCOMPARE(p.fImgGrid->toolTip(), QString("grdLista"));
        // the spreadsheet popup, with the same Portuguese captions in both languages
        if (linhaUnica) {
            QVERIFY(p.fPopExportaExcel);
            QCOMPARE(p.fBtnExcel->popupMenu(), p.fPopExportaExcel.data());
            QCOMPARE(p.fPopExportaExcel->parent(), &form);
            QStringList captions;
            for (QAction *a : p.fPopExportaExcel->actions())
                captions << a->text();
            QCOMPARE(captions, (QStringList{"Exportação padrão", "Exportação em linha única"}));
            QCOMPARE(p.fPopExportaExcelItem.data(), p.fPopExportaExcel->actions().last());
            // a click opens it
            QTest::mouseClick(p.fBtnExcel, Qt::LeftButton);
            QVERIFY(p.fPopExportaExcel->isVisible());
            p.fPopExportaExcel->hide();
            // a new association without the option makes a plain button again
            p.ExpExcelRegistroUnico = false;
            p.setcxDBGridKVO(grid);
            QVERIFY(!p.fBtnExcel->popupMenu());
            QCOMPARE(p.fBtnExcel->glyphName(), QString("EXCEL"));
        } else {
            QVERIFY(!p.fPopExportaExcel);
            QVERIFY(!p.fBtnExcel->popupMenu());
            QTest::mouseClick(p.fBtnExcel, Qt::LeftButton); // does nothing yet
        }
        QVERIFY(ui->messages.isEmpty());
    }

    void hintsFollowHelpKeyword()
    {
        ScopedUi ui;
        QWidget form;
        TcxDBGridKVO *grid = makeGrid(&form, "grdLista", QStringLiteral("Lista de sessões"));
        TcxDBGridPanelKVO p(&form);
        p.setcxDBGridKVO(grid);
        QCOMPARE(p.toolTip(), QString("Lista de sessões"));
        QCOMPARE(p.fImgGrid->toolTip(), QString("Lista de sessões"));
        // texts are applied once per association; the language follows the grid at refresh
        grid->setIdioma(2);
        p.AjustaIdioma();
        QCOMPARE(p.Idioma(), 2);
        QCOMPARE(p.fBtnAgrupa->toolTip(), QString("Agrupar Tudo"));
        p.setcxDBGridKVO(grid);
        QCOMPARE(p.fBtnAgrupa->toolTip(), QString("Agrupar Todo"));
    }

    void guardsWithoutGrid_data()
    {
        QTest::addColumn<int>("idioma");
        QTest::addColumn<QString>("grade");
        QTest::addColumn<QString>("grafico");
        QTest::newRow("pt") << 1 << kGradePt << QString("Gráfico não associado!");
        QTest::newRow("es") << 2 << kGradeEs << QString("¡Gráfico no asociado!");
        QTest::newRow("other") << 7 << kGradePt << QString("Gráfico não associado!");
    }

    void guardsWithoutGrid()
    {
        QFETCH(int, idioma);
        QFETCH(QString, grade);
        QFETCH(QString, grafico);
        ScopedUi ui;
        QWidget form;
        TcxDBGridPanelKVO p(&form);
        p.setIdioma(idioma);
        QVERIFY(!p.GridAssociada());
        QVERIFY(!p.GraficoAssociado());
        QCOMPARE(ui->messageTexts(), (QStringList{grade, grafico}));
        for (const auto &m : ui->messages) {
            QCOMPARE(m.kind, UiServices::Kind::Error);
            QCOMPARE(m.buttons, UiServices::Buttons::Ok);
        }
        // a pointer movement over any button or the image: once per refresh step that asks
        const QList<QWidget *> targets{p.fImgGrid, p.fBtnDefault, p.fBtnGrafico};
        for (QWidget *w : targets) {
            ui->clear();
            moveOver(w);
            QCOMPARE(ui->messageTexts(), (QStringList{grade, grade, grade}));
        }
        // the message strip has no movement handler
        ui->clear();
        moveOver(p.fPanelMsg);
        QVERIFY(ui->messages.isEmpty());
        // writing none: from the grouping-button adjustment and from the texts
        ui->clear();
        p.setcxDBGridKVO(nullptr);
        QCOMPARE(ui->messageTexts(), (QStringList{grade, grade}));
        ui->clear();
        p.HabilitarBotoesAgrupamentoAutomatico = false;
        p.setcxDBGridKVO(nullptr);
        QCOMPARE(ui->messageTexts(), (QStringList{grade}));
        // the panel is unchanged after the messages
        QCOMPARE(lefts(buttons(p)), (QList<int>{23, 54, 85, 116, 147, 178, 209, 240, 271}));
        QVERIFY(ui->errors.isEmpty());
    }

    void pointerRefreshWithGrid()
    {
        ScopedUi ui;
        QWidget form;
        TcxDBGridKVO *grid = makeGrid(&form, "grdLista");
        auto *view = static_cast<GridTableView *>(grid->ActiveView()->widget());
        view->OptionsView.GroupByBox = false;
        TcxDBGridPanelKVO p(&form);
        p.setcxDBGridKVO(grid);
        // a table view without group-by box and without grouping: both grouping buttons off
        QVERIFY(!p.EnableAgrupa());
        QVERIFY(!p.EnableDesagrupa());
        view->OptionsView.GroupByBox = true;
        moveOver(p.fBtnHTML);
        QVERIFY(ui->messages.isEmpty());
        QCOMPARE(p.sLcNomeViewAtual, QString("grdListaView"));
        QVERIFY(p.fbPvConfiguracaoInicial);
        QVERIFY(p.EnableAgrupa());
        QVERIFY(p.EnableDesagrupa());
        // later movements do not adjust again
        view->OptionsView.GroupByBox = false;
        moveOver(p.fBtnHTML);
        QVERIFY(p.EnableAgrupa());
        // with the automatic adjustment off, nothing changes
        p.HabilitarBotoesAgrupamentoAutomatico = false;
        p.AjustaOpcoesAgrupamento();
        QVERIFY(p.EnableAgrupa());
        p.HabilitarBotoesAgrupamentoAutomatico = true;
        p.AjustaOpcoesAgrupamento();
        QVERIFY(!p.EnableAgrupa());
        // a chart view: both enabled
        GridLevel *chartLevel = grid->CreateLevel("nivelGrafico");
        grid->setLevelView(chartLevel, grid->CreateChartView("grafico"));
        grid->setActiveLevel(chartLevel);
        p.AjustaOpcoesAgrupamento();
        QVERIFY(p.EnableAgrupa() && p.EnableDesagrupa());
        // Enable properties read and write the buttons
        p.setEnableHTML(false);
        QVERIFY(!p.fBtnHTML->isEnabled() && !p.EnableHTML());
        p.setEnableGrafico(false);
        QVERIFY(!p.EnableGrafico());
    }

    void conexaoDisponivel_data()
    {
        QTest::addColumn<QString>("tecnologia");
        QTest::addColumn<bool>("grade");
        QTest::addColumn<bool>("conexao");
        QTest::addColumn<bool>("remoto");
        QTest::addColumn<bool>("esperado");
        QTest::newRow("direct, no grid") << "" << false << false << false << false;
        QTest::newRow("direct, grid without connection") << "" << true << false << true << false;
        QTest::newRow("direct, grid with connection") << "" << true << true << false << true;
        QTest::newRow("other case is direct") << "datasnap" << true << true << false << true;
        QTest::newRow("other case, remote only") << "datasnap" << true << false << true << false;
        QTest::newRow("remote without server") << "DATASNAP" << true << true << false << false;
        QTest::newRow("remote with server, no grid") << "DATASNAP" << false << false << true << true;
    }

    void conexaoDisponivel()
    {
        QFETCH(QString, tecnologia);
        QFETCH(bool, grade);
        QFETCH(bool, conexao);
        QFETCH(bool, remoto);
        QFETCH(bool, esperado);
        ScopedUi ui;
        QWidget form;
        SQLConnection connection;
        QObject server;
        TcxDBGridKVO *grid = makeGrid(&form, "grd");
        if (conexao)
            grid->setSQLConnection(&connection);
        TcxDBGridPanelKVO p(&form);
        if (grade)
            p.setcxDBGridKVO(grid);
        p.setTecnologia(tecnologia);
        if (remoto)
            p.setRemoteServer(&server);
        ui->clear();
        QCOMPARE(p.ConexaoDisponivel(), esperado);
        QVERIFY(ui->messages.isEmpty()); // silent
    }

    void defaultsAreCopiedAtCreation()
    {
        QObject server;
        TecnologiaPadrao = QStringLiteral("DATASNAP");
        RemoteServerPadrao = &server;
        QWidget form;
        TcxDBGridPanelKVO p(&form);
        QCOMPARE(p.Tecnologia(), QString("DATASNAP"));
        QCOMPARE(p.RemoteServer(), &server);
        QVERIFY(!p.ConexaoServerClient());
        TecnologiaPadrao.clear();
        RemoteServerPadrao.clear();
    }

    void messageStrip()
    {
        ScopedUi ui;
        QWidget form;
        form.resize(400, 100);
        TcxDBGridPanelKVO p(&form);
        p.setGeometry(11, 6, 310, 33);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        p.MostraMensagem(QStringLiteral("Expandindo 10 de 100..."));
        QVERIFY(p.fPanelMsg->isVisible());
        QCOMPARE(p.fPanelMsg->text(), QString("Expandindo 10 de 100..."));
        QCOMPARE(p.fPanelMsg->geometry(), p.rect());
        // on top of every button
        QCOMPARE(p.childAt(p.fBtnExcel->geometry().center()), p.fPanelMsg);
        QVERIFY(!p.bPvCancelar);
        QTest::mouseClick(p.fPanelMsg, Qt::LeftButton);
        QVERIFY(p.bPvCancelar);
        p.EscondeMensagem();
        QVERIFY(p.fPanelMsg->isHidden());
        QVERIFY(p.fPanelMsg->text().isEmpty());
        QCOMPARE(p.childAt(p.fBtnExcel->geometry().center()), p.fBtnExcel);
        QVERIFY(ui->messages.isEmpty());
    }
};

QTEST_MAIN(TestGridPanel)
#include "tst_gridpanel.moc"
