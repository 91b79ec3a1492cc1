#pragma once

#include "RecordData.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QPair>
#include <QVariant>
#include <QVector>

#include <memory>

class HttpTransport;
class RemoteCommand;

// Named parameters of a provider command (":NAME" in the command text).
using RemoteParams = QVector<QPair<QString, QVariant>>;

// The connection to the application server (docs/remote-protocol.md): HTTP with JSON
// bodies, one request per call. It carries the server-method calls of the module client
// and offers client data sets what they need of a remote provider.
//
// Every call waits in a BusyLoop (the window paints, user input is held off) at most
// TimeoutMs; a server that does not answer by then makes the call fail. Errors are
// KvoError: the server's own text for an error it reports, a message of ours for a
// transport failure. Use from the thread the connection lives in.
class RemoteServerConnection : public QObject
{
    Q_OBJECT
public:
    explicit RemoteServerConnection(QObject *parent = nullptr);
    ~RemoteServerConnection() override;

    QString Host = QStringLiteral("127.0.0.1");
    int Port = 8211;
    QString UrlPath = QStringLiteral("/kvo/v1"); // the protocol's base path on the server
    int TimeoutMs = 30000;                      // per request, waiting included

    // Open() asks the server whether it serves the module (GET <base>/ping); throws
    // KvoError when it does not answer or answers otherwise.
    void Open();
    void Close();
    bool Connected() const { return m_connected; }
    void setConnected(bool connected) { connected ? Open() : Close(); }

    // "http://Host:Port" + UrlPath, for messages.
    QString baseUrl() const;

    // A new, unprepared server-method command on this connection; the caller owns it.
    RemoteCommand *CreateCommand();
    int commandsCreated() const { return m_commandsCreated; }
    // Requests sent since construction (ping included).
    int requestsSent() const { return m_requestsSent; }

    // Remote provider: the rows `providerName` returns for `commandText` with `params`.
    RecordData GetRecords(const QString &providerName, const QString &commandText,
                          const RemoteParams &params = {});
    // Remote provider: executes `commandText` with `params`; the rows affected (-1 unknown).
    int Execute(const QString &providerName, const QString &commandText, const RemoteParams &params = {});

    // One server-method call: `commandText` "TdmConexaoServer.Method", one entry per
    // ordinal; returns the server's values by ordinal (as many as were sent).
    QJsonArray callServerMethod(const QString &commandText, const QJsonArray &params);

signals:
    void connectedChanged(bool connected);

private:
    QJsonObject request(const QByteArray &verb, const QString &path, const QJsonObject &body);
    void checkConnected() const;
    static QJsonArray namedParams(const RemoteParams &params);

    std::unique_ptr<HttpTransport> m_http; // made on the first request
    bool m_connected = false;
    int m_commandsCreated = 0;
    int m_requestsSent = 0;
};
