#include "support/testmachine.h"

#include "storage/scriptrunner.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QScopeGuard>
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
        qputenv("TMPDIR", tmp);
    });
}

// Disk 0 with one lettered NTFS partition, and an optional diskpart fault.
void buildMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
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
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
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

    // The success test of each row on runs that ended as given. Every script lives in a folder
    // of its own (0700) under a random name (0600), both gone after the run.
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
            qputenv("TMPDIR", QFile::encodeName(notAFolder.fileName()));
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
        QCOMPARE(QFileInfo(r.scriptPath).fileName().section(QLatin1Char('-'), 0, 0) + QStringLiteral(": ")
                     + outcome(r).replace("timed out", "timed out after " + QString::number(r.finishLimitMs)),
                 expected);
        if (setup == "no temp") {
            QCOMPARE(tm.read().faults.size(), 1);
            return;
        }
        const QFileInfo file(r.scriptPath);
        const QString folder = QFileInfo(m_tmp.path()).absoluteFilePath() + QStringLiteral("/tessaline-\\w{6}/");
        QVERIFY2(QRegularExpression("^" + folder + scriptrunner::settings(run).name + "-[0-9a-f]{16}\\.txt$")
                     .match(file.absoluteFilePath()).hasMatch(), qPrintable(r.scriptPath));
        QCOMPARE(QFileInfo::exists(file.absolutePath()), setup == "keep");
        if (fault.isEmpty() && r.finished && scriptrunner::settings(run).starter == scriptrunner::Starter::Process)
            QVERIFY2(r.output.contains(QLatin1String("Partition 1 is now the selected partition")), qPrintable(r.output));
        if (setup == "keep") {
            // Nobody but the owner: no group or other bits.
            QCOMPARE(QFileInfo(file.absolutePath()).permissions() & 0x0077, QFile::Permissions());
            QCOMPARE(file.permissions() & 0x0077, QFile::Permissions());
            QFile kept(r.scriptPath);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("select disk 0\r\nselect partition 1\r\nexit\r\n"));
            QVERIFY(QDir(file.absolutePath()).removeRecursively());
        }
    }

    // A drive text that is not one letter and a colon starts nothing: the tool faults that any
    // start would spend stay in the machine file, no script is written and the machine is as it
    // was. A sound drive text then does start the tool.
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

    // The real cmd stand-in, also under the outside tool's name for a merged row, reports an
    // unknown command on standard error: read apart, or together with standard output.
    void mergedAndSeparateChannels()
    {
        TestMachine tm;
        buildMachine(tm, 1.0);
        QTemporaryDir bin;
        const QString tools = qEnvironmentVariable("TESSALINE_BIN_DIR");
        QVERIFY(QFile::link(tools + QStringLiteral("/cmd"), bin.path() + QStringLiteral("/cmd")));
        QVERIFY(QFile::link(tools + QStringLiteral("/cmd"), bin.path() + QStringLiteral("/fat32format.exe")));
        const auto restore = environmentGuard();
        qputenv("TESSALINE_BIN_DIR", QFile::encodeName(bin.path()));

        const QString notACommand = QStringLiteral("is not recognized as an internal or external command");
        QStringList got;
        for (const Run run : {Run::StorageRefreshEcho, Run::Fat32Format}) {
            RunRequest request;
            request.arguments = run == Run::Fat32Format ? QStringList{"/c", "nosuchtool E:"} : QStringList{"nosuchtool"};
            const RunResult r = scriptrunner::run(run, request);
            got << outcome(r) + QStringLiteral(" / out %1 err %2").arg(int(r.output.contains(notACommand)))
                                     .arg(int(r.errorOutput.contains(notACommand)));
        }
        QCOMPARE(got, (QStringList{"no script started exit 1 success / out 0 err 1",
                                   "no script started exit 1 success / out 1 err 0"}));
    }
};

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
