// The small jobs beside the six operations: initialising a RAW disk, changing a drive letter,
// renaming a volume. A dialog asks; the job runs on a thread of its own, listed as running on its
// disk until it has ended; its end refreshes the tree and is shown here.
#include "mainwindow.h"

#include "dialogs/jobend.h"
#include "dialogs/volumedialogs.h"
#include "storage/windowsstoragemanager.h"
#include "ui_mainwindow.h"
#include "worker/diskoperationworker.h"
#include "worker/volumejob.h"

#include "common/driveletter.h"
#include "platform/platform.h"

#include <QMessageBox>
#include <QPointer>
#include <QThread>

void MainWindow::startVolumeJob(int disk, const QString &operation, std::function<void(DiskOperationWorker *)> start)
{
    // Neither has a parent: both go when the thread ends, which the window waits for on close.
    auto *thread = new QThread;
    auto *worker = new DiskOperationWorker;
    worker->moveToThread(thread);
    // Direct: the job runs inside the thread's start, and its end lets the thread go.
    connect(thread, &QThread::started, worker, [worker, start] { start(worker); }, Qt::DirectConnection);
    connect(worker, &DiskOperationWorker::volumeJobFinished, thread, [thread] { thread->quit(); },
            Qt::DirectConnection);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    trackJob(disk, operation, worker, &DiskOperationWorker::volumeJobFinished);
    // The job's own words are the result: they say what changed, or why nothing did.
    const std::shared_ptr<QString> details = jobend::collect(worker, this);
    connect(worker, &DiskOperationWorker::volumeJobFinished, this, [this, operation, details](bool success, const QString &message) {
        onJobFinished(operation, success, message, true, *details);
        jobend::show(this, success, success ? tr("Operation completed") : tr("Operation failed"),
                     success ? message : tr("%1 failed:\n%2").arg(operation, message), *details);
    }, Qt::QueuedConnection);
    thread->start();
}

void MainWindow::onInitializeDisk()
{
    const int disk = selectedDisk();
    QVariantMap row;
    if (m_storageManager)
        for (const QVariantMap &d : m_storageManager->getDisks())
            if (d.value(DiskKey::Id).toString() == QString::number(disk))
                row = d;
    if (row.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a disk to initialise."));
        return;
    }
    if (row.value(DiskKey::PartitionStyle).toInt() != 0) {
        QMessageBox::information(this, tr("Initialize Disk"),
                                 tr("Disk %1 is already initialised. Only a new, uninitialised (RAW) disk can be "
                                    "initialised; this one keeps its partitions.")
                                     .arg(disk));
        return;
    }
    InitializeDiskDialog dialog(disk, row.value(DiskKey::Name).toString(), row.value(DiskKey::Size).toLongLong(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int style = dialog.partitionStyle();
    startVolumeJob(disk, tr("Initialisation of disk %1").arg(disk),
                   [disk, style](DiskOperationWorker *worker) { worker->initializeDiskAsync(disk, style); });
}

void MainWindow::onChangeDriveLetter()
{
    const PartitionInfo partition = getSelectedPartition();
    const QString refusal = partition.id.isEmpty() ? tr("Please select a partition.") : VolumeJob::letterRefusal(partition);
    if (!refusal.isEmpty()) {
        QMessageBox::information(this, tr("Change Drive Letter"), refusal);
        return;
    }
    QStringList used;
    for (const std::wstring &root : platform::current().mountedDriveRoots())
        used << QString::fromStdWString(root);
    DriveLetterDialog dialog(partition, driveletter::freeLetters(used), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString letter = dialog.letter();
    startVolumeJob(partition.diskIndex, tr("Drive letter of %1").arg(partitionName(partition)),
                   [partition, letter](DiskOperationWorker *worker) { worker->changeDriveLetterAsync(partition, letter); });
}

void MainWindow::onRenameVolume()
{
    const PartitionInfo partition = getSelectedPartition();
    const QString refusal = partition.id.isEmpty() ? tr("Please select a partition.") : VolumeJob::renameRefusal(partition);
    if (!refusal.isEmpty()) {
        QMessageBox::information(this, tr("Rename Volume"), refusal);
        return;
    }
    VolumeLabelDialog dialog(partition, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString label = dialog.label();
    startVolumeJob(partition.diskIndex, tr("Renaming of %1").arg(partitionName(partition)),
                   [partition, label](DiskOperationWorker *worker) { worker->renameVolumeAsync(partition, label); });
}
