#pragma once

// Machines and records shared by the delete dialog's tests and the main window's delete tests.

#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"

#include <QtTest>

// Every partition with its geometry and volume, to prove what a run did or did not touch.
inline QStringList layoutOf(const sim::Machine &m)
{
    QStringList out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions) {
            const sim::Volume v = p.volume.value_or(sim::Volume());
            out << QStringLiteral("%1:%2 @%3 +%4 %5 %6 %7 %8 %9")
                       .arg(d.number).arg(p.number).arg(p.offset).arg(p.size)
                       .arg(p.type, v.letter, v.fileSystem, v.label, v.serial);
        }
    return out;
}

// Disk 0 with three partitions side by side: 0:1 C: (the running system), 0:2 E:, 0:3 F:, and
// free space after them.
inline void buildDeleteMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 30 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Windows"), QStringLiteral("C")));
    tm.addPartition(0, sim::kMiB + 30 * sim::kGiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")));
    tm.addPartition(0, sim::kMiB + 40 * sim::kGiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("exFAT"), QStringLiteral("Media"), QStringLiteral("F")));
    tm.setTimeScale(timeScale);
    if (!fault.isEmpty())
        tm.addFault(fault.constData());
    QVERIFY(tm.write());
}

// The record the main window holds for partition `number` of disk 0.
inline PartitionInfo recordOf(int number)
{
    WindowsStorageManager manager;
    if (manager.initialize())
        for (const PartitionInfo &p : manager.getPartitions(QStringLiteral("0")))
            if (!p.isUnallocated && p.partitionNumber == number)
                return p;
    return PartitionInfo();
}

template <typename T>
T *child(QObject &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}
