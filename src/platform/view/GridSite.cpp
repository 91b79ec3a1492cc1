#include "GridSite.h"

#include "GridColumn.h"
#include "GridDataController.h"
#include "GridTableView.h"
#include "TableViewModel.h"
#include "VclColor.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

const char *const kColumnMimeType = "application/x-kvo-grid-column";

namespace {
QByteArray encodeColumn(const GridTableView *view, int column)
{
    return QByteArray::number(quintptr(view), 16) + ':' + QByteArray::number(column);
}

// The column a drag carries, when it comes from `view`; -1 otherwise.
int decodeColumn(const QMimeData *mime, const GridTableView *view)
{
    if (!mime || !mime->hasFormat(QString::fromLatin1(kColumnMimeType)))
        return -1;
    const QList<QByteArray> parts = mime->data(QString::fromLatin1(kColumnMimeType)).split(':');
    if (parts.size() != 2 || parts.at(0).toULongLong(nullptr, 16) != quintptr(view))
        return -1;
    bool ok = false;
    const int column = parts.at(1).toInt(&ok);
    return ok && column >= 0 && column < view->ColumnCount() ? column : -1;
}

QColor styleColor(const GridStyle *style, const QColor &fallback)
{
    if (!style)
        return fallback;
    return VclColor::toQColor(style->Color(), fallback);
}

void drawTriangle(QPainter *p, const QRect &r, bool down, const QColor &color)
{
    QPolygon tri;
    const int cx = r.center().x();
    const int cy = r.center().y();
    const int s = qMax(2, qMin(r.width(), r.height()) / 3);
    if (down)
        tri << QPoint(cx - s, cy - s / 2) << QPoint(cx + s, cy - s / 2) << QPoint(cx, cy + s);
    else
        tri << QPoint(cx - s, cy + s / 2) << QPoint(cx + s, cy + s / 2) << QPoint(cx, cy - s);
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(Qt::NoPen);
    p->setBrush(color);
    p->drawPolygon(tri);
    p->restore();
}
} // namespace

// ---------------------------------------------------------------- header

GridHeaderView::GridHeaderView(GridTableView *view) : QHeaderView(Qt::Horizontal, view), m_view(view)
{
    setSectionsClickable(true);
    setSectionsMovable(true);
    setFirstSectionMovable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QRect GridHeaderView::filterButtonRect(int logical) const
{
    if (!m_view->OptionsCustomize.ColumnFiltering || logical < 0 || logical >= m_view->ColumnCount()
        || !m_view->Columns(logical)->Options.Filtering || isSectionHidden(logical))
        return QRect();
    const int x = sectionViewportPosition(logical);
    const int w = sectionSize(logical);
    if (w < 28)
        return QRect();
    const int s = 12;
    return QRect(x + w - s - 3, (height() - s) / 2, s, s);
}

void GridHeaderView::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    QHeaderView::paintSection(painter, rect, logicalIndex);
    const QRect button = filterButtonRect(logicalIndex);
    if (button.isEmpty())
        return;
    const bool filtered = m_view->Columns(logicalIndex)->Filtered;
    drawTriangle(painter, button, true, filtered ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid));
}

void GridHeaderView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const int logical = logicalIndexAt(event->position().toPoint());
        if (logical >= 0 && filterButtonRect(logical).contains(event->position().toPoint())) {
            emit filterButtonClicked(logical, mapToGlobal(filterButtonRect(logical).bottomLeft()));
            event->accept();
            return;
        }
        m_pressed = logical;
        m_pressPos = event->position().toPoint();
    }
    QHeaderView::mousePressEvent(event);
}

void GridHeaderView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_pressed >= 0 && (event->buttons() & Qt::LeftButton) && pos.y() < -4
        && m_view->OptionsCustomize.ColumnGrouping && m_view->OptionsView.GroupByBox
        && m_view->Columns(m_pressed)->Options.Grouping) {
        // Leave the header's own section dragging where it began, then drag the column.
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(m_pressPos), mapToGlobal(QPointF(m_pressPos)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QHeaderView::mouseReleaseEvent(&release);
        const int column = m_pressed;
        m_pressed = -1;
        auto *mime = new QMimeData;
        mime->setData(QString::fromLatin1(kColumnMimeType), encodeColumn(m_view, column));
        auto *drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->exec(Qt::MoveAction);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void GridHeaderView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Two quick clicks on a header sort twice (ascending, then descending); a double click
    // on the edge between sections still fits the column to its contents.
    const QPoint pos = event->position().toPoint();
    const int logical = logicalIndexAt(pos);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int x = logical >= 0 ? pos.x() - sectionViewportPosition(logical) : -1;
    if (event->button() != Qt::LeftButton || logical < 0 || x <= grip || x >= sectionSize(logical) - grip) {
        QHeaderView::mouseDoubleClickEvent(event);
        return;
    }
    QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->globalPosition(), event->button(),
                      event->buttons(), event->modifiers());
    mousePressEvent(&press);
}

void GridHeaderView::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = -1;
    QHeaderView::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------- delegate

GridItemDelegate::GridItemDelegate(GridTableView *view) : QStyledItemDelegate(view), m_view(view) {}

QSize GridItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int line = option.fontMetrics.height() + 6;
    const int width = m_view->columnWidth(index.column());
    const TableViewModel *model = m_view->viewModel();
    const auto kind = model->rowKind(index);
    if (kind == TableViewModel::RowKind::Group) {
        const bool tall = m_view->OptionsView.GroupFooters == gfAlwaysVisible && !m_view->isExpanded(index.siblingAtColumn(0));
        return QSize(width, tall ? 2 * line : line);
    }
    if (kind == TableViewModel::RowKind::Data && m_view->OptionsView.CellAutoHeight) {
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect r = option.fontMetrics.boundingRect(QRect(0, 0, qMax(1, width - 8), 1 << 20),
                                                        Qt::TextWordWrap | Qt::AlignLeft, text);
        return QSize(width, qMax(line, r.height() + 6));
    }
    return QSize(width, line);
}

void GridItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_view->OptionsView.CellAutoHeight)
        option->features |= QStyleOptionViewItem::WrapText;
}

// ---------------------------------------------------------------- group-by box

GroupByBox::GroupByBox(GridTableView *view, QWidget *parent) : QWidget(parent), m_view(view)
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Dark));
    setPalette(p);
}

QString GroupByBox::emptyText()
{
    return QStringLiteral("Arraste o cabeçalho de uma coluna aqui para agrupar por essa coluna");
}

QSize GroupByBox::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 20);
}

QList<QRect> GroupByBox::buttonRects() const
{
    QList<QRect> out;
    const QFontMetrics fm = fontMetrics();
    int x = 8;
    for (int i = 0; i < m_view->GroupedColumnCount(); ++i) {
        const int w = fm.horizontalAdvance(m_view->GroupedColumns(i)->headerText()) + 28;
        out << QRect(x, 6, w, fm.height() + 8);
        x += w + 8;
    }
    return out;
}

int GroupByBox::buttonAt(const QPoint &pos) const
{
    const QList<QRect> rects = buttonRects();
    for (int i = 0; i < rects.size(); ++i)
        if (rects.at(i).contains(pos))
            return i;
    return -1;
}

void GroupByBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QList<QRect> rects = buttonRects();
    if (rects.isEmpty()) {
        p.setPen(palette().color(QPalette::Light));
        p.drawText(rect().adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, emptyText());
        return;
    }
    for (int i = 0; i < rects.size(); ++i) {
        const GridColumn *c = m_view->GroupedColumns(i);
        const QRect r = rects.at(i);
        p.fillRect(r, palette().color(QPalette::Button));
        p.setPen(palette().color(QPalette::Shadow));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(r.adjusted(6, 0, -18, 0), Qt::AlignLeft | Qt::AlignVCenter, c->headerText());
        drawTriangle(&p, QRect(r.right() - 16, r.top(), 14, r.height()), c->SortOrder == GridSortOrder::Descending,
                     palette().color(QPalette::ButtonText));
    }
}

void GroupByBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? buttonAt(event->position().toPoint()) : -1;
    m_pressPos = event->position().toPoint();
}

void GroupByBox::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed < 0 || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    GridColumn *column = m_view->GroupedColumns(m_pressed);
    m_pressed = -1;
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(kColumnMimeType), encodeColumn(m_view, column->Index()));
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    // Dropped anywhere but on the box: the column is no longer grouped.
    if (drag->exec(Qt::MoveAction) == Qt::IgnoreAction)
        m_view->ungroup(column);
}

void GroupByBox::mouseReleaseEvent(QMouseEvent *event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    if (pressed >= 0 && buttonAt(event->position().toPoint()) == pressed) {
        // A click on a group button turns its order around.
        GridColumn *c = m_view->GroupedColumns(pressed);
        c->setSortOrder(c->SortOrder == GridSortOrder::Descending ? GridSortOrder::Ascending
                                                                  : GridSortOrder::Descending);
    }
}

void GroupByBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (decodeColumn(event->mimeData(), m_view) >= 0)
        event->acceptProposedAction();
}

void GroupByBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (decodeColumn(event->mimeData(), m_view) >= 0)
        event->acceptProposedAction();
}

void GroupByBox::dropEvent(QDropEvent *event)
{
    const int column = decodeColumn(event->mimeData(), m_view);
    if (column < 0)
        return;
    const QList<QRect> rects = buttonRects();
    int level = 0;
    for (const QRect &r : rects)
        if (r.center().x() < event->position().toPoint().x())
            ++level;
    GridColumn *c = m_view->Columns(column);
    if (c->GroupIndex >= 0 && c->GroupIndex < level)
        --level; // the column leaves its old place first
    m_view->groupBy(c, level);
    event->acceptProposedAction();
}

// ---------------------------------------------------------------- indicator

IndicatorBar::IndicatorBar(GridTableView *view, QWidget *parent) : QWidget(parent), m_view(view) {}

void IndicatorBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor face = palette().color(QPalette::Button);
    p.fillRect(rect(), face);
    QWidget *vp = m_view->viewport();
    const int top = vp->y();
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(width() - 1, 0, width() - 1, height());
    if (top > 0)
        p.drawLine(0, top - 1, width(), top - 1);
    const QModelIndex current = m_view->currentIndex().siblingAtColumn(0);
    QModelIndex index = m_view->indexAt(QPoint(1, 0));
    int guard = 0;
    while (index.isValid() && guard++ < 1000) {
        const QRect r = m_view->visualRect(index);
        if (r.top() > vp->height())
            break;
        const int y = top + r.top();
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, y + r.height() - 1, width() - 1, y + r.height() - 1);
        if (current.isValid() && index == current)
            drawTriangle(&p, QRect(0, y, width() - 1, qMin(r.height(), 16)), false, palette().color(QPalette::ButtonText));
        index = m_view->indexBelow(index);
    }
}

// ---------------------------------------------------------------- footer

FooterBar::FooterBar(GridTableView *view, QWidget *parent) : QWidget(parent), m_view(view) {}

QSize FooterBar::sizeHint() const
{
    return QSize(100, fontMetrics().height() + 10);
}

void FooterBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor back = styleColor(m_view->styles().Footer.data(), palette().color(QPalette::Button));
    p.fillRect(rect(), back);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, 0, width(), 0);
    const TableViewModel *model = m_view->viewModel();
    for (int i = 0; i < m_view->ColumnCount(); ++i) {
        if (m_view->isColumnHidden(i))
            continue;
        const GridColumn *c = m_view->Columns(i);
        if (c->Summary.FooterKind == GridSummaryKind::None)
            continue;
        const QRect cell(m_view->columnViewportPosition(i) + 2, 3, m_view->columnWidth(i) - 4, height() - 6);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::ButtonText));
        const bool numeric = c->Summary.FooterKind != GridSummaryKind::Min && c->Summary.FooterKind != GridSummaryKind::Max;
        p.drawText(cell.adjusted(3, 0, -3, 0), (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                   model->summaryText(-1, i));
    }
}

// ---------------------------------------------------------------- filter bar

FilterBar::FilterBar(GridTableView *view, QWidget *parent) : QWidget(parent), m_view(view), m_clear(new QToolButton(this))
{
    m_clear->setObjectName(QStringLiteral("filterClear"));
    m_clear->setText(QStringLiteral("×"));
    m_clear->setAutoRaise(true);
    m_clear->setToolTip(QStringLiteral("Limpar o filtro"));
    connect(m_clear, &QToolButton::clicked, this, [this] { m_view->clearFilter(); });
}

QSize FilterBar::sizeHint() const
{
    return QSize(100, fontMetrics().height() + 10);
}

void FilterBar::resizeEvent(QResizeEvent *)
{
    m_clear->setGeometry(2, 2, height() - 4, height() - 4);
}

void FilterBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::ButtonText));
    const QRect text = rect().adjusted(height() + 4, 0, -4, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(m_view->filterText(), Qt::ElideRight, text.width()));
}

// ---------------------------------------------------------------- site

GridSite::GridSite(GridTableView *view, QWidget *parent) : QWidget(parent), m_view(view), m_hbar(new QScrollBar(Qt::Horizontal, this))
{
    m_hbar->hide();
}

GridSite::~GridSite()
{
    if (m_view)
        m_view->m_site = nullptr;
}

void GridSite::setBandBar(QWidget *bar)
{
    m_bandBar = bar;
    if (bar)
        bar->setParent(this);
    relayout();
}

void GridSite::resizeEvent(QResizeEvent *)
{
    relayout();
}

void GridSite::refreshParts()
{
    if (m_indicator && m_indicator->isVisible())
        m_indicator->update();
    if (m_footer && m_footer->isVisible())
        m_footer->update();
    if (m_bandBar && m_bandBar->isVisible())
        m_bandBar->update();
    if (m_groupByBox && m_groupByBox->isVisible())
        m_groupByBox->update();
    if (m_filterBar && m_filterBar->isVisible())
        m_filterBar->update();
}

void GridSite::showEvent(QShowEvent *)
{
    relayout();
}

void GridSite::relayout()
{
    // Parts are made and placed when the site is on screen.
    if (!m_view || m_inLayout || !isVisible())
        return;
    m_inLayout = true;
    const int w = width();
    const int h = height();
    int top = 0;
    if (m_view->OptionsView.GroupByBox) {
        if (!m_groupByBox)
            m_groupByBox = new GroupByBox(m_view, this);
        const int gh = m_groupByBox->sizeHint().height();
        m_groupByBox->setGeometry(0, 0, w, gh);
        m_groupByBox->show();
        top += gh;
    } else if (m_groupByBox) {
        m_groupByBox->hide();
    }
    int left = 0;
    if (m_view->OptionsView.Indicator) {
        if (!m_indicator)
            m_indicator = new IndicatorBar(m_view, this);
        left = IndicatorBar::kWidth;
    } else if (m_indicator) {
        m_indicator->hide();
    }
    int bottom = h;
    if (m_view->isFiltered()) {
        if (!m_filterBar)
            m_filterBar = new FilterBar(m_view, this);
        const int fh = m_filterBar->sizeHint().height();
        m_filterBar->setGeometry(0, h - fh, w, fh);
        m_filterBar->show();
        bottom -= fh;
    } else if (m_filterBar) {
        m_filterBar->hide();
    }
    QScrollBar *inner = m_view->horizontalScrollBar();
    const bool needH = inner->maximum() > inner->minimum();
    const int hh = needH ? m_hbar->sizeHint().height() : 0;
    int footH = 0;
    if (m_view->OptionsView.Footer) {
        if (!m_footer)
            m_footer = new FooterBar(m_view, this);
        footH = m_footer->sizeHint().height();
    } else if (m_footer) {
        m_footer->hide();
    }
    const int bandH = m_bandBar ? m_bandBar->sizeHint().height() : 0;
    const int treeTop = top + bandH;
    const int treeBottom = qMax(treeTop, bottom - hh - footH);
    m_view->setGeometry(left, treeTop, qMax(0, w - left), treeBottom - treeTop);
    const int vx = left + m_view->viewport()->x();
    const int vw = m_view->viewport()->width();
    if (m_bandBar) {
        m_bandBar->setGeometry(vx, top, vw, bandH);
        m_bandBar->show();
    }
    if (m_footer && footH > 0) {
        m_footer->setGeometry(vx, treeBottom, vw, footH);
        m_footer->show();
    }
    if (needH) {
        m_hbar->setRange(inner->minimum(), inner->maximum());
        m_hbar->setPageStep(inner->pageStep());
        m_hbar->setSingleStep(inner->singleStep());
        m_hbar->setValue(inner->value());
        m_hbar->setGeometry(vx, treeBottom + footH, vw, hh);
        m_hbar->show();
    } else {
        m_hbar->hide();
    }
    if (m_indicator && left > 0) {
        m_indicator->setGeometry(0, treeTop, left, treeBottom - treeTop);
        m_indicator->show();
    }
    m_inLayout = false;
    refreshParts();
}
