#include "platform/readonlyfile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::int64_t nanoseconds(const timespec &t) { return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; }

} // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string &utf8Path, std::uint32_t &error)
{
    const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::uint32_t(errno);
        return nullptr;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        error = std::uint32_t(errno);
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<ReadOnlyFile> file(new ReadOnlyFile);
    file->m_handle = fd;
    file->m_stamp.volume = std::uint64_t(st.st_dev);
    file->m_stamp.index = std::uint64_t(st.st_ino);
    file->m_stamp.size = std::int64_t(st.st_size);
    file->m_stamp.modifiedNs = nanoseconds(st.st_mtim);
    file->m_stamp.changedNs = nanoseconds(st.st_ctim);
    return file;
}

// Only open() makes one, always with an open descriptor.
ReadOnlyFile::~ReadOnlyFile() { ::close(int(m_handle)); }

bool ReadOnlyFile::readAll(std::string &bytes, std::uint32_t &error)
{
    bytes.clear();
    bytes.reserve(std::size_t(m_stamp.size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(int(m_handle), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::uint32_t(errno);
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(chunk, std::size_t(n));
    }
}

std::int64_t fileClockNowNs()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

std::string describeFileError(std::uint32_t error) { return std::strerror(int(error)); }

} // namespace platform
