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

    void build(bool administrator = true, const QString &language = QStringLiteral("en-US"))
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
        QVERIFY(tm.write());
        m_before = tm.read();
    }

    const sim::Partition *byLetter(const sim::Machine &m, const QString &letter)
    {
        for (const sim::Disk &d : m.disks)
            for (const sim::Partition &p : d.partitions)
                if (p.volume && p.volume->letter == letter)
                    return &p;
        return nullptr;
    }

private slots:
    void init() { build(); }

    void formats_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<qint64>("cluster");
        QTest::addColumn<QString>("note");

        QTest::newRow("default above 32 GiB") << QStringList{"F:"} << qint64(32768) << "";
        QTest::newRow("-c16") << QStringList{"-c16", "F:"} << qint64(8192) << "";
        QTest::newRow("-c64") << QStringList{"-c64", "F:"} << qint64(32768) << "";
        QTest::newRow("-c128") << QStringList{"-c128", "F:"} << qint64(65536) << "";
        QTest::newRow("bad size falls back to the default")
            << QStringList{"-c3", "F:"} << qint64(32768) << "Ignoring bad cluster size 3";
        QTest::newRow("default for 1 GiB") << QStringList{"S:"} << qint64(4096) << "";
        QTest::newRow("4K sectors") << QStringList{"-c16", "K:"} << qint64(65536) << "";
    }

    void formats()
    {
        QFETCH(QStringList, args);
        QFETCH(qint64, cluster);
        QFETCH(QString, note);
        const QString letter = args.last().left(1);

        const ToolRun r = runTool("fat32format.exe", args, "y\r\n");
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("Warning ALL data on drive '%1:' will be lost irretrievably, are you sure\r\n"
                                              "(y/n) :")
                                   .arg(letter)));
        for (const QString &marker : {QStringLiteral("Formatting drive %1:...").arg(letter), QStringLiteral("Clearing out "),
                                      QStringLiteral("Megabytes/sec"), QStringLiteral("Initialising reserved sectors and FATs..."),
                                      QStringLiteral("Cluster size %1 bytes").arg(cluster), note})
            QVERIFY2(r.out.contains(marker), qPrintable(marker));
        QVERIFY(r.out.endsWith("\r\nDone\r\n"));

        const sim::Machine now = m_tm->read();
        const sim::Partition *was = byLetter(m_before, letter);
        const sim::Partition *is = byLetter(now, letter);
        QVERIFY(is);
        QCOMPARE(is->volume->fileSystem, QStringLiteral("FAT32"));
        QCOMPARE(is->volume->clusterSize, cluster);
        QCOMPARE(is->volume->label, QString());
        QCOMPARE(is->volume->guid, was->volume->guid);
        QVERIFY(is->volume->serial != was->volume->serial);
        QVERIFY(r.out.contains("Volume ID is " + is->volume->serial.toLower().replace('-', ':')));
        QVERIFY(is->volume->usedBytes > 0 && is->volume->usedBytes < is->size / 50);
        QMap<QString, QString> others = volumePrints(now), before = volumePrints(m_before);
        others.remove(is->volume->guid);
        before.remove(is->volume->guid);
        QCOMPARE(others, before);
        QCOMPARE(layoutPrint(now), layoutPrint(m_before));
    }

    void declined_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("no") << QByteArray("n\r\n");
        QTest::newRow("anything but y") << QByteArray(" y\r\n");
        QTest::newRow("input closed") << QByteArray();
    }

    void declined()
    {
        QFETCH(QByteArray, answer);
        const ToolRun r = runTool("fat32format.exe", {"F:"}, answer);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!r.out.contains("Done"));
        QCOMPARE(volumePrints(m_tm->read()), volumePrints(m_before));
    }

    void waitsForTheAnswer()
    {
        QProcess p;
        p.start(toolPath("fat32format.exe"), {"-c64", "F:"});
        QVERIFY(p.waitForStarted(10000));
        QByteArray out;
        while (!out.contains("(y/n) :") && p.waitForReadyRead(10000))
            out += p.readAllStandardOutput();
        QVERIFY(out.contains("(y/n) :"));
        QVERIFY(!p.waitForFinished(300)); // still waiting, nothing done yet
        QCOMPARE(volumePrints(m_tm->read()), volumePrints(m_before));

        p.write("y\r\n");
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().endsWith("Done\r\n"));
        QCOMPARE(byLetter(m_tm->read(), "F")->volume->fileSystem, QStringLiteral("FAT32"));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("administrator");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("texts");

        QTest::newRow("missing volume") << QStringList{"Q:"} << true << "en-US" << 2
                                        << QStringList{"Failed to open device - close any files before formatting",
                                                       "GetLastError()=2: The system cannot find the file specified."};
        QTest::newRow("missing volume, Chinese") << QStringList{"Q:"} << true << "zh-CN" << 2
                                                 << QStringList{"GetLastError()=2: 系统找不到指定的文件。"};
        // The tool ends with the last error, which the size check leaves at 0.
        QTest::newRow("above 2 TiB") << QStringList{"-c64", "T:"} << true << "en-US" << 0
                                     << QStringList{"This drive is too big for FAT32 - max 2TB supported",
                                                    "GetLastError()=0: The operation completed successfully."};
        QTest::newRow("system volume") << QStringList{"C:"} << true << "en-US" << 5
                                       << QStringList{"Failed to lock device", "GetLastError()=5"};
        QTest::newRow("no administrator") << QStringList{"F:"} << false << "en-US" << 5
                                          << QStringList{"make sure you have Admin rights", "GetLastError()=5: Access is denied."};
        QTest::newRow("no drive") << QStringList{"-c64"} << true << "en-US" << 1 << QStringList{"Usage"};
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, administrator);
        QFETCH(QString, language);
        QFETCH(int, exitCode);
        QFETCH(QStringList, texts);
        build(administrator, language);

        const ToolRun r = runTool("fat32format.exe", args, "y\r\n");
        QCOMPARE(r.exitCode, exitCode);
        for (const QString &t : texts)
            QVERIFY2(r.out.contains(t), qPrintable(r.out));
        QVERIFY(!r.out.contains("Done"));
        QCOMPARE(volumePrints(m_tm->read()), volumePrints(m_before));
    }

    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("formatted");
        QTest::addColumn<QString>("text");

        QTest::newRow("no Done") << R"({"target":"tool.fat32format","noDone":true})" << 0 << true
                                 << "Initialising reserved sectors and FATs...\r\n";
        QTest::newRow("in use") << R"({"target":"tool.fat32format","inUse":true})" << 32 << false
                                << "close any files before formatting, and make sure you have Admin rights when using "
                                   "fat32format\r\nGetLastError()=32: ";
        QTest::newRow("exit 2") << R"({"target":"tool.fat32format","exit2":true})" << 2 << false << "GetLastError()=2: ";
        QTest::newRow("exit code") << R"({"target":"tool.fat32format","exitCode":9,"output":"Stop"})" << 9 << false
                                   << "Stop";
        QTest::newRow("extra output") << R"({"target":"tool.fat32format","match":"-c64 F:","output":"Extra"})" << 0
                                      << true << "Done\r\nExtra\r\n";
    }

    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(bool, formatted);
        QFETCH(QString, text);
        m_tm->addFault(fault.toUtf8().constData());
        QVERIFY(m_tm->write());

        const ToolRun r = runTool("fat32format.exe", {"-c64", "F:"}, "y\r\n");
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.contains(text), qPrintable(r.out));
        QCOMPARE(r.out.contains("Done"), text.startsWith("Done"));
        QCOMPARE(byLetter(m_tm->read(), "F")->volume->fileSystem, formatted ? QStringLiteral("FAT32") : QStringLiteral("NTFS"));
    }
};

QTEST_GUILESS_MAIN(TestFat32Format)
#include "tst_fat32format.moc"
