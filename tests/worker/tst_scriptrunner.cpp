#include "support/testmachine.h"

#include "storage/scriptrunner.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <climits>
#include <limits>
#include <tuple>
#include <thread>

using scriptrunner::Run;
using scriptrunner::RunRequest;
using scriptrunner::RunResult;

Q_DECLARE_METATYPE(scriptrunner::Run)

namespace {

// Puts the tool folder and the temporary folder back when it goes out of scope.
auto environmentGuard()
{
    return qScopeGuard([bin = qgetenv("TESSALINE_BIN_DIR"), tmp = qgetenv("TMPDIR")] {
        qputenv("TESSALINE_BIN_DIR", bin);
        temporaryFolder(tmp).dismiss();
    });
}

// Disk 0 with one lettered NTFS partition, and an optional diskpart fault.
void buildMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    tm.addDataDisk();
    tm.setTimeScale(timeScale);
    if (!fault.isEmpty())
        tm.addFault(fault.constData());
    QVERIFY(tm.write());
}

const QByteArray Hang = R"({"target":"tool.diskpart","hangMs":30000})";

// What a run came to, in one line.
QString outcome(const RunResult &r)
{
    QStringList s;
    if (!r.scriptWritten)
        s << "no script";
    s << (r.started ? "started" : "not started");
    if (r.startError || !r.startErrorText.isEmpty())
        s << (r.startError ? QStringLiteral("error %1").arg(r.startError) : QStringLiteral("error text"));
    if (r.finished)
        s << QStringLiteral("exit %1").arg(r.exitCodeObtained ? QString::number(r.exitCode) : "none");
    const std::pair<bool, const char *> flags[] = {{r.timedOut, "timed out"}, {r.cancelled, "cancelled"},
                                                   {r.crashed, "crashed"}};
    for (const auto &[set, text] : flags)
        if (set)
            s << text;
    s << (r.success ? "success" : "failure");
    if (r.scriptWritten)
        s << (QFile::exists(r.scriptPath) ? "kept" : r.scriptRemoved ? "removed" : "gone unremoved");
    return s.join(QLatin1Char(' '));
}

} // namespace

class TestScriptRunner : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("diskpart"), {qEnvironmentVariable("TESSALINE_STANDIN_DIR")})
                     .isEmpty());
        // Scripts land in a folder of this test's own.
        temporaryFolder(QFile::encodeName(m_tmp.path())).dismiss();
    }

    // First: under ThreadSanitizer a process that has started a tool may not start threads.
    void cancelKillsTheTool()
    {
        TestMachine tm;
        buildMachine(tm, 1.0, Hang);
        std::atomic<bool> cancel{false};
        RunRequest request;
        request.cancel = &cancel;

        // Set from another thread while the tool hangs (its limit is a minute); once set, the
        // next run writes and starts nothing.
        std::thread canceller([&cancel] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); cancel = true; });
        const RunResult r = scriptrunner::run(Run::MergeScript, request);
        canceller.join();
        QCOMPARE(outcome(r), QStringLiteral("started cancelled failure removed"));
        QCOMPARE(outcome(scriptrunner::run(Run::MergeScript, request)), "no script not started cancelled failure");
    }

    // The success test of each row on runs that ended as given.
    void judge()
    {
        const int Crashed = -1, TimedOut = -2;
        const std::tuple<Run, int, const char *, const char *, bool> cases[] = {
            {Run::FormatByPartitionId, 1, "DISKPART SUCCESSFULLY formatted", "", true},
            {Run::FormatByPartitionId, 1, "  100 百分比已完成", "", true}, {Run::FormatByPartitionId, 1, "格式化完成", "", true},
            {Run::FormatByPartitionId, 1, "The volume was successfully formatted", "", true},
            {Run::FormatByPartitionId, 5, "Virtual Disk Service error:", "", false},
            {Run::FormatByPartitionId, Crashed, "Format complete", "", true},
            {Run::FormatByPartitionId, TimedOut, "100 percent completed", "", false},
            {Run::DismountWithDiskpart, 0, "虚拟磁盘服务错误:", "", false},
            {Run::DeletePartition, 0, "", "ERROR", false},
            {Run::MergeScript, 0, "DiskPart 成功地扩展了卷。", "", true},
            {Run::MergeScript, 0, "Leaving DiskPart...", "", false},
            {Run::MergeScript, 1, "success", "", false},
            {Run::RemountVolume, 5, "", "", true}, // the job reads the code itself
        };
        QList<bool> got, want;
        for (const auto &[run, exitCode, output, errorOutput, success] : cases) {
            RunResult r;
            r.finished = exitCode != TimedOut;
            r.crashed = exitCode == Crashed;
            r.exitCodeObtained = exitCode >= 0;
            r.exitCode = exitCode;
            r.output = QString::fromUtf8(output);
            r.errorOutput = QString::fromUtf8(errorOutput);
            got << scriptrunner::judge(scriptrunner::settings(run), r);
            want << success;
        }
        QCOMPARE(got, want);
    }

    // The one-line cause of a failed run: how the tool ended, with its own error text (the
    // paragraphs after its last banner, selection or success message) and never its transcript.
    void failureCause()
    {
        const int Refused = -5, NotWritten = -4, NotStarted = -3, Crashed = -1, TimedOut = -2;
        const QString banner = "\r\nDiskPart version 10.0.19041.1\r\n\r\nOn computer: X\r\n\r\n"
                               "Disk 0 is now the selected disk.\r\n\r\n";
        const std::tuple<int, QString, const char *> cases[] = {
            {Refused, "", "diskpart was not started: a drive or script line was not one the app writes"},
            {NotWritten, "", "its script file could not be written"},
            {NotStarted, "", "diskpart could not be started: no such file"},
            {TimedOut, banner, "diskpart timed out after 45 s and was stopped"},
            {Crashed, banner, "diskpart crashed"},
            {7, "", "diskpart ended with exit code 7"},
            {4, banner + "Virtual Disk Service error:\r\nThe media is write protected.\r\n",
             "diskpart ended with exit code 4: Virtual Disk Service error: The media is write protected."},
            {2, banner + "The specified partition is not valid.\r\nPlease select a valid partition.\r\n\r\n"
                         "There is no partition selected.\r\n",
             "diskpart ended with exit code 2: The specified partition is not valid. Please select a valid "
             "partition. There is no partition selected."},
            // What an earlier command listed is not the error: only what follows the last progress.
            {4, banner + "Partition 2\r\nType  : 07\r\n\r\n  100 percent completed\r\n\r\nThe device is not ready.\r\n",
             "diskpart ended with exit code 4: The device is not ready."},
            {4, "磁盘 0 现在是所选磁盘。\r\n\r\n虚拟磁盘服务错误:\r\n介质受写入保护。\r\n\r\n",
             "diskpart ended with exit code 4: 虚拟磁盘服务错误: 介质受写入保护。"},
            // Straight after the banner, in either wording.
            {2, "\r\nMicrosoft DiskPart version 10.0\r\n\r\nOn computer: X\r\n\r\nThe disk you specified is not valid.\r\n",
             "diskpart ended with exit code 2: The disk you specified is not valid."},
            {2, "\r\nMicrosoft DiskPart 版本 10.0\r\n\r\n在计算机上: X\r\n\r\n你指定的磁盘无效。\r\n",
             "diskpart ended with exit code 2: 你指定的磁盘无效。"},
            {0, banner + "DiskPart successfully deleted the selected partition.\r\n\r\nLeaving DiskPart...\r\nError\r\n",
             "Error"},
        };
        QStringList got, want;
        for (const auto &[ending, output, cause] : cases) {
            RunResult r;
            r.refused = ending == Refused;
            r.scriptWritten = ending > NotWritten;
            r.started = ending > NotStarted;
            r.startErrorText = QStringLiteral("no such file");
            r.timedOut = ending == TimedOut;
            r.finished = r.started && !r.timedOut;
            r.crashed = ending == Crashed;
            r.exitCodeObtained = r.finished && !r.crashed;
            r.exitCode = ending;
            r.output = output;
            r.finishLimitMs = 45000;
            got << scriptrunner::failureCause(Run::DeletePartition, r);
            want << QString::fromUtf8(cause);
        }
        QCOMPARE(got, want);
    }

    // A run that writes gets its base limit plus the bytes' time at the floor speed, whole
    // seconds up; unknown bytes get none, and no sum wraps past INT_MAX.
    void writeLimits()
    {
        const qint64 floor = scriptrunner::FloorWriteBytesPerSecond;
        const std::tuple<int, qint64, int> cases[] = {
            {120000, 0, 120000},         {120000, 1, 121000},
            {120000, floor, 121000},     {120000, floor + 1, 122000},
            {120000, -1, -1},            {646, 2147483 * floor, INT_MAX - 1},
            {648, 2147483 * floor, INT_MAX}, {60000, std::numeric_limits<qint64>::max(), INT_MAX},
        };
        for (const auto &[base, bytes, limit] : cases)
            QCOMPARE(scriptrunner::writeLimitMs(base, bytes), limit);
    }

    // Real runs of the stand-in diskpart: each row's start, limit and success test. Every script
    // lives in a folder of its own (0700) under a random name (0600), both gone after the run.
    void runs_data()
    {
        QTest::addColumn<Run>("run");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("setup"); // "slow": time scale 0.01; "no tools"; "no temp"; "keep"
        QTest::addColumn<QString>("expected");

        const QByteArray none;
        const QByteArray exit5 = R"({"target":"tool.diskpart","exitCode":5})";
        // Native starts. A failing diskpart fails the format runs by disk and partition too, though
        // they read no output.
        QTest::newRow("NTFS conversion") << Run::FormatUsingDiskpart << none << "" << "formatUsingDiskpart: started exit 0 success removed";
        QTest::newRow("NTFS conversion: 5") << Run::FormatUsingDiskpart << exit5 << "" << "formatUsingDiskpart: started exit 5 failure removed";
        QTest::newRow("format with diskpart: 5") << Run::ExecuteFormatWithDiskpart << exit5 << "" << "executeFormatWithDiskpart: started exit 5 failure removed";
        // Process starts; 120 s nominal at 0.01 is 1.2 s, and the tool would hang for 30 s.
        QTest::newRow("by volume") << Run::FormatByVolume << none << "" << "formatUsingDiskpartByVolume: started exit 0 success removed";
        QTest::newRow("by volume: hangs") << Run::FormatByVolume << Hang << "slow" << "formatUsingDiskpartByVolume: started timed out after 120000 failure removed";
        // A job's cancel flag that is never set still leaves the limit in force, here its own.
        QTest::newRow("by volume: hangs, cancellable") << Run::FormatByVolume << Hang << "slow cancellable" << "formatUsingDiskpartByVolume: started timed out after 1 failure removed";
        QTest::newRow("by volume: no tool") << Run::FormatByVolume << none << "no tools" << "formatUsingDiskpartByVolume: not started error text failure removed";
        QTest::newRow("by id: hangs") << Run::FormatByPartitionId << Hang << "slow" << "formatByPartitionId: started timed out after 120000 failure removed";
        QTest::newRow("by id: crashes") << Run::FormatByPartitionId << QByteArray(R"({"target":"tool.diskpart","crash":true})") << ""
                                        << "formatByPartitionId: started exit none crashed failure removed";
        QTest::newRow("dismount") << Run::DismountWithDiskpart << none << "" << "dismountWithDiskpart: started exit 0 success removed";
        // No separate start wait: the failed start shows only when waiting for the end.
        QTest::newRow("delete: no tool") << Run::DeletePartition << none << "no tools" << "deletePartitionWithDiskpart: not started error text failure removed";
        QTest::newRow("merge") << Run::MergeScript << QByteArray(R"({"target":"tool.diskpart","exitCode":0,"output":"DiskPart successfully removed"})")
                               << "" << "executeDiskpartScript: started exit 0 success removed";
        QTest::newRow("merge: hangs") << Run::MergeScript << Hang << "slow" << "executeDiskpartScript: started timed out after 60000 failure removed";
        QTest::newRow("split refresh") << Run::SplitRefresh << none << "" << "refreshPartitionTableForSplit: started exit 0 success removed";
        QTest::newRow("kept on request") << Run::FormatUsingDiskpart << exit5 << "keep" << "formatUsingDiskpart: started exit 5 failure kept";
        // A fault that fires once: still there afterwards means the tool never ran.
        const QByteArray once = R"({"target":"tool.diskpart","exitCode":0,"times":1})";
        QTest::newRow("no temp folder") << Run::FormatByVolume << once << "no temp" << ": no script not started failure";
    }

    void runs()
    {
        QFETCH(Run, run);
        QFETCH(QByteArray, fault);
        QFETCH(QString, setup);
        QFETCH(QString, expected);

        TestMachine tm;
        buildMachine(tm, setup.startsWith("slow") ? 0.01 : 1.0, fault);
        QTemporaryDir emptyBin;
        const auto restore = environmentGuard();
        if (setup == "no tools")
            qputenv("TESSALINE_BIN_DIR", QFile::encodeName(emptyBin.path()));
        if (setup == "keep")
            qputenv("TESSALINE_KEEP_SCRIPTS", "1");
        const auto unkeep = qScopeGuard([] { qunsetenv("TESSALINE_KEEP_SCRIPTS"); });
        if (setup == "no temp") {
            // A file where the temporary folder should be: no folder can be made in it.
            QFile notAFolder(m_tmp.filePath(QStringLiteral("not-a-folder")));
            QVERIFY(notAFolder.open(QIODevice::WriteOnly));
            temporaryFolder(QFile::encodeName(notAFolder.fileName())).dismiss();
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("无法创建脚本文件")));
        }

        RunRequest request;
        request.scriptLines = {QStringLiteral("select disk 0"), QStringLiteral("select partition 1"), QStringLiteral("exit")};
        const std::atomic<bool> never{false};
        if (setup.endsWith("cancellable")) {
            request.cancel = &never;
            request.finishTimeoutMs = 1;
        }
        const RunResult r = scriptrunner::run(run, request);
        if (scriptrunner::settings(run).starter == scriptrunner::Starter::Native) // no console window, ever
            QCOMPARE(scriptrunner::settings(run).creationFlags, platform::CREATE_NO_WINDOW);
        QCOMPARE(QFileInfo(r.scriptPath).fileName().section(QLatin1Char('-'), 0, 0) + QStringLiteral(": ")
                     + outcome(r).replace("timed out", "timed out after " + QString::number(r.finishLimitMs)),
                 expected);
        if (setup == "no temp") {
            QCOMPARE(tm.read().faults.size(), 1);
            return;
        }
        const QFileInfo file(r.scriptPath);
        const QString folder = QFileInfo(m_tmp.path()).absoluteFilePath() + QStringLiteral("/tessaline-\\w+/");
        QVERIFY2(QRegularExpression("^" + folder + scriptrunner::settings(run).name + "-[0-9a-f]{16}\\.txt$")
                     .match(file.absoluteFilePath()).hasMatch(), qPrintable(r.scriptPath));
        QCOMPARE(QFileInfo::exists(file.absolutePath()), setup == "keep");
        if (fault.isEmpty() && r.finished && scriptrunner::settings(run).starter == scriptrunner::Starter::Process)
            QVERIFY2(r.output.contains(QLatin1String("Partition 1 is now the selected partition")), qPrintable(r.output));
        if (setup == "keep") {
#ifndef Q_OS_WIN // there the folder's DACL says it (the platform contract checks it)
            // Nobody but the owner: no group or other bits.
            QCOMPARE(QFileInfo(file.absolutePath()).permissions() & 0x0077, QFile::Permissions());
            QCOMPARE(file.permissions() & 0x0077, QFile::Permissions());
#endif
            QFile kept(r.scriptPath);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("select disk 0\r\nselect partition 1\r\nexit\r\n"));
            kept.close(); // Windows deletes no open file
            QVERIFY(QDir(file.absolutePath()).removeRecursively());
        }
    }

    // A drive text that is not one letter and a colon starts nothing: the tools' faults stay in the
    // machine file, no script is written, the machine is unchanged. A sound one starts the tool.
    void craftedDriveTexts()
    {
        TestMachine tm;
        buildMachine(tm, 0.01);
        tm.addFault(R"({"target":"tool.fsutil","times":1,"output":"started"})");
        tm.addFault(R"({"target":"tool.diskpart","times":1,"output":"started"})");
        QVERIFY(tm.write());
        const QByteArray before = QJsonDocument(sim::toJson(tm.read())).toJson();
        const QStringList crafted = {"E: & echo pwned", "E:&&fsutil volume dismount C:", "E:|echo x", "E: || echo x",
                                     "E:\r\nexit", "E:\"", "EE:", "E", "1:", "é:", " E:", ""};
        const QStringList scripts = QDir(m_tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QStringList started;
        for (const Run run : {Run::DismountWithFsutil, Run::DeletePartition}) {
            for (const QString &drive : crafted) {
                if (drive.isEmpty() && run != Run::DismountWithFsutil)
                    continue; // a delete names no drive
                RunRequest request;
                request.drive = drive;
                request.scriptLines = {"select volume " + drive, "exit"};
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused: not a drive"));
                const RunResult r = scriptrunner::run(run, request);
                if (!r.refused || r.started || r.scriptWritten || r.success)
                    started << drive;
            }
        }
        QCOMPARE(started, QStringList());
        QCOMPARE(QDir(m_tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), scripts);
        QCOMPARE(QJsonDocument(sim::toJson(tm.read())).toJson(), before);

        RunRequest sound;
        sound.drive = QStringLiteral("e:");
        const RunResult r = scriptrunner::run(Run::DismountWithFsutil, sound);
        QVERIFY(!r.refused && r.success);
        QCOMPARE(r.output, QStringLiteral("started\r\n"));
    }

};

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
