#pragma once

#include "common/records.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

#include <memory>

class DiskOperationWorker;
class QMessageBox;
class QThread;
class QTimer;

namespace Ui {
class PartitionFormatter;
}

enum class FileSystemType { NTFS = 0, FAT32 = 1, exFAT = 2 };

// What the user asked for, as the dialog hands it to the worker.
struct FormatSettings
{
    QString partitionPath; // "E:" or "disk:partition"
    QString volumeLabel;
    FileSystemType fileSystem = FileSystemType::NTFS;
    unsigned int clusterSize = 0; // bytes; 0 is the file system's default
    bool quickFormat = true;
};

// Formats one existing partition: label, file system, cluster size and quick format, a last
// warning, then the format engine on a thread of the dialog's own while a bar shows progress.
// Each attempt gets a new thread and worker, released when that thread ends. The GUI thread
// never waits for a format: one asked to stop stops before its next step, and one the dialog
// leaves behind runs to its end on its own.
class PartitionFormatter : public QDialog
{
    Q_OBJECT

public:
    explicit PartitionFormatter(const PartitionInfo &partition, QWidget *parent = nullptr);
    // During a format nothing waits and nothing is killed: the running format ends by itself,
    // then its thread releases the worker and itself; whoever follows the worker shows the result.
    ~PartitionFormatter() override;

    // Text of a combo entry to its kind; anything unknown is NTFS.
    static FileSystemType fileSystemTypeFromText(const QString &text);
    // The name the format engine takes.
    static QString fileSystemName(FileSystemType type);
    // Cluster sizes offered after "Default", in bytes.
    static QList<unsigned int> clusterSizesFor(FileSystemType type, qint64 partitionBytes);
    // "Default", "512 B", "4 KB", "1 MB".
    static QString clusterSizeText(unsigned int bytes);

    bool validateInputs();
    FormatSettings getFormatOptions() const;
    bool isFormatting() const { return m_isFormatting; }

    // Escape and the window's close button are Cancel: they ask first while a format runs.
    void reject() override;

signals:
    // A format has started on `worker`, for whoever follows the job beyond the dialog's life.
    void formatStarted(DiskOperationWorker *worker);

public slots:
    void onFileSystemChanged();
    void onFormatClicked();
    void onCancelClicked();
    void onFormatProgress();
    void onFormatTimeout();

private:
    void setupForm();
    void startFormat();
    void finishFormat(bool success, const QString &message);
    void showProgress(int percent);
    void setInputsEnabled(bool enabled);
    // Refused partitions return false with the reason; others may carry a warning.
    bool identify(QString *reason) const;
    // A warning for special partitions the user may still format; true to go on.
    bool acceptsSpecialPartition();
    // The user confirmed the cancel: the job stops before its next step and the window goes.
    void cancelRunningFormat();
    // Lets the thread end after its job; its end releases the worker and the thread itself.
    // Never waits and never terminates.
    void releaseThread();

    Ui::PartitionFormatter *ui = nullptr;
    PartitionInfo m_partitionInfo;
    QPointer<QThread> m_workerThread;        // child of the dialog until released
    DiskOperationWorker *m_worker = nullptr; // lives until its thread is released and ends
    std::shared_ptr<QString> m_report = std::make_shared<QString>(); // what the running or last job reported, behind its end box's details
    QPointer<QMessageBox> m_cancelQuestion;  // open while the user is asked to cancel
    QTimer *m_progressTimer = nullptr;
    QTimer *m_timeoutTimer = nullptr;
    bool m_progressStopped = false;
    int m_simulatedProgress = 0;
    FormatSettings m_settings;
    bool m_isFormatting = false;
    QString m_formatButtonStyle;
};
