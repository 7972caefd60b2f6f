#include "partitionid.h"

#include <QStringList>

QString makePartitionId(int diskNumber, int partitionNumber)
{
    return QStringLiteral("%1:%2").arg(diskNumber).arg(partitionNumber);
}

bool parsePartitionId(const QString &id, PartitionId *out, IdCheck check)
{
    const QStringList parts = id.split(QLatin1Char(':'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.size() != 2)
        return false;
    bool diskOk = false;
    bool partOk = false;
    const int disk = parts.at(0).toInt(&diskOk, 10);
    const int part = parts.at(1).toInt(&partOk, 10);
    // Disk and partition numbers are never negative; "-1:3" names nothing.
    if (check == IdCheck::Checked && (!diskOk || !partOk || disk < 0 || part < 0))
        return false;
    if (out) {
        out->disk = disk;
        out->partition = part;
    }
    return true;
}
