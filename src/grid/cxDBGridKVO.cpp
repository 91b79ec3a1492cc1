#include "cxDBGridKVO.h"

#include "ClientDataSet.h"
#include "ComponentOwner.h"
#include "GridBandedTableView.h"
#include "GridChartView.h"
#include "GridTableView.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "prxVestra.h"
#include "BlocoConfiguracao.h"
#include "Error.h"
#include "GridLayoutBlock.h"
#include "RemoteClientDataSet.h"
#include "RemoteServerConnection.h"
#include "VclColor.h"

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
QString upperAscii(QString text)
{
    for (QChar &ch : text)
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
            ch = QChar(ch.unicode() - 'a' + 'A');
    return text;
}

QString quoted(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

const GridStorageOptions kOpcoes = gsoUseFilter | gsoUseSummary;

enum class Operacao { Restaura, Grava, PrimeiraPintura, Limpa };

QString prefixo(Operacao op, int idioma)
{
    const bool es = idioma == 2;
    switch (op) {
    case Operacao::Restaura:
        return es ? QStringLiteral("¡Error al restaurar las configuraciones de la grada!")
                  : QStringLiteral("Erro ao restaurar as configurações da grade!");
    case Operacao::Grava:
        return es ? QStringLiteral("¡Error al grabar las configuraciones de la grada!")
                  : QStringLiteral("Erro ao gravar as configurações da grade!");
    case Operacao::PrimeiraPintura:
        return es ? QStringLiteral("¡Error al restaurar la configuración patrón de la grada!")
                  : QStringLiteral("Erro ao restaurar a configuração padrão da grade!");
    case Operacao::Limpa:
        return es ? QStringLiteral("¡Error al limpiar las configuraciones de la grada!")
                  : QStringLiteral("Erro ao limpar as configurações da grade!");
    }
    return QString();
}

// Runs `body`; any error comes out as the operation's message, a line feed and its text.
template <typename F>
auto comMensagem(Operacao op, int idioma, F body) -> decltype(body())
{
    try {
        return body();
    } catch (const KvoError &e) {
        throw KvoError(prefixo(op, idioma) + QLatin1Char('\n') + e.message());
    } catch (const std::exception &e) {
        throw KvoError(prefixo(op, idioma) + QLatin1Char('\n') + QString::fromLocal8Bit(e.what()));
    }
}

GridTableView *tabelaDe(::GridView *view)
{
    if (view && (view->Kind() == GridViewKind::Table || view->Kind() == GridViewKind::BandedTable))
        return static_cast<GridTableView *>(view->widget());
    return nullptr;
}

// The layout block of any view: table views write their columns; other views an empty block.
QByteArray blocoDaVista(::GridView *view)
{
    if (GridTableView *t = tabelaDe(view))
        return t->StoreToBytes(kOpcoes);
    GridLayoutBlock::Writer w;
    w.putInt(0);
    w.putInt(0);
    w.putInt(0);
    return w.finish();
}

void restauraBloco(::GridView *view, const QByteArray &documento)
{
    if (GridTableView *t = tabelaDe(view)) {
        qsizetype consumed = 0;
        GridLayoutBlock::payloadOf(documento, &consumed);
        t->RestoreFromBytes(documento.left(consumed), true, false, kOpcoes);
    } else {
        GridLayoutBlock::payloadOf(documento); // checks the block
    }
}

::GridView *vistaAtivaOuErro(const GridControl *grid)
{
    ::GridView *view = grid->ActiveView();
    if (!view)
        throw KvoError(QStringLiteral("A grade não tem vista ativa."));
    return view;
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
    return ComponentOwner::applicationForm(this);
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


void TcxDBGridKVO::Paint()
{
    GridControl::Paint();
    if (RestauraConfig)
        RestauraConfiguracaoPadrao();
}

// ---------------------------------------------------------------- configuration block

QString TcxDBGridKVO::StringConfigAuxiliar() const
{
    const QString crlf = QStringLiteral("\r\n");
    auto linha = [&](const char *tag, const QString &conteudo) {
        const QString t = QLatin1String(tag);
        return QLatin1Char('<') + t + QLatin1Char('>') + conteudo + QStringLiteral("</") + t + QLatin1Char('>') + crlf;
    };
    return QStringLiteral("<CONFIGURACAO>") + crlf
        + linha("COR-BKG-TITULO", VclColor::colorToString(cxEstiloTitulo->Color()))
        + linha("COR-BKG-GRUPO", VclColor::colorToString(cxEstiloGrupo->Color()))
        + linha("COR-BKG-LINHA", VclColor::colorToString(cxEstiloLinha->Color()))
        + linha("COR-BKG-TOTTITULO", VclColor::colorToString(cxEstiloTotalTitulo->Color()))
        + linha("LEG-BKG-VALOR", QString::number(cxEstiloGraficoLegenda->Tag()))
        + QStringLiteral("</CONFIGURACAO>") + crlf;
}

QString TcxDBGridKVO::ObtemTagConfiguracao(const QByteArray &StrStream, const QString &sLcTagIni)
{
    return BlocoConfiguracao::obtemTag(StrStream, sLcTagIni);
}

const QByteArray &TcxDBGridKVO::AplicaConfigAuxiliar(const QByteArray &Stream)
{
    using BlocoConfiguracao::Elemento;
    const bool achou = BlocoConfiguracao::le(Stream, [this](Elemento e, qint64 valor) {
        switch (e) {
        case Elemento::CorTitulo: cxEstiloTitulo->setColor(quint32(valor)); break;
        case Elemento::CorTotalTitulo: cxEstiloTotalTitulo->setColor(quint32(valor)); break;
        case Elemento::CorGrupo: cxEstiloGrupo->setColor(quint32(valor)); break;
        case Elemento::CorLinha: cxEstiloLinha->setColor(quint32(valor)); break;
        case Elemento::PosicaoLegenda: cxEstiloGraficoLegenda->setTag(int(valor)); break;
        }
    });
    if (achou)
        AjustaPropriedadesDefault(false);
    return Stream;
}

QByteArray TcxDBGridKVO::DocumentoLayout() const
{
    QByteArray doc = blocoDaVista(vistaAtivaOuErro(this));
    doc += StringConfigAuxiliar().toLatin1();
    return doc;
}

void TcxDBGridKVO::RestauraDocumento(const QByteArray &documento)
{
    ::GridView *view = vistaAtivaOuErro(this);
    SetarVariaveisPadrao();
    AplicaConfigAuxiliar(documento);
    // The block is checked before any column changes: a bad document leaves the columns.
    restauraBloco(view, documento);
}

// ---------------------------------------------------------------- statements

QString TcxDBGridKVO::SqlRestauraDireto() const
{
    const QString view = ActiveView() ? upperAscii(ActiveView()->Name()) : QString();
    return QStringLiteral("select CONFIGURACAO from GER_GRID_USUARIO where USUARIO   = ") + QString::number(fUsuario)
        + QStringLiteral(" and NOME_UNIT = ") + quoted(upperAscii(NomeFormPai)) + QStringLiteral(" and NOME_GRID = ")
        + quoted(view) + QStringLiteral(" and CONTADOR  = ") + QString::number(fContador);
}

QString TcxDBGridKVO::SqlRestauraRemoto() const
{
    // The names are quoted as in every other statement (inner quotes doubled).
    return SqlRestauraDireto();
}

QString TcxDBGridKVO::SqlExclui() const
{
    const QString view = ActiveView() ? upperAscii(ActiveView()->Name()) : QString();
    return QStringLiteral("delete from GER_GRID_USUARIO where USUARIO   = ") + QString::number(fUsuario)
        + QStringLiteral(" and NOME_UNIT = ") + quoted(upperAscii(NomeFormPai)) + QStringLiteral(" and NOME_GRID = ")
        + quoted(view) + QStringLiteral(" and CONTADOR  = ") + QString::number(fContador);
}

QString TcxDBGridKVO::SqlAtualiza() const
{
    const QString view = ActiveView() ? upperAscii(ActiveView()->Name()) : QString();
    return QStringLiteral("update GER_GRID_USUARIO set CONFIGURACAO = :CONFIGURACAO  where USUARIO   = ")
        + QString::number(fUsuario) + QStringLiteral(" and NOME_UNIT = ") + quoted(upperAscii(NomeFormPai))
        + QStringLiteral(" and NOME_GRID = ") + quoted(view) + QStringLiteral(" and CONTADOR  = ")
        + QString::number(fContador);
}

QString TcxDBGridKVO::SqlInsere()
{
    return QStringLiteral("insert into GER_GRID_USUARIO (USUARIO, NOME_UNIT, NOME_GRID, CONFIGURACAO, CONTADOR, "
                          "DES_CONFIGURACAO) values (:USUARIO, :NOMEUNIT, :NOMEGRID, :CONFIGURACAO, :CONTADOR, :DESCONF)");
}

// ---------------------------------------------------------------- store

bool TcxDBGridKVO::RestauraPadraoGrid()
{
    fTecnologia = TecnologiaPadrao;
    fRemoteServer = RemoteServerPadrao;
    fConexaoSC = ConexaoSCPadrao;
    if (NomeFormPai.isEmpty())
        NomeFormPai = BuscaNomeFormPai();

    const bool resultado = comMensagem(Operacao::Restaura, fIdioma, [this]() -> bool {
        if (fTecnologia == QLatin1String("DATASNAP")) {
            auto *server = qobject_cast<RemoteServerConnection *>(fRemoteServer.data());
            if (!server || !server->Connected())
                return false;
            vistaAtivaOuErro(this);
            RemoteClientDataSet cds(this);
            cds.setRemoteServer(server);
            cds.ProviderName = QStringLiteral("dspDBGridKVO");
            cds.CommandText = SqlRestauraRemoto();
            cds.Open();
            if (!cds.isEmpty()) {
                cds.First();
                const QByteArray doc = cds.fieldByName(QStringLiteral("CONFIGURACAO")).toByteArray();
                cds.Close();
                RestauraDocumento(doc);
            }
            cds.Close();
            return true;
        }
        if (!fSQLConnection || !fSQLConnection->Connected()) {
            sdsAux->Close();
            return false;
        }
        vistaAtivaOuErro(this);
        sdsAux->setSQLConnection(fSQLConnection);
        sdsAux->Close();
        sdsAux->CommandText = SqlRestauraDireto();
        struct Fecha
        {
            SQLDataSet *ds;
            ~Fecha() { ds->Close(); }
        } fecha{sdsAux};
        sdsAux->Open();
        if (!sdsAux->isEmpty()) {
            sdsAux->First();
            const QByteArray doc = sdsAux->fieldByName(QStringLiteral("CONFIGURACAO")).toByteArray();
            sdsAux->Close();
            RestauraDocumento(doc);
        }
        return true;
    });
    AfterRestoreConf(this);
    return resultado;
}

bool TcxDBGridKVO::GravaPadraoGrid(bool bLcSomenteUpdate)
{
    fTecnologia = TecnologiaPadrao;
    fRemoteServer = RemoteServerPadrao;
    fConexaoSC = ConexaoSCPadrao;
    if (NomeFormPai.isEmpty())
        NomeFormPai = BuscaNomeFormPai();

    return comMensagem(Operacao::Grava, fIdioma, [this, bLcSomenteUpdate]() -> bool {
        const QString nomeVista = upperAscii(vistaAtivaOuErro(this)->Name());
        QString descricao = nomeVista;
        if (fContador == 0)
            descricao = fIdioma == 2 ? QStringLiteral("CONFIGURACIÓN PATRÓN") : QStringLiteral("CONFIGURAÇÃO PADRÃO");
        descricao = upperAscii(descricao);
        const QByteArray documento = DocumentoLayout();
        const QString form = upperAscii(NomeFormPai);

        if (fTecnologia == QLatin1String("DATASNAP")) {
            auto *cliente = qobject_cast<TdmConexaoServerClient *>(fConexaoSC.data());
            auto *server = qobject_cast<RemoteServerConnection *>(fRemoteServer.data());
            if (!cliente || !fSQLConnection || !server || !server->Connected())
                return false;
            RemoteClientDataSet cds(this);
            cds.setRemoteServer(server);
            cds.ProviderName = QStringLiteral("dspDBGridKVO");
            if (!bLcSomenteUpdate) {
                cliente->ExecutaDML(SqlExclui(), false);
                cds.CommandText = SqlInsere();
                cds.setParam(QStringLiteral("USUARIO"), fUsuario);
                cds.setParam(QStringLiteral("NOMEUNIT"), form);
                cds.setParam(QStringLiteral("NOMEGRID"), nomeVista);
                cds.setParam(QStringLiteral("CONFIGURACAO"), documento);
                cds.setParam(QStringLiteral("DESCONF"), descricao);
                cds.setParam(QStringLiteral("CONTADOR"), fContador);
            } else {
                cds.CommandText = SqlAtualiza();
                cds.setParam(QStringLiteral("CONFIGURACAO"), documento);
            }
            cds.Execute();
            return true;
        }

        if (!fSQLConnection)
            return false;
        ::SQLConnection *con = fSQLConnection;
        if (!bLcSomenteUpdate) {
            const QVector<QPair<QString, QVariant>> params = {
                {QStringLiteral("USUARIO"), fUsuario},       {QStringLiteral("NOMEUNIT"), form},
                {QStringLiteral("NOMEGRID"), nomeVista},     {QStringLiteral("DESCONF"), descricao},
                {QStringLiteral("CONTADOR"), fContador},     {QStringLiteral("CONFIGURACAO"), documento},
            };
            // Delete and insert together: a failed insert leaves the stored layout as it was.
            const bool transacao = con->Connected() && con->supportsTransactions();
            if (transacao)
                con->StartTransaction();
            try {
                con->ExecuteDirect(SqlExclui());
                con->ExecuteWithParams(SqlInsere(), params);
                if (transacao)
                    con->Commit();
            } catch (...) {
                if (transacao) {
                    try {
                        con->Rollback();
                    } catch (...) {
                    }
                }
                throw;
            }
        } else {
            con->ExecuteWithParams(SqlAtualiza(), {{QStringLiteral("CONFIGURACAO"), documento}});
        }
        sdsAux->Close();
        return true;
    });
}

void TcxDBGridKVO::RestauraConfiguracaoPadrao()
{
    ::GridView *view = ActiveView();
    if (!view || !ViewExists(view))
        return;
    const QString nome = view->Name();
    const QString entrada = QLatin1Char('<') + nome + QLatin1Char('>');
    if (sPvListaAbasCriadas.contains(entrada))
        return;
    try {
        comMensagem(Operacao::PrimeiraPintura, fIdioma, [&] {
            const QByteArray inicio = ("<INICIO-" + nome + '>').toUtf8();
            if (!sPvConfiguracoes.contains(inicio)) {
                const QByteArray bloco = blocoDaVista(view);
                sPvConfiguracoes += inicio;
                sPvConfiguracoes += bloco;
                sPvConfiguracoes += ("<FIM-" + nome + '>').toUtf8();
            }
            const int contador = fContador;
            fContador = 0;
            try {
                RestauraPadraoGrid();
            } catch (...) {
                fContador = contador;
                throw;
            }
            fContador = contador;
            sPvListaAbasCriadas += entrada;
        });
        fFalhasPrimeiraPintura.remove(nome);
    } catch (const KvoError &e) {
        // The step runs again at the next paint; the same failure is reported once.
        if (fFalhasPrimeiraPintura.value(nome) == e.message())
            return;
        fFalhasPrimeiraPintura.insert(nome, e.message());
        throw;
    }
}

void TcxDBGridKVO::LimpaConfiguracao()
{
    comMensagem(Operacao::Limpa, fIdioma, [this] {
        ::GridView *view = vistaAtivaOuErro(this);
        const QString nome = view->Name();
        if (!sPvListaAbasCriadas.contains(QLatin1Char('<') + nome + QLatin1Char('>')))
            return;
        const QByteArray inicio = ("<INICIO-" + nome + '>').toUtf8();
        const QByteArray fim = ("<FIM-" + nome + '>').toUtf8();
        const qsizetype s = sPvConfiguracoes.indexOf(inicio);
        const qsizetype e = sPvConfiguracoes.indexOf(fim);
        if (s < 0 || e < s + inicio.size())
            throw KvoError(QStringLiteral("Layout de projeto da vista %1 não encontrado.").arg(nome));
        restauraBloco(view, sPvConfiguracoes.mid(s + inicio.size(), e - s - inicio.size()));
        cxEstiloTitulo->setColor(VclColor::clDefault);
        cxEstiloGrupo->setColor(VclColor::clDefault);
        cxEstiloLinha->setColor(VclColor::clDefault);
        cxEstiloTotalTitulo->setColor(VclColor::clDefault);
        cxEstiloGraficoLegenda->setTag(0);
    });
}
