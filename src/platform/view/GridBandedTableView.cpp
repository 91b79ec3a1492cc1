#include "GridBandedTableView.h"

#include "GridSite.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace {
// The band headers, aligned with the columns below them.
class BandBar : public QWidget
{
public:
    explicit BandBar(GridBandedTableView *view) : m_view(view) {}

    QSize sizeHint() const override
    {
        return QSize(100, m_view->BandHeaders && m_view->BandCount() > 0 ? fontMetrics().height() + 8 : 0);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        for (int b = 0; b < m_view->BandCount(); ++b) {
            const GridBand *band = m_view->Bands(b);
            if (!band->Visible)
                continue;
            const auto [left, right] = m_view->bandExtent(b);
            if (right <= left)
                continue;
            QStyleOptionHeader opt;
            opt.initFrom(this);
            opt.rect = QRect(left, 0, right - left, height());
            opt.text = band->Caption;
            opt.textAlignment = Qt::AlignCenter;
            opt.position = QStyleOptionHeader::Middle;
            style()->drawControl(QStyle::CE_Header, &opt, &p, this);
        }
    }

private:
    GridBandedTableView *m_view;
};
} // namespace

GridBandedTableView::GridBandedTableView(QWidget *parent) : GridTableView(parent)
{
    gridSite()->setBandBar(new BandBar(this));
}

GridBand *GridBandedTableView::CreateBand()
{
    auto *band = new GridBand(this);
    m_bands.append(band);
    columnsChanged();
    return band;
}

void GridBandedTableView::arrangeColumns()
{
    QList<GridColumn *> &cols = columnList();
    std::stable_sort(cols.begin(), cols.end(),
                     [](GridColumn *a, GridColumn *b) { return a->Position.BandIndex < b->Position.BandIndex; });
}

QPair<int, int> GridBandedTableView::bandExtent(int band) const
{
    int left = INT_MAX;
    int right = INT_MIN;
    for (int i = 0; i < ColumnCount(); ++i) {
        if (Columns(i)->Position.BandIndex != band || isColumnHidden(i))
            continue;
        const int x = columnViewportPosition(i);
        left = qMin(left, x);
        right = qMax(right, x + columnWidth(i));
    }
    if (left == INT_MAX)
        return {0, 0};
    return {left, right};
}
