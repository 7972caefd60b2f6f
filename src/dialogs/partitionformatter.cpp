#include "partitionformatter.h"

#include "jobend.h"
#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "common/volumelabel.h"
#include "labelcheck.h"
#include "platform/platform.h"
#include "ui_partitionformatter.h"
#include "worker/diskoperationworker.h"

#include <QAbstractButton>
#include <QDebug>
#include <QIcon>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

namespace {

constexpr qint64 EightGiB = 8589934592LL;
constexpr int ProgressIntervalMs = 500;
constexpr int TimeoutMs = 300000;

const char *const BusyButtonStyle =
    "QPushButton { background-color: #6c757d; color: white; border: none; border-radius: 4px;"
    " padding: 6px 12px; min-width: 80px; max-width: 150px; font-size: 11px; }";

} // namespace

PartitionFormatter::PartitionFormatter(const PartitionInfo &partition, QWidget *parent)
    : QDialog(parent), ui(new Ui::PartitionFormatter), m_partitionInfo(partition)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    m_formatButtonStyle = ui->m_formatButton->styleSheet();

    m_progressTimer = new QTimer(this);
    m_timeoutTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, &PartitionFormatter::onFormatProgress);
    connect(m_timeoutTimer, &QTimer::timeout, this, &PartitionFormatter::onFormatTimeout);
    platform::Platform &p = platform::current();
    m_progressTimer->setInterval(p.scaledMs(ProgressIntervalMs));
    m_timeoutTimer->setSingleShot(true);
    m_timeoutTimer->setInterval(p.scaledMs(TimeoutMs));

    setupForm();

    connect(ui->m_fileSystemCombo, &QComboBox::currentIndexChanged, this, &PartitionFormatter::onFileSystemChanged);
    connect(ui->m_formatButton, &QPushButton::clicked, this, &PartitionFormatter::onFormatClicked);
    connect(ui->m_cancelButton, &QPushButton::clicked, this, &PartitionFormatter::onCancelClicked);

    onFileSystemChanged();
    // A refused partition shows a disabled button from the start, not only after an edit.
    validateInputs();
}

PartitionFormatter::~PartitionFormatter()
{
    // A running format is neither stopped nor waited for: it finishes on its own.
    releaseThread();
    delete ui;
}

FileSystemType PartitionFormatter::fileSystemTypeFromText(const QString &text)
{
    const QString upper = text.toUpper();
    if (upper == QLatin1String("FAT32"))
        return FileSystemType::FAT32;
    if (upper == QLatin1String("EXFAT"))
        return FileSystemType::exFAT;
    return FileSystemType::NTFS;
}

QString PartitionFormatter::fileSystemName(FileSystemType type)
{
    switch (type) {
    case FileSystemType::NTFS: return QStringLiteral("NTFS");
    case FileSystemType::FAT32: return QStringLiteral("FAT32");
    case FileSystemType::exFAT: return QStringLiteral("exFAT");
    }
    return QStringLiteral("NTFS");
}

QList<unsigned int> PartitionFormatter::clusterSizesFor(FileSystemType type, qint64 partitionBytes)
{
    switch (type) {
    case FileSystemType::NTFS: return {512, 1024, 2048, 4096, 8192, 16384, 32768, 65536};
    case FileSystemType::FAT32:
        if (partitionBytes < EightGiB)
            return {4096, 8192, 16384, 32768};
        return {8192, 16384, 32768, 65536};
    case FileSystemType::exFAT:
        return {512, 1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 262144, 524288};
    }
    return {};
}

QString PartitionFormatter::clusterSizeText(unsigned int bytes)
{
    // The sizes offered (clusterSizesFor) go no higher than 512 KB.
    return bytes < 1024 ? QStringLiteral("%1 B").arg(bytes) : QStringLiteral("%1 KB").arg(bytes / 1024);
}

void PartitionFormatter::setupForm()
{
    setWindowTitle(tr("Format Partition"));
    setModal(true);

    ui->m_warningLabel->setText(tr("⚠️ Formatting will cause data loss on %1!").arg(partitionName(m_partitionInfo)));

    ui->m_volumeLabelEdit->setMaxLength(32);
    ui->m_volumeLabelEdit->setPlaceholderText(tr("Enter volume label"));
    if (!m_partitionInfo.volumeLabel.isEmpty())
        ui->m_volumeLabelEdit->setText(m_partitionInfo.volumeLabel);

    ui->m_fileSystemCombo->clear();
    ui->m_fileSystemCombo->addItems({QStringLiteral("NTFS"), QStringLiteral("FAT32"), QStringLiteral("exFAT")});
    // The volume's own file system first: formatting it again is the common case.
    ui->m_fileSystemCombo->setCurrentIndex(
        std::max(0, ui->m_fileSystemCombo->findText(m_partitionInfo.fileSystem.trimmed(), Qt::MatchFixedString)));
    ui->m_quickFormatCheck->setChecked(true);

    ui->m_progressBar->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #bdc3c7; border-radius: 4px; text-align: center; } "
        "QProgressBar::chunk { background-color: #27ae60; border-radius: 3px; }"));
    ui->m_progressLabel->setStyleSheet(QStringLiteral("color: #2c3e50; font-weight: bold;"));
    ui->m_progressLabel->setText(tr("Ready to format"));
    ui->m_progressBar->hide();
    ui->m_progressLabel->hide();

    ui->m_formatButton->setText(tr("OK"));
    ui->m_cancelButton->setText(tr("Cancel"));
}

void PartitionFormatter::onFileSystemChanged()
{
    const FileSystemType type = fileSystemTypeFromText(ui->m_fileSystemCombo->currentText());
    ui->m_clusterSizeCombo->clear();
    ui->m_clusterSizeCombo->addItem(tr("Default"), 0u);
    for (unsigned int size : clusterSizesFor(type, m_partitionInfo.sizeBytes))
        ui->m_clusterSizeCombo->addItem(clusterSizeText(size), size);
}

FormatSettings PartitionFormatter::getFormatOptions() const
{
    FormatSettings settings;
    const QString drive = driveletter::driveOf(m_partitionInfo);
    settings.partitionPath = drive.isEmpty() ? makePartitionId(m_partitionInfo.diskIndex, m_partitionInfo.partitionNumber)
                                             : drive;

    settings.fileSystem = fileSystemTypeFromText(ui->m_fileSystemCombo->currentText());
    QString label = ui->m_volumeLabelEdit->text().trimmed();
    for (const QChar c : volumelabel::forbiddenCharacters(fileSystemName(settings.fileSystem)))
        label.remove(c);
    settings.volumeLabel = label;

    settings.clusterSize = ui->m_clusterSizeCombo->currentData().toUInt();
    settings.quickFormat = ui->m_quickFormatCheck->isChecked();
    return settings;
}

bool PartitionFormatter::identify(QString *reason) const
{
    const PartitionInfo &p = m_partitionInfo;
    const QString drive = driveletter::driveOf(p);
    if (drive.isEmpty() && (p.diskIndex < 0 || p.partitionNumber < 0)) {
        *reason = tr("Partition lacks necessary identification information");
        return false;
    }
    if (drive == QLatin1String("C:")) {
        *reason = tr("Cannot format system drive C:");
        return false;
    }
    // A letterless partition can still be one the machine cannot start or work without.
    switch (partitionGuard(p)) {
    case PartitionGuard::RunningSystem:
    case PartitionGuard::EfiSystem:
    case PartitionGuard::Msr:
        *reason = partitionGuardText(p);
        return false;
    default:
        return true;
    }
}

bool PartitionFormatter::validateInputs()
{
    QString reason;
    const bool valid = identify(&reason);
    ui->m_formatButton->setEnabled(valid && !m_isFormatting);
    ui->m_formatButton->setToolTip(valid ? QString() : reason);
    // The refusal stands where the user reads, in place of a data-loss warning for a format that cannot happen.
    if (!valid)
        ui->m_warningLabel->setText(QStringLiteral("⛔ ") + reason);
    return valid;
}

bool PartitionFormatter::acceptsSpecialPartition()
{
    const QString text = partitionGuardText(m_partitionInfo);
    if (text.isEmpty())
        return true;
    return QMessageBox::warning(this, tr("Special Partition"), tr("%1\n\nFormat it anyway?").arg(text),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void PartitionFormatter::onFormatClicked()
{
    if (m_isFormatting || !validateInputs())
        return;
    if (!labelAccepted(this, fileSystemName(fileSystemTypeFromText(ui->m_fileSystemCombo->currentText())),
                       ui->m_volumeLabelEdit->text().trimmed())
        || !acceptsSpecialPartition())
        return;
    const QString name = m_partitionInfo.driveLetter.isEmpty()
                             ? tr("Partition %1").arg(m_partitionInfo.partitionNumber)
                             : m_partitionInfo.driveLetter;
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("Confirm Format"),
        tr("Are you sure you want to format this partition?\n\n⚠️ This operation will permanently delete all data "
           "on the partition!\n\nPartition: %1\nFile System: %2\n\nThis action cannot be undone!")
            .arg(name, ui->m_fileSystemCombo->currentText()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        startFormat();
}

void PartitionFormatter::setInputsEnabled(bool enabled)
{
    ui->m_volumeLabelEdit->setEnabled(enabled);
    ui->m_fileSystemCombo->setEnabled(enabled);
    ui->m_clusterSizeCombo->setEnabled(enabled);
    ui->m_quickFormatCheck->setEnabled(enabled);
}

void PartitionFormatter::startFormat()
{
    m_isFormatting = true;
    m_progressStopped = false;
    m_simulatedProgress = 0;
    ui->m_progressBar->setValue(0);
    ui->m_progressBar->show();
    ui->m_progressLabel->setText(tr("Preparing to format..."));
    ui->m_progressLabel->show();
    setInputsEnabled(false);
    ui->m_formatButton->setEnabled(false);
    ui->m_formatButton->setText(tr("Formatting..."));
    ui->m_formatButton->setStyleSheet(QLatin1String(BusyButtonStyle));

    m_settings = getFormatOptions();

    m_workerThread = new QThread(this);
    // No parent: deleted when its thread ends.
    auto *worker = new DiskOperationWorker();
    worker->moveToThread(m_workerThread);
    m_worker = worker;
    m_report = jobend::collect(worker, this);

    DiskOperationWorker::FormatOptions options;
    options.partitionPath = m_settings.partitionPath;
    options.fileSystem = fileSystemName(m_settings.fileSystem);
    options.volumeLabel = m_settings.volumeLabel;
    options.clusterSize = int(m_settings.clusterSize);
    options.quickFormat = m_settings.quickFormat;
    options.confirmed = m_partitionInfo;
    qDebug() << "[PartitionFormatter] 开始格式化:" << options.partitionPath << options.fileSystem
             << options.volumeLabel << options.clusterSize << options.quickFormat;

    // Direct: the job runs inside the new thread's start, before its event loop.
    connect(m_workerThread, &QThread::started, worker, [worker, options] { worker->formatPartitionAsync(options); },
            Qt::DirectConnection);
    connect(worker, &DiskOperationWorker::operationProgress, this, &PartitionFormatter::showProgress);
    connect(worker, &DiskOperationWorker::operationCompleted, this, &PartitionFormatter::finishFormat);
    connect(m_workerThread, &QThread::finished, worker, &QObject::deleteLater);
    connect(m_workerThread, &QThread::finished, m_workerThread, &QObject::deleteLater);
    emit formatStarted(worker);

    m_progressTimer->start();
    m_timeoutTimer->start();
    m_workerThread->start(QThread::InheritPriority);
}

void PartitionFormatter::showProgress(int percent)
{
    ui->m_progressBar->setValue(percent);
    if (percent < 20)
        ui->m_progressLabel->setText(tr("Preparing partition for format..."));
    else if (percent < 50)
        ui->m_progressLabel->setText(tr("Creating file system..."));
    else if (percent < 80)
        ui->m_progressLabel->setText(tr("Writing file system structures..."));
    else
        ui->m_progressLabel->setText(tr("Finalizing format operation..."));
}

void PartitionFormatter::onFormatProgress()
{
    if (m_progressStopped)
        return;
    m_simulatedProgress = qMin(m_simulatedProgress + 5, 95);
    showProgress(m_simulatedProgress);
}

void PartitionFormatter::onFormatTimeout()
{
    qDebug() << "Format operation timed out";
    m_progressStopped = true;
}

void PartitionFormatter::reject()
{
    onCancelClicked();
}

void PartitionFormatter::onCancelClicked()
{
    if (!m_isFormatting) {
        QDialog::reject();
        return;
    }
    if (m_cancelQuestion)
        return; // asked already
    // Not exec'd: the dialog keeps taking the job's reports, and the job's end closes the box.
    auto *box = new QMessageBox(QMessageBox::Question, tr("Cancel Format"),
                                tr("Format operation is in progress. Do you want to cancel it?") + QStringLiteral("\n\n")
                                    + tr("A format that has already begun cannot be stopped half-way: it will finish, "
                                         "and its result will be shown."),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this, [this, box](QAbstractButton *button) {
        if (box->standardButton(button) == QMessageBox::Yes)
            cancelRunningFormat();
    });
    m_cancelQuestion = box;
    box->open();
}

void PartitionFormatter::cancelRunningFormat()
{
    if (!m_isFormatting || !m_worker)
        return;
    // Only an atomic flag crosses: the job looks at it before its next step.
    m_worker->cancelOperation();
    m_progressTimer->stop();
    m_timeoutTimer->stop();
    releaseThread();
    QDialog::reject();
}

void PartitionFormatter::releaseThread()
{
    QThread *thread = m_workerThread;
    m_workerThread = nullptr;
    m_worker = nullptr;
    if (!thread)
        return;
    // Quit before its event loop starts makes that loop end at once, so the thread ends as soon
    // as the job has returned; it outlives the dialog if need be.
    thread->setParent(nullptr);
    thread->quit();
}

void PartitionFormatter::finishFormat(bool success, const QString &message)
{
    m_progressTimer->stop();
    m_timeoutTimer->stop();
    m_isFormatting = false;
    ui->m_progressBar->hide();
    ui->m_progressLabel->hide();
    setInputsEnabled(true);
    ui->m_formatButton->setStyleSheet(m_formatButtonStyle);
    ui->m_formatButton->setText(tr("OK"));
    validateInputs();
    releaseThread();
    // Nothing is left to cancel: the result takes the question's place.
    if (m_cancelQuestion)
        m_cancelQuestion->close();

    if (!isVisible()) {
        // Cancelled or closed meanwhile: whoever follows the worker shows the result.
        qDebug() << "[PartitionFormatter] 格式化结束（对话框已关闭）:" << success << message;
        return;
    }
    if (success) {
        jobend::show(this, true, tr("Format Complete"), tr("The partition has been formatted successfully!"), *m_report);
        accept();
        return;
    }
    jobend::show(this, false, tr("Format Failed"),
                 message.isEmpty() ? tr("Failed to format the partition.")
                                   : tr("Failed to format the partition.\n\nError: %1").arg(message),
                 *m_report);
}
