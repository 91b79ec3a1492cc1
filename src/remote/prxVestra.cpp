#include "prxVestra.h"

#include "DataSet.h"
#include "Error.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"

#include <QBuffer>

QString TecnologiaPadrao;
QPointer<QObject> RemoteServerPadrao;
QPointer<QObject> ConexaoSCPadrao;
QString DiretorioExportacaoPadrao;

struct TdmConexaoServerClient::CallScope
{
    explicit CallScope(TdmConexaoServerClient *c) : client(c)
    {
        if (client->m_inCall)
            throw KvoError(QStringLiteral("O cliente do servidor de aplicação já está atendendo outra chamada."));
        client->m_inCall = true;
    }
    ~CallScope() { client->m_inCall = false; }
    TdmConexaoServerClient *client;
};

TdmConexaoServerClient::TdmConexaoServerClient(RemoteServerConnection *ADBXConnection, QObject *parent)
    : DSAdminClient(ADBXConnection, parent)
{
}

TdmConexaoServerClient::TdmConexaoServerClient(RemoteServerConnection *ADBXConnection, bool AInstanceOwner,
                                               QObject *parent)
    : DSAdminClient(ADBXConnection, AInstanceOwner, parent)
{
}

TdmConexaoServerClient::~TdmConexaoServerClient()
{
#define KVO_FREE_SLOT(m) delete F##m##Command;
    KVO_SERVER_METHODS(KVO_FREE_SLOT)
#undef KVO_FREE_SLOT
}

RemoteCommand *TdmConexaoServerClient::command(RemoteCommand *&slot, const char *method)
{
    if (!slot) {
        RemoteServerConnection *connection = DBXConnection();
        if (!connection)
            throw KvoError(QStringLiteral("Connection cannot be nil.  Make sure the connection has been opened."));
        slot = connection->CreateCommand();
        slot->CommandType = ServerMethods::CommandType;
        slot->Text = ServerMethods::ClassName + QLatin1Char('.') + QLatin1String(method);
    }
    // A command whose preparation failed is prepared again on the next call.
    if (!slot->prepared())
        slot->Prepare();
    return slot;
}

void TdmConexaoServerClient::setObject(RemoteParameter &p, QObject *object)
{
    if (!object) {
        p.setNull();
        return;
    }
    {
        MarshalScope marshal(this);
        p.setJsonValue(FMarshal->marshal(object));
    }
    if (InstanceOwner())
        delete object;
}

QObject *TdmConexaoServerClient::takeObject(RemoteCommand *cmd, int ordinal)
{
    const QJsonValue json = cmd->Parameter(ordinal).getJsonValue();
    if (json.isNull())
        return nullptr;
    UnMarshalScope unmarshal(this);
    QObject *object = FUnMarshal->createObject(json);
    if (InstanceOwner())
        cmd->freeOnExecute(object);
    return object;
}

void TdmConexaoServerClient::setDataSet(RemoteParameter &p, ::DataSet *dataSet)
{
    if (!dataSet)
        p.setNull();
    else
        p.setDataSet(dataSet, InstanceOwner());
}

void TdmConexaoServerClient::callSender(RemoteCommand *&slot, const char *method, QObject *sender)
{
    CallScope call(this);
    RemoteCommand *cmd = command(slot, method);
    setObject(cmd->Parameter(0), sender);
    cmd->ExecuteUpdate();
}

void TdmConexaoServerClient::callDataSet(RemoteCommand *&slot, const char *method, ::DataSet *dataSet)
{
    CallScope call(this);
    RemoteCommand *cmd = command(slot, method);
    setDataSet(cmd->Parameter(0), dataSet);
    cmd->ExecuteUpdate();
}

void TdmConexaoServerClient::callNoArgs(RemoteCommand *&slot, const char *method)
{
    CallScope call(this);
    command(slot, method)->ExecuteUpdate();
}

void TdmConexaoServerClient::callText(RemoteCommand *&slot, const char *method, const QString &text)
{
    CallScope call(this);
    RemoteCommand *cmd = command(slot, method);
    cmd->Parameter(0).setString(text);
    cmd->ExecuteUpdate();
}

RemoteCommand *TdmConexaoServerClient::callResult(RemoteCommand *&slot, const char *method)
{
    RemoteCommand *cmd = command(slot, method);
    cmd->ExecuteUpdate();
    return cmd;
}

RemoteCommand *TdmConexaoServerClient::callTextResult(RemoteCommand *&slot, const char *method, const QString &text)
{
    RemoteCommand *cmd = command(slot, method);
    cmd->Parameter(0).setString(text);
    cmd->ExecuteUpdate();
    return cmd;
}

// ---- handlers of the module's own events

void TdmConexaoServerClient::DSServerModuleCreate(QObject *Sender)
{
    callSender(FDSServerModuleCreateCommand, "DSServerModuleCreate", Sender);
}

void TdmConexaoServerClient::DSServerModuleDestroy(QObject *Sender)
{
    callSender(FDSServerModuleDestroyCommand, "DSServerModuleDestroy", Sender);
}

void TdmConexaoServerClient::sdsPadraoBeforeOpen(::DataSet *DataSet)
{
    callDataSet(FsdsPadraoBeforeOpenCommand, "sdsPadraoBeforeOpen", DataSet);
}

void TdmConexaoServerClient::sdsPadraoAfterOpen(::DataSet *DataSet)
{
    callDataSet(FsdsPadraoAfterOpenCommand, "sdsPadraoAfterOpen", DataSet);
}

void TdmConexaoServerClient::sdsConsultaAfterOpen(::DataSet *DataSet)
{
    callDataSet(FsdsConsultaAfterOpenCommand, "sdsConsultaAfterOpen", DataSet);
}

void TdmConexaoServerClient::sdsAgendaAfterOpen(::DataSet *DataSet)
{
    callDataSet(FsdsAgendaAfterOpenCommand, "sdsAgendaAfterOpen", DataSet);
}

void TdmConexaoServerClient::cdsPadraoAfterPost(::DataSet *DataSet)
{
    callDataSet(FcdsPadraoAfterPostCommand, "cdsPadraoAfterPost", DataSet);
}

void TdmConexaoServerClient::cdsPadraoAfterCancel(::DataSet *DataSet)
{
    callDataSet(FcdsPadraoAfterCancelCommand, "cdsPadraoAfterCancel", DataSet);
}

void TdmConexaoServerClient::cdsPadraoAfterDelete(::DataSet *DataSet)
{
    callDataSet(FcdsPadraoAfterDeleteCommand, "cdsPadraoAfterDelete", DataSet);
}

void TdmConexaoServerClient::dspGravaRegistroGetTableName(QObject *Sender, ::DataSet *DataSet, QString &TableName)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FdspGravaRegistroGetTableNameCommand, "dspGravaRegistroGetTableName");
    setObject(cmd->Parameter(0), Sender);
    setDataSet(cmd->Parameter(1), DataSet);
    cmd->Parameter(2).setString(TableName);
    cmd->ExecuteUpdate();
    TableName = cmd->Parameter(2).getString();
}

void TdmConexaoServerClient::dspExecutaDMLParamDSAfterExecute(QObject *Sender, QVariant &OwnerData)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FdspExecutaDMLParamDSAfterExecuteCommand, "dspExecutaDMLParamDSAfterExecute");
    setObject(cmd->Parameter(0), Sender);
    cmd->Parameter(1).setVariant(OwnerData);
    cmd->ExecuteUpdate();
    OwnerData = cmd->Parameter(1).getVariant();
}

void TdmConexaoServerClient::tmrSessoesTimer(QObject *Sender)
{
    callSender(FtmrSessoesTimerCommand, "tmrSessoesTimer", Sender);
}

void TdmConexaoServerClient::tmrMemoriaTimer(QObject *Sender)
{
    callSender(FtmrMemoriaTimerCommand, "tmrMemoriaTimer", Sender);
}

void TdmConexaoServerClient::SQLConnection1BeforeDisconnect(QObject *Sender)
{
    callSender(FSQLConnection1BeforeDisconnectCommand, "SQLConnection1BeforeDisconnect", Sender);
}

void TdmConexaoServerClient::SQLConnectionAfterConnect(QObject *Sender)
{
    callSender(FSQLConnectionAfterConnectCommand, "SQLConnectionAfterConnect", Sender);
}

// ---- connection, session and monitoring

void TdmConexaoServerClient::RemoveListaConexao(int iPfConexao)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FRemoveListaConexaoCommand, "RemoveListaConexao");
    cmd->Parameter(0).setInt32(iPfConexao);
    cmd->ExecuteUpdate();
}

::SQLConnection *TdmConexaoServerClient::SQLConnection()
{
    CallScope call(this);
    RemoteCommand *cmd = callResult(FSQLConnectionCommand, "SQLConnection");
    QObject *object = takeObject(cmd, 0);
    if (!object)
        return nullptr;
    auto *connection = qobject_cast<::SQLConnection *>(object);
    if (!connection) {
        const QString className = QString::fromLatin1(object->metaObject()->className());
        if (!InstanceOwner())
            delete object;
        throw KvoError(QStringLiteral("TdmConexaoServer.SQLConnection devolveu um objeto da classe '%1'.").arg(className));
    }
    return connection;
}

QString TdmConexaoServerClient::AtribuiConexao()
{
    CallScope call(this);
    return callResult(FAtribuiConexaoCommand, "AtribuiConexao")->Parameter(0).getString();
}

bool TdmConexaoServerClient::ConectaBanco(bool bPfConecta, QString &pBancoDados, QString &pDriverBanco,
                                          QString &pDataBase, QString &pEspelhado)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FConectaBancoCommand, "ConectaBanco");
    cmd->Parameter(0).setBoolean(bPfConecta);
    cmd->Parameter(1).setString(pBancoDados);
    cmd->Parameter(2).setString(pDriverBanco);
    cmd->Parameter(3).setString(pDataBase);
    cmd->Parameter(4).setString(pEspelhado);
    cmd->ExecuteUpdate();
    // Read everything before assigning anything: a malformed answer leaves the caller's
    // variables as they were.
    QString banco = cmd->Parameter(1).getString();
    QString driver = cmd->Parameter(2).getString();
    QString dataBase = cmd->Parameter(3).getString();
    QString espelhado = cmd->Parameter(4).getString();
    const bool result = cmd->Parameter(5).getBoolean();
    pBancoDados = banco;
    pDriverBanco = driver;
    pDataBase = dataBase;
    pEspelhado = espelhado;
    return result;
}

void TdmConexaoServerClient::HabilitaMonitor(bool pAtivar)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FHabilitaMonitorCommand, "HabilitaMonitor");
    cmd->Parameter(0).setBoolean(pAtivar);
    cmd->ExecuteUpdate();
}

bool TdmConexaoServerClient::MostraMonitor(const QString &pID, QIODevice *&pFileStr)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FMostraMonitorCommand, "MostraMonitor");
    cmd->Parameter(0).setString(pID);
    cmd->ExecuteUpdate();
    const bool result = cmd->Parameter(2).getBoolean();
    if (cmd->Parameter(1).isNull()) {
        pFileStr = nullptr;
        return result;
    }
    auto stream = std::make_unique<QBuffer>();
    stream->setData(cmd->Parameter(1).getStream());
    stream->open(QIODevice::ReadOnly);
    pFileStr = stream.get();
    if (InstanceOwner())
        cmd->freeOnExecute(std::move(stream));
    else
        stream.release();
    return result;
}

void TdmConexaoServerClient::SetaConexao(QObject *apl)
{
    callSender(FSetaConexaoCommand, "SetaConexao", apl);
}

bool TdmConexaoServerClient::EmTransacao()
{
    CallScope call(this);
    return callResult(FEmTransacaoCommand, "EmTransacao")->Parameter(0).getBoolean();
}

void TdmConexaoServerClient::SetMensagemErro(const QString &sPfMensagemErro)
{
    callText(FSetMensagemErroCommand, "SetMensagemErro", sPfMensagemErro);
}

QString TdmConexaoServerClient::GetMensagemErro()
{
    CallScope call(this);
    return callResult(FGetMensagemErroCommand, "GetMensagemErro")->Parameter(0).getString();
}

void TdmConexaoServerClient::IncluiSessaoUsuario(int Usuario, const QString &pExeName)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FIncluiSessaoUsuarioCommand, "IncluiSessaoUsuario");
    cmd->Parameter(0).setInt32(Usuario);
    cmd->Parameter(1).setString(pExeName);
    cmd->ExecuteUpdate();
}

void TdmConexaoServerClient::RemoveSessaoAtiva()
{
    callNoArgs(FRemoveSessaoAtivaCommand, "RemoveSessaoAtiva");
}

double TdmConexaoServerClient::RetornaIDSessaoUsuario()
{
    CallScope call(this);
    return callResult(FRetornaIDSessaoUsuarioCommand, "RetornaIDSessaoUsuario")->Parameter(0).getDouble();
}

void TdmConexaoServerClient::VerificaAtividadeCliente()
{
    callNoArgs(FVerificaAtividadeClienteCommand, "VerificaAtividadeCliente");
}

void TdmConexaoServerClient::CriadmServer()
{
    callNoArgs(FCriadmServerCommand, "CriadmServer");
}

QString TdmConexaoServerClient::RetornaIDBD()
{
    CallScope call(this);
    return callResult(FRetornaIDBDCommand, "RetornaIDBD")->Parameter(0).getString();
}

double TdmConexaoServerClient::RetornaIDGeralBD()
{
    CallScope call(this);
    return callResult(FRetornaIDGeralBDCommand, "RetornaIDGeralBD")->Parameter(0).getDouble();
}

// ---- SQL execution and transactions

bool TdmConexaoServerClient::ExecutaDML(const QString &sPfComando, bool pClonaConexao)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FExecutaDMLCommand, "ExecutaDML");
    cmd->Parameter(0).setString(sPfComando);
    cmd->Parameter(1).setBoolean(pClonaConexao);
    cmd->ExecuteUpdate();
    return cmd->Parameter(2).getBoolean();
}

bool TdmConexaoServerClient::ExecutaDMLParam(SQLDataSet *&sdsPfDataset)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FExecutaDMLParamCommand, "ExecutaDMLParam");
    SQLDataSet *sent = sdsPfDataset;
    setObject(cmd->Parameter(0), sent);
    if (sent && InstanceOwner())
        sdsPfDataset = nullptr; // freed with its conversion: never leave the caller a dangling reference
    cmd->ExecuteUpdate();
    const bool result = cmd->Parameter(1).getBoolean();
    QObject *object = takeObject(cmd, 0);
    auto *query = qobject_cast<SQLDataSet *>(object);
    if (object && !query) {
        const QString className = QString::fromLatin1(object->metaObject()->className());
        if (!InstanceOwner())
            delete object;
        throw KvoError(QStringLiteral("TdmConexaoServer.ExecutaDMLParam devolveu um objeto da classe '%1'.").arg(className));
    }
    sdsPfDataset = query;
    return result;
}

QString TdmConexaoServerClient::ExecutaSQLString(const QString &sPfComando)
{
    CallScope call(this);
    return callTextResult(FExecutaSQLStringCommand, "ExecutaSQLString", sPfComando)->Parameter(1).getString();
}

int TdmConexaoServerClient::ExecutaSQLInteger(const QString &sPfComando)
{
    CallScope call(this);
    return callTextResult(FExecutaSQLIntegerCommand, "ExecutaSQLInteger", sPfComando)->Parameter(1).getInt32();
}

double TdmConexaoServerClient::ExecutaSQLFloat(const QString &sPfComando)
{
    CallScope call(this);
    return callTextResult(FExecutaSQLFloatCommand, "ExecutaSQLFloat", sPfComando)->Parameter(1).getDouble();
}

bool TdmConexaoServerClient::ExecutaDireto(const QString &sPfComando)
{
    CallScope call(this);
    return callTextResult(FExecutaDiretoCommand, "ExecutaDireto", sPfComando)->Parameter(1).getBoolean();
}

bool TdmConexaoServerClient::IniciaTransacao()
{
    CallScope call(this);
    return callResult(FIniciaTransacaoCommand, "IniciaTransacao")->Parameter(0).getBoolean();
}

bool TdmConexaoServerClient::ComitaTransacao()
{
    CallScope call(this);
    return callResult(FComitaTransacaoCommand, "ComitaTransacao")->Parameter(0).getBoolean();
}

bool TdmConexaoServerClient::RollbackTransacao()
{
    CallScope call(this);
    return callResult(FRollbackTransacaoCommand, "RollbackTransacao")->Parameter(0).getBoolean();
}

void TdmConexaoServerClient::FechaSds(const QString &pNomeSds)
{
    callText(FFechaSdsCommand, "FechaSds", pNomeSds);
}

void TdmConexaoServerClient::SetChaveSdsConsulta(const QString &pChave)
{
    callText(FSetChaveSdsConsultaCommand, "SetChaveSdsConsulta", pChave);
}

bool TdmConexaoServerClient::ApplyUpdatesMem(const QVariant &pDelta, const QString &pTabela, int pMaxErro,
                                             const QString &pChave)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FApplyUpdatesMemCommand, "ApplyUpdatesMem");
    cmd->Parameter(0).setVariant(pDelta);
    cmd->Parameter(1).setString(pTabela);
    cmd->Parameter(2).setInt32(pMaxErro);
    cmd->Parameter(3).setString(pChave);
    cmd->ExecuteUpdate();
    return cmd->Parameter(4).getBoolean();
}

void TdmConexaoServerClient::GravaBanco(const QString &pJson)
{
    callText(FGravaBancoCommand, "GravaBanco", pJson);
}

// ---- data provider interface

namespace {

void putStreamValue(RemoteParameter &p, const StreamValue *value)
{
    if (value)
        p.setStreamValue(*value);
    else
        p.setNull();
}

void getStreamValue(RemoteParameter &p, StreamValue *value)
{
    if (value)
        *value = p.getStreamValue();
}

} // namespace

QVariant TdmConexaoServerClient::AS_ApplyUpdates(const QString &ProviderName, const QVariant &DeltaStream,
                                                 int MaxErrors, int &ErrorCount, StreamValue *OwnerDataStream)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FAS_ApplyUpdatesCommand, "AS_ApplyUpdates");
    cmd->Parameter(0).setString(ProviderName);
    cmd->Parameter(1).setVariant(DeltaStream);
    cmd->Parameter(2).setInt32(MaxErrors);
    putStreamValue(cmd->Parameter(4), OwnerDataStream);
    cmd->ExecuteUpdate();
    const int errors = cmd->Parameter(3).getInt32();
    QVariant result = cmd->Parameter(5).getVariant();
    getStreamValue(cmd->Parameter(4), OwnerDataStream);
    ErrorCount = errors;
    return result;
}

QVariant TdmConexaoServerClient::AS_GetRecords(const QString &ProviderName, int Count, int &RecsOut, int Options,
                                               const QString &CommandText, StreamValue *ParamReader,
                                               StreamValue *OwnerDataStream)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FAS_GetRecordsCommand, "AS_GetRecords");
    cmd->Parameter(0).setString(ProviderName);
    cmd->Parameter(1).setInt32(Count);
    cmd->Parameter(3).setInt32(Options);
    cmd->Parameter(4).setString(CommandText);
    putStreamValue(cmd->Parameter(5), ParamReader);
    putStreamValue(cmd->Parameter(6), OwnerDataStream);
    cmd->ExecuteUpdate();
    const int recsOut = cmd->Parameter(2).getInt32();
    QVariant result = cmd->Parameter(7).getVariant();
    const StreamValue params = cmd->Parameter(5).getStreamValue();
    getStreamValue(cmd->Parameter(6), OwnerDataStream);
    if (ParamReader)
        *ParamReader = params;
    RecsOut = recsOut;
    return result;
}

QVariant TdmConexaoServerClient::AS_DataRequest(const QString &ProviderName, const QVariant &DataStream)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FAS_DataRequestCommand, "AS_DataRequest");
    cmd->Parameter(0).setString(ProviderName);
    cmd->Parameter(1).setVariant(DataStream);
    cmd->ExecuteUpdate();
    return cmd->Parameter(2).getVariant();
}

QString TdmConexaoServerClient::AS_GetProviderNames()
{
    CallScope call(this);
    return callResult(FAS_GetProviderNamesCommand, "AS_GetProviderNames")->Parameter(0).getString();
}

QVariant TdmConexaoServerClient::AS_GetParams(const QString &ProviderName, StreamValue *OwnerDataStream)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FAS_GetParamsCommand, "AS_GetParams");
    cmd->Parameter(0).setString(ProviderName);
    putStreamValue(cmd->Parameter(1), OwnerDataStream);
    cmd->ExecuteUpdate();
    QVariant result = cmd->Parameter(2).getVariant();
    getStreamValue(cmd->Parameter(1), OwnerDataStream);
    return result;
}

QVariant TdmConexaoServerClient::AS_RowRequest(const QString &ProviderName, const QVariant &RowStream,
                                               int RequestType, StreamValue *OwnerDataStream)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FAS_RowRequestCommand, "AS_RowRequest");
    cmd->Parameter(0).setString(ProviderName);
    cmd->Parameter(1).setVariant(RowStream);
    cmd->Parameter(2).setInt32(RequestType);
    putStreamValue(cmd->Parameter(3), OwnerDataStream);
    cmd->ExecuteUpdate();
    QVariant result = cmd->Parameter(4).getVariant();
    getStreamValue(cmd->Parameter(3), OwnerDataStream);
    return result;
}

void TdmConexaoServerClient::AS_Execute(const QString &ProviderName, const QString &CommandText,
                                        StreamValue *ParamReader, StreamValue *OwnerDataStream)
{
    CallScope call(this);
    RemoteCommand *cmd = command(FAS_ExecuteCommand, "AS_Execute");
    cmd->Parameter(0).setString(ProviderName);
    cmd->Parameter(1).setString(CommandText);
    putStreamValue(cmd->Parameter(2), ParamReader);
    putStreamValue(cmd->Parameter(3), OwnerDataStream);
    cmd->ExecuteUpdate();
    const StreamValue params = cmd->Parameter(2).getStreamValue();
    getStreamValue(cmd->Parameter(3), OwnerDataStream);
    if (ParamReader)
        *ParamReader = params;
}
