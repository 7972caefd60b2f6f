#include "recordtext.h"
#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"

#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;
constexpr qint64 DiskSize = 64 * MiB;

// One expected element of a disk's list: a partition by number, or a gap (number 0).
struct Segment
{
    int number = 0;
    qint64 offset = 0;
    qint64 size = 0;
};
using Layout = QList<QPair<qint64, qint64>>; // (offset, size) of partitions 1, 2, ...

TestMachine::Vol vol(const QString &fs, const QString &label = QString(), const QString &letter = QString())
{
    return TestMachine::Vol{fs, label, letter};
}

// GPT disk 0 and MBR disk 1 with the partitions Windows systems carry, an empty offline disk 2
// and an optical drive.
void buildWindowsMachine(TestMachine &tm)
{
    tm.addDisk(0, 64 * GiB, "GPT", "Fixture SSD");
    tm.addPartition(0, MiB, 100 * MiB, "EFI", vol("FAT32"));
    tm.addPartition(0, 101 * MiB, 16 * MiB, "MSR");
    tm.addPartition(0, 117 * MiB, 10 * GiB, "Primary", vol("NTFS", "Data 数据", "E"));
    tm.addPartition(0, 117 * MiB + 10 * GiB, GiB, "Primary", vol({}, {}, "F"));
    tm.addPartition(0, 117 * MiB + 11 * GiB, 600 * MiB, "Recovery", vol("NTFS", "Recovery"));
    tm.addDisk(1, 16 * GiB, "MBR");
    tm.addPartition(1, MiB, 500 * MiB, "System", vol("NTFS", "System Reserved"));
    tm.partition(1, 1).active = true;
    tm.addPartition(1, 501 * MiB, 8 * GiB, "Extended");
    tm.addPartition(1, 502 * MiB, 2 * GiB, "Logical", vol("FAT32", "LOG", "H"));
    tm.addPartition(1, 503 * MiB + 2 * GiB, GiB, "Logical");
    tm.addDisk(2, 8 * GiB, "RAW").operationalStatus = QStringLiteral("Offline");
    tm.addOtherDrive("K", 5, "CDFS", "DVD", 4 * GiB); // its letter must reach no partition
    QVERIFY(tm.write());
}

} // namespace

Q_DECLARE_METATYPE(Segment)

class TestEnumeration : public QObject
{
    Q_OBJECT

private slots:
    void gapWalk_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QList<Segment>>("expected");
        const qint64 D = DiskSize;

        QTest::newRow("GPT layout starting at 1 MiB")
            << Layout{{MiB, 10 * MiB}} << QList<Segment>{{0, 0, MiB}, {1, MiB, 10 * MiB}, {0, 11 * MiB, D - 11 * MiB}};
        QTest::newRow("512-byte gap is not shown")
            << Layout{{0, 10 * MiB}, {10 * MiB + 512, 10 * MiB}}
            << QList<Segment>{{1, 0, 10 * MiB}, {2, 10 * MiB + 512, 10 * MiB}, {0, 20 * MiB + 512, D - 20 * MiB - 512}};
        QTest::newRow("513-byte gap is shown")
            << Layout{{0, 10 * MiB}, {10 * MiB + 513, 10 * MiB}}
            << QList<Segment>{{1, 0, 10 * MiB}, {0, 10 * MiB, 513}, {2, 10 * MiB + 513, 10 * MiB},
                              {0, 20 * MiB + 513, D - 20 * MiB - 513}};
        QTest::newRow("trailing 512 bytes are not shown") << Layout{{0, D - 512}} << QList<Segment>{{1, 0, D - 512}};
        QTest::newRow("trailing 513 bytes are shown")
            << Layout{{0, D - 513}} << QList<Segment>{{1, 0, D - 513}, {0, D - 513, 513}};
        QTest::newRow("empty disk") << Layout{} << QList<Segment>{{0, 0, D}};
        // The cursor follows the last partition processed, even backwards into the first one.
        QTest::newRow("overlapping partitions")
            << Layout{{0, 20 * MiB}, {10 * MiB, 5 * MiB}}
            << QList<Segment>{{1, 0, 20 * MiB}, {2, 10 * MiB, 5 * MiB}, {0, 15 * MiB, D - 15 * MiB}};
    }

    void gapWalk()
    {
        QFETCH(Layout, layout);
        QFETCH(QList<Segment>, expected);

        TestMachine tm;
        tm.addDisk(3, DiskSize);
        for (const auto &[offset, size] : layout)
            tm.addPartition(3, offset, size);
        QVERIFY(tm.write());

        QList<PartitionInfo> want;
        for (const Segment &s : expected)
            want << (s.number ? expectedPartition(3, s.number, s.offset, s.size, 2, "Primary")
                              : expectedGap(3, s.offset, s.size));

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("3"))), recordTexts(want));
    }

    // Letters, file systems and labels come from the logical disks; the type from the provider,
    // whether or not it delivers a Type property.
    void lettersAndTypes_data()
    {
        QTest::addColumn<bool>("typeProperty");
        QTest::newRow("Type derived, as Windows delivers") << false;
        QTest::newRow("Type delivered") << true;
    }

    void lettersAndTypes()
    {
        QFETCH(bool, typeProperty);
        TestMachine tm;
        tm.setPartitionTypeProperty(typeProperty);
        buildWindowsMachine(tm);
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());

        const qint64 end0 = 117 * MiB + 11 * GiB + 600 * MiB;
        const QList<PartitionInfo> want0{
            expectedGap(0, 0, MiB),
            expectedPartition(0, 1, MiB, 100 * MiB, 7, "EFI"),
            expectedPartition(0, 2, 101 * MiB, 16 * MiB, 6, "MSR"),
            expectedPartition(0, 3, 117 * MiB, 10 * GiB, 2, "Primary", "E", "NTFS", "Data 数据"),
            expectedPartition(0, 4, 117 * MiB + 10 * GiB, GiB, 2, "Primary", "F"), // lettered RAW
            expectedPartition(0, 5, 117 * MiB + 11 * GiB, 600 * MiB, 5, "Recovery"),
            expectedGap(0, end0, 64 * GiB - end0),
        };
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("0"))), recordTexts(want0));

        const qint64 end1 = 503 * MiB + 3 * GiB;
        const QList<PartitionInfo> want1{
            expectedGap(1, 0, MiB),
            expectedPartition(1, 1, MiB, 500 * MiB, 1, "System"),
            expectedPartition(1, 2, 501 * MiB, 8 * GiB, 3, "Extended"),
            expectedPartition(1, 3, 502 * MiB, 2 * GiB, 4, "Logical", "H", "FAT32", "LOG"),
            expectedGap(1, 502 * MiB + 2 * GiB, MiB),
            expectedPartition(1, 4, 503 * MiB + 2 * GiB, GiB, 4, "Logical"),
            // The cursor follows the last logical drive, not the end of the extended partition.
            expectedGap(1, end1, 16 * GiB - end1),
        };
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("1"))), recordTexts(want1));
    }

    // Disks, sizes and single partitions by id, including ids that name nothing.
    void lookups()
    {
        TestMachine tm;
        buildWindowsMachine(tm);
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());

        const QList<QVariantMap> disks{
            {{DiskKey::Id, "0"}, {DiskKey::Size, 64 * GiB}, {DiskKey::Status, "Online"},
             {DiskKey::Name, "Fixture SSD"}, {DiskKey::PartitionStyle, 2}},
            {{DiskKey::Id, "1"}, {DiskKey::Size, 16 * GiB}, {DiskKey::Status, "Online"},
             {DiskKey::Name, "Test Disk 1"}, {DiskKey::PartitionStyle, 1}},
            {{DiskKey::Id, "2"}, {DiskKey::Size, 8 * GiB}, {DiskKey::Status, "Offline"},
             {DiskKey::Name, "Test Disk 2"}, {DiskKey::PartitionStyle, 0}},
        };
        QCOMPARE(manager.getDisks(), disks);
        QCOMPARE(manager.getDiskSize(QStringLiteral("1")), 16 * GiB);
        QCOMPARE(manager.getPartitionSize(QStringLiteral("0:3")), 10 * GiB);
        for (const char *id : {"7", "one"})
            QCOMPARE(manager.getDiskSize(QString::fromLatin1(id)), 0);
        for (const char *id : {"0:9", "0:x", "0"})
            QCOMPARE(manager.getPartitionSize(QString::fromLatin1(id)), 0);
        QVERIFY(manager.getPartitions(QStringLiteral("two")).isEmpty());

        const PartitionInfo leadingGap = expectedGap(1, 0, MiB);
        const QList<QPair<QString, PartitionInfo>> byId{
            {"1:3", expectedPartition(1, 3, 502 * MiB, 2 * GiB, 4, "Logical", "H", "FAT32", "LOG")},
            // Number 0 and text that is not a number both read as 0: the first unallocated region.
            {"1:0", leadingGap}, {"1:abc", leadingGap},
            {"1:9", {}}, {"13", {}}, {"1:3:0", {}}, {"5:1", {}},
        };
        for (const auto &[id, want] : byId)
            QCOMPARE(recordText(manager.getPartitionInfo(id)), recordText(want));
    }

    // Each failing query ends its operation with the failure value; a failed second
    // connection only loses the letters.
    void providerFailures()
    {
        TestMachine tm;
        tm.addDisk(0, DiskSize);
        tm.addPartition(0, MiB, 16 * MiB, "Primary", vol("NTFS", "Data", "E"));
        QVERIFY(tm.write());

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        auto withFault = [&](const char *fault) {
            tm.read(); // spent faults are gone from the file; do not write them back
            tm.addFault(fault);
            QVERIFY(tm.write());
        };

        withFault(R"({"target":"wmi.query","match":"MSFT_Partition WHERE DiskNumber","hresult":"0x80041001","times":1})");
        QTest::ignoreMessage(QtCriticalMsg, "Query for MSFT_Partition failed, HRESULT: 0x80041001");
        QVERIFY(manager.getPartitions(QStringLiteral("0")).isEmpty());

        withFault(R"({"target":"wmi.query","match":"SELECT Size FROM MSFT_Disk","hresult":"0x80041001","times":1})");
        QVERIFY(manager.getPartitions(QStringLiteral("0")).isEmpty());

        withFault(R"({"target":"wmi.query","match":"SELECT * FROM MSFT_Disk","hresult":"0x80041017","times":1})");
        QTest::ignoreMessage(QtCriticalMsg, "Query for MSFT_Disk failed, HRESULT: 0x80041017");
        QVERIFY(manager.getDisks().isEmpty());

        withFault(R"({"target":"wmi.connect","match":"CIMV2","hresult":"0x8004100E","times":1})");
        const QList<PartitionInfo> unlettered{expectedGap(0, 0, MiB), expectedPartition(0, 1, MiB, 16 * MiB, 2, "Primary"),
                                              expectedGap(0, 17 * MiB, DiskSize - 17 * MiB)};
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("0"))), recordTexts(unlettered));

        withFault(R"({"target":"wmi.query","match":"Win32_LogicalDisk","hresult":"0x80041001","times":1})");
        QVERIFY(manager.buildVolumeMap().isEmpty());

        withFault(R"({"target":"wmi.query","match":"SELECT * FROM MSFT_Partition","hresult":"0x80041001","times":1})");
        QVERIFY(manager.buildVolumeMap().isEmpty());

        // Faults are spent: everything reads normally again.
        QCOMPARE(manager.getPartitions(QStringLiteral("0")).at(1).driveLetter, QStringLiteral("E"));
    }
};

QTEST_GUILESS_MAIN(TestEnumeration)
#include "tst_enumeration.moc"
