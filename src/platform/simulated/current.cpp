#include "platform/simulated/simulatedplatform.h"
#include "simulator/machine.h"

namespace platform {

Platform &current() { return simulated::instance(); }

void chooseFromArguments(int, const char *const *) {}

bool isSimulated() { return true; }

std::wstring userUiLanguage()
{
    sim::Machine m;
    return sim::MachineStore().read(&m) ? m.displayLanguage.toStdWString() : std::wstring();
}

} // namespace platform
