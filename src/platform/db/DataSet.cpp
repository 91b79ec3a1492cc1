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
    emit stateChanged();
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
    if (m_active && m_filtered)
        checkBrowseMode();
    const QString previous = m_filterText;
    m_filterText = text;
    // While the filter is off its text changes nothing that shows.
    if (m_active && m_filtered) {
        try {
            rebuildView();
        } catch (...) {
            m_filterText = previous;
            throw;
        }
    }
}

void DataSet::setFiltered(bool on)
{
    if (m_active)
        checkBrowseMode();
    const bool previous = m_filtered;
    m_filtered = on;
    if (m_active) {
        try {
            rebuildView();
        } catch (...) {
            m_filtered = previous;
            throw;
        }
    }
}

void DataSet::setIndexFieldNames(const QString &names)
{
    if (m_active)
        checkBrowseMode();
    const QString previous = m_indexFieldNames;
    m_indexFieldNames = names;
    if (m_active) {
        try {
            rebuildView();
        } catch (...) {
            m_indexFieldNames = previous;
            throw;
        }
    }
}

namespace {
struct ViewSettings
{
    FilterExpression filter;
    QVector<int> indexFields;
};

// Filter and index for rows with `fields`; throws KvoError for a bad filter or an
// unknown index field.
ViewSettings viewSettings(bool filtered, const QString &filterText, const QString &indexFieldNames,
                          const QVector<FieldDef> &fields)
{
    ViewSettings settings;
    if (filtered && !filterText.trimmed().isEmpty())
        settings.filter = FilterExpression::parse(filterText, fields);
    for (const QString &name : indexFieldNames.split(u';', Qt::SkipEmptyParts)) {
        const QString wanted = name.trimmed();
        int i = -1;
        for (int f = 0; f < fields.size() && i < 0; ++f)
            if (fields.at(f).name.compare(wanted, Qt::CaseInsensitive) == 0)
                i = f;
        if (i < 0)
            throw KvoError(QStringLiteral("Campo '%1' do índice não encontrado.").arg(wanted));
        settings.indexFields << i;
    }
    return settings;
}
} // namespace

void DataSet::assignData(RecordData data)
{
    // Check filter and index against the new fields first: on an error the data set
    // keeps its rows.
    viewSettings(m_filtered, m_filterText, m_indexFieldNames, data.fields);
    m_data = std::move(data);
    rebuildView();
}

void DataSet::rebuildView()
{
    // Parse first: a bad filter or index leaves the data set as it was.
    ViewSettings settings = viewSettings(m_filtered, m_filterText, m_indexFieldNames, m_data.fields);
    m_filter = std::move(settings.filter);
    m_indexFields = std::move(settings.indexFields);

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

void DataSet::moveCursor(int visibleRow)
{
    if (m_cursor == visibleRow)
        return;
    m_cursor = visibleRow;
    emit currentChanged(visibleRow);
}

void DataSet::First()
{
    checkBrowseMode();
    moveCursor(m_view.isEmpty() ? -1 : 0);
}

void DataSet::Next()
{
    checkBrowseMode();
    if (m_cursor >= 0 && m_cursor < m_view.size())
        moveCursor(m_cursor + 1);
}

bool DataSet::eof() const
{
    return m_cursor < 0 || m_cursor >= m_view.size();
}

void DataSet::setRecNo(int visibleRow)
{
    if (visibleRow >= 0 && visibleRow < m_view.size() && visibleRow != m_cursor) {
        checkBrowseMode();
        if (visibleRow < m_view.size())
            moveCursor(visibleRow);
    }
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

QVariant DataSet::recordValue(int field) const
{
    if (const QVector<QVariant> *buffer = recordBuffer()) {
        checkActive();
        return field >= 0 && field < buffer->size() ? buffer->at(field) : QVariant();
    }
    return fieldValue(field);
}

QString DataSet::fieldAsString(const QString &name) const
{
    const QVariant v = fieldByName(name);
    return v.isNull() ? QString() : v.toString();
}

bool DataSet::Locate(const QString &fieldName, const QVariant &value)
{
    const int f = fieldIndexOrThrow(fieldName);
    checkBrowseMode();
    for (int i = 0; i < m_view.size(); ++i) {
        if (compareValues(m_data.at(m_view.at(i), f), value) == 0) {
            moveCursor(i);
            return true;
        }
    }
    return false;
}

QString DataSet::displayFormat(const QString &fieldName) const
{
    return m_displayFormats.value(fieldName.toLower());
}

void DataSet::setDisplayFormat(const QString &fieldName, const QString &picture)
{
    const QString key = fieldName.toLower();
    if (m_displayFormats.value(key) == picture)
        return;
    if (picture.isEmpty())
        m_displayFormats.remove(key);
    else
        m_displayFormats.insert(key, picture);
    emit displayFormatChanged(fieldName);
}

// Visible order: the index fields, then arrival order (as rebuildView's stable sort).
bool DataSet::viewLess(int a, int b) const
{
    for (int f : m_indexFields) {
        const int c = compareValues(m_data.at(a, f), m_data.at(b, f));
        if (c != 0)
            return c < 0;
    }
    return a < b;
}

void DataSet::rowUpdated(int row)
{
    const int old = int(m_view.indexOf(row));
    const bool visible = m_filter.isEmpty() || m_filter.matches(m_data, row);
    const int last = int(m_view.size()) - 1;
    if (old >= 0 && visible && (old == 0 || viewLess(m_view.at(old - 1), row))
        && (old == last || viewLess(row, m_view.at(old + 1)))) {
        emit rowChanged(old);
        return;
    }
    const int currentRow = (m_cursor >= 0 && m_cursor < m_view.size()) ? m_view.at(m_cursor) : -1;
    if (old >= 0)
        m_view.removeAt(old);
    if (visible) {
        auto pos = std::lower_bound(m_view.begin(), m_view.end(), row,
                                    [this](int a, int b) { return viewLess(a, b); });
        m_view.insert(pos, row);
    }
    int cursor = currentRow >= 0 ? int(m_view.indexOf(currentRow)) : -1;
    if (cursor < 0) // the current row left the visible rows: stay at its place
        cursor = m_view.isEmpty() ? -1 : std::min(std::max(m_cursor, 0), int(m_view.size()) - 1);
    m_cursor = cursor;
    emit dataReset();
}
