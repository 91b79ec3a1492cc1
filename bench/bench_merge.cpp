// Merge of the SQL Server list: sp_who2 rows (a fifth of them blocked) with the detail
// rows of the blocking sessions, against copying the same rows into a data set with no
// merge. Also checks that ten times the rows cost at most twelve times the time.

#include "ClientDataSet.h"
#include "LockMerge.h"
#include "MemoryPolicy.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Entrada
{
    ClientDataSet lista;
    ClientDataSet detalhe;
};

void monta(Entrada &e, int linhas, int bloqueadas, int detalhes)
{
    e.lista.FieldDefs = {
        {"SPID", FieldType::Integer, 0, false},     {"Status", FieldType::String, 30, false},
        {"Login", FieldType::String, 128, false},   {"HostName", FieldType::String, 128, false},
        {"BlkBy", FieldType::FixedChar, 5, false},  {"DBName", FieldType::String, 128, false},
        {"Command", FieldType::String, 16, false},  {"CPUTime", FieldType::Integer, 0, false},
        {"DiskIO", FieldType::Integer, 0, false},   {"LastBatch", FieldType::String, 14, false},
        {"ProgramName", FieldType::String, 128, false}, {"SPID_1", FieldType::Integer, 0, false},
        {"REQUESTID", FieldType::Integer, 0, false}};
    RecordData dados;
    dados.fields = e.lista.FieldDefs;
    dados.cells.reserve(qsizetype(linhas) * dados.fields.size());
    const int passo = linhas / bloqueadas;
    // Many sessions wait on a few: ten waiting sessions for each blocker.
    const int bloqueadores = std::max(1, bloqueadas / 10);
    for (int i = 0; i < linhas; ++i) {
        const int spid = 50 + i;
        const bool bloqueada = i % passo == 0;
        const QString blk = bloqueada ? QString::number(50 + (qint64(i) * 7919) % bloqueadores).leftJustified(5) : QStringLiteral("  .  ");
        dados.cells << spid << QStringLiteral("suspended") << QStringLiteral("dom\\user%1").arg(i % 97)
                    << QStringLiteral("HOST%1").arg(i % 31) << blk << QStringLiteral("vestra")
                    << QStringLiteral("SELECT") << (i * 13) % 5000 << (i * 17) % 9000
                    << QStringLiteral("12/11 08:00:00") << QStringLiteral("app") << spid << 0;
    }
    e.lista.setData(std::move(dados));
    e.lista.setFilter(QStringLiteral("BlkBy <> '  .'"));
    e.lista.setFiltered(true);
    e.lista.setIndexFieldNames(QStringLiteral("BlkBy"));

    RecordData det;
    det.fields = {{"BlkBy", FieldType::SmallInt, 0, false},          {"wait_time", FieldType::FMTBcd, 0, false},
                  {"statement_text", FieldType::String, 500, false}, {"login_name_acu", FieldType::WideString, 128, false},
                  {"host_name_acu", FieldType::WideString, 128, false},
                  {"program_name_acu", FieldType::WideString, 128, false}};
    // One detail row per waiting request, ordered by the blocking session as the query asks.
    for (int i = 0; i < detalhes; ++i)
        det.cells << 50 + int(qint64(i) * bloqueadores / detalhes) << i * 0.125 << QStringLiteral("update t set x = %1").arg(i)
                  << QStringLiteral("dom\\blk%1").arg(i % 13) << QStringLiteral("PC%1").arg(i % 7)
                  << QStringLiteral("app");
    e.detalhe.setData(std::move(det));
}

double mediana(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double tempoMescla(Entrada &e, int vezes)
{
    std::vector<double> tempos;
    for (int k = 0; k < vezes; ++k) {
        ClientDataSet destino;
        ClientDataSet final;
        QElapsedTimer t;
        t.start();
        LockMerge::mescla(e.lista, e.detalhe, destino);
        final.setData(destino.Data());
        tempos.push_back(double(t.nsecsElapsed()));
        if (final.recordCount() != e.lista.recordCount())
            std::abort();
    }
    return mediana(tempos);
}

// The same rows copied into a new data set, in list order, with no lookup.
double tempoCopia(Entrada &e, int vezes)
{
    std::vector<double> tempos;
    for (int k = 0; k < vezes; ++k) {
        ClientDataSet destino;
        ClientDataSet final;
        QElapsedTimer t;
        t.start();
        const int campos = e.lista.fieldCount();
        const int total = e.lista.recordCount();
        RecordData copia;
        copia.fields = e.lista.fieldDefs();
        copia.cells.reserve(qsizetype(total) * campos);
        for (int v = 0; v < total; ++v)
            for (int i = 0; i < campos; ++i)
                copia.cells.push_back(e.lista.value(v, i));
        destino.setData(std::move(copia));
        final.setData(destino.Data());
        tempos.push_back(double(t.nsecsElapsed()));
    }
    return mediana(tempos);
}

} // namespace

int main(int argc, char *argv[])
{
    keepFreedMemoryForReuse(); // as the program does at start
    QCoreApplication app(argc, argv);
    Entrada pequena;
    monta(pequena, 100000, 20000, 20000);
    // Each size is measured for about the same time (a second or so), so that a burst of
    // load on the machine weighs alike on both medians.
    const double mescla = tempoMescla(pequena, 101);
    const double copia = tempoCopia(pequena, 101);

    Entrada grande;
    monta(grande, 1000000, 200000, 200000);
    const double mesclaGrande = tempoMescla(grande, 11);


    std::printf("merge 100k rows (20k blocked, 20k details): %.1f ms\n", mescla / 1e6);
    std::printf("copy of the same rows, no merge:            %.1f ms\n", copia / 1e6);
    std::printf("merge 1M rows (200k blocked, 200k details):  %.1f ms\n", mesclaGrande / 1e6);
    std::printf("merge_scaling: ratio %.2f (goal <= 12)\n", mesclaGrande / mescla);
    std::printf("merge: ratio %.2f (goal <= 3)\n", mescla / copia);
    return 0;
}
