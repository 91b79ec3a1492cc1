#pragma once

#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <QVector>

enum class FieldType {
    Unknown,
    String,     // variable-length text
    FixedChar,  // fixed-length text, padded with blanks
    WideString,
    SmallInt,
    Integer,
    LargeInt,
    Float,
    FMTBcd,     // exact decimal
    Boolean,
    Date,
    Time,
    DateTime,
    Memo,
    Blob,
};

bool isNumericType(FieldType type);
bool isTextType(FieldType type);
QString fieldTypeName(FieldType type);

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;       // characters for text fields, 0 otherwise
    bool required = false;

    bool operator==(const FieldDef &) const = default;
};

// Rows of a data set: field definitions and the values, row after row.
// A null QVariant is an empty (NULL) value.
struct RecordData
{
    QVector<FieldDef> fields;
    QVector<QVariant> cells; // rowCount() * fields.size(), row-major

    int fieldCount() const { return int(fields.size()); }
    int rowCount() const { return fields.isEmpty() ? 0 : int(cells.size() / fields.size()); }
    const QVariant &at(int row, int field) const { return cells.at(qsizetype(row) * fields.size() + field); }
    QVariant &at(int row, int field) { return cells[qsizetype(row) * fields.size() + field]; }
    int indexOf(const QString &fieldName) const; // case-insensitive, -1 when absent

    // Field names made unique as they arrive: a repeated name becomes name, underscore,
    // counter (the second SPID is SPID_1, a third SPID_2).
    static QVector<FieldDef> uniqueNames(QVector<FieldDef> fields);
};
