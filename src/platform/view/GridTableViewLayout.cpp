// Store and restore of a table view's layout block (see GridLayoutBlock.h).
#include "GridBandedTableView.h"
#include "GridLayoutBlock.h"
#include "GridTableView.h"

#include "Error.h"

#include <QBuffer>
#include <QHash>
#include <QIODevice>

using namespace GridLayoutBlock;
namespace {
enum ViewTag { tagTable = 0, tagBanded = 1 };
}

QByteArray GridTableView::StoreToBytes(GridStorageOptions options) const
{
    options &= gsoUseFilter | gsoUseSummary;
    GridLayoutBlock::Writer w;
    const auto *banded = Kind() == GridViewKind::BandedTable ? static_cast<const GridBandedTableView *>(this) : nullptr;
    w.putInt(banded ? tagBanded : tagTable);
    w.putInt(options);
    if (banded) {
        w.putInt(banded->BandCount());
        for (int i = 0; i < banded->BandCount(); ++i) {
            w.putText(banded->Bands(i)->Caption);
            w.putInt(banded->Bands(i)->Visible ? 1 : 0);
        }
    }
    w.putInt(m_columns.size());
    for (const GridColumn *c : m_columns) {
        w.putText(c->Name());
        w.putText(c->FieldName);
        w.putText(c->Caption);
        w.putInt(qBound(0, c->Width, 1000000));
        w.putInt(c->Visible ? 1 : 0);
        w.putInt(int(c->Properties));
        w.putInt(c->DisplayFormatAssigned ? 1 : 0);
        w.putText(c->DisplayFormat);
        w.putInt(qMax(-1, c->GroupIndex));
        w.putInt(int(c->SortOrder));
        w.putInt(qMax(-1, c->SortIndex));
        w.putInt(qMax(0, c->Position.BandIndex));
        w.putInt((c->Options.Filtering ? 1 : 0) | (c->Options.Sorting ? 2 : 0) | (c->Options.Grouping ? 4 : 0)
                 | (c->Options.Moving ? 8 : 0));
        if (options & gsoUseSummary) {
            w.putInt(int(c->Summary.FooterKind));
            w.putText(c->Summary.FooterFormat);
            w.putInt(int(c->Summary.GroupFooterKind));
            w.putText(c->Summary.GroupFooterFormat);
        }
        if (options & gsoUseFilter) {
            w.putInt(c->Filtered ? 1 : 0);
            w.putInt(c->FilterValues.size());
            for (const QVariant &v : c->FilterValues)
                w.putVariant(v);
        }
    }
    return w.finish();
}

void GridTableView::StoreToStream(QIODevice &stream, GridStorageOptions options) const
{
    const QByteArray block = StoreToBytes(options);
    if (stream.write(block) != block.size())
        throw KvoError(QStringLiteral("Não foi possível gravar o layout da vista: %1").arg(stream.errorString()));
}

void GridTableView::RestoreFromStream(QIODevice &stream, bool createNew, bool deleteOld, GridStorageOptions options)
{
    const qint64 start = stream.pos();
    const QByteArray rest = stream.readAll();
    qsizetype consumed = 0;
    GridLayoutBlock::payloadOf(rest, &consumed);
    RestoreFromBytes(rest.left(consumed), createNew, deleteOld, options);
    if (!stream.isSequential())
        stream.seek(start + consumed);
}

void GridTableView::RestoreFromBytes(const QByteArray &block, bool createNew, bool deleteOld, GridStorageOptions options)
{
    const LayoutState s = parse(block); // throws before anything changes

    BeginUpdate();
    struct Bracket
    {
        GridTableView *v;
        ~Bracket() { v->EndUpdate(); }
    } bracket{this};

    if (Kind() == GridViewKind::BandedTable) {
        auto *banded = static_cast<GridBandedTableView *>(this);
        for (int i = 0; i < s.bands.size(); ++i) {
            GridBand *band = banded->Bands(i);
            if (!band) {
                if (!createNew)
                    break;
                band = banded->CreateBand();
            }
            band->Caption = s.bands.at(i).caption;
            band->Visible = s.bands.at(i).visible;
        }
    }

    QHash<QString, GridColumn *> byName;
    QHash<QString, GridColumn *> byField; // unnamed columns
    byName.reserve(m_columns.size());
    for (GridColumn *c : m_columns) {
        if (!c->Name().isEmpty())
            byName.insert(c->Name(), c);
        else if (!byField.contains(c->FieldName))
            byField.insert(c->FieldName, c);
    }

    QList<GridColumn *> ordered;
    ordered.reserve(qMax(m_columns.size(), qsizetype(s.columns.size())));
    QSet<GridColumn *> named;
    for (const ColumnState &cs : s.columns) {
        GridColumn *c = cs.name.isEmpty() ? byField.take(cs.fieldName) : byName.take(cs.name);
        if (!c) {
            if (!createNew)
                continue;
            c = new GridColumn(this);
            c->setObjectName(cs.name);
        }
        named.insert(c);
        ordered << c;
        c->FieldName = cs.fieldName;
        c->Caption = cs.caption;
        c->Width = cs.width;
        c->Visible = cs.visible;
        c->Properties = GridColumn::PropertiesKind(cs.properties);
        c->DisplayFormatAssigned = cs.displayFormatAssigned;
        c->DisplayFormat = cs.displayFormat;
        c->GroupIndex = cs.groupIndex;
        c->SortOrder = GridSortOrder(cs.sortOrder);
        c->SortIndex = cs.sortIndex;
        c->Position.BandIndex = cs.bandIndex;
        c->Options.Filtering = cs.optionBits & 1;
        c->Options.Sorting = cs.optionBits & 2;
        c->Options.Grouping = cs.optionBits & 4;
        c->Options.Moving = cs.optionBits & 8;
        if (cs.hasSummary && (options & gsoUseSummary)) {
            c->Summary.FooterKind = GridSummaryKind(cs.footerKind);
            c->Summary.FooterFormat = cs.footerFormat;
            c->Summary.GroupFooterKind = GridSummaryKind(cs.groupFooterKind);
            c->Summary.GroupFooterFormat = cs.groupFooterFormat;
        }
        if (cs.hasFilter && (options & gsoUseFilter)) {
            c->Filtered = cs.filtered;
            c->FilterValues = cs.filterValues;
        }
    }
    QList<GridColumn *> removed;
    for (GridColumn *c : m_columns) {
        if (named.contains(c))
            continue;
        if (deleteOld) {
            removed << c;
            continue;
        }
        c->Visible = false;
        c->GroupIndex = -1;
        ordered << c;
    }
    m_columns = ordered;
    for (GridColumn *c : removed) {
        c->setParent(nullptr);
        delete c;
    }
    columnsChanged();
}
