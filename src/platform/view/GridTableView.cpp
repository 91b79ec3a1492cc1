#include "GridTableView.h"

#include "DataSource.h"
#include "GridColumn.h"
#include "GridStyle.h"
#include "TableViewModel.h"

#include <QHeaderView>

GridTableView::GridTableView(QWidget *parent) : QTreeView(parent), m_model(new TableViewModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(true);
    optionsChanged();
}

GridTableView::~GridTableView() = default;

DataSource *GridTableView::dataSource() const
{
    return m_source;
}

void GridTableView::setDataSource(DataSource *source)
{
    m_source = source;
    m_model->setDataSource(source);
    columnsChanged();
}

GridColumn *GridTableView::CreateColumn()
{
    auto *column = new GridColumn(this);
    m_columns.append(column);
    columnsChanged();
    return column;
}

void GridTableView::removeColumn(int index)
{
    if (index < 0 || index >= m_columns.size())
        return;
    GridColumn *column = m_columns.takeAt(index);
    delete column;
    columnsChanged();
}

void GridTableView::removeColumn(GridColumn *column)
{
    removeColumn(int(m_columns.indexOf(column)));
}

void GridTableView::columnsChanged()
{
    m_model->columnsChanged();
    for (int i = 0; i < m_columns.size(); ++i) {
        header()->resizeSection(i, m_columns.at(i)->Width);
        setColumnHidden(i, !m_columns.at(i)->Visible);
    }
    emit columnsReset();
}

int GridTableView::rowCountShown() const
{
    return m_model->rowCount();
}

void GridTableView::optionsChanged()
{
    setEditTriggers(OptionsData.Editing ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                        : QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(OptionsSelection.CellSelect ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void GridTableView::watchStyle(QPointer<GridStyle> &slot, GridStyle *style)
{
    if (slot)
        disconnect(slot, nullptr, this, nullptr);
    slot = style;
    if (style) {
        connect(style, &GridStyle::changed, this, [this] {
            ++m_styleRepaints;
            applyHeaderStyle();
            viewport()->update();
        });
    }
    ++m_styleRepaints;
    applyHeaderStyle();
    viewport()->update();
}

void GridTableView::applyHeaderStyle()
{
    header()->viewport()->update();
}

void GridTableView::setContentStyle(GridStyle *style) { watchStyle(m_styles.Content, style); }
void GridTableView::setContentOddStyle(GridStyle *style) { watchStyle(m_styles.ContentOdd, style); }
void GridTableView::setFooterStyle(GridStyle *style) { watchStyle(m_styles.Footer, style); }
void GridTableView::setGroupStyle(GridStyle *style) { watchStyle(m_styles.Group, style); }
void GridTableView::setHeaderStyle(GridStyle *style) { watchStyle(m_styles.Header, style); }
