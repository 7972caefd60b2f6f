#pragma once

#include <QString>

// Partition ids are "diskNumber:partitionNumber" in decimal.
struct PartitionId
{
    int disk = 0;
    int partition = 0;
};

enum class IdCheck {
    Checked,  // a part that is not a non-negative decimal number rejects the id
    Unchecked // a part that is not a number reads as 0
};

QString makePartitionId(int diskNumber, int partitionNumber);

// The one reader of partition ids. Splits at ":" keeping empty parts, requires exactly two
// parts, and reads each as a base-10 int. Returns false when the id is rejected.
bool parsePartitionId(const QString &id, PartitionId *out, IdCheck check = IdCheck::Checked);
