#pragma once

#include "GridTableView.h"

// A band: a caption over the columns whose Position.BandIndex names it.
class GridBand : public QObject
{
    Q_OBJECT
public:
    explicit GridBand(QObject *parent = nullptr) : QObject(parent) {}
    QString Caption;
    bool Visible = true;
};

// A data table view with bands over its columns. Columns keep the order of their bands
// (band 0 first); inside a band, their order among the view's columns.
class GridBandedTableView : public GridTableView
{
    Q_OBJECT
public:
    explicit GridBandedTableView(QWidget *parent = nullptr);

    GridViewKind Kind() const override { return GridViewKind::BandedTable; }

    int BandCount() const { return int(m_bands.size()); }
    GridBand *Bands(int index) const { return m_bands.value(index); }
    GridBand *CreateBand();

    // Band headers shown above the column headers.
    bool BandHeaders = true;

    // The horizontal extent of a band in viewport coordinates (empty when it shows no
    // column).
    QPair<int, int> bandExtent(int band) const;

protected:
    void arrangeColumns() override;

private:
    QList<GridBand *> m_bands;
};
