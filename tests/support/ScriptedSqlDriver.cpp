#include "ScriptedSqlDriver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriverCreator>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <QThread>

#include <sql.h>
#include <sqlext.h>

// The numbers tests put in ScriptedColumn::nativeType must be the ones the program
// compares QSqlField::typeID() with.
static_assert(OdbcType::Char == SQL_CHAR && OdbcType::Numeric == SQL_NUMERIC
              && OdbcType::Decimal == SQL_DECIMAL && OdbcType::Integer == SQL_INTEGER
              && OdbcType::SmallInt == SQL_SMALLINT && OdbcType::Float == SQL_FLOAT
              && OdbcType::Double == SQL_DOUBLE && OdbcType::VarChar == SQL_VARCHAR
              && OdbcType::TypeDate == SQL_TYPE_DATE && OdbcType::TypeTime == SQL_TYPE_TIME
              && OdbcType::TypeTimestamp == SQL_TYPE_TIMESTAMP
              && OdbcType::LongVarChar == SQL_LONGVARCHAR && OdbcType::Binary == SQL_BINARY
              && OdbcType::VarBinary == SQL_VARBINARY && OdbcType::LongVarBinary == SQL_LONGVARBINARY
              && OdbcType::BigInt == SQL_BIGINT && OdbcType::TinyInt == SQL_TINYINT
              && OdbcType::Bit == SQL_BIT && OdbcType::WChar == SQL_WCHAR
              && OdbcType::WVarChar == SQL_WVARCHAR && OdbcType::WLongVarChar == SQL_WLONGVARCHAR);

namespace {

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

bool onMainThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace

// ---------------------------------------------------------------- ScriptedReply

ScriptedReply ScriptedReply::table(QList<ScriptedColumn> columns, QList<QVariantList> rows)
{
    ScriptedReply reply;
    reply.columns = std::move(columns);
    reply.rows = std::move(rows);
    return reply;
}

ScriptedReply ScriptedReply::failure(const QString &message, const QString &code)
{
    ScriptedReply reply;
    reply.error = message;
    reply.errorCode = code;
    return reply;
}

ScriptedReply ScriptedReply::affected(int rows)
{
    ScriptedReply reply;
    reply.rowsAffected = rows;
    return reply;
}

ScriptedReply ScriptedReply::delayed(int ms) const
{
    ScriptedReply reply = *this;
    reply.delayMs = ms;
    return reply;
}

ScriptedReply ScriptedReply::failingAfter(int rowCount, const QString &message) const
{
    ScriptedReply reply = *this;
    reply.failAfterRows = rowCount;
    reply.fetchError = message;
    return reply;
}

// ---------------------------------------------------------------- ScriptedSql

ScriptedSql &ScriptedSql::instance()
{
    static ScriptedSql script;
    return script;
}

void ScriptedSql::install()
{
    static const bool registered = [] {
        QSqlDatabase::registerSqlDriver(QString::fromLatin1(DriverName),
                                        new QSqlDriverCreator<ScriptedSqlDriver>);
        return true;
    }();
    Q_UNUSED(registered);
}

void ScriptedSql::reset()
{
    QMutexLocker lock(&m_mutex);
    m_openFailures.clear();
    m_openDelayMs = 0;
    m_exact.clear();
    m_prefixes.clear();
    m_events.clear();
}

void ScriptedSql::clearRecording()
{
    QMutexLocker lock(&m_mutex);
    m_events.clear();
}

void ScriptedSql::failOpen(const QString &text, const QString &message)
{
    QMutexLocker lock(&m_mutex);
    m_openFailures << Rule{text, message};
}

void ScriptedSql::setOpenDelay(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_openDelayMs = ms;
}

int ScriptedSql::openDelay() const
{
    QMutexLocker lock(&m_mutex);
    return m_openDelayMs;
}

void ScriptedSql::on(const QString &sql, const ScriptedReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_exact[sql.trimmed()] << reply;
}

void ScriptedSql::set(const QString &sql, const ScriptedReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_exact[sql.trimmed()] = QList<ScriptedReply>{reply};
}

void ScriptedSql::onPrefix(const QString &prefix, const ScriptedReply &reply)
{
    QMutexLocker lock(&m_mutex);
    const QString key = prefix.trimmed();
    for (auto &entry : m_prefixes) {
        if (entry.first == key) {
            entry.second << reply;
            return;
        }
    }
    m_prefixes.append({key, QList<ScriptedReply>{reply}});
}

QList<ScriptedEvent> ScriptedSql::events() const
{
    QMutexLocker lock(&m_mutex);
    return m_events;
}

QList<ScriptedEvent> ScriptedSql::opens() const
{
    QMutexLocker lock(&m_mutex);
    QList<ScriptedEvent> result;
    for (const ScriptedEvent &e : m_events)
        if (e.kind == ScriptedEvent::Kind::Open)
            result << e;
    return result;
}

QList<ScriptedEvent> ScriptedSql::statements() const
{
    QMutexLocker lock(&m_mutex);
    QList<ScriptedEvent> result;
    for (const ScriptedEvent &e : m_events)
        if (e.kind == ScriptedEvent::Kind::Statement)
            result << e;
    return result;
}

QStringList ScriptedSql::statementTexts() const
{
    QStringList result;
    for (const ScriptedEvent &e : statements())
        result << e.sql;
    return result;
}

QStringList ScriptedSql::openedConnectStrings() const
{
    QStringList result;
    for (const ScriptedEvent &e : opens())
        result << e.connectString;
    return result;
}

int ScriptedSql::count(const QString &sql) const
{
    const QString key = sql.trimmed();
    int n = 0;
    for (const ScriptedEvent &e : statements())
        if (e.sql == key)
            ++n;
    return n;
}

QString ScriptedSql::recordOpen(ScriptedEvent open)
{
    QMutexLocker lock(&m_mutex);
    open.kind = ScriptedEvent::Kind::Open;
    QString message;
    for (const Rule &rule : std::as_const(m_openFailures)) {
        if (open.connectString.contains(rule.text)) {
            message = rule.message;
            break;
        }
    }
    open.succeeded = message.isEmpty();
    m_events << open;
    return message;
}

ScriptedReply ScriptedSql::takeReply(QList<ScriptedReply> &queue)
{
    return queue.size() > 1 ? queue.takeFirst() : queue.first();
}

ScriptedReply ScriptedSql::recordStatement(ScriptedEvent statement)
{
    QMutexLocker lock(&m_mutex);
    statement.kind = ScriptedEvent::Kind::Statement;
    statement.sql = statement.sql.trimmed();
    ScriptedReply reply;
    auto exact = m_exact.find(statement.sql);
    if (exact != m_exact.end()) {
        reply = takeReply(*exact);
    } else {
        QList<ScriptedReply> *best = nullptr;
        qsizetype bestLength = -1;
        for (auto &entry : m_prefixes) {
            if (entry.first.size() > bestLength && statement.sql.startsWith(entry.first)) {
                best = &entry.second;
                bestLength = entry.first.size();
            }
        }
        if (best)
            reply = takeReply(*best);
    }
    statement.succeeded = reply.error.isEmpty();
    m_events << statement;
    return reply;
}

void ScriptedSql::record(ScriptedEvent event)
{
    QMutexLocker lock(&m_mutex);
    m_events << event;
}

// ---------------------------------------------------------------- the result

namespace {

class ScriptedSqlResult : public QSqlResult
{
public:
    explicit ScriptedSqlResult(const ScriptedSqlDriver *driver) : QSqlResult(driver), m_driver(driver) {}

protected:
    bool reset(const QString &sql) override { return run(sql, false); }

    bool prepare(const QString &) override
    {
        // The text is kept by QSqlResult (lastQuery()); values arrive through bindValue().
        return true;
    }

    bool exec() override { return run(lastQuery(), true); }

    QVariant data(int column) override
    {
        if (!isValid() || column < 0 || column >= m_reply.columns.size())
            return QVariant();
        const QMetaType type(m_reply.columns.at(column).type);
        const QVariantList &row = m_reply.rows.at(at());
        QVariant value = column < row.size() ? row.at(column) : QVariant();
        if (value.isNull())
            return QVariant(type);
        if (value.metaType() != type) {
            QVariant converted = value;
            if (converted.convert(type))
                return converted;
        }
        return value;
    }

    bool isNull(int column) override
    {
        if (!isValid() || column < 0 || column >= m_reply.columns.size())
            return true;
        const QVariantList &row = m_reply.rows.at(at());
        return column >= row.size() || row.at(column).isNull();
    }

    bool fetch(int index) override
    {
        if (index < 0)
            return false;
        if (isForwardOnly() && index <= at() && at() >= 0)
            return false;  // no way back on a forward-only cursor
        if (m_reply.failAfterRows >= 0 && index >= m_reply.failAfterRows) {
            setLastError(QSqlError(QString(), m_reply.fetchError, QSqlError::StatementError));
            return false;
        }
        if (index >= m_reply.rows.size())
            return false;
        setAt(index);
        return true;
    }

    bool fetchNext() override { return fetch(at() < 0 ? 0 : at() + 1); }
    bool fetchPrevious() override { return isForwardOnly() ? false : fetch(at() - 1); }
    bool fetchFirst() override { return fetch(0); }

    bool fetchLast() override
    {
        if (m_reply.failAfterRows >= 0 && m_reply.failAfterRows < m_reply.rows.size())
            return fetch(m_reply.failAfterRows);
        return fetch(int(m_reply.rows.size()) - 1);
    }

    int size() override { return -1; }  // as with ODBC: no QuerySize

    int numRowsAffected() override { return m_reply.rowsAffected; }

    QSqlRecord record() const override
    {
        QSqlRecord record;
        if (!isSelect())
            return record;
        for (const ScriptedColumn &c : m_reply.columns) {
            QSqlField field(c.name, QMetaType(c.type));
            field.setLength(c.length);
            field.setPrecision(c.precision);
            field.setSqlType(c.nativeType);  // read back as typeID()
            record.append(field);
        }
        return record;
    }

private:
    bool run(const QString &sql, bool prepared)
    {
        setActive(false);
        setSelect(false);
        setAt(QSql::BeforeFirstRow);
        m_reply = ScriptedReply();

        ScriptedEvent event;
        event.atMs = now();
        event.onMainThread = onMainThread();
        event.connectString = m_driver->connectString();
        event.sql = sql;
        event.prepared = prepared;
        if (prepared) {
            const int n = boundValueCount();
            for (int i = 0; i < n; ++i) {
                event.boundNames << boundValueName(i);
                event.boundValues << boundValue(i);
            }
        }
        ScriptedReply reply = ScriptedSql::instance().recordStatement(event);
        sleepMs(reply.delayMs);
        if (!reply.error.isEmpty()) {
            setLastError(QSqlError(QString(), reply.error, QSqlError::StatementError, reply.errorCode));
            return false;
        }
        m_reply = std::move(reply);
        setSelect(!m_reply.columns.isEmpty());
        setActive(true);
        return true;
    }

    const ScriptedSqlDriver *m_driver;
    ScriptedReply m_reply;
};

} // namespace

// ---------------------------------------------------------------- the driver

ScriptedSqlDriver::ScriptedSqlDriver(QObject *parent) : QSqlDriver(parent) {}

ScriptedSqlDriver::~ScriptedSqlDriver()
{
    close();
}

bool ScriptedSqlDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case Transactions:
    case PreparedQueries:
    case NamedPlaceholders:
    case Unicode:
        return true;
    default:
        return false;
    }
}

bool ScriptedSqlDriver::open(const QString &db, const QString &user, const QString &password,
                             const QString &host, int port, const QString &connectOptions)
{
    if (isOpen())
        close();
    ScriptedEvent event;
    event.kind = ScriptedEvent::Kind::Open;
    event.atMs = now();
    event.onMainThread = onMainThread();
    event.connectString = db;
    event.user = user;
    event.password = password;
    event.host = host;
    event.port = port;
    event.connectOptions = connectOptions;
    ScriptedSql &script = ScriptedSql::instance();
    sleepMs(script.openDelay());
    const QString failure = script.recordOpen(event);
    if (!failure.isEmpty()) {
        setLastError(QSqlError(QString(), failure, QSqlError::ConnectionError));
        setOpenError(true);
        return false;
    }
    m_connectString = db;
    setOpen(true);
    setOpenError(false);
    return true;
}

void ScriptedSqlDriver::close()
{
    if (!isOpen())
        return;
    ScriptedEvent event;
    event.kind = ScriptedEvent::Kind::Close;
    event.atMs = now();
    event.onMainThread = onMainThread();
    event.connectString = m_connectString;
    ScriptedSql::instance().record(event);
    setOpen(false);
    setOpenError(false);
}

QSqlResult *ScriptedSqlDriver::createResult() const
{
    return new ScriptedSqlResult(this);
}

bool ScriptedSqlDriver::transactionStatement(const QString &sql)
{
    if (!isOpen())
        return false;
    ScriptedEvent event;
    event.atMs = now();
    event.onMainThread = onMainThread();
    event.connectString = m_connectString;
    event.sql = sql;
    const ScriptedReply reply = ScriptedSql::instance().recordStatement(event);
    sleepMs(reply.delayMs);
    if (!reply.error.isEmpty()) {
        setLastError(QSqlError(QString(), reply.error, QSqlError::TransactionError, reply.errorCode));
        return false;
    }
    return true;
}

bool ScriptedSqlDriver::beginTransaction()
{
    return transactionStatement(QStringLiteral("BEGIN"));
}

bool ScriptedSqlDriver::commitTransaction()
{
    return transactionStatement(QStringLiteral("COMMIT"));
}

bool ScriptedSqlDriver::rollbackTransaction()
{
    return transactionStatement(QStringLiteral("ROLLBACK"));
}
