#include "GridTableView.h"

#include "DataSet.h"
#include "DataSource.h"
#include "GridControl.h"
#include "GridDataController.h"
#include "GridSite.h"
#include "TableViewModel.h"
#include "ValueCompare.h"
#include "ValueHash.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <unordered_map>

GridTableView::GridTableView(QWidget *parent) : QTreeView(nullptr), m_controller(new GridDataController(this))
{
    m_site = new GridSite(this, parent);
    setParent(m_site);
    setHeader(new GridHeaderView(this));
    m_model = new TableViewModel(this);
    setModel(m_model);
    setItemDelegate(new GridItemDelegate(this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setExpandsOnDoubleClick(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);

    auto *gridHeader = static_cast<GridHeaderView *>(header());
    connect(gridHeader, &QHeaderView::sectionMoved, this, &GridTableView::onSectionMoved);
    connect(gridHeader, &QHeaderView::sectionResized, this, &GridTableView::onSectionResized);
    connect(gridHeader, &QHeaderView::sectionClicked, this, &GridTableView::onSectionClicked);
    connect(gridHeader, &GridHeaderView::filterButtonClicked, this, &GridTableView::showFilterMenu);

    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &i) { onTreeExpansion(i, true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &i) { onTreeExpansion(i, false); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &GridTableView::syncExpansion);
    connect(m_controller, &GridDataController::groupExpansionChanged, this, [this](int g) {
        setTreeExpanded(m_model->groupIndex(g), m_controller->groupExpanded(g));
    });
    connect(m_controller, &GridDataController::masterExpansionChanged, this, [this](int pos) {
        setTreeExpanded(m_model->recordIndex(pos), m_controller->masterExpanded(pos));
    });
    connect(m_controller, &GridDataController::allGroupsExpansionChanged, this, [this] {
        scheduleDelayedItemsLayout();
        for (int g = 0; g < m_controller->groupCount(); ++g)
            setTreeExpanded(m_model->groupIndex(g), m_controller->groupExpanded(g));
        executeDelayedItemsLayout();
        m_site->refreshParts();
    });
    connect(m_controller, &GridDataController::rebuilt, this, [this] { updateRootDecoration(); });

    // The site's scroll bar stands for the view's own, which stays hidden so that the
    // footer sits between the rows and the scroll bar.
    QScrollBar *inner = horizontalScrollBar();
    QScrollBar *outer = m_site->horizontalBar();
    connect(inner, &QAbstractSlider::rangeChanged, m_site, [this] {
        QMetaObject::invokeMethod(m_site, &GridSite::relayout, Qt::QueuedConnection);
    });
    connect(inner, &QAbstractSlider::valueChanged, outer, &QAbstractSlider::setValue);
    connect(outer, &QAbstractSlider::valueChanged, inner, &QAbstractSlider::setValue);

    optionsChanged();
}

GridTableView::~GridTableView()
{
    if (m_site) {
        GridSite *site = m_site;
        m_site = nullptr;
        site->detachView();
        setParent(nullptr);
        delete site;
    }
}

QWidget *GridTableView::site()
{
    return m_site;
}

// ---------------------------------------------------------------- data

DataSource *GridTableView::dataSource() const
{
    return m_source;
}

void GridTableView::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    auto attach = [this] {
        m_model->resetWith([this] {
            m_controller->setDataSet(m_source ? m_source->dataSet() : nullptr);
            applyColumns();
        });
    };
    if (source)
        connect(source, &DataSource::dataSetChanged, this, attach);
    attach();
}

// ---------------------------------------------------------------- columns

GridColumn *GridTableView::ColumnByFieldName(const QString &fieldName) const
{
    for (GridColumn *c : m_columns)
        if (c->FieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

GridColumn *GridTableView::ColumnByName(const QString &name) const
{
    for (GridColumn *c : m_columns)
        if (c->objectName() == name)
            return c;
    return nullptr;
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
    column->setParent(nullptr);
    delete column;
    columnsChanged();
}

void GridTableView::removeColumn(GridColumn *column)
{
    removeColumn(int(m_columns.indexOf(column)));
}

void GridTableView::moveColumn(int from, int to)
{
    if (from < 0 || from >= m_columns.size() || to < 0 || to >= m_columns.size() || from == to)
        return;
    m_columns.move(from, to);
    columnsChanged();
}

void GridTableView::columnsChanged()
{
    if (isUpdating()) {
        m_columnsDirty = true;
        return;
    }
    m_model->resetWith([this] { applyColumns(); });
}

int GridTableView::GroupedColumnCount() const
{
    return int(std::count_if(m_columns.begin(), m_columns.end(), [](GridColumn *c) { return c->GroupIndex >= 0; }));
}

GridColumn *GridTableView::GroupedColumns(int index) const
{
    QList<GridColumn *> grouped;
    for (GridColumn *c : m_columns)
        if (c->GroupIndex >= 0)
            grouped << c;
    std::stable_sort(grouped.begin(), grouped.end(),
                     [](GridColumn *a, GridColumn *b) { return a->GroupIndex < b->GroupIndex; });
    return index >= 0 && index < grouped.size() ? grouped.at(index) : nullptr;
}

void GridTableView::groupBy(GridColumn *column, int level)
{
    if (!column || column->GridView() != this)
        return;
    QList<GridColumn *> grouped;
    for (int i = 0; i < GroupedColumnCount(); ++i)
        if (GroupedColumns(i) != column)
            grouped << GroupedColumns(i);
    if (level < 0 || level > grouped.size())
        level = int(grouped.size());
    grouped.insert(level, column);
    for (int i = 0; i < grouped.size(); ++i)
        grouped.at(i)->GroupIndex = i;
    if (column->SortOrder == GridSortOrder::None)
        column->SortOrder = GridSortOrder::Ascending;
    columnsChanged();
}

void GridTableView::ungroup(GridColumn *column)
{
    if (!column || column->GroupIndex < 0)
        return;
    column->GroupIndex = -1;
    column->SortOrder = GridSortOrder::None;
    column->SortIndex = -1;
    columnsChanged();
}

// Settings of the data controller and header from the columns. Runs inside a model reset.
void GridTableView::applyColumns()
{
    m_applying = true;
    arrangeColumns();
    DataSet *ds = m_controller->dataSet();
    auto fieldOf = [ds](const GridColumn *c) { return ds ? ds->fieldIndex(c->FieldName) : -1; };

    // Grouping levels 0..n-1, in GroupIndex order.
    QList<GridColumn *> grouped;
    for (GridColumn *c : m_columns)
        if (c->GroupIndex >= 0)
            grouped << c;
    std::stable_sort(grouped.begin(), grouped.end(),
                     [](GridColumn *a, GridColumn *b) { return a->GroupIndex < b->GroupIndex; });
    GridDataController::Settings settings;
    for (int i = 0; i < grouped.size(); ++i) {
        grouped.at(i)->GroupIndex = i;
        settings.groups << GridDataController::Level{fieldOf(grouped.at(i)),
                                                     grouped.at(i)->SortOrder == GridSortOrder::Descending};
    }
    // Sort keys: SortIndex order, then column order.
    QList<GridColumn *> sorted;
    for (GridColumn *c : m_columns)
        if (c->SortOrder != GridSortOrder::None && c->GroupIndex < 0)
            sorted << c;
    std::stable_sort(sorted.begin(), sorted.end(), [](GridColumn *a, GridColumn *b) {
        const int x = a->SortIndex < 0 ? INT_MAX : a->SortIndex;
        const int y = b->SortIndex < 0 ? INT_MAX : b->SortIndex;
        return x < y;
    });
    for (int i = 0; i < sorted.size(); ++i) {
        sorted.at(i)->SortIndex = i;
        settings.sorting << GridDataController::Level{fieldOf(sorted.at(i)),
                                                      sorted.at(i)->SortOrder == GridSortOrder::Descending};
    }
    for (GridColumn *c : m_columns)
        if (c->Filtered)
            settings.filters << GridDataController::Filter{fieldOf(c), c->FilterValues};
    m_controller->setSettings(settings);

    QHeaderView *h = header();
    for (int i = 0; i < m_columns.size() && i < h->count(); ++i) {
        GridColumn *c = m_columns.at(i);
        h->resizeSection(i, c->Width);
        setColumnHidden(i, !c->Visible || (c->GroupIndex >= 0 && !OptionsView.ShowGroupedColumns));
    }
    if (!sorted.isEmpty() && sorted.first()->Index() >= 0) {
        h->setSortIndicatorShown(true);
        h->setSortIndicator(sorted.first()->Index(), sorted.first()->SortOrder == GridSortOrder::Descending
                                                         ? Qt::DescendingOrder
                                                         : Qt::AscendingOrder);
    } else {
        h->setSortIndicatorShown(false);
    }
    updateRootDecoration();
    m_applying = false;
    if (m_site) {
        m_site->relayout();
        m_site->refreshParts();
    }
    emit columnsReset();
}

void GridTableView::updateRootDecoration()
{
    setRootIsDecorated(m_controller->isGrouped() || detailView() != nullptr);
}

void GridTableView::onSectionResized(int logical, int, int newSize)
{
    if (m_applying || logical < 0 || logical >= m_columns.size())
        return;
    m_columns.at(logical)->Width = newSize;
    if (m_site)
        m_site->refreshParts();
}

void GridTableView::onSectionMoved(int logical, int oldVisual, int newVisual)
{
    Q_UNUSED(logical)
    if (m_moving || m_applying)
        return;
    // The header shows columns in position order: undo its own move, then move the column.
    QMetaObject::invokeMethod(this, [this, oldVisual, newVisual] {
        m_moving = true;
        header()->moveSection(newVisual, oldVisual);
        m_moving = false;
        if (m_columns.value(oldVisual) && m_columns.at(oldVisual)->Options.Moving)
            moveColumn(oldVisual, newVisual);
    }, Qt::QueuedConnection);
}

void GridTableView::onSectionClicked(int logical)
{
    if (logical < 0 || logical >= m_columns.size() || !OptionsCustomize.ColumnSorting
        || !m_columns.at(logical)->Options.Sorting)
        return;
    const Qt::KeyboardModifiers mods = QGuiApplication::keyboardModifiers();
    headerClicked(m_columns.at(logical), mods & Qt::ShiftModifier, mods & Qt::ControlModifier);
}

void GridTableView::headerClicked(GridColumn *column, bool add, bool remove)
{
    if (!column || column->GridView() != this)
        return;
    if (remove) {
        column->SortOrder = GridSortOrder::None;
        column->SortIndex = -1;
    } else {
        const GridSortOrder next = column->SortOrder == GridSortOrder::Ascending ? GridSortOrder::Descending
                                                                                : GridSortOrder::Ascending;
        if (column->GroupIndex < 0) {
            if (!add) {
                for (GridColumn *c : m_columns)
                    if (c != column && c->GroupIndex < 0) {
                        c->SortOrder = GridSortOrder::None;
                        c->SortIndex = -1;
                    }
                column->SortIndex = 0;
            } else if (column->SortOrder == GridSortOrder::None) {
                int last = -1;
                for (GridColumn *c : m_columns)
                    if (c->GroupIndex < 0 && c->SortOrder != GridSortOrder::None)
                        last = qMax(last, c->SortIndex);
                column->SortIndex = last + 1;
            }
        }
        column->SortOrder = next;
    }
    columnsChanged();
}

// ---------------------------------------------------------------- filtering

QVariantList GridTableView::filterValuesFor(GridColumn *column) const
{
    QVariantList out;
    DataSet *ds = m_controller->dataSet();
    if (!column || !ds)
        return out;
    const int field = ds->fieldIndex(column->FieldName);
    if (field < 0)
        return out;
    GridDataController others;
    GridDataController::Settings settings;
    for (GridColumn *c : m_columns)
        if (c->Filtered && c != column)
            settings.filters << GridDataController::Filter{ds->fieldIndex(c->FieldName), c->FilterValues};
    others.setSettings(settings);
    others.setDataSet(ds);
    std::unordered_multimap<std::size_t, int> seen;
    std::vector<int> distinct;
    bool blanks = false;
    for (int pos = 0; pos < others.recordCount(); ++pos) {
        const QVariant &v = others.value(pos, field);
        if (v.isNull()) {
            blanks = true;
            continue;
        }
        const std::size_t h = valueHash(v);
        bool found = false;
        auto [first, last] = seen.equal_range(h);
        for (auto it = first; it != last && !found; ++it)
            found = compareValues(others.value(it->second, field), v) == 0;
        if (!found) {
            seen.emplace(h, pos);
            distinct.push_back(pos);
        }
    }
    std::sort(distinct.begin(), distinct.end(),
              [&](int a, int b) { return compareValues(others.value(a, field), others.value(b, field)) < 0; });
    if (blanks)
        out << QVariant();
    for (int pos : distinct)
        out << others.value(pos, field);
    return out;
}

bool GridTableView::isFiltered() const
{
    return std::any_of(m_columns.begin(), m_columns.end(), [](GridColumn *c) { return c->Filtered; });
}

QString GridTableView::filterText() const
{
    DataSet *ds = m_controller->dataSet();
    QStringList parts;
    for (GridColumn *c : m_columns) {
        if (!c->Filtered)
            continue;
        const int field = ds ? ds->fieldIndex(c->FieldName) : -1;
        const FieldType type = field >= 0 ? ds->fieldDefs().at(field).type : FieldType::Unknown;
        QStringList alternatives;
        for (const QVariant &v : c->FilterValues) {
            if (v.isNull())
                alternatives << c->headerText() + QStringLiteral(" é vazio");
            else if (isNumericType(type))
                alternatives << c->headerText() + QStringLiteral(" = ") + TableViewModel::formatValue(v, type, c);
            else
                alternatives << c->headerText() + QStringLiteral(" = '") + TableViewModel::formatValue(v, type, c)
                                    + QLatin1Char('\'');
        }
        if (alternatives.isEmpty())
            parts << c->headerText() + QStringLiteral(" sem valores");
        else if (alternatives.size() == 1)
            parts << alternatives.first();
        else
            parts << QLatin1Char('(') + alternatives.join(QStringLiteral(" ou ")) + QLatin1Char(')');
    }
    return parts.join(QStringLiteral(" e "));
}

void GridTableView::clearFilter()
{
    if (!isFiltered())
        return;
    for (GridColumn *c : m_columns) {
        c->Filtered = false;
        c->FilterValues.clear();
    }
    columnsChanged();
}

void GridTableView::showFilterMenu(int logical, const QPoint &globalPos)
{
    if (logical < 0 || logical >= m_columns.size())
        return;
    GridColumn *column = m_columns.at(logical);
    DataSet *ds = m_controller->dataSet();
    const int field = ds ? ds->fieldIndex(column->FieldName) : -1;
    const FieldType type = field >= 0 ? ds->fieldDefs().at(field).type : FieldType::Unknown;
    QMenu menu(this);
    menu.addAction(QStringLiteral("(Todos)"), this, [column] { column->clearFilter(); });
    const QVariantList values = filterValuesFor(column);
    if (!values.isEmpty() && values.first().isNull())
        menu.addAction(QStringLiteral("(Vazios)"), this, [column] { column->setFilterValues({QVariant()}); });
    menu.addSeparator();
    int shown = 0;
    for (const QVariant &v : values) {
        if (v.isNull())
            continue;
        if (++shown > 1000)
            break;
        QAction *a = menu.addAction(TableViewModel::formatValue(v, type, column), this,
                                    [column, v] { column->setFilterValues({v}); });
        a->setCheckable(true);
        a->setChecked(column->Filtered && column->FilterValues.size() == 1
                      && compareValues(column->FilterValues.first(), v) == 0);
    }
    menu.exec(globalPos);
}

// ---------------------------------------------------------------- options and styles

void GridTableView::optionsChanged()
{
    setEditTriggers(OptionsData.Editing ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                        : QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(OptionsSelection.CellSelect ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    setSelectionMode(OptionsSelection.MultiSelect ? QAbstractItemView::ExtendedSelection
                                                  : QAbstractItemView::SingleSelection);
    header()->setVisible(OptionsView.Header);
    header()->setSectionsMovable(OptionsCustomize.ColumnMoving);
    setWordWrap(OptionsView.CellAutoHeight);
    setUniformRowHeights(!OptionsView.CellAutoHeight && OptionsView.GroupFooters != gfAlwaysVisible);
    // Group footers are rows of the model: a change of their mode rebuilds it.
    if (int(OptionsView.GroupFooters) != m_groupFootersApplied) {
        m_groupFootersApplied = int(OptionsView.GroupFooters);
        m_model->columnsChanged();
    } else {
        scheduleDelayedItemsLayout();
    }
    if (m_site)
        m_site->relayout();
    viewport()->update();
}

void GridTableView::watchStyle(QPointer<GridStyle> &slot, GridStyle *style)
{
    if (slot)
        disconnect(slot, nullptr, this, nullptr);
    slot = style;
    if (style)
        connect(style, &GridStyle::changed, this, &GridTableView::styleChanged);
    styleChanged();
}

void GridTableView::styleChanged()
{
    ++m_styleRepaints;
    viewport()->update();
    header()->viewport()->update();
    if (m_site)
        m_site->refreshParts();
}

void GridTableView::setContentStyle(GridStyle *style) { watchStyle(m_styles.Content, style); }
void GridTableView::setContentOddStyle(GridStyle *style) { watchStyle(m_styles.ContentOdd, style); }
void GridTableView::setFooterStyle(GridStyle *style) { watchStyle(m_styles.Footer, style); }
void GridTableView::setGroupStyle(GridStyle *style) { watchStyle(m_styles.Group, style); }
void GridTableView::setHeaderStyle(GridStyle *style) { watchStyle(m_styles.Header, style); }

void GridTableView::updateEnded()
{
    if (m_columnsDirty) {
        m_columnsDirty = false;
        columnsChanged();
    }
}

// ---------------------------------------------------------------- rows and expansion

int GridTableView::rowCountShown() const
{
    return m_controller->presentedCount();
}

QModelIndex GridTableView::rowIndex(int row) const
{
    const GridDataController::PresentedRow r = m_controller->presentedRow(row);
    if (r.group >= 0)
        return m_model->groupIndex(r.group);
    return m_model->recordIndex(r.pos);
}

bool GridTableView::rowIsGroup(int row) const
{
    return m_controller->presentedRow(row).group >= 0;
}

int GridTableView::rowRecord(int row) const
{
    const GridDataController::PresentedRow r = m_controller->presentedRow(row);
    return r.pos >= 0 ? m_controller->recordAt(r.pos) : -1;
}

int GridTableView::rowLevel(int row) const
{
    const GridDataController::PresentedRow r = m_controller->presentedRow(row);
    if (r.group >= 0)
        return m_controller->group(r.group).level;
    return m_controller->groupLevelCount();
}

bool GridTableView::rowExpandable(int row) const
{
    const QModelIndex index = rowIndex(row);
    return index.isValid() && m_model->hasChildren(index);
}

bool GridTableView::rowExpanded(int row) const
{
    const GridDataController::PresentedRow r = m_controller->presentedRow(row);
    if (r.group >= 0)
        return m_controller->groupExpanded(r.group);
    const QModelIndex index = rowIndex(row);
    return index.isValid() && isExpanded(index);
}

void GridTableView::expandRow(int row, bool recursive)
{
    const QModelIndex index = rowIndex(row);
    if (!index.isValid() || !m_model->hasChildren(index))
        return;
    if (recursive)
        expandRecursively(index);
    else
        setRowExpanded(row, true);
    if (m_site)
        m_site->refreshParts();
}

void GridTableView::collapseRow(int row, bool recursive)
{
    const QModelIndex index = rowIndex(row);
    if (!index.isValid())
        return;
    if (recursive)
        collapseDescendants(index);
    else
        setRowExpanded(row, false);
    if (m_site)
        m_site->refreshParts();
}

void GridTableView::setRowExpanded(int row, bool expanded)
{
    const GridDataController::PresentedRow r = m_controller->presentedRow(row);
    if (r.group >= 0)
        m_controller->setGroupExpanded(r.group, expanded);
    else
        m_controller->setMasterExpanded(r.pos, expanded);
}

void GridTableView::collapseDescendants(const QModelIndex &index)
{
    scheduleDelayedItemsLayout();
    std::vector<QModelIndex> stack{index};
    std::vector<QModelIndex> expandedOnes;
    while (!stack.empty()) {
        const QModelIndex p = stack.back();
        stack.pop_back();
        expandedOnes.push_back(p);
        const int n = m_model->rowCount(p);
        for (int i = 0; i < n; ++i) {
            const QModelIndex c = m_model->index(i, 0, p);
            if (isExpanded(c))
                stack.push_back(c);
        }
    }
    for (const QModelIndex &i : expandedOnes)
        collapse(i);
    executeDelayedItemsLayout();
}

void GridTableView::setTreeExpanded(const QModelIndex &index, bool expanded)
{
    if (!index.isValid() || isExpanded(index) == expanded)
        return;
    if (expanded && !m_model->hasChildren(index))
        return;
    setExpanded(index, expanded);
}

void GridTableView::onTreeExpansion(const QModelIndex &index, bool expanded)
{
    switch (m_model->rowKind(index)) {
    case TableViewModel::RowKind::Group:
        m_controller->setGroupExpanded(index.data(TableViewModel::GroupRole).toInt(), expanded);
        break;
    case TableViewModel::RowKind::Data: {
        const int pos = m_model->positionOf(index);
        if (pos >= 0)
            m_controller->setMasterExpanded(pos, expanded);
        break;
    }
    default:
        break;
    }
    if (OptionsView.GroupFooters == gfAlwaysVisible)
        scheduleDelayedItemsLayout(); // a collapsed group row is taller
    if (m_site)
        m_site->refreshParts();
}

// After a reset the tree has forgotten what was expanded: the controller tells again.
void GridTableView::syncExpansion()
{
    const QVector<int> masters = m_controller->expandedMasters();
    bool any = !masters.isEmpty();
    for (int g = 0; g < m_controller->groupCount() && !any; ++g)
        any = m_controller->groupExpanded(g);
    updateRootDecoration();
    if (!any)
        return;
    scheduleDelayedItemsLayout();
    for (int g = 0; g < m_controller->groupCount(); ++g)
        if (m_controller->groupExpanded(g))
            setTreeExpanded(m_model->groupIndex(g), true);
    for (int pos : masters)
        setTreeExpanded(m_model->recordIndex(pos), true);
    executeDelayedItemsLayout();
}

GridTableView *GridTableView::detailView() const
{
    GridControl *grid = Grid();
    if (!grid)
        return nullptr;
    GridLevel *level = grid->levelOfView(this);
    if (!level)
        return nullptr;
    for (GridLevel *child : level->levels()) {
        auto *detail = dynamic_cast<GridTableView *>(child->GridView());
        if (detail && detail != this && detail->dataSource())
            return detail;
    }
    return nullptr;
}

// ---------------------------------------------------------------- painting

void GridTableView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    if (m_site && m_site->indicator())
        m_site->indicator()->update();
    notifyPainted();
}

void GridTableView::scrollContentsBy(int dx, int dy)
{
    QTreeView::scrollContentsBy(dx, dy);
    if (m_site)
        m_site->refreshParts();
}

void GridTableView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (m_site && m_site->indicator())
        m_site->indicator()->update();
}

void GridTableView::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    if (m_site)
        m_site->refreshParts();
}

int GridTableView::firstVisibleColumn() const
{
    for (int v = 0; v < header()->count(); ++v) {
        const int logical = header()->logicalIndex(v);
        if (!header()->isSectionHidden(logical))
            return logical;
    }
    return -1;
}

int GridTableView::indentOf(const QModelIndex &index) const
{
    int depth = 0;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        ++depth;
    return indentation() * (depth + (rootIsDecorated() ? 1 : 0));
}

void GridTableView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    switch (m_model->rowKind(index)) {
    case TableViewModel::RowKind::Group:
        drawGroupRow(painter, option, index);
        break;
    case TableViewModel::RowKind::GroupFooter:
        drawFooterRow(painter, option, index);
        break;
    case TableViewModel::RowKind::DetailHeader:
    case TableViewModel::RowKind::Detail:
        drawDetailRow(painter, option, index);
        break;
    default:
        QTreeView::drawRow(painter, option, index);
        break;
    }
}

namespace {
bool rowSelected(const QTreeView *view, const QModelIndex &index)
{
    const QItemSelectionModel *s = view->selectionModel();
    return s && (s->isSelected(index) || s->isRowSelected(index.row(), index.parent()));
}
} // namespace

void GridTableView::drawGroupRow(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int first = firstVisibleColumn();
    const int x0 = first >= 0 ? columnViewportPosition(first) : 0;
    const bool tall = OptionsView.GroupFooters == gfAlwaysVisible && !isExpanded(index);
    const int lineH = tall ? option.rect.height() / 2 : option.rect.height();
    const QRect row(x0, option.rect.y(), qMax(viewport()->width(), header()->length()) - x0, lineH);
    const bool selected = rowSelected(this, index);
    const QVariant color = index.data(Qt::BackgroundRole);
    const QColor back = selected ? option.palette.color(QPalette::Highlight)
                                 : (color.isValid() ? color.value<QColor>() : option.palette.color(QPalette::Button));
    p->fillRect(row, back);
    const int indent = indentOf(index);
    drawBranches(p, QRect(x0, row.y(), indent, lineH), index);
    p->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::ButtonText));
    QFont f = option.font;
    f.setBold(true);
    p->save();
    p->setFont(f);
    p->drawText(row.adjusted(indent + 4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                m_model->groupText(index.data(TableViewModel::GroupRole).toInt()));
    p->restore();
    p->setPen(option.palette.color(QPalette::Mid));
    p->drawLine(row.left(), row.bottom(), row.right(), row.bottom());
    if (tall) {
        QStyleOptionViewItem footer = option;
        footer.rect = QRect(option.rect.x(), option.rect.y() + lineH, option.rect.width(), option.rect.height() - lineH);
        drawFooterRow(p, footer, index);
    }
}

void GridTableView::drawFooterRow(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int group = index.data(TableViewModel::GroupRole).toInt();
    const QModelIndex footerIndex = m_model->rowKind(index) == TableViewModel::RowKind::GroupFooter
                                        ? index
                                        : QModelIndex();
    QVariant color = footerIndex.isValid() ? footerIndex.data(Qt::BackgroundRole) : QVariant();
    if (!footerIndex.isValid() && m_styles.Footer && !VclColor::isDefault(m_styles.Footer->Color()))
        color = VclColor::toQColor(m_styles.Footer->Color());
    const QColor back = color.isValid() ? color.value<QColor>() : option.palette.color(QPalette::Window);
    const int first = firstVisibleColumn();
    const int x0 = (first >= 0 ? columnViewportPosition(first) : 0) + indentOf(index);
    const QRect row(x0, option.rect.y(), qMax(viewport()->width(), header()->length()) - x0, option.rect.height());
    p->fillRect(row, back);
    for (int i = 0; i < m_columns.size(); ++i) {
        if (isColumnHidden(i))
            continue;
        const GridColumn *c = m_columns.at(i);
        if (c->Summary.GroupFooterKind == GridSummaryKind::None)
            continue;
        int x = columnViewportPosition(i);
        int w = columnWidth(i);
        if (x < x0) {
            w -= x0 - x;
            x = x0;
        }
        if (w <= 4)
            continue;
        const QRect cell(x + 1, row.y() + 2, w - 2, row.height() - 4);
        p->setPen(option.palette.color(QPalette::Mid));
        p->drawRect(cell.adjusted(0, 0, -1, -1));
        p->setPen(option.palette.color(QPalette::WindowText));
        const bool numeric = c->Summary.GroupFooterKind != GridSummaryKind::Min
                          && c->Summary.GroupFooterKind != GridSummaryKind::Max;
        p->drawText(cell.adjusted(3, 0, -3, 0), (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                    m_model->summaryText(group, i));
    }
}

void GridTableView::drawDetailRow(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    GridTableView *detail = m_model->detailViewOf(index);
    if (!detail)
        return;
    const bool header = m_model->rowKind(index) == TableViewModel::RowKind::DetailHeader;
    const bool selected = !header && rowSelected(this, index);
    const DataSet *ds = detail->DataController()->dataSet();
    const int record = index.data(TableViewModel::RecordRole).toInt();
    auto colorOf = [](const GridStyle *style, const QColor &fallback) {
        return style ? VclColor::toQColor(style->Color(), fallback) : fallback;
    };
    const Styles &styles = detail->styles();
    const QColor rowColor = index.row() % 2 == 0 && styles.ContentOdd // detail rows start at child row 1
                                ? colorOf(styles.ContentOdd, colorOf(styles.Content, option.palette.color(QPalette::Base)))
                                : colorOf(styles.Content, option.palette.color(QPalette::Base));
    const int first = firstVisibleColumn();
    int x = (first >= 0 ? columnViewportPosition(first) : 0) + indentOf(index);
    const int y = option.rect.y();
    const int h = option.rect.height();
    p->fillRect(QRect(0, y, x, h), option.palette.color(QPalette::Base));
    for (int j = 0; j < detail->ColumnCount(); ++j) {
        const GridColumn *c = detail->Columns(j);
        if (!c->Visible)
            continue;
        const QRect cell(x, y, c->Width, h);
        if (header) {
            p->fillRect(cell, colorOf(styles.Header, option.palette.color(QPalette::Button)));
            p->setPen(option.palette.color(QPalette::Mid));
            p->drawRect(cell.adjusted(0, 0, -1, -1));
            p->setPen(option.palette.color(QPalette::ButtonText));
            p->drawText(cell.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, c->headerText());
        } else {
            const int field = ds ? ds->fieldIndex(c->FieldName) : -1;
            QString text;
            int align = Qt::AlignLeft | Qt::AlignVCenter;
            if (field >= 0 && record >= 0 && record < ds->recordCount()) {
                const FieldType type = ds->fieldDefs().at(field).type;
                text = TableViewModel::formatValue(ds->value(record, field), type, c);
                if (isNumericType(type))
                    align = Qt::AlignRight | Qt::AlignVCenter;
            }
            p->fillRect(cell, selected ? option.palette.color(QPalette::Highlight) : rowColor);
            p->setPen(option.palette.color(QPalette::Midlight));
            p->drawLine(cell.bottomLeft(), cell.bottomRight());
            p->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
            p->drawText(cell.adjusted(4, 0, -4, 0), align, text);
        }
        x += c->Width;
    }
    p->fillRect(QRect(x, y, qMax(0, viewport()->width() - x), h), option.palette.color(QPalette::Base));
}
