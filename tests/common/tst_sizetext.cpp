#include "common/sizetext.h"

#include <QLocale>
#include <QtTest>

class TestSizeText : public QObject
{
    Q_OBJECT

private slots:
    void formatSizeUnits_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative") << qint64(-1) << "0 B";
        QTest::newRow("zero") << qint64(0) << "0 B";
        QTest::newRow("1023") << qint64(1023) << "1023 B";
        QTest::newRow("1024") << qint64(1024) << "1.00 KB";
        QTest::newRow("1536") << qint64(1536) << "1.50 KB";
        QTest::newRow("just below MiB") << qint64(1048575) << "1024.00 KB";
        QTest::newRow("MiB") << qint64(1048576) << "1.00 MB";
        QTest::newRow("5 GiB") << qint64(5) * 1024 * 1024 * 1024 << "5.00 GB";
        QTest::newRow("465.76 GB") << qint64(500107862016LL) << "465.76 GB";
        QTest::newRow("TiB") << (qint64(1) << 40) << "1.00 TB";
        QTest::newRow("PiB") << (qint64(1) << 50) << "1.00 PB";
        QTest::newRow("max") << std::numeric_limits<qint64>::max() << "8192.00 PB";
    }

    void formatSizeUnits()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(formatSize(bytes), text);
    }

    void formatSizeIgnoresLocale()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = formatSize(1536);
        QLocale::setDefault(saved);
        QCOMPARE(text, QStringLiteral("1.50 KB"));
    }

    void parseSizeTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("comma thousands") << "1,024 MB" << qint64(1073741824);
        QTest::newRow("lower case, spaces around") << "  2.5gb  " << qint64(2684354560LL);
        QTest::newRow("plain number") << "100" << qint64(100);
        QTest::newRow("bytes unit") << "100 B" << qint64(100);
        QTest::newRow("unknown unit") << "12 XB" << qint64(0);
        QTest::newRow("fraction truncated") << "1.5" << qint64(1);
        QTest::newRow("negative passes through") << "-5" << qint64(-5);
        QTest::newRow("KB") << "1kb" << qint64(1024);
        QTest::newRow("TB") << "2 TB" << qint64(2) * (qint64(1) << 40);
        QTest::newRow("EB") << "1EB" << (qint64(1) << 60);
        QTest::newRow("round trip of formatSize") << "465.76 GB" << qint64(500105991946LL);
        QTest::newRow("space inside number") << "1 024 MB" << qint64(0);
        QTest::newRow("overflow clamps") << "9999 EB" << std::numeric_limits<qint64>::max();
        QTest::newRow("garbage") << "abc" << qint64(0);
    }

    void parseSizeTexts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        QCOMPARE(parseSize(text), bytes);
    }

    void systemAndBoot()
    {
        PartitionInfo p;
        p.name = QStringLiteral("Partition 2");
        p.driveLetters = {QStringLiteral("c:")};
        QVERIFY(isBootPartition(p));
        QVERIFY(!isSystemPartition(p));

        PartitionInfo efi;
        efi.type = QStringLiteral("EFI");
        efi.typeCode = 2;
        QVERIFY(isSystemPartition(efi));

        PartitionInfo msr;
        msr.type = QStringLiteral("msr");
        QVERIFY(isSystemPartition(msr));

        PartitionInfo byStatus;
        byStatus.status = QStringLiteral("Boot, System");
        QVERIFY(isSystemPartition(byStatus));
        QVERIFY(isBootPartition(byStatus));

        PartitionInfo byCode;
        byCode.typeCode = 1;
        QVERIFY(isSystemPartition(byCode));
        QVERIFY(!isBootPartition(byCode));
    }

    void statusText()
    {
        PartitionInfo boot;
        boot.name = QStringLiteral("C:");
        boot.typeCode = 2;
        QCOMPARE(partitionTypeText(boot), QStringLiteral("Boot, Data Partition"));

        PartitionInfo sys;
        sys.type = QStringLiteral("System");
        sys.typeCode = 1;
        QCOMPARE(partitionTypeText(sys), QStringLiteral("System"));

        PartitionInfo efi;
        efi.type = QStringLiteral("EFI");
        efi.typeCode = 7;
        QCOMPARE(partitionTypeText(efi), QStringLiteral("System, EFI"));

        QCOMPARE(partitionTypeText(PartitionInfo()), QStringLiteral("Data Partition"));

        PartitionInfo recovery;
        recovery.typeCode = 5;
        QCOMPARE(partitionTypeText(recovery), QStringLiteral("Recovery"));
    }

    void displayName()
    {
        PartitionInfo rooted;
        rooted.driveLetters = {QStringLiteral("E:\\")};
        rooted.name = QStringLiteral("whatever");
        QCOMPARE(partitionDisplayName(rooted), QStringLiteral("E:"));

        PartitionInfo lettered;
        lettered.driveLetters = {QStringLiteral("E:")};
        lettered.name = QStringLiteral("E:");
        QCOMPARE(partitionDisplayName(lettered), QStringLiteral("E:"));

        PartitionInfo numbered;
        numbered.name = QStringLiteral("partition 3");
        numbered.partitionNumber = 3;
        QCOMPARE(partitionDisplayName(numbered), QStringLiteral("Partition 3"));

        PartitionInfo unknown;
        unknown.name = QStringLiteral("Unknown");
        QCOMPARE(partitionDisplayName(unknown), QStringLiteral("Unknown Partition"));
        QCOMPARE(partitionDisplayName(PartitionInfo()), QStringLiteral("Unknown Partition"));
    }
};

QTEST_GUILESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
