#pragma once

#include "GridChartView.h"
#include "cxDBGridKVO.h"
#include "prxVestra.h"

#include <QImage>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <functional>

class QAction;
class QMenu;
class SQLDataSet;

enum gTipoExpansao { teGrupo, teMasterDetail, teTodos };
enum gTipoGrafico { gValor, gQuantidade, gPercentuais, gTodos };
enum gPSOrientacao { PSRetrato, PSPaisagem };

// A button with a glyph of two images side by side (normal, disabled) at the left of its
// caption, and a popup menu shown on a right click (or by its owner on a plain click).
class TBitBtn : public QPushButton
{
    Q_OBJECT
public:
    explicit TBitBtn(QWidget *parent = nullptr);
    // Loads `image` split into `numGlyphs` images of equal width; `name` is kept to tell
    // which glyph is loaded.
    void setGlyph(const QString &name, const QImage &image, int numGlyphs = 2);
    QString glyphName() const { return m_glyphName; }
    QImage glyph() const { return m_glyph; }
    QMenu *popupMenu() const { return m_popup; }
    void setPopupMenu(QMenu *menu) { m_popup = menu; }
    // Runs on every pointer movement over the button.
    std::function<void()> onMouseMove;

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QString m_glyphName;
    QImage m_glyph;
    QPointer<QMenu> m_popup;
};

// A picture control: shows an image, reports clicks and pointer movements, shows a popup
// menu on a right click.
class TcxImage : public QLabel
{
    Q_OBJECT
public:
    explicit TcxImage(QWidget *parent = nullptr);
    void setPicture(const QString &name, const QImage &image);
    QString pictureName() const { return m_name; }
    QMenu *popupMenu() const { return m_popup; }
    void setPopupMenu(QMenu *menu) { m_popup = menu; }
    std::function<void()> onClick;
    std::function<void()> onMouseMove;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QString m_name;
    QPointer<QMenu> m_popup;
};

// The message strip: a label that covers its parent and reports clicks.
class TPanelMsg : public QLabel
{
    Q_OBJECT
public:
    explicit TPanelMsg(QWidget *parent = nullptr);
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The command panel of a TcxDBGridKVO: a row of nine glyph buttons, a grid chooser in front
// of them and a message strip that covers them while a long operation runs.
class TcxDBGridPanelKVO : public QWidget
{
    Q_OBJECT
public:
    // Create(AOwner): the owner is the form or frame around `parent`.
    explicit TcxDBGridPanelKVO(QWidget *parent = nullptr);
    // Destroy
    ~TcxDBGridPanelKVO() override;

    // The form that owns the panel (set once, in the constructor), or none.
    QPointer<QWidget> FormPai;

    // Public operations
    void AjustaOpcoesAgrupamento();

    // Published properties
    TcxDBGridKVO *cxDBGridKVO() const { return fcxDBGridKVO; }
    void setcxDBGridKVO(TcxDBGridKVO *grid);
    GridChartView *Grafico() const { return fGrafico; }
    void setGrafico(GridChartView *chart) { fGrafico = chart; }
    QObject *ComponentePaiGrid() const { return fComponentePaiGrid; }
    void setComponentePaiGrid(QObject *container);
    QMenu *PopUpImprimir() const;
    void setPopUpImprimir(QMenu *menu);
    int Idioma() const { return fIdioma; }
    void setIdioma(int value) { fIdioma = value; }
    QString Tecnologia() const { return fTecnologia; }
    void setTecnologia(const QString &value) { fTecnologia = value; }
    QObject *RemoteServer() const { return fRemoteServer; }
    void setRemoteServer(QObject *server) { fRemoteServer = server; }
    TdmConexaoServerClient *ConexaoServerClient() const;
    void setConexaoServerClient(TdmConexaoServerClient *client);
    gTipoExpansao TipoAgrupaExpande = teGrupo;
    gTipoGrafico TipoGrafico = gTodos;
    bool SetarGraficoPadrao = true;
    bool HabilitarBotoesAgrupamentoAutomatico = true;
    bool EnableDefault() const;
    void setEnableDefault(bool value);
    bool EnableExcel() const;
    void setEnableExcel(bool value);
    bool EnableHTML() const;
    void setEnableHTML(bool value);
    bool EnableImprimir() const;
    void setEnableImprimir(bool value);
    bool EnableSalvarConf() const;
    void setEnableSalvarConf(bool value);
    bool EnableRestaurarConf() const;
    void setEnableRestaurarConf(bool value);
    bool EnableAgrupa() const;
    void setEnableAgrupa(bool value);
    bool EnableDesagrupa() const;
    void setEnableDesagrupa(bool value);
    bool EnableGrafico() const;
    void setEnableGrafico(bool value);
    bool VisibleBtnGrafico() const;
    void setVisibleBtnGrafico(bool value);
    bool PanelSimples() const;
    void setPanelSimples(bool value);
    bool ExpExcelRegistroUnico = false;
    QString ArqExcelExporta;
    QString ArqHTMLExporta;
    QString NomeAbaExcel;
    bool FormatoNativo = true;
    QString TituloRelatorio;
    QString DescEmpresa;
    QString DescRevenda;
    QString NomeUsuario;
    QString TextoFootNotes;
    QString LogoTipo;
    gPSOrientacao RelOrientacao = PSRetrato;
    bool AjustarAPagina = false;
    bool EncolherAPagina = false;
    bool ImprimirUmGrupoPorPagina = false;
    bool ImprimirBandHeaders = true;
    bool ImprimirGroupFooters = true;
    bool ImprimirCaption = true;
    bool ImprimirHeaders = true;
    bool ImprimirFooters = true;
    bool ImprimirFilterBar = true;
    bool ShowHint = true;

    // Shared guards and operations of the commands
    bool GridAssociada();
    bool GraficoAssociado();
    bool ConexaoDisponivel() const;
    void MostraMensagem(const QString &Texto);
    void EscondeMensagem();

    // Whether the user of the grid holds function `Funcao` (GER_FUNCAO_USUARIO); the
    // guarded commands call it only when Idioma is 1. Errors of the database or of the
    // remote call are not caught.
    bool VerificaPermissao(int Funcao);
    // The refusal message of a guarded command whose check failed (error, OK button).
    static QString MensagemSemPermissao(int Funcao);

    // Children, created in this order (later ones lie above earlier ones)
    TPanelMsg *fPanelMsg;
    TcxImage *fImgGrid;
    TBitBtn *fBtnDefault;
    TBitBtn *fBtnExcel;
    TBitBtn *fBtnHTML;
    TBitBtn *fBtnImprimir;
    TBitBtn *fBtnSalvarConf;
    TBitBtn *fBtnRestaurarConf;
    TBitBtn *fBtnAgrupa;
    TBitBtn *fBtnDesagrupa;
    TBitBtn *fBtnGrafico;

    // Popup menus, each created on first need
    QPointer<QMenu> fPopUpGrid;
    QPointer<QMenu> fPopUpAbrirConf;
    QPointer<QMenu> fPopUpSalvarConf;
    QPointer<QMenu> fPopExportaExcel;
    QPointer<QAction> fPopExportaExcelItem;

    // Private state, reachable for the commands and tests
    bool bPvCancelar = false;
    bool fbPvIdiomaAjustado = false;
    bool fbPvConfiguracaoInicial = false;
    QString sLcNomeViewAtual;
    SQLDataSet *fsdsAux;

    // Steps (private to the component in the original; reachable by the commands and tests)
    void CarregaGlifos();
    void AjustaIdioma();
    void AtualizaSeletorGrid();
    void MontaMenuGrids(QObject *Container);
    void SelecionaGrid(QAction *Sender);
    void AtualizaPainel();
    // Texts of the hints
    static QString avisoLinhaUnica();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *LocalizaFormPai() const;
    // The form searched and the owner of the popup menus: the grid's FormPai, or the panel's.
    QWidget *formDeBusca() const;
    QWidget *donoMenus() const;
    void AjustaLayout();
    void ajustaHintsDaGrade();
    void marcaItensGrid();
    void imgGridClick();
    void btnExcelClick();
    // Commands that arrive with later work; until then a button does nothing.
    void ExportaExcel() {}
    void ExportaExcelLinhaUnica() {}
    void MontaMenuAbrirConf() {}
    void MontaMenuSalvarConf() {}

    QPointer<TcxDBGridKVO> fcxDBGridKVO;
    QPointer<GridChartView> fGrafico;
    QPointer<QObject> fComponentePaiGrid;
    QPointer<QObject> fRemoteServer;
    QPointer<TdmConexaoServerClient> fConexaoServerClient;
    int fIdioma = 1;
    QString fTecnologia;
};
