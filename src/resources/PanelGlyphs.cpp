#include "PanelGlyphs.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace PanelGlyphs {

namespace {

using Draw = void (*)(QPainter &);

void pageOutline(QPainter &p, const QColor &fill)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(fill);
    p.drawPath(page);
}

void drawDefault(QPainter &p) // a list with a pencil: the layout maintenance
{
    pageOutline(p, Qt::white);
    p.setPen(QPen(QColor(0x3b, 0x6e, 0xb4), 1));
    for (int y = 5; y <= 11; y += 3)
        p.drawLine(5, y, 10, y);
    p.setPen(QPen(QColor(0xc0, 0x80, 0x10), 2));
    p.drawLine(QPointF(8, 13), QPointF(14, 7));
}

void drawExcel(QPainter &p) // a green sheet with an X
{
    pageOutline(p, QColor(0xe8, 0xf5, 0xe9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x6f, 0x42));
    p.drawRect(QRectF(1, 5, 9, 8));
    p.setPen(QPen(Qt::white, 1.6));
    p.drawLine(QPointF(3, 7), QPointF(8, 11));
    p.drawLine(QPointF(8, 7), QPointF(3, 11));
}

void drawHtml(QPainter &p) // a page with angle brackets
{
    pageOutline(p, Qt::white);
    p.setPen(QPen(QColor(0xd0, 0x4a, 0x02), 1.5));
    p.drawPolyline(QPolygonF({QPointF(7, 6), QPointF(4.5, 9), QPointF(7, 12)}));
    p.drawPolyline(QPolygonF({QPointF(10, 6), QPointF(12.5, 9), QPointF(10, 12)}));
}

void printer(QPainter &p)
{
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));    // paper in
    p.setBrush(QColor(0x9a, 0x9a, 0xa8));
    p.drawRect(QRectF(1.5, 6.5, 13, 6));   // body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));   // paper out
    p.setPen(QPen(QColor(0x20, 0xa0, 0x20), 1));
    p.drawPoint(12, 8);
}

void drawImpressora(QPainter &p) { printer(p); }

void drawImpPopup(QPainter &p)
{
    printer(p);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({QPointF(16.5, 7), QPointF(21.5, 7), QPointF(19, 10)}));
}

void drawSalvar(QPainter &p) // a floppy disk
{
    p.setPen(QPen(QColor(0x1f, 0x3f, 0x7a), 1));
    p.setBrush(QColor(0x3d, 0x6f, 0xc4));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void drawRestaurar(QPainter &p) // a circular arrow
{
    p.setPen(QPen(QColor(0x1f, 0x7a, 0x3f), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x7a, 0x3f));
    p.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(12, 3), QPointF(8, 5.5)}));
}

void treeBox(QPainter &p, bool plus)
{
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 8, 8));
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(3, 5, 7, 5);
    if (plus)
        p.drawLine(5, 3, 5, 7);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DotLine));
    p.drawLine(5, 10, 5, 13);
    p.drawLine(5, 13, 8, 13);
    p.setPen(QPen(QColor(0x3b, 0x6e, 0xb4), 2));
    p.drawLine(10, 13, 15, 13);
    p.drawLine(11, 5, 15, 5);
}

void drawAgrupar(QPainter &p) { treeBox(p, false); }
void drawExpandir(QPainter &p) { treeBox(p, true); }

void drawGrafico(QPainter &p) // bars
{
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(1, 14, 15, 14);
    p.drawLine(1, 1, 1, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc0, 0x30, 0x30));
    p.drawRect(QRectF(3, 8, 3, 6));
    p.setBrush(QColor(0x30, 0x80, 0xc0));
    p.drawRect(QRectF(7, 3, 3, 11));
    p.setBrush(QColor(0x30, 0xa0, 0x40));
    p.drawRect(QRectF(11, 6, 3, 8));
}

// The disabled image: grey, lighter, from the normal one.
QImage disabledOf(const QImage &normal)
{
    QImage out = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int g = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(g, g, g, qAlpha(line[x]) * 3 / 4);
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage pair(int cellWidth, Draw draw)
{
    QImage normal(cellWidth, 16, QImage::Format_ARGB32_Premultiplied);
    normal.fill(Qt::transparent);
    {
        QPainter p(&normal);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    QImage both(cellWidth * 2, 16, QImage::Format_ARGB32_Premultiplied);
    both.fill(Qt::transparent);
    QPainter p(&both);
    p.drawImage(0, 0, normal);
    p.drawImage(cellWidth, 0, disabledOf(normal));
    return both;
}

QImage grids()
{
    QImage image(15, 12, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawPolygon(QPolygonF({QPointF(3, 4), QPointF(12, 4), QPointF(7.5, 9)}));
    return image;
}

QImage make(const QString &name)
{
    struct Entry { const char *name; int cell; Draw draw; };
    static const Entry entries[] = {
        {"DEFAULT", 16, drawDefault},     {"EXCEL", 16, drawExcel},
        {"HTML", 16, drawHtml},           {"IMPRESSORA", 16, drawImpressora},
        {"IMPPOPUP", 22, drawImpPopup},   {"SALVAR", 16, drawSalvar},
        {"RESTAURAR", 16, drawRestaurar}, {"AGRUPAR", 16, drawAgrupar},
        {"EXPANDIR", 16, drawExpandir},   {"GRAFICO", 16, drawGrafico},
    };
    for (const Entry &e : entries)
        if (name == QLatin1String(e.name))
            return pair(e.cell, e.draw);
    if (name == QLatin1String("GRIDS"))
        return grids();
    return QImage();
}

} // namespace

QImage glyph(const QString &name)
{
    static QHash<QString, QImage> cache;
    auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    QImage image = make(name);
    if (!image.isNull())
        cache.insert(name, image);
    return image;
}

QStringList names()
{
    return {QStringLiteral("DEFAULT"), QStringLiteral("EXCEL"), QStringLiteral("HTML"),
            QStringLiteral("IMPRESSORA"), QStringLiteral("IMPPOPUP"), QStringLiteral("SALVAR"),
            QStringLiteral("RESTAURAR"), QStringLiteral("AGRUPAR"), QStringLiteral("EXPANDIR"),
            QStringLiteral("GRAFICO"), QStringLiteral("GRIDS")};
}

} // namespace PanelGlyphs
