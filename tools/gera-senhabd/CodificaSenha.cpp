#include "CodificaSenha.h"

#include "Error.h"
#include "KVOUtils.h"

#include <QRandomGenerator>

QString CodificaSenha(const QString &senha, quint32 semente)
{
    using namespace KVOUtils;
    const int tamanho = int(senha.size());
    if (tamanho > 40)
        throw KvoError(QStringLiteral("A senha pode ter no máximo 40 caracteres."));
    // The place of each password character in the substitution alphabet.
    QVector<int> lugares;
    for (QChar c : senha) {
        int lugar = 0;
        for (int p = 1; p <= 94; ++p)
            if (caracterDaPosicao(p) == c)
                lugar = p;
        if (lugar == 0)
            throw KvoError(QStringLiteral("Caractere não permitido na senha: '%1' (use ASCII de ! a ~, sem espaços).")
                               .arg(c));
        lugares << lugar;
    }

    // 254 carrying positions at most, then the length character.
    QRandomGenerator gerador(semente);
    const QString &substituicao = alfabetoSubstituicao();
    QString texto;
    for (int i = 0; i < 254; ++i)
        texto += substituicao.at(int(gerador.bounded(94)));
    // The password sits in the lowest positions of the set: its first character in the
    // highest of them, its last in the lowest.
    const QVector<int> &conjunto = posicoes();
    for (int k = 0; k < tamanho; ++k) {
        const int posicao = conjunto.at(tamanho - 1 - k);
        texto[posicao - 1] = substituicao.at(lugares.at(k) - 1);
    }
    if (tamanho == 0)
        texto += u'#'; // not in the length alphabet: the empty password
    else
        texto += alfabetoTamanho().at(tamanho - 1);
    return texto;
}
