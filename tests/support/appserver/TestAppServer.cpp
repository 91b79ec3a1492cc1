#include "TestAppServer.h"

#include "Error.h"
#include "RemoteValue.h"

#include <QHash>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUuid>
#include <atomic>

struct TestAppServer::Worker : QObject
{
    QString databasePath;
    QString connectionName = QStringLiteral("appserver-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QTcpServer *server = nullptr;
    QHash<QTcpSocket *, QByteArray> buffers;

    mutable QMutex mutex; // guards what tests read and set from their thread
    QList<Request> requests;
    QHash<QString, Handler> handlers;
    std::atomic<bool> silent{false};

    quint16 start()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(databasePath.isEmpty() ? QStringLiteral(":memory:") : databasePath);
        if (!db.open())
            qFatal("appserver: %s", qPrintable(db.lastError().text()));
        server = new QTcpServer(this);
        if (!server->listen(QHostAddress::LocalHost, 0))
            qFatal("appserver: %s", qPrintable(server->errorString()));
        connect(server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server->nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    buffers.remove(socket);
                    socket->deleteLater();
                });
            }
        });
        return server->serverPort();
    }

    void stop()
    {
        delete server;
        server = nullptr;
        {
            QSqlDatabase db = QSqlDatabase::database(connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
    }

    QSqlDatabase db() const { return QSqlDatabase::database(connectionName, false); }

    void onData(QTcpSocket *socket)
    {
        QByteArray &buf = buffers[socket];
        buf += socket->readAll();
        const qsizetype headerEnd = buf.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buf.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        qsizetype length = 0;
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
                length = line.mid(colon + 1).trimmed().toLongLong();
        }
        if (buf.size() < headerEnd + 4 + length)
            return;
        const QByteArray body = buf.mid(headerEnd + 4, length);
        buf.clear();

        Request request;
        request.method = QString::fromLatin1(requestLine.value(0));
        request.path = QString::fromUtf8(requestLine.value(1));
        if (request.path.startsWith(QLatin1String("/kvo/v1")))
            request.path = request.path.mid(7);
        request.body = QJsonDocument::fromJson(body).object();
        {
            QMutexLocker lock(&mutex);
            requests.append(request);
        }
        if (silent)
            return;

        int status = 200;
        QJsonObject answer;
        try {
            answer = dispatch(request);
        } catch (const std::exception &e) {
            status = 500;
            answer = {{QStringLiteral("error"), QString::fromUtf8(e.what())}};
        }
        const QByteArray json = QJsonDocument(answer).toJson(QJsonDocument::Compact);
        QByteArray response = "HTTP/1.1 " + QByteArray::number(status)
            + (status == 200 ? " OK" : " Internal Server Error") + "\r\n"
            + "Content-Type: application/json; charset=utf-8\r\n"
            + "Content-Length: " + QByteArray::number(json.size()) + "\r\n"
            + "Connection: close\r\n\r\n" + json;
        socket->write(response);
        socket->disconnectFromHost();
    }

    QJsonObject dispatch(const Request &request)
    {
        if (request.method == QLatin1String("GET") && request.path == QLatin1String("/ping"))
            return {{QStringLiteral("server"), QStringLiteral("TdmConexaoServer")}};
        if (request.method != QLatin1String("POST"))
            throw KvoError(QStringLiteral("Pedido não suportado: %1 %2").arg(request.method, request.path));
        if (request.path == QLatin1String("/servermethod"))
            return {{QStringLiteral("params"), serverMethod(request.body)}};
        if (request.path == QLatin1String("/provider/records")) {
            QSqlQuery q = run(request.body);
            return {{QStringLiteral("dataset"), RemoteValue::fromRecordData(read(q))}};
        }
        if (request.path == QLatin1String("/provider/execute")) {
            QSqlQuery q = run(request.body);
            return {{QStringLiteral("rowsAffected"), q.numRowsAffected()}};
        }
        throw KvoError(QStringLiteral("Caminho desconhecido: %1").arg(request.path));
    }

    QJsonArray serverMethod(const QJsonObject &body)
    {
        const QString command = body.value(QStringLiteral("command")).toString();
        const QJsonArray params = body.value(QStringLiteral("params")).toArray();
        const QString prefix = QStringLiteral("TdmConexaoServer.");
        if (!command.startsWith(prefix))
            throw KvoError(QStringLiteral("Classe de servidor desconhecida em '%1'.").arg(command));
        const QString method = command.mid(prefix.size());
        Handler handler;
        {
            QMutexLocker lock(&mutex);
            handler = handlers.value(method);
        }
        if (handler)
            return handler(params);

        QJsonArray values;
        for (qsizetype i = 0; i < params.size(); ++i)
            values.append(QJsonValue::Null);
        auto text = [&](int ordinal) { return params.at(ordinal).toObject().value(QStringLiteral("value")).toString(); };
        if (method == QLatin1String("ExecutaDML") && params.size() == 3) {
            QSqlQuery q(db());
            if (!q.exec(text(0)))
                throw KvoError(q.lastError().text());
            values[2] = true;
            return values;
        }
        if (method == QLatin1String("ExecutaSQLInteger") && params.size() == 2) {
            QSqlQuery q(db());
            q.setForwardOnly(true);
            if (!q.exec(text(0)))
                throw KvoError(q.lastError().text());
            const int n = q.next() ? q.value(0).toInt() : 0;
            values[1] = RemoteValue::fromVariant(n);
            return values;
        }
        throw KvoError(QStringLiteral("Método %1 não implementado neste servidor.").arg(command));
    }

    QSqlQuery run(const QJsonObject &body)
    {
        const QString provider = body.value(QStringLiteral("provider")).toString();
        static const QStringList providers{QStringLiteral("dspDBGridKVO"), QStringLiteral("dspConfigGrade"),
                                           QStringLiteral("dspConfigGradeAux")};
        if (!providers.contains(provider))
            throw KvoError(QStringLiteral("Provedor '%1' não encontrado.").arg(provider));
        QSqlQuery q(db());
        q.setForwardOnly(true);
        if (!q.prepare(body.value(QStringLiteral("commandText")).toString()))
            throw KvoError(q.lastError().text());
        for (const QJsonValue &p : body.value(QStringLiteral("params")).toArray()) {
            const QJsonObject o = p.toObject();
            QVariant value = RemoteValue::toVariant(o.value(QStringLiteral("value")));
            q.bindValue(QLatin1Char(':') + o.value(QStringLiteral("name")).toString(), value);
        }
        if (!q.exec())
            throw KvoError(q.lastError().text());
        return q;
    }

    static FieldType fieldType(const QSqlField &f)
    {
        switch (f.metaType().id()) {
        case QMetaType::Int: return FieldType::Integer;
        case QMetaType::LongLong: return FieldType::LargeInt;
        case QMetaType::Double: return FieldType::Float;
        case QMetaType::Bool: return FieldType::Boolean;
        case QMetaType::QByteArray: return FieldType::Blob;
        case QMetaType::QDateTime: return FieldType::DateTime;
        case QMetaType::QDate: return FieldType::Date;
        default: return FieldType::String;
        }
    }

    static RecordData read(QSqlQuery &q)
    {
        RecordData data;
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i)
            data.fields.append({rec.fieldName(i), fieldType(rec.field(i)), 0});
        while (q.next())
            for (int i = 0; i < rec.count(); ++i)
                data.cells.append(q.value(i));
        return data;
    }
};

TestAppServer::TestAppServer(const QString &databasePath)
{
    m_thread = new QThread;
    m_worker = new Worker;
    m_worker->databasePath = databasePath;
    m_worker->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, [this] { m_port = m_worker->start(); }, Qt::BlockingQueuedConnection);
}

TestAppServer::~TestAppServer()
{
    QMetaObject::invokeMethod(m_worker, [this] {
        m_worker->stop();
        delete m_worker;
    }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void TestAppServer::exec(const QString &sql)
{
    QString error;
    QMetaObject::invokeMethod(m_worker, [&] {
        QSqlQuery q(m_worker->db());
        if (!q.exec(sql))
            error = q.lastError().text();
    }, Qt::BlockingQueuedConnection);
    if (!error.isEmpty())
        throw KvoError(error);
}

RecordData TestAppServer::query(const QString &sql)
{
    QString error;
    RecordData data;
    QMetaObject::invokeMethod(m_worker, [&] {
        QSqlQuery q(m_worker->db());
        q.setForwardOnly(true);
        if (!q.exec(sql))
            error = q.lastError().text();
        else
            data = Worker::read(q);
    }, Qt::BlockingQueuedConnection);
    if (!error.isEmpty())
        throw KvoError(error);
    return data;
}

void TestAppServer::setHandler(const QString &methodName, Handler handler)
{
    QMutexLocker lock(&m_worker->mutex);
    m_worker->handlers.insert(methodName, std::move(handler));
}

void TestAppServer::setSilent(bool silent)
{
    m_worker->silent = silent;
}

QList<TestAppServer::Request> TestAppServer::requests() const
{
    QMutexLocker lock(&m_worker->mutex);
    return m_worker->requests;
}

QList<QJsonObject> TestAppServer::calls(const QString &methodName) const
{
    QList<QJsonObject> list;
    for (const Request &r : requests())
        if (r.path == QLatin1String("/servermethod")
            && r.body.value(QStringLiteral("command")).toString() == QStringLiteral("TdmConexaoServer.") + methodName)
            list.append(r.body);
    return list;
}

void TestAppServer::clearRequests()
{
    QMutexLocker lock(&m_worker->mutex);
    m_worker->requests.clear();
}
