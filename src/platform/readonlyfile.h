#pragma once

// A file opened for reading, with what tells its current contents from earlier ones without
// reading them: the simulated machine's store keeps the last parse of each file and must see
// every change to it, whichever process made it. Plain C++, so both platform layers share it.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Times are nanoseconds since 1970 on the clock of fileClockNowNs().
struct FileStamp
{
    std::uint64_t volume = 0; // st_dev; the volume serial number on Windows
    std::uint64_t index = 0;  // st_ino; the file index on Windows. A replace gives a new one
    std::int64_t size = -1;
    std::int64_t modifiedNs = 0;
    // st_ctime; the change time on Windows (st_ctime there is the creation time). Any write,
    // and any setting of the modification time, moves it forward.
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp &o) const
    {
        return volume == o.volume && index == o.index && size == o.size && modifiedNs == o.modifiedNs
               && changedNs == o.changedNs;
    }
};

class ReadOnlyFile
{
public:
    // Opens for reading while others may still write, rename or delete it. Null with `error`
    // (errno or GetLastError) when it cannot be opened or its stamp cannot be read.
    static std::unique_ptr<ReadOnlyFile> open(const std::string &utf8Path, std::uint32_t &error);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // As it was when opened.
    const FileStamp &stamp() const { return m_stamp; }
    // From the current position to the end, however the file grew or shrank since the stamp.
    bool readAll(std::string &bytes, std::uint32_t &error);

private:
    ReadOnlyFile() = default;
    std::intptr_t m_handle = -1;
    FileStamp m_stamp;
};

// Now, on the clock the file stamps use.
std::int64_t fileClockNowNs();
// The system's text for an error code of the calls above, in UTF-8.
std::string describeFileError(std::uint32_t error);

} // namespace platform
