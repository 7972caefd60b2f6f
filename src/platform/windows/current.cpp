#include "platform/simulated/simulatedplatform.h"
#include "platform/windows/windowsplatform.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace platform {

namespace {
std::atomic<bool> g_simulated{false};
}

void chooseFromArguments(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], "--simulated") == 0)
            g_simulated = true;
}

bool isSimulated() { return g_simulated; }

std::wstring userUiLanguage()
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID lcid = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    return LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0) > 0 ? std::wstring(name) : std::wstring();
}

Platform &current()
{
    // Chosen once: every caller of the process talks to the same system.
    static Platform &chosen = g_simulated ? simulated::instance() : static_cast<Platform &>(windows::instance());
    return chosen;
}

} // namespace platform
