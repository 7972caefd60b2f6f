// The New action: plans and creates partitions in the selected unallocated region through the
// create dialog; the tree is read afresh when the job ends and again when the dialog reports it.
#include "mainwindow.h"

#include "dialogs/diskpartitionpage.h"
#include "ui_mainwindow.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QMessageBox>

void MainWindow::onCreatePartition()
{
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item) {
        QMessageBox::information(this, tr("No Selection"), tr("Please select an unallocated space to create a new partition."));
        return;
    }
    // The row's record names the region exactly: where it starts and its size to the byte.
    const PartitionInfo region = item->data(0, Qt::UserRole + 1).value<PartitionInfo>();
    if (!region.isUnallocated) {
        QMessageBox::warning(this, tr("Invalid Selection"),
                             tr("You can only create new partitions in unallocated space.\n"
                                "Please select an unallocated space entry."));
        return;
    }

    QTreeWidgetItem *diskRow = item;
    while (diskRow->parent())
        diskRow = diskRow->parent();
    // The disk row keeps its number as data; its text is translated.
    bool numbered = false;
    const int number = diskRow->data(0, Qt::UserRole).toString().toInt(&numbered);
    const int diskNumber = numbered ? number : ui->treeWidget->indexOfTopLevelItem(diskRow);
    qDebug() << "创建分区 - 磁盘:" << diskRow->text(0) << "索引:" << diskNumber << "大小:" << region.sizeBytes;

    auto *dialog = new DiskPartitionPage(diskNumber, region, this);
    // The dialog counts the partition table's free slots from what the disk holds.
    QList<PartitionInfo> layout;
    for (int i = 0; i < diskRow->childCount(); ++i)
        layout << diskRow->child(i)->data(0, Qt::UserRole + 1).value<PartitionInfo>();
    dialog->setDisk(diskRow->data(4, Qt::UserRole).toInt(), layout);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &DiskPartitionPage::partitionCreationCompleted, this, [this] {
        qDebug() << "收到分区创建完成信号，开始刷新";
        refreshAfterOperation();
    });
    connect(dialog, &DiskPartitionPage::creationStarted, this, [this, dialog, diskNumber](DiskOperationWorker *worker) {
        const QString operation = tr("Creation of partitions on disk %1").arg(diskNumber);
        followJob(dialog, worker, &DiskOperationWorker::partitionCreationCompleted, operation);
        trackJob(diskNumber, operation, worker, &DiskOperationWorker::partitionCreationCompleted);
    });
    dialog->show();
}
