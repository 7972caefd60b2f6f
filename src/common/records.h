#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// One partition or one unallocated region of a disk. Plain value type: copied, never shared,
// when it crosses threads or is stored in tree-item data.
struct PartitionInfo
{
    QString name;
    QString volumeLabel;
    QString driveLetter;      // one upper-case letter, no colon
    QStringList driveLetters; // empty, or exactly driveLetter + ":"
    QString fileSystem;
    QString sizeStr;
    QString type;
    QString status;
    int diskIndex = -1;
    qint64 startSector = 0;
    int gptPartitionNumber = -1;
    qint64 offsetBytes = 0;
    bool isUnallocated = false;
    int partitionNumber = 0;
    qint64 offset = 0;
    qint64 sizeBytes = 0;
    QString id;
    int typeCode = 0;
    QString devicePath;
    // As the provider reports them: the partition the running system started from (its EFI
    // system partition, or the active one on MBR) and the one holding the Windows directory.
    bool isSystem = false;
    bool isBoot = false;
    // The GPT partition's own GUID, new for every partition made; empty on MBR disks.
    QString guid;
    // The lettered volume's serial, new with every format; empty without a letter.
    QString volumeSerial;
};

// PartitionInfo::typeCode values the layout rules tell apart.
namespace PartitionTypeCode {
constexpr int Extended = 3;
constexpr int Logical = 4;
} // namespace PartitionTypeCode

// Where Windows puts a disk's first partition, on GPT and MBR disks alike: the first MiB holds the
// partition table. A free region that starts the disk starts here for a new partition.
constexpr qint64 FirstPartitionOffset = 1024 * 1024;

// What a logical drive's boot record takes before it inside an extended partition.
constexpr qint64 LogicalBootRecordRoom = 1024 * 1024;

struct PartitionCreateRequest
{
    qint64 sizeBytes = 0;
    QString fileSystem;
    QString volumeLabel;
    QString driveLetter;
    bool quickFormat = true;
    // Start of the free region the partition goes into, in bytes; 0 lets the provider choose
    // (the disk's largest free extent).
    qint64 offsetBytes = 0;
    // sizeBytes is the partition's own size, to fill space freed for it exactly (a split): no
    // allowance for the file system's overhead and no reserve, never more than the region holds.
    bool exactSize = false;
};

struct SplitPartitionOptions
{
    QString partitionId;
    QString devicePath;
    qint64 originalSizeBytes = 0;
    qint64 keepSizeBytes = 0;
    qint64 newSizeBytes = 0;
    QString newFileSystem;
    QString newVolumeLabel;
    QString newDriveLetter;
    bool formatNewPartition = true;
    bool validateBeforeSplit = true;

    // The kept and new sizes may differ from the original by alignment slack of up to 64 MiB.
    static constexpr qint64 SizeTolerance = 64LL * 1024 * 1024;
    bool isValid() const;
};

// Keys of the disk map (one disk as a QVariantMap).
namespace DiskKey {
inline const QString Id = QStringLiteral("id");
inline const QString Size = QStringLiteral("size");
inline const QString Status = QStringLiteral("status");
inline const QString Name = QStringLiteral("name");
inline const QString PartitionStyle = QStringLiteral("PartitionStyle");
} // namespace DiskKey

Q_DECLARE_METATYPE(PartitionInfo)
Q_DECLARE_METATYPE(PartitionCreateRequest)
Q_DECLARE_METATYPE(SplitPartitionOptions)

// True when `now`, read afresh, is still the partition the user confirmed as `confirmed`: the same
// disk, number, start, size, GPT GUID and volume serial. A delete, a format or a change by another
// program between the choice and the job shows here.
bool isSamePartition(const PartitionInfo &confirmed, const PartitionInfo &now);

// What is said, and nothing done, when it is not.
QString layoutChangedText();

// The partition as the tree names it: "E: (Work)", "E:", or "Partition 3 of Disk 0" without a letter.
QString partitionName(const PartitionInfo &partition);

// Free space inside an extended partition, where only logical drives go: an unallocated record
// typed as logical.
inline bool isLogicalFreeSpace(const PartitionInfo &p) { return p.isUnallocated && p.typeCode == PartitionTypeCode::Logical; }

// Registers the record types under the names queued calls and invoke-by-name use.
// Call once at start-up, before any window or worker exists.
void registerRecordMetaTypes();
