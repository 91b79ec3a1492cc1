#include "ConexaoDat.h"

#include "Error.h"
#include "KVOUtils.h"

#include <QFile>

namespace ConexaoDat {

namespace {

QByteArray leArquivo(const QString &arquivo)
{
    QFile file(arquivo);
    if (!file.open(QIODevice::ReadOnly))
        throw KvoError(QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(arquivo, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KvoError(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(arquivo, file.errorString()));
    return bytes;
}

// Blanks and control characters at both ends removed.
QString apara(const QString &texto)
{
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && texto.at(inicio).unicode() <= 32)
        ++inicio;
    while (fim > inicio && texto.at(fim - 1).unicode() <= 32)
        --fim;
    return texto.mid(inicio, fim - inicio);
}

QString valor(const QString &linha)
{
    const qsizetype igual = linha.indexOf(u'=');
    return igual < 0 ? linha : linha.mid(igual + 1);
}

} // namespace

QStringList linhas(const QString &texto)
{
    QStringList result;
    QString atual;
    bool pendente = false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c == u'\r' || c == u'\n') {
            result << atual;
            atual.clear();
            pendente = false;
            if (c == u'\r' && i + 1 < texto.size() && texto.at(i + 1) == u'\n')
                ++i;
        } else {
            atual += c;
            pendente = true;
        }
    }
    if (pendente)
        result << atual;
    return result;
}

void aplicaLinha(const QString &linha, const Aplicador &aplicador, QString &pasta)
{
    if (apara(linha).startsWith(QStringLiteral("//")))
        return;
    if (linha.contains(QStringLiteral("BANCODADOS")) && aplicador.selecionaBanco)
        aplicador.selecionaBanco(linha.contains(QStringLiteral("ORACLE")) ? 0 : 1);
    if (linha.contains(QStringLiteral("DATABASE")) && aplicador.baseDados)
        aplicador.baseDados(valor(linha));
    if (linha.contains(QStringLiteral("DIRATUALIZACAO")))
        pasta = valor(linha).left(200);
    if (linha.contains(QStringLiteral("[USUARIO_ORACLE]")) && aplicador.usuarioOracle)
        aplicador.usuarioOracle(valor(linha).left(100));
}

QString le(const QString &arquivo, const Aplicador &aplicador)
{
    const QString texto = KVOUtils::decodificaAnsi(leArquivo(arquivo));
    QString pasta;
    for (const QString &linha : linhas(texto))
        aplicaLinha(linha, aplicador, pasta);
    return pasta;
}

QString caminhoSenha(const QString &pasta)
{
    if (pasta.endsWith(u'\\') || pasta.endsWith(u'/'))
        return pasta + QStringLiteral("senhabd.dat");
    return pasta + QStringLiteral("/senhabd.dat");
}

QString primeiraLinha(const QString &arquivo)
{
    const QStringList todas = linhas(KVOUtils::decodificaAnsi(leArquivo(arquivo)));
    return todas.isEmpty() ? QString() : todas.first();
}

} // namespace ConexaoDat
