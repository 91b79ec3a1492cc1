#pragma once

#include "ClientDataSet.h"
#include "RemoteServerConnection.h"

#include <QPointer>

// A client data set whose provider lives on the application server: Open() fetches the
// rows the remote provider ProviderName returns for CommandText and Params; Execute()
// has the provider execute CommandText with Params.
class RemoteClientDataSet : public ClientDataSet
{
    Q_OBJECT
public:
    explicit RemoteClientDataSet(QObject *parent = nullptr);

    RemoteServerConnection *RemoteServer() const { return m_remoteServer; }
    void setRemoteServer(RemoteServerConnection *server) { m_remoteServer = server; }

    // Named parameters: set replaces a parameter of that name (without regard to case) or
    // adds it; the order of first setting is the order sent.
    RemoteParams Params;
    void setParam(const QString &name, const QVariant &value);
    void clearParams() { Params.clear(); }

    // Throws KvoError (no remote server, no provider name, remote or transport error).
    void Open() override;
    // The rows affected (-1 unknown). Throws KvoError.
    int Execute();

private:
    RemoteServerConnection *checkedServer() const;

    QPointer<RemoteServerConnection> m_remoteServer;
};
