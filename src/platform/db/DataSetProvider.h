#pragma once

#include "RecordData.h"

#include <QObject>

class SQLDataSet;

// Hands the rows of its SQL data set to client data sets; with poAllowCommandText a
// client may supply the command text to run.
class DataSetProvider : public QObject
{
    Q_OBJECT
public:
    enum Option { poAllowCommandText = 0x1, poUseQuoteChar = 0x2 };
    Q_DECLARE_FLAGS(Options, Option)

    explicit DataSetProvider(QObject *parent = nullptr);

    SQLDataSet *DataSet = nullptr;
    Options options;

    // Runs `commandText` (or the data set's own text when empty) and returns all rows.
    // Throws KvoError.
    RecordData GetRecords(const QString &commandText);
};
Q_DECLARE_OPERATORS_FOR_FLAGS(DataSetProvider::Options)
