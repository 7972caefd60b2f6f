#include "platform/simulated/simulatedplatform.h"
#include "support/testmachine.h"
#include "wmi.h"

#include <QElapsedTimer>
#include <QtTest>

#include <thread>

using namespace sim;
using platform::HResult;
namespace hr = platform::hr;
namespace simp = platform::simulated;

class TestSimPlatform : public QObject
{
    Q_OBJECT

    platform::Platform &p = platform::current();

private slots:
    void cleanup() { simp::leaveApartment(); }

    // The contract has the answers per thread; here what is counted before and after.
    void comIsCounted()
    {
        std::unique_ptr<platform::WbemLocator> locator;
        QCOMPARE(p.createWbemLocator(locator), simp::CoENotInitialized);
        QCOMPARE(p.coInitializeEx(platform::COINIT_MULTITHREADED), hr::Ok);
        QCOMPARE(p.coInitializeEx(platform::COINIT_MULTITHREADED), hr::False);
        QCOMPARE(p.coInitializeEx(platform::COINIT_APARTMENTTHREADED), hr::RpcChangedMode);
        QCOMPARE(simp::comDepth(), 2); // the changed-mode call does not count
        for (int i = 0; i < 3; ++i) // one too many is harmless
            p.coUninitialize();
        QCOMPARE(simp::comDepth(), 0);
    }

    // Namespaces as Windows also spells them; the contract has the plain forms.
    void namespaceSpellings()
    {
        TestMachine tm;
        QCOMPARE(p.coInitializeEx(platform::COINIT_MULTITHREADED), hr::Ok);
        for (const char *name : {"root\\microsoft\\windows\\storage", "root/cimv2", "\\\\.\\ROOT\\CIMV2"}) {
            wmi::Services s;
            QVERIFY2(wmi::connect(QLatin1String(name), s) == hr::Ok && s, name);
        }
    }

    // Objects made in a single-threaded apartment serve only their own thread; objects made in
    // the multithreaded one serve every thread in it (threads without COM join it implicitly),
    // but not a single-threaded thread. Each call of the connection and of an enumerator is
    // checked: locator, query, walk, class object and method.
    void apartments_data()
    {
        QTest::addColumn<int>("maker");  // COINIT of the making thread
        QTest::addColumn<int>("caller"); // COINIT of the calling thread; -1: no COM; -2: the maker itself
        QTest::addColumn<bool>("served");
        const int sta = platform::COINIT_APARTMENTTHREADED, mta = platform::COINIT_MULTITHREADED;
        QTest::newRow("STA object, own thread") << sta << -2 << true;
        QTest::newRow("STA object, another STA thread") << sta << sta << false;
        QTest::newRow("STA object, an MTA thread") << sta << mta << false;
        QTest::newRow("STA object, a thread without COM") << sta << -1 << false;
        QTest::newRow("MTA object, own thread") << mta << -2 << true;
        QTest::newRow("MTA object, another MTA thread") << mta << mta << true;
        QTest::newRow("MTA object, a thread without COM") << mta << -1 << true;
        QTest::newRow("MTA object, an STA thread") << mta << sta << false;
    }
    void apartments()
    {
        QFETCH(int, maker);
        QFETCH(int, caller);
        QFETCH(bool, served);
        TestMachine tm(TestMachine::Start::Demo);
        QVERIFY(platform::succeeded(maker == platform::COINIT_APARTMENTTHREADED ? p.enterGuiThreadApartment()
                                                                              : p.coInitializeEx(std::uint32_t(maker))));
        std::unique_ptr<platform::WbemLocator> locator;
        QCOMPARE(p.createWbemLocator(locator), hr::Ok);
        wmi::Services s;
        QCOMPARE(locator->connectServer(wmi::w(wmi::kStorage), s), hr::Ok);
        std::unique_ptr<platform::WbemEnumerator> walk;
        QCOMPARE(s->execQuery(L"WQL", L"SELECT * FROM MSFT_Partition", 48, walk), hr::Ok);
        const wmi::Object target = wmi::partition(*s, 0, 4);
        QVERIFY(target);

        QStringList results;
        auto calls = [&] {
            wmi::Services other;
            wmi::Object object;
            std::unique_ptr<platform::WbemEnumerator> e;
            const HResult answers[] = {locator->connectServer(wmi::w(wmi::kCimv2), other),
                                       s->execQuery(L"WQL", L"SELECT * FROM MSFT_Disk", 48, e),
                                       walk->next(platform::WBEM_INFINITE, object),
                                       s->getObject(L"MSFT_Partition", object),
                                       wmi::call(*s, *target, "Resize", {{"Size", wmi::u64v(wmi::u64(*target, "Size"))}}).hr};
            for (HResult h : answers)
                results << QString::number(quint32(h), 16);
        };
        if (caller == -2) {
            calls();
        } else {
            std::thread([&] {
                if (caller >= 0)
                    QVERIFY(platform::succeeded(platform::current().coInitializeEx(std::uint32_t(caller))));
                calls();
                simp::leaveApartment();
            }).join();
        }
        const QString expected = served ? "0" : "8001010e";
        QCOMPARE(results, QStringList(5, expected));
    }

    // The console code page follows the machine's display language.
    void consoleCodePage()
    {
        TestMachine tm;
        const std::pair<const char *, std::uint32_t> languages[] = {
            {"zh-CN", 936}, {"ZH-SG", 936}, {"zh", 936},    {"zh-TW", 950}, {"zh-HK", 950}, {"zh-MO", 950},
            {"ja-JP", 932}, {"ko-KR", 949}, {"ru-RU", 866}, {"uk-UA", 866}, {"de-DE", 850}, {"fr-FR", 850},
            {"es-ES", 850}, {"it-IT", 850}, {"pt-BR", 850}, {"nl-NL", 850}, {"en-US", 437}, {"en-GB", 437},
            {"", 437},      {"zhx", 437},   {"xx-YY", 437}};
        for (const auto &[language, page] : languages) {
            tm.machine().displayLanguage = QLatin1String(language);
            QVERIFY(tm.write());
            QCOMPARE(p.consoleOutputCodePage(), page);
        }
    }

    // Win32 volume calls and Win32_LogicalDisk on one machine: fixed, RAW, removable, offline,
    // media-less and network drives.
    void volumeAnswers()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, 10 * kGiB, "Primary", TestMachine::Vol("NTFS", "System", "C", 4 * kGiB, 4096, "1A2B-3C4D"));
        tm.addPartition(0, 20 * kGiB, kGiB, "Primary", TestMachine::Vol("", "", "R"));
        tm.addDisk(1, 8 * kGiB, "MBR").removable = true;
        tm.addPartition(1, kMiB, 4 * kGiB, "Primary", TestMachine::Vol("exFAT", "STICK", "U"));
        tm.addDisk(2, 8 * kGiB, "MBR").operationalStatus = "Offline";
        tm.addPartition(2, kMiB, 4 * kGiB, "Primary", TestMachine::Vol("NTFS", "", "O"));
        tm.addOtherDrive("H", 5);
        tm.addOtherDrive("Z", 4, "NTFS", "share", kTiB);
        QVERIFY(tm.write());

        QCOMPARE(p.mountedDriveRoots(), (std::vector<std::wstring>{L"C:\\", L"H:\\", L"R:\\", L"U:\\", L"Z:\\"}));
        const std::pair<const wchar_t *, std::uint32_t> types[] = {
            {L"c:", 3}, {L"U:\\", 2}, {L"H:\\", 5}, {L"Z:\\", 4}, {L"R:\\", 3}, {L"O:\\", 1}, {L"C:\\Windows", 1}};
        for (const auto &[root, type] : types)
            QCOMPARE(p.getDriveType(root), type);

        std::wstring name, fs;
        std::uint32_t serial = 0;
        QVERIFY(p.getVolumeInformation(L"C:\\", &name, 261, &serial, &fs, 261));
        QCOMPARE(name + L"|" + fs, std::wstring(L"System|NTFS"));
        QCOMPARE(serial, 0x1A2B3C4Du);
        // Buffers count characters including the terminator.
        QVERIFY(p.getVolumeInformation(L"C:\\", &name, 7, nullptr, &fs, 5));
        QVERIFY(!p.getVolumeInformation(L"C:\\", &name, 6, nullptr, nullptr, 0));
        QCOMPARE(p.lastError(), simp::ErrorBadLength);
        const std::pair<const wchar_t *, std::uint32_t> failures[] = {
            {L"R:\\", simp::ErrorUnrecognizedVolume}, {L"H:\\", simp::ErrorNotReady},
            {L"O:\\", simp::ErrorPathNotFound}, {L"C:", simp::ErrorInvalidName}};
        for (const auto &[root, error] : failures) {
            QVERIFY(!p.getVolumeInformation(root, &name, 261, &serial, &fs, 261));
            QCOMPARE(p.lastError(), error);
        }
        // Labels: refusals change nothing; FAT keeps its label in upper case.
        const std::tuple<const wchar_t *, const wchar_t *, std::uint32_t> labels[] = {
            {L"U:\\", L"fifteen chars!!", 0}, {L"U:\\", L"sixteen chars!!!", simp::ErrorLabelTooLong},
            {L"C:\\", L"a\tb", simp::ErrorInvalidName}, {L"R:\\", L"x", simp::ErrorUnrecognizedVolume},
            {L"O:\\", L"x", simp::ErrorPathNotFound}, {L"C:", L"x", simp::ErrorInvalidName}};
        for (const auto &[root, label, error] : labels) {
            QCOMPARE(p.setVolumeLabel(root, label), error == 0);
            if (error)
                QCOMPARE(p.lastError(), error);
        }
        tm.read();
        tm.partition(0, 1).volume->fileSystem = "FAT32";
        tm.disk(1).readOnly = true;
        QVERIFY(tm.write());
        QVERIFY(!p.setVolumeLabel(L"C:\\", L"a+b"));
        QVERIFY(p.setVolumeLabel(L"C:\\", L"boot"));
        QVERIFY(!p.setVolumeLabel(L"U:\\", L"x"));
        QCOMPARE(p.lastError(), simp::ErrorWriteProtect);
        QCOMPARE(partitionsOf(tm.read(), 0, "label") + partitionsOf(tm.read(), 1, "label"),
                 QStringList({"BOOT", "", "fifteen chars!!"}));

        std::uint64_t caller = 0, total = 0, free = 0;
        QVERIFY(p.getDiskFreeSpaceEx(L"C:\\", &caller, &total, &free));
        QCOMPARE(total, std::uint64_t(10 * kGiB));
        QCOMPARE(free, std::uint64_t(6 * kGiB));
        QCOMPARE(caller, free);

        simp::enterSingleThreadedApartment();
        const auto all = wmi::query(*wmi::open(wmi::kCimv2), QStringLiteral("SELECT * FROM Win32_LogicalDisk"));
        QStringList ids;
        for (const auto &o : all)
            ids << wmi::text(*o, "DeviceID") + QString::number(wmi::get(*o, "DriveType").integer);
        QCOMPARE(ids, QStringList({"C:3", "H:5", "R:3", "U:2", "Z:4"}));
        QCOMPARE(wmi::u64(*all[0], "FreeSpace"), 6 * kGiB);
        QCOMPARE(wmi::text(*all[0], "VolumeSerialNumber") + QString::number(wmi::get(*all[0], "MediaType").integer)
                     + QString::number(wmi::get(*all[3], "MediaType").integer), "1A2B3C4D1211"); // fixed disk, removable
        QCOMPARE(wmi::get(*all[1], "FileSystem").vt, platform::VT_NULL); // no media
        QCOMPARE(wmi::get(*all[2], "FileSystem").vt, platform::VT_NULL); // RAW
    }

    // Beyond the contract's names: a full Windows path, and where an installed app finds them.
    void toolPaths()
    {
#ifdef Q_OS_WIN // the stand-ins keep to a folder of their own beside the app
        const QString given = "/opt/tess/bin/simulated/cmd.exe", installed = QCoreApplication::applicationDirPath() + "/simulated/cmd.exe";
#else
        const QString given = "/opt/tess/bin/cmd", installed = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../libexec/tessaline/cmd");
#endif
        const QByteArray previous = qgetenv("TESSALINE_BIN_DIR");
        qputenv("TESSALINE_BIN_DIR", "/opt/tess/bin");
        QCOMPARE(QString::fromStdWString(p.resolveProgram(L"C:\\Program Files\\Tessaline\\cmd.exe")), given);
        qunsetenv("TESSALINE_BIN_DIR");
        QCOMPARE(QString::fromStdWString(p.toolPath(platform::Tool::Cmd)), installed);
        qputenv("TESSALINE_BIN_DIR", previous);
    }

    void commandLineSplitting_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("args");
        // The contract reads back what the app writes; here forms it never writes. Inside quotes
        // a doubled quote gives one and leaves the quotes: the next quote opens again.
        QTest::newRow("doubled quote inside quotes") << "p \"a\"\"b\" c" << QStringList{"p", "a\"b c"};
        QTest::newRow("tabs and runs of blanks") << "  p\t a   b " << QStringList{"p", "a", "b"};
    }
    void commandLineSplitting()
    {
        QFETCH(QString, line);
        QStringList got;
        for (const std::wstring &a : simp::splitCommandLine(line.toStdWString()))
            got << QString::fromStdWString(a);
        QTEST(got, "args");
    }

    // The contract covers exit codes, the time limit and a missing program; here the abort
    // code the C runtime reports, and the sleeps and limits that follow the machine's time scale.
    void runHiddenAndTiming()
    {
        TestMachine tm;
        tm.setTimeScale(0.01);
        QVERIFY(tm.write());
#ifndef Q_OS_WIN // a signal reads as abort()'s code on Windows; a Windows crash has its own code
        QCOMPARE(p.runHidden(L"/bin/sh -c \"kill -ABRT $$\"", 0, 10000).exitCode, 3u);
        // Nothing visible: no console to read from or write to.
        QCOMPARE(p.runHidden(L"/bin/sh -c \"[ /dev/stdin -ef /dev/null ] && [ /dev/stdout -ef /dev/null ] && [ /dev/stderr -ef /dev/null ]\"", 0, 10000).exitCode, 0u);
#endif
        QElapsedTimer timer;
        timer.start();
        p.sleepMs(10000);
        QVERIFY(timer.elapsed() >= 100 && timer.elapsed() < 3000);
        QCOMPARE(p.scaledMs(1), 1); // never below 1 ms
        QCOMPARE(sim::scaledMs(1, 4.0), 4); // and stretched like any other
        // A changed file is seen at once, even when written within the same instant.
        tm.setTimeScale(0.5);
        QVERIFY(tm.write());
        QCOMPARE(p.scaledMs(3), qRound(1.5 * TestMachine::slowdown())); // 1.5 rounds to 2
    }
};

QTEST_GUILESS_MAIN(TestSimPlatform)
#include "tst_simplatform.moc"
