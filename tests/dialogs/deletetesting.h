#pragma once

// Machines, records and dialog readings shared by the delete dialog's and the Delete action's tests.

#include "support/testmachine.h"

#include "app/windowtesting.h"

#include "dialogs/deletepartitionpage.h"

#include <QLabel>
#include <QtMath>
#include <QtTest>

// Disk 0 with three partitions side by side: 0:1 C: (the running system), 0:2 E:, 0:3 F:, and
// free space after them.
inline void buildDeleteMachine(TestMachine &tm, double timeScale, const char *fault = nullptr)
{
    using Vol = TestMachine::Vol;
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 30 * sim::kGiB, "Primary", Vol("NTFS", "Windows", "C"));
    tm.addPartition(0, sim::kMiB + 30 * sim::kGiB, 10 * sim::kGiB, "Primary", Vol("NTFS", "Data", "E"));
    tm.addPartition(0, sim::kMiB + 40 * sim::kGiB, 10 * sim::kGiB, "Primary", Vol("exFAT", "Media", "F"));
    tm.setTimeScale(timeScale);
    if (fault && *fault)
        tm.addFault(fault);
    QVERIFY(tm.write());
}

// The ring's colour at 10°, 90°, 180° and 270° clockwise from the top, then "/" and the colours
// of the percentage in the middle: G the grey track, B blue, N green, . anything else.
inline QString ringOf(DeletePartitionPage &dialog)
{
    const QImage image = child<QLabel>(dialog, "ringLabel")->pixmap().toImage();
    auto shade = [&image](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        auto near = [&c](int r, int g, int b) {
            return c.alpha() > 200 && qAbs(c.red() - r) <= 12 && qAbs(c.green() - g) <= 12 && qAbs(c.blue() - b) <= 12;
        };
        return near(240, 240, 240) ? 'G' : near(33, 150, 243) ? 'B' : near(76, 175, 80) ? 'N' : '.';
    };
    QString out;
    for (double degrees : {10.0, 90.0, 180.0, 270.0}) {
        const double a = qDegreesToRadians(degrees);
        out += shade(qRound(60 + 40 * qSin(a)), qRound(60 - 40 * qCos(a)));
    }
    QString middle;
    for (int i = 0; i < 51 * 31; ++i)
        middle += shade(35 + i % 51, 45 + i / 51);
    return out + '/' + (middle.contains('B') ? "B" : "") + (middle.contains('N') ? "N" : "");
}

inline QString statusOf(DeletePartitionPage &dialog)
{
    return child<QLabel>(dialog, "statusLabel")->text();
}
