#include "support/testmachine.h"
#include "countingplatform.h"

#include "common/sizetext.h"
#include "storage/windowsstoragemanager.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;

// Sizes as the nearest whole G or M and what is left over: "10G", "64M-513", "513".
QString bytes(qint64 n)
{
    const qint64 unit = n && n % GiB == 0 ? GiB : MiB;
    const qint64 whole = (n + unit / 2) / unit;
    const qint64 rest = n - whole * unit;
    if (!whole)
        return QString::number(n);
    QString s = QString::number(whole) + QLatin1Char(unit == GiB ? 'G' : 'M');
    return rest ? s + (rest > 0 ? QStringLiteral("+") : QString()) + QString::number(rest) : s;
}

// Whole records, one a line: its own fields, then "!field=value" for each that does not follow
// from them (name, letters and id from the number and letter...): two lists compare whole.
QString render(const QList<PartitionInfo> &list, int disk)
{
    QStringList lines;
    for (const PartitionInfo &p : list) {
        const bool gap = p.isUnallocated;
        const QString letter = p.driveLetter.isEmpty() ? QString() : p.driveLetter + u':';
        QStringList s{gap ? QStringLiteral("gap") : QString::number(p.partitionNumber), u'@' + bytes(p.offset),
                      bytes(p.sizeBytes)};
        if (!gap)
            s << QStringLiteral("%1(%2)").arg(p.type).arg(p.typeCode);
        if (!letter.isEmpty())
            s << letter;
        if (!p.fileSystem.isEmpty() || !p.volumeLabel.isEmpty())
            s << p.fileSystem + u'\'' + p.volumeLabel + u'\'';
        if (p.isSystem || p.isBoot)
            s << QStringLiteral("[%1%2]").arg(p.isSystem ? "system" : "", p.isBoot ? "boot" : "");
        auto implied = [&s](const char *field, const QString &actual, const QString &expected) {
            if (actual != expected)
                s << QStringLiteral("!%1=%2").arg(QLatin1String(field), actual);
        };
        implied("name", p.name, gap ? QStringLiteral("Unallocated")
                                : letter.isEmpty() ? QStringLiteral("Partition %1").arg(p.partitionNumber) : letter);
        implied("letters", p.driveLetters.join(u','), letter);
        implied("id", p.id, gap ? QString() : QStringLiteral("%1:%2").arg(disk).arg(p.partitionNumber));
        implied("sizeStr", p.sizeStr, formatSize(p.sizeBytes));
        implied("rest", QStringLiteral("disk %1 at %2 '%3' '%4' %5 %6").arg(p.diskIndex).arg(p.offsetBytes)
                            .arg(p.status, p.devicePath).arg(p.startSector).arg(p.gptPartitionNumber),
                QStringLiteral("disk %1 at %2 '' '' 0 -1").arg(disk).arg(p.offset));
        if (gap)
            implied("gap", QStringLiteral("%1(%2) #%3").arg(p.type).arg(p.typeCode).arg(p.partitionNumber),
                    "Unallocated(0) #0");
        lines << s.join(u' ');
    }
    return lines.join(QLatin1String(" | "));
}


// `disks` disks drawn from `rng`: GPT and MBR, logical drives, gaps either side of the 512-byte and
// 50 MiB limits, volumes lettered, unlettered, RAW or missing, the odd offline, removable or new disk.
void randomMachine(TestMachine &tm, QRandomGenerator &rng, int disks)
{
    using Vol = TestMachine::Vol;
    const qint64 gaps[] = {0, 512, 1024, MiB, 50 * MiB - 512, 50 * MiB, 50 * MiB + 512};
    auto gap = [&] { return gaps[rng.bounded(int(std::size(gaps)))]; };
    auto pick = [&](const QStringList &from) { return from.at(rng.bounded(int(from.size()))); };
    char letter = 'C';
    auto volume = [&]() -> std::optional<Vol> {
        if (rng.bounded(5) == 0)
            return std::nullopt;
        const QString fs = pick({"NTFS", "NTFS", "FAT32", "exFAT", ""});
        const QString ltr = letter <= 'Z' && rng.bounded(3) ? QString(QLatin1Char(letter++)) : QString();
        return Vol(fs, fs.isEmpty() ? QString() : pick({"", "Data", "数据"}), ltr);
    };
    tm.setPartitionTypeProperty(rng.bounded(2));
    for (int d = 0; d < disks; ++d) {
        const bool mbr = rng.bounded(2);
        const bool raw = rng.bounded(12) == 0;
        qint64 cursor = mbr ? 512 : sim::geometry::kGptHeadSectors * 512;
        tm.addDisk(d, GiB, raw ? "RAW" : mbr ? "MBR" : "GPT").removable = rng.bounded(6) == 0;
        if (rng.bounded(10) == 0)
            tm.disk(d).operationalStatus = QStringLiteral("Offline");
        const int entries = raw ? 0 : 1 + rng.bounded(mbr ? 4 : 6);
        for (int i = 0; i < entries; ++i) {
            const qint64 offset = cursor + gap();
            if (mbr && i == entries - 1 && rng.bounded(2)) {
                qint64 inner = offset;
                for (int l = 1 + rng.bounded(3); l > 0; --l) {
                    inner += 512 + gap();
                    tm.addPartition(d, inner, (1 + rng.bounded(16)) * MiB, "Logical", volume());
                    inner += tm.disk(d).partitions.last().size;
                }
                cursor = inner + gap();
                tm.addPartition(d, offset, cursor - offset, "Extended");
                break;
            }
            const QString type = mbr ? pick({"Primary", "Primary", "System", "Recovery", "OEM"})
                                     : pick({"Primary", "Primary", "EFI", "MSR", "Recovery", "OEM"});
            const qint64 size = (1 + rng.bounded(64)) * MiB + 512 * rng.bounded(3);
            tm.addPartition(d, offset, size, type, type == "MSR" ? std::nullopt : volume());
            cursor = offset + size;
        }
        tm.disk(d).size = raw ? GiB : cursor + gap() + (mbr ? 0 : sim::geometry::kGptTailSectors * 512);
    }
    tm.addOtherDrive(QString(QLatin1Char(letter <= 'Z' ? letter : 'A')), 5, "CDFS", "DVD", GiB);
}
} // namespace

class TestEnumeration : public QObject
{
    Q_OBJECT

private slots:
    void windowsLikeMachine_data()
    {
        QTest::addColumn<bool>("typeProperty");
        QTest::newRow("Type derived, as Windows delivers") << false;
        QTest::newRow("Type delivered") << true;
    }

    // One machine for the layouts, gaps, letters and lookups; the type comes out the same whether
    // or not the provider delivers a Type property.
    void windowsLikeMachine()
    {
        QFETCH(bool, typeProperty);
        using Vol = TestMachine::Vol;
        TestMachine tm;
        tm.setPartitionTypeProperty(typeProperty);
        tm.addDisk(0, 64 * GiB, "GPT", "Fixture SSD");
        tm.addPartition(0, MiB, 100 * MiB, "EFI", Vol("FAT32"));
        tm.addPartition(0, 101 * MiB, 16 * MiB, "MSR");
        tm.addPartition(0, 117 * MiB, 10 * GiB, "Primary", Vol("NTFS", "Data 数据", "E"));
        tm.addPartition(0, 117 * MiB + 10 * GiB, GiB, "Primary", Vol({}, {}, "F")); // lettered RAW
        tm.addPartition(0, 117 * MiB + 11 * GiB, 600 * MiB, "Recovery", Vol("NTFS", "Recovery"));
        // Logical drives overlap their extended partition.
        tm.addDisk(1, 16 * GiB, "MBR");
        tm.addPartition(1, MiB, 500 * MiB, "System", Vol("NTFS", "System Reserved"));
        tm.partition(1, 1).active = true;
        tm.addPartition(1, 501 * MiB, 8 * GiB, "Extended");
        tm.addPartition(1, 502 * MiB, 2 * GiB, "Logical", Vol("NTFS", "Windows", "C")); // the system disk
        tm.addPartition(1, 503 * MiB + 2 * GiB, GiB, "Logical");
        tm.addDisk(2, 8 * GiB, "RAW").operationalStatus = QStringLiteral("Offline");
        // Gaps of one sector (512 bytes) are slack, two sectors are shown: before the first
        // partition, between partitions and at the end.
        tm.addDisk(3, 64 * MiB, "MBR");
        tm.addPartition(3, 512, 10 * MiB - 512);
        tm.addPartition(3, 10 * MiB + 512, 10 * MiB);
        tm.addPartition(3, 20 * MiB + 1536, 44 * MiB - 2048);
        tm.addDisk(4, 64 * MiB, "MBR");
        tm.addPartition(4, 512, 64 * MiB - 1536, "Primary", Vol("NTFS", "Data", "G"));
        tm.partition(4, 1).active = true; // active, but not on the disk Windows runs from: no system flag
        tm.addOtherDrive("K", 5, "CDFS", "DVD", 4 * GiB); // its letter must reach no partition
        QVERIFY(tm.write());
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());

        const QStringList layouts{
            "gap @0 1M | 1 @1M 100M EFI(7) | 2 @101M 16M MSR(6) | 3 @117M 10G Primary(2) E: NTFS'Data 数据' | "
            "4 @10357M 1G Primary(2) F: | 5 @11381M 600M Recovery(5) | gap @11981M 53555M",
            // Free space inside the extended partition is its own, not the disk's: logical drives go
            // there, past the boot record the next one needs.
            "gap @0 1M | 1 @1M 500M System(1) [system] | 2 @501M 8G Extended(3) | 3 @502M 2G Logical(4) C: NTFS'Windows' [boot] | "
            "4 @2551M 1G Logical(4) | gap @3576M 5117M !name=Free Space !gap=Free Space(4) #0 | gap @8693M 7691M",
            "", // RAW: no table, so no free region to make a partition in
            "1 @512 10M-512 Primary(2) | 2 @10M+512 10M Primary(2) | gap @20M+512 1024 | 3 @20M+1536 44M-2048 Primary(2)",
            "1 @512 64M-1536 Primary(2) G: NTFS'Data' | gap @64M-1024 1024",
        };
        QStringList got;
        for (int disk = 0; disk < layouts.size(); ++disk)
            got << render(manager.getPartitions(QString::number(disk)), disk);
        QCOMPARE(got, layouts);

        got.clear();
        for (const QVariantMap &d : manager.getDisks())
            got << QVariant(d.values()).toStringList().join(u','); // style, id, name, size, status
        QCOMPARE(got, (QStringList{"2,0,Fixture SSD,68719476736,Online", "1,1,Test Disk 1,17179869184,Online",
                                   "0,2,Test Disk 2,8589934592,Offline", "1,3,Test Disk 3,67108864,Online",
                                   "1,4,Test Disk 4,67108864,Online"}));

        // Ids that name nothing give 0 or an empty record; in a partition id, number 0 and text
        // that is not a number both read as 0, the first unallocated region.
        got.clear();
        for (const char *id : {"1", "7", "one"})
            got << bytes(manager.getDiskSize(QLatin1String(id)));
        for (const char *id : {"0:3", "0:9", "0:x", "0"})
            got << bytes(manager.getPartitionSize(QLatin1String(id)));
        const QString none = render({PartitionInfo()}, -1);
        for (const char *id : {"1:3", "1:0", "1:abc", "1:9", "13", "1:3:0", "5:1"}) {
            const PartitionInfo p = manager.getPartitionInfo(QLatin1String(id));
            got << (render({p}, -1) == none ? QStringLiteral("none") : render({p}, 1));
        }
        QCOMPARE(got.join(QLatin1String(" | ")),
                 "16G | 0 | 0 | 10G | 0 | 0 | 0 | 3 @502M 2G Logical(4) C: NTFS'Windows' [boot] | gap @0 1M | gap @0 1M | "
                 "none | none | none | none");

        // Each failing query or connection, once, against what the manager then reports: the
        // partitions of disk 4, the number of disks and the number of lettered volumes.
        const QString lettered = layouts.at(4);
        const QString unlettered = "1 @512 64M-1536 Primary(2) | gap @64M-1024 1024";
        const QList<std::pair<const char *, QString>> cases{
            {R"("wmi.query","match":"MSFT_Partition WHERE DiskNumber")", " / 5 / 4"},
            {R"("wmi.query","match":"SELECT Size FROM MSFT_Disk")", " / 5 / 4"},
            {R"("wmi.query","match":"SELECT * FROM MSFT_Disk")", lettered + " / 0 / 4"},
            {R"("wmi.connect","match":"CIMV2")", unlettered + " / 5 / 4"},
            {R"("wmi.query","match":"Win32_LogicalDisk")", unlettered + " / 5 / 4"},
            {R"("wmi.query","match":"SELECT * FROM MSFT_Partition")", unlettered + " / 5 / 4"},
            {"", lettered + " / 5 / 4"}, // the faults are spent
        };
        got.clear();
        QStringList want;
        for (const auto &[fault, expected] : cases) {
            tm.read(); // spent faults are gone from the file; do not write them back
            if (*fault)
                tm.addFault(QStringLiteral(R"({"target":%1,"hresult":"0x80041001","times":1})").arg(fault).toUtf8().constData());
            QVERIFY(tm.write());
            const QString partitions = render(manager.getPartitions(QStringLiteral("4")), 4);
            got << QStringLiteral("%1 / %2 / %3").arg(partitions).arg(manager.getDisks().size())
                       .arg(manager.buildVolumeMap().size());
            want << expected;
        }
        QCOMPARE(got, want);
        tm.read();
        tm.addFault(R"({"target":"wmi.query","match":"SELECT Size FROM MSFT_Partition","hresult":"0x80041001","times":1})");
        QVERIFY(tm.write());
        QCOMPARE(manager.getPartitionSize(QStringLiteral("4:1")), 0);
    }

    // The one pass that refreshes the tree gives every disk the records the per-disk calls give
    // it, in the same few round trips whatever the number of disks.
    void onePassEqualsPerDisk()
    {
        QRandomGenerator rng(36);
        QStringList seen;
        for (const int disks : {1, 2, 3, 5, 8, 13, 24}) {
            TestMachine tm;
            randomMachine(tm, rng, disks);
            QVERIFY(tm.write());
            CountingPlatform counting(platform::current());
            WindowsStorageManager manager(counting);
            QVERIFY(manager.initialize());
            counting.queries = counting.connections = counting.blankets = 0;
            const QList<DiskLayout> layouts = manager.getDiskLayouts();
            QCOMPARE(counting.queries.load(), 3);
            QCOMPARE(counting.connections.load(), 1);
            // A connection without its security blanket cannot query on Windows.
            QCOMPARE(counting.blankets.load(), 1);

            const QList<QVariantMap> rows = manager.getDisks();
            QCOMPARE(layouts.size(), disks);
            for (int d = 0; d < disks; ++d) {
                QCOMPARE(layouts[d].disk, rows[d]);
                const QList<PartitionInfo> perDisk = manager.getPartitions(QString::number(d));
                QCOMPARE(render(layouts[d].partitions, d), render(perDisk, d));
                for (const PartitionInfo &p : perDisk)
                    seen << (p.isUnallocated ? bytes(p.sizeBytes) : p.type + (p.driveLetter.isEmpty() ? "" : " lettered"));
            }
        }
        // The draw reached the cases that matter: gaps just past the slack and around 50 MiB,
        // logical drives, lettered volumes.
        for (const char *want : {"1024", "50M-512", "50M", "50M+512", "Logical lettered", "Primary lettered", "EFI"})
            QVERIFY2(seen.contains(QLatin1String(want)), want);

        // A failing step of the pass costs what the same failure costs the per-disk calls:
        // no disks, disks without records, or records without letters.
        const QList<std::pair<const char *, const char *>> faults{
            {"SELECT * FROM MSFT_Disk", "0 disks, 0 records, 0 lettered"},
            {"SELECT * FROM MSFT_Partition", "4 disks, 0 records, 0 lettered"},
            {"CIMV2", "4 disks, 15 records, 0 lettered"},
            {"Win32_LogicalDisk", "4 disks, 15 records, 0 lettered"},
            {"", "4 disks, 15 records, 5 lettered"},
        };
        TestMachine demo(TestMachine::Start::Demo);
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        for (const auto &[match, expected] : faults) {
            demo.read();
            if (*match)
                demo.addFault(QJsonObject{{"target", QString(match) == "CIMV2" ? "wmi.connect" : "wmi.query"},
                                          {"match", match}, {"times", 1}});
            QVERIFY(demo.write());
            int records = 0, lettered = 0;
            const QList<DiskLayout> layouts = manager.getDiskLayouts();
            for (const DiskLayout &layout : layouts)
                for (const PartitionInfo &p : layout.partitions) {
                    ++records;
                    lettered += !p.driveLetter.isEmpty();
                }
            QCOMPARE(QStringLiteral("%1 disks, %2 records, %3 lettered").arg(layouts.size()).arg(records).arg(lettered),
                     QLatin1String(expected));
        }
    }

    // A lettered volume whose file system the logical-disk list leaves out is asked for it by
    // its root; volumes the list describes, and volumes without a letter, are not asked.
    void volumeCompletesTheRecord()
    {
        struct VolumeAnswers : CountingPlatform
        {
            using CountingPlatform::CountingPlatform;
            QStringList roots;
            bool getVolumeInformation(const std::wstring &root, std::wstring *name, std::size_t, std::uint32_t *,
                                      std::wstring *fs, std::size_t) override
            {
                roots << QString::fromStdWString(root);
                *name = L"Late";
                *fs = L"NTFS";
                return true;
            }
        };
        TestMachine tm;
        tm.addDisk(0, GiB, "MBR");
        tm.addPartition(0, MiB, 10 * MiB, "Primary", TestMachine::Vol({}, {}, "F"));
        tm.addPartition(0, 11 * MiB, 10 * MiB, "Primary", TestMachine::Vol());
        tm.addPartition(0, 21 * MiB, 10 * MiB, "Primary", TestMachine::Vol("exFAT", "Data", "G"));
        QVERIFY(tm.write());
        VolumeAnswers answers(platform::current());
        WindowsStorageManager manager(answers);
        QVERIFY(manager.initialize());
        QCOMPARE(render(manager.getDiskLayouts().value(0).partitions, 0),
                 "gap @0 1M | 1 @1M 10M Primary(2) F: NTFS'Late' | 2 @11M 10M Primary(2) | 3 @21M 10M Primary(2) G: exFAT'Data' | gap @31M 993M");
        QCOMPARE(answers.roots, QStringList{"F:\\"});
    }
};

QTEST_GUILESS_MAIN(TestEnumeration)
#include "tst_enumeration.moc"
