#include "formatrig.h"

#include "storage/windowsstoragemanager.h"

#include <QtTest>

using Options = DiskOperationWorker::FormatOptions;

namespace {

constexpr qint64 k32GiB = 34359738368LL;

// Disk 0 runs Windows (an EFI volume, C:). Disk 1: E: 10 GiB, F: 5 GiB, a 2 GiB NTFS volume
// without a letter (1:3), G: exactly 32 GiB and H: 40 GiB, all NTFS; T: and U: are drives of
// exactly 32 GiB and one byte more that are not partitions.
void buildMachine(TestMachine &tm)
{
    tm.setTimeScale(0.01);
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 100 * sim::kMiB, "EFI", TestMachine::Vol("FAT32", "", "", 0, 512));
    tm.addPartition(0, 101 * sim::kMiB, 50 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
    tm.addDisk(1, 200 * sim::kGiB);
    qint64 at = sim::kMiB;
    const struct { qint64 size; const char *label; const char *letter; } parts[] = {
        {10 * sim::kGiB, "Data", "E"}, {5 * sim::kGiB, "Keep", "F"}, {2 * sim::kGiB, "Spare", ""},
        {k32GiB, "Exact", "G"}, {40 * sim::kGiB, "Large", "H"}};
    for (const auto &p : parts) {
        tm.addPartition(1, at, p.size, "Primary", TestMachine::Vol("NTFS", p.label, p.letter, sim::kMiB));
        at += p.size;
    }
    tm.addOtherDrive("T", 3, "NTFS", "Net", k32GiB);
    tm.addOtherDrive("U", 3, "NTFS", "Net", k32GiB + 1);
}

} // namespace

class TestFormatJob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Scripts kept for inspection land here, not in the shared temporary folder.
        QVERIFY(m_tmp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
    }

    void labelRules_data()
    {
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("expected");
        QTest::newRow("FAT32: spaces, dots, upper case") << "FAT32" << "my data.v1" << "MY_DATAV1";
        QTest::newRow("FAT32: backslash stays") << "fat32" << "a\\b" << "A\\B";
        QTest::newRow("FAT: forbidden only") << "FAT" << "/:*?<>|\"." << "NEW_VOLUME";
        QTest::newRow("FAT16: cut to 11") << "FAT16" << "abcdefghijklmnop" << "ABCDEFGHIJK";
        QTest::newRow("NTFS: empty") << "NTFS" << "" << "New Volume";
        QTest::newRow("NTFS: case and dots kept, cut to 32") << "ntfs" << "My.Data " + QString(40, u'x')
                                                            << "My.Data " + QString(24, u'x');
        QTest::newRow("exFAT: cut to 15") << "exFAT" << "ABCDEFGHIJKLMNOPQ" << "ABCDEFGHIJKLMNO";
        QTest::newRow("other: cut to 32") << "ReFS" << QString(33, u'r') << QString(32, u'r');
        QTest::newRow("Chinese kept") << "NTFS" << "数据盘" << "数据盘";
        QTest::newRow("line breaks and DEL dropped") << "NTFS" << "a\r\nformat fs=fat32\x7f\tb" << "aformat fs=fat32b";
        QTest::newRow("only control characters") << "FAT32" << "\n\r\x01" << "NEW_VOLUME";
        // 14 emoji are 28 UTF-16 units; 15 would be cut in half of the 15th.
        QTest::newRow("emoji not split") << "exFAT" << QString("😀").repeated(10) << QString("😀").repeated(7);
    }

    void labelRules()
    {
        QFETCH(QString, fileSystem);
        QFETCH(QString, label);
        QFETCH(QString, expected);
        QCOMPARE(DiskOperationWorker::correctLabelForFileSystem(fileSystem, label), expected);
    }

    // The format dialog's job end to end: what it reports, the scripts diskpart was given and
    // the machine afterwards (only the target changes, and it gets a new serial).
    void formatAsync_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<QString>("message");  // a prefix of the completion message; "" for success
        QTest::addColumn<QString>("target");   // the volume that changes, if any
        QTest::addColumn<QString>("expected"); // fs|label|letter|cluster of the target
        QTest::addColumn<QString>("scripts");  // the scripts diskpart ran, " // " between them

        const QString ok;
        const QString none;
        QTest::newRow("NTFS by letter, quick") << formatOptions("E:", "NTFS", "Backup") << ok << "1:1" << "NTFS|Backup|E|4096"
                                               << "select volume E / format fs=ntfs quick label=\"Backup\" override / exit";
        QTest::newRow("exFAT, slow, no label") << formatOptions(" e: ", "exFAT", "", 0, false) << ok << "1:1" << "exFAT|Data|E|32768"
                                               << "select volume E / format fs=exfat label=\"Data\" override / exit";
        QTest::newRow("FAT32 at exactly 32 GiB: diskpart") << formatOptions("G:", "FAT32", "my data.v1") << ok << "1:4"
                                                           << "FAT32|MY_DATAV1|G|16384"
                                                           << "select volume G / format fs=fat32 quick label=\"MY_DATAV1\" override / exit";
        QTest::newRow("by partition id: always quick, letter given") << formatOptions("1:3", "ntfs", "a<b>c", 0, false) << ok << "1:3"
                                                                     << "NTFS|a_b_c|D|4096"
                                                                     << "select disk 1 / select partition 3 / format fs=ntfs quick label=\"a_b_c\" override / assign / exit";
        // Labels that try to leave their line stay one label on one line.
        QTest::newRow("injection by letter") << formatOptions("E:", "NTFS", "x\"\r\nselect volume F\r\nformat fs=fat32 quick \"")
                                             << ok << "1:1" << "NTFS|xselect volume Fformat fs=fat32 |E|4096"
                                             << "select volume E / format fs=ntfs quick label=\"xselect volume Fformat fs=fat32 \" override / exit";
        QTest::newRow("injection by id") << formatOptions("1:3", "NTFS", "\"\nselect disk 1\nselect partition 2\nformat\n")
                                         << ok << "1:3" << "NTFS|_select disk 1select partition 2|D|4096"
                                         << "select disk 1 / select partition 3 / format fs=ntfs quick label=\"_select disk 1select partition 2\" override / assign / exit";
        QTest::newRow("300 characters, Chinese and emoji") << formatOptions("E:", "NTFS", QString("数😀").repeated(100) + QString(100, u'z'))
                                                           << ok << "1:1" << "NTFS|" + QString("数😀").repeated(10) + "数|E|4096"
                                                           << "select volume E / format fs=ntfs quick label=\"" + QString("数😀").repeated(10) + "数\" override / exit";

        // Refused before anything runs.
        QTest::newRow("ReFS") << formatOptions("E:", "ReFS") << "不支持的文件系统: ReFS" << none << none << "";
        QTest::newRow("empty path") << formatOptions("  ", "NTFS") << "无效的分区路径：路径为空" << none << none << "";
        QTest::newRow("id not numeric") << formatOptions("1:x", "NTFS") << "无效的磁盘:分区格式，无法解析数字" << none << none << "";
        QTest::newRow("no known form") << formatOptions("1:2:3", "NTFS") << "无效的分区路径格式: 1:2:3" << none << none << "";
        QTest::newRow("letter that is not A-Z") << formatOptions("数:", "NTFS") << "无效的磁盘:分区格式，无法解析数字" << none << none << "";
        // FAT32 of a partition id counts as large; the large path needs a letter.
        QTest::newRow("FAT32 by id") << formatOptions("1:3", "FAT32") << "大容量FAT32格式化需要盘符: 1:3" << none << none << "";

        // diskpart refuses: the reason names its exit code and what it said.
        QTest::newRow("vanished volume") << formatOptions("Q:", "NTFS", "x") << "diskpart 执行失败，退出码: 2\n\n输出信息：" << none << none
                                         << "select volume Q / format fs=ntfs quick label=\"x\" override / exit";
        QTest::newRow("exactly 32 GiB: diskpart") << formatOptions("T:", "FAT32") << "diskpart 执行失败，退出码: 2" << none << none
                                                  << "select volume T / format fs=fat32 quick label=\"DATA\" override / exit";
        QTest::newRow("one byte more: large path") << formatOptions("U:", "FAT32") << "驱动器 U: 正被其他程序使用。" << none << none << "";
        QTest::newRow("running system") << formatOptions("C:", "NTFS", "W") << "diskpart 执行失败，退出码: 4" << none << none
                                        << "select volume C / format fs=ntfs quick label=\"W\" override / exit";
    }

    void formatAsync()
    {
        QFETCH(Options, options);
        QFETCH(QString, message);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        QFETCH(QString, scripts);

        TestMachine tm;
        buildMachine(tm);
        QVERIFY(tm.write());
        const auto before = volumes(tm.read());
        ToolBin bin;
        WorkerRig rig(this);
        QVERIFY(rig.format(options));

        QCOMPARE(rig.completions.size(), 1);
        const QPair<bool, QString> result = rig.completions.first();
        if (message.isEmpty()) {
            QCOMPARE(result, qMakePair(true, QStringLiteral("格式化成功完成")));
            QCOMPARE(rig.progress, (QList<int>{10, 100}));
        } else {
            QVERIFY2(!result.first && result.second.startsWith(message), qPrintable(result.second));
            QVERIFY2(!rig.progress.contains(100), qPrintable(QTest::toString(rig.progress)));
            if (message.startsWith(QLatin1String("diskpart")))
                QVERIFY2(result.second.size() > message.size(), "diskpart's own words are missing");
        }
        QCOMPARE(machineDiff(before, volumes(tm.read()), target, expected), QString());
        QCOMPARE(bin.scriptTexts().join(QLatin1String(" // ")), scripts);
        QCOMPARE(bin.strayLines(), QStringList());
    }

    // ReFS is refused after exactly one report of 10, with the name as the user gave it.
    void unsupportedReportsOnce()
    {
        TestMachine tm;
        buildMachine(tm);
        QVERIFY(tm.write());
        WorkerRig rig(this);
        QVERIFY(rig.format(formatOptions("E:", "refs")));
        QCOMPARE(rig.progress, QList<int>{10});
        QCOMPARE(rig.completions, (QList<QPair<bool, QString>>{{false, "不支持的文件系统: refs"}}));
    }

    // The batch step: the record comes from the GUI thread's manager by a blocking call, the
    // letter may come late, a failing format by letter is tried again and then by id.
    void formatPartitionSteps_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected"); // fs|label|letter|cluster of the target
        QTest::addColumn<QString>("scripts");  // V by volume, I by id, " " between

        const QByteArray none;
        QTest::newRow("letter at once") << "1:1" << "NTFS" << "Vol" << none << true << "NTFS|Vol|E|4096" << "V";
        QTest::newRow("Chinese label") << "1:1" << "NTFS" << "数据" << none << true << "NTFS|NewVolume|E|4096" << "V";
        QTest::newRow("FAT32 label rule") << "1:1" << "fat32" << "my data" << none << true << "FAT32|MY_DATA|E|8192" << "V";
        QTest::newRow("letter after three refused queries")
            << "1:1" << "NTFS" << "Late" << QByteArray(R"({"target":"wmi.query","match":"MSFT_Partition","times":3})") << true
            << "NTFS|Late|E|4096" << "V";
        QTest::newRow("never a letter: by id") << "1:3" << "NTFS" << "x\ny" << none << true << "NTFS|xy||4096" << "I";
        QTest::newRow("retried once") << "1:1" << "NTFS" << "Two"
                                      << QByteArray(R"({"target":"tool.diskpart","match":"select volume E","exitCode":5,"times":1})")
                                      << true << "NTFS|Two|E|4096" << "V V";
        QTest::newRow("by id after two failures") << "1:1" << "NTFS" << "Three"
                                                  << QByteArray(R"({"target":"tool.diskpart","match":"select volume E","exitCode":5,"times":2})")
                                                  << true << "NTFS|Three|E|4096" << "V V I";
        QTest::newRow("everything fails") << "1:1" << "NTFS" << "No"
                                          << QByteArray(R"({"target":"tool.diskpart","exitCode":5})") << false << "" << "V V I";
        QTest::newRow("large FAT32 without a letter") << "1:5" << "FAT32" << "" << none << false << "" << "";
        QTest::newRow("empty id") << "" << "NTFS" << "" << none << false << "" << "";
    }

    void formatPartitionSteps()
    {
        QFETCH(QString, id);
        QFETCH(QString, fileSystem);
        QFETCH(QString, label);
        QFETCH(QByteArray, fault);
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        QFETCH(QString, scripts);

        TestMachine tm;
        buildMachine(tm);
        // Without its letter the 40 GiB volume waits for one in vain.
        if (id == QLatin1String("1:5"))
            tm.partition(1, 5).volume->letter.clear();
        QVERIFY(tm.write());
        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        if (!fault.isEmpty()) {
            tm.addFault(fault.constData());
            QVERIFY(tm.write());
        }
        const auto before = volumes(tm.read());
        ToolBin bin;
        WorkerRig rig(this);
        rig.worker->m_storageManager = &manager;
        bool result = !ok;
        QVERIFY(rig.onWorker([&] { result = rig.worker->formatPartition(id, fileSystem, label); }));
        QCOMPARE(result, ok);

        QStringList kinds;
        for (const QStringList &s : bin.scripts())
            kinds << (s.value(0).startsWith(QLatin1String("select volume")) ? "V" : "I");
        QCOMPARE(kinds.join(u' '), scripts);
        QCOMPARE(bin.strayLines(), QStringList());
        QCOMPARE(machineDiff(before, volumes(tm.read()), ok ? id : QString(), expected), QString());
        if (!fault.isEmpty() && fault.contains("times"))
            QVERIFY2(tm.read().faults.isEmpty(), "the injected faults were not all met");
    }

private:
    QTemporaryDir m_tmp;
};

QTEST_GUILESS_MAIN(TestFormatJob)
#include "tst_formatjob.moc"
