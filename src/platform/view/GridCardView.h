#pragma once

#include "GridColumn.h"
#include "GridView.h"

#include <QListView>
#include <QPointer>

class DataSource;
class DataSet;
class CardViewModel;

// A data card view: one card per record, each card listing its rows (caption and value).
// Card rows are GridColumn objects.
class GridCardView : public QListView, public GridView
{
    Q_OBJECT
    Q_INTERFACES(GridView)
public:
    explicit GridCardView(QWidget *parent = nullptr);
    ~GridCardView() override;

    GridViewKind Kind() const override { return GridViewKind::Card; }
    QWidget *widget() override { return this; }
    const QWidget *widget() const override { return this; }
    QWidget *site() override { return this; }

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);
    DataSet *dataSet() const;

    int RowCount() const { return int(m_rows.size()); }
    GridColumn *Rows(int index) const { return m_rows.value(index); }
    GridColumn *CreateRow();
    void rowsChanged();

    int CardWidth = 220;
    // The text of row `row` on the card of record `record`.
    QString cardText(int record, int row) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<DataSource> m_source;
    QList<GridColumn *> m_rows;
    CardViewModel *m_model;
};
