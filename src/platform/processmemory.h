#pragma once

// The memory figure the benchmarks report, asked of the system the way it keeps it.

#include <cstdint>

namespace platform {

// Peak resident memory (peak working set on Windows) of a running process, in bytes; 0 means
// this process. -1 when the system does not say.
std::int64_t peakResidentBytes(std::int64_t pid = 0);

} // namespace platform
