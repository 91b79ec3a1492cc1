#include "TableViewModel.h"

#include "DataSet.h"
#include "DataSource.h"
#include "GridColumn.h"
#include "GridStyle.h"
#include "GridTableView.h"
#include "NumberFormat.h"
#include "RecordData.h"

#include <QDateTime>
#include <QLocale>

TableViewModel::TableViewModel(GridTableView *view) : QAbstractTableModel(view), m_view(view) {}

void TableViewModel::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &DataSource::dataSetChanged, this, &TableViewModel::attach);
    attach();
}

DataSet *TableViewModel::dataSet() const
{
    return m_dataSet;
}

void TableViewModel::attach()
{
    beginResetModel();
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_dataSet = m_source ? m_source->dataSet() : nullptr;
    if (m_dataSet) {
        m_connections << connect(m_dataSet, &DataSet::dataReset, this, [this] {
            beginResetModel();
            resolveFields();
            endResetModel();
        });
        m_connections << connect(m_dataSet, &DataSet::rowsInserted, this, [this](int first, int last) {
            beginInsertRows(QModelIndex(), first, last);
            endInsertRows();
        });
    }
    resolveFields();
    endResetModel();
}

void TableViewModel::columnsChanged()
{
    beginResetModel();
    resolveFields();
    endResetModel();
}

void TableViewModel::resolveFields()
{
    m_fieldOfColumn.clear();
    for (GridColumn *c : m_view->columns())
        m_fieldOfColumn << (m_dataSet ? m_dataSet->fieldIndex(c->FieldName) : -1);
}

int TableViewModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_dataSet || !m_dataSet->active())
        return 0;
    return m_dataSet->recordCount();
}

int TableViewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fieldOfColumn.size());
}

QString TableViewModel::displayText(int row, int column) const
{
    if (!m_dataSet || column < 0 || column >= m_fieldOfColumn.size())
        return QString();
    const int field = m_fieldOfColumn.at(column);
    if (field < 0 || row < 0 || row >= m_dataSet->recordCount())
        return QString();
    const QVariant v = m_dataSet->value(row, field);
    if (v.isNull())
        return QString();
    const GridColumn *c = m_view->Columns(column);
    const FieldType type = m_dataSet->fieldDefs().at(field).type;
    if (c->Properties == GridColumn::PropertiesKind::MaskEdit && c->DisplayFormatAssigned
        && !c->DisplayFormat.isEmpty()) {
        bool ok = false;
        const double d = isNumericType(type) ? v.toDouble(&ok) : v.toString().trimmed().toDouble(&ok);
        if (ok)
            return formatFloat(c->DisplayFormat, d);
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return formatFloat(QString(), v.toDouble());
    case QMetaType::QDateTime:
        return QLocale().toString(v.toDateTime(), QLocale::ShortFormat);
    case QMetaType::QDate:
        return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    default:
        return v.toString();
    }
}

QVariant TableViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::BackgroundRole: {
        const GridTableView::Styles &s = m_view->styles();
        const GridStyle *style = (index.row() % 2 == 1 && s.ContentOdd) ? s.ContentOdd.data() : s.Content.data();
        if (style && style->Color() != VclColor::clDefault && style->Color() != VclColor::clNone)
            return VclColor::toQColor(style->Color());
        return QVariant();
    }
    case Qt::TextAlignmentRole: {
        const int field = m_fieldOfColumn.value(index.column(), -1);
        if (m_dataSet && field >= 0 && isNumericType(m_dataSet->fieldDefs().at(field).type))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant TableViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_view->ColumnCount())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_view->Columns(section)->headerText();
    if (role == Qt::BackgroundRole) {
        const GridStyle *style = m_view->styles().Header.data();
        if (style && style->Color() != VclColor::clDefault && style->Color() != VclColor::clNone)
            return VclColor::toQColor(style->Color());
    }
    return QVariant();
}
