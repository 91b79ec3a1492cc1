#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// The HTTP side of the connection to the application server. It lives in a module of its
// own (gerlock-http), loaded the first time a remote call is made, so that the program
// starts without loading the network libraries.

// One request in flight. Destroying it drops the request if no answer came yet.
class HttpReply
{
public:
    virtual ~HttpReply() = default;
    virtual bool isFinished() const = 0;
    // The HTTP status of the answer; 0 when none came (refused, unreachable, dropped).
    virtual int status() const = 0;
    virtual QByteArray readAll() = 0;
    // What went wrong on the way, for messages.
    virtual QString errorString() const = 0;
};

class HttpTransport
{
public:
    virtual ~HttpTransport() = default;
    // Sends `verb` ("GET" or "POST", with `body` as JSON) to `url`, following no redirect.
    // `finished` runs on this thread's event loop once the reply is complete.
    virtual std::unique_ptr<HttpReply> send(const QByteArray &verb, const QString &url, const QByteArray &body,
                                            std::function<void()> finished) = 0;
};

// A transport of the module (see moduleFunction: throws KvoError when the module cannot
// be loaded; a later call tries again).
std::unique_ptr<HttpTransport> createHttpTransport();

// The name of the module's factory function (extern "C", no arguments, returns a new
// HttpTransport owned by the caller).
inline constexpr char kHttpTransportFactory[] = "gerlock_http_transport_create";
