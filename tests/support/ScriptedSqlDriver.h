#pragma once

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QMutex>
#include <QSqlDriver>
#include <QString>
#include <QStringList>
#include <QVariant>

// A Qt SQL driver that answers from a script and records what it was asked.
//
// Tests call ScriptedSql::install() once, point DriverCatalog::setOdbcQtDriver() at
// ScriptedSql::DriverName, script replies on ScriptedSql::instance() and read back the
// recorded opens and statements. The driver runs on whatever thread opened the database
// (SQLConnection's worker thread); the script and the recording are shared with the
// test's thread under a mutex.

// ODBC SQL type numbers, as QSqlField::typeID() carries them from the ODBC driver.
namespace OdbcType {
constexpr int Char = 1;
constexpr int Numeric = 2;
constexpr int Decimal = 3;
constexpr int Integer = 4;
constexpr int SmallInt = 5;
constexpr int Float = 6;
constexpr int Double = 8;
constexpr int VarChar = 12;
constexpr int TypeDate = 91;
constexpr int TypeTime = 92;
constexpr int TypeTimestamp = 93;
constexpr int LongVarChar = -1;
constexpr int Binary = -2;
constexpr int VarBinary = -3;
constexpr int LongVarBinary = -4;
constexpr int BigInt = -5;
constexpr int TinyInt = -6;
constexpr int Bit = -7;
constexpr int WChar = -8;
constexpr int WVarChar = -9;
constexpr int WLongVarChar = -10;
} // namespace OdbcType

struct ScriptedColumn
{
    QString name;
    QMetaType::Type type = QMetaType::QString;
    int length = -1;                     // QSqlField::length(): characters for text
    int nativeType = OdbcType::VarChar;  // QSqlField::typeID() (set with setSqlType)
    int precision = -1;                  // QSqlField::precision(): decimals
};

// What one execution of a statement answers.
struct ScriptedReply
{
    QList<ScriptedColumn> columns;  // none: the statement has no result set (isSelect false)
    QList<QVariantList> rows;       // a null QVariant (of any type) is NULL
    int rowsAffected = -1;          // numRowsAffected(); -1 unknown
    QString error;                  // not empty: exec fails with this database text
    QString errorCode;              // QSqlError::nativeErrorCode() of that failure
    int failAfterRows = -1;         // >= 0: fetching the row after this many fails ...
    QString fetchError;             // ... with this database text
    int delayMs = 0;                // exec takes this long (as a slow server would)

    static ScriptedReply table(QList<ScriptedColumn> columns, QList<QVariantList> rows = {});
    static ScriptedReply failure(const QString &message, const QString &code = QString());
    static ScriptedReply affected(int rows);
    static ScriptedReply none() { return ScriptedReply(); }

    ScriptedReply delayed(int ms) const;
    ScriptedReply failingAfter(int rowCount, const QString &message) const;
};

// One thing the driver was asked, in the order asked.
struct ScriptedEvent
{
    enum class Kind { Open, Close, Statement };
    Kind kind = Kind::Statement;
    qint64 atMs = 0;            // QDateTime::currentMSecsSinceEpoch() when it began
    bool onMainThread = false;  // ran on the application's main thread
    bool succeeded = true;      // false: a scripted failure (open, statement or transaction)

    // Open and Close: what QSqlDatabase handed to the driver. Statement: the connection
    // string of the connection that ran it.
    QString connectString;
    QString user;
    QString password;
    QString host;
    int port = -1;
    QString connectOptions;

    // Statement: the text, trimmed; "BEGIN", "COMMIT" and "ROLLBACK" for transactions.
    QString sql;
    bool prepared = false;
    QStringList boundNames;     // ":NAME" for each bound value of a prepared statement
    QVariantList boundValues;
};

class ScriptedSql
{
public:
    static constexpr const char *DriverName = "QSCRIPTED";

    // The one script shared by every connection of the process.
    static ScriptedSql &instance();
    // Registers the driver with QSqlDatabase under DriverName (idempotent).
    static void install();

    // Forgets every script and every recording; opens succeed, statements answer none().
    void reset();
    void clearRecording();

    // Opens whose connection string contains `text` fail with `message` as the database
    // text (the first matching rule wins); every other open succeeds.
    void failOpen(const QString &text, const QString &message);
    // Every open takes this long before it answers.
    void setOpenDelay(int ms);

    // The reply to a statement whose trimmed text equals `sql` trimmed. Replies scripted
    // for the same text are used in turn, and the last one stays in force.
    void on(const QString &sql, const ScriptedReply &reply);
    // Replaces every reply scripted for `sql` with `reply`.
    void set(const QString &sql, const ScriptedReply &reply);
    // The same for statements starting with `prefix`; an exact match goes first, then
    // the longest matching prefix.
    void onPrefix(const QString &prefix, const ScriptedReply &reply);

    QList<ScriptedEvent> events() const;
    QList<ScriptedEvent> opens() const;
    QList<ScriptedEvent> statements() const;
    QStringList statementTexts() const;
    QStringList openedConnectStrings() const;  // every open attempt, failed ones included
    int count(const QString &sql) const;       // executions of this statement text

    // Used by the driver: each records the event and returns the scripted answer.
    QString recordOpen(ScriptedEvent open);  // the failure message; empty when it succeeds
    ScriptedReply recordStatement(ScriptedEvent statement);
    void record(ScriptedEvent event);
    int openDelay() const;

private:
    ScriptedSql() = default;

    struct Rule
    {
        QString text;
        QString message;
    };

    ScriptedReply takeReply(QList<ScriptedReply> &queue);

    mutable QMutex m_mutex;
    QList<Rule> m_openFailures;
    int m_openDelayMs = 0;
    QHash<QString, QList<ScriptedReply>> m_exact;
    QList<QPair<QString, QList<ScriptedReply>>> m_prefixes;
    QList<ScriptedEvent> m_events;
};

// The driver itself; QSqlDatabase creates one per connection through install()'s creator.
class ScriptedSqlDriver : public QSqlDriver
{
public:
    explicit ScriptedSqlDriver(QObject *parent = nullptr);
    ~ScriptedSqlDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString &db, const QString &user, const QString &password,
              const QString &host, int port, const QString &connectOptions) override;
    void close() override;
    QSqlResult *createResult() const override;

    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;

    QString connectString() const { return m_connectString; }

private:
    bool transactionStatement(const QString &sql);

    QString m_connectString;
};
