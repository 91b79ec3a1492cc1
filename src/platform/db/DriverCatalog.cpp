#include "DriverCatalog.h"

#include <QRegularExpression>
#include "Error.h"

#include <QSqlDatabase>
#include <QtGlobal>

namespace {

QString g_odbcQtDriver = QStringLiteral("QODBC");

QString param(const QStringList &params, const QString &name)
{
    for (const QString &line : params) {
        const int eq = line.indexOf(u'=');
        const QString key = eq < 0 ? line : line.left(eq);
        if (key.trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return eq < 0 ? QString() : line.mid(eq + 1);
    }
    return QString();
}

bool hasParam(const QStringList &params, const QString &name)
{
    for (const QString &line : params) {
        const int eq = line.indexOf(u'=');
        if ((eq < 0 ? line : line.left(eq)).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isTrue(const QString &value)
{
    const QString v = value.trimmed().toLower();
    return v == u"true" || v == u"yes" || v == u"1";
}

QStringList defaultCandidates(const QString &driverName)
{
    const QString name = driverName.toUpper();
    if (name == u"DEVARTSQLSERVER")
        return {QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("ODBC Driver 17 for SQL Server")};
    if (name == u"MSSQL") {
#ifdef Q_OS_WIN
        return {QStringLiteral("SQL Server")};
#else
        return {QStringLiteral("FreeTDS")};
#endif
    }
    if (name == u"DEVARTORACLE")
        return {QStringLiteral("Oracle 23 ODBC driver"), QStringLiteral("Oracle 21 ODBC driver"),
                QStringLiteral("Oracle 19 ODBC driver")};
    if (name == u"ORACLE") {
        QStringList list;
        if (QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI")))
            list << QStringLiteral("qt:QOCI");
        list << QStringLiteral("Oracle ODBC Driver");
        return list;
    }
    return {QStringLiteral("qt:") + driverName};
}

QStringList candidates(const QString &driverName)
{
    const QByteArray var = "GERLOCK_DRIVER_" + driverName.toUpper().toLatin1();
    const QString overridden = qEnvironmentVariable(var.constData());
    if (!overridden.trimmed().isEmpty()) {
        QStringList list;
        for (const QString &item : overridden.split(u'|', Qt::SkipEmptyParts))
            if (!item.trimmed().isEmpty())
                list << item.trimmed();
        return list;
    }
    return defaultCandidates(driverName);
}

QString joinOptions(const QStringList &options)
{
    return options.join(u';');
}

// "host,port" (SQL Server's own form) or "host\instance".
void splitServer(const QString &server, QString &host, QString &port, QString &instance)
{
    host = server.trimmed();
    const int comma = host.indexOf(u',');
    if (comma >= 0) {
        port = host.mid(comma + 1).trimmed();
        host = host.left(comma).trimmed();
    }
    const int slash = host.indexOf(u'\\');
    if (slash >= 0) {
        instance = host.mid(slash + 1);
        host = host.left(slash);
    }
}

} // namespace

DriverCatalog::Family DriverCatalog::family(const QString &driverName)
{
    const QString name = driverName.toUpper();
    if (name == u"DEVARTSQLSERVER" || name == u"MSSQL")
        return Family::SqlServer;
    if (name == u"DEVARTORACLE" || name == u"ORACLE")
        return Family::Oracle;
    return Family::Other;
}

QString DriverCatalog::odbcValue(const QString &value)
{
    const bool needsBraces = value.contains(u';') || value.contains(u'{') || value.contains(u'}')
        || value.contains(u'=') || value.startsWith(u' ') || value.endsWith(u' ');
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

QString DriverCatalog::freeTdsValue(const QString &value)
{
    const bool needsBraces = value.contains(u';') || value.contains(u'{') || value.contains(u'}')
        || value.contains(u'=') || value.startsWith(u' ') || value.endsWith(u' ');
    if (!needsBraces)
        return value;
    // FreeTDS ends a braced value at the first "}" followed by ";" and takes every other
    // character as written: "}" is not doubled, and "};" cannot be carried at all.
    if (value.contains(QStringLiteral("};")))
        throw KvoError(QStringLiteral("O driver FreeTDS não consegue transmitir um valor que contenha \"};\" "
                                      "(senha, usuário ou base). Troque a senha ou use o driver ODBC da Microsoft."));
    return u'{' + value + u'}';
}

void DriverCatalog::setOdbcQtDriver(const QString &qtDriver)
{
    g_odbcQtDriver = qtDriver.isEmpty() ? QStringLiteral("QODBC") : qtDriver;
}

QString DriverCatalog::odbcQtDriver()
{
    return g_odbcQtDriver;
}

int DriverCatalog::loginTimeoutSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariable("GERLOCK_LOGIN_TIMEOUT").toInt(&ok);
    return ok && seconds > 0 ? seconds : 10;
}

QVector<ConnectAttempt> DriverCatalog::attempts(const QString &driverName, const QStringList &params)
{
    const Family fam = family(driverName);
    const QString host = param(params, QStringLiteral("HostName"));
    const QString database = param(params, QStringLiteral("DataBase"));
    const QString user = param(params, QStringLiteral("User_Name"));
    const QString password = param(params, QStringLiteral("Password"));
    const bool osAuthentication = isTrue(param(params, QStringLiteral("OS Authentication")));
    bool readCommitted = false;
    for (const QString &line : params)
        if (line.contains(QStringLiteral("TransIsolation=ReadCommit"), Qt::CaseInsensitive))
            readCommitted = true;
    // Written as "a=1;b=2;" it must not leave an empty attribute in the string.
    QString extra = qEnvironmentVariable("GERLOCK_ODBC_OPTIONS");
    extra.remove(QRegularExpression(QStringLiteral("^[\\s;]+|[\\s;]+$")));
    const int timeout = loginTimeoutSeconds();

    QVector<ConnectAttempt> result;
    for (const QString &candidate : candidates(driverName)) {
        ConnectAttempt a;
        a.readCommitted = readCommitted;
        if (candidate.startsWith(QStringLiteral("qt:"), Qt::CaseInsensitive)) {
            a.qtDriver = candidate.mid(3);
            a.description = a.qtDriver;
            a.databaseName = database;
            a.userName = fam == Family::SqlServer && osAuthentication ? QString() : user;
            a.password = fam == Family::SqlServer && osAuthentication ? QString() : password;
            if (fam == Family::Other) {
                QString hostOnly = host;
                const int colon = hostOnly.lastIndexOf(u':');
                if (colon > 0) {
                    a.port = hostOnly.mid(colon + 1).toInt();
                    hostOnly = hostOnly.left(colon);
                }
                a.hostName = hostOnly;
                if (hasParam(params, QStringLiteral("Port")))
                    a.port = param(params, QStringLiteral("Port")).toInt();
            } else if (fam == Family::SqlServer) {
                a.hostName = host;
            }
            result << a;
            continue;
        }

        // An ODBC driver: a DSN-less connection string with every value escaped.
        a.qtDriver = g_odbcQtDriver;
        a.description = candidate;
        QStringList parts;
        parts << QStringLiteral("DRIVER=") + u'{' + QString(candidate).replace(u'}', QStringLiteral("}}")) + u'}';
        if (fam == Family::SqlServer) {
            QString h, port, instance;
            splitServer(host, h, port, instance);
            const bool freeTds = candidate.contains(QStringLiteral("FreeTDS"), Qt::CaseInsensitive);
            const auto value = freeTds ? &DriverCatalog::freeTdsValue : &DriverCatalog::odbcValue;
            if (freeTds) {
                // FreeTDS takes the port on its own; an instance goes with the host.
                parts << QStringLiteral("Server=") + value(instance.isEmpty() ? h : h + u'\\' + instance);
                if (!port.isEmpty())
                    parts << QStringLiteral("Port=") + value(port);
            } else {
                parts << QStringLiteral("Server=") + value(host.trimmed());
            }
            parts << QStringLiteral("Database=") + value(database);
            if (osAuthentication) {
                parts << QStringLiteral("Trusted_Connection=Yes");
            } else {
                parts << QStringLiteral("UID=") + value(user);
                parts << QStringLiteral("PWD=") + value(password);
                if (!freeTds)
                    parts << QStringLiteral("Trusted_Connection=No");
            }
            parts << QStringLiteral("APP=") + value(QStringLiteral("Gerenciador de Lock"));
            // FreeTDS converts text with the process locale unless told the client's charset.
            if (freeTds)
                parts << QStringLiteral("ClientCharset=UTF-8");
        } else if (fam == Family::Oracle) {
            parts << QStringLiteral("DBQ=") + odbcValue(database);
            parts << QStringLiteral("UID=") + odbcValue(user);
            parts << QStringLiteral("PWD=") + odbcValue(password);
        } else {
            if (!host.isEmpty())
                parts << QStringLiteral("Server=") + odbcValue(host);
            parts << QStringLiteral("Database=") + odbcValue(database);
            parts << QStringLiteral("UID=") + odbcValue(user);
            parts << QStringLiteral("PWD=") + odbcValue(password);
        }
        if (!extra.isEmpty())
            parts << extra;
        a.databaseName = parts.join(u';') + u';';
        a.connectOptions = joinOptions({QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(timeout)});
        result << a;
    }
    return result;
}
