#include "ValueCompare.h"

#include <QDateTime>

QString withoutTrailingBlanks(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return n == text.size() ? text : text.left(n);
}

QStringView withoutTrailingBlanks(QStringView text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.first(n);
}

bool isNumberValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

namespace {
bool isInteger(const QVariant &v)
{
    return isNumberValue(v) && v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float;
}
} // namespace

int compareValues(const QVariant &a, const QVariant &b)
{
    const bool aNull = a.isNull();
    const bool bNull = b.isNull();
    if (aNull || bNull)
        return aNull == bNull ? 0 : (aNull ? -1 : 1);
    if (isNumberValue(a) && isNumberValue(b)) {
        if (isInteger(a) && isInteger(b)) {
            const qlonglong x = a.toLongLong();
            const qlonglong y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDateTime
        || a.typeId() == QMetaType::QDate || b.typeId() == QMetaType::QDate) {
        const QDateTime x = a.toDateTime();
        const QDateTime y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString) {
        // The common case (sorting and searching text columns) without copies.
        const QStringView x = withoutTrailingBlanks(QStringView(*static_cast<const QString *>(a.constData())));
        const QStringView y = withoutTrailingBlanks(QStringView(*static_cast<const QString *>(b.constData())));
        const int c = x.compare(y, Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const QString x = withoutTrailingBlanks(a.toString());
    const QString y = withoutTrailingBlanks(b.toString());
    const int c = x.compare(y, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
