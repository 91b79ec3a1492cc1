#pragma once

#include "RecordData.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QThread;

// A small application server for tests, on its own thread, listening on 127.0.0.1 on a
// free port. It speaks the protocol of docs/remote-protocol.md over a SQLite database:
// server methods TdmConexaoServer.ExecutaDML and ExecutaSQLInteger, and the providers
// dspDBGridKVO, dspConfigGrade and dspConfigGradeAux (records and execute). Tests may add
// handlers for other server methods, read every request received, and make it stop
// answering.
class TestAppServer
{
public:
    struct Request
    {
        QString method; // "GET" or "POST"
        QString path;   // after the base path: "/ping", "/servermethod", ...
        QJsonObject body;
    };

    // Values by ordinal for the call's parameters (the `params` array of the request).
    // Throwing std::exception (KvoError included) answers with its text as the error.
    using Handler = std::function<QJsonArray(const QJsonArray &params)>;

    // `databasePath`: a SQLite file (created when missing); empty for a private in-memory
    // database.
    explicit TestAppServer(const QString &databasePath = QString());
    ~TestAppServer();
    TestAppServer(const TestAppServer &) = delete;
    TestAppServer &operator=(const TestAppServer &) = delete;

    quint16 port() const { return m_port; }
    QString basePath() const { return QStringLiteral("/kvo/v1"); }

    // Runs on the server's thread, against its database; throw KvoError on failure.
    void exec(const QString &sql);
    RecordData query(const QString &sql);

    void setHandler(const QString &methodName, Handler handler);
    // Requests are read but never answered (connections stay open) while set.
    void setSilent(bool silent);

    QList<Request> requests() const;
    // Server-method requests whose command is "TdmConexaoServer." + methodName.
    QList<QJsonObject> calls(const QString &methodName) const;
    void clearRequests();

    struct Worker;

private:
    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
    quint16 m_port = 0;
};
