#include "usagewidgets.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

int usagePercent(qint64 partitionBytes, qint64 diskBytes)
{
    if (diskBytes <= 0)
        return 0;
    const double percent = static_cast<double>(partitionBytes) * 100.0 / static_cast<double>(diskBytes);
    // A bar outside its range would show as empty; a partition reported larger than its disk
    // (or a negative size) is shown at the nearest end instead.
    return static_cast<int>(qBound(0.0, percent, 100.0));
}

QPixmap unallocatedStripPixmap()
{
    QPixmap strip(72, 8);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int x = 0; x <= 64; x += 8)
        painter.fillRect(x, 2, 4, 4, QColor(210, 210, 210));
    return strip;
}

void UsageDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index); // background and selection
    const QVariant usage = index.data(Role);
    if (!usage.isValid())
        return;
    const int value = usage.toInt();
    const QRect cell = option.rect;
    painter->save();
    if (value == Strip) {
        static const QPixmap strip = unallocatedStripPixmap();
        const QSize size = strip.deviceIndependentSize().toSize();
        painter->drawPixmap(cell.left() + (cell.width() - size.width()) / 2,
                            cell.top() + (cell.height() - size.height()) / 2, strip);
    } else {
        const QRectF bar(cell.left(), cell.top() + (cell.height() - BarHeight) / 2, cell.width(), BarHeight);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xe3, 0xf2, 0xfd));
        painter->drawRoundedRect(bar, 4, 4);
        const int filled = qBound(0, value, 100) * cell.width() / 100;
        if (filled > 0) {
            painter->setBrush(QColor(0x73, 0xe3, 0xac));
            painter->drawRoundedRect(QRectF(bar.left(), bar.top(), filled, BarHeight), 4, 4);
        }
    }
    painter->restore();
}
