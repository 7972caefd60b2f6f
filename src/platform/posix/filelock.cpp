#include "platform/filelock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

FileLock::FileLock(const std::string &utf8Path, bool exclusive)
{
    const int fd = ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    int rc;
    do {
        rc = ::flock(fd, exclusive ? LOCK_EX : LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return;
    }
    m_handle = fd;
}

FileLock::~FileLock()
{
    if (m_handle != -1)
        ::close(int(m_handle));
}

} // namespace platform
