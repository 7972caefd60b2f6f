#pragma once

#include "records.h"

#include <QString>

// What a partition means to Windows, asked before any operation changes it. Every dialog and
// job that deletes, formats, resizes, merges or splits asks here, so they all refuse and warn alike.
enum class PartitionGuard {
    None,          // an ordinary data partition (or free space)
    RunningSystem, // the running system's EFI system/active partition, its boot partition, or C:
    EfiSystem,     // an EFI system partition the running system did not start from
    Msr,           // Microsoft Reserved partition
    Recovery,      // Windows recovery environment
    Oem,           // the maker's recovery or support partition
};

PartitionGuard partitionGuard(const PartitionInfo &p);

// True for partitions no operation may touch while Windows runs from them.
inline bool isRefusedPartition(const PartitionInfo &p) { return partitionGuard(p) == PartitionGuard::RunningSystem; }

// What the partition is and what losing it means: the reason of a refusal for RunningSystem,
// the text of a warning for the other kinds, empty for None.
QString partitionGuardText(const PartitionInfo &p);
