#pragma once

#include "DataSet.h"

class SQLConnection;

// A query on a connection: Open() runs the command text and holds its rows.
class SQLDataSet : public DataSet
{
    Q_OBJECT
public:
    explicit SQLDataSet(QObject *parent = nullptr);

    SQLConnection *sqlConnection() const { return m_connection; }
    void setSQLConnection(SQLConnection *connection) { m_connection = connection; }

    QString CommandText;
    bool GetMetadata = true;
    int MaxBlobSize = -1; // -1: long values are read whole

    // Throws KvoError with the database's message.
    void Open() override;

private:
    SQLConnection *m_connection = nullptr;
};
