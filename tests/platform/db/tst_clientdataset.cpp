#include "ClientDataSet.h"
#include "Error.h"

#include <QSignalSpy>
#include <QTest>

static const QVariant Null;

static QVector<FieldDef> lockFields()
{
    return {
        {QStringLiteral("sid_acu"), FieldType::Integer, 0},
        {QStringLiteral("serial_acu"), FieldType::Integer, 0},
        {QStringLiteral("BlkBy"), FieldType::FixedChar, 5},
        {QStringLiteral("Login"), FieldType::String, 30},
    };
}

static void addRow(ClientDataSet &ds, const QVariantList &values)
{
    ds.Append();
    for (int i = 0; i < values.size(); ++i)
        ds.setFieldValue(i, values.at(i));
    ds.Post();
}

// Rows in arrival order; Login names each row.
static void addLocks(ClientDataSet &ds)
{
    addRow(ds, {30, 2, "  .  ", "a"});
    addRow(ds, {10, 5, "54   ", "b"});
    addRow(ds, {30, 1, "  .  ", "c"});
    addRow(ds, {10, 5, "30   ", "d"});
    addRow(ds, {20, 9, Null, "e"});
    addRow(ds, {10, 3, "54   ", "f"});
}

// The Login of every visible row, in visible order.
static QString logins(const DataSet &ds)
{
    const int f = ds.fieldIndex(QStringLiteral("Login"));
    QString out;
    for (int r = 0; r < ds.recordCount(); ++r)
        out += ds.value(r, f).toString();
    return out;
}

static RecordData lockRows(const QList<QVariantList> &rows)
{
    RecordData data;
    data.fields = lockFields();
    for (const QVariantList &row : rows)
        for (const QVariant &v : row)
            data.cells.append(v);
    return data;
}

class TestClientDataSet : public QObject
{
    Q_OBJECT

private slots:
    void createAndAppend();
    void appendErrors();
    void filterOnAndOff();
    void filterSetBeforeCreate();
    void index_data();
    void index();
    void indexOnPaddedChar();
    void postKeepsFilterAndIndex();
    void walk();
    void locate();
    void setDataKeepsFilterAndIndex();
    void setDataThatDoesNotFit();
    void closeEmpties();
    void badSettingLeavesDataSetAsItWas_data();
    void badSettingLeavesDataSetAsItWas();
    void createWithBadFilterStaysClosed();
    void uniqueNames_data();
    void uniqueNames();
};

void TestClientDataSet::createAndAppend()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    QSignalSpy active(&ds, &DataSet::activeChanged);
    ds.CreateDataSet();
    QVERIFY(ds.active());
    QCOMPARE(active.count(), 1);
    QCOMPARE(ds.fieldCount(), 4);
    QCOMPARE(ds.fieldDefs(), lockFields());
    QVERIFY(ds.isEmpty());
    QVERIFY(ds.eof());
    QCOMPARE(ds.recNo(), -1);
    QVERIFY(ds.fieldByName(QStringLiteral("Login")).isNull());

    ds.Append();
    QVERIFY(ds.inserting());
    ds.setFieldByName(QStringLiteral("SID_ACU"), 7); // names without regard to case
    ds.setFieldByName(QStringLiteral("Login"), QStringLiteral("sa"));
    QVERIFY(ds.isEmpty()); // nothing visible before Post
    ds.Post();
    QVERIFY(!ds.inserting());
    QCOMPARE(ds.recordCount(), 1);
    QCOMPARE(ds.recNo(), 0); // the posted row is the current one
    QCOMPARE(ds.fieldByName(QStringLiteral("sid_acu")), QVariant(7));
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("sa"));
    QVERIFY(ds.fieldByName(QStringLiteral("BlkBy")).isNull());
    QCOMPARE(ds.fieldAsString(QStringLiteral("BlkBy")), QString());

    ds.Post(); // nothing pending: no row
    QCOMPARE(ds.recordCount(), 1);

    ds.Append();
    ds.setFieldValue(0, 8);
    ds.Cancel();
    QVERIFY(!ds.inserting());
    QCOMPARE(ds.recordCount(), 1);
    QCOMPARE(ds.Data().rowCount(), 1);
}

void TestClientDataSet::appendErrors()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.FieldDefs[0].required = true;
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Append()); // closed
    ds.CreateDataSet();
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setFieldValue(0, 1)); // not appending

    ds.Append();
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setFieldValue(4, 1));
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setFieldValue(-1, 1));
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setFieldByName(QStringLiteral("nope"), 1));
    ds.setFieldValue(3, QStringLiteral("x"));
    try {
        ds.Post();
        QFAIL("a required field without value was posted");
    } catch (const KvoError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("sid_acu")), qPrintable(e.message()));
    }
    QVERIFY(ds.inserting()); // still appending: the value can be given now
    QCOMPARE(ds.Data().rowCount(), 0);
    ds.setFieldValue(0, 1);
    ds.Post();
    QCOMPARE(ds.recordCount(), 1);
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("x"));

    ClientDataSet noFields;
    noFields.CreateDataSet();
    noFields.Append();
    QVERIFY_THROWS_EXCEPTION(KvoError, noFields.Post());
    QCOMPARE(noFields.recordCount(), 0);
}

void TestClientDataSet::filterOnAndOff()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    QSignalSpy reset(&ds, &DataSet::dataReset);

    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    QCOMPARE(logins(ds), QStringLiteral("abcdef")); // not filtered yet
    QCOMPARE(reset.count(), 0);
    ds.setFiltered(true);
    QCOMPARE(logins(ds), QStringLiteral("bdf")); // blanks ignored, NULL left out
    QCOMPARE(ds.recNo(), 0);
    ds.setFilter(QStringLiteral("sid_acu = 30"));
    QCOMPARE(logins(ds), QStringLiteral("ac"));
    ds.setFilter(QString());
    QCOMPARE(logins(ds), QStringLiteral("abcdef"));
    ds.setFilter(QStringLiteral("BlkBy = 54 OR BlkBy IS NULL"));
    QCOMPARE(logins(ds), QStringLiteral("bef"));
    ds.setFiltered(false);
    QCOMPARE(logins(ds), QStringLiteral("abcdef"));
    QCOMPARE(reset.count(), 5); // every change that shows rereads the views
    QCOMPARE(ds.Data().rowCount(), 6); // the filter hides rows, it never drops them
}

void TestClientDataSet::filterSetBeforeCreate()
{
    ClientDataSet ds;
    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    ds.setFiltered(true);
    ds.setIndexFieldNames(QStringLiteral("sid_acu"));
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    QCOMPARE(logins(ds), QStringLiteral("bdf"));
}

void TestClientDataSet::index_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("order");

    QTest::newRow("none: arrival order") << "" << "abcdef";
    QTest::newRow("one field, ties in arrival order") << "sid_acu" << "bdfeac";
    QTest::newRow("two fields") << "sid_acu;serial_acu" << "fbdeca";
    QTest::newRow("two fields, blanks and case") << " SID_ACU ; Serial_Acu " << "fbdeca";
    QTest::newRow("char field: NULL first, blanks ignored") << "BlkBy" << "eacdbf";
    QTest::newRow("text field") << "Login" << "abcdef";
    QTest::newRow("second field only breaks ties") << "serial_acu;sid_acu" << "cafbde";
}

void TestClientDataSet::index()
{
    QFETCH(QString, index);
    QFETCH(QString, order);

    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    ds.setIndexFieldNames(index);
    QCOMPARE(ds.indexFieldNames(), index);
    QCOMPARE(logins(ds), order);
    QCOMPARE(ds.recNo(), 0);

    // Rows appended one by one end up where a full sort puts them.
    ClientDataSet incremental;
    incremental.FieldDefs = lockFields();
    incremental.setIndexFieldNames(index);
    incremental.CreateDataSet();
    addLocks(incremental);
    QCOMPARE(logins(incremental), order);
}

void TestClientDataSet::indexOnPaddedChar()
{
    ClientDataSet ds;
    ds.FieldDefs = {{QStringLiteral("BlkBy"), FieldType::FixedChar, 5}, {QStringLiteral("Login"), FieldType::String, 10}};
    ds.setIndexFieldNames(QStringLiteral("BlkBy"));
    ds.CreateDataSet();
    addRow(ds, {"7    ", "a"});
    addRow(ds, {"54", "b"});
    addRow(ds, {"100  ", "c"});
    addRow(ds, {"54   ", "d"});
    addRow(ds, {" 9   ", "e"});
    addRow(ds, {"", "f"});
    // Characters in order (a text column, so "100" before "54"); "54" and "54   " are the
    // same value and keep their arrival order.
    QCOMPARE(logins(ds), QStringLiteral("fecbda"));
}

void TestClientDataSet::postKeepsFilterAndIndex()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    ds.setFiltered(true);
    ds.setIndexFieldNames(QStringLiteral("sid_acu"));
    ds.CreateDataSet();
    addLocks(ds);
    QCOMPARE(logins(ds), QStringLiteral("bdf"));

    QSignalSpy inserted(&ds, &DataSet::rowsInserted);
    QSignalSpy reset(&ds, &DataSet::dataReset);

    addRow(ds, {15, 1, "54", "g"});
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.takeFirst(), (QVariantList{3, 3}));
    QCOMPARE(ds.recNo(), 3);
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("g"));

    addRow(ds, {10, 1, "54", "h"}); // after the other 10s
    QCOMPARE(inserted.takeFirst(), (QVariantList{3, 3}));
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("h"));

    addRow(ds, {1, 1, "  .", "i"}); // filtered out: no signal, cursor stays
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("h"));
    QCOMPARE(logins(ds), QStringLiteral("bdfhg"));
    QCOMPARE(reset.count(), 0);

    ds.setFiltered(false);
    QCOMPARE(logins(ds), QStringLiteral("ibdfhgeac"));
}

void TestClientDataSet::walk()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    ds.setIndexFieldNames(QStringLiteral("sid_acu;serial_acu"));
    ds.setFilter(QStringLiteral("sid_acu <> 20"));
    ds.setFiltered(true);

    QString seen;
    for (ds.First(); !ds.eof(); ds.Next())
        seen += ds.fieldAsString(QStringLiteral("Login"));
    QCOMPARE(seen, QStringLiteral("fbdca"));
    QVERIFY(ds.eof());
    QVERIFY(ds.fieldByName(QStringLiteral("Login")).isNull());
    ds.Next(); // past the end stays at the end
    QVERIFY(ds.eof());

    ds.First();
    QVERIFY(ds.bof());
    QCOMPARE(ds.recNo(), 0);
    ds.setRecNo(3);
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("c"));
    ds.setRecNo(99); // out of range: no move
    QCOMPARE(ds.recNo(), 3);
    QCOMPARE(ds.sourceRow(3), 2);

    ds.setFilter(QStringLiteral("sid_acu > 100"));
    QVERIFY(ds.isEmpty());
    ds.First();
    QVERIFY(ds.eof());
    QCOMPARE(ds.recNo(), -1);
}

void TestClientDataSet::locate()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    ds.setIndexFieldNames(QStringLiteral("serial_acu"));
    QCOMPARE(logins(ds), QStringLiteral("cafbde"));

    QVERIFY(ds.Locate(QStringLiteral("sid_acu"), 10)); // first in visible order
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("f"));
    QVERIFY(ds.Locate(QStringLiteral("BlkBy"), 54)); // the text '54   ' by the number
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("f"));
    QVERIFY(ds.Locate(QStringLiteral("blkby"), QStringLiteral("30")));
    QCOMPARE(ds.fieldAsString(QStringLiteral("Login")), QStringLiteral("d"));

    ds.First();
    QVERIFY(!ds.Locate(QStringLiteral("Login"), QStringLiteral("zz")));
    QCOMPARE(ds.recNo(), 0); // no move
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Locate(QStringLiteral("nope"), 1));

    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    ds.setFiltered(true);
    QVERIFY(!ds.Locate(QStringLiteral("Login"), QStringLiteral("a"))); // hidden rows are not found
    QVERIFY(ds.Locate(QStringLiteral("Login"), QStringLiteral("d")));
    QCOMPARE(ds.recNo(), 2);
}

void TestClientDataSet::setDataKeepsFilterAndIndex()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    ds.setFiltered(true);
    ds.setIndexFieldNames(QStringLiteral("sid_acu"));
    ds.Next();

    QSignalSpy reset(&ds, &DataSet::dataReset);
    QSignalSpy active(&ds, &DataSet::activeChanged);
    ds.setData(lockRows({
        {90, 1, "  .  ", "p"},
        {70, 1, "71   ", "q"},
        {80, 1, "81   ", "r"},
        {60, 1, "  .  ", "s"},
    }));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(active.count(), 0);
    QCOMPARE(logins(ds), QStringLiteral("qr"));
    QCOMPARE(ds.recNo(), 0);
    QCOMPARE(ds.Data().rowCount(), 4);

    // A closed data set opens with the rows given.
    ClientDataSet closed;
    closed.setIndexFieldNames(QStringLiteral("Login"));
    const RecordData rows = lockRows({{1, 1, "", "z"}, {2, 2, "", "y"}});
    closed.setData(rows);
    QVERIFY(closed.active());
    QCOMPARE(logins(closed), QStringLiteral("yz"));
}

void TestClientDataSet::setDataThatDoesNotFit()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    ds.setFiltered(true);

    RecordData other;
    other.fields = {{QStringLiteral("Login"), FieldType::String, 30}};
    other.cells = {QStringLiteral("x")};
    QSignalSpy reset(&ds, &DataSet::dataReset);
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setData(other)); // the filter's field is missing
    QVERIFY(ds.active());
    QCOMPARE(ds.fieldCount(), 4);
    QCOMPARE(logins(ds), QStringLiteral("bdf"));
    QCOMPARE(reset.count(), 0);

    ds.setFiltered(false);
    ds.setData(other); // fits once the filter is off
    QCOMPARE(logins(ds), QStringLiteral("x"));
}

void TestClientDataSet::closeEmpties()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    ds.setFiltered(true);
    ds.CreateDataSet();
    addLocks(ds);
    QSignalSpy reset(&ds, &DataSet::dataReset);
    QSignalSpy active(&ds, &DataSet::activeChanged);

    ds.Close();
    QVERIFY(!ds.active());
    QCOMPARE(active.count(), 1);
    QCOMPARE(active.takeFirst().at(0).toBool(), false);
    QCOMPARE(reset.count(), 1);
    QVERIFY(ds.isEmpty());
    QCOMPARE(ds.recordCount(), 0);
    QCOMPARE(ds.Data().rowCount(), 0);
    QVERIFY(ds.eof());
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.fieldByName(QStringLiteral("Login")));
    QVERIFY(!ds.Locate(QStringLiteral("Login"), QStringLiteral("b")));

    ds.CreateDataSet();
    QVERIFY(ds.isEmpty());
    addLocks(ds);
    QCOMPARE(logins(ds), QStringLiteral("bdf")); // the filter is still in force
}

enum class BadSetting { UnknownFilterField, UnterminatedFilter, UnknownIndexField, FilterSwitchedOn };

void TestClientDataSet::badSettingLeavesDataSetAsItWas_data()
{
    QTest::addColumn<BadSetting>("setting");
    QTest::newRow("filter with unknown field") << BadSetting::UnknownFilterField;
    QTest::newRow("filter with open quote") << BadSetting::UnterminatedFilter;
    QTest::newRow("index with unknown field") << BadSetting::UnknownIndexField;
    QTest::newRow("bad filter switched on") << BadSetting::FilterSwitchedOn;
}

void TestClientDataSet::badSettingLeavesDataSetAsItWas()
{
    QFETCH(BadSetting, setting);

    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.CreateDataSet();
    addLocks(ds);
    ds.setIndexFieldNames(QStringLiteral("sid_acu"));
    const QString filter = QStringLiteral("BlkBy <> '  .'");
    ds.setFilter(filter);
    ds.setFiltered(setting != BadSetting::FilterSwitchedOn);
    const bool filtered = ds.filtered();
    const QString before = logins(ds);
    ds.Next();
    const int recNo = ds.recNo();

    QSignalSpy reset(&ds, &DataSet::dataReset);
    try {
        switch (setting) {
        case BadSetting::UnknownFilterField:
            ds.setFilter(QStringLiteral("Nope = 1"));
            break;
        case BadSetting::UnterminatedFilter:
            ds.setFilter(QStringLiteral("BlkBy <> '"));
            break;
        case BadSetting::UnknownIndexField:
            ds.setIndexFieldNames(QStringLiteral("sid_acu;nope"));
            break;
        case BadSetting::FilterSwitchedOn:
            ds.setFilter(QStringLiteral("Nope = 1")); // not checked while the filter is off
            QCOMPARE(logins(ds), before);
            ds.setFiltered(true);
            break;
        }
        QFAIL("no error");
    } catch (const KvoError &e) {
        QVERIFY(!e.message().isEmpty());
    }

    QCOMPARE(ds.filtered(), filtered);
    if (setting != BadSetting::FilterSwitchedOn)
        QCOMPARE(ds.filter(), filter);
    QCOMPARE(ds.indexFieldNames(), QStringLiteral("sid_acu"));
    QCOMPARE(logins(ds), before);
    QCOMPARE(ds.recNo(), recNo);
    QCOMPARE(reset.count(), 0);

    // The data set goes on working.
    ds.setIndexFieldNames(QStringLiteral("Login"));
    QCOMPARE(logins(ds), setting == BadSetting::FilterSwitchedOn ? QStringLiteral("abcdef") : QStringLiteral("bdf"));
    addRow(ds, {1, 1, "9", "g"});
    QVERIFY(logins(ds).endsWith(u'g'));
}

void TestClientDataSet::createWithBadFilterStaysClosed()
{
    ClientDataSet ds;
    ds.FieldDefs = lockFields();
    ds.setFilter(QStringLiteral("Nope = 1"));
    ds.setFiltered(true);
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.CreateDataSet());
    QVERIFY(!ds.active());
    QCOMPARE(ds.fieldCount(), 0);
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Append());

    ds.setFilter(QStringLiteral("Login = 'x'"));
    ds.CreateDataSet();
    QVERIFY(ds.active());
}

void TestClientDataSet::uniqueNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("distinct") << QStringList{"SPID", "Login"} << QStringList{"SPID", "Login"};
    QTest::newRow("two") << QStringList{"SPID", "SPID"} << QStringList{"SPID", "SPID_1"};
    QTest::newRow("three") << QStringList{"SPID", "SPID", "SPID"} << QStringList{"SPID", "SPID_1", "SPID_2"};
    QTest::newRow("apart") << QStringList{"SPID", "Login", "SPID"} << QStringList{"SPID", "Login", "SPID_1"};
    QTest::newRow("any case") << QStringList{"spid", "SPID"} << QStringList{"spid", "SPID_1"};
    QTest::newRow("counter name taken") << QStringList{"SPID", "SPID_1", "SPID"} << QStringList{"SPID", "SPID_1", "SPID_2"};
    QTest::newRow("two names repeated")
        << QStringList{"A", "B", "A", "B", "A"} << QStringList{"A", "B", "A_1", "B_1", "A_2"};
}

void TestClientDataSet::uniqueNames()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);

    QVector<FieldDef> fields;
    for (int i = 0; i < names.size(); ++i)
        fields.append({names.at(i), FieldType::Integer, i});
    const QVector<FieldDef> unique = RecordData::uniqueNames(fields);
    QCOMPARE(unique.size(), fields.size());
    QStringList got;
    for (int i = 0; i < unique.size(); ++i) {
        got << unique.at(i).name;
        QCOMPARE(unique.at(i).size, i); // the rest of the definition stays
    }
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestClientDataSet)
#include "tst_clientdataset.moc"
