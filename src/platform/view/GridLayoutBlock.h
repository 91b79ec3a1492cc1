#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QtGlobal>

// What a view's layout block carries besides the columns themselves.
enum GridStorageOption {
    gsoUseFilter = 0x1,  // column filters
    gsoUseSummary = 0x2, // footer and group footer summaries
};
using GridStorageOptions = int;

// The view layout block: a versioned, length-prefixed record of a view's columns (and
// bands), written by GridTableView::StoreToStream and read by RestoreFromStream.
//
//     "KVOGL" version(2 hex digits) payload-length(8 hex digits) payload
//
// The payload is a sequence of fields: integers as 8 hexadecimal digits (two's
// complement), texts as their UTF-8 byte count (8 hex digits) and then each byte as two
// hexadecimal digits. Every byte of a block is therefore one of "KVOGL0123456789ABCDEF":
// no text a caption or field name holds (such as "<CONFIGURACAO>") can appear in it, so a
// tag searched in a document is always found after the block, never inside it.
// Bytes after the block are not read.
namespace GridLayoutBlock {
constexpr int Version = 1;
constexpr int HeaderSize = 5 + 2 + 8;

class Writer
{
public:
    void putInt(qint64 value);
    void putText(const QString &text);
    void putVariant(const QVariant &value);
    // Header + payload.
    QByteArray finish(int version = Version) const;

private:
    QByteArray m_payload;
};

// Reads a payload; every read past its end or of a malformed field throws KvoError.
class Reader
{
public:
    explicit Reader(QByteArray payload) : m_data(std::move(payload)) {}
    qint32 getInt();
    // An integer in [min, max].
    int getInt(int min, int max, const char *what);
    QString getText();
    QVariant getVariant();
    bool atEnd() const { return m_pos >= m_data.size(); }

private:
    const char *take(qsizetype n);
    QByteArray m_data;
    qsizetype m_pos = 0;
};

// Reads the header at the start of `bytes` and returns the payload (the bytes after the
// block are ignored). Throws KvoError for anything that is not a complete block of a known
// version. `consumed` receives the size of the block.
QByteArray payloadOf(const QByteArray &bytes, qsizetype *consumed = nullptr);
// A parsed block: what RestoreFromStream applies.
struct BandState
{
    QString caption;
    bool visible = true;
};

struct ColumnState
{
    QString name;
    QString fieldName;
    QString caption;
    int width = 64;
    bool visible = true;
    int properties = 0;
    bool displayFormatAssigned = false;
    QString displayFormat;
    int groupIndex = -1;
    int sortOrder = 0;
    int sortIndex = -1;
    int bandIndex = 0;
    int optionBits = 0xF;
    bool hasSummary = false;
    int footerKind = 0;
    QString footerFormat;
    int groupFooterKind = 0;
    QString groupFooterFormat;
    bool hasFilter = false;
    bool filtered = false;
    QVariantList filterValues;
};

struct LayoutState
{
    int kind = 0; // 0 table, 1 banded table
    int options = 0;
    QList<BandState> bands;
    QList<ColumnState> columns;
};

// Reads a whole block (header and payload; bytes after it are ignored). Throws KvoError.
LayoutState parse(const QByteArray &block);
} // namespace GridLayoutBlock
