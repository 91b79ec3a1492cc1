// In-process SQL Server stand-in for tests: a small TDS 7.1-7.4 server that
// answers scripted statements, so the real client stack (QODBC -> unixODBC ->
// FreeTDS) can be exercised without a database.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

namespace tds {

enum class Type { Int, SmallInt, BigInt, Char, VarChar, NVarChar, Float, Decimal, DateTime };

// size: characters for Char/VarChar/NVarChar (0 picks 1 / 8000 / 4000);
// ignored for the other types. precision/scale only matter for Decimal.
struct Column {
    QString name;
    Type type;
    int size = 0;
    int precision = 18;
    int scale = 0;
};

// A null QVariant is sent as SQL NULL. Char values are padded with blanks to
// the column size (and cut to it). Char/VarChar text goes out as Latin-1, the
// code page of the collation the server announces; NVarChar as UTF-16.
// Decimal takes a number or a decimal string ("-12.34"); DateTime takes a
// QDateTime (its date and time as written, no time zone shift), a QDate or an
// ISO string.
struct ResultSet {
    QVector<Column> columns;
    QVector<QVector<QVariant>> rows;
};

struct LoginInfo {
    QString user, password, database, language, hostName, appName;
    quint32 tdsVersion = 0; // as sent in LOGIN7, e.g. 0x74000004 for TDS 7.4
    quint32 packetSize = 0; // packet size the client asked for (0 = server default)
};

class TestServer {
public:
    TestServer();
    ~TestServer(); // stops the server
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Listens on 127.0.0.1 on a port chosen by the OS, serving every client
    // from a thread of its own. Returns the port (0 if listening failed).
    quint16 start();
    // Listens on the given port of 127.0.0.1 (0: a free one); returns 0 when it cannot.
    quint16 start(quint16 port);
    // Closes every client connection and the listener; safe to call twice.
    void stop();
    quint16 port() const;

    // Scripting. Thread-safe, may be called before or after start(). A
    // statement matches when its text, with surrounding whitespace trimmed,
    // equals the scripted text (also trimmed). A later script for the same
    // text replaces the earlier one. Unknown statements get an empty result
    // (DONE, row count 0).
    void script(const QString& sql, const QVector<ResultSet>& results);
    // Answers with an ERROR token (number, state 1, class = severity, the
    // message, the server name, line 1) and DONE with the error bit.
    void scriptError(const QString& sql, int number, const QString& message, int severity = 16);
    // Sends the column metadata and the first rowsBeforeDrop rows of partial,
    // then closes the connection in the middle of the reply.
    void scriptDrop(const QString& sql, const ResultSet& partial, int rowsBeforeDrop);
    // Holds back the answer for delayMs; a cancel (ATTENTION) from the client
    // while waiting drops the answer and is acknowledged instead. A negative
    // delay waits for the cancel forever.
    void scriptDelay(const QString& sql, const QVector<ResultSet>& results, int delayMs);
    // Forget every script.
    void clearScripts();
    // While set, new logins are never answered: the connection stays open and
    // nothing more is read from it. The pre-login handshake is still answered.
    void setLoginHangs(bool hang);

    // Observation (thread-safe).
    // Every statement received, trimmed, in order of arrival:
    //  - SQL batches as their text;
    //  - RPC calls as "<proc> <arg>, @name=<arg> [OUTPUT], ..." with the
    //    arguments as T-SQL literals (N'..', 12, NULL, 0x..), e.g.
    //    "sp_executesql N'select @P1', N'@P1 int', @P1=5". RPC calls are
    //    matched against the scripts by that text too;
    //  - transaction manager requests as "TM_BEGIN_XACT", "TM_COMMIT_XACT",
    //    "TM_ROLLBACK_XACT", "TM_SAVE_XACT" (answered, never scripted).
    QStringList statements() const;
    // QDateTime::currentMSecsSinceEpoch() when each statement was complete,
    // parallel to statements().
    QVector<qint64> statementTimes() const;
    LoginInfo lastLogin() const; // password descrambled
    int loginCount() const;      // LOGIN7 packets received, hung ones included
    int attentionCount() const;  // cancels (ATTENTION packets) received
    int connectionCount() const; // TCP connections accepted so far
    bool waitForStatements(int count, int timeoutMs) const;
    void clearStatements();

    struct Private;

private:
    std::unique_ptr<Private> d;
};

} // namespace tds
