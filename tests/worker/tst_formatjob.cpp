#include "support/testmachine.h"
#include "support/workerrig.h"

#include "worker/diskoperationworker.h"

#include <QtTest>

#include <algorithm>
#include <tuple>

using Options = DiskOperationWorker::FormatOptions;

namespace {

constexpr qint64 GiB = sim::kGiB;
constexpr qint64 k32GiB = 32 * GiB;

// Written at once. Disk 0: EFI, C:. Disk 1: E: 10 GiB, F: 5 GiB, a 2 GiB volume without letter (1:3),
// G: exactly 32 GiB, H: 40 GiB. Disk 2: J: 2.5 TiB. T: and U: are drives of 32 GiB and one byte more.
bool buildMachine(TestMachine &tm, double scale = 0.01)
{
    tm.setTimeScale(scale);
    tm.addDisk(0, 100 * GiB);
    tm.addPartition(0, sim::kMiB, 100 * sim::kMiB, "EFI", TestMachine::Vol("FAT32", "", "", 0, 512));
    tm.addPartition(0, 101 * sim::kMiB, 50 * GiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
    tm.addDisk(1, 200 * GiB);
    qint64 at = sim::kMiB;
    for (const auto &[size, label, letter] : {std::tuple{10 * GiB, "Data", "E"}, {5 * GiB, "Keep", "F"}, {2 * GiB, "Spare", ""},
                                              {k32GiB, "Exact", "G"}, {40 * GiB, "Large", "H"}}) {
        tm.addPartition(1, at, size, "Primary", TestMachine::Vol("NTFS", label, letter, sim::kMiB));
        at += size;
    }
    tm.addDisk(2, 3072 * GiB);
    tm.addPartition(2, sim::kMiB, 2560 * GiB, "Primary", TestMachine::Vol("NTFS", "Huge", "J", sim::kMiB));
    tm.addOtherDrive("T", 3, "NTFS", "Net", k32GiB);
    tm.addOtherDrive("U", 3, "NTFS", "Net", k32GiB + 1);
    return tm.write();
}

// "disk:partition" -> "fs|label|letter|cluster", and the serials apart.
QMap<QString, QString> volumes(const sim::Machine &m, QMap<QString, QString> *serials)
{
    QMap<QString, QString> out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions)
            if (p.volume) {
                const QString id = QStringLiteral("%1:%2").arg(d.number).arg(p.number);
                out[id] = QStringLiteral("%1|%2|%3|%4").arg(p.volume->fileSystem, p.volume->label, p.volume->letter).arg(p.volume->clusterSize);
                (*serials)[id] = p.volume->serial;
            }
    return out;
}

// TESSALINE_BIN_DIR while it lives: copies of the tool shim as a diskpart logging its scripts (none
// for "no diskpart"), fsutil, and fat32format.exe (real, "" for none, or scripted: the second form).
class ToolBin
{
public:
    explicit ToolBin(const QByteArray &fat32 = "real") : m_real(qgetenv("TESSALINE_BIN_DIR"))
    {
#ifdef _WIN32
        const QString exe = QStringLiteral(".exe");
        m_tools = m_dir.filePath(QStringLiteral("simulated")); // where the Windows build looks
        QDir().mkpath(m_tools);
#else
        const QString exe;
        m_tools = m_dir.path();
#endif
        QStringList names{"fsutil" + exe};
        if (fat32 != "no diskpart")
            names << "diskpart" + exe;
        if (!fat32.isEmpty())
            names << "fat32format.exe";
        for (const QString &name : names)
            QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/toolshim" + exe, m_tools + u'/' + name));
        qputenv("TESSALINE_SHIM_LOG", QFile::encodeName(m_dir.filePath("log")));
        qputenv("TESSALINE_BIN_DIR", QFile::encodeName(m_dir.path()));
    }
    // A formatter silent for `silenceMs` (stretched with the host), then printing `prompt`.
    ToolBin(int silenceMs, const QByteArray &prompt) : ToolBin()
    {
        qputenv("TESSALINE_SHIM_SILENCE_MS", QByteArray::number(qRound(silenceMs * TestMachine::slowdown())));
        qputenv("TESSALINE_SHIM_PROMPT", prompt);
    }
    ~ToolBin()
    {
        qputenv("TESSALINE_BIN_DIR", m_real);
        qunsetenv("TESSALINE_SHIM_SILENCE_MS");
    }
    QString path() const { return m_tools; }
    QByteArray answers() const
    {
        QFile f(m_dir.filePath("log.answers"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Each script diskpart ran, its lines joined by " / ".
    QStringList scripts() const
    {
        QFile f(m_dir.filePath("log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out = QString::fromUtf8(f.readAll()).remove(u'\r').split(QStringLiteral("===\n"), Qt::SkipEmptyParts);
        for (QString &s : out)
            s = s.trimmed().replace(u'\n', QLatin1String(" / "));
        return out;
    }

private:
    QByteArray m_real;
    QTemporaryDir m_dir;
    QString m_tools;
};


Options opts(const QString &path, const QString &fs, const QString &label = QString(), int cluster = 0, bool quick = true)
{
    return Options{path, fs, label, cluster, quick};
}

// `values` appear in `list` in this order, anything between them.
bool inOrder(const QList<int> &list, const QList<int> &values)
{
    int at = 0;
    for (int v : list)
        at += at < values.size() && v == values.at(at);
    return at == values.size();
}

const QString InUseH = QStringLiteral("failed 驱动器 H: 正被其他程序使用。\n\n请尝试以下解决方案：\n1. 关闭文件管理器中打开的 H: 驱动器窗口\n"
                                      "2. 结束可能正在使用该驱动器的程序\n3. 在任务管理器中结束相关进程\n4. 重启计算机后再试");
const QString NoAccessH = QStringLiteral("failed 无法访问驱动器 H:。\n\n可能的原因：\n1. 驱动器已被其他程序独占\n2. 驱动器正在被系统使用\n"
                                         "3. 需要重新插拔USB设备（如果是移动设备）\n\n建议：重启计算机后重试");

} // namespace

class TestFormatJob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { temporaryFolder(QFile::encodeName(m_tmp.path())).dismiss(); } // kept scripts land here

    // The dialog's job end to end: reports, diskpart's scripts, only the target changed (new serial).
    void formatAsync_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<QByteArray>("setup"); // a fault, "user" (not an administrator) and a fault, or a fat32format for ToolBin
        QTest::addColumn<QString>("result");   // the completion, or its start
        QTest::addColumn<QString>("target");   // "id=fs|label|letter|cluster" of the one volume that changes, " unformatted" if it keeps its serial
        QTest::addColumn<QString>("scripts");

        const QString ok = QStringLiteral("ok 格式化成功完成");
        const QString emoji = QString("数😀").repeated(10) + "数";
        auto row = [](const char *name, const Options &o, const QByteArray &setup, const QString &result, const QString &target,
                      const QString &scripts) { QTest::newRow(name) << o << setup << result << target << scripts; };
        row("NTFS by letter", opts("E:", "NTFS", "Backup"), "", ok, "1:1=NTFS|Backup|E|4096", "select volume E / format fs=ntfs quick label=\"Backup\" override / exit");
        row("exFAT, slow, default label", opts(" e: ", "exFAT", "", 0, false), "", ok, "1:1=exFAT|Data|E|32768", "select volume E / format fs=exfat label=\"Data\" override / exit");
        row("FAT32 of exactly 32 GiB", opts("G:", "FAT32", "my data.v1"), "", ok, "1:4=FAT32|MY_DATAV1|G|16384", "select volume G / format fs=fat32 quick label=\"MY_DATAV1\" override / exit");
        row("by id: quick anyway, a letter", opts("1:3", "ntfs", "a<b>c", 0, false), "", ok, "1:3=NTFS|abc|D|4096", "select disk 1 / select partition 3 / format fs=ntfs quick label=\"abc\" override / assign / exit");
        row("injection by letter", opts("E:", "NTFS", "x\"\r\nselect volume F\r\nformat fs=fat32 quick \""), "", ok, "1:1=NTFS|xselect volume Fformat fs=fat32 |E|4096", "select volume E / format fs=ntfs quick label=\"xselect volume Fformat fs=fat32 \" override / exit");
        row("injection by id", opts("1:3", "NTFS", "\"\nselect disk 1\nformat\n"), "", ok, "1:3=NTFS|select disk 1format|D|4096", "select disk 1 / select partition 3 / format fs=ntfs quick label=\"select disk 1format\" override / assign / exit");
        row("300 characters", opts("E:", "NTFS", QString("数😀").repeated(100) + QString(100, u'z')), "", ok, "1:1=NTFS|" + emoji + "|E|4096", "select volume E / format fs=ntfs quick label=\"" + emoji + "\" override / exit");
        row("ReFS", opts("E:", "refs"), "", "failed 不支持的文件系统: refs", "", "");
        row("empty path", opts("  ", "NTFS"), "", "failed 无效的分区路径：路径为空", "", "");
        row("id not numeric", opts("数:", "NTFS"), "", "failed 无效的磁盘:分区格式，无法解析数字", "", "");
        row("no known form", opts("1:2:3", "NTFS"), "", "failed 无效的分区路径格式: 1:2:3", "", "");
        row("FAT32 by id is large", opts("1:3", "FAT32"), "", "failed 大容量FAT32格式化需要盘符: 1:3", "", "");
        row("vanished volume", opts("Q:", "NTFS", "x"), "", "failed diskpart 执行失败，退出码: 2\n\n输出信息：", "", "select volume Q / format fs=ntfs quick label=\"x\" override / exit");
        row("32 GiB: diskpart", opts("T:", "FAT32"), "", "failed diskpart 执行失败，退出码: 2", "", "select volume T / format fs=fat32 quick label=\"DATA\" override / exit");
        row("a byte more: large path", opts("U:", "FAT32"), "", "failed 无法访问驱动器 U:。", "", "");
        // The large path: the formatter's cluster argument, its answers and its judgement.
        row("large, default cluster, label set afterwards", opts("H:", "FAT32", "my disk"), "", ok, "1:5=FAT32|MY_DISK|H|32768", "");
        row("large, 8 KiB", opts("h:", "FAT32", "", 8192), "", ok, "1:5=FAT32||H|8192", "");
        row("large, 64 KiB", opts("H:\\", "FAT32", "", 65536), "", ok, "1:5=FAT32||H|65536", "");
        row("large, other size: 16 KiB", opts("H:", "FAT32", "", 12345), "", ok, "1:5=FAT32||H|16384", "");
        row("Done with exit 3", opts("H:", "FAT32"), R"({"target":"tool.fat32format","exitCode":3,"output":"Done"})", ok, "", "");
        row("exit 0 without Done", opts("H:", "FAT32"), R"({"target":"tool.fat32format","noDone":true})", "failed 格式化失败，错误码: 0\n\n输出信息：Warning ALL data on drive 'H:'", "1:5=FAT32||H|32768", "");
        row("too big: exit 0", opts("J:", "FAT32"), "", "failed 格式化失败，错误码: 0\n\n输出信息：", "", "");
        row("exit 32", opts("H:", "FAT32"), R"({"target":"tool.fat32format","inUse":true})", InUseH, "", "");
        row("exit 2", opts("H:", "FAT32"), R"({"target":"tool.fat32format","exit2":true})", NoAccessH, "", "");
        row("exit 5, open failure", opts("H:", "FAT32"), R"({"target":"tool.fat32format","exitCode":5,"output":"close any files"})", InUseH, "", "");
        row("exit 7", opts("H:", "FAT32"), R"({"target":"tool.fat32format","exitCode":7,"output":"bad"})", "failed 格式化失败，错误码: 7\n\n输出信息：bad", "", "");
        row("crash", opts("H:", "FAT32"), R"({"target":"tool.fat32format","crash":true})", "failed fat32format.exe 异常退出，状态: 1", "", "");
        // 60 s and the time of 1/512 of 40 GiB at 10 MB/s: 69 s, 690 ms here.
        row("hang past its limit", opts("H:", "FAT32"), R"({"target":"tool.fat32format","hangMs":1500})", "failed fat32format.exe 执行超时（69秒）", "", "");
        row("no formatter", opts("H:", "FAT32"), "none", "failed 无法启动 fat32format.exe，检查路径或权限: ", "", "");
        row("no diskpart", opts("1:3", "NTFS"), "no diskpart", "failed 启动diskpart失败，错误码: ", "", "");
        // fsutil refuses a user, so diskpart takes the letter away; the failed format gives it back.
        row("not an administrator", opts("H:", "FAT32"), "user", InUseH, "", "select volume H / remove letter=H / exit // list volume / exit // select volume 6 / assign letter=H / exit");
        // When even that fails, the end says the volume has no letter now.
        row("not an administrator, letter not given back", opts("H:", "FAT32"), R"(user{"target":"tool.diskpart","match":"assign","exitCode":4})",
            InUseH + "\n\nThe volume lost its letter H: and could not get it back: it has no drive letter now.", "1:5=NTFS|Large||4096 unformatted",
            "select volume H / remove letter=H / exit // list volume / exit // select volume 6 / assign letter=H / exit");
    }

    void formatAsync()
    {
        QFETCH(Options, options);
        QFETCH(QByteArray, setup);
        QFETCH(QString, result);
        QFETCH(QString, target);
        QFETCH(QString, scripts);
        TestMachine tm;
        buildMachine(tm, setup.startsWith("user") ? 0.05 : 0.01); // the give-back lists volumes: room for a slow start
        tm.setAdministrator(!setup.startsWith("user"));
        if (setup.contains('{'))
            tm.addFault(setup.mid(setup.indexOf('{')).constData());
        QVERIFY(tm.write());
        QMap<QString, QString> serials;
        QMap<QString, QString> expected = volumes(tm.read(), &serials);
        ToolBin bin(setup == "none" ? "" : setup == "no diskpart" ? setup : "real");
        WorkerRig rig(this);
        QVERIFY(rig.format(options));

        const QString lost = QStringLiteral("could not get it back"); // said exactly when the letter is gone
        QVERIFY2(rig.result.startsWith(result) && rig.result.contains(lost) == result.contains(lost), qPrintable(rig.result));
        const bool large = rig.progress.contains(20);
        if (result.startsWith(QLatin1String("ok")))
            QVERIFY2(large ? inOrder(rig.progress, {10, 5, 10, 20, 30, 90, 95, 100, 100}) : rig.progress == QList<int>({10, 100}),
                     qPrintable(rig.progressText()));
        else if (large)
            QVERIFY2(!rig.progress.contains(95), qPrintable(rig.progressText()));
        else
            QCOMPARE(rig.progress, QList<int>{10}); // refused or failed: the one report of the start
        if (large && setup.isEmpty() && result.startsWith(QLatin1String("ok")))
            QVERIFY(inOrder(rig.progress, {30, 50, 75, 85, 90})); // the formatter's own lines
        if (setup == "none")
            QCOMPARE(rig.result, result + bin.path() + "/fat32format.exe");
        if (setup.startsWith("user")) // fsutil refused, diskpart dismounted: the details say nothing went amiss there
            QVERIFY2(rig.reports.join(u'|').contains("[done] dismount (changes the disk)\n"), qPrintable(rig.reports.join(u'|')));
        if (setup.contains("hangMs"))
            QTest::qWait(1200); // a formatter left running would have formatted by now

        QMap<QString, QString> after;
        const QMap<QString, QString> now = volumes(tm.read(), &after);
        if (!target.isEmpty()) {
            const QString id = target.section(u'=', 0, 0);
            const bool formatted = !target.endsWith(QLatin1String(" unformatted"));
            expected[id] = target.section(u'=', 1).remove(QLatin1String(" unformatted"));
            QVERIFY2((after[id] != serials[id]) == formatted, "the serial is not what the change leaves");
            serials[id] = after[id];
        }
        QCOMPARE(now, expected);
        QCOMPARE(after, serials);
        QCOMPARE(bin.scripts().join(QLatin1String(" // ")), scripts);
    }

    // Stops fall between steps: one in the dismount changes nothing; fat32format finishes, remounted.
    void stopRequests_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<int>("stopAt"); // the progress report during which the stop comes
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("reports");

        const QString cancelled = QStringLiteral("failed The format was canceled before it began; the partition is unchanged.");
        const QString large = QStringLiteral("large FAT32 format of H:: %1\n  [done] dismount (changes the disk)\n  [%2] format with "
                                             "fat32format (changes the disk)\n  [%2] mount again\n  [%2] name the volume | ");
        QTest::newRow("during the dismount") << opts("H:", "FAT32") << 5 << cancelled
                                             << large.arg("cancelled", "not run") + "format H: as FAT32: cancelled\n  [failed] "
                                                "format (changes the disk): stopped on request before fat32format ran";
        QTest::newRow("during fat32format") << opts("H:", "FAT32") << 20 << "ok 格式化成功完成"
                                            << large.arg("succeeded", "done") + "format H: as FAT32: succeeded\n  [done] format (changes the disk)";
    }

    void stopRequests()
    {
        QFETCH(Options, options);
        QFETCH(int, stopAt);
        TestMachine tm;
        QVERIFY(buildMachine(tm, 0.05)); // the dismount's own limit leaves room for a loaded machine
        QMap<QString, QString> serials;
        const QMap<QString, QString> before = volumes(tm.read(), &serials);
        WorkerRig rig(this);
        DiskOperationWorker *worker = rig.worker;
        connect(worker, &DiskOperationWorker::operationProgress, worker, [worker, stopAt](int p) {
            if (p == stopAt)
                worker->cancelOperation();
        }, Qt::DirectConnection);
        QVERIFY(rig.format(options));
        QTEST(rig.result, "result");
        QTEST(rig.reports.join(QLatin1String(" | ")), "reports");
        QMap<QString, QString> after;
        QCOMPARE(volumes(tm.read(), &after) == before && after == serials, !rig.result.startsWith(QLatin1String("ok")));
        // A stop that came too late ends with its job: the worker's next job runs.
        rig.result.clear();
        QVERIFY(rig.format(opts("E:", "NTFS", "Next")));
        QCOMPARE(rig.result.left(3), QStringLiteral("ok "));
    }

    // A full format writes the whole volume, fat32format its FATs: each limit grows with the volume,
    // where 120 s and 60 s would cut them off. At 15 MB/s 2 GiB take 143 s, 1 TiB's FATs (8 KiB) 72 s.
    void longWritesFinish()
    {
        TestMachine tm;
        tm.setTimeScale(0.01);
        tm.machine().writeBytesPerSecond = 15e6;
        tm.addDisk(0, 2048 * GiB);
        tm.addPartition(0, sim::kMiB, 2 * GiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        tm.addPartition(0, sim::kMiB + 2 * GiB, 1024 * GiB, "Primary", TestMachine::Vol("NTFS", "Big", "K"));
        QVERIFY(tm.write());
        QStringList results;
        for (const Options &o : {opts("E:", "NTFS", "Full", 0, false), opts("K:", "FAT32", "", 8192)}) {
            WorkerRig rig(this);
            QVERIFY(rig.format(o));
            results << rig.result;
        }
        QCOMPARE(results, QStringList({"ok 格式化成功完成", "ok 格式化成功完成"}));
        QMap<QString, QString> serials;
        QCOMPARE(volumes(tm.read(), &serials).values(), QStringList({"NTFS|Full|E|4096", "FAT32||K|8192"}));
    }

    // Blind answers and answers to the prompt share one count of two; the bar moves meanwhile.
    void fat32formatAnswers()
    {
        // Silence before the prompt: none (any one word of the prompt is known), one blind answer
        // (150 ms at 0.05), two (400 ms); last, a hidden prompt and a write count alone, which is 75 too.
        const char *whole = "Warning ALL data on drive H: will be lost, are you sure\\r\\n(y/n) :";
        for (const auto &[silenceMs, shown] : {std::pair{0, "(y/n) :"}, {0, "are you sure"}, {0, "it will be lost"},
                                               {250, whole}, {600, whole}, {600, "Wrote 8388608 bytes\\r\\n"}}) {
            TestMachine tm;
            QVERIFY(buildMachine(tm, 0.05));
            ToolBin bin(silenceMs, shown);
            WorkerRig rig(this);
            QVERIFY(rig.format(opts("H:", "FAT32")));
            QCOMPARE(rig.result, "ok 格式化成功完成");
            QCOMPARE(bin.answers(), QByteArray("y\r\ny\r\n"));
            // While the tool says nothing the bar climbs on slowly from 30.
            QVERIFY(std::any_of(rig.progress.cbegin(), rig.progress.cend(), [](int p) { return p > 30 && p < 40; }));
            QCOMPARE(rig.progress.contains(75), QByteArray(shown).startsWith("Wrote"));
        }
    }

    // The batch step: the letter may come late; a failing format by letter is retried, then by id.
    void formatPartitionSteps_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("after"); // the target afterwards; "" unchanged
        QTest::addColumn<QString>("runs");  // V by volume, I by id

        const QByteArray twice = R"({"target":"tool.diskpart","match":"select volume E","exitCode":5,"times":2})";
        QTest::newRow("letter at once") << "1:1" << "NTFS" << "Vol" << QByteArray() << "NTFS|Vol|E|4096" << "V";
        // The script carries ASCII only: the label is set through the system afterwards.
        QTest::newRow("Chinese label") << "1:1" << "NTFS" << "数据" << QByteArray() << "NTFS|数据|E|4096" << "V";
        QTest::newRow("FAT32 label") << "1:1" << "fat32" << "my data" << QByteArray() << "FAT32|MY_DATA|E|8192" << "V";
        // The letter appears only after several failed looks; the waits go on until it does.
        QTest::newRow("letter after eight failed queries") << "1:1" << "NTFS" << "Late" << QByteArray(R"({"target":"wmi.query","match":"MSFT_Partition","times":8})") << "NTFS|Late|E|4096" << "V";
        QTest::newRow("never a letter: by id") << "1:3" << "NTFS" << "x\ny" << QByteArray() << "NTFS|xy||4096" << "I";
        QTest::newRow("retried once") << "1:1" << "NTFS" << "Two" << twice.left(twice.size() - 2) + "1}" << "NTFS|Two|E|4096" << "V V";
        QTest::newRow("by id after two failures") << "1:1" << "NTFS" << "Three" << twice << "NTFS|Three|E|4096" << "V V I";
        QTest::newRow("everything fails") << "1:1" << "NTFS" << "No" << QByteArray(R"({"target":"tool.diskpart","exitCode":5})") << "" << "V V I";
        QTest::newRow("large FAT32, no letter") << "1:5" << "FAT32" << "" << QByteArray() << "" << "";
        // fat32format picks its own cluster for the batch: no -c argument.
        QTest::newRow("large FAT32") << "1:5" << "FAT32" << "Big" << QByteArray() << "FAT32|BIG|H|32768" << "";
        QTest::newRow("empty id") << "" << "NTFS" << "" << QByteArray() << "" << "";
    }

    void formatPartitionSteps()
    {
        QFETCH(QString, id);
        QFETCH(QString, fileSystem);
        QFETCH(QString, label);
        QFETCH(QByteArray, fault);
        QFETCH(QString, after);
        TestMachine tm;
        buildMachine(tm);
        if (QByteArray(QTest::currentDataTag()) == "large FAT32, no letter")
            tm.partition(1, 5).volume->letter.clear(); // 40 GiB waiting for a letter in vain
        if (!fault.isEmpty())
            tm.addFault(fault.constData());
        QVERIFY(tm.write());
        QMap<QString, QString> serials;
        QMap<QString, QString> expected = volumes(tm.read(), &serials);
        ToolBin bin;
        WorkerRig rig(this);
        bool ok = false;
        QVERIFY(rig.run([&] { ok = rig.worker->formatPartition(id, fileSystem, label); }));
        QCOMPARE(ok, !after.isEmpty());

        QStringList kinds;
        for (const QString &s : bin.scripts())
            kinds << (s.startsWith(QLatin1String("select volume")) ? "V" : "I");
        QTEST(kinds.join(u' '), "runs");
        if (ok)
            expected[id] = after;
        QCOMPARE(volumes(tm.read(), &serials), expected);
        if (fault.contains("times"))
            QVERIFY2(tm.read().faults.isEmpty(), "the faults were not all met");
    }

    // By letter the script keeps the letter and, whatever the options say, formats quickly.
    void executeFormatWithDiskpartByLetter()
    {
        TestMachine tm;
        QVERIFY(buildMachine(tm));
        ToolBin bin;
        DiskOperationWorker worker;
        QVERIFY(worker.executeFormatWithDiskpart(opts("e:", "", "", 0, false)));
        QCOMPARE(bin.scripts(), QStringList{"select volume E / format fs=ntfs quick label=\"Data\" override / exit"});
        // Without a folder for its script nothing runs, and the format says it failed.
        const bool ran = [&] {
            const auto noFolder = temporaryFolder("/nonexistent/tessaline-format-test");
            return worker.executeFormatWithDiskpart(opts("e:", "", "", 0, false));
        }();
        QVERIFY(!ran && bin.scripts().size() == 1);
        // A text that is not a drive never reaches a dismount script.
        QVERIFY(!worker.dismountWithDiskpart(QStringLiteral("E:\nselect volume F")) && bin.scripts().size() == 1);
    }

    // A volume that lost its letter gets it back: the line showing it, else an unused FAT32 volume of
    // the formatted size; never the EFI volume (listed first) or a letterless volume labelled "H".
    void remount()
    {
        // A listed line that shows the letter wins over the size, whatever its number, 0 included
        // (here one diskpart adds: volume 0 is another, so the assignment fails).
        const char *shown = R"({"target":"tool.diskpart","match":"list volume","output":"  Volume 0     H   Fake  FAT32  Partition  40 GB  Healthy"})";
        const struct { const char *language; qint64 bytes; bool lettered, ok; const char *letters; QStringList scripts; const char *fault; } cases[] = {
            {"en-US", 40 * GiB, false, true, "1: 2:C 3: 4:H", {"list volume / exit", "select volume 3 / assign letter=H / exit"}, ""},
            {"zh-CN", 40 * GiB, false, true, "1: 2:C 3: 4:H", {"list volume / exit", "select volume 3 / assign letter=H / exit"}, ""},
            {"en-US", 40 * GiB, true, true, "1: 2:C 3: 4:H", {}, ""},
            {"en-US", 100 * GiB, false, false, "1: 2:C 3: 4:", {"list volume / exit"}, ""},
            {"zh-CN", -1, false, false, "1: 2:C 3: 4:", {"list volume / exit"}, ""},
            {"en-US", 100 * sim::kMiB, false, false, "1: 2:C 3: 4:", {"list volume / exit"}, ""},
            // More than the listing's slack (256 MiB) below its "40 GB": not the volume formatted.
            {"en-US", 40 * GiB - 300 * sim::kMiB, false, false, "1: 2:C 3: 4:", {"list volume / exit"}, ""},
            {"en-US", 40 * GiB, false, false, "1: 2:C 3: 4:", {"list volume / exit", "select volume 0 / remove letter=H / assign letter=H / exit"}, shown},
        };
        for (const auto &c : cases) {
            TestMachine tm;
            tm.setTimeScale(0.05); // the listing's limit leaves room for two process starts under Wine
            tm.machine().displayLanguage = QLatin1String(c.language);
            tm.addDisk(0, 200 * GiB);
            tm.addPartition(0, sim::kMiB, 100 * sim::kMiB, "EFI", TestMachine::Vol("FAT32", "", "", 0, 512));
            tm.addPartition(0, 101 * sim::kMiB, 50 * GiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
            tm.addPartition(0, 101 * sim::kMiB + 50 * GiB, 8 * GiB, "Primary", TestMachine::Vol("FAT32", "H", ""));
            tm.addPartition(0, 101 * sim::kMiB + 58 * GiB, 40 * GiB, "Primary", TestMachine::Vol("FAT32", "", c.lettered ? "H" : "", 0, 32768));
            if (*c.fault)
                tm.addFault(c.fault);
            QVERIFY(tm.write());
            ToolBin bin;
            DiskOperationWorker worker;
            QCOMPARE(worker.remountVolume(QStringLiteral("H:"), c.bytes), c.ok);
            QStringList letters;
            for (const sim::Partition &p : tm.read().disks.at(0).partitions)
                letters << QStringLiteral("%1:%2").arg(p.number).arg(p.volume->letter);
            QCOMPARE(letters.join(u' '), QLatin1String(c.letters));
            QCOMPARE(bin.scripts(), c.scripts);
        }
    }

private:
    QTemporaryDir m_tmp;
};

QTEST_GUILESS_MAIN(TestFormatJob)
#include "tst_formatjob.moc"
