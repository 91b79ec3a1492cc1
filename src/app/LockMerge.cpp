#include "LockMerge.h"

#include "ClientDataSet.h"
#include "LockKill.h"

#include <QHash>

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

    const int campos = lista.fieldCount();
    const int blkLista = lista.fieldIndexOrThrow(QStringLiteral("BlkBy"));
    lista.First();
    while (!lista.eof()) {
        destino.Append();
        for (int i = 0; i < campos; ++i)
            destino.setFieldValue(i, lista.fieldValue(i));
        if (const auto numero = LockKill::numeroInteiro(lista.fieldValue(blkLista))) {
            const auto it = primeiraLinha.constFind(*numero);
            if (it != primeiraLinha.constEnd())
                for (const Par &p : pares)
                    destino.setFieldValue(p.destino, detalhe.value(*it, p.origem));
        }
        destino.Post();
        lista.Next();
    }
}

} // namespace LockMerge
