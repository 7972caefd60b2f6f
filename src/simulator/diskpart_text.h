#pragma once

// The tables and sizes diskpart prints, in English or in the wording of a Chinese
// installation. Rows are padded by character count, headers by display width, as the real
// tool does, so rows with CJK text lose their alignment there too.

#include "simulator/machine.h"

#include <QList>
#include <QString>

namespace sim {
namespace diskpart {

// Picks the English or the Chinese text of a message.
struct Wording
{
    bool chinese = false;
    QString operator()(const char *english, const char *chinese) const;
};

struct VolumeRef
{
    int disk = -1;
    int partition = -1;
};

// Volume numbers are positions in this list, which is also the order `list volume` prints:
// disks by number, on each disk its partitions by offset, every partition that carries a
// volume (the EFI system and recovery volumes included). Other drives (optical, network) are
// not listed.
QList<VolumeRef> volumeOrder(const Machine &machine);
int volumeNumber(const Machine &machine, int disk, int partition); // -1 when not listed

// "124 GB", "1024 KB", "  0 B": whole units, truncated, in the largest unit that leaves at
// least 10240 of the next smaller one.
QString sizeText(qint64 bytes);

// The "Type" column of `list partition`: "System", "Reserved", "Primary", ...
QString partitionTypeText(const Disk &disk, const Partition &partition, const Wording &w);

QString listDisks(const Machine &machine, int selectedDisk, const Wording &w);
QString listPartitions(const Disk &disk, int selectedPartition, const Wording &w);
QString listVolumes(const Machine &machine, int selectedVolume, const Wording &w);
// `detail partition`, with the partition's volume (if any) as a one-row volume table.
QString detailPartition(const Machine &machine, const Disk &disk, const Partition &partition,
                        int selectedVolume, const Wording &w);

} // namespace diskpart
} // namespace sim
