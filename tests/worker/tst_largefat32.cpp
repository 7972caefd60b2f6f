#include "formatrig.h"

#include <QtTest>

namespace {

// Disk 1: E: NTFS 10 GiB, H: NTFS 40 GiB. Disk 2: J: NTFS of 2.5 TiB, too big for FAT32.
void buildMachine(TestMachine &tm, double scale = 0.01)
{
    tm.setTimeScale(scale);
    tm.addDisk(1, 100 * sim::kGiB);
    tm.addPartition(1, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", sim::kMiB));
    tm.addPartition(1, sim::kMiB + 10 * sim::kGiB, 40 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Large", "H", sim::kMiB));
    tm.addDisk(2, 3 * 1024 * sim::kGiB);
    tm.addPartition(2, sim::kMiB, 2560 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Huge", "J", sim::kMiB));
}

const QString InUseH = QStringLiteral(
    "驱动器 H: 正被其他程序使用。\n\n请尝试以下解决方案：\n1. 关闭文件管理器中打开的 H: 驱动器窗口\n2. 结束可能正在使用该驱动器的程序\n"
    "3. 在任务管理器中结束相关进程\n4. 重启计算机后再试");
const QString NoAccessH = QStringLiteral(
    "无法访问驱动器 H:。\n\n可能的原因：\n1. 驱动器已被其他程序独占\n2. 驱动器正在被系统使用\n3. 需要重新插拔USB设备（如果是移动设备）\n\n"
    "建议：重启计算机后重试");

// `values` appear in `list` in this order, with anything between them.
bool inOrder(const QList<int> &list, const QList<int> &values)
{
    int at = 0;
    for (int v : list) {
        if (at < values.size() && v == values.at(at))
            ++at;
    }
    return at == values.size();
}

} // namespace

class TestLargeFat32 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
    }

    // FAT32 above 32 GiB through the outside formatter, end to end: its answers, the judgement of
    // what it did and the machine afterwards.
    void outcomes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("cluster");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("setup");    // "missing": no formatter; "user": not an administrator
        QTest::addColumn<QString>("message");  // the failure message or its start; "" for success
        QTest::addColumn<QString>("expected"); // fs|label|letter|cluster of H: afterwards, "" unchanged

        const QByteArray none;
        QTest::newRow("default cluster") << "H:" << 0 << none << "" << "" << "FAT32||H|32768";
        QTest::newRow("8 KiB") << "h:" << 8192 << none << "" << "" << "FAT32||H|8192";
        QTest::newRow("32 KiB") << "H:" << 32768 << none << "" << "" << "FAT32||H|32768";
        QTest::newRow("64 KiB") << "H:\\" << 65536 << none << "" << "" << "FAT32||H|65536";
        QTest::newRow("any other size: 16 KiB") << "H:" << 12345 << none << "" << "" << "FAT32||H|16384";
        // "Done" is what counts, whatever the exit code; exit 0 without it is a failure.
        QTest::newRow("Done with exit 3") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","exitCode":3,"output":"Done"})")
                                          << "" << "" << "";
        QTest::newRow("exit 0 without Done") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","noDone":true})") << ""
                                             << "格式化失败，错误码: 0\n\n输出信息：Warning ALL data on drive 'H:'" << "FAT32||H|32768";
        QTest::newRow("too big: exit 0, nothing done") << "J:" << 0 << none << "" << "格式化失败，错误码: 0\n\n输出信息：" << "";
        QTest::newRow("in use: exit 32") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","inUse":true})") << ""
                                         << InUseH << "";
        QTest::newRow("exit 2") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","exit2":true})") << "" << NoAccessH << "";
        // Another code with the tool's open-failure text reads as in use.
        QTest::newRow("exit 5, close any files") << "H:" << 0
                                                 << QByteArray(R"({"target":"tool.fat32format","exitCode":5,"output":"Failed to open device - close any files"})")
                                                 << "" << InUseH << "";
        QTest::newRow("other exit code") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","exitCode":7,"output":"bad"})")
                                         << "" << "格式化失败，错误码: 7\n\n输出信息：bad" << "";
        QTest::newRow("crash") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","crash":true})") << ""
                               << "fat32format.exe 异常退出，状态: 1" << "";
        // 60 s scaled to 600 ms; the tool would sleep 1.5 s before its first word.
        QTest::newRow("hangs past the budget") << "H:" << 0 << QByteArray(R"({"target":"tool.fat32format","hangMs":1500})") << ""
                                               << "fat32format.exe 执行超时（60秒）" << "";
        QTest::newRow("missing formatter") << "H:" << 0 << none << "missing" << "无法启动 fat32format.exe，检查路径或权限: " << "";
        // fsutil refuses a user, so the dismount takes the letter away with diskpart; the format
        // then finds no H: and the letter is given back.
        QTest::newRow("not an administrator: letter given back") << "H:" << 0 << none << "user" << InUseH << "";
    }

    void outcomes()
    {
        QFETCH(QString, path);
        QFETCH(int, cluster);
        QFETCH(QByteArray, fault);
        QFETCH(QString, setup);
        QFETCH(QString, message);
        QFETCH(QString, expected);

        TestMachine tm;
        buildMachine(tm);
        tm.setAdministrator(setup != QLatin1String("user"));
        if (!fault.isEmpty())
            tm.addFault(fault.constData());
        QVERIFY(tm.write());
        const auto before = volumes(tm.read());
        ToolBin bin(setup == QLatin1String("missing") ? ToolBin::Fat32::Missing : ToolBin::Fat32::Real);
        WorkerRig rig(this);
        QVERIFY(rig.format(formatOptions(path, "FAT32", "ignored", cluster)));

        const QPair<bool, QString> result = rig.completions.value(0);
        if (message.isEmpty()) {
            QCOMPARE(result, qMakePair(true, QStringLiteral("格式化成功完成")));
            QVERIFY2(inOrder(rig.progress, {10, 5, 10, 20, 30, 90, 95, 100, 100}), qPrintable(QTest::toString(rig.progress)));
        } else {
            QVERIFY2(!result.first && result.second.startsWith(message), qPrintable(result.second));
            QVERIFY2(inOrder(rig.progress, {10, 5, 10, 20}) && !rig.progress.contains(95), qPrintable(QTest::toString(rig.progress)));
            if (setup == QLatin1String("missing"))
                QCOMPARE(result.second, message + bin.path() + QStringLiteral("/fat32format.exe"));
        }
        if (fault.isEmpty() && setup.isEmpty() && message.isEmpty())
            QVERIFY2(inOrder(rig.progress, {30, 50, 75, 85, 90}), qPrintable(QTest::toString(rig.progress)));
        // Time-based values lie between the start and the last marker.
        for (int p : rig.progress)
            QVERIFY(p >= 5 && p <= 100);

        if (fault.contains("hangMs"))
            QTest::qWait(1200); // a tool left running would have formatted by now
        QCOMPARE(machineDiff(before, volumes(tm.read()), expected.isEmpty() ? QString() : QStringLiteral("1:2"), expected),
                 QString());
        QCOMPARE(bin.strayLines(), QStringList());
        if (setup == QLatin1String("user"))
            QCOMPARE(bin.scriptTexts(), (QStringList{"select volume H / remove letter=H / exit", "list volume / exit",
                                                      "select volume 1 / assign letter=H / exit"}));
        else
            QCOMPARE(bin.scriptTexts(), QStringList());
    }

    // Blind answers and answers to the prompt share one count of two, whichever comes first.
    void answers_data()
    {
        QTest::addColumn<QString>("silence"); // seconds the tool says nothing before its prompt
        // Nominal 3 s and 8 s at 0.05 are 150 ms and 400 ms.
        QTest::newRow("prompt at once: two prompt answers") << "0";
        QTest::newRow("one blind answer, then the prompt") << "0.25";
        QTest::newRow("two blind answers, none to the prompt") << "0.6";
    }

    void answers()
    {
        QFETCH(QString, silence);
        TestMachine tm;
        buildMachine(tm, 0.05);
        QVERIFY(tm.write());
        QTemporaryDir logDir;
        const QByteArray log = QFile::encodeName(logDir.path() + QStringLiteral("/answers"));
        ToolBin bin(ToolBin::Fat32::Script,
                    "sleep " + silence.toLatin1() + "\n"
                    "printf \"Warning ALL data on drive '$1' will be lost irretrievably, are you sure\\r\\n(y/n) :\"\n"
                    "while IFS= read -r -t 0.5 line; do printf '%s\\n' \"$line\" >> '" + log + "'; done\n"
                    "printf '\\r\\nFormatting drive %s...\\r\\nDone\\r\\n' \"$1\"\n");
        WorkerRig rig(this);
        QVERIFY(rig.format(formatOptions("H:", "FAT32")));
        QCOMPARE(rig.completions.value(0), qMakePair(true, QStringLiteral("格式化成功完成")));
        QFile answers(QString::fromLocal8Bit(log));
        QVERIFY(answers.open(QIODevice::ReadOnly));
        QCOMPARE(answers.readAll(), QByteArray("y\r\ny\r\n"));
    }

    // The volume that lost its letter gets it back; the line to take is the one showing the
    // letter, else a FAT32 volume of the formatted size that the system does not use. The EFI
    // volume comes first on this disk and is never touched.
    void remount_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<qint64>("expectedBytes");
        QTest::addColumn<QString>("letterOn"); // the partition holding H: before
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("letters");  // letters afterwards, by partition number
        QTest::addColumn<QStringList>("scripts");

        const qint64 size = 40 * sim::kGiB;
        const QStringList list{"list volume / exit"};
        const QStringList assign{"list volume / exit", "select volume 3 / assign letter=H / exit"};
        QTest::newRow("English") << "en-US" << size << "" << true << "1: 2:C 3: 4:H" << assign;
        QTest::newRow("Chinese") << "zh-CN" << size << "" << true << "1: 2:C 3: 4:H" << assign;
        QTest::newRow("still has its letter") << "en-US" << size << "4" << true << "1: 2:C 3: 4:H" << QStringList();
        QTest::newRow("no volume of that size") << "en-US" << 100 * sim::kGiB << "" << false << "1: 2:C 3: 4:" << list;
        QTest::newRow("size unknown") << "zh-CN" << qint64(-1) << "" << false << "1: 2:C 3: 4:" << list;
        QTest::newRow("only the EFI volume is that size") << "en-US" << 100 * sim::kMiB << "" << false << "1: 2:C 3: 4:" << list;
    }

    void remount()
    {
        QFETCH(QString, language);
        QFETCH(qint64, expectedBytes);
        QFETCH(QString, letterOn);
        QFETCH(bool, ok);
        QFETCH(QString, letters);
        QFETCH(QStringList, scripts);

        // GPT: EFI (FAT32, listed first), C:, a FAT32 volume labelled "H" of another size, then
        // the formatted 40 GiB volume.
        TestMachine tm;
        tm.setTimeScale(0.01);
        tm.machine().displayLanguage = language;
        tm.addDisk(0, 200 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 100 * sim::kMiB, "EFI", TestMachine::Vol("FAT32", "", "", 0, 512));
        tm.addPartition(0, 101 * sim::kMiB, 50 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
        tm.addPartition(0, 101 * sim::kMiB + 50 * sim::kGiB, 8 * sim::kGiB, "Primary", TestMachine::Vol("FAT32", "H", ""));
        tm.addPartition(0, 101 * sim::kMiB + 58 * sim::kGiB, 40 * sim::kGiB, "Primary",
                        TestMachine::Vol("FAT32", "", letterOn.isEmpty() ? "" : "H", 0, 32768));
        QVERIFY(tm.write());
        ToolBin bin;
        DiskOperationWorker worker;
        QCOMPARE(worker.remountVolume(QStringLiteral("H:"), expectedBytes), ok);

        QStringList now;
        for (const sim::Partition &p : tm.read().disks.at(0).partitions)
            now << QStringLiteral("%1:%2").arg(p.number).arg(p.volume->letter);
        QCOMPARE(now.join(u' '), letters);
        QCOMPARE(bin.scriptTexts(), scripts);
    }

private:
    QTemporaryDir m_tmp;
};

QTEST_GUILESS_MAIN(TestLargeFat32)
#include "tst_largefat32.moc"
