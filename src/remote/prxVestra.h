#pragma once

#include "DSAdminClient.h"
#include "RemoteCommand.h"
#include "RemoteServerConnection.h"
#include "RemoteValue.h"
#include "ServerMethods.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

class DataSet;
class QIODevice;
class SQLConnection;
class SQLDataSet;

// Client of the application server's module TdmConexaoServer: one method per published
// server method. Each method prepares its command ("TdmConexaoServer." + the method's
// name) on its first call and reuses it for the client's lifetime; parameters go by
// ordinal, a result takes the ordinal after the last parameter. Errors of the connection
// or of the server method reach the caller as KvoError.
//
// One caller at a time: a call made while another call of the same client waits for the
// server (from a timer or a paint during the wait) fails instead of mixing their commands.
class TdmConexaoServerClient : public DSAdminClient
{
    Q_OBJECT
public:
    explicit TdmConexaoServerClient(RemoteServerConnection *ADBXConnection, QObject *parent = nullptr);
    TdmConexaoServerClient(RemoteServerConnection *ADBXConnection, bool AInstanceOwner, QObject *parent = nullptr);
    ~TdmConexaoServerClient() override;

    // Handlers of the module's own events
    void DSServerModuleCreate(QObject *Sender);
    void DSServerModuleDestroy(QObject *Sender);
    void sdsPadraoBeforeOpen(::DataSet *DataSet);
    void sdsPadraoAfterOpen(::DataSet *DataSet);
    void sdsConsultaAfterOpen(::DataSet *DataSet);
    void sdsAgendaAfterOpen(::DataSet *DataSet);
    void cdsPadraoAfterPost(::DataSet *DataSet);
    void cdsPadraoAfterCancel(::DataSet *DataSet);
    void cdsPadraoAfterDelete(::DataSet *DataSet);
    void dspGravaRegistroGetTableName(QObject *Sender, ::DataSet *DataSet, QString &TableName);
    void dspExecutaDMLParamDSAfterExecute(QObject *Sender, QVariant &OwnerData);
    void tmrSessoesTimer(QObject *Sender);
    void tmrMemoriaTimer(QObject *Sender);
    void SQLConnection1BeforeDisconnect(QObject *Sender);
    void SQLConnectionAfterConnect(QObject *Sender);

    // Connection, session and monitoring
    void RemoveListaConexao(int iPfConexao);
    ::SQLConnection *SQLConnection();
    QString AtribuiConexao();
    bool ConectaBanco(bool bPfConecta, QString &pBancoDados, QString &pDriverBanco, QString &pDataBase,
                      QString &pEspelhado);
    void HabilitaMonitor(bool pAtivar);
    // pFileStr receives a new read-only stream, or nullptr when the server sends none.
    bool MostraMonitor(const QString &pID, QIODevice *&pFileStr);
    void SetaConexao(QObject *apl);
    bool EmTransacao();
    void SetMensagemErro(const QString &sPfMensagemErro);
    QString GetMensagemErro();
    void IncluiSessaoUsuario(int Usuario, const QString &pExeName);
    void RemoveSessaoAtiva();
    double RetornaIDSessaoUsuario();
    void VerificaAtividadeCliente();
    void CriadmServer();
    QString RetornaIDBD();
    double RetornaIDGeralBD();

    // SQL execution and transactions
    bool ExecutaDML(const QString &sPfComando, bool pClonaConexao);
    // sdsPfDataset is replaced by the data set the server sends back (nullptr for none).
    bool ExecutaDMLParam(SQLDataSet *&sdsPfDataset);
    QString ExecutaSQLString(const QString &sPfComando);
    int ExecutaSQLInteger(const QString &sPfComando);
    double ExecutaSQLFloat(const QString &sPfComando);
    bool ExecutaDireto(const QString &sPfComando);
    bool IniciaTransacao();
    bool ComitaTransacao();
    bool RollbackTransacao();
    void FechaSds(const QString &pNomeSds);
    void SetChaveSdsConsulta(const QString &pChave);
    bool ApplyUpdatesMem(const QVariant &pDelta, const QString &pTabela, int pMaxErro, const QString &pChave);
    void GravaBanco(const QString &pJson);

    // Data provider interface (a null StreamValue pointer sends null and receives nothing)
    QVariant AS_ApplyUpdates(const QString &ProviderName, const QVariant &DeltaStream, int MaxErrors,
                             int &ErrorCount, StreamValue *OwnerDataStream);
    QVariant AS_GetRecords(const QString &ProviderName, int Count, int &RecsOut, int Options,
                           const QString &CommandText, StreamValue *ParamReader, StreamValue *OwnerDataStream);
    QVariant AS_DataRequest(const QString &ProviderName, const QVariant &DataStream);
    QString AS_GetProviderNames();
    QVariant AS_GetParams(const QString &ProviderName, StreamValue *OwnerDataStream);
    QVariant AS_RowRequest(const QString &ProviderName, const QVariant &RowStream, int RequestType,
                           StreamValue *OwnerDataStream);
    void AS_Execute(const QString &ProviderName, const QString &CommandText, StreamValue *ParamReader,
                    StreamValue *OwnerDataStream);

    // One command slot per method, empty until the method's first call.
#define KVO_COMMAND_SLOT(m) RemoteCommand *F##m##Command = nullptr;
    KVO_SERVER_METHODS(KVO_COMMAND_SLOT)
#undef KVO_COMMAND_SLOT

    bool callInProgress() const { return m_inCall; }

private:
    struct CallScope;
    RemoteCommand *command(RemoteCommand *&slot, const char *method);
    void setObject(RemoteParameter &p, QObject *object);
    QObject *takeObject(RemoteCommand *cmd, int ordinal);
    void setDataSet(RemoteParameter &p, ::DataSet *dataSet);
    void callSender(RemoteCommand *&slot, const char *method, QObject *sender);
    void callDataSet(RemoteCommand *&slot, const char *method, ::DataSet *dataSet);
    void callNoArgs(RemoteCommand *&slot, const char *method);
    void callText(RemoteCommand *&slot, const char *method, const QString &text);
    RemoteCommand *callResult(RemoteCommand *&slot, const char *method);
    RemoteCommand *callTextResult(RemoteCommand *&slot, const char *method, const QString &text);

    bool m_inCall = false;
};

// Application-wide defaults of the grid components' data access. Empty at start: the
// components then work over their own database connection. RemoteServerPadrao holds a
// RemoteServerConnection and ConexaoSCPadrao a TdmConexaoServerClient when assigned
// (qobject_cast them).
extern QString TecnologiaPadrao;
extern QPointer<QObject> RemoteServerPadrao;
extern QPointer<QObject> ConexaoSCPadrao;
extern QString DiretorioExportacaoPadrao;
