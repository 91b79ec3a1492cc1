#include "RemoteCommand.h"

#include "DataSet.h"
#include "Error.h"
#include "RemoteServerConnection.h"

#include <QIODevice>
#include <QJsonObject>

DataSetReader::DataSetReader(DataSet *dataSet, bool ownsDataSet) : m_dataSet(dataSet), m_owns(ownsDataSet) {}

DataSetReader::~DataSetReader()
{
    if (m_owns)
        delete m_dataSet.data();
}

DataSet *DataSetReader::dataSet() const
{
    return m_dataSet.data();
}

QJsonValue DataSetReader::read() const
{
    if (!m_dataSet)
        return QJsonValue(QJsonValue::Null);
    return QJsonObject{{QStringLiteral("dataset"), RemoteValue::fromRecordData(m_dataSet->data())}};
}

// ---- RemoteParameter

void RemoteParameter::expect(ParamType type, const char *what) const
{
    if (m_info.type != type)
        throw KvoError(QStringLiteral("%1: o parâmetro %2 (%3) é do tipo %4, não %5.")
                           .arg(m_commandText).arg(m_ordinal).arg(m_info.name,
                                ServerMethods::typeName(m_info.type), QLatin1String(what)));
}

void RemoteParameter::wrongValue(const char *what) const
{
    throw KvoError(QStringLiteral("Resposta inválida do servidor de aplicação: %1 devolveu %2 no parâmetro %3 (%4), "
                                  "esperado %5.")
                       .arg(m_commandText, RemoteValue::typeName(m_value)).arg(m_ordinal)
                       .arg(m_info.name, QLatin1String(what)));
}

void RemoteParameter::setNull()
{
    m_reader.reset();
    m_value = QJsonValue(QJsonValue::Null);
}

void RemoteParameter::setString(const QString &value)
{
    expect(ParamType::String, "string");
    m_value = value;
}

void RemoteParameter::setBoolean(bool value)
{
    expect(ParamType::Boolean, "boolean");
    m_value = value;
}

void RemoteParameter::setInt32(int value)
{
    expect(ParamType::Int32, "int32");
    m_value = RemoteValue::fromVariant(value);
}

void RemoteParameter::setDouble(double value)
{
    expect(ParamType::Double, "double");
    m_value = RemoteValue::fromVariant(value);
}

void RemoteParameter::setJsonValue(const QJsonValue &json)
{
    expect(ParamType::Object, "object");
    m_value = json.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(QJsonObject{{QStringLiteral("json"), json}});
}

void RemoteParameter::setDataSet(DataSet *dataSet, bool ownsDataSet)
{
    expect(ParamType::DataSet, "dataset");
    m_value = QJsonValue(QJsonValue::Null);
    m_reader = dataSet ? std::make_unique<DataSetReader>(dataSet, ownsDataSet) : nullptr;
}

void RemoteParameter::setVariant(const QVariant &value)
{
    expect(ParamType::Variant, "variant");
    m_value = RemoteValue::fromVariant(value);
}

void RemoteParameter::setStream(const QByteArray &bytes)
{
    expect(ParamType::Stream, "stream");
    m_value = QJsonObject{{QStringLiteral("stream"), QString::fromLatin1(bytes.toBase64())}};
}

void RemoteParameter::setStreamValue(const StreamValue &value)
{
    expect(ParamType::StreamValue, "streamvalue");
    m_value = RemoteValue::fromVariant(QVariant::fromValue(value));
}

QString RemoteParameter::getString() const
{
    expect(ParamType::String, "string");
    if (m_value.isNull())
        return {};
    if (!m_value.isString())
        wrongValue("string");
    return m_value.toString();
}

bool RemoteParameter::getBoolean() const
{
    expect(ParamType::Boolean, "boolean");
    if (!m_value.isBool())
        wrongValue("boolean");
    return m_value.toBool();
}

int RemoteParameter::getInt32() const
{
    expect(ParamType::Int32, "int32");
    const QString tag = RemoteValue::typeName(m_value);
    if (tag != QLatin1String("int32") && tag != QLatin1String("int64"))
        wrongValue("int32");
    const qlonglong n = RemoteValue::toVariant(m_value).toLongLong();
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        wrongValue("int32");
    return int(n);
}

double RemoteParameter::getDouble() const
{
    expect(ParamType::Double, "double");
    const QString tag = RemoteValue::typeName(m_value);
    if (tag != QLatin1String("double") && tag != QLatin1String("int32") && tag != QLatin1String("int64"))
        wrongValue("double");
    return RemoteValue::toVariant(m_value).toDouble();
}

QJsonValue RemoteParameter::getJsonValue() const
{
    expect(ParamType::Object, "object");
    if (m_value.isNull())
        return m_value;
    if (RemoteValue::typeName(m_value) != QLatin1String("json"))
        wrongValue("json");
    return m_value.toObject().value(QStringLiteral("json"));
}

QVariant RemoteParameter::getVariant() const
{
    expect(ParamType::Variant, "variant");
    return RemoteValue::toVariant(m_value);
}

QByteArray RemoteParameter::getStream() const
{
    expect(ParamType::Stream, "stream");
    if (m_value.isNull())
        return {};
    if (RemoteValue::typeName(m_value) != QLatin1String("stream"))
        wrongValue("stream");
    return RemoteValue::toVariant(m_value).value<StreamValue>().data;
}

StreamValue RemoteParameter::getStreamValue() const
{
    expect(ParamType::StreamValue, "streamvalue");
    if (m_value.isNull())
        return {};
    if (RemoteValue::typeName(m_value) != QLatin1String("stream"))
        wrongValue("stream");
    return RemoteValue::toVariant(m_value).value<StreamValue>();
}

QJsonValue RemoteParameter::wireValue() const
{
    if (m_reader)
        return m_reader->read();
    return m_value;
}

void RemoteParameter::setWireValue(const QJsonValue &value)
{
    m_reader.reset();
    m_value = value;
}

// ---- RemoteCommand

RemoteCommand::RemoteCommand(RemoteServerConnection *connection) : m_connection(connection) {}

RemoteCommand::~RemoteCommand()
{
    freeOwned();
}

void RemoteCommand::Prepare()
{
    if (CommandType != ServerMethods::CommandType)
        throw KvoError(QStringLiteral("Tipo de comando '%1' não suportado.").arg(CommandType));
    const ServerMethodInfo *method = ServerMethods::find(Text);
    if (!method || !Text.startsWith(ServerMethods::ClassName + QLatin1Char('.')))
        throw KvoError(QStringLiteral("Método de servidor '%1' desconhecido.").arg(Text));
    m_params.clear();
    for (const ServerParamInfo &info : method->params) {
        RemoteParameter p(info);
        p.m_ordinal = int(m_params.size());
        p.m_commandText = Text;
        m_params.push_back(std::move(p));
    }
    m_prepared = true;
    ++m_prepareCount;
}

RemoteParameter &RemoteCommand::Parameter(int ordinal)
{
    if (ordinal < 0 || ordinal >= int(m_params.size()))
        throw KvoError(QStringLiteral("%1: parâmetro %2 inexistente.").arg(Text).arg(ordinal));
    return m_params[ordinal];
}

void RemoteCommand::freeOnExecute(QObject *object)
{
    if (object)
        m_ownedObjects.append(object);
}

void RemoteCommand::freeOnExecute(std::unique_ptr<QIODevice> stream)
{
    if (stream)
        m_ownedStreams.push_back(std::move(stream));
}

void RemoteCommand::freeOwned()
{
    for (const QPointer<QObject> &o : std::as_const(m_ownedObjects))
        delete o.data();
    m_ownedObjects.clear();
    m_ownedStreams.clear();
}

void RemoteCommand::ExecuteUpdate()
{
    if (!m_prepared)
        throw KvoError(QStringLiteral("%1: o comando não foi preparado.").arg(Text));
    if (!m_connection)
        throw KvoError(QStringLiteral("%1: a conexão com o servidor de aplicação não existe mais.").arg(Text));
    if (m_executing)
        throw KvoError(QStringLiteral("%1: o comando já está em execução.").arg(Text));
    m_executing = true;
    struct Reset { bool &flag; ~Reset() { flag = false; } } reset{m_executing};

    freeOwned();
    QJsonArray params;
    for (const RemoteParameter &p : std::as_const(m_params)) {
        const bool sends = p.m_info.direction == ParamDirection::In || p.m_info.direction == ParamDirection::InOut;
        params.append(QJsonObject{{QStringLiteral("name"), p.m_info.name},
                                  {QStringLiteral("direction"), ServerMethods::directionName(p.m_info.direction)},
                                  {QStringLiteral("type"), ServerMethods::typeName(p.m_info.type)},
                                  {QStringLiteral("value"), sends ? p.wireValue() : QJsonValue(QJsonValue::Null)}});
    }
    ++m_executeCount;
    const QJsonArray values = m_connection->callServerMethod(Text, params);
    for (size_t i = 0; i < m_params.size(); ++i)
        if (m_params[i].m_info.direction != ParamDirection::In)
            m_params[i].setWireValue(values.at(qsizetype(i)));
}
