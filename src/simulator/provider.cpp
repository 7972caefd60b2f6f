#include "simulator/provider.h"

#include "simulator/geometry.h"
#include "simulator/volumes.h"
#include "simulator/wbemobject.h"
#include "simulator/wql.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace sim {

using platform::HResult;
using platform::Variant;
namespace hr = platform::hr;

namespace {

const QString kServer = QStringLiteral("TESSALINE");

// ---------------------------------------------------------------------------------------------
// Delivered forms

Variant u64(qint64 v) { return Variant::bstr(std::to_wstring(v)); }
Variant u32(quint32 v) { return Variant::i4(static_cast<std::int32_t>(v)); } // 2^31 and up arrive negative
Variant u16(int v) { return Variant::i4(v & 0xFFFF); }
Variant str(const QString &s) { return Variant::bstr(ws(s)); }
Variant char16(QChar c)
{
    Variant v;
    v.vt = platform::VT_I2;
    v.integer = c.unicode();
    return v;
}

QString quoteKey(const QString &value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

void addSystemProperties(SimObject &o, WmiNamespace ns, const QString &relPath)
{
    const bool isClass = o.kind() == SimObject::Kind::Class;
    o.declare(QStringLiteral("__GENUS"), platform::CIM_SINT32, Variant::i4(isClass ? 1 : 2));
    o.declare(QStringLiteral("__CLASS"), platform::CIM_STRING, str(o.className()));
    o.declare(QStringLiteral("__RELPATH"), platform::CIM_STRING, str(relPath));
    o.declare(QStringLiteral("__SERVER"), platform::CIM_STRING, str(kServer));
    o.declare(QStringLiteral("__NAMESPACE"), platform::CIM_STRING, str(namespaceName(ns)));
    o.declare(QStringLiteral("__PATH"), platform::CIM_STRING,
              str(QStringLiteral("\\\\%1\\%2:%3").arg(kServer, namespaceName(ns), relPath)));
}

QString diskObjectId(const Disk &d) { return QStringLiteral("{sim}disk:%1").arg(d.number); }
QString partitionObjectId(const Disk &d, const Partition &p)
{
    return QStringLiteral("{sim}disk:%1:partition:%2:offset:%3").arg(d.number).arg(p.number).arg(p.offset);
}

bool isOnline(const Disk &d) { return d.operationalStatus == QLatin1String("Online"); }
using geometry::isBootPartition;
using geometry::isSystemPartition;

quint32 diskSignature(const Disk &d)
{
    if (d.signature != 0)
        return d.signature;
    const QUuid u = QUuid::createUuidV5(QUuid(QStringLiteral("{2d9e3c41-77a0-4f0e-9a51-0c6b8f3e2a17}")),
                                        QStringLiteral("disk%1").arg(d.number));
    return u.data1 ? u.data1 : 1;
}

QString diskGuid(const Disk &d)
{
    return QUuid::createUuidV5(QUuid(QStringLiteral("{2d9e3c41-77a0-4f0e-9a51-0c6b8f3e2a17}")),
                               QStringLiteral("gpt-disk%1").arg(d.number))
        .toString()
        .toLower();
}

// ---------------------------------------------------------------------------------------------
// Instances

std::shared_ptr<SimObject> diskObject(const Disk &d, SimObject::Kind kind = SimObject::Kind::Instance)
{
    auto o = std::make_shared<SimObject>(kind, QStringLiteral("MSFT_Disk"));
    const QString objectId = diskObjectId(d);
    addSystemProperties(*o, WmiNamespace::Storage, QStringLiteral("MSFT_Disk.ObjectId=") + quoteKey(objectId));
    const bool gptDisk = geometry::isGpt(d);
    const bool mbrDisk = geometry::isMbr(d);
    qint64 allocated = 0;
    bool boot = false, system = false;
    for (const Partition &p : d.partitions) {
        if (p.type != QLatin1String("Logical"))
            allocated += p.size;
        boot = boot || isBootPartition(p);
        system = system || isSystemPartition(d, p);
    }
    o->declare(QStringLiteral("ObjectId"), platform::CIM_STRING, str(objectId));
    o->declare(QStringLiteral("UniqueId"), platform::CIM_STRING, str(QStringLiteral("SIMDISK%1").arg(d.number)));
    o->declare(QStringLiteral("Path"), platform::CIM_STRING,
               str(QStringLiteral("\\\\?\\disk#sim&num_%1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}").arg(d.number)));
    o->declare(QStringLiteral("FriendlyName"), platform::CIM_STRING, str(d.friendlyName));
    o->declare(QStringLiteral("Number"), platform::CIM_UINT32, u32(quint32(d.number)));
    o->declare(QStringLiteral("Size"), platform::CIM_UINT64, u64(d.size));
    o->declare(QStringLiteral("AllocatedSize"), platform::CIM_UINT64, u64(allocated));
    o->declare(QStringLiteral("LargestFreeExtent"), platform::CIM_UINT64, u64(geometry::largestFreeExtent(d).size));
    o->declare(QStringLiteral("LogicalSectorSize"), platform::CIM_UINT32, u32(quint32(d.logicalSectorSize)));
    o->declare(QStringLiteral("PhysicalSectorSize"), platform::CIM_UINT32, u32(4096));
    o->declare(QStringLiteral("PartitionStyle"), platform::CIM_UINT16, u16(gptDisk ? 2 : mbrDisk ? 1 : 0));
    o->declare(QStringLiteral("NumberOfPartitions"), platform::CIM_UINT32, u32(quint32(d.partitions.size())));
    o->declare(QStringLiteral("OperationalStatus"), platform::CIM_UINT16 | CIM_FLAG_ARRAY,
               Variant::intArray(platform::VT_I4, {isOnline(d) ? 53264 : 53267}));
    o->declare(QStringLiteral("HealthStatus"), platform::CIM_UINT16, u16(0));
    o->declare(QStringLiteral("BusType"), platform::CIM_UINT16, u16(d.removable ? 7 : 11));
    o->declare(QStringLiteral("IsOffline"), platform::CIM_BOOLEAN, Variant::boolean(!isOnline(d)));
    o->declare(QStringLiteral("IsReadOnly"), platform::CIM_BOOLEAN, Variant::boolean(d.readOnly));
    o->declare(QStringLiteral("IsBoot"), platform::CIM_BOOLEAN, Variant::boolean(boot));
    o->declare(QStringLiteral("IsSystem"), platform::CIM_BOOLEAN, Variant::boolean(system));
    o->declare(QStringLiteral("Guid"), platform::CIM_STRING, gptDisk ? str(diskGuid(d)) : Variant::null());
    o->declare(QStringLiteral("Signature"), platform::CIM_UINT32, mbrDisk ? u32(diskSignature(d)) : Variant::null());
    return o;
}

std::shared_ptr<SimObject> partitionObject(const Machine &m, const Disk &d, const Partition &p,
                                           SimObject::Kind kind = SimObject::Kind::Instance)
{
    auto o = std::make_shared<SimObject>(kind, QStringLiteral("MSFT_Partition"));
    const QString objectId = partitionObjectId(d, p);
    addSystemProperties(*o, WmiNamespace::Storage, QStringLiteral("MSFT_Partition.ObjectId=") + quoteKey(objectId));
    std::vector<std::wstring> paths;
    QChar letter(0);
    if (p.volume) {
        if (!p.volume->letter.isEmpty()) {
            letter = p.volume->letter.at(0);
            paths.push_back(ws(p.volume->letter + QStringLiteral(":\\")));
        }
        paths.push_back(ws(QStringLiteral("\\\\?\\Volume{%1}\\").arg(p.volume->guid)));
    }
    const bool gptDisk = geometry::isGpt(d);
    const bool noDefaultLetter = p.type != QLatin1String("Primary") && p.type != QLatin1String("Logical");
    o->declare(QStringLiteral("ObjectId"), platform::CIM_STRING, str(objectId));
    o->declare(QStringLiteral("DiskId"), platform::CIM_STRING, str(diskObjectId(d)));
    o->declare(QStringLiteral("DiskNumber"), platform::CIM_UINT32, u32(quint32(d.number)));
    o->declare(QStringLiteral("PartitionNumber"), platform::CIM_UINT32, u32(quint32(p.number)));
    o->declare(QStringLiteral("DriveLetter"), platform::CIM_CHAR16, char16(letter));
    o->declare(QStringLiteral("AccessPaths"), platform::CIM_STRING | CIM_FLAG_ARRAY,
               paths.empty() ? Variant::null() : Variant::bstrArray(paths));
    o->declare(QStringLiteral("Offset"), platform::CIM_UINT64, u64(p.offset));
    o->declare(QStringLiteral("Size"), platform::CIM_UINT64, u64(p.size));
    o->declare(QStringLiteral("MbrType"), platform::CIM_UINT16, gptDisk ? Variant::null() : u16(mbrTypeOf(p)));
    o->declare(QStringLiteral("GptType"), platform::CIM_STRING, gptDisk ? str(gptTypeOf(p)) : Variant::null());
    o->declare(QStringLiteral("Guid"), platform::CIM_STRING,
               gptDisk ? str(QLatin1Char('{') + p.guid + QLatin1Char('}')) : Variant::null());
    o->declare(QStringLiteral("IsActive"), platform::CIM_BOOLEAN, Variant::boolean(!gptDisk && p.active));
    o->declare(QStringLiteral("IsBoot"), platform::CIM_BOOLEAN, Variant::boolean(isBootPartition(p)));
    o->declare(QStringLiteral("IsSystem"), platform::CIM_BOOLEAN, Variant::boolean(isSystemPartition(d, p)));
    o->declare(QStringLiteral("IsHidden"), platform::CIM_BOOLEAN, Variant::boolean(false));
    o->declare(QStringLiteral("IsReadOnly"), platform::CIM_BOOLEAN, Variant::boolean(d.readOnly));
    o->declare(QStringLiteral("IsOffline"), platform::CIM_BOOLEAN, Variant::boolean(!isOnline(d)));
    o->declare(QStringLiteral("IsShadowCopy"), platform::CIM_BOOLEAN, Variant::boolean(false));
    o->declare(QStringLiteral("NoDefaultDriveLetter"), platform::CIM_BOOLEAN, Variant::boolean(noDefaultLetter));
    o->declare(QStringLiteral("TransitionState"), platform::CIM_UINT16, u16(1));
    if (m.partitionTypeProperty)
        o->declare(QStringLiteral("Type"), platform::CIM_UINT16, u16(typeCodeOf(p.type)));
    return o;
}

std::shared_ptr<SimObject> logicalDiskObject(const MountedDrive &v, SimObject::Kind kind = SimObject::Kind::Instance)
{
    auto o = std::make_shared<SimObject>(kind, QStringLiteral("Win32_LogicalDisk"));
    const QString id = v.letter + QLatin1Char(':');
    addSystemProperties(*o, WmiNamespace::Cimv2, QStringLiteral("Win32_LogicalDisk.DeviceID=") + quoteKey(id));
    QString description;
    switch (v.driveType) {
    case 2: description = QStringLiteral("Removable Disk"); break;
    case 3: description = QStringLiteral("Local Fixed Disk"); break;
    case 4: description = QStringLiteral("Network Connection"); break;
    case 5: description = QStringLiteral("CD-ROM Disc"); break;
    case 6: description = QStringLiteral("RAM Disk"); break;
    default: description = QStringLiteral("Unknown"); break;
    }
    const bool hasFs = v.ready && !v.fileSystem.isEmpty();
    o->declare(QStringLiteral("DeviceID"), platform::CIM_STRING, str(id));
    o->declare(QStringLiteral("Caption"), platform::CIM_STRING, str(id));
    o->declare(QStringLiteral("Name"), platform::CIM_STRING, str(id));
    o->declare(QStringLiteral("Description"), platform::CIM_STRING, str(description));
    o->declare(QStringLiteral("DriveType"), platform::CIM_UINT32, u32(quint32(v.driveType)));
    o->declare(QStringLiteral("MediaType"), platform::CIM_UINT32,
               v.driveType == 3 ? u32(12) : v.driveType == 2 ? u32(11) : Variant::null());
    o->declare(QStringLiteral("FileSystem"), platform::CIM_STRING, hasFs ? str(v.fileSystem) : Variant::null());
    o->declare(QStringLiteral("VolumeName"), platform::CIM_STRING, hasFs ? str(v.label) : Variant::null());
    o->declare(QStringLiteral("Size"), platform::CIM_UINT64, hasFs ? u64(v.totalBytes) : Variant::null());
    o->declare(QStringLiteral("FreeSpace"), platform::CIM_UINT64, hasFs ? u64(v.freeBytes) : Variant::null());
    o->declare(QStringLiteral("VolumeSerialNumber"), platform::CIM_STRING,
               hasFs ? str(QStringLiteral("%1").arg(v.serial, 8, 16, QLatin1Char('0')).toUpper()) : Variant::null());
    return o;
}

// ---------------------------------------------------------------------------------------------
// Classes and method signatures

std::shared_ptr<SimObject> params(const QString &className)
{
    return std::make_shared<SimObject>(SimObject::Kind::Parameters, className);
}

std::shared_ptr<SimObject> outWithReturn(const QString &className)
{
    auto out = params(className);
    out->declare(QStringLiteral("ReturnValue"), platform::CIM_UINT32);
    out->declare(QStringLiteral("ExtendedStatus"), platform::CIM_STRING);
    return out;
}

// A class object: the instance shape with every value null, plus the method signatures.
std::shared_ptr<SimObject> classObject(const QString &name, const Machine &m)
{
    std::shared_ptr<SimObject> shape;
    Disk dummy;
    dummy.size = kGiB;
    Partition part;
    part.number = 1;
    part.volume = Volume();
    if (name.compare(QLatin1String("MSFT_Disk"), Qt::CaseInsensitive) == 0)
        shape = diskObject(dummy, SimObject::Kind::Class);
    else if (name.compare(QLatin1String("MSFT_Partition"), Qt::CaseInsensitive) == 0)
        shape = partitionObject(m, dummy, part, SimObject::Kind::Class);
    else if (name.compare(QLatin1String("Win32_LogicalDisk"), Qt::CaseInsensitive) == 0)
        shape = logicalDiskObject(MountedDrive{}, SimObject::Kind::Class);
    else
        return nullptr;

    auto cls = std::make_shared<SimObject>(SimObject::Kind::Class, shape->className());
    for (const std::wstring &n : shape->propertyNames()) {
        const QString prop = qs(n);
        if (!prop.startsWith(QLatin1String("__")))
            cls->declare(prop, shape->cimTypeOf(prop));
    }
    const WmiNamespace ns = shape->className() == QLatin1String("Win32_LogicalDisk") ? WmiNamespace::Cimv2
                                                                                      : WmiNamespace::Storage;
    addSystemProperties(*cls, ns, shape->className());

    if (shape->className() == QLatin1String("MSFT_Disk")) {
        auto in = params(QStringLiteral("__PARAMETERS"));
        in->declare(QStringLiteral("Size"), platform::CIM_UINT64);
        in->declare(QStringLiteral("UseMaximumSize"), platform::CIM_BOOLEAN);
        in->declare(QStringLiteral("Offset"), platform::CIM_UINT64);
        in->declare(QStringLiteral("Alignment"), platform::CIM_UINT32);
        in->declare(QStringLiteral("DriveLetter"), platform::CIM_CHAR16);
        in->declare(QStringLiteral("AssignDriveLetter"), platform::CIM_BOOLEAN);
        in->declare(QStringLiteral("MbrType"), platform::CIM_UINT16);
        in->declare(QStringLiteral("GptType"), platform::CIM_STRING);
        in->declare(QStringLiteral("IsHidden"), platform::CIM_BOOLEAN);
        in->declare(QStringLiteral("IsActive"), platform::CIM_BOOLEAN);
        auto out = outWithReturn(QStringLiteral("__PARAMETERS"));
        out->declare(QStringLiteral("CreatedPartition"), platform::CIM_OBJECT);
        cls->declareMethod(QStringLiteral("CreatePartition"), in, out);

        auto initIn = params(QStringLiteral("__PARAMETERS"));
        initIn->declare(QStringLiteral("PartitionStyle"), platform::CIM_UINT16);
        cls->declareMethod(QStringLiteral("Initialize"), initIn, outWithReturn(QStringLiteral("__PARAMETERS")));
    } else if (shape->className() == QLatin1String("MSFT_Partition")) {
        auto resizeIn = params(QStringLiteral("__PARAMETERS"));
        resizeIn->declare(QStringLiteral("Size"), platform::CIM_UINT64);
        cls->declareMethod(QStringLiteral("Resize"), resizeIn, outWithReturn(QStringLiteral("__PARAMETERS")));

        auto sizesOut = outWithReturn(QStringLiteral("__PARAMETERS"));
        sizesOut->declare(QStringLiteral("SizeMin"), platform::CIM_UINT64);
        sizesOut->declare(QStringLiteral("SizeMax"), platform::CIM_UINT64);
        cls->declareMethod(QStringLiteral("GetSupportedSize"), nullptr, sizesOut);

        auto addIn = params(QStringLiteral("__PARAMETERS"));
        addIn->declare(QStringLiteral("AccessPath"), platform::CIM_STRING);
        addIn->declare(QStringLiteral("AssignDriveLetter"), platform::CIM_BOOLEAN);
        cls->declareMethod(QStringLiteral("AddAccessPath"), addIn, outWithReturn(QStringLiteral("__PARAMETERS")));

        auto removeIn = params(QStringLiteral("__PARAMETERS"));
        removeIn->declare(QStringLiteral("AccessPath"), platform::CIM_STRING);
        cls->declareMethod(QStringLiteral("RemoveAccessPath"), removeIn,
                           outWithReturn(QStringLiteral("__PARAMETERS")));
    }
    return cls;
}

bool classInNamespace(const QString &cls, WmiNamespace ns)
{
    if (ns == WmiNamespace::Storage)
        return cls.compare(QLatin1String("MSFT_Disk"), Qt::CaseInsensitive) == 0
               || cls.compare(QLatin1String("MSFT_Partition"), Qt::CaseInsensitive) == 0;
    if (ns == WmiNamespace::Cimv2)
        return cls.compare(QLatin1String("Win32_LogicalDisk"), Qt::CaseInsensitive) == 0;
    return false;
}

// The disk numbers a WHERE clause can match at all, or nullopt when it may match any disk:
// every OR group must pin the disk with a numeric equality on `property`.
std::optional<QSet<qint64>> disksNamedBy(const std::vector<std::vector<WqlCondition>> &where, const QString &property)
{
    if (where.empty())
        return std::nullopt;
    QSet<qint64> numbers;
    for (const auto &group : where) {
        const auto pin = std::find_if(group.cbegin(), group.cend(), [&](const WqlCondition &c) {
            return c.kind == WqlCondition::Kind::Number && c.property.compare(property, Qt::CaseInsensitive) == 0;
        });
        if (pin == group.cend())
            return std::nullopt;
        numbers.insert(pin->number);
    }
    return numbers;
}

// Instances of the class, in Windows' order; only those on the disks the WHERE clause can
// match are built (the clause itself is still applied by the caller).
std::vector<std::shared_ptr<SimObject>> allInstances(const QString &cls, const Machine &m,
                                                     const std::vector<std::vector<WqlCondition>> &where = {})
{
    std::vector<std::shared_ptr<SimObject>> out;
    const auto sortedDisks = [&](const QString &numberProperty) {
        const std::optional<QSet<qint64>> named = disksNamedBy(where, numberProperty);
        QList<const Disk *> disks;
        for (const Disk &d : m.disks)
            if (!named || named->contains(qint64(quint32(d.number))))
                disks.append(&d);
        std::sort(disks.begin(), disks.end(), [](const Disk *a, const Disk *b) { return a->number < b->number; });
        return disks;
    };
    if (cls.compare(QLatin1String("MSFT_Disk"), Qt::CaseInsensitive) == 0) {
        for (const Disk *d : sortedDisks(QStringLiteral("Number")))
            out.push_back(diskObject(*d));
    } else if (cls.compare(QLatin1String("MSFT_Partition"), Qt::CaseInsensitive) == 0) {
        // Windows enumerates by disk, then by partition number (not by offset).
        const QList<const Disk *> disks = sortedDisks(QStringLiteral("DiskNumber"));
        for (const Disk *d : disks) {
            QList<const Partition *> parts;
            for (const Partition &p : d->partitions)
                parts.append(&p);
            std::sort(parts.begin(), parts.end(),
                      [](const Partition *a, const Partition *b) { return a->number < b->number; });
            for (const Partition *p : parts)
                out.push_back(partitionObject(m, *d, *p));
        }
    } else if (cls.compare(QLatin1String("Win32_LogicalDisk"), Qt::CaseInsensitive) == 0) {
        for (const MountedDrive &v : mountedDrives(m))
            out.push_back(logicalDiskObject(v));
    }
    return out;
}

bool conditionHolds(const SimObject &o, const WqlCondition &c)
{
    Variant v;
    if (platform::failed(o.get(ws(c.property), v)))
        return false;
    switch (c.kind) {
    case WqlCondition::Kind::Number:
        if (v.vt == platform::VT_BSTR) {
            bool ok = false;
            const qint64 n = qs(v.text).toLongLong(&ok);
            return ok && n == c.number;
        }
        if (v.vt == platform::VT_I4) // uint32 compares by its unsigned value
            return (o.cimTypeOf(c.property) == platform::CIM_UINT32 ? qint64(quint32(v.lVal())) : v.integer)
                   == c.number;
        if (v.vt == platform::VT_I2 || v.vt == platform::VT_UI1)
            return v.integer == c.number;
        return false;
    case WqlCondition::Kind::Text:
        if (v.vt == platform::VT_BSTR)
            return qs(v.text).compare(c.text, Qt::CaseInsensitive) == 0;
        if (v.vt == platform::VT_I2 && o.cimTypeOf(c.property) == platform::CIM_CHAR16)
            return c.text.size() == 1 && c.text.at(0).toUpper() == QChar(char16_t(v.integer)).toUpper();
        return false;
    case WqlCondition::Kind::Boolean:
        return v.vt == platform::VT_BOOL && (v.integer != 0) == c.boolean;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Object paths

struct ObjectPath
{
    QString className;
    QString keyName;
    QString keyValue;
    bool isClass = false;
};

bool parseObjectPath(const QString &path, WmiNamespace ns, ObjectPath *out)
{
    QString rel = path.trimmed();
    const int colon = rel.indexOf(QLatin1Char(':'));
    const int dot = rel.indexOf(QLatin1Char('.'));
    if (colon >= 0 && (dot < 0 || colon < dot)) {
        QString prefix = rel.left(colon);
        rel = rel.mid(colon + 1);
        if (prefix.startsWith(QLatin1String("\\\\")) || prefix.startsWith(QLatin1String("//"))) {
            const int slash = prefix.indexOf(QRegularExpression(QStringLiteral("[\\\\/]")), 2);
            if (slash < 0)
                return false;
            prefix = prefix.mid(slash + 1);
        }
        if (parseNamespace(prefix) != ns)
            return false;
    }
    const int keyDot = rel.indexOf(QLatin1Char('.'));
    if (keyDot < 0) {
        static const QRegularExpression ident(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (!ident.match(rel).hasMatch())
            return false;
        out->className = rel;
        out->isClass = true;
        return true;
    }
    out->className = rel.left(keyDot);
    const QString key = rel.mid(keyDot + 1);
    const int eq = key.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    out->keyName = key.left(eq).trimmed();
    QString value = key.mid(eq + 1).trimmed();
    if (value.startsWith(QLatin1Char('"'))) {
        QString unquoted;
        int i = 1;
        for (; i < value.size(); ++i) {
            const QChar c = value[i];
            if (c == QLatin1Char('\\') && i + 1 < value.size()) {
                unquoted += value[++i];
            } else if (c == QLatin1Char('"')) {
                break;
            } else {
                unquoted += c;
            }
        }
        if (i != value.size() - 1)
            return false; // unterminated, or something after the closing quote
        value = unquoted;
    } else if (value.isEmpty() || value.contains(QLatin1Char(','))) {
        return false;
    }
    out->keyValue = value;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Methods

struct Located
{
    int disk = -1;
    int partition = 0; // 0: the disk itself
};

// Finds the instance an object path names; WBEM_E_NOT_FOUND when it is gone.
HResult locate(const Machine &m, const ObjectPath &path, Located *out)
{
    static const QRegularExpression diskRe(QStringLiteral("^\\{sim\\}disk:(\\d+)$"));
    static const QRegularExpression partRe(QStringLiteral("^\\{sim\\}disk:(\\d+):partition:(\\d+):offset:(\\d+)$"));
    if (path.className.compare(QLatin1String("Win32_LogicalDisk"), Qt::CaseInsensitive) == 0) {
        if (path.keyName.compare(QLatin1String("DeviceID"), Qt::CaseInsensitive) != 0)
            return hr::WbemInvalidObjectPath;
        for (const MountedDrive &v : mountedDrives(m))
            if (path.keyValue.compare(v.letter + QLatin1Char(':'), Qt::CaseInsensitive) == 0) {
                out->disk = v.diskNumber;
                out->partition = v.partitionNumber;
                return hr::Ok;
            }
        return hr::WbemNotFound;
    }
    if (path.keyName.compare(QLatin1String("ObjectId"), Qt::CaseInsensitive) != 0)
        return hr::WbemInvalidObjectPath;
    const bool wantDisk = path.className.compare(QLatin1String("MSFT_Disk"), Qt::CaseInsensitive) == 0;
    const QRegularExpressionMatch match = (wantDisk ? diskRe : partRe).match(path.keyValue);
    if (!match.hasMatch())
        return hr::WbemNotFound;
    const Disk *d = m.disk(match.captured(1).toInt());
    if (!d)
        return hr::WbemNotFound;
    out->disk = d->number;
    if (wantDisk)
        return hr::Ok;
    const int number = match.captured(2).toInt();
    const qint64 offset = match.captured(3).toLongLong();
    for (const Partition &p : d->partitions)
        if (p.number == number && p.offset == offset) {
            out->partition = number;
            return hr::Ok;
        }
    return hr::WbemNotFound; // deleted, or replaced by another partition with that number
}

Partition *findPartition(Disk &d, int number)
{
    for (Partition &p : d.partitions)
        if (p.number == number)
            return &p;
    return nullptr;
}

QString nextFreeLetter(const Machine &m)
{
    for (char c = 'C'; c <= 'Z'; ++c) {
        const QString l(QLatin1Char{c});
        if (!m.letterInUse(l))
            return l;
    }
    return QString();
}

bool hasVolumeSlot(const Partition &p) { return p.type != QLatin1String("Extended") && p.type != QLatin1String("MSR"); }

Volume newRawVolume()
{
    Volume v;
    v.guid = geometry::newGuid();
    return v;
}

struct CreateResult
{
    int code = rc::Success;
    int newNumber = 0;
};

// Where a new partition goes. On an MBR disk a data partition goes into the extended partition
// as a logical drive when the offset asked for lies inside it, or, without an offset, when the
// extended partition holds the largest free extent; `type` then becomes "Logical".
geometry::Placement placeNewPartition(const Disk &d, QString *type, qint64 size, qint64 offset,
                                      geometry::Extent *where)
{
    const Partition *extended = geometry::extendedPartition(d);
    bool logical = false;
    if (extended && *type == QLatin1String("Primary")) {
        if (offset >= 0) {
            logical = offset >= extended->offset && offset < extended->offset + extended->size;
        } else {
            qint64 inside = 0;
            for (const geometry::Extent &e : geometry::logicalFreeExtents(d))
                inside = std::max(inside, e.size);
            const qint64 outside = geometry::tableFull(d) ? 0 : geometry::largestFreeExtent(d).size;
            logical = inside > outside;
        }
    }
    if (!logical)
        return geometry::placePartition(d, size, offset, geometry::Strategy::Largest, where);
    *type = QStringLiteral("Logical");
    return geometry::placeLogicalPartition(d, size, offset, where);
}

CreateResult createPartition(Machine &m, Disk &d, const platform::WbemObject *in)
{
    CreateResult r;
    auto fail = [&r](int code) { r.code = code; return r; };
    if (!isOnline(d))
        return fail(rc::Offline);
    if (d.readOnly)
        return fail(rc::ReadOnly);
    if (!geometry::isGpt(d) && !geometry::isMbr(d))
        return fail(rc::NotInitialized);

    const bool hasSize = paramPresent(in, L"Size");
    const bool useMax = paramBool(in, L"UseMaximumSize").value_or(false);
    if (hasSize == useMax)
        return fail(rc::InvalidParameter);
    const qint64 size = hasSize ? paramInteger(in, L"Size").value_or(-1) : 0;
    if (hasSize && size <= 0)
        return fail(rc::InvalidParameter);
    const bool assignLetter = paramBool(in, L"AssignDriveLetter").value_or(false);
    QString letter;
    if (paramPresent(in, L"DriveLetter")) {
        if (assignLetter)
            return fail(rc::InvalidParameter);
        const qint64 code = paramInteger(in, L"DriveLetter").value_or(0);
        letter = QString(QChar(char16_t(code))).toUpper();
        if (code <= 0 || code > 0xFFFF || letter.at(0) < QLatin1Char('A') || letter.at(0) > QLatin1Char('Z'))
            return fail(rc::InvalidParameter);
    }

    QString type = QStringLiteral("Primary");
    if (paramPresent(in, L"GptType")) {
        if (!geometry::isGpt(d))
            return fail(rc::InvalidForType);
        const QString g = paramText(in, L"GptType").value_or(QString()).toLower();
        const QString braced = g.startsWith(QLatin1Char('{')) ? g : QLatin1Char('{') + g + QLatin1Char('}');
        if (braced == QLatin1String(gpt::Efi))
            type = QStringLiteral("System");
        else if (braced == QLatin1String(gpt::Msr))
            type = QStringLiteral("MSR");
        else if (braced == QLatin1String(gpt::Recovery))
            type = QStringLiteral("Recovery");
        else if (braced != QLatin1String(gpt::BasicData))
            return fail(rc::InvalidPartitionType);
    }
    if (paramPresent(in, L"MbrType")) {
        if (!geometry::isMbr(d))
            return fail(rc::InvalidForType);
        switch (paramInteger(in, L"MbrType").value_or(-1)) {
        case 1: case 4: case 6: case 7: case 11: case 12: case 14: type = QStringLiteral("Primary"); break;
        case 5: case 15: type = QStringLiteral("Extended"); break;
        case 0x27: type = QStringLiteral("Recovery"); break;
        case 0xEF: type = QStringLiteral("EFI"); break;
        case 0x12: type = QStringLiteral("OEM"); break;
        default: return fail(rc::InvalidPartitionType);
        }
    }
    const bool active = paramBool(in, L"IsActive").value_or(false);
    if (active && !geometry::isMbr(d))
        return fail(rc::InvalidForType);

    qint64 offset = -1;
    if (paramPresent(in, L"Offset")) {
        offset = paramInteger(in, L"Offset").value_or(-1);
        if (offset < 0)
            return fail(rc::InvalidParameter);
    }
    geometry::Extent where;
    switch (placeNewPartition(d, &type, size, offset, &where)) {
    case geometry::Placement::Ok: break;
    case geometry::Placement::NotInitialized: return fail(rc::NotInitialized);
    case geometry::Placement::TableFull: return fail(rc::PartitionLimit);
    case geometry::Placement::NoSpace: return fail(rc::NotEnoughCapacity);
    case geometry::Placement::BeyondMbrLimit: return fail(rc::MbrLimit);
    case geometry::Placement::InvalidOffset: return fail(rc::InvalidOffset);
    case geometry::Placement::InvalidSize: return fail(rc::InvalidParameter);
    }

    Partition p;
    p.number = geometry::lowestUnusedNumber(d);
    p.offset = where.offset;
    p.size = where.size;
    p.type = type;
    p.guid = geometry::newGuid();
    if (active) {
        for (Partition &other : d.partitions)
            other.active = false;
        p.active = true;
    }
    if (hasVolumeSlot(p)) {
        p.volume = newRawVolume();
        if (assignLetter)
            p.volume->letter = nextFreeLetter(m);
        else if (!letter.isEmpty() && !m.letterInUse(letter))
            p.volume->letter = letter;
        else if (!letter.isEmpty())
            r.code = rc::AccessPathInUse; // created all the same, as Windows does
    }
    d.partitions.append(p);
    geometry::sortPartitions(d);
    r.newNumber = p.number;
    return r;
}

bool resizableFileSystem(const Partition &p)
{
    return !p.volume || p.volume->fileSystem.isEmpty() || p.volume->fileSystem == QLatin1String("NTFS");
}

int resizePartition(Disk &d, Partition &p, const platform::WbemObject *in)
{
    if (!isOnline(d))
        return rc::Offline;
    if (d.readOnly)
        return rc::ReadOnly;
    const std::optional<qint64> size = paramInteger(in, L"Size");
    if (!size || *size <= 0)
        return rc::InvalidParameter;
    if (p.type == QLatin1String("Extended"))
        return rc::NotSupported;
    if (!resizableFileSystem(p))
        return rc::UnknownFileSystem;
    if (*size == p.size)
        return rc::Success;
    const qint64 sizeMax = p.size + geometry::freeExtentAfter(d, p).size;
    if (*size % d.logicalSectorSize != 0 || *size < minimumSizeOf(d, p) || *size > sizeMax)
        return rc::SizeNotSupported;
    if (geometry::overlaps(d, p.offset, *size, p.type == QLatin1String("Logical"), p.number))
        return rc::SizeNotSupported;
    p.size = *size; // the volume keeps its serial and its bytes in use
    return rc::Success;
}

int addAccessPath(Machine &m, Disk &d, Partition &p, const platform::WbemObject *in)
{
    if (!isOnline(d))
        return rc::Offline;
    const QString path = paramText(in, L"AccessPath").value_or(QString()).trimmed();
    const bool assign = paramBool(in, L"AssignDriveLetter").value_or(false);
    if (path.isEmpty() == !assign)
        return rc::InvalidParameter; // exactly one of the two
    if (!hasVolumeSlot(p))
        return rc::AccessPathInvalid;
    QString letter;
    if (assign) {
        letter = nextFreeLetter(m);
        if (letter.isEmpty())
            return rc::NotEnoughResources;
    } else {
        static const QRegularExpression letterRe(QStringLiteral("^([A-Za-z]):\\\\?$"));
        const QRegularExpressionMatch match = letterRe.match(path);
        if (!match.hasMatch())
            return path.contains(QLatin1Char('\\')) ? rc::NotSupported : rc::AccessPathInvalid; // no mount folders
        letter = match.captured(1).toUpper();
        if (m.letterInUse(letter))
            return rc::AccessPathInUse;
    }
    if (!p.volume)
        p.volume = newRawVolume();
    if (!p.volume->letter.isEmpty())
        return rc::AccessPathInUse; // one letter per volume
    p.volume->letter = letter;
    return rc::Success;
}

// A RAW disk gets a partition table. On GPT, Windows 10 and later lay down a 16 MiB Microsoft
// Reserved partition right after the table (ending at 16 MiB) on every disk of 32 MiB or more.
int initializeDisk(Disk &d, const platform::WbemObject *in)
{
    if (!isOnline(d))
        return rc::Offline;
    if (d.readOnly)
        return rc::ReadOnly;
    if (d.partitionStyle != QLatin1String("RAW"))
        return rc::AlreadyInitialized;
    const qint64 style = paramPresent(in, L"PartitionStyle") ? paramInteger(in, L"PartitionStyle").value_or(-1) : 2;
    if (style != 1 && style != 2)
        return rc::InvalidPartitionType;
    if (style == 2) {
        d.partitionStyle = QStringLiteral("GPT");
        if (geometry::usableRange(d).size < kMiB) {
            d.partitionStyle = QStringLiteral("RAW");
            return rc::TooSmallForGpt;
        }
        if (d.size >= 32 * kMiB) {
            Partition msr;
            msr.number = 1;
            msr.offset = qint64(geometry::kGptHeadSectors) * d.logicalSectorSize;
            msr.size = 16 * kMiB - msr.offset;
            msr.type = QStringLiteral("MSR");
            msr.guid = geometry::newGuid();
            d.partitions = {msr};
        }
    } else {
        d.partitionStyle = QStringLiteral("MBR");
        d.signature = geometry::serialValue(geometry::newVolumeSerial()) | 1u; // never 0, which means "derived"
    }
    return rc::Success;
}

int removeAccessPath(Disk &d, Partition &p, const platform::WbemObject *in)
{
    if (!isOnline(d))
        return rc::Offline;
    const QString path = paramText(in, L"AccessPath").value_or(QString()).trimmed();
    static const QRegularExpression letterRe(QStringLiteral("^([A-Za-z]):\\\\?$"));
    const QRegularExpressionMatch match = letterRe.match(path);
    if (!match.hasMatch())
        return rc::InvalidParameter;
    if (!p.volume || p.volume->letter != match.captured(1).toUpper())
        return rc::AccessPathInvalid;
    p.volume->letter.clear();
    return rc::Success;
}

// ---------------------------------------------------------------------------------------------
// Services

class Enumerator : public platform::WbemEnumerator
{
public:
    explicit Enumerator(std::vector<std::shared_ptr<SimObject>> objects) : m_objects(std::move(objects)) {}
    HResult next(std::int32_t, std::shared_ptr<platform::WbemObject> &object) override
    {
        object.reset();
        if (m_next >= m_objects.size())
            return hr::False;
        object = m_objects[m_next++];
        return hr::Ok;
    }

private:
    std::vector<std::shared_ptr<SimObject>> m_objects;
    std::size_t m_next = 0;
};

std::atomic<quint64> g_connections{0};
std::atomic<quint64> g_queries{0};
std::atomic<quint64> g_methods{0};

// One call to the provider, counted, and the time it takes as the machine file models it.
void roundTrip(std::atomic<quint64> &counter, const MachineStore &store, double Machine::*latency)
{
    ++counter;
    Machine m;
    if (!store.read(&m))
        return;
    const int ms = scaledMs(m.*latency, m.timeScale);
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class Services : public platform::WbemServices
{
public:
    Services(WmiNamespace ns, const QString &path) : m_ns(ns), m_store(path) {}

    HResult setProxyBlanket(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override
    {
        if (const auto f = m_store.takeFault(QStringLiteral("wmi.proxyBlanket"), namespaceName(m_ns)))
            return faultHResult(*f);
        return hr::Ok;
    }

    HResult execQuery(const std::wstring &language, const std::wstring &query, std::int32_t,
                      std::unique_ptr<platform::WbemEnumerator> &enumerator) override
    {
        enumerator.reset();
        roundTrip(g_queries, m_store, &Machine::queryLatencyMs);
        const QString text = qs(query);
        if (const auto f = m_store.takeFault(QStringLiteral("wmi.query"), text))
            return faultHResult(*f);
        if (qs(language).compare(QLatin1String("WQL"), Qt::CaseInsensitive) != 0)
            return hr::WbemInvalidQueryType;
        WqlQuery q;
        QString why;
        if (!parseWql(text, &q, &why)) {
            qDebug() << "Simulated WMI: invalid query" << text << "-" << why;
            return hr::WbemInvalidQuery;
        }
        if (!classInNamespace(q.className, m_ns))
            return hr::WbemInvalidClass;
        Machine m;
        if (!readMachine(&m))
            return hr::WbemFailed;
        const std::shared_ptr<SimObject> cls = classObject(q.className, m);
        for (const QString &p : q.properties)
            if (!cls->has(p))
                return hr::WbemInvalidQuery;
        for (const auto &group : q.where)
            for (const WqlCondition &c : group)
                if (!cls->has(c.property))
                    return hr::WbemInvalidQuery;

        std::vector<std::shared_ptr<SimObject>> result;
        for (const std::shared_ptr<SimObject> &o : allInstances(q.className, m, q.where)) {
            bool match = q.where.empty();
            for (const auto &group : q.where) {
                bool all = true;
                for (const WqlCondition &c : group)
                    all = all && conditionHolds(*o, c);
                match = match || all;
            }
            if (match)
                result.push_back(q.properties.empty() ? o : o->projected(q.properties));
        }
        enumerator = std::make_unique<Enumerator>(std::move(result));
        return hr::Ok;
    }

    HResult getObject(const std::wstring &path, std::shared_ptr<platform::WbemObject> &object) override
    {
        object.reset();
        const QString text = qs(path);
        if (const auto f = m_store.takeFault(QStringLiteral("wmi.getObject"), text))
            return faultHResult(*f);
        ObjectPath op;
        if (!parseObjectPath(text, m_ns, &op))
            return hr::WbemInvalidObjectPath;
        if (!classInNamespace(op.className, m_ns))
            return hr::WbemInvalidClass;
        Machine m;
        if (!readMachine(&m))
            return hr::WbemFailed;
        if (op.isClass) {
            auto cls = classObject(op.className, m);
            cls->setFaultScope(m_store.path(), cls->className());
            object = cls;
            return hr::Ok;
        }
        Located at;
        const HResult found = locate(m, op, &at);
        if (platform::failed(found))
            return found;
        object = instanceAt(m, op.className, at);
        return object ? hr::Ok : hr::WbemNotFound;
    }

    HResult execMethod(const std::wstring &objectPath, const std::wstring &method, std::int32_t,
                       const platform::WbemObject *inParams, std::shared_ptr<platform::WbemObject> &outParams) override
    {
        outParams.reset();
        roundTrip(g_methods, m_store, &Machine::methodLatencyMs);
        ObjectPath op;
        const bool parsed = parseObjectPath(qs(objectPath), m_ns, &op);
        const QString cls = parsed ? canonicalClass(op.className) : QString();
        const QString subject = cls + QLatin1Char('.') + qs(method);
        // "omitOutput" lets the method run and leaves that output parameter out of its answer.
        QString omitted;
        if (const auto f = m_store.takeFault(QStringLiteral("wmi.method"), subject)) {
            if (f->contains(QStringLiteral("omitOutput"))) {
                omitted = f->value(QStringLiteral("omitOutput")).toString();
            } else if (const auto code = faultCode(*f, QStringLiteral("returnValue"))) {
                Machine m;
                auto out = methodOut(cls, qs(method), m);
                if (!out)
                    return hr::WbemInvalidMethod;
                out->declare(QStringLiteral("ReturnValue"), platform::CIM_UINT32, u32(quint32(*code)));
                outParams = out;
                return hr::Ok;
            } else {
                return faultHResult(*f);
            }
        }
        if (!parsed)
            return hr::WbemInvalidObjectPath;
        if (!classInNamespace(op.className, m_ns))
            return hr::WbemInvalidClass;
        Machine before;
        if (!readMachine(&before))
            return hr::WbemFailed;
        const QString name = qs(method);
        std::shared_ptr<SimObject> out = methodOut(cls, name, before);
        if (!out)
            return hr::WbemInvalidMethod;
        if (op.isClass)
            return hr::WbemInvalidMethodParameters; // the storage methods are not static

        HResult result = hr::Ok;
        int code = rc::Success;
        int createdNumber = 0;
        Located at;
        Machine after;
        QString error;
        const bool stored = m_store.modify(
            [&](Machine &m) {
                result = locate(m, op, &at);
                if (platform::failed(result))
                    return false;
                Disk *d = m.disk(at.disk);
                Partition *p = d ? findPartition(*d, at.partition) : nullptr;
                bool changed = false;
                if (name.compare(QLatin1String("Initialize"), Qt::CaseInsensitive) == 0) {
                    code = initializeDisk(*d, inParams);
                    changed = code == rc::Success;
                } else if (name.compare(QLatin1String("CreatePartition"), Qt::CaseInsensitive) == 0) {
                    const CreateResult r = createPartition(m, *d, inParams);
                    code = r.code;
                    createdNumber = r.newNumber;
                    changed = r.newNumber > 0;
                } else if (name.compare(QLatin1String("Resize"), Qt::CaseInsensitive) == 0) {
                    const qint64 was = p->size;
                    code = resizePartition(*d, *p, inParams);
                    changed = p->size != was;
                } else if (name.compare(QLatin1String("GetSupportedSize"), Qt::CaseInsensitive) == 0) {
                    if (!isOnline(*d)) {
                        code = rc::Offline;
                    } else {
                        const qint64 max = p->size + geometry::freeExtentAfter(*d, *p).size;
                        const bool resizable = resizableFileSystem(*p) && p->type != QLatin1String("Extended");
                        out->declare(QStringLiteral("SizeMin"), platform::CIM_UINT64,
                                     u64(resizable ? minimumSizeOf(*d, *p) : p->size));
                        out->declare(QStringLiteral("SizeMax"), platform::CIM_UINT64, u64(resizable ? max : p->size));
                    }
                } else if (name.compare(QLatin1String("AddAccessPath"), Qt::CaseInsensitive) == 0) {
                    code = addAccessPath(m, *d, *p, inParams);
                    changed = code == rc::Success;
                } else if (name.compare(QLatin1String("RemoveAccessPath"), Qt::CaseInsensitive) == 0) {
                    code = removeAccessPath(*d, *p, inParams);
                    changed = code == rc::Success;
                }
                after = m;
                return changed;
            },
            &error);
        if (!stored) {
            qWarning() << "Simulated WMI:" << error;
            return hr::WbemFailed;
        }
        if (platform::failed(result))
            return result;
        if (createdNumber > 0 && omitted != QLatin1String("CreatedPartition")) {
            const Disk *d = after.disk(at.disk);
            for (const Partition &p : d->partitions)
                if (p.number == createdNumber)
                    out->declare(QStringLiteral("CreatedPartition"), platform::CIM_OBJECT,
                                 Variant::embedded(partitionObject(after, *d, p)));
        }
        out->declare(QStringLiteral("ReturnValue"), platform::CIM_UINT32, u32(quint32(code)));
        outParams = out;
        return hr::Ok;
    }

private:
    static HResult faultHResult(const Fault &f)
    {
        return faultCode(f, QStringLiteral("hresult")).value_or(hr::Fail);
    }

    bool readMachine(Machine *m) const
    {
        QString error;
        if (m_store.read(m, &error))
            return true;
        qWarning() << "Simulated WMI: cannot read the machine:" << error;
        return false;
    }

    static QString canonicalClass(const QString &name)
    {
        for (const char *c : {"MSFT_Disk", "MSFT_Partition", "Win32_LogicalDisk"})
            if (name.compare(QLatin1String(c), Qt::CaseInsensitive) == 0)
                return QLatin1String(c);
        return name;
    }

    // A fresh output-parameter object for the method, or null when the class has no such method.
    static std::shared_ptr<SimObject> methodOut(const QString &cls, const QString &method, const Machine &m)
    {
        const std::shared_ptr<SimObject> c = classObject(cls, m);
        if (!c)
            return nullptr;
        std::shared_ptr<platform::WbemObject> in, out;
        if (platform::failed(c->getMethod(ws(method), in, out)) || !out)
            return nullptr;
        std::shared_ptr<platform::WbemObject> spawned;
        out->spawnInstance(spawned);
        return std::static_pointer_cast<SimObject>(spawned);
    }

    static std::shared_ptr<SimObject> instanceAt(const Machine &m, const QString &cls, const Located &at)
    {
        if (cls.compare(QLatin1String("Win32_LogicalDisk"), Qt::CaseInsensitive) == 0) {
            for (const MountedDrive &v : mountedDrives(m))
                if (v.diskNumber == at.disk && v.partitionNumber == at.partition)
                    return logicalDiskObject(v);
            return nullptr;
        }
        const Disk *d = m.disk(at.disk);
        if (!d)
            return nullptr;
        if (at.partition == 0)
            return diskObject(*d);
        for (const Partition &p : d->partitions)
            if (p.number == at.partition)
                return partitionObject(m, *d, p);
        return nullptr;
    }

    WmiNamespace m_ns;
    MachineStore m_store;
};

} // namespace

WmiNamespace parseNamespace(const QString &name)
{
    QString n = name.trimmed();
    n.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (n.startsWith(QLatin1String("\\\\"))) {
        const int slash = n.indexOf(QLatin1Char('\\'), 2);
        if (slash < 0)
            return WmiNamespace::Invalid;
        n = n.mid(slash + 1);
    }
    if (n.compare(QLatin1String("ROOT\\Microsoft\\Windows\\Storage"), Qt::CaseInsensitive) == 0)
        return WmiNamespace::Storage;
    if (n.compare(QLatin1String("ROOT\\CIMV2"), Qt::CaseInsensitive) == 0)
        return WmiNamespace::Cimv2;
    return WmiNamespace::Invalid;
}

QString namespaceName(WmiNamespace ns)
{
    switch (ns) {
    case WmiNamespace::Storage: return QStringLiteral("ROOT\\Microsoft\\Windows\\Storage");
    case WmiNamespace::Cimv2: return QStringLiteral("ROOT\\CIMV2");
    case WmiNamespace::Invalid: break;
    }
    return QString();
}

ProviderCounters providerCounters()
{
    return {g_connections.load(), g_queries.load(), g_methods.load()};
}

std::unique_ptr<platform::WbemServices> createServices(WmiNamespace ns, const QString &machinePath)
{
    if (ns == WmiNamespace::Invalid)
        return nullptr;
    const MachineStore store(machinePath);
    roundTrip(g_connections, store, &Machine::connectLatencyMs);
    return std::make_unique<Services>(ns, machinePath);
}

QString gptTypeOf(const Partition &p)
{
    if (p.type == QLatin1String("System") || p.type == QLatin1String("EFI"))
        return QLatin1String(gpt::Efi);
    if (p.type == QLatin1String("MSR"))
        return QLatin1String(gpt::Msr);
    if (p.type == QLatin1String("Recovery"))
        return QLatin1String(gpt::Recovery);
    return QLatin1String(gpt::BasicData);
}

int mbrTypeOf(const Partition &p)
{
    if (p.type == QLatin1String("Extended"))
        return 0x0F;
    if (p.type == QLatin1String("Recovery"))
        return 0x27;
    if (p.type == QLatin1String("EFI"))
        return 0xEF;
    if (p.type == QLatin1String("OEM"))
        return 0x12;
    if (p.type == QLatin1String("MSR"))
        return 0;
    const QString fs = p.volume ? p.volume->fileSystem : QString();
    if (fs == QLatin1String("FAT32"))
        return 0x0C;
    if (fs == QLatin1String("FAT"))
        return 0x06;
    return 0x07; // IFS: NTFS, exFAT, ReFS and new RAW partitions
}

int typeCodeOf(const QString &type)
{
    static const char *const names[] = {"System", "Primary", "Extended", "Logical", "Recovery", "MSR", "EFI", "OEM"};
    for (int i = 0; i < 8; ++i)
        if (type == QLatin1String(names[i]))
            return i + 1;
    return 0;
}

qint64 minimumSizeOf(const Disk &d, const Partition &p)
{
    if (!p.volume || p.volume->fileSystem.isEmpty())
        return std::min(p.size, geometry::kAlignment); // nothing to keep on a RAW partition
    const qint64 margin = std::max<qint64>(64 * kMiB, p.size / 100);
    const qint64 floor = geometry::alignUp(p.volume->usedBytes + margin, d.logicalSectorSize);
    return std::min(floor, p.size);
}

} // namespace sim
