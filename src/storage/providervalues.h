#pragma once

// Values the storage provider delivers in a shape the records do not use directly.

#include "platform/platform.h"

#include <QString>

namespace storage {

// MSFT_Disk.OperationalStatus as one status text: a string is taken as it is; codes (an array
// of uint16, or a single integer) become their words joined by ", " ("Online", "Offline",
// "No Media", ...). "Unknown" when nothing readable is there.
QString diskStatusText(const platform::Variant &operationalStatus);

// The text of a partition type code: 1 "System" ... 8 "OEM", any other "Type %1".
QString partitionTypeName(int typeCode);

// The 1-8 type code from the properties Windows does deliver (MSFT_Partition has no Type):
// GptType on GPT disks, MbrType and IsSystem on MBR disks. 0 when they say nothing known.
// Logical partitions are told apart only by their position, see getPartitions.
int deriveTypeCode(const platform::Variant &gptType, const platform::Variant &mbrType,
                   const platform::Variant &isSystem);

} // namespace storage
