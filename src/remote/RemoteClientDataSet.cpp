#include "RemoteClientDataSet.h"

#include "Error.h"

RemoteClientDataSet::RemoteClientDataSet(QObject *parent) : ClientDataSet(parent) {}

void RemoteClientDataSet::setParam(const QString &name, const QVariant &value)
{
    for (auto &p : Params) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    Params.append({name, value});
}

RemoteServerConnection *RemoteClientDataSet::checkedServer() const
{
    if (!m_remoteServer)
        throw KvoError(QStringLiteral("%1: servidor remoto não informado.").arg(objectName()));
    if (ProviderName.isEmpty())
        throw KvoError(QStringLiteral("%1: provedor não informado.").arg(objectName()));
    return m_remoteServer;
}

void RemoteClientDataSet::Open()
{
    if (active())
        return;
    RecordData rows = checkedServer()->GetRecords(ProviderName, CommandText, Params);
    setData(std::move(rows));
}

int RemoteClientDataSet::Execute()
{
    return checkedServer()->Execute(ProviderName, CommandText, Params);
}
