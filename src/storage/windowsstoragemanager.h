#pragma once

#include "common/records.h"
#include "platform/platform.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <thread>

// What Win32_LogicalDisk says about the volume of one partition.
struct VolumeMapEntry
{
    int diskNumber = -1;
    int partitionNumber = -1;
    QString fileSystem;
    QString volumeLabel;
    QString driveLetter;
    QString serial;
};

// Keyed by (disk number, partition number), ordered by disk then partition.
using VolumeMap = QMap<QPair<int, int>, VolumeMapEntry>;

// One disk as getDisks gives it, with its records as getPartitions gives them.
struct DiskLayout
{
    QVariantMap disk;
    QList<PartitionInfo> partitions;
};

// The system's one doorway to the storage model: one WMI connection to the storage namespace,
// the enumeration of disks and partitions, and the storage operations. Every call queries
// afresh; nothing is cached.
//
// An instance is usable only on the thread that initialised it, whose COM apartment holds its
// WMI connection: another thread uses a manager of its own or a blocking queued call.
class WindowsStorageManager : public QObject
{
    Q_OBJECT

public:
    explicit WindowsStorageManager(QObject *parent = nullptr);
    // Runs against the given platform instead of platform::current() (tests, benchmarks).
    explicit WindowsStorageManager(platform::Platform &platform, QObject *parent = nullptr);
    ~WindowsStorageManager() override;

    // Invokable in this order: callers reach them by name across threads.
    Q_INVOKABLE QString getNextAvailableDriveLetter();
    Q_INVOKABLE QString getLastAssignedDriveLetter() const;
    Q_INVOKABLE PartitionInfo getPartitionInfo(const QString &partitionId);
    // The new partition's id, or empty. offsetBytes > 0 places it in the free region starting
    // there and sizes it against that region; 0 leaves the place to the provider. exactSize takes
    // sizeBytes as the partition's size (in whole sectors, at most what the region holds) instead
    // of a volume size to allow for.
    Q_INVOKABLE QString createPartition(int diskNumber, qlonglong sizeBytes, const QString &fileSystem,
                                        bool assignDriveLetter, qlonglong offsetBytes = 0, bool exactSize = false);
    Q_INVOKABLE bool assignDriveLetter(const QString &partitionId, const QString &driveLetter);
    // Resizes the partition (and its file system, as the provider does it) through
    // MSFT_Partition.Resize. True when it already has that size or the provider returned 0.
    Q_INVOKABLE bool resizePartitionStorageAPI(const QString &partitionId, qlonglong newSizeBytes);
    // refreshAndDetectFileSystem under the storage lock.
    Q_INVOKABLE QString getPartitionFileSystemById(const QString &partitionId);
    // The largest size the partition can grow to: its size plus the unallocated region directly
    // after it (for a logical drive, the free space up to the next logical drive or the end of
    // its extended partition), and no more than the provider supports when it can resize the
    // partition as it is. 0 when there is no such partition.
    Q_INVOKABLE qlonglong getPartitionMaximumSize(const QString &partitionId);
    // The smallest size the provider can shrink the partition to as it is (its file system's
    // bytes in use and structures); 0 when it cannot shrink it (FAT32, which is reformatted
    // first, or no file system the provider resizes) or does not say.
    Q_INVOKABLE qlonglong getPartitionMinimumSize(const QString &partitionId);

    bool initialize();
    bool connectToWmi();
    static QString returnCodeText(int code);

    QList<QVariantMap> getDisks();
    VolumeMap buildVolumeMap();
    QList<PartitionInfo> getPartitions(const QString &diskId);
    // Every disk with its records, the same as getDisks and getPartitions for each disk, in
    // round trips that do not grow with the disks: one MSFT_Disk query, one MSFT_Partition query,
    // one ROOT\CIMV2 connection and one Win32_LogicalDisk query. Reads afresh on every call.
    QList<DiskLayout> getDiskLayouts();
    qint64 getDiskSize(const QString &diskId);
    qint64 getPartitionSize(const QString &partitionId);

    bool isDriveLetterInUse(const QString &letter);
    bool assignDriveLetterWithDiskpart(const QString &partitionId, const QString &driveLetter);
    bool deletePartition(const QString &partitionId);

    // The file system of a partition as the system reports it ("NTFS", "FAT32", ...), or empty:
    // from the volume map, the partition record, or a mounted volume of about its size that
    // belongs to no other partition. Takes no lock.
    QString detectPartitionFileSystem(const QString &partitionId);
    // The same, tried once more after a pause when the first pass finds nothing.
    QString refreshAndDetectFileSystem(const QString &partitionId);

    // Why the last createPartition or resizePartitionStorageAPI failed, in words a user reads
    // (the provider's code and its meaning, or what was missing); empty after a success.
    QString lastFailure() const { return m_lastFailure; }

    // The small changes. Each answers empty when done, else why not (the provider's code and its
    // meaning, or the system's error). MSFT_Disk.Initialize with 1 (MBR) or 2 (GPT):
    QString initializeDisk(int diskNumber, int partitionStyle);
    // MSFT_Partition.AddAccessPath (add) or RemoveAccessPath of the letter's root.
    QString changeAccessPath(const QString &partitionId, const QString &letter, bool add);
    // SetVolumeLabelW on the letter's root; an empty label removes the name.
    QString setVolumeLabel(const QString &letter, const QString &label);

    // "e", "E:" and "E:\" give "E"; anything that is not one letter A-Z gives an empty string.
    static QString normalizedDriveLetter(const QString &letter);

signals:
    void operationProgress(int percentage);
    void partitionCreationCompleted();
    void operationCompleted(bool success, const QString &message);
    void partitionCreationProgress(int percentage, const QString &message);

private:
    // MSFT_Partition.GetSupportedSize under the storage lock; false when the provider gives no
    // range or one that allows no change.
    bool supportedSize(const QString &partitionId, qint64 *sizeMin, qint64 *sizeMax);
    // getPartitionInfo without taking the storage lock. The lock is not recursive, so code that
    // already holds it (file-system detection) calls this instead of the public method.
    PartitionInfo partitionInfoLocked(const QString &partitionId);
    // The partition numbers of the disk now, and the id of one the disk has that `before` did not.
    QList<int> partitionNumbers(int diskNumber);
    QString numberNotIn(int diskNumber, const QList<int> &before);
    // Runs `method` on the first object `objectQuery` finds, with `inputs`; empty when it returned 0.
    QString callMethod(const QString &objectQuery, const QString &className, const QString &method,
                       const QList<QPair<QString, platform::Variant>> &inputs);
    // False (with the trace) when there is no connection.
    bool checkServices() const;
    // The bytes free from `offset` to the next partition (or the end of the disk or of the
    // extended partition holding it); -1 when the offset is not in free space of the disk.
    qint64 freeBytesFrom(int diskNumber, qint64 diskSize, qint64 offset);
    void releaseConnection();
    void releaseCom();

    QMutex m_storageLock;
    QString m_lastAssignedDriveLetter;
    QString m_lastFailure;
    std::unique_ptr<platform::WbemLocator> m_locator;
    std::unique_ptr<platform::WbemServices> m_services;
    bool m_comInitialized = false;

    platform::Platform &m_platform;
    // COM initialisation belongs to a thread; only that thread may balance it.
    std::thread::id m_comThread;
};
