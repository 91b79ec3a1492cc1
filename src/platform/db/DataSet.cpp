#include "DataSet.h"

#include "Error.h"
#include "ValueCompare.h"

#include <algorithm>

DataSet::DataSet(QObject *parent) : QObject(parent) {}

void DataSet::Open()
{
    setActive(true);
}

void DataSet::Close()
{
    if (!m_active && m_data.fields.isEmpty())
        return;
    m_data.cells.clear();
    m_view.clear();
    m_cursor = -1;
    setActive(false);
    emit dataReset();
}

void DataSet::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    emit activeChanged(active);
}

int DataSet::fieldIndexOrThrow(const QString &name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw KvoError(QStringLiteral("Campo '%1' não encontrado.").arg(name));
    return i;
}

void DataSet::setFilter(const QString &text)
{
    m_filterText = text;
    if (m_active)
        rebuildView();
}

void DataSet::setFiltered(bool on)
{
    m_filtered = on;
    if (m_active)
        rebuildView();
}

void DataSet::setIndexFieldNames(const QString &names)
{
    m_indexFieldNames = names;
    if (m_active)
        rebuildView();
}

void DataSet::assignData(RecordData data)
{
    m_data = std::move(data);
    rebuildView();
}

void DataSet::rebuildView()
{
    // Parse first: a bad filter or index leaves the data set as it was.
    FilterExpression filter;
    if (m_filtered && !m_filterText.trimmed().isEmpty())
        filter = FilterExpression::parse(m_filterText, m_data.fields);
    QVector<int> indexFields;
    for (const QString &name : m_indexFieldNames.split(u';', Qt::SkipEmptyParts)) {
        const int i = m_data.indexOf(name.trimmed());
        if (i < 0)
            throw KvoError(QStringLiteral("Campo '%1' do índice não encontrado.").arg(name.trimmed()));
        indexFields << i;
    }
    m_filter = filter;
    m_indexFields = indexFields;

    const int rows = m_data.rowCount();
    m_view.clear();
    m_view.reserve(rows);
    for (int r = 0; r < rows; ++r)
        if (m_filter.isEmpty() || m_filter.matches(m_data, r))
            m_view.push_back(r);
    if (!m_indexFields.isEmpty()) {
        std::stable_sort(m_view.begin(), m_view.end(), [this](int a, int b) {
            for (int f : m_indexFields) {
                const int c = compareValues(m_data.at(a, f), m_data.at(b, f));
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
    }
    m_cursor = m_view.isEmpty() ? -1 : 0;
    emit dataReset();
}

int DataSet::insertIntoView(int row)
{
    if (!m_filter.isEmpty() && !m_filter.matches(m_data, row))
        return -1;
    auto less = [this](int a, int b) {
        for (int f : m_indexFields) {
            const int c = compareValues(m_data.at(a, f), m_data.at(b, f));
            if (c != 0)
                return c < 0;
        }
        return false;
    };
    auto pos = m_indexFields.isEmpty() ? m_view.end() : std::upper_bound(m_view.begin(), m_view.end(), row, less);
    const int visible = int(pos - m_view.begin());
    m_view.insert(pos, row);
    return visible;
}

void DataSet::checkActive() const
{
    if (!m_active)
        throw KvoError(QStringLiteral("Operação não permitida: o conjunto de dados está fechado."));
}

void DataSet::First()
{
    m_cursor = m_view.isEmpty() ? -1 : 0;
}

void DataSet::Next()
{
    if (m_cursor >= 0 && m_cursor < m_view.size())
        ++m_cursor;
}

bool DataSet::eof() const
{
    return m_cursor < 0 || m_cursor >= m_view.size();
}

void DataSet::setRecNo(int visibleRow)
{
    if (visibleRow >= 0 && visibleRow < m_view.size())
        m_cursor = visibleRow;
}

QVariant DataSet::fieldValue(int field) const
{
    checkActive();
    if (eof() || field < 0 || field >= m_data.fieldCount())
        return QVariant();
    return m_data.at(m_view.at(m_cursor), field);
}

QVariant DataSet::fieldByName(const QString &name) const
{
    return fieldValue(fieldIndexOrThrow(name));
}

QString DataSet::fieldAsString(const QString &name) const
{
    const QVariant v = fieldByName(name);
    return v.isNull() ? QString() : v.toString();
}

bool DataSet::Locate(const QString &fieldName, const QVariant &value)
{
    const int f = fieldIndexOrThrow(fieldName);
    for (int i = 0; i < m_view.size(); ++i) {
        if (compareValues(m_data.at(m_view.at(i), f), value) == 0) {
            m_cursor = i;
            return true;
        }
    }
    return false;
}
