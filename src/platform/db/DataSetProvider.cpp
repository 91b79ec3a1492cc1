#include "DataSetProvider.h"

#include "Error.h"
#include "SQLDataSet.h"

DataSetProvider::DataSetProvider(QObject *parent) : QObject(parent) {}

RecordData DataSetProvider::GetRecords(const QString &commandText)
{
    if (!DataSet)
        throw KvoError(QStringLiteral("%1: nenhum conjunto de dados informado.").arg(objectName()));
    if (!commandText.isEmpty()) {
        if (!options.testFlag(poAllowCommandText))
            throw KvoError(QStringLiteral("%1: o provedor não aceita texto de comando.").arg(objectName()));
        DataSet->CommandText = commandText;
    }
    DataSet->Close();
    DataSet->Open();
    RecordData rows = DataSet->data();
    DataSet->Close();
    return rows;
}
