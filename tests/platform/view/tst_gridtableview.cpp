// The table view of the grid platform over an in-memory data set: the model (under
// QAbstractItemModelTester), sorting, filtering, grouping and expansion, summaries,
// master-detail, styles and the update bracket.
#include "ClientDataSet.h"
#include "DataSource.h"
#include "GridBandedTableView.h"
#include "GridColumn.h"
#include "GridControl.h"
#include "GridDataController.h"
#include "GridSite.h"
#include "GridTableView.h"
#include "TableViewModel.h"
#include "VclColor.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QToolButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <set>

namespace {

const QVariant Null;

// Sessions in arrival order; Login names each row.
RecordData sessions()
{
    RecordData d;
    d.fields = {{"Id", FieldType::Integer, 0},
                {"Host", FieldType::String, 20},
                {"Login", FieldType::String, 20},
                {"Wait", FieldType::Float, 0},
                {"Status", FieldType::FixedChar, 5}};
    const QList<QVariantList> rows = {
        {1, "pc-b", "ana", 1.5, "run  "},  {2, "pc-a", "bia", 2.0, Null},   {3, "pc-b", "caio", 0.5, "wait "},
        {4, "pc-c", "dani", Null, "run  "}, {5, "pc-a", "eva", 4.0, "wait "}, {6, "pc-b", "fil", 3.0, "run  "},
    };
    for (const QVariantList &r : rows)
        d.cells += QVector<QVariant>(r.begin(), r.end());
    return d;
}

// A view on `ds` with one column per field, named col<Field>.
struct Fixture
{
    ClientDataSet ds;
    DataSource source;
    std::unique_ptr<GridTableView> owned; // unless a grid owns the view
    GridTableView *view;

    // `v`: a view of a grid, or one the fixture takes over; none: a new one.
    explicit Fixture(RecordData data = sessions(), GridTableView *v = nullptr, bool own = true)
    {
        ds.setData(std::move(data));
        source.setDataSet(&ds);
        view = v ? v : new GridTableView;
        if (own)
            owned.reset(view);
        view->setDataSource(&source);
        view->BeginUpdate();
        for (const FieldDef &f : ds.fieldDefs()) {
            GridColumn *c = view->CreateColumn();
            c->setObjectName(QStringLiteral("col") + f.name);
            c->FieldName = f.name;
        }
        view->EndUpdate();
    }
    GridColumn *col(const char *field) const { return view->ColumnByFieldName(QString::fromLatin1(field)); }
    TableViewModel *model() const { return view->viewModel(); }
    GridDataController *dc() const { return view->DataController(); }
    // Logins of the records in view order.
    QString order() const
    {
        QString out;
        const int f = ds.fieldIndex(QStringLiteral("Login"));
        for (int pos = 0; pos < dc()->recordCount(); ++pos)
            out += (out.isEmpty() ? "" : " ") + dc()->value(pos, f).toString();
        return out;
    }
    // The rows the view presents: group rows as "[text]", records by login.
    QString presented() const
    {
        QStringList out;
        const int f = ds.fieldIndex(QStringLiteral("Login"));
        for (int r = 0; r < view->rowCountShown(); ++r) {
            if (view->rowIsGroup(r))
                out << QLatin1Char('[') + view->rowIndex(r).data().toString() + QLatin1Char(']');
            else
                out << ds.value(view->rowRecord(r), f).toString();
        }
        return out.join(QLatin1Char(' '));
    }
};

void show(QWidget *site, QSize size = QSize(700, 400))
{
    site->resize(size);
    site->show();
    QVERIFY(QTest::qWaitForWindowExposed(site));
    QCoreApplication::processEvents();
}

QColor pixelAt(QWidget *w, QPoint p)
{
    return w->grab().toImage().pixelColor(p);
}

} // namespace

class TestGridTableView : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void modelUnderTester_data();
    void modelUnderTester();
    void sortingFollowsHeaderClicks();
    void sortingIsStable();
    void groupingBuildsGroupsInValueOrder();
    void groupExpansionAllAtOnceAndOneByOne();
    void expansionSurvivesRegroupingAndReload();
    void twoGroupingLevels();
    void mixedKindsInOneGroup();
    void footerAndGroupSummaries();
    void groupFooterRows_data();
    void groupFooterRows();
    void columnFilters();
    void masterRowsAndDetails();
    void detailFollowsDetailData();
    void sharedStyleRepaintsEveryView();
    void specialColoursResolveWhenPainting();
    void oddRowsTakeContentOdd();
    void updateBracketHoldsBack();
    void columnsCreatedMovedRemoved();
    void appendedRowsAreInsertedNotReset();
    void scrollingTouchesOnlyVisibleRows();
    void cellAutoHeight();
    void siteParts();
    void bandedViewKeepsColumnsInBands();
};

// ---------------------------------------------------------------- model

void TestGridTableView::modelUnderTester_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("plain") << "";
    QTest::newRow("sorted") << "sort";
    QTest::newRow("filtered") << "filter";
    QTest::newRow("grouped") << "group";
    QTest::newRow("grouped twice, footers") << "group2";
    QTest::newRow("master-detail") << "detail";
}

// Every shape of the tree, checked by the tester while it is built, expanded, collapsed,
// fed new rows and reloaded.
void TestGridTableView::modelUnderTester()
{
    QFETCH(QString, setup);
    GridControl grid;
    GridLevel *level = grid.CreateLevel(QStringLiteral("nivel"));
    GridTableView *master = grid.CreateTableView(QStringLiteral("master"));
    level->setGridView(master);
    Fixture f(sessions(), master, false);

    ClientDataSet details;
    DataSource detailSource;
    if (setup == "detail") {
        RecordData d;
        d.fields = {{"SessionId", FieldType::Integer, 0}, {"Lock", FieldType::String, 20}};
        d.cells = {1, "tab-x", 3, "tab-y", 1, "tab-z", 9, "orphan"};
        details.setData(d);
        detailSource.setDataSet(&details);
        GridTableView *dv = grid.CreateTableView(QStringLiteral("detalhe"));
        dv->setDataSource(&detailSource);
        for (const char *name : {"SessionId", "Lock"})
            dv->CreateColumn()->setFieldName(QString::fromLatin1(name));
        dv->DataController()->MasterKeyFieldNames = QStringLiteral("Id");
        dv->DataController()->DetailKeyFieldNames = QStringLiteral("SessionId");
        level->Add(QStringLiteral("nivelDetalhe"))->setGridView(dv);
        master->columnsChanged();
    }
    QAbstractItemModelTester tester(f.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

    if (setup == "sort")
        f.col("Login")->setSortOrder(GridSortOrder::Descending);
    if (setup == "filter")
        f.col("Host")->setFilterValues({"pc-b", Null});
    if (setup == "group")
        master->groupBy(f.col("Host"));
    if (setup == "group2") {
        master->OptionsView.GroupFooters = gfVisibleWhenExpanded;
        master->optionsChanged();
        master->groupBy(f.col("Host"));
        master->groupBy(f.col("Status"));
        f.col("Wait")->Summary.GroupFooterKind = GridSummaryKind::Sum;
    }
    f.dc()->FullExpand();
    for (int r = 0; r < master->rowCountShown(); ++r)
        master->expandRow(r, true);
    f.dc()->FullCollapse();

    f.ds.Append();
    f.ds.setFieldByName(QStringLiteral("Id"), 7);
    f.ds.setFieldByName(QStringLiteral("Host"), QStringLiteral("pc-d"));
    f.ds.setFieldByName(QStringLiteral("Login"), QStringLiteral("gil"));
    f.ds.Post();
    f.ds.setData(sessions());
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(f.model()->rowCount() > 0, true);
}

// ---------------------------------------------------------------- sorting

void TestGridTableView::sortingFollowsHeaderClicks()
{
    Fixture f;
    show(f.view->site());
    QHeaderView *h = f.view->header();
    auto click = [&](const char *field, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const int logical = f.col(field)->Index();
        const QPoint at(h->sectionViewportPosition(logical) + 8, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, mods, at);
    };
    click("Login");
    QCOMPARE(f.col("Login")->SortOrder, GridSortOrder::Ascending);
    QCOMPARE(f.order(), QStringLiteral("ana bia caio dani eva fil"));
    click("Login");
    QCOMPARE(f.order(), QStringLiteral("fil eva dani caio bia ana"));
    click("Host");
    QCOMPARE(f.col("Login")->SortOrder, GridSortOrder::None);
    QCOMPARE(f.order(), QStringLiteral("bia eva ana caio fil dani"));
    // Shift adds a key, Ctrl takes one out.
    f.view->headerClicked(f.col("Wait"), true);
    f.view->headerClicked(f.col("Wait"), true);
    QCOMPARE(f.order(), QStringLiteral("eva bia fil ana caio dani"));
    QCOMPARE(h->sortIndicatorSection(), f.col("Host")->Index());
    f.view->headerClicked(f.col("Host"), false, true);
    QCOMPARE(f.order(), QStringLiteral("eva fil bia ana caio dani"));
    // Columns that may not sort ignore clicks; so do views that do not sort.
    f.col("Host")->Options.Sorting = false;
    click("Host");
    QCOMPARE(f.col("Host")->SortOrder, GridSortOrder::None);
    f.view->OptionsCustomize.ColumnSorting = false;
    click("Login");
    QCOMPARE(f.col("Login")->SortOrder, GridSortOrder::None);
}

void TestGridTableView::sortingIsStable()
{
    // Equal keys keep the data set's order; the data set's own index comes first.
    Fixture f;
    f.ds.setIndexFieldNames(QStringLiteral("Login"));
    f.col("Status")->setSortOrder(GridSortOrder::Ascending);
    QCOMPARE(f.order(), QStringLiteral("bia ana dani fil caio eva"));
    f.col("Status")->setSortOrder(GridSortOrder::Descending);
    QCOMPARE(f.order(), QStringLiteral("caio eva ana dani fil bia"));
}

// ---------------------------------------------------------------- grouping

void TestGridTableView::groupingBuildsGroupsInValueOrder()
{
    Fixture f;
    f.col("Host")->Caption = QStringLiteral("Máquina");
    f.view->groupBy(f.col("Host"));
    QVERIFY(f.dc()->isGrouped());
    QCOMPARE(f.dc()->groupCount(), 3);
    QCOMPARE(f.view->GroupedColumnCount(), 1);
    QCOMPARE(f.view->GroupedColumns(0), f.col("Host"));
    QVERIFY(f.view->isColumnHidden(f.col("Host")->Index())); // grouped columns leave the header
    QCOMPARE(f.presented(), QStringLiteral("[Máquina : pc-a] [Máquina : pc-b] [Máquina : pc-c]"));
    QCOMPARE(f.order(), QStringLiteral("bia eva ana caio fil dani"));
    QCOMPARE(f.view->rowCountShown(), 3);

    // A descending group column turns the groups around, not the rows inside.
    f.col("Host")->setSortOrder(GridSortOrder::Descending);
    QCOMPARE(f.order(), QStringLiteral("dani ana caio fil bia eva"));
    // Sorting inside groups.
    f.col("Wait")->setSortOrder(GridSortOrder::Descending);
    QCOMPARE(f.order(), QStringLiteral("dani fil ana caio eva bia"));

    f.view->ungroup(f.col("Host"));
    QVERIFY(!f.dc()->isGrouped());
    QVERIFY(!f.view->isColumnHidden(f.col("Host")->Index()));
    QCOMPARE(f.view->rowCountShown(), 6);
}

void TestGridTableView::groupExpansionAllAtOnceAndOneByOne()
{
    Fixture f;
    show(f.view->site());
    f.view->groupBy(f.col("Host"));
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-a] [Host : pc-b] [Host : pc-c]"));

    f.view->expandRow(1);
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-a] [Host : pc-b] ana caio fil [Host : pc-c]"));
    QVERIFY(f.view->rowExpanded(1));
    QVERIFY(f.view->isExpanded(f.view->rowIndex(1)));
    QVERIFY(!f.view->rowExpandable(2)); // a record without details

    // The user's click on the branch reaches the same state.
    const QModelIndex first = f.view->rowIndex(0);
    const QRect r = f.view->visualRect(first);
    QTest::mouseClick(f.view->viewport(), Qt::LeftButton, {}, QPoint(r.left() - f.view->indentation() / 2, r.center().y()));
    QVERIFY(f.dc()->groupExpanded(0));
    QCOMPARE(f.view->rowCountShown(), 3 + 2 + 3);

    f.dc()->FullCollapse();
    QCOMPARE(f.view->rowCountShown(), 3);
    QVERIFY(!f.view->isExpanded(f.view->rowIndex(1)));
    f.dc()->FullExpand();
    QCOMPARE(f.view->rowCountShown(), 9);
    for (int g = 0; g < 3; ++g)
        QVERIFY(f.view->isExpanded(f.view->viewModel()->groupIndex(g)));
    f.view->collapseRow(3);
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-a] bia eva [Host : pc-b] [Host : pc-c] dani"));
    QVERIFY(!f.view->isExpanded(f.view->viewModel()->groupIndex(1)));
}

void TestGridTableView::expansionSurvivesRegroupingAndReload()
{
    Fixture f;
    show(f.view->site());
    f.view->groupBy(f.col("Host"));
    f.view->expandRow(1); // pc-b
    f.col("Login")->setSortOrder(GridSortOrder::Descending);
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-a] [Host : pc-b] fil caio ana [Host : pc-c]"));
    QVERIFY(f.view->isExpanded(f.view->rowIndex(1)));

    // New data: pc-b is still open, a new first group is not.
    RecordData more = sessions();
    more.cells += QVector<QVariant>{7, "pc-0", "gil", 1.0, Null};
    f.ds.setData(more);
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-0] [Host : pc-a] [Host : pc-b] fil caio ana [Host : pc-c]"));
    QVERIFY(f.view->isExpanded(f.view->rowIndex(2)));

    // Ungrouped and grouped again: the key is remembered.
    f.view->ungroup(f.col("Host"));
    f.view->groupBy(f.col("Host"));
    QVERIFY(f.dc()->groupExpanded(2));
}

void TestGridTableView::twoGroupingLevels()
{
    Fixture f;
    f.view->groupBy(f.col("Status"));
    f.view->groupBy(f.col("Host"), 0); // Host outermost
    QCOMPARE(f.col("Host")->GroupIndex, 0);
    QCOMPARE(f.col("Status")->GroupIndex, 1);
    QCOMPARE(f.dc()->groupLevelCount(), 2);
    f.dc()->FullExpand();
    // Empty values group first; trailing blanks do not part "run" rows.
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-a] [Status : ] bia [Status : wait ] eva "
                                           "[Host : pc-b] [Status : run  ] ana fil [Status : wait ] caio "
                                           "[Host : pc-c] [Status : run  ] dani"));
    // Row addressing of nested rows.
    QCOMPARE(f.view->rowLevel(0), 0);
    QCOMPARE(f.view->rowLevel(1), 1);
    QCOMPARE(f.view->rowLevel(2), 2);
    f.view->collapseRow(5, true); // pc-b and its subgroups
    QVERIFY(!f.dc()->groupExpanded(1));
    QCOMPARE(f.presented(), QStringLiteral("[Host : pc-a] [Status : ] bia [Status : wait ] eva [Host : pc-b] "
                                           "[Host : pc-c] [Status : run  ] dani"));
    f.view->expandRow(5, false);
    QCOMPARE(f.view->rowCountShown(), 11); // its subgroups stay collapsed
    f.view->expandRow(5, true);
    QCOMPARE(f.view->rowCountShown(), 14);
}

void TestGridTableView::mixedKindsInOneGroup()
{
    // Values that compare equal form one group whatever their kind, in arrival order.
    RecordData d;
    d.fields = {{"K", FieldType::Unknown, 0}, {"Login", FieldType::String, 10}};
    d.cells = {1, "a", 2.0, "b", 1.0, "c", QStringLiteral("1"), "d", 2, "e"};
    Fixture f(d);
    f.view->groupBy(f.col("K"));
    QCOMPARE(f.dc()->groupCount(), 2);
    QCOMPARE(f.order(), QStringLiteral("a c d b e"));
}

// ---------------------------------------------------------------- summaries

void TestGridTableView::footerAndGroupSummaries()
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    Fixture f;
    f.view->OptionsView.Footer = true;
    f.view->optionsChanged();
    struct Case
    {
        const char *field;
        GridSummaryKind kind;
        const char *format;
        const char *footer;
        const char *groupPcB;
    };
    const Case cases[] = {
        {"Wait", GridSummaryKind::Sum, "#,##0.00", "11,00", "5,00"},
        {"Wait", GridSummaryKind::Average, "0.0", "2,2", "1,7"},
        {"Wait", GridSummaryKind::Count, "", "5", "3"},
        {"Login", GridSummaryKind::Min, "", "ana", "ana"},
        {"Login", GridSummaryKind::Max, "", "fil", "fil"},
        {"Status", GridSummaryKind::Count, "", "5", "3"},
    };
    f.view->groupBy(f.col("Host"));
    for (const Case &c : cases) {
        GridColumn *col = f.col(c.field);
        col->Summary.FooterKind = c.kind;
        col->Summary.FooterFormat = QString::fromLatin1(c.format);
        col->Summary.GroupFooterKind = c.kind;
        col->Summary.GroupFooterFormat = QString::fromLatin1(c.format);
        f.view->columnsChanged();
        QCOMPARE(f.model()->summaryText(-1, col->Index()), QString::fromUtf8(c.footer));
        QCOMPARE(f.model()->summaryText(1, col->Index()), QString::fromUtf8(c.groupPcB));
    }
    // A filter changes what is summed.
    f.col("Host")->setFilterValues({"pc-a"});
    QCOMPARE(f.model()->summaryText(-1, f.col("Wait")->Index()), QStringLiteral("2")); // Count of 2.0 and 4.0
    // A column without a summary shows nothing.
    QCOMPARE(f.model()->summaryText(-1, f.col("Id")->Index()), QString());
}

void TestGridTableView::groupFooterRows_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("footerChild");
    QTest::addColumn<bool>("tallCollapsedGroup");
    QTest::newRow("invisible") << int(gfInvisible) << false << false;
    QTest::newRow("when expanded") << int(gfVisibleWhenExpanded) << true << false;
    QTest::newRow("always") << int(gfAlwaysVisible) << true << true;
}

void TestGridTableView::groupFooterRows()
{
    QFETCH(int, mode);
    QFETCH(bool, footerChild);
    QFETCH(bool, tallCollapsedGroup);
    Fixture f;
    f.col("Wait")->Summary.GroupFooterKind = GridSummaryKind::Sum;
    f.view->OptionsView.GroupFooters = GridGroupFooters(mode);
    f.view->optionsChanged();
    f.view->groupBy(f.col("Host"));
    show(f.view->site());
    TableViewModel *m = f.model();
    const QModelIndex pcB = m->groupIndex(1);
    QCOMPARE(m->rowCount(pcB), 3 + (footerChild ? 1 : 0));
    if (footerChild) {
        const QModelIndex footer = m->index(3, f.col("Wait")->Index(), pcB);
        QCOMPARE(m->rowKind(footer), TableViewModel::RowKind::GroupFooter);
        QCOMPARE(footer.data().toString(), QStringLiteral("5"));
    }
    // Footers are not rows the view presents.
    f.dc()->FullExpand();
    QCOMPARE(f.view->rowCountShown(), 9);
    f.dc()->FullCollapse();
    QCoreApplication::processEvents();
    const int groupHeight = f.view->visualRect(m->groupIndex(0)).height();
    f.view->expandRow(0);
    QCoreApplication::processEvents();
    const int expandedHeight = f.view->visualRect(m->groupIndex(0)).height();
    QCOMPARE(groupHeight > expandedHeight, tallCollapsedGroup);
}

// ---------------------------------------------------------------- filtering

void TestGridTableView::columnFilters()
{
    Fixture f;
    show(f.view->site());
    GridSite *site = static_cast<GridSite *>(f.view->site());
    QVERIFY(!site->filterBar() || !site->filterBar()->isVisible());

    f.col("Status")->setFilterValues({"run"}); // trailing blanks do not matter
    QCOMPARE(f.order(), QStringLiteral("ana dani fil"));
    QCOMPARE(f.view->rowCountShown(), 3);
    QCOMPARE(f.view->filterText(), QStringLiteral("Status = 'run'"));
    QVERIFY(site->filterBar() && site->filterBar()->isVisible());

    // The values offered for Host are those the Status filter lets through.
    QCOMPARE(f.view->filterValuesFor(f.col("Host")), QVariantList({"pc-b", "pc-c"}));
    // Those offered for Status ignore its own filter; empty values come first.
    QCOMPARE(f.view->filterValuesFor(f.col("Status")), QVariantList({Null, "run  ", "wait "}));

    f.col("Host")->setFilterValues({"pc-b", "pc-a"});
    QCOMPARE(f.order(), QStringLiteral("ana fil"));
    QCOMPARE(f.view->filterText(), QStringLiteral("(Host = 'pc-b' ou Host = 'pc-a') e Status = 'run'"));
    f.col("Status")->setFilterValues({Null});
    QCOMPARE(f.order(), QStringLiteral("bia"));
    QCOMPARE(f.view->filterText(), QStringLiteral("(Host = 'pc-b' ou Host = 'pc-a') e Status é vazio"));

    // Many values use a lookup table; the result is the same.
    QVariantList ids;
    for (int i = 3; i < 40; ++i)
        ids << i;
    f.view->clearFilter();
    f.col("Id")->setFilterValues(ids);
    QCOMPARE(f.order(), QStringLiteral("caio dani eva fil"));

    // The clear button of the filter bar.
    auto *clear = site->filterBar()->findChild<QToolButton *>(QStringLiteral("filterClear"));
    QVERIFY(clear);
    clear->click();
    QVERIFY(!f.view->isFiltered());
    QCOMPARE(f.view->rowCountShown(), 6);
    QCoreApplication::processEvents();
    QVERIFY(!site->filterBar()->isVisible());
}

// ---------------------------------------------------------------- master-detail

namespace {
struct MasterDetail
{
    GridControl grid;
    GridTableView *master;
    GridTableView *detail;
    std::unique_ptr<Fixture> f;
    ClientDataSet locks;
    DataSource lockSource;

    MasterDetail()
    {
        GridLevel *level = grid.CreateLevel(QStringLiteral("nivel"));
        master = grid.CreateTableView(QStringLiteral("sessoes"));
        level->setGridView(master);
        f = std::make_unique<Fixture>(sessions(), master, false);
        RecordData d;
        d.fields = {{"SessionId", FieldType::Integer, 0}, {"Object", FieldType::String, 20}, {"Mode", FieldType::String, 5}};
        d.cells = {3, "conta", "X", 1, "cliente", "S", 3, "banco", "S", 9, "orfao", "X", 1, "agenda", "X"};
        locks.setData(d);
        lockSource.setDataSet(&locks);
        detail = grid.CreateTableView(QStringLiteral("bloqueios"));
        detail->setDataSource(&lockSource);
        for (const char *name : {"Object", "Mode"})
            detail->CreateColumn()->setFieldName(QString::fromLatin1(name));
        master->DataController()->KeyFieldNames = QStringLiteral("Id");
        detail->DataController()->DetailKeyFieldNames = QStringLiteral("SessionId");
        level->Add(QStringLiteral("nivelBloqueios"))->setGridView(detail);
        master->columnsChanged();
    }
    // The detail rows under master row `row` as "Object/Mode", header first.
    QString details(int row) const
    {
        TableViewModel *m = master->viewModel();
        const QModelIndex parent = master->rowIndex(row);
        QStringList out;
        for (int i = 0; i < m->rowCount(parent); ++i)
            out << m->index(i, 0, parent).data().toString() + QLatin1Char('/') + m->index(i, 1, parent).data().toString();
        return out.join(QLatin1Char(' '));
    }
};
} // namespace

void TestGridTableView::masterRowsAndDetails()
{
    MasterDetail md;
    GridTableView *v = md.master;
    show(&md.grid);
    QCOMPARE(md.grid.ActiveView(), static_cast<GridView *>(v));
    QCOMPARE(v->detailView(), md.detail);
    QVERIFY(v->rootIsDecorated());

    // Only masters with detail rows can open.
    QVERIFY(v->rowExpandable(0));  // 1: two locks
    QVERIFY(!v->rowExpandable(1)); // 2: none
    QVERIFY(v->rowExpandable(2));  // 3
    QCOMPARE(md.details(0), QStringLiteral("Object/Mode cliente/S agenda/X"));
    QCOMPARE(md.details(2), QStringLiteral("Object/Mode conta/X banco/S"));
    const QModelIndex header = md.master->viewModel()->index(0, 0, v->rowIndex(0));
    QCOMPARE(md.master->viewModel()->rowKind(header), TableViewModel::RowKind::DetailHeader);

    // One by one; detail rows are not rows of the master view.
    v->expandRow(2);
    QVERIFY(v->rowExpanded(2));
    QVERIFY(v->isExpanded(v->rowIndex(2)));
    QVERIFY(!v->rowExpanded(0));
    QCOMPARE(v->rowCountShown(), 6);
    QVERIFY(md.f->dc()->masterExpanded(2));
    v->collapseRow(2);
    QVERIFY(!v->isExpanded(v->rowIndex(2)));

    // Expanded masters stay open when the rows are sorted again, wherever they go.
    v->expandRow(0);
    md.f->col("Login")->setSortOrder(GridSortOrder::Descending);
    QCOMPARE(md.f->order(), QStringLiteral("fil eva dani caio bia ana"));
    QVERIFY(v->isExpanded(v->rowIndex(5)));
    QVERIFY(!v->isExpanded(v->rowIndex(3)));

    // The detail view's sorting orders the detail rows.
    md.detail->ColumnByFieldName(QStringLiteral("Object"))->setSortOrder(GridSortOrder::Ascending);
    QCOMPARE(md.details(5), QStringLiteral("Object/Mode agenda/X cliente/S"));

    // A grouped master view: records under groups still open their details.
    v->groupBy(md.f->col("Host"));
    md.f->dc()->FullExpand();
    QCOMPARE(md.f->presented(), QStringLiteral("[Host : pc-a] eva bia [Host : pc-b] fil caio ana [Host : pc-c] dani"));
    QVERIFY(v->isExpanded(v->rowIndex(6))); // ana, still open
    v->expandRow(5, true);
    QVERIFY(v->isExpanded(v->rowIndex(5)));
    v->collapseRow(3, true); // pc-b with what is open inside it
    QVERIFY(!md.f->dc()->groupExpanded(1));
    md.f->dc()->FullExpand();
    QVERIFY(!v->isExpanded(v->rowIndex(5)));
    QVERIFY(!v->isExpanded(v->rowIndex(6)));

    // Without keys there is no link.
    md.detail->DataController()->DetailKeyFieldNames = QStringLiteral("NoSuchField");
    v->columnsChanged();
    QVERIFY(!v->rowExpandable(6));
}

void TestGridTableView::detailFollowsDetailData()
{
    MasterDetail md;
    QSignalSpy resets(md.master->viewModel(), &QAbstractItemModel::modelReset);
    QCOMPARE(md.details(1), QString());
    md.locks.Append();
    md.locks.setFieldByName(QStringLiteral("SessionId"), 2);
    md.locks.setFieldByName(QStringLiteral("Object"), QStringLiteral("fila"));
    md.locks.Post();
    QVERIFY(resets.count() >= 1);
    QCOMPARE(md.details(1), QStringLiteral("Object/Mode fila/"));
    QVERIFY(md.master->rowExpandable(1));
    md.locks.Close();
    QVERIFY(!md.master->rowExpandable(0));

    // The detail view goes while a master is open: the master rows lose their details.
    RecordData d;
    d.fields = {{"SessionId", FieldType::Integer, 0}, {"Object", FieldType::String, 20}, {"Mode", FieldType::String, 5}};
    d.cells = {1, "cliente", "S"};
    md.locks.setData(d);
    md.master->expandRow(0);
    QVERIFY(md.master->isExpanded(md.master->rowIndex(0)));
    show(&md.grid);
    delete md.detail;
    QVERIFY(!md.master->detailView());
    QVERIFY(!md.master->rowExpandable(0));
    md.master->viewport()->repaint();
}

// ---------------------------------------------------------------- styles

void TestGridTableView::sharedStyleRepaintsEveryView()
{
    GridStyle shared;
    shared.setColor(VclColor::fromRgb(200, 0, 0));
    Fixture a;
    Fixture b;
    a.view->setContentStyle(&shared);
    b.view->setContentStyle(&shared);
    a.view->OptionsView.GroupByBox = b.view->OptionsView.GroupByBox = false;
    a.view->optionsChanged();
    b.view->optionsChanged();
    show(a.view->site());
    show(b.view->site());
    const QRect cellA = a.view->visualRect(a.model()->index(2, 2));
    const QRect cellB = b.view->visualRect(b.model()->index(2, 2));
    QCOMPARE(pixelAt(a.view->viewport(), cellA.center() + QPoint(cellA.width() / 3, 0)), QColor(200, 0, 0));

    const int repaintsA = a.view->styleRepaints();
    const int repaintsB = b.view->styleRepaints();
    shared.setColor(VclColor::fromRgb(0, 0, 180));
    QCOMPARE(a.view->styleRepaints(), repaintsA + 1);
    QCOMPARE(b.view->styleRepaints(), repaintsB + 1);
    QCoreApplication::processEvents();
    QCOMPARE(pixelAt(a.view->viewport(), cellA.center() + QPoint(cellA.width() / 3, 0)), QColor(0, 0, 180));
    QCOMPARE(pixelAt(b.view->viewport(), cellB.center() + QPoint(cellB.width() / 3, 0)), QColor(0, 0, 180));

    // A style that goes away leaves the views without it, not broken.
    {
        GridStyle gone;
        a.view->setHeaderStyle(&gone);
    }
    QVERIFY(!a.view->styles().Header);
    QVERIFY(!a.model()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).isValid());
}

void TestGridTableView::specialColoursResolveWhenPainting()
{
    Fixture f;
    GridStyle style;
    f.view->setContentStyle(&style);
    const QModelIndex cell = f.model()->index(0, 0);
    struct Case
    {
        quint32 value;
        QColor expected; // invalid: no colour of its own
    };
    const QPalette pal = QGuiApplication::palette();
    const Case cases[] = {
        {VclColor::clDefault, QColor()},
        {VclColor::clNone, QColor()},
        {VclColor::clWindow, pal.color(QPalette::Base)},
        {VclColor::clBtnFace, pal.color(QPalette::Button)},
        {VclColor::clHighlight, pal.color(QPalette::Highlight)},
        {VclColor::clInfoBk, pal.color(QPalette::ToolTipBase)},
        {0x00F2E4D7, QColor(0xD7, 0xE4, 0xF2)},
        {0xFF0000FF, QColor()}, // not a system colour index
    };
    for (const Case &c : cases) {
        style.setColor(c.value);
        const QVariant v = cell.data(Qt::BackgroundRole);
        QCOMPARE(v.isValid() ? v.value<QColor>() : QColor(), c.expected);
    }
    style.setColor(VclColor::clSkyBlue);
    f.view->setHeaderStyle(&style);
    QCOMPARE(f.model()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(), QColor(0xA6, 0xCA, 0xF0));
}

void TestGridTableView::oddRowsTakeContentOdd()
{
    Fixture f;
    GridStyle content;
    GridStyle odd;
    content.setColor(VclColor::clYellow);
    f.view->setContentStyle(&content);
    TableViewModel *m = f.model();
    QCOMPARE(m->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow)); // no odd style
    f.view->setContentOddStyle(&odd);
    odd.setColor(VclColor::clAqua);
    QCOMPARE(m->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    QCOMPARE(m->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::cyan));
    QCOMPARE(m->index(2, 3).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    // An odd style of clDefault paints the default, not the content colour.
    odd.setColor(VclColor::clDefault);
    QVERIFY(!m->index(1, 0).data(Qt::BackgroundRole).isValid());
}

// ---------------------------------------------------------------- bracket, columns, rows

void TestGridTableView::updateBracketHoldsBack()
{
    Fixture f;
    show(f.view->site());
    QSignalSpy applied(f.view, &GridTableView::columnsReset);
    f.view->BeginUpdate();
    f.view->BeginUpdate();
    QVERIFY(!f.view->site()->updatesEnabled());
    f.col("Host")->setGroupIndex(0);
    f.col("Login")->setSortOrder(GridSortOrder::Descending);
    f.view->removeColumn(f.col("Status"));
    GridColumn *extra = f.view->CreateColumn();
    extra->FieldName = QStringLiteral("Wait");
    QCOMPARE(applied.count(), 0);
    QVERIFY(!f.dc()->isGrouped());
    QCOMPARE(f.model()->columnCount(), 5); // the model keeps its columns until the end
    // A removed column shows nothing until then.
    QCOMPARE(f.model()->headerData(4, Qt::Horizontal).toString(), QString());
    QCOMPARE(f.model()->index(0, 4).data().toString(), QString());
    QCOMPARE(f.model()->index(0, 2).data().toString(), QStringLiteral("ana"));
    f.view->EndUpdate();
    QCOMPARE(applied.count(), 0);
    QVERIFY(!f.view->site()->updatesEnabled());
    f.view->EndUpdate();
    QCOMPARE(applied.count(), 1);
    QVERIFY(f.view->site()->updatesEnabled());
    QVERIFY(f.dc()->isGrouped());
    QCOMPARE(f.model()->columnCount(), 5);
    QCOMPARE(f.model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Wait"));
    QCOMPARE(f.order(), QStringLiteral("eva bia fil caio ana dani"));
    f.view->EndUpdate(); // unbalanced: ignored
    QVERIFY(f.view->site()->updatesEnabled());
}

void TestGridTableView::columnsCreatedMovedRemoved()
{
    Fixture f;
    show(f.view->site());
    GridColumn *login = f.col("Login");
    login->setCaption(QStringLiteral("Usuário"));
    login->setWidth(123);
    QCOMPARE(f.view->columnWidth(2), 123);
    QCOMPARE(f.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Usuário"));
    login->setIndex(0);
    QCOMPARE(f.view->Columns(0), login);
    QCOMPARE(login->Index(), 0);
    QCOMPARE(f.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Usuário"));
    QCOMPARE(f.model()->displayText(0, 0), QStringLiteral("ana"));
    QCOMPARE(f.view->columnWidth(0), 123);

    // The user drags a header: the column moves among the view's columns.
    f.view->header()->moveSection(0, 3);
    QTRY_COMPARE(f.view->Columns(3), login);
    QCOMPARE(f.view->header()->visualIndex(3), 3);
    QCOMPARE(f.model()->displayText(0, 3), QStringLiteral("ana"));
    // and resizes one.
    f.view->header()->resizeSection(3, 77);
    QCOMPARE(login->Width, 77);

    login->setVisible(false);
    QVERIFY(f.view->isColumnHidden(3));
    f.view->removeColumn(login);
    QCOMPARE(f.view->ColumnCount(), 4);
    QVERIFY(!f.view->ColumnByFieldName(QStringLiteral("Login")));
    QCOMPARE(f.model()->columnCount(), 4);
    f.view->removeColumn(99); // out of range: nothing
    QCOMPARE(f.view->ColumnCount(), 4);

    // A column bound to a missing field shows empty cells.
    GridColumn *ghost = f.view->CreateColumn();
    ghost->setFieldName(QStringLiteral("NoSuchField"));
    QCOMPARE(f.model()->displayText(0, ghost->Index()), QString());
}

void TestGridTableView::appendedRowsAreInsertedNotReset()
{
    Fixture f;
    QSignalSpy inserted(f.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(f.model(), &QAbstractItemModel::modelReset);
    f.ds.Append();
    f.ds.setFieldByName(QStringLiteral("Login"), QStringLiteral("gil"));
    f.ds.Post();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(f.view->rowCountShown(), 7);
    QCOMPARE(f.model()->displayText(6, 2), QStringLiteral("gil"));
    // With an order of its own the view rebuilds instead.
    f.col("Login")->setSortOrder(GridSortOrder::Descending);
    resets.clear();
    f.ds.Append();
    f.ds.setFieldByName(QStringLiteral("Login"), QStringLiteral("zeca"));
    f.ds.Post();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(f.model()->displayText(0, 2), QStringLiteral("zeca"));
}

void TestGridTableView::scrollingTouchesOnlyVisibleRows()
{
    RecordData d;
    d.fields = {{"N", FieldType::Integer, 0}, {"T", FieldType::String, 10}};
    const int rows = 200000;
    d.cells.reserve(rows * 2);
    for (int i = 0; i < rows; ++i)
        d.cells << i << QStringLiteral("r%1").arg(i);
    Fixture f(d);
    show(f.view->site());
    std::set<int> touched;
    f.model()->setDataObserver([&](const QModelIndex &i, int) {
        if (!i.parent().isValid())
            touched.insert(i.row());
    });
    f.view->verticalScrollBar()->setValue(rows / 2);
    f.view->viewport()->repaint();
    const int visible = f.view->viewport()->height() / f.view->visualRect(f.model()->index(rows / 2, 0)).height() + 2;
    QVERIFY2(int(touched.size()) <= visible, qPrintable(QString::number(touched.size())));
    QVERIFY(*touched.begin() >= rows / 2 - 1);
}

void TestGridTableView::cellAutoHeight()
{
    RecordData d;
    d.fields = {{"T", FieldType::String, 400}};
    d.cells = {QStringLiteral("curto"),
               QStringLiteral("um texto bem mais longo que a largura da coluna e que precisa de várias linhas")};
    Fixture f(d);
    f.col("T")->setWidth(90);
    show(f.view->site());
    const int shortRow = f.view->visualRect(f.model()->index(0, 0)).height();
    QCOMPARE(f.view->visualRect(f.model()->index(1, 0)).height(), shortRow);
    f.view->OptionsView.CellAutoHeight = true;
    f.view->optionsChanged();
    QCoreApplication::processEvents();
    QVERIFY(f.view->visualRect(f.model()->index(1, 0)).height() > 2 * shortRow);
    QCOMPARE(f.view->visualRect(f.model()->index(0, 0)).height(), shortRow);
}

void TestGridTableView::siteParts()
{
    Fixture f;
    f.view->OptionsView.GroupByBox = true;
    f.view->OptionsView.Indicator = true;
    f.view->OptionsView.Footer = true;
    f.view->optionsChanged();
    show(f.view->site(), QSize(300, 300));
    auto *site = static_cast<GridSite *>(f.view->site());
    QVERIFY(site->groupByBox()->isVisible());
    QVERIFY(site->indicator()->isVisible());
    QVERIFY(site->footer()->isVisible());
    // Group-by box on top, rows under it, footer and scroll bar below, indicator at the left.
    QCOMPARE(site->groupByBox()->geometry().bottom() + 1, f.view->y());
    QCOMPARE(f.view->x(), IndicatorBar::kWidth);
    QCOMPARE(site->footer()->y(), f.view->geometry().bottom() + 1);
    QTRY_VERIFY(site->horizontalBar()->isVisible()); // five 64-pixel columns in 300 pixels
    QCOMPARE(site->horizontalBar()->y(), site->footer()->geometry().bottom() + 1);
    site->horizontalBar()->setValue(40);
    QCOMPARE(f.view->horizontalScrollBar()->value(), 40);
    // The group-by box shows grouped columns as buttons.
    QVERIFY(site->groupByBox()->buttonRects().isEmpty());
    f.view->groupBy(f.col("Host"));
    QCOMPARE(site->groupByBox()->buttonRects().size(), 1);
    // Hidden parts give their room back.
    f.view->OptionsView.GroupByBox = false;
    f.view->OptionsView.Indicator = false;
    f.view->OptionsView.Footer = false;
    f.view->optionsChanged();
    QCOMPARE(f.view->pos(), QPoint(0, 0));
    QVERIFY(!site->footer()->isVisible());
}

void TestGridTableView::bandedViewKeepsColumnsInBands()
{
    auto *banded = new GridBandedTableView;
    Fixture f(sessions(), banded);
    GridBand *first = banded->CreateBand();
    first->Caption = QStringLiteral("Sessão");
    GridBand *second = banded->CreateBand();
    second->Caption = QStringLiteral("Espera");
    QCOMPARE(banded->Kind(), GridViewKind::BandedTable);
    banded->BeginUpdate();
    f.col("Wait")->Position.BandIndex = 1;
    f.col("Id")->Position.BandIndex = 1;
    banded->columnsChanged();
    banded->EndUpdate();
    QStringList order;
    for (int i = 0; i < banded->ColumnCount(); ++i)
        order << banded->Columns(i)->FieldName;
    QCOMPARE(order, QStringList({"Host", "Login", "Status", "Id", "Wait"}));
    show(banded->site());
    const auto [left0, right0] = banded->bandExtent(0);
    const auto [left1, right1] = banded->bandExtent(1);
    QCOMPARE(right0, left1);
    QCOMPARE(right1 - left1, banded->columnWidth(3) + banded->columnWidth(4));
    auto *site = static_cast<GridSite *>(banded->site());
    QVERIFY(site->bandBar() && site->bandBar()->height() > 0);
    QCOMPARE(site->bandBar()->geometry().bottom() + 1, banded->y());
}

QTEST_MAIN(TestGridTableView)
#include "tst_gridtableview.moc"
