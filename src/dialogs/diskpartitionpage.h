#pragma once

#include "common/creationplan.h"
#include "common/records.h"
#include "dialogs/partitionprogressdialog.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class DiskOperationWorker;

class QThread;
class QTreeWidgetItem;

namespace Ui {
class DiskPartitionPage;
}

// Plans one or more new partitions inside one unallocated region of a disk and creates them all
// in one background job, with the progress dialog in front. The plan lives only in memory until
// Confirm.
class DiskPartitionPage : public QDialog
{
    Q_OBJECT

public:
    explicit DiskPartitionPage(QWidget *parent = nullptr);
    DiskPartitionPage(int diskIndex, const QString &unallocatedSize, QWidget *parent = nullptr);
    // The region as the disk tree lists it: its exact size is the total, and the partitions go
    // where it starts.
    DiskPartitionPage(int diskIndex, const PartitionInfo &region, QWidget *parent = nullptr);
    ~DiskPartitionPage() override;

    // The disk the region lies on, as the tree read it: its partition style and records, for the
    // slots its partition table has left. Unknown until set.
    void setDisk(int partitionStyle, const QList<PartitionInfo> &layout);

    // A region's size text ("71.21 GB") in bytes; text without a size reads as 500 GiB.
    static qint64 parseSizeText(const QString &text);
    // What the user typed as a size: a whole number of MiB, or a number with a unit. False for
    // anything else.
    static bool parseSizeInput(const QString &text, qint64 *bytes);
    // "1.50 GB", "512 B": binary units with two decimals.

    qint64 totalBytes() const;
    // What one more partition of the plan could be given, as the storage layer will size it.
    qint64 remainingBytes() const;
    // What the region is called in the table: free space for logical drives, or unallocated space.
    QString freeSpaceName() const;
    QList<PartitionInfo> plannedPartitions() const { return m_partitions; }
    // Free letters from D to Z: neither mounted nor planned.
    QStringList availableDriveLetters() const;
    PartitionProgressDialog *progressDialog() const { return m_progressDialog; }

signals:
    void partitionCreationCompleted();
    // A job was started with this worker, before its thread runs.
    void creationStarted(DiskOperationWorker *worker);

public slots:
    void onAddPartitionClicked();
    void onPartitionSelectionChanged();
    void onQuickFormatAllToggled(bool checked);
    void onConfirmClicked();
    void onCancelClicked();
    void onDriveLetterChanged(const QString &text);
    void onFileSystemChanged(const QString &text);
    void onTreeItemDoubleClicked(QTreeWidgetItem *item, int column);
    void onDeletePartition();

private:
    void setUp(int diskIndex, const QString &unallocatedSize);
    void refillDriveLetters();
    void updateUsage();
    void rebuildTable();
    void editEntry(int partitionNumber);
    void showRowMenu(const QPoint &pos);
    // Why no further partition can be planned, with the title of its box; empty when one can.
    QString whyNoMore(QString *title) const;
    // The plan as the job gets it; the first goes where the region starts.
    QList<PartitionCreateRequest> requests(const QList<PartitionInfo> &plan) const;
    void startJob();
    void onJobCompleted(bool success, const QString &message);
    // Lets a running job finish on its own: the thread quits after it and releases itself.
    void releaseThread();

    Ui::DiskPartitionPage *ui = nullptr;
    int m_diskIndex = 0;
    PartitionInfo m_regionRecord; // the tree's record of the region; without a size only the text is known
    creationplan::Region m_region;
    QList<PartitionInfo> m_partitions;
    QPointer<QThread> m_workerThread;     // child of the dialog until it is let go
    QPointer<PartitionProgressDialog> m_progressDialog;
};
