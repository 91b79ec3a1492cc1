#include "ValueHash.h"

#include "ValueCompare.h"

#include <QDateTime>
#include <QHashFunctions>

#include <cmath>

std::size_t valueHash(const QVariant &v)
{
    if (v.isNull())
        return 0x9e3779b9u;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Bool:
        return qHash(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        // Whole numbers hash like the integers they equal.
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e18)
            return qHash(qlonglong(d));
        return qHash(d);
    }
    case QMetaType::QString:
        return qHash(withoutTrailingBlanks(QStringView(*static_cast<const QString *>(v.constData()))));
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return qHash(v.toDateTime().toMSecsSinceEpoch());
    default:
        return qHash(withoutTrailingBlanks(v.toString()));
    }
}
