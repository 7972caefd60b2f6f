#include "deletepartitionpage.h"

#include "dialogbuttons.h"
#include "jobend.h"

#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "worker/diskoperationworker.h"

#include <QDebug>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

const QString NeutralStatusStyle = QStringLiteral("font-size: 16px; font-weight: bold; color: #333;");
const QString SuccessStatusStyle = QStringLiteral("font-size: 16px; font-weight: bold; color: #27ae60;");
const QString FailureStatusStyle = QStringLiteral("font-size: 16px; font-weight: bold; color: #e74c3c;");

const QColor TrackColour(240, 240, 240);
const QColor EarlyColour(33, 150, 243);
const QColor LateColour(76, 175, 80);

constexpr int RingSize = 120;

} // namespace

DeletePartitionPage::DeletePartitionPage(const PartitionInfo &partition, QWidget *parent)
    : QDialog(parent), m_partition(partition), m_partitionId(partition.id)
{
    setupUi();
    setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));

    const QString name = displayName(m_partition);
    m_headerLabel->setText(tr("Deleting a Partition: %1").arg(name));
    // Nothing runs until Confirm: the status says so, and what kind of partition this is stands
    // in the dialog before any question.
    setStatus(tr("Ready"), NeutralStatusStyle);
    const QString guard = partitionGuardText(m_partition);
    m_subLabel->setText(guard.isEmpty() ? tr("Partition to delete: %1").arg(name) : guard);
    const auto orDash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    m_driveLetterValue->setText(orDash(m_partition.driveLetters.isEmpty() ? m_partition.driveLetter
                                                                          : m_partition.driveLetters.join(QStringLiteral(", "))));
    m_fileSystemValue->setText(orDash(m_partition.fileSystem));
    m_volumeLabelValue->setText(orDash(m_partition.volumeLabel));
    m_partitionSizeValue->setText(m_partition.sizeStr);
    setRing(0);
    m_percentageLabel->hide();
    m_progressBar->hide();

    connect(m_confirmButton, &QPushButton::clicked, this, &DeletePartitionPage::onDeleteButtonClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &DeletePartitionPage::onCancelButtonClicked);

    m_workerThread = new QThread(this);
    m_worker = new DiskOperationWorker();
    m_worker->moveToThread(m_workerThread);
    connect(m_worker, &DiskOperationWorker::deletePartitionProgress, this,
            &DeletePartitionPage::onDeletePartitionProgress);
    connect(m_worker, &DiskOperationWorker::deletePartitionFinished, this,
            &DeletePartitionPage::onDeletePartitionFinished);
    connect(m_worker, &DiskOperationWorker::deletePartitionStatusChanged, this,
            &DeletePartitionPage::onDeletePartitionStatusChanged);
    connect(m_worker, &DiskOperationWorker::deletePartitionDetails, this, &DeletePartitionPage::onDeletePartitionDetails);
    m_report = jobend::collect(m_worker, this);
    // The worker is released on its own thread as that thread ends; the thread object releases
    // itself too, which only matters once the destructor has let go of it.
    connect(m_workerThread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_workerThread, &QThread::finished, m_workerThread, &QObject::deleteLater);
    m_workerThread->start(QThread::InheritPriority);
}

DeletePartitionPage::~DeletePartitionPage()
{
    // Nothing waits here: a deletion in diskpart cannot be stopped half-way. The thread is let go
    // and quits once no deletion is pending or running; its end releases the worker and itself.
    QThread *thread = m_workerThread;
    DiskOperationWorker *worker = m_worker;
    thread->setParent(nullptr);
    connect(worker, &DiskOperationWorker::deletePartitionFinished, thread, &QThread::quit, Qt::DirectConnection);
    // Queued behind a job already scheduled; a job still running has cleared its flag by the time
    // this runs, and one that never came leaves the flag down.
    QMetaObject::invokeMethod(worker, [worker, thread] {
        if (!worker->isDeleting())
            thread->quit();
    }, Qt::QueuedConnection);
}

QString DeletePartitionPage::displayName(const PartitionInfo &partition)
{
    return partitionName(partition);
}

QPixmap DeletePartitionPage::drawProgressRing(int percentage)
{
    const int p = qBound(0, percentage, 100);
    QPixmap pixmap(RingSize, RingSize);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect square(20, 20, 80, 80);
    painter.setPen(QPen(TrackColour, 8, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(square);

    const QColor colour = p < 30 ? EarlyColour : LateColour;
    if (p >= 1) {
        painter.setPen(QPen(colour, 8, Qt::SolidLine, Qt::RoundCap));
        // Angles in 1/16 degree; a negative span runs clockwise from the top.
        painter.drawArc(square, 90 * 16, -(p * 360 / 100) * 16);
    }

    QFont font = painter.font();
    font.setBold(true);
    font.setPointSize(16);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRect(0, 0, RingSize, RingSize), Qt::AlignCenter, QStringLiteral("%1%").arg(p));
    return pixmap;
}

void DeletePartitionPage::setupUi()
{
    setWindowTitle(tr("Delete Patition"));
    setModal(true);
    resize(600, 400);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);

    m_headerLabel = new QLabel(this);
    m_headerLabel->setObjectName(QStringLiteral("headerLabel"));
    m_headerLabel->setStyleSheet(QStringLiteral("font-size: 18px; font-weight: bold; color: #2c3e50;"));
    layout->addWidget(m_headerLabel);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    layout->addWidget(m_statusLabel);

    m_subLabel = new QLabel(this);
    m_subLabel->setObjectName(QStringLiteral("subLabel"));
    m_subLabel->setStyleSheet(QStringLiteral("color: #7f8c8d;"));
    layout->addWidget(m_subLabel);

    auto *middle = new QHBoxLayout();
    middle->setSpacing(16);
    m_ringLabel = new QLabel(this);
    m_ringLabel->setObjectName(QStringLiteral("ringLabel"));
    m_ringLabel->setFixedSize(RingSize, RingSize);
    middle->addWidget(m_ringLabel);

    m_percentageLabel = new QLabel(QStringLiteral("0%"), this);
    m_percentageLabel->setObjectName(QStringLiteral("percentageLabel"));
    middle->addWidget(m_percentageLabel);

    auto *details = new QGridLayout();
    details->setHorizontalSpacing(12);
    auto addPair = [&](int row, const QString &caption, const QString &objectName) {
        auto *captionLabel = new QLabel(caption, this);
        captionLabel->setStyleSheet(QStringLiteral("color: #7f8c8d;"));
        auto *value = new QLabel(this);
        value->setObjectName(objectName);
        value->setStyleSheet(QStringLiteral("font-weight: bold; color: #2c3e50;"));
        details->addWidget(captionLabel, row, 0);
        details->addWidget(value, row, 1);
        return value;
    };
    m_driveLetterValue = addPair(0, tr("Drive letter"), QStringLiteral("driveLetterValue"));
    m_fileSystemValue = addPair(1, tr("File system"), QStringLiteral("fileSystemValue"));
    m_volumeLabelValue = addPair(2, tr("Volume label"), QStringLiteral("volumeLabelValue"));
    m_partitionSizeValue = addPair(3, tr("Partition size"), QStringLiteral("partitionSizeValue"));
    details->setColumnStretch(1, 1);
    middle->addLayout(details, 1);
    layout->addLayout(middle);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setTextVisible(false);
    layout->addWidget(m_progressBar);
    layout->addStretch(1);

    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    m_cancelButton = makeDialogButton(tr("Cancel"), "cancelButton", this);
    buttons->addWidget(m_cancelButton);
    m_confirmButton = makeDialogButton(tr("Confirm"), "confirmButton", this);
    m_confirmButton->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #e74c3c; color: white; border: none; border-radius: 4px;"
        " padding: 6px 20px; font-weight: bold; }"
        "QPushButton:hover { background-color: #c0392b; }"
        "QPushButton:pressed { background-color: #a93226; }"
        "QPushButton:disabled { background-color: #bbbbbb; }"));
    buttons->addWidget(m_confirmButton);
    layout->addLayout(buttons);
}

void DeletePartitionPage::setStatus(const QString &text, const QString &style)
{
    m_statusLabel->setText(text);
    m_statusLabel->setStyleSheet(style);
}

void DeletePartitionPage::setRing(int percentage)
{
    m_ringLabel->setPixmap(drawProgressRing(percentage));
}

void DeletePartitionPage::setRunning(bool running)
{
    m_running = running;
    m_confirmButton->setEnabled(!running);
    m_cancelButton->setText(running ? tr("Cancel") : tr("Close"));
    if (running) {
        m_statusLabel->setText(tr("Deleting partition..."));
        m_subLabel->setText(tr("Deleting partition: %1").arg(displayName(m_partition)));
        m_progressBar->setValue(0);
        m_progressBar->show();
        m_percentageLabel->setText(QStringLiteral("0%"));
        setRing(0);
        return;
    }
    // The result shown next sets the status; a failure leaves the ring empty again.
    m_progressBar->hide();
    m_percentageLabel->setText(QStringLiteral("0%"));
    setRing(0);
}

void DeletePartitionPage::onDeleteButtonClicked()
{
    // Only an id of exactly two numbers names a partition; anything else would select some
    // other disk or partition in its place.
    PartitionId id;
    if (!parsePartitionId(m_partitionId, &id, IdCheck::Checked) || id.disk < 0 || id.partition < 1) {
        qDebug() << "Refused to delete: invalid partition ID" << m_partitionId;
        QMessageBox::critical(this, tr("Invalid partition"),
                              tr("Cannot delete this partition: its ID \"%1\" is not of the form "
                                 "'diskNumber:partitionNumber'.\nNothing has been deleted.")
                                  .arg(m_partitionId));
        return;
    }

    if (!passesGuard())
        return;

    const QMessageBox::StandardButton answer = QMessageBox::critical(
        this, tr("Final Confirmation"),
        tr("⚠️ Final Confirmation ⚠️\n\nYou are about to delete the partition: %1\nThis action will permanently "
           "erase all data on this partition!\n\nAre you sure you want to continue?")
            .arg(displayName(m_partition)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    // The record the user confirmed: the job checks the disk still holds it before deleting.
    PartitionInfo target = m_partition;
    target.diskIndex = id.disk;
    target.partitionNumber = id.partition;

    m_details.clear();
    m_report->clear();
    setRunning(true);
    qDebug() << "Deleting partition" << m_partitionId << "device" << target.devicePath << "number" << target.partitionNumber;
    emit deleteStarted();
    m_worker->startDeletePartition(target);
}

bool DeletePartitionPage::passesGuard()
{
    const PartitionGuard kind = partitionGuard(m_partition);
    if (kind == PartitionGuard::None)
        return true;
    const QString text = partitionGuardText(m_partition);
    if (kind == PartitionGuard::RunningSystem) {
        qDebug().noquote() << "Refused to delete:" << text;
        QMessageBox::critical(this, tr("Cannot Delete"), tr("%1\n\nNothing has been deleted.").arg(text));
        return false;
    }
    return QMessageBox::warning(this, tr("Special Partition"), tr("%1\n\nDelete it anyway?").arg(text),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void DeletePartitionPage::onCancelButtonClicked()
{
    reject();
}

void DeletePartitionPage::reject()
{
    if (!m_running || confirmLeavingWhileRunning())
        QDialog::reject();
}

bool DeletePartitionPage::confirmLeavingWhileRunning()
{
    if (m_question.isOpen())
        return false;
    const QMessageBox::StandardButton answer = m_question.ask(
        this, tr("Cancel operation"),
        tr("The deletion of partition %1 has already started and cannot be stopped half-way.\n"
           "It will finish, and its result will be shown.\n\n"
           "Close this window and let the deletion finish?")
            .arg(m_partitionId));
    // A deletion that ended while the question was open has closed it and shown its result.
    if (!m_running || answer != QMessageBox::Yes)
        return false;
    qDebug() << "The user closes the window; the deletion goes on";
    return true;
}

void DeletePartitionPage::onDeletePartitionProgress(const QString &step, int percentage)
{
    m_percentageLabel->hide();
    m_statusLabel->setText(step);
    m_percentageLabel->setText(QStringLiteral("%1%").arg(percentage));
    m_progressBar->setValue(qBound(0, percentage, 100));
    setRing(percentage);
    qDebug().noquote() << percentage << step;
}

void DeletePartitionPage::onDeletePartitionStatusChanged(const QString &status)
{
    m_statusLabel->setText(status);
    qDebug().noquote() << status;
}

QString DeletePartitionPage::details() const
{
    return m_details.isEmpty() ? *m_report : *m_report + QLatin1String("\n\n") + m_details;
}

void DeletePartitionPage::onDeletePartitionDetails(const QString &transcript)
{
    m_details = transcript;
}

void DeletePartitionPage::onDeletePartitionFinished(bool success, const QString &errorMessage)
{
    m_question.jobEnded([this, success, errorMessage] { endDeletion(success, errorMessage); });
}

void DeletePartitionPage::endDeletion(bool success, const QString &errorMessage)
{
    if (!isVisible()) {
        // Closed during the deletion: whoever opened the window reports the result.
        setRunning(false);
        qDebug().noquote() << "Deletion ended after the window closed:" << (success ? QStringLiteral("success") : errorMessage);
        return;
    }
    showResult(success, errorMessage);
}

void DeletePartitionPage::showResult(bool success, const QString &errorMessage)
{
    setRunning(false);
    if (success) {
        setStatus(tr("Delete completed"), SuccessStatusStyle);
        m_confirmButton->setEnabled(false); // there is nothing left to delete
        m_percentageLabel->setText(QStringLiteral("100%"));
        setRing(100);
        qDebug() << "Partition deleted";
        jobend::show(this, true, tr("Deleted successfully"),
                     tr("%1 was deleted successfully.\n\nClick 'OK' to close the window.").arg(displayName(m_partition)),
                     details());
        accept();
        return;
    }
    setStatus(tr("Delete failed"), FailureStatusStyle);
    qDebug().noquote() << "Delete failed:" << errorMessage;
    jobend::show(this, false, tr("Delete failed"), tr("Deleting %1 failed:\n%2").arg(displayName(m_partition), errorMessage),
                 details());
}
