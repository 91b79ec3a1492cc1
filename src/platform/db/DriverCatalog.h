#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// How a connection's driver name and parameter list reach a real Qt SQL driver.
//
// The original driver names map as follows (first candidate first):
//   DevartSQLServer  ODBC "ODBC Driver 18 for SQL Server", then "ODBC Driver 17 for SQL Server"
//   MSSQL            ODBC "FreeTDS" ("SQL Server" on Windows)
//   DevartOracle     ODBC "Oracle 23 ODBC driver", "Oracle 21 ODBC driver", "Oracle 19 ODBC driver"
//   ORACLE           Qt's QOCI where the Qt build has it, else ODBC "Oracle ODBC Driver"
// Any other driver name is taken as a Qt driver name (QSQLITE, QPSQL, QODBC ...).
//
// Environment variables change this without touching the settings files:
//   GERLOCK_DRIVER_<DRIVER NAME IN CAPITALS>  candidates separated by "|": an ODBC driver
//                                            name, or "qt:" and a Qt driver name
//   GERLOCK_ODBC_OPTIONS                     extra "key=value;..." for every ODBC string
//   GERLOCK_LOGIN_TIMEOUT                    seconds to wait for the login (default 10)
struct ConnectAttempt
{
    QString qtDriver;         // "QODBC", "QOCI", "QSQLITE" ...
    QString databaseName;     // an ODBC connection string for QODBC
    QString hostName;
    int port = -1;
    QString userName;
    QString password;
    QString connectOptions;   // QSqlDatabase::setConnectOptions
    bool readCommitted = false;
    QString description;      // for error messages
};

class DriverCatalog
{
public:
    enum class Family { SqlServer, Oracle, Other };
    static Family family(const QString &driverName);

    // The attempts for one open, in order; an open tries each until one succeeds.
    static QVector<ConnectAttempt> attempts(const QString &driverName, const QStringList &params);

    // Escapes one ODBC connection-string value: braces around it when it holds
    // ; { } = or blanks at an end, with "}" doubled inside.
    static QString odbcValue(const QString &value);
    // The same for FreeTDS, which reads braced values its own way: braces without
    // doubling. Throws KvoError for a value holding "};", which FreeTDS cannot carry.
    static QString freeTdsValue(const QString &value);

    // The Qt driver that carries ODBC connection strings ("QODBC"); tests put a
    // scripted driver in its place.
    static void setOdbcQtDriver(const QString &qtDriver);
    static QString odbcQtDriver();

    static int loginTimeoutSeconds();
};
