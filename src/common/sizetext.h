#pragma once

#include "records.h"

#include <QString>

// Binary units, two decimals, a point as decimal separator whatever the locale.
QString formatSize(qint64 bytes);
// Reads a size text such as "1,024 MB" or "2.5gb" back into bytes; 0 when unreadable.
qint64 parseSize(const QString &text);

bool isSystemPartition(const PartitionInfo &p);
bool isBootPartition(const PartitionInfo &p);
// The tree's Status column text, e.g. "Boot, Data Partition".
QString partitionTypeText(const PartitionInfo &p);
// A name for a partition that has no drive letter.
QString partitionDisplayName(const PartitionInfo &p);
