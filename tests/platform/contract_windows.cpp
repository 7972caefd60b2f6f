// The platform contract against the Windows layer (under Wine on Linux, or on Windows), then
// the VARIANT conversion checks.

#include "contract.h"

#include "platform/windows/windowsplatform.h"
#include "platform/windows/wmi.h"

#include <cwchar>

void runVariantChecks(contract::Harness &h); // variant_windows.cpp

namespace {

bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring systemDirectory()
{
    wchar_t dir[MAX_PATH];
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir, n < MAX_PATH ? n : 0);
}

// A fixed drive with a volume label, for the buffer cases.
std::wstring labelledFixedRoot(platform::Platform &p)
{
    for (const std::wstring &root : p.mountedDriveRoots()) {
        std::wstring label;
        if (p.getDriveType(root) == DRIVE_FIXED && p.getVolumeInformation(root, &label, 261, nullptr, nullptr, 0)
            && !label.empty())
            return root;
    }
    return std::wstring();
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc > 1 && std::wcscmp(argv[1], L"--hang") == 0) { // the child of the time-out case
        Sleep(120000);
        return 0;
    }
    platform::windows::WindowsPlatform &p = platform::windows::instance();
    const bool wine = underWine();

    contract::Profile profile;
    profile.name = wine ? "Windows layer under Wine" : "Windows layer";
    // Wine registers the storage namespace without classes: there the contract checks that
    // the lookups fail cleanly, and the storage method signature is left to real Windows.
    profile.storageClasses = !wine;
    profile.securityOnce = !wine;
    profile.signatures.push_back({L"ROOT\\CIMV2", L"Win32_Process", L"Create", L"CommandLine",
                                  platform::Variant::bstr(L"cmd /c exit 0"), platform::CIM_STRING,
                                  platform::Variant::bstr(L"cmd /c exit 0")});
    if (!wine)
        profile.signatures.push_back({L"ROOT\\Microsoft\\Windows\\Storage", L"MSFT_Partition", L"Resize", L"Size",
                                      platform::Variant::i8(1048576), platform::CIM_UINT64,
                                      platform::Variant::bstr(L"1048576")});
    profile.labelledRoot = labelledFixedRoot(p);
    profile.diskpartPath = systemDirectory() + L"\\diskpart.exe";
    profile.cmdPath = systemDirectory() + L"\\cmd.exe";
    profile.fat32formatPath = platform::windows::executableDirectory() + L"\\fat32format.exe";
    profile.hangingCommand = L"\"" + std::wstring(argv[0]) + L"\" --hang";
    if (wine)
        profile.administrator = true; // Wine's user is an administrator
    profile.timeScale = 1.0;

    contract::Harness h;
    // scripts/test-windows-layer.sh labels the Wine prefix's C:; a real system may have no
    // labelled fixed drive, and its labels are not ours to change.
    if (wine)
        h.check(!profile.labelledRoot.empty(), "the Wine prefix's C: has a label", __FILE__, __LINE__);
    else if (profile.labelledRoot.empty())
        std::printf("note: no fixed drive has a volume label; the buffer-size cases cannot run here\n");
    contract::run(p, profile, h);
    h.group("enterGuiThreadApartment and the console code page", [&] {
        // On a thread already in the single-threaded apartment it is one more balanced call.
        CHECK_EQ(h, p.coInitializeEx(platform::COINIT_APARTMENTTHREADED), platform::hr::Ok);
        CHECK_EQ(h, p.enterGuiThreadApartment(), platform::hr::False);
        p.coUninitialize();
        CHECK_EQ(h, p.coInitializeEx(platform::COINIT_MULTITHREADED), platform::hr::RpcChangedMode);
        p.coUninitialize();
        const std::uint32_t cp = p.consoleOutputCodePage();
        CHECK(h, cp == GetConsoleOutputCP() || (GetConsoleOutputCP() == 0 && cp == GetOEMCP()));
        CHECK(h, cp != 0);
    });
    runVariantChecks(h);
    return h.finish();
}
