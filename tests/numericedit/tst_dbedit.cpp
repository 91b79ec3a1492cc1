// The data-aware edit the numeric edit stands on, and the edit mode of the client data set
// it writes through.
#include "ClientDataSet.h"
#include "DBEdit.h"
#include "Error.h"
#include "RecordingUiServices.h"

#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

Q_DECLARE_METATYPE(FieldType)

namespace {

const QLocale kBrazil(QLocale::Portuguese, QLocale::Brazil);
const QVariant Null;

QVector<FieldDef> fields()
{
    return {{QStringLiteral("COD"), FieldType::Integer, 0, true},
            {QStringLiteral("NOME"), FieldType::String, 10},
            {QStringLiteral("VALOR"), FieldType::Float, 0}};
}

// Rows (COD, NOME, VALOR) 1 a 1.5, 2 b 2.5, 3 c 3.5.
void fill(ClientDataSet &ds)
{
    ds.FieldDefs = fields();
    ds.CreateDataSet();
    for (int i = 1; i <= 3; ++i) {
        ds.Append();
        ds.setFieldValue(0, i);
        ds.setFieldValue(1, QString(QChar(u'a' + i - 1)));
        ds.setFieldValue(2, i + 0.5);
        ds.Post();
    }
    ds.First();
}

QString names(const DataSet &ds)
{
    QString out;
    for (int r = 0; r < ds.recordCount(); ++r)
        out += ds.value(r, 1).toString();
    return out;
}

// A data set that only shows rows: no edit mode.
class ShownRows : public DataSet
{
public:
    void load(RecordData rows)
    {
        setActive(true);
        assignData(std::move(rows));
    }
};

// A window with a DBEdit on `field` of `ds` and a plain edit to move the focus to.
class Form
{
public:
    Form(DataSet *ds, const QString &field)
    {
        source.setDataSet(ds);
        auto *layout = new QVBoxLayout(&window);
        edit = new DBEdit(&window);
        edit->setDataSource(&source);
        edit->setDataField(field);
        other = new QLineEdit(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        other->setFocus();
        window.show();
        active = QTest::qWaitForWindowActive(&window);
    }
    void enter() { edit->setFocus(Qt::TabFocusReason); QCoreApplication::processEvents(); }
    void leave() { other->setFocus(Qt::TabFocusReason); QCoreApplication::processEvents(); }

    DataSource source;
    QWidget window;
    DBEdit *edit = nullptr;
    QLineEdit *other = nullptr;
    bool active = false;
};

} // namespace

class TestDBEdit : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(kBrazil); }

    // ClientDataSet edit mode
    void editAndPost();
    void cancelAndErrors();
    void postPlacesTheRowByFilterAndIndex();
    void movingPostsAnEdit();
    void displayFormats();

    // DBEdit
    void displayAndEditText();
    void typingStartsTheEdit();
    void refusedWhereNothingCanBeWritten();
    void validChars_data();
    void validChars();
    void maxLength();
    void reloads();
    void conversionErrors_data();
    void conversionErrors();
};

// ---- ClientDataSet ------------------------------------------------------------------------

void TestDBEdit::editAndPost()
{
    ClientDataSet ds;
    fill(ds);
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QSignalSpy state(&ds, &DataSet::stateChanged);
    QSignalSpy field(&ds, &DataSet::fieldChanged);
    QSignalSpy changed(&ds, &DataSet::rowChanged);
    QSignalSpy reset(&ds, &DataSet::dataReset);

    ds.setRecNo(1);
    ds.Edit();
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QVERIFY(ds.editing());
    QVERIFY(!ds.inserting());
    QCOMPARE(state.count(), 1);
    ds.Edit(); // already editing: nothing
    QCOMPARE(state.count(), 1);

    ds.setFieldByName(QStringLiteral("valor"), 9.25);
    QCOMPARE(field.count(), 1);
    QCOMPARE(field.at(0).at(0).toInt(), 2);
    QCOMPARE(ds.recordValue(2), QVariant(9.25));   // what bound controls show
    QCOMPARE(ds.fieldValue(2), QVariant(2.5));     // the stored row
    QCOMPARE(ds.recordValue(1), QVariant(QStringLiteral("b")));

    ds.Post();
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(ds.fieldValue(2), QVariant(9.25));
    QCOMPARE(ds.recordValue(2), QVariant(9.25));
    QCOMPARE(ds.recordCount(), 3);
    QCOMPARE(ds.recNo(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(state.count(), 2);

    // Insert mode reports its state too.
    ds.Append();
    QCOMPARE(ds.state(), DataSet::State::Insert);
    ds.setFieldValue(0, 4);
    QCOMPARE(ds.recordValue(0), QVariant(4));
    ds.Post();
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(state.count(), 4);
    ds.Close();
    QCOMPARE(ds.state(), DataSet::State::Inactive);
}

void TestDBEdit::cancelAndErrors()
{
    ClientDataSet ds;
    ds.FieldDefs = fields();
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Edit()); // closed
    ds.CreateDataSet();
    ds.Edit(); // no row: starts a new one
    QCOMPARE(ds.state(), DataSet::State::Insert);
    ds.Cancel();
    fill(ds);

    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setFieldValue(0, 5)); // browse
    ds.Edit();
    ds.setFieldValue(2, 7.0);
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.setFieldValue(3, 1));
    ds.Cancel();
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(ds.recordValue(2), QVariant(1.5));
    QCOMPARE(ds.fieldValue(2), QVariant(1.5));

    // A required field left empty: the post fails, the edit stays open for correction.
    ds.Edit();
    ds.setFieldValue(0, Null);
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Post());
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(ds.fieldValue(0), QVariant(1));
    ds.setFieldValue(0, 10);
    ds.Post();
    QCOMPARE(ds.fieldValue(0), QVariant(10));

    // Past the last row there is no current row to edit.
    while (!ds.eof())
        ds.Next();
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Edit());
    QCOMPARE(ds.state(), DataSet::State::Browse);
}

void TestDBEdit::postPlacesTheRowByFilterAndIndex()
{
    ClientDataSet ds;
    fill(ds);
    ds.setIndexFieldNames(QStringLiteral("VALOR"));
    ds.setRecNo(0); // a
    QSignalSpy changed(&ds, &DataSet::rowChanged);
    QSignalSpy reset(&ds, &DataSet::dataReset);

    // The key moves the row: views reread, the cursor stays on the row.
    ds.Edit();
    ds.setFieldValue(2, 3.0);
    ds.Post();
    QCOMPARE(names(ds), QStringLiteral("bac"));
    QCOMPARE(ds.recNo(), 1);
    QCOMPARE(ds.fieldAsString(QStringLiteral("NOME")), QStringLiteral("a"));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(changed.count(), 0);

    // Equal keys keep arrival order; a change that keeps the place is a rowChanged.
    ds.setRecNo(0); // b
    ds.Edit();
    ds.setFieldValue(2, 3.0);
    ds.Post();
    QCOMPARE(names(ds), QStringLiteral("abc"));
    QCOMPARE(ds.fieldAsString(QStringLiteral("NOME")), QStringLiteral("b"));
    ds.Edit();
    ds.setFieldValue(1, QStringLiteral("B"));
    ds.Post();
    QCOMPARE(names(ds), QStringLiteral("aBc"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);

    // Filtered out by its new value: the row leaves the visible rows, the cursor keeps its place.
    ds.setFilter(QStringLiteral("COD < 3"));
    ds.setFiltered(true);
    QCOMPARE(names(ds), QStringLiteral("aB"));
    ds.setRecNo(0);
    ds.Edit();
    ds.setFieldValue(0, 7);
    ds.Post();
    QCOMPARE(names(ds), QStringLiteral("B"));
    QCOMPARE(ds.recNo(), 0);
    QCOMPARE(ds.Data().rowCount(), 3);
}

void TestDBEdit::movingPostsAnEdit()
{
    ClientDataSet ds;
    fill(ds);
    QSignalSpy moved(&ds, &DataSet::currentChanged);

    ds.Edit();
    ds.setFieldValue(1, QStringLiteral("x"));
    ds.setRecNo(0); // no move: the edit stays
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(moved.count(), 0);
    ds.Next();
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(names(ds), QStringLiteral("xbc"));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), 1);

    ds.Edit();
    ds.setFieldValue(1, QStringLiteral("y"));
    QVERIFY(ds.Locate(QStringLiteral("COD"), 3));
    QCOMPARE(names(ds), QStringLiteral("xyc"));

    ds.Edit();
    ds.setFieldValue(1, QStringLiteral("z"));
    ds.setIndexFieldNames(QStringLiteral("NOME"));
    QCOMPARE(names(ds), QStringLiteral("xyz"));

    // A failed post stops the move.
    ds.setRecNo(0);
    ds.Edit();
    ds.setFieldValue(0, Null);
    QVERIFY_THROWS_EXCEPTION(KvoError, ds.Next());
    QCOMPARE(ds.recNo(), 0);
    QCOMPARE(ds.state(), DataSet::State::Edit);

    // Replaced rows and Close drop the edit.
    QSignalSpy state(&ds, &DataSet::stateChanged);
    ds.setData(ds.Data());
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QVERIFY(state.count() >= 1);
    QCOMPARE(ds.fieldValue(0), QVariant(1));
    ds.Edit();
    ds.Close();
    QCOMPARE(ds.state(), DataSet::State::Inactive);
    ds.CreateDataSet();
    QCOMPARE(ds.state(), DataSet::State::Browse);
}

void TestDBEdit::displayFormats()
{
    ClientDataSet ds;
    QSignalSpy spy(&ds, &DataSet::displayFormatChanged);
    ds.setDisplayFormat(QStringLiteral("Valor"), QStringLiteral("#,##0.00"));
    ds.setDisplayFormat(QStringLiteral("VALOR"), QStringLiteral("#,##0.00"));
    QCOMPARE(spy.count(), 1);
    fill(ds);
    ds.Close();
    ds.CreateDataSet();
    QCOMPARE(ds.displayFormat(QStringLiteral("valor")), QStringLiteral("#,##0.00"));
    ds.setDisplayFormat(QStringLiteral("valor"), QString());
    QCOMPARE(ds.displayFormat(QStringLiteral("VALOR")), QString());
    QCOMPARE(spy.count(), 2);
}

// ---- DBEdit -------------------------------------------------------------------------------

void TestDBEdit::displayAndEditText()
{
    ClientDataSet ds;
    fill(ds);
    ds.setDisplayFormat(QStringLiteral("VALOR"), QStringLiteral("#,##0.00"));
    ds.Edit();
    ds.setFieldValue(2, 1234.5);
    ds.Post();
    Form f(&ds, QStringLiteral("VALOR"));
    QVERIFY(f.active);
    QCOMPARE(f.edit->text(), QStringLiteral("1.234,50"));
    f.enter();
    QCOMPARE(f.edit->text(), QStringLiteral("1234,5"));
    QCOMPARE(f.edit->selectedText(), QStringLiteral("1234,5"));
    QVERIFY(f.edit->focused());
    f.leave();
    QCOMPARE(f.edit->text(), QStringLiteral("1.234,50"));
    QVERIFY(!f.edit->focused());

    f.edit->setDataField(QStringLiteral("COD"));
    QCOMPARE(f.edit->text(), QStringLiteral("1"));
    f.edit->setDataField(QStringLiteral("NOME"));
    QCOMPARE(f.edit->text(), QStringLiteral("a"));
    f.edit->setDataField(QStringLiteral("NADA"));
    QCOMPARE(f.edit->text(), QString());
    QVERIFY(!f.edit->Field());
    f.edit->setDataField(QStringLiteral("VALOR"));
    ds.Close();
    QCOMPARE(f.edit->text(), QString());
}

void TestDBEdit::typingStartsTheEdit()
{
    ClientDataSet ds;
    fill(ds);
    Form f(&ds, QStringLiteral("NOME"));
    QVERIFY(f.active);
    f.enter();
    QVERIFY(f.edit->isReadOnly()); // the line edit, until the data set edits
    QVERIFY(!f.edit->ReadOnly());  // the property
    QTest::keyClick(f.edit, Qt::Key_End);
    QCOMPARE(ds.state(), DataSet::State::Browse); // moving the caret edits nothing
    QTest::keyClicks(f.edit, QStringLiteral("bc"));
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(f.edit->text(), QStringLiteral("abc"));
    QVERIFY(f.edit->Modified());
    QCOMPARE(ds.recordValue(1), QVariant(QStringLiteral("a")));
    f.leave();
    QCOMPARE(ds.recordValue(1), QVariant(QStringLiteral("abc")));
    QVERIFY(!f.edit->Modified());

    // Esc takes back what was not written; an empty text is an empty field.
    f.enter();
    QTest::keyClicks(f.edit, QStringLiteral("zz"));
    QTest::keyClick(f.edit, Qt::Key_Escape);
    QCOMPARE(f.edit->text(), QStringLiteral("abc"));
    QVERIFY(!f.edit->Modified());
    f.edit->selectAll();
    QTest::keyClick(f.edit, Qt::Key_Delete);
    f.leave();
    QVERIFY(ds.recordValue(1).isNull());
    ds.Post();
    QVERIFY(ds.fieldValue(1).isNull());
}

void TestDBEdit::refusedWhereNothingCanBeWritten()
{
    {
        // Not bound at all: the text is the program's, the user types nothing.
        QWidget window;
        auto *edit = new DBEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setText(QStringLiteral("x"));
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("12"));
        QCOMPARE(edit->text(), QStringLiteral("x"));
    }
    {
        // A data set without an edit mode.
        ShownRows rows;
        RecordData data;
        data.fields = fields();
        data.cells = {1, QStringLiteral("a"), 1.5};
        rows.load(data);
        Form f(&rows, QStringLiteral("NOME"));
        QVERIFY(f.active);
        f.enter();
        QTest::keyClicks(f.edit, QStringLiteral("12"));
        QCOMPARE(f.edit->text(), QStringLiteral("a"));
        QVERIFY(!f.edit->canModify());
    }
    {
        // The ReadOnly property.
        ClientDataSet ds;
        fill(ds);
        Form f(&ds, QStringLiteral("NOME"));
        f.edit->setReadOnly(true);
        f.enter();
        QTest::keyClicks(f.edit, QStringLiteral("12"));
        QTest::keyClick(f.edit, Qt::Key_Delete);
        QCOMPARE(f.edit->text(), QStringLiteral("a"));
        QCOMPARE(ds.state(), DataSet::State::Browse);
        f.edit->setReadOnly(false);
        QTest::keyClick(f.edit, Qt::Key_Delete);
        QCOMPARE(f.edit->text(), QString());
        QCOMPARE(ds.state(), DataSet::State::Edit);
    }
}

void TestDBEdit::validChars_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");

    QTest::newRow("integer") << "COD" << "-1,2.3a+" << "-123+";
    QTest::newRow("float: the locale's decimal separator") << "VALOR" << "-1,2.3a" << "-1,23";
    QTest::newRow("text takes all") << "NOME" << "-1,2.3a" << "-1,2.3a";
}

void TestDBEdit::validChars()
{
    QFETCH(QString, field);
    ClientDataSet ds;
    ds.FieldDefs = fields();
    ds.CreateDataSet();
    Form f(&ds, field);
    QVERIFY(f.active);
    f.enter();
    QFETCH(QString, keys);
    QTest::keyClicks(f.edit, keys);
    QTEST(f.edit->text(), "text");
    QCOMPARE(ds.state(), DataSet::State::Insert); // typing into an empty data set starts a row
}

void TestDBEdit::maxLength()
{
    ClientDataSet ds;
    fill(ds);
    ds.Edit();
    ds.setFieldValue(1, QStringLiteral("abcdefghij")); // the field's size: 10
    ds.Post();
    Form f(&ds, QStringLiteral("NOME"));
    QVERIFY(f.active);
    f.enter();
    QTest::keyClick(f.edit, Qt::Key_End);
    QTest::keyClicks(f.edit, QStringLiteral("k"));
    QCOMPARE(f.edit->text(), QStringLiteral("abcdefghij")); // MaxLength 0: the field's size

    // A text longer than MaxLength, put in by the data binding, is shown whole; typing cannot
    // make it longer, and once shorter it stays within MaxLength.
    f.edit->setMaxLength(4);
    QCOMPARE(f.edit->text(), QStringLiteral("abcdefghij"));
    f.edit->selectAll();
    f.edit->setMaxLength(3); // the selection survives
    QCOMPARE(f.edit->selectedText(), QStringLiteral("abcdefghij"));
    QTest::keyClick(f.edit, Qt::Key_End);
    QTest::keyClicks(f.edit, QStringLiteral("k"));
    QCOMPARE(f.edit->text(), QStringLiteral("abcdefghij"));
    f.edit->selectAll();
    QTest::keyClicks(f.edit, QStringLiteral("wxyz"));
    QCOMPARE(f.edit->text(), QStringLiteral("wxy"));
    f.edit->setText(QStringLiteral("programa"));
    QCOMPARE(f.edit->text(), QStringLiteral("programa"));
    QCOMPARE(f.edit->MaxLength(), 3);
}

void TestDBEdit::reloads()
{
    ClientDataSet ds;
    fill(ds);
    DataSource source;
    source.setDataSet(&ds);
    DBEdit a, b;
    for (DBEdit *e : {&a, &b}) {
        e->setDataSource(&source);
        e->setDataField(QStringLiteral("NOME"));
    }
    QCOMPARE(a.text(), QStringLiteral("a"));
    ds.Next();
    QCOMPARE(a.text(), QStringLiteral("b"));
    ds.Edit();
    ds.setFieldValue(1, QStringLiteral("novo")); // another writer of the field
    QCOMPARE(a.text(), QStringLiteral("novo"));
    QCOMPARE(b.text(), QStringLiteral("novo"));
    ds.Cancel();
    QCOMPARE(b.text(), QStringLiteral("b"));

    // Another data set behind the data source.
    ClientDataSet other;
    fill(other);
    other.Edit();
    other.setFieldValue(1, QStringLiteral("outro"));
    source.setDataSet(&other);
    QCOMPARE(a.text(), QStringLiteral("outro"));
    source.setDataSet(nullptr);
    QCOMPARE(a.text(), QString());
}

void TestDBEdit::conversionErrors_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("error");

    QTest::newRow("integer too large") << "COD" << "99999999999" << "'99999999999' não é um valor inteiro válido.";
    QTest::newRow("integer sign only") << "COD" << "-" << "'-' não é um valor inteiro válido.";
    QTest::newRow("float sign only") << "VALOR" << "-" << "'-' não é um valor numérico válido.";
    QTest::newRow("two separators") << "VALOR" << "1,2,3" << "'1,2,3' não é um valor numérico válido.";
}

void TestDBEdit::conversionErrors()
{
    QFETCH(QString, field);
    QFETCH(QString, keys);
    ScopedUi ui;
    ClientDataSet ds;
    fill(ds);
    Form f(&ds, field);
    QVERIFY(f.active);
    f.enter();
    QTest::keyClicks(f.edit, keys);
    const QVariant before = ds.recordValue(ds.fieldIndex(field));
    f.leave();
    QFETCH(QString, error);
    QCOMPARE(ui->errorTexts(), QStringList{error});
    QCOMPARE(ds.recordValue(ds.fieldIndex(field)), before);
    QTRY_VERIFY(f.edit->hasFocus()); // back to the edit for correction
    QVERIFY(f.edit->focused());
    QVERIFY(f.edit->Modified());
}

QTEST_MAIN(TestDBEdit)
#include "tst_dbedit.moc"
