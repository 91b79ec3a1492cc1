// The grid layout document (configuration block, snapshots) and the layout store of
// TcxDBGridKVO on real databases: SQLite (embedded) and a PostgreSQL server started on
// loopback for the test.
#include "DataSource.h"
#include "Error.h"
#include "GridTableView.h"
#include "RecordingUiServices.h"
#include "RemoteServerConnection.h"
#include "SQLConnection.h"
#include "TestAppServer.h"
#include "SQLDataSet.h"
#include "VclColor.h"
#include "cxDBGridKVO.h"
#include "prxVestra.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

class Probe : public TcxDBGridKVO
{
public:
    using TcxDBGridKVO::TcxDBGridKVO;
    using TcxDBGridKVO::AplicaConfigAuxiliar;
    using TcxDBGridKVO::sPvConfiguracoes;
    using TcxDBGridKVO::sPvListaAbasCriadas;
};

const QString kCrLf = QStringLiteral("\r\n");

QString blocoPadrao(const QString &titulo, const QString &grupo, const QString &linha, const QString &total,
                    const QString &legenda)
{
    return "<CONFIGURACAO>" + kCrLf + "<COR-BKG-TITULO>" + titulo + "</COR-BKG-TITULO>" + kCrLf + "<COR-BKG-GRUPO>"
        + grupo + "</COR-BKG-GRUPO>" + kCrLf + "<COR-BKG-LINHA>" + linha + "</COR-BKG-LINHA>" + kCrLf
        + "<COR-BKG-TOTTITULO>" + total + "</COR-BKG-TOTTITULO>" + kCrLf + "<LEG-BKG-VALOR>" + legenda
        + "</LEG-BKG-VALOR>" + kCrLf + "</CONFIGURACAO>" + kCrLf;
}

// A grid on a form "Form1" with one table view of three columns.
struct Fixture
{
    QWidget form;
    Probe *grid;
    GridTableView *view;
    Fixture(const QString &viewName = QStringLiteral("cxgrdbtblvwLock"))
    {
        form.setObjectName(QStringLiteral("Form1"));
        grid = new Probe(&form);
        grid->NomeFormPai = QStringLiteral("Form1");
        GridLevel *level = grid->CreateLevel(QStringLiteral("nivel"));
        view = grid->CreateTableView(viewName);
        level->setGridView(view);
        for (const char *f : {"SPID", "LOGIN", "HOST"}) {
            GridColumn *c = view->CreateColumn();
            c->setObjectName(QStringLiteral("col") + QLatin1String(f));
            c->FieldName = QLatin1String(f);
        }
    }
    QStringList shown() const
    {
        QStringList out;
        for (GridColumn *c : view->columns())
            if (c->Visible)
                out << c->FieldName;
        return out;
    }
    QList<quint32> colours() const
    {
        return {grid->cxEstiloTitulo->Color(), grid->cxEstiloGrupo->Color(), grid->cxEstiloLinha->Color(),
                grid->cxEstiloTotalTitulo->Color(), quint32(grid->cxEstiloGraficoLegenda->Tag())};
    }
};

QStringList statementsOf(const QString &file)
{
    QFile f(QStringLiteral(KVO_SQL_DIR "/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    QString text;
    for (const QString &line : QString::fromUtf8(f.readAll()).split('\n'))
        if (!line.trimmed().startsWith(QLatin1String("--")))
            text += line + '\n';
    for (const QString &s : text.split(';'))
        if (!s.trimmed().isEmpty())
            out << s.trimmed();
    return out;
}

// A PostgreSQL server of its own, in a temporary folder, on a free loopback port.
class PgServer
{
public:
    QString skipReason;
    int port = 0;

    bool start()
    {
        const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
        if (!QFile::exists(bin + "initdb") || !QFile::exists(bin + "pg_ctl")) {
            skipReason = QStringLiteral("PostgreSQL server binaries not found in ") + bin;
            return false;
        }
        if (!m_dir.isValid()) {
            skipReason = QStringLiteral("no temporary folder");
            return false;
        }
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        const QString dir = m_dir.path();
        m_data = dir + "/data";
        if (!run({"chown", "postgres", dir}) || !runAs(bin + "initdb -A trust -U postgres -E UTF8 -D " + m_data)
            || !runAs(bin + "pg_ctl -w -D " + m_data + " -l " + dir + "/log -o \"-p " + QString::number(port)
                      + " -k " + dir + " -c listen_addresses=127.0.0.1\" start")) {
            skipReason.clear();
            return false;
        }
        m_started = true;
        return true;
    }
    ~PgServer()
    {
        if (m_started)
            runAs("/usr/lib/postgresql/15/bin/pg_ctl -w -m immediate -D " + m_data + " stop");
    }
    QString error;

private:
    bool run(const QStringList &args)
    {
        QProcess p;
        p.start(args.first(), args.mid(1));
        p.waitForFinished(120000);
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            error += args.join(' ') + ": " + QString::fromLocal8Bit(p.readAllStandardError() + p.readAllStandardOutput());
            return false;
        }
        return true;
    }
    bool runAs(const QString &command)
    {
        if (geteuid() == 0)
            return run({"runuser", "-u", "postgres", "--", "sh", "-c", command});
        return run({"sh", "-c", command});
    }
    QTemporaryDir m_dir;
    QString m_data;
    bool m_started = false;
};

} // namespace

class TestGridLayoutStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    std::unique_ptr<PgServer> m_pg;
    bool m_pgUp = false;

    // A connection to a fresh database of the backend, with the tables of sql/.
    std::unique_ptr<SQLConnection> connect(const QString &backend)
    {
        auto con = std::make_unique<SQLConnection>();
        con->LoginPrompt = false;
        static int n = 0;
        if (backend == QLatin1String("sqlite")) {
            con->DriverName = QStringLiteral("QSQLITE");
            con->Params = QStringList{"DataBase=" + m_tmp.path() + "/db" + QString::number(++n) + ".sqlite"};
            con->Open();
            for (const QString &s : statementsOf("sqlite.sql"))
                con->ExecuteDirect(s);
            return con;
        }
        if (!m_pgUp)
            return nullptr;
        con->DriverName = QStringLiteral("QPSQL");
        con->Params = QStringList{"DataBase=postgres", "HostName=127.0.0.1", "User_Name=postgres", "Password=x",
                                  "Port=" + QString::number(m_pg->port)};
        con->Open();
        con->ExecuteDirect("DROP TABLE IF EXISTS GER_GRID_USUARIO");
        con->ExecuteDirect("DROP TABLE IF EXISTS GER_FUNCAO_USUARIO");
        for (const QString &s : statementsOf("postgresql.sql"))
            con->ExecuteDirect(s);
        return con;
    }

    static int rowCount(SQLConnection &con, const QString &where = QString())
    {
        SQLDataSet ds;
        ds.setSQLConnection(&con);
        ds.CommandText = "select CONTADOR from GER_GRID_USUARIO" + where;
        ds.Open();
        return ds.recordCount();
    }

    static QVariant valueOf(SQLConnection &con, const QString &sql)
    {
        SQLDataSet ds;
        ds.setSQLConnection(&con);
        ds.CommandText = sql;
        ds.Open();
        return ds.isEmpty() ? QVariant() : ds.fieldValue(0);
    }

    void backends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("postgresql") << "postgresql";
    }

#define CONNECT_OR_SKIP(con)                                                                       \
    QFETCH(QString, backend);                                                                      \
    auto con = connect(backend);                                                                   \
    if (!con)                                                                                      \
        QSKIP(qPrintable("PostgreSQL not available: " + (m_pg ? m_pg->skipReason + m_pg->error : QString())));

private slots:
    void initTestCase()
    {
        m_pg = std::make_unique<PgServer>();
        m_pgUp = m_pg->start();
        if (!m_pgUp && m_pg->skipReason.isEmpty())
            QFAIL(qPrintable("PostgreSQL could not be started: " + m_pg->error));
    }
    void cleanupTestCase() { m_pg.reset(); }
    void cleanup()
    {
        TecnologiaPadrao.clear();
        RemoteServerPadrao = nullptr;
        ConexaoSCPadrao = nullptr;
    }

    // ------------------------------------------------------------ configuration block

    void configurationBlockOfAResetGrid()
    {
        Fixture f;
        QCOMPARE(f.grid->StringConfigAuxiliar(), blocoPadrao("clDefault", "clDefault", "clDefault", "clDefault", "0"));
        f.grid->cxEstiloTitulo->setColor(0x00F2E4D7);
        f.grid->cxEstiloGrupo->setColor(VclColor::clSkyBlue);
        f.grid->cxEstiloLinha->setColor(VclColor::clBtnFace);
        f.grid->cxEstiloTotalTitulo->setColor(0x00000001);
        f.grid->cxEstiloGraficoLegenda->setTag(-3);
        QCOMPARE(f.grid->StringConfigAuxiliar(), blocoPadrao("$00F2E4D7", "clSkyBlue", "clBtnFace", "$00000001", "-3"));
    }

    void obtemTag_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("expected");
        QTest::newRow("colour missing") << "nothing here" << "COR-BKG-TITULO" << "clDefault";
        QTest::newRow("label missing") << "nothing here" << "LEG-BKG-VALOR" << "0";
        QTest::newRow("present") << blocoPadrao("$00F2E4D7", "a", "b", "c", "4") << "COR-BKG-TITULO" << "$00F2E4D7";
        QTest::newRow("twice: the first") << "<X>um</X><X>dois</X>" << "X" << "um";
        QTest::newRow("closing missing") << "<X>um" << "X" << "";
        QTest::newRow("closing only before") << "</X><X>um" << "X" << "";
        QTest::newRow("no trimming") << "<X> a b </X>" << "X" << " a b ";
        QTest::newRow("case matters") << "<x>um</x>" << "X" << "clDefault";
    }
    void obtemTag()
    {
        QFETCH(QString, document);
        QFETCH(QString, tag);
        QFETCH(QString, expected);
        QCOMPARE(TcxDBGridKVO::ObtemTagConfiguracao(document.toLatin1(), tag), expected);
    }

    void aplicaConfigAuxiliar()
    {
        Fixture f;
        // Written and read back; identifiers in any case.
        f.grid->AplicaConfigAuxiliar(blocoPadrao("$00F2E4D7", "clskyblue", "CLRED", "clDefault", "$3").toLatin1());
        QCOMPARE(f.colours(), (QList<quint32>{0x00F2E4D7, 0x00F0CAA6, 0x000000FF, VclColor::clDefault, 3}));
        QCOMPARE(f.view->styles().Header.data(), f.grid->cxEstiloTitulo);

        // A bare view layout block changes nothing.
        f.grid->AplicaConfigAuxiliar(f.view->StoreToBytes());
        QCOMPARE(f.colours(), (QList<quint32>{0x00F2E4D7, 0x00F0CAA6, 0x000000FF, VclColor::clDefault, 3}));

        // A bad group colour: title and footer applied, group and row keep theirs.
        Fixture g;
        g.grid->cxEstiloGrupo->setColor(VclColor::clRed);
        g.grid->cxEstiloLinha->setColor(VclColor::clLime);
        try {
            g.grid->AplicaConfigAuxiliar(blocoPadrao("clAqua", "xyz", "clBlue", "clNavy", "1").toLatin1());
            QFAIL("no error");
        } catch (const KvoError &e) {
            QVERIFY(e.message().contains("xyz"));
        }
        QCOMPARE(g.colours(), (QList<quint32>{VclColor::clAqua, VclColor::clRed, VclColor::clLime, VclColor::clNavy, 0}));
    }

    // A caption holding the tags must not be taken for the configuration block.
    void tagsInsideCaptionsAreNotTheBlock()
    {
        Fixture f;
        f.view->Columns(0)->Caption = "<CONFIGURACAO>\r\n<COR-BKG-TITULO>clRed</COR-BKG-TITULO>";
        f.view->Columns(1)->FieldName = "<LEG-BKG-VALOR>xyz</LEG-BKG-VALOR>";
        f.grid->cxEstiloTitulo->setColor(VclColor::clBlue);
        const QByteArray doc = f.grid->DocumentoLayout();
        QCOMPARE(doc.indexOf("<CONFIGURACAO>"), doc.size() - f.grid->StringConfigAuxiliar().size());
        Fixture g;
        g.grid->AplicaConfigAuxiliar(doc);
        QCOMPARE(g.grid->cxEstiloTitulo->Color(), VclColor::clBlue);
        QCOMPARE(g.grid->cxEstiloGraficoLegenda->Tag(), 0);
    }

    void snapshotsOfTwoViews()
    {
        Fixture f;
        GridTableView *second = f.grid->CreateTableView("cxgrdbtblvwOutra");
        GridLevel *level = f.grid->CreateLevel("nivel2");
        level->setGridView(second);
        second->CreateColumn()->FieldName = "X";
        f.grid->RestauraConfiguracaoPadrao();
        f.grid->setActiveLevel(level);
        f.grid->RestauraConfiguracaoPadrao();
        f.grid->RestauraConfiguracaoPadrao(); // recorded: nothing more
        QCOMPARE(f.grid->sPvListaAbasCriadas, QString("<cxgrdbtblvwLock><cxgrdbtblvwOutra>"));
        const QByteArray expected = "<INICIO-cxgrdbtblvwLock>" + f.view->StoreToBytes() + "<FIM-cxgrdbtblvwLock>"
            + "<INICIO-cxgrdbtblvwOutra>" + second->StoreToBytes() + "<FIM-cxgrdbtblvwOutra>";
        QCOMPARE(f.grid->sPvConfiguracoes, expected);
    }

    // ------------------------------------------------------------ store without a path

    void firstPaintWithoutConnection()
    {
        ScopedUi ui;
        Fixture f;
        SQLConnection closed;
        f.grid->setSQLConnection(&closed);
        f.grid->setContador(5);
        int after = 0;
        f.grid->AfterRestore = [&](QObject *s) { after += s == f.grid; };
        f.grid->RestauraConfiguracaoPadrao();
        QCOMPARE(after, 1);
        QCOMPARE(f.grid->Contador(), 5);
        QCOMPARE(f.grid->sPvListaAbasCriadas, QString("<cxgrdbtblvwLock>"));
        QVERIFY(ui->messages.isEmpty());
        QVERIFY(ui->errors.isEmpty());
        QCOMPARE(f.grid->RestauraPadraoGrid(), false);
        QCOMPARE(after, 2);
        Fixture none;
        QCOMPARE(none.grid->GravaPadraoGrid(false), false);
        QCOMPARE(none.grid->RestauraPadraoGrid(), false);
    }

    void limpaOnANeverPaintedViewDoesNothing()
    {
        Fixture f;
        f.view->Columns(0)->Visible = false;
        f.grid->cxEstiloTitulo->setColor(VclColor::clRed);
        f.grid->LimpaConfiguracao();
        QCOMPARE(f.shown(), (QStringList{"LOGIN", "HOST"}));
        QCOMPARE(f.grid->cxEstiloTitulo->Color(), VclColor::clRed);
    }

    // ------------------------------------------------------------ store on databases

    void roundTrip_data() { backends(); }
    void roundTrip()
    {
        CONNECT_OR_SKIP(con);
        Fixture f;
        f.grid->setSQLConnection(con.get());
        f.grid->setUsuario(12);
        f.grid->RestauraConfiguracaoPadrao(); // snapshot of the designed layout; no row yet
        f.view->Columns(0)->setVisible(false);
        f.view->moveColumn(2, 0);
        f.view->Columns(0)->setWidth(222);
        f.grid->cxEstiloLinha->setColor(0x00F2E4D7);
        QVERIFY(f.grid->GravaPadraoGrid(false));
        QCOMPARE(valueOf(*con, "select DES_CONFIGURACAO from GER_GRID_USUARIO").toString(), QString("CONFIGURAÇÃO PADRÃO"));
        QCOMPARE(valueOf(*con, "select NOME_GRID from GER_GRID_USUARIO").toString(), QString("CXGRDBTBLVWLOCK"));
        QCOMPARE(valueOf(*con, "select NOME_UNIT from GER_GRID_USUARIO").toString(), QString("FORM1"));
        QCOMPARE(valueOf(*con, "select CONFIGURACAO from GER_GRID_USUARIO").toByteArray(), f.grid->DocumentoLayout());
        QVERIFY(f.grid->GravaPadraoGrid(false)); // replaces the row
        QCOMPARE(rowCount(*con), 1);

        // A fresh grid with a column more than when saved.
        Fixture g;
        g.view->CreateColumn()->FieldName = "NOVA";
        g.grid->setSQLConnection(con.get());
        g.grid->setUsuario(12);
        int after = 0;
        g.grid->AfterRestore = [&](QObject *) { ++after; };
        g.grid->RestauraConfiguracaoPadrao();
        QCOMPARE(after, 1);
        QCOMPARE(g.shown(), (QStringList{"HOST", "LOGIN"}));
        QCOMPARE(g.view->Columns(0)->Width, 222);
        QCOMPARE(g.grid->cxEstiloLinha->Color(), 0x00F2E4D7u);

        // Back to the design; the table unchanged.
        g.grid->LimpaConfiguracao();
        QCOMPARE(g.shown(), (QStringList{"SPID", "LOGIN", "HOST", "NOVA"}));
        QCOMPARE(g.grid->cxEstiloLinha->Color(), VclColor::clDefault);
        QCOMPARE(rowCount(*con), 1);

        // A number without a row: true, nothing changes.
        g.grid->cxEstiloTitulo->setColor(VclColor::clRed);
        g.view->Columns(1)->setVisible(false);
        g.grid->setContador(9);
        QVERIFY(g.grid->RestauraPadraoGrid());
        QCOMPARE(g.shown(), (QStringList{"SPID", "HOST", "NOVA"}));
        QCOMPARE(g.grid->cxEstiloTitulo->Color(), VclColor::clRed);

        // Update only: no row is created for number 9; row 0 is overwritten.
        QVERIFY(g.grid->GravaPadraoGrid(true));
        QCOMPARE(rowCount(*con), 1);
        g.grid->setContador(0);
        QVERIFY(g.grid->GravaPadraoGrid(true));
        QCOMPARE(valueOf(*con, "select CONFIGURACAO from GER_GRID_USUARIO").toByteArray(), g.grid->DocumentoLayout());
        QCOMPARE(valueOf(*con, "select DES_CONFIGURACAO from GER_GRID_USUARIO").toString(), QString("CONFIGURAÇÃO PADRÃO"));

        // Number 5 in Spanish: described by the view name.
        g.grid->setContador(5);
        g.grid->setIdioma(2);
        QVERIFY(g.grid->GravaPadraoGrid(false));
        QCOMPARE(valueOf(*con, "select DES_CONFIGURACAO from GER_GRID_USUARIO where CONTADOR = 5").toString(),
                 QString("CXGRDBTBLVWLOCK"));
        g.grid->setContador(0);
        QVERIFY(g.grid->GravaPadraoGrid(false));
        QCOMPARE(valueOf(*con, "select DES_CONFIGURACAO from GER_GRID_USUARIO where CONTADOR = 0").toString(),
                 QString("CONFIGURACIÓN PATRÓN"));
    }

    void quotesInNames_data() { backends(); }
    void quotesInNames()
    {
        CONNECT_OR_SKIP(con);
        Fixture f("view'O''Neil");
        f.grid->NomeFormPai = "Form'X";
        f.grid->setSQLConnection(con.get());
        QVERIFY(f.grid->GravaPadraoGrid(false));
        QCOMPARE(valueOf(*con, "select NOME_GRID from GER_GRID_USUARIO").toString(), QString("VIEW'O''NEIL"));
        QVERIFY(f.grid->GravaPadraoGrid(true));
        QVERIFY(f.grid->GravaPadraoGrid(false));
        QCOMPARE(rowCount(*con), 1);
        QVERIFY(f.grid->RestauraPadraoGrid());
        QCOMPARE(f.grid->SqlRestauraRemoto(), f.grid->SqlRestauraDireto());
        QVERIFY(f.grid->SqlRestauraRemoto().contains("'VIEW''O''''NEIL'"));
    }

    void failedInsertKeepsTheStoredLayout_data() { backends(); }
    void failedInsertKeepsTheStoredLayout()
    {
        CONNECT_OR_SKIP(con);
        Fixture f;
        f.grid->setSQLConnection(con.get());
        f.grid->setContador(7);
        QVERIFY(f.grid->GravaPadraoGrid(false));
        const QByteArray before = f.grid->DocumentoLayout();
        if (backend == "sqlite")
            con->ExecuteDirect("CREATE TRIGGER recusa BEFORE INSERT ON GER_GRID_USUARIO WHEN NEW.CONTADOR = 7 "
                               "BEGIN SELECT RAISE(ABORT, 'insercao recusada'); END");
        else
            con->ExecuteDirect("ALTER TABLE GER_GRID_USUARIO ADD CONSTRAINT recusa CHECK (CONTADOR <> 7) NOT VALID");
        f.view->Columns(0)->setVisible(false);
        try {
            f.grid->GravaPadraoGrid(false);
            QFAIL("no error");
        } catch (const KvoError &e) {
            QVERIFY2(e.message().startsWith("Erro ao gravar as configurações da grade!\n"), qPrintable(e.message()));
        }
        QCOMPARE(rowCount(*con), 1);
        QCOMPARE(valueOf(*con, "select CONFIGURACAO from GER_GRID_USUARIO").toByteArray(), before);
        // The connection is usable afterwards (no transaction left open).
        f.grid->setContador(8);
        QVERIFY(f.grid->GravaPadraoGrid(false));
        QCOMPARE(rowCount(*con), 2);
    }

    // A bare view layout block (no configuration block) restores the layout and leaves
    // the colours and the value-label position reset.
    void bareDocumentResetsColours_data() { backends(); }
    void bareDocumentResetsColours()
    {
        CONNECT_OR_SKIP(con);
        Fixture saved;
        saved.view->Columns(0)->setVisible(false);
        con->ExecuteWithParams("insert into GER_GRID_USUARIO (USUARIO, NOME_UNIT, NOME_GRID, CONFIGURACAO, CONTADOR) "
                               "values (0, 'FORM1', 'CXGRDBTBLVWLOCK', :C, 0)",
                               {{"C", saved.view->StoreToBytes()}});
        Fixture f;
        f.grid->setSQLConnection(con.get());
        f.grid->cxEstiloTitulo->setColor(VclColor::clRed);
        f.grid->cxEstiloGraficoLegenda->setTag(3);
        QVERIFY(f.grid->RestauraPadraoGrid());
        QCOMPARE(f.shown(), (QStringList{"LOGIN", "HOST"}));
        QCOMPARE(f.colours(), (QList<quint32>{VclColor::clDefault, VclColor::clDefault, VclColor::clDefault,
                                              VclColor::clDefault, 0}));
    }

    void badStoredDocuments_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("mentions");
        Fixture f;
        const QByteArray good = f.grid->DocumentoLayout();
        for (const char *b : {"sqlite", "postgresql"}) {
            QTest::addRow("%s: garbage", b) << QString(b) << QByteArray("garbage") << "cabeçalho";
            QTest::addRow("%s: truncated", b) << QString(b) << good.left(40) << "truncado";
            QTest::addRow("%s: bad colour", b) << QString(b)
                                                << f.view->StoreToBytes()
                    + blocoPadrao("clRed", "xyz", "clRed", "clRed", "0").toLatin1() << "xyz";
        }
    }
    void badStoredDocuments()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, mentions);
        CONNECT_OR_SKIP(con);
        con->ExecuteWithParams("insert into GER_GRID_USUARIO (USUARIO, NOME_UNIT, NOME_GRID, CONFIGURACAO, CONTADOR) "
                               "values (0, 'FORM1', 'CXGRDBTBLVWLOCK', :C, 0)",
                               {{"C", document}});
        ScopedUi ui;
        Fixture f;
        f.grid->setSQLConnection(con.get());
        int after = 0;
        f.grid->AfterRestore = [&](QObject *) { ++after; };
        try {
            f.grid->RestauraPadraoGrid();
            QFAIL("no error");
        } catch (const KvoError &e) {
            QVERIFY2(e.message().startsWith("Erro ao restaurar as configurações da grade!\n"), qPrintable(e.message()));
            QVERIFY2(e.message().contains(mentions), qPrintable(e.message()));
        }
        QCOMPARE(after, 0);
        QCOMPARE(f.shown(), (QStringList{"SPID", "LOGIN", "HOST"}));
        // The first-paint step: its own message around the restore's, once per failure.
        f.grid->setIdioma(2);
        try {
            f.grid->RestauraConfiguracaoPadrao();
            QFAIL("no error");
        } catch (const KvoError &e) {
            QVERIFY2(e.message().startsWith(QString::fromUtf8("¡Error al restaurar la configuración patrón de la grada!\n"
                                                              "¡Error al restaurar las configuraciones de la grada!\n")),
                     qPrintable(e.message()));
        }
        QVERIFY(f.grid->sPvListaAbasCriadas.isEmpty());
        f.grid->RestauraConfiguracaoPadrao(); // same failure: not reported again
        QVERIFY(f.grid->sPvListaAbasCriadas.isEmpty());
        QCOMPARE(f.grid->sPvConfiguracoes.count("<INICIO-cxgrdbtblvwLock>"), 1);
    }

    // The remote path: the application server's provider dspDBGridKVO and ExecutaDML.
    void remoteRoundTrip()
    {
        TestAppServer server;
        for (const QString &s : statementsOf("sqlite.sql"))
            server.exec(s);
        RemoteServerConnection connection;
        connection.Host = "127.0.0.1";
        connection.Port = server.port();
        connection.TimeoutMs = 10000;
        connection.Open();
        TdmConexaoServerClient client(&connection, false);
        SQLConnection unused;
        TecnologiaPadrao = "DATASNAP";
        RemoteServerPadrao = &connection;
        ConexaoSCPadrao = &client;

        Fixture f("view'Q");
        f.grid->setSQLConnection(&unused);
        f.grid->setUsuario(3);
        f.grid->setTecnologia("direct"); // overwritten from the defaults
        f.view->Columns(1)->setVisible(false);
        f.grid->cxEstiloGrupo->setColor(VclColor::clCream);
        QVERIFY(f.grid->GravaPadraoGrid(false));
        QVERIFY(f.grid->GravaPadraoGrid(false));
        RecordData rows = server.query("select NOME_GRID, DES_CONFIGURACAO from GER_GRID_USUARIO");
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(rows.at(0, 0).toString(), QString("VIEW'Q"));

        Fixture g("view'Q");
        g.grid->setUsuario(3);
        g.grid->setSQLConnection(&unused);
        QVERIFY(g.grid->RestauraPadraoGrid()); // the quote in the name is doubled
        QCOMPARE(g.shown(), (QStringList{"SPID", "HOST"}));
        QCOMPARE(g.grid->cxEstiloGrupo->Color(), VclColor::clCream);

        g.view->Columns(0)->setVisible(false);
        QVERIFY(g.grid->GravaPadraoGrid(true));
        Fixture h("view'Q");
        h.grid->setUsuario(3);
        QVERIFY(h.grid->RestauraPadraoGrid());
        QCOMPARE(h.shown(), QStringList{"HOST"});

        // Without a connected server there is no path.
        connection.Close();
        QCOMPARE(h.grid->RestauraPadraoGrid(), false);
        QCOMPARE(h.grid->GravaPadraoGrid(false), false);
    }

    void messagesInBothLanguages_data()
    {
        QTest::addColumn<int>("idioma");
        QTest::addColumn<QString>("grava");
        QTest::addColumn<QString>("limpa");
        QTest::newRow("pt") << 1 << "Erro ao gravar as configurações da grade!" << "Erro ao limpar as configurações da grade!";
        QTest::newRow("es") << 2 << QString::fromUtf8("¡Error al grabar las configuraciones de la grada!")
                            << QString::fromUtf8("¡Error al limpiar las configuraciones de la grada!");
    }
    void messagesInBothLanguages()
    {
        QFETCH(int, idioma);
        QFETCH(QString, grava);
        QFETCH(QString, limpa);
        TcxDBGridKVO grid; // no view at all
        SQLConnection con;
        grid.setSQLConnection(&con);
        grid.setIdioma(idioma);
        for (auto [op, prefix] : {std::pair<std::function<void()>, QString>{[&] { grid.GravaPadraoGrid(false); }, grava},
                                  {[&] { grid.LimpaConfiguracao(); }, limpa}}) {
            try {
                op();
                QFAIL("no error");
            } catch (const KvoError &e) {
                QVERIFY2(e.message().startsWith(prefix + '\n'), qPrintable(e.message()));
            }
        }
    }
};

QTEST_MAIN(TestGridLayoutStore)
#include "tst_gridlayoutstore.moc"
