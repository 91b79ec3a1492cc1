// The loadable modules (network and charts) are loaded on first use: the program starts
// without them, a missing module is a clear error that loses nothing, and a later use
// loads it once it can be found.
#include "ClientDataSet.h"
#include "DataSource.h"
#include "Error.h"
#include "GridChartView.h"
#include "RecordingUiServices.h"
#include "RemoteServerConnection.h"
#include "TestAppServer.h"

#include <QTemporaryDir>
#include <QTest>

class TestModules : public QObject
{
    Q_OBJECT

    QByteArray moduleDir;
    QTemporaryDir empty;

private slots:
    void initTestCase()
    {
        moduleDir = qgetenv("GERLOCK_MODULE_DIR");
        QVERIFY2(!moduleDir.isEmpty(), "the tests name the modules' folder in GERLOCK_MODULE_DIR");
    }
    void cleanup() { qputenv("GERLOCK_MODULE_DIR", moduleDir); }

    void networkModuleMissingThenFound()
    {
        TestAppServer server;
        RemoteServerConnection connection;
        connection.Port = server.port();
        connection.TimeoutMs = 10000;

        qputenv("GERLOCK_MODULE_DIR", empty.path().toLocal8Bit());
        QString message;
        try {
            connection.Open();
        } catch (const KvoError &e) {
            message = e.message();
        }
        QVERIFY2(message.startsWith("Não foi possível carregar o módulo gerlock-http: "), qPrintable(message));
        QVERIFY(!connection.Connected());

        qputenv("GERLOCK_MODULE_DIR", moduleDir);
        connection.Open();
        QVERIFY(connection.Connected());
        QCOMPARE(connection.requestsSent(), 1); // the failed attempt sent nothing
    }

    void chartModuleMissingThenFound()
    {
        ScopedUi ui;
        ClientDataSet ds;
        RecordData rows;
        rows.fields = {{"Mes", FieldType::String, 3, false}, {"Total", FieldType::Float, 0, false}};
        rows.cells = {QStringLiteral("jan"), 10.0, QStringLiteral("fev"), 20.0};
        ds.setData(rows);
        DataSource source;
        source.setDataSet(&ds);
        GridChartView chart;
        chart.setDataSource(&source);
        chart.Categories.DataBinding.FieldName = QStringLiteral("Mes");
        chart.CreateSeries(QStringLiteral("serieTotal"))->DataBinding.FieldName = QStringLiteral("Total");

        // Shown without its module: the standard error box, an empty view, no crash.
        qputenv("GERLOCK_MODULE_DIR", empty.path().toLocal8Bit());
        chart.resize(300, 200);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QCOMPARE(ui->errors.size(), 1);
        QVERIFY2(ui->errors.first().text.startsWith("Não foi possível carregar o módulo gerlock-charts: "),
                 qPrintable(ui->errors.first().text));
        QVERIFY(!chart.chartBuilt());

        // Once the module can be found, the next change builds the chart.
        qputenv("GERLOCK_MODULE_DIR", moduleDir);
        chart.optionsChanged();
        QCOMPARE(ui->errors.size(), 1);
        QVERIFY(chart.chartBuilt());
        QVERIFY(chart.chart());
    }
};

QTEST_MAIN(TestModules)
#include "tst_modules.moc"
