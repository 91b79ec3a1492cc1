#include "SQLDataSet.h"

#include "Error.h"
#include "SQLConnection.h"

SQLDataSet::SQLDataSet(QObject *parent) : DataSet(parent) {}

void SQLDataSet::Open()
{
    if (!m_connection)
        throw KvoError(QStringLiteral("%1: a conexão não foi informada.").arg(objectName()));
    if (CommandText.trimmed().isEmpty())
        throw KvoError(QStringLiteral("%1: nenhum comando SQL informado.").arg(objectName()));
    RecordData rows = m_connection->Query(CommandText);
    setActive(true);
    assignData(std::move(rows));
}
