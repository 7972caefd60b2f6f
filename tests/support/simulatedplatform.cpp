#include "platform/platform.h"

// Linked into every test program: the tests run on the simulated machine, which a Windows build
// only picks when asked, before anything calls platform::current().
namespace {
[[maybe_unused]] const bool g_simulated = [] {
    const char *const args[] = {"test", "--simulated"};
    platform::chooseFromArguments(2, args);
    return true;
}();
} // namespace
