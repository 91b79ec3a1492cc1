#include "LockMerge.h"

#include "ClientDataSet.h"
#include "LockKill.h"

#include <QHash>

#include <algorithm>

namespace LockMerge {

void mescla(DataSet &lista, DataSet &detalhe, ClientDataSet &destino)
{
    destino.Close();
    destino.FieldDefs.clear();
    for (FieldDef f : lista.fieldDefs()) {
        f.required = false;
        destino.FieldDefs << f;
    }
    for (FieldDef f : detalhe.fieldDefs()) {
        if (f.name == QLatin1String("BlkBy"))
            continue;
        f.required = false;
        destino.FieldDefs << f;
    }
    destino.CreateDataSet();

    // First detail row of each blocking session, in the detail's order.
    const int blkDetalhe = detalhe.fieldIndexOrThrow(QStringLiteral("BlkBy"));
    QHash<qint64, int> primeiraLinha;
    primeiraLinha.reserve(detalhe.recordCount());
    // Walking backwards, the first row of each number is the last one written.
    for (int r = detalhe.recordCount() - 1; r >= 0; --r) {
        if (const auto numero = LockKill::numeroInteiro(detalhe.value(r, blkDetalhe)))
            primeiraLinha.insert(*numero, r);
    }

    static const char *const kDetalhes[] = {"wait_time", "statement_text", "login_name_acu", "host_name_acu",
                                            "program_name_acu"};
    struct Par { int origem; int destino; };
    QVector<Par> pares;
    for (const char *nome : kDetalhes) {
        const QString campo = QString::fromLatin1(nome);
        pares << Par{detalhe.fieldIndexOrThrow(campo), destino.fieldIndexOrThrow(campo)};
    }

    // Row v of the result is visible row v of the list. The list is read in the order its
    // rows arrived (one after the other through memory) and each row is written to its
    // place: the same result as walking the list in its index order, without jumping
    // about a large list.
    const int campos = lista.fieldCount();
    const int camposDestino = destino.fieldCount();
    const int blkLista = lista.fieldIndexOrThrow(QStringLiteral("BlkBy"));
    const int total = lista.recordCount();
    QVector<QPair<int, int>> ordem(total); // (row as it arrived, visible row)
    for (int v = 0; v < total; ++v)
        ordem[v] = {lista.sourceRow(v), v};
    std::sort(ordem.begin(), ordem.end());

    RecordData resultado;
    resultado.fields = destino.fieldDefs();
    resultado.cells.resize(qsizetype(total) * camposDestino);
    const RecordData &fonte = lista.data();
    for (const auto &[linha, visivel] : ordem) {
        for (int i = 0; i < campos; ++i)
            resultado.at(visivel, i) = fonte.at(linha, i);
        if (const auto numero = LockKill::numeroInteiro(fonte.at(linha, blkLista))) {
            const auto it = primeiraLinha.constFind(*numero);
            if (it != primeiraLinha.constEnd())
                for (const Par &p : pares)
                    resultado.at(visivel, p.destino) = detalhe.value(*it, p.origem);
        }
    }
    destino.setData(std::move(resultado));
    // The list is left at its end, as after walking it.
    lista.setRecNo(total - 1);
    lista.Next();
}

} // namespace LockMerge
