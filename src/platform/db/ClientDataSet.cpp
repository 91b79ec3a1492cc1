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
    m_editing = false;
    m_editRow = -1;
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
    if (m_editing)
        postEdit();
    m_pending = QVector<QVariant>(fieldCount());
    m_inserting = true;
    emit stateChanged();
}

void ClientDataSet::Edit()
{
    if (!active())
        throw KvoError(QStringLiteral("%1: o conjunto de dados está fechado.").arg(objectName()));
    if (m_inserting || m_editing)
        return;
    if (isEmpty()) {
        Append();
        return;
    }
    if (eof())
        throw KvoError(QStringLiteral("%1: não há registro corrente.").arg(objectName()));
    m_editRow = sourceRow(recNo());
    m_pending = QVector<QVariant>(fieldCount());
    for (int f = 0; f < fieldCount(); ++f)
        m_pending[f] = data().at(m_editRow, f);
    m_editing = true;
    emit stateChanged();
}

DataSet::State ClientDataSet::state() const
{
    if (!active())
        return State::Inactive;
    if (m_inserting)
        return State::Insert;
    if (m_editing)
        return State::Edit;
    return State::Browse;
}

const QVector<QVariant> *ClientDataSet::recordBuffer() const
{
    return (m_inserting || m_editing) ? &m_pending : nullptr;
}

void ClientDataSet::checkBrowseMode()
{
    if (m_editing)
        postEdit();
}

void ClientDataSet::setFieldValue(int field, const QVariant &value)
{
    if (!m_inserting && !m_editing)
        throw KvoError(QStringLiteral("%1: o conjunto de dados não está em inserção.").arg(objectName()));
    if (field < 0 || field >= m_pending.size())
        throw KvoError(QStringLiteral("%1: campo %2 inexistente.").arg(objectName()).arg(field));
    m_pending[field] = value;
    emit fieldChanged(field);
}

void ClientDataSet::setFieldByName(const QString &name, const QVariant &value)
{
    setFieldValue(fieldIndexOrThrow(name), value);
}

void ClientDataSet::Post()
{
    if (m_editing) {
        postEdit();
        return;
    }
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
    emit stateChanged();
}

void ClientDataSet::postEdit()
{
    RecordData &rows = mutableData();
    for (int i = 0; i < rows.fieldCount(); ++i) {
        if (rows.fields.at(i).required && m_pending.at(i).isNull())
            throw KvoError(QStringLiteral("O campo '%1' deve ter um valor.").arg(rows.fields.at(i).name));
    }
    const int row = m_editRow;
    for (int i = 0; i < rows.fieldCount(); ++i)
        rows.at(row, i) = m_pending.at(i);
    m_editing = false;
    m_editRow = -1;
    m_pending.clear();
    rowUpdated(row);
    emit stateChanged();
}

void ClientDataSet::dropEdit()
{
    m_editing = false;
    m_editRow = -1;
    m_pending.clear();
}

void ClientDataSet::Cancel()
{
    const bool pending = m_inserting || m_editing;
    m_inserting = false;
    dropEdit();
    if (pending)
        emit stateChanged();
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
    // The row being edited is gone with the old rows.
    if (m_editing) {
        dropEdit();
        emit stateChanged();
    }
}
