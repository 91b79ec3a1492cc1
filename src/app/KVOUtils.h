#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The stored (scrambled) form of the database password, as the first line of senhabd.dat
// holds it, turned back into the password.
QString DecodificaSenha(QString sPfSenha);

namespace KVOUtils {
// The three tables a stored text is read with.
const QString &alfabetoTamanho();      // 40 letters and digits: the last character's place is the length
const QString &alfabetoSubstituicao(); // 94 characters: a carrying character's place selects the character
const QVector<int> &posicoes();        // the 40 carrying positions (1-based, ascending, 1..254)
bool ehPosicao(int position);

// The password character for place p (1..94) of the substitution alphabet; 0 gives '@'.
QChar caracterDaPosicao(int p);

// Text files of the system's ANSI code page: the system's own on Windows,
// Windows-1252 elsewhere.
QString decodificaAnsi(const QByteArray &bytes);
QByteArray codificaAnsi(const QString &text, bool *ok = nullptr);
} // namespace KVOUtils
