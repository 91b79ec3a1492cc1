// The lock manager's window, headless, through the production code: the scripted SQL
// driver stands in for the ODBC drivers and records every statement.
#include "BusyLoop.h"
#include "ClientDataSet.h"
#include "CodificaSenha.h"
#include "DriverCatalog.h"
#include "GridColumn.h"
#include "GridTableView.h"
#include "RecordingUiServices.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "ScriptedSqlDriver.h"
#include "TableViewModel.h"
#include "Unit1.h"
#include "cxDBGridKVO.h"
#include "cxDBGridPanelKVO.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

const QString kDriverMissing18 = QStringLiteral("[unixODBC][Driver Manager]Can't open lib 'ODBC Driver 18 for SQL Server' : file not found");
const QString kDriverMissing17 = QStringLiteral("[unixODBC][Driver Manager]Can't open lib 'ODBC Driver 17 for SQL Server' : file not found");

QList<ScriptedColumn> colunasSpWho2()
{
    using T = QMetaType;
    return {{"SPID", T::Int, -1, OdbcType::Integer},       {"Status", T::QString, 30, OdbcType::WVarChar},
            {"Login", T::QString, 128, OdbcType::WVarChar}, {"HostName", T::QString, 128, OdbcType::WVarChar},
            {"BlkBy", T::QString, 5, OdbcType::Char},       {"DBName", T::QString, 128, OdbcType::WVarChar},
            {"Command", T::QString, 16, OdbcType::WChar},   {"CPUTime", T::Int, -1, OdbcType::Integer},
            {"DiskIO", T::Int, -1, OdbcType::Integer},      {"LastBatch", T::QString, 14, OdbcType::VarChar},
            {"ProgramName", T::QString, 128, OdbcType::WVarChar}, {"SPID", T::Int, -1, OdbcType::Integer},
            {"REQUESTID", T::Int, -1, OdbcType::Integer}};
}

QVariantList linhaSpWho2(int spid, const char *blkBy, const char *login = "dom\\ana")
{
    return {spid, "suspended", login, "PC1", blkBy, "vestra", "SELECT", 120, 7, "12/11 08:00:00",
            "app", spid, 0};
}

QList<ScriptedColumn> colunasDetalhe()
{
    using T = QMetaType;
    return {{"BlkBy", T::Int, -1, OdbcType::SmallInt},
            {"wait_time", T::Double, -1, OdbcType::Decimal, 6},
            {"statement_text", T::QString, 500, OdbcType::VarChar},
            {"login_name_acu", T::QString, 128, OdbcType::WVarChar},
            {"host_name_acu", T::QString, 128, OdbcType::WVarChar},
            {"program_name_acu", T::QString, 128, OdbcType::WVarChar}};
}

QList<ScriptedColumn> colunasOracle()
{
    using T = QMetaType;
    QList<ScriptedColumn> c;
    for (const char *n : {"maq_acu", "usu_acu", "pro_acu"})
        c << ScriptedColumn{n, T::QString, 64, OdbcType::WVarChar};
    for (const char *n : {"inst_acu", "sid_acu", "serial_acu"})
        c << ScriptedColumn{n, T::Double, -1, OdbcType::Decimal};
    for (const char *n : {"status_acu", "sql_acu", "maq_vit", "usu_vit", "pro_vit", "sql_vit"})
        c << ScriptedColumn{n, T::QString, 64, OdbcType::WVarChar};
    for (const char *n : {"SID", "ULTIMA_CHAMADA_VIT", "ULTIMA_CHAMADA_ACU"})
        c << ScriptedColumn{n, T::Double, -1, OdbcType::Decimal};
    return c;
}

QVariantList linhaOracle(int inst, int sid, int serial, int vitima)
{
    return {"maq", "os", "prog", inst, sid, serial, "ACTIVE", "update x", "maqv", "osv", "progv",
            "select y", vitima, 30, 40};
}

QStringList valoresColuna(TForm1 &w, const QString &campo)
{
    QStringList out;
    ClientDataSet *cds = w.cdsLock;
    const int f = cds->fieldIndex(campo);
    for (int r = 0; r < cds->recordCount(); ++r)
        out << (f < 0 ? QStringLiteral("<no field>") : cds->value(r, f).toString());
    return out;
}

// A blocking scene: 54 blocks three sessions, 77 blocks one but has no detail row,
// 55 is blocked by itself, the rest block nobody.
void cenaSqlServer(ScriptedSql &s)
{
    s.on(TForm1::sqlSpWho2, ScriptedReply::table(colunasSpWho2(), {
        linhaSpWho2(51, "  .  "), linhaSpWho2(60, "54   "), linhaSpWho2(61, "54   "),
        linhaSpWho2(54, "  .  ", "dom\\bob"), linhaSpWho2(62, "54   "), linhaSpWho2(80, "77   "),
        linhaSpWho2(55, "55   "), linhaSpWho2(77, "  .  "),
    }));
    s.on(TForm1::sqlDetalheSqlServer, ScriptedReply::table(colunasDetalhe(), {
        {54, 12.5, "update conta set saldo = 0", "dom\\bob", "PC-BOB", "Vestra"},
        {54, 99.0, "select * from conta", "dom\\bob", "PC-BOB", "Vestra"},
        {55, 1.0, "select 1", "dom\\cid", "PC-CID", "SSMS"},
    }));
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void janelaComoDesenhada();
    void painelDeComandos();
    void ordemDeTabulacao();
    void semConexaoDat();
    void conexaoDatESenha();
    void conexaoDatIlegivel();

    void abrirSemBaseDeDados();
    void abrirSqlServerPelaAlternativa();
    void abrirSqlServerPrimeiraTentativa();
    void abrirOracle();
    void abrirFalhaMostraErroDoDriver();
    void abrirSemTipoSelecionado();
    void fecharMantemALista();

    void consultaSqlServer();
    void consultaSemBloqueio();
    void consultaFalhaNaSegundaConsulta();
    void consultaTrocaDeTipo();
    void formatoDasColunasNumericas();

    void eliminaSqlServer();
    void eliminaOracle();
    void eliminaListaVazia();
    void eliminaEsperaTresSegundosSemCongelar();

private:
    void abre(int indice, const QString &base);

    std::unique_ptr<ScopedUi> m_ui;
    std::unique_ptr<TForm1> m_w;
    QTemporaryDir m_dir;
    QString m_cwd;
};

void TestForm1::initTestCase()
{
    ScriptedSql::install();
    DriverCatalog::setOdbcQtDriver(QString::fromLatin1(ScriptedSql::DriverName));
    m_cwd = QDir::currentPath();
}

void TestForm1::init()
{
    ScriptedSql::instance().reset();
    QDir::setCurrent(m_dir.path());
    QFile::remove(QStringLiteral("conexao.dat"));
    m_ui = std::make_unique<ScopedUi>();
    m_w = std::make_unique<TForm1>();
}

void TestForm1::cleanup()
{
    m_w.reset();
    m_ui.reset();
    QLocale::setDefault(QLocale::c());
    QDir::setCurrent(m_cwd);
}

void TestForm1::abre(int indice, const QString &base)
{
    // As a user would: the window is painted (its grid's first paint, with no database
    // open yet, restores nothing) before "Abrir B.D." is clicked.
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QTest::qWait(50);
    m_w->cbxBD->setCurrentIndex(indice);
    m_w->edtBaseDados->setText(base);
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QVERIFY2(m_w->SQLConnection->Connected(), qPrintable(m_ui->recorder().errorTexts().join(u'|')));
}

void TestForm1::janelaComoDesenhada()
{
    TForm1 &w = *m_w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Gerenciador de Lock"));
    QCOMPARE(w.frameGeometry().size(), QSize(643, 449));
    QCOMPARE(w.font().pixelSize(), 11);

    struct Esperado { QWidget *widget; QRect geometria; };
    const QList<Esperado> controles{
        {w.cbxBD, QRect(16, 25, 145, w.cbxBD->height())},
        {w.btnAbriBD, QRect(180, 19, 75, 25)},
        {w.edtBaseDados, QRect(16, 66, 241, w.edtBaseDados->height())},
        {w.edtUsuarioOracle, QRect(16, 111, 241, w.edtUsuarioOracle->height())},
        {w.btnConsultaLock, QRect(1, 1, 158, 134)},
        {w.btnEliminaLock, QRect(158, 1, 158, 134)},
    };
    for (const Esperado &e : controles)
        QCOMPARE(e.widget->geometry(), e.geometria);
    QCOMPARE(w.Label1->pos(), QPoint(16, 9));
    QCOMPARE(w.lblSituacao->pos(), QPoint(112, 9));
    QCOMPARE(w.Label4->pos(), QPoint(16, 50));
    QCOMPARE(w.Label2->pos(), QPoint(16, 95));
    QCOMPARE(w.Panel1->geometry(), QRect(0, 0, w.width(), 138));
    QCOMPARE(w.Panel3->width(), 317);
    QCOMPARE(w.Panel3->geometry().right(), w.Panel1->width() - 2);
    QCOMPARE(w.pnlBotaoCxGrid->height(), 41);
    QCOMPARE(w.pnlBotaoCxGrid->geometry().bottom(), w.Panel2->height() - 1);
    QCOMPARE(w.cxdbgrdkvoLock->geometry().bottom() + 1, w.pnlBotaoCxGrid->y());
    QCOMPARE(w.bar->geometry().bottom(), w.height() - 1);
    QCOMPARE(w.Panel2->y(), 138);

    QCOMPARE(w.Label1->text(), QStringLiteral("Banco de Dados"));
    QCOMPARE(w.Label4->text(), QStringLiteral("Base de Dados"));
    QCOMPARE(w.Label2->text(), QStringLiteral("Usuário Oracle"));
    QCOMPARE(w.lblSituacao->text(), QStringLiteral("[Fechado]"));
    QCOMPARE(w.lblSituacao->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(w.cbxBD->count(), 2);
    QCOMPARE(w.cbxBD->itemText(0), QStringLiteral("Oracle"));
    QCOMPARE(w.cbxBD->itemText(1), QStringLiteral("SQL Server"));
    QVERIFY(!w.cbxBD->isEditable());
    QCOMPARE(w.btnAbriBD->text(), QStringLiteral("Abrir B.D."));
    QCOMPARE(w.btnConsultaLock->text(), QStringLiteral("Consulta Lock"));
    QCOMPARE(w.btnEliminaLock->text(), QStringLiteral("Elimina Lock"));
    QCOMPARE(w.btnConsultaLock->iconSize(), QSize(32, 32));
    QVERIFY(!w.btnConsultaLock->icon().isNull() && !w.btnEliminaLock->icon().isNull());
    QVERIFY(!w.btnConsultaLock->isEnabled());
    QVERIFY(!w.btnEliminaLock->isEnabled());

    // Fields and the data chain as designed
    QCOMPARE(w.sPvUsuarioOracle, QStringLiteral("KVO"));
    QCOMPARE(w.SenhadoBanco, QStringLiteral("vuldorikast"));
    QVERIFY(!w.SQL->GetMetadata);
    QVERIFY(!w.sdsLock->GetMetadata);
    QCOMPARE(w.cdsLock->ProviderName, QStringLiteral("dspLock"));
    QCOMPARE(w.cxdbgrdkvoLock->Idioma(), 1);
    QCOMPARE(w.cxdbgrdkvoLock->sqlConnection(), w.SQLConnection);
    QCOMPARE(w.cxdbgrdkvoLock->ActiveView(), static_cast<GridView *>(w.cxgrdbtblvwLock));
    QCOMPARE(w.cxgrdbtblvwLock->styles().Content.data(), w.cxdbgrdkvoLock->cxEstiloLinha);
    QCOMPARE(w.cxgrdbtblvwLock->styles().ContentOdd.data(), w.cxdbgrdkvoLock->cxEstiloNormal);
    QCOMPARE(w.cxgrdbtblvwLock->styles().Header.data(), w.cxdbgrdkvoLock->cxEstiloTitulo);
    QCOMPARE(w.cxgrdbtblvwLock->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(w.cxgrdbtblvwLock->selectionBehavior(), QAbstractItemView::SelectRows);
}

void TestForm1::painelDeComandos()
{
    TForm1 &w = *m_w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TcxDBGridPanelKVO *p = w.cxdbgrdpnlkvo1;
    QVERIFY(p);
    QCOMPARE(p->objectName(), QStringLiteral("cxdbgrdpnlkvo1"));
    QCOMPARE(p->parentWidget(), w.pnlBotaoCxGrid);
    QCOMPARE(p->geometry(), QRect(11, 6, 310, 33));
    QCOMPARE(p->FormPai.data(), static_cast<QWidget *>(&w));
    QCOMPARE(p->cxDBGridKVO(), w.cxdbgrdkvoLock);
    QCOMPARE(p->Idioma(), 1);
    QCOMPARE(p->TipoAgrupaExpande, teGrupo);
    QCOMPARE(p->TipoGrafico, gTodos);
    QCOMPARE(p->RelOrientacao, PSRetrato);
    QVERIFY(p->SetarGraficoPadrao && p->HabilitarBotoesAgrupamentoAutomatico && p->FormatoNativo);
    QVERIFY(!p->AjustarAPagina && !p->EncolherAPagina && !p->ImprimirUmGrupoPorPagina);
    QVERIFY(p->ImprimirBandHeaders && p->ImprimirGroupFooters && p->ImprimirCaption && p->ImprimirHeaders
            && p->ImprimirFooters && p->ImprimirFilterBar);
    QVERIFY(p->EnableDefault() && p->EnableExcel() && p->EnableHTML() && p->EnableImprimir()
            && p->EnableSalvarConf() && p->EnableRestaurarConf() && p->EnableGrafico());
    QVERIFY(!p->EnableAgrupa() && !p->EnableDesagrupa());
    QVERIFY(!p->PanelSimples() && p->VisibleBtnGrafico() && !p->ExpExcelRegistroUnico);
    QVERIFY(p->Tecnologia().isEmpty());
    QVERIFY(!p->Grafico() && !p->ComponentePaiGrid());
    // no chooser container: the image is hidden and the nine buttons start at 5
    QVERIFY(p->fImgGrid->isHidden());
    const QList<TBitBtn *> botoes{p->fBtnDefault, p->fBtnExcel, p->fBtnHTML, p->fBtnImprimir, p->fBtnSalvarConf,
                                  p->fBtnRestaurarConf, p->fBtnAgrupa, p->fBtnDesagrupa, p->fBtnGrafico};
    for (int i = 0; i < botoes.size(); ++i) {
        QCOMPARE(botoes[i]->geometry(), QRect(5 + 31 * i, 4, 29, 25));
        QVERIFY(botoes[i]->isVisible());
    }
    QCOMPARE(p->fBtnExcel->toolTip(), QStringLiteral("Exportar para planilha XLS"));
    // no popup menu is made at start
    QVERIFY(!p->fPopUpGrid && !p->fPopUpAbrirConf && !p->fPopUpSalvarConf && !p->fPopExportaExcel);
    // the permission check works over the window's connection, whose database is not open
    QVERIFY(p->ConexaoDisponivel());
}

void TestForm1::ordemDeTabulacao()
{
    TForm1 &w = *m_w;
    w.show();
    w.btnConsultaLock->setEnabled(true);
    w.btnEliminaLock->setEnabled(true);
    QList<QWidget *> ordem;
    QWidget *atual = w.cbxBD;
    for (int i = 0; i < 40 && ordem.size() < 6; ++i) {
        if (atual->focusPolicy() & Qt::TabFocus && w.Panel1->isAncestorOf(atual) && !ordem.contains(atual))
            ordem << atual;
        atual = atual->nextInFocusChain();
    }
    const QList<QWidget *> esperada{w.cbxBD, w.btnAbriBD, w.edtBaseDados, w.btnConsultaLock,
                                    w.btnEliminaLock, w.edtUsuarioOracle};
    QCOMPARE(ordem, esperada);
}

void TestForm1::semConexaoDat()
{
    m_w->show();
    QCOMPARE(m_w->cbxBD->currentIndex(), -1);
    QCOMPARE(m_w->edtBaseDados->text(), QStringLiteral("c:\\base\\vestra\\vestra.gdb"));
    QCOMPARE(m_w->edtUsuarioOracle->text(), QStringLiteral("KVO"));
    QCOMPARE(m_w->SenhadoBanco, QStringLiteral("vuldorikast"));
    QVERIFY(m_ui->recorder().errors.isEmpty());
}

void TestForm1::conexaoDatESenha()
{
    QDir().mkpath(QStringLiteral("dados"));
    QFile senha(QStringLiteral("dados/senhabd.dat"));
    QVERIFY(senha.open(QIODevice::WriteOnly));
    senha.write(CodificaSenha(QStringLiteral("Pr0d;{x}"), 3).toLatin1() + "\r\nignorada\r\n");
    senha.close();
    QFile f(QStringLiteral("conexao.dat"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("  // DATABASE=comentario\r\nBANCODADOS=ORACLE\r\nDATABASE=PROD\r\n"
            "DIRATUALIZACAO=" + QDir::current().absoluteFilePath("dados").toUtf8() + "\r\n"
            "[USUARIO_ORACLE]=ADM\r\n");
    f.close();
    m_w->show();
    QCOMPARE(m_w->cbxBD->currentIndex(), 0);
    QCOMPARE(m_w->edtBaseDados->text(), QStringLiteral("PROD"));
    QCOMPARE(m_w->sPvUsuarioOracle, QStringLiteral("ADM"));
    QCOMPARE(m_w->edtUsuarioOracle->text(), QStringLiteral("ADM"));
    QCOMPARE(m_w->SenhadoBanco, QStringLiteral("Pr0d;{x}"));

    // A file naming no user shows the default user; a folder without senhabd.dat keeps
    // the password.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("BANCODADOS=SQL Server\nDIRATUALIZACAO=/nao/existe\n");
    f.close();
    TForm1 outra;
    outra.show();
    QCOMPARE(outra.cbxBD->currentIndex(), 1);
    QCOMPARE(outra.edtUsuarioOracle->text(), QStringLiteral("KVO"));
    QCOMPARE(outra.SenhadoBanco, QStringLiteral("vuldorikast"));
    QVERIFY(m_ui->recorder().errors.isEmpty());
}

void TestForm1::conexaoDatIlegivel()
{
    QVERIFY(QDir().mkdir(QStringLiteral("conexao.dat")));
    m_w->show();
    QCOMPARE(m_ui->recorder().errors.size(), 1);
    QVERIFY(m_ui->recorder().errors.first().text.contains(QStringLiteral("conexao.dat")));
    QVERIFY(m_w->isVisible());
    QVERIFY(!m_w->SQL->GetMetadata);
    QDir().rmdir(QStringLiteral("conexao.dat"));
}

void TestForm1::abrirSemBaseDeDados()
{
    TForm1 &w = *m_w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.cbxBD->setCurrentIndex(1);
    w.edtBaseDados->clear();
    w.edtUsuarioOracle->setText(QStringLiteral("OUTRO"));
    w.btnAbriBD->setFocus();
    QTest::mouseClick(w.btnAbriBD, Qt::LeftButton);
    const auto &msgs = m_ui->recorder().messages;
    QCOMPARE(msgs.size(), 1);
    QCOMPARE(msgs.first().text, QStringLiteral("Informe a Base de Dados."));
    QCOMPARE(msgs.first().kind, UiServices::Kind::Information);
    QCOMPARE(msgs.first().buttons, UiServices::Buttons::Ok);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.edtBaseDados));
    QCOMPARE(w.sPvUsuarioOracle, QStringLiteral("OUTRO"));
    QVERIFY(!w.SQLConnection->Connected());
    QCOMPARE(w.lblSituacao->text(), QStringLiteral("[Fechado]"));
    QVERIFY(!w.btnConsultaLock->isEnabled());
    QVERIFY(ScriptedSql::instance().opens().isEmpty());
}

void TestForm1::abrirSqlServerPelaAlternativa()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.failOpen(QStringLiteral("ODBC Driver 18"), kDriverMissing18);
    s.failOpen(QStringLiteral("ODBC Driver 17"), kDriverMissing17);
    m_w->SenhadoBanco = QStringLiteral("p;w{d}");
    m_w->edtUsuarioOracle->setText(QStringLiteral("NAO_USADO"));
    abre(1, QStringLiteral("srv\\inst:base:com:dois"));

    TForm1 &w = *m_w;
    QVERIFY(m_ui->recorder().errors.isEmpty());
    QCOMPARE(w.SQLConnection->DriverName, QStringLiteral("MSSQL"));
    QCOMPARE(w.SQLConnection->ConnectionName, QStringLiteral("MSSQLConnection"));
    QCOMPARE(w.SQLConnection->GetDriverFunc, QStringLiteral("getSQLDriverMSSQL"));
    QCOMPARE(w.SQLConnection->LibraryName, QStringLiteral("dbxmss.dll"));
    QCOMPARE(w.SQLConnection->VendorLib, QStringLiteral("sqlncli10.dll"));
    QVERIFY(!w.SQLConnection->LoadParamsOnConnect);
    QVERIFY(!w.SQLConnection->LoginPrompt);
    QCOMPARE(w.SQLConnection->Params,
             QStringList({"BlobSize=-1", "HostName=srv\\inst", "DataBase=base:com:dois", "User_Name=KVO",
                          "Password=p;w{d}", "ErrorResourceFile=", "LocaleCode=0000",
                          "MSSQL TransIsolation=ReadCommited", "OS Authentication=False"}));

    const QStringList tentativas = s.openedConnectStrings();
    QCOMPARE(tentativas.size(), 3);
    QVERIFY(tentativas.at(0).contains(QStringLiteral("{ODBC Driver 18 for SQL Server}")));
    QVERIFY(tentativas.at(1).contains(QStringLiteral("{ODBC Driver 17 for SQL Server}")));
    QCOMPARE(tentativas.at(2), QStringLiteral("DRIVER={FreeTDS};Server=srv\\inst;Database=base:com:dois;UID=KVO;"
                                              "PWD={p;w{d}};APP=Gerenciador de Lock;ClientCharset=UTF-8;"));
    QCOMPARE(s.statementTexts(), QStringList({"SET LANGUAGE 'Brazilian'"}));
    QVERIFY(!s.statements().first().onMainThread);

    QCOMPARE(w.btnAbriBD->text(), QStringLiteral("Fecha B.D."));
    QCOMPARE(w.lblSituacao->text(), QStringLiteral("[Aberto]"));
    QCOMPARE(w.lblSituacao->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(w.btnConsultaLock->isEnabled());
    QVERIFY(!w.btnEliminaLock->isEnabled());
    QVERIFY(m_ui->recorder().busyCalls.isEmpty()); // opening does not change the cursor
}

void TestForm1::abrirSqlServerPrimeiraTentativa()
{
    abre(1, QStringLiteral("base"));
    ScriptedSql &s = ScriptedSql::instance();
    QCOMPARE(m_w->SQLConnection->DriverName, QStringLiteral("DevartSQLServer"));
    QCOMPARE(m_w->SQLConnection->ConnectionName, QStringLiteral("Devart SQL Server"));
    QCOMPARE(m_w->SQLConnection->LibraryName, QStringLiteral("dbexpsda40.dll"));
    QCOMPARE(m_w->SQLConnection->VendorLib, QStringLiteral("sqloledb.dll"));
    QCOMPARE(s.opens().size(), 1);
    QVERIFY(s.opens().first().connectString.contains(QStringLiteral("Server=;Database=base;")));
    QVERIFY(s.opens().first().connectString.contains(QStringLiteral("Trusted_Connection=No")));
    QVERIFY(s.opens().first().connectOptions.contains(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=")));
    QCOMPARE(s.statementTexts(), QStringList({"SET LANGUAGE 'Brazilian'"}));

    // Closing and opening again sends the language statement on every open.
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QCOMPARE(s.count(QStringLiteral("SET LANGUAGE 'Brazilian'")), 2);
}

void TestForm1::abrirOracle()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.failOpen(QStringLiteral("Oracle 2"), QStringLiteral("[unixODBC][Driver Manager]Data source name not found"));
    s.failOpen(QStringLiteral("Oracle 19"), QStringLiteral("[unixODBC][Driver Manager]Data source name not found"));
    m_w->edtUsuarioOracle->setText(QStringLiteral("ADM"));
    abre(0, QStringLiteral("srv:1521/ORCL"));
    TForm1 &w = *m_w;
    QCOMPARE(w.SQLConnection->DriverName, QStringLiteral("ORACLE"));
    QCOMPARE(w.SQLConnection->GetDriverFunc, QStringLiteral("getSQLDriverORACLE"));
    QCOMPARE(w.SQLConnection->LibraryName, QStringLiteral("dbxora.dll"));
    QCOMPARE(w.SQLConnection->VendorLib, QStringLiteral("oci.dll"));
    QCOMPARE(w.SQLConnection->Params,
             QStringList({"BlobSize=-1", "Oracle TransIsolation=ReadCommited", "DataBase=srv:1521/ORCL",
                          "User_Name=ADM", "Password=vuldorikast"}));
    QCOMPARE(s.opens().size(), 4);
    QCOMPARE(s.opens().last().connectString,
             QStringLiteral("DRIVER={Oracle ODBC Driver};DBQ=srv:1521/ORCL;UID=ADM;PWD=vuldorikast;"));
    QVERIFY(s.statementTexts().isEmpty()); // no language statement for Oracle
}

void TestForm1::abrirFalhaMostraErroDoDriver()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.failOpen(QStringLiteral("ODBC Driver 18"), kDriverMissing18);
    s.failOpen(QStringLiteral("ODBC Driver 17"), kDriverMissing17);
    s.failOpen(QStringLiteral("FreeTDS"), QStringLiteral("[FreeTDS][SQL Server]Login failed for user 'KVO'."));
    m_w->show();
    m_w->cbxBD->setCurrentIndex(1);
    m_w->edtBaseDados->setText(QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QCOMPARE(m_ui->recorder().errorTexts(), QStringList({"[FreeTDS][SQL Server]Login failed for user 'KVO'."}));
    QVERIFY(!m_w->SQLConnection->Connected());
    QCOMPARE(m_w->btnAbriBD->text(), QStringLiteral("Abrir B.D."));
    QCOMPARE(m_w->lblSituacao->text(), QStringLiteral("[Fechado]"));
    QVERIFY(!m_w->btnConsultaLock->isEnabled());
    QVERIFY(!m_w->btnEliminaLock->isEnabled());
    QCOMPARE(m_w->SQLConnection->DriverName, QStringLiteral("MSSQL")); // the failed attempt's

    // The language statement failing makes the open fail too.
    s.reset();
    s.on(QStringLiteral("SET LANGUAGE 'Brazilian'"), ScriptedReply::failure(QStringLiteral("Idioma desconhecido.")));
    m_ui->recorder().clear();
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QCOMPARE(m_ui->recorder().errorTexts(), QStringList({"Idioma desconhecido."}));
    QVERIFY(!m_w->SQLConnection->Connected());
    QCOMPARE(s.opens().size(), 2); // first attempt and fallback each opened and failed
}

void TestForm1::abrirSemTipoSelecionado()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.failOpen(QStringLiteral("FreeTDS"), QStringLiteral("Unable to connect"));
    m_w->show();
    m_w->edtBaseDados->setText(QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QCOMPARE(s.opens().size(), 1); // no fallback without a kind
    QCOMPARE(m_ui->recorder().errorTexts(), QStringList({"Unable to connect"}));
    // The designed connection: the stock driver with operating-system authentication.
    QVERIFY(s.opens().first().connectString.contains(QStringLiteral("Trusted_Connection=Yes")));
    QCOMPARE(m_w->SQLConnection->DriverName, QStringLiteral("MSSQL"));
}

void TestForm1::fecharMantemALista()
{
    cenaSqlServer(ScriptedSql::instance());
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QCOMPARE(m_w->cxgrdbtblvwLock->rowCountShown(), 5);
    QVERIFY(m_w->btnEliminaLock->isEnabled());
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QVERIFY(!m_w->SQLConnection->Connected());
    QCOMPARE(m_w->lblSituacao->text(), QStringLiteral("[Fechado]"));
    QCOMPARE(m_w->btnAbriBD->text(), QStringLiteral("Abrir B.D."));
    QVERIFY(!m_w->btnConsultaLock->isEnabled());
    QVERIFY(!m_w->btnEliminaLock->isEnabled());
    QCOMPARE(m_w->cxgrdbtblvwLock->rowCountShown(), 5);
    QVERIFY(m_w->cbxBD->isEnabled() && m_w->edtBaseDados->isEnabled() && m_w->edtUsuarioOracle->isEnabled());
}

void TestForm1::consultaSqlServer()
{
    ScriptedSql &s = ScriptedSql::instance();
    cenaSqlServer(s);
    abre(1, QStringLiteral("srv:base"));
    s.clearRecording();
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QVERIFY2(m_ui->recorder().errors.isEmpty(), qPrintable(m_ui->recorder().errorTexts().join(u'|')));
    QCOMPARE(s.statementTexts(), QStringList({TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer}));

    GridTableView *v = m_w->cxgrdbtblvwLock;
    QCOMPARE(v->ColumnCount(), 18);
    const QStringList campos{"SPID", "Status", "Login", "HostName", "BlkBy", "DBName", "Command", "CPUTime",
                             "DiskIO", "LastBatch", "ProgramName", "SPID_1", "REQUESTID", "wait_time",
                             "statement_text", "login_name_acu", "host_name_acu", "program_name_acu"};
    const QList<int> larguras{60, 90, 150, 150, 60, 70, 70, 70, 70, 90, 150, 70, 70, 70, 200, 130, 130, 200};
    for (int i = 0; i < 18; ++i) {
        GridColumn *c = v->Columns(i);
        QCOMPARE(c->objectName(), QStringLiteral("vwLockColuna%1").arg(i));
        QCOMPARE(c->FieldName, campos.at(i));
        QCOMPARE(c->Width, larguras.at(i));
        QCOMPARE(v->columnWidth(i), larguras.at(i));
        QCOMPARE(v->model()->headerData(i, Qt::Horizontal).toString(), campos.at(i));
    }
    QCOMPARE(v->Columns(13)->DisplayFormat, QStringLiteral("#######0,000"));
    QCOMPARE(v->Columns(13)->Properties, GridColumn::PropertiesKind::MaskEdit);
    QVERIFY(v->Columns(0)->DisplayFormatAssigned);
    QCOMPARE(v->Columns(1)->Properties, GridColumn::PropertiesKind::Text);

    // Blocked sessions only, in BlkBy order; the 54 victims share the first detail row.
    QCOMPARE(valoresColuna(*m_w, "SPID"), QStringList({"60", "61", "62", "55", "80"}));
    QCOMPARE(valoresColuna(*m_w, "SPID_1"), QStringList({"60", "61", "62", "55", "80"}));
    QCOMPARE(valoresColuna(*m_w, "statement_text"),
             QStringList({"update conta set saldo = 0", "update conta set saldo = 0", "update conta set saldo = 0",
                          "select 1", ""}));
    QCOMPARE(valoresColuna(*m_w, "host_name_acu"), QStringList({"PC-BOB", "PC-BOB", "PC-BOB", "PC-CID", ""}));
    QCOMPARE(m_w->cdsLock->filter(), QStringLiteral("BlkBy <> '  .'"));
    QVERIFY(m_w->cdsLock->filtered());
    QCOMPARE(m_w->cdsLock->indexFieldNames(), QStringLiteral("BlkBy"));
    QCOMPARE(v->rowCountShown(), 5);
    QVERIFY(m_w->btnEliminaLock->isEnabled());
    QCOMPARE(m_ui->recorder().busyCalls, QList<bool>({true, false}));
    QVERIFY(m_w->SQL->active());
}

void TestForm1::consultaSemBloqueio()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.on(TForm1::sqlSpWho2, ScriptedReply::table(colunasSpWho2(), {linhaSpWho2(51, "  .  "), linhaSpWho2(52, "  .  ")}));
    s.on(TForm1::sqlDetalheSqlServer, ScriptedReply::table(colunasDetalhe()));
    m_w->show();
    m_w->edtBaseDados->setText(QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton); // no kind: the SQL Server form
    QVERIFY(m_w->SQLConnection->Connected());
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QVERIFY(m_ui->recorder().errors.isEmpty());
    QVERIFY(m_w->cdsLock->isEmpty());
    QCOMPARE(m_w->cdsLock->fieldCount(), 18);
    QVERIFY(!m_w->btnEliminaLock->isEnabled());
}

void TestForm1::consultaFalhaNaSegundaConsulta()
{
    ScriptedSql &s = ScriptedSql::instance();
    cenaSqlServer(s);
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QVERIFY(m_w->btnEliminaLock->isEnabled());

    s.set(TForm1::sqlDetalheSqlServer,
         ScriptedReply::failure(QStringLiteral("The user does not have permission to perform this action.")));
    m_ui->recorder().clear();
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QCOMPARE(m_ui->recorder().errorTexts(),
             QStringList({"The user does not have permission to perform this action."}));
    QCOMPARE(m_ui->recorder().busyDepth, 0);
    QCOMPARE(m_ui->recorder().busyCalls, QList<bool>({true, false}));
    // The filtered sp_who2 rows, the detail columns empty.
    QCOMPARE(valoresColuna(*m_w, "SPID"), QStringList({"60", "61", "62", "55", "80"}));
    QCOMPARE(m_w->cxgrdbtblvwLock->viewModel()->displayText(0, 14), QString());
    QVERIFY(m_w->btnEliminaLock->isEnabled()); // as before the click

    // A failed list query: columns over an empty list.
    s.set(TForm1::sqlSpWho2, ScriptedReply::failure(QStringLiteral("Could not find stored procedure 'sp_who2'.")));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QCOMPARE(m_ui->recorder().errors.size(), 2);
    QCOMPARE(m_w->cxgrdbtblvwLock->ColumnCount(), 18);
    QCOMPARE(m_w->cxgrdbtblvwLock->rowCountShown(), 0);
    QCOMPARE(m_ui->recorder().busyDepth, 0);
}

void TestForm1::consultaTrocaDeTipo()
{
    ScriptedSql &s = ScriptedSql::instance();
    cenaSqlServer(s);
    s.on(TForm1::sqlOracle, ScriptedReply::table(colunasOracle(), {linhaOracle(1, 123, 4567, 200),
                                                                    linhaOracle(1, 99, 5, 201),
                                                                    linhaOracle(2, 123, 4567, 202)}));
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QCOMPARE(m_w->cdsLock->recordCount(), 5);

    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    m_w->cbxBD->setCurrentIndex(0);
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QVERIFY2(m_ui->recorder().errors.isEmpty(), qPrintable(m_ui->recorder().errorTexts().join(u'|')));
    QCOMPARE(m_w->cxgrdbtblvwLock->ColumnCount(), 15);
    QCOMPARE(m_w->cxgrdbtblvwLock->Columns(12)->FieldName, QStringLiteral("sid"));
    QCOMPARE(m_w->cdsLock->recordCount(), 3);
    QVERIFY(!m_w->cdsLock->filtered());
    QCOMPARE(m_w->cdsLock->indexFieldNames(), QStringLiteral("sid_acu;serial_acu"));
    QCOMPARE(valoresColuna(*m_w, "sid_acu"), QStringList({"99", "123", "123"}));
    QVERIFY(m_w->btnEliminaLock->isEnabled());

    // and back to SQL Server
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    m_w->cbxBD->setCurrentIndex(1);
    QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton);
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    QVERIFY(m_ui->recorder().errors.isEmpty());
    QCOMPARE(m_w->cdsLock->recordCount(), 5);
    QCOMPARE(m_w->cdsLock->indexFieldNames(), QStringLiteral("BlkBy"));
}

void TestForm1::formatoDasColunasNumericas()
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ScriptedSql &s = ScriptedSql::instance();
    cenaSqlServer(s);
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    TableViewModel *m = m_w->cxgrdbtblvwLock->viewModel();
    QCOMPARE(m->displayText(0, 0), QStringLiteral("60"));      // "#########0"
    QCOMPARE(m->displayText(0, 13), QStringLiteral("0.013"));  // 12.5 s, "#######0,000"
    QCOMPARE(m->displayText(0, 4), QStringLiteral("54   "));   // text as it came
    QCOMPARE(m->data(m->index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
}

void TestForm1::eliminaSqlServer()
{
    ScriptedSql &s = ScriptedSql::instance();
    cenaSqlServer(s);
    s.on(QStringLiteral("kill 54"), ScriptedReply::failure(QStringLiteral("Only user processes can be killed.")));
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    s.clearRecording();
    m_ui->recorder().clear();

    QTest::mouseClick(m_w->btnEliminaLock, Qt::LeftButton);
    // One statement per blocker in list order; none for the self-blocked 55; a refused
    // kill goes unreported and the walk goes on.
    QCOMPARE(s.statementTexts(), QStringList({"kill 54", "kill 77", TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer}));
    QVERIFY(m_ui->recorder().errors.isEmpty());
    QVERIFY(m_ui->recorder().messages.isEmpty());
    QCOMPARE(m_ui->recorder().pauses, QList<int>({3000}));
    QCOMPARE(m_ui->recorder().busyDepth, 0);
    QCOMPARE(m_ui->recorder().maxBusyDepth, 2); // the refresh runs inside the kill's hourglass
    QVERIFY(m_w->btnEliminaLock->isEnabled());  // rows remain

    // The blockers gone: the refresh leaves "Elimina Lock" disabled.
    s.set(TForm1::sqlSpWho2, ScriptedReply::table(colunasSpWho2(), {linhaSpWho2(51, "  .  ")}));
    QTest::mouseClick(m_w->btnEliminaLock, Qt::LeftButton);
    QVERIFY(!m_w->btnEliminaLock->isEnabled());
    QVERIFY(m_w->cdsLock->isEmpty());
}

void TestForm1::eliminaOracle()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.on(TForm1::sqlOracle, ScriptedReply::table(colunasOracle(), {linhaOracle(1, 123, 4567, 200),
                                                                    linhaOracle(1, 123, 4567, 201),
                                                                    linhaOracle(2, 123, 4567, 202)}));
    abre(0, QStringLiteral("ORCL"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    s.clearRecording();
    QTest::mouseClick(m_w->btnEliminaLock, Qt::LeftButton);
    QCOMPARE(s.statementTexts(), QStringList({"ALTER SYSTEM KILL SESSION '123,4567,@1'",
                                              "ALTER SYSTEM KILL SESSION '123,4567,@2'", TForm1::sqlOracle}));
}

void TestForm1::eliminaListaVazia()
{
    ScriptedSql &s = ScriptedSql::instance();
    s.on(TForm1::sqlSpWho2, ScriptedReply::failure(QStringLiteral("connection lost")));
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    s.clearRecording();
    m_ui->recorder().clear();
    m_w->btnEliminaLock->setEnabled(true); // as it may be after a failed query
    QTest::mouseClick(m_w->btnEliminaLock, Qt::LeftButton);
    QVERIFY(s.statementTexts().isEmpty());
    QVERIFY(m_ui->recorder().pauses.isEmpty());
    QCOMPARE(m_ui->recorder().busyCalls, QList<bool>({true, false}));
}

void TestForm1::eliminaEsperaTresSegundosSemCongelar()
{
    ScriptedSql &s = ScriptedSql::instance();
    cenaSqlServer(s);
    abre(1, QStringLiteral("srv:base"));
    QTest::mouseClick(m_w->btnConsultaLock, Qt::LeftButton);
    s.clearRecording();
    m_ui->recorder().realPause = true;

    // During the pause: timers run (the window paints), clicks are dropped.
    int ticks = 0;
    bool bloqueado = false;
    QTimer relogio;
    relogio.setInterval(100);
    connect(&relogio, &QTimer::timeout, this, [&] {
        ++ticks;
        if (ticks == 5) {
            bloqueado = BusyLoop::inputBlocked();
            QTest::mouseClick(m_w->btnAbriBD, Qt::LeftButton); // would close the connection
        }
    });
    relogio.start();
    QTest::mouseClick(m_w->btnEliminaLock, Qt::LeftButton);
    relogio.stop();

    QVERIFY(ticks >= 20);
    QVERIFY(bloqueado);
    QVERIFY(m_w->SQLConnection->Connected());
    const QList<ScriptedEvent> eventos = s.statements();
    QCOMPARE(eventos.size(), 4);
    QCOMPARE(eventos.at(1).sql, QStringLiteral("kill 77"));
    QCOMPARE(eventos.at(2).sql, TForm1::sqlSpWho2);
    QVERIFY2(eventos.at(2).atMs - eventos.at(1).atMs >= 3000,
             qPrintable(QString::number(eventos.at(2).atMs - eventos.at(1).atMs)));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
