#pragma once

#include "records.h"

#include <QList>
#include <QString>

#include <optional>

// What a merge into a partition takes: the record that follows it on the disk, if a merge can
// add it. Windows extends a partition only within its own container, so a primary partition
// never takes an extended partition, and a logical drive never takes what lies after the
// extended partition holding it. Asked by the window before the dialog opens and by the job,
// on a fresh read, before its first change.
struct MergeNeighbour
{
    std::optional<PartitionInfo> source; // the source as `records` have it, when found
    std::optional<PartitionInfo> record; // the neighbour, set when the merge may go on
    QString refusal;                     // otherwise why not, for the user
};

// `records` is one disk's list in disk order, gaps included, as the storage layer reads it. With
// a target partition number the neighbour is that partition, which may also lie beyond the free
// space right after the source (the extend then takes that space first).
MergeNeighbour mergeNeighbour(const QList<PartitionInfo> &records, int sourcePartitionNumber, int targetPartitionNumber = 0);
