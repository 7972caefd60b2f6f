#pragma once

#include "common/records.h"

#include <QDeadlineTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class BatchJob;
struct JobReport;
class FormatEngine;
class QThread;
class SplitJob;
class WindowsStorageManager;

// What the merge job is asked to do: grow the source over the unallocated space after it, or
// delete the partition after it (the target) and grow the source over the freed space.
struct MergePartitionOptions
{
    int diskNumber = -1;
    int sourcePartitionNumber = 0;
    int targetPartitionNumber = -1; // -1 when merging unallocated space
    bool mergeUnallocated = false;
    QString sourceDriveLetter;      // "E", or empty
    QString targetDriveLetter;
    QString fileSystem;             // the source's
    qint64 sourceSizeBytes = 0;
    qint64 targetSizeBytes = 0;     // the target partition or the unallocated space
    qint64 newSizeBytes = 0;
    QString sourceVolumeLabel;
    QString targetVolumeLabel;
    QString notes;                  // not read by the job
    int timeoutSeconds = 300;       // checked between steps; below 1: no overall limit
    bool resizeFileSystem = true;
    bool validateBeforeMerge = true;
    bool mergeWithPartition = false;
};

// The face of the long disk jobs. Dialogs create one with no parent, move it to their thread,
// call its job slots and listen to its signals; it never touches a widget. Each job is a small
// class of its own in this folder, built from steps (steprunner.h) that fill a report; the
// worker only knows which job runs, forwards to it and lends it its signals.
//
// A job never calls a storage manager made on another thread: its WMI objects belong to that
// thread's COM apartment and fail here with RPC_E_WRONG_THREAD, and a blocking call onto the
// GUI thread would freeze the window for as long as the provider takes. Every storage call goes
// to the worker's own manager (storageaccess.h).
class DiskOperationWorker : public QObject
{
    Q_OBJECT

public:
    struct FormatOptions
    {
        QString partitionPath; // "E:" or a partition id such as "1:3"
        QString fileSystem;
        QString volumeLabel;
        int clusterSize = 0;   // bytes; 0 is the file system's default
        bool quickFormat = false;
        // The partition the user confirmed, checked against a fresh read before the format; a
        // record without a size is not checked.
        PartitionInfo confirmed = PartitionInfo();
    };

    // What getCurrentOperationName() names; the values are those callers have always seen.
    enum OperationKind { NoOperation = 0, MergeOperation = 1, DeleteOperation = 2, FormatOperation = 3 };

    explicit DiskOperationWorker(QObject *parent = nullptr);
    ~DiskOperationWorker() override;

    Q_INVOKABLE bool isOperationInProgress() const;
    Q_INVOKABLE QString getCurrentOperationName() const;
    Q_INVOKABLE int getCurrentProgress() const;

    // Asks m_thread to end and waits a bounded time for it; never waits on the calling thread
    // itself and never terminates it (a half-run diskpart is worse than a late end).
    void stopThread();
    // Replaces the worker's own storage manager with a fresh one created and initialised on the
    // calling (worker) thread. False when its WMI connection cannot be made.
    bool initWorkerStorageManager();
    // The worker's own storage manager, created on first use and reused afterwards; null when it
    // cannot be initialised.
    WindowsStorageManager *workerStorageManager();

    // The entry of the delete job, called directly on the caller's thread: refuses while a
    // deletion or split is pending or running, otherwise schedules executeDeletePartition on the
    // worker's thread and returns at once.
    void startDeletePartition(PartitionInfo options);
    // True from an accepted delete (or split) request until just before its result is emitted;
    // safe to read from any thread.
    bool isDeleting() const { return m_exclusiveJob.load(); }
    // Deletes the partition with a diskpart script; false on failure.
    bool deletePartitionWithDiskpart(PartitionInfo options);

    // Format steps (the format engine, formatjob.h). Each blocks the calling (worker) thread; a
    // failing step leaves its reason for the job's message.
    // One partition of a batch: finds its letter (waiting a while for one), formats by volume
    // with one retry, and falls back to the partition id.
    bool formatPartition(QString partitionId, QString fileSystem, QString label);
    // Why the last formatPartition failed, with the tool's own words; empty when unknown.
    QString lastFormatCause() const;
    // Routes by the form of options.partitionPath: "E:" or "disk:partition".
    bool executeStandardFormat(FormatOptions options);
    // `clusterSize` 0 leaves the allocation unit to the file system's default.
    bool formatUsingDiskpartByVolume(QString driveLetter, QString fileSystem, QString label, bool quickFormat,
                                     int clusterSize = 0);
    bool executeFormatWithDiskpart(FormatOptions options);
    bool formatByPartitionId(QString partitionId, QString fileSystem, QString label, qint64 sizeBytes);
    // The label as the file system can hold it; never contains a control character.
    static QString correctLabelForFileSystem(QString fileSystem, QString label);

    // FAT32 above 32 GiB, which diskpart refuses (largefat32.h).
    bool formatLargeFat32(FormatOptions options);
    qint64 getDriveTotalSize(QString path);
    bool dismountWithFsutil(QString drive);
    bool dismountWithDiskpart(QString drive);
    bool runFat32Format(QString drive, FormatOptions options);
    bool remountVolume(QString drive, qint64 expectedBytes = -1);
    bool isDriveAccessible(QString drive);

    // Resize job steps (resizejob.h). Each blocks the calling (worker) thread.
    bool convertFat32ToNtfs(QString partitionId);
    bool resizePartitionInThread(QString partitionId, qint64 newSizeBytes);
    QString detectFileSystemInWorker(QString partitionId);
    bool formatUsingDiskpart(QString partitionId);

    // The merge job (mergejob.h): runs to its end on the calling (worker) thread and reports
    // that end exactly once through mergePartitionFinished and uiMergeCompleted.
    void startMergePartition(const MergePartitionOptions &options);
    // False for the file systems Windows cannot grow in place (FAT, FAT32, exFAT).
    static bool canExtendFileSystem(const QString &fileSystem);

    // Set by some creators before the thread starts; the jobs never call it (see above).
    WindowsStorageManager *m_storageManager = nullptr; // not owned
    QThread *m_thread = nullptr;                       // not owned

    // For the jobs: the stop request of the running job (any thread may set it), and the
    // operation the queries report.
    const std::atomic<bool> &stopRequest() const { return m_stopRequested; }
    void setCurrentOperation(OperationKind kind, int progress);
    void setCurrentProgress(int percent) { m_currentProgress = percent; }
    // Ends the operation `kind` if it is the current one; false when it was not.
    bool endCurrentOperation(OperationKind kind);
    // The end of a job: clears the stop request, so a cancel never reaches the next job.
    void jobEnded();
    // Traces a job's report and sends it out through jobReported.
    void publishReport(const JobReport &report);
    // A delete or split holds the worker from its accepted request until just before its result.
    void releaseExclusiveJob() { m_exclusiveJob = false; }

public slots:
    // Traces only: the dialogs call them by name.
    void initialize();
    void cleanup();
    // The format dialog's job: reports through operationProgress and operationCompleted.
    void formatPartitionAsync(FormatOptions options);
    // The resize dialog's job: converts a FAT32 partition to NTFS first (its contents are lost),
    // then resizes. Reports through operationProgress and operationCompleted.
    void resizePartitionCompleteAsync(QString partitionId, qlonglong newSizeBytes);
    // The same for the record the user confirmed: the job compares it with a fresh read first.
    void resizeConfirmedPartitionAsync(PartitionInfo confirmed, qlonglong newSizeBytes);
    // Formats a partition (a drive letter or a partition id) as NTFS; a partition id that is
    // NTFS already is left alone. Reports through operationProgress and operationCompleted.
    void formatPartitionToNTFSAsync(QString partitionId);
    // Safe from any thread: the running job stops before its next step.
    void cancelOperation();
    void executeDeletePartition(PartitionInfo options);
    // Safe from any thread: the running merge stops before its next step (a running script is
    // never killed), gives back the letters it took and reports "The user canceled the merge
    // operation", with what it had already changed.
    void cancelMergeOperation();

    // Creates the requested partitions one after another, letters them, then formats those that
    // ask for it. A request's offsetBytes places it; a request without one that follows a placed
    // partition goes right after it. Ends once through partitionCreationCompleted.
    void startBatchCreateAndFormat(QList<PartitionCreateRequest> requests, int diskIndex);

    // The split job (splitjob.h): refuses while a delete or split runs on this worker, else
    // schedules the split on the worker's thread and returns. Ends once through
    // splitPartitionFinished.
    void startSplitPartition(SplitPartitionOptions options);
    // The split's creation step ended; connected for that step only.
    void onSplitCreateFinished(bool success, QString message);
    // Safe from any thread: the split stops before its next step (the shrink or the creation).
    // A step already running is finished first, since neither can be stopped half-way.
    void cancelSplitOperation();
    // The small jobs (volumejob.h), run on the caller's (worker) thread; each ends once through
    // volumeJobFinished. `partitionStyle` 1 is MBR, 2 GPT; an empty letter or label removes it.
    void initializeDiskAsync(int diskNumber, int partitionStyle);
    void changeDriveLetterAsync(PartitionInfo confirmed, QString letter);
    void renameVolumeAsync(PartitionInfo confirmed, QString label);
    void startBatchFormat(QList<FormatOptions> optionsList);
    void processNextFormatTask();
    void onSingleFormatFinished(bool success, QString message);

signals:
    void splitPartitionProgress(QString step, int percentage);
    void splitPartitionStatusChanged(QString status);
    void splitPartitionFinished(bool success, QString message);
    void splitPartitionCompleted(bool success, QString message);
    void partitionCreationProgress(int percentage, QString message);
    void partitionCreationCompleted(bool success, QString message);
    void operationStatusChanged(QString status);
    void needRefreshUI();
    void operationProgress(int percent);
    void operationCompleted(bool success, QString message);
    void batchFormatProgress(int currentIndex, int total, int currentProgress);
    void batchFormatFinished(bool success, QString message);
    void deletePartitionProgress(QString step, int percentage);
    void deletePartitionFinished(bool success, QString errorMessage);
    void deletePartitionStatusChanged(QString status);
    void doDeletePartition(PartitionInfo options);
    void mergePartitionProgress(QString step, int percentage);
    void mergePartitionStatusChanged(QString status);
    void mergePartitionFinished(bool success, QString errorMessage);
    void uiMergeProgressChanged(int percent);
    void uiMergeStatusChanged(QString status);
    void uiMergeCompleted(bool success, QString message);
    void uiMergeErrorOccurred(QString error);
    // Added last, so the older signals keep their indices. The tool's full transcript of a failed
    // deletion, emitted just before its result.
    void deletePartitionDetails(QString transcript);
    // What a job (or a sequence inside one) did, step by step, as JobReport::trace() writes it;
    // emitted just before the job's end.
    void jobReported(QString report);
    // The end of a small job (initialise, drive letter, label): what was done, or why not and
    // what state the disk is in.
    void volumeJobFinished(bool success, QString message);

private slots:
    void onBatchFormatFinished(bool success, QString message);

private:
    void deleteWorkerStorageManager();

    // Owned, lives on the worker thread. Atomic because the thread's end releases it there while
    // the worker itself may be destroyed on another thread.
    std::atomic<WindowsStorageManager *> m_workerStorageManager{nullptr};
    // Which job runs, for the queries any thread may make.
    std::atomic<int> m_currentOperation{NoOperation};
    std::atomic<int> m_currentProgress{0};
    // Set by any cancel slot, from any thread; read by the running job between its steps.
    std::atomic<bool> m_stopRequested{false};
    // A delete or split is scheduled or running; set on the caller's thread by their starts.
    std::atomic<bool> m_exclusiveJob{false};

    // The jobs that outlive one call: their slots above reach them here. Worker thread only.
    std::unique_ptr<FormatEngine> m_format;
    std::unique_ptr<BatchJob> m_batch;
    SplitJob *m_split = nullptr; // while a split runs
};

Q_DECLARE_METATYPE(DiskOperationWorker::FormatOptions)
