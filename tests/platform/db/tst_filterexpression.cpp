#include "Error.h"
#include "FilterExpression.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

// Fields every case is evaluated against, in this order.
static QVector<FieldDef> testFields()
{
    return {
        {QStringLiteral("BlkBy"), FieldType::FixedChar, 5},
        {QStringLiteral("F1"), FieldType::String, 20},
        {QStringLiteral("F2"), FieldType::Integer, 0},
        {QStringLiteral("F3"), FieldType::Float, 0},
        {QStringLiteral("Field Name"), FieldType::String, 20},
        {QStringLiteral("Dt"), FieldType::DateTime, 0},
    };
}

// One row of testFields(); missing trailing values are NULL.
static RecordData oneRow(const QVariantList &values)
{
    RecordData data;
    data.fields = testFields();
    data.cells.resize(data.fields.size());
    for (int i = 0; i < values.size() && i < data.fields.size(); ++i)
        data.cells[i] = values.at(i);
    return data;
}

static const QVariant Null;

class TestFilterExpression : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void emptyTextLetsEveryRowThrough();
    void nestingUpToTheLimit();
    void parseErrors_data();
    void parseErrors();
    void randomTextNeverCrashes();
    void manyRows();
};

void TestFilterExpression::matches_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QVariantList>("row"); // BlkBy, F1, F2, F3, Field Name, Dt
    QTest::addColumn<bool>("expected");

    const QString blocked = QStringLiteral("BlkBy <> '  .'");
    // The program's own filter on a char(5) column padded with blanks.
    QTest::newRow("blkby: not blocked") << blocked << QVariantList{"  .  "} << false;
    QTest::newRow("blkby: unpadded not blocked") << blocked << QVariantList{"  ."} << false;
    QTest::newRow("blkby: blocked by 54") << blocked << QVariantList{"54   "} << true;
    QTest::newRow("blkby: leading blanks count") << blocked << QVariantList{" .   "} << true;
    QTest::newRow("blkby: NULL") << blocked << QVariantList{Null} << false;
    QTest::newRow("blkby: empty text") << blocked << QVariantList{""} << true;
    QTest::newRow("blkby: equal padded") << "BlkBy = '  .'" << QVariantList{"  .  "} << true;
    QTest::newRow("blkby: literal padded") << "BlkBy = '54   '" << QVariantList{"54"} << true;
    QTest::newRow("blkby: literal on the left") << "'  .' <> BlkBy" << QVariantList{"54   "} << true;

    // Texts: with case, trailing blanks ignored, ordered by character.
    QTest::newRow("text: case matters") << "F1 = 'abc'" << QVariantList{Null, "ABC"} << false;
    QTest::newRow("text: equal") << "F1 = 'abc'" << QVariantList{Null, "abc  "} << true;
    QTest::newRow("text: upper before lower") << "F1 < 'b'" << QVariantList{Null, "B"} << true;
    QTest::newRow("text: trailing blanks not greater") << "F1 > 'a'" << QVariantList{Null, "a   "} << false;
    QTest::newRow("text: prefix is less") << "F1 < 'ab'" << QVariantList{Null, "a"} << true;
    QTest::newRow("text: blanks equal empty") << "F1 = ''" << QVariantList{Null, "   "} << true;
    QTest::newRow("text: empty is not NULL") << "F1 = ''" << QVariantList{Null, Null} << false;
    QTest::newRow("text: doubled quote") << "F1 = 'O''Brien'" << QVariantList{Null, "O'Brien"} << true;
    QTest::newRow("text: only a quote") << "F1 = ''''" << QVariantList{Null, "'"} << true;
    QTest::newRow("text: keywords inside") << "F1 = 'a AND b OR (c)'" << QVariantList{Null, "a AND b OR (c)"} << true;
    QTest::newRow("text: text digits stay text") << "F1 < '9'" << QVariantList{Null, "10"} << true;

    // A text field against a number compares numerically.
    QTest::newRow("text/num: padded") << "BlkBy = 54" << QVariantList{"54   "} << true;
    QTest::newRow("text/num: blanks around") << "BlkBy = 54" << QVariantList{" 54  "} << true;
    QTest::newRow("text/num: leading zero") << "BlkBy = 54" << QVariantList{"054"} << true;
    QTest::newRow("text/num: decimals") << "BlkBy = 54" << QVariantList{"54.0"} << true;
    QTest::newRow("text/num: by value not text") << "BlkBy > 9" << QVariantList{"10"} << true;
    QTest::newRow("text/num: negative") << "BlkBy = -2" << QVariantList{"-2"} << true;
    QTest::newRow("text/num: not a number, =") << "BlkBy = 54" << QVariantList{"  .  "} << false;
    QTest::newRow("text/num: not a number, <>") << "BlkBy <> 54" << QVariantList{"  .  "} << false;
    QTest::newRow("text/num: digits then junk") << "BlkBy <> 54" << QVariantList{"5 4"} << false;
    QTest::newRow("text/num: empty") << "BlkBy <> 54" << QVariantList{""} << false;
    QTest::newRow("text/num: inf is no number") << "BlkBy > 0" << QVariantList{"inf"} << false;
    QTest::newRow("text/num: nan is no number") << "BlkBy <> 0" << QVariantList{"nan"} << false;
    QTest::newRow("text/num: hex is no number") << "BlkBy <> 0" << QVariantList{"0x10"} << false;
    QTest::newRow("text/num: exponent") << "BlkBy = 1500" << QVariantList{"1.5e3"} << true;
    QTest::newRow("num/text: number field, numeric text") << "F2 = '5'" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("num/text: padded text literal") << "F2 = ' 5 '" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("num/text: non-numeric text") << "F2 <> 'x'" << QVariantList{Null, Null, 5} << false;

    // Numbers.
    QTest::newRow("num: equal") << "F2 = 5" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("num: no spaces") << "F2=5" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("num: int vs 3.5") << "F2 = 3.5" << QVariantList{Null, Null, 3} << false;
    QTest::newRow("num: int below 3.5") << "F2 < 3.5" << QVariantList{Null, Null, 3} << true;
    QTest::newRow("num: double equals int") << "F2 = 5" << QVariantList{Null, Null, 5.0} << true;
    QTest::newRow("num: float field") << "F3 = 3.5" << QVariantList{Null, Null, Null, 3.5} << true;
    QTest::newRow("num: leading point") << "F3 = .5" << QVariantList{Null, Null, Null, 0.5} << true;
    QTest::newRow("num: negative literal") << "F2 > -2" << QVariantList{Null, Null, -1} << true;
    QTest::newRow("num: negative decimal") << "F3 < -2.5" << QVariantList{Null, Null, Null, -3.0} << true;
    QTest::newRow("num: exact 64-bit") << "F2 = 9007199254740993"
                                       << QVariantList{Null, Null, qlonglong(9007199254740992LL)} << false;
    QTest::newRow("num: exact 64-bit equal") << "F2 = 9007199254740993"
                                             << QVariantList{Null, Null, qlonglong(9007199254740993LL)} << true;
    QTest::newRow("num: beyond 64 bits") << "F3 > 99999999999999999999"
                                         << QVariantList{Null, Null, Null, 1e21} << true;
    QTest::newRow("num: NaN field") << "F3 <> 1" << QVariantList{Null, Null, Null, qQNaN()} << false;
    QTest::newRow("num: bool as number") << "F2 = 1" << QVariantList{Null, Null, true} << true;
    QTest::newRow("num: field with field") << "F2 = F3" << QVariantList{Null, Null, 5, 5.0} << true;
    QTest::newRow("num: literal on the left") << "5 < F2" << QVariantList{Null, Null, 6} << true;
    QTest::newRow("num: text field vs number field") << "BlkBy = F2" << QVariantList{"54   ", Null, 54} << true;

    // Every operator on both sides of its boundary.
    const struct { const char *op; bool below, equal, above; } ops[] = {
        {"=", false, true, false},  {"<>", true, false, true}, {"<", true, false, false},
        {">", false, false, true}, {"<=", true, true, false}, {">=", false, true, true},
    };
    for (const auto &o : ops) {
        const QString filter = QStringLiteral("F2 %1 10").arg(QLatin1String(o.op));
        QTest::addRow("op %s: 9", o.op) << filter << QVariantList{Null, Null, 9} << o.below;
        QTest::addRow("op %s: 10", o.op) << filter << QVariantList{Null, Null, 10} << o.equal;
        QTest::addRow("op %s: 11", o.op) << filter << QVariantList{Null, Null, 11} << o.above;
        QTest::addRow("op %s: NULL", o.op) << filter << QVariantList{Null, Null, Null} << false;
        const QString text = QStringLiteral("F1 %1 'm'").arg(QLatin1String(o.op));
        QTest::addRow("op %s: text l", o.op) << text << QVariantList{Null, "l"} << o.below;
        QTest::addRow("op %s: text m", o.op) << text << QVariantList{Null, "m  "} << o.equal;
        QTest::addRow("op %s: text n", o.op) << text << QVariantList{Null, "n"} << o.above;
    }

    // NULL.
    QTest::newRow("null: = NULL never") << "F2 = NULL" << QVariantList{Null, Null, Null} << false;
    QTest::newRow("null: <> NULL never") << "F2 <> NULL" << QVariantList{Null, Null, 5} << false;
    QTest::newRow("null: IS NULL") << "F2 IS NULL" << QVariantList{Null, Null, Null} << true;
    QTest::newRow("null: IS NULL, value") << "F2 IS NULL" << QVariantList{Null, Null, 0} << false;
    QTest::newRow("null: IS NOT NULL") << "F2 IS NOT NULL" << QVariantList{Null, Null, 0} << true;
    QTest::newRow("null: IS NOT NULL, null") << "F2 IS NOT NULL" << QVariantList{Null, Null, Null} << false;
    QTest::newRow("null: empty text IS NOT NULL") << "F1 IS NOT NULL" << QVariantList{Null, ""} << true;
    QTest::newRow("null: NOT of a NULL comparison") << "NOT F2 = 5" << QVariantList{Null, Null, Null} << true;
    QTest::newRow("null: lower case") << "f2 is not null" << QVariantList{Null, Null, 1} << true;

    // AND, OR, NOT and parentheses.
    const QString both = QStringLiteral("F1 = 'x' AND F2 = 5");
    QTest::newRow("and: both") << both << QVariantList{Null, "x", 5} << true;
    QTest::newRow("and: second fails") << both << QVariantList{Null, "x", 6} << false;
    QTest::newRow("and: first fails") << both << QVariantList{Null, "y", 5} << false;
    QTest::newRow("and: NULL") << both << QVariantList{Null, "x", Null} << false;
    const QString either = QStringLiteral("F1 = 'x' OR F2 = 5");
    QTest::newRow("or: second") << either << QVariantList{Null, "y", 5} << true;
    QTest::newRow("or: neither") << either << QVariantList{Null, "y", 6} << false;
    QTest::newRow("and binds tighter than or")
        << "F1 = 'x' OR F1 = 'y' AND F2 = 5" << QVariantList{Null, "x", 6} << true;
    QTest::newRow("parentheses first")
        << "(F1 = 'x' OR F1 = 'y') AND F2 = 5" << QVariantList{Null, "x", 6} << false;
    QTest::newRow("not binds tighter than and")
        << "NOT F1 = 'x' AND F2 = 5" << QVariantList{Null, "y", 5} << true;
    QTest::newRow("not of a group") << "NOT (F1 = 'x' OR F2 = 5)" << QVariantList{Null, "y", 6} << true;
    QTest::newRow("not not") << "NOT NOT F2 = 5" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("long and chain") << "F2 > 1 AND F2 > 2 AND F2 > 3 AND F2 < 5" << QVariantList{Null, Null, 4} << true;
    QTest::newRow("long or chain") << "F2 = 1 OR F2 = 2 OR F2 = 3 OR F2 = 4" << QVariantList{Null, Null, 4} << true;
    QTest::newRow("keywords in any case")
        << "f1 = 'x' and not F2 = 6 Or f2 IS null" << QVariantList{Null, "x", 5} << true;
    QTest::newRow("tabs and new lines") << "\tF2\n=\r\n5\t" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("redundant parentheses") << "(((F2 = 5)))" << QVariantList{Null, Null, 5} << true;

    // Field names.
    QTest::newRow("name: bracketed with blank") << "[Field Name] = 'a b'" << QVariantList{Null, Null, Null, Null, "a b"} << true;
    QTest::newRow("name: bracketed simple") << "[F2] = 5" << QVariantList{Null, Null, 5} << true;
    QTest::newRow("name: any case") << "blkBY = '54'" << QVariantList{"54"} << true;
    QTest::newRow("name: bracketed any case") << "[field name] IS NULL" << QVariantList{} << true;

    // Constants.
    QTest::newRow("const: true") << "1 = 1" << QVariantList{} << true;
    QTest::newRow("const: texts") << "'a' = 'a  '" << QVariantList{} << true;
    QTest::newRow("const: NULL IS NULL") << "NULL IS NULL" << QVariantList{} << true;

    // Dates against ISO texts.
    const QVariant march = QDateTime(QDate(2024, 3, 1), QTime(10, 0));
    QTest::newRow("date: after") << "Dt >= '2024-01-01'" << QVariantList{Null, Null, Null, Null, Null, march} << true;
    QTest::newRow("date: before") << "Dt < '2024-01-01'" << QVariantList{Null, Null, Null, Null, Null, march} << false;
    QTest::newRow("date: with time") << "Dt = '2024-03-01T10:00:00'" << QVariantList{Null, Null, Null, Null, Null, march} << true;
    QTest::newRow("date: not a date") << "Dt <> 'soon'" << QVariantList{Null, Null, Null, Null, Null, march} << false;
    QTest::newRow("date: vs number") << "Dt <> 5" << QVariantList{Null, Null, Null, Null, Null, march} << false;
}

void TestFilterExpression::matches()
{
    QFETCH(QString, filter);
    QFETCH(QVariantList, row);
    QFETCH(bool, expected);

    const RecordData data = oneRow(row);
    try {
        const FilterExpression expression = FilterExpression::parse(filter, data.fields);
        QVERIFY(!expression.isEmpty());
        QCOMPARE(expression.matches(data, 0), expected);
        // A copy shares the parsed expression and gives the same answer.
        const FilterExpression copy = expression;
        QCOMPARE(copy.matches(data, 0), expected);
    } catch (const KvoError &e) {
        QFAIL(qPrintable(e.message()));
    }
}

void TestFilterExpression::emptyTextLetsEveryRowThrough()
{
    const RecordData data = oneRow({});
    for (const QString &text : {QString(), QStringLiteral("   "), QStringLiteral("\t\n")}) {
        const FilterExpression expression = FilterExpression::parse(text, data.fields);
        QVERIFY(expression.isEmpty());
        QVERIFY(expression.matches(data, 0));
    }
    QVERIFY(FilterExpression().isEmpty());
    QVERIFY(FilterExpression().matches(data, 0));
}

void TestFilterExpression::nestingUpToTheLimit()
{
    const RecordData data = oneRow({Null, Null, 5});
    const int depth = 50;
    const QString nested = QString(depth, u'(') + QStringLiteral("F2 = 5") + QString(depth, u')');
    QVERIFY(FilterExpression::parse(nested, data.fields).matches(data, 0));
    QString nots;
    for (int i = 0; i < depth; ++i)
        nots += QStringLiteral("NOT ");
    QVERIFY(FilterExpression::parse(nots + QStringLiteral("F2 = 5"), data.fields).matches(data, 0)); // even count
}

void TestFilterExpression::parseErrors_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("position"); // 1-based, as the message shows it
    QTest::addColumn<QString>("mentions");

    QTest::newRow("unknown field") << "Nope = 1" << 1 << "Nope";
    QTest::newRow("unknown field on the right") << "F2 = Nope" << 6 << "Nope";
    QTest::newRow("unknown bracketed field") << "[No Such] = 1" << 1 << "No Such";
    QTest::newRow("unknown field after AND") << "F2 = 1 AND Zz IS NULL" << 12 << "Zz";
    QTest::newRow("unterminated text") << "F1 = 'abc" << 6 << "apóstrofo";
    QTest::newRow("unterminated after doubled quote") << "F1 = 'it''s" << 6 << "apóstrofo";
    QTest::newRow("unterminated bracket") << "[Field Name = 1" << 1 << "]";
    QTest::newRow("empty brackets") << "[] = 1" << 1 << "colchetes";
    QTest::newRow("missing right operand") << "F1 =" << 5 << "=";
    QTest::newRow("missing left operand") << "= 5" << 1 << "=";
    QTest::newRow("operand without operator") << "F2 5" << 4 << "operador";
    QTest::newRow("field alone") << "F2" << 3 << "operador";
    QTest::newRow("missing close parenthesis") << "(F2 = 1" << 8 << ")";
    QTest::newRow("missing close, nested") << "((F2 = 1) OR F2 = 2" << 20 << ")";
    QTest::newRow("extra close parenthesis") << "F2 = 1)" << 7 << ")";
    QTest::newRow("empty parentheses") << "()" << 2 << ")";
    QTest::newRow("trailing garbage") << "F2 = 1 xyz" << 8 << "xyz";
    QTest::newRow("trailing text literal") << "F2 = 1 'a'" << 8 << "a";
    QTest::newRow("dangling AND") << "F2 = 1 AND" << 11 << "fim";
    QTest::newRow("leading AND") << "AND F2 = 1" << 1 << "AND";
    QTest::newRow("double OR") << "F2 = 1 OR OR F2 = 2" << 11 << "OR";
    QTest::newRow("NOT alone") << "NOT" << 4 << "fim";
    QTest::newRow("IS without NULL") << "F2 IS" << 6 << "NULL";
    QTest::newRow("IS NOT with a value") << "F2 IS NOT 5" << 11 << "NULL";
    QTest::newRow("double equals") << "F2 == 1" << 5 << "=";
    QTest::newRow("C inequality") << "F2 != 1" << 4 << "!";
    QTest::newRow("double-quoted text") << "F1 = \"x\"" << 6 << "\"";
    QTest::newRow("two points") << "F2 = 1.2.3" << 6 << "1.2.3";
    QTest::newRow("number glued to letters") << "F2 = 5x" << 6 << "5x";
    QTest::newRow("exponent without digits") << "F2 = 5e" << 6 << "5e";
    QTest::newRow("lone minus") << "F2 = -" << 6 << "-";
    QTest::newRow("stray character") << "F2 = @" << 6 << "@";
    QTest::newRow("control character") << QStringLiteral("F2 = 1 \x01") << 8 << "U+0001";
    QTest::newRow("operator chain") << "F2 = 1 = 2" << 8 << "=";
    QTest::newRow("too deep parentheses") << QString(500, u'(') << 101 << "aninhad";
    QTest::newRow("too deep NOT") << QStringLiteral("NOT ").repeated(500) + "F2 = 1" << 401 << "aninhad";
}

void TestFilterExpression::parseErrors()
{
    QFETCH(QString, filter);
    QFETCH(int, position);
    QFETCH(QString, mentions);

    try {
        FilterExpression::parse(filter, testFields());
        QFAIL("no error");
    } catch (const KvoError &e) {
        const QString message = e.message();
        QVERIFY2(message.startsWith(QStringLiteral("Filtro inválido: ")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("(posição %1)").arg(position)), qPrintable(message));
        QVERIFY2(message.contains(mentions), qPrintable(message));
    }
}

void TestFilterExpression::randomTextNeverCrashes()
{
    // Pieces that make near-valid filters, and raw characters that make junk.
    const QStringList pieces = {
        "F1", "F2", "[Field Name]", "[F2", "Nope", "BlkBy", "AND", "OR", "NOT", "IS", "NULL", "and",
        "=", "<>", "<", ">", "<=", ">=", "(", ")", "'", "''", "'x'", "' .'", "5", "-2", "3.5", ".",
        "1e", "-", "[", "]", " ", "\t", "\"", "!", QString(QChar(0xD800)), QStringLiteral("é"),
        QString(QChar(0)), "9999999999999999999999",
    };
    RecordData data = oneRow({"54   ", "x", 5, 3.5, "a b", QDateTime(QDate(2024, 1, 1), QTime())});
    data.cells += QVector<QVariant>(data.fieldCount()); // a second row, all NULL

    QRandomGenerator random(20240601);
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int count = random.bounded(1, 12);
        for (int i = 0; i < count; ++i) {
            if (random.bounded(4) == 0)
                text += QChar(char16_t(random.bounded(1, 0x250)));
            else
                text += pieces.at(random.bounded(int(pieces.size())));
            if (random.bounded(2) == 0)
                text += u' ';
        }
        try {
            const FilterExpression expression = FilterExpression::parse(text, data.fields);
            expression.matches(data, 0);
            expression.matches(data, 1);
            ++parsed;
        } catch (const KvoError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Filtro inválido: ")), qPrintable(text));
        }
    }
    QVERIFY(parsed > 0); // the generator does reach valid filters too
}

void TestFilterExpression::manyRows()
{
    // A million rows of the program's filter: the count checks the evaluation holds up
    // over data of that size (the run time is in the log for comparison).
    RecordData data;
    data.fields = {{QStringLiteral("BlkBy"), FieldType::FixedChar, 5}, {QStringLiteral("SPID"), FieldType::Integer, 0}};
    const int rows = 1000000;
    data.cells.reserve(rows * 2);
    const QString free = QStringLiteral("  .  ");
    const QString byFiftyFour = QStringLiteral("54   ");
    for (int r = 0; r < rows; ++r) {
        data.cells.append(r % 10 == 0 ? byFiftyFour : free);
        data.cells.append(r);
    }
    const FilterExpression expression =
        FilterExpression::parse(QStringLiteral("BlkBy <> '  .' AND SPID >= 0"), data.fields);
    QElapsedTimer timer;
    timer.start();
    int count = 0;
    for (int r = 0; r < rows; ++r)
        count += expression.matches(data, r) ? 1 : 0;
    qInfo("%d rows in %lld ms", rows, qlonglong(timer.elapsed()));
    QCOMPARE(count, rows / 10);
}

QTEST_GUILESS_MAIN(TestFilterExpression)
#include "tst_filterexpression.moc"
