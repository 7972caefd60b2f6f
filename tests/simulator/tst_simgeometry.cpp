#include "simulator/geometry.h"

#include <QtTest>

#include <limits>

using namespace sim;
using namespace sim::geometry;

namespace {

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

// With `primaries` 1 GiB partitions, 1 GiB apart from 1 MiB on.
Disk makeDisk(const QString &style, qint64 size, int primaries = 0)
{
    Disk d;
    d.size = size;
    d.partitionStyle = style;
    for (int i = 0; i < primaries; ++i)
        add(d, i + 1, kMiB + 2 * i * kGiB, kGiB);
    return d;
}

// The outcome and, when placed, the offset in MiB.
std::pair<Placement, qint64> place(const Disk &d, qint64 size, qint64 offset = -1, Strategy s = Strategy::Largest)
{
    Extent e;
    const Placement p = placePartition(d, size, offset, s, &e);
    if (p == Placement::Ok && (e.size != size || overlaps(d, e.offset, e.size)))
        return {Placement::NoSpace, -1}; // a placement that does not fit its request
    return {p, p == Placement::Ok ? e.offset / kMiB : -1};
}

} // namespace

class TestSimGeometry : public QObject
{
    Q_OBJECT

private slots:
    void placement()
    {
        using P = std::pair<Placement, qint64>;
        const qint64 max = std::numeric_limits<qint64>::max();
        // The first of the gaps [1G+1M, 2G+1M), [3G+1M, 4G+1M), [5G+1M, end); the provider's
        // CreatePartition rows cover the other outcomes.
        const Disk gpt = makeDisk("GPT", 10 * kGiB, 3);
        QCOMPARE(place(gpt, kGiB, -1, Strategy::First), P(Placement::Ok, 1025));
        QCOMPARE(place(makeDisk("GPT", 10 * kGiB), 10 * kGiB), P(Placement::NoSpace, -1));
        QCOMPARE(place(makeDisk("GPT", 10 * kGiB), max - 5), P(Placement::NoSpace, -1));

        const Disk mbr = makeDisk("MBR", 3 * kTiB);
        QCOMPARE(place(mbr, kGiB, 2 * kTiB + kGiB), P(Placement::BeyondMbrLimit, -1));
        QCOMPARE(place(mbr, max - 5), P(Placement::NoSpace, -1));
    }

    void tableLimitsNumberingAndOverlap()
    {
        Disk big = makeDisk("GPT", 200 * kGiB);
        for (int i = 0; i < kGptMaxPartitions; ++i)
            add(big, i + 1, kMiB + i * kGiB, kGiB);
        QCOMPARE(place(big, kGiB).first, Placement::TableFull);
        big.partitions.removeAt(5);
        QCOMPARE(place(big, kGiB, -1, Strategy::First).second, 5121);

        Disk d = makeDisk("GPT", 10 * kGiB);
        QCOMPARE(lowestUnusedNumber(d), 1);
        add(d, 1, kMiB, kGiB);
        add(d, 3, 2 * kGiB, kGiB);
        add(d, 4, 4 * kGiB, kGiB);
        QCOMPARE(lowestUnusedNumber(d), 2);
        add(d, 2, 6 * kGiB, kGiB);
        QCOMPARE(lowestUnusedNumber(d), 5);
        QCOMPARE(d.partitions.last().number, 2); // kept in offset order
        QVERIFY(overlaps(d, kMiB + kGiB - 1, 2));           // straddles the end of partition 1
        QVERIFY(!overlaps(d, kMiB + kGiB, kGiB - kMiB));    // touches both neighbours only
        QVERIFY(!overlaps(d, kMiB, kGiB + kMiB, false, 1)); // a resize of 1 ignores itself
        QVERIFY(overlaps(d, kMiB, 2 * kGiB, false, 1));
    }

    void sizesRoundUpToSectors()
    {
        Disk d = makeDisk("GPT", 10 * kGiB);
        d.logicalSectorSize = 4096;
        Extent e;
        QCOMPARE(placePartition(d, kGiB + 1, -1, Strategy::Largest, &e), Placement::Ok);
        QCOMPARE(e.size, kGiB + 4096);
        QCOMPARE(placePartition(d, 0, -1, Strategy::Largest, &e), Placement::Ok); // 0: the whole extent
        QCOMPARE(e.size, largestFreeExtent(d).size);
        // Near the top of the range the result saturates rather than wrapping negative.
        QCOMPARE(alignUp(std::numeric_limits<qint64>::max() - 5, 4096), std::numeric_limits<qint64>::max());
        QCOMPARE(alignUp(-kMiB - 1), -kMiB);
    }
};

QTEST_APPLESS_MAIN(TestSimGeometry)
#include "tst_simgeometry.moc"
