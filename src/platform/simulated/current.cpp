#include "platform/simulated/simulatedplatform.h"

namespace platform {

Platform &current() { return simulated::instance(); }

void chooseFromArguments(int, const char *const *) {}

bool isSimulated() { return true; }

} // namespace platform
