#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

class GridTableView;

enum class GridSortOrder { None, Ascending, Descending };
enum class GridSummaryKind { None, Sum, Min, Max, Count, Average };

// A column of a table view (or a row of a card view): bound to a field by name; its
// component name is objectName(). Settings are plain fields; after changing fields, call
// the view's columnsChanged() (or do it inside the view's update bracket). The set...()
// functions change one setting and apply it at once.
class GridColumn : public QObject
{
    Q_OBJECT
public:
    // How the column shows and edits its values.
    enum class PropertiesKind { Text, MaskEdit, Currency, Date, CheckBox, Memo };

    explicit GridColumn(QObject *parent = nullptr);

    QString Name() const { return objectName(); }

    QString FieldName;
    QString Caption;          // empty: the header shows the field name
    int Width = 64;
    bool Visible = true;
    PropertiesKind Properties = PropertiesKind::Text;
    bool DisplayFormatAssigned = false;
    QString DisplayFormat;    // picture for numbers, see formatFloat

    // Grouping: -1 not grouped, otherwise the level of grouping (0 outermost).
    int GroupIndex = -1;
    // Sorting: columns with an order sort the rows, in SortIndex order (then column order).
    GridSortOrder SortOrder = GridSortOrder::None;
    int SortIndex = -1;

    // What the user may do with the column.
    struct {
        bool Filtering = true;
        bool Sorting = true;
        bool Grouping = true;
        bool Moving = true;
    } Options;

    // Summaries shown in the view's footer and in group footers.
    struct {
        GridSummaryKind FooterKind = GridSummaryKind::None;
        QString FooterFormat;       // picture; empty: the column's display format
        GridSummaryKind GroupFooterKind = GridSummaryKind::None;
        QString GroupFooterFormat;
    } Summary;

    // Banded views: the band the column sits in.
    struct {
        int BandIndex = 0;
    } Position;

    // Column filter: when Filtered, only rows whose value equals one of FilterValues are
    // shown (a null value in the list stands for empty values).
    bool Filtered = false;
    QVariantList FilterValues;

    QString headerText() const { return Caption.isEmpty() ? FieldName : Caption; }

    // The view the column belongs to, or none.
    GridTableView *GridView() const;
    // Position among the view's columns (-1 without a view).
    int Index() const;

    // One setting changed and applied.
    void setIndex(int index);
    void setFieldName(const QString &name);
    void setCaption(const QString &caption);
    void setWidth(int width);
    void setVisible(bool visible);
    void setGroupIndex(int index);
    void setSortOrder(GridSortOrder order);
    void setFilterValues(const QVariantList &values);
    void clearFilter();

private:
    void changed();
};
