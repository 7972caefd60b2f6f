#pragma once

#include <QStyledItemDelegate>
#include <QtGlobal>

class QPixmap;

// Share of the disk a partition takes, in whole percent (truncated), 0 for a disk of no size.
int usagePercent(qint64 partitionBytes, qint64 diskBytes);

// The dotted strip shown in the Usage column of an unallocated row.
QPixmap unallocatedStripPixmap();

// Paints the Usage column: a small bar (range 0 to 100, 10 px high, vertically centred) on
// partition rows and the dotted strip, centred, on unallocated rows. Painting them spares the
// tree a widget per cell, which made a large machine's rebuild freeze the window.
class UsageDelegate : public QStyledItemDelegate
{
public:
    // Data of the Usage cell: the bar's value, or Strip for an unallocated row.
    static constexpr int Role = Qt::UserRole + 2;
    static constexpr int Strip = -1;
    static constexpr int BarHeight = 10;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
