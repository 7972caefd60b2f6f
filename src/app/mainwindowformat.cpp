// The Format action: the selected partition, formatted by the format dialog while the action
// waits for it. A format the dialog reports as done ends in the format refresh once the dialog
// is accepted; any other end refreshes at once, and a result the dialog could no longer show
// is shown by the window.
#include "mainwindow.h"

#include "common/driveletter.h"
#include "dialogs/jobend.h"
#include "dialogs/partitionformatter.h"
#include "ui_mainwindow.h"
#include "worker/diskoperationworker.h"

#include <QMessageBox>
#include <QPointer>

void MainWindow::onFormatPartition()
{
    const PartitionInfo partition = getSelectedPartition();
    if (partition.id.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"), tr("Please select a valid partition to format."));
        return;
    }

    const QString operation = tr("Format of %1").arg(driveletter::driveOrId(partition));
    QPointer<PartitionFormatter> dialog = new PartitionFormatter(partition, this);
    connect(dialog, &PartitionFormatter::formatStarted, this, [this, dialog, partition, operation](DiskOperationWorker *worker) {
        trackJob(partition.diskIndex, operation, worker, &DiskOperationWorker::operationCompleted);
        // Queued behind the dialog's own connection: a dialog still visible has the result.
        const std::shared_ptr<QString> details = jobend::collect(worker, this);
        connect(worker, &DiskOperationWorker::operationCompleted, this,
                [this, dialog, operation, details](bool success, const QString &message) {
                    const bool shown = dialog && dialog->isVisible();
                    if (!(shown && success))
                        onJobFinished(operation, success, message, shown, *details);
                }, Qt::QueuedConnection);
    });
    // The window may go while the dialog runs (it takes the dialog with it): nothing here may
    // touch it afterwards.
    QPointer<MainWindow> alive(this);
    const int result = dialog->exec();
    if (!alive)
        return;
    delete dialog;
    if (result == QDialog::Accepted) {
        ui->statusLabel->setText(tr("%1: completed").arg(operation));
        ui->statusLabel->setToolTip(QString());
        refreshAfterFormat();
    }
}
