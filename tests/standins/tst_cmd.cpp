// The cmd stand-in: fsutil's dismount, echo, and everything else as an unknown command; and the
// fsutil stand-in on its own (rows whose arguments start with "fsutil").

#include "standins.h"

using sim::kGiB;
using sim::kMiB;

class TestCmd : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("machine"); // "user": not elevated, "zh": Chinese wording
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString notFound = "Error:  The system cannot find the file specified.\r\n";
        const QStringList dismountE = {"/c", "fsutil volume dismount E:"}, dismountQ = {"/c", "fsutil volume dismount Q:"};
        QTest::newRow("dismount, quoted") << QStringList{"/c", "\"fsutil volume dismount E:\""} << "" << "" << 0 << "" << "";
        QTest::newRow("dismount, split arguments") << QStringList{"/c", "fsutil", "volume", "dismount", "E:"} << "" << "" << 0 << "" << "";
        QTest::newRow("optical drive") << QStringList{"/c", "fsutil volume dismount D:"} << "" << "" << 0 << "" << "";
        QTest::newRow("missing volume") << dismountQ << "" << "" << 2 << notFound << "";
        QTest::newRow("network share") << QStringList{"/c", "fsutil volume dismount N:"} << "" << "" << 2 << notFound << "";
        QTest::newRow("missing volume, Chinese") << dismountQ << "zh" << "" << 2 << "错误:  系统找不到指定的文件。\r\n" << "";
        QTest::newRow("not elevated") << dismountE << "user" << "" << 1
                                      << "The FSUTIL utility requires that you have administrative privileges.\r\n" << "";
        QTest::newRow("exit /b") << QStringList{"/c", "exit /b 4"} << "" << "" << 4 << "" << "";
        QTest::newRow("echo off") << QStringList{"/c", "echo off >nul"} << "" << "" << 0 << "" << "";
        // Bytes in the machine's code page (437 here, 936 in the Chinese rows), not UTF-8.
        QTest::newRow("echo, code page 437") << QStringList{"/c", "echo déjà vu"} << "" << "" << 0 << "déjà vu\r\n" << "";
        QTest::newRow("unknown command") << QStringList{"/c", "xyz --flag"} << "" << "" << 1 << ""
                                         << "'xyz' is not recognized as an internal or external command,\r\noperable program or batch file.\r\n";
        QTest::newRow("unknown command, error silenced") << QStringList{"/c", "xyz 2>nul"} << "" << "" << 1 << "" << "";
        // Chains as cmd runs them: outside quotes, unless escaped; a pipe shows what it feeds.
        const QString unknown = "'xyz' is not recognized as an internal or external command,\r\noperable program or batch file.\r\n";
        QTest::newRow("& runs the second") << QStringList{"/c", "fsutil volume dismount E: & echo pwned"} << "" << "" << 0 << "pwned\r\n" << "";
        QTest::newRow("&& after a failure, quoted line") << QStringList{"/c", "\"fsutil volume dismount Q: && echo pwned\""} << "" << "" << 2 << notFound << "";
        QTest::newRow("&& after success") << QStringList{"/c", "echo one&&echo two"} << "" << "" << 0 << "one\r\ntwo\r\n" << "";
        QTest::newRow("|| after a failure") << QStringList{"/c", "fsutil volume dismount Q: || echo second"} << "" << "" << 0 << notFound + "second\r\n" << "";
        QTest::newRow("|| after success") << QStringList{"/c", "echo one|| echo two"} << "" << "" << 0 << "one\r\n" << "";
        QTest::newRow("quoted ampersand is text") << QStringList{"/c", "echo \"a & b || c\""} << "" << "" << 0 << "\"a & b || c\"\r\n" << "";
        QTest::newRow("a caret that ends the line stays") << QStringList{"/c", "echo a^"} << "" << "" << 0 << "a^\r\n" << "";
        QTest::newRow("escaped ampersand is text") << QStringList{"/c", "echo a ^& b"} << "" << "" << 0 << "a & b\r\n" << "";
        QTest::newRow("pipe") << QStringList{"/c", "echo one& echo two | echo three"} << "" << "" << 0 << "one\r\nthree\r\n" << "";
        QTest::newRow("pipe after a skipped command") << QStringList{"/c", "xyz && echo one | echo two"} << "" << "" << 1 << "" << unknown;
        QTest::newRow("no /c: nothing runs") << dismountE.mid(1) << "" << "" << 1 << "" << "This cmd runs single commands only: cmd /c <command>\r\n";
        QTest::newRow("fsutil itself") << QStringList{"fsutil", "volume", "dismount", "e:"} << "" << "" << 0 << "" << "";
        // Its arguments are words: nothing in them is a command.
        QTest::newRow("fsutil itself, not a drive") << QStringList{"fsutil", "volume", "dismount", "E: & echo pwned"} << "" << "" << 123
                                                    << "Error:  The filename, directory name, or volume label syntax is incorrect.\r\n" << "";
        QTest::newRow("fsutil itself, fault") << QStringList{"fsutil", "volume", "dismount", "E:"} << ""
                                              << R"({"target":"tool.fsutil","exitCode":5,"output":"Error:  Access is denied."})"
                                              << 5 << "Error:  Access is denied.\r\n" << "";
        QTest::newRow("fault: exit code") << dismountE << "" << R"({"target":"tool.cmd","exitCode":5,"output":"Error:  Access is denied."})"
                                          << 5 << "Error:  Access is denied.\r\n" << "";
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, machine);
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        TestMachine tm;
        tm.setAdministrator(machine != "user");
        tm.machine().displayLanguage = machine == "zh" ? "zh-CN" : "en-US";
        tm.addDisk(1, 100 * kGiB);
        tm.addPartition(1, kMiB, 40 * kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", kGiB));
        tm.addOtherDrive("D", 5);
        tm.addOtherDrive("N", 4, "NTFS", "Share");
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());
        const sim::Machine before = tm.read();

        const bool fsutil = args.first() == "fsutil";
        const ToolRun r = runTool(fsutil ? "fsutil" : "cmd", fsutil ? args.mid(1) : args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, err);
        QCOMPARE(sim::toJson(tm.read()), sim::toJson(before)); // a dismount changes nothing that lasts
    }
};

QTEST_GUILESS_MAIN(TestCmd)
#include "tst_cmd.moc"
