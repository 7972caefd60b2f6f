// The Merge action: the selected partition and its right-hand neighbour, merged by the merge
// dialog; the tree is read afresh whenever a merge job ends, and a result that arrives after the
// dialog has gone is shown by the window.
#include "mainwindow.h"

#include "common/driveletter.h"
#include "common/mergeneighbour.h"
#include "dialogs/jobend.h"
#include "dialogs/mergepartitiondialog.h"
#include "storage/windowsstoragemanager.h"
#include "ui_mainwindow.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QMessageBox>
#include <QPointer>

void MainWindow::onMergePartition()
{
    qDebug() << "[MainWindow] 用户点击了Merge分区按钮";
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent()) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a partition to merge."));
        return;
    }
    const PartitionInfo selected = item->data(0, Qt::UserRole + 1).value<PartitionInfo>();
    if (selected.isUnallocated) {
        QMessageBox::information(this, tr("Cannot Merge"),
                                 tr("Cannot merge unallocated space. Please select a partition."));
        return;
    }
    const QString diskId = item->parent()->data(0, Qt::UserRole).toString();
    if (diskId.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Failed to get disk ID."));
        return;
    }

    // The full list, with the small gaps the tree leaves out: such a gap is the neighbour too.
    const QList<PartitionInfo> records = m_storageManager ? m_storageManager->getPartitions(diskId)
                                                          : QList<PartitionInfo>();
    const MergeNeighbour found = mergeNeighbour(records, selected.partitionNumber);
    if (!found.source || !isSamePartition(selected, *found.source)) {
        QMessageBox::warning(this, tr("Cannot merge"), layoutChangedText());
        refreshAfterOperation();
        return;
    }
    if (!found.record) {
        QMessageBox::information(this, tr("Cannot merge"), found.refusal);
        return;
    }
    const PartitionInfo neighbour = *found.record;

    auto *dialog = new MergePartitionDialog(*found.source, neighbour, neighbour.isUnallocated, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    QPointer<MergePartitionDialog> open(dialog);
    const QString operation = tr("Merge into partition %1").arg(driveletter::driveOrId(selected));
    connect(dialog, &MergePartitionDialog::mergeStarted, this, [this, open, selected, operation](DiskOperationWorker *worker) {
        trackJob(selected.diskIndex, operation, worker, &DiskOperationWorker::mergePartitionFinished);
        const std::shared_ptr<QString> details = jobend::collect(worker, this);
        connect(worker, &DiskOperationWorker::mergePartitionFinished, this, [this, open, details](bool success, const QString &message) {
            // Every end may have changed the layout (a failed merge can leave the neighbour deleted).
            refreshAfterOperation();
            if (open)
                return; // the dialog shows the result itself
            jobend::show(this, success, success ? tr("Merger Success") : tr("Merge failed"),
                         success ? message : tr("Partition merge operation failed:\n\n%1").arg(message), *details);
        });
    });
    dialog->show();
}
