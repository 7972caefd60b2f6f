#include "platform/privatefile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::unique_ptr<PrivateFile> PrivateFile::createAt(const std::string &pathUtf8, std::uint32_t &error)
{
    // O_EXCL with O_NOFOLLOW: any existing name, a dangling link included, fails the open.
    const int fd = ::open(pathUtf8.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::uint32_t(errno);
        return nullptr;
    }
    std::unique_ptr<PrivateFile> file(new PrivateFile);
    file->m_path = pathUtf8;
    file->m_handle = fd;
    return file;
}

std::unique_ptr<PrivateFile> PrivateFile::create(const std::string &parentUtf8, const std::string &stem,
                                                 std::uint32_t &error)
{
    // mkdtemp makes the folder with mode 0700 under a name nobody had.
    std::string pattern = parentUtf8 + "/tessaline-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        error = std::uint32_t(errno);
        return nullptr;
    }
    const std::string folder(buffer.data());
    std::unique_ptr<PrivateFile> file = createAt(folder + "/" + stem + "-" + randomHex() + ".txt", error);
    if (!file) {
        ::rmdir(folder.c_str());
        return nullptr;
    }
    file->m_folder = folder;
    return file;
}

bool PrivateFile::write(const std::string &bytes)
{
    const int fd = int(m_handle);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

PrivateFile::~PrivateFile()
{
    if (m_handle != -1)
        ::close(int(m_handle));
    if (m_keep)
        return;
    ::unlink(m_path.c_str());
    if (!m_folder.empty())
        ::rmdir(m_folder.c_str());
}

} // namespace platform
