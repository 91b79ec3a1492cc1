#include "SQLConnection.h"

#include "BusyLoop.h"
#include "DriverCatalog.h"
#include "Error.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <exception>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace {

QAtomicInt g_connectionCounter;

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        text = driver;
    else if (!driver.isEmpty() && !text.contains(driver))
        text += u'\n' + driver;
    if (text.isEmpty())
        text = QStringLiteral("Erro desconhecido do banco de dados.");
    return text;
}

// ODBC SQL type numbers as Qt reports them in QSqlField::typeID().
FieldType fieldTypeOf(const QSqlField &field)
{
    const int native = field.typeID();
    switch (field.metaType().id()) {
    case QMetaType::QString:
        if (native == SQL_CHAR || native == SQL_WCHAR)
            return FieldType::FixedChar;
        if (native == SQL_WVARCHAR)
            return FieldType::WideString;
        if (native == SQL_LONGVARCHAR || native == SQL_WLONGVARCHAR)
            return FieldType::Memo;
        if (native == SQL_DECIMAL || native == SQL_NUMERIC)
            return FieldType::FMTBcd;
        return FieldType::String;
    case QMetaType::Short:
    case QMetaType::UShort:
        return FieldType::SmallInt;
    case QMetaType::Int:
    case QMetaType::UInt:
        return native == SQL_SMALLINT ? FieldType::SmallInt : FieldType::Integer;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return FieldType::LargeInt;
    case QMetaType::Double:
    case QMetaType::Float:
        return (native == SQL_DECIMAL || native == SQL_NUMERIC) ? FieldType::FMTBcd : FieldType::Float;
    case QMetaType::Bool:
        return FieldType::Boolean;
    case QMetaType::QDate:
        return FieldType::Date;
    case QMetaType::QTime:
        return FieldType::Time;
    case QMetaType::QDateTime:
        return FieldType::DateTime;
    case QMetaType::QByteArray:
        return FieldType::Blob;
    default:
        return FieldType::Unknown;
    }
}

RecordData readAll(QSqlQuery &query)
{
    RecordData data;
    if (!query.isSelect())
        return data;
    const QSqlRecord record = query.record();
    QVector<FieldDef> fields;
    fields.reserve(record.count());
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField f = record.field(i);
        FieldDef def;
        def.name = f.name();
        def.type = fieldTypeOf(f);
        def.size = isTextType(def.type) && f.length() > 0 ? f.length() : 0;
        fields << def;
    }
    data.fields = RecordData::uniqueNames(fields);
    const int n = int(fields.size());
    while (query.next()) {
        for (int i = 0; i < n; ++i) {
            QVariant v = query.value(i);
            data.cells.push_back(v.isNull() ? QVariant() : std::move(v));
        }
    }
    if (query.lastError().isValid())
        throw KvoError(errorText(query.lastError()));
    return data;
}

void setReadCommitted(QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "SQLHANDLE") != 0)
        return;
    SQLHANDLE hdbc = *static_cast<const SQLHANDLE *>(handle.data());
    if (hdbc)
        SQLSetConnectAttr(hdbc, SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_COMMITTED), 0);
}

} // namespace

struct SQLConnection::Worker
{
    QThread thread;
    QObject *context = nullptr; // lives on `thread`
    QString connectionName;
    bool hasDatabase = false;

    QSqlDatabase database() const { return QSqlDatabase::database(connectionName, false); }

    void removeDatabase()
    {
        if (!hasDatabase)
            return;
        {
            QSqlDatabase db = database();
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
        hasDatabase = false;
    }
};

SQLConnection::SQLConnection(QObject *parent) : QObject(parent), m_worker(std::make_unique<Worker>())
{
    m_worker->connectionName = QStringLiteral("gerlock-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
    m_worker->thread.setObjectName(QStringLiteral("db:") + m_worker->connectionName);
    m_worker->context = new QObject; // moves to the thread when it starts, with the first database call
}

SQLConnection::~SQLConnection()
{
    Worker *w = m_worker.get();
    if (!w->thread.isRunning()) {
        delete w->context; // the thread never started: nothing was opened on it
        return;
    }
    QMetaObject::invokeMethod(w->context, [w] {
        w->removeDatabase();
        delete w->context;
        w->context = nullptr;
    }, Qt::BlockingQueuedConnection);
    w->thread.quit();
    w->thread.wait();
}

void SQLConnection::runOnWorker(const std::function<void()> &job)
{
    std::exception_ptr error;
    if (QThread::currentThread() == &m_worker->thread) {
        job();
        return;
    }
    if (!m_worker->thread.isRunning()) {
        m_worker->context->moveToThread(&m_worker->thread);
        m_worker->thread.start();
    }
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        QMetaObject::invokeMethod(m_worker->context, [&] {
            try {
                job();
            } catch (...) {
                error = std::current_exception();
            }
        }, Qt::BlockingQueuedConnection);
    } else {
        BusyLoop loop;
        QMetaObject::invokeMethod(m_worker->context, [&] {
            try {
                job();
            } catch (...) {
                error = std::current_exception();
            }
            loop.quit();
        }, Qt::QueuedConnection);
        loop.exec();
    }
    if (error)
        std::rethrow_exception(error);
}

QString SQLConnection::paramValue(const QString &name) const
{
    for (const QString &line : Params) {
        const int eq = line.indexOf(u'=');
        const QString key = eq < 0 ? line : line.left(eq);
        if (key.trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return eq < 0 ? QString() : line.mid(eq + 1);
    }
    return QString();
}

void SQLConnection::Open()
{
    if (m_connected)
        return;
    const QVector<ConnectAttempt> attempts = DriverCatalog::attempts(DriverName, Params);
    if (attempts.isEmpty())
        throw KvoError(QStringLiteral("Nenhum driver configurado para '%1'.").arg(DriverName));

    Worker *w = m_worker.get();
    QString usedDriver;
    QString usedString;
    const auto open = [&] {
        w->removeDatabase();
        QStringList failures;
        for (const ConnectAttempt &a : attempts) {
            usedDriver = a.qtDriver;
            usedString = a.databaseName;
            if (!QSqlDatabase::isDriverAvailable(a.qtDriver)) {
                failures << QStringLiteral("%1: driver Qt '%2' não disponível.").arg(a.description, a.qtDriver);
                continue;
            }
            QString error;
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(a.qtDriver, w->connectionName);
                w->hasDatabase = true;
                db.setDatabaseName(a.databaseName);
                if (!a.hostName.isEmpty())
                    db.setHostName(a.hostName);
                if (a.port > 0)
                    db.setPort(a.port);
                if (!a.userName.isEmpty())
                    db.setUserName(a.userName);
                if (!a.password.isEmpty())
                    db.setPassword(a.password);
                db.setConnectOptions(a.connectOptions);
                if (db.open()) {
                    if (a.readCommitted)
                        setReadCommitted(db);
                    return;
                }
                error = errorText(db.lastError());
            }
            w->removeDatabase();
            failures << error;
        }
        // The message of the last candidate is the one the user needs; earlier ones
        // only say that a driver is missing.
        throw KvoError(failures.isEmpty() ? QStringLiteral("Falha ao conectar.") : failures.last());
    };
    try {
        runOnWorker(open);
    } catch (...) {
        // A failed open also keeps what it tried last, for the diagnostics.
        m_lastQtDriver = usedDriver;
        m_lastConnectString = usedString;
        throw;
    }
    m_lastQtDriver = usedDriver;
    m_lastConnectString = usedString;
    m_connected = true;
    if (AfterConnect) {
        try {
            AfterConnect();
        } catch (...) {
            Close();
            throw;
        }
    }
    emit connectedChanged(true);
}

void SQLConnection::closeOnWorker()
{
    Worker *w = m_worker.get();
    runOnWorker([w] { w->removeDatabase(); });
}

void SQLConnection::Close()
{
    const bool was = m_connected;
    m_connected = false;
    closeOnWorker();
    if (was)
        emit connectedChanged(false);
}

namespace {
void requireOpen(bool connected)
{
    if (!connected)
        throw KvoError(QStringLiteral("A conexão com o banco de dados não está aberta."));
}
} // namespace

void SQLConnection::run(const std::function<void(QSqlDatabase &)> &job)
{
    requireOpen(m_connected);
    Worker *w = m_worker.get();
    runOnWorker([&] {
        QSqlDatabase db = w->database();
        job(db);
    });
}

int SQLConnection::ExecuteDirect(const QString &sql)
{
    int affected = -1;
    run([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(sql))
            throw KvoError(errorText(query.lastError()));
        affected = query.numRowsAffected();
    });
    return affected;
}

int SQLConnection::ExecuteWithParams(const QString &sql, const QVector<QPair<QString, QVariant>> &params)
{
    int affected = -1;
    run([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            throw KvoError(errorText(query.lastError()));
        for (const auto &p : params)
            query.bindValue(p.first.startsWith(u':') ? p.first : u':' + p.first, p.second);
        if (!query.exec())
            throw KvoError(errorText(query.lastError()));
        affected = query.numRowsAffected();
    });
    return affected;
}

RecordData SQLConnection::Query(const QString &sql)
{
    RecordData data;
    run([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(sql))
            throw KvoError(errorText(query.lastError()));
        data = readAll(query);
    });
    return data;
}

bool SQLConnection::supportsTransactions()
{
    bool supported = false;
    run([&](QSqlDatabase &db) { supported = db.driver()->hasFeature(QSqlDriver::Transactions); });
    return supported;
}

void SQLConnection::StartTransaction()
{
    run([](QSqlDatabase &db) {
        if (!db.transaction())
            throw KvoError(errorText(db.lastError()));
    });
}

void SQLConnection::Commit()
{
    run([](QSqlDatabase &db) {
        if (!db.commit())
            throw KvoError(errorText(db.lastError()));
    });
}

void SQLConnection::Rollback()
{
    run([](QSqlDatabase &db) {
        if (!db.rollback())
            throw KvoError(errorText(db.lastError()));
    });
}
