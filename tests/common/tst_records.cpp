#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "common/records.h"

#include <QtTest>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    // Records the tree did not make; the delete tests have the tree's own, flags and all.
    void guardsOfBareRecords()
    {
        PartitionInfo p;
        p.typeCode = 1; // a system partition on a disk Windows does not run from
        QCOMPARE(partitionGuard(p), PartitionGuard::EfiSystem);
        p.driveLetter = QStringLiteral("c"); // made from a letter only
        p.name = QStringLiteral("C:");
        QCOMPARE(partitionGuard(p), PartitionGuard::RunningSystem);
        QVERIFY(partitionGuardText(p).startsWith(QLatin1String("C: is the boot partition")));
        p.isUnallocated = true;
        QCOMPARE(partitionGuard(p), PartitionGuard::None);
    }

    // The original is 10 GiB; kept + new may miss it by 64 MiB either way, no more.
    void splitValidity()
    {
        constexpr qint64 GiB = 1LL << 30, tol = 64LL << 20;
        auto valid = [](const char *id, qint64 keep, qint64 created) {
            SplitPartitionOptions o;
            o.partitionId = QString::fromLatin1(id);
            o.originalSizeBytes = 10 * GiB;
            o.keepSizeBytes = keep;
            o.newSizeBytes = created;
            return o.isValid();
        };
        QVERIFY(valid("0:2", 6 * GiB, 4 * GiB - tol) && valid("0:2", 6 * GiB, 4 * GiB + tol));
        QVERIFY(!valid("0:2", 6 * GiB, 4 * GiB - tol - 1));
        QVERIFY(!valid("0:2", 6 * GiB, 4 * GiB + tol + 1));
        QVERIFY(!valid("", 6 * GiB, 4 * GiB));
        QVERIFY(!valid("0:2", 10 * GiB, 0)); // sums match, yet one side is empty
        QVERIFY(!valid("0:2", -GiB, 11 * GiB));
        SplitPartitionOptions nothing; // sizes within the slack of an original of 0 bytes
        nothing.partitionId = QStringLiteral("0:2");
        nothing.keepSizeBytes = 32LL << 20;
        nothing.newSizeBytes = 16LL << 20;
        QVERIFY(!nothing.isValid());
    }

    // Each id read checked and unchecked, as "disk/partition" or "no".
    void partitionIds()
    {
        auto read = [](const QString &text, IdCheck check) {
            PartitionId id{-7, -7};
            return parsePartitionId(text, &id, check) ? QStringLiteral("%1/%2").arg(id.disk).arg(id.partition)
                                                       : QStringLiteral("no");
        };
        QStringList got;
        for (const QString &text : {makePartitionId(10, 12), QString("0:08"), QString("1:3:4"), QString(),
                                    QString(":"), QString("a:b"), QString("a:3"), QString("-1:3"), QString("1:-3")})
            got << read(text, IdCheck::Checked) + ' ' + read(text, IdCheck::Unchecked);
        QCOMPARE(got, (QStringList{"10/12 10/12", "0/8 0/8", "no no", "no no", "no 0/0", "no 0/0", "no 0/3", "no -1/3",
                                   "no 1/-3"}));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
