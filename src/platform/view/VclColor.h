#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

// 32-bit colour values of the original platform: $00BBGGRR for a plain colour,
// $FF0000nn for the system colour with index nn, clDefault and clNone as special values.
// System colours and clDefault are kept as they are and resolved only when painting.
namespace VclColor {
constexpr quint32 clDefault = 0x20000000;
constexpr quint32 clNone = 0x1FFFFFFF;

constexpr quint32 clBlack = 0x00000000;
constexpr quint32 clMaroon = 0x00000080;
constexpr quint32 clGreen = 0x00008000;
constexpr quint32 clOlive = 0x00008080;
constexpr quint32 clNavy = 0x00800000;
constexpr quint32 clPurple = 0x00800080;
constexpr quint32 clTeal = 0x00808000;
constexpr quint32 clGray = 0x00808080;
constexpr quint32 clSilver = 0x00C0C0C0;
constexpr quint32 clRed = 0x000000FF;
constexpr quint32 clLime = 0x0000FF00;
constexpr quint32 clYellow = 0x0000FFFF;
constexpr quint32 clBlue = 0x00FF0000;
constexpr quint32 clFuchsia = 0x00FF00FF;
constexpr quint32 clAqua = 0x00FFFF00;
constexpr quint32 clWhite = 0x00FFFFFF;
constexpr quint32 clMoneyGreen = 0x00C0DCC0;
constexpr quint32 clSkyBlue = 0x00F0CAA6;
constexpr quint32 clCream = 0x00F0FBFF;
constexpr quint32 clMedGray = 0x00A4A0A0;

// System colours
constexpr quint32 clScrollBar = 0xFF000000;
constexpr quint32 clBackground = 0xFF000001;
constexpr quint32 clActiveCaption = 0xFF000002;
constexpr quint32 clInactiveCaption = 0xFF000003;
constexpr quint32 clMenu = 0xFF000004;
constexpr quint32 clWindow = 0xFF000005;
constexpr quint32 clWindowFrame = 0xFF000006;
constexpr quint32 clMenuText = 0xFF000007;
constexpr quint32 clWindowText = 0xFF000008;
constexpr quint32 clCaptionText = 0xFF000009;
constexpr quint32 clActiveBorder = 0xFF00000A;
constexpr quint32 clInactiveBorder = 0xFF00000B;
constexpr quint32 clAppWorkSpace = 0xFF00000C;
constexpr quint32 clHighlight = 0xFF00000D;
constexpr quint32 clHighlightText = 0xFF00000E;
constexpr quint32 clBtnFace = 0xFF00000F;
constexpr quint32 clBtnShadow = 0xFF000010;
constexpr quint32 clGrayText = 0xFF000011;
constexpr quint32 clBtnText = 0xFF000012;
constexpr quint32 clInactiveCaptionText = 0xFF000013;
constexpr quint32 clBtnHighlight = 0xFF000014;
constexpr quint32 cl3DDkShadow = 0xFF000015;
constexpr quint32 cl3DLight = 0xFF000016;
constexpr quint32 clInfoText = 0xFF000017;
constexpr quint32 clInfoBk = 0xFF000018;
constexpr quint32 clHotLight = 0xFF00001A;
constexpr quint32 clGradientActiveCaption = 0xFF00001B;
constexpr quint32 clGradientInactiveCaption = 0xFF00001C;
constexpr quint32 clMenuHighlight = 0xFF00001D;
constexpr quint32 clMenuBar = 0xFF00001E;

constexpr quint32 fromRgb(int r, int g, int b) { return quint32(r) | (quint32(g) << 8) | (quint32(b) << 16); }
bool isSystemColor(quint32 value);
// True for clDefault and clNone: "no colour of its own", the painter's default applies.
inline bool isDefault(quint32 value) { return value == clDefault || value == clNone; }
// The colour to paint with: plain colours as they are, system colours from the
// application's palette; clDefault, clNone and unknown system indexes give `fallback`.
QColor toQColor(quint32 value, const QColor &fallback = QColor());
} // namespace VclColor

namespace VclColor {
// The colour identifiers (clBlack .. clWindowText, clDefault, clNone): 52 names.
struct NamedColor
{
    const char *name;
    quint32 value;
};
const NamedColor *namedColors(int *count);
// Text form: the identifier when the value has one, else "$" and eight upper-case
// hexadecimal digits.
QString colorToString(quint32 value);
// Reads an identifier (without regard to case) or an integer, decimal or "$"
// hexadecimal; anything else, the empty text included, throws KvoError naming the text.
quint32 stringToColor(const QString &text);
// Decimal or "$" hexadecimal integer; throws KvoError naming the text otherwise.
qint32 stringToInt(const QString &text);
} // namespace VclColor
