#pragma once

#include "diskoperationworker.h"

#include <QCoreApplication>
#include <QString>

// FAT32 on volumes above 32 GiB, which diskpart refuses: the outside formatter that lies beside
// the executable, with a dismount before it and a check afterwards that the volume still
// answers to its letter. A failing step leaves its reason in the format engine's last error.
class LargeFat32Format
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    using FormatOptions = DiskOperationWorker::FormatOptions;

    LargeFat32Format(DiskOperationWorker &worker, QString &lastError) : m_worker(worker), m_lastError(lastError) {}

    // Takes a stop request before the dismount and before the format; once fat32format has run,
    // the volume is mounted again whatever was asked meanwhile.
    bool formatLargeFat32(const FormatOptions &options);
    // The last formatLargeFat32 was stopped on request before fat32format ran.
    bool stoppedBeforeFormat() const { return m_stoppedBeforeFormat; }
    // Bytes of a lettered volume; a partition id counts as large. -1 when unknown.
    qint64 getDriveTotalSize(const QString &path);
    bool dismountWithFsutil(QString drive);
    bool dismountWithDiskpart(QString drive);
    // `volumeBytes` (below 1: unknown) sets the time limit, since the tool writes FATs that grow
    // with the volume.
    bool runFat32Format(QString drive, const FormatOptions &options, qint64 volumeBytes = -1);
    // Makes sure `drive` names the volume again. expectedBytes, when known, lets a volume that
    // lost its letter be recognised by its size.
    bool remountVolume(QString drive, qint64 expectedBytes = -1);
    bool isDriveAccessible(QString drive);

private:
    DiskOperationWorker &m_worker;
    QString &m_lastError;
    bool m_stoppedBeforeFormat = false;
};
