#pragma once

// The large machine both benchmarks measure: GPT disks of 1 GiB NTFS partitions, every other
// partition followed by a gap, the first volume of each disk lettered while letters last.

#include "simulator/geometry.h"
#include "simulator/machine.h"

inline sim::Machine benchMachine(int diskCount, int partitionsPerDisk, qint64 gap, char firstLetter)
{
    sim::Machine machine = sim::emptyMachine();
    char letter = firstLetter;
    for (int d = 0; d < diskCount; ++d) {
        sim::Disk disk;
        disk.number = d;
        disk.friendlyName = QStringLiteral("Bench Disk %1").arg(d);
        disk.size = (partitionsPerDisk + 2) * sim::kGiB;
        disk.partitionStyle = QStringLiteral("GPT");
        for (int i = 0; i < partitionsPerDisk; ++i) {
            sim::Partition p;
            p.number = i + 1;
            p.offset = sim::kMiB + i * sim::kGiB;
            p.size = sim::kGiB - (i % 2 ? 0 : gap);
            p.type = QStringLiteral("Primary");
            p.guid = sim::geometry::newGuid();
            sim::Volume v;
            v.fileSystem = QStringLiteral("NTFS");
            v.label = QStringLiteral("Vol %1-%2").arg(d).arg(i + 1);
            v.serial = sim::geometry::newVolumeSerial();
            v.guid = sim::geometry::newGuid();
            v.clusterSize = 4096;
            if (i == 0 && letter <= 'Z')
                v.letter = QString(QLatin1Char(letter++));
            p.volume = v;
            disk.partitions.append(p);
        }
        machine.disks.append(disk);
    }
    return machine;
}

// The round-trip cost of the Windows storage provider as docs/simulated-machine.md models it.
inline void withLatencyModel(sim::Machine &machine)
{
    machine.timeScale = 1.0;
    machine.queryLatencyMs = 40;
    machine.connectLatencyMs = 80;
    machine.methodLatencyMs = 0;
}
