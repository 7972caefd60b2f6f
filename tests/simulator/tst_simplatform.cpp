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

    void comIsPerThreadAndCounted()
    {
        QVERIFY(!simp::comInitialized());
        QCOMPARE(p.coInitializeEx(platform::COINIT_MULTITHREADED), hr::Ok);
        QCOMPARE(p.coInitializeEx(platform::COINIT_MULTITHREADED), hr::False);
        QCOMPARE(p.coInitializeEx(platform::COINIT_APARTMENTTHREADED), hr::RpcChangedMode);
        QCOMPARE(simp::comDepth(), 2); // the changed-mode call does not count

        // Another thread starts with no COM at all.
        int otherDepth = -1;
        HResult otherInit = hr::Fail;
        std::thread t([&] {
            otherDepth = simp::comDepth();
            otherInit = platform::current().coInitializeEx(platform::COINIT_APARTMENTTHREADED);
            platform::current().coUninitialize();
        });
        t.join();
        QCOMPARE(otherDepth, 0);
        QCOMPARE(otherInit, hr::Ok);

        p.coUninitialize();
        p.coUninitialize();
        QVERIFY(!simp::comInitialized());
        p.coUninitialize(); // one too many is harmless
        QCOMPARE(simp::comDepth(), 0);
    }

    void guiThreadApartment()
    {
        simp::enterSingleThreadedApartment();
        QCOMPARE(p.coInitializeEx(platform::COINIT_MULTITHREADED), hr::RpcChangedMode);
        QCOMPARE(simp::comDepth(), 1);
        QCOMPARE(simp::comApartment(), platform::COINIT_APARTMENTTHREADED);
        // The thread's own apartment serves WMI all the same.
        TestMachine tm(TestMachine::Start::Demo);
        QVERIFY(wmi::storage());
    }

    void locatorNeedsCom()
    {
        std::unique_ptr<platform::WbemLocator> locator;
        QCOMPARE(p.createWbemLocator(locator), simp::CoENotInitialized);
        QVERIFY(!locator);
    }

    void securityOncePerProcess()
    {
        simp::resetProcessSecurity();
        TestMachine tm;
        QCOMPARE(p.coInitializeSecurity(-1, 1, 3, 0), hr::Ok);
        QCOMPARE(p.coInitializeSecurity(-1, 1, 3, 0), hr::RpcTooLate);
        QVERIFY(simp::processSecuritySet());
    }

    void namespaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint32>("result");
        QTest::newRow("storage") << "ROOT\\Microsoft\\Windows\\Storage" << hr::Ok;
        QTest::newRow("storage lower case") << "root\\microsoft\\windows\\storage" << hr::Ok;
        QTest::newRow("cimv2 with slashes") << "root/cimv2" << hr::Ok;
        QTest::newRow("local machine prefix") << "\\\\.\\ROOT\\CIMV2" << hr::Ok;
        QTest::newRow("unknown") << "ROOT\\WMI" << hr::WbemInvalidNamespace;
        QTest::newRow("empty") << "" << hr::WbemInvalidNamespace;
    }
    void namespaces()
    {
        QFETCH(QString, name);
        QFETCH(qint32, result);
        TestMachine tm;
        QVERIFY(platform::succeeded(p.coInitializeEx(platform::COINIT_MULTITHREADED)));
        std::unique_ptr<platform::WbemServices> s;
        QCOMPARE(wmi::connect(name, s), result);
        QCOMPARE(bool(s), result == hr::Ok);
    }

    void faults_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("step");
        QTest::addColumn<qint32>("result"); // the step's HRESULT, or a ReturnValue for "method-rv"
        QTest::newRow("com.initialize") << QByteArray(R"({"target":"com.initialize","hresult":"0x80004005"})") << "init" << hr::Fail;
        QTest::newRow("com.security") << QByteArray(R"({"target":"com.security","hresult":"0x80070005"})") << "security" << hr::AccessDenied;
        QTest::newRow("wmi.locator") << QByteArray(R"({"target":"wmi.locator","hresult":"0x80040154"})") << "locator" << hr::ClassNotRegistered;
        QTest::newRow("wmi.connect matching") << QByteArray(R"({"target":"wmi.connect","match":"Storage","hresult":"0x80041003"})") << "connect-storage" << hr::WbemAccessDenied;
        QTest::newRow("wmi.connect other namespace") << QByteArray(R"({"target":"wmi.connect","match":"Storage","hresult":"0x80041003"})") << "connect-cimv2" << hr::Ok;
        QTest::newRow("wmi.proxyBlanket") << QByteArray(R"({"target":"wmi.proxyBlanket","hresult":"0x80070005"})") << "blanket" << hr::AccessDenied;
        QTest::newRow("wmi.query matching") << QByteArray(R"({"target":"wmi.query","match":"MSFT_Partition","hresult":"0x80041001"})") << "query-partition" << hr::WbemFailed;
        QTest::newRow("wmi.query not matching") << QByteArray(R"({"target":"wmi.query","match":"MSFT_Partition","hresult":"0x80041001"})") << "query-disk" << hr::Ok;
        QTest::newRow("wmi.getObject") << QByteArray(R"({"target":"wmi.getObject","match":"MSFT_Partition","hresult":"0x80041002"})") << "class" << hr::WbemNotFound;
        QTest::newRow("wmi.method hresult") << QByteArray(R"({"target":"wmi.method","match":"MSFT_Partition.Resize","hresult":"0x80041003"})") << "method" << hr::WbemAccessDenied;
        QTest::newRow("wmi.method return value") << QByteArray(R"({"target":"wmi.method","match":"MSFT_Partition.Resize","returnValue":41003})") << "method-rv" << 41003;
        QTest::newRow("wmi.method other method") << QByteArray(R"({"target":"wmi.method","match":"MSFT_Disk.CreatePartition","returnValue":1})") << "method-rv" << 0;
        QTest::newRow("wmi.put one type") << QByteArray(R"({"target":"wmi.put","match":"Resize.Size[vt=21]"})") << "put-ui8" << hr::WbemTypeMismatch;
        QTest::newRow("wmi.put other type") << QByteArray(R"({"target":"wmi.put","match":"Resize.Size[vt=21]"})") << "put-bstr" << hr::Ok;
    }
    void faults()
    {
        QFETCH(QByteArray, fault);
        QFETCH(QString, step);
        QFETCH(qint32, result);
        simp::resetProcessSecurity();
        TestMachine tm(TestMachine::Start::Demo);
        QJsonObject f = QJsonDocument::fromJson(fault).object();
        f.insert(QStringLiteral("times"), 1); // and then it is gone
        tm.addFault(f);
        QVERIFY(tm.write());

        auto run = [&]() -> HResult {
            if (step == QLatin1String("init"))
                return p.coInitializeEx(platform::COINIT_MULTITHREADED);
            if (step == QLatin1String("security"))
                return p.coInitializeSecurity(-1, 1, 3, 0);
            simp::enterSingleThreadedApartment();
            std::unique_ptr<platform::WbemLocator> locator;
            HResult h = p.createWbemLocator(locator);
            if (step == QLatin1String("locator") || platform::failed(h))
                return h;
            std::unique_ptr<platform::WbemServices> s;
            h = locator->connectServer(step == QLatin1String("connect-cimv2") ? L"ROOT\\CIMV2" : L"ROOT\\Microsoft\\Windows\\Storage", s);
            if (step.startsWith(QLatin1String("connect")) || platform::failed(h))
                return h;
            if (step == QLatin1String("blanket"))
                return s->setProxyBlanket(10, 0, 3, 3, 0);
            if (step.startsWith(QLatin1String("query"))) {
                HResult q = hr::Fail;
                wmi::query(*s, step == QLatin1String("query-disk") ? QStringLiteral("SELECT * FROM MSFT_Disk")
                                                                    : QStringLiteral("SELECT * FROM MSFT_Partition"), &q);
                return q;
            }
            wmi::Object cls, in, out, params;
            h = s->getObject(L"MSFT_Partition", cls);
            if (step == QLatin1String("class") || platform::failed(h))
                return h;
            const wmi::Object target = wmi::partition(*s, 0, 4);
            cls->getMethod(L"Resize", in, out);
            in->spawnInstance(params);
            if (step.startsWith(QLatin1String("put"))) {
                platform::Variant v = step == QLatin1String("put-ui8") ? platform::Variant() : wmi::u64v(kGiB);
                if (step == QLatin1String("put-ui8")) {
                    v.vt = platform::VT_UI8;
                    v.integer = kGiB;
                }
                return params->put(L"Size", v, 0);
            }
            params->put(L"Size", wmi::u64v(wmi::u64(*target, "Size")), 0);
            h = s->execMethod(wmi::get(*target, "__PATH").text, L"Resize", 0, params.get(), out);
            if (step == QLatin1String("method"))
                return h;
            return out ? wmi::get(*out, "ReturnValue").lVal() : -1;
        };
        QCOMPARE(run(), result);
        const bool fired = result != 0;
        QCOMPARE(tm.read().faults.isEmpty(), fired);
        simp::leaveApartment();
        QCOMPARE(run(), hr::Ok);
    }

    void driveAnswers()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * kGiB);
        tm.addPartition(0, kMiB, 10 * kGiB, QStringLiteral("Primary"),
                        TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("System"), QStringLiteral("C"), 4 * kGiB, 4096, QStringLiteral("1A2B-3C4D")));
        tm.addPartition(0, 20 * kGiB, kGiB, QStringLiteral("Primary"), TestMachine::Vol(QString(), QString(), QStringLiteral("R")));
        tm.addDisk(1, 8 * kGiB, QStringLiteral("MBR")).removable = true;
        tm.addPartition(1, kMiB, 4 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("exFAT"), QStringLiteral("STICK"), QStringLiteral("U")));
        tm.addDisk(2, 8 * kGiB, QStringLiteral("MBR")).operationalStatus = QStringLiteral("Offline");
        tm.addPartition(2, kMiB, 4 * kGiB, QStringLiteral("Primary"), TestMachine::Vol(QStringLiteral("NTFS"), QString(), QStringLiteral("O")));
        tm.addOtherDrive(QStringLiteral("H"), 5);
        tm.addOtherDrive(QStringLiteral("Z"), 4, QStringLiteral("NTFS"), QStringLiteral("share"), kTiB);
        QVERIFY(tm.write());

        QCOMPARE(p.getLogicalDrives(), (1u << 2) | (1u << 7) | (1u << 17) | (1u << 20) | (1u << 25));
        std::vector<std::wstring> roots = p.mountedDriveRoots();
        QCOMPARE(roots, (std::vector<std::wstring>{L"C:\\", L"H:\\", L"R:\\", L"U:\\", L"Z:\\"}));

        const std::vector<std::pair<std::wstring, std::uint32_t>> types = {
            {L"C:\\", 3}, {L"c:", 3}, {L"U:\\", 2}, {L"H:\\", 5}, {L"Z:\\", 4}, {L"R:\\", 3},
            {L"O:\\", 1}, {L"Q:\\", 1}, {L"", 1}, {L"C:\\Windows", 1}};
        for (const auto &t : types)
            QCOMPARE(p.getDriveType(t.first), t.second);

        std::wstring name, fs;
        std::uint32_t serial = 0;
        QVERIFY(p.getVolumeInformation(L"C:\\", &name, 261, &serial, &fs, 261));
        QCOMPARE(name, std::wstring(L"System"));
        QCOMPARE(fs, std::wstring(L"NTFS"));
        QCOMPARE(serial, 0x1A2B3C4Du);
        // Buffers count characters including the terminator.
        QVERIFY(p.getVolumeInformation(L"C:\\", &name, 7, nullptr, &fs, 5));
        QVERIFY(!p.getVolumeInformation(L"C:\\", &name, 6, nullptr, nullptr, 0));
        QCOMPARE(p.lastError(), simp::ErrorBadLength);
        QVERIFY(!p.getVolumeInformation(L"C:\\", nullptr, 0, nullptr, &fs, 4));
        QVERIFY(p.getVolumeInformation(L"U:\\", nullptr, 0, &serial, nullptr, 0)); // null buffers are not filled

        const std::vector<std::pair<std::wstring, std::uint32_t>> failures = {
            {L"R:\\", simp::ErrorUnrecognizedVolume}, {L"H:\\", simp::ErrorNotReady},
            {L"Q:\\", simp::ErrorPathNotFound}, {L"O:\\", simp::ErrorPathNotFound}, {L"C:", simp::ErrorInvalidName}};
        for (const auto &f : failures) {
            QVERIFY(!p.getVolumeInformation(f.first, &name, 261, &serial, &fs, 261));
            QCOMPARE(p.lastError(), f.second);
        }

        std::uint64_t caller = 0, total = 0, free = 0;
        QVERIFY(p.getDiskFreeSpaceEx(L"C:\\", &caller, &total, &free));
        QCOMPARE(total, std::uint64_t(10 * kGiB));
        QCOMPARE(free, std::uint64_t(6 * kGiB));
        QCOMPARE(caller, free);
        QVERIFY(!p.getDiskFreeSpaceEx(L"R:\\", nullptr, &total, nullptr));
        QCOMPARE(p.lastError(), simp::ErrorUnrecognizedVolume);
        QVERIFY(!p.getDiskFreeSpaceEx(L"H:\\", nullptr, &total, nullptr));
        QCOMPARE(p.lastError(), simp::ErrorNotReady);
    }

    void tools()
    {
        const QByteArray previous = qgetenv("TESSALINE_BIN_DIR");
        qputenv("TESSALINE_BIN_DIR", "/opt/tess/bin");
        QCOMPARE(p.toolPath(platform::Tool::Diskpart), std::wstring(L"/opt/tess/bin/diskpart"));
        QCOMPARE(p.toolPath(platform::Tool::Cmd), std::wstring(L"/opt/tess/bin/cmd"));
        QCOMPARE(p.toolPath(platform::Tool::Fat32Format), std::wstring(L"/opt/tess/bin/fat32format.exe"));
        QCOMPARE(p.resolveProgram(L"DISKPART.EXE"), std::wstring(L"/opt/tess/bin/diskpart"));
        QCOMPARE(p.resolveProgram(L"diskpart"), std::wstring(L"/opt/tess/bin/diskpart"));
        QCOMPARE(p.resolveProgram(L"cmd.exe"), std::wstring(L"/opt/tess/bin/cmd"));
        QCOMPARE(p.resolveProgram(L"C:\\Program Files\\Tessaline\\fat32format.exe"), std::wstring(L"/opt/tess/bin/fat32format.exe"));
        QCOMPARE(p.resolveProgram(L"notepad.exe"), std::wstring(L"notepad.exe"));
        qunsetenv("TESSALINE_BIN_DIR");
        QCOMPARE(QString::fromStdWString(p.toolPath(platform::Tool::Cmd)), QCoreApplication::applicationDirPath() + QStringLiteral("/cmd"));
        qputenv("TESSALINE_BIN_DIR", previous);
    }

    void commandLineSplitting_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("plain") << "cmd.exe /c fsutil volume dismount E:" << QStringList{"cmd.exe", "/c", "fsutil", "volume", "dismount", "E:"};
        QTest::newRow("quoted program keeps backslashes") << "\"C:\\Program Files\\x.exe\" -c8 F:" << QStringList{"C:\\Program Files\\x.exe", "-c8", "F:"};
        QTest::newRow("quoted argument") << "p \"a b\" c" << QStringList{"p", "a b", "c"};
        QTest::newRow("escaped quote") << "p a\\\"b" << QStringList{"p", "a\"b"};
        QTest::newRow("even backslashes before quote") << "p \"a\\\\\" b" << QStringList{"p", "a\\", "b"};
        QTest::newRow("backslashes alone") << "p C:\\dir\\ x" << QStringList{"p", "C:\\dir\\", "x"};
        // Inside quotes a doubled quote gives one and leaves the quotes: the next quote opens again.
        QTest::newRow("doubled quote inside quotes") << "p \"a\"\"b\" c" << QStringList{"p", "a\"b c"};
        QTest::newRow("empty argument") << "p \"\" x" << QStringList{"p", "", "x"};
        QTest::newRow("tabs and runs of blanks") << "  p\t a   b " << QStringList{"p", "a", "b"};
        QTest::newRow("nothing") << "   " << QStringList{};
    }
    void commandLineSplitting()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, args);
        QStringList got;
        for (const std::wstring &a : simp::splitCommandLine(line.toStdWString()))
            got << QString::fromStdWString(a);
        QCOMPARE(got, args);
    }

    void runHidden()
    {
        TestMachine tm;
        platform::NativeRunResult r = p.runHidden(L"/bin/sh -c \"exit 7\"", platform::CREATE_NO_WINDOW, 10000);
        QVERIFY(r.started);
        QCOMPARE(r.wait, platform::NativeRunResult::Wait::Finished);
        QVERIFY(r.exitCodeObtained);
        QCOMPARE(r.exitCode, 7u);

        QElapsedTimer timer;
        timer.start();
        r = p.runHidden(L"/bin/sh -c \"sleep 20\"", 0, 150);
        QCOMPARE(r.wait, platform::NativeRunResult::Wait::TimedOut);
        QCOMPARE(r.exitCode, 1u);
        QVERIFY(timer.elapsed() < 5000);

        r = p.runHidden(L"/bin/sh -c \"kill -ABRT $$\"", 0, 10000);
        QCOMPARE(r.exitCode, 3u); // abort() as the C runtime reports it

        r = p.runHidden(L"no-such-program.exe /x", 0, 1000);
        QVERIFY(!r.started);
        QCOMPARE(r.startError, simp::ErrorFileNotFound);
        QVERIFY(!r.exitCodeObtained);
    }

    void systemAndTiming()
    {
        TestMachine tm;
        tm.setWindowsVersion(QStringLiteral("6.1"));
        tm.setAdministrator(false);
        tm.setTimeScale(0.01);
        QVERIFY(tm.write());
        QCOMPARE(p.windowsVersion().major, 6);
        QCOMPARE(p.windowsVersion().minor, 1);
        QVERIFY(!p.isUserAdmin());
        QCOMPARE(p.scaledMs(30000), 300);
        QCOMPARE(p.scaledMs(1), 1);   // never below 1 ms
        QCOMPARE(p.scaledMs(0), 0);
        QCOMPARE(p.scaledMs(-1), -1); // "no limit" stays so
        QElapsedTimer timer;
        timer.start();
        p.sleepMs(10000);
        QVERIFY(timer.elapsed() >= 100 && timer.elapsed() < 3000);

        // A changed file is seen at once, even when written within the same instant.
        tm.setTimeScale(2.5);
        QVERIFY(tm.write());
        QCOMPARE(p.scaledMs(100), 250);
        tm.setTimeScale(0.5);
        QVERIFY(tm.write());
        QCOMPARE(p.scaledMs(3), 2); // 1.5 rounds to 2
    }
};

QTEST_GUILESS_MAIN(TestSimPlatform)
#include "tst_simplatform.moc"
