#include "cxDBGridKVO.h"

#include "ClientDataSet.h"
#include "ComponentOwner.h"
#include "GridBandedTableView.h"
#include "GridChartView.h"
#include "GridTableView.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "prxVestra.h"

#include <QCoreApplication>

namespace {
GridStyle *criaEstilo(QObject *owner, const char *name)
{
    auto *style = new GridStyle(owner);
    style->setObjectName(QString::fromLatin1(name));
    return style;
}

void aplicaEstilos(GridTableView *view, TcxDBGridKVO *grid)
{
    view->setContentStyle(grid->cxEstiloLinha);
    view->setFooterStyle(grid->cxEstiloTotalTitulo);
    view->setGroupStyle(grid->cxEstiloGrupo);
    view->setHeaderStyle(grid->cxEstiloTitulo);
}
} // namespace

TcxDBGridKVO::TcxDBGridKVO(QWidget *parent) : GridControl(parent)
{
    RestauraConfig = true;
    LookAndFeel.NativeStyle = false;

    fIdioma = 1;
    fContador = 0;
    fUsuario = 0;

    NomeFormPai = BuscaNomeFormPai();
    FormPai = BuscaFormPai();

    sdsAux = new SQLDataSet(this);
    sdsAux->setObjectName(QStringLiteral("sdsAux"));
    sdsAux->GetMetadata = false;
    fcdsDBGridKVO = new ClientDataSet(this);
    fcdsDBGridKVO->setObjectName(QStringLiteral("fcdsDBGridKVO"));

    sPvListaAbasCriadas.clear();
    sPvConfiguracoes.clear();
    fsPvNomeArquivoExcel.clear();
    fsPvNomeArquivoHTML.clear();

    fTecnologia = TecnologiaPadrao;
    fRemoteServer = RemoteServerPadrao;
    fConexaoSC = ConexaoSCPadrao;

    cxEstiloTitulo = criaEstilo(this, "cxEstiloTitulo");
    cxEstiloGrupo = criaEstilo(this, "cxEstiloGrupo");
    cxEstiloLinha = criaEstilo(this, "cxEstiloLinha");
    cxEstiloTotalTitulo = criaEstilo(this, "cxEstiloTotalTitulo");
    cxEstiloGraficoLegenda = criaEstilo(this, "cxEstiloGraficoLegenda");
    cxEstiloZebrado = criaEstilo(this, "cxEstiloZebrado");
    cxEstiloZebrado->setColor(0x00F2E4D7);
    cxEstiloNormal = criaEstilo(this, "cxEstiloNormal");
    cxEstiloNormal->setColor(0x00FFFFFF);

    SetarVariaveisPadrao();
}

TcxDBGridKVO::~TcxDBGridKVO()
{
    delete sdsAux;
    sdsAux = nullptr;
    delete fcdsDBGridKVO;
    fcdsDBGridKVO = nullptr;
}

// The owner's name when the owner is a form or frame that the application owns, or that
// a form or frame owned by the application owns, or one level further down.
QString TcxDBGridKVO::BuscaNomeFormPai() const
{
    using namespace ComponentOwner;
    QObject *owner = ownerOf(this);
    if (!owner || (!isForm(owner) && !isFrame(owner)))
        return QString();
    QObject *container = owner;
    for (int depth = 1; depth <= 3; ++depth) {
        QObject *up = ownerOf(container);
        if (up && up == QCoreApplication::instance())
            return owner->objectName();
        if (!up || (!isForm(up) && !isFrame(up)))
            return QString();
        container = up;
    }
    return QString();
}

// The owner when it is a form owned by the application or by a form the application owns.
QWidget *TcxDBGridKVO::BuscaFormPai() const
{
    using namespace ComponentOwner;
    QObject *owner = ownerOf(this);
    if (!owner || !isForm(owner))
        return nullptr;
    QObject *container = owner;
    for (int depth = 1; depth <= 2; ++depth) {
        QObject *up = ownerOf(container);
        if (up && up == QCoreApplication::instance())
            return static_cast<QWidget *>(owner);
        if (!up || !isForm(up))
            return nullptr;
        container = up;
    }
    return nullptr;
}

void TcxDBGridKVO::AjustaZebra(bool Value)
{
    fZebrar = Value;
    ::GridView *view = ActiveView();
    if (view && view->Kind() == GridViewKind::Table)
        static_cast<GridTableView *>(view->widget())->setContentOddStyle(Value ? cxEstiloZebrado : cxEstiloNormal);
}

void TcxDBGridKVO::SetarVariaveisPadrao()
{
    cxEstiloTitulo->setColor(VclColor::clDefault);
    cxEstiloGrupo->setColor(VclColor::clDefault);
    cxEstiloLinha->setColor(VclColor::clDefault);
    cxEstiloTotalTitulo->setColor(VclColor::clDefault);
    cxEstiloGraficoLegenda->setTag(0);
    AjustaPropriedadesDefault(false);
}

void TcxDBGridKVO::AjustaPropriedadesDefault(bool bLcReiniciaCores)
{
    ::GridView *view = ActiveView();
    if (view && view->Kind() == GridViewKind::Table) {
        if (bLcReiniciaCores)
            SetarVariaveisPadrao();
        aplicaEstilos(static_cast<GridTableView *>(view->widget()), this);
    }
    view = ActiveView();
    if (view && view->Kind() == GridViewKind::BandedTable) {
        if (bLcReiniciaCores)
            SetarVariaveisPadrao();
        aplicaEstilos(static_cast<GridBandedTableView *>(view->widget()), this);
    }
    view = ActiveView();
    if (view && view->Kind() == GridViewKind::Chart)
        AplicaPosicaoLegenda(static_cast<GridChartView *>(view->widget()), cxEstiloGraficoLegenda->Tag());
}

bool TcxDBGridKVO::AplicaPosicaoLegenda(GridChartView *grafico, int codigo)
{
    struct Linha
    {
        GridChartColumnValueCaptionPosition coluna;
        GridChartColumnValueCaptionPosition barra;
        GridChartPieValueCaptionPosition pizza;
        GridChartLineValueCaptionPosition linha;
        GridChartLineValueCaptionPosition area;
    };
    static const Linha tabela[] = {
        {cdvcpNone, cdvcpNone, pdvcpNone, ldvcpNone, ldvcpNone},                                // "Não mostrar"
        {cdvcpCenter, cdvcpCenter, pdvcpCenter, ldvcpCenter, ldvcpCenter},                      // "Centro"
        {cdvcpInsideBase, cdvcpInsideBase, pdvcpOutsideEnd, ldvcpBelow, ldvcpBelow},            // "Base"
        {cdvcpInsideEnd, cdvcpInsideEnd, pdvcpInsideEnd, ldvcpAbove, ldvcpAbove},               // "Topo"
        {cdvcpOutsideEnd, cdvcpOutsideEnd, pdvcpOutsideEndWithLeaderLines, ldvcpLeft, ldvcpLeft}, // "Fora da Área"
    };
    if (!grafico || codigo < 0 || codigo > 4)
        return false;
    const Linha &l = tabela[codigo];
    grafico->DiagramColumn.Values.CaptionPosition = l.coluna;
    grafico->DiagramBar.Values.CaptionPosition = l.barra;
    grafico->DiagramPie.Values.CaptionPosition = l.pizza;
    grafico->DiagramLine.Values.CaptionPosition = l.linha;
    grafico->DiagramArea.Values.CaptionPosition = l.area;
    grafico->optionsChanged();
    return true;
}

void TcxDBGridKVO::SetarPadraoGraficoKVO(GridChartView *grafico)
{
    if (!grafico)
        return;
    grafico->Legend.Position = cppNone;
    grafico->ToolBox.Border = tbNone;
    grafico->ToolBox.CustomizeButton = true;
    grafico->ToolBox.DiagramSelector = true;
    grafico->optionsChanged();
    RootLevelOptions.DetailTabsPosition = dtpTop;
    optionsChanged();
}

void TcxDBGridKVO::AfterRestoreConf(QObject *)
{
    if (AfterRestore)
        AfterRestore(this);
}

void TcxDBGridKVO::RestauraConfiguracaoPadrao()
{
}

void TcxDBGridKVO::Paint()
{
    GridControl::Paint();
    if (RestauraConfig)
        RestauraConfiguracaoPadrao();
}
