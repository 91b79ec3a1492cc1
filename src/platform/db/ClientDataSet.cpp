#include "ClientDataSet.h"

#include "DataSetProvider.h"
#include "Error.h"

ClientDataSet::ClientDataSet(QObject *parent) : DataSet(parent) {}

DataSetProvider *ClientDataSet::findProvider() const
{
    if (m_provider)
        return m_provider;
    if (ProviderName.isEmpty())
        return nullptr;
    // The provider is a component of the same owner.
    for (QObject *owner = parent(); owner; owner = owner->parent()) {
        if (auto *p = owner->findChild<DataSetProvider *>(ProviderName))
            return p;
    }
    return nullptr;
}

void ClientDataSet::Open()
{
    DataSetProvider *provider = findProvider();
    if (!provider)
        throw KvoError(QStringLiteral("%1: provedor '%2' não encontrado.").arg(objectName(), ProviderName));
    RecordData rows = provider->GetRecords(CommandText);
    activateWith(std::move(rows));
}

void ClientDataSet::Close()
{
    m_inserting = false;
    m_pending.clear();
    DataSet::Close();
}

void ClientDataSet::CreateDataSet()
{
    RecordData rows;
    rows.fields = FieldDefs;
    activateWith(std::move(rows));
}

void ClientDataSet::Append()
{
    if (!active())
        throw KvoError(QStringLiteral("%1: o conjunto de dados está fechado.").arg(objectName()));
    m_pending = QVector<QVariant>(fieldCount());
    m_inserting = true;
}

void ClientDataSet::setFieldValue(int field, const QVariant &value)
{
    if (!m_inserting)
        throw KvoError(QStringLiteral("%1: o conjunto de dados não está em inserção.").arg(objectName()));
    if (field < 0 || field >= m_pending.size())
        throw KvoError(QStringLiteral("%1: campo %2 inexistente.").arg(objectName()).arg(field));
    m_pending[field] = value;
}

void ClientDataSet::setFieldByName(const QString &name, const QVariant &value)
{
    setFieldValue(fieldIndexOrThrow(name), value);
}

void ClientDataSet::Post()
{
    if (!m_inserting)
        return;
    if (fieldCount() == 0)
        throw KvoError(QStringLiteral("%1: o conjunto de dados não tem campos.").arg(objectName()));
    RecordData &rows = mutableData();
    for (const FieldDef &f : rows.fields) {
        const int i = int(&f - rows.fields.constData());
        if (f.required && m_pending.at(i).isNull())
            throw KvoError(QStringLiteral("O campo '%1' deve ter um valor.").arg(f.name));
    }
    rows.cells.append(m_pending);
    m_inserting = false;
    m_pending.clear();
    const int visible = insertIntoView(rows.rowCount() - 1);
    if (visible >= 0) {
        // The posted row becomes the current one.
        setRecNo(visible);
        emit rowsInserted(visible, visible);
    }
}

void ClientDataSet::Cancel()
{
    m_inserting = false;
    m_pending.clear();
}

void ClientDataSet::setData(const RecordData &rows)
{
    activateWith(rows);
}

void ClientDataSet::setData(RecordData &&rows)
{
    activateWith(std::move(rows));
}

void ClientDataSet::activateWith(RecordData rows)
{
    // A filter or index that does not fit the new rows fails before anything changes:
    // the data set stays as it was, open or closed.
    const bool wasActive = active();
    setActive(true);
    try {
        assignData(std::move(rows));
    } catch (...) {
        setActive(wasActive);
        throw;
    }
}
