#include "resizedialog.h"
#include "ui_resizedialog.h"

#include "jobend.h"
#include "partitionresizebar.h"
#include "platform/platform.h"
#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QCoreApplication>
#include <QDebug>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 MiB = 1048576;
constexpr qint64 MinimumChangeMB = 100;

const char DialogStyle[] =
    "QDialog { background-color: #ffffff; border-radius: 10px; }"
    "QFrame#infoBackground, QFrame#inputBackground { background-color: #f7f9fb; border: 1px solid #e1e6eb;"
    " border-radius: 8px; }"
    "QFrame#buttonBackground { background-color: #ffffff; }"
    "QLabel { color: #2c3e50; }"
    "QPushButton { border-radius: 5px; padding: 7px 22px; }"
    "QPushButton#btnOk { background-color: #3498db; color: white; border: none; font-weight: bold; }"
    "QPushButton#btnOk:hover { background-color: #2980b9; }"
    "QPushButton#btnOk:disabled { background-color: #bdc3c7; }"
    "QPushButton#btnCancel { background-color: #ecf0f1; color: #2c3e50; border: 1px solid #d0d7de; }";

const char BlueButton[] = "background-color: #3498db; color: white; border-radius: 4px; padding: 5px 18px;";
const char RedButton[] = "background-color: #e74c3c; color: white; border-radius: 4px; padding: 5px 18px;";
const char GreenButton[] = "background-color: #27ae60; color: white; border-radius: 4px; padding: 5px 18px;";

// The bar works in int; partition sizes in MB stay far below its limit, but never wrap.
int barValue(qint64 megabytes)
{
    return int(std::clamp<qint64>(megabytes, 0, std::numeric_limits<int>::max()));
}

QString gigabytes(qint64 megabytes)
{
    return QString::number(double(megabytes) / 1024.0, 'f', 2);
}


} // namespace

ResizeDialog::ResizeDialog(qint64 minSizeMB, qint64 maxSizeMB, QWidget *parent)
    : QDialog(parent), ui(new Ui::ResizeDialog)
{
    ui->setupUi(this);
    setModal(true);
    resize(850, 430);
    setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    setStyleSheet(QString::fromLatin1(DialogStyle));

    m_storageManager = new WindowsStorageManager(this);

    m_resizeBar = new PartitionResizeBar(this);
    m_resizeBar->setObjectName(QStringLiteral("resizeBar"));
    m_resizeBar->setRange(barValue(minSizeMB), barValue(maxSizeMB));
    ui->inputLayout->insertWidget(1, m_resizeBar);

    connect(ui->spinBoxSize, &QDoubleSpinBox::valueChanged, this, &ResizeDialog::onSpinBoxValueChanged);
    connect(m_resizeBar, &PartitionResizeBar::valuesChanged, this, &ResizeDialog::onBarValuesChanged);
    connect(ui->btnOk, &QPushButton::clicked, this, &ResizeDialog::onOkClicked);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    ui->progressBar->setFormat(tr("Resizing... %p%"));
    ui->progressBar->hide();
    ui->progressContainer->hide();
    ui->btnOk->setEnabled(false);
}

ResizeDialog::~ResizeDialog()
{
    if (m_thread && m_operationInProgress)
        qWarning() << "ResizeDialog closed while the resize runs; it will finish on its own";
    releaseThread();
    delete ui;
}

int ResizeDialog::exec()
{
    // A record or connection already refused: the message has been shown, the dialog is not.
    if (m_setupFailed)
        return QDialog::Rejected;
    return QDialog::exec();
}

void ResizeDialog::accept()
{
    QDialog::accept();
}

void ResizeDialog::fail(const QString &title, const QString &text)
{
    QMessageBox::critical(this, title, text);
    // Not shown yet: exec() returns Rejected without showing it.
    m_setupFailed = true;
}

void ResizeDialog::setPartitionInfo(const PartitionInfo &info, qint64 currentSizeMB, qint64 unallocatedSpaceMB,
                                    qint64 supportedMinimumMB)
{
    if (info.id.isEmpty()) {
        fail(tr("Error"), tr("Invalid partition information. Partition ID is missing."));
        return;
    }
    if (currentSizeMB <= 0) {
        fail(tr("Error"), tr("Invalid partition size information."));
        return;
    }
    m_partitionInfo = info;
    m_currentSizeMB = currentSizeMB;
    m_unallocatedSpaceMB = unallocatedSpaceMB;
    m_minSizeMB = std::max<qint64>({qint64(double(currentSizeMB) * 0.2) + 100, 100, supportedMinimumMB});
    m_maxSizeMB = currentSizeMB + unallocatedSpaceMB;

    m_resizeBar->setRange(0, barValue(m_maxSizeMB));
    m_resizeBar->setValues(0, barValue(currentSizeMB));
    m_updatingControls = true;
    ui->spinBoxSize->setDecimals(2);
    ui->spinBoxSize->setRange(double(m_minSizeMB) / 1024.0, double(m_maxSizeMB) / 1024.0);
    ui->spinBoxSize->setSingleStep(0.1);
    ui->spinBoxSize->setSuffix(tr(" GB"));
    ui->spinBoxSize->setValue(double(currentSizeMB) / 1024.0);
    m_updatingControls = false;

    ui->labelName->setText(info.name);
    ui->labelCurrentSize->setText(info.sizeStr);
    ui->labelFileSystem->setText(info.fileSystem.isEmpty() ? tr("Unknown") : info.fileSystem);

    if (!m_storageManager->initialize()) {
        fail(tr("Initialization Error"),
             tr("Failed to initialize Windows Storage Management API.\nMake sure you have administrator privileges."));
        return;
    }
    ui->btnOk->setEnabled(true);
}

void ResizeDialog::onSpinBoxValueChanged(double gigabytes)
{
    // The bar reports drags only, not values set on it: setting it needs no guard.
    if (m_updatingControls)
        return;
    // The spin box rounds its minimum to two decimals of GB, which can fall a few MB below the
    // smallest size allowed: its lowest value means that smallest size.
    const qint64 megabytes = std::max(qint64(gigabytes * 1024.0), m_minSizeMB);
    m_resizeBar->setValues(0, barValue(std::min(megabytes, m_maxSizeMB)));
}

void ResizeDialog::onBarValuesChanged(int, int end)
{
    if (m_updatingControls)
        return;
    m_updatingControls = true;
    ui->spinBoxSize->setValue(double(end) / 1024.0);
    m_updatingControls = false;
}

void ResizeDialog::onOkClicked()
{
    if (m_operationInProgress)
        return;
    const qint64 newSizeMB = m_resizeBar->endValue();
    const qint64 newSizeBytes = newSizeMB * MiB;

    const qint64 difference = std::abs(newSizeMB - m_currentSizeMB);
    if (difference < MinimumChangeMB) {
        QMessageBox::information(this, tr("No Significant Change"),
                                 tr("The selected size is too close to the current size.\n"
                                    "Minimum change required: 100 MB\nCurrent difference: %1 MB")
                                     .arg(difference));
        return;
    }
    if (newSizeMB < m_minSizeMB || newSizeMB > m_maxSizeMB) {
        QMessageBox::warning(this, tr("Invalid Size"),
                             tr("Selected size is out of valid range.\n\nValid range: %1 MB - %2 MB\nSelected: %3 MB")
                                 .arg(m_minSizeMB)
                                 .arg(m_maxSizeMB)
                                 .arg(newSizeMB));
        return;
    }
    if (!confirmResize(newSizeMB))
        return;
    startResizeJob(newSizeBytes);
}

bool ResizeDialog::confirmResize(qint64 newSizeMB)
{
    const qint64 delta = newSizeMB - m_currentSizeMB;
    const QString action = delta < 1 ? tr("shrink") : tr("expand");
    const QString change = delta < 0 ? tr("Shrinkage: %1 MB (%2 GB)").arg(-delta).arg(gigabytes(-delta)) // by how much, not a negative size
                                     : tr("Expansion: +%1 MB (+%2 GB)").arg(delta).arg(gigabytes(delta));
    QString warning = delta < 0 ? tr("\n\n⚠️ Make sure to backup important data before proceeding.") : QString();
    // The job reformats a FAT32 partition as NTFS before resizing it: everything on it goes.
    const bool erases = m_partitionInfo.fileSystem.trimmed().compare(QLatin1String("FAT32"), Qt::CaseInsensitive) == 0;
    if (erases)
        warning += tr("\n\n⚠️ This partition is FAT32. To resize it, it is first reformatted as NTFS, "
                      "which ERASES ALL ITS CONTENTS: every file on it will be lost.");
    const QString text = tr("Are you sure you want to %1 the partition?\n\nPartition: %2\nCurrent size: %3 MB (%4 GB)\n"
                            "New size: %5 MB (%6 GB)\n%7%8")
                             .arg(action, m_partitionInfo.name)
                             .arg(m_currentSizeMB)
                             .arg(gigabytes(m_currentSizeMB))
                             .arg(newSizeMB)
                             .arg(gigabytes(newSizeMB), change, warning);

    QMessageBox box(erases ? QMessageBox::Warning : QMessageBox::Question, tr("Confirm Partition Resize"), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(tr("Yes"));
    box.button(QMessageBox::Yes)->setStyleSheet(QString::fromLatin1(GreenButton));
    box.button(QMessageBox::No)->setText(tr("No"));
    box.button(QMessageBox::No)->setStyleSheet(QString::fromLatin1(RedButton));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

void ResizeDialog::startResizeJob(qint64 newSizeBytes)
{
    m_operationInProgress = true;
    ui->btnOk->setEnabled(false);
    ui->btnCancel->setEnabled(false);
    ui->progressContainer->show();
    ui->progressBar->show();
    ui->progressBar->setValue(0);
    ui->progressBar->setFormat(tr("Preparing resize... %p%"));

    releaseThread(); // an earlier job's thread that has not been released yet

    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("ResizePartitionWorkerThread"));
    m_worker = new DiskOperationWorker();
    m_worker->moveToThread(m_thread);
    m_report = jobend::collect(m_worker, this);
    m_worker->m_storageManager = m_storageManager;
    m_worker->m_thread = m_thread;

    QThread *thread = m_thread;
    DiskOperationWorker *worker = m_worker;
    const PartitionInfo confirmed = m_partitionInfo;
    connect(thread, &QThread::started, this, [this, worker, confirmed, newSizeBytes] {
        ui->progressBar->setFormat(tr("Starting resize... %p%"));
        ui->progressBar->setValue(1);
        QMetaObject::invokeMethod(worker, "resizeConfirmedPartitionAsync", Qt::QueuedConnection,
                                  Q_ARG(PartitionInfo, confirmed), Q_ARG(qlonglong, newSizeBytes));
    });
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &DiskOperationWorker::operationProgress, this, &ResizeDialog::onResizeProgress,
            Qt::QueuedConnection);
    connect(worker, &DiskOperationWorker::operationCompleted, this, &ResizeDialog::onResizeCompleted,
            Qt::QueuedConnection);
    emit resizeStarted(worker);

    thread->start(QThread::InheritPriority);
}

void ResizeDialog::onResizeProgress(int percent)
{
    ui->progressBar->setValue(percent);
    if (percent < 10)
        ui->progressBar->setFormat(tr("Detecting file system... %p%"));
    else if (percent < 30)
        ui->progressBar->setFormat(tr("Converting to NTFS... %p%"));
    else if (percent < 60)
        ui->progressBar->setFormat(tr("Preparing partition... %p%"));
    else if (percent < 90)
        ui->progressBar->setFormat(tr("Resizing partition... %p%"));
    else
        ui->progressBar->setFormat(tr("Finalizing changes... %p%"));
}

void ResizeDialog::onResizeCompleted(bool success, const QString &message)
{
    m_operationInProgress = false;
    ui->btnOk->setEnabled(true);
    ui->btnCancel->setEnabled(true);
    ui->progressBar->hide();
    ui->progressContainer->hide();
    // Released a moment later, when the job has returned; a job started meanwhile keeps its thread.
    QThread *finishedThread = m_thread;
    QTimer::singleShot(platform::current().scaledMs(100), this, [this, finishedThread] {
        if (m_thread == finishedThread)
            releaseThread();
    });

    if (success) {
        jobend::show(this, true, tr("Success"),
                     tr("Partition resized successfully!\n\nThe partition size has been changed. You may need to "
                        "refresh the disk view to see the changes."),
                     *m_report, QLatin1String(BlueButton));
        emit partitionResized();
        accept();
        return;
    }
    jobend::show(this, false, tr("Resize Failed"), tr("Failed to resize partition.\n\nError: %1").arg(message),
                 *m_report, QLatin1String(RedButton));
}

void ResizeDialog::releaseThread()
{
    if (!m_thread)
        return;
    QThread *thread = m_thread;
    DiskOperationWorker *worker = m_worker;
    m_thread = nullptr;
    m_worker = nullptr;

    // Never waited for and never terminated: a resize stopped half-way is worse than a late
    // result. The quit is queued behind the job on the worker's own thread, so it takes effect
    // once the job has returned; the thread's end then releases the worker and the thread.
    thread->setParent(nullptr);
    if (thread->isFinished()) { // its end has released the worker already
        thread->deleteLater();
        return;
    }
    if (!thread->isRunning()) { // never started
        delete worker;
        delete thread;
        return;
    }
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QMetaObject::invokeMethod(worker, [thread] { thread->quit(); }, Qt::QueuedConnection);
}
