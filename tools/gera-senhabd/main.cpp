// gera-senhabd: writes senhabd.dat, the stored form of the database password that the
// lock manager reads at start.
//
//   gera-senhabd [--pasta FOLDER] PASSWORD     writes FOLDER/senhabd.dat (default: .)
//   gera-senhabd --stdin [--pasta FOLDER]      reads the password from the first input line
//   gera-senhabd --verifica FILE               prints the password a senhabd.dat holds

#include "CodificaSenha.h"
#include "ConexaoDat.h"
#include "Error.h"
#include "KVOUtils.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>

namespace {
int uso()
{
    std::fprintf(stderr,
                 "uso: gera-senhabd [--pasta PASTA] SENHA\n"
                 "     gera-senhabd --stdin [--pasta PASTA]\n"
                 "     gera-senhabd --verifica ARQUIVO\n");
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString pasta = QStringLiteral(".");
    QString senha;
    bool daEntrada = false;
    bool temSenha = false;
    try {
        for (int i = 0; i < args.size(); ++i) {
            const QString &a = args.at(i);
            if (a == u"--pasta" && i + 1 < args.size()) {
                pasta = args.at(++i);
            } else if (a == u"--verifica" && i + 1 < args.size()) {
                const QString linha = ConexaoDat::primeiraLinha(args.at(++i));
                std::printf("%s\n", DecodificaSenha(linha).toUtf8().constData());
                return 0;
            } else if (a == u"--stdin") {
                daEntrada = true;
            } else if (a == u"-h" || a == u"--help") {
                return uso();
            } else if (!temSenha) {
                senha = a;
                temSenha = true;
            } else {
                return uso();
            }
        }
        if (daEntrada) {
            std::string linha;
            std::getline(std::cin, linha);
            if (!linha.empty() && linha.back() == '\r')
                linha.pop_back();
            senha = QString::fromStdString(linha);
            temSenha = true;
        }
        if (!temSenha)
            return uso();
        const QString texto = CodificaSenha(senha, quint32(QDateTime::currentMSecsSinceEpoch()));
        const QString destino = QDir(pasta).filePath(QStringLiteral("senhabd.dat"));
        QFile arquivo(destino);
        if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw KvoError(QStringLiteral("Não foi possível gravar %1: %2").arg(destino, arquivo.errorString()));
        arquivo.write(KVOUtils::codificaAnsi(texto) + "\r\n");
        arquivo.close();
        if (DecodificaSenha(ConexaoDat::primeiraLinha(destino)) != senha)
            throw KvoError(QStringLiteral("Conferência falhou: %1 não devolve a senha.").arg(destino));
        std::printf("%s gravado.\n", QDir::toNativeSeparators(destino).toUtf8().constData());
        return 0;
    } catch (const KvoError &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
}
