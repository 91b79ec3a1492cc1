// The numeric edit, headless: typed with QTest key events into a shown, active window, bound
// to an in-memory data set, under a Brazilian locale unless a test says otherwise.
#include "CalculatorDialog.h"
#include "ClientDataSet.h"
#include "DBEditNumero.h"
#include "NumberFormat.h"
#include "RecordingUiServices.h"

#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(FieldType)

namespace {

const QLocale kBrazil(QLocale::Portuguese, QLocale::Brazil);
const QVariant Null;

// Records the key presses that reach the edit without coming from the keyboard: the
// synthetic Backspaces and the replayed keys the edit posts to itself.
class SyntheticKeys : public QObject
{
public:
    QList<int> keys;
    int count(int key) const { return int(keys.count(key)); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && !event->spontaneous())
            keys << static_cast<QKeyEvent *>(event)->key();
        return false;
    }
};

// A window with the numeric edit bound to the field VALOR of a one-field data set, and a
// second edit to move the focus to.
class Form
{
public:
    explicit Form(const QString &mask, FieldType type = FieldType::Float, const QVariantList &values = {Null})
    {
        cds.FieldDefs = {{QStringLiteral("VALOR"), type, isTextType(type) ? 30 : 0}};
        cds.CreateDataSet();
        for (const QVariant &v : values) {
            cds.Append();
            cds.setFieldValue(0, v);
            cds.Post();
        }
        cds.First();
        source.setDataSet(&cds);
        auto *layout = new QVBoxLayout(&window);
        edit = new TDBEditNumero(&window);
        edit->setMascaraEdicao(mask);
        edit->setDataSource(&source);
        edit->setDataField(QStringLiteral("VALOR"));
        other = new QLineEdit(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        edit->installEventFilter(&synthetic);
        other->setFocus();
        window.show();
        active = QTest::qWaitForWindowActive(&window);
    }

    // Tab into the edit (the whole value is selected) and out of it.
    void enter()
    {
        edit->setFocus(Qt::TabFocusReason);
        settle();
    }
    void leave()
    {
        other->setFocus(Qt::TabFocusReason);
        settle();
    }
    // One key at a time, each handled with the keys it posts before the next, as a user types.
    void type(const QString &keys)
    {
        for (QChar c : keys) {
            QTest::keyClick(edit, c.toLatin1());
            settle();
        }
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(edit, key, modifiers);
        settle();
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    QVariant field() const { return cds.recordValue(0); }
    QVariant stored() const { return cds.fieldValue(0); }

    ClientDataSet cds;
    DataSource source;
    SyntheticKeys synthetic;
    QWidget window;
    TDBEditNumero *edit = nullptr;
    QLineEdit *other = nullptr;
    bool active = false;
};

// A calculator that answers at once.
struct ScriptedCalculator
{
    std::optional<double> answer;
    int calls = 0;
    TDBEditNumero::CalculatorRunner runner()
    {
        return [this](TDBEditNumero &) {
            ++calls;
            return answer;
        };
    }
};

} // namespace

class TestDBEditNumero : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void helpers();
    void maskParts_data();
    void maskParts();
    void virtualKeys_data();
    void virtualKeys();

    void typing_data();
    void typing();
    void paste_data();
    void paste();
    void maxLengthFromMask();
    void exitFormatting_data();
    void exitFormatting();
    void recordChangeWithoutFocus();
    void typeOver_data();
    void typeOver();
    void typeOverOnlyOnWholeValueInBrowseMode();
    void dataSetEditModeAndPost();
    void leavingWithNoNumber();
    void readOnly();

    void ctrlTwice_data();
    void ctrlTwice();
    void calculatorResult_data();
    void calculatorResult();
    void calculatorDialogIsTheDefault();

    void localeRules_data();
    void localeRules();
    void localeRulesOnExitAndCalculator();
};

void TestDBEditNumero::init()
{
    QLocale::setDefault(kBrazil);
}

// ---- helpers ------------------------------------------------------------------------------

void TestDBEditNumero::helpers()
{
    QCOMPARE(TDBEditNumero::ContaOcorrencias(QStringLiteral("1.234.567"), QStringLiteral(".")), 2);
    QCOMPARE(TDBEditNumero::ContaOcorrencias(QStringLiteral("aaaa"), QStringLiteral("aa")), 3); // overlapping
    QCOMPARE(TDBEditNumero::ContaOcorrencias(QStringLiteral("abc"), QString()), 0);
    QCOMPARE(TDBEditNumero::RetiraPontos(QStringLiteral("1.234.567,89")), QStringLiteral("1234567,89"));

    QVERIFY(TDBEditNumero::EhNumero(QStringLiteral(" 9.999,99 ")));
    QVERIFY(TDBEditNumero::EhNumero(QStringLiteral("-12")));
    QVERIFY(TDBEditNumero::EhNumero(QStringLiteral("1-2"))); // only the characters are checked
    QVERIFY(!TDBEditNumero::EhNumero(QStringLiteral("   ")));
    QVERIFY(!TDBEditNumero::EhNumero(QStringLiteral("99:99")));
    QVERIFY(!TDBEditNumero::EhNumero(QStringLiteral("1e3")));

    TDBEditNumero edit;
    for (const char *mask : {",0.##", "0"}) {
        edit.setMascaraEdicao(QString::fromLatin1(mask));
        edit.AjustaMascara();
        QCOMPARE(edit.MascaraEdicao(), QStringLiteral("############0"));
    }
    for (const char *mask : {"0.##", ",0", "00", "#,##0.00", ""}) {
        edit.setMascaraEdicao(QString::fromLatin1(mask));
        edit.AjustaMascara();
        QCOMPARE(edit.MascaraEdicao(), QString::fromLatin1(mask));
    }
    // Stored-only properties and their defaults.
    QCOMPARE(edit.DecimalPlaces(), 2u);
    QVERIFY(edit.ShowButton());
    QVERIFY(!edit.DecimalPlacesAlwaysShown());
    QCOMPARE(edit.MaxValue(), 0.0);
}

void TestDBEditNumero::maskParts_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("integerPart");
    QTest::addColumn<QString>("decimalPart");
    QTest::addColumn<int>("integerPlaces");
    QTest::addColumn<int>("decimalPlaces");
    QTest::addColumn<int>("length");

    QTest::newRow("##0") << "##0" << "##0" << "" << 3 << 0 << 3;
    QTest::newRow("#,##0.00") << "#,##0.00" << "#,##0" << "00" << 4 << 2 << 7;
    QTest::newRow("colon") << "##:##" << "##" << "##" << 2 << 2 << 5;
    QTest::newRow("dot before colon") << "#:#.##" << "#:#" << "##" << 2 << 2 << 5;
    QTest::newRow("dot first counts not") << ".##" << ".##" << "" << 2 << 0 << 2;
    QTest::newRow("colon first counts not") << ":##" << ":##" << "" << 2 << 0 << 3;
    QTest::newRow("ten decimals at most") << "0.000000000000" << "0" << "0000000000" << 1 << 10 << 13;
    QTest::newRow("empty") << "" << "" << "" << 0 << 0 << 0;
}

void TestDBEditNumero::maskParts()
{
    QFETCH(QString, mask);
    const TDBEditNumero::MaskParts parts = TDBEditNumero::maskParts(mask);
    QTEST(parts.integerPart, "integerPart");
    QTEST(parts.decimalPart, "decimalPart");
    QTEST(parts.integerPlaces, "integerPlaces");
    QTEST(parts.decimalPlaces, "decimalPlaces");
    QTEST(parts.length, "length");
}

void TestDBEditNumero::virtualKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("code");

    const int keypad = Qt::KeypadModifier;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << 8;
    QTest::newRow("Ctrl") << int(Qt::Key_Control) << 0 << 17;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << 46;
    QTest::newRow("0") << int(Qt::Key_0) << 0 << 48;
    QTest::newRow("9") << int(Qt::Key_9) << 0 << 57;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << keypad << 96;
    QTest::newRow("keypad 9") << int(Qt::Key_9) << keypad << 105;
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << keypad << 109;
    QTest::newRow("keypad decimal comma") << int(Qt::Key_Comma) << keypad << 110;
    QTest::newRow("keypad decimal point") << int(Qt::Key_Period) << keypad << 110;
    QTest::newRow("comma") << int(Qt::Key_Comma) << 0 << 188;
    QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << 189;
    QTest::newRow("period") << int(Qt::Key_Period) << 0 << 190;
    QTest::newRow("A") << int(Qt::Key_A) << 0 << 65;
}

void TestDBEditNumero::virtualKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
    QTEST(TDBEditNumero::virtualKey(&event), "code");
}

// ---- typing -------------------------------------------------------------------------------

void TestDBEditNumero::typing_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<FieldType>("type");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");      // after typing
    QTest::addColumn<int>("backspaces");    // synthetic Backspaces posted
    QTest::addColumn<QVariant>("field");    // written when focus left
    QTest::addColumn<QString>("exitText");  // shown after focus left

    const FieldType F = FieldType::Float;
    QTest::newRow("fits") << "##0" << F << "123" << "123" << 0 << QVariant(123.0) << "123";
    QTest::newRow("fourth digit refused by MaxLength") << "##0" << F << "1234" << "123" << 0 << QVariant(123.0) << "123";
    QTest::newRow("fifth integer digit undone") << "#,##0.00" << F << "12345" << "1234" << 1 << QVariant(1234.0) << "1234,00";
    QTest::newRow("third decimal undone") << "#,##0.00" << F << "1234,567" << "1234,56" << 1 << QVariant(1234.56) << "1234,56";
    QTest::newRow("integer digit after decimals") << "#,##0.00" << F << "12345,6" << "1234,6" << 1 << QVariant(1234.6) << "1234,60";
    QTest::newRow("exit pads decimals") << "#,##0.00" << F << "1234,5" << "1234,5" << 0 << QVariant(1234.5) << "1234,50";
    QTest::newRow("minus after digits undone") << "#,##0.00" << F << "12-" << "12" << 1 << QVariant(12.0) << "12,00";
    QTest::newRow("second minus leaves one") << "#,##0.00" << F << "--5" << "-5" << 0 << QVariant(-5.0) << "-5,00";
    QTest::newRow("comma then minus, no decimals") << "##0" << F << ",-" << "" << 0 << Null << "";
    QTest::newRow("comma then minus, decimals") << "#,##0.00" << F << ",5-" << ",5" << 1 << QVariant(0.5) << "0,50";
    QTest::newRow("sign is no digit place") << "#,##0.00" << F << "-1234,5" << "-1234,5" << 0 << QVariant(-1234.5) << "-1234,50";
    QTest::newRow("letters refused") << "##0" << F << "1x2" << "12" << 0 << QVariant(12.0) << "12";
    QTest::newRow("comma refused by an integer field") << "##0" << FieldType::Integer << "1,2" << "12" << 0 << QVariant(12) << "12";
    QTest::newRow("typed dot removed at once") << "##0" << FieldType::String << "1.2" << "12" << 0 << QVariant(QStringLiteral("12")) << "12";
    QTest::newRow("colon mask") << "##:##" << F << "123" << "12" << 1 << QVariant(12.0) << formatFloat(QStringLiteral("##:##"), 12, kBrazil);
    QTest::newRow("no mask, no limits") << "" << F << "123456,789" << "123456,789" << 0 << QVariant(123456.789) << "123456,789";
    QTest::newRow(",0.## first entry: 5 characters") << ",0.##" << F << "1234567" << "12345" << 0 << QVariant(12345.0) << "12345";
    QTest::newRow("0 first entry: 1 character") << "0" << F << "123" << "1" << 0 << QVariant(1.0) << "1";
}

void TestDBEditNumero::typing()
{
    QFETCH(QString, mask);
    QFETCH(FieldType, type);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(QVariant, field);

    ScopedUi ui;
    Form f(mask, type);
    QVERIFY(f.active);
    f.enter();
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
    f.type(keys);
    QCOMPARE(f.edit->text(), text);
    QTEST(f.synthetic.count(Qt::Key_Backspace), "backspaces");
    QCOMPARE(f.cds.state(), DataSet::State::Edit);
    QCOMPARE(f.edit->ultTexto(), text);

    f.leave();
    QVERIFY2(ui->errors.isEmpty(), qPrintable(ui->errorTexts().join(u'|')));
    QCOMPARE(f.field(), field);
    QCOMPARE(f.field().typeId(), field.typeId());
    QTEST(f.edit->text(), "exitText");
    QVERIFY(f.stored().isNull()); // written, not posted
    QVERIFY(!f.edit->semEventos());
}

// A paste changes the text by more than one character at a time.
void TestDBEditNumero::paste_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("backspaces");

    // Longer than the mask (7 without dots) yet within MaxLength (8): back to the text before
    // the paste, and no Backspace to remove a digit typed before it.
    QTest::newRow("longer than the mask") << "1234" << "5678" << "1234" << 0;
    QTest::newRow("dots removed") << "1" << ".234" << "1234" << 0;
    QTest::newRow("minus inside") << "12" << "-3" << "12" << 2;
}

void TestDBEditNumero::paste()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    Form f(QStringLiteral("#,##0.00"));
    QVERIFY(f.active);
    f.enter();
    f.type(typed);
    QGuiApplication::clipboard()->setText(pasted);
    f.key(Qt::Key_V, Qt::ControlModifier);
    QTEST(f.edit->text(), "text");
    QTEST(f.synthetic.count(Qt::Key_Backspace), "backspaces");
    QCOMPARE(f.edit->ultTexto(), f.edit->text());
}

void TestDBEditNumero::maxLengthFromMask()
{
    Form f(QStringLiteral(",0.##"));
    QVERIFY(f.active);
    QCOMPARE(f.edit->MaxLength(), 0);
    f.enter();
    QCOMPARE(f.edit->MaxLength(), 5); // the mask before its normalisation
    QCOMPARE(f.edit->MascaraEdicao(), QStringLiteral("############0"));
    f.leave();
    f.enter();
    QCOMPARE(f.edit->MaxLength(), 13);
    f.type(QStringLiteral("12345678901234"));
    QCOMPARE(f.edit->text(), QStringLiteral("1234567890123"));

    Form g(QStringLiteral("#,##0.00"));
    g.enter();
    QCOMPARE(g.edit->MaxLength(), 8);
    QCOMPARE(g.edit->maxLength(), 8); // what the line edit enforces
}

// ---- focus and formatting -----------------------------------------------------------------

void TestDBEditNumero::exitFormatting_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<FieldType>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("shown");     // before entry
    QTest::addColumn<QString>("entered");   // on entry
    QTest::addColumn<QString>("exitText");  // after leaving without typing

    const FieldType F = FieldType::Float;
    QTest::newRow("thousands") << "#,##0.00" << F << QVariant(1234.5) << "1.234,50" << "1234,5" << "1234,50";
    QTest::newRow("integer") << "##0" << FieldType::Integer << QVariant(5) << "5" << "5" << "5";
    QTest::newRow("required zero") << "0.00" << F << QVariant(0.5) << "0,50" << "0,5" << "0,50";
    QTest::newRow("empty") << "##0" << F << Null << "" << "" << "";
    // Longer than MaxLength (8): put in by the program, never cut.
    QTest::newRow("longer than MaxLength") << "#,##0.00" << F << QVariant(123456.7) << "123.456,70" << "123456,7" << "123456,70";
    // Dots of a text field are removed on entry; the text field gets no display format.
    QTest::newRow("dots removed on entry") << "#,##0.00" << FieldType::String << QVariant(QStringLiteral("1.234,50"))
                                           << "1.234,50" << "1234,50" << "1234,50";
}

void TestDBEditNumero::exitFormatting()
{
    QFETCH(QString, mask);
    QFETCH(FieldType, type);
    QFETCH(QVariant, value);

    ScopedUi ui;
    Form f(mask, type, {value});
    QVERIFY(f.active);
    QTEST(f.edit->text(), "shown");
    // The text the data binding put in gave the numeric field the mask as display format.
    if (!value.isNull())
        QCOMPARE(f.cds.displayFormat(QStringLiteral("valor")), isNumericType(type) ? mask : QString());
    f.enter();
    QTEST(f.edit->text(), "entered");
    QCOMPARE(f.edit->ultTexto(), f.edit->text());
    f.leave();
    QTEST(f.edit->text(), "exitText");
    QVERIFY(ui->errors.isEmpty());
    // Passing through changes no data.
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
    QCOMPARE(f.stored(), value);
    QVERIFY(!f.edit->semEventos());
}

void TestDBEditNumero::recordChangeWithoutFocus()
{
    Form f(QStringLiteral("#,##0.00"), FieldType::Float, {1234.5, 99, Null, -7.125});
    QVERIFY(f.active);
    QCOMPARE(f.edit->text(), QStringLiteral("1.234,50"));
    const QStringList expected = {QStringLiteral("99,00"), QString(), QStringLiteral("-7,13")};
    for (const QString &text : expected) {
        f.cds.Next();
        QCOMPARE(f.edit->text(), text);
    }
    QVERIFY(!f.edit->Modified());
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
}

// ---- type-over ----------------------------------------------------------------------------

void TestDBEditNumero::typeOver_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QList<int>>("posted");

    const int keypad = Qt::KeypadModifier;
    const int bs = Qt::Key_Backspace;
    QTest::newRow("digit") << int(Qt::Key_7) << 0 << "7" << true << QList<int>{bs, Qt::Key_7};
    QTest::newRow("keypad digit: base handling") << int(Qt::Key_7) << keypad << "7" << true << QList<int>{};
    QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << "-" << true << QList<int>{bs, Qt::Key_Minus};
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << keypad << "-" << true << QList<int>{bs, Qt::Key_Minus};
    QTest::newRow("comma") << int(Qt::Key_Comma) << 0 << "," << true << QList<int>{bs, Qt::Key_Comma};
    QTest::newRow("keypad decimal") << int(Qt::Key_Comma) << keypad << "," << true << QList<int>{bs, Qt::Key_Comma};
    QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << "" << true << QList<int>{};
    QTest::newRow("Backspace as Delete") << int(Qt::Key_Backspace) << 0 << "" << true << QList<int>{};
    QTest::newRow("period: refused by the field") << int(Qt::Key_Period) << 0 << "5" << false << QList<int>{};
    QTest::newRow("letter: refused by the field") << int(Qt::Key_A) << 0 << "5" << false << QList<int>{};
    QTest::newRow("arrow: no edit") << int(Qt::Key_Left) << 0 << "5" << false << QList<int>{};
}

void TestDBEditNumero::typeOver()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(bool, editing);

    ScopedUi ui;
    Form f(QStringLiteral("##0"), FieldType::Float, {5});
    QVERIFY(f.active);
    f.enter();
    QCOMPARE(f.edit->selectedText(), QStringLiteral("5"));
    f.key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.edit->text(), text);
    QCOMPARE(f.cds.editing(), editing);
    QTEST(f.synthetic.keys, "posted");
    QVERIFY(!f.edit->pedidoLimpar());
    QVERIFY(!f.edit->semEventos());
    QVERIFY(ui->errors.isEmpty());
}

void TestDBEditNumero::typeOverOnlyOnWholeValueInBrowseMode()
{
    Form f(QStringLiteral("##0"), FieldType::Float, {5});
    QVERIFY(f.active);
    f.enter();

    // Caret after the value: a digit is added.
    f.key(Qt::Key_End);
    f.key(Qt::Key_7);
    QCOMPARE(f.edit->text(), QStringLiteral("57"));
    QVERIFY(f.synthetic.keys.isEmpty());

    // Data set already in edit mode: the selection is replaced by the base handling.
    f.edit->selectAll();
    f.key(Qt::Key_8);
    QCOMPARE(f.edit->text(), QStringLiteral("8"));
    QVERIFY(f.synthetic.keys.isEmpty());

    f.leave();
    QCOMPARE(f.field(), QVariant(8.0));
}

void TestDBEditNumero::dataSetEditModeAndPost()
{
    ScopedUi ui;
    Form f(QStringLiteral("#,##0.00"), FieldType::Float, {1234.5, 99});
    QVERIFY(f.active);
    QSignalSpy rowChanged(&f.cds, &DataSet::rowChanged);

    f.enter();
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
    QVERIFY(f.edit->isReadOnly()); // the line edit takes no input until the data set edits
    f.type(QStringLiteral("7"));   // types over the selected value
    QCOMPARE(f.cds.state(), DataSet::State::Edit);
    QVERIFY(!f.edit->isReadOnly());
    QCOMPARE(f.edit->text(), QStringLiteral("7"));
    QVERIFY(f.edit->Modified());
    QCOMPARE(f.field(), QVariant(1234.5)); // not written before focus leaves

    f.leave();
    QCOMPARE(f.field(), QVariant(7.0));
    QCOMPARE(f.stored(), QVariant(1234.5));
    QCOMPARE(f.cds.state(), DataSet::State::Edit);
    QCOMPARE(f.edit->text(), QStringLiteral("7,00"));
    QVERIFY(!f.edit->Modified());

    f.cds.Post();
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
    QCOMPARE(f.stored(), QVariant(7.0));
    QCOMPARE(rowChanged.count(), 1);
    QCOMPARE(rowChanged.at(0).at(0).toInt(), 0);
    QCOMPARE(f.edit->text(), QStringLiteral("7,00")); // reloaded with the display format

    // Cancel takes the typing back.
    f.enter();
    f.type(QStringLiteral("3"));
    f.leave();
    QCOMPARE(f.field(), QVariant(3.0));
    f.cds.Cancel();
    QCOMPARE(f.field(), QVariant(7.0));
    QCOMPARE(f.edit->text(), QStringLiteral("7,00"));

    // Moving to another record posts the edit.
    f.enter();
    f.type(QStringLiteral("9"));
    f.leave();
    f.cds.Next();
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
    QCOMPARE(f.cds.value(0, 0), QVariant(9.0));
    QCOMPARE(f.edit->text(), QStringLiteral("99,00"));
    QVERIFY(ui->errors.isEmpty());
}

void TestDBEditNumero::leavingWithNoNumber()
{
    {
        // The numeric field cannot take "-": the error shows and the focus comes back.
        ScopedUi ui;
        Form f(QStringLiteral("##0"), FieldType::Float, {5});
        QVERIFY(f.active);
        f.enter();
        f.type(QStringLiteral("-"));
        QCOMPARE(f.edit->text(), QStringLiteral("-"));
        f.leave();
        QCOMPARE(ui->errorTexts(), QStringList{QStringLiteral("'-' não é um valor numérico válido.")});
        QTRY_VERIFY(f.edit->hasFocus());
        QCOMPARE(f.edit->text(), QStringLiteral("-"));
        QCOMPARE(f.edit->selectedText(), QStringLiteral("-"));
        QCOMPARE(f.field(), QVariant(5.0));
        QVERIFY(!f.edit->semEventos());
        // Esc takes the typing back; then the edit can be left.
        f.key(Qt::Key_Escape);
        QCOMPARE(f.edit->text(), QStringLiteral("5"));
        f.leave();
        QCOMPARE(ui->errors.size(), 1);
        QCOMPARE(f.edit->text(), QStringLiteral("5"));
        QVERIFY(f.other->hasFocus());
    }
    {
        // A text field takes "-"; formatting it with the mask fails after it was written.
        ScopedUi ui;
        Form f(QStringLiteral("##0"), FieldType::String);
        QVERIFY(f.active);
        f.enter();
        f.type(QStringLiteral("-"));
        f.leave();
        QCOMPARE(ui->errorTexts(), QStringList{QStringLiteral("'-' não é um valor numérico válido.")});
        QCOMPARE(f.field(), QVariant(QStringLiteral("-")));
        QCOMPARE(f.edit->text(), QStringLiteral("-"));
        QVERIFY(f.other->hasFocus());
        QVERIFY(!f.edit->semEventos());
    }
}

void TestDBEditNumero::readOnly()
{
    ScopedUi ui;
    ScriptedCalculator calculator{12.0};
    Form f(QStringLiteral("##0"), FieldType::Float, {5});
    QVERIFY(f.active);
    f.edit->setCalculatorRunner(calculator.runner());
    f.edit->setReadOnly(true);
    f.enter();
    for (Qt::Key key : {Qt::Key_7, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Minus})
        f.key(key);
    f.key(Qt::Key_End);
    f.type(QStringLiteral("12"));
    f.key(Qt::Key_Control);
    f.key(Qt::Key_Control);
    QCOMPARE(calculator.calls, 0); // a read-only edit opens no calculator
    QCOMPARE(f.edit->text(), QStringLiteral("5"));
    QCOMPARE(f.cds.state(), DataSet::State::Browse);
    QVERIFY(f.synthetic.keys.isEmpty());
    f.leave();
    QCOMPARE(f.stored(), QVariant(5.0));
    QVERIFY(ui->errors.isEmpty() && ui->messages.isEmpty());
}

// ---- calculator ---------------------------------------------------------------------------

void TestDBEditNumero::ctrlTwice_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("calls");

    const int ctrl = Qt::Key_Control;
    QTest::newRow("Ctrl Ctrl") << QList<int>{ctrl, ctrl} << 1;
    QTest::newRow("Ctrl A Ctrl") << QList<int>{ctrl, Qt::Key_A, ctrl} << 0;
    QTest::newRow("Ctrl Shift Ctrl") << QList<int>{ctrl, Qt::Key_Shift, ctrl} << 0;
    QTest::newRow("three times") << QList<int>{ctrl, ctrl, ctrl} << 1;
    QTest::newRow("four times") << QList<int>{ctrl, ctrl, ctrl, ctrl} << 2;
    QTest::newRow("once") << QList<int>{ctrl} << 0;
}

void TestDBEditNumero::ctrlTwice()
{
    QFETCH(QList<int>, keys);
    ScriptedCalculator calculator; // cancelled
    Form f(QStringLiteral("##0"), FieldType::Float, {5});
    QVERIFY(f.active);
    f.edit->setCalculatorRunner(calculator.runner());
    f.enter();
    for (int key : keys)
        f.key(Qt::Key(key));
    QTEST(calculator.calls, "calls");
    // Cancelled: nothing changes.
    QCOMPARE(f.edit->text(), QStringLiteral("5"));
    QCOMPARE(f.cds.state(), DataSet::State::Browse);

    // Held down: the keyboard repeats the key-down.
    calculator.calls = 0;
    f.key(Qt::Key_Escape);
    QTest::keyPress(f.edit, Qt::Key_Control);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, QString(), true);
    QApplication::sendEvent(f.edit, &repeat);
    QTest::keyRelease(f.edit, Qt::Key_Control);
    QCOMPARE(calculator.calls, 1);
    QCOMPARE(f.edit->qtdVezesTeclaCtrl(), 0);
}

void TestDBEditNumero::calculatorResult_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<double>("result");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("invalid");   // "Número inválido!" shown
    QTest::addColumn<QVariant>("field"); // written when focus left

    QTest::newRow("largest") << "##0" << 999.0 << "999" << false << QVariant(999.0);
    QTest::newRow("above largest") << "##0" << 1000.0 << "" << true << Null;
    QTest::newRow("negative largest") << "##0" << -999.0 << "-999" << false << QVariant(-999.0);
    QTest::newRow("negative beyond") << "##0" << -5000.0 << "" << true << Null;
    QTest::newRow("rounded to the mask") << "##0" << 12.5 << "13" << false << QVariant(13.0);
    QTest::newRow("rounded decimals") << "#,##0.00" << 1234.567 << "1234,57" << false << QVariant(1234.57);
    QTest::newRow("rounds above largest") << "#,##0.00" << 9999.995 << "" << true << Null;
    QTest::newRow("negative with decimals") << "#,##0.00" << -5000.0 << "-5000" << false << QVariant(-5000.0);
    QTest::newRow("normalised mask") << ",0.##" << 1234567890123.0 << "1234567890123" << false << QVariant(1234567890123.0);
    QTest::newRow("mask without a largest number") << "##:##" << 5.0 << "" << false << Null;
    QTest::newRow("no mask") << "" << 5.0 << "" << false << Null;
}

void TestDBEditNumero::calculatorResult()
{
    QFETCH(QString, mask);
    QFETCH(double, result);
    QFETCH(QString, text);
    QFETCH(bool, invalid);

    ScopedUi ui;
    ScriptedCalculator calculator{result};
    Form f(mask);
    QVERIFY(f.active);
    f.edit->setCalculatorRunner(calculator.runner());
    f.enter();
    f.key(Qt::Key_Control);
    f.key(Qt::Key_Control);
    QCOMPARE(calculator.calls, 1);
    QCOMPARE(f.edit->text(), text);
    QCOMPARE(f.cds.state(), DataSet::State::Edit);
    QVERIFY(f.synthetic.keys.isEmpty()); // the value fits: nothing to undo
    if (invalid) {
        QCOMPARE(ui->messages.size(), 1);
        QCOMPARE(ui->messages.at(0).text, QStringLiteral("Número inválido!"));
        QCOMPARE(ui->messages.at(0).kind, UiServices::Kind::Error);
        QCOMPARE(ui->messages.at(0).buttons, UiServices::Buttons::Ok);
    } else {
        QVERIFY(ui->messages.isEmpty());
    }
    f.leave();
    QTEST(f.field(), "field");
    QVERIFY(ui->errors.isEmpty());
}

void TestDBEditNumero::calculatorDialogIsTheDefault()
{
    Form f(QStringLiteral("##0"), FieldType::Float, {5});
    QVERIFY(f.active);
    f.enter();
    f.key(Qt::Key_Control);
    bool sawDialog = false;
    QMetaObject::invokeMethod(
        &f.window,
        [&] {
            CalculatorDialog *dialog = f.edit->Calculadora();
            sawDialog = dialog && dialog->isVisible() && dialog->isModal() && dialog->parent() == f.edit;
            if (!dialog)
                return;
            QTest::keyClicks(dialog, QStringLiteral("6*7"));
            QTest::keyClick(dialog, Qt::Key_Enter); // =
            QTest::keyClick(dialog, Qt::Key_Enter); // OK
        },
        Qt::QueuedConnection);
    QTest::keyClick(f.edit, Qt::Key_Control); // the dialog runs modally in here
    QVERIFY(sawDialog);
    QVERIFY(!f.edit->Calculadora());
    QCOMPARE(f.edit->text(), QStringLiteral("42"));
    QVERIFY(f.edit->focused()); // the dialog's window took the focus, the edit was not left
    f.window.activateWindow(); // the offscreen platform gives the activation back to nobody
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QVERIFY(f.edit->hasFocus());
    QCOMPARE(f.edit->text(), QStringLiteral("42"));
    f.leave();
    QCOMPARE(f.field(), QVariant(42.0));
}

// ---- the locale ---------------------------------------------------------------------------

// The rules that name "," or "." use them as they stand; which characters a numeric field
// takes, the decimal-place limits, conversions and formatting follow the locale.
void TestDBEditNumero::localeRules_data()
{
    QTest::addColumn<bool>("brazil");
    QTest::addColumn<FieldType>("type");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");

    // The decimal separator the field takes is the locale's.
    QTest::newRow("pt_BR comma") << true << FieldType::Float << "1234,56" << "1234,56";
    QTest::newRow("C comma refused") << false << FieldType::Float << "1234,56" << "1234";
    // "." is removed while editing whatever the locale.
    QTest::newRow("pt_BR dot refused") << true << FieldType::Float << "12.5" << "125";
    QTest::newRow("C dot removed") << false << FieldType::Float << "12.5" << "125";
    // The decimal-place limits look for the locale's separator: under C a "," counts as an
    // integer place.
    QTest::newRow("pt_BR text field") << true << FieldType::String << "1234,56" << "1234,56";
    QTest::newRow("C text field") << false << FieldType::String << "1234,56" << "1234";
}

void TestDBEditNumero::localeRules()
{
    QFETCH(bool, brazil);
    QFETCH(FieldType, type);
    QFETCH(QString, keys);
    QLocale::setDefault(brazil ? kBrazil : QLocale::c());
    Form f(QStringLiteral("#,##0.00"), type);
    QVERIFY(f.active);
    f.enter();
    f.type(keys);
    QTEST(f.edit->text(), "text");
}

void TestDBEditNumero::localeRulesOnExitAndCalculator()
{
    QLocale::setDefault(QLocale::c());
    {
        // Entry removes the locale's decimal point as a thousands separator; the mask's
        // formatting on exit then fails. The field keeps its value: nothing was typed.
        ScopedUi ui;
        Form f(QStringLiteral("#,##0.00"), FieldType::Float, {1234.5});
        QVERIFY(f.active);
        QCOMPARE(f.edit->text(), QStringLiteral("1,234.50"));
        f.enter();
        QCOMPARE(f.edit->text(), QStringLiteral("12345"));
        f.leave();
        QCOMPARE(ui->errors.size(), 1);
        QCOMPARE(f.field(), QVariant(1234.5));
        QCOMPARE(f.cds.state(), DataSet::State::Browse);
    }
    {
        // The mask's largest value "9999,99" is no number under C: the control is cleared,
        // without a message.
        ScopedUi ui;
        ScriptedCalculator calculator{12.0};
        Form f(QStringLiteral("#,##0.00"), FieldType::Float, {5});
        f.edit->setCalculatorRunner(calculator.runner());
        f.enter();
        f.key(Qt::Key_Control);
        f.key(Qt::Key_Control);
        QCOMPARE(f.edit->text(), QString());
        QVERIFY(ui->messages.isEmpty());
    }
    {
        // Without decimals the mask works under any locale.
        ScopedUi ui;
        ScriptedCalculator calculator{12.0};
        Form f(QStringLiteral("##0"), FieldType::Float, {5});
        f.edit->setCalculatorRunner(calculator.runner());
        f.enter();
        f.key(Qt::Key_Control);
        f.key(Qt::Key_Control);
        QCOMPARE(f.edit->text(), QStringLiteral("12"));
        f.leave();
        QCOMPARE(f.field(), QVariant(12.0));
    }
}

QTEST_MAIN(TestDBEditNumero)
#include "tst_dbeditnumero.moc"
