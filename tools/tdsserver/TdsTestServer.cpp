#include "TdsTestServer.h"

#include "TdsWire.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <optional>

namespace tds {

namespace {

struct Script {
    enum class Kind { Results, Error, Drop, Delay };
    Kind kind = Kind::Results;
    QVector<ResultSet> results;
    int number = 0;
    QString message;
    int severity = 16;
    int rowsBeforeDrop = 0;
    int delayMs = 0;
};

// Upper bound for one client message; anything larger is treated as garbage.
constexpr qsizetype kMaxMessageSize = 64 * 1024 * 1024;

} // namespace

struct TestServer::Private {
    mutable QMutex mutex;
    mutable QWaitCondition statementAdded;
    QHash<QString, Script> scripts;
    bool loginHangs = false;
    QStringList statements;
    QVector<qint64> times;
    LoginInfo lastLogin;
    int logins = 0;
    int attentions = 0;
    int connections = 0;
    quint16 nextSpid = 51;

    QThread* thread = nullptr;
    quint16 port = 0;

    void setScript(const QString& sql, Script s)
    {
        QMutexLocker lock(&mutex);
        scripts.insert(sql.trimmed(), std::move(s));
    }

    std::optional<Script> lookup(const QString& key) const
    {
        QMutexLocker lock(&mutex);
        const auto it = scripts.constFind(key);
        if (it == scripts.cend())
            return std::nullopt;
        return *it;
    }

    void record(const QString& statement)
    {
        QMutexLocker lock(&mutex);
        statements << statement;
        times << QDateTime::currentMSecsSinceEpoch();
        statementAdded.wakeAll();
    }
};

namespace {

// One client connection, living on the server thread.
class Session : public QObject {
public:
    Session(QTcpSocket* socket, TestServer::Private* d, quint16 spid, QObject* parent)
        : QObject(parent), m_socket(socket), m_d(d), m_spid(spid)
    {
        m_socket->setParent(this);
        connect(m_socket, &QTcpSocket::readyRead, this, [this] { onReadyRead(); });
        connect(m_socket, &QTcpSocket::disconnected, this, [this] {
            m_phase = Phase::Closed;
            deleteLater();
        });
        connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (m_socket->state() == QAbstractSocket::UnconnectedState) {
                m_phase = Phase::Closed;
                deleteLater();
            }
        });
    }

private:
    enum class Phase { PreLogin, Login, Ready, Hung, Closed };

    void onReadyRead()
    {
        if (m_phase == Phase::Hung || m_phase == Phase::Closed)
            return; // a hung login reads nothing more
        m_in.append(m_socket->readAll());
        while (m_phase != Phase::Hung && m_phase != Phase::Closed && m_in.size() >= wire::HeaderSize) {
            const quint8 type = quint8(m_in.at(0));
            const quint8 status = quint8(m_in.at(1));
            const int length = (quint8(m_in.at(2)) << 8) | quint8(m_in.at(3));
            if (length < wire::HeaderSize) {
                abort();
                return;
            }
            if (m_in.size() < length)
                return;
            const QByteArray payload = m_in.mid(wire::HeaderSize, length - wire::HeaderSize);
            m_in.remove(0, length);

            if (type == wire::Attention) {
                m_message.clear();
                m_messageType = 0;
                onAttention();
                continue;
            }
            if (!m_message.isEmpty() && type != m_messageType)
                m_message.clear(); // a new message replaces an unfinished one
            m_messageType = type;
            m_message.append(payload);
            if (m_message.size() > kMaxMessageSize) {
                abort();
                return;
            }
            if (status & wire::StatusEom) {
                const QByteArray message = std::exchange(m_message, {});
                if (!(status & wire::StatusIgnore))
                    handleMessage(type, message);
            }
        }
    }

    void handleMessage(quint8 type, const QByteArray& payload)
    {
        if (m_delay)
            flushDelayed(); // the client did not wait: answer in order

        switch (m_phase) {
        case Phase::PreLogin:
            if (type == wire::PreLogin) {
                // whatever the client asked for, encryption is not supported
                m_phase = Phase::Login;
                reply(wire::preLoginReply());
                return;
            }
            if (type == wire::Login7) {
                handleLogin(payload);
                return;
            }
            abort();
            return;
        case Phase::Login:
            if (type == wire::Login7)
                handleLogin(payload);
            else
                abort(); // no TLS, SSPI or anything else before the login
            return;
        case Phase::Ready:
            break;
        case Phase::Hung:
        case Phase::Closed:
            return;
        }

        switch (type) {
        case wire::SqlBatch:
            answer(wire::parseSqlBatch(payload, m_version).trimmed(), false);
            break;
        case wire::Rpc:
            answer(wire::parseRpc(payload, m_version).trimmed(), true);
            break;
        case wire::TransactionManager:
            handleTransaction(payload);
            break;
        default:
            // bulk load and anything unknown: acknowledge and move on
            reply(wire::done(wire::Done, wire::DoneFinal, 0, 0, m_version));
            break;
        }
    }

    void handleLogin(const QByteArray& payload)
    {
        const auto login = wire::parseLogin7(payload);
        if (!login) {
            abort();
            return;
        }
        bool hang;
        {
            QMutexLocker lock(&m_d->mutex);
            m_d->lastLogin = *login;
            ++m_d->logins;
            hang = m_d->loginHangs;
        }
        if (hang) {
            m_phase = Phase::Hung;
            return;
        }
        const quint32 requested = login->tdsVersion;
        if ((requested >> 24) < 0x71) {
            m_version = wire::Tds71;
            QByteArray tokens = wire::message(wire::Error, 18452, 1, 14,
                                              QStringLiteral("TDS versions before 7.1 are not supported."),
                                              {}, 1, m_version);
            tokens += wire::done(wire::Done, wire::DoneError, 0, 0, m_version);
            reply(tokens);
            close();
            return;
        }
        m_version = (requested >> 24) > 0x74 ? wire::Tds74 : requested;
        const quint32 asked = login->packetSize;
        m_packetSize = asked == 0 ? wire::DefaultPacketSize : int(qBound<quint32>(512, asked, 32767));
        reply(wire::loginReply(*login, m_version, m_packetSize));
        m_phase = Phase::Ready;
    }

    void answer(const QString& statement, bool rpc)
    {
        m_d->record(statement);
        const auto script = m_d->lookup(statement);
        const quint8 doneToken = rpc ? wire::DoneProc : wire::Done;
        auto finish = [&](quint16 status) {
            QByteArray t;
            if (rpc)
                t += wire::returnStatus(status & wire::DoneError ? -6 : 0);
            t += wire::done(doneToken, status, 0, 0, m_version);
            return t;
        };

        if (!script) {
            reply(rpc ? finish(wire::DoneFinal)
                      : wire::done(wire::Done, wire::DoneCount, 0, 0, m_version));
            return;
        }

        switch (script->kind) {
        case Script::Kind::Results:
        case Script::Kind::Delay: {
            QByteArray tokens = results(script->results, rpc);
            if (script->kind == Script::Kind::Delay) {
                delay(tokens, script->delayMs);
                return;
            }
            reply(tokens);
            return;
        }
        case Script::Kind::Error: {
            QByteArray tokens = wire::message(wire::Error, script->number, 1,
                                              quint8(qBound(0, script->severity, 25)), script->message,
                                              {}, 1, m_version);
            tokens += finish(wire::DoneError);
            reply(tokens);
            return;
        }
        case Script::Kind::Drop: {
            const ResultSet partial = script->results.value(0);
            reply(wire::resultSet(partial, m_version, doneToken, false, qMax(0, script->rowsBeforeDrop),
                                  false),
                  false);
            close();
            return;
        }
        }
    }

    QByteArray results(const QVector<ResultSet>& sets, bool rpc) const
    {
        QByteArray tokens;
        if (!rpc) {
            for (int i = 0; i < sets.size(); ++i)
                tokens += wire::resultSet(sets.at(i), m_version, wire::Done, i + 1 < sets.size());
            if (sets.isEmpty())
                tokens += wire::done(wire::Done, wire::DoneCount, 0, 0, m_version);
            return tokens;
        }
        for (const ResultSet& rs : sets)
            tokens += wire::resultSet(rs, m_version, wire::DoneInProc, true);
        tokens += wire::returnStatus(0);
        tokens += wire::done(wire::DoneProc, wire::DoneFinal, 0, 0, m_version);
        return tokens;
    }

    void handleTransaction(const QByteArray& payload)
    {
        const auto req = wire::parseTransactionRequest(payload, m_version);
        if (!req) {
            abort();
            return;
        }
        QByteArray tokens;
        auto descriptor = [this] {
            wire::Writer w;
            w.u64(m_transaction);
            return w.data;
        };
        auto begin = [&] {
            m_transaction = ++m_transactionCounter;
            tokens += wire::envChangeBinary(wire::EnvBeginTran, descriptor(), {});
        };
        QString name;
        switch (req->type) {
        case 5:
            name = QStringLiteral("TM_BEGIN_XACT");
            begin();
            break;
        case 7:
        case 8:
            name = req->type == 7 ? QStringLiteral("TM_COMMIT_XACT") : QStringLiteral("TM_ROLLBACK_XACT");
            if (m_transaction) {
                tokens += wire::envChangeBinary(req->type == 7 ? wire::EnvCommitTran : wire::EnvRollbackTran,
                                                {}, descriptor());
                m_transaction = 0;
            }
            if (req->beginNext)
                begin();
            break;
        case 9:
            name = QStringLiteral("TM_SAVE_XACT");
            break;
        default:
            name = QStringLiteral("TM_REQUEST_%1").arg(req->type);
            break;
        }
        m_d->record(name);
        tokens += wire::done(wire::Done, wire::DoneFinal, 0, 0, m_version);
        reply(tokens);
    }

    void onAttention()
    {
        {
            QMutexLocker lock(&m_d->mutex);
            ++m_d->attentions;
        }
        if (m_phase != Phase::Ready)
            return;
        if (m_delay) {
            m_delay->stop();
            m_delay->deleteLater();
            m_delay = nullptr;
            m_delayed.clear();
        }
        reply(wire::done(wire::Done, wire::DoneAttn, 0, 0, m_version));
    }

    void delay(const QByteArray& tokens, int delayMs)
    {
        m_delayed = tokens;
        m_delay = new QTimer(this);
        m_delay->setSingleShot(true);
        connect(m_delay, &QTimer::timeout, this, [this] { flushDelayed(); });
        if (delayMs >= 0)
            m_delay->start(delayMs);
    }

    void flushDelayed()
    {
        if (!m_delay)
            return;
        m_delay->stop();
        m_delay->deleteLater();
        m_delay = nullptr;
        reply(std::exchange(m_delayed, {}));
    }

    void reply(const QByteArray& tokens, bool eom = true)
    {
        if (m_phase == Phase::Closed || m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_socket->write(wire::packetize(tokens, wire::TabularResult, m_packetSize, m_spid, m_packetId, eom));
    }

    // Lets the written bytes go out, then closes.
    void close()
    {
        m_phase = Phase::Closed;
        m_socket->disconnectFromHost();
    }

    void abort()
    {
        m_phase = Phase::Closed;
        m_socket->abort();
        deleteLater();
    }

    QTcpSocket* m_socket;
    TestServer::Private* m_d;
    quint16 m_spid;
    Phase m_phase = Phase::PreLogin;
    QByteArray m_in;
    QByteArray m_message;
    quint8 m_messageType = 0;
    quint32 m_version = wire::Tds74;
    int m_packetSize = wire::DefaultPacketSize;
    quint8 m_packetId = 1;
    quint64 m_transaction = 0;
    quint64 m_transactionCounter = 0;
    QTimer* m_delay = nullptr;
    QByteArray m_delayed;
};

class ServerThread : public QThread {
public:
    explicit ServerThread(TestServer::Private* d) : m_d(d) {}

    QSemaphore ready;
    quint16 wanted = 0;
    quint16 port = 0;

protected:
    void run() override
    {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, wanted)) {
            ready.release();
            return;
        }
        port = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                quint16 spid;
                {
                    QMutexLocker lock(&m_d->mutex);
                    ++m_d->connections;
                    spid = m_d->nextSpid++;
                }
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                new Session(socket, m_d, spid, &server);
            }
        });
        ready.release();
        exec();
        server.close();
        // Sessions are children of the listener and go with it, closing their sockets.
    }

private:
    TestServer::Private* m_d;
};

} // namespace

TestServer::TestServer() : d(std::make_unique<Private>()) {}

TestServer::~TestServer() { stop(); }

quint16 TestServer::start()
{
    return start(0);
}

quint16 TestServer::start(quint16 port)
{
    if (d->thread)
        return d->port;
    auto* thread = new ServerThread(d.get());
    thread->wanted = port;
    thread->setObjectName(QStringLiteral("tds-test-server"));
    thread->start();
    thread->ready.acquire();
    if (thread->port == 0) {
        thread->wait();
        delete thread;
        return 0;
    }
    d->thread = thread;
    d->port = thread->port;
    return d->port;
}

void TestServer::stop()
{
    if (!d->thread)
        return;
    d->thread->quit();
    d->thread->wait();
    delete d->thread;
    d->thread = nullptr;
    d->port = 0;
}

quint16 TestServer::port() const { return d->port; }

void TestServer::script(const QString& sql, const QVector<ResultSet>& results)
{
    Script s;
    s.kind = Script::Kind::Results;
    s.results = results;
    d->setScript(sql, std::move(s));
}

void TestServer::scriptError(const QString& sql, int number, const QString& message, int severity)
{
    Script s;
    s.kind = Script::Kind::Error;
    s.number = number;
    s.message = message;
    s.severity = severity;
    d->setScript(sql, std::move(s));
}

void TestServer::scriptDrop(const QString& sql, const ResultSet& partial, int rowsBeforeDrop)
{
    Script s;
    s.kind = Script::Kind::Drop;
    s.results = {partial};
    s.rowsBeforeDrop = rowsBeforeDrop;
    d->setScript(sql, std::move(s));
}

void TestServer::scriptDelay(const QString& sql, const QVector<ResultSet>& results, int delayMs)
{
    Script s;
    s.kind = Script::Kind::Delay;
    s.results = results;
    s.delayMs = delayMs;
    d->setScript(sql, std::move(s));
}

void TestServer::clearScripts()
{
    QMutexLocker lock(&d->mutex);
    d->scripts.clear();
}

void TestServer::setLoginHangs(bool hang)
{
    QMutexLocker lock(&d->mutex);
    d->loginHangs = hang;
}

QStringList TestServer::statements() const
{
    QMutexLocker lock(&d->mutex);
    return d->statements;
}

QVector<qint64> TestServer::statementTimes() const
{
    QMutexLocker lock(&d->mutex);
    return d->times;
}

LoginInfo TestServer::lastLogin() const
{
    QMutexLocker lock(&d->mutex);
    return d->lastLogin;
}

int TestServer::loginCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->logins;
}

int TestServer::attentionCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->attentions;
}

int TestServer::connectionCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->connections;
}

bool TestServer::waitForStatements(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&d->mutex);
    while (d->statements.size() < count) {
        if (!d->statementAdded.wait(&d->mutex, deadline))
            return d->statements.size() >= count;
    }
    return true;
}

void TestServer::clearStatements()
{
    QMutexLocker lock(&d->mutex);
    d->statements.clear();
    d->times.clear();
}

} // namespace tds
