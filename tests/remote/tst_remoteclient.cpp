#include "BusyLoop.h"
#include "ClientDataSet.h"
#include "Error.h"
#include "RemoteClientDataSet.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"
#include "TestAppServer.h"
#include "prxVestra.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

namespace {

QJsonObject param(const QJsonObject &call, int ordinal)
{
    return call.value("params").toArray().at(ordinal).toObject();
}

QJsonValue sent(const QJsonObject &call, int ordinal)
{
    return param(call, ordinal).value("value");
}

// Every ordinal of `call` answered with null except those given.
QJsonArray answer(const QJsonArray &params, const QMap<int, QJsonValue> &values)
{
    QJsonArray a;
    for (qsizetype i = 0; i < params.size(); ++i)
        a.append(values.value(int(i), QJsonValue::Null));
    return a;
}

QJsonValue int32(int n) { return QJsonObject{{"int32", n}}; }

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const KvoError &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

const QString StatementDelete = QStringLiteral(
    "delete from GER_GRID_USUARIO where USUARIO   = %1 and NOME_UNIT = %2 and NOME_GRID = %3 and CONTADOR  = %4");
const QString StatementInsert = QStringLiteral(
    "insert into GER_GRID_USUARIO (USUARIO, NOME_UNIT, NOME_GRID, CONFIGURACAO, CONTADOR, DES_CONFIGURACAO) "
    "values (:USUARIO, :NOMEUNIT, :NOMEGRID, :CONFIGURACAO, :CONTADOR, :DESCONF)");
const QString StatementUpdate = QStringLiteral(
    "update GER_GRID_USUARIO set CONFIGURACAO = :CONFIGURACAO  where USUARIO   = %1 and NOME_UNIT = %2 "
    "and NOME_GRID = %3 and CONTADOR  = %4");
const QString StatementRestore = QStringLiteral(
    "select CONFIGURACAO from GER_GRID_USUARIO where USUARIO   = %1 and NOME_UNIT = '%2' and NOME_GRID = '%3' "
    "and CONTADOR  = %4");

QString quoted(QString s)
{
    return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

} // namespace

class TestRemoteClient : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestAppServer> server;
    std::unique_ptr<RemoteServerConnection> connection;

    void connectTo(RemoteServerConnection &c) const
    {
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = server->port();
        c.TimeoutMs = 10000;
        c.Open();
    }

private slots:
    void init()
    {
        server = std::make_unique<TestAppServer>();
        connection = std::make_unique<RemoteServerConnection>();
        connectTo(*connection);
    }

    void cleanup()
    {
        connection.reset();
        server.reset();
    }

    void missingConnectionIsRefused()
    {
        const QString expected = QStringLiteral("Connection cannot be nil.  Make sure the connection has been opened.");
        QCOMPARE(errorOf([] { TdmConexaoServerClient c(nullptr); }), expected);
        QCOMPARE(errorOf([] { TdmConexaoServerClient c(nullptr, false); }), expected);
        TdmConexaoServerClient owner(connection.get());
        QVERIFY(owner.InstanceOwner());
        TdmConexaoServerClient notOwner(connection.get(), false);
        QVERIFY(!notOwner.InstanceOwner());
    }

    void connectionKnowsItsState()
    {
        RemoteServerConnection c;
        QVERIFY(!c.Connected());
        TdmConexaoServerClient client(&c);
        QVERIFY(errorOf([&] { client.ExecutaSQLInteger("select 1"); }).contains("não está aberta"));
        QVERIFY(errorOf([&] { c.GetRecords("dspDBGridKVO", "select 1"); }).contains("não está aberta"));
        connectTo(c);
        QVERIFY(c.Connected());
        QCOMPARE(client.ExecutaSQLInteger("select 7"), 7);
        c.Close();
        QVERIFY(!c.Connected());

        // nobody listening: a clear error, no connected state
        RemoteServerConnection nowhere;
        nowhere.Port = server->port();
        server.reset();
        QVERIFY(errorOf([&] { nowhere.Open(); }).contains("Falha na comunicação com o servidor de aplicação"));
        QVERIFY(!nowhere.Connected());
        server = std::make_unique<TestAppServer>();
    }

    void eachMethodPreparesItsCommandOnce()
    {
        TdmConexaoServerClient client(connection.get());
        QCOMPARE(client.FExecutaDMLCommand, nullptr);
        server->exec("create table T (N integer)");
        for (int i = 0; i < 5; ++i) {
            QVERIFY(client.ExecutaDML(QStringLiteral("insert into T values (%1)").arg(i), false));
            QCOMPARE(client.ExecutaSQLInteger("select count(*) from T"), i + 1);
        }
        RemoteCommand *dml = client.FExecutaDMLCommand;
        QVERIFY(dml);
        QCOMPARE(dml->CommandType, QString("DataSnap.ServerMethod"));
        QCOMPARE(dml->Text, QString("TdmConexaoServer.ExecutaDML"));
        QCOMPARE(dml->prepareCount(), 1);
        QCOMPARE(dml->executeCount(), 5);
        QCOMPARE(client.FExecutaSQLIntegerCommand->Text, QString("TdmConexaoServer.ExecutaSQLInteger"));
        QCOMPARE(client.FExecutaSQLIntegerCommand->prepareCount(), 1);
        QCOMPARE(connection->commandsCreated(), 2);
        QCOMPARE(client.FExecutaSQLStringCommand, nullptr);

        // a failing call keeps its command too
        QVERIFY(errorOf([&] { client.ExecutaDML("not sql", false); }) != "<no error>");
        QCOMPARE(client.FExecutaDMLCommand, dml);
        QCOMPARE(connection->commandsCreated(), 2);
        QCOMPARE(server->calls("ExecutaDML").size(), 6);
    }

    void everyPublishedMethodHasItsCommand()
    {
        // Each method, called once against a server that answers every ordinal with a
        // value of its declared type, sends "TdmConexaoServer." + its name with its
        // parameters by ordinal.
        for (const ServerMethodInfo &m : ServerMethods::all()) {
            server->setHandler(m.name, [m](const QJsonArray &params) {
                QJsonArray a;
                for (const ServerParamInfo &p : m.params) {
                    if (p.direction == ParamDirection::In) { a.append(QJsonValue::Null); continue; }
                    switch (p.type) {
                    case ParamType::String: a.append("s"); break;
                    case ParamType::Boolean: a.append(true); break;
                    case ParamType::Int32: a.append(int32(3)); break;
                    case ParamType::Double: a.append(QJsonObject{{"double", 2.5}}); break;
                    default: a.append(QJsonValue::Null); break;
                    }
                }
                Q_ASSERT(a.size() == params.size());
                return a;
            });
        }
        TdmConexaoServerClient c(connection.get());
        QString s1, s2, s3, s4;
        QVariant v;
        int n = 0;
        QIODevice *stream = nullptr;
        SQLDataSet *sds = nullptr;
        c.DSServerModuleCreate(nullptr); c.DSServerModuleDestroy(nullptr);
        c.sdsPadraoBeforeOpen(nullptr); c.sdsPadraoAfterOpen(nullptr); c.sdsConsultaAfterOpen(nullptr);
        c.sdsAgendaAfterOpen(nullptr); c.cdsPadraoAfterPost(nullptr); c.cdsPadraoAfterCancel(nullptr);
        c.cdsPadraoAfterDelete(nullptr); c.dspGravaRegistroGetTableName(nullptr, nullptr, s1);
        c.dspExecutaDMLParamDSAfterExecute(nullptr, v); c.tmrSessoesTimer(nullptr); c.tmrMemoriaTimer(nullptr);
        c.SQLConnection1BeforeDisconnect(nullptr); c.SQLConnectionAfterConnect(nullptr);
        c.RemoveListaConexao(1); QCOMPARE(c.SQLConnection(), nullptr); QCOMPARE(c.AtribuiConexao(), QString("s"));
        QVERIFY(c.ConectaBanco(true, s1, s2, s3, s4)); c.HabilitaMonitor(true);
        QVERIFY(c.MostraMonitor("id", stream)); QCOMPARE(stream, nullptr);
        c.SetaConexao(nullptr); QVERIFY(c.EmTransacao()); c.SetMensagemErro("m"); QCOMPARE(c.GetMensagemErro(), QString("s"));
        c.IncluiSessaoUsuario(1, "x"); c.RemoveSessaoAtiva(); QCOMPARE(c.RetornaIDSessaoUsuario(), 2.5);
        c.VerificaAtividadeCliente(); c.CriadmServer(); QCOMPARE(c.RetornaIDBD(), QString("s"));
        QCOMPARE(c.RetornaIDGeralBD(), 2.5);
        QVERIFY(c.ExecutaDML("x", false)); QVERIFY(c.ExecutaDMLParam(sds)); QCOMPARE(sds, nullptr);
        QCOMPARE(c.ExecutaSQLString("x"), QString("s")); QCOMPARE(c.ExecutaSQLInteger("x"), 3);
        QCOMPARE(c.ExecutaSQLFloat("x"), 2.5); QVERIFY(c.ExecutaDireto("x")); QVERIFY(c.IniciaTransacao());
        QVERIFY(c.ComitaTransacao()); QVERIFY(c.RollbackTransacao()); c.FechaSds("sds"); c.SetChaveSdsConsulta("k");
        QVERIFY(c.ApplyUpdatesMem(QVariant(), "T", 0, "K")); c.GravaBanco("{}");
        c.AS_ApplyUpdates("p", QVariant(), 0, n, nullptr); QCOMPARE(n, 3);
        c.AS_GetRecords("p", -1, n, 0, "", nullptr, nullptr); c.AS_DataRequest("p", QVariant());
        QCOMPARE(c.AS_GetProviderNames(), QString("s")); c.AS_GetParams("p", nullptr);
        c.AS_RowRequest("p", QVariant(), 0, nullptr); c.AS_Execute("p", "", nullptr, nullptr);

        QCOMPARE(ServerMethods::all().size(), 52);
        QCOMPARE(connection->commandsCreated(), 52);
        for (const ServerMethodInfo &m : ServerMethods::all()) {
            const QList<QJsonObject> calls = server->calls(m.name);
            QVERIFY2(calls.size() == 1, qPrintable(m.name));
            const QJsonArray params = calls.first().value("params").toArray();
            QCOMPARE(params.size(), m.params.size());
            for (int i = 0; i < params.size(); ++i) {
                QCOMPARE(params.at(i).toObject().value("name").toString(), m.params.at(i).name);
                QCOMPARE(params.at(i).toObject().value("direction").toString(),
                         ServerMethods::directionName(m.params.at(i).direction));
                QCOMPARE(params.at(i).toObject().value("type").toString(), ServerMethods::typeName(m.params.at(i).type));
            }
        }
    }

    void inParametersAndResultByOrdinal()
    {
        server->setHandler("ApplyUpdatesMem", [](const QJsonArray &p) { return answer(p, {{4, false}}); });
        TdmConexaoServerClient client(connection.get());
        QCOMPARE(client.ApplyUpdatesMem(QVariant(qlonglong(1) << 40), "TABELA", 7, "ID"), false);
        const QJsonObject call = server->calls("ApplyUpdatesMem").first();
        QCOMPARE(sent(call, 0), QJsonValue(QJsonObject{{"int64", "1099511627776"}}));
        QCOMPARE(sent(call, 1), QJsonValue("TABELA"));
        QCOMPARE(sent(call, 2), int32(7));
        QCOMPARE(sent(call, 3), QJsonValue("ID"));
        QCOMPARE(param(call, 4).value("direction").toString(), QString("result"));
        QCOMPARE(sent(call, 4), QJsonValue(QJsonValue::Null));
    }

    void varParametersAreSentAndReadBack()
    {
        server->setHandler("ConectaBanco", [](const QJsonArray &p) {
            return answer(p, {{1, p[1].toObject()["value"].toString() + "+"}, {2, "QODBC"}, {3, QJsonValue::Null},
                              {4, "S"}, {5, true}});
        });
        TdmConexaoServerClient client(connection.get());
        QString banco = "SQLSERVER", driver = "x", base = "vestra", espelhado = "N";
        QVERIFY(client.ConectaBanco(false, banco, driver, base, espelhado));
        const QJsonObject call = server->calls("ConectaBanco").first();
        QCOMPARE(sent(call, 0), QJsonValue(false));
        QCOMPARE(sent(call, 1), QJsonValue("SQLSERVER"));
        QCOMPARE(sent(call, 3), QJsonValue("vestra"));
        QCOMPARE(param(call, 4).value("direction").toString(), QString("inout"));
        QCOMPARE(banco, QString("SQLSERVER+"));
        QCOMPARE(driver, QString("QODBC"));
        QCOMPARE(base, QString()); // null text reads as empty
        QCOMPARE(espelhado, QString("S"));

        // a malformed answer is an error, and the caller's variables stay as they were
        server->setHandler("ConectaBanco", [](const QJsonArray &p) {
            return answer(p, {{1, "changed"}, {5, "yes"}});
        });
        QVERIFY(errorOf([&] { client.ConectaBanco(false, banco, driver, base, espelhado); })
                    .startsWith("Resposta inválida do servidor de aplicação"));
        QCOMPARE(banco, QString("SQLSERVER+"));
    }

    void outParametersAndStreamValues()
    {
        server->setHandler("AS_GetRecords", [](const QJsonArray &p) {
            RecordData rows;
            rows.fields = {{"N", FieldType::Integer, 0}};
            rows.cells = {1, 2};
            return answer(p, {{2, int32(2)},
                              {5, QJsonObject{{"stream", QString(QByteArray("params-back").toBase64())}}},
                              {6, p[6].toObject()["value"]},
                              {7, RemoteValue::fromVariant(QVariant::fromValue(rows))}});
        });
        TdmConexaoServerClient client(connection.get());
        int recsOut = -1;
        StreamValue paramReader(QByteArray("\x00params", 7));
        StreamValue ownerData(QByteArray("owner"));
        const QVariant packet = client.AS_GetRecords("dspX", -1, recsOut, 4, "select N", &paramReader, &ownerData);
        const QJsonObject call = server->calls("AS_GetRecords").first();
        QCOMPARE(param(call, 2).value("direction").toString(), QString("out"));
        QCOMPARE(sent(call, 2), QJsonValue(QJsonValue::Null)); // out: nothing sent
        QCOMPARE(sent(call, 1), int32(-1));
        QCOMPARE(sent(call, 3), int32(4));
        QCOMPARE(sent(call, 4), QJsonValue("select N"));
        QCOMPARE(sent(call, 5), QJsonValue(QJsonObject{{"stream", QString(QByteArray("\x00params", 7).toBase64())}}));
        QCOMPARE(recsOut, 2);
        QCOMPARE(paramReader, StreamValue(QByteArray("params-back")));
        QCOMPARE(ownerData, StreamValue(QByteArray("owner")));
        QCOMPARE(packet.value<RecordData>().cells, (QVector<QVariant>{1, 2}));

        // absent stream values travel as null and receive nothing
        client.AS_GetRecords("dspX", -1, recsOut, 0, "", nullptr, nullptr);
        QCOMPARE(sent(server->calls("AS_GetRecords").at(1), 5), QJsonValue(QJsonValue::Null));
        QCOMPARE(sent(server->calls("AS_GetRecords").at(1), 6), QJsonValue(QJsonValue::Null));
    }

    void variantVarKeepsTypes()
    {
        server->setHandler("dspExecutaDMLParamDSAfterExecute",
                           [](const QJsonArray &p) { return answer(p, {{1, p[1].toObject()["value"]}}); });
        TdmConexaoServerClient client(connection.get());
        RecordData rows;
        rows.fields = {{"I", FieldType::Integer, 0}, {"B", FieldType::LargeInt, 0}, {"D", FieldType::Float, 0},
                       {"T", FieldType::String, 10}, {"W", FieldType::DateTime, 0}, {"X", FieldType::Blob, 0}};
        rows.cells = {QVariant(), qlonglong(-9007199254740993LL), 3.25, QString("ç'\""),
                      QDateTime(QDate(2021, 5, 6), QTime(7, 8, 9, 999)), QByteArray("\xff\x00", 2)};
        QVariant ownerData = QVariant::fromValue(rows);
        client.dspExecutaDMLParamDSAfterExecute(nullptr, ownerData);
        const RecordData back = ownerData.value<RecordData>();
        QCOMPARE(back.fields, rows.fields);
        for (int i = 0; i < rows.cells.size(); ++i) {
            QCOMPARE(back.cells.at(i).typeId(), rows.cells.at(i).typeId());
            QCOMPARE(back.cells.at(i), rows.cells.at(i));
        }
    }

    void objectParametersAndOwnership()
    {
        server->setHandler("DSServerModuleCreate", [](const QJsonArray &p) { return answer(p, {}); });
        {
            TdmConexaoServerClient owner(connection.get());
            QPointer<QObject> sender = new QObject;
            sender->setObjectName("frmTeste");
            owner.DSServerModuleCreate(sender);
            QVERIFY(!sender); // the owning client takes the object
            QCOMPARE(sent(server->calls("DSServerModuleCreate").first(), 0).toObject().value("json")
                         .toObject().value("objectName").toString(),
                     QString("frmTeste"));
            owner.DSServerModuleCreate(nullptr);
            QCOMPARE(sent(server->calls("DSServerModuleCreate").at(1), 0), QJsonValue(QJsonValue::Null));
            QVERIFY(!owner.marshalSlotFilled());
        }
        {
            TdmConexaoServerClient notOwner(connection.get(), false);
            QObject sender;
            notOwner.DSServerModuleCreate(&sender); // stays the caller's
            QCOMPARE(server->calls("DSServerModuleCreate").size(), 3);
        }
    }

    void objectResultsBelongToTheCommandWhenOwner()
    {
        server->setHandler("SQLConnection", [](const QJsonArray &p) {
            SQLConnection c;
            c.setObjectName("SQLConnection");
            c.DriverName = "DevartOracle";
            return answer(p, {{0, QJsonObject{{"json", JsonMarshal().marshal(&c)}}}});
        });
        TdmConexaoServerClient owner(connection.get());
        QPointer<SQLConnection> first = owner.SQLConnection();
        QVERIFY(first);
        QCOMPARE(first->DriverName, QString("DevartOracle"));
        QPointer<SQLConnection> second = owner.SQLConnection();
        QVERIFY(!first); // freed before the command's next execution
        QVERIFY(second);
        QVERIFY(!owner.unMarshalSlotFilled());

        TdmConexaoServerClient notOwner(connection.get(), false);
        std::unique_ptr<SQLConnection> mine(notOwner.SQLConnection());
        std::unique_ptr<SQLConnection> alsoMine(notOwner.SQLConnection()); // the first stays alive
        QCOMPARE(mine->DriverName, QString("DevartOracle"));
    }

    void dataSetParameters()
    {
        server->setHandler("sdsPadraoBeforeOpen", [](const QJsonArray &p) { return answer(p, {}); });
        TdmConexaoServerClient owner(connection.get());
        auto *cds = new ClientDataSet;
        cds->FieldDefs = {{"ID", FieldType::Integer, 0}, {"NOME", FieldType::String, 20}};
        cds->CreateDataSet();
        cds->Append();
        cds->setFieldValue(0, 5);
        cds->setFieldValue(1, "cinco");
        cds->Post();
        QPointer<ClientDataSet> watch = cds;
        owner.sdsPadraoBeforeOpen(cds);
        const QJsonObject dataset = sent(server->calls("sdsPadraoBeforeOpen").first(), 0).toObject().value("dataset").toObject();
        QCOMPARE(dataset.value("fields").toArray().at(1).toObject().value("name").toString(), QString("NOME"));
        QCOMPARE(dataset.value("rows").toArray().at(0).toArray().at(0), int32(5));
        QVERIFY(watch); // the reader holds it until it is replaced
        owner.sdsPadraoBeforeOpen(nullptr);
        QVERIFY(!watch);

        TdmConexaoServerClient notOwner(connection.get(), false);
        ClientDataSet mine;
        notOwner.sdsPadraoBeforeOpen(&mine);
        notOwner.sdsPadraoBeforeOpen(nullptr); // the reader goes, the data set stays
        QVERIFY(!mine.active());
    }

    void queryDataSetVarParameter()
    {
        server->setHandler("ExecutaDMLParam", [](const QJsonArray &p) {
            QJsonObject o = p[0].toObject()["value"].toObject()["json"].toObject();
            QJsonObject props = o["properties"].toObject();
            props["CommandText"] = props["CommandText"].toString() + " -- executado";
            o["properties"] = props;
            return answer(p, {{0, QJsonObject{{"json", o}}}, {1, true}});
        });
        TdmConexaoServerClient notOwner(connection.get(), false);
        SQLDataSet original;
        original.CommandText = "update T set N = :N";
        SQLDataSet *sds = &original;
        QVERIFY(notOwner.ExecutaDMLParam(sds));
        QVERIFY(sds && sds != &original);
        std::unique_ptr<SQLDataSet> back(sds);
        QCOMPARE(back->CommandText, QString("update T set N = :N -- executado"));
        QCOMPARE(original.CommandText, QString("update T set N = :N"));

        // the owning client takes the data set it sends: the caller's reference never dangles
        TdmConexaoServerClient owner(connection.get());
        QPointer<SQLDataSet> given = new SQLDataSet;
        SQLDataSet *ref = given;
        server->setHandler("ExecutaDMLParam", [](const QJsonArray &) -> QJsonArray { throw KvoError("falhou"); });
        QCOMPARE(errorOf([&] { owner.ExecutaDMLParam(ref); }), QString("falhou"));
        QVERIFY(!given);
        QCOMPARE(ref, nullptr);
        QVERIFY(!owner.marshalSlotFilled());
        QVERIFY(!owner.unMarshalSlotFilled());
    }

    void outStreamOwnership()
    {
        server->setHandler("MostraMonitor", [](const QJsonArray &p) {
            return answer(p, {{1, QJsonObject{{"stream", QString(QByteArray("log\nlinha").toBase64())}}}, {2, true}});
        });
        TdmConexaoServerClient owner(connection.get());
        QIODevice *stream = nullptr;
        QVERIFY(owner.MostraMonitor("42", stream));
        QCOMPARE(stream->readAll(), QByteArray("log\nlinha"));
        QCOMPARE(owner.FMostraMonitorCommand->ownedCount(), 1);

        TdmConexaoServerClient notOwner(connection.get(), false);
        QIODevice *mine = nullptr;
        QVERIFY(notOwner.MostraMonitor("42", mine));
        std::unique_ptr<QIODevice> keep(mine);
        QCOMPARE(notOwner.FMostraMonitorCommand->ownedCount(), 0);
        QCOMPARE(keep->readAll(), QByteArray("log\nlinha"));
    }

    void serverErrorsReachTheCallerWithTheirText()
    {
        TdmConexaoServerClient client(connection.get());
        const QString sqliteError = errorOf([&] { client.ExecutaDML("delete from TABELA_QUE_NAO_EXISTE", false); });
        QVERIFY2(sqliteError.contains("no such table: TABELA_QUE_NAO_EXISTE"), qPrintable(sqliteError));

        server->setHandler("DSServerModuleDestroy", [](const QJsonArray &) -> QJsonArray {
            throw KvoError(QStringLiteral("Sessão 12 encerrada pelo servidor.\nTente de novo."));
        });
        QCOMPARE(errorOf([&] { client.DSServerModuleDestroy(new QObject); }),
                 QString("Sessão 12 encerrada pelo servidor.\nTente de novo."));
        QVERIFY(!client.marshalSlotFilled());

        QCOMPARE(errorOf([&] { client.ExecutaSQLString("x"); }),
                 QString("Método TdmConexaoServer.ExecutaSQLString não implementado neste servidor."));
        QCOMPARE(errorOf([&] { connection->GetRecords("dspOutro", "select 1"); }),
                 QString("Provedor 'dspOutro' não encontrado."));

        // a wrong answer is never read as a result
        server->setHandler("ExecutaDireto", [](const QJsonArray &p) { return answer(p, {{1, int32(1)}}); });
        QVERIFY(errorOf([&] { client.ExecutaDireto("x"); }).startsWith("Resposta inválida"));
        server->setHandler("ExecutaSQLFloat", [](const QJsonArray &) { return QJsonArray{}; });
        QVERIFY(errorOf([&] { client.ExecutaSQLFloat("x"); }).startsWith("Resposta inválida"));
    }

    void silentServerFailsInBoundedTimeWithoutFreezing()
    {
        TdmConexaoServerClient client(connection.get());
        connection->TimeoutMs = 700;
        server->setSilent(true);
        int ticks = 0;
        bool inputHeldOff = false;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] {
            ++ticks;
            inputHeldOff = inputHeldOff || BusyLoop::inputBlocked();
        });
        tick.start(50);
        QElapsedTimer elapsed;
        elapsed.start();
        const QString error = errorOf([&] { client.ExecutaSQLInteger("select 1"); });
        QVERIFY2(error.startsWith("O servidor de aplicação http://127.0.0.1:"), qPrintable(error));
        QVERIFY2(error.contains("não respondeu em 0.7 s"), qPrintable(error));
        QVERIFY(elapsed.elapsed() >= 650);
        QVERIFY(elapsed.elapsed() < 5000);
        QVERIFY2(ticks >= 5, "the event loop kept running during the wait");
        QVERIFY(inputHeldOff);
        QVERIFY(!BusyLoop::inputBlocked());

        // the same client works again once the server answers
        server->setSilent(false);
        connection->TimeoutMs = 10000;
        QCOMPARE(client.ExecutaSQLInteger("select 3"), 3);
        QCOMPARE(client.FExecutaSQLIntegerCommand->prepareCount(), 1);
    }

    void aSecondCallDuringTheWaitIsRefused()
    {
        server->setHandler("RemoveSessaoAtiva", [](const QJsonArray &p) {
            QThread::msleep(400);
            return answer(p, {});
        });
        TdmConexaoServerClient client(connection.get());
        QString nested;
        QTimer::singleShot(100, [&] {
            nested = errorOf([&] { client.ExecutaSQLInteger("select 1"); });
        });
        client.RemoveSessaoAtiva();
        QCOMPARE(nested, QString("O cliente do servidor de aplicação já está atendendo outra chamada."));
        QVERIFY(!client.callInProgress());
        QCOMPARE(client.ExecutaSQLInteger("select 1"), 1);
    }

    // What the grid's layout store sends in the remote mode.
    void layoutStoreStatements()
    {
        server->exec("create table GER_GRID_USUARIO (USUARIO integer, NOME_UNIT varchar(100), NOME_GRID varchar(100), "
                     "CONTADOR integer, DES_CONFIGURACAO varchar(60), CONFIGURACAO blob, OBSERVACAO text)");
        TdmConexaoServerClient client(connection.get());
        const QString form = "FRMO'BRIEN";
        const QString view = "CXGRDBTBLVWLOCK";
        const QByteArray document("\x00\x01layout\xff<CONFIG>clRed</CONFIG>", 30);

        auto save = [&](int contador, const QByteArray &doc, const QString &desc) {
            client.ExecutaDML(StatementDelete.arg(7).arg(quoted(form), quoted(view)).arg(contador), false);
            RemoteClientDataSet cds;
            cds.setRemoteServer(connection.get());
            cds.ProviderName = "dspDBGridKVO";
            cds.CommandText = StatementInsert;
            cds.setParam("USUARIO", 7);
            cds.setParam("NOMEUNIT", form);
            cds.setParam("NOMEGRID", view);
            cds.setParam("CONFIGURACAO", doc);
            cds.setParam("DESCONF", desc);
            cds.setParam("CONTADOR", contador);
            QCOMPARE(cds.Execute(), 1);
        };
        save(0, document, "CONFIGURAÇÃO PADRÃO");
        save(0, document, "CONFIGURAÇÃO PADRÃO"); // replaces, no second row
        save(5, "outro", view);
        const RecordData rows = server->query("select CONTADOR, DES_CONFIGURACAO, NOME_UNIT from GER_GRID_USUARIO order by CONTADOR");
        QCOMPARE(rows.rowCount(), 2);
        QCOMPARE(rows.at(0, 1).toString(), QString("CONFIGURAÇÃO PADRÃO"));
        QCOMPARE(rows.at(0, 2).toString(), form);
        QCOMPARE(rows.at(1, 1).toString(), view);

        // update: only the document of the existing row
        RemoteClientDataSet upd;
        upd.setRemoteServer(connection.get());
        upd.ProviderName = "dspDBGridKVO";
        upd.CommandText = StatementUpdate.arg(7).arg(quoted(form), quoted(view)).arg(0);
        upd.setParam("CONFIGURACAO", QByteArray("novo\0doc", 8));
        QCOMPARE(upd.Execute(), 1);

        // restore with a name free of quotes reads the bytes back intact
        server->exec("update GER_GRID_USUARIO set NOME_UNIT = 'FORM1'");
        RemoteClientDataSet fcdsDBGridKVO;
        fcdsDBGridKVO.setRemoteServer(connection.get());
        fcdsDBGridKVO.ProviderName = "dspDBGridKVO";
        fcdsDBGridKVO.CommandText = StatementRestore.arg(7).arg("FORM1", view).arg(0);
        fcdsDBGridKVO.Open();
        QCOMPARE(fcdsDBGridKVO.recordCount(), 1);
        QCOMPARE(fcdsDBGridKVO.fieldByName("CONFIGURACAO").toByteArray(), QByteArray("novo\0doc", 8));
        fcdsDBGridKVO.Close();
        fcdsDBGridKVO.CommandText = StatementRestore.arg(7).arg("FORM1", view).arg(3);
        fcdsDBGridKVO.Open();
        QVERIFY(fcdsDBGridKVO.isEmpty());

        // the remote restore does not double quotes: such a name fails with the server's text
        fcdsDBGridKVO.Close();
        fcdsDBGridKVO.CommandText = StatementRestore.arg(7).arg(form, view).arg(0);
        QVERIFY(errorOf([&] { fcdsDBGridKVO.Open(); }).contains("syntax error"));

        // the other providers answer too
        RecordData grade = connection->GetRecords("dspConfigGrade",
                                                  "select CONTADOR from GER_GRID_USUARIO where USUARIO = :U",
                                                  {{"U", 7}});
        QCOMPARE(grade.rowCount(), 2);
        QCOMPARE(connection->GetRecords("dspConfigGradeAux", "select 1 as UM").at(0, 0).toInt(), 1);
    }

    // What the panel's permission check sends in the remote mode.
    void permissionCheck_data()
    {
        QTest::addColumn<int>("usuario");
        QTest::addColumn<int>("funcao");
        QTest::addColumn<bool>("permitted");
        QTest::newRow("holds 339") << 7 << 339 << true;
        QTest::newRow("lacks 340") << 7 << 340 << false;
        QTest::newRow("user 0 lacks all") << 0 << 339 << false;
        QTest::newRow("two rows") << 8 << 340 << true;
        QTest::newRow("negative user") << -1 << 339 << false;
    }

    void permissionCheck()
    {
        QFETCH(int, usuario);
        QFETCH(int, funcao);
        QFETCH(bool, permitted);
        server->exec("create table GER_FUNCAO_USUARIO (USUARIO integer, FUNCAO integer)");
        server->exec("insert into GER_FUNCAO_USUARIO values (7, 339), (8, 340), (8, 340)");
        TdmConexaoServerClient client(connection.get());
        const QString sql = "select FUNCAO from GER_FUNCAO_USUARIO where USUARIO = " + QString::number(usuario)
            + " and FUNCAO  = " + QString::number(funcao);
        QCOMPARE(client.ExecutaSQLInteger(sql) > 0, permitted);
        QCOMPARE(sent(server->calls("ExecutaSQLInteger").first(), 0).toString(), sql);
    }

    void remoteClientDataSetNeedsServerAndProvider()
    {
        RemoteClientDataSet cds;
        cds.setObjectName("fcdsDBGridKVO");
        QCOMPARE(errorOf([&] { cds.Open(); }), QString("fcdsDBGridKVO: servidor remoto não informado."));
        cds.setRemoteServer(connection.get());
        QCOMPARE(errorOf([&] { cds.Execute(); }), QString("fcdsDBGridKVO: provedor não informado."));
        cds.setParam("A", 1);
        cds.setParam("a", 2);
        QCOMPARE(cds.Params.size(), 1);
        QCOMPARE(cds.Params.first().second.toInt(), 2);
    }
};

QTEST_MAIN(TestRemoteClient)
#include "tst_remoteclient.moc"
