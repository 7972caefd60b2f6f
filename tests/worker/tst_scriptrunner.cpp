#include "support/testmachine.h"

#include "worker/scriptrunner.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

using scriptrunner::Run;
using scriptrunner::RunRequest;
using scriptrunner::RunResult;

Q_DECLARE_METATYPE(scriptrunner::Run)

namespace {

// Sets an environment variable for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

// Disk 0 with one lettered NTFS partition, and an optional diskpart fault.
void buildMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")));
    tm.setTimeScale(timeScale);
    if (!fault.isEmpty())
        tm.addFault(fault.constData());
    QVERIFY(tm.write());
}

QByteArray exitFault(int code, const char *output = "")
{
    return QStringLiteral(R"({"target":"tool.diskpart","exitCode":%1,"output":"%2"})")
        .arg(code)
        .arg(QLatin1String(output))
        .toUtf8();
}

const QByteArray HangFault = R"({"target":"tool.diskpart","hangMs":30000})";
const QByteArray CrashFault = R"({"target":"tool.diskpart","crash":true})";

const QStringList SelectAndExit = {QStringLiteral("select disk 0"), QStringLiteral("exit")};

} // namespace

class TestScriptRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    // First: under ThreadSanitizer a process that has started a tool may not start threads.
    void cancelKillsTheTool();
    void successTests_data();
    void successTests();
    void scriptFilesPerRun_data();
    void scriptFilesPerRun();
    void nativeStarter_data();
    void nativeStarter();
    void processStarter_data();
    void processStarter();
    void mergedAndSeparateChannels();
    void scriptNotCreatableStartsNothing_data();
    void scriptNotCreatableStartsNothing();

private:
    QTemporaryDir m_tmp;
    QByteArray m_oldTmp;
};

void TestScriptRunner::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QVERIFY(QFileInfo::exists(qEnvironmentVariable("TESSALINE_BIN_DIR") + QStringLiteral("/diskpart")));
    // Scripts land in a folder of this test's own.
    m_oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
}

void TestScriptRunner::cleanupTestCase()
{
    qputenv("TMPDIR", m_oldTmp);
}

void TestScriptRunner::successTests_data()
{
    QTest::addColumn<Run>("run");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<int>("exitCode"); // -1: none obtained
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errorOutput");
    QTest::addColumn<bool>("success");

    QTest::newRow("volume format, 2") << Run::FormatByVolume << true << 2 << "" << "" << false;
    QTest::newRow("volume format, timed out") << Run::FormatByVolume << false << -1 << "" << "" << false;
    // These two counted any exit code as success; a failing diskpart now fails the run.
    QTest::newRow("NTFS conversion, 2") << Run::FormatUsingDiskpart << true << 2 << "" << "" << false;
    QTest::newRow("format with diskpart, 2") << Run::ExecuteFormatWithDiskpart << true << 2 << "" << "" << false;

    QTest::newRow("by id, 0 without marker") << Run::FormatByPartitionId << true << 0 << "Leaving DiskPart..." << "" << true;
    QTest::newRow("by id, 1 with percent marker") << Run::FormatByPartitionId << true << 1 << "  100 percent completed" << "" << true;
    QTest::newRow("by id, 1 marker in other case") << Run::FormatByPartitionId << true << 1 << "DISKPART SUCCESSFULLY formatted" << "" << true;
    QTest::newRow("by id, 1 Chinese percent marker") << Run::FormatByPartitionId << true << 1 << "  100 百分比已完成" << "" << true;
    QTest::newRow("by id, 5 without marker") << Run::FormatByPartitionId << true << 5 << "Virtual Disk Service error:" << "" << false;
    QTest::newRow("by id, crashed with marker") << Run::FormatByPartitionId << true << -1 << "Format complete" << "" << true;
    QTest::newRow("by id, timed out with marker") << Run::FormatByPartitionId << false << -1 << "100 percent completed" << "" << false;


    QTest::newRow("dismount script, clean") << Run::DismountWithDiskpart << true << 0 << "Volume 1 is the selected volume." << "" << true;
    QTest::newRow("dismount script, Chinese error") << Run::DismountWithDiskpart << true << 0 << "虚拟磁盘服务错误:" << "" << false;

    QTest::newRow("delete, clean") << Run::DeletePartition << true << 0 << "DiskPart successfully deleted the selected partition." << "" << true;
    QTest::newRow("delete, Error in output") << Run::DeletePartition << true << 0 << "Virtual Disk Service Error:" << "" << false;
    QTest::newRow("delete, ERROR on stderr") << Run::DeletePartition << true << 0 << "" << "ERROR" << false;

    QTest::newRow("merge, success word") << Run::MergeScript << true << 0 << "DiskPart successfully extended the volume." << "" << true;
    QTest::newRow("merge, Chinese success") << Run::MergeScript << true << 0 << "DiskPart 成功地扩展了卷。" << "" << true;
    QTest::newRow("merge, no word") << Run::MergeScript << true << 0 << "Leaving DiskPart..." << "" << false;
    QTest::newRow("merge, exit 1 with word") << Run::MergeScript << true << 1 << "success" << "" << false;

    QTest::newRow("remount, exit 5 is read by the job") << Run::RemountVolume << true << 5 << "" << "" << true;
}

void TestScriptRunner::successTests()
{
    QFETCH(Run, run);
    QFETCH(bool, finished);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, errorOutput);
    QFETCH(bool, success);

    RunResult r;
    r.started = true;
    r.finished = finished;
    r.timedOut = !finished;
    r.exitCodeObtained = exitCode >= 0;
    r.crashed = finished && exitCode < 0;
    r.exitCode = exitCode;
    r.output = output;
    r.errorOutput = errorOutput;
    QCOMPARE(scriptrunner::judge(scriptrunner::settings(run), r), success);
}

void TestScriptRunner::scriptFilesPerRun_data()
{
    QTest::addColumn<Run>("run");
    QTest::addColumn<QStringList>("nameParts");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QString>("namePattern"); // group 1, when present, is the milliseconds
    QTest::addColumn<bool>("success");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<QByteArray>("keptBytes");
    QTest::addColumn<QString>("outputHas");

    const QStringList byVolume = {QStringLiteral("select volume E"), QStringLiteral("exit")};
    const QStringList byPartition = {QStringLiteral("select disk 0"), QStringLiteral("select partition 1"), QStringLiteral("exit")};
    const QString volumeName = QStringLiteral(R"(^diskpart_format_volume_E_(\d+)\.txt$)");
    const QString formatName = QStringLiteral(R"(^diskpart_format_0_1_(\d+)\.txt$)");
    const QString tempName = QStringLiteral(R"(^tst_scriptrunner\.\w{6}$)");

    QTest::newRow("by volume: kept after success")
        << Run::FormatByVolume << QStringList{"E"} << byVolume << QByteArray() << volumeName << true << true
        << QByteArray("select volume E\r\nexit\r\n") << "";
    QTest::newRow("by volume: kept after failure")
        << Run::FormatByVolume << QStringList{"E"} << byVolume << exitFault(5) << volumeName << false << true
        << QByteArray("select volume E\r\nexit\r\n") << "";
    QTest::newRow("NTFS conversion: removed after success")
        << Run::FormatUsingDiskpart << QStringList{"0", "1"} << byPartition << QByteArray() << formatName << true
        << false << QByteArray() << "";
    QTest::newRow("NTFS conversion: exit 5 fails, kept")
        << Run::FormatUsingDiskpart << QStringList{"0", "1"} << byPartition << exitFault(5) << formatName << false
        << true << QByteArray("select disk 0\r\nselect partition 1\r\nexit\r\n") << "";
    QTest::newRow("format with diskpart: removed after success")
        << Run::ExecuteFormatWithDiskpart << QStringList{"0", "1"} << byPartition << QByteArray() << formatName
        << true << false << QByteArray() << "";
    QTest::newRow("format with diskpart: exit 5 fails, kept")
        << Run::ExecuteFormatWithDiskpart << QStringList{"0", "1"} << byPartition << exitFault(5) << formatName
        << false << true << QByteArray("select disk 0\nselect partition 1\nexit\n") << "";
    QTest::newRow("by partition id: removed after success")
        << Run::FormatByPartitionId << QStringList{"0", "1"} << byPartition << QByteArray() << formatName << true
        << false << QByteArray() << "Partition 1 is now the selected partition";
    QTest::newRow("by partition id: removed after failure")
        << Run::FormatByPartitionId << QStringList{"0", "1"} << byPartition << exitFault(5) << formatName << false
        << false << QByteArray() << "";
    QTest::newRow("dismount: fixed name, removed")
        << Run::DismountWithDiskpart << QStringList() << byVolume << QByteArray()
        << QStringLiteral(R"(^dismount_script\.txt$)") << true << false << QByteArray() << "selected volume";
    QTest::newRow("remount: fixed name, removed")
        << Run::RemountVolume << QStringList() << QStringList{"list volume", "exit"} << QByteArray()
        << QStringLiteral(R"(^remount_script\.txt$)") << true << false << QByteArray() << "Volume ###";
    QTest::newRow("delete: temporary file, gone after success")
        << Run::DeletePartition << QStringList() << byPartition << QByteArray() << tempName << true << false
        << QByteArray() << "Partition 1 is now the selected partition";
    QTest::newRow("merge: temporary file from its template")
        << Run::MergeScript << QStringList()
        << QStringList{"select disk 0", "select partition 1", "remove", "exit"} << QByteArray()
        << QStringLiteral(R"(^diskpart_\w{6}\.txt$)") << true << false << QByteArray() << "successfully removed";
    QTest::newRow("merge: exit 0 without a success word fails")
        << Run::MergeScript << QStringList() << SelectAndExit << QByteArray()
        << QStringLiteral(R"(^diskpart_\w{6}\.txt$)") << false << false << QByteArray() << "selected disk";
    QTest::newRow("split refresh: removed")
        << Run::SplitRefresh << QStringList{"0"} << QStringList{"select disk 0", "rescan", "list partition", "exit"}
        << QByteArray() << QStringLiteral(R"(^diskpart_refresh_0_(\d+)\.txt$)") << true << false << QByteArray()
        << "Partition 1";
}

void TestScriptRunner::scriptFilesPerRun()
{
    QFETCH(Run, run);
    QFETCH(QStringList, nameParts);
    QFETCH(QStringList, script);
    QFETCH(QByteArray, fault);
    QFETCH(QString, namePattern);
    QFETCH(bool, success);
    QFETCH(bool, kept);
    QFETCH(QByteArray, keptBytes);
    QFETCH(QString, outputHas);

    TestMachine tm;
    buildMachine(tm, 1.0, fault);

    RunRequest request;
    request.nameParts = nameParts;
    request.scriptLines = script;
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const RunResult r = scriptrunner::run(run, request);
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    QVERIFY(r.scriptWritten);
    QVERIFY(r.started);
    QCOMPARE(r.success, success);
    const QFileInfo file(r.scriptPath);
    QCOMPARE(file.absolutePath(), QFileInfo(m_tmp.path()).absoluteFilePath());
    const QRegularExpressionMatch name = QRegularExpression(namePattern).match(file.fileName());
    QVERIFY2(name.hasMatch(), qPrintable(file.fileName()));
    if (name.lastCapturedIndex() >= 1) {
        const qint64 millis = name.captured(1).toLongLong();
        QVERIFY(millis >= before && millis <= after);
    }
    QVERIFY2(r.output.contains(outputHas), qPrintable(r.output));

    QCOMPARE(QFile::exists(r.scriptPath), kept);
    QCOMPARE(r.scriptRemoved, !kept);
    if (kept) {
        QFile f(r.scriptPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), keptBytes);
        f.close();
        QFile::remove(r.scriptPath);
    }
}

void TestScriptRunner::nativeStarter_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("hideTools");
    QTest::addColumn<double>("timeScale");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("success");
    QTest::addColumn<bool>("kept");

    QTest::newRow("exit code 0") << QByteArray() << false << 1.0 << true << false << 0 << true << true;
    QTest::newRow("exit code 5") << exitFault(5) << false << 1.0 << true << false << 5 << false << true;
    // 120 s nominal at 0.005 is 600 ms; the tool would hang for 30 s.
    QTest::newRow("hangs past the limit") << HangFault << false << 0.005 << true << true << -1 << false << true;
    QTest::newRow("crashes") << CrashFault << false << 1.0 << true << false << -2 << false << true;
    QTest::newRow("cannot be started") << QByteArray() << true << 1.0 << false << false << -1 << false << false;
}

void TestScriptRunner::nativeStarter()
{
    QFETCH(QByteArray, fault);
    QFETCH(bool, hideTools);
    QFETCH(double, timeScale);
    QFETCH(bool, started);
    QFETCH(bool, timedOut);
    QFETCH(int, exitCode);
    QFETCH(bool, success);
    QFETCH(bool, kept);

    TestMachine tm;
    buildMachine(tm, timeScale, fault);
    QTemporaryDir emptyBin;
    std::optional<ScopedEnv> bin;
    if (hideTools)
        bin.emplace("TESSALINE_BIN_DIR", QFile::encodeName(emptyBin.path()));

    RunRequest request;
    request.nameParts = {QStringLiteral("E")};
    request.scriptLines = {QStringLiteral("select volume E"), QStringLiteral("exit")};
    QElapsedTimer clock;
    clock.start();
    const RunResult r = scriptrunner::run(Run::FormatByVolume, request);

    QVERIFY(clock.elapsed() < 15000);
    QCOMPARE(r.started, started);
    QCOMPARE(r.timedOut, timedOut);
    QCOMPARE(r.success, success);
    if (exitCode == -2) // a crash ends with the exception's code, never 0
        QVERIFY(r.exitCode != 0);
    else
        QCOMPARE(r.exitCode, exitCode);
    if (!started)
        QCOMPARE(r.startError, 2u); // ERROR_FILE_NOT_FOUND
    QCOMPARE(QFile::exists(r.scriptPath), kept);
    QFile::remove(r.scriptPath);
}

void TestScriptRunner::processStarter_data()
{
    QTest::addColumn<Run>("run");
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("hideTools");
    QTest::addColumn<double>("timeScale");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<bool>("crashed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("success");

    // formatByPartitionId: merged channels, start wait, kill and a second wait.
    QTest::newRow("by id: exit 0") << Run::FormatByPartitionId << QByteArray() << false << 1.0 << true << false << false << 0 << true;
    QTest::newRow("by id: exit 5") << Run::FormatByPartitionId << exitFault(5) << false << 1.0 << true << false << false << 5 << false;
    QTest::newRow("by id: exit 5 with marker")
        << Run::FormatByPartitionId << exitFault(5, "  100 percent completed") << false << 1.0 << true << false << false << 5 << true;
    // 120 s nominal at 0.01 is 1.2 s.
    QTest::newRow("by id: hangs") << Run::FormatByPartitionId << HangFault << false << 0.01 << true << true << false << -1 << false;
    QTest::newRow("by id: crashes") << Run::FormatByPartitionId << CrashFault << false << 1.0 << true << false << true << -1 << false;
    QTest::newRow("by id: cannot be started") << Run::FormatByPartitionId << QByteArray() << true << 1.0 << false << false << false << -1 << false;
    // deletePartitionWithDiskpart: no separate start wait.
    QTest::newRow("delete: exit 0 but an error printed")
        << Run::DeletePartition << exitFault(0, "Virtual Disk Service error:") << false << 1.0 << true << false << false << 0 << false;
    // 30 s nominal at 0.005 is 150 ms.
    QTest::newRow("delete: hangs") << Run::DeletePartition << HangFault << false << 0.005 << true << true << false << -1 << false;
    QTest::newRow("delete: cannot be started") << Run::DeletePartition << QByteArray() << true << 1.0 << false << false << false << -1 << false;
}

void TestScriptRunner::processStarter()
{
    QFETCH(Run, run);
    QFETCH(QByteArray, fault);
    QFETCH(bool, hideTools);
    QFETCH(double, timeScale);
    QFETCH(bool, started);
    QFETCH(bool, timedOut);
    QFETCH(bool, crashed);
    QFETCH(int, exitCode);
    QFETCH(bool, success);

    TestMachine tm;
    buildMachine(tm, timeScale, fault);
    QTemporaryDir emptyBin;
    std::optional<ScopedEnv> bin;
    if (hideTools)
        bin.emplace("TESSALINE_BIN_DIR", QFile::encodeName(emptyBin.path()));

    RunRequest request;
    request.nameParts = {QStringLiteral("0"), QStringLiteral("1")};
    request.scriptLines = {QStringLiteral("select disk 0"), QStringLiteral("select partition 1"), QStringLiteral("exit")};
    QElapsedTimer clock;
    clock.start();
    const RunResult r = scriptrunner::run(run, request);

    QVERIFY(clock.elapsed() < 15000);
    QCOMPARE(r.started, started);
    QCOMPARE(r.timedOut, timedOut);
    QCOMPARE(r.crashed, crashed);
    QCOMPARE(r.finished, started && !timedOut);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.success, success);
    if (!started)
        QVERIFY(!r.startErrorText.isEmpty());
    QVERIFY(!QFile::exists(r.scriptPath));
}

void TestScriptRunner::mergedAndSeparateChannels()
{
    TestMachine tm;
    buildMachine(tm, 1.0);
    // The real cmd stand-in under the outside tool's name gives a merged row that writes to
    // standard error.
    QTemporaryDir bin;
    const QString cmd = qEnvironmentVariable("TESSALINE_BIN_DIR") + QStringLiteral("/cmd");
    QVERIFY(QFile::link(cmd, bin.path() + QStringLiteral("/cmd")));
    QVERIFY(QFile::link(cmd, bin.path() + QStringLiteral("/fat32format.exe")));
    ScopedEnv env("TESSALINE_BIN_DIR", QFile::encodeName(bin.path()));
    const QString notACommand = QStringLiteral("is not recognized as an internal or external command");

    RunRequest separate;
    separate.arguments = {QStringLiteral("nosuchtool E:")};
    const RunResult s = scriptrunner::run(Run::DismountWithFsutil, separate);
    QVERIFY(s.started);
    QCOMPARE(s.exitCode, 1);
    QVERIFY(!s.success);
    QVERIFY2(s.errorOutput.contains(notACommand), qPrintable(s.errorOutput));
    QVERIFY(!s.output.contains(notACommand));

    RunRequest merged;
    merged.arguments = {QStringLiteral("/c"), QStringLiteral("nosuchtool E:")};
    const RunResult m = scriptrunner::run(Run::Fat32Format, merged);
    QVERIFY(m.started);
    QVERIFY2(m.output.contains(notACommand), qPrintable(m.output));
    QVERIFY(m.errorOutput.isEmpty());

    RunRequest ok;
    ok.arguments = {QStringLiteral("fsutil volume dismount E:")};
    const RunResult d = scriptrunner::run(Run::DismountWithFsutil, ok);
    QCOMPARE(d.exitCode, 0);
    QVERIFY(d.success);
}

void TestScriptRunner::scriptNotCreatableStartsNothing_data()
{
    QTest::addColumn<Run>("run");
    QTest::newRow("named file") << Run::FormatByVolume;
    QTest::newRow("named file, process starter") << Run::FormatByPartitionId;
    QTest::newRow("temporary file") << Run::DeletePartition;
}

void TestScriptRunner::scriptNotCreatableStartsNothing()
{
    QFETCH(Run, run);
    TestMachine tm;
    // A fault that fires once: still there afterwards means the tool never ran.
    buildMachine(tm, 1.0, R"({"target":"tool.diskpart","exitCode":0,"times":1})");
    ScopedEnv tmp("TMPDIR", QFile::encodeName(m_tmp.path() + QStringLiteral("/no/such/folder")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("无法创建脚本文件")));

    RunRequest request;
    request.nameParts = {QStringLiteral("0"), QStringLiteral("1")};
    request.scriptLines = SelectAndExit;
    const RunResult r = scriptrunner::run(run, request);
    QVERIFY(!r.scriptWritten);
    QVERIFY(!r.started);
    QVERIFY(!r.success);
    QCOMPARE(tm.read().faults.size(), 1);
}

void TestScriptRunner::cancelKillsTheTool()
{
    TestMachine tm;
    buildMachine(tm, 1.0, HangFault);
    std::atomic<bool> cancel{false};
    RunRequest request;
    request.scriptLines = SelectAndExit;
    request.cancel = &cancel;

    // Set from another thread while the tool hangs (its limit is a minute).
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    QElapsedTimer clock;
    clock.start();
    const RunResult r = scriptrunner::run(Run::MergeScript, request);
    canceller.join();
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(r.started);
    QVERIFY(r.cancelled);
    QVERIFY(!r.timedOut);
    QVERIFY(!r.success);
    QVERIFY(!QFile::exists(r.scriptPath));

    // Already set: nothing is written or started.
    const RunResult again = scriptrunner::run(Run::MergeScript, request);
    QVERIFY(again.cancelled);
    QVERIFY(!again.scriptWritten);
    QVERIFY(!again.started);
}

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_scriptrunner.moc"
