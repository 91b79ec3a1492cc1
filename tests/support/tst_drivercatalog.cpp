// The connection attempts each driver name of the settings files turns into: which Qt
// driver, which ODBC connection string, and how the environment changes them.
#include "DriverCatalog.h"
#include "Error.h"

#include <QSqlDatabase>
#include <QtTest>

namespace {

const char *const kEnvironment[] = {
    "GERLOCK_DRIVER_DEVARTSQLSERVER", "GERLOCK_DRIVER_MSSQL", "GERLOCK_DRIVER_DEVARTORACLE",
    "GERLOCK_DRIVER_ORACLE", "GERLOCK_DRIVER_QSQLITE", "GERLOCK_ODBC_OPTIONS", "GERLOCK_LOGIN_TIMEOUT",
};

// One attempt on one line, so a mismatch shows which part differs.
QString describe(const ConnectAttempt &a)
{
    QStringList parts{a.qtDriver, a.databaseName};
    if (!a.hostName.isEmpty() || a.port > 0)
        parts << QStringLiteral("host=") + a.hostName + (a.port > 0 ? u':' + QString::number(a.port) : QString());
    if (!a.userName.isEmpty())
        parts << QStringLiteral("user=") + a.userName;
    if (!a.password.isEmpty())
        parts << QStringLiteral("password=") + a.password;
    if (!a.connectOptions.isEmpty())
        parts << QStringLiteral("options=") + a.connectOptions;
    if (a.readCommitted)
        parts << QStringLiteral("readCommitted");
    return parts.join(QStringLiteral(" | "));
}

const QStringList kSqlServerParams{
    QStringLiteral("HostName=srv,1433"),
    QStringLiteral("DataBase=vestra"),
    QStringLiteral("User_Name=KVO"),
    QStringLiteral("Password=a;b{c}d"),
    QStringLiteral("OS Authentication=False"),
    QStringLiteral("MSSQL TransIsolation=ReadCommited"),
};

const QStringList kOracleParams{
    QStringLiteral("DataBase=dbhost:1521/ORCL"),
    QStringLiteral("User_Name=KVO"),
    QStringLiteral("Password=x=y"),
};

QString msOdbc(const QString &driver, const QString &tail = QString())
{
    return QStringLiteral("QODBC | DRIVER={%1};Server=srv,1433;Database=vestra;UID=KVO;PWD={a;b{c}}d};"
                          "Trusted_Connection=No;APP=Gerenciador de Lock;%2 | options=SQL_ATTR_LOGIN_TIMEOUT=10 | readCommitted")
        .arg(driver, tail);
}

QString oracleOdbc(const QString &driver)
{
    return QStringLiteral("QODBC | DRIVER={%1};DBQ=dbhost:1521/ORCL;UID=KVO;PWD={x=y}; | options=SQL_ATTR_LOGIN_TIMEOUT=10")
        .arg(driver);
}

} // namespace

class tst_DriverCatalog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        DriverCatalog::setOdbcQtDriver(QString());
        for (const char *name : kEnvironment)
            qunsetenv(name);
    }
    void cleanup() { init(); }

    void attempts_data()
    {
        QTest::addColumn<QString>("driverName");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("expected");

        const QString ms18 = QStringLiteral("ODBC Driver 18 for SQL Server");
        const QString ms17 = QStringLiteral("ODBC Driver 17 for SQL Server");

        QTest::newRow("DevartSQLServer: driver 18, then 17, host,port kept whole")
            << "DevartSQLServer" << kSqlServerParams << QStringList()
            << QStringList{msOdbc(ms18), msOdbc(ms17)};

        QTest::newRow("DevartSQLServer: Windows authentication")
            << "DevartSQLServer"
            << QStringList{"HostName=srv\\SQL2019", "DataBase=vestra", "User_Name=KVO", "Password=pw",
                           "OS Authentication=True"}
            << QStringList()
            << QStringList{
                   "QODBC | DRIVER={ODBC Driver 18 for SQL Server};Server=srv\\SQL2019;Database=vestra;"
                   "Trusted_Connection=Yes;APP=Gerenciador de Lock; | options=SQL_ATTR_LOGIN_TIMEOUT=10",
                   "QODBC | DRIVER={ODBC Driver 17 for SQL Server};Server=srv\\SQL2019;Database=vestra;"
                   "Trusted_Connection=Yes;APP=Gerenciador de Lock; | options=SQL_ATTR_LOGIN_TIMEOUT=10"};

#ifndef Q_OS_WIN
        QTest::newRow("MSSQL: FreeTDS takes host,port apart")
            << "MSSQL" << kSqlServerParams << QStringList()
            << QStringList{"QODBC | DRIVER={FreeTDS};Server=srv;Port=1433;Database=vestra;UID=KVO;"
                           "PWD={a;b{c}d};APP=Gerenciador de Lock;ClientCharset=UTF-8; | options=SQL_ATTR_LOGIN_TIMEOUT=10 | readCommitted"};

        QTest::newRow("MSSQL: FreeTDS with instance and port")
            << "MSSQL"
            << QStringList{"HostName= srv\\SQL2019 , 1500 ", "DataBase=vestra", "User_Name=KVO", "Password=pw"}
            << QStringList()
            << QStringList{"QODBC | DRIVER={FreeTDS};Server=srv\\SQL2019;Port=1500;Database=vestra;UID=KVO;"
                           "PWD=pw;APP=Gerenciador de Lock;ClientCharset=UTF-8; | options=SQL_ATTR_LOGIN_TIMEOUT=10"};

        QTest::newRow("MSSQL: FreeTDS, Windows authentication, no port")
            << "MSSQL"
            << QStringList{"HostName=srv", "DataBase=vestra", "User_Name=KVO", "Password=pw",
                           "OS Authentication=True"}
            << QStringList()
            << QStringList{"QODBC | DRIVER={FreeTDS};Server=srv;Database=vestra;Trusted_Connection=Yes;"
                           "APP=Gerenciador de Lock;ClientCharset=UTF-8; | options=SQL_ATTR_LOGIN_TIMEOUT=10"};

        QTest::newRow("mssql: names of driver and params without regard to case")
            << "mssql"
            << QStringList{"hostname=srv", "DATABASE=vestra", "user_name=KVO", "PASSWORD=pw"}
            << QStringList{"GERLOCK_DRIVER_MSSQL=FreeTDS"}
            << QStringList{"QODBC | DRIVER={FreeTDS};Server=srv;Database=vestra;UID=KVO;PWD=pw;"
                           "APP=Gerenciador de Lock;ClientCharset=UTF-8; | options=SQL_ATTR_LOGIN_TIMEOUT=10"};
#endif

        QTest::newRow("values with blanks at the ends or braces are escaped")
            << "DevartSQLServer"
            << QStringList{"HostName=srv", "DataBase= vestra ", "User_Name=dom\\kvo adm", "Password=}"}
            << QStringList{"GERLOCK_DRIVER_DEVARTSQLSERVER=ODBC Driver 18 for SQL Server"}
            << QStringList{"QODBC | DRIVER={ODBC Driver 18 for SQL Server};Server=srv;Database={ vestra };"
                           "UID=dom\\kvo adm;PWD={}}};Trusted_Connection=No;APP=Gerenciador de Lock; | "
                           "options=SQL_ATTR_LOGIN_TIMEOUT=10"};

        QTest::newRow("DevartOracle: 23, 21, 19 with DBQ")
            << "DevartOracle" << kOracleParams << QStringList()
            << QStringList{oracleOdbc("Oracle 23 ODBC driver"), oracleOdbc("Oracle 21 ODBC driver"),
                           oracleOdbc("Oracle 19 ODBC driver")};

        QStringList oracle;
        if (QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI")))
            oracle << "QOCI | dbhost:1521/ORCL | user=KVO | password=x=y";
        oracle << oracleOdbc("Oracle ODBC Driver");
        QTest::newRow("ORACLE: QOCI where Qt has it, else Oracle's ODBC driver")
            << "ORACLE" << kOracleParams << QStringList() << oracle;

        QTest::newRow("GERLOCK_DRIVER_ replaces the candidates, qt: names a Qt driver")
            << "MSSQL" << kSqlServerParams
            << QStringList{"GERLOCK_DRIVER_MSSQL= ODBC Driver 18 for SQL Server || qt:QODBC "}
            << QStringList{msOdbc(ms18), "QODBC | vestra | host=srv,1433 | user=KVO | password=a;b{c}d | readCommitted"};

        QTest::newRow("qt: driver with Windows authentication carries no credentials")
            << "DevartSQLServer"
            << QStringList{"HostName=srv", "DataBase=vestra", "User_Name=KVO", "Password=pw", "OS Authentication=Yes"}
            << QStringList{"GERLOCK_DRIVER_DEVARTSQLSERVER=qt:QODBC"}
            << QStringList{"QODBC | vestra | host=srv"};

        QTest::newRow("GERLOCK_ODBC_OPTIONS goes at the end of every ODBC string")
            << "DevartSQLServer" << kSqlServerParams
            << QStringList{"GERLOCK_ODBC_OPTIONS= Encrypt=no;TrustServerCertificate=yes "}
            << QStringList{msOdbc(ms18, "Encrypt=no;TrustServerCertificate=yes;"),
                           msOdbc(ms17, "Encrypt=no;TrustServerCertificate=yes;")};

        QTest::newRow("GERLOCK_ODBC_OPTIONS written with semicolons at the ends")
            << "DevartSQLServer" << kSqlServerParams
            << QStringList{"GERLOCK_ODBC_OPTIONS=;Encrypt=no;", "GERLOCK_DRIVER_DEVARTSQLSERVER=ODBC Driver 18 for SQL Server"}
            << QStringList{msOdbc(ms18, "Encrypt=no;")};

        QTest::newRow("GERLOCK_LOGIN_TIMEOUT sets the login timeout")
            << "DevartOracle" << kOracleParams
            << QStringList{"GERLOCK_LOGIN_TIMEOUT=30", "GERLOCK_DRIVER_DEVARTORACLE=Oracle 21 ODBC driver"}
            << QStringList{oracleOdbc("Oracle 21 ODBC driver").replace("TIMEOUT=10", "TIMEOUT=30")};

        for (const char *bad : {"0", "-5", "abc"}) {
            QTest::addRow("GERLOCK_LOGIN_TIMEOUT=%s falls back to 10 seconds", bad)
                << "DevartOracle" << kOracleParams
                << QStringList{QStringLiteral("GERLOCK_LOGIN_TIMEOUT=") + bad,
                               "GERLOCK_DRIVER_DEVARTORACLE=Oracle 21 ODBC driver"}
                << QStringList{oracleOdbc("Oracle 21 ODBC driver")};
        }

        QTest::newRow("other names are Qt drivers; host:port and Port")
            << "QSQLITE"
            << QStringList{"HostName=db.local:5433", "DataBase=/tmp/locks.db", "User_Name=u", "Password=p"}
            << QStringList{"GERLOCK_ODBC_OPTIONS=Encrypt=no"}
            << QStringList{"QSQLITE | /tmp/locks.db | host=db.local:5433 | user=u | password=p"};

        QTest::newRow("other names: a Port line wins over host:port")
            << "QSQLITE" << QStringList{"HostName=db.local:5433", "DataBase=x", "Port=6000"} << QStringList()
            << QStringList{"QSQLITE | x | host=db.local:6000"};
    }

    void attempts()
    {
        QFETCH(QString, driverName);
        QFETCH(QStringList, params);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, expected);

        for (const QString &assignment : environment) {
            const int eq = assignment.indexOf(u'=');
            qputenv(assignment.left(eq).toLatin1().constData(), assignment.mid(eq + 1).toUtf8());
        }
        QStringList actual;
        for (const ConnectAttempt &a : DriverCatalog::attempts(driverName, params))
            actual << describe(a);
        QCOMPARE(actual, expected);
    }

    // Tests put their own driver in place of QODBC; Qt drivers named directly stay.
    void odbcQtDriverIsReplaceable()
    {
        qputenv("GERLOCK_DRIVER_MSSQL", "FreeTDS|qt:QSQLITE");
        DriverCatalog::setOdbcQtDriver(QStringLiteral("QSCRIPTED"));
        const QVector<ConnectAttempt> attempts = DriverCatalog::attempts(QStringLiteral("MSSQL"), kSqlServerParams);
        QCOMPARE(attempts.size(), 2);
        QCOMPARE(attempts[0].qtDriver, QStringLiteral("QSCRIPTED"));
        QCOMPARE(attempts[1].qtDriver, QStringLiteral("QSQLITE"));
        DriverCatalog::setOdbcQtDriver(QString());
        QCOMPARE(DriverCatalog::odbcQtDriver(), QStringLiteral("QODBC"));
    }

    // ODBC doubles "}" inside braces; FreeTDS reads braces its own way and cannot carry "};".
    void escapingPerDriver_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("odbc");
        QTest::addColumn<QString>("freeTds"); // empty: refused
        QTest::newRow("plain") << "abc" << "abc" << "abc";
        QTest::newRow("semicolon") << "a;b" << "{a;b}" << "{a;b}";
        QTest::newRow("braces") << "p;w{d}" << "{p;w{d}}}" << "{p;w{d}}";
        QTest::newRow("closing brace at the end") << "x}" << "{x}}}" << "{x}}";
        QTest::newRow("equals sign") << "a=b" << "{a=b}" << "{a=b}";
        QTest::newRow("blank at an end") << " a" << "{ a}" << "{ a}";
        QTest::newRow("brace then semicolon") << "a};b" << "{a}};b}" << "";
    }
    void escapingPerDriver()
    {
        QFETCH(QString, value);
        QTEST(DriverCatalog::odbcValue(value), "odbc");
        QFETCH(QString, freeTds);
        if (freeTds.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(KvoError, DriverCatalog::freeTdsValue(value));
            QVERIFY_THROWS_EXCEPTION(KvoError, DriverCatalog::attempts(
                QStringLiteral("MSSQL"), {QStringLiteral("HostName=srv"), QStringLiteral("Password=") + value}));
        } else {
            QCOMPARE(DriverCatalog::freeTdsValue(value), freeTds);
        }
    }
};

QTEST_GUILESS_MAIN(tst_DriverCatalog)
#include "tst_drivercatalog.moc"
