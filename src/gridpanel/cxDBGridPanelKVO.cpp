#include "cxDBGridPanelKVO.h"

#include "ComponentOwner.h"
#include "ErrorGuard.h"
#include "GridBandedTableView.h"
#include "GridTableView.h"
#include "PanelGlyphs.h"
#include "SQLDataSet.h"
#include "UiServices.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabWidget>

// ---------------------------------------------------------------- TBitBtn

TBitBtn::TBitBtn(QWidget *parent) : QPushButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
}

void TBitBtn::setGlyph(const QString &name, const QImage &image, int numGlyphs)
{
    m_glyphName = name;
    m_glyph = image;
    QIcon icon;
    if (!image.isNull() && numGlyphs > 0) {
        const int w = image.width() / numGlyphs;
        icon.addPixmap(QPixmap::fromImage(image.copy(0, 0, w, image.height())), QIcon::Normal);
        if (numGlyphs > 1)
            icon.addPixmap(QPixmap::fromImage(image.copy(w, 0, w, image.height())), QIcon::Disabled);
        setIconSize(QSize(w, image.height()));
    }
    setIcon(icon);
}

void TBitBtn::mouseMoveEvent(QMouseEvent *event)
{
    QPushButton::mouseMoveEvent(event);
    if (onMouseMove)
        guard(onMouseMove);
}

void TBitBtn::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_popup) {
        m_popup->popup(event->globalPos());
        event->accept();
        return;
    }
    QPushButton::contextMenuEvent(event);
}

// ---------------------------------------------------------------- TcxImage

TcxImage::TcxImage(QWidget *parent) : QLabel(parent)
{
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setContentsMargins(0, 0, 0, 0);
    setAlignment(Qt::AlignCenter);
}

void TcxImage::setPicture(const QString &name, const QImage &image)
{
    m_name = name;
    setPixmap(QPixmap::fromImage(image));
}

void TcxImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && onClick) {
        guard(onClick);
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TcxImage::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    if (onMouseMove)
        guard(onMouseMove);
}

void TcxImage::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_popup) {
        m_popup->popup(event->globalPos());
        event->accept();
        return;
    }
    QLabel::contextMenuEvent(event);
}

// ---------------------------------------------------------------- TPanelMsg

TPanelMsg::TPanelMsg(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
}

void TPanelMsg::mousePressEvent(QMouseEvent *event)
{
    if (onClick)
        guard(onClick);
    event->accept();
}

// ---------------------------------------------------------------- TcxDBGridPanelKVO

namespace {
const QString kDataSnap = QStringLiteral("DATASNAP");

// Empties a menu. The items go later, not at once: the chooser is rebuilt from inside the
// click of one of its own items.
void limpaMenu(QMenu *menu)
{
    const QList<QAction *> items = menu->actions();
    for (QAction *item : items) {
        menu->removeAction(item);
        if (item->parent() == menu)
            item->deleteLater();
    }
}
} // namespace

TcxDBGridPanelKVO::TcxDBGridPanelKVO(QWidget *parent) : QWidget(parent)
{
    // 1. the control
    bPvCancelar = false;
    ShowHint = true;
    TipoGrafico = gTodos;
    RelOrientacao = PSRetrato;
    TipoAgrupaExpande = teGrupo;
    resize(285, 33);
    // 2. the owning form
    FormPai = LocalizaFormPai();
    // 3. state, the auxiliary query, the data-access defaults
    fIdioma = 1;
    ExpExcelRegistroUnico = false;
    fsdsAux = new SQLDataSet(this);
    fsdsAux->setObjectName(QStringLiteral("fsdsAux"));
    fTecnologia = TecnologiaPadrao;
    fRemoteServer = RemoteServerPadrao.data();
    fConexaoServerClient = qobject_cast<TdmConexaoServerClient *>(ConexaoSCPadrao.data());

    // 4. the message strip
    fPanelMsg = new TPanelMsg(this);
    fPanelMsg->setObjectName(QStringLiteral("fPanelMsg"));
    fPanelMsg->setGeometry(0, 0, 60, 20);
    fPanelMsg->setGeometry(rect()); // aligned to the whole client area
    fPanelMsg->hide();
    fPanelMsg->onClick = [this] { bPvCancelar = true; };

    // 5. the grid chooser
    fImgGrid = new TcxImage(this);
    fImgGrid->setObjectName(QStringLiteral("fImgGrid"));
    fImgGrid->setGeometry(5, 10, 16, 15);
    fImgGrid->onClick = [this] { imgGridClick(); };
    fImgGrid->onMouseMove = [this] { AtualizaPainel(); };

    // 6. the nine buttons
    const char *names[] = {"fBtnDefault", "fBtnExcel", "fBtnHTML", "fBtnImprimir", "fBtnSalvarConf",
                           "fBtnRestaurarConf", "fBtnAgrupa", "fBtnDesagrupa", "fBtnGrafico"};
    TBitBtn **fields[] = {&fBtnDefault, &fBtnExcel, &fBtnHTML, &fBtnImprimir, &fBtnSalvarConf,
                          &fBtnRestaurarConf, &fBtnAgrupa, &fBtnDesagrupa, &fBtnGrafico};
    TBitBtn *previous = nullptr;
    for (int i = 0; i < 9; ++i) {
        auto *b = new TBitBtn(this);
        b->setObjectName(QLatin1String(names[i]));
        if (!previous)
            b->setGeometry(fImgGrid->x() + fImgGrid->width() + 2, 4, 29, 25);
        else
            b->setGeometry(previous->x() + previous->width() + 2, previous->y(), previous->width(),
                           previous->height());
        b->onMouseMove = [this] { AtualizaPainel(); };
        *fields[i] = b;
        previous = b;
    }
    connect(fBtnExcel, &QPushButton::clicked, this, guarded([this] { btnExcelClick(); }));
    // The other buttons run the commands that arrive later; until then they do nothing.

    // 7. the glyphs
    CarregaGlifos();
}

TcxDBGridPanelKVO::~TcxDBGridPanelKVO()
{
    // Popup menus owned by a form other than the panel's go with that form; the ones the
    // panel owns (no form) go with the panel.
}

QWidget *TcxDBGridPanelKVO::LocalizaFormPai() const
{
    // The form that owns the panel, when that form belongs to the application or to one of
    // the application's forms.
    return ComponentOwner::applicationForm(this);
}

QWidget *TcxDBGridPanelKVO::formDeBusca() const
{
    if (fcxDBGridKVO)
        return fcxDBGridKVO->FormPai;
    return FormPai;
}

QWidget *TcxDBGridPanelKVO::donoMenus() const
{
    if (QWidget *form = formDeBusca())
        return form;
    return const_cast<TcxDBGridPanelKVO *>(this);
}

void TcxDBGridPanelKVO::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fPanelMsg->setGeometry(rect());
}

// ---------------------------------------------------------------- properties

TdmConexaoServerClient *TcxDBGridPanelKVO::ConexaoServerClient() const { return fConexaoServerClient; }
void TcxDBGridPanelKVO::setConexaoServerClient(TdmConexaoServerClient *client) { fConexaoServerClient = client; }

bool TcxDBGridPanelKVO::EnableDefault() const { return fBtnDefault->isEnabled(); }
void TcxDBGridPanelKVO::setEnableDefault(bool value) { fBtnDefault->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableExcel() const { return fBtnExcel->isEnabled(); }
void TcxDBGridPanelKVO::setEnableExcel(bool value) { fBtnExcel->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableHTML() const { return fBtnHTML->isEnabled(); }
void TcxDBGridPanelKVO::setEnableHTML(bool value) { fBtnHTML->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableImprimir() const { return fBtnImprimir->isEnabled(); }
void TcxDBGridPanelKVO::setEnableImprimir(bool value) { fBtnImprimir->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableSalvarConf() const { return fBtnSalvarConf->isEnabled(); }
void TcxDBGridPanelKVO::setEnableSalvarConf(bool value) { fBtnSalvarConf->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableRestaurarConf() const { return fBtnRestaurarConf->isEnabled(); }
void TcxDBGridPanelKVO::setEnableRestaurarConf(bool value) { fBtnRestaurarConf->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableAgrupa() const { return fBtnAgrupa->isEnabled(); }
void TcxDBGridPanelKVO::setEnableAgrupa(bool value) { fBtnAgrupa->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableDesagrupa() const { return fBtnDesagrupa->isEnabled(); }
void TcxDBGridPanelKVO::setEnableDesagrupa(bool value) { fBtnDesagrupa->setEnabled(value); }
bool TcxDBGridPanelKVO::EnableGrafico() const { return fBtnGrafico->isEnabled(); }
void TcxDBGridPanelKVO::setEnableGrafico(bool value) { fBtnGrafico->setEnabled(value); }

bool TcxDBGridPanelKVO::VisibleBtnGrafico() const { return !fBtnGrafico->isHidden(); }
void TcxDBGridPanelKVO::setVisibleBtnGrafico(bool value)
{
    fBtnGrafico->setVisible(value);
    CarregaGlifos();
}

QMenu *TcxDBGridPanelKVO::PopUpImprimir() const { return fBtnImprimir->popupMenu(); }
void TcxDBGridPanelKVO::setPopUpImprimir(QMenu *menu)
{
    fBtnImprimir->setPopupMenu(menu);
    CarregaGlifos();
}

bool TcxDBGridPanelKVO::PanelSimples() const { return fBtnAgrupa->isHidden(); }

void TcxDBGridPanelKVO::setPanelSimples(bool value)
{
    // 1. the chooser
    AtualizaSeletorGrid();
    // 2., 3.
    fBtnDefault->move(fImgGrid->isHidden() ? fImgGrid->x() : fImgGrid->x() + fImgGrid->width() + 2,
                      fBtnDefault->y());
    const int step = fBtnDefault->width() + 2;
    const int top = fBtnDefault->y();
    auto follow = [step](const QList<TBitBtn *> &order) {
        for (int i = 1; i < order.size(); ++i)
            order[i]->move(order[i - 1]->x() + step, order[i]->y());
    };
    const QList<TBitBtn *> parciais{fBtnAgrupa, fBtnDesagrupa, fBtnExcel, fBtnHTML, fBtnImprimir};
    if (!value) {
        // 4. full layout
        follow({fBtnDefault, fBtnExcel, fBtnHTML, fBtnImprimir, fBtnSalvarConf, fBtnRestaurarConf,
                fBtnAgrupa, fBtnDesagrupa, fBtnGrafico});
        for (TBitBtn *b : parciais) {
            b->move(b->x(), top);
            b->setVisible(true);
        }
    } else {
        // 5. compact layout
        follow({fBtnDefault, fBtnSalvarConf, fBtnRestaurarConf, fBtnGrafico});
        for (TBitBtn *b : parciais) {
            b->move(b->x(), -50);
            b->setVisible(false);
        }
    }
}

void TcxDBGridPanelKVO::AjustaLayout() { setPanelSimples(PanelSimples()); }

void TcxDBGridPanelKVO::setComponentePaiGrid(QObject *container)
{
    fComponentePaiGrid = container;
    AjustaLayout();
}

// ---------------------------------------------------------------- glyphs

void TcxDBGridPanelKVO::CarregaGlifos()
{
    const struct { TBitBtn *button; QString name; } glifos[] = {
        {fBtnDefault, QStringLiteral("DEFAULT")},
        {fBtnExcel, QStringLiteral("EXCEL")},
        {fBtnHTML, QStringLiteral("HTML")},
        {fBtnImprimir, fBtnImprimir->popupMenu() ? QStringLiteral("IMPPOPUP") : QStringLiteral("IMPRESSORA")},
        {fBtnSalvarConf, QStringLiteral("SALVAR")},
        {fBtnRestaurarConf, QStringLiteral("RESTAURAR")},
        {fBtnAgrupa, QStringLiteral("AGRUPAR")},
        {fBtnDesagrupa, QStringLiteral("EXPANDIR")},
        {fBtnGrafico, QStringLiteral("GRAFICO")},
    };
    for (const auto &g : glifos) {
        g.button->setGlyph(g.name, PanelGlyphs::glyph(g.name), 2);
        g.button->move(g.button->x(), !g.button->isHidden() ? fBtnDefault->y() : -g.button->height());
        g.button->update();
    }
    fImgGrid->setPicture(QStringLiteral("GRIDS"), PanelGlyphs::glyph(QStringLiteral("GRIDS")));
    fImgGrid->update();
}

// ---------------------------------------------------------------- association

// The grid's HelpKeyword is read as the Qt property of that name (a dynamic property until
// the grid declares one).
void TcxDBGridPanelKVO::ajustaHintsDaGrade()
{
    if (!fcxDBGridKVO)
        return;
    const QString keyword = fcxDBGridKVO->property("HelpKeyword").toString();
    if (!keyword.isEmpty()) {
        setToolTip(keyword);
        fImgGrid->setToolTip(keyword);
    } else {
        setToolTip(QString());
        fImgGrid->setToolTip(fcxDBGridKVO->objectName());
    }
}

void TcxDBGridPanelKVO::setcxDBGridKVO(TcxDBGridKVO *grid)
{
    // 1.
    fcxDBGridKVO = grid;
    // 2.
    AjustaOpcoesAgrupamento();
    // 3.
    AjustaLayout();
    // 4.
    ajustaHintsDaGrade();
    if (ExpExcelRegistroUnico) {
        // 5. the spreadsheet button offers the single-line export beside the standard one
        if (fPopExportaExcel)
            fPopExportaExcel->deleteLater(); // the menu of the previous association
        fPopExportaExcel = new QMenu(donoMenus());
        fPopExportaExcel->setObjectName(QStringLiteral("fPopExportaExcel"));
        QAction *padrao = fPopExportaExcel->addAction(QStringLiteral("Exportação padrão"));
        connect(padrao, &QAction::triggered, this, guarded([this] { ExportaExcel(); }));
        fPopExportaExcelItem = padrao;
        QAction *linha = fPopExportaExcel->addAction(QStringLiteral("Exportação em linha única"));
        connect(linha, &QAction::triggered, this, guarded([this] { ExportaExcelLinhaUnica(); }));
        fPopExportaExcelItem = linha;
        fBtnExcel->setPopupMenu(fPopExportaExcel);
    } else {
        // 6. a plain button
        fBtnExcel->setPopupMenu(nullptr);
        CarregaGlifos();
    }
    // 7.
    fbPvIdiomaAjustado = false;
    AjustaIdioma();
}

void TcxDBGridPanelKVO::btnExcelClick()
{
    if (ExpExcelRegistroUnico && fBtnExcel->popupMenu()) {
        fBtnExcel->popupMenu()->popup(QCursor::pos());
        return;
    }
    ExportaExcel();
}

void TcxDBGridPanelKVO::AjustaOpcoesAgrupamento()
{
    if (!HabilitarBotoesAgrupamentoAutomatico || !GridAssociada())
        return;
    ::GridView *view = fcxDBGridKVO->ActiveView();
    bool habilita = true;
    if (view && (view->Kind() == GridViewKind::Table || view->Kind() == GridViewKind::BandedTable)) {
        auto *table = static_cast<GridTableView *>(view->widget());
        habilita = table->OptionsView.GroupByBox || table->GroupedColumnCount() > 0;
    }
    fBtnAgrupa->setEnabled(habilita);
    fBtnDesagrupa->setEnabled(habilita);
}

// ---------------------------------------------------------------- texts

QString TcxDBGridPanelKVO::avisoLinhaUnica()
{
    return QStringLiteral("Na expotação em linha única não será exportado para o excel os seguintes itens: ")
        + QStringLiteral("\n\r - Formatação ") + QStringLiteral("\n\r - Cores ")
        + QStringLiteral("\n\r - Icones ") + QStringLiteral("\n\r - Totalizadores");
}

void TcxDBGridPanelKVO::AjustaIdioma()
{
    // 1.
    if (GridAssociada())
        fIdioma = fcxDBGridKVO->Idioma();
    // 2.
    if (fbPvIdiomaAjustado)
        return;
    // 3.
    ShowHint = true;
    const bool es = fIdioma == 2;
    auto t = [es](const char *pt, const char *sp) { return QString::fromUtf8(es ? sp : pt); };
    fPanelMsg->setToolTip(t("Clique aqui para cancelar!", "¡Clic aquí para cancelar!"));
    fBtnDefault->setToolTip(t("Manutenção de Configurações", "Mantenimiento de Configuraciones"));
    if (ExpExcelRegistroUnico && !es)
        fBtnExcel->setToolTip(avisoLinhaUnica());
    else
        fBtnExcel->setToolTip(t("Exportar para planilha XLS", "Exportar para archivo XLS"));
    fBtnHTML->setToolTip(t("Exportar para planilha HTML", "Exportar para archivo HTML"));
    fBtnImprimir->setToolTip(t("Imprimir grade", "Imprimir grada"));
    fBtnSalvarConf->setToolTip(t("Gravar configuração padrão da grade", "Grabar configuración standard de la grada"));
    fBtnRestaurarConf->setToolTip(
        t("Restaurar configuração padrão da grade", "Restaurar configuración standard de la grada"));
    fBtnAgrupa->setToolTip(t("Agrupar Tudo", "Agrupar Todo"));
    fBtnDesagrupa->setToolTip(t("Expandir Tudo", "Expandir Todo"));
    fBtnGrafico->setToolTip(t("Exibir Gráfico", "Exhibir Gráfico"));
    fbPvIdiomaAjustado = true;
    // 4.
    ajustaHintsDaGrade();
}

// ---------------------------------------------------------------- guards

bool TcxDBGridPanelKVO::GridAssociada()
{
    if (fcxDBGridKVO)
        return true;
    ui().message(UiServices::Kind::Error,
                 fIdioma == 2 ? QStringLiteral("¡Grada no asociada!") : QStringLiteral("Grade não associada!"),
                 UiServices::Buttons::Ok);
    return false;
}

bool TcxDBGridPanelKVO::GraficoAssociado()
{
    if (fGrafico)
        return true;
    ui().message(UiServices::Kind::Error,
                 fIdioma == 2 ? QStringLiteral("¡Gráfico no asociado!") : QStringLiteral("Gráfico não associado!"),
                 UiServices::Buttons::Ok);
    return false;
}

bool TcxDBGridPanelKVO::ConexaoDisponivel() const
{
    if (fTecnologia == kDataSnap)
        return !fRemoteServer.isNull();
    return fcxDBGridKVO && fcxDBGridKVO->sqlConnection();
}

void TcxDBGridPanelKVO::MostraMensagem(const QString &Texto)
{
    fPanelMsg->setText(Texto);
    fPanelMsg->setGeometry(rect());
    fPanelMsg->setVisible(true);
    fPanelMsg->raise();
    QCoreApplication::processEvents();
}

void TcxDBGridPanelKVO::EscondeMensagem()
{
    fPanelMsg->setText(QString());
    fPanelMsg->setVisible(false);
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------- grid chooser

void TcxDBGridPanelKVO::AtualizaSeletorGrid()
{
    if (fcxDBGridKVO && fComponentePaiGrid) {
        if (!fPopUpGrid)
            fPopUpGrid = new QMenu(donoMenus());
        limpaMenu(fPopUpGrid);
        MontaMenuGrids(fComponentePaiGrid);
        if (fPopUpGrid->actions().size() > 1) {
            fImgGrid->move(fImgGrid->x(), 10);
            fImgGrid->setVisible(true);
        } else {
            fImgGrid->move(fImgGrid->x(), -50);
            fImgGrid->setVisible(false);
        }
    } else if (fcxDBGridKVO) {
        fImgGrid->move(fImgGrid->x(), -50);
        fImgGrid->setVisible(false);
    } else if (fComponentePaiGrid && FormPai) {
        if (!fPopUpGrid)
            fPopUpGrid = new QMenu(donoMenus());
        limpaMenu(fPopUpGrid);
        MontaMenuGrids(fComponentePaiGrid);
        if (!fPopUpGrid->actions().isEmpty())
            SelecionaGrid(fPopUpGrid->actions().first());
    }
}

void TcxDBGridPanelKVO::MontaMenuGrids(QObject *Container)
{
    QWidget *form = formDeBusca();
    if (!form || !Container || !fPopUpGrid)
        return;
    const std::function<void(QObject *)> walk = [&](QObject *container) {
        const QObjectList children = container->children();
        for (QObject *child : children) {
            auto *w = qobject_cast<QWidget *>(child);
            if (!w || !(w == form || form->isAncestorOf(w)))
                continue;
            if (auto *grid = qobject_cast<TcxDBGridKVO *>(w)) {
                const QString keyword = grid->property("HelpKeyword").toString(); // see above
                QAction *item = fPopUpGrid->addAction(keyword.trimmed().isEmpty() ? grid->objectName() : keyword);
                item->setToolTip(grid->objectName());
                item->setCheckable(true);
                connect(item, &QAction::triggered, this, guarded([this, item] { SelecionaGrid(item); }));
            } else if (qobject_cast<QGroupBox *>(w) || qobject_cast<QTabWidget *>(w)
                       || qobject_cast<QFrame *>(w) || w->metaObject() == &QWidget::staticMetaObject) {
                // group boxes, page controls and their pages, panels
                walk(w);
            }
        }
    };
    walk(Container);
    if (fImgGrid->popupMenu() != fPopUpGrid)
        fImgGrid->setPopupMenu(fPopUpGrid);
    marcaItensGrid();
}

void TcxDBGridPanelKVO::marcaItensGrid()
{
    if (!fPopUpGrid || !fcxDBGridKVO)
        return;
    for (QAction *item : fPopUpGrid->actions())
        item->setChecked(item->toolTip() == fcxDBGridKVO->objectName());
}

void TcxDBGridPanelKVO::SelecionaGrid(QAction *Sender)
{
    if (!Sender)
        return;
    QWidget *form = formDeBusca();
    if (!form)
        return;
    const QString name = Sender->toolTip();
    // Only a grid counts; a component of that name of another kind changes nothing.
    TcxDBGridKVO *grid = form->objectName() == name ? qobject_cast<TcxDBGridKVO *>(form) : nullptr;
    if (!grid)
        grid = form->findChild<TcxDBGridKVO *>(name);
    if (!grid)
        return;
    setcxDBGridKVO(grid);
    ajustaHintsDaGrade();
    marcaItensGrid();
}

void TcxDBGridPanelKVO::imgGridClick()
{
    if (!fPopUpGrid)
        fPopUpGrid = new QMenu(donoMenus());
    limpaMenu(fPopUpGrid);
    if (fComponentePaiGrid)
        MontaMenuGrids(fComponentePaiGrid);
    fPopUpGrid->popup(QCursor::pos());
}

// ---------------------------------------------------------------- pointer refresh

void TcxDBGridPanelKVO::AtualizaPainel()
{
    // 1.
    if (GridAssociada()) {
        ::GridView *view = fcxDBGridKVO->ActiveView();
        const QString nome = view ? view->Name() : QString();
        if (nome != sLcNomeViewAtual) {
            MontaMenuAbrirConf();
            MontaMenuSalvarConf();
            sLcNomeViewAtual = nome;
        }
    }
    // 2.
    AjustaIdioma();
    // 3.
    if (!fbPvConfiguracaoInicial && GridAssociada()) {
        AjustaOpcoesAgrupamento();
        fbPvConfiguracaoInicial = true;
    }
}

// ---------------------------------------------------------------- permission check

QString TcxDBGridPanelKVO::MensagemSemPermissao(int Funcao)
{
    return QStringLiteral("Usuário não possui permissão (%1) para utilizar esta opção.").arg(Funcao);
}

bool TcxDBGridPanelKVO::VerificaPermissao(int Funcao)
{
    // 1.
    if (!GridAssociada())
        return false;
    // 2. integers only: their decimal text cannot carry anything but a number
    const QString sql = QStringLiteral("select FUNCAO from GER_FUNCAO_USUARIO where USUARIO = ")
                        + QString::number(fcxDBGridKVO->Usuario()) + QStringLiteral(" and FUNCAO  = ")
                        + QString::number(Funcao);
    // 3.
    if (!ConexaoDisponivel())
        return false;
    if (fTecnologia == kDataSnap) {
        // 4. remote mode; a remote server without its client is refused, contacting nothing
        if (!fConexaoServerClient)
            return false;
        return fConexaoServerClient->ExecutaSQLInteger(sql) > 0;
    }
    // 5. direct mode
    fsdsAux->GetMetadata = false;
    fsdsAux->setSQLConnection(fcxDBGridKVO->sqlConnection());
    fsdsAux->Close();
    fsdsAux->CommandText = sql;
    fsdsAux->Open();
    const bool permitido = !fsdsAux->isEmpty();
    fsdsAux->Close();
    return permitido;
}
