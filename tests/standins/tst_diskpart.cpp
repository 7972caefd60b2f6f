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
    void build(const QString &language = QStringLiteral("en-US"), const QString &fault = QString())
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
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());
        m_before = tm.read();
    }

    sim::Machine after() { return m_tm->read(); }

private slots:
    void init() { build(); }

    // One partition changed by a script, every other one left exactly as it was.
    void commands_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("state"); // "size fs label letter cluster" afterwards; "": as before; "gone"
        const auto row = [](const char *name, const char *script, int disk, int number, int exitCode, const char *state) {
            QTest::newRow(name) << QString::fromUtf8(script) << disk << number << exitCode << QString::fromUtf8(state);
        };
        row("format ntfs, label cut to 32", "select volume E\nformat fs=ntfs quick label=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\" override",
            1, 1, 0, "20480M NTFS ABCDEFGHIJKLMNOPQRSTUVWXYZ012345 E 4096");
        row("format fat32 with unit, label cut to 11", "select volume e:\nformat fs=FAT32 unit=8K label=\"my fat32 volume\" quick",
            1, 1, 0, "20480M FAT32 my fat32 vo E 8192");
        row("format fat32, default unit", "select volume 3\nformat fs=fat32 quick", 1, 1, 0, "20480M FAT32  E 16384");
        row("format exfat, label cut to 15", "select volume F\nformat fs=exfat quick label=\"ABCDEFGHIJKLMNOPQ\" override",
            1, 2, 0, "8192M exFAT ABCDEFGHIJKLMNO F 32768");
        row("format a never formatted partition", "select disk 1\nselect partition 4\nformat fs=ntfs quick label=\"New\" override",
            1, 4, 0, "10240M NTFS New  4096");
        row("format fat32 above 32 GiB", "select volume G\nformat fs=fat32 quick label=\"X\" override", 1, 3, 4, "");
        row("format unit not a power of two", "select volume E\nformat fs=ntfs unit=3000 quick", 1, 1, 4, "");
        row("format file system not offered", "select volume E\nformat fs=refs quick", 1, 1, 4, "");
        row("format the system volume", "select volume C\nformat fs=ntfs quick override", 0, 3, 4, "");
        row("format the EFI partition Windows started from", "select disk 0\nselect partition 1\nformat fs=fat32 quick override", 0, 1, 4, "");
        row("format the reserved partition", "select disk 0\nselect partition 2\nformat fs=ntfs quick", 0, 2, 5, "");
        row("delete protected without override", "select disk 0\nselect partition 1\ndelete partition", 0, 1, 4, "");
        row("delete protected with override", "select disk 0\nselect partition 4\ndelete partition override", 0, 4, 0, "gone");
        row("delete the EFI partition Windows started from", "select disk 0\nselect partition 1\ndelete partition override", 0, 1, 4, "");
        row("delete data without override", "select disk 2\nselect partition 2\ndelete partition", 2, 2, 0, "gone");
        row("delete the system volume", "select volume c\ndelete partition override", 0, 3, 4, "");
        // D is an optical drive and E..H are held: the lowest free letter is I.
        row("assign the lowest free letter", "select disk 2\nselect partition 2\nassign", 2, 2, 0, "5120M NTFS Spare I 4096");
        row("assign letter=k:", "select disk 2\nselect partition 2\nassign letter=k:", 2, 2, 0, "5120M NTFS Spare K 4096");
        row("assign a held letter", "select disk 2\nselect partition 2\nassign letter=E", 2, 2, 4, "");
        row("assign the optical drive's letter", "select disk 2\nselect partition 2\nassign letter=D", 2, 2, 4, "");
        row("assign to a never formatted partition", "select disk 1\nselect partition 4\nassign letter=R", 1, 4, 0, "10240M   R 0");
        row("remove a letter", "select volume H\nremove", 2, 1, 0, "10240M NTFS Old  4096");
        row("remove a letter the volume does not hold", "select volume E\nremove letter=F", 1, 1, 4, "");
        row("remove the system volume's letter", "select volume C\nremove letter=C", 0, 3, 4, "");
        row("extend by a size", "select disk 2\nselect partition 2\nextend size=1024", 2, 2, 0, "6144M NTFS Spare  4096");
        row("extend to the disk's end", "select disk 2\nselect partition 2\nextend", 2, 2, 0, "55295M NTFS Spare  4096");
        row("extend beyond the free space", "select disk 2\nselect partition 2\nextend size=100000", 2, 2, 4, "");
        row("extend into a neighbour", "select volume E\nextend", 1, 1, 4, "");
        row("extend fat32", "select volume F\nextend size=10", 1, 2, 4, "");
    }
    void commands()
    {
        QFETCH(QString, script);
        QFETCH(int, disk);
        QFETCH(int, number);
        QFETCH(int, exitCode);
        QFETCH(QString, state);
        const ToolRun r = runDiskpart(script + "\nexit");
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out));
        // Refusals come from the storage service, except a lack of free space, which diskpart reports itself.
        QCOMPARE(r.out.contains("Virtual Disk Service error:"), exitCode == 4 && !r.out.contains("not enough usable free space"));
        QCOMPARE(r.out.contains("DiskPart successfully"), exitCode == 0);
        const sim::Machine now = after();
        QCOMPARE(TestMachine::fingerprint(now, disk, number), TestMachine::fingerprint(m_before, disk, number));

        const sim::Partition *was = TestMachine::find(m_before, disk, number), *is = TestMachine::find(now, disk, number);
        auto describe = [](const sim::Partition *p) {
            if (!p)
                return QStringLiteral("gone");
            const sim::Volume v = p->volume.value_or(sim::Volume());
            return QStringLiteral("%1M %2 %3 %4 %5").arg(p->size / kMiB).arg(v.fileSystem, v.label, v.letter).arg(v.clusterSize);
        };
        QCOMPARE(describe(is), state.isEmpty() ? describe(was) : state);
        if (!is || !is->volume || !was->volume)
            return;
        // A format gives a new serial and almost nothing in use; anything else keeps both.
        if (exitCode == 0 && script.contains("format")) {
            QVERIFY(is->volume->serial != was->volume->serial);
            QVERIFY(QRegularExpression("^[0-9A-F]{4}-[0-9A-F]{4}$").match(is->volume->serial).hasMatch());
            QVERIFY(is->volume->usedBytes > 0 && is->volume->usedBytes < is->size / 50);
        } else {
            QCOMPARE(is->volume->serial, was->volume->serial);
            QCOMPARE(is->volume->usedBytes, was->volume->usedBytes);
        }
    }

    // A script stops at its first failing command unless the command says noerr; a syntax error
    // stops it regardless. Each script ends by giving the Spare volume the letter S.
    void stopsAtFirstError_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // "": S is assigned
        const QString none = "There is no volume selected.", noPartition = "There is no partition selected.";
        QTest::newRow("bad disk") << "select disk 9" << 2 << "The disk you specified is not valid.";
        QTest::newRow("bad disk, noerr") << "select disk 9 noerr" << 0 << "";
        QTest::newRow("failed command") << "select volume F\nextend" << 4 << "Virtual Disk Service error:";
        QTest::newRow("failed command, noerr") << "select volume F\nextend noerr" << 0 << "";
        QTest::newRow("syntax error, noerr") << "format fs=ntfs sideways noerr" << 5 << "The arguments specified for this command are not valid.";
        QTest::newRow("unknown command") << "frobnicate" << 5 << "DiskPart did not recognize the command: frobnicate";
        QTest::newRow("comments and blank lines") << "rem nothing to see\n\n   \nREM more" << 0 << "";
        QTest::newRow("format, nothing selected") << "format fs=ntfs quick" << 5 << none;
        QTest::newRow("assign, nothing selected") << "assign letter=S" << 5 << none;
        QTest::newRow("delete, nothing selected") << "delete partition override" << 5 << noPartition;
        QTest::newRow("active, nothing selected") << "active" << 5 << noPartition;
        QTest::newRow("list partition, no disk") << "list partition" << 5 << "There is no disk selected to list partitions.";
        QTest::newRow("partition before disk") << "select partition 1" << 5 << "There is no disk selected.";
    }
    void stopsAtFirstError()
    {
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ToolRun r = runDiskpart(script + "\nSEL DIS 2\nSel Par 2\nASSIGN LETTER=S\nExit"); // keywords in any case, abbreviated
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.contains(message), qPrintable(r.out));
        QCOMPARE(r.out.contains("Leaving DiskPart..."), exitCode == 0);
        sim::Machine now = after();
        QCOMPARE(TestMachine::find(now, 2, 2)->volume->letter, message.isEmpty() ? QStringLiteral("S") : QString());
        now.disks[2].partitions[1].volume->letter.clear();
        QCOMPARE(TestMachine::fingerprint(now), TestMachine::fingerprint(m_before));
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
        QVERIFY(lines.contains("* Disk 1    Online          200 GB   121 GB        *"));
        QVERIFY(lines.contains("* Partition 2    Primary           8192 MB    20 GB"));
        QVERIFY(lines.contains("  Partition 4    Primary             10 GB    68 GB"));
        QCOMPARE(lines.filter(QRegularExpression("^\\* ")).size(), 3);
    }

    // The NTFS conversion script: on MBR it ends well; on GPT "active" fails after the format.
    void conversionScript()
    {
        for (const int disk : {2, 1}) {
            const ToolRun r = runDiskpart(QStringLiteral("select disk %1\nselect partition 2\ndetail partition\n"
                                                         "format fs=ntfs quick label=\"Data\" override\nactive\nexit\n").arg(disk));
            QCOMPARE(r.exitCode, disk == 2 ? 0 : 5);
            QVERIFY(r.out.contains(disk == 2 ? "Partition 2\r\nType  : 07\r\n" : "Partition 2\r\nType    : ebd0a0a2-b9e5-4433-87c0-68b6b72699c7\r\n"));
            QVERIFY(r.out.contains(QStringLiteral("Offset in Bytes: %1").arg(TestMachine::find(m_before, disk, 2)->offset)));
            const sim::Machine now = after();
            QCOMPARE(TestMachine::find(now, disk, 2)->volume->fileSystem, QStringLiteral("NTFS"));
            QCOMPARE(TestMachine::find(now, disk, 2)->active, disk == 2);
            QCOMPARE(TestMachine::find(now, disk, 1)->active, false); // the one active partition moved
            QCOMPARE(r.out.contains("The selected disk is not a fixed MBR disk."), disk != 2);
        }
    }

    // The merge and split jobs' tests run rescan.
    void arguments()
    {
        const ToolRun noScript = runTool("diskpart", {});
        QCOMPARE(noScript.exitCode, 3);
        QVERIFY(noScript.out.contains("DISKPART /S"));
        const ToolRun missing = runTool("diskpart", {"/s", m_tm->path() + ".nothing-here"});
        QCOMPARE(missing.exitCode, 3);
        QVERIFY(missing.out.contains("The system cannot find the file specified."));
    }

};

QTEST_GUILESS_MAIN(TestDiskpart)
#include "tst_diskpart.moc"
