#include "platform/toolprocess.h"

namespace platform {

void hideConsoleWindow(QProcess &) {}

} // namespace platform
