#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

class DataSet;
class DataSource;
class GridTableView;

// The rows of a view's data set under the view's columns. Reads values on demand:
// only the rows a view paints are touched.
class TableViewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TableViewModel(GridTableView *view);

    void setDataSource(DataSource *source);
    DataSet *dataSet() const;
    // Columns were added, removed or changed.
    void columnsChanged();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text a cell shows.
    QString displayText(int row, int column) const;

private:
    void attach();
    void resolveFields();

    GridTableView *m_view;
    QPointer<DataSource> m_source;
    QPointer<DataSet> m_dataSet;
    QVector<int> m_fieldOfColumn;
    QVector<QMetaObject::Connection> m_connections;
};
