#include "GridColumn.h"

#include "GridTableView.h"

GridColumn::GridColumn(QObject *parent) : QObject(parent) {}

GridTableView *GridColumn::GridView() const
{
    return qobject_cast<GridTableView *>(parent());
}

int GridColumn::Index() const
{
    GridTableView *view = GridView();
    return view ? int(view->columns().indexOf(const_cast<GridColumn *>(this))) : -1;
}

void GridColumn::changed()
{
    if (GridTableView *view = GridView())
        view->columnsChanged();
}

void GridColumn::setIndex(int index)
{
    if (GridTableView *view = GridView())
        view->moveColumn(Index(), index);
}

void GridColumn::setFieldName(const QString &name)
{
    FieldName = name;
    changed();
}

void GridColumn::setCaption(const QString &caption)
{
    Caption = caption;
    changed();
}

void GridColumn::setWidth(int width)
{
    Width = width;
    changed();
}

void GridColumn::setVisible(bool visible)
{
    Visible = visible;
    changed();
}

void GridColumn::setGroupIndex(int index)
{
    GroupIndex = index < 0 ? -1 : index;
    changed();
}

void GridColumn::setSortOrder(GridSortOrder order)
{
    SortOrder = order;
    if (order == GridSortOrder::None)
        SortIndex = -1;
    changed();
}

void GridColumn::setFilterValues(const QVariantList &values)
{
    Filtered = true;
    FilterValues = values;
    changed();
}

void GridColumn::clearFilter()
{
    Filtered = false;
    FilterValues.clear();
    changed();
}
