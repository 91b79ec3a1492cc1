// The SQL Server road as a user takes it, through the driver stack a user has: the
// window's code, Qt's ODBC driver, unixODBC and FreeTDS, against our TDS test server on
// loopback. Microsoft's ODBC driver is not installed here, so every open goes through
// the first attempt's failure and the FreeTDS fallback.
#include "CenaBloqueio.h"
#include "ClientDataSet.h"
#include "CodificaSenha.h"
#include "DriverCatalog.h"
#include "GridTableView.h"
#include "KVOUtils.h"
#include "RecordingUiServices.h"
#include "SQLConnection.h"
#include "TdsTestServer.h"
#include "Unit1.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {
const QString kSenha = QStringLiteral("Kv0;{s3nha}");

QStringList semConexao(const QStringList &todas)
{
    // What QODBC and FreeTDS send on their own while connecting.
    QStringList out;
    for (const QString &s : todas)
        if (!s.startsWith(QStringLiteral("sp_datatype_info")) && !s.contains(QStringLiteral("SET QUOTED_IDENTIFIER"))
            && !s.startsWith(QStringLiteral("SET TRANSACTION ISOLATION")))
            out << s;
    return out;
}

QStringList campo(ClientDataSet *cds, const QString &nome)
{
    QStringList out;
    const int f = cds->fieldIndex(nome);
    for (int r = 0; r < cds->recordCount(); ++r)
        out << cds->value(r, f).toString();
    return out;
}
} // namespace

class TestSqlServerTds : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void abreConsultaEliminaEAtualiza();
    void conexaoCaiDuranteAConsulta();
    void loginSemResposta();

private:
    void escreveConfiguracao(quint16 porta);

    std::unique_ptr<tds::TestServer> m_servidor;
    std::unique_ptr<ScopedUi> m_ui;
    QTemporaryDir m_pasta;
    QString m_cwd;
};

void TestSqlServerTds::initTestCase()
{
    DriverCatalog::setOdbcQtDriver(QString()); // the real QODBC
    m_cwd = QDir::currentPath();
}

void TestSqlServerTds::init()
{
    m_servidor = std::make_unique<tds::TestServer>();
    QVERIFY(m_servidor->start() != 0);
    m_ui = std::make_unique<ScopedUi>();
    QDir::setCurrent(m_pasta.path());
    escreveConfiguracao(m_servidor->port());
}

void TestSqlServerTds::cleanup()
{
    m_ui.reset();
    m_servidor.reset();
    QDir::setCurrent(m_cwd);
}

void TestSqlServerTds::escreveConfiguracao(quint16 porta)
{
    QFile f(QStringLiteral("conexao.dat"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("BANCODADOS=SQL Server\r\nDATABASE=127.0.0.1,%1:vestra\r\nDIRATUALIZACAO=%2\r\n")
                .arg(porta)
                .arg(m_pasta.path())
                .toLatin1());
    QFile s(QStringLiteral("senhabd.dat"));
    QVERIFY(s.open(QIODevice::WriteOnly | QIODevice::Truncate));
    s.write(KVOUtils::codificaAnsi(CodificaSenha(kSenha, 7)) + "\r\n");
}

void TestSqlServerTds::abreConsultaEliminaEAtualiza()
{
    tds::TestServer &srv = *m_servidor;
    CenaBloqueio cena(srv, TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer);
    cena.montaPadrao();
    cena.publica();
    srv.scriptError(QStringLiteral("kill 54"), 6101, QStringLiteral("Process ID 54 is not a valid process ID."));

    TForm1 w;
    w.show();
    QCOMPARE(w.cbxBD->currentIndex(), 1);
    QCOMPARE(w.SenhadoBanco, kSenha);

    QTest::mouseClick(w.btnAbriBD, Qt::LeftButton);
    QVERIFY2(w.SQLConnection->Connected(), qPrintable(m_ui->recorder().errorTexts().join(u'|')));
    QVERIFY(w.SQLConnection->lastConnectString().contains(QStringLiteral("{FreeTDS}")));
    QCOMPARE(w.SQLConnection->DriverName, QStringLiteral("MSSQL"));
    const tds::LoginInfo login = srv.lastLogin();
    QCOMPARE(login.user, QStringLiteral("KVO"));
    QCOMPARE(login.password, kSenha);
    QCOMPARE(login.database, QStringLiteral("vestra"));
    QCOMPARE(login.appName, QStringLiteral("Gerenciador de Lock"));
    QCOMPARE(semConexao(srv.statements()), QStringList({"SET LANGUAGE 'Brazilian'"}));
    QCOMPARE(w.lblSituacao->text(), QStringLiteral("[Aberto]"));

    srv.clearStatements();
    QTest::mouseClick(w.btnConsultaLock, Qt::LeftButton);
    QVERIFY2(m_ui->recorder().errors.isEmpty(), qPrintable(m_ui->recorder().errorTexts().join(u'|')));
    QCOMPARE(semConexao(srv.statements()), QStringList({TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer}));
    // Blocked sessions only, merged with the detail of their blocker.
    QCOMPARE(campo(w.cdsLock, "SPID"), QStringList({"60", "61", "62", "55", "80"}));
    QCOMPARE(campo(w.cdsLock, "SPID_1"), QStringList({"60", "61", "62", "55", "80"}));
    QCOMPARE(campo(w.cdsLock, "BlkBy"), QStringList({"54   ", "54   ", "54   ", "55   ", "77   "}));
    QCOMPARE(campo(w.cdsLock, "login_name_acu"),
             QStringList({"VESTRA\\joao.silva", "VESTRA\\joao.silva", "VESTRA\\joao.silva", "VESTRA\\bi",
                          "VESTRA\\integracao"}));
    // Every victim of 54 shows the first detail row of 54 (the second query's order).
    QCOMPARE(w.cdsLock->value(2, w.cdsLock->fieldIndex("wait_time")).toDouble(), 184.532);
    QCOMPARE(w.cxgrdbtblvwLock->rowCountShown(), 5);
    QVERIFY(w.btnEliminaLock->isEnabled());

    // Kill: one statement per blocker in BlkBy order, none for the parallel query; the
    // refused one goes unreported; the refresh comes 3 s after the last kill.
    srv.clearStatements();
    cena.acompanhaKills(true); // counts from the record as it is now
    m_ui->recorder().realPause = true;
    QTest::mouseClick(w.btnEliminaLock, Qt::LeftButton);
    const QStringList enviados = semConexao(srv.statements());
    QCOMPARE(enviados, QStringList({"kill 54", "kill 77", TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer}));
    const QStringList todos = srv.statements();
    const QVector<qint64> tempos = srv.statementTimes();
    const qint64 ultimoKill = tempos.at(todos.indexOf(QStringLiteral("kill 77")));
    const qint64 atualizacao = tempos.at(todos.indexOf(TForm1::sqlSpWho2));
    QVERIFY2(atualizacao - ultimoKill >= 3000, qPrintable(QString::number(atualizacao - ultimoKill)));
    QVERIFY(m_ui->recorder().errors.isEmpty());
    QVERIFY(m_ui->recorder().messages.isEmpty());
    // 77 went away; 54 refused the kill in the server's script but the scene played it.
    QCOMPARE(campo(w.cdsLock, "SPID"), QStringList({"55"}));
    QVERIFY(w.btnEliminaLock->isEnabled());
    QCOMPARE(m_ui->recorder().busyDepth, 0);
}

void TestSqlServerTds::conexaoCaiDuranteAConsulta()
{
    tds::TestServer &srv = *m_servidor;
    CenaBloqueio cena(srv, TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer);
    cena.montaPadrao();
    srv.scriptDrop(TForm1::sqlSpWho2, cena.resultadoLista(), 3);

    TForm1 w;
    w.show();
    QTest::mouseClick(w.btnAbriBD, Qt::LeftButton);
    QVERIFY(w.SQLConnection->Connected());
    QTest::mouseClick(w.btnConsultaLock, Qt::LeftButton);
    QCOMPARE(m_ui->recorder().errors.size(), 1);
    QVERIFY(!m_ui->recorder().errors.first().text.isEmpty());
    QCOMPARE(m_ui->recorder().busyDepth, 0);
    QVERIFY(!w.btnEliminaLock->isEnabled());
    QVERIFY(w.btnConsultaLock->isEnabled());
    QCOMPARE(w.cxgrdbtblvwLock->rowCountShown(), 0);

    // The window stays usable: close, and open again on a server that answers.
    QTest::mouseClick(w.btnAbriBD, Qt::LeftButton);
    QVERIFY(!w.SQLConnection->Connected());
    cena.publica();
    QTest::mouseClick(w.btnAbriBD, Qt::LeftButton);
    QVERIFY(w.SQLConnection->Connected());
    QTest::mouseClick(w.btnConsultaLock, Qt::LeftButton);
    QCOMPARE(m_ui->recorder().errors.size(), 1);
    QCOMPARE(w.cdsLock->recordCount(), 5);
}

void TestSqlServerTds::loginSemResposta()
{
    m_servidor->setLoginHangs(true);
    TForm1 w;
    w.show();
    QElapsedTimer relogio;
    relogio.start();
    QTest::mouseClick(w.btnAbriBD, Qt::LeftButton);
    const qint64 ms = relogio.elapsed();
    QCOMPARE(m_ui->recorder().errors.size(), 1);
    QVERIFY(!m_ui->recorder().errors.first().text.isEmpty());
    QVERIFY2(ms < 15000, qPrintable(QString::number(ms)));
    QVERIFY(!w.SQLConnection->Connected());
    QCOMPARE(w.lblSituacao->text(), QStringLiteral("[Fechado]"));
    QVERIFY(!w.btnConsultaLock->isEnabled());
}

QTEST_MAIN(TestSqlServerTds)
#include "tst_sqlserver_tds.moc"
