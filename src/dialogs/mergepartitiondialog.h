#pragma once

#include "common/records.h"
#include "worker/diskoperationworker.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>

class QHBoxLayout;
class QLabel;
class QProgressDialog;
class QPushButton;
class QThread;

// Merges a partition (the source) with what lies to its right (the target): the next partition,
// which is deleted, or the unallocated space there. Shows the layout before and after, asks
// before a partition is deleted, and runs the merge on a thread of its own for each attempt.
class MergePartitionDialog : public QDialog
{
    Q_OBJECT

public:
    MergePartitionDialog(const PartitionInfo &source, const PartitionInfo &target, bool unallocatedMode,
                         QWidget *parent = nullptr);
    ~MergePartitionDialog() override;

    bool isRunning() const { return m_running; }

    // "E: Data\n10.0 GB": letter, a blank and the label when there is one, then the size.
    static QString partitionText(const PartitionInfo &partition);

public slots:
    void onMergeButtonClicked();
    void onWorkerProgress(const QString &step, int percentage);
    void onWorkerStatus(const QString &status);
    void onWorkerFinished(bool success, const QString &message);

signals:
    // A merge job is about to start on `worker`: whoever needs its end (also after this dialog
    // is gone) connects to it here. Emitted before the job can report anything.
    void mergeStarted(DiskOperationWorker *worker);

private:
    void setupUi();
    void fillPreview();
    // Why this merge may not run at all, or empty.
    QString refusalReason() const;
    // Warnings about special partitions the merge touches, or empty.
    QString guardWarnings() const;
    // Quits the job's thread after its end; a job still running is left to finish on its own.
    void releaseThread();

    PartitionInfo m_source;
    PartitionInfo m_target;
    bool m_unallocatedMode = false;
    QThread *m_workerThread = nullptr;         // child of the dialog while a merge runs
    DiskOperationWorker *m_worker = nullptr;   // owned while a merge runs
    std::shared_ptr<QString> m_report = std::make_shared<QString>(); // what the running or last job reported, behind its end box's details
    std::shared_ptr<bool> m_handedOff;         // the running thread releases itself and its worker
    QPointer<QProgressDialog> m_progressDialog;
    bool m_running = false;

    QHBoxLayout *m_beforeRow = nullptr;
    QLabel *m_currentG = nullptr;
    QLabel *m_currentH = nullptr;
    QLabel *m_currentUnallocated = nullptr;
    QLabel *m_afterG = nullptr;
    QLabel *m_afterH = nullptr;
    QLabel *m_infoTitle = nullptr;
    QLabel *m_infoDetails = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_mergeButton = nullptr;
};
