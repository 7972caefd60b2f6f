#pragma once

// The only door to the operating system. Everything here is plain standard C++ so that the
// Windows implementation is ordinary Win32/COM code; storage/ and worker/ convert at the seam.
//
// Durations handed to the platform are real durations. Nominal durations (the limits and
// sleeps the jobs are written with) become real ones only through Platform::scaledMs().

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using HResult = std::int32_t;

inline bool failed(HResult hr) { return hr < 0; }
inline bool succeeded(HResult hr) { return hr >= 0; }

// HRESULT values the system and the simulated machine use.
namespace hr {
constexpr HResult Ok = 0;
constexpr HResult False = 1;                                         // S_FALSE / WBEM_S_FALSE
constexpr HResult Fail = static_cast<HResult>(0x80004005u);          // E_FAIL
constexpr HResult InvalidArg = static_cast<HResult>(0x80070057u);    // E_INVALIDARG
constexpr HResult AccessDenied = static_cast<HResult>(0x80070005u);  // E_ACCESSDENIED
constexpr HResult ClassNotRegistered = static_cast<HResult>(0x80040154u);
constexpr HResult RpcChangedMode = static_cast<HResult>(0x80010106u);
constexpr HResult RpcTooLate = static_cast<HResult>(0x80010119u);
constexpr HResult RpcWrongThread = static_cast<HResult>(0x8001010Eu); // called from another apartment
constexpr HResult WbemFailed = static_cast<HResult>(0x80041001u);
constexpr HResult WbemNotFound = static_cast<HResult>(0x80041002u);
constexpr HResult WbemAccessDenied = static_cast<HResult>(0x80041003u);
constexpr HResult WbemTypeMismatch = static_cast<HResult>(0x80041005u);
constexpr HResult WbemInvalidParameter = static_cast<HResult>(0x80041008u);
constexpr HResult WbemInvalidNamespace = static_cast<HResult>(0x8004100Eu);
constexpr HResult WbemInvalidClass = static_cast<HResult>(0x80041010u);
constexpr HResult WbemInvalidQuery = static_cast<HResult>(0x80041017u);
constexpr HResult WbemInvalidQueryType = static_cast<HResult>(0x80041018u);
constexpr HResult WbemInvalidMethod = static_cast<HResult>(0x8004102Eu);
constexpr HResult WbemInvalidMethodParameters = static_cast<HResult>(0x8004102Fu);
constexpr HResult WbemInvalidObjectPath = static_cast<HResult>(0x8004103Au);
} // namespace hr

// VARIANT type codes.
enum VarType : std::uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_ARRAY = 0x2000,
};

// CIM type codes for put(); 0 means "the property's own type".
enum CimType : std::int32_t {
    CIM_NONE = 0,
    CIM_SINT16 = 2,
    CIM_SINT32 = 3,
    CIM_STRING = 8,
    CIM_BOOLEAN = 11,
    CIM_OBJECT = 13,
    CIM_UINT8 = 17,
    CIM_UINT16 = 18,
    CIM_UINT32 = 19,
    CIM_SINT64 = 20,
    CIM_UINT64 = 21,
    CIM_CHAR16 = 103,
};

class WbemObject;

// A VARIANT as plain data. `integer` is the value slot of every integer type and VT_BOOL
// (VARIANT_TRUE is -1); `real` holds VT_R8 and VT_DATE.
struct Variant
{
    std::uint16_t vt = VT_EMPTY;
    std::int64_t integer = 0;
    double real = 0.0;
    std::wstring text;                  // VT_BSTR
    std::vector<std::wstring> texts;    // VT_ARRAY | VT_BSTR
    std::vector<std::int64_t> integers; // VT_ARRAY | an integer type
    std::shared_ptr<WbemObject> object; // VT_UNKNOWN: an embedded object

    // The 32-bit integer slot of a VARIANT, read whatever the type says (lVal).
    std::int32_t lVal() const { return static_cast<std::int32_t>(integer); }
    bool isArray() const { return (vt & VT_ARRAY) != 0; }

    static Variant null() { Variant v; v.vt = VT_NULL; return v; }
    static Variant i4(std::int32_t value) { Variant v; v.vt = VT_I4; v.integer = value; return v; }
    static Variant ui4(std::uint32_t value) { Variant v; v.vt = VT_UI4; v.integer = value; return v; }
    static Variant i8(std::int64_t value) { Variant v; v.vt = VT_I8; v.integer = value; return v; }
    static Variant boolean(bool value) { Variant v; v.vt = VT_BOOL; v.integer = value ? -1 : 0; return v; }
    static Variant bstr(const std::wstring &value) { Variant v; v.vt = VT_BSTR; v.text = value; return v; }
    static Variant bstrArray(const std::vector<std::wstring> &values)
    {
        Variant v; v.vt = VT_ARRAY | VT_BSTR; v.texts = values; return v;
    }
    static Variant intArray(std::uint16_t elementType, const std::vector<std::int64_t> &values)
    {
        Variant v; v.vt = static_cast<std::uint16_t>(VT_ARRAY | elementType); v.integers = values; return v;
    }
    static Variant embedded(std::shared_ptr<WbemObject> o)
    {
        Variant v; v.vt = VT_UNKNOWN; v.object = std::move(o); return v;
    }
};

// IWbemClassObject: an instance, a class, a method signature or a parameter instance.
class WbemObject
{
public:
    virtual ~WbemObject() = default;
    // WBEM_E_NOT_FOUND when the object has no such property.
    virtual HResult get(const std::wstring &name, Variant &value) const = 0;
    // cimType 0 keeps the property's declared type.
    virtual HResult put(const std::wstring &name, const Variant &value, std::int32_t cimType) = 0;
    virtual std::vector<std::wstring> propertyNames() const = 0;
    // Class objects only: the method's input and output signatures (either may be null
    // when the method has no parameters of that direction).
    virtual HResult getMethod(const std::wstring &name, std::shared_ptr<WbemObject> &inSignature,
                              std::shared_ptr<WbemObject> &outSignature) const = 0;
    // Signature objects only: a fresh parameter instance.
    virtual HResult spawnInstance(std::shared_ptr<WbemObject> &instance) const = 0;
};

// IEnumWbemClassObject, forward-only.
class WbemEnumerator
{
public:
    virtual ~WbemEnumerator() = default;
    // Ok with an object, or False (WBEM_S_FALSE) with none when the walk is over.
    virtual HResult next(std::int32_t timeoutMs, std::shared_ptr<WbemObject> &object) = 0;
};

constexpr std::int32_t WBEM_INFINITE = -1;
constexpr std::int32_t WBEM_FLAG_FORWARD_ONLY = 0x20;
constexpr std::int32_t WBEM_FLAG_RETURN_IMMEDIATELY = 0x10;

// IWbemServices bound to one namespace.
class WbemServices
{
public:
    virtual ~WbemServices() = default;
    virtual HResult setProxyBlanket(std::uint32_t authnSvc, std::uint32_t authzSvc, std::uint32_t authnLevel,
                                    std::uint32_t impLevel, std::uint32_t capabilities) = 0;
    virtual HResult execQuery(const std::wstring &language, const std::wstring &query, std::int32_t flags,
                              std::unique_ptr<WbemEnumerator> &enumerator) = 0;
    // GetObject: a class by name.
    virtual HResult getObject(const std::wstring &path, std::shared_ptr<WbemObject> &object) = 0;
    virtual HResult execMethod(const std::wstring &objectPath, const std::wstring &method, std::int32_t flags,
                               const WbemObject *inParams, std::shared_ptr<WbemObject> &outParams) = 0;
};

// IWbemLocator.
class WbemLocator
{
public:
    virtual ~WbemLocator() = default;
    virtual HResult connectServer(const std::wstring &nameSpace, std::unique_ptr<WbemServices> &services) = 0;
};

constexpr std::uint32_t COINIT_MULTITHREADED = 0x0;
constexpr std::uint32_t COINIT_APARTMENTTHREADED = 0x2;

enum class Tool { Diskpart, Cmd, Fat32Format, Fsutil };

struct NativeRunResult
{
    enum class Wait { Finished, TimedOut, Failed };
    bool started = false;         // CreateProcessW succeeded
    std::uint32_t startError = 0; // GetLastError when it did not
    Wait wait = Wait::Failed;     // WaitForSingleObject's outcome
    bool exitCodeObtained = false;
    std::uint32_t exitCode = 0;   // GetExitCodeProcess; 1 after a time-out (TerminateProcess)
};

constexpr std::uint32_t CREATE_NO_WINDOW = 0x08000000;

struct WindowsVersion
{
    int major = 0;
    int minor = 0;
};

// Drive types as GetDriveTypeW answers.
enum DriveType : std::uint32_t {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};

class Platform
{
public:
    virtual ~Platform() = default;

    // --- COM and WMI (per calling thread, as COM is) ---
    // Locators, connections and enumerators belong to the apartment of the thread that made
    // them; a call from another apartment fails with RpcWrongThread.
    virtual HResult coInitializeEx(std::uint32_t coinit) = 0;
    virtual void coUninitialize() = 0;
    virtual HResult coInitializeSecurity(std::int32_t authnSvcCount, std::uint32_t authnLevel, std::uint32_t impLevel,
                                         std::uint32_t capabilities) = 0;
    virtual HResult createWbemLocator(std::unique_ptr<WbemLocator> &locator) = 0;
    // Puts the calling (GUI) thread into the single-threaded apartment, where the GUI framework
    // puts it on Windows before main runs (there this only adds one more balanced
    // initialisation). Call once, before any window or storage manager exists.
    virtual HResult enterGuiThreadApartment() = 0;

    // --- Volumes ---
    virtual std::uint32_t getLogicalDrives() = 0;
    virtual std::uint32_t getDriveType(const std::wstring &root) = 0;
    // Buffer sizes are in characters including the terminator, as the Win32 call takes them;
    // a name that does not fit fails the call. Null out-pointers are not filled.
    virtual bool getVolumeInformation(const std::wstring &root, std::wstring *volumeName, std::size_t volumeNameSize,
                                      std::uint32_t *serialNumber, std::wstring *fileSystemName,
                                      std::size_t fileSystemNameSize) = 0;
    virtual bool getDiskFreeSpaceEx(const std::wstring &root, std::uint64_t *freeBytesToCaller,
                                    std::uint64_t *totalBytes, std::uint64_t *totalFreeBytes) = 0;
    // "C:\", "D:\", ... of every mounted drive (what QDir::drives() lists on Windows).
    virtual std::vector<std::wstring> mountedDriveRoots() = 0;
    // SetVolumeLabelW: names the volume at `root` ("E:\\"); an empty label removes the name. The
    // file system keeps its contents and its serial. False with lastError() set when refused.
    virtual bool setVolumeLabel(const std::wstring &root, const std::wstring &label) = 0;
    virtual std::uint32_t lastError() const = 0;

    // --- Tools ---
    // The code page the console tools write their output in (GetConsoleOutputCP, or GetOEMCP
    // without a console): 437 on an English system, 936 on a Chinese one.
    virtual std::uint32_t consoleOutputCodePage() = 0;
    // Console output in `codePage` as text, from the system's own tables (MultiByteToWideChar on
    // Windows), so it needs no ICU. Bytes the code page does not define become U+FFFD.
    virtual std::wstring decodeConsoleText(const std::string &bytes, std::uint32_t codePage) = 0;
    virtual std::wstring toolPath(Tool tool) = 0;
    // The program a QProcess should start for a Windows program name such as "diskpart.exe",
    // "diskpart" or "cmd.exe"; other names come back unchanged.
    virtual std::wstring resolveProgram(const std::wstring &program) = 0;
    // CreateProcessW with STARTF_USESHOWWINDOW/SW_HIDE, then WaitForSingleObject(realTimeoutMs),
    // TerminateProcess(1) on time-out, GetExitCodeProcess, handles closed.
    virtual NativeRunResult runHidden(const std::wstring &commandLine, std::uint32_t creationFlags,
                                      std::uint32_t realTimeoutMs) = 0;

    // --- System ---
    virtual WindowsVersion windowsVersion() = 0;
    virtual bool isUserAdmin() = 0;

    // --- Timing ---
    // The real duration of a nominal one (identity on Windows; the machine's timeScale on the
    // simulator, never below 1 ms for a positive input).
    virtual int scaledMs(int nominalMs) = 0;
    // Sleeps for the scaled duration.
    virtual void sleepMs(int nominalMs) = 0;
};

// One argument as CommandLineToArgvW reads it back: quoted when it is empty or holds a space,
// a tab or a double quote; a quote escaped with a backslash, and backslashes doubled only where
// a quote follows them.
inline std::wstring quoteArgument(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// A command line of a program path and its arguments, each quoted as above.
inline std::wstring commandLine(const std::wstring &program, const std::vector<std::wstring> &arguments)
{
    std::wstring line = L"\"" + program + L"\""; // a program path holds no quote
    for (const std::wstring &a : arguments)
        line += L" " + quoteArgument(a);
    return line;
}

// The implementation for this build: real Windows, or the simulated machine elsewhere and
// wherever it was asked for.
Platform &current();

// "--simulated" on the command line runs the program on the simulated machine with its stand-in
// tools even on Windows (a safe demo and training mode). Read once, before the first current();
// elsewhere the simulated machine is the only one.
void chooseFromArguments(int argc, const char *const *argv);
bool isSimulated();

// The user's UI language as a locale name ("en-US", "zh-CN"): GetUserDefaultUILanguage on
// Windows (also with --simulated: the person at the keyboard is real); elsewhere the simulated
// machine's displayLanguage, which stands in when the host's locale names no language.
std::wstring userUiLanguage();

} // namespace platform
