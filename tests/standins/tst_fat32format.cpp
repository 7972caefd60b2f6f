// The fat32format.exe stand-in: its prompt, its answer, its work and its failures.

#include "standins.h"

#include <memory>

using sim::kGiB;
using sim::kMiB;
using sim::kTiB;
using Vol = TestMachine::Vol;

class TestFat32Format : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_tm;
    sim::Machine m_before;

    // C: the running system; F: 40 GiB, S: 1 GiB, T: above 2 TiB; K: on a disk of 4 KiB sectors.
    void build(bool administrator = true, const QString &language = QStringLiteral("en-US"), const QString &fault = QString())
    {
        m_tm.reset(); // restores the variable before the next machine publishes its own
        m_tm = std::make_unique<TestMachine>();
        TestMachine &tm = *m_tm;
        tm.setAdministrator(administrator);
        tm.machine().displayLanguage = language;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, 50 * kGiB, "Primary", Vol("NTFS", "Windows", "C", 10 * kGiB));
        tm.addDisk(1, 3 * kTiB);
        tm.addPartition(1, kMiB, 40 * kGiB, "Primary", Vol("NTFS", "Big", "F", 2 * kGiB));
        tm.addPartition(1, kMiB + 40 * kGiB, kGiB, "Primary", Vol("NTFS", "Small", "S", kMiB));
        tm.addPartition(1, kMiB + 41 * kGiB, 2560 * kGiB, "Primary", Vol("NTFS", "Huge", "T", kGiB));
        tm.addDisk(2, 100 * kGiB).logicalSectorSize = 4096;
        tm.addPartition(2, kMiB, 64 * kGiB, "Primary", Vol("NTFS", "Four", "K", kGiB));
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());
        m_before = tm.read();
    }

private slots:
    void init() { build(); }

    // Formats, then declined, refused and faulted runs. A cluster size marks a run that formats
    // (F: unless the arguments name another drive); nothing else changes the machine. The format
    // job's large-volume rows run 8 KiB clusters and the no-Done and exit-code faults.
    void runs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("machine"); // "user": not elevated, "zh": Chinese wording, {...}: a fault
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("cluster"); // 0: nothing formatted
        const QStringList f = {"-c64", "F:"};
        const QByteArray yes = "y\r\n";
        const qint64 none = 0;
        QTest::newRow("default above 32 GiB") << QStringList{"F:"} << yes << "" << 0 << "" << qint64(32768);
        QTest::newRow("bad size falls back to the default") << QStringList{"-c3", "F:"} << yes << "" << 0 << "Ignoring bad cluster size 3" << qint64(32768);
        QTest::newRow("default for 1 GiB") << QStringList{"S:"} << yes << "" << 0 << "" << qint64(4096);
        QTest::newRow("4K sectors") << QStringList{"-c16", "K:"} << yes << "" << 0 << "" << qint64(65536);
        QTest::newRow("declined") << f << QByteArray("n\r\n") << "" << 1 << "(y/n) :" << none;
        QTest::newRow("anything but y") << f << QByteArray(" y\r\n") << "" << 1 << "(y/n) :" << none;
        QTest::newRow("input closed") << f << QByteArray() << "" << 1 << "(y/n) :" << none;
        QTest::newRow("missing volume") << QStringList{"Q:"} << yes << "" << 2 << "Failed to open device - close any files before formatting" << none;
        QTest::newRow("missing volume, Chinese") << QStringList{"Q:"} << yes << "zh" << 2 << "GetLastError()=2: 系统找不到指定的文件。" << none;
        // The tool ends with the last error, which the size check leaves at 0.
        QTest::newRow("above 2 TiB") << QStringList{"-c64", "T:"} << yes << "" << 0
                                     << "too big for FAT32 - max 2TB supported\r\nGetLastError()=0: The operation completed successfully." << none;
        QTest::newRow("system volume") << QStringList{"C:"} << yes << "" << 5 << "Failed to lock device" << none;
        QTest::newRow("no administrator") << f << yes << "user" << 5 << "GetLastError()=5: Access is denied." << none;
        QTest::newRow("no drive") << QStringList{"-c64"} << yes << "" << 1 << "Usage" << none;
        QTest::newRow("fault: in use") << f << yes << R"({"target":"tool.fat32format","inUse":true})" << 32
                                       << "when using fat32format\r\nGetLastError()=32: The process cannot access the file because it is being used by another process." << none;
        QTest::newRow("fault: exit 2") << f << yes << R"({"target":"tool.fat32format","exit2":true})" << 2 << "GetLastError()=2: " << none;
        QTest::newRow("fault: extra output") << f << yes << R"({"target":"tool.fat32format","match":"-c64 F:","output":"Extra"})" << 0 << "Done\r\nExtra\r\n" << qint64(32768);
    }
    void runs()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, answer);
        QFETCH(QString, machine);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        QFETCH(qint64, cluster);
        build(machine != "user", machine == "zh" ? "zh-CN" : "en-US", machine.startsWith('{') ? machine : QString());
        const ToolRun r = runTool("fat32format.exe", args, answer);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.contains(text), qPrintable(r.out));
        QCOMPARE(r.out.contains("Done"), cluster > 0);
        const sim::Machine now = m_tm->read();
        const QString letter = args.last().left(1);
        const int disk = letter == "K" ? 2 : 1, number = letter == "S" ? 2 : 1;
        QCOMPARE(TestMachine::fingerprint(now, disk, number), TestMachine::fingerprint(m_before, disk, number));
        if (!cluster) {
            QCOMPARE(TestMachine::fingerprint(now), TestMachine::fingerprint(m_before));
            return;
        }
        const QString prompt = "Warning ALL data on drive '%1:' will be lost irretrievably, are you sure\r\n(y/n) :";
        for (const QString &marker : {prompt.arg(letter), QStringLiteral("Formatting drive %1:...").arg(letter), QStringLiteral("Clearing out "),
                                      QStringLiteral("Initialising reserved sectors and FATs..."), QStringLiteral("Cluster size %1 bytes").arg(cluster)})
            QVERIFY2(r.out.contains(marker), qPrintable(marker));
        if (machine.isEmpty())
            QVERIFY(r.out.endsWith("\r\nDone\r\n"));
        const sim::Partition *was = TestMachine::find(m_before, disk, number), *is = TestMachine::find(now, disk, number);
        QCOMPARE(is->volume->fileSystem, QStringLiteral("FAT32"));
        QCOMPARE(is->volume->clusterSize, cluster);
        QCOMPARE(is->volume->label, QString());
        QCOMPARE(is->volume->guid, was->volume->guid);
        QVERIFY(is->volume->serial != was->volume->serial);
        QVERIFY(r.out.contains("Volume ID is " + is->volume->serial.toLower().replace('-', ':')));
        QVERIFY(is->volume->usedBytes > 0 && is->volume->usedBytes < is->size / 50);
    }

};

QTEST_GUILESS_MAIN(TestFat32Format)
#include "tst_fat32format.moc"
