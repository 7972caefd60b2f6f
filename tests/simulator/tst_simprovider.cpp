#include "platform/simulated/simulatedplatform.h"
#include "simulator/provider.h"
#include "support/testmachine.h"
#include "wmi.h"

#include <QtTest>

using namespace sim;
using platform::Variant;
using Vol = TestMachine::Vol;
namespace hr = platform::hr;

namespace {

// "Size=1G;Offset=10G+1M;DriveLetter=E;UseMaximumSize=true;AccessPath='K:": sizes as decimal text (the
// uint64 form Windows accepts everywhere), a letter as a char16, true/false as Booleans, ' marks text.
wmi::Params parseParams(const QString &params)
{
    wmi::Params out;
    for (const QString &item : params.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString value = item.section(QLatin1Char('='), 1);
        Variant v = Variant::boolean(value == QLatin1String("true"));
        if (value.size() == 1 && value[0].isLetter()) {
            v.vt = platform::VT_I2;
            v.integer = value[0].unicode();
        } else if (value.startsWith(QLatin1Char('\''))) {
            v = wmi::bstr(value.mid(1));
        } else if (value != QLatin1String("true") && value != QLatin1String("false")) {
            qint64 total = 0;
            const qint64 scale[] = {1, kMiB, kGiB, kTiB};
            for (const QString &term : value.split(QLatin1Char('+'))) {
                const int unit = QStringLiteral("MGT").indexOf(term.back()) + 1;
                total += (unit ? term.chopped(1) : term).toLongLong() * scale[unit];
            }
            v = wmi::u64v(total);
        }
        out.emplace_back(item.section(QLatin1Char('='), 0, 0).toStdString(), v);
    }
    return out;
}

// One method call on a partition (or, with partition 0, on the disk) and what it leaves.
struct MethodCase
{
    int disk, partition;
    const char *method;
    QString params;
    int returnValue;
    qint64 offset;  // CreatePartition: of the new partition, -1 when none is made
    qint64 size;    // of the new or changed partition; -1: as it was
    QString letter; // of the new or changed partition; "-": no volume, "*": as it was
};

} // namespace

Q_DECLARE_METATYPE(MethodCase)

class TestSimProvider : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(platform::succeeded(platform::current().coInitializeEx(platform::COINIT_MULTITHREADED))); }

    void wql_data()
    {
        QTest::addColumn<QString>("ns");
        QTest::addColumn<QString>("query");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<int>("count");
        const QString st = wmi::kStorage, cv = wmi::kCimv2;
        QTest::newRow("keywords in any case") << st << "select * from msft_partition where disknumber = 1" << hr::Ok << 2;
        QTest::newRow("and") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 0 AND PartitionNumber = 3" << hr::Ok << 1;
        QTest::newRow("and binds tighter") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 1 AND PartitionNumber = 2 OR DiskNumber = 2" << hr::Ok << 2;
        QTest::newRow("uint64 by value") << st << "SELECT * FROM MSFT_Partition WHERE Size = 17179869184" << hr::Ok << 1;
        QTest::newRow("text") << cv << "SELECT * FROM Win32_LogicalDisk WHERE DeviceID = 'e:'" << hr::Ok << 1;
        // Only the disks a WHERE clause pins are looked at; the clause still decides.
        QTest::newRow("disks pinned in every group") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 0 OR DiskNumber = 2" << hr::Ok << 6;
        QTest::newRow("a group that pins no disk") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 2 OR Size = 17179869184" << hr::Ok << 2;
        QTest::newRow("pinned disk, further condition") << st << "SELECT * FROM MSFT_Partition WHERE IsBoot = TRUE AND DiskNumber = 0" << hr::Ok << 1;
        QTest::newRow("no such disk") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 7" << hr::Ok << 0;
        QTest::newRow("disk number as text") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = '1'" << hr::Ok << 0;
        QTest::newRow("disks by number") << st << "SELECT * FROM MSFT_Disk WHERE Number = 0 OR number = 2" << hr::Ok << 2;
        QTest::newRow("unknown class") << st << "SELECT * FROM MSFT_Volume" << hr::WbemInvalidClass << 0;
        QTest::newRow("class of another namespace") << cv << "SELECT * FROM MSFT_Disk" << hr::WbemInvalidClass << 0;
        QTest::newRow("unknown property") << st << "SELECT Foo FROM MSFT_Disk" << hr::WbemInvalidQuery << 0;
        QTest::newRow("no type without the option") << st << "SELECT Type FROM MSFT_Partition" << hr::WbemInvalidQuery << 0;
        QTest::newRow("other operator") << st << "SELECT * FROM MSFT_Disk WHERE Number > 0" << hr::WbemInvalidQuery << 0;
        QTest::newRow("dangling and") << st << "SELECT * FROM MSFT_Disk WHERE Number = 0 AND" << hr::WbemInvalidQuery << 0;
    }
    void wql()
    {
        QFETCH(QString, ns);
        QFETCH(QString, query);
        TestMachine tm(TestMachine::Start::Demo);
        platform::HResult got = hr::Fail;
        QTEST(int(wmi::query(*wmi::open(ns), query, &got).size()), "count");
        QTEST(got, "result");
    }

    void projectionLanguageAndFreshness()
    {
        TestMachine tm(TestMachine::Start::Demo);
        auto cim = wmi::open(wmi::kCimv2);
        // The storage manager's own query: three named properties plus the system ones.
        const auto wanted = wmi::query(*cim, QStringLiteral("SELECT DeviceID, FileSystem, VolumeName FROM Win32_LogicalDisk WHERE DriveType=2 OR DriveType=3"));
        QVERIFY(!wanted.empty());
        QStringList names;
        for (const std::wstring &n : wanted[0]->propertyNames())
            if (!QString::fromStdWString(n).startsWith(QLatin1String("__")))
                names << QString::fromStdWString(n);
        QCOMPARE(names, QStringList({"DeviceID", "FileSystem", "VolumeName"}));
        QVERIFY(!wmi::text(*wanted[0], "__PATH").isEmpty());

        std::unique_ptr<platform::WbemEnumerator> e;
        auto s = wmi::open();
        QCOMPARE(s->execQuery(L"SQL", L"SELECT * FROM MSFT_Disk", 48, e), hr::WbemInvalidQueryType);
        // Every query reads the file as it is now.
        tm.addDisk(7, 10 * kGiB);
        QVERIFY(tm.write());
        QCOMPARE(wmi::query(*s, QStringLiteral("SELECT * FROM MSFT_Disk")).size(), std::size_t(5));
    }

    void methodEffectsAndCodes_data()
    {
        QTest::addColumn<MethodCase>("c");
        const qint64 none = -1;
        const auto row = [](const char *name, const MethodCase &c) { QTest::newRow(name) << c; };
        // CreatePartition: on disk 0 the largest free extent starts at 34 GiB, the new number is 2.
        row("largest extent", {0, 0, "CreatePartition", "Size=1G", 0, 34 * kGiB, kGiB, ""});
        row("offset aligned up", {0, 0, "CreatePartition", "Size=1G;Offset=10G+1M+4096", 0, 10 * kGiB + 2 * kMiB, kGiB, ""});
        row("maximum size", {0, 0, "CreatePartition", "UseMaximumSize=true", 0, 34 * kGiB, 66 * kGiB - kMiB, ""});
        row("size and maximum", {0, 0, "CreatePartition", "Size=1G;UseMaximumSize=true", 5, none, 0, ""});
        row("more than the largest extent", {0, 0, "CreatePartition", "Size=67G", 40000, none, 0, ""});
        row("offset in a partition", {0, 0, "CreatePartition", "Size=1G;Offset=5G", 41012, none, 0, ""});
        row("offset: the region is too small", {0, 0, "CreatePartition", "Size=11G;Offset=10G+1M", 40000, none, 0, ""});
        row("letter asked", {0, 0, "CreatePartition", "Size=1G;DriveLetter=K", 0, 34 * kGiB, kGiB, "K"});
        row("letter taken: made without", {0, 0, "CreatePartition", "Size=1G;DriveLetter=E", 42002, 34 * kGiB, kGiB, ""});
        row("letter A", {0, 0, "CreatePartition", "Size=1G;DriveLetter=A", 0, 34 * kGiB, kGiB, "A"});
        row("letter past Z", {0, 0, "CreatePartition", "Size=1G;DriveLetter=Ä", 5, none, 0, ""});
        row("letter assigned", {0, 0, "CreatePartition", "Size=1G;AssignDriveLetter=true", 0, 34 * kGiB, kGiB, "D"});
        row("unknown gpt type", {0, 0, "CreatePartition", "Size=1G;GptType='{00000000-0000-0000-0000-000000000001}'", 41010, none, 0, ""});
        row("gpt type on mbr", {1, 0, "CreatePartition", "Size=1G;GptType='{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}'", 41006, none, 0, ""});
        row("mbr maximum stops at 2 TiB", {1, 0, "CreatePartition", "UseMaximumSize=true", 0, kMiB, 2 * kTiB - kMiB, ""});
        row("mbr past 2 TiB", {1, 0, "CreatePartition", "Size=2T", 41011, none, 0, ""});
        row("mbr fifth partition", {2, 0, "CreatePartition", "Size=1G", 41004, none, 0, ""});
        row("offline", {3, 0, "CreatePartition", "Size=1G", 41003, none, 0, ""});
        row("read-only", {4, 0, "CreatePartition", "Size=1G", 41002, none, 0, ""});
        row("not initialized", {5, 0, "CreatePartition", "Size=1G", 41000, none, 0, ""});
        // Resize: E: may shrink to its 4 GiB in use plus 1 % (which beats 64 MiB) and grow to 20 GiB.
        row("ntfs to the floor", {0, 1, "Resize", "Size=4G+107374592", 0, 0, 4 * kGiB + 107374592, "*"});
        row("ntfs below the floor", {0, 1, "Resize", "Size=4G+107374080", 4097, 0, none, "*"});
        row("ntfs into all the free space", {0, 1, "Resize", "Size=20G", 0, 0, 20 * kGiB, "*"});
        row("ntfs past the free space", {0, 1, "Resize", "Size=20G+512", 4097, 0, none, "*"});
        row("ntfs: 64 MiB beats 1 %", {0, 6, "Resize", "Size=1G+63M", 4097, 0, none, "*"});
        row("no size", {0, 1, "Resize", "", 5, 0, none, "*"});
        row("fat32", {0, 3, "Resize", "Size=8G", 42009, 0, none, "*"});
        row("no volume shrinks far", {0, 5, "Resize", "Size=16M", 0, 0, 16 * kMiB, "*"});
        row("resize offline", {3, 1, "Resize", "Size=2G", 41003, 0, none, "*"});
        row("resize read-only", {4, 1, "Resize", "Size=2G", 41002, 0, none, "*"});
        // AddAccessPath: C: and H: are held by other drives.
        row("free letter, root form", {0, 5, "AddAccessPath", "AccessPath='k:\\", 0, 0, none, "K"});
        row("taken by a partition", {0, 3, "AddAccessPath", "AccessPath='E:", 42002, 0, none, "*"});
        row("taken by a dvd drive", {0, 3, "AddAccessPath", "AccessPath='H:", 42002, 0, none, "*"});
        row("next free letter", {0, 3, "AddAccessPath", "AssignDriveLetter=true", 0, 0, none, "D"});
        row("a folder", {0, 3, "AddAccessPath", "AccessPath='C:\\mnt\\data\\", 1, 0, none, "*"});
        row("second letter for a volume", {0, 1, "AddAccessPath", "AccessPath='K:", 42002, 0, none, "*"});
        row("msr", {0, 4, "AddAccessPath", "AccessPath='K:", 42007, 0, none, "*"});
    }
    void methodEffectsAndCodes()
    {
        QFETCH(MethodCase, c);
        TestMachine tm;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, 10 * kGiB, "Primary", Vol("NTFS", "", "E", 4 * kGiB));
        tm.addPartition(0, 20 * kGiB + kMiB, 10 * kGiB, "Primary", Vol("FAT32", "Data", "", kGiB), 3);
        tm.addPartition(0, 30 * kGiB + kMiB, 16 * kMiB, "MSR", std::nullopt, 4);
        tm.addPartition(0, 31 * kGiB, kGiB, "Primary", std::nullopt, 5);
        tm.addPartition(0, 32 * kGiB, 2 * kGiB, "Primary", Vol("NTFS", "", "G", kGiB), 6);
        tm.addDisk(1, 3 * kTiB, "MBR");
        tm.addDisk(2, 10 * kGiB, "MBR");
        for (int i = 0; i < 4; ++i)
            tm.addPartition(2, kMiB + i * kGiB, kGiB);
        tm.addDisk(3, 10 * kGiB).operationalStatus = "Offline";
        tm.addDisk(4, 10 * kGiB).readOnly = true;
        for (int d : {3, 4})
            tm.addPartition(d, kMiB, kGiB, "Primary", Vol("NTFS", "", "", kMiB));
        tm.addDisk(5, 10 * kGiB, "RAW");
        tm.addOtherDrive("C", 3, "NTFS", "", kGiB);
        tm.addOtherDrive("H", 5);
        QVERIFY(tm.write());
        const Machine before = tm.read();

        auto s = wmi::open();
        const wmi::Object target = c.partition ? wmi::partition(*s, c.disk, c.partition) : wmi::disk(*s, c.disk);
        const wmi::Call call = wmi::call(*s, *target, c.method, parseParams(c.params));
        QCOMPARE(call.hr, hr::Ok);
        QCOMPARE(call.returnValue(), c.returnValue);
        const Machine after = tm.read();

        int number = c.partition;
        if (!number) { // CreatePartition: the new partition takes the lowest unused number
            const Variant created = wmi::get(*call.out, "CreatedPartition");
            QCOMPARE(created.vt, c.offset < 0 ? platform::VT_NULL : platform::VT_UNKNOWN);
            if (c.offset < 0) {
                QCOMPARE(TestMachine::fingerprint(after), TestMachine::fingerprint(before)); // nothing changed at all
                return;
            }
            number = wmi::get(*created.object, "PartitionNumber").lVal();
            QCOMPARE(number, c.disk == 0 ? 2 : 1);
            QCOMPARE(wmi::u64(*created.object, "Offset"), c.offset);
            QCOMPARE(wmi::u64(*created.object, "Size"), c.size);
        }
        QCOMPARE(TestMachine::fingerprint(after, c.disk, number), TestMachine::fingerprint(before, c.disk, number));
        const Partition *was = TestMachine::find(before, c.disk, number), *now = TestMachine::find(after, c.disk, number);
        QVERIFY(now);
        QCOMPARE(now->offset, was ? was->offset : c.offset);
        QCOMPARE(now->size, c.size >= 0 ? c.size : was->size);
        const QString letterBefore = was && was->volume ? was->volume->letter : QStringLiteral("-");
        QCOMPARE(now->volume ? now->volume->letter : QStringLiteral("-"), c.letter == "*" ? letterBefore : c.letter);
        if (!was) {
            QCOMPARE(now->volume->fileSystem, QString()); // never formatted here
        } else if (was->volume) { // resize and letters keep the volume's identity and content
            QCOMPARE(now->volume->serial + now->volume->guid, was->volume->serial + was->volume->guid);
            QCOMPARE(now->volume->usedBytes, was->volume->usedBytes);
        }
    }

    // Initialize on RAW disks of each kind: the code, then the disk's style and partitions
    // ("type@offset+size" in bytes). RemoveAccessPath takes only the letter the volume has.
    void initializeAndRemoveCodes()
    {
        struct Case { const char *method; int disk; const char *params; int code; const char *after; };
        const Case cases[] = {
            {"Initialize", 0, "", 41001, "GPT Primary@1048576+1073741824 E"},
            {"Initialize", 1, "", 0, "GPT MSR@17408+16759808"},
            {"Initialize", 1, "PartitionStyle=1", 0, "MBR"},
            {"Initialize", 1, "PartitionStyle=3", 41010, "RAW"},
            {"Initialize", 2, "PartitionStyle=2", 0, "GPT"}, // 20 MiB: too small for the reserved partition
            {"Initialize", 3, "PartitionStyle=2", 41014, "RAW"},
            {"Initialize", 4, "", 41002, "RAW"},
            {"Initialize", 5, "", 41003, "RAW"},
            {"RemoveAccessPath", 0, "AccessPath='F:\\", 42007, "GPT Primary@1048576+1073741824 E"},
            {"RemoveAccessPath", 0, "AccessPath='e:", 0, "GPT Primary@1048576+1073741824"},
        };
        for (const Case &c : cases) {
            TestMachine tm;
            tm.addDisk(0, 10 * kGiB);
            tm.addPartition(0, kMiB, kGiB, "Primary", Vol("NTFS", "", "E"));
            tm.addDisk(1, 10 * kGiB, "RAW");
            tm.addDisk(2, 20 * kMiB, "RAW");
            tm.addDisk(3, 512 * kKiB, "RAW");
            tm.addDisk(4, 10 * kGiB, "RAW").readOnly = true;
            tm.addDisk(5, 10 * kGiB, "RAW").operationalStatus = "Offline";
            QVERIFY(tm.write());
            auto s = wmi::open();
            const wmi::Object target = c.disk == 0 && c.method[0] == 'R' ? wmi::partition(*s, 0, 1) : wmi::disk(*s, c.disk);
            wmi::Params params = parseParams(c.params);
            if (QByteArray(c.params).startsWith("PartitionStyle")) // a uint16, as Windows declares it
                params = {{"PartitionStyle", Variant::i4(QByteArray(c.params).back() - '0')}};
            QCOMPARE(wmi::call(*s, *target, c.method, params).returnValue(), c.code);
            const Disk d = *tm.read().disk(c.disk); // a copy: the machine read is a temporary
            QStringList after{d.partitionStyle};
            for (const Partition &p : d.partitions)
                after << QStringLiteral("%1@%2+%3").arg(p.type).arg(p.offset).arg(p.size)
                      << (p.volume && !p.volume->letter.isEmpty() ? p.volume->letter : QString());
            after.removeAll(QString());
            QCOMPARE(after.join(' '), QLatin1String(c.after));
        }
    }

    // An MBR disk whose extended partition holds two logical drives and 5117 MiB of free space
    // after its boot record; outside it the disk has 7691 MiB (16 GiB) or 1547 MiB (10 GiB).
    void logicalDrives_data()
    {
        QTest::addColumn<int>("diskGiB");
        QTest::addColumn<QString>("params");
        QTest::addColumn<int>("returnValue");
        QTest::addColumn<QString>("made"); // type@offset+size in MiB
        QTest::newRow("largest outside: primary") << 16 << "Size=1G" << 0 << "Primary@8693+1024";
        QTest::newRow("largest inside: logical after a boot record") << 10 << "Size=1G" << 0 << "Logical@3576+1024";
        QTest::newRow("maximum inside") << 10 << "UseMaximumSize=true" << 0 << "Logical@3576+5117";
        QTest::newRow("offset inside") << 16 << "Size=1G;Offset=4G" << 0 << "Logical@4096+1024";
        QTest::newRow("offset on the boot record") << 16 << "Size=1G;Offset=3575M" << 41012 << "";
        QTest::newRow("offset between logical drives") << 16 << "Size=1G;Offset=2550M" << 41012 << "";
        QTest::newRow("more than the extended holds") << 16 << "Size=5118M;Offset=3576M" << 40000 << "";
        QTest::newRow("offset after it: primary") << 16 << "Size=1G;Offset=9G" << 0 << "Primary@9216+1024";
    }
    void logicalDrives()
    {
        QFETCH(int, diskGiB);
        QFETCH(QString, params);
        QFETCH(int, returnValue);
        TestMachine tm;
        tm.addDisk(1, diskGiB * kGiB, "MBR");
        tm.addPartition(1, kMiB, 500 * kMiB, "System", Vol("NTFS", "System Reserved"));
        tm.addPartition(1, 501 * kMiB, 8 * kGiB, "Extended");
        tm.addPartition(1, 502 * kMiB, 2 * kGiB, "Logical", Vol("NTFS", "Windows", "C"));
        tm.addPartition(1, 2551 * kMiB, kGiB, "Logical");
        QVERIFY(tm.write());
        const Machine before = tm.read();
        auto s = wmi::open();
        const wmi::Call call = wmi::call(*s, *wmi::disk(*s, 1), "CreatePartition", parseParams(params));
        QCOMPARE(call.returnValue(), returnValue);
        const Machine after = tm.read();
        QCOMPARE(TestMachine::fingerprint(after, 1, 5), TestMachine::fingerprint(before));
        const Partition *p = TestMachine::find(after, 1, 5);
        QTEST(p ? QStringLiteral("%1@%2+%3").arg(p->type).arg(p->offset / kMiB).arg(p->size / kMiB) : QString(), "made");
    }

    void methodCallErrors()
    {
        TestMachine tm(TestMachine::Start::Demo);
        auto s = wmi::open();
        wmi::Object cls, in, out;
        QCOMPARE(s->getObject(L"MSFT_Partition", cls), hr::Ok);
        QCOMPARE(cls->getMethod(L"SetSize", in, out), hr::WbemNotFound); // as on Windows: only Resize

        const std::wstring path = wmi::get(*wmi::partition(*s, 1, 1), "__PATH").text;
        QCOMPARE(s->execMethod(L"MSFT_Partition.ObjectId=\"{sim}disk:1", L"Resize", 0, nullptr, out), hr::WbemInvalidObjectPath);
        // A path names one partition: once it has moved, the path is stale though the number lives on.
        QVERIFY(tm.store().modify([](Machine &m) {
            Partition &q = m.disk(1)->partitions[0];
            q.offset += kMiB;
            q.size -= kMiB;
            return true;
        }));
        QCOMPARE(s->execMethod(path, L"GetSupportedSize", 0, nullptr, out), hr::WbemNotFound);
        const std::wstring relative = wmi::get(*wmi::partition(*s, 1, 1), "__RELPATH").text;
        QCOMPARE(s->execMethod(relative, L"GetSupportedSize", 0, nullptr, out), hr::Ok);
    }

    // Each kind of call costs its own latency, scaled by the time scale, a failing call too; and
    // each is counted once.
    void latencyPerCall()
    {
        TestMachine tm(TestMachine::Start::Demo);
        tm.setTimeScale(0.5);
        QStringList got;
        for (double Machine::*key : {&Machine::connectLatencyMs, &Machine::queryLatencyMs, &Machine::methodLatencyMs}) {
            tm.machine().*key = 200; // 100 ms at half speed
            QVERIFY(tm.write());
            tm.machine().*key = 0;
            auto slow = [f = TestMachine::slowdown()](qint64 ms) { return ms < 100 * f ? "-" : ms < 300 * f ? "slow" : "too slow"; };
            const sim::ProviderCounters before = sim::providerCounters();
            QElapsedTimer timer;
            timer.start();
            auto s = wmi::open();
            QStringList row{slow(timer.restart())};
            wmi::query(*s, QStringLiteral("SELECT * FROM Win32_Nothing"));
            row << slow(timer.restart());
            const wmi::Object target = wmi::partition(*s, 0, 3);
            timer.restart();
            QCOMPARE(wmi::call(*s, *target, "GetSupportedSize").returnValue(), 0);
            row << slow(timer.elapsed());
            const sim::ProviderCounters after = sim::providerCounters();
            row << QStringLiteral("%1/%2/%3").arg(after.connections - before.connections)
                       .arg(after.queries - before.queries).arg(after.methods - before.methods);
            got << row.join(u' ');
        }
        QCOMPARE(got, (QStringList{"slow - - 1/2/1", "- slow - 1/2/1", "- - slow 1/2/1"}));
    }

    // Put converts to the parameter's CIM type as WMI does, or refuses (the contract has the rest).
    void parameterPutTypes()
    {
        TestMachine tm(TestMachine::Start::Demo);
        wmi::Object cls, in, out, params;
        QCOMPARE(wmi::open()->getObject(L"MSFT_Disk", cls), hr::Ok);
        QCOMPARE(cls->getMethod(L"CreatePartition", in, out), hr::Ok);
        QCOMPARE(in->spawnInstance(params), hr::Ok);
        Variant ui8 = Variant::i8(kGiB);
        ui8.vt = platform::VT_UI8;
        struct Put { const char *name; Variant value; int cimType; int storedVt; }; // 0: a type mismatch
        const Put puts[] = {{"Size", ui8, 0, platform::VT_BSTR},
                            {"Size", wmi::bstr("1"), platform::CIM_STRING, 0},
                            {"Size", Variant::i8(-1), 0, 0},
                            {"Alignment", Variant::ui4(0xFFFFFFFFu), 0, platform::VT_I4},
                            {"Alignment", Variant::i8(0x100000000LL), 0, 0},
                            {"DriveLetter", wmi::bstr("E"), 0, platform::VT_I2},
                            {"DriveLetter", wmi::bstr("E:"), 0, 0},
                            {"UseMaximumSize", Variant::i4(1), 0, 0}};
        for (const Put &p : puts) {
            QCOMPARE(params->put(wmi::w(QLatin1String(p.name)), p.value, p.cimType), p.storedVt ? hr::Ok : hr::WbemTypeMismatch);
            if (p.storedVt)
                QCOMPARE(int(wmi::get(*params, p.name).vt), p.storedVt);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimProvider)
#include "tst_simprovider.moc"
