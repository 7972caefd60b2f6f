// The cmd stand-in: fsutil's dismount, echo, and everything else as an unknown command.

#include "standins.h"

#include <memory>

using sim::kGiB;
using sim::kMiB;

class TestCmd : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_tm;

    void build(bool administrator, const QString &language)
    {
        m_tm.reset(); // restores the variable before the next machine publishes its own
        m_tm = std::make_unique<TestMachine>();
        m_tm->setAdministrator(administrator);
        m_tm->machine().displayLanguage = language;
        m_tm->addDisk(1, 100 * kGiB);
        m_tm->addPartition(1, kMiB, 40 * kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", kGiB));
        m_tm->addOtherDrive("D", 5);
        m_tm->addOtherDrive("N", 4, "NTFS", "Share");
        QVERIFY(m_tm->write());
    }

    QByteArray machineFile()
    {
        QFile f(m_tm->path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void commands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("administrator");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        const QString notFound = "Error:  The system cannot find the file specified.\r\n";
        QTest::newRow("dismount a volume") << QStringList{"/c", "fsutil volume dismount E:"} << true << "en-US" << 0 << "" << "";
        QTest::newRow("quoted") << QStringList{"/c", "\"fsutil volume dismount E:\""} << true << "en-US" << 0 << "" << "";
        QTest::newRow("split arguments") << QStringList{"/c", "fsutil", "volume", "dismount", "E:"} << true << "en-US"
                                         << 0 << "" << "";
        QTest::newRow("optical drive") << QStringList{"/c", "fsutil volume dismount D:"} << true << "en-US" << 0 << "" << "";
        QTest::newRow("missing volume") << QStringList{"/c", "fsutil volume dismount Q:"} << true << "en-US" << 2
                                        << notFound << "";
        QTest::newRow("network share") << QStringList{"/c", "fsutil volume dismount N:"} << true << "en-US" << 2
                                       << notFound << "";
        QTest::newRow("missing volume, Chinese") << QStringList{"/c", "fsutil volume dismount Q:"} << true << "zh-CN" << 2
                                                 << "错误:  系统找不到指定的文件。\r\n" << "";
        QTest::newRow("not elevated") << QStringList{"/c", "fsutil volume dismount E:"} << false << "en-US" << 1
                                      << "The FSUTIL utility requires that you have administrative privileges.\r\n" << "";
        QTest::newRow("echo off") << QStringList{"/c", "echo off >nul"} << true << "en-US" << 0 << "" << "";
        QTest::newRow("echo") << QStringList{"/c", "echo hello there"} << true << "en-US" << 0 << "hello there\r\n" << "";
        QTest::newRow("unknown command") << QStringList{"/c", "xyz --flag"} << true << "en-US" << 1 << ""
                                         << "'xyz' is not recognized as an internal or external command,\r\n"
                                            "operable program or batch file.\r\n";
        QTest::newRow("unknown command, error silenced") << QStringList{"/c", "xyz 2>nul"} << true << "en-US" << 1 << "" << "";
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, administrator);
        QFETCH(QString, language);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        build(administrator, language);
        const QByteArray before = machineFile();

        const ToolRun r = runTool("cmd", args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, err);
        QCOMPARE(machineFile(), before); // a dismount changes nothing that lasts
    }

    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("crashes");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("minMs");

        QTest::newRow("exit code") << R"({"target":"tool.cmd","exitCode":5,"output":"Error:  Access is denied."})" << "E:"
                                   << 5 << false << "Error:  Access is denied.\r\n" << 0;
        QTest::newRow("hang") << R"({"target":"tool.cmd","hangMs":300})" << "Q:" << 2 << false
                              << "Error:  The system cannot find the file specified.\r\n" << 300;
        QTest::newRow("crash") << R"({"target":"tool.cmd","crash":true})" << "E:" << 0 << true << "" << 0;
    }

    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, volume);
        QFETCH(int, exitCode);
        QFETCH(bool, crashes);
        QFETCH(QString, out);
        QFETCH(int, minMs);
        build(true, "en-US");
        m_tm->addFault(fault.toUtf8().constData());
        QVERIFY(m_tm->write());

        const ToolRun r = runTool("cmd", {"/c", "fsutil volume dismount " + volume});
        QCOMPARE(r.crashed, crashes);
        if (!crashes) {
            QCOMPARE(r.exitCode, exitCode);
            QCOMPARE(r.out, out);
        }
        QVERIFY(r.elapsedMs >= minMs);
    }
};

QTEST_GUILESS_MAIN(TestCmd)
#include "tst_cmd.moc"
