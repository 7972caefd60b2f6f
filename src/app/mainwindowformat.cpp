// The Format action: the selected partition, formatted by the format dialog while the action
// waits for it; the tree is read afresh when the format ends, and a result that arrives after the
// dialog has gone is shown by the window.
#include "mainwindow.h"

#include "dialogs/partitionformatter.h"
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

    const QString name = partition.driveLetter.isEmpty() ? partition.id : partition.driveLetter + QLatin1Char(':');
    QPointer<PartitionFormatter> dialog = new PartitionFormatter(partition, this);
    connect(dialog, &PartitionFormatter::formatStarted, this, [this, dialog, name](DiskOperationWorker *worker) {
        followJob(dialog, worker, &DiskOperationWorker::operationCompleted, tr("Format of %1").arg(name));
    });
    // The window may go while the dialog runs (it takes the dialog with it): nothing here may
    // touch it afterwards.
    QPointer<MainWindow> alive(this);
    const int result = dialog->exec();
    if (!alive)
        return;
    delete dialog;
    if (result == QDialog::Accepted)
        refreshAfterFormat();
}
