// The storage manager's resize side: which file system a partition carries (asked before a
// resize, when WMI's view may lag behind a change made a moment ago) and the resize itself
// through MSFT_Partition.Resize.

#include "windowsstoragemanager.h"

#include "scriptrunner.h"
#include "variantreader.h"
#include "wmiaccess.h"

#include "common/partitionid.h"

#include <QDebug>
#include <QMutexLocker>

#include <algorithm>
#include <limits>

using namespace platform;
using namespace storage;

namespace {

constexpr qint64 MiB = 1048576;
// The buffers detection gives GetVolumeInformationW, in characters.
constexpr std::size_t VolumeNameChars = 256;
constexpr std::size_t FileSystemChars = 64;

// The text that goes with a failed ExecMethod.
QString execMethodFailureText(HResult hr)
{
    QString suffix;
    switch (static_cast<quint32>(hr)) {
    case 0x80041002u: suffix = QStringLiteral(" (Not Found)"); break;
    case 0x80041003u: suffix = QStringLiteral(" (Access Denied)"); break;
    case 0x80041004u: suffix = QStringLiteral(" (Provider Failure)"); break;
    case 0x80041008u: suffix = QStringLiteral(" (Invalid Parameter)"); break;
    case 0x8004102Eu: suffix = QStringLiteral(" (Invalid Method)"); break;
    case 0x8004102Fu: suffix = QStringLiteral(" (Invalid Method Parameters)"); break;
    default: suffix = QStringLiteral(" (Error: %1)").arg(hresultText(hr)); break;
    }
    return QStringLiteral("ExecMethod failed, HRESULT: %1").arg(hresultText(hr)) + suffix;
}

// ReturnValue as the integer types it may come in; -1 for any other type.
int readReturnValue(const Variant &value)
{
    switch (value.vt) {
    case VT_I2: return static_cast<std::int16_t>(value.integer);
    case VT_I4: return value.lVal();
    case VT_UI2: return static_cast<std::uint16_t>(value.integer);
    case VT_UI4: return static_cast<int>(static_cast<std::uint32_t>(value.integer));
    default:
        qWarning() << "Unexpected return value type:" << value.vt;
        return -1;
    }
}

} // namespace

QString WindowsStorageManager::detectPartitionFileSystem(const QString &partitionId)
{
    const QStringList parts = partitionId.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (parts.size() != 2) {
        qWarning() << "detectPartitionFileSystem: invalid partition ID:" << partitionId;
        return QString();
    }
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "detectPartitionFileSystem: partition ID is not numeric:" << partitionId;
        return QString();
    }
    const QPair<int, int> key(id.disk, id.partition);

    const VolumeMap volumes = buildVolumeMap();
    const auto mapped = volumes.constFind(key);
    if (mapped != volumes.cend() && !mapped->fileSystem.isEmpty()) {
        qDebug() << "File system of" << partitionId << "from the volume map:" << mapped->fileSystem;
        return mapped->fileSystem;
    }

    // The caller may hold the storage lock already; the record is read without taking it.
    const PartitionInfo info = partitionInfoLocked(partitionId);
    if (!info.fileSystem.isEmpty()) {
        qDebug() << "File system of" << partitionId << "from the partition record:" << info.fileSystem;
        return info.fileSystem;
    }

    // Only the partition's own volume counts, reached through its own access paths (its drive
    // letter, its volume GUID path): a volume elsewhere that merely looks alike never does.
    if (!m_services)
        return QString();
    QStringList paths;
    const HResult hr = runQuery(
        *m_services,
        QStringLiteral("SELECT AccessPaths FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
            .arg(id.disk)
            .arg(id.partition),
        [&](const WmiObject &object) {
            readStringArray(object.property(QStringLiteral("AccessPaths")), &paths);
            return false;
        });
    if (failed(hr))
        qWarning() << "Query for the partition's access paths failed, HRESULT:" << qUtf8Printable(hresultText(hr));
    for (const QString &path : std::as_const(paths)) {
        std::wstring volumeName;
        std::wstring fileSystem;
        if (m_platform.getVolumeInformation(path.toStdWString(), &volumeName, VolumeNameChars, nullptr, &fileSystem,
                                            FileSystemChars)
            && !fileSystem.empty()) {
            qDebug() << "File system of" << partitionId << "from its volume" << path << QString::fromStdWString(fileSystem);
            return QString::fromStdWString(fileSystem);
        }
    }
    qDebug() << "No file system found for" << partitionId;
    return QString();
}

QString WindowsStorageManager::refreshAndDetectFileSystem(const QString &partitionId)
{
    // A no-op console command: lets the system settle before asking.
    scriptrunner::RunRequest refresh;
    refresh.arguments = {QStringLiteral("echo off >nul")};
    scriptrunner::run(scriptrunner::Run::StorageRefreshEcho, refresh);

    const QString first = detectPartitionFileSystem(partitionId);
    if (!first.isEmpty())
        return first;
    qDebug() << "File system not found, forcing detection again for" << partitionId;
    m_platform.getLogicalDrives();
    m_platform.sleepMs(1000);
    return detectPartitionFileSystem(partitionId);
}

QString WindowsStorageManager::getPartitionFileSystemById(const QString &partitionId)
{
    QMutexLocker locker(&m_storageLock);
    return refreshAndDetectFileSystem(partitionId);
}

bool WindowsStorageManager::supportedSize(const QString &partitionId, qint64 *sizeMin, qint64 *sizeMax)
{
    PartitionId id;
    if (!m_services || !parsePartitionId(partitionId, &id, IdCheck::Checked))
        return false;
    QString path;
    qint64 size = 0;
    const HResult queryHr = runQuery(
        *m_services,
        QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2").arg(id.disk).arg(id.partition),
        [&](const WmiObject &object) {
            readString(object.property(QStringLiteral("__PATH")), &path);
            read64(object.property(QStringLiteral("Size")), &size);
            return false;
        });
    WmiMethodCall call(*m_services);
    HResult hr = queryHr;
    if (failed(hr) || path.isEmpty() || failed(hr = call.fetchClass(QStringLiteral("MSFT_Partition")))
        || failed(hr = call.fetchMethod(QStringLiteral("GetSupportedSize"))) || failed(hr = call.execute(path))) {
        qWarning() << "GetSupportedSize unavailable for" << partitionId << qUtf8Printable(hresultText(hr));
        return false;
    }
    const WmiObject outputs = call.outputs();
    Variant returnValue;
    if (outputs.isNull() || failed(outputs.object()->get(L"ReturnValue", returnValue)) || readReturnValue(returnValue) != 0
        || read64(outputs.property(QStringLiteral("SizeMin")), sizeMin) != ReadStatus::Read
        || read64(outputs.property(QStringLiteral("SizeMax")), sizeMax) != ReadStatus::Read) {
        qWarning() << "GetSupportedSize gave no range for" << partitionId;
        return false;
    }
    qDebug() << "Supported sizes of" << partitionId << ":" << *sizeMin << "-" << *sizeMax << "now" << size;
    return *sizeMin < size || *sizeMax > size;
}

qlonglong WindowsStorageManager::getPartitionMinimumSize(const QString &partitionId)
{
    QMutexLocker locker(&m_storageLock);
    qint64 sizeMin = 0;
    qint64 sizeMax = 0;
    return supportedSize(partitionId, &sizeMin, &sizeMax) ? sizeMin : 0;
}

qlonglong WindowsStorageManager::getPartitionMaximumSize(const QString &partitionId)
{
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked))
        return 0;
    QMutexLocker locker(&m_storageLock);
    qint64 sizeMin = 0;
    qint64 supportedMax = std::numeric_limits<qint64>::max();
    if (!supportedSize(partitionId, &sizeMin, &supportedMax))
        supportedMax = std::numeric_limits<qint64>::max();
    const QList<PartitionInfo> list = getPartitions(QString::number(id.disk));
    for (int i = 0; i < list.size(); ++i) {
        const PartitionInfo &p = list.at(i);
        if (p.isUnallocated || p.partitionNumber != id.partition)
            continue;
        if (p.typeCode == PartitionTypeCode::Logical) {
            // The list shows no free space inside an extended partition: a logical drive grows up
            // to the next logical drive or the end of the extended partition holding it.
            qint64 end = p.offsetBytes + p.sizeBytes;
            for (const PartitionInfo &q : list)
                if (q.typeCode == PartitionTypeCode::Extended && q.offsetBytes < p.offsetBytes)
                    end = std::max(end, q.offsetBytes + q.sizeBytes);
            for (const PartitionInfo &q : list)
                if (!q.isUnallocated && q.offsetBytes > p.offsetBytes && q.offsetBytes < end)
                    end = q.offsetBytes;
            return std::min(end - p.offsetBytes, supportedMax);
        }
        qint64 maximum = p.sizeBytes;
        if (i + 1 < list.size() && list.at(i + 1).isUnallocated)
            maximum += list.at(i + 1).sizeBytes;
        return std::min(maximum, supportedMax);
    }
    return 0;
}

bool WindowsStorageManager::resizePartitionStorageAPI(const QString &partitionId, qlonglong newSizeBytes)
{
    m_lastFailure = tr("the storage service is not connected");
    if (!m_services) {
        qCritical() << "WMI service not initialized";
        return false;
    }
    m_lastFailure = tr("%1 is no partition").arg(partitionId);
    const QStringList parts = partitionId.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (parts.size() != 2) {
        qWarning() << "Invalid partition ID format:" << partitionId;
        return false;
    }
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "Failed to parse partition ID:" << partitionId;
        return false;
    }
    qDebug() << "Parsed partition: Disk" << id.disk << "Partition" << id.partition;

    const QString wql = QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
                            .arg(id.disk)
                            .arg(id.partition);
    qDebug().noquote() << "Executing query:" << wql;
    WmiObject partition;
    const HResult queryHr = runQuery(*m_services, wql, [&](const WmiObject &object) {
        partition = object;
        return false;
    });
    if (failed(queryHr)) {
        qWarning() << "Query for partition failed, HRESULT:" << qUtf8Printable(hresultText(queryHr));
        m_lastFailure = tr("the storage service could not be asked (%1)").arg(hresultText(queryHr));
        return false;
    }
    m_lastFailure = tr("it is no longer there");
    if (partition.isNull()) {
        qWarning() << "Partition not found:" << partitionId;
        return false;
    }

    const Variant sizeValue = partition.property(QStringLiteral("Size"));
    qint64 current = 0;
    if (read64(sizeValue, &current) == ReadStatus::UnexpectedType)
        qWarning() << "Unexpected variant type for partition size:" << sizeValue.vt;
    qDebug() << "Current partition size:" << current << "bytes (" << current / MiB << "MB)";
    qDebug() << "Target size:" << newSizeBytes << "bytes (" << newSizeBytes / MiB << "MB)";

    if (newSizeBytes == current) {
        qDebug() << "Partition is already the target size";
        m_lastFailure.clear();
        return true;
    }
    m_lastFailure = tr("the new size is below 1 MB");
    if (newSizeBytes < MiB) {
        qWarning() << "Target size too small:" << newSizeBytes;
        return false;
    }

    emit operationProgress(10);
    m_lastFailure = tr("the storage service could not prepare the resize");
    WmiMethodCall call(*m_services);
    HResult hr = call.fetchClass(QStringLiteral("MSFT_Partition"));
    if (failed(hr)) {
        qWarning() << "Failed to get MSFT_Partition class, HRESULT:" << qUtf8Printable(hresultText(hr));
        return false;
    }

    emit operationProgress(20);
    hr = call.fetchMethod(QStringLiteral("Resize"));
    if (failed(hr)) {
        qWarning() << "Failed to get Resize method, HRESULT:" << qUtf8Printable(hresultText(hr));
        qDebug() << "Checking for alternative resize methods...";
        hr = call.fetchMethod(QStringLiteral("SetSize"));
        if (failed(hr)) {
            qWarning() << "No resize methods available";
            return false;
        }
        qDebug() << "Using SetSize method";
    }

    emit operationProgress(30);
    hr = call.spawnInputs();
    if (failed(hr)) {
        qWarning() << "Failed to spawn method instance, HRESULT:" << qUtf8Printable(hresultText(hr));
        return false;
    }

    emit operationProgress(40);
    Variant ui8;
    ui8.vt = VT_UI8;
    ui8.integer = newSizeBytes;
    const struct
    {
        const char *name;
        Variant value;
    } forms[] = {{"VT_UI8", ui8},
                 {"VT_I8", Variant::i8(newSizeBytes)},
                 {"VT_BSTR", Variant::bstr(QString::number(newSizeBytes).toStdWString())}};
    bool sizeSet = false;
    for (const auto &form : forms) {
        hr = call.put(QStringLiteral("Size"), form.value);
        qDebug() << form.name << "attempt, HRESULT:" << qUtf8Printable(hresultText(hr));
        if (succeeded(hr)) {
            qDebug() << "Successfully set Size parameter as" << form.name;
            sizeSet = true;
            break;
        }
    }
    if (!sizeSet) {
        qWarning() << "Failed to set Size parameter with any method. Last HRESULT:" << qUtf8Printable(hresultText(hr));
        return false;
    }

    emit operationProgress(50);
    QString path;
    readString(partition.property(QStringLiteral("__PATH")), &path);
    if (path.isEmpty()) {
        qWarning() << "Failed to get partition object path";
        return false;
    }
    emit operationProgress(60);
    qDebug().noquote() << "Partition object path:" << path;
    qDebug() << "Calling MSFT_Partition.Resize method...";
    qDebug() << "Parameters: Size =" << newSizeBytes;

    hr = call.execute(path);
    emit operationProgress(80);

    bool success = false;
    QString text;
    int code = -1;
    const WmiObject outputs = call.outputs();
    if (failed(hr)) {
        text = execMethodFailureText(hr);
    } else if (outputs.isNull()) {
        text = QStringLiteral("ExecMethod succeeded but no output parameters returned");
    } else {
        Variant returnValue;
        const HResult getHr = outputs.object()->get(L"ReturnValue", returnValue);
        if (failed(getHr)) {
            text = QStringLiteral("Failed to get return value, HRESULT: %1").arg(hresultText(getHr));
        } else {
            code = readReturnValue(returnValue);
            qDebug() << "Resize method returned:" << code;
            if (code != 0) {
                text = returnCodeText(code);
                qWarning() << "Partition resize failed with return code:" << code;
                qWarning().noquote() << "Error message:" << text;
            } else {
                qDebug() << "Partition resize completed successfully";
                success = true;
            }
        }
    }

    // The provider's code with its meaning; anything else as the call failed.
    m_lastFailure = success ? QString() : code > 0 ? tr("%1 (code %2)").arg(text).arg(code) : text;
    emit operationProgress(100);
    qDebug() << "=== Partition Resize Operation Completed ===";
    qDebug() << "Result:" << (success ? "SUCCESS" : "FAILED");
    if (!success)
        qWarning().noquote() << "Error:" << text;
    return success;
}
