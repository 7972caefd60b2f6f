#pragma once

// The simulated Windows machine behind the platform seam, and the hooks tests use to look at
// and arrange per-thread COM state.

#include "platform/platform.h"

#include <string>
#include <vector>

namespace platform {
namespace simulated {

// The one simulated machine of the process (what current() is on every build but a Windows
// one without --simulated).
Platform &instance();

constexpr HResult CoENotInitialized = static_cast<HResult>(0x800401F0u); // CO_E_NOTINITIALIZED

// Win32 error codes the volume calls and the process start report.
constexpr std::uint32_t ErrorFileNotFound = 2;
constexpr std::uint32_t ErrorPathNotFound = 3;
constexpr std::uint32_t ErrorAccessDenied = 5;
constexpr std::uint32_t ErrorWriteProtect = 19;
constexpr std::uint32_t ErrorNotReady = 21;
constexpr std::uint32_t ErrorBadLength = 24;
constexpr std::uint32_t ErrorInvalidName = 123;
constexpr std::uint32_t ErrorLabelTooLong = 154;
constexpr std::uint32_t ErrorUnrecognizedVolume = 1005;

// COM state of the calling thread: how many CoInitializeEx calls are outstanding, and the
// apartment they chose (COINIT_* value; meaningless while the depth is 0).
int comDepth();
bool comInitialized();
std::uint32_t comApartment();

// Puts the calling thread into the single-threaded apartment, as the GUI thread of a Windows
// program is before any of our code runs. Balanced by leaveApartment().
void enterSingleThreadedApartment();
// Drops every outstanding initialisation of the calling thread.
void leaveApartment();

// Lets CoInitializeSecurity succeed once more (it is process-wide and once only on Windows).
void resetProcessSecurity();
bool processSecuritySet();

// CommandLineToArgvW's splitting rules.
std::vector<std::wstring> splitCommandLine(const std::wstring &commandLine);

} // namespace simulated
} // namespace platform
