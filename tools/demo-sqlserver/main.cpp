// demo-sqlserver: shows the lock manager at work with no SQL Server at hand.
//
// Starts the TDS test server on loopback with a scene of blocked sessions (one session
// blocking three others, a second blocker, a parallel query waiting on itself), writes a
// conexao.dat and senhabd.dat pointing at it into a fresh folder, and starts the program
// there. Press "Abrir B.D.", "Consulta Lock", "Elimina Lock": the server plays each kill.
//
//   demo-sqlserver [--porta N] [--programa PATH] [--so-servidor]

#include "CenaBloqueio.h"
#include "CodificaSenha.h"
#include "KVOUtils.h"
#include "TdsTestServer.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#ifndef GERLOCK_PROGRAMA
#define GERLOCK_PROGRAMA ""
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString programa = QStringLiteral(GERLOCK_PROGRAMA);
    bool soServidor = false;
    quint16 portaPedida = 0;
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i) == u"--programa" && i + 1 < args.size())
            programa = args.at(++i);
        else if (args.at(i) == u"--so-servidor")
            soServidor = true;
        else if (args.at(i) == u"--porta" && i + 1 < args.size())
            portaPedida = quint16(args.at(++i).toUInt());
    }

    tds::TestServer servidor;
    const quint16 porta = servidor.start(portaPedida);
    if (porta == 0) {
        std::fprintf(stderr, "Não foi possível abrir a porta %u em 127.0.0.1.\n", portaPedida);
        return 1;
    }
    CenaBloqueio cena(servidor, TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer);
    cena.montaPadrao();
    cena.publica();
    cena.acompanhaKills(true);

    QTemporaryDir pasta;
    pasta.setAutoRemove(true);
    const QString senha = QStringLiteral("demo;{kvo}");
    {
        QFile f(QDir(pasta.path()).filePath(QStringLiteral("conexao.dat")));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(QStringLiteral("// Demonstração: servidor TDS de teste em 127.0.0.1\r\n"
                               "BANCODADOS=SQL Server\r\n"
                               "DATABASE=127.0.0.1,%1:VESTRA\r\n"
                               "DIRATUALIZACAO=%2\r\n")
                    .arg(porta)
                    .arg(pasta.path())
                    .toLatin1());
        QFile s(QDir(pasta.path()).filePath(QStringLiteral("senhabd.dat")));
        if (!s.open(QIODevice::WriteOnly))
            return 1;
        s.write(KVOUtils::codificaAnsi(CodificaSenha(senha, 2026)) + "\r\n");
    }
    std::printf("Servidor de demonstração em 127.0.0.1,%u (banco VESTRA, usuário KVO)\n", porta);
    std::printf("Pasta com conexao.dat: %s\n", qPrintable(pasta.path()));
    std::fflush(stdout);

    if (soServidor)
        return app.exec();

    QProcess processo;
    processo.setProcessChannelMode(QProcess::ForwardedChannels);
    processo.setWorkingDirectory(pasta.path());
    QObject::connect(&processo, &QProcess::finished, &app, [&] { app.quit(); });
    QObject::connect(&processo, &QProcess::errorOccurred, &app, [&](QProcess::ProcessError) {
        std::fprintf(stderr, "Não foi possível iniciar %s\n", qPrintable(programa));
        app.exit(1);
    });
    processo.start(programa, {});
    const int rc = app.exec();
    servidor.stop();
    return rc;
}
