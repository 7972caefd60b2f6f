#include "platform/simulated/simulatedplatform.h"
#include "simulator/provider.h"
#include "support/testmachine.h"
#include "wmi.h"

#include <QtTest>

using namespace sim;
using platform::Variant;
namespace hr = platform::hr;

namespace {

Variant charVariant(char c)
{
    Variant v;
    v.vt = platform::VT_I2;
    v.integer = c;
    return v;
}

// "Size=1G;Offset=10G+1M;DriveLetter=E;UseMaximumSize=true": sizes go in as decimal text (the
// uint64 form Windows accepts everywhere), one letter as a char16, true/false as Booleans.
std::vector<std::pair<const char *, Variant>> parseParams(const QString &spec, std::vector<QByteArray> &names)
{
    std::vector<std::pair<const char *, Variant>> out;
    names.clear();
    names.reserve(16);
    for (const QString &item : spec.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = item.section(QLatin1Char('='), 0, 0);
        const QString value = item.section(QLatin1Char('='), 1);
        names.push_back(name.toLatin1());
        Variant v;
        if (value == QLatin1String("true") || value == QLatin1String("false")) {
            v = Variant::boolean(value == QLatin1String("true"));
        } else if (value.size() == 1 && value[0].isLetter()) {
            v = charVariant(value[0].toLatin1());
        } else if (value.startsWith(QLatin1Char('\''))) {
            v = wmi::bstr(value.mid(1));
        } else {
            qint64 total = 0;
            for (const QString &term : value.split(QLatin1Char('+'))) {
                const QChar unit = term.back();
                const qint64 scale = unit == QLatin1Char('T') ? kTiB : unit == QLatin1Char('G') ? kGiB
                                   : unit == QLatin1Char('M') ? kMiB : 1;
                total += (scale == 1 ? term : term.chopped(1)).toLongLong() * scale;
            }
            v = wmi::u64v(total);
        }
        out.emplace_back(names.back().constData(), v);
    }
    return out;
}

// Geometry, number and volume identity of every partition but one, to prove nothing else moved.
QStringList fingerprint(const Machine &m, int skipDisk = -1, int skipNumber = -1)
{
    QStringList out;
    for (const Disk &d : m.disks)
        for (const Partition &p : d.partitions) {
            if (d.number == skipDisk && p.number == skipNumber)
                continue;
            out << QStringLiteral("%1:%2@%3+%4 %5 %6 %7 %8 %9")
                       .arg(d.number).arg(p.number).arg(p.offset).arg(p.size).arg(p.guid)
                       .arg(p.volume ? p.volume->serial : QString())
                       .arg(p.volume ? p.volume->usedBytes : -1)
                       .arg(p.volume ? p.volume->letter : QString())
                       .arg(p.volume ? p.volume->guid : QString());
        }
    return out;
}

} // namespace

class TestSimProvider : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(platform::succeeded(platform::current().coInitializeEx(platform::COINIT_MULTITHREADED))); }

    void diskPropertiesHaveWindowsTypes()
    {
        TestMachine tm;
        tm.addDisk(2, 3 * kTiB, QStringLiteral("GPT"));
        tm.addDisk(0, 500 * kGiB, QStringLiteral("MBR")).signature = 0xF0000001u;
        tm.addDisk(1, 100 * kGiB, QStringLiteral("RAW")).operationalStatus = QStringLiteral("Offline");
        tm.addPartition(0, kMiB, 10 * kGiB);
        QVERIFY(tm.write());
        auto s = wmi::storage();
        QVERIFY(s);
        const auto disks = wmi::query(*s, QStringLiteral("SELECT * FROM MSFT_Disk"));
        QCOMPARE(disks.size(), std::size_t(3));
        for (int i = 0; i < 3; ++i) // by number, whatever the file's order
            QCOMPARE(wmi::get(*disks[i], "Number").integer, i);

        const auto &big = *disks[2];
        QCOMPARE(wmi::get(big, "Number").vt, platform::VT_I4);
        QCOMPARE(wmi::get(big, "Size").vt, platform::VT_BSTR);
        QCOMPARE(wmi::text(big, "Size"), QString::number(3 * kTiB));
        QCOMPARE(wmi::u64(big, "LargestFreeExtent"), 3 * kTiB - 2 * kMiB);
        QCOMPARE(wmi::get(big, "PartitionStyle").integer, 2);
        QCOMPARE(wmi::get(big, "LogicalSectorSize").vt, platform::VT_I4);
        QCOMPARE(wmi::get(big, "Signature").vt, platform::VT_NULL);
        QVERIFY(wmi::text(big, "__PATH").contains(QLatin1String("MSFT_Disk")));

        const auto &mbr = *disks[0];
        QCOMPARE(wmi::get(mbr, "PartitionStyle").integer, 1);
        const Variant sig = wmi::get(mbr, "Signature"); // a uint32 of 2^31 or more arrives negative
        QCOMPARE(sig.vt, platform::VT_I4);
        QCOMPARE(sig.integer, qint64(qint32(0xF0000001u)));
        QVERIFY(sig.integer < 0);
        QCOMPARE(wmi::u64(mbr, "LargestFreeExtent"), 500 * kGiB - 10 * kGiB - kMiB);

        const Variant online = wmi::get(mbr, "OperationalStatus");
        QCOMPARE(online.vt, std::uint16_t(platform::VT_ARRAY | platform::VT_I4));
        QCOMPARE(online.integers, std::vector<std::int64_t>{53264});
        QCOMPARE(wmi::get(*disks[1], "OperationalStatus").integers, std::vector<std::int64_t>{53267});
        QCOMPARE(wmi::get(*disks[1], "PartitionStyle").integer, 0);
        QCOMPARE(wmi::u64(*disks[1], "LargestFreeExtent"), 0);
    }

    void partitionPropertiesHaveWindowsTypes_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("fileSystem"); // "-": no volume
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("gptType");
        QTest::addColumn<int>("mbrType");        // -1: null
        QTest::addColumn<int>("typeCode");
        QTest::newRow("gpt efi") << "GPT" << "System" << "FAT32" << "" << gpt::Efi << -1 << 1;
        QTest::newRow("gpt msr") << "GPT" << "MSR" << "-" << "" << gpt::Msr << -1 << 6;
        QTest::newRow("gpt data") << "GPT" << "Primary" << "NTFS" << "E" << gpt::BasicData << -1 << 2;
        QTest::newRow("gpt recovery") << "GPT" << "Recovery" << "NTFS" << "" << gpt::Recovery << -1 << 5;
        QTest::newRow("mbr ntfs") << "MBR" << "Primary" << "NTFS" << "E" << "" << 7 << 2;
        QTest::newRow("mbr fat32") << "MBR" << "Primary" << "FAT32" << "E" << "" << 12 << 2;
        QTest::newRow("mbr raw volume") << "MBR" << "Primary" << "" << "E" << "" << 7 << 2;
        QTest::newRow("mbr extended") << "MBR" << "Extended" << "-" << "" << "" << 15 << 3;
        QTest::newRow("mbr recovery") << "MBR" << "Recovery" << "NTFS" << "" << "" << 0x27 << 5;
        QTest::newRow("mbr oem") << "MBR" << "OEM" << "FAT32" << "" << "" << 0x12 << 8;
    }
    void partitionPropertiesHaveWindowsTypes()
    {
        QFETCH(QString, style);
        QFETCH(QString, type);
        QFETCH(QString, fileSystem);
        QFETCH(QString, letter);
        QFETCH(QString, gptType);
        QFETCH(int, mbrType);
        QFETCH(int, typeCode);
        TestMachine tm;
        tm.addDisk(3, 50 * kGiB, style);
        const bool hasVolume = fileSystem != QLatin1String("-");
        tm.addPartition(3, 2 * kMiB, 5 * kGiB, type,
                        hasVolume ? std::optional<TestMachine::Vol>(TestMachine::Vol(fileSystem, QString(), letter))
                                  : std::nullopt,
                        4);
        QVERIFY(tm.write());
        auto s = wmi::storage();
        auto p = wmi::partition(*s, 3, 4);
        QVERIFY(p);
        QCOMPARE(wmi::get(*p, "DiskNumber").vt, platform::VT_I4);
        QCOMPARE(wmi::get(*p, "PartitionNumber").integer, 4);
        QCOMPARE(wmi::text(*p, "Offset"), QString::number(2 * kMiB));
        QCOMPARE(wmi::u64(*p, "Size"), 5 * kGiB);
        QCOMPARE(wmi::get(*p, "IsActive").vt, platform::VT_BOOL);
        QCOMPARE(wmi::get(*p, "IsSystem").integer, type == QLatin1String("System") && style == QLatin1String("GPT") ? -1 : 0);
        QCOMPARE(wmi::text(*p, "GptType"), gptType);
        QCOMPARE(wmi::get(*p, "GptType").vt, gptType.isEmpty() ? platform::VT_NULL : platform::VT_BSTR);
        if (mbrType < 0)
            QCOMPARE(wmi::get(*p, "MbrType").vt, platform::VT_NULL);
        else
            QCOMPARE(wmi::get(*p, "MbrType").integer, mbrType);

        const Variant paths = wmi::get(*p, "AccessPaths");
        const Variant driveLetter = wmi::get(*p, "DriveLetter");
        QCOMPARE(driveLetter.vt, platform::VT_I2);
        if (!hasVolume) {
            QCOMPARE(paths.vt, platform::VT_NULL);
        } else {
            QCOMPARE(paths.vt, std::uint16_t(platform::VT_ARRAY | platform::VT_BSTR));
            const std::size_t volumeIndex = letter.isEmpty() ? 0 : 1;
            QCOMPARE(paths.texts.size(), volumeIndex + 1);
            if (!letter.isEmpty())
                QCOMPARE(QString::fromStdWString(paths.texts[0]), letter + QStringLiteral(":\\"));
            QVERIFY(QString::fromStdWString(paths.texts[volumeIndex]).startsWith(QLatin1String("\\\\?\\Volume{")));
        }
        QCOMPARE(driveLetter.integer, letter.isEmpty() ? 0 : letter.at(0).unicode());

        // Like Windows, no Type unless the machine asks for it.
        QCOMPARE(wmi::get(*p, "Type").vt, 0xFFFF);
        tm.setPartitionTypeProperty(true);
        QVERIFY(tm.write());
        p = wmi::partition(*s, 3, 4);
        const Variant t = wmi::get(*p, "Type");
        QCOMPARE(t.vt, platform::VT_I4);
        QCOMPARE(t.integer, typeCode);
    }

    void logicalDisks()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, 10 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Sys"), QStringLiteral("C"), 3 * kGiB, 4096));
        tm.addPartition(0, 20 * kGiB, 10 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QString(), QString(), QStringLiteral("R")));
        tm.addDisk(1, 16 * kGiB, QStringLiteral("MBR")).removable = true;
        tm.addPartition(1, kMiB, 8 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("FAT32"), QStringLiteral("STICK"), QStringLiteral("U")));
        tm.addDisk(2, 16 * kGiB, QStringLiteral("MBR")).operationalStatus = QStringLiteral("Offline");
        tm.addPartition(2, kMiB, 8 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QString(), QStringLiteral("O")));
        tm.addOtherDrive(QStringLiteral("H"), 5);
        tm.addOtherDrive(QStringLiteral("Z"), 4, QStringLiteral("NTFS"), QStringLiteral("share"), 2 * kTiB);
        QVERIFY(tm.write());
        auto s = wmi::cimv2();
        QVERIFY(s);

        const auto all = wmi::query(*s, QStringLiteral("SELECT * FROM Win32_LogicalDisk"));
        QStringList ids;
        for (const auto &o : all)
            ids << wmi::text(*o, "DeviceID") + QString::number(wmi::get(*o, "DriveType").integer);
        QCOMPARE(ids, QStringList({"C:3", "H:5", "R:3", "U:2", "Z:4"})); // offline disk: O: not mounted

        const auto c = all[0];
        QCOMPARE(wmi::text(*c, "FileSystem"), QStringLiteral("NTFS"));
        QCOMPARE(wmi::text(*c, "VolumeName"), QStringLiteral("Sys"));
        QCOMPARE(wmi::u64(*c, "Size"), 10 * kGiB);
        QCOMPARE(wmi::u64(*c, "FreeSpace"), 7 * kGiB);
        QCOMPARE(wmi::get(*all[2], "FileSystem").vt, platform::VT_NULL); // RAW
        QCOMPARE(wmi::get(*all[1], "FileSystem").vt, platform::VT_NULL); // no media
        QCOMPARE(wmi::text(*all[4], "VolumeName"), QStringLiteral("share"));

        // The storage manager's own query: removable and fixed only, three properties.
        const auto wanted = wmi::query(*s, QStringLiteral("SELECT DeviceID, FileSystem, VolumeName FROM Win32_LogicalDisk WHERE DriveType=2 OR DriveType=3"));
        QCOMPARE(wanted.size(), std::size_t(3));
        QStringList names;
        for (const std::wstring &n : wanted[0]->propertyNames())
            if (!QString::fromStdWString(n).startsWith(QLatin1String("__")))
                names << QString::fromStdWString(n);
        QCOMPARE(names, QStringList({"DeviceID", "FileSystem", "VolumeName"}));
        QCOMPARE(wmi::get(*wanted[0], "DriveType").vt, 0xFFFF);
        QVERIFY(!wmi::text(*wanted[0], "__PATH").isEmpty());
    }

    void wql_data()
    {
        QTest::addColumn<QString>("ns");
        QTest::addColumn<QString>("query");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<int>("count");
        const QString st = QStringLiteral("ROOT\\Microsoft\\Windows\\Storage");
        const QString cv = QStringLiteral("root\\cimv2");
        QTest::newRow("all partitions") << st << "SELECT * FROM MSFT_Partition" << hr::Ok << 8;
        QTest::newRow("keywords in any case") << st << "select * from msft_partition where disknumber = 1" << hr::Ok << 2;
        QTest::newRow("and") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 0 AND PartitionNumber = 3" << hr::Ok << 1;
        QTest::newRow("and, no match") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 1 AND PartitionNumber = 3" << hr::Ok << 0;
        QTest::newRow("or") << st << "SELECT Size FROM MSFT_Disk WHERE Number = 0 OR Number = 2" << hr::Ok << 2;
        QTest::newRow("and binds tighter") << st << "SELECT * FROM MSFT_Partition WHERE DiskNumber = 1 AND PartitionNumber = 2 OR DiskNumber = 2" << hr::Ok << 2;
        QTest::newRow("uint64 by value") << st << "SELECT * FROM MSFT_Partition WHERE Size = 17179869184" << hr::Ok << 1;
        QTest::newRow("text") << cv << "SELECT * FROM Win32_LogicalDisk WHERE DeviceID = 'e:'" << hr::Ok << 1;
        QTest::newRow("boolean") << st << "SELECT * FROM MSFT_Disk WHERE IsBoot = TRUE" << hr::Ok << 1;
        QTest::newRow("no spaces") << cv << "SELECT DeviceID FROM Win32_LogicalDisk WHERE DriveType=5" << hr::Ok << 1;
        QTest::newRow("unknown class") << st << "SELECT * FROM MSFT_Volume" << hr::WbemInvalidClass << 0;
        QTest::newRow("class of another namespace") << cv << "SELECT * FROM MSFT_Disk" << hr::WbemInvalidClass << 0;
        QTest::newRow("unknown property") << st << "SELECT Foo FROM MSFT_Disk" << hr::WbemInvalidQuery << 0;
        QTest::newRow("unknown property in where") << st << "SELECT * FROM MSFT_Disk WHERE Foo = 1" << hr::WbemInvalidQuery << 0;
        QTest::newRow("no type without the option") << st << "SELECT Type FROM MSFT_Partition" << hr::WbemInvalidQuery << 0;
        QTest::newRow("missing from") << st << "SELECT * MSFT_Disk" << hr::WbemInvalidQuery << 0;
        QTest::newRow("other operator") << st << "SELECT * FROM MSFT_Disk WHERE Number > 0" << hr::WbemInvalidQuery << 0;
        QTest::newRow("trailing text") << st << "SELECT * FROM MSFT_Disk garbage" << hr::WbemInvalidQuery << 0;
        QTest::newRow("dangling and") << st << "SELECT * FROM MSFT_Disk WHERE Number = 0 AND" << hr::WbemInvalidQuery << 0;
        QTest::newRow("empty") << st << "" << hr::WbemInvalidQuery << 0;
    }
    void wql()
    {
        QFETCH(QString, ns);
        QFETCH(QString, query);
        QFETCH(qint32, result);
        QFETCH(int, count);
        TestMachine tm(TestMachine::Start::Demo);
        std::unique_ptr<platform::WbemServices> s;
        QCOMPARE(wmi::connect(ns, s), hr::Ok);
        platform::HResult got = hr::Fail;
        const auto objects = wmi::query(*s, query, &got);
        QCOMPARE(got, result);
        QCOMPARE(int(objects.size()), count);
    }

    void queryLanguageMustBeWql()
    {
        TestMachine tm(TestMachine::Start::Demo);
        auto s = wmi::storage();
        std::unique_ptr<platform::WbemEnumerator> e;
        QCOMPARE(s->execQuery(L"SQL", L"SELECT * FROM MSFT_Disk", 48, e), hr::WbemInvalidQueryType);
        QVERIFY(!e);
    }

    void everyQueryReadsTheCurrentFile()
    {
        TestMachine tm(TestMachine::Start::Demo);
        auto s = wmi::storage();
        QCOMPARE(wmi::query(*s, QStringLiteral("SELECT * FROM MSFT_Disk")).size(), std::size_t(3));
        tm.addDisk(7, 10 * kGiB);
        QVERIFY(tm.write());
        QCOMPARE(wmi::query(*s, QStringLiteral("SELECT * FROM MSFT_Disk")).size(), std::size_t(4));
    }

    void createPartition_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("state");   // "", "offline", "readonly", "full"
        QTest::addColumn<QString>("params");
        QTest::addColumn<int>("returnValue");
        QTest::addColumn<qint64>("offset");   // of the new partition; -1: none is made
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("letter");
        // Disk 1 of 100 GiB: partition 1 at 1 MiB (10 GiB), partition 3 at 20 GiB (10 GiB), E: taken.
        // Free: [10 GiB + 1 MiB, 20 GiB) and [30 GiB, end).
        const qint64 gptEnd = 100 * kGiB - kMiB;
        QTest::newRow("largest extent") << "GPT" << "" << "Size=1G" << 0 << 30 * kGiB << kGiB << "";
        QTest::newRow("at an offset") << "GPT" << "" << "Size=1G;Offset=10G+1M" << 0 << 10 * kGiB + kMiB << kGiB << "";
        QTest::newRow("offset aligned up") << "GPT" << "" << "Size=1G;Offset=10G+1M+4096" << 0 << 10 * kGiB + 2 * kMiB << kGiB << "";
        QTest::newRow("maximum size") << "GPT" << "" << "UseMaximumSize=true" << 0 << 30 * kGiB << gptEnd - 30 * kGiB << "";
        QTest::newRow("maximum at an offset") << "GPT" << "" << "UseMaximumSize=true;Offset=10G+1M" << 0 << 10 * kGiB + kMiB << 10 * kGiB - kMiB << "";
        QTest::newRow("size and maximum") << "GPT" << "" << "Size=1G;UseMaximumSize=true" << 5 << qint64(-1) << qint64(0) << "";
        QTest::newRow("neither size nor maximum") << "GPT" << "" << "" << 5 << qint64(-1) << qint64(0) << "";
        QTest::newRow("more than the largest extent") << "GPT" << "" << "Size=71G" << 40000 << qint64(-1) << qint64(0) << "";
        QTest::newRow("offset in a partition") << "GPT" << "" << "Size=1G;Offset=5G" << 41012 << qint64(-1) << qint64(0) << "";
        QTest::newRow("letter asked") << "GPT" << "" << "Size=1G;DriveLetter=K" << 0 << 30 * kGiB << kGiB << "K";
        QTest::newRow("letter taken: made without") << "GPT" << "" << "Size=1G;DriveLetter=E" << 42002 << 30 * kGiB << kGiB << "";
        QTest::newRow("letter assigned") << "GPT" << "" << "Size=1G;AssignDriveLetter=true" << 0 << 30 * kGiB << kGiB << "C";
        QTest::newRow("letter and assign") << "GPT" << "" << "Size=1G;AssignDriveLetter=true;DriveLetter=K" << 5 << qint64(-1) << qint64(0) << "";
        QTest::newRow("gpt type on mbr") << "MBR" << "" << "Size=1G;GptType='{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}'" << 41006 << qint64(-1) << qint64(0) << "";
        QTest::newRow("unknown gpt type") << "GPT" << "" << "Size=1G;GptType='{00000000-0000-0000-0000-000000000001}'" << 41010 << qint64(-1) << qint64(0) << "";
        QTest::newRow("mbr fits") << "MBR" << "" << "Size=1G" << 0 << 30 * kGiB << kGiB << "";
        QTest::newRow("mbr fifth partition") << "MBR" << "full" << "Size=1G" << 41004 << qint64(-1) << qint64(0) << "";
        QTest::newRow("offline") << "GPT" << "offline" << "Size=1G" << 41003 << qint64(-1) << qint64(0) << "";
        QTest::newRow("read-only") << "GPT" << "readonly" << "Size=1G" << 41002 << qint64(-1) << qint64(0) << "";
        QTest::newRow("not initialized") << "RAW" << "" << "Size=1G" << 41000 << qint64(-1) << qint64(0) << "";
    }
    void createPartition()
    {
        QFETCH(QString, style);
        QFETCH(QString, state);
        QFETCH(QString, params);
        QFETCH(int, returnValue);
        QFETCH(qint64, offset);
        QFETCH(qint64, size);
        QFETCH(QString, letter);
        TestMachine tm;
        Disk &d = tm.addDisk(1, 100 * kGiB, style);
        d.operationalStatus = state == QLatin1String("offline") ? QStringLiteral("Offline") : QStringLiteral("Online");
        d.readOnly = state == QLatin1String("readonly");
        if (style != QLatin1String("RAW")) {
            tm.addPartition(1, kMiB, 10 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QString(), QStringLiteral("E")));
            tm.addPartition(1, 20 * kGiB, 10 * kGiB, QStringLiteral("Primary"), std::nullopt, 3);
            if (state == QLatin1String("full")) {
                tm.addPartition(1, 40 * kGiB, kGiB);
                tm.addPartition(1, 50 * kGiB, kGiB);
            }
        }
        QVERIFY(tm.write());
        const QStringList before = fingerprint(tm.read());

        auto s = wmi::storage();
        auto disk = wmi::disk(*s, 1);
        std::vector<QByteArray> names;
        const wmi::Call c = wmi::call(*s, *disk, "CreatePartition", parseParams(params, names));
        QCOMPARE(c.hr, hr::Ok);
        QCOMPARE(c.returnValue(), returnValue);

        const Machine after = tm.read();
        if (offset < 0) {
            QCOMPARE(fingerprint(after), before); // nothing changed at all
            QCOMPARE(wmi::get(*c.out, "CreatedPartition").vt, platform::VT_NULL);
            return;
        }
        const Variant created = wmi::get(*c.out, "CreatedPartition");
        QCOMPARE(created.vt, platform::VT_UNKNOWN);
        QVERIFY(created.object);
        const int number = wmi::get(*created.object, "PartitionNumber").lVal();
        QCOMPARE(number, 2); // the lowest number not in use
        QCOMPARE(wmi::u64(*created.object, "Offset"), offset);
        QCOMPARE(wmi::u64(*created.object, "Size"), size);
        QCOMPARE(fingerprint(after, 1, number), before);
        const Partition *p = nullptr;
        for (const Partition &q : after.disks[0].partitions)
            if (q.number == number)
                p = &q;
        QVERIFY(p);
        QCOMPARE(p->offset, offset);
        QVERIFY(p->volume);
        QCOMPARE(p->volume->fileSystem, QString()); // never formatted here
        QCOMPARE(p->volume->letter, letter);
        // The next query shows it.
        QVERIFY(wmi::partition(*s, 1, number));
    }

    void createPartitionBeyondMbrLimit()
    {
        TestMachine tm;
        tm.addDisk(1, 3 * kTiB, QStringLiteral("MBR"));
        QVERIFY(tm.write());
        auto s = wmi::storage();
        auto disk = wmi::disk(*s, 1);
        QCOMPARE(wmi::u64(*disk, "LargestFreeExtent"), 2 * kTiB - kMiB);
        QCOMPARE(wmi::call(*s, *disk, "CreatePartition", {{"Size", wmi::u64v(2 * kTiB)}}).returnValue(), 41011);
        QCOMPARE(wmi::call(*s, *disk, "CreatePartition", {{"Size", wmi::u64v(2 * kTiB - kMiB)}}).returnValue(), 0);
    }

    void resize_data()
    {
        QTest::addColumn<QString>("fileSystem"); // "-": no volume
        QTest::addColumn<QString>("state");
        QTest::addColumn<qint64>("newSize");
        QTest::addColumn<int>("returnValue");
        // Partition 2: 10 GiB at 1 GiB with 4 GiB in use; 5 GiB free after it, then partition 3.
        const qint64 size = 10 * kGiB;
        const qint64 ntfsMin = 4 * kGiB + (size / 100 + 511) / 512 * 512; // 1 % beats 64 MiB here
        QTest::newRow("ntfs to the floor") << "NTFS" << "" << ntfsMin << 0;
        QTest::newRow("ntfs below the floor") << "NTFS" << "" << ntfsMin - 512 << 4097;
        QTest::newRow("ntfs into all the free space") << "NTFS" << "" << size + 5 * kGiB << 0;
        QTest::newRow("ntfs past the free space") << "NTFS" << "" << size + 5 * kGiB + 512 << 4097;
        QTest::newRow("ntfs not whole sectors") << "NTFS" << "" << 8 * kGiB + 1 << 4097;
        QTest::newRow("fat32") << "FAT32" << "" << 8 * kGiB << 42009;
        QTest::newRow("exfat") << "exFAT" << "" << 12 * kGiB << 42009;
        QTest::newRow("raw volume shrinks far") << "" << "" << 16 * kMiB << 0;
        QTest::newRow("no volume") << "-" << "" << 12 * kGiB << 0;
        QTest::newRow("offline") << "NTFS" << "offline" << 8 * kGiB << 41003;
        QTest::newRow("read-only") << "NTFS" << "readonly" << 8 * kGiB << 41002;
        QTest::newRow("no size") << "NTFS" << "" << qint64(0) << 5;
    }
    void resize()
    {
        QFETCH(QString, fileSystem);
        QFETCH(QString, state);
        QFETCH(qint64, newSize);
        QFETCH(int, returnValue);
        TestMachine tm;
        Disk &d = tm.addDisk(0, 40 * kGiB, QStringLiteral("GPT"));
        d.operationalStatus = state == QLatin1String("offline") ? QStringLiteral("Offline") : QStringLiteral("Online");
        d.readOnly = state == QLatin1String("readonly");
        tm.addPartition(0, kMiB, kGiB - kMiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("A"), QStringLiteral("F"), kMiB));
        const bool hasVolume = fileSystem != QLatin1String("-");
        tm.addPartition(0, kGiB, 10 * kGiB, QStringLiteral("Primary"),
                        hasVolume ? std::optional<TestMachine::Vol>(TestMachine::Vol(fileSystem, QStringLiteral("B"), QStringLiteral("G"),
                                                                                     fileSystem.isEmpty() ? 0 : 4 * kGiB))
                                  : std::nullopt);
        tm.addPartition(0, 16 * kGiB, kGiB);
        QVERIFY(tm.write());
        const Machine before = tm.read();

        auto s = wmi::storage();
        auto p = wmi::partition(*s, 0, 2);
        std::vector<std::pair<const char *, Variant>> params;
        if (newSize > 0)
            params.emplace_back("Size", wmi::u64v(newSize));
        const wmi::Call c = wmi::call(*s, *p, "Resize", params);
        QCOMPARE(c.hr, hr::Ok);
        QCOMPARE(c.returnValue(), returnValue);

        const Machine after = tm.read();
        QCOMPARE(fingerprint(after, 0, 2), fingerprint(before, 0, 2));
        const Partition &was = before.disks[0].partitions[1];
        const Partition &now = after.disks[0].partitions[1];
        QCOMPARE(now.size, returnValue == 0 ? newSize : was.size);
        QCOMPARE(now.offset, was.offset);
        if (hasVolume) { // resize keeps the volume's identity and content
            QCOMPARE(now.volume->serial, was.volume->serial);
            QCOMPARE(now.volume->usedBytes, was.volume->usedBytes);
            QCOMPARE(now.volume->guid, was.volume->guid);
        }
        QCOMPARE(wmi::u64(*wmi::partition(*s, 0, 2), "Size"), now.size);
    }

    void supportedSizes()
    {
        TestMachine tm;
        tm.addDisk(0, 40 * kGiB, QStringLiteral("MBR"));
        tm.addPartition(0, kMiB, 2 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QString(), QString(), kGiB));
        tm.addPartition(0, 3 * kGiB, kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("FAT32"), QString(), QString(), 0));
        QVERIFY(tm.write());
        auto s = wmi::storage();

        const wmi::Object ntfs = wmi::partition(*s, 0, 1);
        wmi::Call c = wmi::call(*s, *ntfs, "GetSupportedSize");
        QCOMPARE(c.returnValue(), 0);
        QCOMPARE(wmi::get(*c.out, "SizeMin").vt, platform::VT_BSTR);
        QCOMPARE(wmi::u64(*c.out, "SizeMin"), kGiB + 64 * kMiB); // 64 MiB beats 1 % of 2 GiB
        QCOMPARE(wmi::u64(*c.out, "SizeMax"), 3 * kGiB - kMiB);   // up to the FAT32 partition
        // What GetSupportedSize promises, Resize accepts.
        QCOMPARE(wmi::call(*s, *ntfs, "Resize", {{"Size", wmi::u64v(3 * kGiB - kMiB)}}).returnValue(), 0);

        c = wmi::call(*s, *wmi::partition(*s, 0, 2), "GetSupportedSize");
        QCOMPARE(wmi::u64(*c.out, "SizeMin"), kGiB);
        QCOMPARE(wmi::u64(*c.out, "SizeMax"), kGiB);
    }

    void addAccessPath_data()
    {
        QTest::addColumn<int>("partition");
        QTest::addColumn<QString>("params");
        QTest::addColumn<int>("returnValue");
        QTest::addColumn<QString>("letter"); // the partition's letter afterwards
        QTest::newRow("free letter") << 2 << "AccessPath='K:" << 0 << "K";
        QTest::newRow("root form") << 2 << "AccessPath='k:\\" << 0 << "K";
        QTest::newRow("taken by a partition") << 2 << "AccessPath='E:" << 42002 << "";
        QTest::newRow("taken by a dvd drive") << 2 << "AccessPath='H:" << 42002 << "";
        QTest::newRow("next free letter") << 2 << "AssignDriveLetter=true" << 0 << "D";
        QTest::newRow("both") << 2 << "AccessPath='K:;AssignDriveLetter=true" << 5 << "";
        QTest::newRow("neither") << 2 << "" << 5 << "";
        QTest::newRow("a folder") << 2 << "AccessPath='C:\\mnt\\data\\" << 1 << "";
        QTest::newRow("nonsense") << 2 << "AccessPath='KK" << 42007 << "";
        QTest::newRow("second letter for a volume") << 1 << "AccessPath='K:" << 42002 << "E";
        QTest::newRow("msr") << 3 << "AccessPath='K:" << 42007 << "-";
        QTest::newRow("raw partition gets a volume") << 4 << "AccessPath='K:" << 0 << "K";
    }
    void addAccessPath()
    {
        QFETCH(int, partition);
        QFETCH(QString, params);
        QFETCH(int, returnValue);
        QFETCH(QString, letter);
        TestMachine tm;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QString(), QStringLiteral("E")));
        tm.addPartition(0, 2 * kGiB, kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data")));
        tm.addPartition(0, 4 * kGiB, 16 * kMiB, QStringLiteral("MSR"));
        tm.addPartition(0, 5 * kGiB, kGiB, QStringLiteral("Primary"));
        tm.addOtherDrive(QStringLiteral("C"), 3, QStringLiteral("NTFS"), QString(), kGiB);
        tm.addOtherDrive(QStringLiteral("H"), 5);
        QVERIFY(tm.write());
        const Machine before = tm.read();
        auto s = wmi::storage();
        std::vector<QByteArray> names;
        const wmi::Call c = wmi::call(*s, *wmi::partition(*s, 0, partition), "AddAccessPath", parseParams(params, names));
        QCOMPARE(c.hr, hr::Ok);
        QCOMPARE(c.returnValue(), returnValue);

        const Machine after = tm.read();
        QCOMPARE(fingerprint(after, 0, partition), fingerprint(before, 0, partition));
        const Partition &p = after.disks[0].partitions[partition - 1];
        QCOMPARE(p.volume ? p.volume->letter : QStringLiteral("-"), letter);
        if (returnValue != 0)
            return;
        // The letter shows in AccessPaths and in Win32_LogicalDisk.
        const Variant paths = wmi::get(*wmi::partition(*s, 0, partition), "AccessPaths");
        QCOMPARE(QString::fromStdWString(paths.texts.at(0)), letter + QStringLiteral(":\\"));
        auto cim = wmi::cimv2();
        const auto ld = wmi::query(*cim, QStringLiteral("SELECT * FROM Win32_LogicalDisk WHERE DeviceID = '%1:'").arg(letter));
        QCOMPARE(ld.size(), std::size_t(1));
        QCOMPARE(wmi::get(*ld[0], "DriveType").integer, 3);
    }

    void methodCallErrors()
    {
        TestMachine tm(TestMachine::Start::Demo);
        auto s = wmi::storage();
        wmi::Object cls, in, out;
        QCOMPARE(s->getObject(L"MSFT_Partition", cls), hr::Ok);
        QCOMPARE(cls->getMethod(L"SetSize", in, out), hr::WbemNotFound); // as on Windows: only Resize
        QCOMPARE(cls->getMethod(L"GetSupportedSize", in, out), hr::Ok);
        QVERIFY(!in && out);
        QCOMPARE(s->getObject(L"MSFT_Volume", cls), hr::WbemInvalidClass);
        QCOMPARE(s->getObject(L"Win32_LogicalDisk", cls), hr::WbemInvalidClass);

        auto p = wmi::partition(*s, 1, 1);
        const std::wstring path = wmi::get(*p, "__PATH").text;
        QCOMPARE(s->execMethod(path, L"Format", 0, nullptr, out), hr::WbemInvalidMethod);
        QCOMPARE(s->execMethod(L"MSFT_Partition.ObjectId=\"{sim}disk:1", L"Resize", 0, nullptr, out), hr::WbemInvalidObjectPath);
        QCOMPARE(s->execMethod(L"\\\\X\\ROOT\\CIMV2:MSFT_Partition.ObjectId=\"a\"", L"Resize", 0, nullptr, out), hr::WbemInvalidObjectPath);
        QCOMPARE(s->execMethod(L"MSFT_Partition.ObjectId=\"{sim}disk:9:partition:1:offset:0\"", L"GetSupportedSize", 0, nullptr, out), hr::WbemNotFound);
        // A path names one partition: once that partition is gone, the path is stale even if
        // a new partition later takes the same number.
        QVERIFY(tm.store().modify([](Machine &m) {
            Partition &q = m.disk(1)->partitions[0];
            q.offset += kMiB;
            q.size -= kMiB;
            return true;
        }));
        QCOMPARE(s->execMethod(path, L"GetSupportedSize", 0, nullptr, out), hr::WbemNotFound);
        // The relative path works as well as the full one.
        p = wmi::partition(*s, 1, 1);
        QCOMPARE(s->execMethod(wmi::get(*p, "__RELPATH").text, L"GetSupportedSize", 0, nullptr, out), hr::Ok);
    }

    void parameterPutTypes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("vt");
        QTest::addColumn<qint64>("integer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cimType");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<int>("storedVt");
        QTest::newRow("uint64 as VT_UI8") << "Size" << int(platform::VT_UI8) << kGiB << "" << 0 << hr::Ok << int(platform::VT_BSTR);
        QTest::newRow("uint64 as VT_I8") << "Size" << int(platform::VT_I8) << kGiB << "" << 0 << hr::Ok << int(platform::VT_BSTR);
        QTest::newRow("uint64 as text") << "Size" << int(platform::VT_BSTR) << qint64(0) << "1073741824" << 0 << hr::Ok << int(platform::VT_BSTR);
        QTest::newRow("uint64 with its cim type") << "Size" << int(platform::VT_BSTR) << qint64(0) << "1" << int(platform::CIM_UINT64) << hr::Ok << int(platform::VT_BSTR);
        QTest::newRow("uint64 with another cim type") << "Size" << int(platform::VT_BSTR) << qint64(0) << "1" << int(platform::CIM_STRING) << hr::WbemTypeMismatch << 0;
        QTest::newRow("uint64 from words") << "Size" << int(platform::VT_BSTR) << qint64(0) << "lots" << 0 << hr::WbemTypeMismatch << 0;
        QTest::newRow("uint64 negative") << "Size" << int(platform::VT_I8) << qint64(-1) << "" << 0 << hr::WbemTypeMismatch << 0;
        QTest::newRow("uint64 from a boolean") << "Size" << int(platform::VT_BOOL) << qint64(-1) << "" << 0 << hr::WbemTypeMismatch << 0;
        QTest::newRow("uint32 in range") << "Alignment" << int(platform::VT_UI4) << qint64(0xFFFFFFFFLL) << "" << 0 << hr::Ok << int(platform::VT_I4);
        QTest::newRow("uint32 out of range") << "Alignment" << int(platform::VT_I8) << qint64(0x100000000LL) << "" << 0 << hr::WbemTypeMismatch << 0;
        QTest::newRow("char16 from text") << "DriveLetter" << int(platform::VT_BSTR) << qint64(0) << "E" << 0 << hr::Ok << int(platform::VT_I2);
        QTest::newRow("char16 from long text") << "DriveLetter" << int(platform::VT_BSTR) << qint64(0) << "E:" << 0 << hr::WbemTypeMismatch << 0;
        QTest::newRow("boolean from VT_I4") << "UseMaximumSize" << int(platform::VT_I4) << qint64(1) << "" << 0 << hr::WbemTypeMismatch << 0;
        QTest::newRow("unknown parameter") << "Sizes" << int(platform::VT_BSTR) << qint64(0) << "1" << 0 << hr::WbemNotFound << 0;
        QTest::newRow("system property") << "__CLASS" << int(platform::VT_BSTR) << qint64(0) << "x" << 0 << qint32(0x80041029) << 0;
    }
    void parameterPutTypes()
    {
        QFETCH(QString, name);
        QFETCH(int, vt);
        QFETCH(qint64, integer);
        QFETCH(QString, text);
        QFETCH(int, cimType);
        QFETCH(qint32, result);
        QFETCH(int, storedVt);
        TestMachine tm(TestMachine::Start::Demo);
        auto s = wmi::storage();
        wmi::Object cls, in, out, params;
        QCOMPARE(s->getObject(L"MSFT_Disk", cls), hr::Ok);
        QCOMPARE(cls->getMethod(L"CreatePartition", in, out), hr::Ok);
        QCOMPARE(in->spawnInstance(params), hr::Ok);
        Variant v;
        v.vt = std::uint16_t(vt);
        v.integer = integer;
        v.text = text.toStdWString();
        QCOMPARE(params->put(name.toStdWString(), v, cimType), result);
        if (result == hr::Ok)
            QCOMPARE(int(wmi::get(*params, name.toLatin1().constData()).vt), storedVt);
        // The signature itself is never written through a spawned instance.
        QCOMPARE(wmi::get(*in, "Size").vt, platform::VT_NULL);
    }

    void untouchedPartitionsNeverChange()
    {
        TestMachine tm(TestMachine::Start::Demo);
        const Machine before = tm.read();
        auto s = wmi::storage();
        // Shrink D:, put a lettered partition in the freed space, grow D: back up to it.
        auto d = wmi::partition(*s, 0, 4);
        QCOMPARE(wmi::call(*s, *d, "Resize", {{"Size", wmi::u64v(200 * kGiB)}}).returnValue(), 0);
        auto disk = wmi::disk(*s, 0);
        const wmi::Call made = wmi::call(*s, *disk, "CreatePartition", {{"Size", wmi::u64v(10 * kGiB)}, {"Offset", wmi::u64v(wmi::u64(*d, "Offset") + 205 * kGiB)}});
        QCOMPARE(made.returnValue(), 0);
        const int number = wmi::get(*wmi::get(*made.out, "CreatedPartition").object, "PartitionNumber").lVal();
        QCOMPARE(number, 6);
        QCOMPARE(wmi::call(*s, *wmi::partition(*s, 0, number), "AddAccessPath", {{"AccessPath", wmi::bstr(QStringLiteral("X:"))}}).returnValue(), 0);
        QCOMPARE(wmi::call(*s, *wmi::partition(*s, 0, 4), "Resize", {{"Size", wmi::u64v(205 * kGiB)}}).returnValue(), 0);

        Machine after = tm.read();
        QCOMPARE(after.disks[0].partitions.size(), 6);
        after.disks[0].partitions.removeIf([number](const Partition &p) { return p.number == number; });
        QCOMPARE(fingerprint(after, 0, 4), fingerprint(before, 0, 4));
        const Partition *was = before.disks[0].partitions.data() + 3;
        const Partition *now = after.disks[0].partitions.data() + 3;
        QCOMPARE(now->number, 4);
        QCOMPARE(now->size, 205 * kGiB);
        QCOMPARE(now->volume->serial, was->volume->serial);
    }
};

QTEST_GUILESS_MAIN(TestSimProvider)
#include "tst_simprovider.moc"
