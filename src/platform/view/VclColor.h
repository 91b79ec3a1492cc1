#pragma once

#include <QColor>
#include <QtGlobal>

// 32-bit colour values of the original platform: $00BBGGRR for a plain colour,
// $FF0000nn for the system colour nn, clDefault and clNone as special values.
namespace VclColor {
constexpr quint32 clDefault = 0x20000000;
constexpr quint32 clNone = 0x1FFFFFFF;
constexpr quint32 clBlack = 0x00000000;
constexpr quint32 clWhite = 0x00FFFFFF;
constexpr quint32 clRed = 0x000000FF;
constexpr quint32 clBtnFace = 0xFF00000F;
constexpr quint32 clWindow = 0xFF000005;
constexpr quint32 clWindowText = 0xFF000008;

constexpr quint32 fromRgb(int r, int g, int b) { return quint32(r) | (quint32(g) << 8) | (quint32(b) << 16); }
bool isSystemColor(quint32 value);
// The colour to paint with; clDefault and clNone give `fallback`.
QColor toQColor(quint32 value, const QColor &fallback = QColor());
} // namespace VclColor
