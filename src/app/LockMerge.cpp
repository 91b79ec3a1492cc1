#include "LockMerge.h"

#include "ClientDataSet.h"
#include "LockKill.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <optional>

namespace LockMerge {

namespace {

// How many rows ahead the merge asks for the list's rows (twice this) and for the texts
// they hold (this): far enough for memory to answer before the row is copied.
constexpr int kAntecedencia = 8;

// Asks the processor to bring a row's cells into its cache.
void antecipaLinha(const QVariant *linha, int campos)
{
#if defined(__GNUC__)
    const char *inicio = reinterpret_cast<const char *>(linha);
    const char *fim = reinterpret_cast<const char *>(linha + campos);
    for (const char *p = inicio; p < fim; p += 64)
        __builtin_prefetch(p);
#else
    Q_UNUSED(linha);
    Q_UNUSED(campos);
#endif
}

// Asks for the shared text of each string cell: copying a cell counts a reference in the
// text's header, and without this each copy waits on memory.
void antecipaTextos(const QVariant *linha, int campos)
{
#if defined(__GNUC__)
    for (int i = 0; i < campos; ++i) {
        if (linha[i].typeId() != QMetaType::QString)
            continue;
        const QString *texto = static_cast<const QString *>(linha[i].constData());
        if (!texto->isNull()) // the header lies just before the characters
            __builtin_prefetch(reinterpret_cast<const char *>(texto->constData()) - 16, 1);
    }
#else
    Q_UNUSED(linha);
    Q_UNUSED(campos);
#endif
}

} // namespace

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

    // First detail row of each blocking session, in the detail's order. The detail comes
    // ordered by the blocking session, so a row with the number of the row before it is
    // never the first one and needs no lookup.
    const int blkDetalhe = detalhe.fieldIndexOrThrow(QStringLiteral("BlkBy"));
    const int linhasDetalhe = detalhe.recordCount();
    QHash<qint64, int> primeiraLinha;
    std::optional<qint64> anterior;
    const RecordData &linhasDoDetalhe = detalhe.data();
    for (int r = 0; r < linhasDetalhe; ++r) {
        const auto numero = LockKill::numeroInteiro(linhasDoDetalhe.at(detalhe.sourceRow(r), blkDetalhe));
        if (numero && numero != anterior && !primeiraLinha.contains(*numero))
            primeiraLinha.insert(*numero, r);
        anterior = numero;
    }

    // Row v of the result is visible row v of the list, written one after the other. The
    // victims of one blocker are next to each other in the list's order and share one detail
    // row, looked up once for the run.
    const int campos = lista.fieldCount();
    const int camposDestino = destino.fieldCount();
    const int blkLista = lista.fieldIndexOrThrow(QStringLiteral("BlkBy"));
    const int total = lista.recordCount();
    const QVariant *entrada = lista.data().cells.constData();
    const auto linhaDaLista = [&](int visivel) { return entrada + qsizetype(lista.sourceRow(visivel)) * campos; };

    RecordData resultado;
    resultado.fields = destino.fieldDefs();
    resultado.cells.reserve(qsizetype(total) * camposDestino);
    // For each field after the list's, the detail field it takes, or -1: the five details
    // are copied, any other field of the detail stays empty.
    QVarLengthArray<int, 8> origemDetalhe(camposDestino - campos);
    std::fill(origemDetalhe.begin(), origemDetalhe.end(), -1);
    static const char *const kDetalhes[] = {"wait_time", "statement_text", "login_name_acu", "host_name_acu",
                                            "program_name_acu"};
    for (const char *nome : kDetalhes) {
        const QString campo = QString::fromLatin1(nome);
        origemDetalhe[destino.fieldIndexOrThrow(campo) - campos] = detalhe.fieldIndexOrThrow(campo);
    }
    const QVariant vazio;
    std::optional<qint64> numeroAnterior;
    int detalheAnterior = -1;
    for (int v = 0; v < total; ++v) {
        // In index order the list's rows lie anywhere in memory: ask for them ahead.
        if (v + 2 * kAntecedencia < total)
            antecipaLinha(linhaDaLista(v + 2 * kAntecedencia), campos);
        if (v + kAntecedencia < total)
            antecipaTextos(linhaDaLista(v + kAntecedencia), campos);

        const QVariant *de = linhaDaLista(v);
        for (int i = 0; i < campos; ++i)
            resultado.cells.append(de[i]);
        const auto numero = LockKill::numeroInteiro(de[blkLista]);
        if (numero != numeroAnterior) { // a new run (an empty number finds nothing either way)
            numeroAnterior = numero;
            detalheAnterior = -1;
            if (numero) {
                const auto it = primeiraLinha.constFind(*numero);
                if (it != primeiraLinha.constEnd())
                    detalheAnterior = *it;
            }
        }
        for (const int origem : origemDetalhe)
            resultado.cells.append(detalheAnterior >= 0 && origem >= 0 ? detalhe.value(detalheAnterior, origem) : vazio);
    }
    destino.setData(std::move(resultado));
    // The list is left at its end, as after walking it.
    lista.setRecNo(total - 1);
    lista.Next();
}

} // namespace LockMerge
