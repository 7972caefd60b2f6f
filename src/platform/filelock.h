#pragma once

// A shared or exclusive lock on a whole file, between processes and between threads of one
// process alike (each holder opens the file itself). Plain C++, so the simulated machine's
// store can lock its file on every system.

#include <cstdint>
#include <string>

namespace platform {

class FileLock
{
public:
    // Creates the file when missing and blocks until the lock is held; held() is false when
    // the file cannot be opened or locked.
    FileLock(const std::string &utf8Path, bool exclusive);
    ~FileLock(); // closing the file releases the lock
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    bool held() const { return m_handle != -1; }

private:
    std::intptr_t m_handle = -1;
};

} // namespace platform
