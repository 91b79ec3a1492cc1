#include "Unit1.h"

#include "ButtonImages.h"
#include "ClientDataSet.h"
#include "ConexaoDat.h"
#include "DataSetProvider.h"
#include "DataSource.h"
#include "Error.h"
#include "ErrorGuard.h"
#include "GridColumn.h"
#include "GridTableView.h"
#include "KVOUtils.h"
#include "LockKill.h"
#include "LockMerge.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "UiServices.h"
#include "cxDBGridKVO.h"
#include "cxDBGridPanelKVO.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionFocusRect>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTimer>
#include <QToolButton>
#include <QApplication>

#include <memory>

const QString TForm1::sqlSpWho2 = QStringLiteral("sp_who2");

const QString TForm1::sqlDetalheSqlServer = QStringLiteral(
    "SELECT   r.blocking_session_id BlkBy,         r.wait_time / (1000.0) wait_time,         "
    "cast(Substring(st.TEXT,(r.statement_start_offset / 2) + 1,                 "
    "((CASE r.statement_end_offset                   WHEN -1                   "
    "THEN Datalength(st.TEXT)                   ELSE r.statement_end_offset                   "
    "END - r.statement_start_offset) / 2) + 1) as varchar(500)) statement_text,         "
    "c.login_name login_name_acu,         c.host_name host_name_acu,         "
    "c.program_name program_name_acu  FROM sys.dm_exec_sessions AS s       "
    "JOIN sys.dm_exec_requests AS r          ON r.session_id = s.session_id       "
    "CROSS APPLY sys.Dm_exec_sql_text(r.sql_handle) AS st       "
    "inner join (select session_id, login_name, host_name, program_name                   "
    "from sys.dm_exec_sessions) c on           (c.session_id = r.blocking_session_id) "
    "WHERE    r.session_id != @@SPID ORDER BY r.blocking_session_id");

const QString TForm1::sqlOracle = QStringLiteral(
    "SELECT distinct acu.machine maq_acu,       acu.osuser usu_acu,       acu.program pro_acu,       "
    "acu.inst_id inst_acu,       acu.sid sid_acu,       acu.serial# serial_acu,       "
    "acu.status status_acu,       sqa.sql_text sql_acu,       vit.machine maq_vit,       "
    "vit.osuser usu_vit,       vit.program pro_vit,       sqv.sql_text sql_vit,       b.sid,       "
    "vit.last_call_et ULTIMA_CHAMADA_VIT,       acu.last_call_et ULTIMA_CHAMADA_ACU "
    "FROM gv$lock a,      gv$lock b,      gv$session acu,      gv$sql sqa,      gv$session vit,      "
    "gv$sql sqv WHERE a.block     = 1 AND b.request     > 0 AND a.id1         = b.id1 "
    "AND a.id2         = b.id2 AND a.sid         = acu.sid (+) AND acu.sql_id    = sqa.sql_id(+) "
    "AND b.sid         = vit.sid (+) AND vit.sql_id    = sqv.sql_id(+)");

namespace {

struct ColunaLock
{
    const char *campo;
    const char *formato; // empty: a text column
    int largura;
};

const ColunaLock kColunasSqlServer[] = {
    {"SPID", "#########0", 60},       {"Status", "", 90},
    {"Login", "", 150},               {"HostName", "", 150},
    {"BlkBy", "", 60},                {"DBName", "", 70},
    {"Command", "", 70},              {"CPUTime", "#########0", 70},
    {"DiskIO", "#########0", 70},     {"LastBatch", "", 90},
    {"ProgramName", "", 150},         {"SPID_1", "#########0", 70},
    {"REQUESTID", "#########0", 70},  {"wait_time", "#######0,000", 70},
    {"statement_text", "", 200},      {"login_name_acu", "", 130},
    {"host_name_acu", "", 130},       {"program_name_acu", "", 200},
};

const ColunaLock kColunasOracle[] = {
    {"maq_acu", "", 150},     {"usu_acu", "", 90},
    {"pro_acu", "", 80},      {"inst_acu", "#########0", 60},
    {"sid_acu", "#########0", 60}, {"serial_acu", "#########0", 70},
    {"status_acu", "", 70},   {"sql_acu", "", 200},
    {"maq_vit", "", 150},     {"usu_vit", "", 90},
    {"pro_vit", "", 90},      {"sql_vit", "", 200},
    {"sid", "#########0", 60}, {"ULTIMA_CHAMADA_VIT", "#####0", 130},
    {"ULTIMA_CHAMADA_ACU", "#####0", 130},
};

QFrame *makePanel(QWidget *parent, const char *name)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->adjustSize();
    label->move(x, y);
    return label;
}

// A large button with its image above its caption, the two centred together.
class ImageButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.text.clear();
        option.icon = QIcon();
        painter.drawComplexControl(QStyle::CC_ToolButton, option);

        const QSize image = iconSize();
        const QFontMetrics metrics(font());
        const int gap = 6;
        const int top = (height() - (image.height() + gap + metrics.height())) / 2;
        const QRect imageRect((width() - image.width()) / 2, top, image.width(), image.height());
        icon().paint(&painter, imageRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        const QRect textRect(0, top + image.height() + gap, width(), metrics.height());
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignVCenter, text());
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = textRect.adjusted(8, -2, -8, 2);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
};

QToolButton *makeImageButton(QWidget *parent, const char *name, const QString &text, const QImage &image)
{
    auto *button = new ImageButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setIcon(QIcon(QPixmap::fromImage(image)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setEnabled(false);
    return button;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Gerenciador de Lock"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button)); // clBtnFace
    setPalette(pal);
    setAutoFillBackground(true);

    createControls();
    createDataChain();
    resize(643, 449);
    layoutControls();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::createControls()
{
    Panel1 = makePanel(this, "Panel1");
    Label1 = makeLabel(Panel1, "Label1", QStringLiteral("Banco de Dados"), 16, 9);
    lblSituacao = makeLabel(Panel1, "lblSituacao", QStringLiteral("[Fechado]"), 112, 9);
    {
        QPalette p = lblSituacao->palette();
        p.setColor(QPalette::WindowText, QColor(0xFF, 0, 0)); // clRed
        lblSituacao->setPalette(p);
        QFont f(QStringLiteral("Tahoma"));
        f.setPointSize(8);
        f.setPixelSize(11);
        lblSituacao->setFont(f);
    }
    cbxBD = new QComboBox(Panel1);
    cbxBD->setObjectName(QStringLiteral("cbxBD"));
    cbxBD->setEditable(false);
    cbxBD->addItems({QStringLiteral("Oracle"), QStringLiteral("SQL Server")});
    cbxBD->setCurrentIndex(-1);
    cbxBD->setGeometry(16, 25, 145, 21);

    btnAbriBD = new QPushButton(QStringLiteral("Abrir B.D."), Panel1);
    btnAbriBD->setObjectName(QStringLiteral("btnAbriBD"));
    btnAbriBD->setGeometry(180, 19, 75, 25);

    Label4 = makeLabel(Panel1, "Label4", QStringLiteral("Base de Dados"), 16, 50);
    edtBaseDados = new QLineEdit(QStringLiteral("c:\\base\\vestra\\vestra.gdb"), Panel1);
    edtBaseDados->setObjectName(QStringLiteral("edtBaseDados"));
    edtBaseDados->setGeometry(16, 66, 241, 21);

    Label2 = makeLabel(Panel1, "Label2", QStringLiteral("Usuário Oracle"), 16, 95);
    edtUsuarioOracle = new QLineEdit(QStringLiteral("KVO"), Panel1);
    edtUsuarioOracle->setObjectName(QStringLiteral("edtUsuarioOracle"));
    edtUsuarioOracle->setGeometry(16, 111, 241, 21);

    Panel3 = makePanel(Panel1, "Panel3");
    btnConsultaLock = makeImageButton(Panel3, "btnConsultaLock", QStringLiteral("Consulta Lock"),
                                      ButtonImages::consultaLock());
    btnEliminaLock = makeImageButton(Panel3, "btnEliminaLock", QStringLiteral("Elimina Lock"),
                                     ButtonImages::eliminaLock());

    Panel2 = makePanel(this, "Panel2");
    Panel2->setFrameShape(QFrame::NoFrame);
    cxdbgrdkvoLock = new TcxDBGridKVO(Panel2);
    cxdbgrdkvoLock->setObjectName(QStringLiteral("cxdbgrdkvoLock"));
    pnlBotaoCxGrid = makePanel(Panel2, "pnlBotaoCxGrid");
    cxdbgrdpnlkvo1 = new TcxDBGridPanelKVO(pnlBotaoCxGrid);
    cxdbgrdpnlkvo1->setObjectName(QStringLiteral("cxdbgrdpnlkvo1"));
    cxdbgrdpnlkvo1->setGeometry(11, 6, 310, 33);

    bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("bar"));
    bar->setSizeGripEnabled(true);

    // Tab order inside the top panel
    setTabOrder(cbxBD, btnAbriBD);
    setTabOrder(btnAbriBD, edtBaseDados);
    setTabOrder(edtBaseDados, btnConsultaLock);
    setTabOrder(btnConsultaLock, btnEliminaLock);
    setTabOrder(btnEliminaLock, edtUsuarioOracle);

    connect(btnAbriBD, &QPushButton::clicked, this, guarded([this] { btnAbriBDClick(); }));
    connect(btnConsultaLock, &QToolButton::clicked, this, guarded([this] { btnConsultaLockClick(); }));
    connect(btnEliminaLock, &QToolButton::clicked, this, guarded([this] { btnEliminaLockClick(); }));
}

void TForm1::createDataChain()
{
    SQLConnection = new ::SQLConnection(this);
    SQLConnection->setObjectName(QStringLiteral("SQLConnection"));
    // The designed connection: the stock SQL Server driver, used when no kind is selected.
    SQLConnection->DriverName = QStringLiteral("MSSQL");
    SQLConnection->ConnectionName = QStringLiteral("MSSQLConnection");
    SQLConnection->GetDriverFunc = QStringLiteral("getSQLDriverMSSQL");
    SQLConnection->LibraryName = QStringLiteral("dbxmss.dll");
    SQLConnection->VendorLib = QStringLiteral("sqlncli10.dll");
    SQLConnection->Params = QStringList{
        QStringLiteral("HostName=localhost"),
        QStringLiteral("DataBase=vestra"),
        QStringLiteral("User_Name=user"),
        QStringLiteral("Password=password"),
        QStringLiteral("BlobSize=-1"),
        QStringLiteral("ErrorResourceFile="),
        QStringLiteral("LocaleCode=0000"),
        QStringLiteral("MSSQL TransIsolation=ReadCommited"),
        QStringLiteral("OS Authentication=true"),
    };
    SQLConnection->AfterConnect = [this] { SQLConnectionAfterConnect(); };

    sdsLock = new SQLDataSet(this);
    sdsLock->setObjectName(QStringLiteral("sdsLock"));
    sdsLock->setSQLConnection(SQLConnection);
    sdsLock->GetMetadata = false;
    sdsLock->MaxBlobSize = -1;

    dspLock = new DataSetProvider(this);
    dspLock->setObjectName(QStringLiteral("dspLock"));
    dspLock->DataSet = sdsLock;
    dspLock->options = DataSetProvider::poAllowCommandText | DataSetProvider::poUseQuoteChar;

    cdsLock = new ClientDataSet(this);
    cdsLock->setObjectName(QStringLiteral("cdsLock"));
    cdsLock->ProviderName = QStringLiteral("dspLock");

    dtsLock = new DataSource(this);
    dtsLock->setObjectName(QStringLiteral("dtsLock"));
    dtsLock->setDataSet(cdsLock);

    SQL = new SQLDataSet(this);
    SQL->setObjectName(QStringLiteral("SQL"));
    SQL->setSQLConnection(SQLConnection);
    SQL->MaxBlobSize = -1;

    // The grid and its one view
    cxdbgrdkvoLock->setUsuario(0);
    cxdbgrdkvoLock->setContador(0);
    cxdbgrdkvoLock->setIdioma(1);
    cxdbgrdkvoLock->setSQLConnection(SQLConnection);
    cxdbgrdkvoLock->LookAndFeel.NativeStyle = false;
    cxgrdlvlDBGridKVO1Level1 = cxdbgrdkvoLock->CreateLevel(QStringLiteral("cxgrdlvlDBGridKVO1Level1"));
    cxgrdbtblvwLock = cxdbgrdkvoLock->CreateTableView(QStringLiteral("cxgrdbtblvwLock"));
    cxgrdbtblvwLock->setDataSource(dtsLock);
    cxgrdbtblvwLock->OptionsCustomize.ColumnFiltering = false;
    cxgrdbtblvwLock->OptionsData.Editing = false;
    cxgrdbtblvwLock->OptionsData.Inserting = false;
    cxgrdbtblvwLock->OptionsData.Deleting = false;
    cxgrdbtblvwLock->OptionsData.DeletingConfirmation = false;
    cxgrdbtblvwLock->OptionsData.CancelOnExit = false;
    cxgrdbtblvwLock->OptionsSelection.CellSelect = false;
    cxgrdbtblvwLock->OptionsSelection.InvertSelect = false;
    cxgrdbtblvwLock->OptionsView.GroupByBox = false;
    cxgrdbtblvwLock->OptionsView.Indicator = true;
    cxgrdbtblvwLock->optionsChanged();
    cxgrdbtblvwLock->setContentStyle(cxdbgrdkvoLock->cxEstiloLinha);
    cxgrdbtblvwLock->setContentOddStyle(cxdbgrdkvoLock->cxEstiloNormal);
    cxgrdbtblvwLock->setFooterStyle(cxdbgrdkvoLock->cxEstiloTotalTitulo);
    cxgrdbtblvwLock->setGroupStyle(cxdbgrdkvoLock->cxEstiloGrupo);
    cxgrdbtblvwLock->setHeaderStyle(cxdbgrdkvoLock->cxEstiloTitulo);
    cxdbgrdkvoLock->setLevelView(cxgrdlvlDBGridKVO1Level1, cxgrdbtblvwLock);

    // The command panel under the grid
    cxdbgrdpnlkvo1->setcxDBGridKVO(cxdbgrdkvoLock);
    cxdbgrdpnlkvo1->setIdioma(1);
    cxdbgrdpnlkvo1->TipoAgrupaExpande = teGrupo;
    cxdbgrdpnlkvo1->TipoGrafico = gTodos;
    cxdbgrdpnlkvo1->RelOrientacao = PSRetrato;
    cxdbgrdpnlkvo1->SetarGraficoPadrao = true;
    cxdbgrdpnlkvo1->AjustarAPagina = false;
    cxdbgrdpnlkvo1->EncolherAPagina = false;
    cxdbgrdpnlkvo1->ImprimirUmGrupoPorPagina = false;
    cxdbgrdpnlkvo1->ImprimirBandHeaders = true;
    cxdbgrdpnlkvo1->ImprimirGroupFooters = true;
    cxdbgrdpnlkvo1->ImprimirCaption = true;
    cxdbgrdpnlkvo1->ImprimirHeaders = true;
    cxdbgrdpnlkvo1->ImprimirFooters = true;
    cxdbgrdpnlkvo1->ImprimirFilterBar = true;
    cxdbgrdpnlkvo1->HabilitarBotoesAgrupamentoAutomatico = true;
    cxdbgrdpnlkvo1->FormatoNativo = true;
    cxdbgrdpnlkvo1->setEnableDefault(true);
    cxdbgrdpnlkvo1->setEnableExcel(true);
    cxdbgrdpnlkvo1->setEnableHTML(true);
    cxdbgrdpnlkvo1->setEnableImprimir(true);
    cxdbgrdpnlkvo1->setEnableSalvarConf(true);
    cxdbgrdpnlkvo1->setEnableRestaurarConf(true);
    cxdbgrdpnlkvo1->setEnableAgrupa(false);
    cxdbgrdpnlkvo1->setEnableDesagrupa(false);
    cxdbgrdpnlkvo1->setEnableGrafico(true);
    cxdbgrdpnlkvo1->setPanelSimples(false);
    cxdbgrdpnlkvo1->setVisibleBtnGrafico(true);
    cxdbgrdpnlkvo1->ExpExcelRegistroUnico = false;
}

void TForm1::layoutControls()
{
    const int w = width();
    const int h = height();
    const int barHeight = bar->sizeHint().height();
    Panel1->setGeometry(0, 0, w, 138);
    // Panel3 takes the right of Panel1 inside its border; the two buttons share it.
    Panel3->setGeometry(w - 1 - 317, 1, 317, 136);
    btnConsultaLock->setGeometry(1, 1, 158, 134);
    btnEliminaLock->setGeometry(317 - 1 - 158, 1, 158, 134);
    bar->setGeometry(0, h - barHeight, w, barHeight);
    Panel2->setGeometry(0, 138, w, qMax(0, h - 138 - barHeight));
    const int p2h = Panel2->height();
    pnlBotaoCxGrid->setGeometry(0, qMax(0, p2h - 41), w, 41);
    cxdbgrdkvoLock->setGeometry(0, 0, w, qMax(0, p2h - 41));
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void TForm1::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_painted)
        return;
    m_painted = true;
    // Start-up measurement: end the program once the window has been painted.
    if (qEnvironmentVariableIsSet("GERLOCK_QUIT_AFTER_FIRST_PAINT"))
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Outer size 643 x 449 with the window manager's frame; centred on the screen.
    const QSize frame = frameGeometry().size() - size();
    if (!frame.isEmpty() && !m_outerSizeFixed) {
        m_outerSizeFixed = true;
        resize(643 - frame.width(), 449 - frame.height());
    }
    if (QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(643 / 2, 449 / 2));
    }
    guard([this] { FormShow(); });
}

void TForm1::FormCreate()
{
    sPvUsuarioOracle = QStringLiteral("KVO");
    SenhadoBanco = QStringLiteral("vuldorikast");
}

void TForm1::FormShow()
{
    // Whatever happens below, the list's second query runs without metadata.
    struct MetadataOff
    {
        SQLDataSet *ds;
        ~MetadataOff() { ds->GetMetadata = false; }
    } metadataOff{SQL};

    if (!QFile::exists(QStringLiteral("conexao.dat")))
        return;
    ConexaoDat::Aplicador aplicador;
    aplicador.selecionaBanco = [this](int indice) { cbxBD->setCurrentIndex(indice); };
    aplicador.baseDados = [this](const QString &texto) { edtBaseDados->setText(texto); };
    aplicador.usuarioOracle = [this](const QString &texto) { sPvUsuarioOracle = texto; };
    const QString pasta = ConexaoDat::le(QStringLiteral("conexao.dat"), aplicador);
    edtUsuarioOracle->setText(sPvUsuarioOracle);
    if (pasta.isEmpty())
        return;
    const QString arquivoSenha = ConexaoDat::caminhoSenha(pasta);
    if (QFile::exists(arquivoSenha))
        SenhadoBanco = DecodificaSenha(ConexaoDat::primeiraLinha(arquivoSenha));
}

void TForm1::aplicaConfiguracao(int indice, bool primeiraTentativa)
{
    ::SQLConnection &c = *SQLConnection;
    if (indice == 0) {
        if (primeiraTentativa) {
            c.DriverName = QStringLiteral("DevartOracle");
            c.ConnectionName = QStringLiteral("Devart Oracle");
            c.GetDriverFunc = QStringLiteral("getSQLDriverORA");
            c.LibraryName = QStringLiteral("dbexpoda40.dll");
            c.VendorLib = QStringLiteral("OCI.DLL");
        } else {
            c.DriverName = QStringLiteral("ORACLE");
            c.ConnectionName = QStringLiteral("ORACLE");
            c.GetDriverFunc = QStringLiteral("getSQLDriverORACLE");
            c.LibraryName = QStringLiteral("dbxora.dll");
            c.VendorLib = QStringLiteral("oci.dll");
        }
        c.Params.clear();
        c.Params << QStringLiteral("BlobSize=-1")
                 << QStringLiteral("Oracle TransIsolation=ReadCommited")
                 << QStringLiteral("DataBase=") + edtBaseDados->text()
                 << QStringLiteral("User_Name=") + sPvUsuarioOracle
                 << QStringLiteral("Password=") + SenhadoBanco;
    } else if (indice == 1) {
        if (primeiraTentativa) {
            c.DriverName = QStringLiteral("DevartSQLServer");
            c.ConnectionName = QStringLiteral("Devart SQL Server");
            c.GetDriverFunc = QStringLiteral("getSQLDriverSQLServer");
            c.LibraryName = QStringLiteral("dbexpsda40.dll");
            c.VendorLib = QStringLiteral("sqloledb.dll");
        } else {
            c.DriverName = QStringLiteral("MSSQL");
            c.ConnectionName = QStringLiteral("MSSQLConnection");
            c.GetDriverFunc = QStringLiteral("getSQLDriverMSSQL");
            c.LibraryName = QStringLiteral("dbxmss.dll");
            c.VendorLib = QStringLiteral("sqlncli10.dll");
        }
        // server:database; the server part ends at the first colon
        const QString texto = edtBaseDados->text();
        const int doisPontos = int(texto.indexOf(u':'));
        const QString servidor = doisPontos < 0 ? QString() : texto.left(doisPontos);
        const QString base = doisPontos < 0 ? texto : texto.mid(doisPontos + 1);
        c.Params.clear();
        c.Params << QStringLiteral("BlobSize=-1")
                 << QStringLiteral("HostName=") + servidor
                 << QStringLiteral("DataBase=") + base
                 << QStringLiteral("User_Name=KVO")
                 << QStringLiteral("Password=") + SenhadoBanco
                 << QStringLiteral("ErrorResourceFile=")
                 << QStringLiteral("LocaleCode=0000")
                 << QStringLiteral("MSSQL TransIsolation=ReadCommited")
                 << QStringLiteral("OS Authentication=False");
    }
}

void TForm1::btnAbriBDClick()
{
    if (SQLConnection->Connected()) {
        btnAbriBD->setText(QStringLiteral("Abrir B.D."));
        lblSituacao->setText(QStringLiteral("[Fechado]"));
        SQLConnection->Close();
        btnConsultaLock->setEnabled(false);
    } else {
        sPvUsuarioOracle = edtUsuarioOracle->text();
        if (edtBaseDados->text().isEmpty()) {
            ui().message(UiServices::Kind::Information, QStringLiteral("Informe a Base de Dados."),
                         UiServices::Buttons::Ok);
            edtBaseDados->setFocus();
        } else {
            SQLConnection->LoadParamsOnConnect = false;
            SQLConnection->LoginPrompt = false;
            const int indice = cbxBD->currentIndex();
            aplicaConfiguracao(indice, true);
            try {
                SQLConnection->Open();
            } catch (const std::exception &) {
                if (indice != 0 && indice != 1)
                    throw;
                // The stock driver of the same kind gets its chance; its error is the one shown.
                aplicaConfiguracao(indice, false);
                SQLConnection->Open();
            }
            btnAbriBD->setText(QStringLiteral("Fecha B.D."));
            lblSituacao->setText(QStringLiteral("[Aberto]"));
            btnConsultaLock->setEnabled(true);
        }
    }
    btnEliminaLock->setEnabled(false);
}

void TForm1::SQLConnectionAfterConnect()
{
    if (cbxBD->currentIndex() == 1)
        SQLConnection->ExecuteDirect(QStringLiteral("SET LANGUAGE 'Brazilian'"));
}

void TForm1::criaColunas(bool oracle)
{
    for (int i = cxgrdbtblvwLock->ColumnCount() - 1; i >= 0; --i)
        cxgrdbtblvwLock->removeColumn(i);
    int posicao = 0;
    auto cria = [&](const ColunaLock &def) {
        GridColumn *coluna = cxgrdbtblvwLock->CreateColumn();
        coluna->setObjectName(QStringLiteral("vwLockColuna%1").arg(posicao++));
        coluna->FieldName = QString::fromLatin1(def.campo);
        coluna->Width = def.largura;
        if (*def.formato) {
            coluna->Properties = GridColumn::PropertiesKind::MaskEdit;
            coluna->DisplayFormatAssigned = true;
            coluna->DisplayFormat = QString::fromLatin1(def.formato);
        }
    };
    if (oracle)
        for (const ColunaLock &def : kColunasOracle)
            cria(def);
    else
        for (const ColunaLock &def : kColunasSqlServer)
            cria(def);
    cxgrdbtblvwLock->columnsChanged();
}

void TForm1::btnConsultaLockClick()
{
    BusyCursor cursor;
    cdsLock->Close();
    const bool oracle = cbxBD->currentIndex() == 0;
    criaColunas(oracle);
    if (oracle)
        consultaOracle();
    else
        consultaSqlServer();
}

void TForm1::consultaSqlServer()
{
    cdsLock->setIndexFieldNames(QString());
    cdsLock->CommandText = sqlSpWho2;
    cdsLock->setFilter(QStringLiteral("BlkBy <> '  .'"));
    cdsLock->setFiltered(true);
    cdsLock->Open();
    cdsLock->LogChanges = false;
    cdsLock->setIndexFieldNames(QStringLiteral("BlkBy"));

    SQL->Close();
    SQL->CommandText = sqlDetalheSqlServer;
    SQL->Open();

    auto cdsMerge = std::make_unique<ClientDataSet>(this);
    LockMerge::mescla(*cdsLock, *SQL, *cdsMerge);
    cdsLock->setData(cdsMerge->Data());
    btnEliminaLock->setEnabled(!cdsLock->isEmpty());
}

void TForm1::consultaOracle()
{
    cdsLock->setIndexFieldNames(QString());
    cdsLock->CommandText = sqlOracle;
    cdsLock->setFilter(QString());
    cdsLock->setFiltered(false);
    cdsLock->Open();
    cdsLock->setIndexFieldNames(QStringLiteral("sid_acu;serial_acu"));
    btnEliminaLock->setEnabled(!cdsLock->isEmpty());
}

void TForm1::btnEliminaLockClick()
{
    BusyCursor cursor;
    if (!cdsLock->active() || cdsLock->isEmpty())
        return;
    const bool oracle = cbxBD->currentIndex() == 0;
    const QStringList comandos = oracle ? LockKill::comandosOracle(*cdsLock) : LockKill::comandosSqlServer(*cdsLock);
    for (const QString &comando : comandos) {
        try {
            SQLConnection->ExecuteDirect(comando);
        } catch (const std::exception &) {
            // A refused kill (rights, session gone) is not reported: the refreshed list shows it.
        }
    }
    btnEliminaLock->setEnabled(false);
    ui().pause(3000);
    btnConsultaLock->click();
}
