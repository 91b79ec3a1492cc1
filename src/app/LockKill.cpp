#include "LockKill.h"

#include "DataSet.h"

#include <QSet>
#include <cmath>
#include <limits>

namespace LockKill {

std::optional<qint64> numeroInteiro(const QVariant &valor)
{
    if (valor.isNull() || !valor.isValid())
        return std::nullopt;
    switch (valor.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        return valor.toLongLong();
    case QMetaType::ULongLong: {
        const qulonglong v = valor.toULongLong();
        if (v > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(v);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = valor.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15)
            return std::nullopt;
        return qint64(d);
    }
    default:
        break;
    }
    // Text: read in place when the value holds a string, so no copy is made per row.
    QString convertido;
    QStringView texto;
    if (valor.typeId() == QMetaType::QString) {
        texto = *static_cast<const QString *>(valor.constData());
    } else {
        convertido = valor.toString();
        texto = convertido;
    }
    texto = texto.trimmed();
    if (texto.isEmpty() || texto.size() > 19)
        return std::nullopt;
    qsizetype i = 0;
    if (texto.at(0) == u'-' || texto.at(0) == u'+')
        i = 1;
    if (i == texto.size())
        return std::nullopt;
    for (qsizetype k = i; k < texto.size(); ++k)
        if (texto.at(k) < u'0' || texto.at(k) > u'9')
            return std::nullopt;
    bool ok = false;
    const qint64 n = texto.toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QStringList comandosSqlServer(DataSet &lista)
{
    QStringList comandos;
    const int blkBy = lista.fieldIndexOrThrow(QStringLiteral("BlkBy"));
    const int spid = lista.fieldIndex(QStringLiteral("SPID"));
    QSet<qint64> enviados;
    lista.First();
    while (!lista.eof()) {
        const auto bloqueador = numeroInteiro(lista.fieldValue(blkBy));
        const auto proprio = spid >= 0 ? numeroInteiro(lista.fieldValue(spid)) : std::nullopt;
        if (bloqueador && *bloqueador > 0 && !(proprio && *proprio == *bloqueador)
            && !enviados.contains(*bloqueador)) {
            enviados.insert(*bloqueador);
            comandos << QStringLiteral("kill ") + QString::number(*bloqueador);
        }
        lista.Next();
    }
    return comandos;
}

QStringList comandosOracle(DataSet &lista)
{
    QStringList comandos;
    const int sidCampo = lista.fieldIndexOrThrow(QStringLiteral("sid_acu"));
    const int serialCampo = lista.fieldIndexOrThrow(QStringLiteral("serial_acu"));
    const int instCampo = lista.fieldIndexOrThrow(QStringLiteral("inst_acu"));
    QSet<QString> enviados;
    lista.First();
    while (!lista.eof()) {
        const auto sid = numeroInteiro(lista.fieldValue(sidCampo));
        const auto serial = numeroInteiro(lista.fieldValue(serialCampo));
        const auto inst = numeroInteiro(lista.fieldValue(instCampo));
        if (sid && serial && inst && *sid > 0 && *serial >= 0 && *inst > 0) {
            const QString sessao = QStringLiteral("%1,%2,@%3").arg(*sid).arg(*serial).arg(*inst);
            if (!enviados.contains(sessao)) {
                enviados.insert(sessao);
                comandos << QStringLiteral("ALTER SYSTEM KILL SESSION '") + sessao + u'\'';
            }
        }
        lista.Next();
    }
    return comandos;
}

} // namespace LockKill
