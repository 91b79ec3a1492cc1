#pragma once

#include <QPointer>
#include <QTreeView>

class DataSource;
class GridColumn;
#include "GridStyle.h"
class TableViewModel;

// A data table view: run-time columns bound to the fields of a data source, read-only
// rows, style slots that reference shared style objects.
class GridTableView : public QTreeView
{
    Q_OBJECT
public:
    explicit GridTableView(QWidget *parent = nullptr);
    ~GridTableView() override;

    // Data
    DataSource *dataSource() const;
    void setDataSource(DataSource *source);
    TableViewModel *viewModel() const { return m_model; }

    // Columns
    int ColumnCount() const { return int(m_columns.size()); }
    GridColumn *Columns(int index) const { return m_columns.at(index); }
    const QList<GridColumn *> &columns() const { return m_columns; }
    // A new column at the end, owned by the view.
    GridColumn *CreateColumn();
    void removeColumn(int index);
    void removeColumn(GridColumn *column);
    // Reapplies widths and visibility after columns changed their settings.
    void columnsChanged();
    // The number of rows the view presents.
    int rowCountShown() const;

    // Options
    struct {
        bool ColumnFiltering = true;
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
    } OptionsSelection;
    struct {
        bool GroupByBox = true;
        bool Indicator = false;
    } OptionsView;
    // Applies the option structs to the widget.
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

signals:
    void columnsReset();

private:
    void watchStyle(QPointer<GridStyle> &slot, GridStyle *style);
    void applyHeaderStyle();

    TableViewModel *m_model;
    QPointer<DataSource> m_source;
    QList<GridColumn *> m_columns;
    Styles m_styles;
    int m_styleRepaints = 0;
};
