#pragma once

// The platform contract: one set of checks, plain C++, run against every implementation of the
// seam (the simulated machine natively, the Windows layer under Wine and on Windows).

#include "platform/platform.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace contract {

// A tiny assertion harness: failures print where and what, the end prints the totals.
class Harness
{
public:
    bool check(bool ok, const char *expr, const char *file, int line, const std::string &detail = std::string());
    bool equal(long long actual, long long expected, const char *expr, const char *file, int line);
    // Runs one named group of checks.
    template <typename F>
    void group(const char *name, F &&f)
    {
        const int before = m_failed;
        f();
        std::printf("%s %s\n", m_failed == before ? "PASS" : "FAIL", name);
    }
    // Prints "N passed, N failed" and gives the process exit code.
    int finish() const;

private:
    int m_passed = 0;
    int m_failed = 0;
};

#define CHECK(h, cond) (h).check(bool(cond), #cond, __FILE__, __LINE__)
#define CHECK_EQ(h, actual, expected) (h).equal((long long)(actual), (long long)(expected), #actual " == " #expected, __FILE__, __LINE__)

// A method whose signature must spawn parameter instances that keep what is put into them.
struct SignatureCase
{
    std::wstring nameSpace;
    std::wstring className;
    std::wstring method;
    std::wstring parameter;
    platform::Variant value;
    std::int32_t cimType;
    platform::Variant readBack; // what get() answers afterwards
};

// What the implementation under test is expected to offer.
struct Profile
{
    const char *name = "";
    // The storage namespace has its MSFT_* classes (Wine registers it empty).
    bool storageClasses = true;
    // CoInitializeSecurity succeeds once per process (Wine accepts it again and again).
    bool securityOnce = true;
    std::vector<SignatureCase> signatures;
    // A mounted root with a non-empty volume label, and its label.
    std::wstring labelledRoot;
    // Where the tools must come from.
    std::wstring diskpartPath, cmdPath, fat32formatPath, fsutilPath;
    // A folder private script files may be made in (UTF-8), and its separator.
    std::string tempFolder;
    char separator = '/';
    // How the tools' command lines are split into arguments (CommandLineToArgvW's rules).
    std::function<std::vector<std::wstring>(const std::wstring &)> splitCommandLine;
    // A command line that never ends by itself (the time-out case).
    std::wstring hangingCommand;
    std::optional<platform::WindowsVersion> version; // exact, when the machine is known
    std::optional<bool> administrator;
    double timeScale = 1.0;
};

void run(platform::Platform &p, const Profile &profile, Harness &h);

// Whether a file or folder exists, and a folder made or an empty one removed (UTF-8 paths), for
// the private-file checks.
bool exists(const std::string &path);
bool makeFolder(const std::string &path);
bool removeFolder(const std::string &path);

// For messages: ASCII as is, anything else as "?".
std::string toUtf8(const std::wstring &s);

} // namespace contract
