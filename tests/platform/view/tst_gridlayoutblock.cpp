// The view layout block of a table view (store, restore, bad input) and the colour texts.
#include "Error.h"
#include "GridBandedTableView.h"
#include "GridLayoutBlock.h"
#include "GridTableView.h"
#include "VclColor.h"

#include <QBuffer>
#include <QDate>
#include <QtTest>

namespace {
GridColumn *addColumn(GridTableView &v, const QString &name, const QString &field, const QString &caption = {})
{
    GridColumn *c = v.CreateColumn();
    c->setObjectName(name);
    c->FieldName = field;
    c->Caption = caption;
    return c;
}

QStringList names(const GridTableView &v)
{
    QStringList out;
    for (GridColumn *c : v.columns())
        out << c->Name() + (c->Visible ? QString() : QStringLiteral("(oculta)"));
    return out;
}

// A designed view: three columns with every kind of setting.
void design(GridTableView &v)
{
    v.BeginUpdate();
    GridColumn *a = addColumn(v, "colA", "A", "Coluna <CONFIGURACAO> A");
    GridColumn *b = addColumn(v, "colB", "B");
    GridColumn *c = addColumn(v, "colC", "C", QString::fromUtf8("Ação ’ </COR-BKG-TITULO>"));
    a->Width = 120;
    a->SortOrder = GridSortOrder::Descending;
    a->SortIndex = 0;
    a->Summary.FooterKind = GridSummaryKind::Sum;
    a->Summary.FooterFormat = "#,##0.00";
    a->Summary.GroupFooterKind = GridSummaryKind::Count;
    a->DisplayFormatAssigned = true;
    a->DisplayFormat = "0.0";
    a->Properties = GridColumn::PropertiesKind::Currency;
    a->Options.Moving = false;
    b->GroupIndex = 0;
    b->Visible = false;
    c->Filtered = true;
    c->FilterValues = {QVariant(), QString("x<y"), qlonglong(42), 2.5, true, QDate(2024, 2, 29)};
    v.EndUpdate();
}
} // namespace

class TestGridLayoutBlock : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsEverySetting()
    {
        GridTableView source;
        design(source);
        QBuffer buf;
        buf.open(QIODevice::ReadWrite);
        source.StoreToStream(buf);
        buf.write("trailing bytes that are not read");
        buf.seek(0);

        GridTableView target;
        target.RestoreFromStream(buf);
        QCOMPARE(buf.pos(), qint64(source.StoreToBytes().size()));
        QCOMPARE(target.ColumnCount(), 3);
        for (int i = 0; i < 3; ++i) {
            GridColumn *s = source.Columns(i), *t = target.Columns(i);
            QCOMPARE(t->Name(), s->Name());
            QCOMPARE(t->FieldName, s->FieldName);
            QCOMPARE(t->Caption, s->Caption);
            QCOMPARE(t->Width, s->Width);
            QCOMPARE(t->Visible, s->Visible);
            QCOMPARE(t->Properties, s->Properties);
            QCOMPARE(t->DisplayFormatAssigned, s->DisplayFormatAssigned);
            QCOMPARE(t->DisplayFormat, s->DisplayFormat);
            QCOMPARE(t->GroupIndex, s->GroupIndex);
            QCOMPARE(t->SortOrder, s->SortOrder);
            QCOMPARE(t->SortIndex, s->SortIndex);
            QCOMPARE(t->Options.Moving, s->Options.Moving);
            QCOMPARE(t->Summary.FooterKind, s->Summary.FooterKind);
            QCOMPARE(t->Summary.FooterFormat, s->Summary.FooterFormat);
            QCOMPARE(t->Summary.GroupFooterKind, s->Summary.GroupFooterKind);
            QCOMPARE(t->Filtered, s->Filtered);
            QCOMPARE(t->FilterValues, s->FilterValues);
        }
        // Every stored byte is a header letter or an upper-case hex digit: no tag text
        // from a caption can appear in a block.
        const QByteArray block = source.StoreToBytes();
        for (char ch : block)
            QVERIFY2(QByteArray("KVOGL0123456789ABCDEF").contains(ch), block.constData());
        QVERIFY(!block.contains('<'));
    }

    void restoreCreatesMissingHidesUnnamedDeletesNone()
    {
        GridTableView saved;
        addColumn(saved, "colB", "B")->Width = 33;
        addColumn(saved, "colNova", "N");
        const QByteArray block = saved.StoreToBytes();

        GridTableView view;
        addColumn(view, "colA", "A");
        addColumn(view, "colB", "B");
        GridColumn *extra = addColumn(view, "colExtra", "E");
        view.RestoreFromBytes(block);
        QCOMPARE(names(view), (QStringList{"colB", "colNova", "colA(oculta)", "colExtra(oculta)"}));
        QCOMPARE(view.ColumnByName("colB")->Width, 33);
        QCOMPARE(view.ColumnByName("colExtra"), extra);

        GridTableView noCreate;
        addColumn(noCreate, "colB", "B");
        noCreate.RestoreFromBytes(block, false, false);
        QCOMPARE(names(noCreate), QStringList{"colB"});

        GridTableView deleting;
        addColumn(deleting, "colA", "A");
        addColumn(deleting, "colB", "B");
        deleting.RestoreFromBytes(block, true, true);
        QCOMPARE(names(deleting), (QStringList{"colB", "colNova"}));
    }

    void optionsLeaveOutFiltersAndSummaries()
    {
        GridTableView source;
        design(source);
        const QByteArray bare = source.StoreToBytes(0);
        QVERIFY(bare.size() < source.StoreToBytes().size());
        GridTableView target;
        target.RestoreFromBytes(bare);
        QCOMPARE(target.ColumnByName("colC")->Filtered, false);
        QCOMPARE(target.ColumnByName("colA")->Summary.FooterKind, GridSummaryKind::None);
        // A full block read with options that leave filters out keeps the view's filters.
        GridTableView partial;
        addColumn(partial, "colC", "C");
        partial.RestoreFromBytes(source.StoreToBytes(), true, false, gsoUseSummary);
        QCOMPARE(partial.ColumnByName("colC")->Filtered, false);
        QCOMPARE(partial.ColumnByName("colA")->Summary.FooterKind, GridSummaryKind::Sum);
    }

    void bandsRoundTrip()
    {
        GridBandedTableView source;
        source.CreateBand()->Caption = "Primeira";
        GridBand *second = source.CreateBand();
        second->Caption = "Segunda";
        second->Visible = false;
        addColumn(source, "colX", "X")->Position.BandIndex = 1;
        GridBandedTableView target;
        target.RestoreFromBytes(source.StoreToBytes());
        QCOMPARE(target.BandCount(), 2);
        QCOMPARE(target.Bands(1)->Caption, QString("Segunda"));
        QCOMPARE(target.Bands(1)->Visible, false);
        QCOMPARE(target.ColumnByName("colX")->Position.BandIndex, 1);
    }

    void badBlocksFailAndChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        GridTableView source;
        design(source);
        const QByteArray good = source.StoreToBytes();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("this is no layout at all, not even close");
        QTest::newRow("header only") << good.left(GridLayoutBlock::HeaderSize);
        QTest::newRow("truncated by one") << good.left(good.size() - 1);
        QTest::newRow("truncated in half") << good.left(good.size() / 2);
        QByteArray v2 = good;
        v2[6] = '2';
        QTest::newRow("other version") << v2;
        QByteArray lowerHex = good;
        lowerHex[GridLayoutBlock::HeaderSize + 3] = 'a';
        QTest::newRow("bad digit in payload") << lowerHex;
        QByteArray bigLength = good;
        bigLength.replace(7, 8, "7FFFFFFF");
        QTest::newRow("length past the end") << bigLength;
        QByteArray shortLength = good;
        shortLength.replace(7, 8, QByteArray::number(good.size() - GridLayoutBlock::HeaderSize - 8, 16).toUpper().rightJustified(8, '0'));
        QTest::newRow("length short of the fields") << shortLength;
        GridLayoutBlock::Writer w;
        w.putInt(0);
        w.putInt(3);
        w.putInt(0x7FFFFFFF);
        QTest::newRow("absurd column count") << w.finish();
        GridLayoutBlock::Writer t;
        t.putInt(0);
        t.putInt(0);
        t.putInt(1);
        t.putInt(0x7FFFFFF0); // text length
        QTest::newRow("absurd text length") << t.finish();
    }

    void badBlocksFailAndChangeNothing()
    {
        QFETCH(QByteArray, bytes);
        GridTableView view;
        addColumn(view, "colA", "A")->Width = 77;
        addColumn(view, "colZ", "Z");
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        try {
            view.RestoreFromStream(buf);
            QFAIL("no error");
        } catch (const KvoError &e) {
            QVERIFY(!e.message().isEmpty());
        }
        QCOMPARE(names(view), (QStringList{"colA", "colZ"}));
        QCOMPARE(view.ColumnByName("colA")->Width, 77);
    }

    // Values at the edges of what a block may hold restore without harm into a shown view.
    void extremeValuesRestoreIntoAShownView()
    {
        GridTableView source;
        GridColumn *a = addColumn(source, "colA", "NAO_EXISTE", QString(300, QChar(0x263A)));
        a->Width = 1000000;
        a->GroupIndex = 99999;
        a->SortIndex = 99999;
        a->SortOrder = GridSortOrder::Ascending;
        a->Position.BandIndex = 99999;
        addColumn(source, QString(), "SEM_NOME");
        const QByteArray block = source.StoreToBytes();

        GridBandedTableView view;
        view.CreateBand();
        view.site()->resize(300, 200);
        view.site()->show();
        view.RestoreFromBytes(block);
        QCOMPARE(view.ColumnCount(), 2);
        QCOMPARE(view.GroupedColumnCount(), 1);
        QCOMPARE(view.ColumnByName("colA")->GroupIndex, 0); // renumbered
        QVERIFY(view.ColumnByFieldName("SEM_NOME"));
        view.RestoreFromBytes(block); // again: the unnamed column is matched by field
        QCOMPARE(view.ColumnCount(), 2);
        QTest::qWait(20);
    }

    void colourNames()
    {
        int count = 0;
        const VclColor::NamedColor *table = VclColor::namedColors(&count);
        QCOMPARE(count, 52);
        QSet<quint32> values;
        for (int i = 0; i < count; ++i) {
            const QString name = QString::fromLatin1(table[i].name);
            QCOMPARE(VclColor::colorToString(table[i].value), name);
            QCOMPARE(VclColor::stringToColor(name), table[i].value);
            QCOMPARE(VclColor::stringToColor(name.toLower()), table[i].value);
            QCOMPARE(VclColor::stringToColor(name.toUpper()), table[i].value);
            values.insert(table[i].value);
        }
        QCOMPARE(values.size(), 52);
        QCOMPARE(VclColor::stringToColor("clSkyBlue"), 0x00F0CAA6u);
        QCOMPARE(VclColor::stringToColor("clHotLight"), 0xFF00001Au);
        QCOMPARE(VclColor::stringToColor("clNone"), 0x1FFFFFFFu);
    }

    void colourTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("value");
        QTest::newRow("zebra hex") << "$00F2E4D7" << true << 0x00F2E4D7u;
        QTest::newRow("lower hex digits") << "$00f2e4d7" << true << 0x00F2E4D7u;
        QTest::newRow("short hex") << "$FF" << true << 0xFFu;
        QTest::newRow("decimal") << "16777215" << true << 0x00FFFFFFu;
        QTest::newRow("negative decimal") << "-16777201" << true << 0xFF00000Fu;
        QTest::newRow("system colour hex") << "$FF00000F" << true << 0xFF00000Fu;
        QTest::newRow("empty") << "" << false << 0u;
        QTest::newRow("word") << "xyz" << false << 0u;
        QTest::newRow("dollar alone") << "$" << false << 0u;
        QTest::newRow("nine hex digits") << "$100000000" << false << 0u;
        QTest::newRow("blank around") << " clRed" << false << 0u;
        QTest::newRow("decimal overflow") << "4294967296" << false << 0u;
        QTest::newRow("C hex") << "0xFF" << false << 0u;
    }

    void colourTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(quint32, value);
        if (valid) {
            QCOMPARE(VclColor::stringToColor(text), value);
            return;
        }
        try {
            VclColor::stringToColor(text);
            QFAIL("no error");
        } catch (const KvoError &e) {
            QVERIFY2(e.message().contains(QLatin1Char('\'') + text + QLatin1Char('\'')), qPrintable(e.message()));
        }
    }

    void colourWriting()
    {
        QCOMPARE(VclColor::colorToString(0x00F2E4D7), QString("$00F2E4D7"));
        QCOMPARE(VclColor::colorToString(0x00F0CAA6), QString("clSkyBlue"));
        QCOMPARE(VclColor::colorToString(0x20000000), QString("clDefault"));
        QCOMPARE(VclColor::colorToString(0x0000000A), QString("$0000000A"));
    }
};

QTEST_MAIN(TestGridLayoutBlock)
#include "tst_gridlayoutblock.moc"
