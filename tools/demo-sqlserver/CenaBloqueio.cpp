#include "CenaBloqueio.h"

#include <QRegularExpression>

using tds::Column;
using tds::ResultSet;
using tds::Type;

CenaBloqueio::CenaBloqueio(tds::TestServer &servidor, QString sqlLista, QString sqlDetalhe, QObject *parent)
    : QObject(parent), m_servidor(servidor), m_sqlLista(std::move(sqlLista)), m_sqlDetalhe(std::move(sqlDetalhe))
{
    m_relogio.setInterval(20);
    connect(&m_relogio, &QTimer::timeout, this, &CenaBloqueio::verificaKills);
}

void CenaBloqueio::montaPadrao()
{
    m_sessoes = {
        {51, "sleeping", "sa", "SRV-APP01", "Vestra Server", "AWAITING COMMAND", 0, 0, "", 120, 14},
        {53, "sleeping", "VESTRA\\relatorio", "PC-FIN02", "Excel", "AWAITING COMMAND", 0, 0, "", 35, 2},
        {54, "sleeping", "VESTRA\\joao.silva", "PC-CONT07", "Vestra Contabil", "AWAITING COMMAND", 0, 0,
         "update LANCAMENTO set VALOR = VALOR * 1.1 where LOTE = 3321", 9310, 5120},
        {55, "suspended", "VESTRA\\bi", "SRV-BI01", "SSIS", "SELECT", 55, 2.1,
         "select CONTA, sum(VALOR) from LANCAMENTO group by CONTA", 40211, 88012},
        {60, "suspended", "VESTRA\\maria.souza", "PC-FIN03", "Vestra Financeiro", "SELECT", 54, 184.532,
         "select * from LANCAMENTO where LOTE = 3321", 15, 3},
        {61, "suspended", "VESTRA\\ana.lima", "PC-FIN04", "Vestra Financeiro", "UPDATE", 54, 97.004,
         "update LANCAMENTO set CONFERIDO = 1 where ID = 88123", 8, 1},
        {62, "suspended", "VESTRA\\pedro.alves", "PC-CONT02", "Vestra Contabil", "SELECT", 54, 12.25,
         "select count(*) from LANCAMENTO", 4, 0},
        {70, "runnable", "VESTRA\\carlos", "PC-RH01", "Vestra RH", "SELECT", 0, 0, "", 22, 1},
        {77, "sleeping", "VESTRA\\integracao", "SRV-INT01", "Integrador", "AWAITING COMMAND", 0, 0,
         "delete from FILA_NFE where STATUS = 'E'", 1200, 340},
        {80, "suspended", "VESTRA\\fiscal", "PC-FIS01", "Vestra Fiscal", "INSERT", 77, 45.8,
         "insert into FILA_NFE (NUMERO, STATUS) values (9912, 'P')", 3, 1},
    };
}

ResultSet CenaBloqueio::resultadoLista() const
{
    ResultSet r;
    r.columns = {{"SPID", Type::Int},           {"Status", Type::NVarChar, 30},   {"Login", Type::NVarChar, 128},
                 {"HostName", Type::NVarChar, 128}, {"BlkBy", Type::Char, 5},     {"DBName", Type::NVarChar, 128},
                 {"Command", Type::NVarChar, 16},   {"CPUTime", Type::Int},       {"DiskIO", Type::Int},
                 {"LastBatch", Type::VarChar, 14},  {"ProgramName", Type::NVarChar, 128},
                 {"SPID", Type::Int},               {"REQUESTID", Type::Int}};
    for (const Sessao &s : m_sessoes) {
        const QString blk = s.bloqueadaPor ? QString::number(s.bloqueadaPor) : QStringLiteral("  .");
        r.rows.append({s.spid, s.status, s.login, s.host, blk, QStringLiteral("VESTRA"), s.comando, s.cpu, s.io,
                       QStringLiteral("12/11 09:41:07"), s.programa, s.spid, 0});
    }
    return r;
}

ResultSet CenaBloqueio::resultadoDetalhe() const
{
    ResultSet r;
    r.columns = {{"BlkBy", Type::SmallInt},
                 {"wait_time", Type::Decimal, 0, 24, 6},
                 {"statement_text", Type::VarChar, 500},
                 {"login_name_acu", Type::NVarChar, 128},
                 {"host_name_acu", Type::NVarChar, 128},
                 {"program_name_acu", Type::NVarChar, 128}};
    // Ordered by the blocking session, as the query asks.
    QList<Sessao> esperando;
    for (const Sessao &s : m_sessoes)
        if (s.bloqueadaPor)
            esperando << s;
    std::stable_sort(esperando.begin(), esperando.end(),
                     [](const Sessao &a, const Sessao &b) { return a.bloqueadaPor < b.bloqueadaPor; });
    for (const Sessao &s : esperando) {
        const Sessao *bloqueador = nullptr;
        for (const Sessao &b : m_sessoes)
            if (b.spid == s.bloqueadaPor)
                bloqueador = &b;
        if (!bloqueador)
            continue;
        r.rows.append({s.bloqueadaPor, QString::number(s.espera, 'f', 6), s.instrucao, bloqueador->login,
                       bloqueador->host, bloqueador->programa});
    }
    return r;
}

void CenaBloqueio::publica()
{
    m_servidor.script(m_sqlLista, {resultadoLista()});
    m_servidor.script(m_sqlDetalhe, {resultadoDetalhe()});
}

void CenaBloqueio::acompanhaKills(bool ligado)
{
    m_vistos = int(m_servidor.statements().size());
    if (ligado)
        m_relogio.start();
    else
        m_relogio.stop();
}

void CenaBloqueio::mata(int spid)
{
    for (int i = int(m_sessoes.size()) - 1; i >= 0; --i)
        if (m_sessoes.at(i).spid == spid)
            m_sessoes.removeAt(i);
    for (Sessao &s : m_sessoes) {
        if (s.bloqueadaPor == spid) {
            s.bloqueadaPor = 0;
            s.status = QStringLiteral("runnable");
            s.espera = 0;
        }
    }
    publica();
}

void CenaBloqueio::verificaKills()
{
    static const QRegularExpression kill(QStringLiteral("^kill\\s+(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const QStringList todas = m_servidor.statements();
    if (m_vistos > todas.size())
        m_vistos = 0; // the record was cleared
    for (; m_vistos < todas.size(); ++m_vistos) {
        const auto m = kill.match(todas.at(m_vistos).trimmed());
        if (m.hasMatch())
            mata(m.captured(1).toInt());
    }
}
