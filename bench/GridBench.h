#pragma once
// Shared by the grid benchmarks: a list of sessions shaped like the SQL Server list
// (18 columns), a table view over it, and the measuring helpers.

#include "ClientDataSet.h"
#include "DataSource.h"
#include "GridColumn.h"
#include "GridDataController.h"
#include "GridTableView.h"
#include "MemoryPolicy.h"
#include "ValueCompare.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace gridbench {

inline QVector<FieldDef> fields()
{
    return {{"SPID", FieldType::Integer, 0},          {"Status", FieldType::String, 30},
            {"Login", FieldType::String, 128},        {"HostName", FieldType::String, 128},
            {"BlkBy", FieldType::FixedChar, 5},       {"DBName", FieldType::String, 128},
            {"Command", FieldType::String, 16},       {"CPUTime", FieldType::Integer, 0},
            {"DiskIO", FieldType::Integer, 0},        {"LastBatch", FieldType::String, 14},
            {"ProgramName", FieldType::String, 128},  {"SPID_1", FieldType::Integer, 0},
            {"REQUESTID", FieldType::Integer, 0},     {"wait_time", FieldType::FMTBcd, 0},
            {"statement_text", FieldType::String, 500}, {"login_name_acu", FieldType::WideString, 128},
            {"host_name_acu", FieldType::WideString, 128}, {"program_name_acu", FieldType::WideString, 128}};
}

// The texts rows draw from, made once (the values of a result set, as a driver hands them).
struct Pools
{
    QVector<QString> status, logins, hosts, blk, dbs, commands, batches, programs, statements;
    Pools()
    {
        for (const char *s : {"runnable", "sleeping", "suspended", "background", "pending"})
            status << QString::fromLatin1(s);
        for (int i = 0; i < 997; ++i)
            logins << QStringLiteral("dom\\user%1").arg(i);
        for (int i = 0; i < 31; ++i)
            hosts << QStringLiteral("HOST%1").arg(i);
        blk << QStringLiteral("  .  ");
        for (int i = 0; i < 50; ++i)
            blk << QString::number(50 + i).leftJustified(5);
        for (int i = 0; i < 7; ++i)
            dbs << QStringLiteral("base%1").arg(i);
        for (const char *s : {"SELECT", "UPDATE", "INSERT", "DELETE", "AWAITING COMMAND", "EXECUTE", "BACKUP"})
            commands << QString::fromLatin1(s);
        for (int i = 0; i < 60; ++i)
            batches << QStringLiteral("12/11 08:%1:00").arg(i, 2, 10, QLatin1Char('0'));
        for (int i = 0; i < 13; ++i)
            programs << QStringLiteral("Programa %1").arg(i);
        for (int i = 0; i < 1009; ++i)
            statements << QStringLiteral("update conta set saldo = saldo - %1 where id = %2").arg(i).arg(i * 7);
    }
};

// `n` rows of 18 values.
inline RecordData rows(const Pools &p, int n)
{
    RecordData d;
    d.fields = fields();
    d.cells.reserve(qsizetype(n) * d.fields.size());
    for (int i = 0; i < n; ++i) {
        const int spid = 50 + i;
        d.cells << spid << p.status[i % 5] << p.logins[(i * 7919) % 997] << p.hosts[i % 31] << p.blk[i % 51]
                << p.dbs[i % 7] << p.commands[i % 7] << (i * 13) % 5000 << (i * 17) % 9000 << p.batches[i % 60]
                << p.programs[i % 13] << spid << 0 << (i % 1000) * 0.125 << p.statements[i % 1009]
                << p.logins[(i * 31) % 997] << p.hosts[(i * 3) % 31] << p.programs[(i * 5) % 13];
    }
    return d;
}

// The data set alone: rows built and loaded.
inline void load(ClientDataSet &ds, const Pools &p, int n)
{
    ds.setData(rows(p, n));
}

// A table view with one column per field, in its site, offscreen.
struct Shown
{
    DataSource source;
    std::unique_ptr<GridTableView> view;

    explicit Shown(ClientDataSet &ds, bool show = true)
    {
        source.setDataSet(&ds);
        view = std::make_unique<GridTableView>();
        view->OptionsView.GroupByBox = false;
        view->OptionsView.Indicator = true;
        view->optionsChanged();
        view->BeginUpdate();
        for (const FieldDef &f : ds.fieldDefs()) {
            GridColumn *c = view->CreateColumn();
            c->FieldName = f.name;
            c->Width = 90;
        }
        view->columnsChanged();
        view->EndUpdate();
        view->setDataSource(&source);
        if (show) {
            view->site()->resize(1000, 600);
            view->site()->show();
            paint();
        }
    }
    // Whatever is pending (layout, painting) done now.
    void paint()
    {
        QCoreApplication::processEvents();
        view->viewport()->repaint();
    }
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double msOf(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// Bytes the C library has handed out.
inline double heapBytes()
{
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks) + double(m.hblkhd);
#else
    return 0;
#endif
}

// The baseline of grouping: a stable sort of the rows (their numbers) by one field,
// comparing the stored values as the grid does.
inline double stableSortMs(const DataSet &ds, int field)
{
    const RecordData &rd = ds.data();
    std::vector<int> order(size_t(ds.recordCount()));
    return msOf([&] {
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return compareValues(rd.at(ds.sourceRow(a), field), rd.at(ds.sourceRow(b), field)) < 0;
        });
    });
}

inline void start(int &argc, char **argv)
{
    keepFreedMemoryForReuse(); // as the program does at start
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    (void)argc;
    (void)argv;
}

} // namespace gridbench
