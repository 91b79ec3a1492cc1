#pragma once

#include <QObject>
#include <QPointer>

#include "DataSet.h"

// Links a data set to the controls that show it.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr) : QObject(parent) {}

    DataSet *dataSet() const { return m_dataSet; }
    void setDataSet(DataSet *dataSet)
    {
        if (m_dataSet == dataSet)
            return;
        m_dataSet = dataSet;
        emit dataSetChanged();
    }

signals:
    void dataSetChanged();

private:
    QPointer<DataSet> m_dataSet;
};
