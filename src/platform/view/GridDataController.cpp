#include "GridDataController.h"

#include "DataSet.h"
#include "ValueCompare.h"
#include "ValueHash.h"

#include <QDateTime>

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace {

const QVariant kNull;

// Values of a filter, looked up by hash when there are many.
class FilterMatcher
{
public:
    FilterMatcher(int field, const QVariantList &values) : m_field(field)
    {
        for (const QVariant &v : values) {
            if (v.isNull())
                m_blanks = true;
            else
                m_values.push_back(v);
        }
        if (m_values.size() > 8)
            for (size_t i = 0; i < m_values.size(); ++i)
                m_byHash.emplace(valueHash(m_values[i]), int(i));
    }
    int field() const { return m_field; }
    bool matches(const QVariant &v) const
    {
        if (v.isNull())
            return m_blanks;
        if (m_byHash.empty()) {
            for (const QVariant &w : m_values)
                if (compareValues(v, w) == 0)
                    return true;
            return false;
        }
        auto [first, last] = m_byHash.equal_range(valueHash(v));
        for (auto it = first; it != last; ++it)
            if (compareValues(v, m_values[size_t(it->second)]) == 0)
                return true;
        // Mixed kinds may hash apart: fall back to comparing them all.
        for (const QVariant &w : m_values)
            if (w.typeId() != v.typeId() && compareValues(v, w) == 0)
                return true;
        return false;
    }

private:
    int m_field;
    bool m_blanks = false;
    std::vector<QVariant> m_values;
    std::unordered_multimap<std::size_t, int> m_byHash;
};

// A value as a piece of a group key: equal values give equal text.
QString keyText(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("\x01");
    if (isNumberValue(v))
        return QLatin1String("n:") + v.toString();
    switch (v.typeId()) {
    case QMetaType::QString:
        return QLatin1String("s:") + withoutTrailingBlanks(*static_cast<const QString *>(v.constData()));
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return QLatin1String("d:") + v.toDateTime().toString(Qt::ISODateWithMs);
    default:
        return QLatin1String("o:") + withoutTrailingBlanks(v.toString());
    }
}

quint64 summaryKey(int group, int field, GridSummaryKind kind)
{
    return (quint64(quint32(group + 1)) << 32) | (quint64(quint32(field)) << 4) | quint64(kind);
}

} // namespace

GridDataController::GridDataController(QObject *parent) : QObject(parent) {}

GridDataController::~GridDataController() = default;

void GridDataController::setDataSet(DataSet *dataSet)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_dataSet = dataSet;
    m_expandedMasters.clear();
    if (dataSet) {
        m_connections << connect(dataSet, &DataSet::dataReset, this, [this] {
            m_expandedMasters.clear();
            rebuild();
        });
        m_connections << connect(dataSet, &DataSet::rowsInserted, this, &GridDataController::onRowsInserted);
        // Data sets that edit rows in place tell which row changed.
        if (dataSet->metaObject()->indexOfSignal("rowChanged(int)") >= 0)
            m_connections << connect(dataSet, SIGNAL(rowChanged(int)), this, SLOT(onRowChangedSlot(int)));
        m_connections << connect(dataSet, &QObject::destroyed, this, [this] { rebuild(); });
    }
    rebuild();
}

void GridDataController::setSettings(const Settings &settings)
{
    if (settings == m_settings)
        return;
    m_settings = settings;
    rebuild();
}

void GridDataController::rebuild()
{
    emit aboutToRebuild();
    build();
    emit rebuilt();
}

const QVariant &GridDataController::value(int pos, int field) const
{
    if (!m_dataSet || field < 0 || field >= m_dataSet->fieldCount())
        return kNull;
    return m_dataSet->data().at(m_dataSet->sourceRow(recordAt(pos)), field);
}

void GridDataController::invalidateSummaries()
{
    m_summaryCache.clear();
}

void GridDataController::build()
{
    m_order.clear();
    m_order.shrink_to_fit();
    m_groups.clear();
    m_keys.clear();
    m_levels.clear();
    m_topGroups = 0;
    m_presentedCount = -1;
    invalidateSummaries();
    DataSet *ds = m_dataSet;
    if (!ds || !ds->active()) {
        m_identity = true;
        m_identityCount = 0;
        return;
    }
    const int n = ds->recordCount();
    const int fields = ds->fieldCount();
    auto valid = [fields](int f) { return f >= 0 && f < fields; };
    QVector<Filter> filters;
    for (const Filter &f : m_settings.filters)
        if (valid(f.field))
            filters << f;
    QVector<Level> sorting;
    for (const Level &l : m_settings.sorting)
        if (valid(l.field))
            sorting << l;
    for (const Level &l : m_settings.groups)
        if (valid(l.field))
            m_levels << l;
    if (filters.isEmpty() && sorting.isEmpty() && m_levels.isEmpty()) {
        m_identity = true;
        m_identityCount = n;
        return;
    }
    m_identity = false;
    const RecordData &rd = ds->data();
    if (filters.isEmpty()) {
        m_order.resize(size_t(n));
        std::iota(m_order.begin(), m_order.end(), 0);
    } else {
        std::vector<FilterMatcher> matchers;
        for (const Filter &f : filters)
            matchers.emplace_back(f.field, f.values);
        m_order.reserve(size_t(n));
        for (int r = 0; r < n; ++r) {
            const int source = ds->sourceRow(r);
            bool ok = true;
            for (const FilterMatcher &m : matchers)
                if (!m.matches(rd.at(source, m.field()))) {
                    ok = false;
                    break;
                }
            if (ok)
                m_order.push_back(r);
        }
    }
    if (!sorting.isEmpty()) {
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            const int sa = ds->sourceRow(a);
            const int sb = ds->sourceRow(b);
            for (const Level &l : sorting) {
                const int c = compareValues(rd.at(sa, l.field), rd.at(sb, l.field));
                if (c != 0)
                    return l.descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    if (!m_levels.isEmpty())
        buildGroups();
}

void GridDataController::buildGroups()
{
    std::vector<int> scratch;
    bucketRange(0, int(m_order.size()), 0, -1, scratch);
    m_topGroups = int(m_groups.size());
    int levelBegin = 0;
    int levelEnd = m_topGroups;
    for (int level = 1; level < m_levels.size(); ++level) {
        for (int g = levelBegin; g < levelEnd; ++g) {
            const int first = int(m_groups.size());
            bucketRange(m_groups[size_t(g)].begin, m_groups[size_t(g)].end, level, g, scratch);
            m_groups[size_t(g)].firstChild = first;
            m_groups[size_t(g)].childCount = int(m_groups.size()) - first;
        }
        levelBegin = levelEnd;
        levelEnd = int(m_groups.size());
    }
}

// Groups the positions [begin, end) by the value of the level's field: one pass to put
// every row into a bucket of equal values, the distinct values ordered, then the rows
// scattered bucket by bucket (keeping their order inside each bucket).
void GridDataController::bucketRange(int begin, int end, int level, int parent, std::vector<int> &scratch)
{
    const Level wanted = m_levels.at(level);
    const RecordData &rd = m_dataSet->data();
    DataSet *ds = m_dataSet;
    auto valueAt = [&](int pos) -> const QVariant & { return rd.at(ds->sourceRow(m_order[size_t(pos)]), wanted.field); };

    const int n = end - begin;
    std::vector<int> bucketOfRow(static_cast<size_t>(n));
    std::vector<int> representative; // a position holding the bucket's value
    std::vector<int> nextSameHash;
    std::unordered_map<std::size_t, int> head;
    for (int k = 0; k < n; ++k) {
        const QVariant &v = valueAt(begin + k);
        auto [it, inserted] = head.try_emplace(valueHash(v), -1);
        int found = -1;
        for (int c = it->second; c >= 0; c = nextSameHash[size_t(c)])
            if (compareValues(valueAt(representative[size_t(c)]), v) == 0) {
                found = c;
                break;
            }
        if (found < 0) {
            found = int(representative.size());
            representative.push_back(begin + k);
            nextSameHash.push_back(it->second);
            it->second = found;
        }
        bucketOfRow[size_t(k)] = found;
    }

    const int buckets = int(representative.size());
    std::vector<int> byValue(static_cast<size_t>(buckets));
    std::iota(byValue.begin(), byValue.end(), 0);
    std::stable_sort(byValue.begin(), byValue.end(), [&](int a, int b) {
        const int c = compareValues(valueAt(representative[size_t(a)]), valueAt(representative[size_t(b)]));
        return wanted.descending ? c > 0 : c < 0;
    });
    // Buckets whose values compare equal (mixed kinds) form one group.
    std::vector<int> groupOfBucket(static_cast<size_t>(buckets));
    std::vector<int> groupRepresentative;
    for (int i = 0; i < buckets; ++i) {
        const int b = byValue[size_t(i)];
        if (i > 0
            && compareValues(valueAt(representative[size_t(b)]), valueAt(groupRepresentative.back())) == 0) {
            groupOfBucket[size_t(b)] = int(groupRepresentative.size()) - 1;
        } else {
            groupOfBucket[size_t(b)] = int(groupRepresentative.size());
            groupRepresentative.push_back(representative[size_t(b)]);
        }
    }
    const int groups = int(groupRepresentative.size());
    std::vector<int> start(size_t(groups) + 1, 0);
    for (int k = 0; k < n; ++k)
        ++start[size_t(groupOfBucket[size_t(bucketOfRow[size_t(k)])]) + 1];
    for (int g = 0; g < groups; ++g)
        start[size_t(g) + 1] += start[size_t(g)];

    std::vector<QVariant> values;
    values.reserve(size_t(groups));
    for (int g = 0; g < groups; ++g)
        values.push_back(valueAt(groupRepresentative[size_t(g)]));

    scratch.resize(size_t(n));
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int k = 0; k < n; ++k)
        scratch[size_t(fill[size_t(groupOfBucket[size_t(bucketOfRow[size_t(k)])])]++)] = m_order[size_t(begin + k)];
    std::copy(scratch.begin(), scratch.begin() + n, m_order.begin() + begin);

    const QString parentKey = parent >= 0 ? m_keys[size_t(parent)] : QString();
    for (int g = 0; g < groups; ++g) {
        Group group;
        group.level = level;
        group.parent = parent;
        group.rowInParent = g;
        group.begin = begin + start[size_t(g)];
        group.end = begin + start[size_t(g) + 1];
        group.value = values[size_t(g)];
        QString key = parentKey + QChar(0x1e) + keyText(group.value);
        group.expanded = m_expandedKeys.contains(key);
        m_groups.push_back(std::move(group));
        m_keys.push_back(std::move(key));
    }
}

int GridDataController::groupOfPosition(int pos) const
{
    if (m_groups.empty() || pos < 0 || pos >= recordCount())
        return -1;
    // Descend from the top level: children are contiguous and ordered by position.
    int first = 0;
    int count = m_topGroups;
    for (;;) {
        auto it = std::upper_bound(m_groups.begin() + first, m_groups.begin() + first + count, pos,
                                   [](int p, const Group &g) { return p < g.begin; });
        const int g = int(it - m_groups.begin()) - 1;
        if (g < first)
            return -1;
        if (m_groups[size_t(g)].firstChild < 0)
            return g;
        first = m_groups[size_t(g)].firstChild;
        count = m_groups[size_t(g)].childCount;
    }
}

void GridDataController::setGroupExpanded(int g, bool expanded)
{
    if (g < 0 || g >= groupCount() || m_groups[size_t(g)].expanded == expanded)
        return;
    m_groups[size_t(g)].expanded = expanded;
    if (expanded)
        m_expandedKeys.insert(m_keys[size_t(g)]);
    else
        m_expandedKeys.remove(m_keys[size_t(g)]);
    m_presentedCount = -1;
    emit groupExpansionChanged(g);
}

void GridDataController::FullExpand()
{
    for (size_t g = 0; g < m_groups.size(); ++g) {
        m_groups[g].expanded = true;
        m_expandedKeys.insert(m_keys[g]);
    }
    m_presentedCount = -1;
    emit allGroupsExpansionChanged();
}

void GridDataController::FullCollapse()
{
    for (Group &g : m_groups)
        g.expanded = false;
    m_expandedKeys.clear();
    m_presentedCount = -1;
    emit allGroupsExpansionChanged();
}

bool GridDataController::masterExpanded(int pos) const
{
    if (!m_dataSet || pos < 0 || pos >= recordCount())
        return false;
    return m_expandedMasters.contains(m_dataSet->sourceRow(recordAt(pos)));
}

void GridDataController::setMasterExpanded(int pos, bool expanded)
{
    if (!m_dataSet || pos < 0 || pos >= recordCount() || masterExpanded(pos) == expanded)
        return;
    const int source = m_dataSet->sourceRow(recordAt(pos));
    if (expanded)
        m_expandedMasters.insert(source);
    else
        m_expandedMasters.remove(source);
    emit masterExpansionChanged(pos);
}

QVector<int> GridDataController::expandedMasters() const
{
    QVector<int> out;
    if (!m_dataSet || m_expandedMasters.isEmpty())
        return out;
    const int n = recordCount();
    for (int pos = 0; pos < n; ++pos)
        if (m_expandedMasters.contains(m_dataSet->sourceRow(recordAt(pos))))
            out << pos;
    return out;
}

int GridDataController::presentedCount() const
{
    if (!isGrouped())
        return recordCount();
    if (m_presentedCount >= 0)
        return m_presentedCount;
    // Innermost first: a group presents itself plus, when expanded, what its children present.
    std::vector<int> presents(m_groups.size(), 1);
    for (int g = groupCount() - 1; g >= 0; --g) {
        const Group &group = m_groups[size_t(g)];
        if (!group.expanded)
            continue;
        if (group.firstChild < 0) {
            presents[size_t(g)] += group.size();
        } else {
            for (int c = group.firstChild; c < group.firstChild + group.childCount; ++c)
                presents[size_t(g)] += presents[size_t(c)];
        }
    }
    int total = 0;
    for (int g = 0; g < m_topGroups; ++g)
        total += presents[size_t(g)];
    m_presentedCount = total;
    return total;
}

GridDataController::PresentedRow GridDataController::presentedRow(int index) const
{
    PresentedRow row;
    if (index < 0)
        return row;
    if (!isGrouped()) {
        if (index < recordCount())
            row.pos = index;
        return row;
    }
    std::vector<int> presents(m_groups.size(), 1);
    for (int g = groupCount() - 1; g >= 0; --g) {
        const Group &group = m_groups[size_t(g)];
        if (!group.expanded)
            continue;
        if (group.firstChild < 0)
            presents[size_t(g)] += group.size();
        else
            for (int c = group.firstChild; c < group.firstChild + group.childCount; ++c)
                presents[size_t(g)] += presents[size_t(c)];
    }
    int first = 0;
    int count = m_topGroups;
    for (;;) {
        int g = first;
        for (; g < first + count; ++g) {
            if (index < presents[size_t(g)])
                break;
            index -= presents[size_t(g)];
        }
        if (g >= first + count)
            return row; // past the end
        if (index == 0) {
            row.group = g;
            return row;
        }
        --index;
        const Group &group = m_groups[size_t(g)];
        if (group.firstChild < 0) {
            row.pos = group.begin + index;
            return row;
        }
        first = group.firstChild;
        count = group.childCount;
    }
}

QVariant GridDataController::summary(GridSummaryKind kind, int field, int begin, int end) const
{
    if (kind == GridSummaryKind::None || !m_dataSet || field < 0 || field >= m_dataSet->fieldCount())
        return QVariant();
    int count = 0;
    double sum = 0;
    const QVariant *best = nullptr;
    for (int pos = begin; pos < end; ++pos) {
        const QVariant &v = value(pos, field);
        if (v.isNull())
            continue;
        ++count;
        switch (kind) {
        case GridSummaryKind::Sum:
        case GridSummaryKind::Average:
            sum += v.toDouble();
            break;
        case GridSummaryKind::Min:
            if (!best || compareValues(v, *best) < 0)
                best = &v;
            break;
        case GridSummaryKind::Max:
            if (!best || compareValues(v, *best) > 0)
                best = &v;
            break;
        default:
            break;
        }
    }
    switch (kind) {
    case GridSummaryKind::Count:
        return count;
    case GridSummaryKind::Sum:
        return count ? QVariant(sum) : QVariant();
    case GridSummaryKind::Average:
        return count ? QVariant(sum / count) : QVariant();
    case GridSummaryKind::Min:
    case GridSummaryKind::Max:
        return best ? *best : QVariant();
    default:
        return QVariant();
    }
}

QVariant GridDataController::footerSummary(GridSummaryKind kind, int field) const
{
    const quint64 key = summaryKey(-1, field, kind);
    auto it = m_summaryCache.constFind(key);
    if (it != m_summaryCache.constEnd())
        return *it;
    const QVariant v = summary(kind, field, 0, recordCount());
    m_summaryCache.insert(key, v);
    return v;
}

QVariant GridDataController::groupSummary(int g, GridSummaryKind kind, int field) const
{
    if (g < 0 || g >= groupCount())
        return QVariant();
    const quint64 key = summaryKey(g, field, kind);
    auto it = m_summaryCache.constFind(key);
    if (it != m_summaryCache.constEnd())
        return *it;
    const Group &group = m_groups[size_t(g)];
    const QVariant v = summary(kind, field, group.begin, group.end);
    m_summaryCache.insert(key, v);
    return v;
}

void GridDataController::onRowsInserted(int first, int last)
{
    if (m_identity && m_dataSet && m_dataSet->recordCount() == m_identityCount + (last - first + 1)) {
        emit recordsAboutToBeInserted(first, last);
        m_identityCount = m_dataSet->recordCount();
        invalidateSummaries();
        m_presentedCount = -1;
        emit recordsInserted(first, last);
        return;
    }
    rebuild();
}

void GridDataController::onRowChangedSlot(int visibleRow)
{
    if (m_identity && visibleRow >= 0 && visibleRow < m_identityCount) {
        invalidateSummaries();
        emit recordChanged(visibleRow);
        return;
    }
    // The row may move or change its group: order and groups again.
    rebuild();
}
