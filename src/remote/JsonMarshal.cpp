#include "JsonMarshal.h"

#include "ClientDataSet.h"
#include "Error.h"
#include "RemoteValue.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMetaProperty>

namespace {

// Opens the protected data assignment of our data sets to the unmarshaller.
class QueryDataSet : public SQLDataSet
{
public:
    void load(RecordData rows)
    {
        assignData(std::move(rows));
        setActive(true);
    }
};

class MemoryDataSet : public ClientDataSet
{
};

const QString kClass = QStringLiteral("class");
const QString kName = QStringLiteral("objectName");
const QString kProps = QStringLiteral("properties");

} // namespace

QJsonValue JsonMarshal::marshal(const QObject *object) const
{
    if (!object)
        return QJsonValue(QJsonValue::Null);
    const QMetaObject *meta = object->metaObject();
    // Classes of ours travel under their own name; a subclass the other side does not
    // know is still read as its nearest known base.
    QString className = QString::fromLatin1(meta->className());
    QJsonObject props;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (!p.isReadable() || !p.isStored())
            continue;
        try {
            props.insert(QString::fromLatin1(p.name()), RemoteValue::fromVariant(p.read(object)));
        } catch (const KvoError &) {
            // values without a wire form (pointers, enums of other classes) stay behind
        }
    }
    if (auto *c = qobject_cast<const SQLConnection *>(object)) {
        props.insert(QStringLiteral("DriverName"), c->DriverName);
        props.insert(QStringLiteral("ConnectionName"), c->ConnectionName);
        props.insert(QStringLiteral("GetDriverFunc"), c->GetDriverFunc);
        props.insert(QStringLiteral("LibraryName"), c->LibraryName);
        props.insert(QStringLiteral("VendorLib"), c->VendorLib);
        props.insert(QStringLiteral("Params"), QJsonArray::fromStringList(c->Params));
        props.insert(QStringLiteral("LoadParamsOnConnect"), c->LoadParamsOnConnect);
        props.insert(QStringLiteral("LoginPrompt"), c->LoginPrompt);
        props.insert(QStringLiteral("Connected"), c->Connected());
        className = QStringLiteral("SQLConnection");
    }
    if (auto *ds = qobject_cast<const DataSet *>(object)) {
        if (auto *q = qobject_cast<const SQLDataSet *>(object)) {
            props.insert(QStringLiteral("CommandText"), q->CommandText);
            className = QStringLiteral("SQLDataSet");
        } else if (auto *cds = qobject_cast<const ClientDataSet *>(object)) {
            props.insert(QStringLiteral("ProviderName"), cds->ProviderName);
            props.insert(QStringLiteral("CommandText"), cds->CommandText);
            className = QStringLiteral("ClientDataSet");
        }
        props.insert(QStringLiteral("Active"), ds->active());
        if (ds->active())
            props.insert(QStringLiteral("data"), RemoteValue::fromVariant(QVariant::fromValue(ds->data())));
    }
    return QJsonObject{{kClass, className}, {kName, object->objectName()}, {kProps, props}};
}

JsonUnMarshal::JsonUnMarshal()
{
    registerClass(QStringLiteral("QObject"), [] { return new QObject; });
    registerClass(QStringLiteral("SQLConnection"), [] { return new SQLConnection; });
    registerClass(QStringLiteral("SQLDataSet"), [] { return new QueryDataSet; });
    registerClass(QStringLiteral("ClientDataSet"), [] { return new MemoryDataSet; });
}

void JsonUnMarshal::registerClass(const QString &className, std::function<QObject *()> factory)
{
    m_factories.insert(className, std::move(factory));
}

QObject *JsonUnMarshal::createObject(const QJsonValue &json) const
{
    if (json.isNull())
        return nullptr;
    const QJsonObject o = json.toObject();
    const QString className = o.value(kClass).toString();
    const auto factory = m_factories.constFind(className);
    if (!json.isObject() || factory == m_factories.constEnd())
        throw KvoError(QStringLiteral("Não é possível converter de JSON um objeto da classe '%1'.")
                           .arg(className));
    std::unique_ptr<QObject> object((*factory)());
    object->setObjectName(o.value(kName).toString());
    const QJsonObject props = o.value(kProps).toObject();
    auto text = [&](const char *key) { return props.value(QLatin1String(key)).toString(); };

    if (auto *c = qobject_cast<SQLConnection *>(object.get())) {
        c->DriverName = text("DriverName");
        c->ConnectionName = text("ConnectionName");
        c->GetDriverFunc = text("GetDriverFunc");
        c->LibraryName = text("LibraryName");
        c->VendorLib = text("VendorLib");
        for (const QJsonValue &line : props.value(QStringLiteral("Params")).toArray())
            c->Params.append(line.toString());
        c->LoadParamsOnConnect = props.value(QStringLiteral("LoadParamsOnConnect")).toBool(true);
        c->LoginPrompt = props.value(QStringLiteral("LoginPrompt")).toBool(true);
        // The server's connection state is not ours: the copy starts closed.
    } else if (auto *q = dynamic_cast<QueryDataSet *>(object.get())) {
        q->CommandText = text("CommandText");
        if (props.contains(QStringLiteral("data")))
            q->load(RemoteValue::toVariant(props.value(QStringLiteral("data"))).value<RecordData>());
    } else if (auto *cds = qobject_cast<ClientDataSet *>(object.get())) {
        cds->ProviderName = text("ProviderName");
        cds->CommandText = text("CommandText");
        if (props.contains(QStringLiteral("data")))
            cds->setData(RemoteValue::toVariant(props.value(QStringLiteral("data"))).value<RecordData>());
    }
    const QMetaObject *meta = object->metaObject();
    for (auto it = props.begin(); it != props.end(); ++it) {
        const int index = meta->indexOfProperty(it.key().toLatin1().constData());
        if (index < QObject::staticMetaObject.propertyCount())
            continue;
        const QMetaProperty p = meta->property(index);
        if (p.isWritable())
            p.write(object.get(), RemoteValue::toVariant(it.value()));
    }
    return object.release();
}
