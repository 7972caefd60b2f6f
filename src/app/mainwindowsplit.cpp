// The Split action: the selected lettered partition, divided by the split dialog; the window
// follows the split job to its end, so the tree is read afresh and a late result is shown.
#include "mainwindow.h"

#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "dialogs/splitpartitiondialog.h"
#include "ui_mainwindow.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QMessageBox>

void MainWindow::onSplitPartition()
{
    qDebug() << "[MainWindow] 用户点击了Split分区按钮";
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent()) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a partition to split."));
        return;
    }
    const PartitionInfo selected = item->data(0, Qt::UserRole + 1).value<PartitionInfo>();
    qDebug() << "Split:" << selected.devicePath << selected.driveLetter << selected.sizeBytes << selected.isUnallocated;
    if (selected.isUnallocated) {
        QMessageBox::information(this, tr("Cannot Split"), tr("Cannot split unallocated space. Please select a partition."));
        return;
    }
    if (selected.devicePath.isEmpty() && selected.driveLetter.isEmpty()) {
        QMessageBox::warning(this, tr("Error"), tr("Failed to get partition information."));
        return;
    }
    if (selected.sizeBytes < 209715200) {
        QMessageBox::warning(this, tr("Cannot Split"),
                             tr("Partition is too small to split. Minimum size required: 200 MB."));
        return;
    }
    // C: and the partitions the running system starts from are refused before any question; the
    // split job refuses the other partitions it cannot shrink before it changes anything.
    if (isRefusedPartition(selected)) {
        QMessageBox::warning(this, tr("Cannot Split"), partitionGuardText(selected));
        return;
    }

    auto *dialog = new SplitPartitionDialog(selected, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setStorageManager(m_storageManager);
    const QString operation = tr("Split of partition %1").arg(driveletter::driveOrId(selected));
    connect(dialog, &SplitPartitionDialog::splitStarted, this, [this, dialog, selected, operation](DiskOperationWorker *worker) {
        followJob(dialog, worker, &DiskOperationWorker::splitPartitionFinished, operation);
        trackJob(selected.diskIndex, operation, worker, &DiskOperationWorker::splitPartitionFinished);
    });
    qDebug() << "SplitPartitionDialog 已设置存储管理器";
    dialog->show();
}
