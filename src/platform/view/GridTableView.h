#pragma once

#include "GridColumn.h"
#include "GridLayoutBlock.h"
#include "GridStyle.h"
#include "GridView.h"

#include <QPointer>
#include <QTreeView>

class DataSource;
class GridDataController;
class GridSite;
class QIODevice;
class TableViewModel;

// When group footers (the summaries of each group) are shown.
enum GridGroupFooters { gfInvisible, gfVisibleWhenExpanded, gfAlwaysVisible };

// A data table view: run-time columns bound to the fields of a data source, read-only
// rows, grouping with group rows that expand and collapse, master records whose detail
// rows (the view of a detail level) expand one by one, sorting by a click on a column
// header, column filters, a footer with summaries, group footers, and style slots that
// reference shared style objects.
//
// The view is a QTreeView; it lives in a site (site()) that adds the group-by box, the
// row indicator, the footer, the filter bar and the horizontal scroll bar around it. A
// grid level shows the site.
class GridTableView : public QTreeView, public GridView
{
    Q_OBJECT
    Q_INTERFACES(GridView)
public:
    explicit GridTableView(QWidget *parent = nullptr);
    ~GridTableView() override;

    // GridView
    GridViewKind Kind() const override { return GridViewKind::Table; }
    QWidget *widget() override { return this; }
    const QWidget *widget() const override { return this; }
    QWidget *site() override;

    // Data
    DataSource *dataSource() const;
    void setDataSource(DataSource *source);
    GridDataController *DataController() const { return m_controller; }
    TableViewModel *viewModel() const { return m_model; }

    // Columns, in position order
    int ColumnCount() const { return int(m_columns.size()); }
    GridColumn *Columns(int index) const { return m_columns.at(index); }
    const QList<GridColumn *> &columns() const { return m_columns; }
    GridColumn *ColumnByFieldName(const QString &fieldName) const;
    GridColumn *ColumnByName(const QString &name) const;
    // A new column at the end, owned by the view.
    GridColumn *CreateColumn();
    void removeColumn(int index);
    void removeColumn(GridColumn *column);
    void moveColumn(int from, int to);
    // Applies the columns' settings (widths, visibility, grouping, sorting, filters).
    void columnsChanged();

    // Layout: writes the view's layout block (columns, their order, widths, visibility,
    // grouping, sorting; filters and summaries as `options` say; bands of a banded view)
    // at the device's position.
    void StoreToStream(QIODevice &stream, GridStorageOptions options = gsoUseFilter | gsoUseSummary) const;
    QByteArray StoreToBytes(GridStorageOptions options = gsoUseFilter | gsoUseSummary) const;
    // Reads a layout block from the device's position and applies it: the columns (and
    // bands) it names are matched by name; with `createNew` the ones the view lacks are
    // created; with `deleteOld` the ones it does not name are deleted, otherwise they are
    // left hidden, after the named ones. Bytes after the block are not read. A block that
    // is malformed, truncated or of another version throws KvoError and changes nothing.
    void RestoreFromStream(QIODevice &stream, bool createNew = true, bool deleteOld = false,
                           GridStorageOptions options = gsoUseFilter | gsoUseSummary);
    void RestoreFromBytes(const QByteArray &block, bool createNew = true, bool deleteOld = false,
                          GridStorageOptions options = gsoUseFilter | gsoUseSummary);
    // Grouping: the grouped columns, outermost first.
    int GroupedColumnCount() const;
    GridColumn *GroupedColumns(int index) const;
    GridColumn *groupColumn(int level) const { return level >= 0 && level < GroupedColumnCount() ? GroupedColumns(level) : nullptr; }
    // Groups by `column` at grouping level `level` (-1: innermost); ungroup() removes it.
    void groupBy(GridColumn *column, int level = -1);
    void ungroup(GridColumn *column);

    // Sorting as a click on the column's header does: a plain click sorts by this column
    // alone (ascending, then descending), `add` (Shift) adds it to the sort keys,
    // `remove` (Ctrl) takes it out.
    void headerClicked(GridColumn *column, bool add = false, bool remove = false);

    // Filtering: the distinct values of a column among the rows the other columns'
    // filters let through, in order (a null value for empty ones); the filter as text.
    QVariantList filterValuesFor(GridColumn *column) const;
    QString filterText() const;
    bool isFiltered() const;
    void clearFilter();

    // Options
    struct {
        bool ColumnFiltering = true;
        bool ColumnSorting = true;
        bool ColumnGrouping = true;
        bool ColumnMoving = true;
    } OptionsCustomize;
    struct {
        bool Editing = true;
        bool Inserting = true;
        bool Deleting = true;
        bool DeletingConfirmation = true;
        bool CancelOnExit = true;
    } OptionsData;
    struct {
        bool CellSelect = true;
        bool InvertSelect = true;
        bool MultiSelect = false;
    } OptionsSelection;
    struct {
        bool GroupByBox = true;
        bool Indicator = false;
        bool Header = true;
        bool Footer = false;
        GridGroupFooters GroupFooters = gfInvisible;
        bool CellAutoHeight = false;
        bool ShowGroupedColumns = false;
    } OptionsView;
    // Applies the option structs.
    void optionsChanged();

    // Style slots
    struct Styles {
        QPointer<GridStyle> Content;
        QPointer<GridStyle> ContentOdd;
        QPointer<GridStyle> Footer;
        QPointer<GridStyle> Group;
        QPointer<GridStyle> Header;
    };
    const Styles &styles() const { return m_styles; }
    void setContentStyle(GridStyle *style);
    void setContentOddStyle(GridStyle *style);
    void setFooterStyle(GridStyle *style);
    void setGroupStyle(GridStyle *style);
    void setHeaderStyle(GridStyle *style);
    // How many times the view asked for a repaint because a style changed (for checks).
    int styleRepaints() const { return m_styleRepaints; }

    // The rows the view presents (group rows and records; detail rows, group footers and
    // rows inside collapsed groups are not counted), addressed 0 .. rowCountShown()-1.
    int rowCountShown() const;
    QModelIndex rowIndex(int row) const;
    bool rowIsGroup(int row) const;
    // The data set's visible row of a record row, -1 for a group row.
    int rowRecord(int row) const;
    int rowLevel(int row) const;
    // Whether the row has anything to expand (a group, a master record with details).
    bool rowExpandable(int row) const;
    bool rowExpanded(int row) const;
    // Expands or collapses the row; `recursive` does the same to every row nested in it.
    void expandRow(int row, bool recursive = false);
    void collapseRow(int row, bool recursive = false);

    // Master-detail: the view of the first child level of this view's level that is a
    // table view with a data source (its rows are the detail rows), or none.
    GridTableView *detailView() const;

signals:
    // The columns' settings were applied.
    void columnsReset();

protected:
    void paintEvent(QPaintEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void scrollContentsBy(int dx, int dy) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void resizeEvent(QResizeEvent *event) override;
    void updateEnded() override;

    // Banded views keep their columns ordered by band.
    virtual void arrangeColumns() {}
    QList<GridColumn *> &columnList() { return m_columns; }
    GridSite *gridSite() const { return m_site; }

private:
    friend class GridSite;
    void watchStyle(QPointer<GridStyle> &slot, GridStyle *style);
    void styleChanged();
    void applyColumns();
    void syncExpansion();
    void onTreeExpansion(const QModelIndex &index, bool expanded);
    void setTreeExpanded(const QModelIndex &index, bool expanded);
    void collapseDescendants(const QModelIndex &index);
    // Expands or collapses the group or master record at presented row `row` (one level).
    void setRowExpanded(int row, bool expanded);
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    void onSectionResized(int logical, int oldSize, int newSize);
    void onSectionClicked(int logical);
    void showFilterMenu(int logical, const QPoint &globalPos);
    void updateRootDecoration();
    int firstVisibleColumn() const;
    void drawGroupRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void drawFooterRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void drawDetailRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    int indentOf(const QModelIndex &index) const;

    GridSite *m_site = nullptr;
    GridDataController *m_controller;
    TableViewModel *m_model;
    QPointer<DataSource> m_source;
    QList<GridColumn *> m_columns;
    Styles m_styles;
    int m_styleRepaints = 0;
    bool m_applying = false;
    bool m_columnsDirty = false;
    bool m_moving = false;
    int m_groupFootersApplied = -1;
};
