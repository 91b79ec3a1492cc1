#include "ButtonImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ButtonImages {

namespace {
QImage canvas()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void drawCylinder(QPainter &p, const QRectF &box)
{
    const qreal capH = box.height() * 0.28;
    QLinearGradient body(box.left(), 0, box.right(), 0);
    body.setColorAt(0.0, QColor(0x2f, 0x5f, 0x9e));
    body.setColorAt(0.45, QColor(0x7f, 0xae, 0xe6));
    body.setColorAt(1.0, QColor(0x24, 0x4c, 0x80));
    QPainterPath path;
    path.moveTo(box.left(), box.top() + capH / 2);
    path.lineTo(box.left(), box.bottom() - capH / 2);
    path.arcTo(QRectF(box.left(), box.bottom() - capH, box.width(), capH), 180, 180);
    path.lineTo(box.right(), box.top() + capH / 2);
    path.arcTo(QRectF(box.left(), box.top(), box.width(), capH), 0, -180);
    p.setPen(QPen(QColor(0x1b, 0x3a, 0x63), 1));
    p.setBrush(body);
    p.drawPath(path);
    p.setBrush(QColor(0xb9, 0xd5, 0xf5));
    p.drawEllipse(QRectF(box.left(), box.top(), box.width(), capH));
    // two rings on the body
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xd6, 0xe6, 0xfa, 150), 1));
    for (int i = 1; i <= 2; ++i) {
        const qreal y = box.top() + capH / 2 + i * (box.height() - capH) / 3.0;
        p.drawArc(QRectF(box.left(), y - capH / 2, box.width(), capH), 180 * 16, 180 * 16);
    }
}
} // namespace

QImage consultaLock()
{
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCylinder(p, QRectF(3.5, 13.5, 22, 17));
    // funnel above and in front of the cylinder
    QPainterPath funnel;
    funnel.moveTo(10, 1.5);
    funnel.lineTo(30.5, 1.5);
    funnel.lineTo(22.5, 11);
    funnel.lineTo(22.5, 19);
    funnel.lineTo(18, 22);
    funnel.lineTo(18, 11);
    funnel.closeSubpath();
    QLinearGradient g(10, 0, 30, 0);
    g.setColorAt(0, QColor(0xf7, 0xc5, 0x3b));
    g.setColorAt(1, QColor(0xd0, 0x8a, 0x10));
    p.setPen(QPen(QColor(0x7a, 0x4d, 0x05), 1));
    p.setBrush(g);
    p.drawPath(funnel);
    p.setPen(QPen(QColor(0xff, 0xf0, 0xc0), 1));
    p.drawLine(QPointF(12, 3), QPointF(28.5, 3));
    return image;
}

QImage eliminaLock()
{
    QImage image = canvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // two record bars
    for (int i = 0; i < 2; ++i) {
        const QRectF bar(2.5, 6.5 + i * 11, 24, 8);
        QLinearGradient g(0, bar.top(), 0, bar.bottom());
        g.setColorAt(0, QColor(0xee, 0xf3, 0xfa));
        g.setColorAt(1, QColor(0xa8, 0xbc, 0xd6));
        p.setPen(QPen(QColor(0x4a, 0x5f, 0x7c), 1));
        p.setBrush(g);
        p.drawRoundedRect(bar, 1.5, 1.5);
        p.setPen(QPen(QColor(0x4a, 0x5f, 0x7c), 1));
        p.drawLine(QPointF(bar.left() + 6, bar.top()), QPointF(bar.left() + 6, bar.bottom()));
    }
    // red cross over them
    p.setPen(QPen(QColor(0x7a, 0x0a, 0x0a), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 10), QPointF(28, 27));
    p.drawLine(QPointF(28, 10), QPointF(14, 27));
    p.setPen(QPen(QColor(0xe0, 0x1b, 0x1b), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 10), QPointF(28, 27));
    p.drawLine(QPointF(28, 10), QPointF(14, 27));
    return image;
}

} // namespace ButtonImages
