// The rules that must have one answer wherever they are asked: the reserve beside a new partition.
#include "common/creationplan.h"

#include <QtTest>

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    // The space kept free beside a new partition: by the free space when it is known, by the
    // disk's size class at each boundary when the free space had to be estimated. And a full table.
    void creationReserve()
    {
        constexpr qint64 M = 1024 * 1024, G = 1024 * M;
        const struct { qint64 free, disk, reserve; } cases[] = {
            {300 * G, 0, 100 * M},           {10 * G, 32 * G - 1, 50 * M},      {10 * G, 32 * G, 100 * M},
            {40 * G, 499 * G, 40 * G / 200}, {40 * G, 500 * G - 1, 40 * G / 200}, {40 * G, 500 * G, 500 * M},
            {100 * G, 2000 * G, G},
        };
        for (const auto &c : cases)
            QCOMPARE(creationplan::reserveFor(c.free, c.disk), c.reserve);
        // A full GPT table names its size (the MBR wording is checked with the dialog).
        creationplan::Region full;
        full.partitionStyle = 2;
        full.freeTableEntries = 0;
        QCOMPARE(creationplan::tableRefusal(full, 1), "The partition table of this disk is full (128 partitions).");
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
