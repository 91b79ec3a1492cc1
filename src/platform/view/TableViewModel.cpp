#include "TableViewModel.h"

#include "DataSet.h"
#include "GridColumn.h"
#include "GridDataController.h"
#include "GridStyle.h"
#include "GridTableView.h"
#include "NumberFormat.h"
#include "RecordData.h"
#include "ValueCompare.h"
#include "ValueHash.h"

#include <QDateTime>
#include <QLocale>

namespace {
enum StyleSlot { Content, ContentOdd, Footer, Group, Header };

std::size_t combine(std::size_t seed, std::size_t h)
{
    return seed ^ (h + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
}

QVector<int> resolveFields(const DataSet *ds, const QString &names)
{
    QVector<int> out;
    if (!ds)
        return out;
    for (const QString &name : names.split(u';', Qt::SkipEmptyParts)) {
        const int f = ds->fieldIndex(name.trimmed());
        if (f < 0)
            return {};
        out << f;
    }
    return out;
}

const QVariant kNull;

const QVariant &valueOf(const DataSet *ds, int record, int field)
{
    if (!ds || field < 0 || field >= ds->fieldCount() || record < 0 || record >= ds->recordCount())
        return kNull;
    return ds->data().at(ds->sourceRow(record), field);
}
} // namespace

TableViewModel::TableViewModel(GridTableView *view)
    : QAbstractItemModel(view), m_view(view), m_controller(view->DataController())
{
    connect(m_controller, &GridDataController::aboutToRebuild, this, &TableViewModel::beginReset);
    connect(m_controller, &GridDataController::rebuilt, this, &TableViewModel::endReset);
    connect(m_controller, &GridDataController::recordsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    connect(m_controller, &GridDataController::recordsInserted, this, [this] { endInsertRows(); });
    connect(m_controller, &GridDataController::recordChanged, this, [this](int pos) {
        const int cols = columnCount();
        if (cols > 0)
            emit dataChanged(index(pos, 0), index(pos, cols - 1));
    });
}

TableViewModel::~TableViewModel() = default;

GridDataController *TableViewModel::controller() const
{
    return m_controller;
}

DataSet *TableViewModel::dataSet() const
{
    return m_controller->dataSet();
}

void TableViewModel::beginReset()
{
    if (m_resetDepth++ == 0)
        beginResetModel();
}

void TableViewModel::endReset()
{
    m_blocks.clear();
    m_blockOf.clear();
    m_links.clear();
    m_groups = m_controller->groupCount();
    m_fieldOfColumn.clear();
    m_columns.clear();
    const DataSet *ds = dataSet();
    for (GridColumn *c : m_view->columns()) {
        m_fieldOfColumn << (ds ? ds->fieldIndex(c->FieldName) : -1);
        m_columns << c;
    }
    if (m_resetDepth > 0 && --m_resetDepth == 0)
        endResetModel();
}

void TableViewModel::resetWith(const std::function<void()> &change)
{
    beginReset();
    try {
        change();
    } catch (...) {
        endReset();
        throw;
    }
    endReset();
}

void TableViewModel::detailRebuilt()
{
    beginReset();
    endReset();
}

void TableViewModel::columnsChanged()
{
    beginReset();
    endReset();
}

int TableViewModel::footerRows() const
{
    return m_view->OptionsView.GroupFooters != gfInvisible ? 1 : 0;
}

// ---------------------------------------------------------------- structure

TableViewModel::Node TableViewModel::nodeOf(const QModelIndex &index) const
{
    Node n;
    if (!index.isValid() || index.model() != this)
        return n;
    const quintptr pid = index.internalId();
    const int r = index.row();
    if (pid == 0) {
        if (m_controller->isGrouped()) {
            n.kind = Node::Group;
            n.group = r;
        } else {
            n.kind = Node::Record;
            n.pos = r;
        }
        return n;
    }
    if (pid <= quintptr(m_groups)) {
        const int g = int(pid) - 1;
        const GridDataController::Group &group = m_controller->group(g);
        const int children = group.firstChild < 0 ? group.size() : group.childCount;
        if (r >= children) {
            n.kind = Node::GroupFooter;
            n.group = g;
        } else if (group.firstChild < 0) {
            n.kind = Node::Record;
            n.pos = group.begin + r;
        } else {
            n.kind = Node::Group;
            n.group = group.firstChild + r;
        }
        return n;
    }
    const int b = int(pid - quintptr(m_groups) - 1);
    if (b < 0 || b >= int(m_blocks.size()))
        return n;
    n.block = b;
    if (r == 0) {
        n.kind = Node::DetailHeader;
    } else {
        n.kind = Node::Detail;
        n.row = r - 1;
    }
    return n;
}

bool TableViewModel::masterOf(const Node &node, GridTableView *&view, DataSet *&ds, int &record) const
{
    if (node.kind == Node::Record) {
        view = m_view;
        ds = dataSet();
        record = m_controller->recordAt(node.pos);
        return ds != nullptr;
    }
    if (node.kind == Node::Detail) {
        const Block &b = m_blocks[size_t(node.block)];
        if (node.row < 0 || node.row >= int(b.records.size()) || !b.view)
            return false;
        view = b.view;
        ds = b.view->DataController()->dataSet();
        record = b.records[size_t(node.row)];
        return ds != nullptr;
    }
    return false;
}

const TableViewModel::Link *TableViewModel::linkOf(GridTableView *master) const
{
    auto it = m_links.find(master);
    if (it != m_links.end())
        return it->valid ? &*it : nullptr;
    Link &link = m_links[master];
    GridTableView *detail = master->detailView();
    if (!detail)
        return nullptr;
    GridDataController *dc = detail->DataController();
    DataSet *detailSet = dc->dataSet();
    DataSet *masterSet = master->DataController()->dataSet();
    if (!detailSet || !masterSet)
        return nullptr;
    const QString masterNames = !dc->MasterKeyFieldNames.isEmpty() ? dc->MasterKeyFieldNames
                                                                   : master->DataController()->KeyFieldNames;
    const QString detailNames = !dc->DetailKeyFieldNames.isEmpty() ? dc->DetailKeyFieldNames : masterNames;
    link.masterFields = resolveFields(masterSet, masterNames);
    link.detailFields = resolveFields(detailSet, detailNames);
    if (link.masterFields.isEmpty() || link.masterFields.size() != link.detailFields.size())
        return nullptr;
    link.detail = detail;
    // Detail records by key, in the detail view's own order (its filter and sorting).
    const int n = dc->recordCount();
    for (int pos = 0; pos < n; ++pos) {
        const int record = dc->recordAt(pos);
        std::size_t h = 0;
        for (int f : link.detailFields)
            h = combine(h, valueHash(valueOf(detailSet, record, f)));
        link.byKey[h].push_back(record);
    }
    link.valid = true;
    // Detail rows follow the detail data: when it changes, the tree is rebuilt.
    connect(dc, &GridDataController::rebuilt, this, &TableViewModel::detailRebuilt, Qt::UniqueConnection);
    connect(dc, &GridDataController::recordsInserted, this, &TableViewModel::detailRebuilt, Qt::UniqueConnection);
    connect(dc, &GridDataController::recordChanged, this, &TableViewModel::detailRebuilt, Qt::UniqueConnection);
    connect(detail, &QObject::destroyed, this, &TableViewModel::detailRebuilt, Qt::UniqueConnection);
    return &link;
}

std::vector<int> TableViewModel::detailRecords(GridTableView *master, DataSet *ds, int record) const
{
    std::vector<int> out;
    const Link *link = linkOf(master);
    if (!link)
        return out;
    DataSet *detailSet = link->detail->DataController()->dataSet();
    std::size_t h = 0;
    for (int f : link->masterFields)
        h = combine(h, valueHash(valueOf(ds, record, f)));
    auto it = link->byKey.find(h);
    if (it == link->byKey.end())
        return out;
    for (int candidate : it->second) {
        bool equal = true;
        for (int i = 0; i < link->masterFields.size() && equal; ++i)
            equal = compareValues(valueOf(ds, record, link->masterFields.at(i)),
                                  valueOf(detailSet, candidate, link->detailFields.at(i)))
                 == 0;
        if (equal)
            out.push_back(candidate);
    }
    return out;
}

int TableViewModel::blockFor(quintptr parentId, int row, const Node &node) const
{
    const quint64 key = (quint64(parentId) << 32) | quint32(row);
    auto it = m_blockOf.constFind(key);
    if (it != m_blockOf.constEnd())
        return *it;
    GridTableView *view = nullptr;
    DataSet *ds = nullptr;
    int record = -1;
    if (!masterOf(node, view, ds, record))
        return -1;
    const Link *link = linkOf(view);
    if (!link)
        return -1;
    Block b;
    b.masterParentId = parentId;
    b.masterRow = row;
    b.view = link->detail;
    b.records = detailRecords(view, ds, record);
    m_blocks.push_back(std::move(b));
    const int id = int(m_blocks.size()) - 1;
    m_blockOf.insert(key, id);
    return id;
}

int TableViewModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_controller->isGrouped() ? m_controller->topGroupCount() : m_controller->recordCount();
    if (parent.column() != 0)
        return 0;
    const Node n = nodeOf(parent);
    switch (n.kind) {
    case Node::Group: {
        const GridDataController::Group &g = m_controller->group(n.group);
        return (g.firstChild < 0 ? g.size() : g.childCount) + footerRows();
    }
    case Node::Record:
    case Node::Detail: {
        const int b = blockFor(parent.internalId(), parent.row(), n);
        if (b < 0 || m_blocks[size_t(b)].records.empty())
            return 0;
        return 1 + int(m_blocks[size_t(b)].records.size());
    }
    default:
        return 0;
    }
}

bool TableViewModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return rowCount() > 0;
    if (parent.column() != 0)
        return false;
    const Node n = nodeOf(parent);
    switch (n.kind) {
    case Node::Group:
        return true;
    case Node::Record:
    case Node::Detail: {
        GridTableView *view = nullptr;
        DataSet *ds = nullptr;
        int record = -1;
        if (!masterOf(n, view, ds, record) || !linkOf(view))
            return false;
        return !detailRecords(view, ds, record).empty();
    }
    default:
        return false;
    }
}

int TableViewModel::columnCount(const QModelIndex &) const
{
    return int(m_columns.size());
}

quintptr TableViewModel::idAsParent(const QModelIndex &parent, const Node &node) const
{
    if (node.kind == Node::Group)
        return quintptr(node.group) + 1;
    const int b = blockFor(parent.internalId(), parent.row(), node);
    return b < 0 ? 0 : quintptr(m_groups) + 1 + quintptr(b);
}

QModelIndex TableViewModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount())
        return QModelIndex();
    if (!parent.isValid()) {
        if (row >= rowCount())
            return QModelIndex();
        return createIndex(row, column, quintptr(0));
    }
    if (parent.model() != this || parent.column() != 0 || row >= rowCount(parent))
        return QModelIndex();
    const quintptr id = idAsParent(parent, nodeOf(parent));
    if (id == 0)
        return QModelIndex();
    return createIndex(row, column, id);
}

QModelIndex TableViewModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.model() != this)
        return QModelIndex();
    const quintptr pid = child.internalId();
    if (pid == 0)
        return QModelIndex();
    if (pid <= quintptr(m_groups)) {
        const GridDataController::Group &g = m_controller->group(int(pid) - 1);
        return createIndex(g.rowInParent, 0, g.parent < 0 ? quintptr(0) : quintptr(g.parent) + 1);
    }
    const Block &b = m_blocks[size_t(pid - quintptr(m_groups) - 1)];
    return createIndex(b.masterRow, 0, b.masterParentId);
}

Qt::ItemFlags TableViewModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Node n = nodeOf(index);
    switch (n.kind) {
    case Node::Group:
        break;
    case Node::Record:
        if (!m_view->detailView())
            f |= Qt::ItemNeverHasChildren;
        break;
    case Node::Detail:
        if (!m_blocks[size_t(n.block)].view || !m_blocks[size_t(n.block)].view->detailView())
            f |= Qt::ItemNeverHasChildren;
        break;
    default:
        f |= Qt::ItemNeverHasChildren;
        break;
    }
    return f;
}

// ---------------------------------------------------------------- texts

QString TableViewModel::formatValue(const QVariant &v, FieldType type, const GridColumn *c)
{
    if (v.isNull())
        return QString();
    if (c && c->DisplayFormatAssigned && !c->DisplayFormat.isEmpty()
        && (c->Properties == GridColumn::PropertiesKind::MaskEdit
            || c->Properties == GridColumn::PropertiesKind::Currency)) {
        bool ok = false;
        const double d = isNumericType(type) ? v.toDouble(&ok) : v.toString().trimmed().toDouble(&ok);
        if (ok)
            return formatFloat(c->DisplayFormat, d);
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return formatFloat(QString(), v.toDouble());
    case QMetaType::QDateTime:
        return QLocale().toString(v.toDateTime(), QLocale::ShortFormat);
    case QMetaType::QDate:
        return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    default:
        return v.toString();
    }
}

QString TableViewModel::displayText(int pos, int column) const
{
    const DataSet *ds = dataSet();
    if (!ds || column < 0 || column >= m_fieldOfColumn.size() || pos < 0 || pos >= m_controller->recordCount())
        return QString();
    const int field = m_fieldOfColumn.at(column);
    if (field < 0 || field >= ds->fieldCount() || !m_columns.at(column))
        return QString();
    return formatValue(m_controller->value(pos, field), ds->fieldDefs().at(field).type, m_columns.at(column).data());
}

QString TableViewModel::groupText(int g) const
{
    if (g < 0 || g >= m_controller->groupCount())
        return QString();
    const GridDataController::Group &group = m_controller->group(g);
    GridColumn *c = m_view->groupColumn(group.level);
    const DataSet *ds = dataSet();
    const int field = m_controller->settings().groups.value(group.level).field;
    const FieldType type = ds && field >= 0 && field < ds->fieldCount() ? ds->fieldDefs().at(field).type
                                                                         : FieldType::Unknown;
    const QString caption = c ? c->headerText() : QString();
    return caption + QStringLiteral(" : ") + formatValue(group.value, type, c);
}

QString TableViewModel::summaryText(int g, int column) const
{
    const DataSet *ds = dataSet();
    if (!ds || column < 0 || column >= m_fieldOfColumn.size())
        return QString();
    const GridColumn *c = m_columns.at(column).data();
    if (!c)
        return QString();
    const GridSummaryKind kind = g < 0 ? c->Summary.FooterKind : c->Summary.GroupFooterKind;
    const int field = m_fieldOfColumn.at(column);
    if (kind == GridSummaryKind::None || field < 0)
        return QString();
    const QVariant v = g < 0 ? m_controller->footerSummary(kind, field) : m_controller->groupSummary(g, kind, field);
    if (v.isNull())
        return QString();
    const QString format = g < 0 ? c->Summary.FooterFormat : c->Summary.GroupFooterFormat;
    if (kind == GridSummaryKind::Count)
        return format.isEmpty() ? v.toString() : formatFloat(format, v.toDouble());
    if (kind == GridSummaryKind::Min || kind == GridSummaryKind::Max) {
        if (!format.isEmpty() && isNumericType(ds->fieldDefs().at(field).type))
            return formatFloat(format, v.toDouble());
        return formatValue(v, ds->fieldDefs().at(field).type, c);
    }
    if (!format.isEmpty())
        return formatFloat(format, v.toDouble());
    if (c->DisplayFormatAssigned && !c->DisplayFormat.isEmpty())
        return formatFloat(c->DisplayFormat, v.toDouble());
    return formatFloat(QString(), v.toDouble());
}

// ---------------------------------------------------------------- data

TableViewModel::RowKind TableViewModel::rowKind(const QModelIndex &index) const
{
    switch (nodeOf(index).kind) {
    case Node::Group: return RowKind::Group;
    case Node::GroupFooter: return RowKind::GroupFooter;
    case Node::DetailHeader: return RowKind::DetailHeader;
    case Node::Detail: return RowKind::Detail;
    default: return RowKind::Data;
    }
}

QVariant TableViewModel::styleColor(int slot, GridTableView *view) const
{
    const GridTableView::Styles &s = view->styles();
    const GridStyle *style = nullptr;
    switch (slot) {
    case Content: style = s.Content.data(); break;
    case ContentOdd: style = s.ContentOdd ? s.ContentOdd.data() : s.Content.data(); break;
    case Footer: style = s.Footer.data(); break;
    case Group: style = s.Group.data(); break;
    case Header: style = s.Header.data(); break;
    }
    if (!style || VclColor::isDefault(style->Color()))
        return QVariant();
    const QColor color = VclColor::toQColor(style->Color());
    return color.isValid() ? QVariant(color) : QVariant();
}

QVariant TableViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    if (m_observer)
        m_observer(index, role);
    const Node n = nodeOf(index);
    const int column = index.column();
    switch (role) {
    case RowKindRole:
        return int(rowKind(index));
    case RecordRole:
        if (n.kind == Node::Record)
            return m_controller->recordAt(n.pos);
        if (n.kind == Node::Detail)
            return m_blocks[size_t(n.block)].records[size_t(n.row)];
        return -1;
    case PositionRole:
        return n.kind == Node::Record ? n.pos : -1;
    case GroupRole:
        return n.kind == Node::Group || n.kind == Node::GroupFooter ? n.group : -1;
    case LevelRole: {
        int level = 0;
        for (QModelIndex p = parent(index); p.isValid(); p = parent(p))
            ++level;
        return level;
    }
    default:
        break;
    }

    switch (n.kind) {
    case Node::Record:
        switch (role) {
        case Qt::DisplayRole:
            return displayText(n.pos, column);
        case Qt::BackgroundRole:
            return styleColor(index.row() % 2 == 1 ? ContentOdd : Content, m_view);
        case Qt::TextAlignmentRole: {
            const DataSet *ds = dataSet();
            const int field = m_fieldOfColumn.value(column, -1);
            if (ds && field >= 0 && field < ds->fieldCount() && isNumericType(ds->fieldDefs().at(field).type))
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant();
        }
        default:
            return QVariant();
        }
    case Node::Group:
        if (role == Qt::DisplayRole)
            return column == 0 ? QVariant(groupText(n.group)) : QVariant(QString());
        if (role == Qt::BackgroundRole)
            return styleColor(Group, m_view);
        return QVariant();
    case Node::GroupFooter:
        if (role == Qt::DisplayRole)
            return summaryText(n.group, column);
        if (role == Qt::BackgroundRole)
            return styleColor(Footer, m_view);
        return QVariant();
    case Node::DetailHeader:
    case Node::Detail: {
        GridTableView *detail = m_blocks[size_t(n.block)].view;
        if (!detail || column >= detail->ColumnCount())
            return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
        const GridColumn *c = detail->Columns(column);
        if (n.kind == Node::DetailHeader) {
            if (role == Qt::DisplayRole)
                return c->headerText();
            if (role == Qt::BackgroundRole)
                return styleColor(Header, detail);
            return QVariant();
        }
        const DataSet *ds = detail->DataController()->dataSet();
        const int field = ds ? ds->fieldIndex(c->FieldName) : -1;
        const int record = m_blocks[size_t(n.block)].records[size_t(n.row)];
        if (role == Qt::DisplayRole)
            return field < 0 ? QString() : formatValue(valueOf(ds, record, field), ds->fieldDefs().at(field).type, c);
        if (role == Qt::BackgroundRole)
            return styleColor(n.row % 2 == 1 ? ContentOdd : Content, detail);
        if (role == Qt::TextAlignmentRole && field >= 0 && isNumericType(ds->fieldDefs().at(field).type))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant TableViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_columns.at(section) ? m_columns.at(section)->headerText() : QString();
    if (role == Qt::BackgroundRole)
        return styleColor(Header, m_view);
    return QVariant();
}

// ---------------------------------------------------------------- lookups

QModelIndex TableViewModel::groupIndex(int g) const
{
    if (g < 0 || g >= m_controller->groupCount())
        return QModelIndex();
    const GridDataController::Group &group = m_controller->group(g);
    return createIndex(group.rowInParent, 0, group.parent < 0 ? quintptr(0) : quintptr(group.parent) + 1);
}

QModelIndex TableViewModel::recordIndex(int pos) const
{
    if (pos < 0 || pos >= m_controller->recordCount() || columnCount() == 0)
        return QModelIndex();
    if (!m_controller->isGrouped())
        return createIndex(pos, 0, quintptr(0));
    const int g = m_controller->groupOfPosition(pos);
    if (g < 0)
        return QModelIndex();
    return createIndex(pos - m_controller->group(g).begin, 0, quintptr(g) + 1);
}

GridTableView *TableViewModel::detailViewOf(const QModelIndex &index) const
{
    const Node n = nodeOf(index);
    if (n.kind == Node::DetailHeader || n.kind == Node::Detail)
        return m_blocks[size_t(n.block)].view;
    return nullptr;
}

int TableViewModel::positionOf(const QModelIndex &index) const
{
    const Node n = nodeOf(index);
    return n.kind == Node::Record ? n.pos : -1;
}
