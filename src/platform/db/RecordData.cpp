#include "RecordData.h"

#include <QSet>

bool isNumericType(FieldType type)
{
    switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
    case FieldType::Float:
    case FieldType::FMTBcd:
        return true;
    default:
        return false;
    }
}

bool isTextType(FieldType type)
{
    return type == FieldType::String || type == FieldType::FixedChar || type == FieldType::WideString
        || type == FieldType::Memo;
}

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Unknown: return QStringLiteral("Unknown");
    case FieldType::String: return QStringLiteral("String");
    case FieldType::FixedChar: return QStringLiteral("FixedChar");
    case FieldType::WideString: return QStringLiteral("WideString");
    case FieldType::SmallInt: return QStringLiteral("SmallInt");
    case FieldType::Integer: return QStringLiteral("Integer");
    case FieldType::LargeInt: return QStringLiteral("LargeInt");
    case FieldType::Float: return QStringLiteral("Float");
    case FieldType::FMTBcd: return QStringLiteral("FMTBcd");
    case FieldType::Boolean: return QStringLiteral("Boolean");
    case FieldType::Date: return QStringLiteral("Date");
    case FieldType::Time: return QStringLiteral("Time");
    case FieldType::DateTime: return QStringLiteral("DateTime");
    case FieldType::Memo: return QStringLiteral("Memo");
    case FieldType::Blob: return QStringLiteral("Blob");
    }
    return QString();
}

int RecordData::indexOf(const QString &fieldName) const
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVector<FieldDef> RecordData::uniqueNames(QVector<FieldDef> fields)
{
    QSet<QString> taken;
    for (FieldDef &f : fields) {
        const QString base = f.name;
        QString name = base;
        for (int counter = 1; taken.contains(name.toUpper()); ++counter)
            name = base + u'_' + QString::number(counter);
        f.name = name;
        taken.insert(name.toUpper());
    }
    return fields;
}
