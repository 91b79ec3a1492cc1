#pragma once

#include "TdsTestServer.h"

#include <QObject>
#include <QTimer>

// A scene of SQL Server sessions played by the TDS test server: answers sp_who2 and the
// wait-detail query from the sessions it holds, and plays each "kill N" it receives (the
// session goes away, the sessions it blocked run on).
class CenaBloqueio : public QObject
{
    Q_OBJECT
public:
    struct Sessao
    {
        int spid = 0;
        QString status;
        QString login;
        QString host;
        QString programa;
        QString comando;
        int bloqueadaPor = 0;   // 0: nobody
        double espera = 0;      // seconds this session waits
        QString instrucao;      // what it runs
        int cpu = 0;
        int io = 0;
    };

    CenaBloqueio(tds::TestServer &servidor, QString sqlLista, QString sqlDetalhe, QObject *parent = nullptr);

    // A few sessions: 54 blocks three, 77 blocks one, 55 waits on itself (a parallel
    // query), the rest block nobody.
    void montaPadrao();
    QList<Sessao> &sessoes() { return m_sessoes; }
    // Scripts the two queries from the sessions as they are now.
    void publica();
    // Plays "kill N" statements as they arrive (polls the server's record, from its
    // present length: call it again after clearing the server's record).
    void acompanhaKills(bool ligado);
    void mata(int spid);

    tds::ResultSet resultadoLista() const;
    tds::ResultSet resultadoDetalhe() const;

private:
    void verificaKills();

    tds::TestServer &m_servidor;
    QString m_sqlLista;
    QString m_sqlDetalhe;
    QList<Sessao> m_sessoes;
    QTimer m_relogio;
    int m_vistos = 0;
};
