#pragma once

#include "GridControl.h"
#include "GridStyle.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QString>

#include <functional>

class ClientDataSet;
class GridChartView;
#include "SQLConnection.h"
class SQLDataSet;

// The system's data grid: a grid with the user-selectable colours (seven named styles
// that its views reference), zebra rows, the chart value-label position and chart
// defaults, the owning form's name, and the settings the command panel and the layout
// maintenance form read from it.
class TcxDBGridKVO : public GridControl
{
    Q_OBJECT
public:
    // Create(AOwner): the owner is the form or frame around `parent`.
    explicit TcxDBGridKVO(QWidget *parent = nullptr);
    // Destroy
    ~TcxDBGridKVO() override;

    // Published properties
    int Usuario() const { return fUsuario; }
    void setUsuario(int value) { fUsuario = value; }
    int Contador() const { return fContador; }
    void setContador(int value) { fContador = value; }
    int Idioma() const { return fIdioma; }
    void setIdioma(int value) { fIdioma = value; }
    ::SQLConnection *sqlConnection() const { return fSQLConnection; }
    void setSQLConnection(::SQLConnection *connection) { fSQLConnection = connection; }
    QString ArqExcelExporta() const { return fsPvNomeArquivoExcel; }
    void setArqExcelExporta(const QString &value) { fsPvNomeArquivoExcel = value; }
    QString ArqHTMLExporta() const { return fsPvNomeArquivoHTML; }
    void setArqHTMLExporta(const QString &value) { fsPvNomeArquivoHTML = value; }
    bool Zebrar() const { return fZebrar; }
    void setZebrar(bool value) { AjustaZebra(value); }
    QString Tecnologia() const { return fTecnologia; }
    void setTecnologia(const QString &value) { fTecnologia = value; }
    QObject *RemoteServer() const { return fRemoteServer; }
    void setRemoteServer(QObject *server) { fRemoteServer = server; }
    // Notification after a layout restore, with the grid as sender.
    std::function<void(QObject *Sender)> AfterRestore;

    // Styles, created and owned by the grid; component names = field names.
    GridStyle *cxEstiloTitulo;
    GridStyle *cxEstiloGrupo;
    GridStyle *cxEstiloLinha;
    GridStyle *cxEstiloTotalTitulo;
    GridStyle *cxEstiloGraficoLegenda;
    GridStyle *cxEstiloZebrado;
    GridStyle *cxEstiloNormal;

    // Name of the form or frame that owns the grid; the owning form, or none.
    QString NomeFormPai;
    QPointer<QWidget> FormPai;
    // While true, every paint runs the first-paint step.
    bool RestauraConfig;

    // Setter of Zebrar: the active data table view's odd rows take the zebra style (or
    // the plain one).
    void AjustaZebra(bool Value);
    // Resets the four user colours and the value-label position, then the view defaults.
    void SetarVariaveisPadrao();
    // Puts the styles into the active view's slots, or the value-label position into the
    // active chart view's diagrams.
    void AjustaPropriedadesDefault(bool bLcReiniciaCores);
    // Chart view defaults: no legend, tool box without border, with customize button and
    // diagram selector; the grid's top levels get tabs at the top.
    void SetarPadraoGraficoKVO(GridChartView *grafico);
    // Raises AfterRestore with the grid as sender.
    void AfterRestoreConf(QObject *Sender);
    // First-paint step: snapshot of the active view's designed layout and restore of the
    // user's standard layout (number 0), once per view.
    void RestauraConfiguracaoPadrao();

    // Layout store (table GER_GRID_USUARIO): restores the layout numbered Contador of
    // the active view; false when there is no data path. Failures throw KvoError with the
    // operation's message, a line feed and the underlying text.
    bool RestauraPadraoGrid();
    // Stores the active view's layout under Contador: replaces the row (delete + insert,
    // in one transaction where the connection has them), or with bLcSomenteUpdate only
    // overwrites the document of an existing row. False when there is no data path.
    bool GravaPadraoGrid(bool bLcSomenteUpdate);
    // Puts the active view back to its designed layout and resets the user colours.
    void LimpaConfiguracao();

    // Configuration block: seven lines, each ending in CR LF.
    QString StringConfigAuxiliar() const;
    // Content of the element sLcTagIni (without brackets) in the whole of StrStream.
    static QString ObtemTagConfiguracao(const QByteArray &StrStream, const QString &sLcTagIni);
    // The document of the active view: its layout block and the configuration block.
    QByteArray DocumentoLayout() const;

    // Statements of the layout store, from the current key.
    QString SqlRestauraDireto() const;
    QString SqlRestauraRemoto() const;
    QString SqlExclui() const;
    QString SqlAtualiza() const;
    static QString SqlInsere();

    // The value-label position (0..4) put into a chart view's five diagrams; any other
    // code changes nothing. Returns whether it changed anything.
    static bool AplicaPosicaoLegenda(GridChartView *grafico, int codigo);

protected:
    // Applies the colours and value-label position of a document's configuration block.
    const QByteArray &AplicaConfigAuxiliar(const QByteArray &Stream);
    // The restore sequence on a document.
    void RestauraDocumento(const QByteArray &documento);
    // Base painting, then the first-paint step while RestauraConfig holds.
    void Paint() override;

    // Private to the component; reachable by a subclass (tests).
    QString BuscaNomeFormPai() const;
    QWidget *BuscaFormPai() const;

    SQLDataSet *sdsAux;
    ClientDataSet *fcdsDBGridKVO;
    QPointer<QObject> fConexaoSC;
    QByteArray sPvConfiguracoes;
    QString sPvListaAbasCriadas;
    // Last first-paint failure per view name: a repeated failure is not shown again.
    QHash<QString, QString> fFalhasPrimeiraPintura;

    QPointer<::SQLConnection> fSQLConnection;
    int fIdioma = 1;
    int fUsuario = 0;
    int fContador = 0;
    QString fTecnologia;
    bool fZebrar = false;
    QPointer<QObject> fRemoteServer;
    QString fsPvNomeArquivoExcel;
    QString fsPvNomeArquivoHTML;
};
