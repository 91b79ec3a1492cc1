#include "ConexaoDat.h"
#include "Error.h"

#include <QTemporaryDir>
#include <QTest>

struct Leitura
{
    int banco = -1;
    QString base = QStringLiteral("(inalterada)");
    QString usuario = QStringLiteral("(inalterado)");
    QString pasta;
};

static Leitura aplica(const QString &conteudo)
{
    Leitura r;
    ConexaoDat::Aplicador a;
    a.selecionaBanco = [&](int i) { r.banco = i; };
    a.baseDados = [&](const QString &t) { r.base = t; };
    a.usuarioOracle = [&](const QString &t) { r.usuario = t; };
    for (const QString &linha : ConexaoDat::linhas(conteudo))
        ConexaoDat::aplicaLinha(linha, a, r.pasta);
    return r;
}

class TestConexaoDat : public QObject
{
    Q_OBJECT
private slots:
    void regras_data();
    void regras();
    void quebrasDeLinha();
    void caminhoDaSenha_data();
    void caminhoDaSenha();
    void arquivoRealEmWindows1252();
    void arquivoIlegivel();
};

void TestConexaoDat::regras_data()
{
    QTest::addColumn<QString>("conteudo");
    QTest::addColumn<int>("banco");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("pasta");
    const QString base0 = QStringLiteral("(inalterada)");
    const QString usu0 = QStringLiteral("(inalterado)");

    QTest::newRow("exemplo completo")
        << "BANCODADOS=ORACLE\nDATABASE=PROD\nDIRATUALIZACAO=C:\\app\\dados\n[USUARIO_ORACLE]=ADM\n"
        << 0 << "PROD" << "ADM" << "C:\\app\\dados";
    QTest::newRow("comentário com brancos antes") << "  //DATABASE=X\n" << -1 << base0 << usu0 << "";
    QTest::newRow("comentário com tabulação") << "\t//BANCODADOS=ORACLE\n" << -1 << base0 << usu0 << "";
    QTest::newRow("chave em minúsculas ignorada") << "database=X\n" << -1 << base0 << usu0 << "";
    QTest::newRow("oracle em minúsculas é SQL Server") << "BANCODADOS=oracle\n" << 1 << base0 << usu0 << "";
    QTest::newRow("ORACLE em qualquer lugar da linha") << "xx ORACLE BANCODADOS\n" << 0 << base0 << usu0 << "";
    QTest::newRow("pasta com a palavra DATABASE")
        << "DIRATUALIZACAO=/srv/DATABASE\n" << -1 << "/srv/DATABASE" << usu0 << "/srv/DATABASE";
    QTest::newRow("só o primeiro =") << "DATABASE=A=B\n" << -1 << "A=B" << usu0 << "";
    QTest::newRow("brancos pertencem ao valor") << "DATABASE=  srv:base  \n" << -1 << "  srv:base  " << usu0 << "";
    QTest::newRow("sem = o valor é a linha")
        << "[USUARIO_ORACLE]\n" << -1 << base0 << "[USUARIO_ORACLE]" << "";
    QTest::newRow("a última linha vence") << "DATABASE=A\nDATABASE=B\n" << -1 << "B" << usu0 << "";
    QTest::newRow("usuário cortado em 100")
        << "[USUARIO_ORACLE]=" + QString(150, u'u') + "\n" << -1 << base0 << QString(100, u'u') << "";
    QTest::newRow("pasta cortada em 200")
        << "DIRATUALIZACAO=" + QString(250, u'p') + "\n" << -1 << base0 << usu0 << QString(200, u'p');
    QTest::newRow("base não é cortada")
        << "DATABASE=" + QString(300, u'b') + "\n" << -1 << QString(300, u'b') << usu0 << "";
    QTest::newRow("linha com várias chaves")
        << "BANCODADOS DATABASE=ORACLE\n" << 0 << "ORACLE" << usu0 << "";
    QTest::newRow("linha sem chave ignorada") << "qualquer coisa=1\n\n" << -1 << base0 << usu0 << "";
    QTest::newRow("sem quebra no fim") << "DATABASE=ultima" << -1 << "ultima" << usu0 << "";
}

void TestConexaoDat::regras()
{
    QFETCH(QString, conteudo);
    const Leitura r = aplica(conteudo);
    QTEST(r.banco, "banco");
    QTEST(r.base, "base");
    QTEST(r.usuario, "usuario");
    QTEST(r.pasta, "pasta");
}

void TestConexaoDat::quebrasDeLinha()
{
    QCOMPARE(ConexaoDat::linhas(QStringLiteral("a\r\nb\rc\nd")), QStringList({"a", "b", "c", "d"}));
    QCOMPARE(ConexaoDat::linhas(QStringLiteral("a\n\nb\n")), QStringList({"a", "", "b"}));
    QCOMPARE(ConexaoDat::linhas(QString()), QStringList());
}

void TestConexaoDat::caminhoDaSenha_data()
{
    QTest::addColumn<QString>("pasta");
    QTest::addColumn<QString>("caminho");
    QTest::newRow("barra invertida no fim") << "C:\\dados\\" << "C:\\dados\\senhabd.dat";
    QTest::newRow("sem separador no fim") << "C:\\dados" << "C:\\dados/senhabd.dat";
    QTest::newRow("barra no fim") << "/srv/dados/" << "/srv/dados/senhabd.dat";
    QTest::newRow("brancos no fim ficam") << "/srv/dados  " << "/srv/dados  /senhabd.dat";
}

void TestConexaoDat::caminhoDaSenha()
{
    QFETCH(QString, pasta);
    QTEST(ConexaoDat::caminhoSenha(pasta), "caminho");
}

void TestConexaoDat::arquivoRealEmWindows1252()
{
    QTemporaryDir dir;
    const QString nome = dir.filePath(QStringLiteral("conexao.dat"));
    QFile f(nome);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("// configura\xe7\xe3o\r\nBANCODADOS=SQL Server\r\nDATABASE=srv:Produ\xe7\xe3o\r\n"
            "DIRATUALIZACAO=/opt/vestra\r\n");
    f.close();
    QString base;
    int banco = -1;
    ConexaoDat::Aplicador a;
    a.selecionaBanco = [&](int i) { banco = i; };
    a.baseDados = [&](const QString &t) { base = t; };
    QCOMPARE(ConexaoDat::le(nome, a), QStringLiteral("/opt/vestra"));
    QCOMPARE(banco, 1);
    QCOMPARE(base, QString::fromUtf8("srv:Produção"));

    const QString senha = dir.filePath(QStringLiteral("senhabd.dat"));
    QFile s(senha);
    QVERIFY(s.open(QIODevice::WriteOnly));
    s.write("primeira\xe9\r\nsegunda\r\n");
    s.close();
    QCOMPARE(ConexaoDat::primeiraLinha(senha), QString::fromUtf8("primeiraé"));
}

void TestConexaoDat::arquivoIlegivel()
{
    QTemporaryDir dir;
    // A folder where a file is expected cannot be read as one.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("conexao.dat")));
    ConexaoDat::Aplicador a;
    QVERIFY_THROWS_EXCEPTION(KvoError, ConexaoDat::le(dir.filePath(QStringLiteral("conexao.dat")), a));
    QVERIFY_THROWS_EXCEPTION(KvoError, ConexaoDat::primeiraLinha(dir.filePath(QStringLiteral("nada.dat"))));
}

QTEST_GUILESS_MAIN(TestConexaoDat)
#include "tst_conexaodat.moc"
