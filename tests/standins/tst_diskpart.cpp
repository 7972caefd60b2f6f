// The diskpart stand-in, run as the app runs it, judged by the machine file afterwards.

#include "standins.h"

#include <QRegularExpression>

#include <memory>

using sim::kGiB;
using sim::kMiB;
using Vol = TestMachine::Vol;

class TestDiskpart : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_tm;
    sim::Machine m_before;

    // Volume numbers in `list volume`: 0 EFI, 1 C, 2 recovery, 3 E, 4 F, 5 G, 6 H, 7 Spare.
    void build(const QString &language = QStringLiteral("en-US"))
    {
        m_tm.reset(); // restores the variable before the next machine publishes its own
        m_tm = std::make_unique<TestMachine>();
        TestMachine &tm = *m_tm;
        tm.machine().displayLanguage = language;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, 100 * kMiB, "System", Vol("FAT32", "", "", 30 * kMiB));
        tm.addPartition(0, 101 * kMiB, 16 * kMiB, "MSR");
        tm.addPartition(0, 117 * kMiB, 40 * kGiB, "Primary", Vol("NTFS", "Windows", "C", 20 * kGiB));
        tm.addPartition(0, 117 * kMiB + 40 * kGiB, 512 * kMiB, "Recovery", Vol("NTFS", "", "", 400 * kMiB));
        tm.addDisk(1, 200 * kGiB);
        tm.addPartition(1, kMiB, 20 * kGiB, "Primary", Vol("NTFS", "Data", "E", 5 * kGiB));
        tm.addPartition(1, kMiB + 20 * kGiB, 8 * kGiB, "Primary", Vol("FAT32", "Media", "F", kGiB, 16384));
        tm.addPartition(1, kMiB + 28 * kGiB, 40 * kGiB, "Primary", Vol("exFAT", "Big", "G", kGiB, 131072));
        tm.addPartition(1, kMiB + 68 * kGiB, 10 * kGiB, "Primary"); // never formatted
        tm.addDisk(2, 64 * kGiB, "MBR");
        tm.addPartition(2, kMiB, 10 * kGiB, "Primary", Vol("NTFS", "Old", "H", kGiB));
        tm.partition(2, 1).active = true;
        tm.addPartition(2, kMiB + 10 * kGiB, 5 * kGiB, "Primary", Vol("NTFS", "Spare", "", kGiB));
        tm.addOtherDrive("D", 5);
        QVERIFY(tm.write());
        m_before = tm.read();
    }

    sim::Machine after() { return m_tm->read(); }

    // Every volume but `target` (disk:partition, or none) and the layout are as before.
    void expectOthersUntouched(const sim::Machine &now, int disk = -1, int number = -1, bool layoutMayChange = false)
    {
        QMap<QString, QString> was = volumePrints(m_before), is = volumePrints(now);
        for (const sim::Machine *m : std::initializer_list<const sim::Machine *>{&m_before, &now}) {
            if (const sim::Partition *p = findPartition(*m, disk, number); p && p->volume) {
                was.remove(p->volume->guid);
                is.remove(p->volume->guid);
            }
        }
        QCOMPARE(is, was);
        if (!layoutMayChange)
            QCOMPARE(layoutPrint(now), layoutPrint(m_before));
    }

private slots:
    void init() { build(); }

    void format_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("fileSystem"); // empty: the volume must stay as it was
        QTest::addColumn<qint64>("cluster");
        QTest::addColumn<QString>("label");

        QTest::newRow("ntfs label cut to 32")
            << "select volume E\nformat fs=ntfs quick label=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\" override\nexit"
            << 1 << 1 << 0 << "NTFS" << qint64(4096) << "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
        QTest::newRow("fat32 with unit, label cut to 11")
            << "select volume e:\nformat fs=FAT32 unit=8K label=\"my fat32 volume\" quick\nexit" << 1 << 1 << 0 << "FAT32"
            << qint64(8192) << "my fat32 vo";
        QTest::newRow("fat32 default unit for 20 GiB")
            << "select volume 3\nformat fs=fat32 quick\nexit" << 1 << 1 << 0 << "FAT32" << qint64(16384) << "";
        QTest::newRow("exfat label cut to 15")
            << "select volume F\nformat fs=exfat quick label=\"ABCDEFGHIJKLMNOPQ\" override\nexit" << 1 << 2 << 0
            << "exFAT" << qint64(32768) << "ABCDEFGHIJKLMNO";
        QTest::newRow("never formatted partition by disk and partition")
            << "select disk 1\nselect partition 4\nformat fs=ntfs quick label=\"New\" override\nexit" << 1 << 4 << 0
            << "NTFS" << qint64(4096) << "New";
        QTest::newRow("fat32 above 32 GiB refused")
            << "select volume G\nformat fs=fat32 quick label=\"X\" override\nexit" << 1 << 3 << 4 << "" << qint64(0) << "";
        QTest::newRow("unit not a power of two") << "select volume E\nformat fs=ntfs unit=3000 quick\nexit" << 1 << 1
                                                 << 4 << "" << qint64(0) << "";
        QTest::newRow("file system not offered") << "select volume E\nformat fs=refs quick\nexit" << 1 << 1 << 4 << ""
                                                 << qint64(0) << "";
        QTest::newRow("system volume, even with override")
            << "select volume C\nformat fs=ntfs quick override\nexit" << 0 << 3 << 4 << "" << qint64(0) << "";
        QTest::newRow("reserved partition has no volume")
            << "select disk 0\nselect partition 2\nformat fs=ntfs quick\nexit" << 0 << 2 << 5 << "" << qint64(0) << "";
    }

    void format()
    {
        QFETCH(QString, script);
        QFETCH(int, disk);
        QFETCH(int, number);
        QFETCH(int, exitCode);
        QFETCH(QString, fileSystem);
        QFETCH(qint64, cluster);
        QFETCH(QString, label);

        const ToolRun r = runDiskpart(script);
        QVERIFY2(r.finished, qPrintable(r.out));
        QCOMPARE(r.exitCode, exitCode);
        const sim::Machine now = after();
        expectOthersUntouched(now, disk, number);
        const sim::Partition *was = findPartition(m_before, disk, number);
        const sim::Partition *is = findPartition(now, disk, number);
        QVERIFY(is);
        if (fileSystem.isEmpty()) {
            QCOMPARE(volumePrints(now), volumePrints(m_before));
            QVERIFY(!r.out.contains("successfully"));
            return;
        }
        QVERIFY(r.out.contains("  100 percent completed\r\n\r\nDiskPart successfully formatted the volume."));
        QVERIFY(is->volume);
        QCOMPARE(is->volume->fileSystem, fileSystem);
        QCOMPARE(is->volume->clusterSize, cluster);
        QCOMPARE(is->volume->label, label);
        QCOMPARE(is->volume->letter, was->volume ? was->volume->letter : QString());
        QVERIFY(!was->volume || is->volume->serial != was->volume->serial);
        QVERIFY(!is->volume->serial.isEmpty());
        QVERIFY(is->volume->usedBytes > 0 && is->volume->usedBytes < is->size / 50);
    }

    void deletePartition_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("protected without override") << "select disk 0\nselect partition 1\ndelete partition\nexit" << 0 << 1 << 4;
        QTest::newRow("protected with override") << "select disk 0\nselect partition 1\ndelete partition override\nexit" << 0 << 1 << 0;
        QTest::newRow("data partition through its volume") << "select volume E\ndelete partition override\nexit" << 1 << 1 << 0;
        QTest::newRow("data partition without override") << "select disk 2\nselect partition 2\ndelete partition\nexit" << 2 << 2 << 0;
        QTest::newRow("system volume, even with override") << "select volume c\ndelete partition override\nexit" << 0 << 3 << 4;
    }

    void deletePartition()
    {
        QFETCH(QString, script);
        QFETCH(int, disk);
        QFETCH(int, number);
        QFETCH(int, exitCode);

        const ToolRun r = runDiskpart(script);
        QCOMPARE(r.exitCode, exitCode);
        const sim::Machine now = after();
        QCOMPARE(findPartition(now, disk, number) == nullptr, exitCode == 0);
        QCOMPARE(r.out.contains("DiskPart successfully deleted the selected partition."), exitCode == 0);
        if (exitCode != 0)
            QVERIFY(r.out.contains("Virtual Disk Service error:"));
        QStringList layout = layoutPrint(m_before);
        if (exitCode == 0)
            layout.removeIf([&](const QString &l) { return l.startsWith(QStringLiteral("%1:%2 ").arg(disk).arg(number)); });
        QCOMPARE(layoutPrint(now), layout);
        expectOthersUntouched(now, disk, number, true);
    }

    void lettersAndExtend_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("letter"); // of the target afterwards
        QTest::addColumn<qint64>("growth");

        // D is an optical drive and E..H are held: the lowest free letter is I.
        QTest::newRow("assign takes the lowest free letter")
            << "select disk 2\nselect partition 2\nassign\nexit" << 2 << 2 << 0 << "I" << qint64(0);
        QTest::newRow("assign a freed letter") << "select volume E\nremove\nselect volume 7\nassign\nexit" << 2 << 2 << 0
                                               << "E" << qint64(0);
        QTest::newRow("assign letter given in lower case with colon")
            << "select disk 2\nselect partition 2\nassign letter=k:\nexit" << 2 << 2 << 0 << "K" << qint64(0);
        QTest::newRow("assign a letter another volume holds")
            << "select disk 2\nselect partition 2\nassign letter=E\nexit" << 2 << 2 << 4 << "" << qint64(0);
        QTest::newRow("assign the optical drive's letter")
            << "select disk 2\nselect partition 2\nassign letter=D\nexit" << 2 << 2 << 4 << "" << qint64(0);
        QTest::newRow("assign moves a volume's letter") << "select volume E\nassign letter=Q\nexit" << 1 << 1 << 0 << "Q"
                                                        << qint64(0);
        QTest::newRow("remove a letter the volume does not hold")
            << "select volume E\nremove letter=F\nexit" << 1 << 1 << 4 << "E" << qint64(0);
        QTest::newRow("remove the system volume's letter") << "select volume C\nremove letter=C\nexit" << 0 << 3 << 4
                                                           << "C" << qint64(0);
        QTest::newRow("extend by a size") << "select disk 2\nselect partition 2\nextend size=1024\nexit" << 2 << 2 << 0
                                          << "" << kGiB;
        QTest::newRow("extend up to the disk's end")
            << "select disk 2\nselect partition 2\nextend\nexit" << 2 << 2 << 0 << "" << 64 * kGiB - 15 * kGiB - kMiB;
        QTest::newRow("extend beyond the free space")
            << "select disk 2\nselect partition 2\nextend size=100000\nexit" << 2 << 2 << 4 << "" << qint64(0);
        QTest::newRow("extend with a neighbour in the way") << "select volume E\nextend\nexit" << 1 << 1 << 4 << "E"
                                                            << qint64(0);
        QTest::newRow("extend fat32") << "select volume F\nextend size=10\nexit" << 1 << 2 << 4 << "F" << qint64(0);
        QTest::newRow("extend exfat") << "select volume G\nextend\nexit" << 1 << 3 << 4 << "G" << qint64(0);
    }

    void lettersAndExtend()
    {
        QFETCH(QString, script);
        QFETCH(int, disk);
        QFETCH(int, number);
        QFETCH(int, exitCode);
        QFETCH(QString, letter);
        QFETCH(qint64, growth);

        const ToolRun r = runDiskpart(script);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out));
        const sim::Machine now = after();
        const sim::Partition *was = findPartition(m_before, disk, number);
        const sim::Partition *is = findPartition(now, disk, number);
        QCOMPARE(is->volume->letter, letter);
        QCOMPARE(is->size, was->size + growth);
        // Letters and sizes change; the file system and its contents do not.
        QCOMPARE(is->volume->serial, was->volume->serial);
        QCOMPARE(is->volume->usedBytes, was->volume->usedBytes);
        QCOMPARE(is->volume->label, was->volume->label);
        QStringList held;
        for (const sim::Disk &d : now.disks)
            for (const sim::Partition &p : d.partitions)
                if (p.volume && !p.volume->letter.isEmpty())
                    held << p.volume->letter;
        QCOMPARE(QSet<QString>(held.begin(), held.end()).size(), held.size());
    }

    void assignToNeverFormattedPartition()
    {
        QCOMPARE(runDiskpart("select disk 1\nselect partition 4\nassign letter=R\nexit").exitCode, 0);
        const sim::Partition *p = findPartition(after(), 1, 4);
        QVERIFY(p->volume);
        QCOMPARE(p->volume->letter, QStringLiteral("R"));
        QCOMPARE(p->volume->fileSystem, QString());
    }

    void nothingSelected_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("format") << "format fs=ntfs quick" << "There is no volume selected.";
        QTest::newRow("assign") << "assign letter=S" << "There is no volume selected.";
        QTest::newRow("remove") << "remove" << "There is no volume selected.";
        QTest::newRow("delete") << "delete partition override" << "There is no partition selected.";
        QTest::newRow("active") << "active" << "There is no partition selected.";
        QTest::newRow("list partition") << "list partition" << "There is no disk selected to list partitions.";
        QTest::newRow("partition before disk") << "select partition 1" << "There is no disk selected.";
    }

    void nothingSelected()
    {
        QFETCH(QString, command);
        QFETCH(QString, message);
        const ToolRun r = runDiskpart(command + "\nexit");
        QCOMPARE(r.exitCode, 5);
        QVERIFY2(r.out.contains(message), qPrintable(r.out));
        QVERIFY(!r.out.contains("Leaving DiskPart..."));
        QCOMPARE(volumePrints(after()), volumePrints(m_before));
    }

    void stopsAtFirstError_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("assigned");
        const QString tail = "select disk 2\nselect partition 2\nassign letter=S\nexit";
        QTest::newRow("bad disk stops the script") << "select disk 9\n" + tail << 2 << false;
        QTest::newRow("noerr carries on") << "select disk 9 noerr\n" + tail << 0 << true;
        QTest::newRow("failed command stops the script") << "select volume F\nextend\n" + tail << 4 << false;
        QTest::newRow("failed command with noerr") << "select volume F\nextend noerr\n" + tail << 0 << true;
        QTest::newRow("syntax error stops even with noerr") << "format fs=ntfs sideways noerr\n" + tail << 5 << false;
        QTest::newRow("unknown command") << "frobnicate\n" + tail << 5 << false;
        QTest::newRow("comments and blank lines") << "rem nothing to see\n\n   \nREM more\n" + tail << 0 << true;
        QTest::newRow("case and abbreviations") << "SEL DIS 2\nSel Par 2\nASSIGN LETTER=S\nExit" << 0 << true;
    }

    void stopsAtFirstError()
    {
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        QFETCH(bool, assigned);
        const ToolRun r = runDiskpart(script);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(findPartition(after(), 2, 2)->volume->letter, assigned ? QStringLiteral("S") : QString());
        QCOMPARE(r.out.contains("Leaving DiskPart..."), exitCode == 0);
    }

    void lineEndsGiveTheSameResult_data()
    {
        QTest::addColumn<QString>("eol");
        QTest::newRow("CR LF") << "\r\n";
        QTest::newRow("LF") << "\n";
    }

    void lineEndsGiveTheSameResult()
    {
        QFETCH(QString, eol);
        const ToolRun r = runDiskpart("select volume E\nformat fs=ntfs quick label=\"Two Words\" override\n"
                                      "remove letter=E\nassign letter=T\nexit\n",
                                      eol);
        QCOMPARE(r.exitCode, 0);
        const sim::Partition *p = findPartition(after(), 1, 1);
        QCOMPARE(p->volume->label, QStringLiteral("Two Words"));
        QCOMPARE(p->volume->letter, QStringLiteral("T"));
    }

    void tables()
    {
        const ToolRun r = runDiskpart("select volume F\nlist volume\nlist disk\nlist partition\nexit");
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split("\r\n");
        // The selected volume and its disk carry the mark.
        QVERIFY(lines.contains("* Volume 4     F   Media        FAT32  Partition   8192 MB  Healthy"));
        QVERIFY(lines.contains("  Volume 1     C   Windows      NTFS   Partition     40 GB  Healthy    Boot"));
        QVERIFY(lines.contains("  Volume 0                      FAT32  Partition    100 MB  Healthy    System"));
        QVERIFY(lines.contains("  Volume 7         Spare        NTFS   Partition   5120 MB  Healthy"));
        QVERIFY(lines.contains("* Disk 1    Online          200 GB   121 GB        *"));
        QVERIFY(lines.contains("* Partition 2    Primary           8192 MB    20 GB"));
        QVERIFY(lines.contains("  Partition 4    Primary             10 GB    68 GB"));
        QCOMPARE(lines.filter(QRegularExpression("^\\* ")).size(), 3);
        // The large FAT32 path finds a volume's number, letter and file system in this table.
        const QRegularExpression row("\\s*Volume\\s+(\\d+)\\s+(F)?\\s*.*FAT32");
        const QRegularExpressionMatch m = row.match(lines.filter("Media").value(0));
        QVERIFY(m.hasMatch());
        QCOMPARE(m.captured(1), QStringLiteral("4"));
    }

    void chineseWording()
    {
        build(QStringLiteral("zh-CN"));
        const ToolRun ok = runDiskpart("select volume E\nformat fs=ntfs quick label=\"数据盘\" override\nlist volume\n"
                                       "select disk 2\nselect partition 2\nassign\nexit");
        QCOMPARE(ok.exitCode, 0);
        for (const char *text : {"卷 3 是所选卷。", "  100 百分比已完成", "DiskPart 成功格式化该卷。", "磁盘 2 现在是所选磁盘。",
                                 "分区 2 现在是所选分区。", "DiskPart 成功地分配了驱动器号或装载点。", "退出 DiskPart...",
                                 "  卷 ###      LTR  标签         FS     类型        大小     状态       信息"})
            QVERIFY2(ok.out.contains(QString::fromUtf8(text)), text);
        // The large FAT32 path's pattern needs 卷 before the number; a CJK label shifts the columns.
        QVERIFY(ok.out.contains(QRegularExpression("\\* 卷     3     E   数据盘          NTFS")));
        QVERIFY(QRegularExpression("\\s*卷\\s+(\\d+)\\s+(F)?\\s*.*FAT32").match(ok.out).captured(1) == "0");

        const ToolRun bad = runDiskpart("select disk 9\nexit");
        QCOMPARE(bad.exitCode, 2);
        QVERIFY(bad.out.contains(QString::fromUtf8("你指定的磁盘无效。")));
        const ToolRun vds = runDiskpart("select volume F\nextend\nexit");
        QVERIFY(vds.out.contains(QString::fromUtf8("虚拟磁盘服务错误:")));
        QVERIFY(!vds.out.contains(QString::fromUtf8("成功")));
    }

    // The NTFS conversion script: on MBR it ends well; on GPT "active" fails after the format.
    void conversionScript_data()
    {
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("typeLine");
        QTest::newRow("MBR") << 2 << 2 << 0 << "Type  : 07";
        QTest::newRow("GPT") << 1 << 2 << 5 << "Type    : ebd0a0a2-b9e5-4433-87c0-68b6b72699c7";
    }

    void conversionScript()
    {
        QFETCH(int, disk);
        QFETCH(int, number);
        QFETCH(int, exitCode);
        QFETCH(QString, typeLine);
        const ToolRun r = runDiskpart(QStringLiteral("select disk %1\nselect partition %2\ndetail partition\n"
                                                     "format fs=ntfs quick label=\"Data\" override\nactive\nexit\n")
                                          .arg(disk)
                                          .arg(number));
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.contains(QStringLiteral("Partition %1\r\n%2\r\n").arg(number).arg(typeLine)));
        QVERIFY(r.out.contains(QStringLiteral("Offset in Bytes: %1").arg(findPartition(m_before, disk, number)->offset)));
        const sim::Machine now = after();
        QCOMPARE(findPartition(now, disk, number)->volume->fileSystem, QStringLiteral("NTFS"));
        if (disk == 2) {
            QVERIFY(findPartition(now, 2, 2)->active);
            QVERIFY(!findPartition(now, 2, 1)->active);
        } else {
            QVERIFY(r.out.contains("The selected disk is not a fixed MBR disk."));
        }
    }

    void rescanAndArguments()
    {
        const ToolRun scan = runDiskpart("select disk 1\nrescan\nlist partition\nexit");
        QCOMPARE(scan.exitCode, 0);
        QVERIFY(scan.out.contains("DiskPart has finished scanning your configuration.\r\n"));
        QVERIFY(scan.out.endsWith("\r\nLeaving DiskPart...\r\n"));

        const ToolRun noScript = runTool("diskpart", {});
        QCOMPARE(noScript.exitCode, 3);
        QVERIFY(noScript.out.contains("DISKPART /S"));
        const ToolRun missing = runTool("diskpart", {"/s", m_tm->path() + ".nothing-here"});
        QCOMPARE(missing.exitCode, 3);
        QVERIFY(missing.out.contains("The system cannot find the file specified."));
    }

    void concurrentRunsLoseNoChange()
    {
        // Two scripts relabel volumes on different disks over and over; with a lost update one
        // of them would end with an earlier label.
        QTemporaryDir dir;
        QList<QProcess *> runs;
        for (const char *volume : {"E", "H"}) {
            QString script = QStringLiteral("select volume %1\n").arg(volume);
            for (int i = 1; i <= 12; ++i)
                script += QStringLiteral("format fs=ntfs quick label=\"%1-%2\" override\n").arg(volume).arg(i);
            const QString path = dir.path() + "/" + volume + ".txt";
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write((script + "exit\n").toUtf8());
            f.close();
            auto *p = new QProcess(this);
            p->start(toolPath("diskpart"), {"/s", path});
            runs << p;
        }
        for (QProcess *p : runs) {
            QVERIFY(p->waitForFinished(60000));
            QCOMPARE(p->exitCode(), 0);
            delete p;
        }
        const sim::Machine now = after();
        QCOMPARE(findPartition(now, 1, 1)->volume->label, QStringLiteral("E-12"));
        QCOMPARE(findPartition(now, 2, 1)->volume->label, QStringLiteral("H-12"));
    }

    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("crashes");
        QTest::addColumn<bool>("carriedOut");
        QTest::addColumn<QString>("outputEnd");
        QTest::addColumn<int>("minMs");

        QTest::newRow("exit code with output")
            << R"({"target":"tool.diskpart","exitCode":7,"output":"Boom"})" << 7 << false << false << "Boom\r\n" << 0;
        QTest::newRow("extra output") << R"({"target":"tool.diskpart","output":"Error"})" << 0 << false << true
                                      << "Leaving DiskPart...\r\nError\r\n" << 0;
        QTest::newRow("hang") << R"({"target":"tool.diskpart","hangMs":400})" << 0 << false << true
                              << "Leaving DiskPart...\r\n" << 400;
        QTest::newRow("crash") << R"({"target":"tool.diskpart","crash":true})" << 0 << true << false << "" << 0;
        QTest::newRow("match hits") << R"({"target":"tool.diskpart","match":"LETTER=S","exitCode":1})" << 1 << false
                                    << false << "" << 0;
    }

    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(bool, crashes);
        QFETCH(bool, carriedOut);
        QFETCH(QString, outputEnd);
        QFETCH(int, minMs);
        m_tm->addFault(fault.toUtf8().constData());
        QVERIFY(m_tm->write());

        const ToolRun r = runDiskpart("select disk 2\nselect partition 2\nassign letter=S\nexit");
        QVERIFY(r.finished);
        QCOMPARE(r.crashed, crashes);
        if (!crashes)
            QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(outputEnd.isEmpty() || r.out.endsWith(outputEnd), qPrintable(r.out));
        QVERIFY(r.elapsedMs >= minMs);
        QCOMPARE(findPartition(after(), 2, 2)->volume->letter, carriedOut ? QStringLiteral("S") : QString());
    }
};

QTEST_GUILESS_MAIN(TestDiskpart)
#include "tst_diskpart.moc"
