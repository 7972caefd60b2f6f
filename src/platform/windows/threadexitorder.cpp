// A thread's thread_local objects must be destroyed before their storage is freed. With MinGW
// neither is the system's work: libgcc emulates thread_local storage and frees a thread's share
// from a winpthreads key destructor, libstdc++ runs thread_local destructors from another, and
// winpthreads calls key destructors in the order the keys were made. The storage key is made by
// the first thread_local touched, which normally comes first, so the destructors then read
// freed memory. Qt keeps such an object per thread that matched a regular expression (its JIT
// stack): the thread could crash at its end, or leave winpthreads' key lock held so that the
// process hung in its exit. Registering one thread-exit destructor before any thread_local is
// touched makes libstdc++'s key the first, and the order right.
#if defined(__MINGW32__)
#include <cxxabi.h>

extern "C" void *__dso_handle;

namespace {

void nothing(void *) {}

char g_anchor;

struct DestructorsFirst
{
    DestructorsFirst() { __cxxabiv1::__cxa_thread_atexit(nothing, &g_anchor, &__dso_handle); }
};

// Before every other static initialiser of the program: some touch a thread_local.
__attribute__((init_priority(101))) DestructorsFirst g_destructorsFirst;

} // namespace

// Named at link time (see src/platform/CMakeLists.txt) so that every program keeps this object.
extern "C" void tessaline_thread_exit_order() {}
#endif
