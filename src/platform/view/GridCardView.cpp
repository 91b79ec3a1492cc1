#include "GridCardView.h"

#include "DataSet.h"
#include "DataSource.h"
#include "TableViewModel.h"

#include <QAbstractListModel>
#include <QPainter>
#include <QStyledItemDelegate>

class CardViewModel : public QAbstractListModel
{
public:
    explicit CardViewModel(GridCardView *view) : QAbstractListModel(view), m_view(view) {}

    void reset()
    {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        const DataSet *ds = m_view->dataSet();
        return parent.isValid() || !ds || !ds->active() ? 0 : ds->recordCount();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return QVariant();
        QStringList lines;
        for (int r = 0; r < m_view->RowCount(); ++r)
            if (m_view->Rows(r)->Visible)
                lines << m_view->Rows(r)->headerText() + QStringLiteral(": ") + m_view->cardText(index.row(), r);
        return lines.join(QLatin1Char('\n'));
    }

private:
    GridCardView *m_view;
};

namespace {
class CardDelegate : public QStyledItemDelegate
{
public:
    explicit CardDelegate(GridCardView *view) : QStyledItemDelegate(view), m_view(view) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        int lines = 0;
        for (int r = 0; r < m_view->RowCount(); ++r)
            lines += m_view->Rows(r)->Visible ? 1 : 0;
        return QSize(m_view->CardWidth, qMax(1, lines) * option.fontMetrics.height() + 12);
    }
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect.adjusted(3, 3, -3, -3);
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(r, selected ? option.palette.color(QPalette::Highlight) : option.palette.color(QPalette::Base));
        p->setPen(option.palette.color(QPalette::Mid));
        p->drawRect(r.adjusted(0, 0, -1, -1));
        p->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
        p->drawText(r.adjusted(4, 3, -4, -3), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    }

private:
    GridCardView *m_view;
};
} // namespace

GridCardView::GridCardView(QWidget *parent) : QListView(parent), m_model(new CardViewModel(this))
{
    setModel(m_model);
    setItemDelegate(new CardDelegate(this));
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setSpacing(4);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

GridCardView::~GridCardView() = default;

DataSource *GridCardView::dataSource() const
{
    return m_source;
}

DataSet *GridCardView::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

void GridCardView::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    auto watch = [this] {
        if (DataSet *ds = dataSet()) {
            connect(ds, &DataSet::dataReset, m_model, &CardViewModel::reset, Qt::UniqueConnection);
            connect(ds, &DataSet::rowsInserted, m_model, &CardViewModel::reset, Qt::UniqueConnection);
        }
        m_model->reset();
    };
    if (source)
        connect(source, &DataSource::dataSetChanged, this, watch);
    watch();
}

GridColumn *GridCardView::CreateRow()
{
    auto *row = new GridColumn(this);
    m_rows.append(row);
    rowsChanged();
    return row;
}

void GridCardView::rowsChanged()
{
    m_model->reset();
}

QString GridCardView::cardText(int record, int row) const
{
    const DataSet *ds = dataSet();
    const GridColumn *c = m_rows.value(row);
    if (!ds || !c || record < 0 || record >= ds->recordCount())
        return QString();
    const int f = ds->fieldIndex(c->FieldName);
    return f < 0 ? QString() : TableViewModel::formatValue(ds->value(record, f), ds->fieldDefs().at(f).type, c);
}

void GridCardView::paintEvent(QPaintEvent *event)
{
    QListView::paintEvent(event);
    notifyPainted();
}
