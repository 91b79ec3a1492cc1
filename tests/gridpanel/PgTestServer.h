#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A throw-away PostgreSQL server for tests: initdb into a temporary folder, started on
// 127.0.0.1 on a free port with its unix socket in that folder, stopped and removed by the
// destructor. PostgreSQL refuses to run as root: under root the folder is given to the
// "postgres" user and the server tools run as that user (runuser).
class PgTestServer
{
public:
    PgTestServer();
    ~PgTestServer();
    PgTestServer(const PgTestServer &) = delete;
    PgTestServer &operator=(const PgTestServer &) = delete;

    // Empty when the server runs; else why it could not be started.
    QString error() const { return m_error; }
    // Why it cannot run at all on this machine (binaries or driver missing); empty when it can.
    static QString unavailableReason();

    quint16 port() const { return m_port; }
    QString user() const { return QStringLiteral("kvo"); }
    QString database() const { return QStringLiteral("postgres"); }

private:
    bool run(const QStringList &command, QString *output = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    quint16 m_port = 0;
    bool m_started = false;
    bool m_asPostgres = false;
    QString m_error;
};
