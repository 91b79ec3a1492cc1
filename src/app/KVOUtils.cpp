#include "KVOUtils.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QVector>

#include <array>
#include <bitset>

namespace KVOUtils {

const QString &alfabetoTamanho()
{
    static const QString table = QStringLiteral("cAOCRYqiHx0BK4g13MtLsP2dwU7nhFXjlkD5zQTE");
    return table;
}

const QString &alfabetoSubstituicao()
{
    static const QString table = QString::fromUtf8(
        "|ajzk{CrMsVwxef/uST@íi+h4qXO]mgG-UJNdç&*7~^ó;5é<)cZ6F3!9Q21nt>úyl(,DEB}áKH0:.o[8_=YPWLbvpA#?RI");
    return table;
}

const QVector<int> &posicoes()
{
    static const QVector<int> table{2,   7,   27,  35,  57,  61,  65,  73,  86,  91,  92,  112, 127, 128,
                                    140, 145, 147, 150, 154, 157, 162, 163, 175, 177, 178, 179, 192, 195,
                                    201, 202, 209, 212, 219, 222, 231, 232, 240, 241, 252, 253};
    return table;
}

namespace {
const std::bitset<256> &conjunto()
{
    static const std::bitset<256> set = [] {
        std::bitset<256> s;
        for (int p : posicoes())
            s.set(size_t(p));
        return s;
    }();
    return set;
}
} // namespace

bool ehPosicao(int position)
{
    return position >= 0 && position < 256 && conjunto().test(size_t(position));
}

QChar caracterDaPosicao(int p)
{
    int code = 64; // '@' for a character outside the alphabet
    if (p >= 1 && p <= 26)
        code = 64 + p;
    else if (p >= 27 && p <= 36)
        code = 21 + p;
    else if (p >= 37 && p <= 62)
        code = 60 + p;
    else if (p >= 63 && p <= 77)
        code = p - 30;
    else if (p >= 78 && p <= 84)
        code = p - 20;
    else if (p >= 85 && p <= 90)
        code = p + 6;
    else if (p >= 91 && p <= 94)
        code = p + 32;
    return QChar(code);
}

namespace {
// Windows-1252 for the bytes 0x80..0x9F; the rest is Latin-1. Unassigned bytes keep
// their C1 control code.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

QString decodificaAnsi(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    return QStringDecoder(QStringDecoder::System).decode(bytes);
#else
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
#endif
}

QByteArray codificaAnsi(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
#ifdef Q_OS_WIN
    QStringEncoder encoder(QStringEncoder::System);
    QByteArray bytes = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    return bytes;
#else
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        int byte = -1;
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            byte = u;
        } else {
            for (int i = 0; i < 32; ++i)
                if (kCp1252High[i] == u)
                    byte = 0x80 + i;
        }
        if (byte < 0) {
            if (ok)
                *ok = false;
            byte = '?';
        }
        bytes += char(byte);
    }
    return bytes;
#endif
}

} // namespace KVOUtils

QString DecodificaSenha(QString sPfSenha)
{
    using namespace KVOUtils;
    if (sPfSenha.isEmpty())
        return QString();
    const int tamanho = int(alfabetoTamanho().indexOf(sPfSenha.back())) + 1; // 0 when absent
    QString resultado;
    int contador = 40;
    for (int j = 254; j >= 1; --j) {
        if (!ehPosicao(j))
            continue;
        if (contador <= tamanho) {
            // A text too short to reach position j has no carrying character there.
            const int p = j <= sPfSenha.size() ? int(alfabetoSubstituicao().indexOf(sPfSenha.at(j - 1))) + 1 : 0;
            resultado += caracterDaPosicao(p);
        }
        --contador;
    }
    return resultado;
}
