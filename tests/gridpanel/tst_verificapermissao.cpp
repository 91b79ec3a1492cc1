// The function permission check of the command panel: direct mode on SQLite and on a real
// PostgreSQL server, remote mode through the test application server.
#include "Error.h"
#include "GridTableView.h"
#include "PgTestServer.h"
#include "RecordingUiServices.h"
#include "RemoteServerConnection.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "TestAppServer.h"
#include "cxDBGridKVO.h"
#include "cxDBGridPanelKVO.h"
#include "prxVestra.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString statement(int usuario, int funcao)
{
    return QStringLiteral("select FUNCAO from GER_FUNCAO_USUARIO where USUARIO = %1 and FUNCAO  = %2")
        .arg(usuario)
        .arg(funcao);
}

// Rows of GER_FUNCAO_USUARIO shared by every data path: user 10 holds 339 once and 340
// twice; user 0 holds 339; user -3 holds 340; user 20 holds 341 only.
const QList<QPair<int, int>> kRows{{10, 339}, {10, 340}, {10, 340}, {0, 339}, {-3, 340}, {20, 341}};

struct Case
{
    const char *name;
    int usuario;
    int funcao;
    bool permitido;
};
const Case kCases[] = {
    {"no row for the user", 99, 339, false},
    {"one row", 10, 339, true},
    {"several rows", 10, 340, true},
    {"user 0 is checked like any other", 0, 339, true},
    {"user 0 without the code", 0, 340, false},
    {"negative user", -3, 340, true},
    {"negative user without the code", -3, 339, false},
    {"user holds another code only", 20, 339, false},
    {"code held by another user only", 20, 340, false},
};

void createTable(const std::function<void(const QString &)> &exec)
{
    exec(QStringLiteral("create table GER_FUNCAO_USUARIO (USUARIO integer, FUNCAO integer)"));
    for (const auto &row : kRows)
        exec(QStringLiteral("insert into GER_FUNCAO_USUARIO (USUARIO, FUNCAO) values (%1, %2)")
                 .arg(row.first)
                 .arg(row.second));
}

struct Window
{
    QWidget form;
    TcxDBGridKVO *grid;
    TcxDBGridPanelKVO *panel;
    Window()
    {
        grid = new TcxDBGridKVO(&form);
        grid->setObjectName(QStringLiteral("grdLista"));
        GridLevel *level = grid->CreateLevel();
        grid->setLevelView(level, grid->CreateTableView(QStringLiteral("tv")));
        panel = new TcxDBGridPanelKVO(&form);
    }
};

} // namespace

class TestVerificaPermissao : public QObject
{
    Q_OBJECT

    // Every case of the table, then two checks in a row for different codes, on a direct
    // connection.
    void directCases(SQLConnection &connection)
    {
        ScopedUi ui;
        Window w;
        w.grid->setSQLConnection(&connection);
        w.panel->setcxDBGridKVO(w.grid);
        for (const Case &c : kCases) {
            w.grid->setUsuario(c.usuario);
            QVERIFY2(w.panel->VerificaPermissao(c.funcao) == c.permitido, c.name);
            QCOMPARE(w.panel->fsdsAux->CommandText, statement(c.usuario, c.funcao));
            QVERIFY(!w.panel->fsdsAux->active());
            QVERIFY(!w.panel->fsdsAux->GetMetadata);
            QCOMPARE(w.panel->fsdsAux->sqlConnection(), &connection);
        }
        // the first result is not reused for the second code
        w.grid->setUsuario(0);
        QVERIFY(w.panel->VerificaPermissao(339));
        QVERIFY(!w.panel->VerificaPermissao(340));
        QVERIFY(w.panel->VerificaPermissao(339));
        // "datasnap" in another case is direct mode
        w.panel->setTecnologia(QStringLiteral("datasnap"));
        QVERIFY(w.panel->VerificaPermissao(339));
        QVERIFY(ui->messages.isEmpty());
    }

private slots:
    void init() { TecnologiaPadrao.clear(); RemoteServerPadrao.clear(); ConexaoSCPadrao.clear(); }

    void statementText()
    {
        ScopedUi ui;
        QTemporaryDir dir;
        SQLConnection connection;
        connection.DriverName = QStringLiteral("QSQLITE");
        connection.Params = QStringList{QStringLiteral("DataBase=") + dir.filePath("p.db")};
        connection.Open();
        createTable([&](const QString &sql) { connection.ExecuteDirect(sql); });
        Window w;
        w.grid->setSQLConnection(&connection);
        w.panel->setcxDBGridKVO(w.grid);
        w.grid->setUsuario(-12);
        w.panel->VerificaPermissao(7);
        QCOMPARE(w.panel->fsdsAux->CommandText,
                 QString("select FUNCAO from GER_FUNCAO_USUARIO where USUARIO = -12 and FUNCAO  = 7"));
        w.grid->setUsuario(1234567);
        w.panel->VerificaPermissao(340);
        QCOMPARE(w.panel->fsdsAux->CommandText,
                 QString("select FUNCAO from GER_FUNCAO_USUARIO where USUARIO = 1234567 and FUNCAO  = 340"));
    }

    void sqlite()
    {
        QTemporaryDir dir;
        SQLConnection connection;
        connection.DriverName = QStringLiteral("QSQLITE");
        connection.Params = QStringList{QStringLiteral("DataBase=") + dir.filePath("permissoes.db")};
        connection.Open();
        createTable([&](const QString &sql) { connection.ExecuteDirect(sql); });
        directCases(connection);
    }

    void postgresql()
    {
        const QString reason = PgTestServer::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
        PgTestServer server;
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        SQLConnection connection;
        connection.DriverName = QStringLiteral("QPSQL");
        connection.Params = QStringList{QStringLiteral("DataBase=") + server.database(),
                                        QStringLiteral("HostName=127.0.0.1"),
                                        QStringLiteral("User_Name=") + server.user(),
                                        QStringLiteral("Password=x"),
                                        QStringLiteral("Port=%1").arg(server.port())};
        connection.Open();
        createTable([&](const QString &sql) { connection.ExecuteDirect(sql); });
        directCases(connection);
        connection.Close();
    }

    void refusalsAndErrors()
    {
        ScopedUi ui;
        // no grid: the grid message, then False
        {
            Window w;
            QVERIFY(!w.panel->VerificaPermissao(339));
            QCOMPARE(ui->messageTexts(), QStringList{"Grade não associada!"});
            QCOMPARE(ui->messages[0].kind, UiServices::Kind::Error);
            ui->clear();
            w.panel->setIdioma(2);
            QVERIFY(!w.panel->VerificaPermissao(340));
            QCOMPARE(ui->messageTexts(), QStringList{"¡Grada no asociada!"});
            ui->clear();
        }
        // a grid without connection: False, silently
        {
            Window w;
            w.panel->setcxDBGridKVO(w.grid);
            ui->clear();
            QVERIFY(!w.panel->VerificaPermissao(339));
            QVERIFY(ui->messages.isEmpty());
            QVERIFY(w.panel->fsdsAux->CommandText.isEmpty()); // no query was run
        }
        // a database error is not caught by the check; the query is left closed
        {
            QTemporaryDir dir;
            SQLConnection connection;
            connection.DriverName = QStringLiteral("QSQLITE");
            connection.Params = QStringList{QStringLiteral("DataBase=") + dir.filePath("vazio.db")};
            connection.Open();
            Window w;
            w.grid->setSQLConnection(&connection);
            w.panel->setcxDBGridKVO(w.grid);
            bool thrown = false;
            try {
                w.panel->VerificaPermissao(339);
            } catch (const KvoError &) {
                thrown = true;
            }
            QVERIFY(thrown);
            QVERIFY(!w.panel->fsdsAux->active());
            // the table arrives: the next check works on the same query component
            createTable([&](const QString &sql) { connection.ExecuteDirect(sql); });
            w.grid->setUsuario(10);
            QVERIFY(w.panel->VerificaPermissao(339));
        }
        // the refusal texts
        QCOMPARE(TcxDBGridPanelKVO::MensagemSemPermissao(339),
                 QString("Usuário não possui permissão (339) para utilizar esta opção."));
        QCOMPARE(TcxDBGridPanelKVO::MensagemSemPermissao(340),
                 QString("Usuário não possui permissão (340) para utilizar esta opção."));
    }

    void remote()
    {
        try {
            remoteBody();
        } catch (const KvoError &e) {
            QFAIL(qPrintable(QStringLiteral("unexpected error: ") + e.message()));
        }
    }

private:
    void remoteBody()
    {
        ScopedUi ui;
        TestAppServer server;
        createTable([&](const QString &sql) { server.exec(sql); });
        RemoteServerConnection connection;
        connection.Host = QStringLiteral("127.0.0.1");
        connection.Port = server.port();
        connection.TimeoutMs = 10000;
        connection.Open();
        TdmConexaoServerClient client(&connection);

        Window w;
        w.panel->setcxDBGridKVO(w.grid); // no SQL connection: remote mode does not need one
        w.panel->setTecnologia(QStringLiteral("DATASNAP"));
        w.panel->setRemoteServer(&connection);
        w.panel->setConexaoServerClient(&client);
        ui->clear();
        for (const Case &c : kCases) {
            server.clearRequests();
            w.grid->setUsuario(c.usuario);
            QVERIFY2(w.panel->VerificaPermissao(c.funcao) == c.permitido, c.name);
            const QList<QJsonObject> calls = server.calls(QStringLiteral("ExecutaSQLInteger"));
            QCOMPARE(calls.size(), 1);
            QVERIFY(QString::fromUtf8(QJsonDocument(calls[0]).toJson()).contains(statement(c.usuario, c.funcao)));
        }
        QVERIFY(w.panel->fsdsAux->CommandText.isEmpty()); // the direct path was not taken

        // a server answer of zero or below refuses; above zero permits
        const QList<QPair<int, bool>> answers{{1, true}, {0, false}, {-1, false}, {339, true}};
        for (const auto &a : answers) {
            const int value = a.first;
            server.setHandler(QStringLiteral("ExecutaSQLInteger"), [value](const QJsonArray &) {
                QJsonArray out;
                out.append(QJsonValue::Null);
                out.append(QJsonObject{{QStringLiteral("int32"), value}});
                return out;
            });
            QCOMPARE(w.panel->VerificaPermissao(339), a.second);
        }

        // without RemoteServer: refused without contacting anything
        server.clearRequests();
        w.panel->setRemoteServer(nullptr);
        QVERIFY(!w.panel->VerificaPermissao(339));
        // RemoteServer without its client: refused without contacting anything
        w.panel->setRemoteServer(&connection);
        w.panel->setConexaoServerClient(nullptr);
        QVERIFY(!w.panel->VerificaPermissao(339));
        QVERIFY(server.requests().isEmpty());
        QVERIFY(ui->messages.isEmpty());

        // a remote error is not caught by the check
        w.panel->setConexaoServerClient(&client);
        server.setHandler(QStringLiteral("ExecutaSQLInteger"),
                          [](const QJsonArray &) -> QJsonArray { throw KvoError(QStringLiteral("falhou")); });
        bool thrown = false;
        try {
            w.panel->VerificaPermissao(339);
        } catch (const KvoError &) {
            thrown = true;
        }
        QVERIFY(thrown);
    }
};

QTEST_MAIN(TestVerificaPermissao)
#include "tst_verificapermissao.moc"
