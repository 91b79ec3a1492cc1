#include "CodificaSenha.h"
#include "Error.h"
#include "KVOUtils.h"

#include <QSet>
#include <QTest>

class TestSenha : public QObject
{
    Q_OBJECT
private slots:
    void tabelasBemFormadas();
    void mapeamentoCobreAsciiImprimivel();
    void vetorConhecido();
    void idaEVolta_data();
    void idaEVolta();
    void casosLimite();
    void posicoesForaDoConjuntoNaoInfluem();
    void geradorRecusaSenhasImpossiveis();
    void ansiWindows1252();
};

void TestSenha::tabelasBemFormadas()
{
    using namespace KVOUtils;
    QCOMPARE(alfabetoTamanho().size(), 40);
    QCOMPARE(QSet<QChar>(alfabetoTamanho().begin(), alfabetoTamanho().end()).size(), 40);
    for (QChar c : alfabetoTamanho())
        QVERIFY(c.isLetterOrNumber() && c.unicode() < 128);
    QCOMPARE(alfabetoSubstituicao().size(), 94);
    QCOMPARE(QSet<QChar>(alfabetoSubstituicao().begin(), alfabetoSubstituicao().end()).size(), 94);
    int acentuadas = 0;
    for (QChar c : alfabetoSubstituicao()) {
        QVERIFY(c.unicode() > 32 && c.unicode() != 127);
        if (c.unicode() > 127)
            ++acentuadas;
        bool ok = false;
        KVOUtils::codificaAnsi(QString(c), &ok);
        QVERIFY2(ok, "every stored character must exist in Windows-1252");
    }
    QCOMPARE(acentuadas, 6);
    QCOMPARE(posicoes().size(), 40);
    QCOMPARE(QSet<int>(posicoes().begin(), posicoes().end()).size(), 40);
    for (int p : posicoes())
        QVERIFY(p >= 1 && p <= 254);
}

void TestSenha::mapeamentoCobreAsciiImprimivel()
{
    QSet<int> codigos;
    for (int p = 1; p <= 94; ++p)
        codigos.insert(KVOUtils::caracterDaPosicao(p).unicode());
    QCOMPARE(codigos.size(), 94);
    for (int c = 33; c <= 126; ++c)
        QVERIFY(codigos.contains(c));
    QCOMPARE(KVOUtils::caracterDaPosicao(0), QChar(u'@'));
    QCOMPARE(KVOUtils::caracterDaPosicao(1), QChar(u'A'));
    QCOMPARE(KVOUtils::caracterDaPosicao(27), QChar(u'0'));
    QCOMPARE(KVOUtils::caracterDaPosicao(37), QChar(u'a'));
    QCOMPARE(KVOUtils::caracterDaPosicao(63), QChar(u'!'));
    QCOMPARE(KVOUtils::caracterDaPosicao(78), QChar(u':'));
    QCOMPARE(KVOUtils::caracterDaPosicao(85), QChar(u'['));
    QCOMPARE(KVOUtils::caracterDaPosicao(94), QChar(u'~'));
}

// Built by hand from the tables, independent of the writer.
void TestSenha::vetorConhecido()
{
    using namespace KVOUtils;
    const QVector<int> &pos = posicoes();
    QString texto(255, alfabetoSubstituicao().at(0));  // filler: place 1, 'A'
    texto[255 - 1] = alfabetoTamanho().at(2);          // length 3
    // first character from the highest of the three lowest positions, last from the lowest
    texto[pos.at(2) - 1] = alfabetoSubstituicao().at(1); // place 2: 'B'
    texto[pos.at(1) - 1] = alfabetoSubstituicao().at(26); // place 27: '0'
    texto[pos.at(0) - 1] = alfabetoSubstituicao().at(93); // place 94: '~'
    QCOMPARE(DecodificaSenha(texto), QStringLiteral("B0~"));
}

void TestSenha::idaEVolta_data()
{
    QTest::addColumn<QString>("senha");
    QTest::newRow("padrão") << QStringLiteral("vuldorikast");
    QTest::newRow("vazia") << QString();
    QTest::newRow("um caractere") << QStringLiteral("Z");
    QTest::newRow("delimitadores ODBC") << QStringLiteral("a;b{c}d=e");
    QTest::newRow("aspas e barras") << QStringLiteral("'\"\\/`$%");
    QString quarenta;
    for (int c = 33; quarenta.size() < 40; ++c)
        quarenta += QChar(c);
    QTest::newRow("quarenta") << quarenta;
}

void TestSenha::idaEVolta()
{
    QFETCH(QString, senha);
    for (quint32 semente : {1u, 77u, 123456u}) {
        const QString texto = CodificaSenha(senha, semente);
        QCOMPARE(DecodificaSenha(texto), senha);
        QCOMPARE(DecodificaSenha(texto), DecodificaSenha(texto)); // no hidden state
    }
}

void TestSenha::casosLimite()
{
    // Last character outside the length alphabet: length 0.
    QCOMPARE(DecodificaSenha(CodificaSenha(QStringLiteral("abc"), 5).chopped(1) + u'#'), QString());
    QCOMPARE(DecodificaSenha(QString()), QString());
    // A text too short for the positions to take: no read outside it, '@' in their place.
    const QString curto = QStringLiteral("xyz") + KVOUtils::alfabetoTamanho().at(39);
    const QString senha = DecodificaSenha(curto);
    QCOMPARE(senha.size(), 40);
    // A carrying character outside the substitution alphabet becomes '@'.
    QString texto = CodificaSenha(QStringLiteral("abc"), 9);
    texto[KVOUtils::posicoes().at(0) - 1] = u' ';
    QCOMPARE(DecodificaSenha(texto), QStringLiteral("ab@"));
}

void TestSenha::posicoesForaDoConjuntoNaoInfluem()
{
    const QString original = CodificaSenha(QStringLiteral("S3nh@!"), 42);
    QString mexido = original;
    for (int j = 1; j < mexido.size(); ++j)
        if (!KVOUtils::ehPosicao(j))
            mexido[j - 1] = u'#';
    mexido.insert(mexido.size() - 1, QStringLiteral("extra beyond 254"));
    QCOMPARE(DecodificaSenha(mexido), QStringLiteral("S3nh@!"));
}

void TestSenha::geradorRecusaSenhasImpossiveis()
{
    QVERIFY_THROWS_EXCEPTION(KvoError, CodificaSenha(QStringLiteral("com espaço"), 1));
    QVERIFY_THROWS_EXCEPTION(KvoError, CodificaSenha(QStringLiteral("ação"), 1));
    QVERIFY_THROWS_EXCEPTION(KvoError, CodificaSenha(QString(41, u'a'), 1));
}

void TestSenha::ansiWindows1252()
{
    const QByteArray bytes("\x80\xE9\xE7\x41\x9F", 5);
    const QString texto = KVOUtils::decodificaAnsi(bytes);
#ifndef Q_OS_WIN
    QCOMPARE(texto, QString::fromUtf8("€éçAŸ"));
    QCOMPARE(KVOUtils::codificaAnsi(texto), bytes);
#endif
}

QTEST_GUILESS_MAIN(TestSenha)
#include "tst_senha.moc"
