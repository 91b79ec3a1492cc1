#pragma once

#include "DataSet.h"

class DataSetProvider;

// An in-memory data set. Open() fetches its rows through a provider (found by name among
// the owner's components, or set directly); CreateDataSet() starts an empty one from
// field definitions; rows are added with Append(), field values and Post().
// There is no change log: posted rows are simply the data.
class ClientDataSet : public DataSet
{
    Q_OBJECT
public:
    explicit ClientDataSet(QObject *parent = nullptr);

    QString ProviderName;
    QString CommandText;
    bool LogChanges = true; // kept for callers; changes are never logged
    void setProvider(DataSetProvider *provider) { m_provider = provider; }

    // Throws KvoError (no provider, the provider's or the database's error).
    void Open() override;
    void Close() override;

    // Field definitions for CreateDataSet().
    QVector<FieldDef> FieldDefs;
    void CreateDataSet();

    // Adding rows
    void Append();
    void setFieldValue(int field, const QVariant &value);
    void setFieldByName(const QString &name, const QVariant &value);
    void Post();
    void Cancel();
    bool inserting() const { return m_inserting; }

    // All the rows and their structure.
    RecordData Data() const { return data(); }
    // Replaces structure and rows with `rows`; filter and index stay in force.
    void setData(const RecordData &rows);
    void setData(RecordData &&rows);

private:
    DataSetProvider *findProvider() const;
    void activateWith(RecordData rows);

    DataSetProvider *m_provider = nullptr;
    bool m_inserting = false;
    QVector<QVariant> m_pending;
};
