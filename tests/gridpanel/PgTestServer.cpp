#include "PgTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QTcpServer>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}
} // namespace

QString PgTestServer::unavailableReason()
{
    for (const char *tool : {"initdb", "pg_ctl", "postgres"})
        if (!QFileInfo(kBin + QLatin1String(tool)).isExecutable())
            return QStringLiteral("PostgreSQL 15 server binaries not installed (%1%2 missing)").arg(kBin, QLatin1String(tool));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("Qt's QPSQL driver not installed (libqt6sql6-psql)");
    if (geteuid() == 0) {
        if (!getpwnam("postgres"))
            return QStringLiteral("running as root and there is no 'postgres' user to run the server");
        if (!QFileInfo(QStringLiteral("/usr/sbin/runuser")).isExecutable()
            && !QFileInfo(QStringLiteral("/sbin/runuser")).isExecutable())
            return QStringLiteral("running as root and runuser is missing");
    }
    return QString();
}

bool PgTestServer::run(const QStringList &command, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = command;
    QString program = args.takeFirst();
    if (m_asPostgres) {
        args = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + args;
        program = QStringLiteral("runuser");
    }
    process.start(program, args);
    const bool finished = process.waitForFinished(60000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

PgTestServer::PgTestServer()
{
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return;
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kvo-pg-XXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    m_data = m_dir->path() + QStringLiteral("/data");
    if (geteuid() == 0) {
        const passwd *pw = getpwnam("postgres");
        if (chown(QFile::encodeName(m_dir->path()).constData(), pw->pw_uid, pw->pw_gid) != 0) {
            m_error = QStringLiteral("cannot give the temporary folder to postgres");
            return;
        }
        m_asPostgres = true;
    }
    QString out;
    if (!run({kBin + QStringLiteral("initdb"), QStringLiteral("-D"), m_data, QStringLiteral("-U"), user(),
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--no-sync")},
             &out)) {
        m_error = QStringLiteral("initdb failed: ") + out;
        return;
    }
    for (int attempt = 0; attempt < 3 && !m_started; ++attempt) {
        m_port = freePort();
        const QString options = QStringLiteral("-p %1 -h 127.0.0.1 -k %2 -F -c fsync=off")
                                    .arg(m_port)
                                    .arg(m_dir->path());
        m_started = run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_data, QStringLiteral("-o"), options,
                         QStringLiteral("-l"), m_dir->path() + QStringLiteral("/log"), QStringLiteral("-w"),
                         QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
                        &out);
    }
    if (!m_started)
        m_error = QStringLiteral("pg_ctl start failed: ") + out;
}

PgTestServer::~PgTestServer()
{
    if (m_started)
        run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_data, QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}
