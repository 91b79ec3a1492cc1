#pragma once

#include "RecordData.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QSqlDatabase;
class QThread;

// One database connection, configured like the original program's connection component
// (driver name, connection name, entry function, driver library, client library and the
// parameter list of name=value lines) and mapped onto a Qt SQL driver by DriverCatalog.
//
// All database work runs on the connection's own thread; the calling thread waits in a
// BusyLoop, so the window keeps painting while user input is held off.
class SQLConnection : public QObject
{
    Q_OBJECT
public:
    explicit SQLConnection(QObject *parent = nullptr);
    ~SQLConnection() override;

    // Settings assigned by the owner (kept as given, so they can be checked).
    QString DriverName;
    QString ConnectionName;
    QString GetDriverFunc;
    QString LibraryName;
    QString VendorLib;
    QStringList Params;
    bool LoadParamsOnConnect = true;
    bool LoginPrompt = true;

    // Runs inside every successful Open(), before it returns; an exception thrown here
    // makes that Open() fail and closes the connection again.
    std::function<void()> AfterConnect;

    // Value of a "name=value" line of Params (first match, name without regard to case).
    QString paramValue(const QString &name) const;

    bool Connected() const { return m_connected; }
    // Opens with the current settings; throws KvoError with the driver's message.
    void Open();
    void Close();

    // Executes a statement without a result set; returns the rows affected (-1 unknown).
    int ExecuteDirect(const QString &sql);
    // Executes a statement with values bound by name (":NAME" in the text).
    int ExecuteWithParams(const QString &sql, const QVector<QPair<QString, QVariant>> &params);
    // Executes a query and reads all its rows, forward-only.
    RecordData Query(const QString &sql);
    // Runs `job` on the connection's thread with the open database (advanced use).
    void run(const std::function<void(QSqlDatabase &db)> &job);

    // Transactions, where the driver supports them.
    bool supportsTransactions();
    void StartTransaction();
    void Commit();
    void Rollback();

    // What the last successful or failed open actually used (diagnostics).
    QString lastQtDriver() const { return m_lastQtDriver; }
    QString lastConnectString() const { return m_lastConnectString; }

signals:
    void connectedChanged(bool connected);

private:
    void runOnWorker(const std::function<void()> &job);
    void closeOnWorker();

    struct Worker;
    std::unique_ptr<Worker> m_worker;
    bool m_connected = false;
    QString m_lastQtDriver;
    QString m_lastConnectString;
};
