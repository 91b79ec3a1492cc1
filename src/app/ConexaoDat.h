#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The settings file conexao.dat and the password file senhabd.dat.
namespace ConexaoDat {

// Where each setting goes.
struct Aplicador
{
    std::function<void(int indice)> selecionaBanco;          // 0 Oracle, 1 SQL Server
    std::function<void(const QString &texto)> baseDados;
    std::function<void(const QString &texto)> usuarioOracle;
};

// Lines of a text file; CR LF, LF and CR all end a line.
QStringList linhas(const QString &texto);

// Applies one line; `pasta` takes the DIRATUALIZACAO value.
void aplicaLinha(const QString &linha, const Aplicador &aplicador, QString &pasta);

// Reads the whole file in the ANSI code page, applies its lines in order and returns the
// folder of the password file (empty when none). Throws KvoError with the system's
// message when the file cannot be read.
QString le(const QString &arquivo, const Aplicador &aplicador);

// The password file of a folder: "senhabd.dat" right after a final \ or /, else after "/".
QString caminhoSenha(const QString &pasta);

// The first line of a text file in the ANSI code page. Throws KvoError.
QString primeiraLinha(const QString &arquivo);

} // namespace ConexaoDat
