#pragma once

// How long the window would stand still while a job runs. Each of the six jobs is started as its
// dialog starts it: a worker moved to a thread of its own and, for resize and split, the storage
// manager of the calling (GUI) thread handed over. Meanwhile a timer on the calling thread ticks
// every 10 ms; the longest gap between two ticks, up to the job's end signal, is the stall.
// Used by the GUI-stall test, which bounds it, and by bench_jobs, which reports it.

#include "common/records.h"
#include "simulator/geometry.h"
#include "simulator/machine.h"
#include "simulator/provider.h"
#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace guistall {

enum class Job { Create, Format, Delete, Resize, Merge, Split };
inline constexpr Job AllJobs[] = {Job::Create, Job::Format, Job::Delete, Job::Resize, Job::Merge, Job::Split};

inline const char *name(Job job)
{
    static const char *const names[] = {"create", "format", "delete", "resize", "merge", "split"};
    return names[int(job)];
}

// Disk 0, GPT, 100 GiB: E: NTFS "Data" 10 GiB at 1 MiB (1 GiB in use), 1 GiB free, F: NTFS
// "Media" 5 GiB, free space to the end.
inline sim::Machine machine()
{
    sim::Machine m = sim::emptyMachine();
    sim::Disk disk;
    disk.number = 0;
    disk.size = 100 * sim::kGiB;
    disk.partitionStyle = QStringLiteral("GPT");
    const struct { qint64 offset, size; const char *letter, *label; } parts[] = {
        {sim::kMiB, 10 * sim::kGiB, "E", "Data"}, {11 * sim::kGiB + sim::kMiB, 5 * sim::kGiB, "F", "Media"}};
    for (const auto &part : parts) {
        sim::Partition p;
        p.number = disk.partitions.size() + 1;
        p.offset = part.offset;
        p.size = part.size;
        p.type = QStringLiteral("Primary");
        sim::Volume v;
        v.fileSystem = QStringLiteral("NTFS");
        v.label = QLatin1String(part.label);
        v.letter = QLatin1String(part.letter);
        v.usedBytes = sim::kGiB;
        v.clusterSize = 4096;
        p.volume = v;
        disk.partitions.append(p);
    }
    m.disks.append(disk);
    return m;
}

// "E 10240 Data, F 5120 Media": letter, MiB and label of each partition of disk 0.
inline QString layout(const sim::Machine &m)
{
    QStringList out;
    for (const sim::Partition &p : m.disks.value(0).partitions) {
        const sim::Volume v = p.volume.value_or(sim::Volume());
        out << QStringLiteral("%1 %2 %3").arg(v.letter).arg(p.size / sim::kMiB).arg(v.label);
    }
    return out.join(QLatin1String(", "));
}

struct Run
{
    bool ended = false; // the end signal came within the limit
    bool ok = false;
    QString message;
    qint64 longestStallMs = 0;
    qint64 elapsedMs = 0;
    quint64 methodCalls = 0; // provider methods this process called, on any thread
};

// Runs `job` on machine() as published in TESSALINE_SIM_MACHINE, waiting at most `limitMs`.
inline Run run(Job job, int limitMs)
{
    registerRecordMetaTypes();
    Run result;
    WindowsStorageManager window; // the window's manager, on this thread
    if (!window.initialize()) {
        result.message = QStringLiteral("the window's storage manager could not be initialised");
        return result;
    }

    QThread thread;
    auto *worker = new DiskOperationWorker;
    worker->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);

    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    auto sample = [&] {
        const qint64 now = clock.elapsed();
        result.longestStallMs = std::max(result.longestStallMs, now - lastTick);
        lastTick = now;
    };
    auto end = [&](bool ok, const QString &message) {
        if (result.ended)
            return;
        sample();
        result.ended = true;
        result.ok = ok;
        result.message = message;
        result.elapsedMs = clock.elapsed();
        loop.quit();
    };
    switch (job) {
    case Job::Create: QObject::connect(worker, &DiskOperationWorker::partitionCreationCompleted, &loop, end); break;
    case Job::Format:
    case Job::Resize: QObject::connect(worker, &DiskOperationWorker::operationCompleted, &loop, end); break;
    case Job::Delete: QObject::connect(worker, &DiskOperationWorker::deletePartitionFinished, &loop, end); break;
    case Job::Merge: QObject::connect(worker, &DiskOperationWorker::mergePartitionFinished, &loop, end); break;
    case Job::Split: QObject::connect(worker, &DiskOperationWorker::splitPartitionFinished, &loop, end); break;
    }
    if (job == Job::Resize || job == Job::Split)
        worker->m_storageManager = &window;

    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &loop, sample);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    const quint64 methodsBefore = sim::providerCounters().methods;
    clock.start();
    tick.start(10);
    thread.start();
    switch (job) {
    case Job::Create: {
        PartitionCreateRequest request;
        request.sizeBytes = sim::kGiB;
        request.fileSystem = QStringLiteral("NTFS");
        request.volumeLabel = QStringLiteral("New");
        request.driveLetter = QStringLiteral("K");
        request.quickFormat = true;
        request.offsetBytes = 16 * sim::kGiB + sim::kMiB;
        QMetaObject::invokeMethod(worker, "startBatchCreateAndFormat", Qt::QueuedConnection,
                                  Q_ARG(QList<PartitionCreateRequest>, {request}), Q_ARG(int, 0));
        break;
    }
    case Job::Format:
        QMetaObject::invokeMethod(worker, [worker] {
            worker->formatPartitionAsync({QStringLiteral("F:"), QStringLiteral("NTFS"), QStringLiteral("Fresh"), 0, true});
        }, Qt::QueuedConnection);
        break;
    case Job::Delete: {
        PartitionInfo target;
        target.diskIndex = 0;
        target.partitionNumber = 2;
        worker->startDeletePartition(target);
        break;
    }
    case Job::Resize:
        QMetaObject::invokeMethod(worker, "resizePartitionCompleteAsync", Qt::QueuedConnection,
                                  Q_ARG(QString, QStringLiteral("0:1")), Q_ARG(qlonglong, 8 * sim::kGiB));
        break;
    case Job::Merge: {
        MergePartitionOptions o;
        o.diskNumber = 0;
        o.sourcePartitionNumber = 1;
        o.mergeUnallocated = true;
        o.sourceDriveLetter = QStringLiteral("E");
        o.fileSystem = QStringLiteral("NTFS");
        o.sourceSizeBytes = 10 * sim::kGiB;
        o.targetSizeBytes = sim::kGiB;
        o.newSizeBytes = 11 * sim::kGiB;
        o.sourceVolumeLabel = QStringLiteral("Data");
        QMetaObject::invokeMethod(worker, [worker, o] { worker->startMergePartition(o); }, Qt::QueuedConnection);
        break;
    }
    case Job::Split: {
        SplitPartitionOptions o;
        o.partitionId = QStringLiteral("0:1");
        o.originalSizeBytes = 10 * sim::kGiB;
        o.keepSizeBytes = 6 * sim::kGiB;
        o.newSizeBytes = 4 * sim::kGiB;
        o.newFileSystem = QStringLiteral("NTFS");
        o.newVolumeLabel = QStringLiteral("Split");
        o.newDriveLetter = QStringLiteral("K");
        QMetaObject::invokeMethod(worker, "startSplitPartition", Qt::QueuedConnection, Q_ARG(SplitPartitionOptions, o));
        break;
    }
    }
    if (!result.ended)
        loop.exec();
    tick.stop();
    // Queued behind whatever the job still has to do after its end signal.
    QMetaObject::invokeMethod(worker, [&thread] { thread.quit(); }, Qt::QueuedConnection);
    thread.wait();
    result.methodCalls = sim::providerCounters().methods - methodsBefore;
    return result;
}

} // namespace guistall
