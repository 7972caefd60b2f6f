// The storage manager's small changes: a RAW disk's partition table, a partition's drive letter
// and a volume's label. Each answers with the reason it failed, so a job can say it.

#include "windowsstoragemanager.h"

#include "variantreader.h"
#include "wmiaccess.h"

#include "common/partitionid.h"

#include <QDebug>
#include <QMutexLocker>

using namespace platform;
using namespace storage;

namespace {

// Win32 errors SetVolumeLabelW gives, in the words of their meaning.
QString win32ErrorText(std::uint32_t error)
{
    switch (error) {
    case 3: return WindowsStorageManager::tr("the volume is not there");
    case 5: return WindowsStorageManager::tr("access was denied");
    case 19: return WindowsStorageManager::tr("the disk is write-protected");
    case 21: return WindowsStorageManager::tr("the device is not ready");
    case 123: return WindowsStorageManager::tr("the label holds characters the file system refuses");
    case 154: return WindowsStorageManager::tr("the label is longer than the file system allows");
    case 1005: return WindowsStorageManager::tr("the volume has no file system Windows recognises");
    default: return WindowsStorageManager::tr("Windows error %1").arg(error);
    }
}

} // namespace

QString WindowsStorageManager::callMethod(const QString &objectQuery, const QString &className, const QString &method,
                                          const QList<QPair<QString, Variant>> &inputs)
{
    if (!checkServices())
        return tr("the storage service is not connected");
    QString path;
    HResult hr = runQuery(*m_services, objectQuery, [&](const WmiObject &object) {
        readString(object.property(QStringLiteral("__PATH")), &path);
        return false;
    });
    if (failed(hr))
        return tr("the storage service could not be asked (%1)").arg(hresultText(hr));
    if (path.isEmpty())
        return tr("it is no longer there");
    WmiMethodCall call(*m_services);
    if (failed(hr = call.fetchClass(className)) || failed(hr = call.fetchMethod(method))
        || (!inputs.isEmpty() && failed(hr = call.spawnInputs())))
        return tr("the storage service does not offer %1 (%2)").arg(method, hresultText(hr));
    for (const auto &input : inputs) {
        if (failed(hr = call.put(input.first, input.second)))
            return tr("the storage service refused the value of %1 (%2)").arg(input.first, hresultText(hr));
    }
    if (failed(hr = call.execute(path)))
        return tr("%1 failed (%2)").arg(method, hresultText(hr));
    int code = -1;
    if (call.outputs().isNull() || !readUnchecked(call.outputs().property(QStringLiteral("ReturnValue")), &code))
        return tr("%1 gave no result").arg(method);
    qDebug() << method << "on" << path << "returned" << code;
    if (code != 0)
        return tr("%1 (code %2)").arg(returnCodeText(code)).arg(code);
    return QString();
}

QString WindowsStorageManager::initializeDisk(int diskNumber, int partitionStyle)
{
    QMutexLocker locker(&m_storageLock);
    return callMethod(QStringLiteral("SELECT * FROM MSFT_Disk WHERE Number = %1").arg(diskNumber),
                      QStringLiteral("MSFT_Disk"), QStringLiteral("Initialize"),
                      {{QStringLiteral("PartitionStyle"), Variant::i4(partitionStyle)}});
}

QString WindowsStorageManager::changeAccessPath(const QString &partitionId, const QString &letter, bool add)
{
    PartitionId id;
    const QString l = normalizedDriveLetter(letter);
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked) || l.isEmpty())
        return tr("no such partition or drive letter");
    QMutexLocker locker(&m_storageLock);
    return callMethod(QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
                          .arg(id.disk)
                          .arg(id.partition),
                      QStringLiteral("MSFT_Partition"),
                      add ? QStringLiteral("AddAccessPath") : QStringLiteral("RemoveAccessPath"),
                      {{QStringLiteral("AccessPath"), Variant::bstr((l + QStringLiteral(":\\")).toStdWString())}});
}

QString WindowsStorageManager::setVolumeLabel(const QString &letter, const QString &label)
{
    const QString l = normalizedDriveLetter(letter);
    if (l.isEmpty())
        return tr("no such drive letter");
    if (m_platform.setVolumeLabel((l + QStringLiteral(":\\")).toStdWString(), label.toStdWString()))
        return QString();
    return win32ErrorText(m_platform.lastError());
}
