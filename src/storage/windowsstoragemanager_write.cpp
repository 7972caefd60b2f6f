// The storage manager's write side: drive letters, partition creation and the deletion
// primitive. Letters and creation go through the storage provider first; the letter fallback
// and the deletion run diskpart through the script runner.

#include "windowsstoragemanager.h"

#include "scriptrunner.h"
#include "variantreader.h"
#include "wmiaccess.h"

#include "common/creationplan.h"
#include "common/driveletter.h"
#include "common/partitionid.h"

#include <QDebug>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace platform;
using namespace storage;

namespace {

constexpr qint64 MiB = 1048576;
constexpr qint64 GiB = 1073741824;
constexpr qint64 MbrLimit = 2199023255552LL; // 2 TiB
constexpr qint64 MaxUInt32 = 4294967295LL;

const char *const CreatingDoneText = QT_TRANSLATE_NOOP("WindowsStorageManager", "分区创建完成");

// A uint64 input in the first form the provider takes: VT_UI8, VT_I8, VT_UI4 (when it fits),
// decimal text.
bool putUnsigned64(WmiMethodCall &call, const QString &name, qint64 value)
{
    Variant ui8;
    ui8.vt = VT_UI8;
    ui8.integer = value;
    QList<Variant> forms{ui8, Variant::i8(value)};
    if (value <= MaxUInt32)
        forms << Variant::ui4(static_cast<std::uint32_t>(value));
    forms << Variant::bstr(QString::number(value).toStdWString());
    for (const Variant &form : std::as_const(forms)) {
        const HResult hr = call.put(name, form);
        if (succeeded(hr))
            return true;
        qDebug() << name << "as variant type" << form.vt << "refused, HRESULT:" << qUtf8Printable(hresultText(hr));
    }
    return false;
}

void traceDeviation(const char *against, qint64 actual, qint64 expected)
{
    if (expected <= 0)
        return;
    const double deviation = std::fabs(double(actual - expected)) / double(expected) * 100.0;
    const char *verdict = deviation <= 5.0 ? "within 5%" : deviation <= 10.0 ? "within 10%" : "beyond 10%";
    qDebug() << "Created size" << actual << "against the" << against << "size" << expected << ":"
             << QString::number(deviation, 'f', 2) + QLatin1Char('%') << verdict;
}

// VT_I4 (signed), VT_UI4, VT_I8 or VT_UI8; false for anything else.
bool readCreatedSize(const Variant &value, qint64 *out)
{
    switch (value.vt) {
    case VT_I4: *out = value.lVal(); return true;
    case VT_UI4: *out = static_cast<std::uint32_t>(value.integer); return true;
    case VT_I8:
    case VT_UI8: *out = value.integer; return true;
    default: return false;
    }
}

} // namespace

QString WindowsStorageManager::normalizedDriveLetter(const QString &letter)
{
    const QChar l = driveletter::parse(letter);
    return l.isNull() ? QString() : QString(l);
}

QString WindowsStorageManager::getNextAvailableDriveLetter()
{
    QSet<QChar> used;
    for (const std::wstring &root : m_platform.mountedDriveRoots()) {
        const QString r = QString::fromStdWString(root);
        if (!r.isEmpty())
            used.insert(r.at(0).toUpper());
    }
    // A and B belong to floppy drives and C to the system, whatever is mounted.
    for (char c = 'D'; c <= 'Z'; ++c) {
        if (!used.contains(QLatin1Char(c)))
            return QString(QLatin1Char(c));
    }
    return QString();
}

bool WindowsStorageManager::isDriveLetterInUse(const QString &letter)
{
    if (letter.isEmpty())
        return true;
    const QString l = normalizedDriveLetter(letter);
    if (l.isEmpty()) {
        qWarning() << "Invalid drive letter:" << letter << "- counted as in use";
        return true;
    }
    const std::uint32_t type = m_platform.getDriveType((l + QLatin1Char(':')).toStdWString());
    if (type > DRIVE_NO_ROOT_DIR) {
        qDebug() << "Drive letter" << l << "is in use (type:" << type << ")";
        return true;
    }
    qDebug() << "Drive letter" << l << "is available";
    return false;
}

bool WindowsStorageManager::assignDriveLetter(const QString &partitionId, const QString &driveLetter)
{
    if (!checkServices())
        return false;
    if (partitionId.isEmpty() || driveLetter.isEmpty()) {
        qWarning() << "No partition or no drive letter to assign";
        return false;
    }
    const QString letter = normalizedDriveLetter(driveLetter);
    if (letter.isEmpty()) {
        qWarning() << "Invalid drive letter:" << driveLetter << "- assignment rejected";
        return false;
    }
    qDebug() << "Attempting to assign drive letter" << letter << "to partition" << partitionId;
    if (isDriveLetterInUse(letter)) {
        qWarning() << "Drive letter" << letter << "is already in use - assignment rejected";
        return false;
    }
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "Invalid partition ID:" << partitionId;
        return false;
    }

    QString path;
    bool found = false;
    HResult hr = runQuery(
        *m_services,
        QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
            .arg(id.disk)
            .arg(id.partition),
        [&](const WmiObject &partition) {
            found = true;
            readString(partition.property(QStringLiteral("__PATH")), &path);
            return false;
        });
    if (failed(hr)) {
        qWarning() << "WMI query failed, trying diskpart method";
        return assignDriveLetterWithDiskpart(partitionId, letter);
    }
    if (!found) {
        qWarning() << "Partition" << partitionId << "not found, trying diskpart method";
        return assignDriveLetterWithDiskpart(partitionId, letter);
    }

    WmiMethodCall call(*m_services);
    if (failed(hr = call.fetchClass(QStringLiteral("MSFT_Partition")))
        || failed(hr = call.fetchMethod(QStringLiteral("AddAccessPath"))) || failed(hr = call.spawnInputs())) {
        qWarning() << "Could not prepare AddAccessPath, HRESULT:" << qUtf8Printable(hresultText(hr))
                   << "- trying diskpart";
        return assignDriveLetterWithDiskpart(partitionId, letter);
    }
    if (failed(hr = call.put(QStringLiteral("AccessPath"), Variant::bstr((letter + QLatin1Char(':')).toStdWString())))) {
        qWarning() << "Could not set AccessPath, HRESULT:" << qUtf8Printable(hresultText(hr)) << "- trying diskpart";
        return assignDriveLetterWithDiskpart(partitionId, letter);
    }
    hr = call.execute(path);
    const WmiObject outputs = call.outputs();
    int returnValue = 0;
    if (failed(hr) || outputs.isNull() || !readUnchecked(outputs.property(QStringLiteral("ReturnValue")), &returnValue)) {
        qWarning() << "AddAccessPath failed, HRESULT:" << qUtf8Printable(hresultText(hr)) << "- trying diskpart";
        return assignDriveLetterWithDiskpart(partitionId, letter);
    }
    if (returnValue != 0) {
        qWarning() << "❌ WMI failed to assign drive letter, return value:" << returnValue << "- trying diskpart";
        return assignDriveLetterWithDiskpart(partitionId, letter);
    }
    m_lastAssignedDriveLetter = letter;
    qDebug() << "✅ Drive letter" << letter << "assigned to partition" << partitionId << "via WMI";
    return true;
}

bool WindowsStorageManager::assignDriveLetterWithDiskpart(const QString &partitionId, const QString &driveLetter)
{
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "Invalid partition ID:" << partitionId;
        return false;
    }
    const QString letter = normalizedDriveLetter(driveLetter);
    if (letter.isEmpty()) {
        qWarning() << "Invalid drive letter:" << driveLetter << "- assignment rejected";
        return false;
    }
    qDebug() << "Using diskpart to assign drive letter" << letter << "to partition" << partitionId;

    scriptrunner::RunRequest request;
    request.scriptLines = {QStringLiteral("select disk %1").arg(id.disk),
                           QStringLiteral("select partition %1").arg(id.partition),
                           QStringLiteral("assign letter=%1").arg(letter), QStringLiteral("exit")};
    const scriptrunner::RunResult r = scriptrunner::run(scriptrunner::Run::StorageAssignLetter, request);
    if (!r.scriptWritten) {
        qWarning() << "Failed to create diskpart script file";
        return false;
    }
    if (!r.started) {
        qWarning() << "Failed to start diskpart.exe";
        return false;
    }
    if (r.timedOut)
        qWarning() << "diskpart did not finish in time and was stopped";
    qDebug().noquote() << "DiskPart assign output:" << r.output;
    if (!r.errorOutput.isEmpty())
        qWarning().noquote() << "DiskPart assign error:" << r.errorOutput;
    qDebug() << "DiskPart assign exit code:" << r.exitCode;
    if (!r.success) {
        qWarning() << "❌ Failed to assign drive letter" << letter << "to partition" << partitionId << "via diskpart";
        return false;
    }
    qDebug() << "✅ Drive letter" << letter << "assigned to partition" << partitionId << "via diskpart";
    return true;
}

bool WindowsStorageManager::deletePartition(const QString &partitionId)
{
    PartitionId id;
    if (partitionId.isEmpty() || !parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "Invalid partition ID:" << partitionId << "- nothing deleted";
        return false;
    }
    scriptrunner::RunRequest request;
    request.scriptLines = {QStringLiteral("select disk %1").arg(id.disk),
                           QStringLiteral("select partition %1").arg(id.partition),
                           QStringLiteral("delete partition override"), QStringLiteral("exit")};
    const scriptrunner::RunResult r = scriptrunner::run(scriptrunner::Run::StorageDeletePartition, request);
    if (r.timedOut)
        qWarning() << "diskpart did not finish in time and was stopped";
    if (!r.success) {
        qWarning() << "Failed to delete partition" << partitionId;
        return false;
    }
    qDebug() << "Successfully deleted partition" << partitionId;
    return true;
}

qint64 WindowsStorageManager::freeBytesFrom(int diskNumber, qint64 diskSize, qint64 offset)
{
    if (offset <= 0 || diskSize <= 0 || offset >= diskSize)
        return -1;
    qint64 end = diskSize;
    bool occupied = false;
    const HResult hr = runQuery(
        *m_services, QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1").arg(diskNumber),
        [&](const WmiObject &partition) {
            qint64 start = 0;
            qint64 size = 0;
            int mbrType = 0;
            read64(partition.property(QStringLiteral("Offset")), &start);
            read64(partition.property(QStringLiteral("Size")), &size);
            read32(partition.property(QStringLiteral("MbrType")), &mbrType);
            const qint64 stop = size > diskSize - start ? diskSize : start + size;
            // Logical partitions may go inside an extended partition: its ends bound a region,
            // its inside is not taken.
            const bool extended = mbrType == 5 || mbrType == 15;
            if (start > offset)
                end = std::min(end, start);
            else if (stop > offset && extended)
                end = std::min(end, stop);
            else if (stop > offset)
                occupied = true;
            return true;
        });
    if (failed(hr)) {
        qWarning() << "Query for MSFT_Partition failed:" << qUtf8Printable(hresultText(hr));
        return -1;
    }
    return occupied ? -1 : end - offset;
}

QList<int> WindowsStorageManager::partitionNumbers(int diskNumber)
{
    QList<int> numbers;
    runQuery(*m_services, QStringLiteral("SELECT PartitionNumber FROM MSFT_Partition WHERE DiskNumber = %1").arg(diskNumber),
             [&](const WmiObject &partition) {
                 int number = 0;
                 if (readUnchecked(partition.property(QStringLiteral("PartitionNumber")), &number))
                     numbers << number;
                 return true;
             });
    return numbers;
}

QString WindowsStorageManager::numberNotIn(int diskNumber, const QList<int> &before)
{
    for (int number : partitionNumbers(diskNumber))
        if (!before.contains(number))
            return makePartitionId(diskNumber, number);
    return QString();
}

QString WindowsStorageManager::createPartition(int diskNumber, qlonglong sizeBytes, const QString &fileSystem,
                                               bool assignLetter, qlonglong offsetBytes, bool exactSize)
{
    qDebug() << "Creating partition: disk" << diskNumber << "size" << sizeBytes << "bytes ("
             << QString::number(double(sizeBytes) / GiB, 'f', 2) << "GB), file system" << fileSystem
             << "assign letter" << assignLetter << "region start" << offsetBytes;
    m_lastFailure = tr("the storage service is not connected");
    if (!checkServices())
        return QString();
    m_lastFailure = tr("the request names no disk, size or place");
    if (diskNumber < 0 || sizeBytes <= 0 || offsetBytes < 0) {
        qWarning() << "Invalid partition request: disk" << diskNumber << "size" << sizeBytes << "region start"
                   << offsetBytes;
        return QString();
    }
    emit partitionCreationProgress(10, tr("准备创建分区..."));

    bool found = false;
    int partitionStyle = 0;
    QString diskPath;
    Variant sizeValue = Variant::null();
    Variant freeValue = Variant::null();
    std::uint32_t sectorSize = 512;
    const HResult hrQuery = runQuery(
        *m_services, QStringLiteral("SELECT * FROM MSFT_Disk WHERE Number = %1").arg(diskNumber),
        [&](const WmiObject &disk) {
            found = true;
            read32(disk.property(QStringLiteral("PartitionStyle")), &partitionStyle);
            readString(disk.property(QStringLiteral("__PATH")), &diskPath);
            const Variant sector = disk.property(QStringLiteral("LogicalSectorSize"));
            if (sector.vt == VT_I4 || sector.vt == VT_UI4)
                sectorSize = static_cast<std::uint32_t>(sector.integer);
            sizeValue = disk.property(QStringLiteral("Size"));
            freeValue = disk.property(QStringLiteral("LargestFreeExtent"));
            return false;
        });
    if (failed(hrQuery)) {
        qWarning() << "Query for MSFT_Disk failed:" << qUtf8Printable(hresultText(hrQuery));
        m_lastFailure = tr("the storage service could not be asked (%1)").arg(hresultText(hrQuery));
        return QString();
    }
    m_lastFailure = tr("disk %1 is no longer there").arg(diskNumber);
    if (!found) {
        qWarning() << "Disk not found:" << diskNumber;
        return QString();
    }
    qDebug() << "Partition style:" << partitionStyle
             << (partitionStyle == 1 ? "(MBR)" : partitionStyle == 2 ? "(GPT)" : "(Unknown)");

    qint64 reportedDiskSize = 0;
    const bool diskSizeKnown = read64(sizeValue, &reportedDiskSize) == ReadStatus::Read && reportedDiskSize > 0;
    m_lastFailure = tr("the partition would be larger than the disk");
    if (diskSizeKnown && sizeBytes > reportedDiskSize) {
        qWarning() << "请求的分区大小超过磁盘容量:" << sizeBytes << ">" << reportedDiskSize;
        return QString();
    }
    emit partitionCreationProgress(20, tr("正在分析磁盘空间..."));
    qDebug() << "Logical sector size:" << sectorSize;

    qint64 freeBytes = 0;
    qint64 diskSize = 0; // known only when the free space is estimated from it
    if (offsetBytes > 0) {
        freeBytes = diskSizeKnown ? freeBytesFrom(diskNumber, reportedDiskSize, offsetBytes) : -1;
        if (freeBytes < 0) {
            qWarning() << "所选位置不在磁盘的可用空间内:" << offsetBytes;
            m_lastFailure = tr("the place chosen is no longer free space");
            return QString();
        }
        qDebug() << "Free bytes from region start" << offsetBytes << ":" << freeBytes;
    } else {
        if (read64(freeValue, &freeBytes) == ReadStatus::UnexpectedType)
            qWarning() << "Unexpected variant type for LargestFreeExtent:" << freeValue.vt;
        if (freeBytes <= 0) {
            qWarning() << "LargestFreeExtent unavailable; estimating free space as 70% of the disk size";
            if (read64(sizeValue, &diskSize) != ReadStatus::Absent)
                freeBytes = static_cast<qint64>(double(diskSize) * 0.7);
        }
        qDebug() << "Largest free extent:" << freeBytes;
    }

    qint64 size = 0;
    if (exactSize) {
        // Space freed for this partition: fill it, never reach past it.
        size = std::min<qint64>(sizeBytes, offsetBytes > 0 ? freeBytes : sizeBytes);
        size -= size % sectorSize;
        if (size < creationplan::MinimumPartitionSize) {
            qWarning() << "The space for an exactly sized partition is too small:" << size;
            m_lastFailure = tr("the free space there is too small");
            return QString();
        }
    } else if (freeBytes > 0) {
        size = creationplan::sizeToAsk(sizeBytes, fileSystem, partitionStyle, freeBytes, diskSize);
        if (size == 0) {
            qWarning() << "可用空间严重不足，无法创建分区";
            m_lastFailure = tr("the free space there is too small");
            return QString();
        }
        const double change = std::fabs(double(size - sizeBytes)) / double(sizeBytes);
        if (change > 0.1)
            qWarning() << "Partition size adjusted to" << size << "bytes, differing by"
                       << QString::number(change * 100.0, 'f', 1) + QLatin1Char('%') << "from the request";
    } else {
        size = creationplan::requestedSize(sizeBytes, fileSystem, partitionStyle);
        qWarning() << "Free space unknown; creating with" << size << "bytes may fail";
    }
    m_lastFailure = tr("an MBR partition cannot be larger than 2 TB");
    if (partitionStyle == 1 && size > MbrLimit) {
        qWarning() << "分区大小超过MBR分区表2TB限制";
        return QString();
    }
    qDebug() << "Final partition size:" << size << "bytes";
    emit partitionCreationProgress(30, tr("正在创建分区..."));

    m_lastFailure = tr("the storage service could not prepare the creation");
    WmiMethodCall call(*m_services);
    HResult hr = call.fetchClass(QStringLiteral("MSFT_Disk"));
    if (failed(hr)) {
        qWarning() << "Failed to get MSFT_Disk class:" << qUtf8Printable(hresultText(hr));
        return QString();
    }
    if (failed(hr = call.fetchMethod(QStringLiteral("CreatePartition")))) {
        qWarning() << "Failed to get CreatePartition method:" << qUtf8Printable(hresultText(hr));
        return QString();
    }
    if (failed(hr = call.spawnInputs())) {
        qWarning() << "Failed to spawn method instance:" << qUtf8Printable(hresultText(hr));
        return QString();
    }
    if (!putUnsigned64(call, QStringLiteral("Size"), size)) {
        qWarning() << "No form of the Size parameter was accepted";
        return QString();
    }
    if (offsetBytes > 0 && !putUnsigned64(call, QStringLiteral("Offset"), offsetBytes)) {
        qWarning() << "No form of the Offset parameter was accepted";
        return QString();
    }
    emit partitionCreationProgress(60, tr("执行分区创建命令..."));

    const QList<int> numbersBefore = partitionNumbers(diskNumber);
    QString id;
    hr = call.execute(diskPath);
    const WmiObject outputs = call.outputs();
    int returnValue = 0;
    if (failed(hr) || outputs.isNull()) {
        qWarning() << "❌ CreatePartition方法执行失败:" << qUtf8Printable(hresultText(hr));
        m_lastFailure = tr("%1 failed (%2)").arg(QStringLiteral("CreatePartition"), hresultText(hr));
    } else if (!readUnchecked(outputs.property(QStringLiteral("ReturnValue")), &returnValue)) {
        qWarning() << "CreatePartition returned no ReturnValue";
        m_lastFailure = tr("%1 gave no result").arg(QStringLiteral("CreatePartition"));
    } else if (returnValue != 0) {
        qWarning().noquote() << "❌ 分区创建失败，返回码:" << returnValue << "-" << returnCodeText(returnValue);
        m_lastFailure = tr("%1 (code %2)").arg(returnCodeText(returnValue)).arg(returnValue);
    } else {
        const Variant created = outputs.property(QStringLiteral("CreatedPartition"));
        if (created.vt == VT_UNKNOWN && created.object) {
            const WmiObject partition(created.object);
            int number = 0;
            if (readUnchecked(partition.property(QStringLiteral("PartitionNumber")), &number))
                id = makePartitionId(diskNumber, number);
            qint64 createdSize = 0;
            if (readCreatedSize(partition.property(QStringLiteral("Size")), &createdSize)) {
                traceDeviation("requested", createdSize, sizeBytes);
                traceDeviation("final", createdSize, size);
            }
        }
        // Made, yet not described: the new number is the one the disk did not have before.
        if (id.isEmpty())
            id = numberNotIn(diskNumber, numbersBefore);
        m_lastFailure = id.isEmpty() ? tr("the provider made the partition but did not say which it is") : QString();
        qDebug() << "✅ Partition created:" << id;
        emit partitionCreationProgress(90, tr(CreatingDoneText));
    }

    if (assignLetter && !id.isEmpty()) {
        emit partitionCreationProgress(95, tr("分配驱动器号..."));
        const QString letter = getNextAvailableDriveLetter();
        if (letter.isEmpty())
            qWarning() << "No free drive letter for partition" << id;
        else if (assignDriveLetter(id, letter))
            qDebug() << "Drive letter" << letter << "assigned to the new partition" << id;
        else
            qWarning() << "Could not assign drive letter" << letter << "to the new partition" << id;
    }
    emit partitionCreationProgress(100, tr(CreatingDoneText));
    return id;
}
