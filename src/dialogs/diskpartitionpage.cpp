#include "diskpartitionpage.h"
#include "ui_diskpartitionpage.h"

#include "labelcheck.h"
#include "partitionprogressdialog.h"
#include "common/driveletter.h"
#include "common/sizetext.h"
#include "platform/platform.h"
#include "worker/diskoperationworker.h"

#include <QComboBox>
#include <QDebug>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QThread>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 MiB = 1048576;
constexpr qint64 MinimumAddBytes = 32 * MiB;
constexpr qint64 DefaultTotalBytes = 536870912000LL; // 500 GiB

const QStringList &fileSystems()
{
    static const QStringList names{QStringLiteral("NTFS"), QStringLiteral("FAT32"), QStringLiteral("exFAT"),
                                   QStringLiteral("ReFS")};
    return names;
}

qint64 unitFactor(const QString &unit)
{
    if (unit == QLatin1String("TB"))
        return MiB * MiB;
    if (unit == QLatin1String("GB"))
        return 1024 * MiB;
    if (unit == QLatin1String("MB"))
        return MiB;
    if (unit == QLatin1String("KB"))
        return 1024;
    return 1;
}

// number × factor as bytes, saturated: a huge figure must read as too large, not wrap around.
qint64 bytesOf(double number, qint64 factor)
{
    const double product = number * double(factor);
    if (!(product < 9.2e18))
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(product);
}

PartitionInfo recordOf(const QTreeWidgetItem *item)
{
    if (!item)
        return PartitionInfo();
    return item->data(0, Qt::UserRole).value<PartitionInfo>();
}

bool carriesRecord(const QTreeWidgetItem *item)
{
    return item && item->data(0, Qt::UserRole).canConvert<PartitionInfo>()
           && item->data(0, Qt::UserRole).isValid();
}

} // namespace

DiskPartitionPage::DiskPartitionPage(QWidget *parent)
    : DiskPartitionPage(0, QStringLiteral("500.00 GB"), parent)
{
}

DiskPartitionPage::DiskPartitionPage(int diskIndex, const QString &unallocatedSize, QWidget *parent)
    : QDialog(parent), ui(new Ui::DiskPartitionPage)
{
    setUp(diskIndex, unallocatedSize);
}

DiskPartitionPage::DiskPartitionPage(int diskIndex, const PartitionInfo &region, QWidget *parent)
    : QDialog(parent), ui(new Ui::DiskPartitionPage)
{
    if (region.sizeBytes > 0) {
        m_regionRecord = region;
        // A record's offset 0 is the disk's start, not "anywhere": the provider would pick the
        // largest free region, which may be another one.
        m_region = creationplan::regionOf(region, 0, {});
    }
    setUp(diskIndex, region.sizeStr.isEmpty() ? formatSize(region.sizeBytes) : region.sizeStr);
}

QString DiskPartitionPage::freeSpaceName() const
{
    return isLogicalFreeSpace(m_regionRecord) ? tr("Free Space") : tr("Unallocated");
}

void DiskPartitionPage::setDisk(int partitionStyle, const QList<PartitionInfo> &layout)
{
    if (m_regionRecord.sizeBytes > 0)
        m_region = creationplan::regionOf(m_regionRecord, partitionStyle, layout);
    updateUsage();
    rebuildTable();
}

DiskPartitionPage::~DiskPartitionPage()
{
    delete m_progressDialog.data();
    releaseThread();
    delete ui;
}

void DiskPartitionPage::setUp(int diskIndex, const QString &unallocatedSize)
{
    m_diskIndex = diskIndex;
    if (m_region.size <= 0)
        m_region.size = parseSizeText(unallocatedSize);
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    resize(900, 738);
    // Free space inside an extended partition holds logical drives only: the dialog says so, as
    // the tree does.
    if (isLogicalFreeSpace(m_regionRecord))
        ui->spaceLabel->setText(tr("Free Space for Logical Drives"));
    const int widths[] = {170, 130, 170, 240};
    for (int column = 0; column < 4; ++column)
        ui->treeWidget->setColumnWidth(column, widths[column]);

    connect(ui->addPartitionButton, &QPushButton::clicked, this, &DiskPartitionPage::onAddPartitionClicked);
    connect(ui->confirmButton, &QPushButton::clicked, this, &DiskPartitionPage::onConfirmClicked);
    connect(ui->cancelButton, &QPushButton::clicked, this, &DiskPartitionPage::onCancelClicked);
    connect(ui->treeWidget, &QTreeWidget::itemSelectionChanged, this, &DiskPartitionPage::onPartitionSelectionChanged);
    connect(ui->checkBox, &QCheckBox::toggled, this, &DiskPartitionPage::onQuickFormatAllToggled);
    connect(ui->treeWidget, &QTreeWidget::itemDoubleClicked, this, &DiskPartitionPage::onTreeItemDoubleClicked);
    connect(ui->treeWidget, &QTreeWidget::customContextMenuRequested, this, &DiskPartitionPage::showRowMenu);
    ui->fileSystemCombo->addItems(fileSystems());
    ui->fileSystemCombo->setCurrentText(QStringLiteral("NTFS"));
    connect(ui->fileSystemCombo, &QComboBox::currentTextChanged, this, &DiskPartitionPage::onFileSystemChanged);
    connect(ui->driveLetterCombo, &QComboBox::currentTextChanged, this, &DiskPartitionPage::onDriveLetterChanged);
    refillDriveLetters();

    updateUsage();
    rebuildTable();
}

qint64 DiskPartitionPage::parseSizeText(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("([\\d.]+)\\s*(TB|GB|MB|KB|B)"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed().toUpper());
    if (!match.hasMatch()) {
        qDebug() << "Unable to parse size string:" << text;
        return DefaultTotalBytes;
    }
    return bytesOf(match.captured(1).toDouble(), unitFactor(match.captured(2)));
}

bool DiskPartitionPage::parseSizeInput(const QString &text, qint64 *bytes)
{
    const QString trimmed = text.trimmed();
    bool isInteger = false;
    const qlonglong mebibytes = trimmed.toLongLong(&isInteger, 10);
    if (isInteger) {
        *bytes = mebibytes > std::numeric_limits<qint64>::max() / MiB ? std::numeric_limits<qint64>::max()
                                                                      : mebibytes * MiB;
        return true;
    }
    static const QRegularExpression pattern(QStringLiteral("^(\\d+(?:\\.\\d+)?|\\.\\d+)\\s*(TB|GB|MB|KB|B)$"));
    const QRegularExpressionMatch match = pattern.match(trimmed.toUpper());
    if (!match.hasMatch())
        return false;
    *bytes = bytesOf(match.captured(1).toDouble(), unitFactor(match.captured(2)));
    return true;
}

qint64 DiskPartitionPage::totalBytes() const
{
    return m_region.size;
}

qint64 DiskPartitionPage::remainingBytes() const
{
    return creationplan::check(m_region, requests(m_partitions)).room;
}

QList<PartitionCreateRequest> DiskPartitionPage::requests(const QList<PartitionInfo> &plan) const
{
    QList<PartitionCreateRequest> list;
    for (const PartitionInfo &p : plan) {
        PartitionCreateRequest request;
        request.sizeBytes = p.sizeBytes;
        request.fileSystem = p.fileSystem.isEmpty() ? QStringLiteral("NTFS") : p.fileSystem;
        request.volumeLabel = p.volumeLabel.isEmpty() ? tr("New Volume") : p.volumeLabel;
        request.driveLetter = p.driveLetter;
        request.quickFormat = ui->checkBox->isChecked();
        list << request;
    }
    // The job puts each further one after the one before.
    if (!list.isEmpty())
        list.first().offsetBytes = m_region.offset;
    return list;
}

QString DiskPartitionPage::whyNoMore(QString *title) const
{
    QString why = creationplan::tableRefusal(m_region, int(m_partitions.size()) + 1);
    if (!why.isEmpty()) {
        *title = tr("Partition Table Full");
        return why;
    }
    if (remainingBytes() >= MinimumAddBytes)
        return QString();
    *title = tr("Insufficient Space");
    return m_partitions.isEmpty() ? creationplan::regionTooSmallText(MinimumAddBytes)
                                  : tr("Not enough unallocated space to create a new partition.\nAt least 32 MB is required.");
}

QStringList DiskPartitionPage::availableDriveLetters() const
{
    QStringList used;
    for (const std::wstring &root : platform::current().mountedDriveRoots())
        used << QString::fromStdWString(root);
    for (const PartitionInfo &p : m_partitions)
        used << driveletter::driveOf(p);
    return driveletter::freeLetters(used);
}

void DiskPartitionPage::refillDriveLetters()
{
    const QString remembered = ui->driveLetterCombo->currentText();
    ui->driveLetterCombo->clear();
    ui->driveLetterCombo->addItem(tr("Auto"), QString());
    for (const QString &letter : availableDriveLetters())
        ui->driveLetterCombo->addItem(letter + QLatin1Char(':'), letter);
    const int at = ui->driveLetterCombo->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ui->driveLetterCombo->setCurrentIndex(at >= 0 ? at : 0);
}

void DiskPartitionPage::updateUsage()
{
    const qint64 total = totalBytes();
    qint64 planned = 0;
    for (const PartitionInfo &p : m_partitions)
        planned += p.sizeBytes;
    const int percent = total > 0 ? int(planned * 100 / total) : 0;
    ui->availableSpaceBar->setValue(percent);
    ui->availableSpaceBar->setFormat(QStringLiteral("%1%").arg(percent));
    QString title;
    const QString why = whyNoMore(&title);
    // Said before the user tries: an empty region or a full table leaves nothing to plan.
    ui->spaceInfoLabel->setText(tr("%1 available").arg(formatSize(remainingBytes()))
                                + (why.isEmpty() || !m_partitions.isEmpty() ? QString() : QStringLiteral(". ") + why));
    ui->percentageLabel->setText(tr("%1% allocated").arg(percent));
}

void DiskPartitionPage::rebuildTable()
{
    ui->treeWidget->clear();
    const bool formatted = ui->checkBox->isChecked();
    for (int row = 0; row < m_partitions.size(); ++row) {
        const PartitionInfo &p = m_partitions.at(row);
        // Without quick format the partitions are created but get no file system: say so.
        auto *item = new QTreeWidgetItem(ui->treeWidget,
                                         {formatSize(p.sizeBytes), p.driveLetter,
                                          formatted ? p.fileSystem : tr("Not formatted"),
                                          formatted ? p.volumeLabel : QStringLiteral("-")});
        item->setData(0, Qt::UserRole, QVariant::fromValue(p));

        auto *actions = new QWidget(ui->treeWidget);
        auto *layout = new QHBoxLayout(actions);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        auto *edit = new QToolButton(actions);
        edit->setObjectName(QStringLiteral("editButton"));
        edit->setIcon(QIcon(QStringLiteral(":/icons/edit.png")));
        edit->setToolTip(tr("Edit"));
        edit->setProperty("row", row);
        auto *remove = new QToolButton(actions);
        remove->setObjectName(QStringLiteral("deleteButton"));
        remove->setIcon(QIcon(QStringLiteral(":/icons/delete.png")));
        remove->setToolTip(tr("Delete"));
        remove->setProperty("row", row);
        layout->addWidget(edit);
        layout->addWidget(remove);
        layout->addStretch();
        const int number = p.partitionNumber;
        connect(edit, &QToolButton::clicked, this, [this, number] { editEntry(number); });
        connect(remove, &QToolButton::clicked, this, [this, item] {
            ui->treeWidget->setCurrentItem(item);
            onDeletePartition();
        });
        ui->treeWidget->setItemWidget(item, 4, actions);
    }
    const qint64 remaining = remainingBytes();
    if (remaining > 0) {
        auto *rest = new QTreeWidgetItem(ui->treeWidget, {formatSize(remaining), freeSpaceName(), QStringLiteral("-"),
                                                          QStringLiteral("-")});
        rest->setFlags(rest->flags() & ~Qt::ItemIsSelectable);
    }
    ui->treeWidget->expandAll();
    const QSignalBlocker blocker(ui->driveLetterCombo);
    refillDriveLetters();
}

void DiskPartitionPage::onAddPartitionClicked()
{
    QString title;
    const QString full = whyNoMore(&title);
    if (!full.isEmpty()) {
        QMessageBox::critical(this, title, full);
        return;
    }
    const qint64 remaining = remainingBytes();
    const QString text = ui->sizeEdit->text().trimmed();
    if (text.isEmpty()) {
        QMessageBox::warning(this, tr("Input Required"), tr("Please enter partition size."));
        return;
    }
    qint64 size = 0;
    if (!parseSizeInput(text, &size) || size < 1) {
        QMessageBox::warning(this, tr("Invalid Size"), tr("Please enter a valid partition size."));
        return;
    }
    if (size > remaining) {
        QMessageBox::warning(this, tr("Size Too Large"), tr("Requested size (%1) exceeds available space (%2).")
                                                             .arg(formatSize(size), formatSize(remaining)));
        return;
    }

    PartitionInfo entry;
    entry.diskIndex = m_diskIndex;
    entry.partitionNumber = int(m_partitions.size()) + 1;
    entry.sizeBytes = size;
    entry.fileSystem = ui->fileSystemCombo ? ui->fileSystemCombo->currentText() : QStringLiteral("NTFS");
    entry.volumeLabel = tr("New Volume %1").arg(entry.partitionNumber);

    const QStringList available = availableDriveLetters();
    const QString chosen = ui->driveLetterCombo->currentData().toString();
    QString letter;
    if (chosen.isEmpty()) { // "Auto", in whatever language it is shown
        letter = available.value(0);
    } else {
        letter = QString(chosen).remove(QLatin1Char(':'));
        if (!available.contains(letter)) {
            QMessageBox::warning(this, tr("Drive Letter Unavailable"),
                                 tr("Drive letter '%1' is not available.\nAvailable letters: %2")
                                     .arg(letter, available.join(QStringLiteral(", "))));
            return;
        }
    }
    if (letter.isEmpty()) {
        QMessageBox::critical(this, tr("No Available Drive Letter"), tr("No available drive letter for assignment!"));
        return;
    }
    entry.driveLetter = letter;
    entry.driveLetters = QStringList{letter + QLatin1Char(':')};
    m_partitions.append(entry);

    ui->sizeEdit->clear();
    ui->driveLetterCombo->setCurrentIndex(0);
    updateUsage();
    rebuildTable();
}

void DiskPartitionPage::onPartitionSelectionChanged()
{
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!carriesRecord(item) || !item->isSelected()) {
        ui->sizeEdit->clear();
        ui->driveLetterCombo->setCurrentIndex(0);
        return;
    }
    const PartitionInfo p = recordOf(item);
    ui->sizeEdit->setText(QString::number(p.sizeBytes / MiB));
    const int at = ui->driveLetterCombo->findData(p.driveLetter);
    ui->driveLetterCombo->setCurrentIndex(at >= 0 ? at : 0);
    ui->fileSystemCombo->setCurrentText(p.fileSystem);
}

void DiskPartitionPage::onQuickFormatAllToggled(bool checked)
{
    qDebug() << "Quick format all partitions:" << checked;
    rebuildTable();
}

void DiskPartitionPage::onDriveLetterChanged(const QString &text)
{
    qDebug() << "Drive letter selection:" << text;
}

void DiskPartitionPage::onFileSystemChanged(const QString &text)
{
    QString note;
    if (text == QLatin1String("FAT32"))
        note = tr("FAT32 has a 4GB file size limit and is compatible with most operating systems.");
    else if (text == QLatin1String("exFAT"))
        note = tr("exFAT is optimized for removable storage and supports large files.");
    else if (text == QLatin1String("ReFS"))
        note = tr("ReFS is designed for high availability and large-scale storage systems.");
    // Beside the choice, not in a box: a box here would swallow the clicks meant for Add or Confirm.
    ui->fileSystemNoteLabel->setText(note);
    ui->fileSystemNoteLabel->setVisible(!note.isEmpty());
}

void DiskPartitionPage::onTreeItemDoubleClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column)
    if (carriesRecord(item))
        editEntry(recordOf(item).partitionNumber);
}

void DiskPartitionPage::editEntry(int partitionNumber)
{
    int index = -1;
    for (int i = 0; i < m_partitions.size(); ++i) {
        if (m_partitions.at(i).partitionNumber == partitionNumber)
            index = i;
    }
    if (index < 0)
        return;
    const PartitionInfo current = m_partitions.at(index);

    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("editPartitionDialog"));
    dialog.setWindowTitle(tr("Edit Partition"));
    auto *form = new QFormLayout(&dialog);
    auto *sizeEdit = new QLineEdit(QString::number(current.sizeBytes / MiB), &dialog);
    sizeEdit->setObjectName(QStringLiteral("editSizeEdit"));
    auto *letterEdit = new QLineEdit(current.driveLetter, &dialog);
    letterEdit->setObjectName(QStringLiteral("editLetterEdit"));
    letterEdit->setMaxLength(1);
    auto *fsCombo = new QComboBox(&dialog);
    fsCombo->setObjectName(QStringLiteral("editFileSystemCombo"));
    fsCombo->addItems(fileSystems());
    fsCombo->setCurrentText(current.fileSystem);
    auto *labelEdit = new QLineEdit(current.volumeLabel, &dialog);
    labelEdit->setObjectName(QStringLiteral("editLabelEdit"));
    form->addRow(tr("Size (MB):"), sizeEdit);
    form->addRow(tr("Drive Letter:"), letterEdit);
    form->addRow(tr("File System:"), fsCombo);
    form->addRow(tr("Volume Label:"), labelEdit);
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return;

    qint64 size = 0;
    if (!parseSizeInput(sizeEdit->text(), &size) || size < 1) {
        QMessageBox::warning(this, tr("Invalid Size"), tr("Please enter a valid partition size."));
        return;
    }
    QList<PartitionInfo> edited = m_partitions;
    edited[index].sizeBytes = size;
    edited[index].fileSystem = fsCombo->currentText();
    const QString refusal = creationplan::check(m_region, requests(edited)).refusal;
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, tr("Size Too Large"), refusal);
        return;
    }
    if (!labelAccepted(this, fsCombo->currentText(), labelEdit->text()))
        return;
    const QString letter = letterEdit->text().toUpper();
    if (!letter.isEmpty() && letter != current.driveLetter && !availableDriveLetters().contains(letter)) {
        QMessageBox::warning(this, tr("Drive Letter Unavailable"), tr("Drive letter '%1' is not available.").arg(letter));
        return;
    }
    PartitionInfo &entry = m_partitions[index];
    entry.sizeBytes = size;
    entry.driveLetter = letter;
    entry.fileSystem = fsCombo->currentText();
    entry.volumeLabel = labelEdit->text();
    entry.driveLetters = letter.isEmpty() ? QStringList() : QStringList{letter + QLatin1Char(':')};
    updateUsage();
    rebuildTable();
}

void DiskPartitionPage::showRowMenu(const QPoint &pos)
{
    QTreeWidgetItem *item = ui->treeWidget->itemAt(pos);
    if (!carriesRecord(item))
        return;
    QMenu menu(this);
    QAction *remove = menu.addAction(tr("Delete Partition"));
    if (menu.exec(ui->treeWidget->viewport()->mapToGlobal(pos)) == remove) {
        ui->treeWidget->setCurrentItem(item);
        onDeletePartition();
    }
}

void DiskPartitionPage::onDeletePartition()
{
    QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!carriesRecord(item))
        return;
    const PartitionInfo p = recordOf(item);
    const auto answer = QMessageBox::question(this, tr("Delete Partition"),
                                              tr("Are you sure you want to delete partition '%1'?").arg(p.volumeLabel),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    for (int i = 0; i < m_partitions.size(); ++i) {
        if (m_partitions.at(i).partitionNumber == p.partitionNumber) {
            m_partitions.removeAt(i);
            break;
        }
    }
    for (int i = 0; i < m_partitions.size(); ++i) {
        m_partitions[i].partitionNumber = i + 1;
        m_partitions[i].volumeLabel = tr("New Volume %1").arg(i + 1);
    }
    updateUsage();
    rebuildTable();
}

void DiskPartitionPage::onCancelClicked()
{
    if (m_partitions.isEmpty()) {
        reject();
        return;
    }
    const auto answer = QMessageBox::question(
        this, tr("Discard Changes"), tr("You have unsaved partition changes.\nAre you sure you want to discard them?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        reject();
}

void DiskPartitionPage::onConfirmClicked()
{
    if (m_partitions.isEmpty()) {
        QMessageBox::information(this, tr("No Partitions"),
                                 tr("No new partitions to create.\nPlease add at least one partition."));
        return;
    }
    startJob();
}

void DiskPartitionPage::releaseThread()
{
    // Never waited for or stopped: a creation half-way through diskpart must run to its end. The
    // thread quits after its job and its end releases the worker and the thread object.
    if (m_workerThread)
        m_workerThread->setParent(nullptr);
    m_workerThread = nullptr;
}

void DiskPartitionPage::startJob()
{
    releaseThread();
    delete m_progressDialog.data();

    auto *thread = new QThread(this);
    auto *worker = new DiskOperationWorker();
    worker->moveToThread(thread);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_workerThread = thread;
    emit creationStarted(worker);

    m_progressDialog = new PartitionProgressDialog(worker, this);
    m_progressDialog->show();

    connect(worker, &DiskOperationWorker::partitionCreationCompleted, this, &DiskPartitionPage::onJobCompleted,
            Qt::QueuedConnection);
    thread->start(QThread::InheritPriority);
    QMetaObject::invokeMethod(worker, "startBatchCreateAndFormat", Qt::QueuedConnection,
                              Q_ARG(QList<PartitionCreateRequest>, requests(m_partitions)), Q_ARG(int, m_diskIndex));
    // Queued behind the job, so the thread ends once the job has.
    QMetaObject::invokeMethod(worker, [thread] { thread->quit(); }, Qt::QueuedConnection);
}

void DiskPartitionPage::onJobCompleted(bool success, const QString &message)
{
    if (!m_progressDialog)
        return;
    // The progress dialog has its own connection; it has normally shown the result already.
    if (m_progressDialog->phase() != PartitionProgressDialog::Finished)
        m_progressDialog->onOperationCompleted(success, message);
    m_progressDialog->show();
    if (success) {
        connect(m_progressDialog, &QDialog::accepted, this, [this] {
            emit partitionCreationCompleted();
            accept();
        }, Qt::SingleShotConnection);
    }
}
