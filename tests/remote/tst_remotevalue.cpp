#include "Error.h"
#include "JsonMarshal.h"
#include "RemoteValue.h"
#include "SQLConnection.h"
#include "SQLDataSet.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <cmath>

class TestRemoteValue : public QObject
{
    Q_OBJECT
private slots:
    void valuesKeepTheirType_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("null") << QVariant();
        QTest::newRow("true") << QVariant(true);
        QTest::newRow("int") << QVariant(-2147483647 - 1);
        QTest::newRow("int64 beyond 2^53") << QVariant(qlonglong(9007199254740993LL));
        QTest::newRow("int64 min") << QVariant(std::numeric_limits<qlonglong>::min());
        QTest::newRow("double") << QVariant(0.1);
        QTest::newRow("double integral") << QVariant(2.0);
        QTest::newRow("text") << QVariant(QStringLiteral("ação 'x' \"y\" \\ \n"));
        QTest::newRow("empty text") << QVariant(QString(""));
        QTest::newRow("datetime ms") << QVariant(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 123)));
        QTest::newRow("date") << QVariant(QDate(1999, 12, 31));
        QTest::newRow("time") << QVariant(QTime(7, 8, 9, 10));
        QTest::newRow("bytes") << QVariant(QByteArray("\x00\xff\x01 z", 5));
    }

    void valuesKeepTheirType()
    {
        QFETCH(QVariant, value);
        // through the text of a request, as it travels
        const QJsonValue wire = RemoteValue::fromVariant(value);
        const QJsonDocument doc = QJsonDocument::fromJson(QJsonDocument(QJsonObject{{"v", wire}}).toJson());
        const QVariant back = RemoteValue::toVariant(doc.object().value("v"));
        QCOMPARE(back.typeId(), value.isValid() ? value.typeId() : QMetaType::UnknownType);
        QCOMPARE(back, value);
    }

    void nonFiniteDoubles()
    {
        QVERIFY(std::isnan(RemoteValue::toVariant(RemoteValue::fromVariant(std::nan(""))).toDouble()));
        QCOMPARE(RemoteValue::toVariant(RemoteValue::fromVariant(-INFINITY)).toDouble(), -INFINITY);
    }

    void malformedValuesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("number without type") << QByteArray(R"({"v": 5})");
        QTest::newRow("two members") << QByteArray(R"({"v": {"int32": 1, "double": 2}})");
        QTest::newRow("unknown type") << QByteArray(R"({"v": {"decimal": "1"}})");
        QTest::newRow("int32 overflow") << QByteArray(R"({"v": {"int32": 2147483648}})");
        QTest::newRow("int32 fraction") << QByteArray(R"({"v": {"int32": 1.5}})");
        QTest::newRow("int64 text") << QByteArray(R"({"v": {"int64": "12a"}})");
        QTest::newRow("bad base64") << QByteArray(R"({"v": {"bytes": "@@@"}})");
        QTest::newRow("bad datetime") << QByteArray(R"({"v": {"datetime": "yesterday"}})");
        QTest::newRow("row too short") << QByteArray(
            R"({"v": {"dataset": {"fields": [{"name": "A", "type": "Integer", "size": 0}], "rows": [[]]}}})");
        QTest::newRow("unknown field type") << QByteArray(
            R"({"v": {"dataset": {"fields": [{"name": "A", "type": "Money", "size": 0}], "rows": []}}})");
    }

    void malformedValuesAreRefused()
    {
        QFETCH(QByteArray, json);
        const QJsonValue v = QJsonDocument::fromJson(json).object().value("v");
        QVERIFY_THROWS_EXCEPTION(KvoError, RemoteValue::toVariant(v));
    }

    void dataSetKeepsFieldsAndCellTypes()
    {
        RecordData data;
        data.fields = {{"ID", FieldType::Integer, 0},
                       {"BIG", FieldType::LargeInt, 0},
                       {"NOME", FieldType::String, 60, true},
                       {"VALOR", FieldType::Float, 0},
                       {"QUANDO", FieldType::DateTime, 0},
                       {"DOC", FieldType::Blob, 0}};
        data.cells = {1, qlonglong(1) << 40, QStringLiteral("Configuração"), 1.5,
                      QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 6)), QByteArray("\0\1", 2),
                      QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()};
        const RecordData back = RemoteValue::toRecordData(
            QJsonDocument::fromJson(QJsonDocument(RemoteValue::fromRecordData(data).toObject()).toJson()).object());
        QCOMPARE(back.fields, data.fields);
        QCOMPARE(back.rowCount(), 2);
        for (int i = 0; i < data.cells.size(); ++i) {
            QCOMPARE(back.cells.at(i).typeId(), data.cells.at(i).typeId());
            QCOMPARE(back.cells.at(i), data.cells.at(i));
        }
    }

    void objectsRoundTrip()
    {
        SQLConnection c;
        c.setObjectName("SQLConnection1");
        c.DriverName = "DevartSQLServer";
        c.Params = QStringList{"HostName=srv", "DataBase=vestra"};
        c.LoginPrompt = false;
        JsonMarshal marshal;
        JsonUnMarshal unmarshal;
        std::unique_ptr<QObject> back(unmarshal.createObject(marshal.marshal(&c)));
        auto *copy = qobject_cast<SQLConnection *>(back.get());
        QVERIFY(copy);
        QCOMPARE(copy->objectName(), QString("SQLConnection1"));
        QCOMPARE(copy->DriverName, c.DriverName);
        QCOMPARE(copy->Params, c.Params);
        QCOMPARE(copy->LoginPrompt, false);
        QVERIFY(!copy->Connected());

        QObject plain;
        plain.setObjectName("frmPrincipal");
        plain.setProperty("dynamic", 5); // dynamic properties are not part of the class
        std::unique_ptr<QObject> plainBack(unmarshal.createObject(marshal.marshal(&plain)));
        QCOMPARE(plainBack->objectName(), QString("frmPrincipal"));

        QVERIFY_THROWS_EXCEPTION(KvoError, unmarshal.createObject(QJsonObject{{"class", "TForm"}}));
        QCOMPARE(unmarshal.createObject(QJsonValue::Null), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestRemoteValue)
#include "tst_remotevalue.moc"
