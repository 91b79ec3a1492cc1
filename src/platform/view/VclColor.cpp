#include "VclColor.h"

#include "Error.h"

#include <cctype>

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

namespace VclColor {
namespace {
const NamedColor kNamed[] = {
    {"clDefault", clDefault},
    {"clNone", clNone},
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", clHotLight},
    {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption},
    {"clMenuHighlight", clMenuHighlight},
    {"clMenuBar", clMenuBar},
};

bool parseInteger(const QString &text, qint64 *out)
{
    // "$" and hexadecimal digits, or an optional sign and decimal digits; 32 bits.
    if (text.isEmpty())
        return false;
    bool ok = false;
    qint64 v = 0;
    if (text.startsWith(QLatin1Char('$'))) {
        const QString digits = text.mid(1);
        if (digits.isEmpty() || digits.size() > 8)
            return false;
        for (QChar ch : digits)
            if (!isxdigit(ch.unicode()) || ch.unicode() > 127)
                return false;
        v = qint64(digits.toULongLong(&ok, 16));
        if (!ok)
            return false;
        *out = qint64(qint32(quint32(v)));
        return true;
    }
    int i = 0;
    if (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+'))
        i = 1;
    if (i >= text.size() || text.size() - i > 10)
        return false;
    for (int k = i; k < text.size(); ++k)
        if (text.at(k) < QLatin1Char('0') || text.at(k) > QLatin1Char('9'))
            return false;
    v = text.toLongLong(&ok, 10);
    if (!ok || v < -2147483648LL || v > 2147483647LL)
        return false;
    *out = v;
    return true;
}
} // namespace

const NamedColor *namedColors(int *count)
{
    if (count)
        *count = int(sizeof kNamed / sizeof kNamed[0]);
    return kNamed;
}

QString colorToString(quint32 value)
{
    for (const NamedColor &n : kNamed)
        if (n.value == value)
            return QString::fromLatin1(n.name);
    return QStringLiteral("$%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 stringToColor(const QString &text)
{
    for (const NamedColor &n : kNamed)
        if (text.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.value;
    qint64 v = 0;
    if (!parseInteger(text, &v))
        throw KvoError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return quint32(qint32(v));
}

qint32 stringToInt(const QString &text)
{
    qint64 v = 0;
    if (!parseInteger(text, &v))
        throw KvoError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return qint32(v);
}
} // namespace VclColor
