#include "common/partitionid.h"
#include "common/records.h"

#include <QtTest>

#include <tuple>

namespace {

auto fieldsOf(const PartitionInfo &p)
{
    return std::tie(p.name, p.volumeLabel, p.driveLetter, p.driveLetters, p.fileSystem, p.sizeStr, p.type,
                    p.status, p.diskIndex, p.startSector, p.gptPartitionNumber, p.offsetBytes, p.isUnallocated,
                    p.partitionNumber, p.offset, p.sizeBytes, p.id, p.typeCode, p.devicePath);
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerRecordMetaTypes(); }

    // Every field differs from its default, so a field lost on the way shows.
    void partitionInfoSurvivesQVariant()
    {
        const PartitionInfo p{"E:", "数据 📁", "E", {"E:"}, "NTFS", "465.76 GB", "Primary", "Data Partition", 1,
                              2048, 3, 1048576, true, 4, 1048577, 500107862016LL, "1:4", 2, "\\\\?\\Volume{x}\\"};
        const QVariant v = QVariant::fromValue(p);
        QVERIFY(v.canConvert<PartitionInfo>());
        QVERIFY(fieldsOf(v.value<PartitionInfo>()) == fieldsOf(p));
        QVERIFY(!(fieldsOf(PartitionInfo()) == fieldsOf(p)));
    }

    // Queued calls and invoke-by-name find the types by these names.
    void metaTypeNames()
    {
        for (const char *name : {"PartitionInfo", "SplitPartitionOptions", "PartitionCreateRequest",
                                 "QList<PartitionCreateRequest>"})
            QVERIFY2(QMetaType::fromName(name).isValid(), name);
        QCOMPARE(QMetaType::fromName("PartitionInfo"), QMetaType::fromType<PartitionInfo>());
    }

    void splitValidity_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint64>("keep");
        QTest::addColumn<qint64>("created");
        QTest::addColumn<bool>("valid");
        const qint64 GiB = 1024LL * 1024 * 1024;
        const qint64 tol = 64LL * 1024 * 1024;
        // The original is always 10 GiB.
        QTest::newRow("short by exactly 64 MiB") << "0:2" << 6 * GiB << 4 * GiB - tol << true;
        QTest::newRow("short by 64 MiB + 1") << "0:2" << 6 * GiB << 4 * GiB - tol - 1 << false;
        QTest::newRow("over by exactly 64 MiB") << "0:2" << 6 * GiB << 4 * GiB + tol << true;
        QTest::newRow("over by 64 MiB + 1") << "0:2" << 6 * GiB << 4 * GiB + tol + 1 << false;
        QTest::newRow("empty id") << "" << 6 * GiB << 4 * GiB << false;
        QTest::newRow("new size 0, sum exact") << "0:2" << 10 * GiB << qint64(0) << false;
        QTest::newRow("keep negative, sum exact") << "0:2" << -GiB << 11 * GiB << false;
    }

    void splitValidity()
    {
        SplitPartitionOptions o;
        QFETCH(QString, id);
        o.partitionId = id;
        o.originalSizeBytes = 10LL * 1024 * 1024 * 1024;
        QFETCH(qint64, keep);
        o.keepSizeBytes = keep;
        QFETCH(qint64, created);
        o.newSizeBytes = created;
        QTEST(o.isValid(), "valid");
    }

    void partitionIds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checkedOk");
        QTest::addColumn<bool>("uncheckedOk");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("partition");
        QTest::newRow("plain") << "1:12" << true << true << 1 << 12;
        QTest::newRow("decimal, not octal") << "0:08" << true << true << 0 << 8;
        QTest::newRow("three parts") << "1:3:4" << false << false << 0 << 0;
        QTest::newRow("empty") << "" << false << false << 0 << 0;
        QTest::newRow("lone colon") << ":" << false << true << 0 << 0;
        QTest::newRow("letters") << "a:b" << false << true << 0 << 0;
        QTest::newRow("letter disk") << "a:3" << false << true << 0 << 3;
    }

    void partitionIds()
    {
        QFETCH(QString, text);
        QFETCH(bool, uncheckedOk);
        PartitionId id{-7, -7};
        QTEST(parsePartitionId(text, &id, IdCheck::Checked), "checkedOk");
        QCOMPARE(parsePartitionId(text, &id, IdCheck::Unchecked), uncheckedOk);
        if (uncheckedOk) {
            QTEST(id.disk, "disk");
            QTEST(id.partition, "partition");
        }
    }

    void madeIdsReadBack()
    {
        QCOMPARE(makePartitionId(10, 12), QStringLiteral("10:12"));
        PartitionId id;
        QVERIFY(parsePartitionId(makePartitionId(0, 3), &id));
        QCOMPARE(id.disk, 0);
        QCOMPARE(id.partition, 3);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
