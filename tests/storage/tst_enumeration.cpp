#include "recordtext.h"
#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"

#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 DiskSize = 64 * MiB;

// One expected element of a disk's list: a partition by number, or a gap (number 0).
struct Segment
{
    int number = 0;
    qint64 offset = 0;
    qint64 size = 0;
};
using Layout = QList<QPair<qint64, qint64>>; // (offset, size) of partitions 1, 2, ...

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

        QTest::newRow("GPT layout starting at 1 MiB")
            << Layout{{MiB, 10 * MiB}}
            << QList<Segment>{{0, 0, MiB}, {1, MiB, 10 * MiB}, {0, 11 * MiB, DiskSize - 11 * MiB}};
        QTest::newRow("512-byte gap is not shown")
            << Layout{{MiB, 10 * MiB}, {11 * MiB + 512, 10 * MiB}}
            << QList<Segment>{{0, 0, MiB},
                              {1, MiB, 10 * MiB},
                              {2, 11 * MiB + 512, 10 * MiB},
                              {0, 21 * MiB + 512, DiskSize - 21 * MiB - 512}};
        QTest::newRow("513-byte gap is shown")
            << Layout{{MiB, 10 * MiB}, {11 * MiB + 513, 10 * MiB}}
            << QList<Segment>{{0, 0, MiB},
                              {1, MiB, 10 * MiB},
                              {0, 11 * MiB, 513},
                              {2, 11 * MiB + 513, 10 * MiB},
                              {0, 21 * MiB + 513, DiskSize - 21 * MiB - 513}};
        QTest::newRow("trailing 512 bytes are not shown")
            << Layout{{0, DiskSize - 512}} << QList<Segment>{{1, 0, DiskSize - 512}};
        QTest::newRow("trailing 513 bytes are shown")
            << Layout{{0, DiskSize - 513}} << QList<Segment>{{1, 0, DiskSize - 513}, {0, DiskSize - 513, 513}};
        QTest::newRow("empty disk") << Layout{} << QList<Segment>{{0, 0, DiskSize}};
        QTest::newRow("full disk") << Layout{{0, DiskSize}} << QList<Segment>{{1, 0, DiskSize}};
        // The cursor follows the last partition processed, even backwards into the first one.
        QTest::newRow("overlapping partitions")
            << Layout{{MiB, 20 * MiB}, {11 * MiB, 5 * MiB}}
            << QList<Segment>{{0, 0, MiB}, {1, MiB, 20 * MiB}, {2, 11 * MiB, 5 * MiB},
                              {0, 16 * MiB, DiskSize - 16 * MiB}};
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
            want << (s.number ? expectedPartition(3, s.number, s.offset, s.size, 2, QStringLiteral("Primary"))
                              : expectedGap(3, s.offset, s.size));

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("3"))), recordTexts(want));
    }

    void disks()
    {
        TestMachine tm;
        tm.addDisk(0, 500 * sim::kGiB, QStringLiteral("GPT"), QStringLiteral("Fixture SSD 500"));
        tm.addDisk(1, 2 * sim::kTiB, QStringLiteral("MBR")).operationalStatus = QStringLiteral("Offline");
        tm.addDisk(2, 8 * sim::kGiB, QStringLiteral("RAW"));
        QVERIFY(tm.write());

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        const QList<QVariantMap> disks = manager.getDisks();
        const QList<QVariantMap> want{
            {{DiskKey::Id, QStringLiteral("0")}, {DiskKey::Size, 500 * sim::kGiB},
             {DiskKey::Status, QStringLiteral("Online")}, {DiskKey::Name, QStringLiteral("Fixture SSD 500")},
             {DiskKey::PartitionStyle, 2}},
            {{DiskKey::Id, QStringLiteral("1")}, {DiskKey::Size, 2 * sim::kTiB},
             {DiskKey::Status, QStringLiteral("Offline")}, {DiskKey::Name, QStringLiteral("Test Disk 1")},
             {DiskKey::PartitionStyle, 1}},
            {{DiskKey::Id, QStringLiteral("2")}, {DiskKey::Size, 8 * sim::kGiB},
             {DiskKey::Status, QStringLiteral("Online")}, {DiskKey::Name, QStringLiteral("Test Disk 2")},
             {DiskKey::PartitionStyle, 0}},
        };
        QCOMPARE(disks, want);
        QCOMPARE(manager.getDiskSize(QStringLiteral("1")), 2 * sim::kTiB);
        QCOMPARE(manager.getDiskSize(QStringLiteral("7")), 0);
        QCOMPARE(manager.getDiskSize(QStringLiteral("one")), 0);
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
        tm.addDisk(0, 64 * sim::kGiB);
        tm.addPartition(0, MiB, 100 * MiB, QStringLiteral("EFI"), TestMachine::Vol{QStringLiteral("FAT32"), {}, {}});
        tm.addPartition(0, 101 * MiB, 16 * MiB, QStringLiteral("MSR"));
        tm.addPartition(0, 117 * MiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                        TestMachine::Vol{QStringLiteral("NTFS"), QStringLiteral("Data 数据"), QStringLiteral("E")});
        // A lettered volume without a file system.
        tm.addPartition(0, 117 * MiB + 10 * sim::kGiB, sim::kGiB, QStringLiteral("Primary"),
                        TestMachine::Vol{QString(), QString(), QStringLiteral("F")});
        tm.addPartition(0, 117 * MiB + 11 * sim::kGiB, 600 * MiB, QStringLiteral("Recovery"),
                        TestMachine::Vol{QStringLiteral("NTFS"), QStringLiteral("Recovery"), {}});
        tm.addDisk(1, 16 * sim::kGiB, QStringLiteral("MBR"));
        tm.addPartition(1, MiB, 500 * MiB, QStringLiteral("System"),
                        TestMachine::Vol{QStringLiteral("NTFS"), QStringLiteral("System Reserved"), {}});
        tm.partition(1, 1).active = true;
        tm.addPartition(1, 501 * MiB, 4 * sim::kGiB, QStringLiteral("Primary"),
                        TestMachine::Vol{QStringLiteral("exFAT"), QStringLiteral("Stick"), QStringLiteral("G")});
        tm.addPartition(1, 501 * MiB + 4 * sim::kGiB, 8 * sim::kGiB, QStringLiteral("Extended"));
        tm.addPartition(1, 502 * MiB + 4 * sim::kGiB, 2 * sim::kGiB, QStringLiteral("Logical"),
                        TestMachine::Vol{QStringLiteral("FAT32"), QStringLiteral("LOG"), QStringLiteral("H")});
        tm.addPartition(1, 503 * MiB + 6 * sim::kGiB, sim::kGiB, QStringLiteral("Logical"));
        tm.addOtherDrive(QStringLiteral("K"), 5, QStringLiteral("CDFS"), QStringLiteral("DVD"), 4 * sim::kGiB);
        QVERIFY(tm.write());

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());

        const qint64 end0 = 117 * MiB + 11 * sim::kGiB + 600 * MiB;
        const QList<PartitionInfo> want0{
            expectedGap(0, 0, MiB),
            expectedPartition(0, 1, MiB, 100 * MiB, 7, QStringLiteral("EFI")),
            expectedPartition(0, 2, 101 * MiB, 16 * MiB, 6, QStringLiteral("MSR")),
            expectedPartition(0, 3, 117 * MiB, 10 * sim::kGiB, 2, QStringLiteral("Primary"), QStringLiteral("E"),
                              QStringLiteral("NTFS"), QStringLiteral("Data 数据")),
            expectedPartition(0, 4, 117 * MiB + 10 * sim::kGiB, sim::kGiB, 2, QStringLiteral("Primary"),
                              QStringLiteral("F")),
            expectedPartition(0, 5, 117 * MiB + 11 * sim::kGiB, 600 * MiB, 5, QStringLiteral("Recovery")),
            expectedGap(0, end0, 64 * sim::kGiB - end0),
        };
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("0"))), recordTexts(want0));

        const qint64 end1 = 503 * MiB + 7 * sim::kGiB;
        const QList<PartitionInfo> want1{
            expectedGap(1, 0, MiB),
            expectedPartition(1, 1, MiB, 500 * MiB, 1, QStringLiteral("System")),
            expectedPartition(1, 2, 501 * MiB, 4 * sim::kGiB, 2, QStringLiteral("Primary"), QStringLiteral("G"),
                              QStringLiteral("exFAT"), QStringLiteral("Stick")),
            expectedPartition(1, 3, 501 * MiB + 4 * sim::kGiB, 8 * sim::kGiB, 3, QStringLiteral("Extended")),
            expectedPartition(1, 4, 502 * MiB + 4 * sim::kGiB, 2 * sim::kGiB, 4, QStringLiteral("Logical"),
                              QStringLiteral("H"), QStringLiteral("FAT32"), QStringLiteral("LOG")),
            expectedGap(1, 502 * MiB + 6 * sim::kGiB, MiB),
            expectedPartition(1, 5, 503 * MiB + 6 * sim::kGiB, sim::kGiB, 4, QStringLiteral("Logical")),
            // Free room inside the extended partition and after it.
            expectedGap(1, end1, 16 * sim::kGiB - end1),
        };
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("1"))), recordTexts(want1));

        // The optical drive's letter belongs to no partition and never reaches the map.
        VolumeMapEntry e;
        QStringList wantMap;
        for (const auto &[disk, number, fs, label, letter] :
             {std::tuple{0, 3, "NTFS", "Data 数据", "E"}, std::tuple{0, 4, "", "", "F"},
              std::tuple{1, 2, "exFAT", "Stick", "G"}, std::tuple{1, 4, "FAT32", "LOG", "H"}}) {
            e = {disk, number, QString::fromUtf8(fs), QString::fromUtf8(label), QString::fromUtf8(letter)};
            wantMap << entryText(e);
        }
        QStringList gotMap;
        const VolumeMap map = manager.buildVolumeMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            QCOMPARE(it.key(), qMakePair(it->diskNumber, it->partitionNumber));
            gotMap << entryText(*it);
        }
        QCOMPARE(gotMap, wantMap);

        QCOMPARE(recordText(manager.getPartitionInfo(QStringLiteral("1:4"))), recordText(want1.at(4)));
    }

    void partitionInfoAndSize()
    {
        TestMachine tm;
        tm.addDisk(2, DiskSize);
        tm.addPartition(2, 8 * MiB, 16 * MiB, QStringLiteral("Primary"),
                        TestMachine::Vol{QStringLiteral("NTFS"), QStringLiteral("A"), QStringLiteral("E")});
        tm.addPartition(2, 24 * MiB, 16 * MiB);
        QVERIFY(tm.write());

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());

        const PartitionInfo first = expectedPartition(2, 1, 8 * MiB, 16 * MiB, 2, QStringLiteral("Primary"),
                                                      QStringLiteral("E"), QStringLiteral("NTFS"), QStringLiteral("A"));
        const PartitionInfo second = expectedPartition(2, 2, 24 * MiB, 16 * MiB, 2, QStringLiteral("Primary"));
        const PartitionInfo leadingGap = expectedGap(2, 0, 8 * MiB);
        const PartitionInfo none;
        const QList<QPair<QString, PartitionInfo>> cases{
            {QStringLiteral("2:1"), first},
            {QStringLiteral("2:2"), second},
            // Number 0 and text that is not a number both read as 0: the first unallocated region.
            {QStringLiteral("2:0"), leadingGap},
            {QStringLiteral("2:abc"), leadingGap},
            {QStringLiteral("2:9"), none},
            {QStringLiteral("21"), none},
            {QStringLiteral("2:1:0"), none},
            {QStringLiteral("5:1"), none},
        };
        for (const auto &[id, want] : cases)
            QCOMPARE(recordText(manager.getPartitionInfo(id)), recordText(want));

        QCOMPARE(manager.getPartitionSize(QStringLiteral("2:2")), 16 * MiB);
        QCOMPARE(manager.getPartitionSize(QStringLiteral("2:9")), 0);
        QCOMPARE(manager.getPartitionSize(QStringLiteral("2:x")), 0);
        QCOMPARE(manager.getPartitionSize(QStringLiteral("2")), 0);
        QVERIFY(manager.getPartitions(QStringLiteral("two")).isEmpty());
    }

    // Each failing query ends its operation with the failure value; a failed second
    // connection only loses the letters.
    void providerFailures()
    {
        TestMachine tm;
        tm.addDisk(0, DiskSize);
        tm.addPartition(0, MiB, 16 * MiB, QStringLiteral("Primary"),
                        TestMachine::Vol{QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")});
        QVERIFY(tm.write());

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        const QList<PartitionInfo> unlettered{
            expectedGap(0, 0, MiB), expectedPartition(0, 1, MiB, 16 * MiB, 2, QStringLiteral("Primary")),
            expectedGap(0, 17 * MiB, DiskSize - 17 * MiB)};

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
        QCOMPARE(recordTexts(manager.getPartitions(QStringLiteral("0"))), recordTexts(unlettered));

        withFault(R"({"target":"wmi.query","match":"Win32_LogicalDisk","hresult":"0x80041001","times":1})");
        QVERIFY(manager.buildVolumeMap().isEmpty());

        withFault(R"({"target":"wmi.query","match":"SELECT * FROM MSFT_Partition","hresult":"0x80041001","times":1})");
        QVERIFY(manager.buildVolumeMap().isEmpty());

        // Faults are spent: everything reads normally again.
        QCOMPARE(manager.getPartitions(QStringLiteral("0")).at(1).driveLetter, QStringLiteral("E"));
    }

    void everyOperationNeedsTheConnection()
    {
        TestMachine tm;
        tm.addDisk(0, DiskSize);
        tm.addFault(R"({"target":"wmi.connect","match":"Storage","hresult":"0x80041003","times":1})");
        QVERIFY(tm.write());

        WindowsStorageManager manager;
        QVERIFY(!manager.initialize());
        for (int i = 0; i < 6; ++i)
            QTest::ignoreMessage(QtCriticalMsg, "WMI service not initialized");
        QVERIFY(manager.getDisks().isEmpty());
        QVERIFY(manager.buildVolumeMap().isEmpty());
        QVERIFY(manager.getPartitions(QStringLiteral("0")).isEmpty());
        QCOMPARE(manager.getDiskSize(QStringLiteral("0")), 0);
        QCOMPARE(manager.getPartitionSize(QStringLiteral("0:1")), 0);
        QCOMPARE(recordText(manager.getPartitionInfo(QStringLiteral("0:1"))), recordText(PartitionInfo()));
    }
};

QTEST_GUILESS_MAIN(TestEnumeration)
#include "tst_enumeration.moc"
