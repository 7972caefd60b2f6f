// The Resize/Move action: the selected partition's size and the free space right after it,
// handed to the resize dialog; the tree is read afresh when a resize job ends, and a result that
// arrives after the dialog has gone is shown by the window.
#include "mainwindow.h"

#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "dialogs/jobend.h"
#include "dialogs/resizedialog.h"
#include "storage/windowsstoragemanager.h"
#include "ui_mainwindow.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace {

constexpr qint64 MiB = 1048576;

// The names and texts by which a row reads as a partition the system may need.
bool looksLikeSystemPartition(const PartitionInfo &p)
{
    return p.name.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0
           || p.name.contains(QLatin1String("C:"), Qt::CaseInsensitive)
           || p.name.contains(QLatin1String("System"), Qt::CaseInsensitive)
           || p.fileSystem.contains(QLatin1String("EFI"), Qt::CaseInsensitive)
           || p.status.contains(QLatin1String("System"), Qt::CaseInsensitive);
}

} // namespace

void MainWindow::onResizePartition()
{
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a partition to resize."));
        return;
    }
    if (!item->parent()) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a partition, not a disk."));
        return;
    }
    // The stored record keeps what the provider said about the partition (system, boot, type);
    // the row's texts are what the user sees.
    PartitionInfo partition = item->data(0, Qt::UserRole + 1).value<PartitionInfo>();
    if (partition.isUnallocated) {
        QMessageBox::information(this, tr("Cannot Resize"), tr("Cannot resize unallocated space. Please select a partition."));
        return;
    }
    partition.name = item->text(0);
    partition.sizeStr = item->text(2);
    partition.fileSystem = item->text(1);
    partition.status = item->text(4);
    const QString id = partition.id;
    qDebug() << "Resize of" << id << partition.name << partition.fileSystem;

    // The record's bytes: the row's text is rounded to two decimals, terabytes off by gigabytes.
    const qint64 currentSizeMB = partition.sizeBytes / MiB;
    if (currentSizeMB < 1) {
        QMessageBox::critical(this, tr("Error"), tr("Failed to parse partition size: %1").arg(partition.sizeStr));
        return;
    }
    qDebug() << "Current partition size:" << currentSizeMB << "MB";

    const PartitionGuard guard = partitionGuard(partition);
    if (guard == PartitionGuard::RunningSystem) {
        QMessageBox::critical(this, tr("Cannot Resize"),
                              tr("%1\n\nNothing has been changed.").arg(partitionGuardText(partition)));
        return;
    }
    if (guard != PartitionGuard::None) {
        if (QMessageBox::warning(this, tr("Special Partition"),
                                 tr("%1\n\nResize it anyway?").arg(partitionGuardText(partition)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return;
    } else if (looksLikeSystemPartition(partition)) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, tr("System Partition Warning"),
            tr("⚠️ WARNING: System Partition Resize ⚠️\n\n"
               "You are about to resize a system partition (%1).\n\n"
               "This operation carries significant risks:\n"
               "• May affect system boot capability\n"
               "• Could cause system instability\n"
               "• May prevent Windows from starting\n\n"
               "STRONGLY RECOMMENDED before proceeding:\n"
               "• Create a complete system backup\n"
               "• Create a Windows recovery disk\n"
               "• Close all running applications\n"
               "• Ensure UPS power protection\n\n"
               "Do you understand the risks and want to continue?")
                .arg(partition.name),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }

    showLoading(tr("Analyzing disk layout..."));
    // The room as the job will check it: for a logical drive, the free space inside its extended
    // partition, which the tree does not list.
    const qint64 maximum = m_storageManager ? m_storageManager->getPartitionMaximumSize(id) : 0;
    // Below this the provider refuses: the file system's bytes in use and structures.
    const qint64 minimum = m_storageManager ? m_storageManager->getPartitionMinimumSize(id) : 0;
    hideLoading();
    if (maximum <= 0) {
        QMessageBox::critical(this, tr("Error"), tr("Failed to retrieve partition information for disk %1.").arg(partition.diskIndex));
        return;
    }
    const qint64 adjacentMB = std::max<qint64>(0, maximum - partition.sizeBytes) / MiB;
    qDebug() << "Room after the partition:" << adjacentMB << "MB";

    if (adjacentMB < 1) {
        qDebug() << "No unallocated space available, allowing shrink-only operation";
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, tr("No Expansion Space Available"),
            tr("There is no unallocated space immediately following this partition.\n\n"
               "Partition: %1\nCurrent size: %2\nAdjacent unallocated space: %3 MB\n\n"
               "You can only shrink this partition. Do you want to continue with shrink-only mode?\n\n")
                .arg(partition.name.isEmpty() ? id : partition.name, partition.sizeStr)
                .arg(adjacentMB),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    } else {
        qDebug() << "Found" << adjacentMB << "MB unallocated space, allowing both expand and shrink";
    }

    qDebug() << "Creating resize dialog...";
    auto *dialog = new ResizeDialog(currentSizeMB, currentSizeMB + adjacentMB, this);
    connect(dialog, &ResizeDialog::partitionResized, this, &MainWindow::onResizeFinished);
    QPointer<ResizeDialog> open(dialog);
    const QString operation = tr("Resize of partition %1").arg(driveletter::driveOrId(partition));
    connect(dialog, &ResizeDialog::resizeStarted, this, [this, open, partition, operation](DiskOperationWorker *worker) {
        trackJob(partition.diskIndex, operation, worker, &DiskOperationWorker::operationCompleted);
        // The dialog's own connection comes first: a dialog still showing has the result in hand,
        // and its success refreshes through partitionResized. Every other end refreshes here, and
        // a result the dialog can no longer show is shown by the window.
        const std::shared_ptr<QString> details = jobend::collect(worker, this);
        connect(worker, &DiskOperationWorker::operationCompleted, this,
                [this, open, operation, details](bool success, const QString &message) {
                    const bool shown = open && open->isVisible();
                    if (success && shown)
                        return;
                    onJobFinished(operation, success, message, shown, *details);
                },
                Qt::QueuedConnection);
    });
    dialog->setPartitionInfo(partition, currentSizeMB, adjacentMB, (minimum + MiB - 1) / MiB);
    dialog->exec();
    delete dialog;
}
