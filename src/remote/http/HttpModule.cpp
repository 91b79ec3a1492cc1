// The gerlock-http module: HTTP over Qt Network for the connection to the application
// server, loaded on first use.
#include "HttpTransport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

class NetworkReply final : public HttpReply
{
public:
    NetworkReply(QNetworkReply *reply, std::function<void()> finished) : m_reply(reply)
    {
        QObject::connect(reply, &QNetworkReply::finished, reply, std::move(finished));
    }
    ~NetworkReply() override
    {
        m_reply->disconnect();
        m_reply->abort();
        m_reply->deleteLater();
    }
    bool isFinished() const override { return m_reply->isFinished(); }
    int status() const override { return m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); }
    QByteArray readAll() override { return m_reply->readAll(); }
    QString errorString() const override { return m_reply->errorString(); }

private:
    QNetworkReply *m_reply;
};

class NetworkTransport final : public HttpTransport
{
public:
    std::unique_ptr<HttpReply> send(const QByteArray &verb, const QString &url, const QByteArray &body,
                                    std::function<void()> finished) override
    {
        QNetworkRequest request{QUrl(url)};
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json; charset=utf-8"));
        request.setRawHeader("Accept", "application/json");
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        QNetworkReply *reply = verb == "GET" ? m_network.get(request) : m_network.post(request, body);
        return std::make_unique<NetworkReply>(reply, std::move(finished));
    }

private:
    QNetworkAccessManager m_network;
};

} // namespace

extern "C" Q_DECL_EXPORT HttpTransport *gerlock_http_transport_create()
{
    return new NetworkTransport;
}
