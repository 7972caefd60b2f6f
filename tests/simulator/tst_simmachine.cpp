#include "simulator/geometry.h"
#include "simulator/machine.h"
#include "support/testmachine.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>


using namespace sim;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool parse(const QByteArray &json, Machine *m, QString *error = nullptr)
{
    return fromJson(QJsonDocument::fromJson(json).object(), m, error);
}

} // namespace

class TestSimMachine : public QObject
{
    Q_OBJECT

private slots:
    void largeNumbersStayExact()
    {
        Machine m = emptyMachine(), back;
        m.disks.append(Disk());
        m.disks[0].size = (1LL << 53) + 4097 * 512LL; // not representable as a double
        m.writeBytesPerSecond = 123456789;
        m.partitionTypeProperty = true;
        QVERIFY(parse(QJsonDocument(toJson(m)).toJson(), &back));
        QCOMPARE(back.disks[0].size, m.disks[0].size);
        QVERIFY(back.writeBytesPerSecond == m.writeBytesPerSecond && back.partitionTypeProperty);
        QVERIFY(parse(R"({"disks":[{"number":0,"size":"9007199254743041"}]})", &back)); // decimal text too
        QCOMPARE(back.disks[0].size, 9007199254743041LL);
        // What a bare disk and machine default to.
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(back.disks[0].friendlyName, back.disks[0].partitionStyle,
                                                 back.disks[0].operationalStatus)
                     .arg(back.queryLatencyMs + back.connectLatencyMs + back.methodLatencyMs),
                 "Simulated Disk 0 GPT Online 0");
        // The edges of what is taken: a ReFS volume, drive type 6, faults given as null.
        QVERIFY(parse(R"({"disks":[{"number":0,"size":10485760,"partitions":[{"number":1,"offset":1048576,"size":1048576,)"
                      R"("volume":{"fileSystem":"ReFS"}}]}],"otherDrives":[{"letter":"R","driveType":6}],"faults":null})", &back));
        QCOMPARE(back.otherDrives.value(0).driveType, 6);
    }

    void malformedMachinesAreRejectedAndKept_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("mentions");
        const QByteArray disk = R"({"disks":[{"number":0,"size":10485760,"partitionStyle":"MBR","partitions":[{"number":1,"offset":512,"size":512)";
        // What no disk can hold, each naming the partition: a 10 MiB GPT disk has sectors 34 to 20446.
        auto layout = [](const char *style, const char *partitions) {
            return QByteArray("{\"disks\":[{\"number\":0,\"size\":10485760,\"partitionStyle\":\"") + style
                   + "\",\"partitions\":[" + partitions + "]}]}";
        };
        QTest::newRow("gpt: before the first usable sector") << layout("GPT", R"({"number":1,"offset":1048576,"size":512},{"number":2,"offset":16896,"size":512})") << "partition 2 starts before the first usable sector";
        QTest::newRow("gpt: after the last usable sector") << layout("GPT", R"({"number":3,"offset":1048576,"size":9420800})") << "partition 3 ends after the last usable sector";
        QTest::newRow("mbr: on the boot sector") << layout("MBR", R"({"number":1,"offset":0,"size":512})") << "partition 1 starts on the MBR disk's boot sector";
        QTest::newRow("offset off the sectors") << layout("MBR", R"({"number":4,"offset":1048577,"size":512})") << "partition 4: offset and size must be whole 512-byte sectors";
        QTest::newRow("size off the sectors") << layout("GPT", R"({"number":2,"offset":1048576,"size":1048575})") << "partition 2: offset and size must be whole";
        QTest::newRow("overlap") << layout("MBR", R"({"number":2,"offset":1048576,"size":2097152},{"number":1,"offset":3145216,"size":1048576})") << "partitions 1 and 2 overlap";
        QTest::newRow("logical drives overlap") << layout("MBR", R"({"number":1,"offset":1048576,"size":8388608,"type":"Extended"},{"number":5,"offset":2097152,"size":2097152,"type":"Logical"},{"number":6,"offset":4193792,"size":1048576,"type":"Logical"})") << "partitions 5 and 6 overlap";
        QTest::newRow("logical outside the extended") << layout("MBR", R"({"number":1,"offset":1048576,"size":2097152,"type":"Extended"},{"number":5,"offset":2097152,"size":2097152,"type":"Logical"})") << "partition 5 is logical but not inside";
        QTest::newRow("logical on gpt") << layout("GPT", R"({"number":1,"offset":1048576,"size":2097152,"type":"Logical"})") << "partition 1: a GPT disk has no extended";
        QTest::newRow("style") << QByteArray(R"({"disks":[{"number":0,"size":1000000,"partitionStyle":"APM"}]})") << "partitionStyle";
        QTest::newRow("beyond the disk") << QByteArray(R"({"disks":[{"number":0,"size":1048576,"partitions":[{"number":1,"offset":1024,"size":1048576}]}]})") << "beyond";
        QTest::newRow("partition number twice") << disk + R"(},{"number":1,"offset":1024,"size":512}]}]})" << "disks[0].partitions[1]: partition number 1 is used twice";
        QTest::newRow("letter twice") << disk + R"(,"volume":{"fileSystem":"NTFS","letter":"E"}}]}],"otherDrives":[{"letter":"e","driveType":5}]})" << "twice";
        QTest::newRow("disks not a list") << QByteArray(R"({"disks":{"number":0}})") << "\"disks\" must be an array";
        QTest::newRow("other drive not an object") << QByteArray(R"({"otherDrives":[{"letter":"R"},5]})") << "otherDrives[1]";
        QTest::newRow("faults not a list") << QByteArray(R"({"faults":{}})") << "\"faults\" must be an array";
        QTest::newRow("other drive letter twice") << QByteArray(R"({"otherDrives":[{"letter":"R"},{"letter":"r"}]})") << "drive letter R is used twice";
        QTest::newRow("drive type 7") << QByteArray(R"({"otherDrives":[{"letter":"R","driveType":7}]})") << "\"driveType\" must be 0 to 6";
        QTest::newRow("fault times zero") << QByteArray(R"({"faults":[{"target":"wmi.query","times":0}]})") << "times";
        QTest::newRow("empty disk") << QByteArray(R"({"disks":[{"number":0,"size":0}]})") << "\"size\" must be at least 1";
        QTest::newRow("latency below 0") << QByteArray(R"({"connectLatencyMs":-5})") << "\"connectLatencyMs\" must be a number";
        QTest::newRow("latency not a number") << QByteArray(R"({"methodLatencyMs":"fast"})") << "\"methodLatencyMs\" must be a number";
        QTest::newRow("not json") << QByteArray("{\"disks\": [") << "JSON";
    }
    void malformedMachinesAreRejectedAndKept()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, mentions);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("m.json")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(json) == json.size());
        f.close();
        MachineStore store(f.fileName());
        Machine m;
        QString error;
        QVERIFY(!store.read(&m, &error));
        QVERIFY2(error.contains(mentions, Qt::CaseInsensitive), qPrintable(error));
        QVERIFY(!store.modify([](Machine &) { return true; }, &error));
        QCOMPARE(readAll(f.fileName()), json); // a broken file is never overwritten
    }

    void defaultPathFirstUseAndDeclinedChange()
    {
        QTemporaryDir dir;
        const QByteArray previous = qgetenv("TESSALINE_SIM_MACHINE");
        const QString path = dir.filePath(QStringLiteral("nested/folder/machine.json"));
        qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(path));
        QCOMPARE(MachineStore::defaultPath(), path);
        qunsetenv("TESSALINE_SIM_MACHINE");
        QVERIFY(MachineStore::defaultPath().endsWith(QLatin1String("/tessaline/simulated-machine.json")));
        qputenv("TESSALINE_SIM_MACHINE", previous);

        MachineStore store(path);
        Machine m;
        QVERIFY(store.read(&m)); // created from the demo machine on first use
        QCOMPARE(toJson(m), toJson(demoMachine()));
        const QByteArray before = readAll(path);
        QVERIFY(store.modify([](Machine &m) {
            m.timeScale = 7;
            return false;
        }));
        QCOMPARE(readAll(path), before);

        // A folder that cannot be made (a file stands in its place) is said, on reading and writing.
        QString why;
        MachineStore blocked(path + QStringLiteral("/machine.json"));
        QVERIFY(!blocked.read(&m, &why));
        QCOMPARE(why, "cannot create the folder " + path);
        QVERIFY(!blocked.modify([](Machine &) { return true; }, &why));
        QCOMPARE(why, "cannot create the folder " + path);
    }

    void faultsMatchCountDownAndDisappear()
    {
        TestMachine tm;
        tm.addFault(R"({"target":"wmi.query","match":"MSFT_Partition","hresult":"0x80041017","times":2})");
        tm.addFault(R"({"target":"wmi.query","hresult":-2147217394})");
        tm.addFault(R"({"target":"tool.diskpart","exitCode":5,"times":"1"})");
        QVERIFY(tm.write());
        MachineStore store = tm.store();
        auto code = [&](const char *target, const char *subject) {
            const auto f = store.takeFault(QLatin1String(target), QLatin1String(subject));
            return f ? faultCode(*f, QStringLiteral("hresult")).value_or(0) : -1;
        };
        // The first entry matches partition queries only (in any case); the second anything, forever.
        QCOMPARE(code("wmi.query", "SELECT * FROM MSFT_Disk"), qint32(0x8004100E));
        QCOMPARE(code("WMI.Query", "select * from msft_partition"), qint32(0x80041017));
        QCOMPARE(code("wmi.query", "SELECT * FROM MSFT_Partition"), qint32(0x80041017));
        QCOMPARE(code("wmi.query", "SELECT * FROM MSFT_Partition"), qint32(0x8004100E)); // the spent one is gone
        QCOMPARE(code("tool.diskpart", ""), 0);
        QCOMPARE(code("tool.diskpart", ""), -1);
        QCOMPARE(code("wmi.method", "MSFT_Disk.CreatePartition"), -1);
        QCOMPARE(tm.read().faults.size(), 1);

        // Codes as hex text, unsigned or negative numbers; anything else is no code.
        for (const char *json : {R"({"c":"0x80041003"})", R"({"c":2147749891})", R"({"c":-2147217405})"})
            QCOMPARE(faultCode(QJsonDocument::fromJson(json).object(), "c"), std::optional<qint32>(qint32(0x80041003)));
        for (const char *json : {R"({"c":1.5})", R"({"c":4294967296})", R"({})"})
            QVERIFY(!faultCode(QJsonDocument::fromJson(json).object(), "c"));
    }

    // Checking for a fault that is not there takes no exclusive lock.
    void faultCheckTakesNoExclusiveLock()
    {
        TestMachine tm;
        MachineStore store(tm.path());
        const quint64 locks = MachineStore::counters().exclusiveLocks;
        QVERIFY(!store.takeFault(QStringLiteral("test.marker"), QStringLiteral("x-0")));
        QVERIFY(!store.takeFault(QStringLiteral("test.marker"), QStringLiteral("x-0")));
        QCOMPARE(MachineStore::counters().exclusiveLocks, locks);
    }

    void concurrentWritersLoseNothing()
    {
        TestMachine tm;
        const int perWriter = 60;
        const QString writer = QStandardPaths::findExecutable(QStringLiteral("sim_machine_writer"),
                                                              {QCoreApplication::applicationDirPath()});
        QVERIFY(!writer.isEmpty());
        // Two threads of this process and two other processes at once. The threads start
        // first: ThreadSanitizer cannot follow a thread started after QProcess forked.
        auto inProcess = [&](const QString &tag) {
            MachineStore store(tm.path());
            for (int i = 0; i < perWriter; ++i)
                store.modify([&](Machine &m) {
                    m.faults.append(QJsonObject{{QStringLiteral("target"), QStringLiteral("test.marker")},
                                                {QStringLiteral("match"), QStringLiteral("%1-%2").arg(tag).arg(i)}});
                    return true;
                });
        };
        std::thread c(inProcess, QStringLiteral("c"));
        std::thread d(inProcess, QStringLiteral("d"));
        QProcess a, b;
        a.start(writer, {tm.path(), QStringLiteral("a"), QString::number(perWriter)});
        b.start(writer, {tm.path(), QStringLiteral("b"), QString::number(perWriter)});
        c.join();
        d.join();
        QVERIFY(a.waitForFinished(60000) && b.waitForFinished(60000));
        QCOMPARE(a.exitCode() + b.exitCode(), 0);

        QSet<QString> seen;
        for (const QJsonValue &f : tm.read().faults)
            seen.insert(f.toObject().value(QStringLiteral("match")).toString());
        QCOMPARE(seen.size(), 4 * perWriter);
    }
};

QTEST_GUILESS_MAIN(TestSimMachine)
#include "tst_simmachine.moc"
