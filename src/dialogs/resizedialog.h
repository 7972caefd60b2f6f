#pragma once

#include "common/records.h"

#include <QDialog>
#include <QString>

#include <memory>

class DiskOperationWorker;
class PartitionResizeBar;
class QThread;
class WindowsStorageManager;

namespace Ui {
class ResizeDialog;
}

// Lets the user choose a new size for one partition (in MB, shown in GB by the spin box and as a
// bar), checks it, asks, and runs the resize job on a thread of its own while the progress bar
// names the job's phases. The dialog has its own storage manager, which the job calls back on
// this thread, so the GUI thread keeps its event loop running while a job runs.
class ResizeDialog : public QDialog
{
    Q_OBJECT

public:
    // The bar's first range; setPartitionInfo sets the real limits.
    ResizeDialog(qint64 minSizeMB, qint64 maxSizeMB, QWidget *parent = nullptr);
    // A job still running is not stopped: it finishes on its own thread, with the storage
    // manager it calls kept alive until then.
    ~ResizeDialog() override;

    // Must be called before the dialog is shown. An invalid record or a storage manager that
    // cannot connect is reported and rejects the dialog, which then does not show at all.
    // supportedMinimumMB: the smallest size the provider can shrink the partition to, 0 if none.
    void setPartitionInfo(const PartitionInfo &info, qint64 currentSizeMB, qint64 unallocatedSpaceMB,
                          qint64 supportedMinimumMB = 0);

    qint64 minSizeMB() const { return m_minSizeMB; }
    qint64 maxSizeMB() const { return m_maxSizeMB; }
    bool isOperationInProgress() const { return m_operationInProgress; }

    int exec() override;

    void onOkClicked();

signals:
    void partitionResized();
    // A resize job is about to start on `worker`; whoever must see its end (also after this
    // dialog has gone) connects here. Emitted after the dialog's own connections.
    void resizeStarted(DiskOperationWorker *worker);

public slots:
    void accept() override;
    void onResizeProgress(int percent);
    void onResizeCompleted(bool success, const QString &message);

private:
    void onSpinBoxValueChanged(double gigabytes);
    void onBarValuesChanged(int start, int end);
    bool confirmResize(qint64 newSizeMB);
    void startResizeJob(qint64 newSizeBytes);
    // Lets the job's thread end after its job and release itself and its worker; never waits
    // and never terminates.
    void releaseThread();
    void fail(const QString &title, const QString &text);

    Ui::ResizeDialog *ui = nullptr;
    QThread *m_thread = nullptr;             // child of the dialog
    DiskOperationWorker *m_worker = nullptr; // no parent, lives on m_thread
    std::shared_ptr<QString> m_report = std::make_shared<QString>(); // what the running or last job reported, behind its end box's details
    WindowsStorageManager *m_storageManager = nullptr; // child of the dialog while no job runs past it
    PartitionResizeBar *m_resizeBar = nullptr;
    PartitionInfo m_partitionInfo;
    qint64 m_currentSizeMB = 0;
    qint64 m_unallocatedSpaceMB = 0;
    qint64 m_minSizeMB = 0;
    qint64 m_maxSizeMB = 0;
    bool m_operationInProgress = false;
    bool m_updatingControls = false;
    bool m_setupFailed = false;
};
