#include "mergepartitiondialog.h"

#include "dialogbuttons.h"
#include "jobend.h"

#include "common/partitionguard.h"
#include "common/sizetext.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

const char StyleSheet[] =
    "QLabel[class~=\"partitionBar\"] { border: 1px solid #7a8ca3; border-radius: 4px; padding: 6px;"
    " min-height: 56px; color: #1f2d3d; font-weight: bold; }"
    "QLabel[class~=\"partitionG\"] { background: #cfe3ff; }"
    "QLabel[class~=\"partitionGMerged\"] { background: #c4ebcc; border-color: #4c9a5c; }"
    "QLabel[class~=\"partitionH\"] { background: #ffe1bd; }"
    "QLabel[class~=\"partitionUnallocated\"] { background: #ececec; border-style: dashed; color: #555; }"
    "QFrame#operationInfoFrame { background: #f5f8fc; border: 1px solid #d5dde8; border-radius: 6px; }"
    "QLabel#operationInfoTitle { font-weight: bold; color: #2c3e50; }"
    "QPushButton#mergeButton { background: #2e86de; color: white; border: none; border-radius: 4px;"
    " padding: 6px 22px; font-weight: bold; }"
    "QPushButton#mergeButton:disabled { background: #b8c4d0; }";

QString labelPart(const PartitionInfo &p)
{
    return p.volumeLabel.isEmpty() ? QString() : QLatin1Char(' ') + p.volumeLabel;
}

// How a message names a partition: its letter, or its disk and number when it has none.
QString nameOf(const PartitionInfo &p)
{
    return p.driveLetter.isEmpty() ? partitionDisplayName(p) : p.driveLetter + QLatin1Char(':');
}

// "partition F", or "partition 6" for one without a letter (never a blank).
QString letterOrNumber(const PartitionInfo &p)
{
    return p.driveLetter.isEmpty() ? QString::number(p.partitionNumber) : p.driveLetter;
}

bool isRefusedForMerge(const PartitionInfo &p)
{
    switch (partitionGuard(p)) {
    case PartitionGuard::RunningSystem:
    case PartitionGuard::EfiSystem:
    case PartitionGuard::Msr:
    case PartitionGuard::Recovery:
        return true;
    case PartitionGuard::None:
    case PartitionGuard::Oem:
        break;
    }
    return false;
}

QLabel *bar(QWidget *parent, const char *objectName, const char *cssClass)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(objectName));
    label->setProperty("class", QLatin1String(cssClass));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

MergePartitionDialog::MergePartitionDialog(const PartitionInfo &source, const PartitionInfo &target,
                                           bool unallocatedMode, QWidget *parent)
    : QDialog(parent), m_source(source), m_target(target), m_unallocatedMode(unallocatedMode)
{
    setupUi();
    fillPreview();
    connect(m_mergeButton, &QPushButton::clicked, this, &MergePartitionDialog::onMergeButtonClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

MergePartitionDialog::~MergePartitionDialog()
{
    // A merge whose dialog goes away runs on to its end (the window follows it): stopped between
    // the delete and the extend it would leave the target's space unallocated for nothing.
    releaseThread();
    delete m_progressDialog.data();
}

QString MergePartitionDialog::partitionText(const PartitionInfo &partition)
{
    return QStringLiteral("%1%2\n%3").arg(partition.driveLetter, labelPart(partition), shortSize(partition.sizeBytes));
}

void MergePartitionDialog::setupUi()
{
    setWindowTitle(tr("Partition Merge Wizard"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    resize(537, 619);
    setStyleSheet(QLatin1String(StyleSheet));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(12);

    auto *preview = new QGroupBox(tr("Before Merger"), this);
    preview->setObjectName(QStringLiteral("previewGroup"));
    auto *previewLayout = new QVBoxLayout(preview);
    auto *before = new QHBoxLayout();
    m_beforeRow = before;
    m_currentG = bar(preview, "currentGPartition", "partitionBar partitionG");
    m_currentH = bar(preview, "currentHPartition", "partitionBar partitionH");
    m_currentUnallocated = bar(preview, "currentUnallocated", "partitionBar partitionUnallocated");
    before->addWidget(m_currentG);
    before->addWidget(m_currentH);
    before->addWidget(m_currentUnallocated);
    previewLayout->addLayout(before);

    auto *arrow = new QLabel(QStringLiteral("⬇"), preview);
    arrow->setObjectName(QStringLiteral("mergeArrowLabel"));
    arrow->setAlignment(Qt::AlignCenter);
    arrow->setStyleSheet(QStringLiteral("font-size: 26px; color: #2e86de;"));
    previewLayout->addWidget(arrow);

    // Set like the "Before Merger" title above it, so the two read as a pair.
    auto *afterCaption = new QLabel(tr("After Merger"), preview);
    afterCaption->setObjectName(QStringLiteral("afterMergerLabel"));
    afterCaption->setStyleSheet(QStringLiteral("font-weight: bold;"));
    previewLayout->addWidget(afterCaption);

    auto *after = new QHBoxLayout();
    m_afterG = bar(preview, "afterGPartition", "partitionBar partitionGMerged");
    m_afterH = bar(preview, "afterHPartition", "partitionBar partitionH");
    after->addWidget(m_afterG);
    after->addWidget(m_afterH);
    previewLayout->addLayout(after);
    layout->addWidget(preview);

    auto *info = new QFrame(this);
    info->setObjectName(QStringLiteral("operationInfoFrame"));
    auto *infoLayout = new QVBoxLayout(info);
    m_infoTitle = new QLabel(tr("✅ Instructions"), info);
    m_infoTitle->setObjectName(QStringLiteral("operationInfoTitle"));
    m_infoDetails = new QLabel(info);
    m_infoDetails->setObjectName(QStringLiteral("operationInfoDetails"));
    m_infoDetails->setWordWrap(true);
    infoLayout->addWidget(m_infoTitle);
    infoLayout->addWidget(m_infoDetails);
    layout->addWidget(info);
    layout->addStretch(1);

    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    m_cancelButton = makeDialogButton(tr("Cancel"), "cancelButton", this);
    m_mergeButton = makeDialogButton(tr("Merge"), "mergeButton", this);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_mergeButton);
    layout->addLayout(buttons);
}

void MergePartitionDialog::fillPreview()
{
    const qint64 total = m_source.sizeBytes + m_target.sizeBytes;
    // Bars as wide as their share of the two, so a small gap still shows.
    auto share = [total](qint64 bytes) { return total > 0 ? int(qBound(qint64(1), 10 * bytes / total, qint64(9))) : 1; };
    QHBoxLayout *beforeRow = m_beforeRow;

    m_currentG->setText(partitionText(m_source));
    beforeRow->setStretchFactor(m_currentG, share(m_source.sizeBytes));
    if (m_unallocatedMode) {
        m_currentUnallocated->setText(tr("Unallocated\n%1").arg(shortSize(m_target.sizeBytes)));
        beforeRow->setStretchFactor(m_currentUnallocated, share(m_target.sizeBytes));
        m_currentUnallocated->show();
        m_currentH->hide();
        m_afterH->hide();
    } else {
        m_currentH->setText(partitionText(m_target));
        beforeRow->setStretchFactor(m_currentH, share(m_target.sizeBytes));
        m_currentH->show();
        m_currentUnallocated->hide();
        m_afterH->hide();
    }
    m_afterG->setText(
        tr("%1%2 (expand)\n%3").arg(m_source.driveLetter, labelPart(m_source), shortSize(total)));

    const QString from = shortSize(m_source.sizeBytes);
    const QString to = shortSize(total);
    if (m_unallocatedMode) {
        m_infoDetails->setText(tr("• Merge %1 of unallocated space into %2\n"
                                  "• %2 will be extended from %3 to %4\n"
                                  "• The operation is safe and will not affect existing data\n")
                                   .arg(shortSize(m_target.sizeBytes), partitionName(m_source), from, to));
    } else {
        m_infoDetails->setText(tr("• Merge %1 into %2\n"
                                  "• %2 will be extended from %3 to %4\n"
                                  "• Warning: %1 will be deleted, please make sure your data is backed up\n")
                                   .arg(partitionName(m_target), partitionName(m_source), from, to));
    }
}

QString MergePartitionDialog::refusalReason() const
{
    const QString nothingChanged = tr("\n\nNothing has been changed.");
    if (isRefusedForMerge(m_source))
        return partitionGuardText(m_source) + nothingChanged;
    if (!m_unallocatedMode && isRefusedForMerge(m_target))
        return partitionGuardText(m_target) + nothingChanged;
    if (!DiskOperationWorker::canExtendFileSystem(m_source.fileSystem)) {
        // In partition mode the neighbour would be deleted and its space could not be used.
        return tr("Partition %1 uses the %2 file system, which cannot be extended, so no space can be merged "
                  "into it.")
                   .arg(nameOf(m_source), m_source.fileSystem)
               + nothingChanged;
    }
    return QString();
}

QString MergePartitionDialog::guardWarnings() const
{
    QStringList warnings;
    if (partitionGuard(m_source) != PartitionGuard::None)
        warnings << partitionGuardText(m_source);
    if (!m_unallocatedMode && partitionGuard(m_target) != PartitionGuard::None)
        warnings << partitionGuardText(m_target);
    return warnings.join(QLatin1String("\n\n"));
}

void MergePartitionDialog::onMergeButtonClicked()
{
    if (m_running)
        return;

    const QString refusal = refusalReason();
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, tr("Cannot merge"), refusal);
        return;
    }
    const QString warnings = guardWarnings();
    if (!m_unallocatedMode) {
        QString text = tr("This operation will delete partition %1 and merge its space into partition %2.\n\n"
                          "All data in partition %1 will be lost!\n\nAre you sure you want to continue?")
                           .arg(letterOrNumber(m_target), letterOrNumber(m_source));
        if (!warnings.isEmpty())
            text = warnings + QStringLiteral("\n\n") + text;
        if (QMessageBox::warning(this, tr("Confirm partition merge"), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
            != QMessageBox::Yes)
            return;
    } else if (!warnings.isEmpty()) {
        if (QMessageBox::warning(this, tr("Confirm partition merge"),
                                 warnings + tr("\n\nAre you sure you want to continue?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }

    m_progressDialog = new QProgressDialog(tr("Preparing for merge operation..."), tr("Cancel"), 0, 100, this);
    m_progressDialog->setWindowModality(Qt::WindowModal);
    m_progressDialog->setAutoReset(false);
    m_progressDialog->setAutoClose(false);
    m_progressDialog->setMinimumDuration(0);
    m_progressDialog->setValue(0);
    connect(m_progressDialog, &QProgressDialog::canceled, this, [this] {
        if (m_worker)
            m_worker->cancelMergeOperation();
    });

    m_cancelButton->setEnabled(false);
    m_mergeButton->setEnabled(false);
    m_running = true;
    m_progressDialog->show();

    MergePartitionOptions options;
    options.diskNumber = m_source.diskIndex;
    options.sourcePartitionNumber = m_source.partitionNumber;
    options.targetPartitionNumber = m_unallocatedMode ? -1 : m_target.partitionNumber;
    options.mergeUnallocated = m_unallocatedMode;
    options.sourceDriveLetter = m_source.driveLetter;
    options.targetDriveLetter = m_unallocatedMode ? QString() : m_target.driveLetter;
    options.fileSystem = m_source.fileSystem;
    options.sourceSizeBytes = m_source.sizeBytes;
    options.targetSizeBytes = m_target.sizeBytes;
    options.newSizeBytes = m_source.sizeBytes + m_target.sizeBytes;
    options.sourceVolumeLabel = m_source.volumeLabel;
    options.targetVolumeLabel = m_unallocatedMode ? QString() : m_target.volumeLabel;
    options.timeoutSeconds = 300;
    options.resizeFileSystem = true;
    options.validateBeforeMerge = true;
    options.mergeWithPartition = !m_unallocatedMode;

    auto *thread = new QThread(this);
    thread->setObjectName(QStringLiteral("MergePartitionWorkerThread"));
    auto *worker = new DiskOperationWorker();
    worker->moveToThread(thread);
    m_report = jobend::collect(worker, this);
    connect(worker, &DiskOperationWorker::mergePartitionProgress, this, &MergePartitionDialog::onWorkerProgress);
    connect(worker, &DiskOperationWorker::mergePartitionStatusChanged, this, &MergePartitionDialog::onWorkerStatus);
    connect(worker, &DiskOperationWorker::mergePartitionFinished, this, &MergePartitionDialog::onWorkerFinished);
    connect(thread, &QThread::started, worker, [worker, options] { worker->startMergePartition(options); },
            Qt::DirectConnection);
    // Connected now so that the thread's end is seen even when it comes after the hand-off.
    auto handedOff = std::make_shared<bool>(false);
    connect(thread, &QThread::finished, thread, [thread, worker, handedOff] {
        if (!*handedOff)
            return;
        delete worker;
        thread->deleteLater();
    });
    m_workerThread = thread;
    m_worker = worker;
    m_handedOff = handedOff;
    emit mergeStarted(worker);
    thread->start(QThread::InheritPriority);
}

void MergePartitionDialog::onWorkerProgress(const QString &step, int percentage)
{
    m_infoTitle->setText(tr("✅ Progress %1% - %2").arg(percentage).arg(step));
    // Last: a modal progress dialog handles pending events in setValue, among them the status
    // that follows this step, which must not be overwritten afterwards.
    if (m_progressDialog) {
        m_progressDialog->setLabelText(step);
        m_progressDialog->setValue(percentage);
    }
}

void MergePartitionDialog::onWorkerStatus(const QString &status)
{
    if (m_progressDialog)
        m_progressDialog->setLabelText(status);
    m_infoTitle->setText(tr("🔄 %1").arg(status));
}

void MergePartitionDialog::onWorkerFinished(bool success, const QString &message)
{
    if (m_progressDialog) {
        m_progressDialog->hide();
        m_progressDialog->deleteLater();
        m_progressDialog = nullptr;
    }
    releaseThread();
    m_running = false;
    m_cancelButton->setEnabled(true);
    m_mergeButton->setEnabled(true);

    if (success) {
        jobend::show(this, true, tr("Merger Success"), message, *m_report);
        accept();
        return;
    }
    jobend::show(this, false, tr("Merge failed"),
                 tr("Partition merge operation failed:\n\n%1\n\nPlease check the error message and try "
                    "again.\n If the problem persists, please contact Support")
                     .arg(message),
                 *m_report);
    m_infoTitle->setText(tr("✅ Instructions:"));
}

void MergePartitionDialog::releaseThread()
{
    if (!m_workerThread)
        return;
    // Never waited for here: the thread ends once its job has (at once when the job has reported
    // its end), then releases itself and its worker. A job still running is never killed.
    *m_handedOff = true;
    m_workerThread->setParent(nullptr);
    m_workerThread->quit();
    if (m_workerThread->isFinished()) {
        delete m_worker;
        delete m_workerThread;
    }
    m_worker = nullptr;
    m_workerThread = nullptr;
    m_handedOff.reset();
}
