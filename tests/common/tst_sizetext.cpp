#include "common/sizetext.h"

#include <QLocale>
#include <QtTest>

class TestSizeText : public QObject
{
    Q_OBJECT

private slots:
    // A comma decimal separator must never leak into the texts.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void formatSizeUnits()
    {
        QStringList got;
        for (qint64 bytes : {-1LL, 1023LL, 1024LL, 1048575LL, 1LL << 20, 500107862016LL, 1LL << 40, 1LL << 50,
                             std::numeric_limits<qint64>::max()})
            got << formatSize(bytes);
        QCOMPARE(got.join('|'), "0 B|1023 B|1.00 KB|1024.00 KB|1.00 MB|465.76 GB|1.00 TB|1.00 PB|8192.00 PB");
    }

    // The other shapes, each at its unit boundaries.
    void shortSizes()
    {
        constexpr qint64 MiB = 1LL << 20, GiB = 1LL << 30;
        QStringList got;
        for (qint64 bytes : {qint64(0), qint64(1023), qint64(1024), qint64(1536), MiB - 1, 60 * MiB, GiB - 1,
                             10 * GiB + 60 * MiB, GiB * 1024, 2 * GiB * 1024})
            got << shortSize(bytes);
        QCOMPARE(got.join(" | "), "0 B | 1023 B | 1.0 KB | 1.5 KB | 1024.0 KB | 60.0 MB | 1024.0 MB | 10.06 GB | 1.00 TB | 2.00 TB");
        QCOMPARE(gibNumber(420 * GiB + 64 * MiB), "420.06");
        QCOMPARE(gibNumber(0), "0.00");
        QStringList bar;
        for (int megabytes : {0, 1023, 1024, 40 * 1024 + 51})
            bar << megabytesText(megabytes);
        QCOMPARE(bar.join(" | "), "0 MB | 1023 MB | 1.0 GB | 40.0 GB");
    }

    // The status tags show what isBootPartition and isSystemPartition decided.
    void partitionTexts()
    {
        auto info = [](const char *name, const char *type, const char *status, int code, QStringList letters = {},
                       int number = 0) {
            PartitionInfo p;
            p.name = QString::fromUtf8(name);
            p.type = QString::fromUtf8(type);
            p.status = QString::fromUtf8(status);
            p.typeCode = code;
            p.driveLetters = letters;
            p.partitionNumber = number;
            return p;
        };
        QStringList got;
        for (const PartitionInfo &p : {info("C:", "", "", 2), info("partition 2", "", "", 0, {"c:"}, 2),
                                       info("", "msr", "", 0), info("Unknown", "", "Boot, System", 0),
                                       info("whatever", "", "", 1, {"E:\\"}), info("Data", "EFI", "", 7, {"E:"})})
            got << partitionTypeText(p) + " / " + partitionDisplayName(p);
        QCOMPARE(got, (QStringList{"Boot, Data Partition / C:", "Boot, Data Partition / Partition 2",
                                   "System, Data Partition / Unknown Partition",
                                   "Boot, System, Data Partition / Unknown Partition",
                                   "System / E:", "System, EFI / Data"}));
    }
};

QTEST_GUILESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
