#include "contract.h"

#include "platform/consoletext.h"
#include "platform/privatefile.h"
#include "platform/processmemory.h"
#include "platform/readonlyfile.h"

#include <chrono>
#include <cstdio>
#include <cwctype>
#include <map>
#include <thread>

namespace contract {

using namespace platform;

bool Harness::check(bool ok, const char *expr, const char *file, int line, const std::string &detail)
{
    if (ok) {
        ++m_passed;
        return true;
    }
    ++m_failed;
    std::printf("  %s:%d: failed: %s%s%s\n", file, line, expr, detail.empty() ? "" : " -- ", detail.c_str());
    return false;
}

bool Harness::equal(long long actual, long long expected, const char *expr, const char *file, int line)
{
    char detail[96];
    std::snprintf(detail, sizeof detail, "got %lld (0x%llx), expected %lld (0x%llx)", actual,
                  (unsigned long long)actual & 0xFFFFFFFFull, expected, (unsigned long long)expected & 0xFFFFFFFFull);
    return check(actual == expected, expr, file, line, detail);
}

int Harness::finish() const
{
    std::printf("%d passed, %d failed\n", m_passed, m_failed);
    return m_failed == 0 ? 0 : 1;
}

std::string toUtf8(const std::wstring &s)
{
    std::string out;
    for (wchar_t c : s)
        out += (c >= 32 && c < 127) ? char(c) : '?';
    return out;
}

namespace {

constexpr std::int32_t kQueryFlags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY;

bool isDecimal(const std::wstring &s)
{
    if (s.empty())
        return false;
    for (wchar_t c : s)
        if (c < L'0' || c > L'9')
            return false;
    return true;
}

// A file's bytes as a tool reads them.
std::string contents(const std::string &path)
{
    std::uint32_t ignored = 0;
    std::string bytes;
    std::unique_ptr<ReadOnlyFile> file = ReadOnlyFile::open(path, ignored);
    return file && file->readAll(bytes, ignored) ? bytes : std::string("(unreadable)");
}

std::unique_ptr<WbemServices> connect(Platform &p, Harness &h, const std::wstring &ns)
{
    std::unique_ptr<WbemLocator> locator;
    std::unique_ptr<WbemServices> services;
    if (!CHECK_EQ(h, p.createWbemLocator(locator), hr::Ok) || !CHECK(h, locator))
        return nullptr;
    CHECK_EQ(h, locator->connectServer(ns, services), hr::Ok);
    CHECK(h, services);
    return services;
}

void comAndSecurity(Platform &p, Harness &h, const Profile &profile)
{
    CHECK_EQ(h, p.coInitializeEx(COINIT_MULTITHREADED), hr::Ok);
    CHECK_EQ(h, p.coInitializeEx(COINIT_MULTITHREADED), hr::False);
    // The other apartment is refused and not counted: no uninitialise for it.
    CHECK_EQ(h, p.coInitializeEx(COINIT_APARTMENTTHREADED), hr::RpcChangedMode);
    std::thread([&] { // a thread in no apartment yet: the GUI thread's entry is one more balanced call
        CHECK_EQ(h, p.coInitializeEx(COINIT_APARTMENTTHREADED), hr::Ok);
        CHECK_EQ(h, p.enterGuiThreadApartment(), hr::False);
        p.coUninitialize();
        CHECK_EQ(h, p.coInitializeEx(COINIT_MULTITHREADED), hr::RpcChangedMode);
        p.coUninitialize();
    }).join();
    // Once per process: the second call is too late, whatever it asks for.
    CHECK_EQ(h, p.coInitializeSecurity(-1, 1 /* NONE */, 3 /* IMPERSONATE */, 0), hr::Ok);
    const HResult again = p.coInitializeSecurity(-1, 2 /* CONNECT */, 3, 0);
    if (profile.securityOnce)
        CHECK_EQ(h, again, hr::RpcTooLate);
    else // Wine's CoInitializeSecurity accepts every call; the second must at least not fail
        CHECK_EQ(h, again, hr::Ok);
}

void namespaces(Platform &p, Harness &h, const Profile &profile)
{
    std::unique_ptr<WbemLocator> locator;
    CHECK_EQ(h, p.createWbemLocator(locator), hr::Ok);
    if (!locator)
        return;
    const std::pair<const wchar_t *, HResult> cases[] = {
        {L"ROOT\\CIMV2", hr::Ok},
        {L"root\\cimv2", hr::Ok},
        {L"ROOT\\Microsoft\\Windows\\Storage", hr::Ok},
        {L"ROOT\\NoSuchNamespaceAtAll", hr::WbemInvalidNamespace},
    };
    for (const auto &[ns, expected] : cases) {
        std::unique_ptr<WbemServices> services;
        CHECK_EQ(h, locator->connectServer(ns, services), expected);
        CHECK(h, bool(services) == (expected == hr::Ok));
        if (services)
            CHECK(h, succeeded(services->setProxyBlanket(10 /* WINNT */, 0, 3 /* CALL */, 3, 0)));
    }

    // The storage classes are what the product reads; Wine registers the namespace without
    // any, so there the lookup must fail cleanly instead.
    auto storage = connect(p, h, L"ROOT\\Microsoft\\Windows\\Storage");
    if (!storage)
        return;
    for (const wchar_t *cls : {L"MSFT_Disk", L"MSFT_Partition"}) {
        std::shared_ptr<WbemObject> object;
        const HResult r = storage->getObject(cls, object);
        if (profile.storageClasses) {
            CHECK_EQ(h, r, hr::Ok);
            CHECK(h, object);
        } else {
            CHECK(h, failed(r));
            CHECK(h, !object);
        }
    }
    std::unique_ptr<WbemEnumerator> e;
    const HResult q = storage->execQuery(L"WQL", L"SELECT * FROM MSFT_Disk", kQueryFlags, e);
    if (profile.storageClasses)
        CHECK(h, succeeded(q) && e);
    else if (succeeded(q) && e) { // an enumerator that fails or is empty on its first step
        std::shared_ptr<WbemObject> o;
        const HResult n = e->next(WBEM_INFINITE, o);
        CHECK(h, (failed(n) || n == hr::False) && !o);
    }
}

void logicalDisks(Platform &p, Harness &h)
{
    auto services = connect(p, h, L"ROOT\\CIMV2");
    if (!services)
        return;
    std::unique_ptr<WbemEnumerator> e;
    CHECK_EQ(h, services->execQuery(L"WQL", L"SELECT * FROM Win32_LogicalDisk", kQueryFlags, e), hr::Ok);
    if (!e)
        return;
    const std::vector<std::wstring> roots = p.mountedDriveRoots();
    int seen = 0;
    for (;;) {
        std::shared_ptr<WbemObject> o;
        const HResult r = e->next(WBEM_INFINITE, o);
        if (r == hr::False) {
            CHECK(h, !o);
            break;
        }
        if (!CHECK_EQ(h, r, hr::Ok) || !CHECK(h, o))
            break;
        ++seen;
        Variant v;
        CHECK_EQ(h, o->get(L"DeviceID", v), hr::Ok);
        CHECK_EQ(h, v.vt, VT_BSTR);
        const std::wstring id = v.text;
        CHECK(h, id.size() == 2 && id[1] == L':');
        const std::wstring root = id + L"\\";
        bool mounted = false;
        for (const std::wstring &r2 : roots)
            mounted = mounted || r2 == root;
        h.check(mounted, "DeviceID names a mounted root", __FILE__, __LINE__, toUtf8(id));

        // uint32 as VT_I4 on Windows, VT_UI4 under Wine.
        CHECK_EQ(h, o->get(L"DriveType", v), hr::Ok);
        CHECK(h, v.vt == VT_I4 || v.vt == VT_UI4);
        CHECK_EQ(h, v.integer, p.getDriveType(root));

        // uint64 as decimal text, or null for a drive without media.
        for (const wchar_t *name : {L"Size", L"FreeSpace"}) {
            CHECK_EQ(h, o->get(name, v), hr::Ok);
            h.check(v.vt == VT_NULL || (v.vt == VT_BSTR && isDecimal(v.text)), "uint64 arrives as text or null",
                    __FILE__, __LINE__, toUtf8(id) + " " + toUtf8(name) + " vt=" + std::to_string(v.vt));
        }
        for (const wchar_t *name : {L"FileSystem", L"VolumeName"}) {
            CHECK_EQ(h, o->get(name, v), hr::Ok);
            CHECK(h, v.vt == VT_BSTR || v.vt == VT_NULL);
        }
        CHECK_EQ(h, o->get(L"NoSuchProperty", v), hr::WbemNotFound);
    }
    CHECK(h, seen > 0);
}

void signatures(Platform &p, Harness &h, const Profile &profile)
{
    for (const SignatureCase &c : profile.signatures) {
        auto services = connect(p, h, c.nameSpace);
        if (!services)
            continue;
        std::shared_ptr<WbemObject> cls, in, out;
        if (!CHECK_EQ(h, services->getObject(c.className, cls), hr::Ok) || !cls)
            continue;
        CHECK(h, failed(cls->getMethod(L"NoSuchMethod", in, out)));
        CHECK_EQ(h, cls->getMethod(c.method, in, out), hr::Ok);
        if (!CHECK(h, in) || !CHECK(h, out))
            continue;
        std::shared_ptr<WbemObject> first, second;
        CHECK_EQ(h, in->spawnInstance(first), hr::Ok);
        CHECK_EQ(h, in->spawnInstance(second), hr::Ok);
        if (!first || !second)
            continue;
        CHECK_EQ(h, first->put(c.parameter, c.value, c.cimType), hr::Ok);
        Variant v;
        CHECK_EQ(h, first->get(c.parameter, v), hr::Ok);
        CHECK_EQ(h, v.vt, c.readBack.vt);
        h.check(v.text == c.readBack.text && v.integer == c.readBack.integer, "the parameter reads back", __FILE__,
                __LINE__, toUtf8(c.parameter) + " = " + toUtf8(v.text));
        // Each spawn is a fresh instance: the other one did not get the value (it reads null on
        // Windows, empty text under Wine).
        CHECK_EQ(h, second->get(c.parameter, v), hr::Ok);
        CHECK(h, v.vt == VT_NULL || v.vt == VT_EMPTY || v.text.empty());
        // The signature itself stays untouched: its parameters read null.
        CHECK_EQ(h, in->get(c.parameter, v), hr::Ok);
        CHECK_EQ(h, v.vt, VT_NULL);
        // Parameters the method does not have are refused (WBEM_E_NOT_FOUND on Windows; Wine
        // answers another error code).
        CHECK(h, failed(first->put(L"NoSuchParameter", c.value, c.cimType)));
    }
}

void volumes(Platform &p, Harness &h, const Profile &profile)
{
    const std::uint32_t mask = p.getLogicalDrives();
    const std::vector<std::wstring> roots = p.mountedDriveRoots();
    CHECK(h, !roots.empty());
    std::uint32_t fromRoots = 0;
    for (const std::wstring &r : roots)
        if (CHECK(h, r.size() == 3 && r[0] >= L'A' && r[0] <= L'Z' && r.substr(1) == L":\\"))
            fromRoots |= 1u << (r[0] - L'A');
    CHECK_EQ(h, fromRoots, mask);

    std::wstring missing;
    for (wchar_t c = L'Z'; c >= L'D' && missing.empty(); --c)
        if (!(mask & (1u << (c - L'A'))))
            missing = std::wstring(1, c) + L":\\";
    if (CHECK(h, !missing.empty())) {
        CHECK_EQ(h, p.getDriveType(missing), DRIVE_NO_ROOT_DIR);
        std::wstring name, fs;
        CHECK(h, !p.getVolumeInformation(missing, &name, 261, nullptr, &fs, 261));
        CHECK(h, p.lastError() != 0);
        std::uint64_t total = 0;
        CHECK(h, !p.getDiskFreeSpaceEx(missing, nullptr, &total, nullptr));
        CHECK(h, !p.setVolumeLabel(missing, L"Renamed"));
        CHECK(h, p.lastError() != 0);
    }

    const std::wstring &root = profile.labelledRoot;
    if (root.empty())
        return;
    CHECK_EQ(h, p.getDriveType(root), DRIVE_FIXED);
    CHECK_EQ(h, p.getDriveType(root.substr(0, 2) + L"/"), DRIVE_FIXED);
    CHECK_EQ(h, p.getDriveType(root.substr(0, 2) + L"x"), DRIVE_NO_ROOT_DIR); // a path on it, not its root
    std::wstring name, fs;
    std::uint32_t serial = 0;
    if (!CHECK(h, p.getVolumeInformation(root, &name, 261, &serial, &fs, 261)))
        return;
    CHECK(h, !name.empty() && !fs.empty());
    if (profile.administrator.value_or(false)) // Wine's prefix: a drive of our own, and the rights to label it
        CHECK(h, p.setVolumeLabel(root, name)); // to the label it has: a change that changes nothing
    // Exactly large enough works; one character short fails with an error and leaves the
    // caller's text alone.
    std::wstring exact;
    CHECK(h, p.getVolumeInformation(root, &exact, name.size() + 1, nullptr, nullptr, 0));
    CHECK(h, exact == name);
    std::wstring shortName = L"untouched";
    CHECK(h, !p.getVolumeInformation(root, &shortName, name.size(), nullptr, nullptr, 0));
    CHECK(h, p.lastError() != 0);
    CHECK(h, shortName == L"untouched");
    std::wstring shortFs = L"untouched";
    CHECK(h, !p.getVolumeInformation(root, nullptr, 0, nullptr, &shortFs, fs.size()));
    CHECK(h, shortFs == L"untouched");
    // Null out-pointers are allowed.
    std::uint32_t serialOnly = 0;
    CHECK(h, p.getVolumeInformation(root, nullptr, 0, &serialOnly, nullptr, 0));
    CHECK_EQ(h, serialOnly, serial);

    std::uint64_t toCaller = 0, total = 0, totalFree = 0;
    CHECK(h, p.getDiskFreeSpaceEx(root, &toCaller, &total, &totalFree));
    CHECK(h, total > 0 && totalFree <= total && toCaller <= total);
}

void tools(Platform &p, Harness &h, const Profile &profile)
{
    CHECK(h, p.toolPath(Tool::Diskpart) == profile.diskpartPath);
    CHECK(h, p.toolPath(Tool::Cmd) == profile.cmdPath);
    CHECK(h, p.toolPath(Tool::Fat32Format) == profile.fat32formatPath);
    CHECK(h, p.toolPath(Tool::Fsutil) == profile.fsutilPath);
    const std::pair<std::wstring, std::wstring> names[] = {
        {L"diskpart.exe", profile.diskpartPath}, {L"DISKPART", profile.diskpartPath}, {L"cmd.exe", profile.cmdPath},
        {L"Cmd", profile.cmdPath}, {L"fat32format.exe", profile.fat32formatPath}, {L"FAT32FORMAT", profile.fat32formatPath},
        {L"FSUTIL.EXE", profile.fsutilPath}, {L"fsutil", profile.fsutilPath}, {L"notepad.exe", L"notepad.exe"},
    };
    for (const auto &[name, path] : names)
        h.check(p.resolveProgram(name) == path, "resolveProgram", __FILE__, __LINE__, toUtf8(name));
}

void processes(Platform &p, Harness &h, const Profile &profile)
{
    NativeRunResult r = p.runHidden(L"cmd /c exit 3", CREATE_NO_WINDOW, 30000);
    CHECK(h, r.started);
    CHECK(h, r.wait == NativeRunResult::Wait::Finished);
    CHECK(h, r.exitCodeObtained);
    CHECK_EQ(h, r.exitCode, 3);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    r = p.runHidden(profile.hangingCommand, CREATE_NO_WINDOW, 300);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    CHECK(h, r.started);
    CHECK(h, r.wait == NativeRunResult::Wait::TimedOut);
    CHECK(h, r.exitCodeObtained);
    CHECK_EQ(h, r.exitCode, 1);
    h.check(took >= 290 && took < 10000, "the limit is kept", __FILE__, __LINE__, std::to_string(took) + " ms");

    r = p.runHidden(L"no-such-program-tessaline.exe /x", CREATE_NO_WINDOW, 5000);
    CHECK(h, !r.started);
    CHECK_EQ(h, r.startError, 2); // ERROR_FILE_NOT_FOUND
    CHECK(h, !r.exitCodeObtained);
}

// Each script in a fresh folder under a fresh name; a name that exists already is never reused
// or followed; gone afterwards unless kept.
void privateFiles(Harness &h, const Profile &profile)
{
    std::uint32_t error = 0;
    std::unique_ptr<PrivateFile> a = PrivateFile::create(profile.tempFolder, "contract", error);
    std::unique_ptr<PrivateFile> b = PrivateFile::create(profile.tempFolder, "contract", error);
    if (!CHECK(h, a && b))
        return;
    const std::string prefix = profile.tempFolder + profile.separator + "tessaline-";
    h.check(a->path().compare(0, prefix.size(), prefix) == 0, "in a folder of its own", __FILE__, __LINE__, a->path());
    const std::string folderA = a->path().substr(0, a->path().rfind(profile.separator));
    CHECK(h, folderA != b->path().substr(0, b->path().rfind(profile.separator)));
    CHECK(h, a->write("select disk 0\r\nexit\r\n"));
    CHECK(h, b->write("x")); // a single byte is a whole write too
    // What a tool reads back is exactly what was written, while the file is still held.
    CHECK(h, contents(a->path()) == "select disk 0\r\nexit\r\n" && contents(b->path()) == "x");

    error = 0;
    CHECK(h, !PrivateFile::createAt(a->path(), error));
    CHECK(h, error != 0);
    CHECK(h, exists(a->path()));

    const std::string pathA = a->path(), pathB = b->path();
    a.reset();
    CHECK(h, !exists(pathA) && !exists(folderA));
    b->keep();
    b.reset();
    CHECK(h, exists(pathB));
    // What was kept is the caller's to remove.
    std::remove(pathB.c_str());
    removeFolder(pathB.substr(0, pathB.rfind(profile.separator)));

    // In a parent of its own, one folder is made and it goes with its file, also when the file
    // cannot be made: the parent is empty again.
    const std::string parent = profile.tempFolder + profile.separator + "tessaline-contract-"
                               + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    if (!CHECK(h, makeFolder(parent)))
        return;
    CHECK(h, PrivateFile::create(parent, "contract", error) && !PrivateFile::create(parent, "no/such", error));
    CHECK(h, removeFolder(parent));
}

// Console output in the three code pages the tools write in on English, Western European and
// Chinese systems.
void consoleText(Platform &p, Harness &h, const Profile &profile)
{
    // Written as given, whatever the stream's mode: the tools' CRLF must not become CR CR LF.
    const std::string path = profile.tempFolder + profile.separator + "tessaline-contract-console";
    std::FILE *text = std::fopen(path.c_str(), "w");
    if (CHECK(h, text)) {
        writeStandardStream(text, "a\r\nb\n");
        std::fclose(text);
        CHECK(h, contents(path) == "a\r\nb\n");
        std::remove(path.c_str());
    }
    CHECK(h, p.decodeConsoleText("\x82\x9b ok", 437) == L"\u00e9\u00a2 ok");  // é¢
    CHECK(h, p.decodeConsoleText("\x82\x9b ok", 850) == L"\u00e9\u00f8 ok");  // éø
    CHECK(h, p.decodeConsoleText("\xd6\xd0\xce\xc4", 936) == L"\u4e2d\u6587"); // 中文
    CHECK(h, p.decodeConsoleText("\xe4\xb8\xad", 65001) == L"\u4e2d");
    CHECK(h, p.decodeConsoleText("", 936).empty());
}

// Arguments with spaces, quotes and backslashes come back from the command line one for one.
void commandLines(Harness &h, const Profile &profile)
{
    const std::vector<std::wstring> args = {
        L"/s", L"C:\\Users\\A B\\x.txt", L"", L"say \"hi\"", L"ends\\", L"a\\\\\"b", L"tab\there",
        L"& | ^ % !", L"C:\\dir with space\\", L"\\\\server\\share", L"\"",
    };
    const std::wstring program = L"C:\\Program Files\\Tessaline\\tool.exe";
    const std::vector<std::wstring> back = profile.splitCommandLine(commandLine(program, args));
    if (!CHECK_EQ(h, back.size(), args.size() + 1))
        return;
    CHECK(h, back[0] == program);
    for (std::size_t i = 0; i < args.size(); ++i)
        h.check(back[i + 1] == args[i], "argument read back", __FILE__, __LINE__, toUtf8(args[i]));
}

// The machine file's reader: its bytes, a stamp on the file clock that moves with every rewrite,
// no hold on the file against deletion, and the system's words for a missing file.
void readOnlyFiles(Harness &h, const Profile &profile)
{
    const std::string path = profile.tempFolder + profile.separator + "tessaline-contract-stamp";
    const auto put = [&path](const char *bytes) {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        std::fputs(bytes, f);
        std::fclose(f);
    };
    put("first");
    std::uint32_t error = 0;
    std::string bytes;
    std::unique_ptr<ReadOnlyFile> file = ReadOnlyFile::open(path, error);
    if (!CHECK(h, file && file->readAll(bytes, error)))
        return;
    CHECK(h, bytes == "first" && file->stamp().size == 5 && file->stamp().index != 0);
    const std::int64_t age = fileClockNowNs() - file->stamp().modifiedNs;
    h.check(age >= 0 && age < 60000000000LL && file->stamp().changedNs <= fileClockNowNs(), "stamped on the file clock",
            __FILE__, __LINE__, std::to_string(age) + " ns old");
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // past the file times' granularity
    put("other");
    std::unique_ptr<ReadOnlyFile> again = ReadOnlyFile::open(path, error);
    CHECK(h, again && !(again->stamp() == file->stamp()) && again->stamp().index == file->stamp().index);
    again.reset();
    CHECK(h, std::remove(path.c_str()) == 0); // while `file` still reads it
    file.reset(); // Windows keeps the name until then
    CHECK(h, !ReadOnlyFile::open(path, error));
    CHECK_EQ(h, error, 2); // ENOENT, ERROR_FILE_NOT_FOUND
    const std::string text = describeFileError(error);
    h.check(text.size() > 3 && text.back() != '.' && text.back() != '\n', "an error's text", __FILE__, __LINE__, text);
    CHECK(h, describeFileError(123456789).find(" 123456789") != std::string::npos); // a code with no text says its number
}

// The benchmarks' memory figure: a touched block is in the peak, and not wildly more (a sanitizer's
// shadow memory counts too).
void peakMemory(Harness &h)
{
    const std::int64_t before = peakResidentBytes(), block = std::int64_t(128) << 20;
    std::vector<char> memory(std::size_t(block), 0);
    volatile char *touch = memory.data();
    for (std::int64_t i = 0; i < block; i += 4096)
        touch[i] = 1;
    const std::int64_t after = peakResidentBytes();
    h.check(before > 0 && after >= block && after - before <= 8 * block, "peak resident bytes",
            __FILE__, __LINE__, std::to_string(before) + " then " + std::to_string(after));
    CHECK_EQ(h, peakResidentBytes(2000000000), -1); // no such process
}

void systemFacts(Platform &p, Harness &h, const Profile &profile)
{
    const WindowsVersion v = p.windowsVersion();
    if (profile.version) {
        CHECK_EQ(h, v.major, profile.version->major);
        CHECK_EQ(h, v.minor, profile.version->minor);
    } else { // Windows 8 (6.2) or later, as the manifest lets the real version through
        CHECK(h, v.major > 6 || (v.major == 6 && v.minor >= 2));
        CHECK(h, v.major <= 10);
    }
    std::uint32_t fresh = 1;
    std::thread([&] { fresh = p.lastError(); }).join();
    CHECK_EQ(h, fresh, 0u); // a thread's own: none yet
    const bool admin = p.isUserAdmin();
    CHECK_EQ(h, p.isUserAdmin(), admin);
    if (profile.administrator)
        CHECK_EQ(h, admin, *profile.administrator);

    const int nominal[] = {1000, 1, 0, -1};
    for (int n : nominal) {
        const int expected = n <= 0 ? n : std::max(1, int(n * profile.timeScale + 0.5));
        CHECK_EQ(h, p.scaledMs(n), expected);
    }
}

} // namespace

void run(Platform &p, const Profile &profile, Harness &h)
{
    std::printf("Platform contract: %s\n", profile.name);
    h.group("COM initialisation and process security", [&] { comAndSecurity(p, h, profile); });
    h.group("namespaces and the storage classes", [&] { namespaces(p, h, profile); });
    h.group("Win32_LogicalDisk and its variant types", [&] { logicalDisks(p, h); });
    h.group("method signatures spawn parameter instances", [&] { signatures(p, h, profile); });
    h.group("volumes", [&] { volumes(p, h, profile); });
    h.group("tool locations", [&] { tools(p, h, profile); });
    h.group("hidden processes", [&] { processes(p, h, profile); });
    h.group("private script files", [&] { privateFiles(h, profile); });
    h.group("console text in its code page", [&] { consoleText(p, h, profile); });
    h.group("command lines read back as CommandLineToArgvW reads them", [&] { commandLines(h, profile); });
    h.group("version, administrator and time scale", [&] { systemFacts(p, h, profile); });
    h.group("peak memory", [&] { peakMemory(h); });
    h.group("read-only files and their stamps", [&] { readOnlyFiles(h, profile); });
    p.coUninitialize();
    p.coUninitialize();
}

} // namespace contract
