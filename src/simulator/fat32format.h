#pragma once

// The fat32format.exe stand-in: `fat32format.exe [-cN] X:` asks for confirmation, reads one
// character from standard input (waiting for as long as none comes), formats the volume as
// FAT32 with N sectors per cluster and prints the working lines and "Done".

#include <QString>
#include <QStringList>

namespace sim {
namespace fat32format {

// The -cN values the tool takes: 1, 2, 4, ... 128 sectors per cluster.
bool validSectorsPerCluster(int n);

// The tool's own default unit in bytes for a volume of `size` bytes (never below a sector).
qint64 defaultClusterSize(qint64 size, int sectorSize);

// main() of the `fat32format.exe` executable (arguments without the program name).
int toolMain(const QStringList &arguments);

} // namespace fat32format
} // namespace sim
