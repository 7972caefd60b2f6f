#include "common/partitionid.h"
#include "common/records.h"

#include <QtTest>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void defaults()
    {
        const PartitionInfo p;
        QCOMPARE(p.diskIndex, -1);
        QCOMPARE(p.gptPartitionNumber, -1);
        QCOMPARE(p.partitionNumber, 0);
        QVERIFY(!p.isUnallocated);
        QVERIFY(p.id.isEmpty());
        QVERIFY(PartitionCreateRequest().quickFormat);
        QVERIFY(SplitPartitionOptions().formatNewPartition);
        QVERIFY(SplitPartitionOptions().validateBeforeSplit);
    }

    void partitionInfoSurvivesQVariant()
    {
        registerRecordMetaTypes();
        PartitionInfo p;
        p.name = QStringLiteral("E:");
        p.volumeLabel = QStringLiteral("数据 📁");
        p.driveLetter = QStringLiteral("E");
        p.driveLetters = {QStringLiteral("E:")};
        p.fileSystem = QStringLiteral("NTFS");
        p.sizeStr = QStringLiteral("465.76 GB");
        p.type = QStringLiteral("Primary");
        p.status = QStringLiteral("Data Partition");
        p.diskIndex = 1;
        p.startSector = 2048;
        p.gptPartitionNumber = 3;
        p.offsetBytes = 1048576;
        p.isUnallocated = true;
        p.partitionNumber = 4;
        p.offset = 1048577;
        p.sizeBytes = 500107862016LL;
        p.id = QStringLiteral("1:4");
        p.typeCode = 2;
        p.devicePath = QStringLiteral("\\\\?\\Volume{x}\\");

        const QVariant v = QVariant::fromValue(p);
        QVERIFY(v.canConvert<PartitionInfo>());
        const PartitionInfo r = v.value<PartitionInfo>();
        QCOMPARE(r.name, p.name);
        QCOMPARE(r.volumeLabel, p.volumeLabel);
        QCOMPARE(r.driveLetter, p.driveLetter);
        QCOMPARE(r.driveLetters, p.driveLetters);
        QCOMPARE(r.fileSystem, p.fileSystem);
        QCOMPARE(r.sizeStr, p.sizeStr);
        QCOMPARE(r.type, p.type);
        QCOMPARE(r.status, p.status);
        QCOMPARE(r.diskIndex, p.diskIndex);
        QCOMPARE(r.startSector, p.startSector);
        QCOMPARE(r.gptPartitionNumber, p.gptPartitionNumber);
        QCOMPARE(r.offsetBytes, p.offsetBytes);
        QCOMPARE(r.isUnallocated, p.isUnallocated);
        QCOMPARE(r.partitionNumber, p.partitionNumber);
        QCOMPARE(r.offset, p.offset);
        QCOMPARE(r.sizeBytes, p.sizeBytes);
        QCOMPARE(r.id, p.id);
        QCOMPARE(r.typeCode, p.typeCode);
        QCOMPARE(r.devicePath, p.devicePath);
    }

    void metaTypeNames()
    {
        registerRecordMetaTypes();
        for (const char *name : {"PartitionInfo", "SplitPartitionOptions", "PartitionCreateRequest",
                                 "QList<PartitionCreateRequest>"})
            QVERIFY2(QMetaType::fromName(name).isValid(), name);
        QCOMPARE(QMetaType::fromName("PartitionInfo"), QMetaType::fromType<PartitionInfo>());
    }

    void splitValidity_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint64>("original");
        QTest::addColumn<qint64>("keep");
        QTest::addColumn<qint64>("created");
        QTest::addColumn<bool>("valid");
        const qint64 GiB = 1024LL * 1024 * 1024;
        const qint64 tol = 64LL * 1024 * 1024;
        QTest::newRow("difference exactly 64 MiB") << "0:2" << 10 * GiB << 6 * GiB << 4 * GiB - tol << true;
        QTest::newRow("difference 64 MiB + 1") << "0:2" << 10 * GiB << 6 * GiB << 4 * GiB - tol - 1 << false;
        QTest::newRow("sum too large by 64 MiB") << "0:2" << 10 * GiB << 6 * GiB << 4 * GiB + tol << true;
        QTest::newRow("sum too large by 64 MiB + 1") << "0:2" << 10 * GiB << 6 * GiB << 4 * GiB + tol + 1 << false;
        QTest::newRow("empty id") << "" << 10 * GiB << 6 * GiB << 4 * GiB << false;
        QTest::newRow("new size 0") << "0:2" << 10 * GiB << 10 * GiB << qint64(0) << false;
        QTest::newRow("keep size negative") << "0:2" << 10 * GiB << -GiB << 11 * GiB << false;
        QTest::newRow("original 0") << "0:2" << qint64(0) << qint64(1) << qint64(1) << false;
    }

    void splitValidity()
    {
        QFETCH(QString, id);
        QFETCH(qint64, original);
        QFETCH(qint64, keep);
        QFETCH(qint64, created);
        QFETCH(bool, valid);
        SplitPartitionOptions o;
        o.partitionId = id;
        o.originalSizeBytes = original;
        o.keepSizeBytes = keep;
        o.newSizeBytes = created;
        QCOMPARE(o.isValid(), valid);
    }

    void partitionIds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checkedOk");
        QTest::addColumn<bool>("uncheckedOk");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("partition");
        QTest::newRow("plain") << "1:3" << true << true << 1 << 3;
        QTest::newRow("leading zero") << "0:02" << true << true << 0 << 2;
        QTest::newRow("three parts") << "1:3:4" << false << false << 0 << 0;
        QTest::newRow("no colon") << "13" << false << false << 0 << 0;
        QTest::newRow("empty") << "" << false << false << 0 << 0;
        QTest::newRow("lone colon") << ":" << false << true << 0 << 0;
        QTest::newRow("letters") << "a:b" << false << true << 0 << 0;
        QTest::newRow("letter disk") << "a:3" << false << true << 0 << 3;
        QTest::newRow("unallocated marker") << "unallocated" << false << false << 0 << 0;
    }

    void partitionIds()
    {
        QFETCH(QString, text);
        QFETCH(bool, checkedOk);
        QFETCH(bool, uncheckedOk);
        QFETCH(int, disk);
        QFETCH(int, partition);
        PartitionId id;
        QCOMPARE(parsePartitionId(text, &id, IdCheck::Checked), checkedOk);
        id = PartitionId{-7, -7};
        QCOMPARE(parsePartitionId(text, &id, IdCheck::Unchecked), uncheckedOk);
        if (uncheckedOk) {
            QCOMPARE(id.disk, disk);
            QCOMPARE(id.partition, partition);
        }
        QCOMPARE(makePartitionId(0, 2), QStringLiteral("0:2"));
        QCOMPARE(makePartitionId(1, 12), QStringLiteral("1:12"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
