#include "NumberFormat.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <cstdio>

namespace {

QStringList splitSections(const QString &picture)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : picture) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            current += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            current += c;
        } else if (c == u';') {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

struct Section
{
    QString prefix;
    QString suffix;
    bool thousands = false;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool hasPlaceholder = false;
};

Section parseSection(const QString &text)
{
    Section s;
    bool inDecimals = false;
    bool seenZero = false;
    int intPlaceholdersFromFirstZero = 0;
    QChar quote;
    for (QChar c : text) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (s.hasPlaceholder ? s.suffix : s.prefix) += c;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            s.hasPlaceholder = true;
            if (inDecimals) {
                ++s.maxDec;
                if (c == u'0')
                    s.minDec = s.maxDec;
            } else {
                if (c == u'0')
                    seenZero = true;
                if (seenZero)
                    ++intPlaceholdersFromFirstZero;
            }
        } else if (c == u',') {
            s.thousands = true;
        } else if (c == u'.' && !inDecimals) {
            inDecimals = true;
        } else {
            (s.hasPlaceholder ? s.suffix : s.prefix) += c;
        }
    }
    s.minInt = intPlaceholdersFromFirstZero;
    return s;
}

// Decimal digits of |value| rounded half away from zero to `decimals` places,
// as an integer part and a fraction part of exactly `decimals` digits.
void roundedDigits(double value, int decimals, QString &integer, QString &fraction)
{
    const double magnitude = std::fabs(value);
    QString digits;
    int pointPos = 1;
    if (magnitude != 0.0) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
        const QString text = QString::fromLatin1(buffer);
        const int e = text.indexOf(u'e');
        digits = text.left(e);
        digits.remove(u'.');
        pointPos = text.mid(e + 1).toInt() + 1;
    } else {
        digits = QStringLiteral("0");
    }
    const int keep = pointPos + decimals;
    if (keep < 0) {
        digits = QStringLiteral("0");
        pointPos = 1;
    } else if (keep < digits.size()) {
        const bool up = digits.at(keep) >= u'5';
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits.at(i) == u'9') {
                digits[i] = u'0';
                --i;
            }
            if (i >= 0) {
                digits[i] = QChar(digits.at(i).unicode() + 1);
            } else {
                digits.prepend(u'1');
                ++pointPos;
            }
        }
    }
    if (pointPos <= 0) {
        digits = QString(-pointPos, u'0') + digits;
        pointPos = 0;
    }
    if (digits.size() < pointPos + decimals)
        digits += QString(pointPos + decimals - digits.size(), u'0');
    integer = digits.left(pointPos);
    fraction = digits.mid(pointPos, decimals);
}

QString groupThousands(const QString &digits, const QString &separator)
{
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}

} // namespace

QString formatFloat(const QString &picture, double value, const QLocale &locale)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (picture.isEmpty()) {
        QString text = QString::number(value, 'g', 15);
        text.replace(u'.', locale.decimalPoint());
        return text;
    }

    const QStringList sections = splitSections(picture);
    QString chosen = sections.at(0);
    bool writeSign = value < 0;
    if (value < 0 && sections.size() >= 2 && !sections.at(1).isEmpty()) {
        chosen = sections.at(1);
        writeSign = false;
    } else if (value == 0 && sections.size() >= 3 && !sections.at(2).isEmpty()) {
        chosen = sections.at(2);
    }

    const Section s = parseSection(chosen);
    if (!s.hasPlaceholder)
        return s.prefix + s.suffix;

    QString integer;
    QString fraction;
    roundedDigits(value, s.maxDec, integer, fraction);
    const bool isZero = !QString(integer + fraction).contains(QRegularExpression(QStringLiteral("[1-9]")));

    while (integer.size() > 1 && integer.startsWith(u'0'))
        integer.remove(0, 1);
    if (integer == u"0")
        integer.clear();
    if (integer.size() < s.minInt)
        integer = QString(s.minInt - integer.size(), u'0') + integer;
    while (fraction.size() > s.minDec && fraction.endsWith(u'0'))
        fraction.chop(1);

    QString number = s.thousands ? groupThousands(integer, locale.groupSeparator()) : integer;
    if (!fraction.isEmpty())
        number += locale.decimalPoint() + fraction;
    if (number.isEmpty())
        number = QStringLiteral("0");
    if (writeSign && !isZero)
        number.prepend(locale.negativeSign());
    return s.prefix + number + s.suffix;
}
