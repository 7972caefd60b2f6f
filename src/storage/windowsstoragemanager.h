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
};

// Keyed by (disk number, partition number), ordered by disk then partition.
using VolumeMap = QMap<QPair<int, int>, VolumeMapEntry>;

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

    Q_INVOKABLE QString getLastAssignedDriveLetter() const;
    Q_INVOKABLE PartitionInfo getPartitionInfo(const QString &partitionId);

    bool initialize();
    bool connectToWmi();
    static QString returnCodeText(int code);

    QList<QVariantMap> getDisks();
    VolumeMap buildVolumeMap();
    QList<PartitionInfo> getPartitions(const QString &diskId);
    qint64 getDiskSize(const QString &diskId);
    qint64 getPartitionSize(const QString &partitionId);

signals:
    void operationProgress(int percentage);
    void partitionCreationCompleted();
    void operationCompleted(bool success, const QString &message);
    void partitionCreationProgress(int percentage, const QString &message);

private:
    // getPartitionInfo without taking the storage lock. The lock is not recursive, so code that
    // already holds it (file-system detection) calls this instead of the public method.
    PartitionInfo partitionInfoLocked(const QString &partitionId);
    // False (with the trace) when there is no connection.
    bool checkServices() const;
    void releaseConnection();
    void releaseCom();

    QMutex m_storageLock;
    QString m_lastAssignedDriveLetter;
    std::unique_ptr<platform::WbemLocator> m_locator;
    std::unique_ptr<platform::WbemServices> m_services;
    bool m_comInitialized = false;

    platform::Platform &m_platform;
    // COM initialisation belongs to a thread; only that thread may balance it.
    std::thread::id m_comThread;
};
