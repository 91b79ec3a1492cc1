// demo-screenshots OUTDIR: the window as a DBA first sees it, against the demo scene:
// closed, open with the list of blocked sessions, and after "Elimina Lock".
// Run it on a real display (the README runs it under Xvfb).

#include "CenaBloqueio.h"
#include "CodificaSenha.h"
#include "KVOUtils.h"
#include "QtUiServices.h"
#include "TdsTestServer.h"
#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace {
bool grava(QWidget &janela, const QString &arquivo)
{
    QTest::qWait(300);
    const bool ok = janela.grab().save(arquivo);
    std::printf("%s %s\n", ok ? "gravado" : "FALHOU", qPrintable(arquivo));
    return ok;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Gerenciador de Lock"));
    if (argc < 2) {
        std::fprintf(stderr, "uso: demo-screenshots PASTA\n");
        return 2;
    }
    const QDir saida(QString::fromLocal8Bit(argv[1]));
    QtUiServices servicos;
    setUi(&servicos);

    tds::TestServer servidor;
    const quint16 porta = servidor.start();
    CenaBloqueio cena(servidor, TForm1::sqlSpWho2, TForm1::sqlDetalheSqlServer);
    cena.montaPadrao();
    cena.publica();

    QTemporaryDir pasta;
    QFile f(QDir(pasta.path()).filePath(QStringLiteral("conexao.dat")));
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    f.write(QStringLiteral("BANCODADOS=SQL Server\r\nDATABASE=127.0.0.1,%1:VESTRA\r\nDIRATUALIZACAO=%2\r\n")
                .arg(porta)
                .arg(pasta.path())
                .toLatin1());
    f.close();
    QFile s(QDir(pasta.path()).filePath(QStringLiteral("senhabd.dat")));
    if (!s.open(QIODevice::WriteOnly))
        return 1;
    s.write(KVOUtils::codificaAnsi(CodificaSenha(QStringLiteral("demo;{kvo}"), 2026)) + "\r\n");
    s.close();
    QDir::setCurrent(pasta.path());

    TForm1 janela;
    janela.show();
    if (!QTest::qWaitForWindowExposed(&janela))
        return 1;
    bool ok = grava(janela, saida.filePath(QStringLiteral("janela-fechada.png")));
    janela.btnAbriBD->click();
    janela.btnConsultaLock->click();
    ok = grava(janela, saida.filePath(QStringLiteral("janela-lista.png"))) && ok;
    cena.acompanhaKills(true);
    janela.btnEliminaLock->click();
    ok = grava(janela, saida.filePath(QStringLiteral("janela-apos-eliminar.png"))) && ok;
    return ok ? 0 : 1;
}
