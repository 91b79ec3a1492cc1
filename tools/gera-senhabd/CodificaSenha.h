#pragma once

#include <QString>

// The stored form of a password, as senhabd.dat holds it in its first line: readable
// back by DecodificaSenha. Throws KvoError for a password the stored form cannot carry
// (more than 40 characters, or a character outside ASCII 33..126).
// `semente` picks the filler characters; the same password and seed give the same text.
QString CodificaSenha(const QString &senha, quint32 semente);
