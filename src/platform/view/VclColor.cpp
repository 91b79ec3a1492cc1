#include "VclColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace VclColor {

bool isSystemColor(quint32 value)
{
    return (value & 0xFF000000u) == 0xFF000000u;
}

QColor toQColor(quint32 value, const QColor &fallback)
{
    if (isDefault(value))
        return fallback;
    if (isSystemColor(value)) {
        const QPalette palette = QGuiApplication::palette();
        switch (value & 0x00FFFFFFu) {
        case 0x00: return palette.color(QPalette::Window);            // scroll bar
        case 0x01: return palette.color(QPalette::Dark);              // desktop background
        case 0x02: return palette.color(QPalette::Highlight);         // active caption
        case 0x03: return palette.color(QPalette::Mid);               // inactive caption
        case 0x04: return palette.color(QPalette::Window);            // menu
        case 0x05: return palette.color(QPalette::Base);              // window
        case 0x06: return palette.color(QPalette::Shadow);            // window frame
        case 0x07: return palette.color(QPalette::WindowText);        // menu text
        case 0x08: return palette.color(QPalette::Text);              // window text
        case 0x09: return palette.color(QPalette::HighlightedText);   // caption text
        case 0x0A: return palette.color(QPalette::Mid);               // active border
        case 0x0B: return palette.color(QPalette::Midlight);          // inactive border
        case 0x0C: return palette.color(QPalette::Dark);              // application workspace
        case 0x0D: return palette.color(QPalette::Highlight);
        case 0x0E: return palette.color(QPalette::HighlightedText);
        case 0x0F: return palette.color(QPalette::Button);            // button face
        case 0x10: return palette.color(QPalette::Dark);              // button shadow
        case 0x11: return palette.color(QPalette::Disabled, QPalette::Text); // grey text
        case 0x12: return palette.color(QPalette::ButtonText);
        case 0x13: return palette.color(QPalette::Disabled, QPalette::WindowText);
        case 0x14: return palette.color(QPalette::Light);             // button highlight
        case 0x15: return palette.color(QPalette::Shadow);            // 3D dark shadow
        case 0x16: return palette.color(QPalette::Midlight);          // 3D light
        case 0x17: return palette.color(QPalette::ToolTipText);       // info text
        case 0x18: return palette.color(QPalette::ToolTipBase);       // info background
        case 0x1A: return palette.color(QPalette::Link);              // hot-tracked item
        case 0x1B: return palette.color(QPalette::Highlight).lighter(130); // active caption gradient
        case 0x1C: return palette.color(QPalette::Mid).lighter(120);  // inactive caption gradient
        case 0x1D: return palette.color(QPalette::Highlight);         // menu highlight
        case 0x1E: return palette.color(QPalette::Window);            // menu bar
        default: return fallback;
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace VclColor
