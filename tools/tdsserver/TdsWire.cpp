#include "TdsWire.h"

#include <QDate>
#include <QDateTime>
#include <QStringDecoder>
#include <QTime>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace tds::wire {

namespace {

// decimal(38) needs 128 bits; GCC and Clang have them built in.
__extension__ typedef unsigned __int128 UInt128;

// SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, case-insensitive, accent-sensitive,
// sort order 52 (code page 1252).
const QByteArray kCollation = QByteArray::fromHex("0904d00034");

constexpr quint8 kIntN = 0x26;
constexpr quint8 kBigChar = 0xAF;
constexpr quint8 kBigVarChar = 0xA7;
constexpr quint8 kNVarChar = 0xE7;
constexpr quint8 kFltN = 0x6D;
constexpr quint8 kDecimalN = 0x6A;
constexpr quint8 kDateTimeN = 0x6F;

constexpr int kTicksPerDay = 300 * 86400; // DATETIME counts 1/300 s

int charColumnSize(const Column& c)
{
    switch (c.type) {
    case Type::Char:
        return c.size > 0 ? qMin(c.size, 8000) : 1;
    case Type::VarChar:
        return c.size > 0 ? qMin(c.size, 8000) : 8000;
    case Type::NVarChar:
        return c.size > 0 ? qMin(c.size, 4000) : 4000;
    default:
        return 0;
    }
}

int intSize(Type t)
{
    switch (t) {
    case Type::SmallInt:
        return 2;
    case Type::BigInt:
        return 8;
    default:
        return 4;
    }
}

int decimalPrecision(const Column& c) { return qBound(1, c.precision, 38); }
int decimalScale(const Column& c) { return qBound(0, c.scale, decimalPrecision(c)); }

int decimalBytes(int precision)
{
    if (precision <= 9)
        return 5;
    if (precision <= 19)
        return 9;
    if (precision <= 28)
        return 13;
    return 17;
}

// Parses "[-+]digits[.digits]" into a magnitude scaled by 10^scale, rounding
// half away from zero. Returns false for anything else.
bool scaledDecimal(const QString& text, int scale, UInt128& magnitude, bool& negative)
{
    QString s = text.trimmed();
    negative = false;
    if (s.startsWith(u'-') || s.startsWith(u'+')) {
        negative = s.startsWith(u'-');
        s.remove(0, 1);
    }
    const qsizetype dot = s.indexOf(u'.');
    QString wholeDigits = dot < 0 ? s : s.left(dot);
    QString fractionDigits = dot < 0 ? QString() : s.mid(dot + 1);
    if (wholeDigits.isEmpty() && fractionDigits.isEmpty())
        return false;
    for (const QString* digits : {&wholeDigits, &fractionDigits})
        for (QChar ch : *digits)
            if (!ch.isDigit() || ch.unicode() > '9')
                return false;
    bool roundUp = false;
    if (fractionDigits.size() > scale) {
        roundUp = fractionDigits.at(scale) >= u'5';
        fractionDigits.truncate(scale);
    }
    fractionDigits = fractionDigits.leftJustified(scale, u'0');
    magnitude = 0;
    for (QChar ch : wholeDigits + fractionDigits)
        magnitude = magnitude * 10 + (ch.unicode() - '0');
    if (roundUp)
        ++magnitude;
    if (magnitude == 0)
        negative = false;
    return true;
}

QString decimalText(UInt128 magnitude, bool negative, int scale)
{
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        if (digits.size() <= scale)
            digits = digits.rightJustified(scale + 1, u'0');
        digits.insert(digits.size() - scale, u'.');
    }
    return negative ? u'-' + digits : digits;
}

std::optional<QDateTime> toDateTime(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime();
    case QMetaType::QDate:
        return QDateTime(v.toDate(), QTime(0, 0));
    default: {
        QDateTime dt = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        if (!dt.isValid())
            return std::nullopt;
        return dt;
    }
    }
}

void writeValue(Writer& w, const Column& c, const QVariant& v)
{
    const bool isNull = v.isNull() || !v.isValid();
    switch (c.type) {
    case Type::Int:
    case Type::SmallInt:
    case Type::BigInt: {
        const int n = intSize(c.type);
        if (isNull) {
            w.u8(0);
            break;
        }
        const qint64 x = v.toLongLong();
        w.u8(quint8(n));
        if (n == 2)
            w.u16(quint16(qint16(x)));
        else if (n == 4)
            w.u32(quint32(qint32(x)));
        else
            w.u64(quint64(x));
        break;
    }
    case Type::Char:
    case Type::VarChar: {
        if (isNull) {
            w.u16(0xFFFF);
            break;
        }
        const int size = charColumnSize(c);
        QByteArray bytes = v.toString().toLatin1();
        if (bytes.size() > size)
            bytes.truncate(size);
        if (c.type == Type::Char && bytes.size() < size)
            bytes.append(QByteArray(size - bytes.size(), ' '));
        w.u16(quint16(bytes.size()));
        w.bytes(bytes);
        break;
    }
    case Type::NVarChar: {
        if (isNull) {
            w.u16(0xFFFF);
            break;
        }
        QString s = v.toString();
        const int size = charColumnSize(c);
        if (s.size() > size)
            s.truncate(size);
        w.u16(quint16(s.size() * 2));
        w.utf16(s);
        break;
    }
    case Type::Float: {
        if (isNull) {
            w.u8(0);
            break;
        }
        const double d = v.toDouble();
        quint64 bits;
        static_assert(sizeof bits == sizeof d);
        std::memcpy(&bits, &d, sizeof d);
        w.u8(8);
        w.u64(bits);
        break;
    }
    case Type::Decimal: {
        const int precision = decimalPrecision(c);
        const int scale = decimalScale(c);
        UInt128 magnitude = 0;
        bool negative = false;
        QString text;
        if (!isNull) {
            const int id = v.typeId();
            text = (id == QMetaType::Double || id == QMetaType::Float)
                       ? QString::number(v.toDouble(), 'f', scale)
                       : v.toString();
        }
        if (isNull || !scaledDecimal(text, scale, magnitude, negative)) {
            w.u8(0);
            break;
        }
        const int n = decimalBytes(precision);
        w.u8(quint8(n));
        w.u8(negative ? 0 : 1);
        for (int i = 0; i < n - 1; ++i) {
            w.u8(quint8(magnitude & 0xFF));
            magnitude >>= 8;
        }
        break;
    }
    case Type::DateTime: {
        const auto dt = isNull ? std::nullopt : toDateTime(v);
        if (!dt) {
            w.u8(0);
            break;
        }
        qint64 days = QDate(1900, 1, 1).daysTo(dt->date());
        qint64 ticks = (qint64(dt->time().msecsSinceStartOfDay()) * 3 + 5) / 10;
        if (ticks >= kTicksPerDay) {
            ticks -= kTicksPerDay;
            ++days;
        }
        w.u8(8);
        w.u32(quint32(qint32(days)));
        w.u32(quint32(ticks));
        break;
    }
    }
}

void writeTypeInfo(Writer& w, const Column& c)
{
    switch (c.type) {
    case Type::Int:
    case Type::SmallInt:
    case Type::BigInt:
        w.u8(kIntN);
        w.u8(quint8(intSize(c.type)));
        break;
    case Type::Char:
    case Type::VarChar:
        w.u8(c.type == Type::Char ? kBigChar : kBigVarChar);
        w.u16(quint16(charColumnSize(c)));
        w.bytes(kCollation);
        break;
    case Type::NVarChar:
        w.u8(kNVarChar);
        w.u16(quint16(charColumnSize(c) * 2));
        w.bytes(kCollation);
        break;
    case Type::Float:
        w.u8(kFltN);
        w.u8(8);
        break;
    case Type::Decimal:
        w.u8(kDecimalN);
        w.u8(quint8(decimalBytes(decimalPrecision(c))));
        w.u8(quint8(decimalPrecision(c)));
        w.u8(quint8(decimalScale(c)));
        break;
    case Type::DateTime:
        w.u8(kDateTimeN);
        w.u8(8);
        break;
    }
}

// --- RPC parameter rendering ------------------------------------------------

QString quoted(const QString& s, bool national)
{
    QString out = s;
    out.replace(u'\'', QStringLiteral("''"));
    return (national ? QStringLiteral("N'") : QStringLiteral("'")) + out + u'\'';
}

QString hexLiteral(const QByteArray& b) { return QStringLiteral("0x") + QString::fromLatin1(b.toHex().toUpper()); }

qint64 signedLe(const QByteArray& b)
{
    quint64 v = 0;
    for (int i = b.size() - 1; i >= 0; --i)
        v = (v << 8) | quint8(b.at(i));
    if (b.size() > 0 && b.size() < 8 && (quint8(b.back()) & 0x80))
        v |= ~quint64(0) << (8 * b.size());
    return qint64(v);
}

double floatLe(const QByteArray& b)
{
    if (b.size() == 4) {
        quint32 bits = quint32(signedLe(b));
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    quint64 bits = quint64(signedLe(b));
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

QString renderDateTime(const QByteArray& b)
{
    qint32 days;
    qint64 msecs;
    if (b.size() == 4) { // smalldatetime: days, minutes
        days = qint32(quint16(signedLe(b.left(2))));
        msecs = qint64(quint16(signedLe(b.mid(2)))) * 60000;
    } else {
        days = qint32(signedLe(b.left(4)));
        msecs = (qint64(quint32(signedLe(b.mid(4)))) * 10 + 1) / 3;
    }
    const QDateTime dt(QDate(1900, 1, 1).addDays(days), QTime(0, 0).addMSecs(int(msecs)));
    return u'\'' + dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u'\'';
}

QString renderMoney(const QByteArray& b)
{
    qint64 v;
    if (b.size() == 4) {
        v = signedLe(b);
    } else {
        const quint64 hi = quint32(signedLe(b.left(4)));
        const quint64 lo = quint32(signedLe(b.mid(4)));
        v = qint64((hi << 32) | lo);
    }
    const bool neg = v < 0;
    const UInt128 mag = neg ? UInt128(quint64(0) - quint64(v)) : UInt128(quint64(v));
    return decimalText(mag, neg, 4);
}

QString renderDecimal(const QByteArray& b, int scale)
{
    if (b.isEmpty())
        return QStringLiteral("NULL");
    UInt128 mag = 0;
    for (int i = b.size() - 1; i >= 1; --i)
        mag = (mag << 8) | quint8(b.at(i));
    return decimalText(mag, b.at(0) == 0 && mag != 0, scale);
}

// Reads a PLP (partially length-prefixed) value; null when the marker says so.
std::optional<QByteArray> readPlp(Reader& r, bool& isNull)
{
    const quint64 total = r.u64();
    isNull = total == ~quint64(0);
    QByteArray out;
    if (isNull)
        return out;
    for (;;) {
        const quint32 chunk = r.u32();
        if (!r.ok())
            return std::nullopt;
        if (chunk == 0)
            break;
        if (chunk > quint32(r.remaining()))
            return std::nullopt;
        out.append(r.bytes(int(chunk)));
    }
    return out;
}

// Reads TYPE_INFO and the value of one RPC parameter and renders the value.
std::optional<QString> renderParamValue(Reader& r)
{
    const quint8 type = r.u8();
    auto fixed = [&](int n) { return r.bytes(n); };
    switch (type) {
    case 0x1F: // NULLTYPE
        return QStringLiteral("NULL");
    case 0x30: // TINYINT
        return QString::number(r.u8());
    case 0x32: // BIT
        return QString::number(r.u8() ? 1 : 0);
    case 0x34: // SMALLINT
        return QString::number(signedLe(fixed(2)));
    case 0x38: // INT
        return QString::number(signedLe(fixed(4)));
    case 0x7F: // BIGINT
        return QString::number(signedLe(fixed(8)));
    case 0x3B: // REAL
        return QString::number(floatLe(fixed(4)), 'g', 9);
    case 0x3E: // FLOAT
        return QString::number(floatLe(fixed(8)), 'g', 17);
    case 0x3A: // SMALLDATETIME
        return renderDateTime(fixed(4));
    case 0x3D: // DATETIME
        return renderDateTime(fixed(8));
    case 0x3C: // MONEY
        return renderMoney(fixed(8));
    case 0x7A: // SMALLMONEY
        return renderMoney(fixed(4));
    case 0x24:   // GUID
    case 0x26:   // INTN
    case 0x68:   // BITN
    case 0x6D:   // FLTN
    case 0x6E:   // MONEYN
    case 0x6F: { // DATETIMN
        r.u8(); // max length
        const quint8 len = r.u8();
        if (len == 0)
            return QStringLiteral("NULL");
        const QByteArray b = r.bytes(len);
        if (!r.ok())
            return std::nullopt;
        switch (type) {
        case 0x26:
            return len == 1 ? QString::number(quint8(b.at(0))) : QString::number(signedLe(b));
        case 0x68:
            return QString::number(b.at(0) ? 1 : 0);
        case 0x6D:
            return QString::number(floatLe(b), 'g', len == 4 ? 9 : 17);
        case 0x6E:
            return renderMoney(b);
        case 0x6F:
            return renderDateTime(b);
        default: {
            if (b.size() != 16)
                return hexLiteral(b);
            // GUID: first three groups little-endian
            QByteArray g = b;
            std::reverse(g.begin(), g.begin() + 4);
            std::reverse(g.begin() + 4, g.begin() + 6);
            std::reverse(g.begin() + 6, g.begin() + 8);
            const QString h = QString::fromLatin1(g.toHex().toUpper());
            return QStringLiteral("'%1-%2-%3-%4-%5'")
                .arg(h.mid(0, 8), h.mid(8, 4), h.mid(12, 4), h.mid(16, 4), h.mid(20));
        }
        }
    }
    case 0x6A:   // DECIMALN
    case 0x6C: { // NUMERICN
        r.u8();  // max length
        r.u8();  // precision
        const int scale = r.u8();
        const quint8 len = r.u8();
        return renderDecimal(r.bytes(len), scale);
    }
    case 0x28: { // DATEN
        const quint8 len = r.u8();
        if (len == 0)
            return QStringLiteral("NULL");
        const QByteArray b = r.bytes(len);
        const qint64 days = signedLe(b + QByteArray(1, '\0'));
        return u'\'' + QDate(1, 1, 1).addDays(days).toString(Qt::ISODate) + u'\'';
    }
    case 0x29:   // TIMEN
    case 0x2A:   // DATETIME2N
    case 0x2B: { // DATETIMEOFFSETN
        r.u8();  // scale
        const quint8 len = r.u8();
        if (len == 0)
            return QStringLiteral("NULL");
        return hexLiteral(r.bytes(len));
    }
    case 0xA5:   // BIGVARBINARY
    case 0xAD:   // BIGBINARY
    case 0xA7:   // BIGVARCHAR
    case 0xAF:   // BIGCHAR
    case 0xE7:   // NVARCHAR
    case 0xEF: { // NCHAR
        const quint16 maxLen = r.u16();
        const bool binary = type == 0xA5 || type == 0xAD;
        const bool national = type == 0xE7 || type == 0xEF;
        if (!binary)
            r.skip(5); // collation
        QByteArray b;
        if (maxLen == 0xFFFF) {
            bool isNull = false;
            const auto plp = readPlp(r, isNull);
            if (!plp)
                return std::nullopt;
            if (isNull)
                return QStringLiteral("NULL");
            b = *plp;
        } else {
            const quint16 len = r.u16();
            if (len == 0xFFFF)
                return QStringLiteral("NULL");
            b = r.bytes(len);
        }
        if (binary)
            return hexLiteral(b);
        return quoted(national ? utf16Decode(b) : QString::fromLatin1(b), national);
    }
    case 0x23:   // TEXT
    case 0x63:   // NTEXT
    case 0x22: { // IMAGE
        r.u32(); // max length
        if (type != 0x22)
            r.skip(5); // collation
        const quint32 len = r.u32();
        if (len == 0xFFFFFFFF)
            return QStringLiteral("NULL");
        if (len > quint32(r.remaining()))
            return std::nullopt;
        const QByteArray b = r.bytes(int(len));
        if (type == 0x22)
            return hexLiteral(b);
        return quoted(type == 0x63 ? utf16Decode(b) : QString::fromLatin1(b), type == 0x63);
    }
    default:
        return std::nullopt;
    }
}

// Reads TYPE_INFO and the value of one RPC parameter and renders the value;
// nothing when the data is cut short or of a type not handled here.
std::optional<QString> readParamValue(Reader& r)
{
    auto value = renderParamValue(r);
    if (!r.ok())
        return std::nullopt;
    return value;
}

QString procName(quint16 id)
{
    static const char* const names[] = {
        nullptr,          "sp_cursor",      "sp_cursoropen",   "sp_cursorprepare",
        "sp_cursorexecute", "sp_cursorprepexec", "sp_cursorunprepare", "sp_cursorfetch",
        "sp_cursoroption", "sp_cursorclose", "sp_executesql",   "sp_prepare",
        "sp_execute",     "sp_prepexec",    "sp_prepexecrpc",  "sp_unprepare",
    };
    if (id < std::size(names) && names[id])
        return QString::fromLatin1(names[id]);
    return QStringLiteral("proc#%1").arg(id);
}

} // namespace

// --- Writer / Reader ----------------------------------------------------------

void Writer::u16(quint16 v)
{
    u8(quint8(v));
    u8(quint8(v >> 8));
}

void Writer::u16be(quint16 v)
{
    u8(quint8(v >> 8));
    u8(quint8(v));
}

void Writer::u32(quint32 v)
{
    u16(quint16(v));
    u16(quint16(v >> 16));
}

void Writer::u32be(quint32 v)
{
    u16be(quint16(v >> 16));
    u16be(quint16(v));
}

void Writer::u64(quint64 v)
{
    u32(quint32(v));
    u32(quint32(v >> 32));
}

void Writer::utf16(const QString& s) { data.append(utf16Encode(s)); }

void Writer::bVarChar(const QString& s)
{
    const QString t = s.left(255);
    u8(quint8(t.size()));
    utf16(t);
}

void Writer::usVarChar(const QString& s)
{
    const QString t = s.left(65535);
    u16(quint16(t.size()));
    utf16(t);
}

void Reader::seek(int pos)
{
    if (pos < 0 || pos > m_data.size()) {
        m_ok = false;
        m_pos = m_data.size();
        return;
    }
    m_pos = pos;
}

bool Reader::need(int n)
{
    if (!m_ok || n < 0 || n > remaining()) {
        m_ok = false;
        m_pos = m_data.size();
        return false;
    }
    return true;
}

quint8 Reader::u8()
{
    if (!need(1))
        return 0;
    return quint8(m_data.at(m_pos++));
}

quint16 Reader::u16()
{
    const quint16 lo = u8();
    return quint16(lo | (quint16(u8()) << 8));
}

quint16 Reader::u16be()
{
    const quint16 hi = u8();
    return quint16((hi << 8) | u8());
}

quint32 Reader::u32()
{
    const quint32 lo = u16();
    return lo | (quint32(u16()) << 16);
}

quint64 Reader::u64()
{
    const quint64 lo = u32();
    return lo | (quint64(u32()) << 32);
}

QByteArray Reader::bytes(int n)
{
    if (!need(n))
        return {};
    QByteArray out = m_data.mid(m_pos, n);
    m_pos += n;
    return out;
}

QString Reader::utf16(int chars) { return utf16Decode(bytes(chars * 2)); }

QString utf16Decode(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray utf16Encode(const QString& s)
{
    QByteArray out;
    out.reserve(s.size() * 2);
    for (QChar ch : s) {
        out.append(char(ch.unicode() & 0xFF));
        out.append(char(ch.unicode() >> 8));
    }
    return out;
}

QByteArray packetize(const QByteArray& payload, quint8 type, int packetSize, quint16 spid,
                     quint8& packetId, bool eom)
{
    const int chunk = qMax(packetSize, 512) - HeaderSize;
    QByteArray out;
    out.reserve(payload.size() + (payload.size() / chunk + 1) * HeaderSize);
    qsizetype pos = 0;
    do {
        const int n = int(qMin<qsizetype>(chunk, payload.size() - pos));
        const bool last = pos + n >= payload.size();
        Writer h;
        h.u8(type);
        h.u8(last && eom ? StatusEom : 0);
        h.u16be(quint16(n + HeaderSize));
        h.u16be(spid);
        h.u8(packetId);
        h.u8(0);
        packetId = quint8(packetId + 1);
        out.append(h.data);
        out.append(payload.constData() + pos, n);
        pos += n;
    } while (pos < payload.size());
    return out;
}

// --- requests ---------------------------------------------------------------

std::optional<LoginInfo> parseLogin7(const QByteArray& payload)
{
    Reader r(payload);
    const quint32 length = r.u32();
    LoginInfo info;
    info.tdsVersion = r.u32();
    info.packetSize = r.u32();
    r.skip(4 + 4 + 4);    // client program version, PID, connection id
    r.skip(4);            // option flags 1-3, type flags
    r.skip(4 + 4);        // time zone, LCID
    if (!r.ok() || length < 36 || (info.tdsVersion >> 28) != 0x7)
        return std::nullopt;

    auto field = [&](int ibPos, bool scrambled = false) -> QString {
        Reader f(payload, ibPos);
        const quint16 offset = f.u16();
        const quint16 chars = f.u16();
        if (!f.ok() || chars == 0)
            return {};
        Reader v(payload, offset);
        QByteArray bytes = v.bytes(chars * 2);
        if (!v.ok())
            return {};
        if (scrambled) {
            for (char& c : bytes) {
                const quint8 x = quint8(c) ^ 0xA5;
                c = char(quint8((x << 4) | (x >> 4)));
            }
        }
        return utf16Decode(bytes);
    };
    info.hostName = field(36);
    info.user = field(40);
    info.password = field(44, true);
    info.appName = field(48);
    info.language = field(64);
    info.database = field(68);
    return info;
}

int skipAllHeaders(const QByteArray& payload, quint32 tdsVersion)
{
    if (!isTds72Plus(tdsVersion))
        return 0;
    Reader r(payload);
    const quint32 total = r.u32();
    if (!r.ok() || total < 4 || total > quint32(payload.size()))
        return -1;
    return int(total);
}

QString parseSqlBatch(const QByteArray& payload, quint32 tdsVersion)
{
    const int start = skipAllHeaders(payload, tdsVersion);
    if (start < 0)
        return {};
    return utf16Decode(payload.mid(start));
}

QString parseRpc(const QByteArray& payload, quint32 tdsVersion)
{
    const int start = skipAllHeaders(payload, tdsVersion);
    if (start < 0)
        return {};
    Reader r(payload, start);
    QString name;
    const quint16 nameLen = r.u16();
    if (nameLen == 0xFFFF)
        name = procName(r.u16());
    else
        name = r.utf16(nameLen);
    r.u16(); // option flags
    if (!r.ok())
        return name;

    QStringList args;
    bool truncated = false;
    while (!r.atEnd()) {
        const quint8 next = quint8(payload.at(r.pos()));
        if (next == 0x80 || next == 0xFF || next == 0xFE) // batch separator: one call is enough
            break;
        const quint8 nameChars = r.u8();
        const QString paramName = r.utf16(nameChars);
        const quint8 status = r.u8();
        const auto value = readParamValue(r);
        if (!value || !r.ok()) {
            truncated = true;
            break;
        }
        QString arg = paramName.isEmpty() ? *value : paramName + u'=' + *value;
        if (status & 0x01)
            arg += QStringLiteral(" OUTPUT");
        args << arg;
    }
    if (truncated)
        args << QStringLiteral("...");
    return args.isEmpty() ? name : name + u' ' + args.join(QStringLiteral(", "));
}

std::optional<TransactionRequest> parseTransactionRequest(const QByteArray& payload,
                                                          quint32 tdsVersion)
{
    const int start = skipAllHeaders(payload, tdsVersion);
    if (start < 0)
        return std::nullopt;
    Reader r(payload, start);
    TransactionRequest req;
    req.type = r.u16();
    if (!r.ok())
        return std::nullopt;
    if (req.type == 7 || req.type == 8) { // commit / rollback: name, then fBeginXact
        const quint8 nameLen = r.u8();
        r.skip(nameLen * 2);
        const quint8 flags = r.u8();
        req.beginNext = r.ok() && (flags & 0x01);
    }
    return req;
}

// --- replies ------------------------------------------------------------------

QString serverName() { return QStringLiteral("TDSTEST"); }

QByteArray preLoginReply()
{
    // VERSION, ENCRYPTION, INSTOPT, THREADID, MARS, terminator
    struct Option {
        quint8 token;
        QByteArray data;
    };
    const Option options[] = {
        {0x00, QByteArray::fromHex("0f0007d00000")}, // 15.0.2000, sub-build 0
        {0x01, QByteArray(1, char(0x02))},          // ENCRYPT_NOT_SUP
        {0x02, QByteArray(1, '\0')},                // default instance
        {0x03, QByteArray()},                       // no thread id
        {0x04, QByteArray(1, '\0')},                // MARS off
    };
    Writer head;
    QByteArray body;
    const int dataStart = int(std::size(options)) * 5 + 1;
    for (const Option& o : options) {
        head.u8(o.token);
        head.u16be(quint16(dataStart + body.size()));
        head.u16be(quint16(o.data.size()));
        body.append(o.data);
    }
    head.u8(0xFF);
    return head.data + body;
}

QByteArray envChange(quint8 type, const QString& newValue, const QString& oldValue)
{
    Writer body;
    body.u8(type);
    body.bVarChar(newValue);
    body.bVarChar(oldValue);
    Writer w;
    w.u8(EnvChange);
    w.u16(quint16(body.data.size()));
    w.bytes(body.data);
    return w.data;
}

QByteArray envChangeBinary(quint8 type, const QByteArray& newValue, const QByteArray& oldValue)
{
    Writer body;
    body.u8(type);
    body.u8(quint8(newValue.size()));
    body.bytes(newValue);
    body.u8(quint8(oldValue.size()));
    body.bytes(oldValue);
    Writer w;
    w.u8(EnvChange);
    w.u16(quint16(body.data.size()));
    w.bytes(body.data);
    return w.data;
}

QByteArray message(quint8 token, qint32 number, quint8 state, quint8 severity, const QString& text,
                   const QString& procName, qint32 line, quint32 tdsVersion)
{
    Writer body;
    body.u32(quint32(number));
    body.u8(state);
    body.u8(severity);
    body.usVarChar(text.left(4000));
    body.bVarChar(serverName());
    body.bVarChar(procName);
    if (isTds72Plus(tdsVersion))
        body.u32(quint32(line));
    else
        body.u16(quint16(line));
    Writer w;
    w.u8(token);
    w.u16(quint16(body.data.size()));
    w.bytes(body.data);
    return w.data;
}

QByteArray done(quint8 token, quint16 status, quint16 curCmd, quint64 rowCount, quint32 tdsVersion)
{
    Writer w;
    w.u8(token);
    w.u16(status);
    w.u16(curCmd);
    if (isTds72Plus(tdsVersion))
        w.u64(rowCount);
    else
        w.u32(quint32(rowCount));
    return w.data;
}

QByteArray returnStatus(qint32 value)
{
    Writer w;
    w.u8(ReturnStatus);
    w.u32(quint32(value));
    return w.data;
}

QByteArray loginReply(const LoginInfo& login, quint32 tdsVersion, int packetSize)
{
    const QString database = login.database.isEmpty() ? QStringLiteral("master") : login.database;
    const QString language = login.language.isEmpty() ? QStringLiteral("us_english") : login.language;
    QByteArray out;
    out += envChange(EnvDatabase, database, QStringLiteral("master"));
    out += message(Info, 5701, 2, 0,
                   QStringLiteral("Changed database context to '%1'.").arg(database), {}, 1,
                   tdsVersion);
    out += envChangeBinary(EnvCollation, kCollation, {});
    out += envChange(EnvLanguage, language, {});
    out += message(Info, 5703, 1, 0,
                   QStringLiteral("Changed language setting to %1.").arg(language), {}, 1,
                   tdsVersion);

    Writer ack;
    ack.u8(1); // SQL_TSQL
    ack.u32be(tdsVersion);
    ack.bVarChar(QStringLiteral("Microsoft SQL Server"));
    ack.bytes(QByteArray::fromHex("0f0007d0")); // 15.0.2000
    Writer w;
    w.u8(LoginAck);
    w.u16(quint16(ack.data.size()));
    w.bytes(ack.data);
    out += w.data;

    out += envChange(EnvPacketSize, QString::number(packetSize),
                     QString::number(DefaultPacketSize));
    out += done(Done, DoneFinal, 0, 0, tdsVersion);
    return out;
}

QByteArray colMetadata(const QVector<Column>& columns, quint32 tdsVersion)
{
    Writer w;
    w.u8(ColMetadata);
    w.u16(quint16(columns.size()));
    for (const Column& c : columns) {
        if (isTds72Plus(tdsVersion))
            w.u32(0); // user type
        else
            w.u16(0);
        w.u16(0x0009); // nullable, updatability unknown
        writeTypeInfo(w, c);
        w.bVarChar(c.name);
    }
    return w.data;
}

QByteArray row(const QVector<Column>& columns, const QVector<QVariant>& values)
{
    Writer w;
    w.u8(Row);
    for (int i = 0; i < columns.size(); ++i)
        writeValue(w, columns.at(i), i < values.size() ? values.at(i) : QVariant());
    return w.data;
}

QByteArray resultSet(const ResultSet& rs, quint32 tdsVersion, quint8 doneToken, bool more,
                     int maxRows, bool withDone)
{
    QByteArray out;
    qint64 count = 0;
    if (!rs.columns.isEmpty()) {
        out += colMetadata(rs.columns, tdsVersion);
        for (const auto& values : rs.rows) {
            if (maxRows >= 0 && count >= maxRows)
                break;
            out += row(rs.columns, values);
            ++count;
        }
    }
    if (withDone)
        out += done(doneToken, quint16(DoneCount | (more ? DoneMore : 0)),
                    rs.columns.isEmpty() ? 0 : 0xC1, quint64(count), tdsVersion);
    return out;
}

} // namespace tds::wire
