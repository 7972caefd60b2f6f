#include "simulator/geometry.h"

#include <QRegularExpression>
#include <QtTest>

using namespace sim;
using namespace sim::geometry;

namespace {

Disk makeDisk(const QString &style, qint64 size)
{
    Disk d;
    d.number = 1;
    d.size = size;
    d.partitionStyle = style;
    return d;
}

void add(Disk &d, int number, qint64 offset, qint64 size, const QString &type = QStringLiteral("Primary"))
{
    Partition p;
    p.number = number;
    p.offset = offset;
    p.size = size;
    p.type = type;
    d.partitions.append(p);
    sortPartitions(d);
}

} // namespace

class TestSimGeometry : public QObject
{
    Q_OBJECT

private slots:
    void emptyDiskExtents_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("begin");
        QTest::addColumn<qint64>("end");
        // The backup GPT needs 33 sectors, so the last whole MiB is lost.
        QTest::newRow("gpt 10 GiB") << "GPT" << 10 * kGiB << kMiB << 10 * kGiB - kMiB;
        QTest::newRow("mbr 10 GiB") << "MBR" << 10 * kGiB << kMiB << 10 * kGiB;
        QTest::newRow("gpt odd size") << "GPT" << 10 * kGiB + 12345 * 512 << kMiB << 10 * kGiB + 6 * kMiB;
        QTest::newRow("mbr 3 TiB stops at 2 TiB") << "MBR" << 3 * kTiB << kMiB << 2 * kTiB;
        QTest::newRow("gpt 3 TiB") << "GPT" << 3 * kTiB << kMiB << 3 * kTiB - kMiB;
    }
    void emptyDiskExtents()
    {
        QFETCH(QString, style);
        QFETCH(qint64, size);
        QFETCH(qint64, begin);
        QFETCH(qint64, end);
        const QList<Extent> free = freeExtents(makeDisk(style, size));
        QCOMPARE(free.size(), 1);
        QCOMPARE(free[0].offset, begin);
        QCOMPARE(free[0].end(), end);
    }

    void rawDiskHasNoSpace()
    {
        const Disk d = makeDisk(QStringLiteral("RAW"), 10 * kGiB);
        QVERIFY(freeExtents(d).isEmpty());
        Extent e;
        QCOMPARE(placePartition(d, kGiB, -1, Strategy::Largest, &e), Placement::NotInitialized);
    }

    void extentsBetweenPartitionsAreAligned()
    {
        Disk d = makeDisk(QStringLiteral("GPT"), 10 * kGiB);
        add(d, 1, kMiB, kGiB + 4096);        // ends just past a MiB boundary
        add(d, 2, 3 * kGiB, kGiB);
        add(d, 3, 5 * kGiB + 512 * kKiB, kGiB); // sub-MiB gap before it is not usable
        const QList<Extent> free = freeExtents(d);
        QCOMPARE(free.size(), 3);
        QCOMPARE(free[0].offset, kGiB + 2 * kMiB);
        QCOMPARE(free[0].end(), 3 * kGiB);
        QCOMPARE(free[1].offset, 4 * kGiB);
        QCOMPARE(free[1].end(), 5 * kGiB);
        QCOMPARE(largestFreeExtent(d).offset, free[2].offset);
        QCOMPARE(free[2].end(), 10 * kGiB - kMiB);
    }

    void freeExtentAfterPartition()
    {
        Disk d = makeDisk(QStringLiteral("MBR"), 10 * kGiB);
        add(d, 1, kMiB, kGiB);
        add(d, 2, kMiB + kGiB, kGiB);           // touches partition 1
        add(d, 3, 4 * kGiB, kGiB);
        QCOMPARE(freeExtentAfter(d, d.partitions[0]).size, 0);
        QCOMPARE(freeExtentAfter(d, d.partitions[1]).size, 4 * kGiB - (kMiB + 2 * kGiB)); // exact, up to the neighbour
        QCOMPARE(freeExtentAfter(d, d.partitions[2]).end(), 10 * kGiB);

        // A logical partition can only grow to the end of its extended partition.
        Disk e = makeDisk(QStringLiteral("MBR"), 10 * kGiB);
        add(e, 1, kMiB, 6 * kGiB, QStringLiteral("Extended"));
        add(e, 5, 2 * kMiB, kGiB, QStringLiteral("Logical"));
        QCOMPARE(freeExtentAfter(e, e.partitions[1]).end(), kMiB + 6 * kGiB);
        QCOMPARE(freeExtents(e).first().offset, kMiB + 6 * kGiB); // the extended range is occupied
    }

    void placement_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<qint64>("diskSize");
        QTest::addColumn<int>("primaries");     // 1 GiB partitions, 1 GiB apart from 1 MiB on
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<int>("strategy");
        QTest::addColumn<int>("expected");
        QTest::addColumn<qint64>("expectedOffset");
        const int largest = int(Strategy::Largest), first = int(Strategy::First);
        // Gaps with 3 partitions on 10 GiB: [1G+1M, 2G+1M), [3G+1M, 4G+1M), [5G+1M, end).
        QTest::newRow("largest extent") << "GPT" << 10 * kGiB << 3 << kGiB << qint64(-1) << largest
                                        << int(Placement::Ok) << 5 * kGiB + kMiB;
        QTest::newRow("first fitting extent") << "GPT" << 10 * kGiB << 3 << kGiB << qint64(-1) << first
                                              << int(Placement::Ok) << kGiB + kMiB;
        QTest::newRow("offset aligned up") << "GPT" << 10 * kGiB << 3 << kMiB << 3 * kGiB + kMiB + 1 << largest
                                           << int(Placement::Ok) << 3 * kGiB + 2 * kMiB;
        QTest::newRow("offset inside a partition") << "GPT" << 10 * kGiB << 3 << kMiB << 2 * kGiB + 5 * kMiB
                                                   << largest << int(Placement::InvalidOffset) << qint64(0);
        QTest::newRow("too large for the extent at offset") << "GPT" << 10 * kGiB << 3 << 2 * kGiB << kGiB + kMiB
                                                            << largest << int(Placement::NoSpace) << qint64(0);
        QTest::newRow("too large for any extent") << "GPT" << 10 * kGiB << 0 << 10 * kGiB << qint64(-1) << largest
                                                  << int(Placement::NoSpace) << qint64(0);
        QTest::newRow("mbr fifth partition") << "MBR" << 10 * kGiB << 4 << kMiB << qint64(-1) << largest
                                             << int(Placement::TableFull) << qint64(0);
        QTest::newRow("mbr past 2 TiB") << "MBR" << 3 * kTiB << 0 << 2500 * kGiB << qint64(-1) << largest
                                        << int(Placement::BeyondMbrLimit) << qint64(0);
        QTest::newRow("mbr offset past 2 TiB") << "MBR" << 3 * kTiB << 0 << kGiB << 2 * kTiB + kGiB << largest
                                               << int(Placement::BeyondMbrLimit) << qint64(0);
        QTest::newRow("mbr exactly to 2 TiB") << "MBR" << 3 * kTiB << 0 << 2 * kTiB - kMiB << qint64(-1) << largest
                                              << int(Placement::Ok) << kMiB;
    }
    void placement()
    {
        QFETCH(QString, style);
        QFETCH(qint64, diskSize);
        QFETCH(int, primaries);
        QFETCH(qint64, size);
        QFETCH(qint64, offset);
        QFETCH(int, strategy);
        QFETCH(int, expected);
        QFETCH(qint64, expectedOffset);
        Disk d = makeDisk(style, diskSize);
        for (int i = 0; i < primaries; ++i)
            add(d, i + 1, kMiB + 2 * i * kGiB, kGiB);
        Extent e;
        QCOMPARE(int(placePartition(d, size, offset, Strategy(strategy), &e)), expected);
        if (expected == int(Placement::Ok)) {
            QCOMPARE(e.offset, expectedOffset);
            QCOMPARE(e.size, size);
            QVERIFY(!overlaps(d, e.offset, e.size));
        }
    }

    void gptHolds128Entries()
    {
        Disk d = makeDisk(QStringLiteral("GPT"), 200 * kGiB);
        for (int i = 0; i < kGptMaxPartitions; ++i)
            add(d, i + 1, kMiB + i * kGiB, kGiB);
        Extent e;
        QCOMPARE(placePartition(d, kGiB, -1, Strategy::Largest, &e), Placement::TableFull);
        d.partitions.removeAt(5);
        QCOMPARE(placePartition(d, kGiB, -1, Strategy::First, &e), Placement::Ok);
        QCOMPARE(e.offset, kMiB + 5 * kGiB);
    }

    void sizeRoundsToSectors()
    {
        Disk d = makeDisk(QStringLiteral("GPT"), 10 * kGiB);
        Extent e;
        QCOMPARE(placePartition(d, kGiB + 1, -1, Strategy::Largest, &e), Placement::Ok);
        QCOMPARE(e.size, kGiB + 512);
        d.logicalSectorSize = 4096;
        QCOMPARE(placePartition(d, kGiB + 1, -1, Strategy::Largest, &e), Placement::Ok);
        QCOMPARE(e.size, kGiB + 4096);
        QCOMPARE(placePartition(d, 0, -1, Strategy::Largest, &e), Placement::Ok); // 0: the whole extent
        QCOMPARE(e.size, largestFreeExtent(d).size);
    }

    void numberingAndOverlap()
    {
        Disk d = makeDisk(QStringLiteral("GPT"), 10 * kGiB);
        QCOMPARE(lowestUnusedNumber(d), 1);
        add(d, 1, kMiB, kGiB);
        add(d, 3, 2 * kGiB, kGiB);
        add(d, 4, 4 * kGiB, kGiB);
        QCOMPARE(lowestUnusedNumber(d), 2);
        add(d, 2, 6 * kGiB, kGiB);
        QCOMPARE(lowestUnusedNumber(d), 5);

        QVERIFY(overlaps(d, kMiB + kGiB - 1, 2));      // straddles the end of partition 1
        QVERIFY(!overlaps(d, kMiB + kGiB, kGiB - kMiB)); // touches both neighbours only
        QVERIFY(!overlaps(d, kMiB, kGiB + kMiB, false, 1)); // a resize of 1 ignores itself
        QVERIFY(overlaps(d, kMiB, 2 * kGiB, false, 1));
        QCOMPARE(d.partitions[1].number, 3); // kept in offset order
        QCOMPARE(d.partitions.last().number, 2);
    }

    void identities()
    {
        static const QRegularExpression serialRe(QStringLiteral("^[0-9A-F]{4}-[0-9A-F]{4}$"));
        QSet<QString> seen;
        for (int i = 0; i < 50; ++i) {
            const QString s = newVolumeSerial();
            QVERIFY2(serialRe.match(s).hasMatch(), qPrintable(s));
            seen.insert(s);
        }
        QVERIFY(seen.size() > 45);
        QVERIFY(newGuid() != newGuid());
        QCOMPARE(serialValue(QStringLiteral("1A2B-3C4D")), 0x1A2B3C4Du);
        QCOMPARE(serialValue(QStringLiteral("nonsense")), 0u);
    }
};

QTEST_APPLESS_MAIN(TestSimGeometry)
#include "tst_simgeometry.moc"
