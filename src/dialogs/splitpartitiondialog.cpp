#include "splitpartitiondialog.h"

#include "dialogbuttons.h"
#include "jobend.h"
#include "labelcheck.h"

#include "platform/platform.h"
#include "worker/diskoperationworker.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr qint64 MinimumPart = 104857600;   // 100 MiB
constexpr qint64 SmallPartition = 209715200; // 200 MiB
constexpr double BytesPerGb = 1024.0 * 1024.0 * 1024.0;
constexpr int SliderScale = 10000;
constexpr int MaximumLabelLength = 32;

QLabel *barLabel(QWidget *bar, const QString &colour)
{
    bar->setStyleSheet(QStringLiteral("background-color: %1; border-radius: 4px;").arg(colour));
    auto *layout = new QVBoxLayout(bar);
    layout->setContentsMargins(6, 6, 6, 6);
    auto *label = new QLabel(bar);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    layout->addWidget(label);
    return label;
}

QLabel *dot(const QString &name, const QString &colour, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedSize(12, 12);
    label->setStyleSheet(QStringLiteral("background-color: %1; border-radius: 6px;").arg(colour));
    return label;
}

} // namespace

SplitPartitionDialog::SplitPartitionDialog(const PartitionInfo &partition, QWidget *parent)
    : QDialog(parent), m_partition(partition), m_total(partition.sizeBytes)
{
    m_minKeep = m_minNew = MinimumPart;
    if (m_total <= SmallPartition)
        m_minKeep = m_minNew = m_total / 3;
    m_maxKeep = m_total - m_minKeep;
    m_maxNew = m_total - m_minNew;

    setupUi();
    setWindowTitle(tr("Split a partition - %1 (%2 GB)").arg(partitionName(), QString::number(totalGb(), 'f', 2)));
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    setModal(true);

    const double total = totalGb();
    // Two decimals, the spin box's default.
    m_originalSizeSpinBox->setSingleStep(0.1);
    m_newSizeSpinBox->setSingleStep(0.1);
    m_originalSizeSpinBox->setRange(m_minKeep / BytesPerGb, m_maxKeep / BytesPerGb);
    m_newSizeSpinBox->setRange(m_minNew / BytesPerGb, m_maxNew / BytesPerGb);
    const int low = m_total > 0 ? int(double(m_minKeep) / double(m_total) * SliderScale) : 0;
    const int high = m_total > 0 ? int(double(m_maxKeep) / double(m_total) * SliderScale) : 0;
    m_sizeSlider->setRange(low, high);
    m_sizeSlider->setValue(qBound(low, 6000, high));

    m_fileSystemCombo->addItem(tr("NTFS (recommend)"), QStringLiteral("NTFS"));
    m_fileSystemCombo->addItem(QStringLiteral("FAT32"), QStringLiteral("FAT32"));
    m_fileSystemCombo->addItem(QStringLiteral("exFAT"), QStringLiteral("exFAT"));
    fillDriveLetters();
    m_volumeLabelEdit->setMaxLength(MaximumLabelLength);
    m_volumeLabelEdit->setText(tr("New Partition"));
    m_progressFrame->hide();

    m_updating = true;
    const double keep = m_total * 0.6 / BytesPerGb;
    m_originalSizeSpinBox->setValue(keep);
    m_newSizeSpinBox->setValue(total - keep);
    m_updating = false;
    updatePreview();
    m_valid = computeValidity();
    m_splitButton->setEnabled(m_valid);

    connect(m_sizeSlider, &QSlider::valueChanged, this, &SplitPartitionDialog::onSizeSliderChanged);
    connect(m_originalSizeSpinBox, &QDoubleSpinBox::valueChanged, this, &SplitPartitionDialog::onOriginalSizeChanged);
    connect(m_newSizeSpinBox, &QDoubleSpinBox::valueChanged, this, &SplitPartitionDialog::onNewSizeChanged);
    connect(m_volumeLabelEdit, &QLineEdit::textChanged, this, &SplitPartitionDialog::afterSizeChange);
    connect(m_splitButton, &QPushButton::clicked, this, &SplitPartitionDialog::onSplitButtonClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &SplitPartitionDialog::onCancelButtonClicked);
}

SplitPartitionDialog::~SplitPartitionDialog()
{
    releaseWorkerThread();
}

QString SplitPartitionDialog::partitionName() const
{
    return m_partition.driveLetter.isEmpty() ? m_partition.devicePath : m_partition.driveLetter;
}

double SplitPartitionDialog::totalGb() const
{
    return m_total / BytesPerGb;
}

void SplitPartitionDialog::setupUi()
{
    resize(620, 560);
    auto *layout = new QVBoxLayout(this);

    auto *header = new QLabel(tr("Split the partition into the part it keeps and a new partition"), this);
    header->setObjectName(QStringLiteral("headerLabel"));
    header->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: bold; color: #2c3e50;"));
    layout->addWidget(header);

    auto *previewGroup = new QGroupBox(tr("Split Preview"), this);
    previewGroup->setObjectName(QStringLiteral("previewGroup"));
    auto *previewLayout = new QVBoxLayout(previewGroup);
    auto *visualFrame = new QFrame(previewGroup);
    visualFrame->setObjectName(QStringLiteral("visualFrame"));
    visualFrame->setMinimumHeight(60);
    auto *bars = new QHBoxLayout(visualFrame);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(2);
    m_originalBar = new QWidget(visualFrame);
    m_originalBar->setObjectName(QStringLiteral("originalBar"));
    m_originalBarLabel = barLabel(m_originalBar, QStringLiteral("#3498db"));
    m_newBar = new QWidget(visualFrame);
    m_newBar->setObjectName(QStringLiteral("newBar"));
    m_newBarLabel = barLabel(m_newBar, QStringLiteral("#27ae60"));
    bars->addWidget(m_originalBar);
    bars->addWidget(m_newBar);
    previewLayout->addWidget(visualFrame);
    m_legend = new QWidget(previewGroup);
    auto *legend = new QHBoxLayout(m_legend);
    legend->setContentsMargins(0, 0, 0, 0);
    legend->addWidget(dot(QStringLiteral("originalDot"), QStringLiteral("#3498db"), m_legend));
    auto *originalLabel = new QLabel(tr("Original partition (retain)"), m_legend);
    originalLabel->setObjectName(QStringLiteral("originalLabel"));
    legend->addWidget(originalLabel);
    legend->addSpacing(20);
    legend->addWidget(dot(QStringLiteral("newDot"), QStringLiteral("#27ae60"), m_legend));
    auto *newLabel = new QLabel(tr("New Partition (Create)"), m_legend);
    newLabel->setObjectName(QStringLiteral("newLabel"));
    legend->addWidget(newLabel);
    legend->addStretch(1);
    previewLayout->addWidget(m_legend);
    layout->addWidget(previewGroup);

    auto *sizeGroup = new QGroupBox(tr("Partition Size"), this);
    sizeGroup->setObjectName(QStringLiteral("sizeGroup"));
    auto *sizeLayout = new QFormLayout(sizeGroup);
    m_sizeSlider = new QSlider(Qt::Horizontal, sizeGroup);
    m_sizeSlider->setObjectName(QStringLiteral("sizeSlider"));
    sizeLayout->addRow(m_sizeSlider);
    m_originalSizeSpinBox = new QDoubleSpinBox(sizeGroup);
    m_originalSizeSpinBox->setObjectName(QStringLiteral("originalSizeSpinBox"));
    sizeLayout->addRow(tr("Keep partition size (GB)"), m_originalSizeSpinBox);
    m_newSizeSpinBox = new QDoubleSpinBox(sizeGroup);
    m_newSizeSpinBox->setObjectName(QStringLiteral("newSizeSpinBox"));
    sizeLayout->addRow(tr("New partition size(GB)"), m_newSizeSpinBox);
    layout->addWidget(sizeGroup);

    auto *configGroup = new QGroupBox(tr("Configuration"), this);
    configGroup->setObjectName(QStringLiteral("configGroup"));
    auto *configLayout = new QFormLayout(configGroup);
    m_fileSystemCombo = new QComboBox(configGroup);
    m_fileSystemCombo->setObjectName(QStringLiteral("fileSystemCombo"));
    configLayout->addRow(tr("File System"), m_fileSystemCombo);
    m_driveLetterCombo = new QComboBox(configGroup);
    m_driveLetterCombo->setObjectName(QStringLiteral("driveLetterCombo"));
    configLayout->addRow(tr("Drive letter"), m_driveLetterCombo);
    m_volumeLabelEdit = new QLineEdit(configGroup);
    m_volumeLabelEdit->setObjectName(QStringLiteral("volumeLabelEdit"));
    configLayout->addRow(tr("Label"), m_volumeLabelEdit);
    // The new partition is formatted with its file system's default unit: the split carries no
    // unit size, so no choice of one is offered.
    layout->addWidget(configGroup);

    m_progressFrame = new QFrame(this);
    m_progressFrame->setObjectName(QStringLiteral("progressFrame"));
    auto *progressLayout = new QVBoxLayout(m_progressFrame);
    m_progressBar = new QProgressBar(m_progressFrame);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    progressLayout->addWidget(m_progressBar);
    m_progressLabel = new QLabel(tr("Ready to split..."), m_progressFrame);
    m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
    progressLayout->addWidget(m_progressLabel);
    layout->addWidget(m_progressFrame);
    layout->addStretch(1);

    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    m_cancelButton = makeDialogButton(tr("Cancel"), "cancelButton", this);
    buttons->addWidget(m_cancelButton);
    m_splitButton = makeDialogButton(tr("Start"), "splitButton", this);
    buttons->addWidget(m_splitButton);
    layout->addLayout(buttons);
}

void SplitPartitionDialog::fillDriveLetters()
{
    m_driveLetterCombo->addItem(tr("Auto"), QString());
    platform::Platform &p = platform::current();
    for (char c = 'D'; c <= 'Z'; ++c) {
        const QString letter(QLatin1Char{c});
        if (p.getDriveType((letter + QStringLiteral(":\\")).toStdWString()) == platform::DRIVE_NO_ROOT_DIR)
            m_driveLetterCombo->addItem(letter + QLatin1Char(':'), letter);
    }
}

void SplitPartitionDialog::onSizeSliderChanged(int value)
{
    if (m_updating)
        return;
    m_updating = true;
    const double keep = double(value) / SliderScale * totalGb();
    m_originalSizeSpinBox->setValue(keep);
    m_newSizeSpinBox->setValue(totalGb() - keep);
    m_updating = false;
    afterSizeChange();
}

void SplitPartitionDialog::onOriginalSizeChanged(double value)
{
    if (m_updating)
        return;
    m_updating = true;
    double keep = value;
    double fresh = totalGb() - keep;
    const double minimumNew = m_minNew / BytesPerGb;
    if (minimumNew > fresh) {
        fresh = minimumNew;
        keep = totalGb() - fresh;
        m_originalSizeSpinBox->setValue(keep);
    }
    m_newSizeSpinBox->setValue(fresh);
    m_sizeSlider->setValue(int(keep / totalGb() * SliderScale));
    m_updating = false;
    afterSizeChange();
}

void SplitPartitionDialog::onNewSizeChanged(double value)
{
    if (m_updating)
        return;
    m_updating = true;
    double keep = totalGb() - value;
    const double minimumKeep = m_minKeep / BytesPerGb;
    if (minimumKeep > keep) {
        keep = minimumKeep;
        m_newSizeSpinBox->setValue(totalGb() - keep);
    }
    m_originalSizeSpinBox->setValue(keep);
    m_sizeSlider->setValue(int(keep / totalGb() * SliderScale));
    m_updating = false;
    afterSizeChange();
}

void SplitPartitionDialog::afterSizeChange()
{
    updatePreview();
    m_valid = computeValidity();
    m_splitButton->setEnabled(m_valid && !m_busy);
}

void SplitPartitionDialog::updatePreview()
{
    const double keep = m_originalSizeSpinBox->value();
    const double fresh = m_newSizeSpinBox->value();
    const QString name = m_partition.driveLetter.isEmpty() ? tr("Original partition") : m_partition.driveLetter;
    m_originalBarLabel->setText(tr("Retain partition (%1) %2 GB").arg(name, QString::number(keep, 'f', 2)));
    m_newBarLabel->setText(tr("New partition %1 GB").arg(QString::number(fresh, 'f', 2)));
    auto *bars = static_cast<QHBoxLayout *>(m_originalBar->parentWidget()->layout());
    const double sum = keep + fresh;
    const int keepStretch = sum > 0 ? qMax(1, int(keep / sum * 1000)) : 1;
    bars->setStretch(0, keepStretch);
    bars->setStretch(1, qMax(1, 1000 - keepStretch));
}

bool SplitPartitionDialog::computeValidity()
{
    const double keep = m_originalSizeSpinBox->value();
    const double fresh = m_newSizeSpinBox->value();
    return keep + fresh <= totalGb() + 0.01 && qint64(keep * BytesPerGb) >= m_minKeep
           && qint64(fresh * BytesPerGb) >= m_minNew && m_volumeLabelEdit->text().trimmed().size() <= MaximumLabelLength;
}

SplitPartitionOptions SplitPartitionDialog::options() const
{
    SplitPartitionOptions o;
    o.partitionId = QStringLiteral("%1:%2").arg(m_partition.diskIndex).arg(m_partition.partitionNumber);
    o.devicePath = m_partition.devicePath.isEmpty() ? m_partition.driveLetter : m_partition.devicePath;
    o.originalSizeBytes = m_total;
    o.keepSizeBytes = qint64(m_originalSizeSpinBox->value() * BytesPerGb);
    o.newSizeBytes = qint64(m_newSizeSpinBox->value() * BytesPerGb);
    o.newFileSystem = m_fileSystemCombo->currentData().toString();
    o.newVolumeLabel = m_volumeLabelEdit->text().trimmed();
    o.newDriveLetter = m_driveLetterCombo->currentData().toString();
    o.formatNewPartition = true;
    o.validateBeforeSplit = true;
    return o;
}

void SplitPartitionDialog::onSplitButtonClicked()
{
    // Start is enabled only while the sizes are valid and no split runs.
    if (m_busy || !m_valid || !labelAccepted(this, m_fileSystemCombo->currentData().toString(), m_volumeLabelEdit->text().trimmed()))
        return;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Confirm Split"),
        tr("Partition %1 will be split:\n\n• Reserved partition: %2 GB\n• New partition: %3 GB\n• File system: %4\n\n"
           "This operation is irreversible, do you want to continue?")
            .arg(partitionName(), QString::number(m_originalSizeSpinBox->value(), 'f', 2),
                 QString::number(m_newSizeSpinBox->value(), 'f', 2), m_fileSystemCombo->currentText()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    setBusy(true);
    setUpWorkerThread();
    emit splitStarted(m_worker);
    QMetaObject::invokeMethod(m_worker, "startSplitPartition", Qt::QueuedConnection,
                              Q_ARG(SplitPartitionOptions, options()));
}

void SplitPartitionDialog::setUpWorkerThread()
{
    releaseWorkerThread();
    m_workerThread = new QThread(this);
    m_worker = new DiskOperationWorker();
    m_worker->moveToThread(m_workerThread);
    m_report = jobend::collect(m_worker, this);
    m_worker->m_storageManager = m_storageManager;
    connect(m_worker, &DiskOperationWorker::splitPartitionProgress, this, &SplitPartitionDialog::onSplitProgress);
    connect(m_worker, &DiskOperationWorker::splitPartitionStatusChanged, this, &SplitPartitionDialog::onSplitStatusChanged);
    connect(m_worker, &DiskOperationWorker::splitPartitionFinished, this, &SplitPartitionDialog::onSplitFinished);
    connect(m_workerThread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_workerThread, &QThread::finished, m_workerThread, &QObject::deleteLater);
    m_workerThread->start(QThread::InheritPriority);
}

void SplitPartitionDialog::releaseWorkerThread()
{
    // Never waits and never terminates: a shrink or a creation cut off half-way could leave the
    // disk damaged. A running split is asked to stop before its next step; the thread quits once
    // the split has ended, and its end releases the worker and the thread.
    QThread *thread = m_workerThread;
    DiskOperationWorker *worker = m_worker;
    m_workerThread = nullptr;
    m_worker = nullptr;
    if (!thread)
        return;
    thread->setParent(nullptr);
    if (!m_busy) {
        thread->quit();
        return;
    }
    worker->cancelSplitOperation();
    connect(worker, &DiskOperationWorker::splitPartitionFinished, thread, &QThread::quit, Qt::DirectConnection);
    // Queued behind a split not yet begun; a split that already ended has cleared its flag.
    QMetaObject::invokeMethod(worker, [worker, thread] {
        if (!worker->isDeleting())
            thread->quit();
    }, Qt::QueuedConnection);
}

void SplitPartitionDialog::setBusy(bool busy)
{
    m_busy = busy;
    m_progressFrame->setVisible(busy);
    m_legend->setVisible(!busy);
    m_splitButton->setEnabled(!busy && m_valid);
    m_cancelButton->setText(busy ? tr("Force Cancel") : tr("Cancel"));
    for (QWidget *input : {static_cast<QWidget *>(m_fileSystemCombo), static_cast<QWidget *>(m_driveLetterCombo),
                           static_cast<QWidget *>(m_volumeLabelEdit)})
        input->setEnabled(!busy);
    if (busy) {
        m_progressBar->setValue(0);
        m_progressLabel->setText(tr("Ready to split..."));
    }
}

void SplitPartitionDialog::onCancelButtonClicked()
{
    reject();
}

void SplitPartitionDialog::reject()
{
    if (!m_busy) {
        QDialog::reject();
        return;
    }
    if (m_question.isOpen())
        return;
    const QMessageBox::StandardButton answer = m_question.ask(
        this, tr("Confirm cancellation"),
        tr("The split stops after the step under way: a step that changes the disk is never stopped "
           "half-way. If the partition has already been shrunk, the freed space is left unallocated.\n"
           "Confirm cancellation?"));
    // A split that ended while the question was open has closed it and shown its result.
    if (!m_busy || answer != QMessageBox::Yes)
        return;
    // The split stops before its next step; the window that opened the dialog shows its result.
    if (m_worker)
        m_worker->cancelSplitOperation();
    QDialog::reject();
}

void SplitPartitionDialog::onSplitProgress(QString step, int percentage)
{
    m_progressBar->setValue(percentage);
    m_progressLabel->setText(step);
    m_lastProgress = percentage;
}

void SplitPartitionDialog::onSplitStatusChanged(QString status)
{
    m_progressLabel->setText(status);
}

void SplitPartitionDialog::onSplitFinished(bool success, QString message)
{
    setBusy(false);
    releaseWorkerThread();
    m_question.jobEnded([this, success, message] { showSplitEnd(success, message); });
}

void SplitPartitionDialog::showSplitEnd(bool success, const QString &message)
{
    if (!isVisible())
        return; // closed during the split: whoever opened the dialog reports the result
    if (!success) {
        jobend::show(this, false, tr("拆分失败"), message, *m_report);
        return;
    }
    jobend::show(this, true, tr("Splitting successful"), message, *m_report);
    accept();
}
