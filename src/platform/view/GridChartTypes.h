#pragma once

#include <QPointF>
#include <QSizeF>

// Where the value captions of a diagram sit.
enum GridChartColumnValueCaptionPosition { cdvcpNone, cdvcpInsideBase, cdvcpCenter, cdvcpInsideEnd, cdvcpOutsideEnd };
enum GridChartPieValueCaptionPosition {
    pdvcpNone,
    pdvcpCenter,
    pdvcpInsideEnd,
    pdvcpOutsideEnd,
    pdvcpOutsideEndWithLeaderLines
};
enum GridChartLineValueCaptionPosition {
    ldvcpNone,
    ldvcpLeft,
    ldvcpAboveLeft,
    ldvcpAbove,
    ldvcpAboveRight,
    ldvcpRight,
    ldvcpBelowRight,
    ldvcpBelow,
    ldvcpBelowLeft,
    ldvcpCenter
};
enum GridChartLegendPosition { cppDefault, cppNone, cppLeft, cppTop, cppRight, cppBottom };
enum GridChartToolBoxBorder { tbNone, tbSingle };

enum class GridChartDiagramKind { Column, Bar, Line, Area, Pie };

struct GridChartColumnDiagram
{
    struct {
        GridChartColumnValueCaptionPosition CaptionPosition = cdvcpNone;
    } Values;
};
struct GridChartPieDiagram
{
    struct {
        GridChartPieValueCaptionPosition CaptionPosition = pdvcpNone;
    } Values;
};
struct GridChartLineDiagram
{
    struct {
        GridChartLineValueCaptionPosition CaptionPosition = ldvcpNone;
    } Values;
};

// Offset of a value caption's rectangle (of size `text`) from its point.
inline QPointF chartCaptionOffset(GridChartLineValueCaptionPosition position, const QSizeF &text)
{
    const qreal gap = 4;
    const qreal w = text.width();
    const qreal h = text.height();
    switch (position) {
    case ldvcpLeft: return QPointF(-w - gap, -h / 2);
    case ldvcpAboveLeft: return QPointF(-w - gap, -h - gap);
    case ldvcpAbove: return QPointF(-w / 2, -h - gap);
    case ldvcpAboveRight: return QPointF(gap, -h - gap);
    case ldvcpRight: return QPointF(gap, -h / 2);
    case ldvcpBelowRight: return QPointF(gap, gap);
    case ldvcpBelow: return QPointF(-w / 2, gap);
    case ldvcpBelowLeft: return QPointF(-w - gap, gap);
    case ldvcpCenter: return QPointF(-w / 2, -h / 2);
    case ldvcpNone: break;
    }
    return QPointF();
}
