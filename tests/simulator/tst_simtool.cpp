#include "support/testmachine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

using namespace sim;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("TESSALINE_BIN_DIR") + QStringLiteral("/tessaline-sim"), args);
    if (!p.waitForFinished(30000))
        return Run();
    return Run{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// {"vt": ..., "value": ...} of one printed property.
QJsonValue vt(const QJsonObject &o, const char *name) { return o[QLatin1String(name)][QLatin1String("vt")]; }
QJsonValue value(const QJsonObject &o, const char *name) { return o[QLatin1String(name)][QLatin1String("value")]; }

const QString kStorage = QStringLiteral("ROOT\\Microsoft\\Windows\\Storage");

} // namespace

class TestSimTool : public QObject
{
    Q_OBJECT

private slots:
    void resetAndShow()
    {
        TestMachine tm;
        QCOMPARE(runTool({"reset"}).exitCode, 0);
        QCOMPARE(toJson(tm.read()), toJson(demoMachine()));
        const Run show = runTool({"show"});
        QCOMPARE(show.exitCode, 0);
        for (const char *expected : {"Disk 0", "Disk 2", "Windows", "MSR", "(free)", "H:  type 5"})
            QVERIFY2(show.out.contains(expected), expected);
        QCOMPARE(runTool({"reset", "--empty"}).exitCode, 0);
        QVERIFY(tm.read().disks.isEmpty());
        QCOMPARE(runTool({"reset", "--bogus"}).exitCode, 2);
    }

    void queryPrintsTypedProperties()
    {
        TestMachine tm(TestMachine::Start::Demo);
        const Run r = runTool({"query", kStorage, "SELECT Number, Size, OperationalStatus FROM MSFT_Disk WHERE Number = 1"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray all = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(all.size(), 1);
        const QJsonObject disk = all[0].toObject();
        QCOMPARE(vt(disk, "Number").toInt(), 3);
        QCOMPARE(vt(disk, "Size").toInt(), 8);
        QCOMPARE(value(disk, "Size").toString(), QStringLiteral("1000204886016"));
        QCOMPARE(vt(disk, "OperationalStatus").toInt(), 0x2003);
        QCOMPARE(value(disk, "OperationalStatus").toArray(), QJsonArray({53264}));
        QVERIFY(disk.contains(QStringLiteral("__PATH")));
        QVERIFY(!disk.contains(QStringLiteral("FriendlyName")));
    }

    void callCreatesAPartition()
    {
        TestMachine tm(TestMachine::Start::Demo);
        const Run r = runTool({"call", kStorage, "MSFT_Disk.ObjectId=\"{sim}disk:1\"", "CreatePartition",
                               "Size=1073741824", "DriveLetter=K"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject out = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(value(out, "ReturnValue").toInt(), 0);
        QCOMPARE(vt(out, "CreatedPartition").toInt(), 13);
        const QJsonObject partition = value(out, "CreatedPartition").toObject();
        QCOMPARE(value(partition, "PartitionNumber").toInt(), 3);
        QCOMPARE(value(partition, "Size").toString(), QString::number(kGiB));
        QVERIFY(tm.read().letterInUse(QStringLiteral("K")));
        // A flag given as true: the rest of the free space.
        const Run rest = runTool({"call", kStorage, "MSFT_Disk.ObjectId=\"{sim}disk:1\"", "CreatePartition", "UseMaximumSize=true"});
        QCOMPARE(rest.exitCode, 0);
        QCOMPARE(value(QJsonDocument::fromJson(rest.out).object(), "ReturnValue"), QJsonValue(0));
    }

    void errorsNameTheHResult_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("hresult");
        QTest::newRow("namespace") << QStringList{"query", "ROOT\\Nowhere", "SELECT * FROM MSFT_Disk"} << "0x8004100E";
        QTest::newRow("path") << QStringList{"call", kStorage, "MSFT_Partition.ObjectId=\"{sim}disk:7:partition:1:offset:0\"", "GetSupportedSize"} << "0x80041002";
        QTest::newRow("method") << QStringList{"call", kStorage, "MSFT_Partition.ObjectId=\"x\"", "Shrink"} << "0x8004102E";
        QTest::newRow("parameter type") << QStringList{"call", kStorage, "MSFT_Disk.ObjectId=\"{sim}disk:1\"", "CreatePartition", "Size=huge"} << "0x80041005";
    }
    void errorsNameTheHResult()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, hresult);
        TestMachine tm(TestMachine::Start::Demo);
        const Run r = runTool(args);
        QVERIFY(r.exitCode > 0);
        QVERIFY2(r.err.contains(hresult.toLatin1()), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestSimTool)
#include "tst_simtool.moc"
