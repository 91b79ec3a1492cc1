#pragma once

#include <QHash>
#include <QJsonValue>
#include <QString>
#include <functional>

class QObject;

// Converts objects to JSON for the application server and back.
//
// An object travels as {"class": class name, "objectName": ..., "properties": {...}}:
// its readable, stored Qt properties that have a wire value (RemoteValue), and for our
// own classes their settings: SQLConnection its connection settings, SQLDataSet its
// command text, any DataSet its rows ("data", a data set value) when it is open.
class JsonMarshal
{
public:
    // Throws KvoError when a value cannot travel.
    QJsonValue marshal(const QObject *object) const;
};

class JsonUnMarshal
{
public:
    JsonUnMarshal();

    // A new object of the class the JSON names, filled from it; the caller owns it.
    // Throws KvoError for a class without a factory or a malformed value.
    QObject *createObject(const QJsonValue &json) const;

    // Factories by class name; QObject, SQLConnection, SQLDataSet and ClientDataSet are known.
    void registerClass(const QString &className, std::function<QObject *()> factory);

private:
    QHash<QString, std::function<QObject *()>> m_factories;
};
