#include "simulator/fat32format.h"

#include "simulator/diskpart_filesystem.h"
#include "simulator/diskpart_tooling.h"
#include "simulator/geometry.h"
#include "simulator/machine.h"

#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace sim {
namespace fat32format {

bool validSectorsPerCluster(int n)
{
    return n >= 1 && n <= 128 && (n & (n - 1)) == 0;
}

qint64 defaultClusterSize(qint64 size, int sectorSize)
{
    const qint64 mb = size / kMiB;
    qint64 unit = sectorSize;
    if (mb > 32768)
        unit = 32 * kKiB;
    else if (mb > 16384)
        unit = 16 * kKiB;
    else if (mb > 8192)
        unit = 8 * kKiB;
    else if (mb > 256)
        unit = 4 * kKiB;
    return std::max<qint64>(unit, sectorSize);
}

namespace {

enum class Outcome { Formatted, NoVolume, AccessDenied, SystemVolume, WriteProtected, TooBig };

// The tool reports a failure with the system's last error and ends with that code.
QString failure(const char *what, int lastError, bool chinese)
{
    return QStringLiteral("%1\nGetLastError()=%2: %3\n")
        .arg(QLatin1String(what))
        .arg(lastError)
        .arg(standin::systemMessage(lastError, chinese));
}

const char kOpenFailed[] = "Failed to open device - close any files before formatting, and make sure you have Admin "
                           "rights when using fat32format";

} // namespace

int toolMain(const QStringList &arguments)
{
    MachineStore store;
    const standin::ToolFault fault =
        standin::takeToolFault(store, QStringLiteral("tool.fat32format"), arguments.join(QLatin1Char(' ')));
    if (fault.exitCode) {
        standin::writeStdout(fault.outputLines());
        return *fault.exitCode;
    }
    const auto finish = [&fault](const QString &text, int code) {
        standin::writeStdout(text + fault.outputLines());
        return code;
    };

    QString drive;
    int sectorsPerCluster = 0;
    for (const QString &a : arguments) {
        if (a.startsWith(QLatin1String("-c"), Qt::CaseInsensitive)) {
            bool ok = false;
            const int n = a.mid(2).toInt(&ok);
            if (ok && validSectorsPerCluster(n))
                sectorsPerCluster = n;
            else
                standin::writeStdout(QStringLiteral("Ignoring bad cluster size %1\n").arg(a.mid(2)));
        } else if (!a.startsWith(QLatin1Char('-'))) {
            drive = a;
        }
    }
    if (drive.isEmpty())
        return finish(QStringLiteral("Usage Fat32Format [-cN] X:\n"
                                     "Erase all data on disk X:, format it for FAT32\n"
                                     "    -cN  N sectors per cluster: 1, 2, 4, 8, 16, 32, 64 or 128\n"),
                      1);
    static const QRegularExpression driveRe(QStringLiteral("^([A-Za-z]):?\\\\?$"));
    const QRegularExpressionMatch dm = driveRe.match(drive);
    const QString letter = dm.hasMatch() ? dm.captured(1).toUpper() : QString();

    standin::writeStdout(QStringLiteral("Warning ALL data on drive '%1' will be lost irretrievably, are you sure\n(y/n) :")
                             .arg(letter.isEmpty() ? drive : letter + QLatin1Char(':')));
    const int answer = std::fgetc(stdin); // one character, as the tool reads it; blocks until it comes
    if (answer != 'y' && answer != 'Y')
        return finish(QStringLiteral("\n"), 1);
    standin::writeStdout(QStringLiteral("\n"));

    const bool chinese = standin::chineseWording(store);
    if (fault.flag("inUse"))
        return finish(failure(kOpenFailed, 32, chinese), 32);
    if (fault.flag("exit2"))
        return finish(failure(kOpenFailed, 2, chinese), 2);

    Outcome outcome = Outcome::NoVolume;
    qint64 size = 0;
    int sector = 512;
    qint64 cluster = 0;
    filesystem::FatLayout layout;
    QString serial;
    QString error;
    // The volume the letter names if it can be formatted, with its layout; else null and why.
    const auto inspect = [&](Machine &m) -> Partition * {
        Disk *d = nullptr;
        Partition *p = letter.isEmpty() ? nullptr : m.partitionByLetter(letter, &d);
        if (!m.administrator) {
            outcome = Outcome::AccessDenied;
            return nullptr;
        }
        if (!p) {
            outcome = Outcome::NoVolume;
            return nullptr;
        }
        if (letter == QLatin1String("C")) {
            outcome = Outcome::SystemVolume; // the running system's volume cannot be locked
            return nullptr;
        }
        if (d->readOnly) {
            outcome = Outcome::WriteProtected;
            return nullptr;
        }
        sector = d->logicalSectorSize > 0 ? d->logicalSectorSize : 512;
        size = p->size;
        if (size / sector > 0xFFFFFFFFLL) {
            outcome = Outcome::TooBig;
            return nullptr;
        }
        cluster = sectorsPerCluster > 0 ? qint64(sectorsPerCluster) * sector : defaultClusterSize(size, sector);
        layout = filesystem::fat32Layout(size, sector, cluster);
        outcome = Outcome::Formatted;
        return p;
    };
    // The reserved sectors, the FATs and the root cluster are written first; meanwhile the
    // volume holds no file system, so a run cut off there leaves it without one.
    int writeMs = 0;
    bool stored = store.modify(
        [&](Machine &m) {
            Partition *p = inspect(m);
            writeMs = p ? writeTimeMs(m, layout.metadataSectors() * sector) : 0;
            if (writeMs <= 0)
                return false;
            p->volume->fileSystem.clear();
            return true;
        },
        &error);
    if (stored)
        QThread::msleep(static_cast<unsigned long>(writeMs));
    stored = stored && store.modify(
        [&](Machine &m) {
            Partition *p = inspect(m);
            if (!p)
                return false;
            filesystem::applyFormat(*p, QStringLiteral("FAT32"), cluster, QString(), sector);
            serial = p->volume->serial;
            return true;
        },
        &error);
    if (!stored)
        return finish(QStringLiteral("%1\n%2\n").arg(QLatin1String(kOpenFailed), error), 1);

    switch (outcome) {
    case Outcome::NoVolume:
        return finish(failure(kOpenFailed, 2, chinese), 2);
    case Outcome::AccessDenied:
        return finish(failure(kOpenFailed, 5, chinese), 5);
    case Outcome::SystemVolume:
        return finish(failure("Failed to lock device", 5, chinese), 5);
    case Outcome::WriteProtected:
        return finish(failure(kOpenFailed, 19, chinese), 19);
    case Outcome::TooBig:
        // The size check leaves no system error behind, so the tool ends with 0 although it
        // formatted nothing: exit code 0 alone does not prove success.
        return finish(failure("This drive is too big for FAT32 - max 2TB supported", 0, chinese), 0);
    case Outcome::Formatted:
        break;
    }

    const qint64 written = layout.metadataSectors() * sector;
    const double seconds = std::max(0.01, double(written) / 250e6);
    QString volumeId = serial.toLower();
    volumeId.replace(QLatin1Char('-'), QLatin1Char(':'));
    QString text;
    text += QStringLiteral("Size : %1GB %2 sectors\n").arg(QString::number(double(size) / 1e9, 'f', 2)).arg(layout.totalSectors);
    text += QStringLiteral("%1 Bytes Per Sector, Cluster size %2 bytes\n").arg(sector).arg(cluster);
    text += QStringLiteral("Volume ID is %1\n").arg(volumeId);
    text += QStringLiteral("%1 Reserved Sectors, %2 Sectors per FAT, %3 fats\n")
                .arg(layout.reservedSectors)
                .arg(layout.sectorsPerFat)
                .arg(layout.fats);
    text += QStringLiteral("%1 Total clusters\n").arg(layout.totalClusters);
    text += QStringLiteral("%1 Free Clusters\n").arg(layout.totalClusters - 1);
    text += QStringLiteral("Formatting drive %1:...\n").arg(letter);
    text += QStringLiteral("Clearing out %1 sectors for Reserved sectors, fats and root cluster...\n")
                .arg(layout.metadataSectors());
    text += QStringLiteral("Wrote %1 bytes in %2 seconds, %3 Megabytes/sec\n")
                .arg(written)
                .arg(QString::number(seconds, 'f', 2))
                .arg(QString::number(double(written) / seconds / 1e6, 'f', 2));
    text += QStringLiteral("Initialising reserved sectors and FATs...\n");
    if (!fault.flag("noDone"))
        text += QStringLiteral("Done\n");
    return finish(text, 0);
}

} // namespace fat32format
} // namespace sim
