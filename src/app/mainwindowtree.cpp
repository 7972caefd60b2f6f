// The disk tree, its rebuild, and the refresh procedures that wrap the rebuild.
#include "mainwindow.h"

#include "common/sizetext.h"
#include "storage/windowsstoragemanager.h"
#include "ui_mainwindow.h"
#include "usagewidgets.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>

namespace {

constexpr qint64 kSmallestShownGap = 50LL * 1024 * 1024;

QString partitionStyleText(int style)
{
    switch (style) {
    case 1:
        return QStringLiteral("MBR");
    case 2:
        return QStringLiteral("GPT");
    case 0:
        return QCoreApplication::translate("MainWindow", "未知");
    default:
        return QCoreApplication::translate("MainWindow", "样式 %1").arg(style);
    }
}

QString fileSystemText(const QString &fileSystem)
{
    if (fileSystem.isEmpty() || fileSystem == QLatin1String("Unknown") || fileSystem == QLatin1String("-"))
        return QStringLiteral("-");
    return fileSystem;
}

} // namespace

void MainWindow::refreshDiskList()
{
    qDebug() << "Starting refreshDiskList with Storage Management API";
    QTreeWidget *tree = ui->treeWidget;
    tree->clear();
    tree->setColumnCount(5);
    tree->setHeaderLabels({tr("Partition/Disk"), tr("File System"), tr("Size"),
                           tr("Usage"), tr("Status")});
    tree->setColumnWidth(0, 200);
    tree->setColumnWidth(1, 100);
    tree->setColumnWidth(2, 100);
    tree->setColumnWidth(3, 120);
    tree->setColumnWidth(4, 150);

    // One pass for all disks: the round trips to the provider do not grow with the disks.
    const QList<DiskLayout> layouts = m_storageManager ? m_storageManager->getDiskLayouts() : QList<DiskLayout>();
    qDebug() << "Retrieved" << layouts.size() << "disks";

    const QIcon partitionIcon(QStringLiteral(":/icon/resources/partition.png"));
    const QColor systemColour(QStringLiteral("#d32f2f"));
    const QColor dataColour(QStringLiteral("#ff9800"));
    const QColor unallocatedColour(QStringLiteral("#b0b0b0"));
    const QColor logicalFreeColour(QStringLiteral("#2e8b7a"));

    // Rows are built off the tree and inserted at once; the usage bars are painted by the
    // column's delegate, so the rebuild costs no widget per row.
    if (!dynamic_cast<UsageDelegate *>(tree->itemDelegateForColumn(3)))
        tree->setItemDelegateForColumn(3, new UsageDelegate(tree));
    tree->setUniformRowHeights(true);
    QList<QTreeWidgetItem *> diskItems;

    for (const DiskLayout &layout : layouts) {
        const QVariantMap &disk = layout.disk;
        const QString name = disk.value(DiskKey::Name).toString();
        const QString id = disk.value(DiskKey::Id).toString();
        const qint64 size = disk.value(DiskKey::Size).toLongLong();
        const QString status = disk.value(DiskKey::Status).toString();

        auto *diskItem = new QTreeWidgetItem();
        diskItem->setText(0, tr("Disk %1 (%2)").arg(id, name.isEmpty() ? tr("Unknown Disk") : name));
        diskItem->setText(2, formatSize(size));
        diskItem->setText(3, status);
        diskItem->setText(4, partitionStyleText(disk.value(DiskKey::PartitionStyle).toInt()));
        if (disk.value(DiskKey::PartitionStyle).toInt() == 0 && layout.partitions.isEmpty()) {
            diskItem->setText(4, tr("Not Initialized"));
            diskItem->setToolTip(4, tr("A new disk without a partition table: choose Initialize Disk to use it."));
        }
        diskItem->setData(4, Qt::UserRole, disk.value(DiskKey::PartitionStyle).toInt());
        diskItem->setToolTip(0, diskItem->text(0)); // long disk names are elided in the column
        diskItem->setData(0, Qt::UserRole, id);
        QFont bold = diskItem->font(0);
        bold.setBold(true);
        diskItem->setFont(0, bold);
        diskItems << diskItem;

        const QList<PartitionInfo> &partitions = layout.partitions;
        qDebug() << "Found" << partitions.size() << "partitions for disk" << id;

        for (const PartitionInfo &p : partitions) {
            if (p.isUnallocated && p.sizeBytes < kSmallestShownGap)
                continue; // small gaps are alignment slack, not worth a row

            auto *item = new QTreeWidgetItem(diskItem);
            item->setIcon(0, partitionIcon);
            item->setText(2, formatSize(p.sizeBytes));
            item->setData(0, Qt::UserRole + 1, QVariant::fromValue(p));

            if (!p.isUnallocated) {
                item->setText(0, p.driveLetter.isEmpty() ? partitionDisplayName(p) : p.driveLetter);
                item->setText(1, fileSystemText(p.fileSystem));
                item->setText(4, partitionTypeText(p));
                item->setForeground(4, QBrush(isSystemPartition(p) || isBootPartition(p) ? systemColour : dataColour));
                item->setData(0, Qt::UserRole, p.id);
                item->setData(3, UsageDelegate::Role, usagePercent(p.sizeBytes, size));
            } else {
                // Free space inside an extended partition takes only logical drives: it has a
                // name and a colour of its own.
                const bool logical = isLogicalFreeSpace(p);
                item->setText(0, logical ? tr("Free Space") : tr("Unallocated"));
                item->setText(1, QStringLiteral("-"));
                item->setText(4, logical ? tr("Free space for logical drives") : tr("Unused Partition"));
                item->setToolTip(4, item->text(4)); // elided in a narrow column
                item->setData(0, Qt::UserRole, QStringLiteral("unallocated"));
                for (int column = 0; column < 5; ++column)
                    item->setForeground(column, QBrush(logical ? logicalFreeColour : unallocatedColour));
                item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
                item->setData(3, UsageDelegate::Role, UsageDelegate::Strip);
            }
        }
    }

    tree->addTopLevelItems(diskItems);
    for (QTreeWidgetItem *diskItem : std::as_const(diskItems))
        diskItem->setExpanded(true);

    qDebug() << "refreshDiskList completed with" << tree->topLevelItemCount() << "disks";
}

bool MainWindow::attemptRefresh()
{
    if (!m_storageManager || !m_storageManager->initialize()) {
        qWarning() << "Storage Manager initialization failed";
        return false;
    }
    if (m_storageManager->getDisks().isEmpty()) {
        qWarning() << "No disks found";
        return false;
    }
    refreshDiskList();
    return ui->treeWidget->topLevelItemCount() > 0;
}

void MainWindow::tryRefreshDiskList()
{
    qDebug() << "tryRefreshDiskList called, attempt" << m_refreshAttempt + 1;
    const bool ok = attemptRefresh();
    hideLoading();

    if (ok) {
        qDebug() << "Refresh successful";
        m_refreshAttempt = 0;
        return;
    }

    ++m_refreshAttempt;
    if (m_refreshAttempt < 3) {
        qDebug() << "Refresh failed, retrying...";
        showLoading(tr("Retrying disk refresh... (%1/3)").arg(m_refreshAttempt + 1));
        runLater(2000, [this] { tryRefreshDiskList(); });
        return;
    }

    qWarning() << "Failed to refresh after" << m_refreshAttempt << "attempts";
    m_refreshAttempt = 0;
    QMessageBox::warning(this, tr("Refresh Failed"),
                         tr("Failed to refresh disk information after multiple attempts.\n\n"
                                        "Possible causes:\n"
                                        "• Storage Management service issues\n"
                                        "• System resource constraints\n"
                                        "• Hardware communication problems\n\n"
                                        "Please try:\n"
                                        "• Restart the application as administrator\n"
                                        "• Check Windows Management Instrumentation service\n"
                                        "• Verify disk hardware connections"));
}

void MainWindow::robustRefresh()
{
    qDebug() << "Attempting robust refresh, try" << m_refreshAttempt + 1;
    if (attemptRefresh()) {
        qDebug() << "Refresh successful";
        m_refreshAttempt = 0;
        hideLoading();
        return;
    }

    const int failedBefore = m_refreshAttempt++;
    if (m_refreshAttempt < 5) {
        const int delay = (failedBefore + 3) * 1000;
        qDebug() << "Refresh failed, retrying in" << delay << "ms";
        runLater(delay, [this] { robustRefresh(); });
        return;
    }

    qCritical() << "Failed to refresh after maximum retries";
    hideLoading();
    QMessageBox::warning(this, tr("Refresh Warning"),
                         tr("Failed to refresh disk information completely. Some data may be outdated. "
                                        "Please try manual refresh."));
    m_refreshAttempt = 0;
}

void MainWindow::onRefreshClicked()
{
    showLoading(tr("Refreshing disk information..."));
    m_refreshAttempt = 0;
    tryRefreshDiskList();
}

void MainWindow::onResizeFinished()
{
    qDebug() << "Partition resize completed, refreshing disk view...";
    runLater(500, [this] { refreshAfterResize(); });
}

void MainWindow::refreshAfterResize()
{
    qDebug() << "Starting forced refresh after resize operation";
    showLoading(tr("Refreshing disk information after resize..."));
    if (m_storageManager)
        m_storageManager->initialize();
    runLater(1000, [this] {
        m_refreshAttempt = 0;
        robustRefresh();
    });
}

void MainWindow::refreshAfterOperation()
{
    showLoading(tr("Refreshing partition information..."));
    runLater(2000, [this] { reconnectAndRebuild(); });
}

void MainWindow::reconnectAndRebuild()
{
    hideLoading();
    m_refreshAttempt = 0;
    if (m_storageManager)
        m_storageManager->initialize();
    runLater(1000, [this] { refreshDiskList(); });
}

void MainWindow::refreshAfterFormat()
{
    showLoading(tr("Refreshing partitions..."));
    runLater(2000, [this] {
        hideLoading();
        refreshDiskList();
    });
}

void MainWindow::onStorageOperationCompleted(bool success, const QString &message)
{
    if (!success) {
        QMessageBox::warning(this, tr("Storage Operation Failed"),
                             tr("Storage operation failed: %1").arg(message));
        return;
    }
    showLoading(tr("Refreshing partition..."));
    runLater(2000, [this] { reconnectAndRebuild(); });
}

void MainWindow::onStorageOperationProgress(int percentage)
{
    Q_UNUSED(percentage);
}

void MainWindow::showLoading(const QString &text)
{
    hideLoading();
    auto *popup = new QLabel(text, this, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    popup->setObjectName(QStringLiteral("loadingPopup"));
    popup->setStyleSheet(QStringLiteral(
        "background:#fff; border:1px solid #888; padding:22px 40px; font-size:16px; border-radius:10px; color:#333;"));
    popup->setAlignment(Qt::AlignCenter);
    popup->adjustSize();
    popup->move(geometry().center() - popup->rect().center());
    popup->show();
    m_loadingPopup = popup;
    // Painted now, without a turn of the event loop: the work it announces follows at once, and
    // a nested loop here would let a job's end start a second refresh inside this one.
    popup->repaint();
}

void MainWindow::hideLoading()
{
    if (!m_loadingPopup)
        return;
    m_loadingPopup->close();
    delete m_loadingPopup;
    m_loadingPopup = nullptr;
}
