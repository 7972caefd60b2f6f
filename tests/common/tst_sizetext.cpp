#include "common/sizetext.h"

#include <QLocale>
#include <QtTest>

namespace {

PartitionInfo info(const QString &name, const QString &type = {}, const QString &status = {}, int typeCode = 0,
                   const QStringList &letters = {}, int number = 0)
{
    PartitionInfo p;
    p.name = name;
    p.type = type;
    p.status = status;
    p.typeCode = typeCode;
    p.driveLetters = letters;
    p.partitionNumber = number;
    return p;
}

} // namespace

class TestSizeText : public QObject
{
    Q_OBJECT

private slots:
    // A comma decimal separator must never leak into the texts.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void formatSizeUnits_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative") << qint64(-1) << "0 B";
        QTest::newRow("1023") << qint64(1023) << "1023 B";
        QTest::newRow("1024") << qint64(1024) << "1.00 KB";
        QTest::newRow("just below MiB") << qint64(1048575) << "1024.00 KB";
        QTest::newRow("MiB") << qint64(1048576) << "1.00 MB";
        QTest::newRow("GiB") << (qint64(1) << 30) << "1.00 GB";
        QTest::newRow("465.76 GB") << qint64(500107862016LL) << "465.76 GB";
        QTest::newRow("TiB") << (qint64(1) << 40) << "1.00 TB";
        QTest::newRow("PiB") << (qint64(1) << 50) << "1.00 PB";
        QTest::newRow("max") << std::numeric_limits<qint64>::max() << "8192.00 PB";
    }

    void formatSizeUnits()
    {
        QFETCH(qint64, bytes);
        QTEST(formatSize(bytes), "text");
    }

    void parseSizeTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("comma thousands") << "1,024 MB" << qint64(1073741824);
        QTest::newRow("lower case, spaces around") << "  2.5gb  " << qint64(2684354560LL);
        QTest::newRow("no space before unit") << "1kb" << qint64(1024);
        QTest::newRow("plain number") << "100" << qint64(100);
        QTest::newRow("fraction truncated") << "1.5" << qint64(1);
        QTest::newRow("negative passes through") << "-5" << qint64(-5);
        QTest::newRow("EB") << "1EB" << (qint64(1) << 60);
        QTest::newRow("formatSize's text") << "465.76 GB" << qint64(500105991946LL);
        QTest::newRow("space inside number") << "1 024 MB" << qint64(0);
        QTest::newRow("unknown unit") << "12 XB" << qint64(0);
        QTest::newRow("overflow clamps") << "9999 EB" << std::numeric_limits<qint64>::max();
    }

    void parseSizeTexts()
    {
        QFETCH(QString, text);
        QTEST(parseSize(text), "bytes");
    }

    // The status tags show what isBootPartition and isSystemPartition decided.
    void partitionTexts_data()
    {
        QTest::addColumn<PartitionInfo>("p");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("display");
        QTest::newRow("nothing") << PartitionInfo() << "Data Partition" << "Unknown Partition";
        QTest::newRow("C: in the name") << info("C:", {}, {}, 2) << "Boot, Data Partition" << "C:";
        QTest::newRow("c: letter, generic name")
            << info("partition 2", {}, {}, 0, {"c:"}, 2) << "Boot, Data Partition" << "Partition 2";
        QTest::newRow("msr type, lower case") << info({}, "msr") << "System, Data Partition" << "Unknown Partition";
        QTest::newRow("by status") << info("Unknown", {}, "Boot, System") << "Boot, System, Data Partition"
                                   << "Unknown Partition";
        QTest::newRow("system code: one tag, rooted letter")
            << info("whatever", {}, {}, 1, {"E:\\"}) << "System" << "E:";
        QTest::newRow("EFI, bare letter ignored") << info("Data", "EFI", {}, 7, {"E:"}) << "System, EFI" << "Data";
        QTest::newRow("recovery") << info({}, {}, {}, 5) << "Recovery" << "Unknown Partition";
    }

    void partitionTexts()
    {
        QFETCH(PartitionInfo, p);
        QTEST(partitionTypeText(p), "type");
        QTEST(partitionDisplayName(p), "display");
    }
};

QTEST_GUILESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
