#include "countingplatform.h"
#include "support/testmachine.h"

#include "common/partitionid.h"
#include "storage/windowsstoragemanager.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;
constexpr qint64 TiB = sim::kTiB;

QString bytes(qint64 n)
{
    return n % MiB ? QString::number(n) : QString::number(n / MiB) + u'M';
}

// Faults as JSON; "zh-CN" switches the tools to Chinese.
void addFaults(TestMachine &tm, const QStringList &faults)
{
    for (const QString &f : faults) {
        if (f == QLatin1String("zh-CN"))
            tm.machine().displayLanguage = f;
        else
            tm.addFault(f.toUtf8().constData());
    }
}

QString refusePut(int vt, const char *times = R"(,"times":1)")
{
    return QStringLiteral(R"({"target":"wmi.put","match":"CreatePartition.Size[vt=%1]"%2})").arg(vt).arg(QLatin1String(times));
}

// Disk 0: the running system (C:), 0:2 without a letter, E: on 0:3.
void systemDisk(TestMachine &tm)
{
    tm.addDisk(0, 64 * GiB);
    tm.addPartition(0, MiB, 20 * GiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C", 10 * GiB));
    tm.addPartition(0, 20 * GiB + MiB, 10 * GiB, "Primary", TestMachine::Vol("NTFS", "Data", QString(), GiB));
    tm.addPartition(0, 30 * GiB + MiB, 10 * GiB, "Primary", TestMachine::Vol("NTFS", "Backup", "E", GiB));
}

// Disk 1 for the creation cases: empty "gpt" and "mbr" of 100 GiB; "gpt, 1G free" and "gpt, 110M
// free" of 10 GiB (full disks: free extent estimated from their size); "regions": 2 GiB free at
// 10G+1M between two partitions, ~20 GiB from 20G+1M; "extended": an empty one from 20 to 30 GiB.
void buildDisk(TestMachine &tm, const QString &shape)
{
    const QHash<QString, std::tuple<qint64, const char *, QList<std::pair<qint64, qint64>>>> shapes{
        {"gpt", {100 * GiB, "GPT", {}}},
        {"mbr", {100 * GiB, "MBR", {}}},
        {"gpt, 1G free", {10 * GiB, "GPT", {{MiB, 9 * GiB - 2 * MiB}}}},
        {"gpt, 110M free", {10 * GiB, "GPT", {{MiB, 10 * GiB - 112 * MiB}}}},
        {"gpt, 116M free", {10 * GiB, "GPT", {{MiB, 10 * GiB - 118 * MiB}}}},
        {"gpt 5G, full", {5 * GiB, "GPT", {{MiB, 5 * GiB - 2 * MiB}}}},
        {"gpt 32G, full", {32 * GiB, "GPT", {{MiB, 32 * GiB - 2 * MiB}}}},
        {"gpt 100G, full", {100 * GiB, "GPT", {{MiB, 100 * GiB - 2 * MiB}}}},
        {"gpt 500G, full", {500 * GiB, "GPT", {{MiB, 500 * GiB - 2 * MiB}}}},
        {"gpt 1T, full", {TiB, "GPT", {{MiB, TiB - 2 * MiB}}}},
        {"mbr 4T, full", {4 * TiB, "MBR", {{MiB, 2 * TiB - MiB}}}},
        {"regions", {40 * GiB, "GPT", {{MiB, 10 * GiB}, {12 * GiB + MiB, 8 * GiB}}}},
        {"extended", {100 * GiB, "MBR", {}}},
    };
    const auto &[size, style, partitions] = shapes.value(shape);
    tm.addDisk(1, size, QLatin1String(style));
    for (const auto &[offset, length] : partitions)
        tm.addPartition(1, offset, length, "Primary", TestMachine::Vol("NTFS", "", "", GiB));
    if (shape == QLatin1String("extended"))
        tm.addPartition(1, 20 * GiB, 10 * GiB, "Extended");
}

struct CreateCase
{
    const char *disk; // disk 1, see buildDisk

    const char *fileSystem;
    qint64 request;
    bool letter;
    QStringList faults;
    const char *outcome; // new size@offset and letter (or "none: " and why), Size passed, progress, faults left
    qint64 offset = 0;
};

} // namespace

class TestStorageWrite : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        // The scripts have fixed names: a folder of this test's own.
        temporaryFolder(QFile::encodeName(m_tmp.path())).dismiss();
    }

    // Sizing, the Size forms, the MBR limit, the chosen region and the progress of
    // createPartition; the machine's other partitions keep geometry and serials.
    void creation()
    {
        const CreateCase cases[] = {
            {"gpt", "NTFS", 10 * MiB, false, {}, "16M@1M | 16M | 10 20 30 60 90 100 | 0"},
            {"mbr", "FAT32", GiB, false, {}, "1089994752@1M | 1089994752 | 10 20 30 60 90 100 | 0"},
            {"gpt", "ntfs", GiB, true, {}, "1045M@1M D | 1045M | 10 20 30 60 90 95 100 | 0"},
            {"gpt", "exFAT", 100 * MiB, false, {}, "101M@1M | 101M | 10 20 30 60 90 100 | 0"},
            {"gpt, 1G free", "NTFS", 2 * GiB, false, {}, "924M@9215M | 924M | 10 20 30 60 90 100 | 0"},
            {"gpt, 110M free", "NTFS", GiB, false, {}, "none: the free space there is too small | - | 10 20 | 0"},
            {"gpt, 116M free", "NTFS", GiB, false, {}, "16M@10123M | 16M | 10 20 30 60 90 100 | 0"},
            {"gpt", "", 1, false, {}, "16M@1M | 16M | 10 20 30 60 90 100 | 0"},
            {"disk 0", "NTFS", GiB, false, {}, "1045M@40961M | 1045M | 10 20 30 60 90 100 | 0"},
            // Refused forms are tried in order; a refusal left over was never tried.
            {"gpt", "", GiB, false, {refusePut(21), refusePut(20), refusePut(8)}, "1024M@1M | 1024M | 10 20 30 60 90 100 | 1"},
            {"gpt", "", GiB, false, {refusePut(21, ""), refusePut(20, ""), refusePut(19, ""), refusePut(8, "")}, "none: the storage service could not prepare the creation | - | 10 20 30 | 4"},
            // Full disks: the free space is 70 % of the disk, less the reserve for its size; the
            // provider then refuses.
            {"gpt 5G, full", "", 5 * GiB, false, {}, "none: There is not enough available capacity (code 40000) | 3534M | 10 20 30 60 100 | 0"},
            {"gpt 1T, full", "", TiB, false, {}, "none: There is not enough available capacity (code 40000) | 726663M | 10 20 30 60 100 | 0"},
            {"mbr 4T, full", "", 2 * TiB, true, {refusePut(21), refusePut(20), refusePut(19)}, "none: Only the first 2 TB are usable on MBR disks (code 41011) | 2097152M | 10 20 30 60 100 | 1"},
            {"mbr 4T, full", "", 2 * TiB + 512 * 1024, false, {}, "none: an MBR partition cannot be larger than 2 TB | - | 10 20 | 0"},
            {"gpt", "NTFS", GiB, true, {R"({"target":"wmi.method","match":"CreatePartition","returnValue":41003})"}, "none: The disk is offline (code 41003) | 1045M | 10 20 30 60 100 | 1"},
            {"gpt", "NTFS", 200 * GiB, false, {}, "none: the partition would be larger than the disk | - | 10 | 0"},
            {"gpt", "NTFS", 0, false, {}, "none: the request names no disk, size or place | - |  | 0"},
            {"regions", "NTFS", GiB, false, {}, "1045M@10241M | 1045M | 10 20 30 60 90 100 | 0", 10 * GiB + MiB},
            {"regions", "NTFS", 3 * GiB, false, {}, "1948M@10241M | 1948M | 10 20 30 60 90 100 | 0", 10 * GiB + MiB},
            {"regions", "NTFS", GiB, false, {}, "1045M@20481M | 1045M | 10 20 30 60 90 100 | 0", 20 * GiB + MiB},
            {"regions", "NTFS", GiB, false, {}, "1045M@20481M | 1045M | 10 20 30 60 90 100 | 0", 0},
            // The list of numbers before could not be read: the provider's own description names it.
            {"regions", "NTFS", GiB, false, {R"({"target":"wmi.query","match":"SELECT PartitionNumber","times":1})"},
             "1045M@10241M | 1045M | 10 20 30 60 90 100 | 0", 10 * GiB + MiB},
            {"regions", "NTFS", GiB, false, {}, "none: the place chosen is no longer free space | - | 10 20 | 0", 5 * GiB},  // inside a partition
            {"regions", "NTFS", GiB, false, {}, "none: the place chosen is no longer free space | - | 10 20 | 0", 50 * GiB}, // past the disk
            // Inside an extended partition the region ends with it: 4 GiB less the reserve.
            {"extended", "", 4 * GiB + GiB / 2, false, {}, "* | 3996M | 10 20 30 60 *100 | 0", 26 * GiB},
        };
        const QHash<int, QString> texts{{10, "准备创建分区..."}, {20, "正在分析磁盘空间..."}, {30, "正在创建分区..."},
                                        {60, "执行分区创建命令..."}, {90, "分区创建完成"}, {95, "分配驱动器号..."},
                                        {100, "分区创建完成"}};
        QStringList got, want;
        for (const CreateCase &c : cases) {
            TestMachine tm;
            systemDisk(tm);
            const int target = QByteArray(c.disk) == "disk 0" ? 0 : 1; // disk 0: the system disk itself
            if (target)
                buildDisk(tm, QString::fromLatin1(c.disk));
            addFaults(tm, c.faults);
            QVERIFY(tm.write());
            const QStringList before = TestMachine::fingerprint(tm.machine());

            CountingPlatform counting(platform::current());
            WindowsStorageManager manager(counting);
            QVERIFY(manager.initialize());
            QSignalSpy spy(&manager, &WindowsStorageManager::partitionCreationProgress);
            if (c.faults.join(u' ').contains(QLatin1String("41003")))
                QTest::ignoreMessage(QtWarningMsg, "❌ 分区创建失败，返回码: 41003 - The disk is offline");
            const QString id = manager.createPartition(target, c.request, QString::fromLatin1(c.fileSystem), c.letter, c.offset);

            QStringList progress;
            for (const QList<QVariant> &e : std::as_const(spy))
                progress << e.at(0).toString() + (e.at(1).toString() == texts.value(e.at(0).toInt()) ? "" : "(bad text)");
            const sim::Machine after = tm.read();
            PartitionId at{-1, -1};
            parsePartitionId(id, &at);
            const sim::Partition *p = TestMachine::find(after, at.disk, at.partition);
            QString made = p ? bytes(p->size) + QStringLiteral("@%1M").arg(p->offset / MiB) : "none: " + manager.lastFailure();
            if (p && p->volume && !p->volume->letter.isEmpty())
                made += ' ' + p->volume->letter;
            const QString passed = counting.methods ? bytes(counting.sizeValue) : "-";
            got << QStringLiteral("%1 | %2 | %3 | %4").arg(made, passed, progress.join(u' ')).arg(after.faults.size());
            const QString expected = QString::fromUtf8(c.outcome); // '*' matches anything
            const QRegularExpression pattern(QRegularExpression::wildcardToRegularExpression(expected));
            want << (pattern.match(got.last()).hasMatch() ? got.last() : expected);
            QCOMPARE(TestMachine::fingerprint(after, at.disk, at.partition), before); // nothing else moved
        }
        QCOMPARE(got, want);
    }

    void letters()
    {
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtCriticalMsg, "WMI service not initialized");
        WindowsStorageManager unconnected;
        QVERIFY(!unconnected.assignDriveLetter(QStringLiteral("0:2"), QStringLiteral("K"))
                && unconnected.createPartition(0, GiB, QStringLiteral("NTFS"), false).isEmpty());
        QCOMPARE(unconnected.lastFailure(), QStringLiteral("the storage service is not connected"));

        for (const auto &[present, next] : {std::pair{"CDE", "F"}, {"AC", "D"}, {"CDEFGHIJKLMNOPQRSTUVWXY", "Z"}, {"CDEFGHIJKLMNOPQRSTUVWXYZ", ""}}) {
            TestMachine tm;
            for (const char *c = present; *c; ++c)
                tm.addOtherDrive(QString(QLatin1Char(*c)), 3, QStringLiteral("NTFS"));
            QVERIFY(tm.write());
            QCOMPARE(WindowsStorageManager().getNextAvailableDriveLetter(), QString::fromLatin1(next));
        }

        // id, letter, faults; then: result, the letter 0:2 carries, last WMI letter, WMI asked.
        const QString once = R"({"target":"tool.diskpart","exitCode":0,"times":1})";
        const QString wmi43001 = R"({"target":"wmi.method","match":"AddAccessPath","returnValue":43001})";
        const std::tuple<const char *, const char *, QStringList, const char *> cases[] = {
            {"0:2", "K:", {}, "true K K asked"},
            {"0:2", "e:", {once}, "false - - not asked"},
            {"0:2", "1", {once}, "false - - not asked"},
            {"0:2", "", {once}, "false - - not asked"},
            {"0:x", "K", {once}, "false - - not asked"},
            {"0:2", "K", {wmi43001}, "true K - asked"},
            {"0:2", "K", {R"({"target":"wmi.method","match":"AddAccessPath","returnValue":42002})"}, "true K - asked"},
            {"0:2", "K", {R"({"target":"wmi.query","match":"MSFT_Partition","hresult":"0x80041017"})"}, "true K - asked"},
            {"0:2", "K", {wmi43001, R"({"target":"tool.diskpart","exitCode":0,"output":"Leaving DiskPart..."})"}, "false - - asked"},
            {"0:2", "K", {wmi43001, "zh-CN"}, "true K - asked"},
        };
        QStringList got, want;
        for (const auto &[id, letter, faults, outcome] : cases) {
            TestMachine tm;
            systemDisk(tm);
            addFaults(tm, faults);
            QVERIFY(tm.write());
            const QStringList others = TestMachine::fingerprint(tm.machine(), 0, 2);
            CountingPlatform counting(platform::current());
            WindowsStorageManager manager(counting);
            QVERIFY(manager.initialize());
            const bool result = manager.assignDriveLetter(QString::fromLatin1(id), QString::fromLatin1(letter));
            const sim::Machine after = tm.read();
            const bool asked = counting.queries + counting.methods > 0;
            const QString carried = TestMachine::find(after, 0, 2)->volume->letter;
            const QString last = manager.getLastAssignedDriveLetter();
            got << QStringLiteral("%1 %2 %3 %4").arg(result ? "true" : "false", carried.isEmpty() ? "-" : carried,
                                                     last.isEmpty() ? "-" : last, asked ? "asked" : "not asked");
            want << QString::fromLatin1(outcome);
            QCOMPARE(TestMachine::fingerprint(after, 0, 2), others);
            if (faults.contains(once))
                QCOMPARE(after.faults.size(), 1); // diskpart never ran
            QVERIFY(!QFile::exists(m_tmp.path() + QStringLiteral("/diskpart_assign.txt")));
        }
        QCOMPARE(got, want);
    }

    // The provider's return codes read as the plain sentences Windows gives them, ready to follow
    // "failed: " in an end message; a code Windows does not document says its number.
    void returnCodeTexts()
    {
        const QRegularExpression sentence(QStringLiteral("^[A-Z][A-Za-z0-9 ,'/-]*[a-z0-9]$"));
        for (int code = 0; code < 44000; ++code) {
            const QString text = WindowsStorageManager::returnCodeText(code);
            if (!text.startsWith(QLatin1String("Unknown error code")))
                QVERIFY2(sentence.match(text).hasMatch(), qPrintable(QStringLiteral("%1: %2").arg(code).arg(text)));
        }
        QCOMPARE(WindowsStorageManager::returnCodeText(41004), "The disk's partition limit has been reached");
        QCOMPARE(WindowsStorageManager::returnCodeText(7), "Unknown error code: 7");
    }

    void deletion()
    {
        // id, the diskpart fault (target added), deleted, result
        const std::tuple<const char *, const char *, bool> cases[] = {
            {"0:3", "", true},
            {"0:3:1", R"("times":1)", false},
            {"0:x", R"("times":1)", false},
            {"", R"("times":1)", false},
            {"0:3", R"("exitCode":0,"output":"Leaving DiskPart...")", true}, // exit 0 counts
            {"0:3", R"("exitCode":5,"output":"diskpart SUCCESSFULLY deleted")", true},
            {"0:3", R"("exitCode":5,"output":"Virtual Disk Service error:")", false},
            {"0:3", R"("hangMs":20000)", false}, // stopped at the limit
        };
        for (const auto &[id, fault, result] : cases) {
            TestMachine tm;
            systemDisk(tm);
            tm.setTimeScale(0.01); // 30 s become 300 ms
            if (*fault)
                tm.addFault(QStringLiteral(R"({"target":"tool.diskpart",%1})").arg(QLatin1String(fault)).toUtf8().constData());
            QVERIFY(tm.write());
            const QStringList others = TestMachine::fingerprint(tm.machine(), 0, 3);

            QElapsedTimer clock;
            clock.start();
            QCOMPARE(WindowsStorageManager().deletePartition(QString::fromLatin1(id)), result);
            QVERIFY(clock.elapsed() < 5000);
            const sim::Machine after = tm.read();
            QCOMPARE(TestMachine::fingerprint(after, 0, 3), others);
            QCOMPARE(TestMachine::find(after, 0, 3) == nullptr, QByteArray(id) == "0:3" && !*fault);
            if (QByteArray(fault).contains("times"))
                QCOMPARE(after.faults.size(), 1); // diskpart never ran
            QVERIFY(!QFile::exists(m_tmp.path() + QStringLiteral("/diskpart_delete.txt")));
        }
    }
};

QTEST_GUILESS_MAIN(TestStorageWrite)
#include "tst_storagewrite.moc"
