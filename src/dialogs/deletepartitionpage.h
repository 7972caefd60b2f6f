#pragma once

#include "common/records.h"
#include "jobquestion.h"

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <memory>


class DiskOperationWorker;
class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

// Deletes one partition: shows what will go, asks a last time, and lets a worker on a thread of
// the dialog's own run the deletion while a ring shows its progress. The worker and its thread
// live as long as the dialog, so a failed deletion can be tried again; when the dialog goes away
// during a deletion they stay until it ends, and release themselves then.
class DeletePartitionPage : public QDialog
{
    Q_OBJECT

public:
    explicit DeletePartitionPage(const PartitionInfo &partition, QWidget *parent = nullptr);
    ~DeletePartitionPage() override;

    // "disk:partition", followed by " (E:)" when the partition has a letter.
    static QString displayName(const PartitionInfo &partition);
    // The 120 × 120 ring for a percentage: grey track, an arc clockwise from the top (blue below
    // 30, green from 30 on) and the percentage in the centre.
    static QPixmap drawProgressRing(int percentage);

    bool isRunning() const { return m_running; }
    // Its worker, for whoever follows the job beyond the dialog's life.
    DiskOperationWorker *worker() const { return m_worker; }

    // While a deletion runs, Cancel, Escape and the window's close button all ask first: a
    // started deletion is not stopped, only left to finish while the window goes away.
    void reject() override;

signals:
    // The deletion was confirmed and handed to the worker; its end comes as the worker's
    // deletePartitionFinished.
    void deleteStarted();

public slots:
    void onDeleteButtonClicked();
    void onCancelButtonClicked();
    void onDeletePartitionProgress(const QString &step, int percentage);
    void onDeletePartitionFinished(bool success, const QString &errorMessage);
    void onDeletePartitionStatusChanged(const QString &status);
    void onDeletePartitionDetails(const QString &transcript);

private:
    void setupUi();
    QString details() const;
    void setRunning(bool running);
    void setRing(int percentage);
    void setStatus(const QString &text, const QString &style);
    // Refuses partitions the running system needs and warns for other special ones; true when
    // the user may go on to the final confirmation.
    bool passesGuard();
    // The question asked before the window goes away during a deletion; true to let it go.
    bool confirmLeavingWhileRunning();
    void showResult(bool success, const QString &errorMessage);
    // The deletion's end, once no question is open.
    void endDeletion(bool success, const QString &errorMessage);

    PartitionInfo m_partition;
    QString m_partitionId;
    DiskOperationWorker *m_worker = nullptr; // no parent; deleted when its thread ends
    QThread *m_workerThread = nullptr;       // child of the dialog
    bool m_running = false;
    JobQuestion m_question;    // whether to leave while the deletion runs
    QString m_details;         // the failed run's transcript, behind the box's details
    std::shared_ptr<QString> m_report = std::make_shared<QString>(); // the job's steps, before it

    QLabel *m_headerLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_subLabel = nullptr;
    QLabel *m_ringLabel = nullptr;
    QLabel *m_percentageLabel = nullptr;
    QLabel *m_driveLetterValue = nullptr;
    QLabel *m_fileSystemValue = nullptr;
    QLabel *m_volumeLabelValue = nullptr;
    QLabel *m_partitionSizeValue = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_confirmButton = nullptr;
};
