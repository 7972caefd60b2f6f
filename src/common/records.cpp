#include "records.h"

#include <QDebug>

#include <cstdlib>

bool SplitPartitionOptions::isValid() const
{
    if (partitionId.isEmpty()) {
        qWarning() << "SplitPartitionOptions invalid: partitionId is empty";
        return false;
    }
    if (originalSizeBytes <= 0) {
        qWarning() << "SplitPartitionOptions invalid: originalSizeBytes <= 0";
        return false;
    }
    if (keepSizeBytes <= 0) {
        qWarning() << "SplitPartitionOptions invalid: keepSizeBytes <= 0";
        return false;
    }
    if (newSizeBytes <= 0) {
        qWarning() << "SplitPartitionOptions invalid: newSizeBytes <= 0";
        return false;
    }
    const qint64 diff = std::llabs(originalSizeBytes - (keepSizeBytes + newSizeBytes));
    if (diff > SizeTolerance) {
        qWarning() << "SplitPartitionOptions invalid: size mismatch of" << diff << "bytes";
        return false;
    }
    return true;
}

void registerRecordMetaTypes()
{
    qRegisterMetaType<PartitionInfo>("PartitionInfo");
    qRegisterMetaType<SplitPartitionOptions>("SplitPartitionOptions");
    qRegisterMetaType<PartitionCreateRequest>("PartitionCreateRequest");
    qRegisterMetaType<QList<PartitionCreateRequest>>("QList<PartitionCreateRequest>");
}
