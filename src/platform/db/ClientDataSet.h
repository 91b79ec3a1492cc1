#pragma once

#include "DataSet.h"

class DataSetProvider;

// An in-memory data set. Open() fetches its rows through a provider (found by name among
// the owner's components, or set directly); CreateDataSet() starts an empty one from
// field definitions; rows are added with Append(), field values and Post(), and changed
// with Edit(), field values and Post(); Cancel() drops what was not posted.
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
    // Changing the current row: its values are copied into an edit buffer that field values
    // change and Post() writes back (rowChanged(), or dataReset() when filter or index move
    // the row). Nothing happens while a row is already being edited or inserted; on a data
    // set without visible rows it starts an Append(). Moving the cursor, or changing filter
    // or index, posts a pending edit first. Throws KvoError when closed or past the end.
    void Edit();
    // In insert or edit state; throws KvoError in browse state or for a bad field.
    void setFieldValue(int field, const QVariant &value);
    void setFieldByName(const QString &name, const QVariant &value);
    void Post();
    void Cancel();
    bool inserting() const { return m_inserting; }
    State state() const override;

    // All the rows and their structure.
    RecordData Data() const { return data(); }
    // Replaces structure and rows with `rows`; filter and index stay in force.
    void setData(const RecordData &rows);
    void setData(RecordData &&rows);

protected:
    const QVector<QVariant> *recordBuffer() const override;
    void checkBrowseMode() override;

private:
    DataSetProvider *findProvider() const;
    void postEdit();
    void dropEdit();
    void activateWith(RecordData rows);

    DataSetProvider *m_provider = nullptr;
    bool m_inserting = false;
    bool m_editing = false;
    int m_editRow = -1; // source row being edited
    QVector<QVariant> m_pending;
};
