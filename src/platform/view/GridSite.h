#pragma once

// The frame around a table view: group-by box, band row, row indicator, footer, filter
// bar and horizontal scroll bar. Internal to the grid platform.

#include <QHeaderView>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QWidget>

class GridTableView;
class QScrollBar;
class QToolButton;

extern const char *const kColumnMimeType;

// Column headers: a filter button per column, and dragging a header down out of the
// header groups by that column.
class GridHeaderView : public QHeaderView
{
    Q_OBJECT
public:
    explicit GridHeaderView(GridTableView *view);
    // The filter button of a section, in header coordinates (empty without one).
    QRect filterButtonRect(int logical) const;

signals:
    void filterButtonClicked(int logical, const QPoint &globalPos);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    GridTableView *m_view;
    int m_pressed = -1;
    QPoint m_pressPos;
};

// Cells: fixed row height, or the height wrapped text needs (cell auto-height).
class GridItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit GridItemDelegate(GridTableView *view);
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    GridTableView *m_view;
};

class GroupByBox : public QWidget
{
    Q_OBJECT
public:
    explicit GroupByBox(GridTableView *view, QWidget *parent);
    QSize sizeHint() const override;
    // Button rectangles of the grouped columns, outermost first.
    QList<QRect> buttonRects() const;
    static QString emptyText();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    int buttonAt(const QPoint &pos) const;
    GridTableView *m_view;
    int m_pressed = -1;
    QPoint m_pressPos;
};

// Left of the rows: marks the current row.
class IndicatorBar : public QWidget
{
    Q_OBJECT
public:
    explicit IndicatorBar(GridTableView *view, QWidget *parent);
    static constexpr int kWidth = 12;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    GridTableView *m_view;
};

// Under the rows: the footer summaries, aligned with the columns.
class FooterBar : public QWidget
{
    Q_OBJECT
public:
    explicit FooterBar(GridTableView *view, QWidget *parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    GridTableView *m_view;
};

// At the bottom while a filter is in force: the filter's text and a button to clear it.
class FilterBar : public QWidget
{
    Q_OBJECT
public:
    explicit FilterBar(GridTableView *view, QWidget *parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    GridTableView *m_view;
    QToolButton *m_clear;
};

class GridSite : public QWidget
{
    Q_OBJECT
public:
    GridSite(GridTableView *view, QWidget *parent);
    ~GridSite() override;

    GridTableView *view() const { return m_view; }
    void detachView() { m_view = nullptr; }
    // Shows, hides and places the parts after options or contents changed.
    void relayout();
    // Repaints the parts that follow the rows.
    void refreshParts();

    GroupByBox *groupByBox() const { return m_groupByBox; }
    IndicatorBar *indicator() const { return m_indicator; }
    FooterBar *footer() const { return m_footer; }
    FilterBar *filterBar() const { return m_filterBar; }
    QScrollBar *horizontalBar() const { return m_hbar; }
    // A widget shown between the group-by box and the rows (band headers), or none.
    void setBandBar(QWidget *bar);
    QWidget *bandBar() const { return m_bandBar; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    GridTableView *m_view;
    QPointer<GroupByBox> m_groupByBox;
    QPointer<IndicatorBar> m_indicator;
    QPointer<FooterBar> m_footer;
    QPointer<FilterBar> m_filterBar;
    QPointer<QWidget> m_bandBar;
    QScrollBar *m_hbar;
    bool m_inLayout = false;
};
