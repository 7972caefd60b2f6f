#pragma once

// The simulated Windows storage machine: the persisted model and its store.
// Shared by the in-process WMI provider, the simulated platform and the stand-in executables.

#include "platform/readonlyfile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace sim {

struct Volume
{
    QString fileSystem;   // "NTFS", "FAT32", "exFAT", "ReFS" or "" (RAW)
    QString label;
    QString letter;       // one upper-case letter or ""
    QString serial;       // "1A2B-3C4D"; a format gives a new one
    qint64 usedBytes = 0;
    qint64 clusterSize = 0;
    QString guid;         // volume GUID, stable for the life of the volume
};

struct Partition
{
    int number = 0;
    qint64 offset = 0;
    qint64 size = 0;
    QString type;         // "System", "Primary", "Extended", "Logical", "Recovery", "MSR", "EFI", "OEM"
    bool active = false;
    std::optional<Volume> volume; // absent: a raw partition with no volume
    QString guid;         // partition GUID (GPT)
};

struct Disk
{
    int number = 0;
    QString friendlyName;
    qint64 size = 0;
    QString partitionStyle = QStringLiteral("GPT"); // "GPT", "MBR", "RAW"
    QString operationalStatus = QStringLiteral("Online");
    bool readOnly = false;
    bool removable = false;
    int logicalSectorSize = 512;
    QList<Partition> partitions; // kept in ascending offset order
    quint32 signature = 0;       // MBR disk signature; 0: derived from the disk number
};

// A drive letter that is not a partition of a disk (DVD, network share, ...).
struct OtherDrive
{
    QString letter;
    int driveType = 5;
    QString fileSystem;
    QString label;
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;
};

struct Machine
{
    QString windowsVersion = QStringLiteral("10.0");
    bool administrator = true;
    QString displayLanguage = QStringLiteral("en-US");
    double timeScale = 1.0;
    // What one provider round trip costs, in nominal milliseconds (scaled by timeScale).
    double queryLatencyMs = 0;
    double connectLatencyMs = 0;
    double methodLatencyMs = 0;
    // Bytes a second the disks write in a full format and in fat32format; 0 writes at once.
    double writeBytesPerSecond = 0;
    bool partitionTypeProperty = false; // deliver MSFT_Partition.Type (1-8) as well
    QList<Disk> disks;
    QList<OtherDrive> otherDrives;
    QJsonArray faults;                  // see docs/simulated-machine.md

    Disk *disk(int number);
    const Disk *disk(int number) const;
    // The partition that holds a volume with this letter, or null.
    Partition *partitionByLetter(const QString &letter, Disk **diskOut = nullptr);
    bool letterInUse(const QString &letter) const;
};

// Real milliseconds for a nominal time: round(nominalMs * timeScale), at least 1 for a positive
// time; 0 and negative times pass through (-1 keeps meaning "no limit").
int scaledMs(double nominalMs, double timeScale);
// Real milliseconds the machine takes to write `bytes`, scaled; 0 when it writes at once.
int writeTimeMs(const Machine &machine, qint64 bytes);

Machine demoMachine();
Machine emptyMachine();

QJsonObject toJson(const Machine &machine);
// Fails (with a message) on a malformed machine; never half-reads.
bool fromJson(const QJsonObject &json, Machine *machine, QString *error);

// A fault taken from the machine file: the entry as written there.
using Fault = QJsonObject;

// A numeric field of a fault ("hresult", "returnValue", "exitCode", ...): a JSON number, or
// text in decimal or "0x" hex. HRESULTs above 0x7FFFFFFF come back negative, as they are.
std::optional<qint32> faultCode(const Fault &fault, const QString &key);

class MachineStore
{
public:
    // TESSALINE_SIM_MACHINE, or simulated-machine.json in the app's local data directory.
    static QString defaultPath();

    explicit MachineStore(const QString &path = defaultPath());
    QString path() const { return m_path; }

    // Reads the current file (creating it from the demo machine when it does not exist).
    bool read(Machine *machine, QString *error = nullptr) const;
    // Locked read-modify-write with atomic replace. `change` returns false to write nothing.
    bool modify(const std::function<bool(Machine &)> &change, QString *error = nullptr);
    bool write(const Machine &machine, QString *error = nullptr);
    // What tells the file's current contents from earlier ones; nothing when it cannot be opened.
    // Under the readers' lock: on Windows a file held open, even briefly, cannot be replaced.
    std::optional<platform::FileStamp> stamp() const;

    // Finds the first fault for `target` whose optional "match" text occurs in `subject`,
    // counts one firing against its "times" (removing it when spent) and returns it.
    std::optional<Fault> takeFault(const QString &target, const QString &subject = QString());

    // Process-wide totals since start, for benchmarks: machine files parsed (a read served
    // from the parse cache does not count) and exclusive file locks taken.
    struct Counters
    {
        quint64 parses = 0;
        quint64 exclusiveLocks = 0;
    };
    static Counters counters();

private:
    QString m_path;
};

} // namespace sim
