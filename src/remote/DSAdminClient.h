#pragma once

#include "JsonMarshal.h"

#include <QObject>
#include <QPointer>
#include <memory>

class RemoteServerConnection;

// Base of the server-method clients: the connection the client was created on, the
// instance-owner flag, and the marshaller and unmarshaller slots, filled only while a
// call converts objects to or from JSON.
//
// Instance owner: when set, objects handed to a call are freed once converted to JSON
// (the call takes them), a data set handed to a call is freed with the call's reader,
// and objects and streams a call returns belong to the method's command (freed before
// its next execution or with the client). When clear, all of those stay the caller's.
class DSAdminClient : public QObject
{
    Q_OBJECT
public:
    // Throws KvoError "Connection cannot be nil.  Make sure the connection has been opened."
    // when `connection` is null.
    explicit DSAdminClient(RemoteServerConnection *connection, QObject *parent = nullptr);
    DSAdminClient(RemoteServerConnection *connection, bool instanceOwner, QObject *parent = nullptr);
    ~DSAdminClient() override;

    RemoteServerConnection *DBXConnection() const { return m_connection; }
    bool InstanceOwner() const { return m_instanceOwner; }

    bool marshalSlotFilled() const { return FMarshal != nullptr; }
    bool unMarshalSlotFilled() const { return FUnMarshal != nullptr; }

protected:
    // Fill a slot for their lifetime; the slot is empty again on every way out.
    struct MarshalScope
    {
        explicit MarshalScope(DSAdminClient *c) : client(c) { client->FMarshal = std::make_unique<JsonMarshal>(); }
        ~MarshalScope() { client->FMarshal.reset(); }
        DSAdminClient *client;
    };
    struct UnMarshalScope
    {
        explicit UnMarshalScope(DSAdminClient *c) : client(c) { client->FUnMarshal = std::make_unique<JsonUnMarshal>(); }
        ~UnMarshalScope() { client->FUnMarshal.reset(); }
        DSAdminClient *client;
    };

    std::unique_ptr<JsonMarshal> FMarshal;
    std::unique_ptr<JsonUnMarshal> FUnMarshal;

private:
    QPointer<RemoteServerConnection> m_connection;
    bool m_instanceOwner = true;
};
