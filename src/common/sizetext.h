#pragma once

#include "records.h"

#include <QString>

// Binary units, two decimals, a point as decimal separator whatever the locale.
QString formatSize(qint64 bytes);

bool isSystemPartition(const PartitionInfo &p);
bool isBootPartition(const PartitionInfo &p);
// The tree's Status column text, e.g. "Boot, Data Partition".
QString partitionTypeText(const PartitionInfo &p);
// A name for a partition that has no drive letter.
QString partitionDisplayName(const PartitionInfo &p);

// One or two decimals by unit, as the merge texts show sizes: "1.50 TB", "2.00 GB", "60.0 MB",
// "1.5 KB", "512 B".
QString shortSize(qint64 bytes);
// Gibibytes with two decimals and no unit: "420.06".
QString gibNumber(qint64 bytes);
// Whole megabytes below 1024 MB, else gigabytes with one decimal, in the user's language: the
// resize bar's "800 MB", "40.0 GB".
QString megabytesText(int megabytes);
