#include "platform/simulated/simulatedplatform.h"

#include "platform/consoletext.h"
#include "platform/readonlyfile.h"
#include "simulator/diskpart_filesystem.h"
#include "simulator/diskpart_tooling.h"
#include "simulator/geometry.h"
#include "simulator/machine.h"
#include "simulator/provider.h"
#include "simulator/volumes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <mutex>
#include <optional>
#include <thread>

#ifdef _WIN32
// "tessaline --simulated" on Windows: the stand-ins start through the real hidden start.
#include "platform/windows/windowsplatform.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

namespace platform {
namespace simulated {

HResult enterApartment(); // defined with the test hooks below

namespace {

struct ComThreadState
{
    int depth = 0;
    std::uint32_t apartment = COINIT_MULTITHREADED;
};

thread_local ComThreadState t_com;
thread_local std::uint32_t t_lastError = 0;
std::atomic<bool> g_securitySet{false};

// Apartment identities: 0 is the multithreaded apartment, shared by every thread in it (and by
// threads without COM, which join it implicitly); each single-threaded thread has its own.
using ApartmentId = std::uint64_t;
constexpr ApartmentId MultithreadedApartment = 0;
std::atomic<ApartmentId> g_nextApartment{1};
thread_local ApartmentId t_staId = 0;

ApartmentId callingApartment()
{
    if (t_com.depth == 0 || t_com.apartment != COINIT_APARTMENTTHREADED)
        return MultithreadedApartment;
    if (t_staId == 0)
        t_staId = g_nextApartment.fetch_add(1);
    return t_staId;
}

// A proxy is usable only in the apartment that made it; the provider behind it never sees a
// call from elsewhere.
class ApartmentBound
{
protected:
    ApartmentBound() : m_apartment(callingApartment()) {}
    bool wrongApartment() const { return callingApartment() != m_apartment; }

private:
    const ApartmentId m_apartment;
};

class BoundEnumerator : public WbemEnumerator, ApartmentBound
{
public:
    explicit BoundEnumerator(std::unique_ptr<WbemEnumerator> inner) : m_inner(std::move(inner)) {}
    HResult next(std::int32_t timeoutMs, std::shared_ptr<WbemObject> &object) override
    {
        if (wrongApartment()) {
            object.reset();
            return hr::RpcWrongThread;
        }
        return m_inner->next(timeoutMs, object);
    }

private:
    std::unique_ptr<WbemEnumerator> m_inner;
};

class BoundServices : public WbemServices, ApartmentBound
{
public:
    explicit BoundServices(std::unique_ptr<WbemServices> inner) : m_inner(std::move(inner)) {}
    HResult setProxyBlanket(std::uint32_t authnSvc, std::uint32_t authzSvc, std::uint32_t authnLevel,
                            std::uint32_t impLevel, std::uint32_t capabilities) override
    {
        if (wrongApartment())
            return hr::RpcWrongThread;
        return m_inner->setProxyBlanket(authnSvc, authzSvc, authnLevel, impLevel, capabilities);
    }
    HResult execQuery(const std::wstring &language, const std::wstring &query, std::int32_t flags,
                      std::unique_ptr<WbemEnumerator> &enumerator) override
    {
        enumerator.reset();
        if (wrongApartment())
            return hr::RpcWrongThread;
        std::unique_ptr<WbemEnumerator> inner;
        const HResult h = m_inner->execQuery(language, query, flags, inner);
        if (inner)
            enumerator = std::make_unique<BoundEnumerator>(std::move(inner));
        return h;
    }
    HResult getObject(const std::wstring &path, std::shared_ptr<WbemObject> &object) override
    {
        if (wrongApartment()) {
            object.reset();
            return hr::RpcWrongThread;
        }
        return m_inner->getObject(path, object);
    }
    HResult execMethod(const std::wstring &objectPath, const std::wstring &method, std::int32_t flags,
                       const WbemObject *inParams, std::shared_ptr<WbemObject> &outParams) override
    {
        if (wrongApartment()) {
            outParams.reset();
            return hr::RpcWrongThread;
        }
        return m_inner->execMethod(objectPath, method, flags, inParams, outParams);
    }

private:
    std::unique_ptr<WbemServices> m_inner;
};

QString qs(const std::wstring &s) { return QString::fromStdWString(s); }
std::wstring ws(const QString &s) { return s.toStdWString(); }

sim::MachineStore store() { return sim::MachineStore(sim::MachineStore::defaultPath()); }

std::optional<HResult> faultHResult(const QString &target, const QString &subject)
{
    const auto f = store().takeFault(target, subject);
    if (!f)
        return std::nullopt;
    return sim::faultCode(*f, QStringLiteral("hresult")).value_or(hr::Fail);
}

bool readMachine(sim::Machine *m)
{
    QString error;
    if (store().read(m, &error))
        return true;
    qWarning() << "Simulated platform: cannot read the machine:" << error;
    return false;
}

// "E:\", "e:", "E:/..." -> "E"; empty when the text does not start with a drive.
QString driveOf(const std::wstring &root)
{
    const QString r = qs(root);
    if (r.size() < 2 || r[1] != QLatin1Char(':') || !r[0].isLetter() || r[0].unicode() > 127)
        return QString();
    return r.left(1).toUpper();
}

bool findDrive(const QString &letter, sim::MountedDrive *out)
{
    sim::Machine m;
    if (letter.isEmpty() || !readMachine(&m))
        return false;
    for (const sim::MountedDrive &d : sim::mountedDrives(m))
        if (d.letter == letter) {
            *out = d;
            return true;
        }
    return false;
}

bool failWith(std::uint32_t error)
{
    t_lastError = error;
    return false;
}

// The volume behind a drive letter, with the errors Windows gives for a missing letter, a drive
// without media and a volume no file system recognises.
bool findMountedVolume(const QString &letter, sim::MountedDrive *out)
{
    if (!findDrive(letter, out))
        return failWith(ErrorPathNotFound);
    if (!out->ready)
        return failWith(ErrorNotReady);
    if (out->fileSystem.isEmpty())
        return failWith(ErrorUnrecognizedVolume);
    return true;
}

// The volume behind "\\?\Volume{GUID}\", as Windows names every volume, lettered or not.
bool findVolumeByGuidPath(const QString &path, sim::MountedDrive *out)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\\\\\?\\Volume\{([0-9A-Fa-f-]+)\}\\$)"));
    const QRegularExpressionMatch match = pattern.match(path);
    if (!match.hasMatch())
        return failWith(ErrorInvalidName);
    sim::Machine m;
    if (!readMachine(&m))
        return failWith(ErrorPathNotFound);
    for (const sim::Disk &d : m.disks) {
        if (d.operationalStatus != QLatin1String("Online"))
            continue;
        for (const sim::Partition &p : d.partitions) {
            if (!p.volume || p.volume->guid.compare(match.captured(1), Qt::CaseInsensitive) != 0)
                continue;
            if (p.volume->fileSystem.isEmpty())
                return failWith(ErrorUnrecognizedVolume);
            out->fileSystem = p.volume->fileSystem;
            out->label = p.volume->label;
            out->serial = sim::geometry::serialValue(p.volume->serial);
            return true;
        }
    }
    return failWith(ErrorPathNotFound);
}

class Locator : public WbemLocator, ApartmentBound
{
public:
    HResult connectServer(const std::wstring &nameSpace, std::unique_ptr<WbemServices> &services) override
    {
        services.reset();
        if (wrongApartment())
            return hr::RpcWrongThread;
        if (const auto f = faultHResult(QStringLiteral("wmi.connect"), qs(nameSpace)))
            return *f;
        const sim::WmiNamespace ns = sim::parseNamespace(qs(nameSpace));
        if (ns == sim::WmiNamespace::Invalid)
            return hr::WbemInvalidNamespace;
        std::unique_ptr<WbemServices> inner = sim::createServices(ns, sim::MachineStore::defaultPath());
        if (!inner)
            return hr::WbemFailed;
        services = std::make_unique<BoundServices>(std::move(inner));
        return hr::Ok;
    }
};

QString appDir()
{
    const QString env = qEnvironmentVariable("TESSALINE_BIN_DIR");
    if (!env.isEmpty())
        return env;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

#ifdef _WIN32
// Beside the app lies the real fat32format.exe; the stand-ins keep to a folder of their own.
QString binDir() { return appDir() + QStringLiteral("/simulated"); }
const QString kExe = QStringLiteral(".exe");
#else
// Built, the stand-ins lie beside the app; installed, in a folder of their own so that no
// "cmd" or "diskpart" lands on the user's PATH. TESSALINE_BIN_DIR names their folder outright.
QString binDir()
{
    const QString dir = appDir();
    if (!qEnvironmentVariableIsEmpty("TESSALINE_BIN_DIR") || QFileInfo::exists(dir + QStringLiteral("/diskpart")))
        return dir;
    return QDir::cleanPath(dir + QStringLiteral("/" TESSALINE_STANDIN_DIR_FROM_BIN));
}
const QString kExe;
#endif

#ifndef _WIN32
// Windows reports a process killed by an exception with the exception code.
std::uint32_t exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return std::uint32_t(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) {
        switch (WTERMSIG(status)) {
        case SIGABRT: return 3;          // abort() in the C runtime
        case SIGKILL: return 1;          // TerminateProcess(1)
        default: return 0xC0000005u;     // access violation
        }
    }
    return 1;
}
#endif

class SimulatedPlatform : public Platform
{
public:
    // --- COM ---
    HResult coInitializeEx(std::uint32_t coinit) override
    {
        const bool sta = (coinit & COINIT_APARTMENTTHREADED) != 0;
        if (const auto f = faultHResult(QStringLiteral("com.initialize"),
                                        sta ? QStringLiteral("COINIT_APARTMENTTHREADED")
                                            : QStringLiteral("COINIT_MULTITHREADED")))
            return *f;
        const std::uint32_t apartment = sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
        if (t_com.depth > 0 && t_com.apartment != apartment)
            return hr::RpcChangedMode; // not counted: the caller must not uninitialise
        const bool first = t_com.depth == 0;
        t_com.apartment = apartment;
        ++t_com.depth;
        return first ? hr::Ok : hr::False;
    }

    void coUninitialize() override
    {
        if (t_com.depth > 0)
            --t_com.depth;
    }

    HResult coInitializeSecurity(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t) override
    {
        if (const auto f = faultHResult(QStringLiteral("com.security"), QString()))
            return *f;
        bool expected = false;
        return g_securitySet.compare_exchange_strong(expected, true) ? hr::Ok : hr::RpcTooLate;
    }

    HResult createWbemLocator(std::unique_ptr<WbemLocator> &locator) override
    {
        locator.reset();
        if (t_com.depth == 0)
            return CoENotInitialized;
        if (const auto f = faultHResult(QStringLiteral("wmi.locator"), QString()))
            return *f;
        locator = std::make_unique<Locator>();
        return hr::Ok;
    }

    HResult enterGuiThreadApartment() override { return enterApartment(); }

    // --- Volumes ---
    std::uint32_t getLogicalDrives() override
    {
        sim::Machine m;
        if (!readMachine(&m))
            return 0;
        std::uint32_t mask = 0;
        for (const sim::MountedDrive &d : sim::mountedDrives(m))
            mask |= 1u << (d.letter.at(0).unicode() - 'A');
        return mask;
    }

    std::uint32_t getDriveType(const std::wstring &root) override
    {
        const QString r = qs(root);
        const QString letter = driveOf(root);
        // "E:" and "E:\" name the drive; anything longer is not a root.
        if (letter.isEmpty() || (r.size() > 2 && r.mid(2) != QLatin1String("\\") && r.mid(2) != QLatin1String("/")))
            return DRIVE_NO_ROOT_DIR;
        sim::MountedDrive d;
        if (!findDrive(letter, &d))
            return DRIVE_NO_ROOT_DIR;
        return std::uint32_t(d.driveType);
    }

    bool getVolumeInformation(const std::wstring &root, std::wstring *volumeName, std::size_t volumeNameSize,
                              std::uint32_t *serialNumber, std::wstring *fileSystemName,
                              std::size_t fileSystemNameSize) override
    {
        const QString r = qs(root);
        const QString letter = driveOf(root);
        sim::MountedDrive d;
        if (r.startsWith(QLatin1String("\\\\?\\"))) {
            if (!findVolumeByGuidPath(r, &d))
                return false;
        } else if (letter.isEmpty() || r.size() != 3 || (r[2] != QLatin1Char('\\') && r[2] != QLatin1Char('/'))) {
            return failWith(ErrorInvalidName); // a trailing backslash is required
        } else if (!findMountedVolume(letter, &d)) {
            return false;
        }
        const std::wstring label = ws(d.label);
        const std::wstring fs = ws(d.fileSystem);
        if ((volumeName && label.size() + 1 > volumeNameSize) || (fileSystemName && fs.size() + 1 > fileSystemNameSize))
            return failWith(ErrorBadLength);
        if (volumeName)
            *volumeName = label;
        if (serialNumber)
            *serialNumber = d.serial;
        if (fileSystemName)
            *fileSystemName = fs;
        return true;
    }

    bool getDiskFreeSpaceEx(const std::wstring &root, std::uint64_t *freeBytesToCaller, std::uint64_t *totalBytes,
                            std::uint64_t *totalFreeBytes) override
    {
        const QString letter = driveOf(root);
        if (letter.isEmpty())
            return failWith(ErrorPathNotFound);
        sim::MountedDrive d;
        if (!findMountedVolume(letter, &d))
            return false;
        if (freeBytesToCaller)
            *freeBytesToCaller = std::uint64_t(d.freeBytes);
        if (totalBytes)
            *totalBytes = std::uint64_t(d.totalBytes);
        if (totalFreeBytes)
            *totalFreeBytes = std::uint64_t(d.freeBytes);
        return true;
    }

    std::vector<std::wstring> mountedDriveRoots() override
    {
        std::vector<std::wstring> roots;
        sim::Machine m;
        if (!readMachine(&m))
            return roots;
        for (const sim::MountedDrive &d : sim::mountedDrives(m))
            roots.push_back(ws(d.letter + QStringLiteral(":\\")));
        return roots;
    }

    // Windows' rules: FAT keeps 11 characters in upper case and none of * ? . , ; : / \ | + = < > [ ] ",
    // exFAT 15 and NTFS 32; no label holds a control character.
    bool setVolumeLabel(const std::wstring &root, const std::wstring &label) override
    {
        const QString r = qs(root);
        const QString letter = driveOf(root);
        if (letter.isEmpty() || r.size() != 3 || (r[2] != QLatin1Char('\\') && r[2] != QLatin1Char('/')))
            return failWith(ErrorInvalidName);
        sim::MountedDrive d;
        if (!findMountedVolume(letter, &d))
            return false;
        const QString name = qs(label);
        const bool fat = d.fileSystem.startsWith(QLatin1String("FAT"));
        const QString forbidden = fat ? QStringLiteral("*?.,;:/\\|+=<>[]\"") : QString();
        for (QChar c : name)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c))
                return failWith(ErrorInvalidName);
        if (name.size() > sim::filesystem::labelLimit(d.fileSystem))
            return failWith(ErrorLabelTooLong);
        std::uint32_t error = 0;
        QString why;
        const bool stored = store().modify(
            [&](sim::Machine &m) {
                sim::Disk *disk = nullptr;
                sim::Partition *p = m.partitionByLetter(letter, &disk);
                if (!p || !p->volume) {
                    error = ErrorPathNotFound;
                    return false;
                }
                if (disk->readOnly) {
                    error = ErrorWriteProtect;
                    return false;
                }
                p->volume->label = fat ? name.toUpper() : name;
                return true;
            },
            &why);
        if (error != 0)
            return failWith(error);
        if (!stored) {
            qWarning() << "Simulated platform: cannot store the label:" << why;
            return failWith(ErrorAccessDenied);
        }
        return true;
    }

    std::uint32_t lastError() const override { return t_lastError; }

    // The stand-ins write in the code page of the machine's display language.
    std::uint32_t consoleOutputCodePage() override
    {
        sim::Machine m;
        return sim::standin::consoleCodePage(readMachine(&m) ? m.displayLanguage : QString());
    }

    std::wstring decodeConsoleText(const std::string &bytes, std::uint32_t codePage) override
    {
        return platform::decodeConsoleText(bytes, codePage);
    }

    // --- Tools ---
    std::wstring toolPath(Tool tool) override
    {
        const QString dir = binDir();
        switch (tool) {
        case Tool::Diskpart: return ws(dir + QStringLiteral("/diskpart") + kExe);
        case Tool::Cmd: return ws(dir + QStringLiteral("/cmd") + kExe);
        case Tool::Fat32Format: return ws(dir + QStringLiteral("/fat32format.exe"));
        case Tool::Fsutil: return ws(dir + QStringLiteral("/fsutil") + kExe);
        }
        return std::wstring();
    }

    std::wstring resolveProgram(const std::wstring &program) override
    {
        QString name = qs(program);
        const int slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
        name = name.mid(slash + 1).toLower();
        if (name == QLatin1String("diskpart.exe") || name == QLatin1String("diskpart"))
            return toolPath(Tool::Diskpart);
        if (name == QLatin1String("cmd.exe") || name == QLatin1String("cmd"))
            return toolPath(Tool::Cmd);
        if (name == QLatin1String("fat32format.exe") || name == QLatin1String("fat32format"))
            return toolPath(Tool::Fat32Format);
        if (name == QLatin1String("fsutil.exe") || name == QLatin1String("fsutil"))
            return toolPath(Tool::Fsutil);
        return program;
    }

#ifdef _WIN32
    NativeRunResult runHidden(const std::wstring &commandLine, std::uint32_t creationFlags,
                              std::uint32_t realTimeoutMs) override
    {
        const std::vector<std::wstring> args = splitCommandLine(commandLine);
        if (args.empty() || args.front().empty()) {
            NativeRunResult result;
            result.startError = ErrorFileNotFound;
            return result;
        }
        // The program becomes its stand-in; the rest of the line goes as written.
        const std::wstring program = resolveProgram(args.front());
        std::size_t rest = commandLine.find_first_not_of(L" \t");
        if (commandLine[rest] == L'"') {
            rest = commandLine.find(L'"', rest + 1);
            rest = rest == std::wstring::npos ? commandLine.size() : rest + 1;
        } else {
            rest = std::min(commandLine.find_first_of(L" \t", rest), commandLine.size());
        }
        return windows::instance().runHidden(L"\"" + program + L"\"" + commandLine.substr(rest), creationFlags,
                                             realTimeoutMs);
    }
#else
    NativeRunResult runHidden(const std::wstring &commandLine, std::uint32_t, std::uint32_t realTimeoutMs) override
    {
        NativeRunResult result;
        const std::vector<std::wstring> args = splitCommandLine(commandLine);
        if (args.empty() || args.front().empty()) {
            result.startError = ErrorFileNotFound;
            return result;
        }
        std::vector<QByteArray> bytes;
        bytes.push_back(QFile::encodeName(qs(resolveProgram(args.front()))));
        for (std::size_t i = 1; i < args.size(); ++i)
            bytes.push_back(qs(args[i]).toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);

        // Nothing visible: standard input, output and error all go nowhere.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd = 0; fd <= 2; ++fd)
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
        pid_t pid = -1;
        const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            result.startError = (rc == ENOENT || rc == ENOTDIR) ? ErrorFileNotFound : ErrorAccessDenied;
            return result;
        }
        result.started = true;

        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(realTimeoutMs);
        auto pause = std::chrono::microseconds(200);
        for (;;) {
            int status = 0;
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                result.wait = NativeRunResult::Wait::Finished;
                result.exitCodeObtained = true;
                result.exitCode = exitCodeOf(status);
                return result;
            }
            if (done < 0 && errno != EINTR) {
                result.wait = NativeRunResult::Wait::Failed;
                return result;
            }
            if (Clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(10000));
        }
        ::kill(pid, SIGKILL); // TerminateProcess(process, 1)
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.wait = NativeRunResult::Wait::TimedOut;
        result.exitCodeObtained = true;
        result.exitCode = 1;
        return result;
    }
#endif

    // --- System ---
    WindowsVersion windowsVersion() override
    {
        sim::Machine m;
        readMachine(&m);
        const QStringList parts = m.windowsVersion.split(QLatin1Char('.'));
        WindowsVersion v;
        v.major = parts.value(0).toInt();
        v.minor = parts.value(1).toInt();
        return v;
    }

    bool isUserAdmin() override
    {
        sim::Machine m;
        return readMachine(&m) && m.administrator;
    }

    // --- Timing ---
    int scaledMs(int nominalMs) override
    {
        // The file is read only for a time that scales: 0 stays 0 and -1 keeps meaning "no limit".
        return nominalMs <= 0 ? nominalMs : sim::scaledMs(nominalMs, timeScale());
    }

    void sleepMs(int nominalMs) override
    {
        const int ms = scaledMs(nominalMs);
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

private:
    // The scale is read from the file only when the file was replaced or changed since the
    // last look.
    double timeScale()
    {
        const QString path = sim::MachineStore::defaultPath();
        const std::optional<platform::FileStamp> before = sim::MachineStore(path).stamp();
        {
            std::lock_guard<std::mutex> lock(m_scaleMutex);
            if (before && m_scalePath == path && m_scaleStamp == before)
                return m_scale;
        }
        sim::Machine m;
        if (!readMachine(&m))
            return 1.0;
        std::lock_guard<std::mutex> lock(m_scaleMutex);
        m_scale = m.timeScale;
        m_scalePath = path;
        m_scaleStamp = sim::MachineStore(path).stamp();
        return m_scale;
    }

    std::mutex m_scaleMutex;
    QString m_scalePath;
    std::optional<platform::FileStamp> m_scaleStamp;
    double m_scale = 1.0;
};

} // namespace

int comDepth() { return t_com.depth; }
bool comInitialized() { return t_com.depth > 0; }
std::uint32_t comApartment() { return t_com.apartment; }

HResult enterApartment()
{
    if (t_com.depth > 0 && t_com.apartment != COINIT_APARTMENTTHREADED) {
        qWarning() << "enterSingleThreadedApartment: the thread is already in the multithreaded apartment";
        return hr::RpcChangedMode;
    }
    t_com.apartment = COINIT_APARTMENTTHREADED;
    return t_com.depth++ == 0 ? hr::Ok : hr::False;
}

void enterSingleThreadedApartment() { enterApartment(); }

void leaveApartment() { t_com = ComThreadState(); }

void resetProcessSecurity() { g_securitySet = false; }
bool processSecuritySet() { return g_securitySet; }

std::vector<std::wstring> splitCommandLine(const std::wstring &commandLine)
{
    std::vector<std::wstring> args;
    const wchar_t *s = commandLine.c_str();
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (isBlank(*s))
        ++s;
    if (!*s)
        return args;

    // The program name: quotes only group, backslashes are literal.
    std::wstring program;
    if (*s == L'"') {
        ++s;
        while (*s && *s != L'"')
            program += *s++;
        if (*s == L'"')
            ++s;
    } else {
        while (*s && !isBlank(*s))
            program += *s++;
    }
    args.push_back(program);

    // The arguments: 2n backslashes before a quote give n and a quote toggle, 2n+1 give n and a
    // literal quote; inside quotes a doubled quote is a literal quote that also ends the quotes.
    for (;;) {
        while (isBlank(*s))
            ++s;
        if (!*s)
            break;
        std::wstring arg;
        int quotes = 0;
        while (*s && !(quotes == 0 && isBlank(*s))) {
            if (*s == L'\\') {
                std::size_t backslashes = 0;
                while (*s == L'\\') {
                    ++backslashes;
                    ++s;
                }
                if (*s == L'"') {
                    arg.append(backslashes / 2, L'\\');
                    if (backslashes % 2 == 1) {
                        arg += L'"';
                        ++s;
                    }
                } else {
                    arg.append(backslashes, L'\\');
                }
                continue;
            }
            if (*s == L'"') {
                ++quotes;
                ++s;
                while (*s == L'"') {
                    if (++quotes == 3) {
                        arg += L'"';
                        quotes = 0;
                    }
                    ++s;
                }
                if (quotes == 2)
                    quotes = 0;
                continue;
            }
            arg += *s++;
        }
        args.push_back(arg);
    }
    return args;
}

Platform &instance()
{
    static SimulatedPlatform platform;
    return platform;
}

} // namespace simulated
} // namespace platform
