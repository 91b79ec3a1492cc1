// Encoding and decoding of TDS 7.x messages for the test server.
#pragma once

#include "TdsTestServer.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tds::wire {

enum PacketType : quint8 {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    PreLogin = 0x12,
};

constexpr quint8 StatusEom = 0x01;
constexpr quint8 StatusIgnore = 0x02;
constexpr int HeaderSize = 8;
constexpr int DefaultPacketSize = 4096;

// TDS versions as the client writes them in LOGIN7 (little-endian DWORD).
constexpr quint32 Tds71 = 0x71000001;
constexpr quint32 Tds72 = 0x72090002;
constexpr quint32 Tds73B = 0x730B0003;
constexpr quint32 Tds74 = 0x74000004;

inline bool isTds72Plus(quint32 version) { return (version >> 24) >= 0x72; }

enum Token : quint8 {
    ReturnStatus = 0x79,
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    Row = 0xD1,
    EnvChange = 0xE3,
    Done = 0xFD,
    DoneProc = 0xFE,
    DoneInProc = 0xFF,
};

enum DoneStatus : quint16 {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneCount = 0x0010,
    DoneAttn = 0x0020,
};

enum EnvChangeType : quint8 {
    EnvDatabase = 1,
    EnvLanguage = 2,
    EnvPacketSize = 4,
    EnvCollation = 7,
    EnvBeginTran = 8,
    EnvCommitTran = 9,
    EnvRollbackTran = 10,
};

// Little-endian writer with the TDS string forms.
class Writer {
public:
    QByteArray data;

    void u8(quint8 v) { data.append(char(v)); }
    void u16(quint16 v);
    void u16be(quint16 v);
    void u32(quint32 v);
    void u32be(quint32 v);
    void u64(quint64 v);
    void bytes(const QByteArray& b) { data.append(b); }
    void utf16(const QString& s);
    void bVarChar(const QString& s);  // BYTE length in characters + UTF-16
    void usVarChar(const QString& s); // USHORT length in characters + UTF-16
};

// Bounds-checked little-endian reader; after any overrun ok() stays false and
// every read yields zero/empty.
class Reader {
public:
    explicit Reader(const QByteArray& data, int pos = 0) : m_data(data), m_pos(pos) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    int pos() const { return m_pos; }
    int remaining() const { return m_data.size() - m_pos; }
    void seek(int pos);

    quint8 u8();
    quint16 u16();
    quint16 u16be();
    quint32 u32();
    quint64 u64();
    QByteArray bytes(int n);
    QString utf16(int chars);
    void skip(int n) { bytes(n); }

private:
    bool need(int n);

    const QByteArray& m_data;
    int m_pos = 0;
    bool m_ok = true;
};

QString utf16Decode(const QByteArray& bytes);
QByteArray utf16Encode(const QString& s);

// Splits a message into packets of at most packetSize bytes (header
// included). The last packet carries EOM only when `eom` is set.
QByteArray packetize(const QByteArray& payload, quint8 type, int packetSize, quint16 spid,
                     quint8& packetId, bool eom = true);

// --- requests -------------------------------------------------------------

std::optional<LoginInfo> parseLogin7(const QByteArray& payload);

// Skips the ALL_HEADERS block TDS 7.2+ puts in front of batches, RPC and
// transaction manager requests. Returns the offset of what follows, or -1.
int skipAllHeaders(const QByteArray& payload, quint32 tdsVersion);

// SQL text of a batch (packet type 1).
QString parseSqlBatch(const QByteArray& payload, quint32 tdsVersion);

// RPC request rendered as "<proc> <arg>, @name=<arg>, ...". The argument
// list ends in "..." when a parameter of an unsupported type was met.
QString parseRpc(const QByteArray& payload, quint32 tdsVersion);

struct TransactionRequest {
    quint16 type = 0; // 5 begin, 7 commit, 8 rollback, 9 save, ...
    bool beginNext = false; // commit/rollback asked for a new transaction
};
std::optional<TransactionRequest> parseTransactionRequest(const QByteArray& payload,
                                                          quint32 tdsVersion);

// --- replies --------------------------------------------------------------

QByteArray preLoginReply();

// Token stream answering a successful login.
QByteArray loginReply(const LoginInfo& login, quint32 tdsVersion, int packetSize);

QByteArray envChange(quint8 type, const QString& newValue, const QString& oldValue);
QByteArray envChangeBinary(quint8 type, const QByteArray& newValue, const QByteArray& oldValue);
QByteArray message(quint8 token, qint32 number, quint8 state, quint8 severity,
                   const QString& text, const QString& procName, qint32 line,
                   quint32 tdsVersion);
QByteArray done(quint8 token, quint16 status, quint16 curCmd, quint64 rowCount,
                quint32 tdsVersion);
QByteArray returnStatus(qint32 value);

QByteArray colMetadata(const QVector<Column>& columns, quint32 tdsVersion);
QByteArray row(const QVector<Column>& columns, const QVector<QVariant>& values);

// COLMETADATA, the rows (at most maxRows when >= 0) and, when withDone, the
// closing DONE-family token with the row count.
QByteArray resultSet(const ResultSet& rs, quint32 tdsVersion, quint8 doneToken, bool more,
                     int maxRows = -1, bool withDone = true);

QString serverName();

} // namespace tds::wire
