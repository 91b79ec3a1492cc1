#include "ClientDataSet.h"
#include "LockKill.h"
#include "LockMerge.h"

#include <QTest>

namespace {

// A new data set of `campos` holding `linhas`, in that order.
void preenche(ClientDataSet &cds, const QVector<FieldDef> &campos, const QList<QVariantList> &linhas)
{
    cds.Close();
    cds.FieldDefs = campos;
    cds.CreateDataSet();
    for (const QVariantList &l : linhas) {
        cds.Append();
        for (int i = 0; i < l.size(); ++i)
            cds.setFieldValue(i, l.at(i));
        cds.Post();
    }
}

// An sp_who2 list as the program holds it after opening: filter on blocked sessions,
// index on BlkBy.
void carregaLista(ClientDataSet &cds, const QList<QVariantList> &linhas)
{
    cds.Close();
    cds.setFilter(QString());
    cds.setIndexFieldNames(QString());
    preenche(cds,
             {{"SPID", FieldType::Integer, 0, false}, {"Status", FieldType::String, 30, false},
              {"BlkBy", FieldType::FixedChar, 5, false}, {"SPID_1", FieldType::Integer, 0, false}},
             linhas);
    cds.setFilter(QStringLiteral("BlkBy <> '  .'"));
    cds.setFiltered(true);
    cds.setIndexFieldNames(QStringLiteral("BlkBy"));
}

void carregaDetalhe(ClientDataSet &cds, const QList<QVariantList> &linhas)
{
    preenche(cds,
             {{"BlkBy", FieldType::SmallInt, 0, false}, {"wait_time", FieldType::FMTBcd, 0, false},
              {"statement_text", FieldType::String, 500, false}, {"login_name_acu", FieldType::WideString, 128, false},
              {"host_name_acu", FieldType::WideString, 128, false}, {"program_name_acu", FieldType::WideString, 128, false}},
             linhas);
}

QStringList coluna(DataSet &ds, const QString &campo)
{
    QStringList valores;
    ds.First();
    while (!ds.eof()) {
        valores << ds.fieldAsString(campo);
        ds.Next();
    }
    return valores;
}

} // namespace

class TestLockMergeKill : public QObject
{
    Q_OBJECT
private slots:
    void mesclaUmBloqueadorTresVitimas();
    void mesclaSemDetalheEListaVazia();
    void mesclaDetalheForaDeOrdem();
    void killSqlServer_data();
    void killSqlServer();
    void killOracle_data();
    void killOracle();
    void numeroInteiro_data();
    void numeroInteiro();
};

void TestLockMergeKill::mesclaUmBloqueadorTresVitimas()
{
    ClientDataSet lista, detalhe, destino;
    carregaLista(lista, {
        {51, "sleeping", "  .  ", 51},
        {60, "suspended", "54   ", 60},
        {61, "suspended", "54   ", 61},
        {54, "runnable", "  .  ", 54},
        {62, "suspended", "54   ", 62},
        {70, "suspended", "123  ", 70},
    });
    QCOMPARE(lista.recordCount(), 4);
    carregaDetalhe(detalhe, {
        {54, 12.5, "update t set x = 1", "dom\\ana", "PC-ANA", "SSMS"},
        {54, 99.0, "select * from t", "dom\\ana", "PC-ANA", "SSMS"},
        {123, 3.25, "delete from u", "bob", "PC-BOB", "app"},
    });
    LockMerge::mescla(lista, detalhe, destino);

    QStringList nomes;
    for (const FieldDef &f : destino.fieldDefs()) {
        nomes << f.name;
        QVERIFY(!f.required);
    }
    QCOMPARE(nomes, QStringList({"SPID", "Status", "BlkBy", "SPID_1", "wait_time", "statement_text",
                                 "login_name_acu", "host_name_acu", "program_name_acu"}));
    QCOMPARE(destino.fieldDefs().at(2).type, FieldType::FixedChar);
    QCOMPARE(destino.fieldDefs().at(2).size, 5);
    // Rows in the list's BlkBy order ("123" sorts before "54" as text).
    QCOMPARE(coluna(destino, "SPID"), QStringList({"70", "60", "61", "62"}));
    // Every victim of 54 takes the first detail row of 54.
    QCOMPARE(coluna(destino, "wait_time"), QStringList({"3.25", "12.5", "12.5", "12.5"}));
    QCOMPARE(coluna(destino, "statement_text"),
             QStringList({"delete from u", "update t set x = 1", "update t set x = 1", "update t set x = 1"}));
    QCOMPARE(coluna(destino, "host_name_acu"), QStringList({"PC-BOB", "PC-ANA", "PC-ANA", "PC-ANA"}));
}

void TestLockMergeKill::mesclaSemDetalheEListaVazia()
{
    ClientDataSet lista, detalhe, destino;
    carregaLista(lista, {{60, "suspended", "77   ", 60}, {61, "suspended", " 54  ", 61}});
    carregaDetalhe(detalhe, {{54, 1.0, "x", "a", "b", "c"}});
    LockMerge::mescla(lista, detalhe, destino);
    QCOMPARE(destino.recordCount(), 2);
    destino.First();
    QCOMPARE(destino.fieldAsString("BlkBy"), QStringLiteral(" 54  "));
    QCOMPARE(destino.fieldAsString("statement_text"), QStringLiteral("x")); // blanks on both sides
    destino.Next();
    QCOMPARE(destino.fieldAsString("BlkBy"), QStringLiteral("77   "));
    for (const char *campo : {"wait_time", "statement_text", "login_name_acu", "host_name_acu", "program_name_acu"})
        QVERIFY(destino.fieldByName(campo).isNull());

    carregaLista(lista, {{51, "sleeping", "  .  ", 51}});
    LockMerge::mescla(lista, detalhe, destino);
    QVERIFY(destino.active());
    QVERIFY(destino.isEmpty());
    QCOMPARE(destino.fieldCount(), 9);
}

// The first detail row of a blocker is found whatever the order of either result: the
// detail need not come ordered by BlkBy, and one blocker's rows need not be adjacent in the list.
void TestLockMergeKill::mesclaDetalheForaDeOrdem()
{
    ClientDataSet lista, detalhe, destino;
    carregaLista(lista, {{60, "s", "54   ", 60}, {61, "s", "123  ", 61}, {62, "s", " 54  ", 62}, {63, "s", "-2   ", 63},
                         {64, "s", "54   ", 64}});
    lista.setIndexFieldNames(QString()); // the rows as they arrived
    carregaDetalhe(detalhe, {{123, 1.0, "b1", "", "", ""},
                             {54, 2.0, "a1", "", "", ""},
                             {123, 3.0, "b2", "", "", ""},
                             {54, 4.0, "a2", "", "", ""},
                             {-2, 5.0, "x", "", "", ""}});
    LockMerge::mescla(lista, detalhe, destino);
    QCOMPARE(coluna(destino, "SPID"), QStringList({"60", "61", "62", "63", "64"}));
    QCOMPARE(coluna(destino, "statement_text"), QStringList({"a1", "b1", "a1", "x", "a1"}));
}

void TestLockMergeKill::killSqlServer_data()
{
    QTest::addColumn<QList<QVariantList>>("linhas");
    QTest::addColumn<QStringList>("comandos");
    QTest::newRow("um bloqueador, três vítimas")
        << QList<QVariantList>{{60, "s", "54   ", 60}, {61, "s", "54   ", 61}, {62, "s", "54   ", 62}}
        << QStringList{"kill 54"};
    QTest::newRow("dois bloqueadores na ordem do texto")
        << QList<QVariantList>{{60, "s", "54   ", 60}, {70, "s", "123  ", 70}}
        << QStringList{"kill 123", "kill 54"};
    QTest::newRow("números especiais não são sessões")
        << QList<QVariantList>{{60, "s", "-2   ", 60}, {61, "s", "-3   ", 61}, {62, "s", "-4   ", 62}, {63, "s", "0    ", 63}}
        << QStringList{};
    QTest::newRow("texto que não é número")
        << QList<QVariantList>{{60, "s", "54;sh", 60}, {61, "s", "5 4  ", 61}, {62, "s", "0x36 ", 62}}
        << QStringList{};
    QTest::newRow("bloqueado por si mesmo")
        << QList<QVariantList>{{54, "s", "54   ", 54}} << QStringList{};
    QTest::newRow("paralelo e vítima do mesmo bloqueador")
        << QList<QVariantList>{{54, "s", "54   ", 54}, {60, "s", "54   ", 60}} << QStringList{"kill 54"};
    QTest::newRow("lista vazia") << QList<QVariantList>{{51, "s", "  .  ", 51}} << QStringList{};
}

void TestLockMergeKill::killSqlServer()
{
    QFETCH(QList<QVariantList>, linhas);
    ClientDataSet lista;
    carregaLista(lista, linhas);
    QTEST(LockKill::comandosSqlServer(lista), "comandos");
    QVERIFY(lista.eof());
}

void TestLockMergeKill::killOracle_data()
{
    QTest::addColumn<QList<QVariantList>>("linhas"); // sid_acu, serial_acu, inst_acu, sid
    QTest::addColumn<QStringList>("comandos");
    QTest::newRow("uma sessão, duas vítimas")
        << QList<QVariantList>{{123, 4567, 2, 200}, {123, 4567, 2, 201}}
        << QStringList{"ALTER SYSTEM KILL SESSION '123,4567,@2'"};
    QTest::newRow("mesmo sid em duas instâncias")
        << QList<QVariantList>{{123, 4567, 1, 200}, {123, 4567, 2, 201}}
        << QStringList{"ALTER SYSTEM KILL SESSION '123,4567,@1'", "ALTER SYSTEM KILL SESSION '123,4567,@2'"};
    QTest::newRow("mesmo sid, outro serial")
        << QList<QVariantList>{{123, 4567, 1, 200}, {123, 9999, 1, 201}}
        << QStringList{"ALTER SYSTEM KILL SESSION '123,4567,@1'", "ALTER SYSTEM KILL SESSION '123,9999,@1'"};
    QTest::newRow("números como texto e como decimal")
        << QList<QVariantList>{{" 7 ", 8.0, "1", 200}}
        << QStringList{"ALTER SYSTEM KILL SESSION '7,8,@1'"};
    QTest::newRow("valores inválidos ou vazios")
        << QList<QVariantList>{{"7'--", 8, 1, 200}, {QVariant(), 8, 1, 201}, {7, 8.5, 1, 202}, {7, 8, 0, 203}}
        << QStringList{};
}

void TestLockMergeKill::killOracle()
{
    QFETCH(QList<QVariantList>, linhas);
    ClientDataSet lista;
    preenche(lista,
             {{"sid_acu", FieldType::FMTBcd, 0, false}, {"serial_acu", FieldType::FMTBcd, 0, false},
              {"inst_acu", FieldType::FMTBcd, 0, false}, {"sid", FieldType::FMTBcd, 0, false}},
             linhas);
    lista.setIndexFieldNames(QStringLiteral("sid_acu;serial_acu"));
    QTEST(LockKill::comandosOracle(lista), "comandos");
}

void TestLockMergeKill::numeroInteiro_data()
{
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<qlonglong>("numero");
    QTest::newRow("int") << QVariant(54) << true << 54LL;
    QTest::newRow("texto com brancos") << QVariant(" 54   ") << true << 54LL;
    QTest::newRow("negativo") << QVariant("-2") << true << -2LL;
    QTest::newRow("double inteiro") << QVariant(7.0) << true << 7LL;
    QTest::newRow("double fracionário") << QVariant(7.5) << false << 0LL;
    QTest::newRow("vazio") << QVariant("   ") << false << 0LL;
    QTest::newRow("nulo") << QVariant() << false << 0LL;
    QTest::newRow("ponto") << QVariant("  .  ") << false << 0LL;
    QTest::newRow("injeção") << QVariant("54; shutdown") << false << 0LL;
    QTest::newRow("grande demais") << QVariant("99999999999999999999") << false << 0LL;
}

void TestLockMergeKill::numeroInteiro()
{
    QFETCH(QVariant, valor);
    QFETCH(bool, valido);
    const auto n = LockKill::numeroInteiro(valor);
    QCOMPARE(n.has_value(), valido);
    if (valido)
        QTEST(qlonglong(*n), "numero");
}

QTEST_GUILESS_MAIN(TestLockMergeKill)
#include "tst_lockmergekill.moc"
