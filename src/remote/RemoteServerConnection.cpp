#include "RemoteServerConnection.h"

#include "BusyLoop.h"
#include "Error.h"
#include "RemoteCommand.h"
#include "RemoteValue.h"

#include "HttpTransport.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>

RemoteServerConnection::RemoteServerConnection(QObject *parent) : QObject(parent) {}

RemoteServerConnection::~RemoteServerConnection() = default;

QString RemoteServerConnection::baseUrl() const
{
    QString path = UrlPath;
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QStringLiteral("http://%1:%2%3").arg(Host).arg(Port).arg(path);
}

void RemoteServerConnection::Open()
{
    if (m_connected)
        return;
    const QJsonObject answer = request("GET", QStringLiteral("/ping"), {});
    if (answer.value(QStringLiteral("server")).toString() != QLatin1String("TdmConexaoServer"))
        throw KvoError(QStringLiteral("%1 não é um servidor de aplicação do módulo TdmConexaoServer.").arg(baseUrl()));
    m_connected = true;
    emit connectedChanged(true);
}

void RemoteServerConnection::Close()
{
    if (!m_connected)
        return;
    m_connected = false;
    emit connectedChanged(false);
}

void RemoteServerConnection::checkConnected() const
{
    if (!m_connected)
        throw KvoError(QStringLiteral("A conexão com o servidor de aplicação não está aberta."));
}

RemoteCommand *RemoteServerConnection::CreateCommand()
{
    ++m_commandsCreated;
    return new RemoteCommand(this);
}

QJsonArray RemoteServerConnection::namedParams(const RemoteParams &params)
{
    QJsonArray list;
    for (const auto &p : params)
        list.append(QJsonObject{{QStringLiteral("name"), p.first},
                                {QStringLiteral("value"), RemoteValue::fromVariant(p.second)}});
    return list;
}

RecordData RemoteServerConnection::GetRecords(const QString &providerName, const QString &commandText,
                                              const RemoteParams &params)
{
    checkConnected();
    const QJsonObject answer = request("POST", QStringLiteral("/provider/records"),
                                       {{QStringLiteral("provider"), providerName},
                                        {QStringLiteral("commandText"), commandText},
                                        {QStringLiteral("params"), namedParams(params)}});
    return RemoteValue::toRecordData(answer.value(QStringLiteral("dataset")));
}

int RemoteServerConnection::Execute(const QString &providerName, const QString &commandText,
                                    const RemoteParams &params)
{
    checkConnected();
    const QJsonObject answer = request("POST", QStringLiteral("/provider/execute"),
                                       {{QStringLiteral("provider"), providerName},
                                        {QStringLiteral("commandText"), commandText},
                                        {QStringLiteral("params"), namedParams(params)}});
    return answer.value(QStringLiteral("rowsAffected")).toInt(-1);
}

QJsonArray RemoteServerConnection::callServerMethod(const QString &commandText, const QJsonArray &params)
{
    checkConnected();
    const QJsonObject answer = request("POST", QStringLiteral("/servermethod"),
                                       {{QStringLiteral("command"), commandText},
                                        {QStringLiteral("params"), params}});
    const QJsonValue values = answer.value(QStringLiteral("params"));
    if (!values.isArray() || values.toArray().size() != params.size())
        throw KvoError(QStringLiteral("Resposta inválida do servidor de aplicação: %1 devolveu %2 parâmetros, "
                                      "esperados %3.")
                           .arg(commandText)
                           .arg(values.isArray() ? values.toArray().size() : 0)
                           .arg(params.size()));
    return values.toArray();
}

QJsonObject RemoteServerConnection::request(const QByteArray &verb, const QString &path, const QJsonObject &body)
{
    if (!m_http)
        m_http = createHttpTransport();

    bool timedOut = false;
    BusyLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    ++m_requestsSent;
    const std::unique_ptr<HttpReply> reply =
        m_http->send(verb, baseUrl() + path,
                     verb == "GET" ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact),
                     [&] { loop.quit(); });
    connect(&timer, &QTimer::timeout, &timer, [&] {
        timedOut = true;
        loop.quit();
    });
    timer.start(qMax(1, TimeoutMs));
    if (!reply->isFinished())
        loop.exec();

    if (timedOut && !reply->isFinished())
        throw KvoError(QStringLiteral("O servidor de aplicação %1 não respondeu em %2 s.")
                           .arg(baseUrl())
                           .arg(TimeoutMs / 1000.0, 0, 'g', 3));

    const int status = reply->status();
    const QByteArray bytes = reply->readAll();
    if (status == 0)
        throw KvoError(QStringLiteral("Falha na comunicação com o servidor de aplicação %1: %2")
                           .arg(baseUrl(), reply->errorString()));
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (doc.isObject()) {
        const QJsonValue error = doc.object().value(QStringLiteral("error"));
        if (error.isString())
            throw KvoError(error.toString());
    }
    if (status < 200 || status > 299)
        throw KvoError(QStringLiteral("O servidor de aplicação %1 respondeu HTTP %2 a %3.")
                           .arg(baseUrl()).arg(status).arg(path));
    if (!doc.isObject())
        throw KvoError(QStringLiteral("Resposta inválida do servidor de aplicação %1 a %2: %3")
                           .arg(baseUrl(), path,
                                parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                              : QStringLiteral("não é um objeto JSON")));
    return doc.object();
}
