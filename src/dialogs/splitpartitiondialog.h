#pragma once

#include "common/records.h"
#include "jobquestion.h"

#include <QDialog>
#include <QString>

#include <memory>

class DiskOperationWorker;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QThread;
class QWidget;
class WindowsStorageManager;

// Divides one partition into the part it keeps and a new partition in the freed space. The two
// sizes are set with a slider (in ten-thousandths of the partition) or two spin boxes in GB that
// stay in step; the split runs on a worker thread of the dialog's own.
class SplitPartitionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SplitPartitionDialog(const PartitionInfo &partition, QWidget *parent = nullptr);
    ~SplitPartitionDialog() override;

    void setStorageManager(WindowsStorageManager *storageManager) { m_storageManager = storageManager; }
    // The worker of the split running now, or null; whoever follows the job beyond the dialog's
    // life takes it from splitStarted.
    DiskOperationWorker *worker() const { return m_worker; }
    bool isBusy() const { return m_busy; }
    qint64 minimumKeepBytes() const { return m_minKeep; }
    qint64 minimumNewBytes() const { return m_minNew; }
    qint64 maximumKeepBytes() const { return m_maxKeep; }
    qint64 maximumNewBytes() const { return m_maxNew; }
    // The options a split started now would carry.
    SplitPartitionOptions options() const;

    // While a split runs, Escape and the window's close button ask first, as Cancel does.
    void reject() override;

signals:
    // A split was confirmed and its worker is about to receive it.
    void splitStarted(DiskOperationWorker *worker);

public slots:
    void onSizeSliderChanged(int value);
    void onOriginalSizeChanged(double value);
    void onNewSizeChanged(double value);
    void onSplitButtonClicked();
    void onCancelButtonClicked();
    void onSplitProgress(QString step, int percentage);
    void onSplitStatusChanged(QString status);
    void onSplitFinished(bool success, QString message);

private:
    void setupUi();
    void fillDriveLetters();
    void afterSizeChange();
    void updatePreview();
    bool computeValidity();
    void setBusy(bool busy);
    void setUpWorkerThread();
    void releaseWorkerThread();
    // The split's end, once no question is open.
    void showSplitEnd(bool success, const QString &message);
    QString partitionName() const;
    double totalGb() const;

    PartitionInfo m_partition;
    qint64 m_total = 0;
    qint64 m_minKeep = 0;
    qint64 m_minNew = 0;
    qint64 m_maxKeep = 0;
    qint64 m_maxNew = 0;
    WindowsStorageManager *m_storageManager = nullptr; // not owned
    QThread *m_workerThread = nullptr;
    DiskOperationWorker *m_worker = nullptr; // no parent; deleted when its thread ends
    std::shared_ptr<QString> m_report = std::make_shared<QString>(); // what the running or last job reported, behind its end box's details
    bool m_busy = false;
    bool m_updating = false;
    bool m_valid = false;
    JobQuestion m_question; // whether to cancel the running split
    int m_lastProgress = 0;

    QWidget *m_originalBar = nullptr;
    QWidget *m_newBar = nullptr;
    QLabel *m_originalBarLabel = nullptr;
    QLabel *m_newBarLabel = nullptr;
    QWidget *m_legend = nullptr;
    QSlider *m_sizeSlider = nullptr;
    QDoubleSpinBox *m_originalSizeSpinBox = nullptr;
    QDoubleSpinBox *m_newSizeSpinBox = nullptr;
    QComboBox *m_fileSystemCombo = nullptr;
    QComboBox *m_driveLetterCombo = nullptr;
    QLineEdit *m_volumeLabelEdit = nullptr;
    QFrame *m_progressFrame = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_progressLabel = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_splitButton = nullptr;
};
