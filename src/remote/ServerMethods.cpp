#include "ServerMethods.h"

namespace {

using D = ParamDirection;
using T = ParamType;

ServerParamInfo in(const char *name, T type) { return {QString::fromLatin1(name), D::In, type}; }
ServerParamInfo var(const char *name, T type) { return {QString::fromLatin1(name), D::InOut, type}; }
ServerParamInfo out(const char *name, T type) { return {QString::fromLatin1(name), D::Out, type}; }
ServerParamInfo result(T type) { return {QStringLiteral("ReturnValue"), D::ReturnValue, type}; }

QVector<ServerMethodInfo> build()
{
    const auto sender = in("Sender", T::Object);
    const auto dataSet = in("DataSet", T::DataSet);
    auto m = [](const char *name, QVector<ServerParamInfo> params) {
        return ServerMethodInfo{QString::fromLatin1(name), std::move(params)};
    };
    return {
        // handlers of the module's own events
        m("DSServerModuleCreate", {sender}),
        m("DSServerModuleDestroy", {sender}),
        m("sdsPadraoBeforeOpen", {dataSet}),
        m("sdsPadraoAfterOpen", {dataSet}),
        m("sdsConsultaAfterOpen", {dataSet}),
        m("sdsAgendaAfterOpen", {dataSet}),
        m("cdsPadraoAfterPost", {dataSet}),
        m("cdsPadraoAfterCancel", {dataSet}),
        m("cdsPadraoAfterDelete", {dataSet}),
        m("dspGravaRegistroGetTableName", {sender, dataSet, var("TableName", T::String)}),
        m("dspExecutaDMLParamDSAfterExecute", {sender, var("OwnerData", T::Variant)}),
        m("tmrSessoesTimer", {sender}),
        m("tmrMemoriaTimer", {sender}),
        m("SQLConnection1BeforeDisconnect", {sender}),
        m("SQLConnectionAfterConnect", {sender}),
        // connection, session and monitoring
        m("RemoveListaConexao", {in("iPfConexao", T::Int32)}),
        m("SQLConnection", {result(T::Object)}),
        m("AtribuiConexao", {result(T::String)}),
        m("ConectaBanco", {in("bPfConecta", T::Boolean), var("pBancoDados", T::String),
                           var("pDriverBanco", T::String), var("pDataBase", T::String),
                           var("pEspelhado", T::String), result(T::Boolean)}),
        m("HabilitaMonitor", {in("pAtivar", T::Boolean)}),
        m("MostraMonitor", {in("pID", T::String), out("pFileStr", T::Stream), result(T::Boolean)}),
        m("SetaConexao", {in("apl", T::Object)}),
        m("EmTransacao", {result(T::Boolean)}),
        m("SetMensagemErro", {in("sPfMensagemErro", T::String)}),
        m("GetMensagemErro", {result(T::String)}),
        m("IncluiSessaoUsuario", {in("Usuario", T::Int32), in("pExeName", T::String)}),
        m("RemoveSessaoAtiva", {}),
        m("RetornaIDSessaoUsuario", {result(T::Double)}),
        m("VerificaAtividadeCliente", {}),
        m("CriadmServer", {}),
        m("RetornaIDBD", {result(T::String)}),
        m("RetornaIDGeralBD", {result(T::Double)}),
        // SQL execution and transactions
        m("ExecutaDML", {in("sPfComando", T::String), in("pClonaConexao", T::Boolean), result(T::Boolean)}),
        m("ExecutaDMLParam", {var("sdsPfDataset", T::Object), result(T::Boolean)}),
        m("ExecutaSQLString", {in("sPfComando", T::String), result(T::String)}),
        m("ExecutaSQLInteger", {in("sPfComando", T::String), result(T::Int32)}),
        m("ExecutaSQLFloat", {in("sPfComando", T::String), result(T::Double)}),
        m("ExecutaDireto", {in("sPfComando", T::String), result(T::Boolean)}),
        m("IniciaTransacao", {result(T::Boolean)}),
        m("ComitaTransacao", {result(T::Boolean)}),
        m("RollbackTransacao", {result(T::Boolean)}),
        m("FechaSds", {in("pNomeSds", T::String)}),
        m("SetChaveSdsConsulta", {in("pChave", T::String)}),
        m("ApplyUpdatesMem", {in("pDelta", T::Variant), in("pTabela", T::String), in("pMaxErro", T::Int32),
                              in("pChave", T::String), result(T::Boolean)}),
        m("GravaBanco", {in("pJson", T::String)}),
        // data provider interface
        m("AS_ApplyUpdates", {in("ProviderName", T::String), in("DeltaStream", T::Variant),
                              in("MaxErrors", T::Int32), out("ErrorCount", T::Int32),
                              var("OwnerDataStream", T::StreamValue), result(T::Variant)}),
        m("AS_GetRecords", {in("ProviderName", T::String), in("Count", T::Int32), out("RecsOut", T::Int32),
                            in("Options", T::Int32), in("CommandText", T::String),
                            var("ParamReader", T::StreamValue), var("OwnerDataStream", T::StreamValue),
                            result(T::Variant)}),
        m("AS_DataRequest", {in("ProviderName", T::String), in("DataStream", T::Variant), result(T::Variant)}),
        m("AS_GetProviderNames", {result(T::String)}),
        m("AS_GetParams", {in("ProviderName", T::String), var("OwnerDataStream", T::StreamValue),
                           result(T::Variant)}),
        m("AS_RowRequest", {in("ProviderName", T::String), in("RowStream", T::Variant),
                            in("RequestType", T::Int32), var("OwnerDataStream", T::StreamValue),
                            result(T::Variant)}),
        m("AS_Execute", {in("ProviderName", T::String), in("CommandText", T::String),
                         var("ParamReader", T::StreamValue), var("OwnerDataStream", T::StreamValue)}),
    };
}

} // namespace

namespace ServerMethods {

const QVector<ServerMethodInfo> &all()
{
    static const QVector<ServerMethodInfo> methods = build();
    return methods;
}

const ServerMethodInfo *find(const QString &nameOrCommandText)
{
    QString name = nameOrCommandText;
    const QString prefix = ClassName + QLatin1Char('.');
    if (name.startsWith(prefix))
        name = name.mid(prefix.size());
    for (const ServerMethodInfo &m : all())
        if (m.name == name)
            return &m;
    return nullptr;
}

QString directionName(ParamDirection direction)
{
    switch (direction) {
    case ParamDirection::In: return QStringLiteral("in");
    case ParamDirection::InOut: return QStringLiteral("inout");
    case ParamDirection::Out: return QStringLiteral("out");
    case ParamDirection::ReturnValue: return QStringLiteral("result");
    }
    return {};
}

QString typeName(ParamType type)
{
    switch (type) {
    case ParamType::String: return QStringLiteral("string");
    case ParamType::Boolean: return QStringLiteral("boolean");
    case ParamType::Int32: return QStringLiteral("int32");
    case ParamType::Double: return QStringLiteral("double");
    case ParamType::Object: return QStringLiteral("object");
    case ParamType::DataSet: return QStringLiteral("dataset");
    case ParamType::Stream: return QStringLiteral("stream");
    case ParamType::StreamValue: return QStringLiteral("streamvalue");
    case ParamType::Variant: return QStringLiteral("variant");
    }
    return {};
}

} // namespace ServerMethods
