#include "GridLayoutBlock.h"

#include "Error.h"
#include "GridColumn.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace GridLayoutBlock {
namespace {
const char kHex[] = "0123456789ABCDEF";

void putHex32(QByteArray &out, quint32 v)
{
    char buf[8];
    for (int i = 7; i >= 0; --i) {
        buf[i] = kHex[v & 0xF];
        v >>= 4;
    }
    out.append(buf, 8);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

quint32 readHex32(const char *p)
{
    quint32 v = 0;
    for (int i = 0; i < 8; ++i) {
        const int d = hexDigit(p[i]);
        if (d < 0)
            throw KvoError(QStringLiteral("Bloco de layout inválido: dígito hexadecimal esperado"));
        v = (v << 4) | quint32(d);
    }
    return v;
}

enum VariantTag { vtNull = 0, vtText = 1, vtInt = 2, vtDouble = 3, vtBool = 4, vtDate = 5, vtDateTime = 6, vtTime = 7 };

// Largest text or list a block may hold: a guard against absurd lengths in bad input.
constexpr quint32 kMaxCount = 1u << 24;
} // namespace

void Writer::putInt(qint64 value)
{
    putHex32(m_payload, quint32(qint32(value)));
}

void Writer::putText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    putHex32(m_payload, quint32(utf8.size()));
    const qsizetype at = m_payload.size();
    m_payload.resize(at + utf8.size() * 2);
    char *out = m_payload.data() + at;
    for (unsigned char b : utf8) {
        *out++ = kHex[b >> 4];
        *out++ = kHex[b & 0xF];
    }
}

void Writer::putVariant(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        putInt(vtNull);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        putInt(vtBool);
        putText(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        putInt(vtInt);
        putText(value.toString());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        putInt(vtDouble);
        putText(QString::number(value.toDouble(), 'g', 17));
        return;
    case QMetaType::QDate:
        putInt(vtDate);
        putText(value.toDate().toString(Qt::ISODate));
        return;
    case QMetaType::QDateTime:
        putInt(vtDateTime);
        putText(value.toDateTime().toString(Qt::ISODateWithMs));
        return;
    case QMetaType::QTime:
        putInt(vtTime);
        putText(value.toTime().toString(Qt::ISODateWithMs));
        return;
    default:
        putInt(vtText);
        putText(value.toString());
    }
}

QByteArray Writer::finish(int version) const
{
    QByteArray out;
    out.reserve(HeaderSize + m_payload.size());
    out.append("KVOGL", 5);
    out.append(kHex[(version >> 4) & 0xF]);
    out.append(kHex[version & 0xF]);
    putHex32(out, quint32(m_payload.size()));
    out.append(m_payload);
    return out;
}

const char *Reader::take(qsizetype n)
{
    if (n < 0 || n > m_data.size() - m_pos)
        throw KvoError(QStringLiteral("Bloco de layout inválido: fim inesperado dos dados"));
    const char *p = m_data.constData() + m_pos;
    m_pos += n;
    return p;
}

qint32 Reader::getInt()
{
    return qint32(readHex32(take(8)));
}

int Reader::getInt(int min, int max, const char *what)
{
    const qint32 v = getInt();
    if (v < min || v > max)
        throw KvoError(QStringLiteral("Bloco de layout inválido: valor %1 fora do intervalo em %2")
                           .arg(v)
                           .arg(QLatin1String(what)));
    return v;
}

QString Reader::getText()
{
    const quint32 n = readHex32(take(8));
    if (n > kMaxCount || qsizetype(n) * 2 > m_data.size() - m_pos)
        throw KvoError(QStringLiteral("Bloco de layout inválido: texto além do fim dos dados"));
    const char *p = take(qsizetype(n) * 2);
    QByteArray bytes(qsizetype(n), Qt::Uninitialized);
    for (quint32 i = 0; i < n; ++i) {
        const int hi = hexDigit(p[2 * i]);
        const int lo = hexDigit(p[2 * i + 1]);
        if (hi < 0 || lo < 0)
            throw KvoError(QStringLiteral("Bloco de layout inválido: dígito hexadecimal esperado"));
        bytes[i] = char((hi << 4) | lo);
    }
    return QString::fromUtf8(bytes);
}

QVariant Reader::getVariant()
{
    const int tag = getInt(vtNull, vtTime, "valor");
    if (tag == vtNull)
        return QVariant();
    const QString text = getText();
    bool ok = true;
    QVariant v;
    switch (tag) {
    case vtText:
        return text;
    case vtBool:
        ok = text == QLatin1String("0") || text == QLatin1String("1");
        v = text == QLatin1String("1");
        break;
    case vtInt:
        v = text.toLongLong(&ok);
        break;
    case vtDouble:
        v = text.toDouble(&ok);
        break;
    case vtDate: {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        ok = d.isValid();
        v = d;
        break;
    }
    case vtDateTime: {
        const QDateTime d = QDateTime::fromString(text, Qt::ISODateWithMs);
        ok = d.isValid();
        v = d;
        break;
    }
    case vtTime: {
        const QTime t = QTime::fromString(text, Qt::ISODateWithMs);
        ok = t.isValid();
        v = t;
        break;
    }
    }
    if (!ok)
        throw KvoError(QStringLiteral("Bloco de layout inválido: valor de filtro \"%1\"").arg(text));
    return v;
}

QByteArray payloadOf(const QByteArray &bytes, qsizetype *consumed)
{
    if (bytes.size() < HeaderSize || !bytes.startsWith("KVOGL"))
        throw KvoError(QStringLiteral("Bloco de layout inválido: cabeçalho ausente"));
    const int hi = hexDigit(bytes.at(5));
    const int lo = hexDigit(bytes.at(6));
    if (hi < 0 || lo < 0)
        throw KvoError(QStringLiteral("Bloco de layout inválido: versão ilegível"));
    const int version = hi * 16 + lo;
    if (version != Version)
        throw KvoError(QStringLiteral("Bloco de layout de versão %1 não suportada").arg(version));
    const quint32 length = readHex32(bytes.constData() + 7);
    if (qint64(length) > qint64(bytes.size()) - HeaderSize)
        throw KvoError(QStringLiteral("Bloco de layout truncado"));
    if (consumed)
        *consumed = HeaderSize + qsizetype(length);
    return bytes.mid(HeaderSize, qsizetype(length));
}
namespace {
constexpr int kMaxItems = 100000;
}

LayoutState parse(const QByteArray &block)
{
    Reader r(payloadOf(block));
    LayoutState s;
    s.kind = r.getInt(0, 1, "tipo da vista");
    s.options = r.getInt(0, gsoUseFilter | gsoUseSummary, "opções");
    if (s.kind == 1) {
        const int n = r.getInt(0, kMaxItems, "número de faixas");
        for (int i = 0; i < n; ++i) {
            BandState b;
            b.caption = r.getText();
            b.visible = r.getInt(0, 1, "faixa visível") != 0;
            s.bands << b;
        }
    }
    const int n = r.getInt(0, kMaxItems, "número de colunas");
    s.columns.reserve(n);
    for (int i = 0; i < n; ++i) {
        ColumnState c;
        c.name = r.getText();
        c.fieldName = r.getText();
        c.caption = r.getText();
        c.width = r.getInt(0, 1000000, "largura");
        c.visible = r.getInt(0, 1, "visível") != 0;
        c.properties = r.getInt(0, int(GridColumn::PropertiesKind::Memo), "propriedades");
        c.displayFormatAssigned = r.getInt(0, 1, "formato") != 0;
        c.displayFormat = r.getText();
        c.groupIndex = r.getInt(-1, kMaxItems, "agrupamento");
        c.sortOrder = r.getInt(0, int(GridSortOrder::Descending), "ordem");
        c.sortIndex = r.getInt(-1, kMaxItems, "índice de ordem");
        c.bandIndex = r.getInt(0, kMaxItems, "faixa");
        c.optionBits = r.getInt(0, 0xF, "opções da coluna");
        if (s.options & gsoUseSummary) {
            c.hasSummary = true;
            c.footerKind = r.getInt(0, int(GridSummaryKind::Average), "resumo");
            c.footerFormat = r.getText();
            c.groupFooterKind = r.getInt(0, int(GridSummaryKind::Average), "resumo do grupo");
            c.groupFooterFormat = r.getText();
        }
        if (s.options & gsoUseFilter) {
            c.hasFilter = true;
            c.filtered = r.getInt(0, 1, "filtrado") != 0;
            const int values = r.getInt(0, kMaxItems, "número de valores do filtro");
            for (int v = 0; v < values; ++v)
                c.filterValues << r.getVariant();
        }
        s.columns << c;
    }
    if (!r.atEnd())
        throw KvoError(QStringLiteral("Bloco de layout inválido: dados a mais no bloco"));
    return s;
}
} // namespace GridLayoutBlock
