#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QPointer>
#include <QVector>

#include <functional>
#include <unordered_map>
#include <vector>

class DataSet;
#include "GridColumn.h"
class GridDataController;
class GridTableView;
enum class FieldType;

// The rows of a table view as a tree: group rows are parents of their subgroups or
// records (and of a group footer row when group footers are shown); a master record is
// the parent of its detail block (a header row, then the detail records). Values are read
// on demand from the data sets: only the rows a view paints are touched.
//
// An index's internal id names its parent: 0 the root, 1..G a group, above that a detail
// block. Detail blocks are made when their rows are first asked for.
class TableViewModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Role {
        RowKindRole = Qt::UserRole + 1, // RowKind
        LevelRole,                       // nesting depth from the top (0 top level)
        RecordRole,                      // the data set's visible row of a record, else -1
        GroupRole,                       // the group of a group row or group footer, else -1
        PositionRole,                    // position of a top-view record, else -1
    };
    enum class RowKind { Data, Group, GroupFooter, DetailHeader, Detail };

    explicit TableViewModel(GridTableView *view);
    ~TableViewModel() override;

    GridDataController *controller() const;
    DataSet *dataSet() const;
    // Columns were added, removed or changed: fields resolved again, views reread.
    void columnsChanged();
    // Runs `change` inside one model reset (resets it triggers are folded into it).
    void resetWith(const std::function<void()> &change);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text a cell of the record at position `pos` (view order) shows.
    QString displayText(int pos, int column) const;
    // The text of a value in a column, as cells show it.
    static QString formatValue(const QVariant &value, FieldType type, const GridColumn *column);
    // The text of a group row.
    QString groupText(int group) const;
    // The text of a summary of `column` (footer when group < 0).
    QString summaryText(int group, int column) const;

    RowKind rowKind(const QModelIndex &index) const;
    // Index (column 0) of a group row, of the record at position `pos`.
    QModelIndex groupIndex(int group) const;
    QModelIndex recordIndex(int pos) const;
    // The detail view whose rows a detail header or detail row shows.
    GridTableView *detailViewOf(const QModelIndex &index) const;
    // Position of a top-view record index, or -1.
    int positionOf(const QModelIndex &index) const;

    // Called for every data() request (measurements).
    void setDataObserver(std::function<void(const QModelIndex &, int role)> observer)
    {
        m_observer = std::move(observer);
    }

private slots:
    void detailRebuilt();

private:
    struct Node
    {
        enum Kind { Invalid, Group, Record, GroupFooter, DetailHeader, Detail } kind = Invalid;
        int group = -1;
        int pos = -1;   // record position in the top view
        int block = -1;
        int row = -1;   // detail row inside the block
    };
    struct Block
    {
        quintptr masterParentId = 0;
        int masterRow = 0;
        QPointer<GridTableView> view; // the detail view
        std::vector<int> records;       // its data set's visible rows
    };
    struct Link
    {
        QPointer<GridTableView> detail;
        QVector<int> masterFields;
        QVector<int> detailFields;
        std::unordered_map<std::size_t, std::vector<int>> byKey;
        bool valid = false;
    };

    Node nodeOf(const QModelIndex &index) const;
    quintptr idAsParent(const QModelIndex &parent, const Node &node) const;
    // Master context of a node that can hold details: its view, data set and record.
    bool masterOf(const Node &node, GridTableView *&view, DataSet *&ds, int &record) const;
    const Link *linkOf(GridTableView *master) const;
    std::vector<int> detailRecords(GridTableView *master, DataSet *ds, int record) const;
    int blockFor(quintptr parentId, int row, const Node &node) const;
    int footerRows() const;
    QVariant styleColor(int slot, GridTableView *view) const;
    void beginReset();
    void endReset();

    GridTableView *m_view;
    GridDataController *m_controller;
    QVector<int> m_fieldOfColumn;
    QVector<QPointer<GridColumn>> m_columns; // the columns as of the last reset
    int m_groups = 0; // group count the ids were made with
    int m_resetDepth = 0;
    mutable std::vector<Block> m_blocks;
    mutable QHash<quint64, int> m_blockOf;
    mutable QHash<GridTableView *, Link> m_links;
    std::function<void(const QModelIndex &, int)> m_observer;
};
