#include "platform/processmemory.h"

#include <windows.h>

#include <psapi.h>

namespace platform {

std::int64_t peakResidentBytes(std::int64_t pid)
{
    const HANDLE process = pid ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid)) : GetCurrentProcess();
    if (!process)
        return -1;
    PROCESS_MEMORY_COUNTERS counters{};
    const bool ok = GetProcessMemoryInfo(process, &counters, sizeof counters);
    if (pid)
        CloseHandle(process);
    return ok ? std::int64_t(counters.PeakWorkingSetSize) : -1;
}

} // namespace platform
