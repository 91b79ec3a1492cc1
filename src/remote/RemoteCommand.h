#pragma once

#include "RemoteValue.h"
#include "ServerMethods.h"

#include <QJsonValue>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>

class DataSet;
class QObject;
class RemoteServerConnection;

// Reads a data set into a call. With ownsDataSet it frees the data set with itself.
class DataSetReader
{
public:
    DataSetReader(DataSet *dataSet, bool ownsDataSet);
    ~DataSetReader();
    DataSetReader(const DataSetReader &) = delete;
    DataSetReader &operator=(const DataSetReader &) = delete;

    DataSet *dataSet() const;
    bool ownsDataSet() const { return m_owns; }
    QJsonValue read() const; // {"dataset": ...}, null when the data set is gone

private:
    QPointer<DataSet> m_dataSet;
    bool m_owns;
};

// One parameter of a server-method command. Setters and getters check the parameter's
// type; a getter fails with a clear error when the server sent a value of another type.
class RemoteParameter
{
public:
    explicit RemoteParameter(ServerParamInfo info) : m_info(std::move(info)) {}

    const ServerParamInfo &info() const { return m_info; }
    int ordinal() const { return m_ordinal; }

    void setNull();
    void setString(const QString &value);
    void setBoolean(bool value);
    void setInt32(int value);
    void setDouble(double value);
    // An object's JSON (JsonMarshal); the parameter keeps it.
    void setJsonValue(const QJsonValue &json);
    // A data set read at execution; the parameter owns the reader.
    void setDataSet(DataSet *dataSet, bool ownsDataSet);
    void setVariant(const QVariant &value);
    void setStream(const QByteArray &bytes);
    void setStreamValue(const StreamValue &value);

    bool isNull() const { return m_value.isNull() && !m_reader; }
    QString getString() const;       // null gives an empty text
    bool getBoolean() const;
    int getInt32() const;
    double getDouble() const;
    QJsonValue getJsonValue() const; // an object's JSON or null
    QVariant getVariant() const;
    QByteArray getStream() const;    // null gives no bytes
    StreamValue getStreamValue() const;

    DataSetReader *reader() const { return m_reader.get(); }
    QJsonValue wireValue() const;     // what goes out
    void setWireValue(const QJsonValue &value); // what came back

private:
    friend class RemoteCommand;
    void expect(ParamType type, const char *what) const;
    [[noreturn]] void wrongValue(const char *what) const;

    ServerParamInfo m_info;
    int m_ordinal = 0;
    QString m_commandText;
    QJsonValue m_value = QJsonValue(QJsonValue::Null);
    std::unique_ptr<DataSetReader> m_reader;
};

// A server-method command: type "DataSnap.ServerMethod", text "TdmConexaoServer.Method".
// Prepare() takes the method's parameters by ordinal; ExecuteUpdate() sends the call and
// takes back the var, out and result values.
class RemoteCommand
{
public:
    explicit RemoteCommand(RemoteServerConnection *connection);
    ~RemoteCommand();
    RemoteCommand(const RemoteCommand &) = delete;
    RemoteCommand &operator=(const RemoteCommand &) = delete;

    QString CommandType;
    QString Text;

    // Throws KvoError for another command type or a method the module does not publish.
    void Prepare();
    bool prepared() const { return m_prepared; }
    int prepareCount() const { return m_prepareCount; }
    int executeCount() const { return m_executeCount; }

    int parameterCount() const { return int(m_params.size()); }
    // Throws KvoError for an ordinal the method does not have.
    RemoteParameter &Parameter(int ordinal);

    // Frees, before the next execution and with the command, what a call handed back.
    void freeOnExecute(QObject *object);
    void freeOnExecute(std::unique_ptr<QIODevice> stream);
    int ownedCount() const { return int(m_ownedObjects.size() + m_ownedStreams.size()); }

    // Throws KvoError (not prepared, connection gone or closed, transport or server error).
    void ExecuteUpdate();

    RemoteServerConnection *connection() const { return m_connection; }

private:
    void freeOwned();

    QPointer<RemoteServerConnection> m_connection;
    std::vector<RemoteParameter> m_params;
    bool m_prepared = false;
    bool m_executing = false;
    int m_prepareCount = 0;
    int m_executeCount = 0;
    QList<QPointer<QObject>> m_ownedObjects;
    std::vector<std::unique_ptr<QIODevice>> m_ownedStreams;
};
