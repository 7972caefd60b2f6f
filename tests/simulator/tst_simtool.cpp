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
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

const QString kStorage = QStringLiteral("ROOT\\Microsoft\\Windows\\Storage");

} // namespace

class TestSimTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QFileInfo::exists(qEnvironmentVariable("TESSALINE_BIN_DIR") + QStringLiteral("/tessaline-sim"))); }

    void resetAndShow()
    {
        TestMachine tm;
        QCOMPARE(runTool({QStringLiteral("reset")}).exitCode, 0);
        QCOMPARE(toJson(tm.read()), toJson(demoMachine()));
        const Run show = runTool({QStringLiteral("show")});
        QCOMPARE(show.exitCode, 0);
        for (const char *expected : {"Disk 0", "Disk 2", "Windows", "MSR", "(free)", "H:  type 5"})
            QVERIFY2(show.out.contains(expected), expected);
        QCOMPARE(runTool({QStringLiteral("reset"), QStringLiteral("--empty")}).exitCode, 0);
        QVERIFY(tm.read().disks.isEmpty());
        QCOMPARE(runTool({QStringLiteral("reset"), QStringLiteral("--bogus")}).exitCode, 2);
    }

    void queryPrintsTypedProperties()
    {
        TestMachine tm(TestMachine::Start::Demo);
        const Run r = runTool({QStringLiteral("query"), kStorage, QStringLiteral("SELECT Number, Size, OperationalStatus FROM MSFT_Disk WHERE Number = 1")});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray all = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(all.size(), 1);
        const QJsonObject disk = all[0].toObject();
        QCOMPARE(disk[QStringLiteral("Number")].toObject()[QStringLiteral("vt")].toInt(), 3);
        QCOMPARE(disk[QStringLiteral("Size")].toObject()[QStringLiteral("vt")].toInt(), 8);
        QCOMPARE(disk[QStringLiteral("Size")].toObject()[QStringLiteral("value")].toString(), QStringLiteral("1000204886016"));
        const QJsonObject status = disk[QStringLiteral("OperationalStatus")].toObject();
        QCOMPARE(status[QStringLiteral("vt")].toInt(), 0x2003);
        QCOMPARE(status[QStringLiteral("value")].toArray(), QJsonArray({53264}));
        QVERIFY(disk.contains(QStringLiteral("__PATH")));
        QVERIFY(!disk.contains(QStringLiteral("FriendlyName")));
    }

    void callCreatesAPartition()
    {
        TestMachine tm(TestMachine::Start::Demo);
        const Run r = runTool({QStringLiteral("call"), kStorage, QStringLiteral("MSFT_Disk.ObjectId=\"{sim}disk:1\""),
                               QStringLiteral("CreatePartition"), QStringLiteral("Size=1073741824"),
                               QStringLiteral("DriveLetter=K")});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject out = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(out[QStringLiteral("ReturnValue")].toObject()[QStringLiteral("value")].toInt(), 0);
        const QJsonObject created = out[QStringLiteral("CreatedPartition")].toObject();
        QCOMPARE(created[QStringLiteral("vt")].toInt(), 13);
        const QJsonObject partition = created[QStringLiteral("value")].toObject();
        QCOMPARE(partition[QStringLiteral("PartitionNumber")].toObject()[QStringLiteral("value")].toInt(), 3);
        QCOMPARE(partition[QStringLiteral("Size")].toObject()[QStringLiteral("value")].toString(), QString::number(kGiB));
        QVERIFY(tm.read().letterInUse(QStringLiteral("K")));
    }

    void errorsNameTheHResult_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("hresult");
        QTest::newRow("namespace") << QStringList{"query", "ROOT\\Nowhere", "SELECT * FROM MSFT_Disk"} << "0x8004100E";
        QTest::newRow("class") << QStringList{"query", kStorage, "SELECT * FROM MSFT_Volume"} << "0x80041010";
        QTest::newRow("query") << QStringList{"query", kStorage, "SELECT FROM"} << "0x80041017";
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
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.err.contains(hresult.toLatin1()), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestSimTool)
#include "tst_simtool.moc"
