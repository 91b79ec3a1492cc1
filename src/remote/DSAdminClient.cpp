#include "DSAdminClient.h"

#include "Error.h"
#include "RemoteServerConnection.h"

DSAdminClient::DSAdminClient(RemoteServerConnection *connection, QObject *parent)
    : DSAdminClient(connection, true, parent)
{
}

DSAdminClient::DSAdminClient(RemoteServerConnection *connection, bool instanceOwner, QObject *parent)
    : QObject(parent), m_connection(connection), m_instanceOwner(instanceOwner)
{
    if (!connection)
        throw KvoError(QStringLiteral("Connection cannot be nil.  Make sure the connection has been opened."));
}

DSAdminClient::~DSAdminClient() = default;
