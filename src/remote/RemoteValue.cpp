#include "RemoteValue.h"

#include "Error.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace RemoteValue {

namespace {

QJsonValue tagged(const char *tag, const QJsonValue &v)
{
    return QJsonObject{{QLatin1String(tag), v}};
}

[[noreturn]] void malformed(const QString &what)
{
    throw KvoError(QStringLiteral("Resposta inválida do servidor de aplicação: %1.").arg(what));
}

QJsonValue fromDouble(double d)
{
    if (std::isnan(d))
        return tagged("double", QStringLiteral("NaN"));
    if (std::isinf(d))
        return tagged("double", d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity"));
    return tagged("double", d);
}

double toDouble(const QJsonValue &v)
{
    if (v.isDouble())
        return v.toDouble();
    const QString s = v.toString();
    if (s == QLatin1String("NaN"))
        return std::nan("");
    if (s == QLatin1String("Infinity"))
        return INFINITY;
    if (s == QLatin1String("-Infinity"))
        return -INFINITY;
    malformed(QStringLiteral("double inválido"));
}

qint64 exactInteger(const QJsonValue &v, qint64 min, qint64 max, const char *what)
{
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (d == std::floor(d) && d >= double(min) && d <= double(max))
            return qint64(d);
    } else if (v.isString()) {
        bool ok = false;
        const qint64 n = v.toString().toLongLong(&ok);
        if (ok && n >= min && n <= max)
            return n;
    }
    malformed(QStringLiteral("%1 inválido").arg(QLatin1String(what)));
}

QDateTime parseDateTime(const QString &s)
{
    QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid())
        malformed(QStringLiteral("data e hora inválida '%1'").arg(s));
    return dt;
}

} // namespace

QJsonValue fromVariant(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QChar:
        return QString(value.toChar());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Char:
        return tagged("int32", value.toInt());
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return tagged("int64", QString::number(value.toLongLong()));
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            throw KvoError(QStringLiteral("Valor inteiro %1 fora do intervalo de 64 bits com sinal.").arg(u));
        return tagged("int64", QString::number(qint64(u)));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(value.toDouble());
    case QMetaType::QDateTime:
        return tagged("datetime", value.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QDate:
        return tagged("date", value.toDate().toString(Qt::ISODate));
    case QMetaType::QTime:
        return tagged("time", value.toTime().toString(Qt::ISODateWithMs));
    case QMetaType::QByteArray:
        return tagged("bytes", QString::fromLatin1(value.toByteArray().toBase64()));
    case QMetaType::QJsonValue:
        return tagged("json", value.toJsonValue());
    case QMetaType::QJsonObject:
        return tagged("json", value.toJsonObject());
    case QMetaType::QJsonArray:
        return tagged("json", value.toJsonArray());
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<RecordData>())
        return tagged("dataset", fromRecordData(value.value<RecordData>()));
    if (value.metaType() == QMetaType::fromType<StreamValue>()) {
        const auto sv = value.value<StreamValue>();
        return sv.isNull ? QJsonValue(QJsonValue::Null)
                         : tagged("stream", QString::fromLatin1(sv.data.toBase64()));
    }
    throw KvoError(QStringLiteral("O tipo %1 não pode ser enviado ao servidor de aplicação.")
                       .arg(QString::fromLatin1(value.typeName())));
}

QVariant toVariant(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QVariant();
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Object:
        break;
    default:
        malformed(QStringLiteral("valor sem tipo"));
    }
    const QJsonObject o = value.toObject();
    if (o.size() != 1)
        malformed(QStringLiteral("valor com %1 membros").arg(o.size()));
    const QString tag = o.begin().key();
    const QJsonValue v = o.begin().value();
    if (tag == QLatin1String("int32"))
        return int(exactInteger(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), "int32"));
    if (tag == QLatin1String("int64"))
        return qlonglong(exactInteger(v, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), "int64"));
    if (tag == QLatin1String("double"))
        return toDouble(v);
    if (tag == QLatin1String("datetime"))
        return parseDateTime(v.toString());
    if (tag == QLatin1String("date")) {
        const QDate d = QDate::fromString(v.toString(), Qt::ISODate);
        if (!d.isValid())
            malformed(QStringLiteral("data inválida"));
        return d;
    }
    if (tag == QLatin1String("time")) {
        const QTime t = QTime::fromString(v.toString(), Qt::ISODateWithMs);
        if (!t.isValid())
            malformed(QStringLiteral("hora inválida"));
        return t;
    }
    if (tag == QLatin1String("bytes") || tag == QLatin1String("stream")) {
        if (!v.isString())
            malformed(QStringLiteral("bytes sem base64"));
        auto decoded = QByteArray::fromBase64Encoding(v.toString().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            malformed(QStringLiteral("base64 inválido"));
        if (tag == QLatin1String("stream"))
            return QVariant::fromValue(StreamValue(*decoded));
        return *decoded;
    }
    if (tag == QLatin1String("dataset"))
        return QVariant::fromValue(toRecordData(v));
    if (tag == QLatin1String("json"))
        return QVariant::fromValue(v);
    malformed(QStringLiteral("tipo desconhecido '%1'").arg(tag));
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("boolean");
    case QJsonValue::String: return QStringLiteral("string");
    case QJsonValue::Object: {
        const QJsonObject o = value.toObject();
        return o.size() == 1 ? o.begin().key() : QStringLiteral("object");
    }
    default: return QStringLiteral("invalid");
    }
}

FieldType fieldTypeFromName(const QString &name)
{
    for (int t = int(FieldType::Unknown); t <= int(FieldType::Blob); ++t)
        if (fieldTypeName(FieldType(t)) == name)
            return FieldType(t);
    return FieldType::Unknown;
}

QJsonValue fromRecordData(const RecordData &data)
{
    QJsonArray fields;
    for (const FieldDef &f : data.fields) {
        QJsonObject o{{QStringLiteral("name"), f.name},
                      {QStringLiteral("type"), fieldTypeName(f.type)},
                      {QStringLiteral("size"), f.size}};
        if (f.required)
            o.insert(QStringLiteral("required"), true);
        fields.append(o);
    }
    QJsonArray rows;
    for (int r = 0; r < data.rowCount(); ++r) {
        QJsonArray row;
        for (int c = 0; c < data.fieldCount(); ++c)
            row.append(fromVariant(data.at(r, c)));
        rows.append(row);
    }
    return QJsonObject{{QStringLiteral("fields"), fields}, {QStringLiteral("rows"), rows}};
}

RecordData toRecordData(const QJsonValue &value)
{
    if (!value.isObject())
        malformed(QStringLiteral("conjunto de dados sem estrutura"));
    const QJsonObject o = value.toObject();
    RecordData data;
    for (const QJsonValue &fv : o.value(QStringLiteral("fields")).toArray()) {
        const QJsonObject f = fv.toObject();
        FieldDef def;
        def.name = f.value(QStringLiteral("name")).toString();
        const QString typeText = f.value(QStringLiteral("type")).toString();
        def.type = fieldTypeFromName(typeText);
        if (def.name.isEmpty() || (def.type == FieldType::Unknown && typeText != QLatin1String("Unknown")))
            malformed(QStringLiteral("campo '%1' do tipo '%2'").arg(def.name, typeText));
        def.size = f.value(QStringLiteral("size")).toInt();
        def.required = f.value(QStringLiteral("required")).toBool();
        data.fields.append(def);
    }
    const QJsonArray rows = o.value(QStringLiteral("rows")).toArray();
    if (data.fields.isEmpty() && !rows.isEmpty())
        malformed(QStringLiteral("linhas sem campos"));
    data.cells.reserve(rows.size() * data.fields.size());
    for (const QJsonValue &rv : rows) {
        const QJsonArray row = rv.toArray();
        if (row.size() != data.fields.size())
            malformed(QStringLiteral("linha com %1 valores para %2 campos").arg(row.size()).arg(data.fields.size()));
        for (const QJsonValue &cell : row)
            data.cells.append(toVariant(cell));
    }
    return data;
}

} // namespace RemoteValue
