#pragma once

#include "RecordData.h"

#include <QByteArray>
#include <QJsonValue>
#include <QMetaType>
#include <QVariant>

// The value of a stream-value parameter of a server method: a byte stream or null.
struct StreamValue
{
    bool isNull = true;
    QByteArray data;

    StreamValue() = default;
    explicit StreamValue(QByteArray bytes) : isNull(false), data(std::move(bytes)) {}
    void setNull() { isNull = true; data.clear(); }
    void setData(QByteArray bytes) { isNull = false; data = std::move(bytes); }
    bool operator==(const StreamValue &) const = default;
};

Q_DECLARE_METATYPE(RecordData)

// Values on the wire of the application server protocol (docs/remote-protocol.md).
// A value is JSON null, a JSON Boolean, a JSON string (text), or an object with exactly
// one member naming its type: {"int32": n}, {"int64": "decimal"}, {"double": n},
// {"datetime": "ISO 8601"}, {"date": ...}, {"time": ...}, {"bytes": "base64"},
// {"dataset": {...}}, {"stream": "base64"}, {"json": any}.
namespace RemoteValue {

// QVariant -> wire value. Null, bool, integers, floating point, text, QDateTime, QDate,
// QTime, QByteArray and RecordData; throws KvoError for anything else.
QJsonValue fromVariant(const QVariant &value);
// Wire value -> QVariant with the type it was sent with ("stream" gives a QByteArray,
// "json" a QJsonValue). Throws KvoError for a malformed value.
QVariant toVariant(const QJsonValue &value);

QJsonValue fromRecordData(const RecordData &data);
// Throws KvoError for a malformed data set (unknown field type, row of the wrong width).
RecordData toRecordData(const QJsonValue &value);

// A wire value's type name as shown in messages ("null", "boolean", "string", "int32"...).
QString typeName(const QJsonValue &value);

// Field types by their names (fieldTypeName()); Unknown for a name we do not know.
FieldType fieldTypeFromName(const QString &name);

} // namespace RemoteValue
