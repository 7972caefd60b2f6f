#pragma once

#include <QtGlobal>

class QPixmap;
class QWidget;

// Share of the disk a partition takes, in whole percent (truncated), 0 for a disk of no size.
int usagePercent(qint64 partitionBytes, qint64 diskBytes);

// The small bar shown in the Usage column of a partition row, vertically centred.
// The bar itself is a QProgressBar named "usageBar" inside the returned container.
QWidget *createUsageBar(int percent, QWidget *parent = nullptr);

// The dotted strip shown in the Usage column of an unallocated row.
QPixmap unallocatedStripPixmap();
QWidget *createUnallocatedStrip(QWidget *parent = nullptr);
