#pragma once

#include "common/records.h"

#include <QDeadlineTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QProcess>
#include <QString>

#include <atomic>
#include <optional>

class QThread;
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
    QString notes;                  // not read by the job
    int timeoutSeconds = 300;       // below 1: no overall limit, 60 s per script
    bool resizeFileSystem = true;
    bool validateBeforeMerge = true;
    bool mergeWithPartition = false;
};

// Runs the long disk jobs on a thread of its own. Dialogs create one with no parent, move it to
// their thread and listen to its signals; it never touches a widget. Each job lives in its own
// source file of this folder.
//
// A job never calls a storage manager made on another thread directly: its WMI objects belong
// to that thread's COM apartment and fail here with RPC_E_WRONG_THREAD. It uses its own manager
// (workerStorageManager) or crossthread::invokeBlocking onto the manager's thread.
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
    };

    enum OperationKind { NoOperation = 0, MergeOperation = 1, DeleteOperation = 2, FormatOperation = 3 };

    explicit DiskOperationWorker(QObject *parent = nullptr);
    ~DiskOperationWorker() override;

    Q_INVOKABLE bool isOperationInProgress() const;
    Q_INVOKABLE QString getCurrentOperationName() const;
    Q_INVOKABLE int getCurrentProgress() const;

    // Asks m_thread to end: quit, a bounded wait, then termination. Never waits on the
    // calling thread itself.
    void stopThread();
    // Replaces the worker's own storage manager with a fresh one created and initialised on the
    // calling (worker) thread. False when its WMI connection cannot be made.
    bool initWorkerStorageManager();
    // The worker's own storage manager, created on first use and reused afterwards; null when it
    // cannot be initialised.
    WindowsStorageManager *workerStorageManager();

    // The entry of the delete job, called directly on the caller's thread: refuses while a
    // deletion is pending or running, otherwise schedules executeDeletePartition on the
    // worker's thread and returns at once.
    void startDeletePartition(PartitionInfo options);
    // True from an accepted delete request until just before its result is emitted; safe to
    // read from any thread.
    bool isDeleting() const { return m_isDeleting.load(); }
    // Deletes the partition with a diskpart script; false with m_deleteError set on failure.
    bool deletePartitionWithDiskpart(PartitionInfo options);

    // Format steps. Each blocks the calling (worker) thread; a failing step leaves its reason
    // in m_lastError.
    // One partition of a batch: finds its letter (waiting a while for one), formats by volume
    // with one retry, and falls back to the partition id.
    bool formatPartition(QString partitionId, QString fileSystem, QString label);
    // Routes by the form of options.partitionPath: "E:" or "disk:partition".
    bool executeStandardFormat(FormatOptions options);
    // `clusterSize` 0 leaves the allocation unit to the file system's default.
    bool formatUsingDiskpartByVolume(QString driveLetter, QString fileSystem, QString label, bool quickFormat,
                                     int clusterSize = 0);
    bool executeFormatWithDiskpart(FormatOptions options);
    bool formatByPartitionId(QString partitionId, QString fileSystem, QString label, qint64 sizeBytes);
    // The label as the file system can hold it; never contains a control character.
    static QString correctLabelForFileSystem(QString fileSystem, QString label);

    // FAT32 above 32 GiB, which diskpart refuses: the outside formatter between a dismount and
    // a check that the volume still has its letter.
    bool formatLargeFat32(FormatOptions options);
    // Bytes of a lettered volume; a partition id counts as large. -1 when unknown.
    qint64 getDriveTotalSize(QString path);
    bool dismountWithFsutil(QString drive);
    bool dismountWithDiskpart(QString drive);
    bool runFat32Format(QString drive, FormatOptions options);
    // Makes sure `drive` names the volume again. expectedBytes, when known, lets a volume that
    // lost its letter be recognised by its size.
    bool remountVolume(QString drive, qint64 expectedBytes = -1);
    bool isDriveAccessible(QString drive);

    // Resize job steps (resizejob.cpp). Each blocks the calling (worker) thread.
    // Formats a FAT32 partition (given by id) as NTFS and checks that it reads NTFS afterwards.
    bool convertFat32ToNtfs(QString partitionId);
    // The storage layer's resize, through the creator's manager on its own thread or through the
    // worker's own manager.
    bool resizePartitionInThread(QString partitionId, qint64 newSizeBytes);
    // The partition's file system, or empty when it cannot be found.
    QString detectFileSystemInWorker(QString partitionId);
    // The NTFS conversion script by disk and partition.
    bool formatUsingDiskpart(QString partitionId);

    // The merge job: runs to its end on the calling (worker) thread and reports that end exactly
    // once through mergePartitionFinished and uiMergeCompleted.
    void startMergePartition(const MergePartitionOptions &options);
    // Sizes as the merge texts show them: "1.5 GB", "60.0 MB", "512 B".
    static QString mergeSizeText(qint64 bytes);
    // False for the file systems Windows cannot grow in place (FAT, FAT32, exFAT).
    static bool canExtendFileSystem(const QString &fileSystem);

    // Set by the creator before the thread starts; read on the worker's thread afterwards.
    WindowsStorageManager *m_storageManager = nullptr; // not owned
    QThread *m_thread = nullptr;                       // not owned

public slots:
    void initialize();
    void cleanup();
    // The format dialog's job: reports through operationProgress and operationCompleted.
    void formatPartitionAsync(FormatOptions options);
    // The resize dialog's job: converts a FAT32 partition to NTFS first (its contents are lost),
    // then resizes. Reports through operationProgress and operationCompleted.
    void resizePartitionCompleteAsync(QString partitionId, qlonglong newSizeBytes);
    // Formats a partition (a drive letter or a partition id) as NTFS; a partition id that is
    // NTFS already is left alone. Reports through operationProgress and operationCompleted.
    void formatPartitionToNTFSAsync(QString partitionId);
    void cancelOperation();
    void executeDeletePartition(PartitionInfo options);
    // Safe from any thread: the running merge stops at its next check, or within a few
    // milliseconds when diskpart is running (the job kills it), gives back the letters it took
    // and reports "The user canceled the merge operation".
    void cancelMergeOperation();

    // Creates the requested partitions one after another, letters them, then formats those that
    // ask for it. A request's offsetBytes places it; a request without one that follows a placed
    // partition goes right after it. Ends once through partitionCreationCompleted.
    void startBatchCreateAndFormat(QList<PartitionCreateRequest> requests, int diskIndex);

    // The split job (splitjob.cpp): refuses while a delete or split runs on this worker, else
    // schedules the split on the worker's thread and returns. Ends once through
    // splitPartitionFinished.
    void startSplitPartition(SplitPartitionOptions options);
    // The split's creation step ended; connected for that step only.
    void onSplitCreateFinished(bool success, QString message);
    // Safe from any thread: the split stops before its next step (the shrink or the creation).
    // A step already running is finished first, since neither can be stopped half-way.
    void cancelSplitOperation();
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

private slots:
    void onBatchFormatFinished(bool success, QString message);
    void onOperationTimeout();
    void onProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void onProcessError(QProcess::ProcessError error);

private:
    void deleteWorkerStorageManager();

    // Merge job steps (mergejob.cpp).
    enum class MergeScriptKind { Step, Cleanup };
    bool runMergeSteps(QString *successMessage);
    bool validateMerge();
    bool mergeStopRequested();
    void mergeProgress(const QString &step, int percentage, const QString &status);
    bool runMergeScript(const QStringList &lines, MergeScriptKind kind);
    QStringList partitionScript(int partitionNumber, const QString &command) const;
    void mergePause(int nominalMs);
    void assignSourceLetter();
    void restoreMergeLetters();
    void noteMergeFailure(const QString &text);
    void noteMergeCancelled();
    void reportMergeEnd(bool success, const QString &message);

    // Split job steps (splitjob.cpp).
    void executeSplit();
    bool validateSplit(QString *text) const;
    QString splitRefusal();
    bool runSplitCore();
    bool splitStopRequested();
    bool refreshPartitionTableForSplit(int diskNumber);
    std::optional<PartitionInfo> readPartitionForSplit(const QString &partitionId);
    QString splitSuccessMessage() const;
    void reportSplitEnd(bool success, const QString &message);

    bool m_isCreateAndFormatMode = false;
    PartitionInfo m_currentPartition;
    QString m_currentStatus;
    QString m_deleteError;
    QString m_deleteDetails;
    // Read and set by startDeletePartition on the caller's thread as well as by the jobs.
    std::atomic<bool> m_isDeleting{false};
    QList<FormatOptions> m_formatQueue;
    int m_totalFormatTasks = 0;
    int m_succeededFormatTasks = 0;
    QString m_batchErrors;
    bool m_isBatchFormatting = false;
    std::atomic<bool> m_cancelRequested{false};
    QString m_lastError;
    // Owned, lives on the worker thread. Atomic because the thread's end releases it there while
    // the worker itself may be destroyed on another thread.
    std::atomic<WindowsStorageManager *> m_workerStorageManager{nullptr};
    // Written by the merge job, read (and reset by its cancel) from the dialog's thread.
    std::atomic<int> m_currentOperation{NoOperation};
    std::atomic<int> m_currentProgress{0};

    // Merge job state; only the cancel flag is touched from other threads.
    MergePartitionOptions m_mergeOptions;
    std::atomic<bool> m_mergeCancelRequested{false};
    QProcess *m_mergeProcess = nullptr; // child of the worker, replaced for every script
    QDeadlineTimer m_mergeDeadline;     // the overall time limit
    QString m_mergeFailure;             // the first reason the job is failing, if any
    QString m_scriptProcessError;       // the process error text of the script running now
    bool m_sourceLetterRemoved = false;
    bool m_targetLetterRemoved = false;
    bool m_targetDeleted = false;

    // Split job state; only the cancel flag is touched from other threads.
    SplitPartitionOptions m_splitOptions;
    bool m_splitCreated = false;
    QString m_splitError;
    std::atomic<bool> m_splitCancelRequested{false};
};

Q_DECLARE_METATYPE(DiskOperationWorker::FormatOptions)
