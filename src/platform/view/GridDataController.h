#pragma once

#include "GridColumn.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVariant>
#include <QVector>

#include <vector>

#include "DataSet.h"

// The rows a table view presents, computed from its data set without copying values:
// the records that pass the column filters, in sorting order, and the groups over them.
//
// Records are addressed by position (0 .. recordCount()-1, the view's order) and map to
// the data set's visible rows through recordAt(). Grouping keeps one index: the positions
// sorted stably by the group values plus the boundaries of every group, built by
// bucketing on a hash of the values (linear in the rows) and ordering only the distinct
// values. Expansion of groups is kept per group key (the values from the outermost level
// down), so it survives regrouping, resorting and reloading.
class GridDataController : public QObject
{
    Q_OBJECT
public:
    explicit GridDataController(QObject *parent = nullptr);
    ~GridDataController() override;

    // Master-detail keys, field names separated by ";": KeyFieldNames are the key of this
    // view's records; in a detail view, MasterKeyFieldNames name the master's fields
    // (empty: the master's KeyFieldNames) and DetailKeyFieldNames the matching fields of
    // this view's data set (empty: the same names).
    QString KeyFieldNames;
    QString MasterKeyFieldNames;
    QString DetailKeyFieldNames;

    // What the rows depend on.
    struct Level
    {
        int field = -1;
        bool descending = false;
        bool operator==(const Level &) const = default;
    };
    struct Filter
    {
        int field = -1;
        QVariantList values; // a null value stands for empty values
        bool operator==(const Filter &) const = default;
    };
    struct Settings
    {
        QVector<Level> groups;  // outermost first
        QVector<Level> sorting; // first key first
        QVector<Filter> filters;
        bool operator==(const Settings &) const = default;
    };

    DataSet *dataSet() const { return m_dataSet; }
    void setDataSet(DataSet *dataSet);
    const Settings &settings() const { return m_settings; }
    // Rebuilds the rows when the settings differ from the current ones.
    void setSettings(const Settings &settings);
    // Recomputes everything from the data set.
    void rebuild();

    // Records in view order.
    int recordCount() const { return m_identity ? m_identityCount : int(m_order.size()); }
    // The data set's visible row of position `pos`.
    int recordAt(int pos) const { return m_identity ? pos : m_order[size_t(pos)]; }
    const QVariant &value(int pos, int field) const;

    // Groups: stored level by level; the children of a group are contiguous.
    struct Group
    {
        int level = 0;
        int parent = -1;      // -1: top level
        int rowInParent = 0;
        int begin = 0;        // positions [begin, end)
        int end = 0;
        int firstChild = -1;  // first subgroup; -1 on the innermost level
        int childCount = 0;
        QVariant value;
        bool expanded = false;
        int size() const { return end - begin; }
    };
    bool isGrouped() const { return !m_levels.isEmpty(); }
    int groupLevelCount() const { return int(m_levels.size()); }
    int groupCount() const { return int(m_groups.size()); }
    const Group &group(int g) const { return m_groups[size_t(g)]; }
    int topGroupCount() const { return m_topGroups; }
    bool isLeafGroup(int g) const { return m_groups[size_t(g)].firstChild < 0; }
    // The innermost group that holds position `pos`, or -1.
    int groupOfPosition(int pos) const;

    // Expansion of groups.
    bool groupExpanded(int g) const { return m_groups[size_t(g)].expanded; }
    void setGroupExpanded(int g, bool expanded);
    // Every group of every level at once.
    void FullExpand();
    void FullCollapse();

    // Expansion of master records (records whose detail rows are shown), by position.
    bool masterExpanded(int pos) const;
    void setMasterExpanded(int pos, bool expanded);
    // Positions of the expanded master records.
    QVector<int> expandedMasters() const;

    // The rows the view presents: group rows and records, children of collapsed groups
    // left out (detail rows and footers are not counted).
    struct PresentedRow
    {
        int group = -1; // a group row
        int pos = -1;   // or a record
    };
    int presentedCount() const;
    PresentedRow presentedRow(int index) const;

    // Summaries over positions [begin, end); null when there are no values.
    QVariant summary(GridSummaryKind kind, int field, int begin, int end) const;
    QVariant footerSummary(GridSummaryKind kind, int field) const;
    QVariant groupSummary(int g, GridSummaryKind kind, int field) const;

signals:
    void aboutToRebuild();
    void rebuilt();
    // Records appended at positions first..last (only without filter, sorting and groups):
    // announced before recordCount() grows, told after.
    void recordsAboutToBeInserted(int first, int last);
    void recordsInserted(int first, int last);
    // The data of position `pos` changed in place.
    void recordChanged(int pos);
    void groupExpansionChanged(int group);
    void allGroupsExpansionChanged();
    void masterExpansionChanged(int pos);

private slots:
    void onRowChangedSlot(int visibleRow);

private:
    void build();
    void buildGroups();
    void bucketRange(int begin, int end, int level, int parent, std::vector<int> &scratch);
    void onRowsInserted(int first, int last);
    void invalidateSummaries();

    QPointer<DataSet> m_dataSet;
    QVector<QMetaObject::Connection> m_connections;
    Settings m_settings;
    QVector<Level> m_levels; // the groups whose fields exist
    bool m_identity = true;
    int m_identityCount = 0;
    std::vector<int> m_order;
    std::vector<Group> m_groups;
    std::vector<QString> m_keys; // expansion key of every group
    int m_topGroups = 0;
    QSet<QString> m_expandedKeys;
    QSet<int> m_expandedMasters; // source rows of the data set
    mutable int m_presentedCount = -1;
    mutable QHash<quint64, QVariant> m_summaryCache;
};
