#pragma once

#include "common/records.h"

#include <QMainWindow>
#include <QString>

#include <functional>

class CustomTitleBar;
class DiskOperationWorker;
class QCloseEvent;
class QDialog;
class QLabel;
class RunningJobs;
class QListWidgetItem;
class QTreeWidgetItem;
class QVBoxLayout;
class WindowsStorageManager;

namespace Ui {
class MainWindow;
}

// The one window of the program: start-up checks, the disk tree with its refresh procedures,
// the action list and menus, and the frameless frame with its own title bar.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    bool checkSystemCompatibility();
    void initializeStorageManager();

    // Tree rebuild and the procedures that wrap it with re-initialisation, delays and retries.
    void refreshDiskList();
    bool attemptRefresh();
    void tryRefreshDiskList();
    void robustRefresh();
    void refreshAfterResize();
    void refreshAfterOperation();
    void refreshAfterFormat();

    // The status popup; at most one exists.
    void showLoading(const QString &text);
    void hideLoading();

    PartitionInfo getSelectedPartition();

    WindowsStorageManager *storageManager() const { return m_storageManager; }
    int refreshAttempt() const { return m_refreshAttempt; }

    // Every delay of the window goes through the scheduler, with its nominal length in ms.
    // The default runs the task on a single-shot timer of the platform's scaled length, with the
    // window as context; tests install their own to observe the schedule.
    using Scheduler = std::function<void(int nominalMs, std::function<void()> task)>;
    void setScheduler(Scheduler scheduler);

    // Follows a background job to its end, whatever becomes of its dialog meanwhile: the worker's
    // completion signal reaches onJobFinished queued, telling it whether the dialog was still
    // there to show the result. The window may be destroyed first; the connection then goes too.
    using JobFinishedSignal = void (DiskOperationWorker::*)(bool, QString);
    void followJob(QDialog *dialog, DiskOperationWorker *worker, JobFinishedSignal finished, const QString &operation);
    // Lists a started job as running on `disk` until it has ended and its thread is gone.
    void trackJob(int disk, const QString &operation, DiskOperationWorker *worker, JobFinishedSignal finished);
    const RunningJobs &runningJobs() const { return *m_jobs; }

public slots:
    void onRefreshClicked();
    void onResizeFinished();
    void onStorageOperationCompleted(bool success, const QString &message);
    void onStorageOperationProgress(int percentage);
    // A job ended: the tree is rebuilt so it agrees with the machine, the status line notes the
    // result, and a result its dialog could no longer show is shown here, once.
    // `details`: what the job reported of its steps, behind the end box's "Show Details".
    void onJobFinished(const QString &operation, bool success, const QString &message, bool shownByDialog,
                       const QString &details);
    void showDiskInformation(QTreeWidgetItem *diskItem);
    void showAbout();

private slots:
    void onTitleBarCloseRequested();
    void onTitleBarMinimizeRequested();
    void onTreeWidgetContextMenu(const QPoint &pos);
    void onRightPanelItemClicked(QListWidgetItem *item);

    // The six operation slots (onResizePartition, onCreatePartition, onMergePartition,
    // onFormatPartition, onDeletePartition, onSplitPartition) are declared here as each
    // operation's dialog arrives; the action list and the menu find them by name.
    void onResizePartition();
    void onCreatePartition();
    void onDeletePartition();
    void onMergePartition();
    void onFormatPartition();
    void onSplitPartition();
    // Beside the six: a RAW disk's partition table, a drive letter, a volume's label.
    void onInitializeDisk();
    void onChangeDriveLetter();
    void onRenameVolume();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // With jobs running the window asks, then stays until they have ended and closes itself.
    void closeEvent(QCloseEvent *event) override;

private:
    void setupFrame();
    void connectSignals();
    void runLater(int nominalMs, std::function<void()> task);
    // After a storage operation: hide the popup, reconnect, and rebuild the tree once.
    void reconnectAndRebuild();

    static bool hasActionSlot(const QObject *target, const char *slotName);
    void runAction(const char *slotName);
    // The number of the disk the selected row belongs to, or -1.
    int selectedDisk() const;
    // Runs `start` on a worker of its own thread, tracked as `operation` on `disk`; the end
    // refreshes the tree and shows the job's message.
    void startVolumeJob(int disk, const QString &operation, std::function<void(DiskOperationWorker *)> start);
    // The running-jobs line, the action list's hints, and the close that waited for the jobs.
    void onRunningJobsChanged();

    Ui::MainWindow *ui = nullptr;
    WindowsStorageManager *m_storageManager = nullptr;
    int m_refreshAttempt = 0;
    QLabel *m_loadingPopup = nullptr;
    CustomTitleBar *m_titleBar = nullptr;
    QWidget *m_centralContent = nullptr;
    QVBoxLayout *m_centralLayout = nullptr;
    Scheduler m_scheduler;
    RunningJobs *m_jobs = nullptr;
    QLabel *m_jobsLabel = nullptr;
    bool m_closeWhenIdle = false;
};
