// The selected row, the context menus, and the dispatch of the six actions.
#include "mainwindow.h"

#include "dialogs/jobend.h"
#include "dialogs/deletepartitionpage.h"
#include "runningjobs.h"
#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QMenu>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPointer>

namespace {

struct ActionEntry
{
    const char *text;
    const char *slot;
};

// The action list, in row order: a row's position decides its action.
const ActionEntry kPanelActions[] = {
    {"↔️ Resize/Move", "onResizePartition"}, {"➕ New", "onCreatePartition"},
    {"🔗 Merge", "onMergePartition"},         {"📁 Format", "onFormatPartition"},
    {"🗑️ Delete", "onDeletePartition"},      {"🔀 Split", "onSplitPartition"},
    {"🔤 Drive Letter", "onChangeDriveLetter"}, {"🏷️ Rename", "onRenameVolume"},
    {"💽 Initialize Disk", "onInitializeDisk"},
};

// The partition row's context menu, in menu order. Its texts are the action list's own
// (mainwindow.ui), so the window's catalogue translates them.
const ActionEntry kMenuActions[] = {
    {"↔️ Resize/Move", "onResizePartition"}, {"➕ New", "onCreatePartition"},
    {"📁 Format", "onFormatPartition"},       {"🗑️ Delete", "onDeletePartition"},
    {"🔗 Merge", "onMergePartition"},         {"🔀 Split", "onSplitPartition"},
};

const char kCreateSlot[] = "onCreatePartition";

} // namespace

bool MainWindow::hasActionSlot(const QObject *target, const char *slotName)
{
    const QByteArray signature = QByteArray(slotName) + "()";
    return target->metaObject()->indexOfSlot(signature.constData()) >= 0;
}

void MainWindow::runAction(const char *slotName)
{
    // Each operation brings its slot along with its dialog; until then its row does nothing.
    if (!hasActionSlot(this, slotName)) {
        qDebug() << "Action not available yet:" << slotName;
        return;
    }
    // One job per disk: a second one would run its scripts against a layout the first is changing.
    if (const std::optional<RunningJobs::Job> busy = m_jobs->runningOn(selectedDisk())) {
        QMessageBox::information(this, tr("Disk busy"),
                                 tr("%1 is still running on disk %2.\n\nStart another job on this disk when it has "
                                    "ended; jobs on other disks may run meanwhile.")
                                     .arg(busy->operation)
                                     .arg(busy->disk));
        return;
    }
    QMetaObject::invokeMethod(this, slotName, Qt::DirectConnection);
}

int MainWindow::selectedDisk() const
{
    const QTreeWidgetItem *row = ui->treeWidget->currentItem();
    if (!row)
        return -1;
    while (row->parent())
        row = row->parent();
    bool numbered = false;
    const int disk = row->data(0, Qt::UserRole).toString().toInt(&numbered);
    return numbered ? disk : -1;
}

void MainWindow::onRightPanelItemClicked(QListWidgetItem *item)
{
    if (!item)
        return;
    const int row = ui->rightPanel->row(item);
    qDebug() << "RightPanel clicked row:" << row << ", text:" << item->text();
    if (row >= 0 && row < int(std::size(kPanelActions)))
        runAction(kPanelActions[row].slot);
}

void MainWindow::onTreeWidgetContextMenu(const QPoint &pos)
{
    QTreeWidgetItem *item = ui->treeWidget->itemAt(pos);
    if (!item)
        return;
    const QPoint globalPos = ui->treeWidget->viewport()->mapToGlobal(pos);

    QMenu menu(this);
    if (!item->parent()) {
        menu.setObjectName(QStringLiteral("diskContextMenu"));
        QAction *properties = menu.addAction(tr("🔍 Properties"));
        QAction *refresh = menu.addAction(tr("🔄 Refresh"));
        menu.addSeparator();
        QAction *information = menu.addAction(tr("📊 Disk Information"));
        menu.addSeparator();
        QAction *initialize = menu.addAction(tr("💽 Initialize Disk…"));
        // Only a disk without a partition table; initialising any other would lose its partitions.
        initialize->setEnabled(item->data(4, Qt::UserRole).toInt() == 0 && item->childCount() == 0);

        QAction *chosen = menu.exec(globalPos);
        if (chosen == initialize) {
            ui->treeWidget->setCurrentItem(item);
            runAction("onInitializeDisk");
        } else if (chosen == properties) {
            QMessageBox::information(this, tr("Info"),
                                     tr("Properties functionality not implemented yet."));
        } else if (chosen == refresh) {
            onRefreshClicked();
        } else if (chosen == information) {
            showDiskInformation(item);
        }
        return;
    }

    menu.setObjectName(QStringLiteral("partitionContextMenu"));
    // By the row's record, as the actions themselves judge it, not by its text: free space
    // inside an extended partition is named "Free Space".
    const bool unallocated = item->data(0, Qt::UserRole).toString().isEmpty()
                             || item->data(0, Qt::UserRole + 1).value<PartitionInfo>().isUnallocated;
    for (const ActionEntry &entry : kMenuActions) {
        QAction *action = menu.addAction(tr(entry.text));
        const bool forCreate = qstrcmp(entry.slot, kCreateSlot) == 0;
        action->setEnabled(unallocated == forCreate && hasActionSlot(this, entry.slot));
        action->setData(QByteArray(entry.slot));
    }
    menu.addSeparator();
    const QList<QPair<QString, const char *>> volumeActions = {{tr("🔤 Change Drive Letter…"), "onChangeDriveLetter"},
                                                              {tr("🏷️ Rename Volume…"), "onRenameVolume"}};
    for (const auto &entry : volumeActions) {
        QAction *action = menu.addAction(entry.first);
        action->setEnabled(!unallocated);
        action->setData(QByteArray(entry.second));
    }

    QAction *chosen = menu.exec(globalPos);
    if (chosen && chosen->isEnabled()) {
        // The actions work on the current row: make it the row the menu was opened on.
        ui->treeWidget->setCurrentItem(item);
        runAction(chosen->data().toByteArray().constData());
    }
}

void MainWindow::showDiskInformation(QTreeWidgetItem *diskItem)
{
    if (!diskItem)
        return;
    QMessageBox::information(this, tr("Disk information"),
                             tr("Disk details\n\n"
                                            "Disk name: %1\n"
                                            "Disk ID: %2\n"
                                            "Total capacity: %3\n"
                                            "Status: %4\n"
                                            "Number of partitions: %5")
                                 .arg(diskItem->text(0), diskItem->data(0, Qt::UserRole).toString(),
                                      diskItem->text(2), diskItem->text(3))
                                 .arg(diskItem->childCount()));
}

// The row's own record, stored when the tree was built: the partition the user sees, not a fresh
// read that may name another by now. Disk rows have none, and free space has no id.
PartitionInfo MainWindow::getSelectedPartition()
{
    const QTreeWidgetItem *item = ui->treeWidget->currentItem();
    return item ? item->data(0, Qt::UserRole + 1).value<PartitionInfo>() : PartitionInfo();
}

void MainWindow::onDeletePartition()
{
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->parent()) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a partition to delete."));
        return;
    }
    const PartitionInfo partition = item->data(0, Qt::UserRole + 1).value<PartitionInfo>();
    if (partition.isUnallocated) {
        QMessageBox::information(this, tr("Cannot Delete"), tr("Cannot delete unallocated space."));
        return;
    }

    auto *dialog = new DeletePartitionPage(partition, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    // However the dialog went away the layout may have changed, so refresh then. While the
    // window itself is torn down its children are already unlisted: nothing to refresh.
    QObject *window = this;
    connect(dialog, &QObject::destroyed, this, [this, window](QObject *gone) {
        if (window->children().contains(gone))
            refreshAfterOperation();
    });
    const QString operation = tr("Deletion of %1").arg(DeletePartitionPage::displayName(partition));
    followJob(dialog, dialog->worker(), &DiskOperationWorker::deletePartitionFinished, operation);
    connect(dialog, &DeletePartitionPage::deleteStarted, this, [this, dialog, partition, operation] {
        trackJob(partition.diskIndex, operation, dialog->worker(), &DiskOperationWorker::deletePartitionFinished);
    });
    dialog->show();
}

void MainWindow::followJob(QDialog *dialog, DiskOperationWorker *worker, JobFinishedSignal finished,
                           const QString &operation)
{
    // The dialog's own connection was made first, so it has had the result by the time this runs:
    // a dialog still visible has shown it (or is showing it now).
    QPointer<QDialog> shown(dialog);
    const std::shared_ptr<QString> details = jobend::collect(worker, this);
    connect(worker, finished, this, [this, shown, operation, details](bool success, const QString &message) {
        onJobFinished(operation, success, message, shown && shown->isVisible(), *details);
    }, Qt::QueuedConnection);
}

void MainWindow::trackJob(int disk, const QString &operation, DiskOperationWorker *worker, JobFinishedSignal finished)
{
    m_jobs->add({disk, operation}, worker, finished);
}

void MainWindow::onJobFinished(const QString &operation, bool success, const QString &message, bool shownByDialog,
                               const QString &details)
{
    qDebug() << "Job finished:" << operation << success << message;
    refreshAfterOperation();
    ui->statusLabel->setText(success ? tr("%1: completed").arg(operation)
                                     : tr("%1: failed").arg(operation));
    ui->statusLabel->setToolTip(success ? QString() : message);
    if (shownByDialog)
        return;
    jobend::show(this, success, success ? tr("Operation completed") : tr("Operation failed"),
                 success ? tr("%1 completed successfully.").arg(operation) : tr("%1 failed:\n%2").arg(operation, message),
                 details);
}
