#pragma once

#include <QString>
#include <QVector>

// The published methods of the application server's module TdmConexaoServer: for each,
// its parameters in ordinal order (a result takes the ordinal after the last parameter).

enum class ParamDirection { In, InOut, Out, ReturnValue };

enum class ParamType {
    String,      // UTF-16 text
    Boolean,
    Int32,
    Double,
    Object,      // an object marshalled to JSON
    DataSet,     // a data set read into the call
    Stream,      // a byte stream
    StreamValue, // a stream-value holder (null or bytes)
    Variant,     // any value; data packets of the provider interface travel in it
};

struct ServerParamInfo
{
    QString name;
    ParamDirection direction;
    ParamType type;
};

struct ServerMethodInfo
{
    QString name;                     // without the class: "ExecutaDML"
    QVector<ServerParamInfo> params;  // by ordinal, the result last
};

namespace ServerMethods {

inline const QString ClassName = QStringLiteral("TdmConexaoServer");
inline const QString CommandType = QStringLiteral("DataSnap.ServerMethod");

const QVector<ServerMethodInfo> &all();
// By method name or by "TdmConexaoServer.Method"; nullptr when unknown.
const ServerMethodInfo *find(const QString &nameOrCommandText);

QString directionName(ParamDirection direction); // "in", "inout", "out", "result"
QString typeName(ParamType type);                // "string", "boolean", ...

} // namespace ServerMethods

// Every method, for code that walks them all (the client's command slots).
#define KVO_SERVER_METHODS(X) \
    X(DSServerModuleCreate) X(DSServerModuleDestroy) X(sdsPadraoBeforeOpen) X(sdsPadraoAfterOpen) \
    X(sdsConsultaAfterOpen) X(sdsAgendaAfterOpen) X(cdsPadraoAfterPost) X(cdsPadraoAfterCancel) \
    X(cdsPadraoAfterDelete) X(dspGravaRegistroGetTableName) X(dspExecutaDMLParamDSAfterExecute) \
    X(tmrSessoesTimer) X(tmrMemoriaTimer) X(SQLConnection1BeforeDisconnect) X(SQLConnectionAfterConnect) \
    X(RemoveListaConexao) X(SQLConnection) X(AtribuiConexao) X(ConectaBanco) X(HabilitaMonitor) \
    X(MostraMonitor) X(SetaConexao) X(EmTransacao) X(SetMensagemErro) X(GetMensagemErro) \
    X(IncluiSessaoUsuario) X(RemoveSessaoAtiva) X(RetornaIDSessaoUsuario) X(VerificaAtividadeCliente) \
    X(CriadmServer) X(RetornaIDBD) X(RetornaIDGeralBD) \
    X(ExecutaDML) X(ExecutaDMLParam) X(ExecutaSQLString) X(ExecutaSQLInteger) X(ExecutaSQLFloat) \
    X(ExecutaDireto) X(IniciaTransacao) X(ComitaTransacao) X(RollbackTransacao) X(FechaSds) \
    X(SetChaveSdsConsulta) X(ApplyUpdatesMem) X(GravaBanco) \
    X(AS_ApplyUpdates) X(AS_GetRecords) X(AS_DataRequest) X(AS_GetProviderNames) X(AS_GetParams) \
    X(AS_RowRequest) X(AS_Execute)
