#pragma once

// The simulated WMI providers: ROOT\Microsoft\Windows\Storage (MSFT_Disk, MSFT_Partition) and
// ROOT\CIMV2 (Win32_LogicalDisk), answering from the machine file. Every call reads the file
// afresh; every method with an effect changes it under the store's exclusive lock.

#include "platform/platform.h"
#include "simulator/machine.h"

#include <QString>

#include <memory>

namespace sim {

enum class WmiNamespace { Invalid, Storage, Cimv2 };

// Accepts the names Windows accepts: any case, "\" or "/", with or without "\\.\" in front.
WmiNamespace parseNamespace(const QString &name);
QString namespaceName(WmiNamespace ns); // "ROOT\Microsoft\Windows\Storage", "ROOT\CIMV2"

// Services bound to a namespace and a machine file. The namespace must not be Invalid.
std::unique_ptr<platform::WbemServices> createServices(WmiNamespace ns, const QString &machinePath);

// Process-wide totals since start, for benchmarks: connections the provider opened, queries and
// method calls it answered (failed ones included).
struct ProviderCounters
{
    quint64 connections = 0;
    quint64 queries = 0;
    quint64 methods = 0;
};
ProviderCounters providerCounters();

// Return codes of the storage methods, as Windows defines them.
namespace rc {
constexpr int Success = 0;
constexpr int NotSupported = 1;
constexpr int InvalidParameter = 5;
constexpr int SizeNotSupported = 4097;
constexpr int NotEnoughCapacity = 40000;
constexpr int NotEnoughResources = 40002;
constexpr int NotInitialized = 41000;
constexpr int AlreadyInitialized = 41001;
constexpr int ReadOnly = 41002;
constexpr int Offline = 41003;
constexpr int PartitionLimit = 41004;
constexpr int InvalidForType = 41006;
constexpr int InvalidPartitionType = 41010;
constexpr int MbrLimit = 41011;
constexpr int InvalidOffset = 41012;
constexpr int TooSmallForGpt = 41014;
constexpr int AccessPathInUse = 42002;
constexpr int AccessPathInvalid = 42007;
constexpr int UnknownFileSystem = 42009;
} // namespace rc

// GPT type GUIDs (lower case, braces as MSFT_Partition.GptType carries them).
namespace gpt {
constexpr const char *Efi = "{c12a7328-f81f-11d2-ba4b-00a0c93ec93b}";
constexpr const char *Msr = "{e3c9e316-0b5c-4db8-817d-f92df00215ae}";
constexpr const char *BasicData = "{ebd0a0a2-b9e5-4433-87c0-68b6b72699c7}";
constexpr const char *Recovery = "{de94bba4-06d1-4d40-a16a-bfd50179d6ac}";
} // namespace gpt

// What MSFT_Partition reports for a partition of the model.
QString gptTypeOf(const Partition &partition);
int mbrTypeOf(const Partition &partition);
int typeCodeOf(const QString &type); // 1 System ... 8 OEM

// Shrink floor of a volume: the bytes in use plus the larger of 64 MiB and 1 % of the partition.
qint64 minimumSizeOf(const Disk &disk, const Partition &partition);

} // namespace sim
