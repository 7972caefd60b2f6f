#include "windowsstoragemanager.h"

#include "providervalues.h"
#include "variantreader.h"
#include "wmiaccess.h"

#include "common/driveletter.h"
#include "common/partitionid.h"
#include "common/sizetext.h"

#include <QDebug>
#include <QHash>
#include <QMutexLocker>

#include <algorithm>
#include <limits>

using namespace platform;
using namespace storage;

namespace {

const wchar_t *const StorageNamespace = L"ROOT\\Microsoft\\Windows\\Storage";
const wchar_t *const Cimv2Namespace = L"ROOT\\CIMV2";

constexpr std::uint32_t RPC_C_AUTHN_WINNT = 10;
constexpr std::uint32_t RPC_C_AUTHZ_NONE = 0;
constexpr std::uint32_t RPC_C_AUTHN_LEVEL_NONE = 1;
constexpr std::uint32_t RPC_C_AUTHN_LEVEL_CALL = 3;
constexpr std::uint32_t RPC_C_IMP_LEVEL_IMPERSONATE = 3;
constexpr std::uint32_t EOAC_NONE = 0;

// Gaps of this size or less are alignment slack, not free space worth showing.
constexpr qint64 GapThreshold = 512;
// The buffers GetVolumeInformationW gets for the volume and file-system names.
constexpr std::size_t VolumeInfoBufferChars = 261;

// Offsets and sizes come from the provider as text; keep the arithmetic on them defined
// whatever they say.
qint64 addSaturated(qint64 a, qint64 b)
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    if (b > 0 && a > max - b)
        return max;
    if (b < 0 && a < min - b)
        return min;
    return a + b;
}

qint64 subSaturated(qint64 a, qint64 b)
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    if (b < 0 && a > max + b)
        return max;
    if (b > 0 && a < min + b)
        return min;
    return a - b;
}

void setSecurityBlanket(WbemServices &services)
{
    const HResult hr = services.setProxyBlanket(RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, RPC_C_AUTHN_LEVEL_CALL,
                                                RPC_C_IMP_LEVEL_IMPERSONATE, EOAC_NONE);
    if (failed(hr))
        qWarning() << "Could not set proxy blanket, HRESULT:" << qUtf8Printable(hresultText(hr));
}

PartitionInfo unallocatedRegion(int disk, qint64 start, qint64 length)
{
    PartitionInfo region;
    region.diskIndex = disk;
    region.offsetBytes = start;
    region.offset = start;
    region.sizeBytes = length;
    region.sizeStr = formatSize(length);
    region.type = QStringLiteral("Unallocated");
    region.name = QStringLiteral("Unallocated");
    region.isUnallocated = true;
    return region;
}

// Removable and fixed logical disks of ROOT\CIMV2 by letter, through a connection of their own.
QHash<QString, VolumeMapEntry> readLogicalDisks(Platform &platform)
{
    QHash<QString, VolumeMapEntry> logical;
    std::unique_ptr<WbemServices> services;
    {
        std::unique_ptr<WbemLocator> locator;
        HResult hr = platform.createWbemLocator(locator);
        if (failed(hr) || !locator) {
            qWarning() << "Failed to create IWbemLocator object, HRESULT:" << qUtf8Printable(hresultText(hr));
            return logical;
        }
        hr = locator->connectServer(Cimv2Namespace, services);
        if (failed(hr) || !services) {
            qWarning() << "Could not connect to WMI CIMV2 namespace, HRESULT:" << qUtf8Printable(hresultText(hr));
            return logical;
        }
        setSecurityBlanket(*services);
    }

    const HResult hr = runQuery(
        *services,
        QStringLiteral("SELECT DeviceID, FileSystem, VolumeName, VolumeSerialNumber FROM Win32_LogicalDisk "
                       "WHERE DriveType=2 OR DriveType=3"),
        [&](const WmiObject &disk) {
            QString deviceId;
            VolumeMapEntry entry;
            readString(disk.property(QStringLiteral("DeviceID")), &deviceId);
            readString(disk.property(QStringLiteral("FileSystem")), &entry.fileSystem);
            readString(disk.property(QStringLiteral("VolumeName")), &entry.volumeLabel);
            readString(disk.property(QStringLiteral("VolumeSerialNumber")), &entry.serial);
            if (deviceId.endsWith(QLatin1Char(':'))) {
                entry.driveLetter = deviceId.left(1);
                logical.insert(entry.driveLetter, entry);
            }
            return true;
        });
    if (failed(hr)) {
        qWarning() << "Query for Win32_LogicalDisk failed, HRESULT:" << qUtf8Printable(hresultText(hr));
        logical.clear();
    }
    return logical;
}

// Drive letters by (disk, partition) from MSFT_Partition objects, then joined with the logical
// disks that carry the file systems and labels.
class LetterScan
{
public:
    void add(const WmiObject &p)
    {
        int disk = -1;
        int number = -1;
        QStringList accessPaths;
        readUnchecked(p.property(QStringLiteral("DiskNumber")), &disk);
        readUnchecked(p.property(QStringLiteral("PartitionNumber")), &number);
        readStringArray(p.property(QStringLiteral("AccessPaths")), &accessPaths);

        QString letter;
        for (const QString &path : std::as_const(accessPaths)) {
            if (path.size() == 3 && path.endsWith(QLatin1String(":\\")))
                letter = path.left(1);
        }
        if (disk >= 0 && number >= 1 && !letter.isEmpty())
            m_letters.insert(qMakePair(disk, number), letter);
    }

    VolumeMap join(const QHash<QString, VolumeMapEntry> &logical) const
    {
        VolumeMap result;
        for (auto it = m_letters.cbegin(); it != m_letters.cend(); ++it) {
            const auto found = logical.constFind(it.value());
            if (found == logical.cend())
                continue;
            VolumeMapEntry entry = found.value();
            entry.diskNumber = it.key().first;
            entry.partitionNumber = it.key().second;
            entry.driveLetter = it.value();
            result.insert(it.key(), entry);
        }
        qDebug() << "Volume map:" << result.size() << "lettered volumes";
        return result;
    }

private:
    QMap<QPair<int, int>, QString> m_letters;
};

// One MSFT_Partition object as a record of its disk, before the volume map and the layout.
struct PartitionRow
{
    PartitionInfo info;
    // The type came from an MBR type; logical drives are found by their position later.
    bool mbrDerived = false;
};

PartitionRow readPartitionRow(const WmiObject &object, int disk)
{
    PartitionRow row;
    PartitionInfo &p = row.info;
    p.diskIndex = disk;

    int number = 0;
    if (read32(object.property(QStringLiteral("PartitionNumber")), &number) != ReadStatus::Absent) {
        p.partitionNumber = number;
        p.id = makePartitionId(disk, number);
    }
    qint64 offset = 0;
    read64(object.property(QStringLiteral("Offset")), &offset);
    p.offset = offset;
    p.offsetBytes = offset;
    read64(object.property(QStringLiteral("Size")), &p.sizeBytes);
    readBool(object.property(QStringLiteral("IsSystem")), &p.isSystem);
    readBool(object.property(QStringLiteral("IsBoot")), &p.isBoot);
    readString(object.property(QStringLiteral("Guid")), &p.guid);

    const Variant type = object.property(QStringLiteral("Type"));
    if (!isAbsent(type)) {
        int code = 0;
        read32(type, &code);
        p.typeCode = code;
        p.type = partitionTypeName(code);
    } else {
        // Windows has no Type property; without this every EFI, MSR and recovery partition
        // would look like a plain data partition.
        const Variant gptType = object.property(QStringLiteral("GptType"));
        const int code = deriveTypeCode(gptType, object.property(QStringLiteral("MbrType")),
                                        object.property(QStringLiteral("IsSystem")));
        if (code != 0) {
            p.typeCode = code;
            p.type = partitionTypeName(code);
            QString guid;
            row.mbrDerived = !(readString(gptType, &guid) && !guid.isEmpty());
        }
    }
    p.sizeStr = formatSize(p.sizeBytes);
    return row;
}

// The records of one disk from its partition rows: letters, names and volumes from the map,
// logical drives, the offset order and the unallocated regions between them.
QList<PartitionInfo> layOut(Platform &platform, int disk, qint64 diskSize, QList<PartitionRow> rows,
                            const VolumeMap &volumes)
{
    for (PartitionRow &row : rows) {
        PartitionInfo &p = row.info;
        const auto volume = volumes.constFind(qMakePair(disk, p.partitionNumber));
        if (volume != volumes.cend()) {
            p.fileSystem = volume->fileSystem;
            p.volumeLabel = volume->volumeLabel;
            p.driveLetter = volume->driveLetter;
            p.volumeSerial = volume->serial;
        }
        if (!p.driveLetter.isEmpty()) {
            p.name = p.driveLetter + QLatin1Char(':');
            p.driveLetters = QStringList{p.name};
        } else {
            p.name = QStringLiteral("Partition %1").arg(p.partitionNumber);
        }
    }

    // A partition inside an extended partition is a logical drive (only rows typed from their
    // MBR type are re-typed below).
    for (const PartitionRow &extended : std::as_const(rows)) {
        if (extended.info.typeCode != PartitionTypeCode::Extended)
            continue;
        const qint64 end = addSaturated(extended.info.offset, extended.info.sizeBytes);
        for (PartitionRow &row : rows) {
            PartitionInfo &p = row.info;
            if (row.mbrDerived && p.typeCode == 2 && p.offset > extended.info.offset && p.offset < end) {
                p.typeCode = PartitionTypeCode::Logical;
                p.type = partitionTypeName(PartitionTypeCode::Logical);
            }
        }
    }

    std::stable_sort(rows.begin(), rows.end(),
                     [](const PartitionRow &a, const PartitionRow &b) { return a.info.offset < b.info.offset; });

    QList<PartitionInfo> result;
    result.reserve(rows.size() * 2 + 1);
    qint64 cursor = 0;
    for (const PartitionRow &row : std::as_const(rows)) {
        const PartitionInfo &p = row.info;
        if (p.offset > addSaturated(cursor, GapThreshold))
            result.append(unallocatedRegion(disk, cursor, subSaturated(p.offset, cursor)));
        result.append(p);
        // Never backwards: the free space and boot records inside an extended partition belong to
        // it, not to the disk, so its logical drives must not reopen what it holds.
        cursor = std::max(cursor, addSaturated(p.offset, p.sizeBytes));
    }
    if (cursor < diskSize - GapThreshold)
        result.append(unallocatedRegion(disk, cursor, subSaturated(diskSize, cursor)));

    // The free space inside an extended partition, where logical drives go: each logical drive
    // holds the unit before it for its boot record, and a new one needs such a unit too.
    for (const PartitionRow &extended : std::as_const(rows)) {
        if (extended.info.typeCode != PartitionTypeCode::Extended)
            continue;
        const qint64 start = extended.info.offset;
        const qint64 end = addSaturated(start, extended.info.sizeBytes);
        QList<QPair<qint64, qint64>> held;
        for (const PartitionRow &row : std::as_const(rows))
            if (row.info.typeCode == PartitionTypeCode::Logical && row.info.offset >= start && row.info.offset < end)
                held.append({std::max(start, row.info.offset - LogicalBootRecordRoom), addSaturated(row.info.offset, row.info.sizeBytes)});
        std::sort(held.begin(), held.end());
        held.append({end, end});
        qint64 at = start;
        for (const auto &[from, to] : std::as_const(held)) {
            if (from - at >= 2 * LogicalBootRecordRoom) {
                PartitionInfo free = unallocatedRegion(disk, at + LogicalBootRecordRoom, from - at - LogicalBootRecordRoom);
                free.typeCode = PartitionTypeCode::Logical;
                free.type = free.name = QStringLiteral("Free Space");
                result.append(free);
            }
            at = std::max(at, to);
        }
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const PartitionInfo &a, const PartitionInfo &b) { return a.offsetBytes < b.offsetBytes; });

    for (PartitionInfo &p : result) {
        if (p.isUnallocated || p.driveLetter.isEmpty() || !p.fileSystem.isEmpty())
            continue;
        const std::wstring root = driveletter::root(driveletter::parse(p.driveLetter)).toStdWString();
        std::wstring volumeName;
        std::wstring fileSystemName;
        if (platform.getVolumeInformation(root, &volumeName, VolumeInfoBufferChars, nullptr, &fileSystemName,
                                          VolumeInfoBufferChars)) {
            p.fileSystem = QString::fromStdWString(fileSystemName);
            p.volumeLabel = QString::fromStdWString(volumeName);
        }
    }

    qDebug() << "Found" << result.size() << "partitions and unallocated regions on disk" << disk;
    return result;
}

} // namespace

WindowsStorageManager::WindowsStorageManager(QObject *parent)
    : WindowsStorageManager(platform::current(), parent)
{
}

WindowsStorageManager::WindowsStorageManager(Platform &platform, QObject *parent)
    : QObject(parent), m_platform(platform)
{
}

WindowsStorageManager::~WindowsStorageManager()
{
    releaseConnection();
    releaseCom();
}

void WindowsStorageManager::releaseConnection()
{
    m_services.reset();
    m_locator.reset();
}

void WindowsStorageManager::releaseCom()
{
    if (!m_comInitialized)
        return;
    m_comInitialized = false;
    if (m_comThread == std::this_thread::get_id())
        m_platform.coUninitialize();
    else
        // Uninitialising here would tear down whatever apartment this other thread is in.
        qWarning() << "COM was initialized on another thread; not uninitializing it here";
}

bool WindowsStorageManager::initialize()
{
    qDebug() << "Initializing WindowsStorageManager...";
    releaseConnection();
    releaseCom();

    const HResult hrInit = m_platform.coInitializeEx(COINIT_MULTITHREADED);
    if (failed(hrInit) && hrInit != hr::RpcChangedMode) {
        qCritical() << "CoInitializeEx failed with HRESULT:" << qUtf8Printable(hresultText(hrInit));
        qCritical() << "Failed to initialize COM";
        return false;
    }

    const HResult hrSecurity = m_platform.coInitializeSecurity(-1, RPC_C_AUTHN_LEVEL_NONE,
                                                               RPC_C_IMP_LEVEL_IMPERSONATE, EOAC_NONE);
    if (failed(hrSecurity) && hrSecurity != hr::RpcTooLate)
        qWarning() << "CoInitializeSecurity failed with HRESULT:" << qUtf8Printable(hresultText(hrSecurity));

    // A changed-mode answer runs in the thread's existing apartment, which is not ours to end.
    if (succeeded(hrInit)) {
        m_comInitialized = true;
        m_comThread = std::this_thread::get_id();
    }
    qDebug() << "COM initialized successfully";

    if (!connectToWmi()) {
        qCritical() << "Failed to connect to WMI";
        return false;
    }
    qDebug() << "WindowsStorageManager initialized successfully";
    return true;
}

bool WindowsStorageManager::connectToWmi()
{
    // A connection made through an older locator must not outlive it.
    releaseConnection();

    HResult hr = m_platform.createWbemLocator(m_locator);
    if (failed(hr) || !m_locator) {
        m_locator.reset();
        qCritical() << "Failed to create IWbemLocator object, HRESULT:" << qUtf8Printable(hresultText(hr));
        return false;
    }

    std::unique_ptr<WbemServices> services;
    hr = m_locator->connectServer(StorageNamespace, services);
    if (failed(hr) || !services) {
        qCritical() << "Could not connect to WMI Storage namespace, HRESULT:" << qUtf8Printable(hresultText(hr));
        return false;
    }
    setSecurityBlanket(*services);
    m_services = std::move(services);

    qDebug() << "Connected to WMI Storage Management successfully";
    return true;
}

bool WindowsStorageManager::checkServices() const
{
    if (m_services)
        return true;
    qCritical() << "WMI service not initialized";
    return false;
}

QString WindowsStorageManager::returnCodeText(int code)
{
    // The meanings Windows documents for the storage classes' return values.
    switch (code) {
    case 0: return tr("Success");
    case 1: return tr("Not Supported");
    case 2: return tr("Unspecified Error");
    case 3: return tr("Timeout");
    case 4: return tr("Failed");
    case 5: return tr("Invalid Parameter");
    case 6: return tr("The disk or volume is in use");
    case 8: return tr("The object was not found");
    case 4097: return tr("The size is not supported");
    case 40000: return tr("There is not enough available capacity");
    case 40001: return tr("Access Denied");
    case 40002: return tr("There are not enough resources to complete the operation");
    case 40003: return tr("Cache out of date");
    case 40004: return tr("An unexpected I/O error occurred");
    case 40005:
        return tr("The storage pool could not complete the operation because its health or "
                              "operational status does not permit it");
    case 40006:
        return tr("The storage pool could not complete the operation because its configuration is "
                              "read-only");
    case 40007: return tr("One of the physical disks specified is not supported by this operation");
    case 40008:
        return tr("The storage pool could not complete the operation because its policy does not "
                              "allow it");
    case 40009: return tr("There are not enough suitable physical disks available");
    case 41000: return tr("The disk has not been initialized");
    case 41001: return tr("The disk has already been initialized");
    case 41002: return tr("The disk is read-only");
    case 41003: return tr("The disk is offline");
    case 41004: return tr("The disk's partition limit has been reached");
    case 41005: return tr("The specified alignment is not valid");
    case 41006: return tr("The parameter is not valid for this type of partition");
    // Not documented for the methods called here; kept with the texts they always had.
    case 41007: return tr("The disk is not large enough for this operation");
    case 41008: return tr("The operation requires that the disk be online");
    case 41010: return tr("The specified partition type is not valid");
    case 41011: return tr("Only the first 2 TB are usable on MBR disks");
    case 41012: return tr("The specified offset is not valid");
    case 41014: return tr("The disk is not large enough to support a GPT partition style");
    case 42000: return tr("The partition was deleted, but its access paths remained");
    case 42001: return tr("The extended partition still holds logical drives");
    case 42002: return tr("The access path is already in use");
    case 42003: return tr("The volume is in use");
    case 42004: return tr("The partition is hidden");
    case 42005: return tr("The volume's file system is dirty");
    case 42006: return tr("The drive letter of a boot or paging volume cannot be changed");
    case 42007: return tr("The access path is not valid");
    case 42008: return tr("A volume with file system errors cannot be shrunk");
    case 42009: return tr("The file system is unknown");
    case 42010: return tr("The operation is not allowed on a system or critical partition");
    case 43000: return tr("The cluster size is not valid");
    case 43001: return tr("The file system is not supported");
    case 43002: return tr("The volume cannot be quick formatted");
    case 43006: return tr("The drive is read-only");
    default: return tr("Unknown error code: %1").arg(code);
    }
}

QString WindowsStorageManager::getLastAssignedDriveLetter() const
{
    return m_lastAssignedDriveLetter;
}

QList<QVariantMap> WindowsStorageManager::getDisks()
{
    QList<QVariantMap> disks;
    if (!checkServices())
        return disks;

    const HResult hr = runQuery(*m_services, QStringLiteral("SELECT * FROM MSFT_Disk"), [&](const WmiObject &disk) {
        QVariantMap row;

        const Variant number = disk.property(QStringLiteral("Number"));
        qint64 numberValue = 0;
        switch (read64(number, &numberValue)) {
        case ReadStatus::Read: row.insert(DiskKey::Id, QString::number(numberValue)); break;
        case ReadStatus::UnexpectedType:
            // Without its number the disk is listed but offers nothing to act on: guessing one
            // would show, and change, another disk's partitions.
            qWarning() << "Unexpected variant type for disk number:" << number.vt;
            break;
        case ReadStatus::Absent: break;
        }

        const Variant size = disk.property(QStringLiteral("Size"));
        qint64 sizeValue = 0;
        const ReadStatus sizeStatus = read64(size, &sizeValue);
        if (sizeStatus == ReadStatus::UnexpectedType)
            qWarning() << "Unexpected variant type for disk size:" << size.vt;
        if (sizeStatus != ReadStatus::Absent)
            row.insert(DiskKey::Size, sizeValue);

        const Variant status = disk.property(QStringLiteral("OperationalStatus"));
        if (!isAbsent(status))
            row.insert(DiskKey::Status, diskStatusText(status));

        const Variant friendlyName = disk.property(QStringLiteral("FriendlyName"));
        if (!isAbsent(friendlyName)) {
            QString name = QStringLiteral("Unknown");
            readString(friendlyName, &name);
            row.insert(DiskKey::Name, name);
        }

        const Variant style = disk.property(QStringLiteral("PartitionStyle"));
        int styleValue = 0;
        const ReadStatus styleStatus = read32(style, &styleValue);
        if (styleStatus == ReadStatus::UnexpectedType)
            qWarning() << "Unexpected variant type for partition style:" << style.vt;
        if (styleStatus != ReadStatus::Absent)
            row.insert(DiskKey::PartitionStyle, styleValue);

        disks.append(row);
        return true;
    });
    if (failed(hr)) {
        qCritical() << "Query for MSFT_Disk failed, HRESULT:" << qUtf8Printable(hresultText(hr));
        return {};
    }
    qDebug() << "Retrieved" << disks.size() << "disks";
    return disks;
}

VolumeMap WindowsStorageManager::buildVolumeMap()
{
    if (!checkServices())
        return {};

    LetterScan letters;
    const HResult hr = runQuery(*m_services, QStringLiteral("SELECT * FROM MSFT_Partition"), [&](const WmiObject &p) {
        letters.add(p);
        return true;
    });
    if (failed(hr)) {
        qWarning() << "Query for MSFT_Partition failed, HRESULT:" << qUtf8Printable(hresultText(hr));
        return {};
    }
    return letters.join(readLogicalDisks(m_platform));
}

QList<PartitionInfo> WindowsStorageManager::getPartitions(const QString &diskId)
{
    if (!checkServices())
        return {};

    bool ok = false;
    const int disk = diskId.toInt(&ok, 10);
    if (!ok) {
        qWarning() << "Invalid disk ID:" << diskId;
        return {};
    }

    const qint64 diskSize = getDiskSize(diskId);
    if (diskSize < 1) {
        qWarning() << "Could not get disk size for disk" << disk;
        return {};
    }

    const VolumeMap volumes = buildVolumeMap();

    QList<PartitionRow> rows;
    const HResult hr = runQuery(*m_services, QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1").arg(disk),
                                [&](const WmiObject &object) {
                                    rows.append(readPartitionRow(object, disk));
                                    return true;
                                });
    if (failed(hr)) {
        qCritical() << "Query for MSFT_Partition failed, HRESULT:" << qUtf8Printable(hresultText(hr));
        return {};
    }
    if (rows.isEmpty()) {
        // A RAW disk has no partition table, hence no free region a partition could go in.
        int style = -1;
        runQuery(*m_services, QStringLiteral("SELECT PartitionStyle FROM MSFT_Disk WHERE Number = %1").arg(disk),
                 [&](const WmiObject &object) {
                     read32(object.property(QStringLiteral("PartitionStyle")), &style);
                     return false;
                 });
        if (style == 0)
            return {};
    }
    return layOut(m_platform, disk, diskSize, std::move(rows), volumes);
}

QList<DiskLayout> WindowsStorageManager::getDiskLayouts()
{
    QList<DiskLayout> layouts;
    const QList<QVariantMap> disks = getDisks();
    if (disks.isEmpty())
        return layouts;

    // One pass over every disk's partitions serves both the letters and the records.
    LetterScan letters;
    QHash<qint64, QList<PartitionRow>> rowsByDisk;
    const HResult hr = runQuery(*m_services, QStringLiteral("SELECT * FROM MSFT_Partition"), [&](const WmiObject &object) {
        letters.add(object);
        qint64 disk = 0;
        if (read64(object.property(QStringLiteral("DiskNumber")), &disk) == ReadStatus::Read)
            rowsByDisk[disk].append(readPartitionRow(object, int(disk)));
        return true;
    });
    // Without the partitions every disk is listed empty, as a failing per-disk query leaves it.
    const bool partitionsRead = succeeded(hr);
    if (!partitionsRead)
        qCritical() << "Query for MSFT_Partition failed, HRESULT:" << qUtf8Printable(hresultText(hr));
    const VolumeMap volumes = partitionsRead ? letters.join(readLogicalDisks(m_platform)) : VolumeMap();

    // A disk's size is that of the first disk of its number, as getDiskSize reads it.
    QHash<QString, qint64> sizes;
    for (auto disk = disks.crbegin(); disk != disks.crend(); ++disk)
        sizes.insert(disk->value(DiskKey::Id).toString(), disk->value(DiskKey::Size).toLongLong());

    for (const QVariantMap &disk : disks) {
        DiskLayout layout{disk, {}};
        const QString id = disk.value(DiskKey::Id).toString();
        bool ok = false;
        const int number = id.toInt(&ok, 10);
        const qint64 size = sizes.value(id);
        // A RAW disk has no partition table, hence no free region a partition could go in.
        const bool raw = disk.contains(DiskKey::PartitionStyle) && disk.value(DiskKey::PartitionStyle).toInt() == 0
                         && rowsByDisk.value(number).isEmpty();
        if (ok && partitionsRead && size >= 1 && !raw)
            layout.partitions = layOut(m_platform, number, size, rowsByDisk.value(number), volumes);
        layouts.append(layout);
    }
    return layouts;
}

qint64 WindowsStorageManager::getDiskSize(const QString &diskId)
{
    if (!checkServices())
        return 0;
    bool ok = false;
    const int disk = diskId.toInt(&ok, 10);
    if (!ok)
        return 0;

    qint64 size = 0;
    const HResult hr = runQuery(*m_services, QStringLiteral("SELECT Size FROM MSFT_Disk WHERE Number = %1").arg(disk),
                                [&](const WmiObject &object) {
                                    read64(object.property(QStringLiteral("Size")), &size);
                                    return false;
                                });
    if (failed(hr)) {
        qWarning() << "Query for disk size failed, HRESULT:" << qUtf8Printable(hresultText(hr));
        return 0;
    }
    return size;
}

qint64 WindowsStorageManager::getPartitionSize(const QString &partitionId)
{
    if (!checkServices())
        return 0;
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked))
        return 0;

    qint64 size = 0;
    const HResult hr = runQuery(
        *m_services,
        QStringLiteral("SELECT Size FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
            .arg(id.disk)
            .arg(id.partition),
        [&](const WmiObject &object) {
            read64(object.property(QStringLiteral("Size")), &size);
            return false;
        });
    if (failed(hr)) {
        qWarning() << "Query for partition size failed, HRESULT:" << qUtf8Printable(hresultText(hr));
        return 0;
    }
    qDebug() << "Partition" << partitionId << "size:" << size << "bytes";
    return size;
}

PartitionInfo WindowsStorageManager::getPartitionInfo(const QString &partitionId)
{
    QMutexLocker locker(&m_storageLock);
    return partitionInfoLocked(partitionId);
}

PartitionInfo WindowsStorageManager::partitionInfoLocked(const QString &partitionId)
{
    if (!checkServices())
        return {};
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Unchecked))
        return {};

    const QList<PartitionInfo> list = getPartitions(QString::number(id.disk));
    for (const PartitionInfo &p : list) {
        if (p.partitionNumber == id.partition)
            return p;
    }
    return {};
}
