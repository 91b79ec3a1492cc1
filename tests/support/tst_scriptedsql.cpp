// SQLConnection against the scripted driver: what reaches the driver when the program
// opens, queries and executes, what comes back, how failures surface, and that the
// window keeps painting while the worker is busy. Also what RecordingUiServices records.
#include "BusyLoop.h"
#include "DriverCatalog.h"
#include "Error.h"
#include "RecordingUiServices.h"
#include "SQLConnection.h"
#include "ScriptedSqlDriver.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

const QStringList kParams{
    QStringLiteral("HostName=srv,1433"),
    QStringLiteral("DataBase=vestra"),
    QStringLiteral("User_Name=KVO"),
    QStringLiteral("Password=a;b{c}d"),
    QStringLiteral("OS Authentication=False"),
    QStringLiteral("MSSQL TransIsolation=ReadCommited"),
};

std::unique_ptr<SQLConnection> makeConnection(const QString &driverName)
{
    auto c = std::make_unique<SQLConnection>();
    c->DriverName = driverName;
    c->Params = kParams;
    c->LoginPrompt = false;
    return c;
}

QString cantOpenLib(const QString &driver)
{
    return QStringLiteral("[unixODBC][Driver Manager]Can't open lib '%1' : file not found").arg(driver);
}

// The message of the KvoError `f` throws; nullopt when it throws nothing.
template<typename F>
std::optional<QString> errorOf(F &&f)
{
    try {
        f();
    } catch (const KvoError &e) {
        return e.message();
    }
    return std::nullopt;
}

QStringList describe(const QVector<FieldDef> &fields)
{
    QStringList out;
    for (const FieldDef &f : fields)
        out << QStringLiteral("%1 %2(%3)").arg(f.name, fieldTypeName(f.type)).arg(f.size);
    return out;
}

// Counts the paint events a widget gets.
class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

class tst_ScriptedSql : public QObject
{
    Q_OBJECT

    ScriptedSql &script = ScriptedSql::instance();

private slots:
    void initTestCase()
    {
        ScriptedSql::install();
        DriverCatalog::setOdbcQtDriver(QString::fromLatin1(ScriptedSql::DriverName));
        qputenv("GERLOCK_LOGIN_TIMEOUT", "5");
        for (const char *name : {"GERLOCK_ODBC_OPTIONS", "GERLOCK_DRIVER_MSSQL", "GERLOCK_DRIVER_DEVARTSQLSERVER"})
            qunsetenv(name);
    }

    void cleanupTestCase() { DriverCatalog::setOdbcQtDriver(QString()); }

    void init() { script.reset(); }

    // The ODBC connection string, escaped, is what the driver gets; the credentials travel
    // only inside it, and everything happens off the main thread.
    void openAndCloseReachTheDriver()
    {
#ifdef Q_OS_WIN
        QSKIP("MSSQL maps to FreeTDS outside Windows only");
#endif
        auto c = makeConnection(QStringLiteral("MSSQL"));
        QSignalSpy changes(c.get(), &SQLConnection::connectedChanged);
        c->Open();
        QVERIFY(c->Connected());

        const QString expected = QStringLiteral(
            "DRIVER={FreeTDS};Server=srv;Port=1433;Database=vestra;UID=KVO;PWD={a;b{c}d};APP=Gerenciador de Lock;"
            "ClientCharset=UTF-8;");
        const QList<ScriptedEvent> opens = script.opens();
        QCOMPARE(opens.size(), 1);
        QCOMPARE(opens[0].connectString, expected);
        QCOMPARE(opens[0].connectOptions, QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=5"));
        QCOMPARE(opens[0].user, QString());
        QCOMPARE(opens[0].password, QString());
        QCOMPARE(opens[0].host, QString());
        QVERIFY(opens[0].succeeded);
        QVERIFY(!opens[0].onMainThread);
        QCOMPARE(c->lastConnectString(), expected);
        QCOMPARE(c->lastQtDriver(), QString::fromLatin1(ScriptedSql::DriverName));

        c->Open(); // already open: nothing happens
        QCOMPARE(script.opens().size(), 1);

        c->Close();
        QVERIFY(!c->Connected());
        const ScriptedEvent last = script.events().last();
        QCOMPARE(last.kind, ScriptedEvent::Kind::Close);
        QCOMPARE(last.connectString, expected);
        QVERIFY(!last.onMainThread);
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes[0][0].toBool(), true);
        QCOMPARE(changes[1][0].toBool(), false);

        QCOMPARE(errorOf([&] { c->Query(QStringLiteral("select 1")); }).value_or(QString()),
                 QStringLiteral("A conexão com o banco de dados não está aberta."));
        QVERIFY(script.statements().isEmpty());
    }

    void openTriesTheCandidatesInTurn_data()
    {
        QTest::addColumn<QStringList>("missing");       // ODBC drivers whose open fails
        QTest::addColumn<QString>("afterConnectError"); // AfterConnect throws this
        QTest::addColumn<int>("openCount");
        QTest::addColumn<QString>("error");             // empty: connected

        const QString ms18 = QStringLiteral("ODBC Driver 18 for SQL Server");
        const QString ms17 = QStringLiteral("ODBC Driver 17 for SQL Server");
        QTest::newRow("driver 18 opens") << QStringList() << QString() << 1 << QString();
        QTest::newRow("18 missing, 17 opens") << QStringList{ms18} << QString() << 2 << QString();
        QTest::newRow("both missing: the last message") << QStringList{ms18, ms17} << QString() << 2 << cantOpenLib(ms17);
        QTest::newRow("17 missing only") << QStringList{ms17} << QString() << 1 << QString();
        QTest::newRow("AfterConnect refuses") << QStringList() << QStringLiteral("Versão do banco não suportada.")
                                             << 1 << QStringLiteral("Versão do banco não suportada.");
    }

    void openTriesTheCandidatesInTurn()
    {
        QFETCH(QStringList, missing);
        QFETCH(QString, afterConnectError);
        QFETCH(int, openCount);
        QFETCH(QString, error);

        for (const QString &driver : missing)
            script.failOpen(QStringLiteral("DRIVER={%1}").arg(driver), cantOpenLib(driver));
        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        if (!afterConnectError.isEmpty())
            c->AfterConnect = [&] { throw KvoError(afterConnectError); };

        QCOMPARE(errorOf([&] { c->Open(); }).value_or(QString()), error);
        QCOMPARE(c->Connected(), error.isEmpty());

        const QList<ScriptedEvent> opens = script.opens();
        QCOMPARE(opens.size(), openCount);
        const QStringList drivers{QStringLiteral("ODBC Driver 18 for SQL Server"),
                                  QStringLiteral("ODBC Driver 17 for SQL Server")};
        for (int i = 0; i < openCount; ++i) {
            QVERIFY2(opens[i].connectString.startsWith(QStringLiteral("DRIVER={%1};Server=srv,1433;").arg(drivers[i])),
                     qPrintable(opens[i].connectString));
            QVERIFY(opens[i].connectString.contains(QStringLiteral(";PWD={a;b{c}}d};Trusted_Connection=No;")));
            QCOMPARE(opens[i].succeeded, !missing.contains(drivers[i]));
        }
        // What was tried last stays for the diagnostics, also after a failure.
        QCOMPARE(c->lastConnectString(), opens.last().connectString);

        if (!error.isEmpty()) {
            if (!afterConnectError.isEmpty())
                QCOMPARE(script.events().last().kind, ScriptedEvent::Kind::Close);
            // The failed open left nothing behind: the next one starts afresh.
            script.reset();
            c->AfterConnect = nullptr;
            c->Open();
            QVERIFY(c->Connected());
            QCOMPARE(script.opens().size(), 1);
        }
    }

    // sp_who2 as SQL Server sends it: char(5) columns, a second SPID, NULLs.
    void queryReadsTheScriptedRows()
    {
        const QString sql = QStringLiteral("exec sp_who2");
        const auto chr = [](const char *name, int length) {
            return ScriptedColumn{QString::fromLatin1(name), QMetaType::QString, length, OdbcType::Char};
        };
        const auto varchar = [](const char *name, int length) {
            return ScriptedColumn{QString::fromLatin1(name), QMetaType::QString, length, OdbcType::VarChar};
        };
        script.on(QStringLiteral("  ") + sql + QStringLiteral("\n"),
                  ScriptedReply::table({chr("SPID", 5), varchar("Status", 30), varchar("Login", 128),
                                        chr("BlkBy", 5), varchar("DBName", 128),
                                        ScriptedColumn{"CPUTime", QMetaType::Int, -1, OdbcType::Integer},
                                        chr("SPID", 5),
                                        ScriptedColumn{"REQUESTID", QMetaType::Int, -1, OdbcType::Integer}},
                                       {{"53   ", "SUSPENDED", "KVO", "61   ", "vestra", 15, "53   ", 0},
                                        {"61   ", "sleeping", "sa", "  .  ", QVariant(), 2, "61   ", 0}}));

        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        c->Open();
        const RecordData data = c->Query(sql);

        QCOMPARE(describe(data.fields),
                 (QStringList{"SPID FixedChar(5)", "Status String(30)", "Login String(128)", "BlkBy FixedChar(5)",
                              "DBName String(128)", "CPUTime Integer(0)", "SPID_1 FixedChar(5)", "REQUESTID Integer(0)"}));
        QCOMPARE(data.rowCount(), 2);
        QCOMPARE(data.at(0, 0), QVariant(QStringLiteral("53   ")));
        QCOMPARE(data.at(0, 3), QVariant(QStringLiteral("61   ")));
        QCOMPARE(data.at(0, 5), QVariant(15));
        QCOMPARE(data.at(1, 1), QVariant(QStringLiteral("sleeping")));
        QVERIFY(data.at(1, 4).isNull());
        QVERIFY(!data.at(1, 4).isValid());
        QCOMPARE(data.at(1, 6), QVariant(QStringLiteral("61   ")));

        const QList<ScriptedEvent> statements = script.statements();
        QCOMPARE(statements.size(), 1);
        QCOMPARE(statements[0].sql, sql);
        QVERIFY(!statements[0].prepared);
        QVERIFY(!statements[0].onMainThread);
        QCOMPARE(statements[0].connectString, c->lastConnectString());
    }

    // The types the program gives fields, from what QODBC reports for each SQL type.
    void fieldTypes_data()
    {
        QTest::addColumn<int>("metaType");
        QTest::addColumn<int>("nativeType");
        QTest::addColumn<int>("length");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("char(5)") << int(QMetaType::QString) << OdbcType::Char << 5 << QVariant("ab   ") << "FixedChar(5)";
        QTest::newRow("nchar(3)") << int(QMetaType::QString) << OdbcType::WChar << 3 << QVariant("ab ") << "FixedChar(3)";
        QTest::newRow("varchar(30)") << int(QMetaType::QString) << OdbcType::VarChar << 30 << QVariant("x") << "String(30)";
        QTest::newRow("nvarchar(128)") << int(QMetaType::QString) << OdbcType::WVarChar << 128 << QVariant("x") << "WideString(128)";
        QTest::newRow("text") << int(QMetaType::QString) << OdbcType::LongVarChar << 2147483647 << QVariant("x") << "Memo(2147483647)";
        QTest::newRow("decimal(10,2) as text") << int(QMetaType::QString) << OdbcType::Decimal << 10 << QVariant("12.50") << "FMTBcd(0)";
        QTest::newRow("NUMBER as double") << int(QMetaType::Double) << OdbcType::Numeric << 38 << QVariant(1.5) << "FMTBcd(0)";
        QTest::newRow("float") << int(QMetaType::Double) << OdbcType::Double << 15 << QVariant(1.5) << "Float(0)";
        QTest::newRow("smallint") << int(QMetaType::Int) << OdbcType::SmallInt << 5 << QVariant(7) << "SmallInt(0)";
        QTest::newRow("int") << int(QMetaType::Int) << OdbcType::Integer << 10 << QVariant(7) << "Integer(0)";
        QTest::newRow("bigint, value given as int") << int(QMetaType::LongLong) << OdbcType::BigInt << 19 << QVariant(7) << "LargeInt(0)";
        QTest::newRow("datetime") << int(QMetaType::QDateTime) << OdbcType::TypeTimestamp << 23
                                  << QVariant(QDateTime(QDate(2024, 5, 1), QTime(8, 30))) << "DateTime(0)";
        QTest::newRow("bit") << int(QMetaType::Bool) << OdbcType::Bit << 1 << QVariant(true) << "Boolean(0)";
        QTest::newRow("varbinary") << int(QMetaType::QByteArray) << OdbcType::VarBinary << 8 << QVariant(QByteArray("\x01\x02")) << "Blob(0)";
    }

    void fieldTypes()
    {
        QFETCH(int, metaType);
        QFETCH(int, nativeType);
        QFETCH(int, length);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);

        const QString sql = QStringLiteral("select c from t");
        script.on(sql, ScriptedReply::table({{"c", QMetaType::Type(metaType), length, nativeType}}, {{value}, {QVariant()}}));
        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        c->Open();
        const RecordData data = c->Query(sql);
        QCOMPARE(describe(data.fields), QStringList{QStringLiteral("c ") + expected});
        QCOMPARE(data.rowCount(), 2);
        QCOMPARE(data.at(0, 0).metaType(), QMetaType(metaType));
        QVariant stored = value;
        QVERIFY(stored.convert(QMetaType(metaType)));
        QCOMPARE(data.at(0, 0), stored);
        QVERIFY(!data.at(1, 0).isValid()); // NULL
    }

    void statementsAreRecordedInOrder()
    {
        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        c->Open();
        QVERIFY(c->supportsTransactions());
        script.on(QStringLiteral("kill 53"), ScriptedReply::affected(0));
        script.onPrefix(QStringLiteral("update"), ScriptedReply::affected(3));

        QCOMPARE(c->ExecuteDirect(QStringLiteral("kill 53")), 0);
        c->StartTransaction();
        QCOMPARE(c->ExecuteWithParams(QStringLiteral("update LOCKS set OBS = :OBS where SPID = :SPID and OBS <> :OBS"),
                                      {{QStringLiteral(":OBS"), QStringLiteral("morto")}, {QStringLiteral("SPID"), 53}}),
                 3);
        c->Commit();
        c->StartTransaction();
        QCOMPARE(c->ExecuteDirect(QStringLiteral("delete from LOCKS")), -1);
        c->Rollback();

        QCOMPARE(script.statementTexts(),
                 (QStringList{"kill 53", "BEGIN",
                              "update LOCKS set OBS = :OBS where SPID = :SPID and OBS <> :OBS", "COMMIT",
                              "BEGIN", "delete from LOCKS", "ROLLBACK"}));
        const QList<ScriptedEvent> statements = script.statements();
        const ScriptedEvent &update = statements[2];
        QVERIFY(update.prepared);
        QCOMPARE(update.boundNames, (QStringList{":OBS", ":SPID", ":OBS"}));
        QCOMPARE(update.boundValues, (QVariantList{QStringLiteral("morto"), 53, QStringLiteral("morto")}));
        qint64 previous = script.opens().last().atMs;
        for (const ScriptedEvent &s : statements) {
            QVERIFY2(!s.onMainThread, qPrintable(s.sql));
            QVERIFY(s.succeeded);
            QCOMPARE(s.connectString, c->lastConnectString());
            QVERIFY(s.atMs >= previous);
            previous = s.atMs;
        }
        QCOMPARE(script.count(QStringLiteral("BEGIN")), 2);
    }

    void failuresThrowTheServerMessage_data()
    {
        QTest::addColumn<QString>("operation"); // Query, ExecuteDirect or Commit
        QTest::addColumn<QString>("sql");
        QTest::addColumn<ScriptedReply>("reply");
        QTest::addColumn<QString>("message");

        const QList<ScriptedColumn> spid{{"SPID", QMetaType::Int, -1, OdbcType::Integer}};
        const QList<QVariantList> rows{{51}, {52}, {53}};
        const QString deadlock = QStringLiteral(
            "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Transaction (Process ID 53) was deadlocked "
            "on lock resources with another process and has been chosen as the deadlock victim. Rerun the transaction.");

        QTest::newRow("statement error on Query")
            << "Query" << "select * from sys.dm_tran_locks"
            << ScriptedReply::failure("[SQL Server]VIEW SERVER STATE permission was denied on object 'server', database 'master'.", "300")
            << "[SQL Server]VIEW SERVER STATE permission was denied on object 'server', database 'master'.";
        QTest::newRow("statement error on ExecuteDirect")
            << "ExecuteDirect" << "kill 53"
            << ScriptedReply::failure("[SQL Server]Process ID 53 is not an active process ID.", "6106")
            << "[SQL Server]Process ID 53 is not an active process ID.";
        QTest::newRow("fetch error after 2 rows")
            << "Query" << "select SPID from LOCKS" << ScriptedReply::table(spid, rows).failingAfter(2, deadlock) << deadlock;
        QTest::newRow("fetch error before the first row")
            << "Query" << "select SPID from LOCKS" << ScriptedReply::table(spid, rows).failingAfter(0, deadlock) << deadlock;
        QTest::newRow("commit refused")
            << "Commit" << "COMMIT" << ScriptedReply::failure("[SQL Server]The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.")
            << "[SQL Server]The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.";
    }

    void failuresThrowTheServerMessage()
    {
        QFETCH(QString, operation);
        QFETCH(QString, sql);
        QFETCH(ScriptedReply, reply);
        QFETCH(QString, message);

        script.on(sql, reply);
        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        c->Open();
        const std::optional<QString> error = errorOf([&] {
            if (operation == u"Query") {
                c->Query(sql);
            } else if (operation == u"ExecuteDirect") {
                c->ExecuteDirect(sql);
            } else {
                c->StartTransaction();
                c->Commit();
            }
        });
        QCOMPARE(error.value_or(QStringLiteral("<no error>")), message);
        QCOMPARE(script.statements().last().sql, sql);
        QCOMPARE(script.statements().last().succeeded, reply.error.isEmpty());

        // The connection stays usable.
        QVERIFY(c->Connected());
        QCOMPARE(c->ExecuteDirect(QStringLiteral("select 1")), -1);
    }

    // While the worker runs a slow statement the main thread's timers run and the window
    // repaints, but a click does not reach the button; afterwards clicks work again.
    void waitKeepsPaintingButHoldsInput()
    {
        PaintCounter window;
        window.resize(200, 100);
        QPushButton button(QStringLiteral("Matar"), &window);
        button.setGeometry(10, 10, 100, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int clicks = 0;
        connect(&button, &QPushButton::clicked, &window, [&] { ++clicks; });
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 1); // a click does reach it outside the wait

        const QString sql = QStringLiteral("select * from LOCKS");
        const int delay = 500;
        script.on(sql, ScriptedReply::table({{"SPID", QMetaType::Int, -1, OdbcType::Integer}}, {{53}}).delayed(delay));
        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        c->Open();

        int ticks = 0;
        int clicksDuringWait = -1;
        bool inputHeld = true;
        const int paintsBefore = window.paints;
        QTimer timer;
        timer.setInterval(25);
        connect(&timer, &QTimer::timeout, &window, [&] {
            ++ticks;
            inputHeld = inputHeld && BusyLoop::inputBlocked();
            window.update();
            if (ticks == 3) {
                QTest::mouseClick(&button, Qt::LeftButton);
                clicksDuringWait = clicks;
            }
        });
        timer.start();
        QElapsedTimer elapsed;
        elapsed.start();
        const RecordData data = c->Query(sql);
        const qint64 took = elapsed.elapsed();
        const int paintsDuringWait = window.paints - paintsBefore;
        timer.stop();

        QCOMPARE(data.rowCount(), 1);
        QVERIFY2(took >= delay - 20, qPrintable(QString::number(took)));
        QVERIFY2(ticks >= 4, qPrintable(QString::number(ticks)));
        QVERIFY(inputHeld);
        QVERIFY2(paintsDuringWait >= 1, qPrintable(QString::number(paintsDuringWait)));
        QCOMPARE(clicksDuringWait, 1);
        QCOMPARE(clicks, 1);
        QVERIFY(!BusyLoop::inputBlocked());
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
    }

    // What the scripts do that other tests rely on.
    void scriptRules()
    {
        auto c = makeConnection(QStringLiteral("DevartSQLServer"));
        c->Open();
        const QString count = QStringLiteral("select count(*) from sys.sysprocesses");
        const QList<ScriptedColumn> n{{"n", QMetaType::Int, -1, OdbcType::Integer}};
        script.on(count, ScriptedReply::table(n, {{3}}));
        script.on(count, ScriptedReply::table(n, {{2}}));
        script.onPrefix(QStringLiteral("kill"), ScriptedReply::failure(QStringLiteral("no kill")));
        script.onPrefix(QStringLiteral("kill 5"), ScriptedReply::affected(1));

        // Replies for one text are used in turn; the last stays.
        QList<int> counts;
        for (int i = 0; i < 3; ++i)
            counts << c->Query(count).at(0, 0).toInt();
        QCOMPARE(counts, (QList<int>{3, 2, 2}));
        // The longest prefix wins.
        QCOMPARE(c->ExecuteDirect(QStringLiteral("kill 53")), 1);
        QCOMPARE(errorOf([&] { c->ExecuteDirect(QStringLiteral("kill 61")); }).value_or(QString()),
                 QStringLiteral("no kill"));
        // Anything else succeeds without a result set.
        const RecordData none = c->Query(QStringLiteral("select 1 from dual"));
        QCOMPARE(none.fieldCount(), 0);
        QCOMPARE(script.count(count), 3);

        script.reset();
        QVERIFY(script.events().isEmpty());
        QCOMPARE(c->Query(count).fieldCount(), 0);
        QCOMPARE(c->ExecuteDirect(QStringLiteral("kill 61")), -1);
    }

    void recordingUiServices()
    {
        UiServices *const original = &ui();
        RecordingUiServices other;
        {
            ScopedUi scoped;
            QCOMPARE(&ui(), &scoped.recorder());
            {
                ScopedUi nested(other);
                QCOMPARE(&ui(), &other);
            }
            QCOMPARE(&ui(), &scoped.recorder());

            // Confirmations answer from the queue, then Yes; Ok messages leave the queue alone.
            scoped->confirmAnswers = {UiServices::Answer::No};
            QCOMPARE(ui().message(UiServices::Kind::Information, "Pronto.", UiServices::Buttons::Ok), UiServices::Answer::Ok);
            QCOMPARE(ui().message(UiServices::Kind::Confirmation, "Matar a sessão 53?", UiServices::Buttons::YesNo),
                     UiServices::Answer::No);
            QCOMPARE(ui().message(UiServices::Kind::Confirmation, "Matar a sessão 61?", UiServices::Buttons::YesNo),
                     UiServices::Answer::Yes);
            QCOMPARE(scoped->messageTexts(), (QStringList{"Pronto.", "Matar a sessão 53?", "Matar a sessão 61?"}));
            QCOMPARE(scoped->messages[1].kind, UiServices::Kind::Confirmation);
            QCOMPARE(scoped->messages[1].buttons, UiServices::Buttons::YesNo);

            // Busy cursor depth, also through an exception; an error shown while busy says so.
            {
                BusyCursor outer;
                try {
                    BusyCursor inner;
                    ui().showError("Falha.");
                    throw KvoError("x");
                } catch (const KvoError &) {
                }
                QCOMPARE(scoped->busyDepth, 1);
            }
            ui().setBusyCursor(false); // one too many: ignored
            QCOMPARE(scoped->busyCalls, (QList<bool>{true, true, false, false, false}));
            QCOMPARE(scoped->busyDepth, 0);
            QCOMPARE(scoped->maxBusyDepth, 2);
            QCOMPARE(scoped->errorTexts(), QStringList{"Falha."});
            QCOMPARE(scoped->errors[0].busyDepth, 2);

            // Save dialogs answer from the queue, then cancel.
            scoped->saveAnswers = {QStringLiteral("/tmp/locks.csv")};
            QCOMPARE(ui().saveFileName("Exportar", "/tmp", "locks.csv", "CSV (*.csv)"), QStringLiteral("/tmp/locks.csv"));
            QCOMPARE(ui().saveFileName("Exportar", "/home", "b.csv", "CSV (*.csv)"), QString());
            QCOMPARE(scoped->saveDialogs.size(), 2);
            QCOMPARE(scoped->saveDialogs[1].caption, QStringLiteral("Exportar"));
            QCOMPARE(scoped->saveDialogs[1].directory, QStringLiteral("/home"));
            QCOMPARE(scoped->saveDialogs[1].fileName, QStringLiteral("b.csv"));
            QCOMPARE(scoped->saveDialogs[1].filter, QStringLiteral("CSV (*.csv)"));
            ui().openFile("/tmp/locks.csv");
            QCOMPARE(scoped->openedFiles, QStringList{"/tmp/locks.csv"});

            // Pauses are only recorded, unless realPause: then the wait is real and the
            // event loop runs with input held off.
            QElapsedTimer elapsed;
            elapsed.start();
            ui().pause(2000);
            QVERIFY(elapsed.elapsed() < 1000);
            scoped->realPause = true;
            bool firedHeld = false;
            QTimer::singleShot(20, [&] { firedHeld = BusyLoop::inputBlocked(); });
            elapsed.restart();
            ui().pause(150);
            QVERIFY(elapsed.elapsed() >= 150);
            QVERIFY(firedHeld);
            QCOMPARE(scoped->pauses, (QList<int>{2000, 150}));

            scoped->clear();
            QVERIFY(scoped->messages.isEmpty() && scoped->errors.isEmpty() && scoped->pauses.isEmpty());
            QVERIFY(scoped->realPause);
        }
        QCOMPARE(&ui(), original);
        QVERIFY(other.messages.isEmpty());
    }
};

QTEST_MAIN(tst_ScriptedSql)
#include "tst_scriptedsql.moc"
