#include "simulator/geometry.h"
#include "simulator/machine.h"
#include "support/testmachine.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using namespace sim;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeRaw(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QJsonObject parse(const char *json) { return QJsonDocument::fromJson(QByteArray(json)).object(); }

} // namespace

class TestSimMachine : public QObject
{
    Q_OBJECT

private slots:
    void demoRoundTripsAndMatchesItsDescription()
    {
        const Machine demo = demoMachine();
        Machine back;
        QString error;
        QVERIFY2(fromJson(toJson(demo), &back, &error), qPrintable(error));
        QCOMPARE(toJson(back), toJson(demo));

        // What a newcomer is promised: a GPT system disk with C: and D:, an MBR data disk with a
        // small gap and a larger free region, a removable FAT32 disk and an empty DVD drive.
        QCOMPARE(demo.disks.size(), 3);
        const Disk &sys = demo.disks[0];
        QCOMPARE(sys.partitionStyle, QStringLiteral("GPT"));
        QVERIFY(!sys.partitions[0].volume->fileSystem.isEmpty() && sys.partitions[0].volume->letter.isEmpty());
        QCOMPARE(sys.partitions[1].type, QStringLiteral("MSR"));
        QVERIFY(back.partitionByLetter(QStringLiteral("C")) && back.partitionByLetter(QStringLiteral("d")));
        QVERIFY(!geometry::freeExtents(sys).isEmpty());
        const QList<geometry::Extent> dataFree = geometry::freeExtents(demo.disks[1]);
        QCOMPARE(dataFree.size(), 2);
        QCOMPARE(dataFree[0].size, 60 * kMiB);
        QVERIFY(dataFree[1].size > 100 * kGiB);
        Disk *owner = nullptr;
        QCOMPARE(back.partitionByLetter(QStringLiteral("F"), &owner)->size, 16 * kGiB);
        QVERIFY(demo.disks[2].removable);
        QCOMPARE(demo.otherDrives.size(), 1);
        QCOMPARE(demo.otherDrives[0].driveType, 5);
        QVERIFY(back.letterInUse(QStringLiteral("H")));
        QVERIFY(!back.letterInUse(QStringLiteral("Z")));
    }

    void largeNumbersStayExact()
    {
        Machine m = emptyMachine();
        Disk d;
        d.number = 4;
        d.size = (1LL << 53) + 4097 * 512LL; // not representable as a double
        d.partitionStyle = QStringLiteral("GPT");
        m.disks.append(d);
        Machine back;
        QVERIFY(fromJson(QJsonDocument::fromJson(QJsonDocument(toJson(m)).toJson()).object(), &back, nullptr));
        QCOMPARE(back.disks[0].size, d.size);
        // Sizes may be written as decimal text too.
        QVERIFY(fromJson(parse(R"({"disks":[{"number":0,"size":"9007199254743041"}]})"), &back, nullptr));
        QCOMPARE(back.disks[0].size, 9007199254743041LL);
    }

    void malformedMachinesAreRejected_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("style") << QByteArray(R"({"disks":[{"number":0,"size":1000000,"partitionStyle":"APM"}]})") << "partitionStyle";
        QTest::newRow("fractional size") << QByteArray(R"({"disks":[{"number":0,"size":1.5}]})") << "size";
        QTest::newRow("missing size") << QByteArray(R"({"disks":[{"number":0}]})") << "size";
        QTest::newRow("disk twice") << QByteArray(R"({"disks":[{"number":0,"size":4096},{"number":0,"size":4096}]})") << "twice";
        QTest::newRow("beyond the disk") << QByteArray(R"({"disks":[{"number":0,"size":1048576,"partitions":[{"number":1,"offset":1024,"size":1048576}]}]})") << "beyond";
        QTest::newRow("partition number twice") << QByteArray(R"({"disks":[{"number":0,"size":10485760,"partitions":[{"number":1,"offset":0,"size":512},{"number":1,"offset":1024,"size":512}]}]})") << "twice";
        QTest::newRow("letter twice") << QByteArray(R"({"disks":[{"number":0,"size":10485760,"partitions":[{"number":1,"offset":0,"size":512,"volume":{"fileSystem":"NTFS","letter":"E"}}]}],"otherDrives":[{"letter":"e","driveType":5}]})") << "twice";
        QTest::newRow("bad letter") << QByteArray(R"({"otherDrives":[{"letter":"EF"}]})") << "letter";
        QTest::newRow("bad type") << QByteArray(R"({"disks":[{"number":0,"size":10485760,"partitions":[{"number":1,"offset":0,"size":512,"type":"Swap"}]}]})") << "type";
        QTest::newRow("bad file system") << QByteArray(R"({"disks":[{"number":0,"size":10485760,"partitions":[{"number":1,"offset":0,"size":512,"volume":{"fileSystem":"ext4"}}]}]})") << "fileSystem";
        QTest::newRow("partitions on a RAW disk") << QByteArray(R"({"disks":[{"number":0,"size":10485760,"partitionStyle":"RAW","partitions":[{"number":1,"offset":0,"size":512}]}]})") << "RAW";
        QTest::newRow("fault without target") << QByteArray(R"({"faults":[{"hresult":5}]})") << "target";
        QTest::newRow("fault times zero") << QByteArray(R"({"faults":[{"target":"wmi.query","times":0}]})") << "times";
        QTest::newRow("negative time scale") << QByteArray(R"({"timeScale":-1})") << "timeScale";
        QTest::newRow("not json") << QByteArray("{\"disks\": [") << "JSON";
        QTest::newRow("array") << QByteArray("[]") << "object";
    }
    void malformedMachinesAreRejected()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, mentions);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("m.json"));
        writeRaw(path, json);
        MachineStore store(path);
        Machine m;
        QString error;
        QVERIFY(!store.read(&m, &error));
        QVERIFY2(error.contains(mentions, Qt::CaseInsensitive), qPrintable(error));
        // A broken file is never overwritten by a change.
        QVERIFY(!store.modify([](Machine &) { return true; }, &error));
        QCOMPARE(readAll(path), json);
    }

    void defaultPathAndFirstUse()
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
        QVERIFY(store.read(&m));
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(toJson(m), toJson(demoMachine()));
    }

    void faultsCountDownAndDisappear()
    {
        TestMachine tm;
        tm.addFault(R"({"target":"wmi.query","match":"MSFT_Partition","hresult":"0x80041017","times":2})");
        tm.addFault(R"({"target":"wmi.query","hresult":-2147217394})");
        tm.addFault(R"({"target":"tool.diskpart","exitCode":5,"times":"1"})");
        QVERIFY(tm.write());
        MachineStore store = tm.store();

        // The first entry only matches partition queries; the second matches anything, forever.
        auto f = store.takeFault(QStringLiteral("wmi.query"), QStringLiteral("SELECT * FROM MSFT_Disk"));
        QVERIFY(f);
        QCOMPARE(faultCode(*f, QStringLiteral("hresult")), std::optional<qint32>(qint32(0x8004100E)));
        for (int i = 0; i < 2; ++i) {
            f = store.takeFault(QStringLiteral("WMI.Query"), QStringLiteral("select * from msft_partition"));
            QVERIFY(f);
            QCOMPARE(faultCode(*f, QStringLiteral("hresult")), std::optional<qint32>(qint32(0x80041017)));
        }
        f = store.takeFault(QStringLiteral("wmi.query"), QStringLiteral("SELECT * FROM MSFT_Partition"));
        QVERIFY(f);
        QCOMPARE(f->value(QStringLiteral("match")).toString(), QString()); // the spent one is gone
        QVERIFY(store.takeFault(QStringLiteral("tool.diskpart")));
        QVERIFY(!store.takeFault(QStringLiteral("tool.diskpart")));
        QVERIFY(!store.takeFault(QStringLiteral("wmi.method"), QStringLiteral("MSFT_Disk.CreatePartition")));
        QCOMPARE(tm.read().faults.size(), 1);
    }

    void faultCodeForms_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint32>("code");
        QTest::newRow("hex text") << QByteArray(R"({"c":"0x80041003"})") << true << qint32(0x80041003);
        QTest::newRow("unsigned number") << QByteArray(R"({"c":2147749891})") << true << qint32(0x80041003);
        QTest::newRow("negative number") << QByteArray(R"({"c":-2147217405})") << true << qint32(0x80041003);
        QTest::newRow("decimal text") << QByteArray(R"({"c":"41003"})") << true << 41003;
        QTest::newRow("fraction") << QByteArray(R"({"c":1.5})") << false << 0;
        QTest::newRow("too large") << QByteArray(R"({"c":4294967296})") << false << 0;
        QTest::newRow("missing") << QByteArray(R"({})") << false << 0;
    }
    void faultCodeForms()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        QFETCH(qint32, code);
        const auto c = faultCode(QJsonDocument::fromJson(json).object(), QStringLiteral("c"));
        QCOMPARE(c.has_value(), valid);
        if (valid)
            QCOMPARE(*c, code);
    }

    void modifyCanDecline()
    {
        TestMachine tm;
        const QByteArray before = readAll(tm.path());
        QVERIFY(tm.store().modify([](Machine &m) {
            m.timeScale = 7;
            return false;
        }));
        QCOMPARE(readAll(tm.path()), before);
    }

    void concurrentWritersLoseNothing()
    {
        TestMachine tm;
        const int perWriter = 60;
        const QString writer = QCoreApplication::applicationDirPath() + QStringLiteral("/sim_machine_writer");
        QVERIFY(QFileInfo::exists(writer));
        // Two threads of this process and two other processes at the same time. The threads
        // start first: ThreadSanitizer cannot follow a thread started after QProcess forked.
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
        QVERIFY(a.waitForFinished(60000));
        QVERIFY(b.waitForFinished(60000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);

        QSet<QString> seen;
        for (const QJsonValue &f : tm.read().faults)
            seen.insert(f.toObject().value(QStringLiteral("match")).toString());
        QCOMPARE(seen.size(), 4 * perWriter);
        for (const char *tag : {"a", "b", "c", "d"})
            QVERIFY(seen.contains(QStringLiteral("%1-%2").arg(QLatin1String(tag)).arg(perWriter - 1)));
    }
};

QTEST_GUILESS_MAIN(TestSimMachine)
#include "tst_simmachine.moc"
