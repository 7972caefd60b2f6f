#include "mergeneighbour.h"

#include <QCoreApplication>

namespace {

QString nameOf(const PartitionInfo &p)
{
    return p.driveLetter.isEmpty() ? QCoreApplication::translate("MergeNeighbour", "Partition %1").arg(p.partitionNumber)
                                   : p.driveLetter + QLatin1Char(':');
}


} // namespace

MergeNeighbour mergeNeighbour(const QList<PartitionInfo> &records, int sourcePartitionNumber, int targetPartitionNumber)
{
    int at = -1;
    for (int i = 0; i < records.size() && at < 0; ++i)
        if (!records.at(i).isUnallocated && records.at(i).partitionNumber == sourcePartitionNumber)
            at = i;
    MergeNeighbour out;
    const auto refuse = [&out](const QString &why) {
        out.refusal = why;
        return out;
    };
    if (at >= 0)
        out.source = records.at(at);
    if (at < 0 || at + 1 >= records.size())
        return refuse(QCoreApplication::translate("MergeNeighbour", "There is no right partition or space to merge."));
    const PartitionInfo &source = records.at(at);
    const bool pastFreeSpace = targetPartitionNumber > 0 && records.at(at + 1).isUnallocated && at + 2 < records.size()
                               && records.at(at + 2).partitionNumber == targetPartitionNumber;
    const PartitionInfo &next = records.at(pastFreeSpace ? at + 2 : at + 1);
    if (source.typeCode == PartitionTypeCode::Extended)
        return refuse(QCoreApplication::translate("MergeNeighbour",
                                                  "%1 is an extended partition: it holds logical drives and no file "
                                                  "system. Select one of its logical drives instead.")
                          .arg(nameOf(source)));
    if (source.typeCode == PartitionTypeCode::Logical && next.typeCode != PartitionTypeCode::Logical)
        return refuse(QCoreApplication::translate("MergeNeighbour",
                                                  "%1 is a logical drive: the space after the extended partition "
                                                  "cannot be added to it.")
                          .arg(nameOf(source)));
    if (next.typeCode == PartitionTypeCode::Extended)
        return refuse(QCoreApplication::translate("MergeNeighbour",
                                                  "The partition after %1 is an extended partition holding logical "
                                                  "drives: it cannot be merged into %1.")
                          .arg(nameOf(source)));
    out.record = next;
    return out;
}
