#include "platform/processmemory.h"

#include <fstream>
#include <sstream>
#include <string>

namespace platform {

std::int64_t peakResidentBytes(std::int64_t pid)
{
    std::ifstream status(pid ? "/proc/" + std::to_string(pid) + "/status" : std::string("/proc/self/status"));
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::int64_t kib = -1;
            std::istringstream(line.substr(6)) >> kib;
            return kib < 0 ? -1 : kib * 1024;
        }
    }
    return -1;
}

} // namespace platform
