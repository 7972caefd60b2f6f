#include "simulator/machine.h"

#include "simulator/geometry.h"

#include "platform/filelock.h"
#include "platform/readonlyfile.h"

#include <QByteArray>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMutex>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <atomic>

namespace sim {

// ---------------------------------------------------------------------------------------------
// Machine lookups

Disk *Machine::disk(int number)
{
    for (Disk &d : disks)
        if (d.number == number)
            return &d;
    return nullptr;
}

const Disk *Machine::disk(int number) const
{
    for (const Disk &d : disks)
        if (d.number == number)
            return &d;
    return nullptr;
}

Partition *Machine::partitionByLetter(const QString &letter, Disk **diskOut)
{
    const QString wanted = letter.left(1).toUpper();
    if (wanted.isEmpty())
        return nullptr;
    for (Disk &d : disks) {
        for (Partition &p : d.partitions) {
            if (p.volume && p.volume->letter == wanted) {
                if (diskOut)
                    *diskOut = &d;
                return &p;
            }
        }
    }
    return nullptr;
}

bool Machine::letterInUse(const QString &letter) const
{
    const QString wanted = letter.left(1).toUpper();
    if (wanted.isEmpty())
        return false;
    for (const Disk &d : disks)
        for (const Partition &p : d.partitions)
            if (p.volume && p.volume->letter == wanted)
                return true;
    for (const OtherDrive &o : otherDrives)
        if (o.letter == wanted)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// JSON

namespace {

// Identities a file may leave out are derived from the disk and partition numbers, so that
// reading the same file twice gives the same volume GUID paths.
QString derivedGuid(const QString &name)
{
    static const QUuid ns(QStringLiteral("{6b1c2f0e-8c7a-4d55-9a43-2f3e5d7c9b10}"));
    return QUuid::createUuidV5(ns, name).toString(QUuid::WithoutBraces).toLower();
}

QString derivedSerial(const QString &name)
{
    const QString g = derivedGuid(name).remove(QLatin1Char('-')).toUpper();
    return g.left(4) + QLatin1Char('-') + g.mid(4, 4);
}

QJsonValue bytesValue(qint64 v) { return QJsonValue(v); }

class Reader
{
public:
    QString error;

    bool fail(const QString &where, const QString &what)
    {
        if (error.isEmpty())
            error = where + QStringLiteral(": ") + what;
        return false;
    }

    bool integer(const QJsonObject &o, const QString &key, const QString &where, qint64 *out, bool required,
                 qint64 min = 0)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull()) {
            if (required)
                return fail(where, QStringLiteral("\"%1\" is missing").arg(key));
            return true;
        }
        qint64 value = 0;
        if (v.isDouble()) {
            const double d = v.toDouble();
            const qint64 i = v.toInteger(std::numeric_limits<qint64>::min());
            if (i == std::numeric_limits<qint64>::min() || std::floor(d) != d)
                return fail(where, QStringLiteral("\"%1\" must be a whole number").arg(key));
            value = i;
        } else if (v.isString()) {
            bool ok = false;
            value = v.toString().trimmed().toLongLong(&ok, 10);
            if (!ok)
                return fail(where, QStringLiteral("\"%1\" must be a whole number").arg(key));
        } else {
            return fail(where, QStringLiteral("\"%1\" must be a whole number").arg(key));
        }
        if (value < min)
            return fail(where, QStringLiteral("\"%1\" must be at least %2").arg(key).arg(min));
        *out = value;
        return true;
    }

    bool boolean(const QJsonObject &o, const QString &key, const QString &where, bool *out)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return true;
        if (!v.isBool())
            return fail(where, QStringLiteral("\"%1\" must be true or false").arg(key));
        *out = v.toBool();
        return true;
    }

    bool text(const QJsonObject &o, const QString &key, const QString &where, QString *out)
    {
        const QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull())
            return true;
        if (!v.isString())
            return fail(where, QStringLiteral("\"%1\" must be text").arg(key));
        *out = v.toString();
        return true;
    }

    // One of `allowed`, compared case-insensitively; stored in the allowed spelling.
    bool choice(const QJsonObject &o, const QString &key, const QString &where, const QStringList &allowed,
                QString *out)
    {
        QString value = *out;
        if (!text(o, key, where, &value))
            return false;
        for (const QString &a : allowed) {
            if (a.compare(value, Qt::CaseInsensitive) == 0) {
                *out = a;
                return true;
            }
        }
        return fail(where, QStringLiteral("\"%1\" must be one of %2").arg(key, allowed.join(QStringLiteral(", "))));
    }

    bool letter(const QJsonObject &o, const QString &key, const QString &where, QString *out)
    {
        QString value;
        if (!text(o, key, where, &value))
            return false;
        value = value.trimmed().toUpper();
        if (value.endsWith(QLatin1Char(':')))
            value.chop(1);
        if (!value.isEmpty() && (value.size() != 1 || value[0] < QLatin1Char('A') || value[0] > QLatin1Char('Z')))
            return fail(where, QStringLiteral("\"%1\" must be one letter A-Z or empty").arg(key));
        *out = value;
        return true;
    }
};

const QStringList kStyles = {QStringLiteral("GPT"), QStringLiteral("MBR"), QStringLiteral("RAW")};
const QStringList kStatuses = {QStringLiteral("Online"), QStringLiteral("Offline")};
const QStringList kTypes = {QStringLiteral("System"),   QStringLiteral("Primary"), QStringLiteral("Extended"),
                            QStringLiteral("Logical"),  QStringLiteral("Recovery"), QStringLiteral("MSR"),
                            QStringLiteral("EFI"),      QStringLiteral("OEM")};
const QStringList kFileSystems = {QStringLiteral("NTFS"), QStringLiteral("FAT32"), QStringLiteral("FAT"),
                                  QStringLiteral("exFAT"), QStringLiteral("ReFS"), QString()};

bool readVolume(Reader &r, const QJsonObject &o, const QString &where, const QString &identity, Volume *v)
{
    v->fileSystem.clear();
    if (!r.choice(o, QStringLiteral("fileSystem"), where, kFileSystems, &v->fileSystem)
        || !r.text(o, QStringLiteral("label"), where, &v->label)
        || !r.letter(o, QStringLiteral("letter"), where, &v->letter)
        || !r.text(o, QStringLiteral("serial"), where, &v->serial)
        || !r.integer(o, QStringLiteral("usedBytes"), where, &v->usedBytes, false)
        || !r.integer(o, QStringLiteral("clusterSize"), where, &v->clusterSize, false)
        || !r.text(o, QStringLiteral("guid"), where, &v->guid))
        return false;
    if (v->fileSystem.isNull())
        v->fileSystem = QString(); // keep RAW as the empty text
    if (v->serial.isEmpty() && !v->fileSystem.isEmpty())
        v->serial = derivedSerial(identity);
    if (!v->serial.isEmpty()) {
        static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}$"));
        if (!re.match(v->serial).hasMatch())
            return r.fail(where, QStringLiteral("\"serial\" must look like 1A2B-3C4D"));
        v->serial = v->serial.toUpper();
    }
    if (v->guid.isEmpty())
        v->guid = derivedGuid(identity + QStringLiteral("/volume"));
    v->guid = v->guid.toLower().remove(QLatin1Char('{')).remove(QLatin1Char('}'));
    if (QUuid::fromString(v->guid).isNull())
        return r.fail(where, QStringLiteral("\"guid\" is not a GUID"));
    return true;
}

bool readPartition(Reader &r, const QJsonObject &o, const QString &where, const Disk &disk, Partition *p)
{
    qint64 number = 0;
    p->type = QStringLiteral("Primary");
    if (!r.integer(o, QStringLiteral("number"), where, &number, true, 1)
        || !r.integer(o, QStringLiteral("offset"), where, &p->offset, true)
        || !r.integer(o, QStringLiteral("size"), where, &p->size, true, 1)
        || !r.choice(o, QStringLiteral("type"), where, kTypes, &p->type)
        || !r.boolean(o, QStringLiteral("active"), where, &p->active)
        || !r.text(o, QStringLiteral("guid"), where, &p->guid))
        return false;
    if (number > 1000000)
        return r.fail(where, QStringLiteral("\"number\" is out of range"));
    p->number = int(number);
    if (p->offset + p->size > disk.size)
        return r.fail(where, QStringLiteral("the partition ends beyond the end of the disk"));
    const QString identity = QStringLiteral("disk%1/partition%2").arg(disk.number).arg(p->number);
    if (p->guid.isEmpty())
        p->guid = derivedGuid(identity);
    p->guid = p->guid.toLower().remove(QLatin1Char('{')).remove(QLatin1Char('}'));
    if (QUuid::fromString(p->guid).isNull())
        return r.fail(where, QStringLiteral("\"guid\" is not a GUID"));
    const QJsonValue vol = o.value(QStringLiteral("volume"));
    if (vol.isObject()) {
        Volume v;
        if (!readVolume(r, vol.toObject(), where + QStringLiteral(".volume"), identity, &v))
            return false;
        p->volume = v;
    } else if (!vol.isUndefined() && !vol.isNull()) {
        return r.fail(where, QStringLiteral("\"volume\" must be an object"));
    }
    return true;
}

// What the disk could not hold: partitions off whole sectors, outside the usable range of a GPT
// disk or on an MBR disk's boot sector, overlapping each other, logical drives outside the
// extended partition.
bool checkLayout(Reader &r, const QString &where, const Disk &d)
{
    const qint64 sector = d.logicalSectorSize;
    const bool gpt = geometry::isGpt(d);
    const geometry::Extent usable = geometry::usableRangeIgnoringMbrLimit(d);
    auto isLogical = [](const Partition &p) { return p.type == QLatin1String("Logical"); };
    for (const Partition &p : d.partitions) {
        const QString name = QStringLiteral("partition %1").arg(p.number);
        if (p.offset % sector != 0 || p.size % sector != 0)
            return r.fail(where, QStringLiteral("%1: offset and size must be whole %2-byte sectors").arg(name).arg(sector));
        if (p.offset < usable.offset)
            return r.fail(where, gpt ? QStringLiteral("%1 starts before the first usable sector of the GPT disk").arg(name)
                                     : QStringLiteral("%1 starts on the MBR disk's boot sector").arg(name));
        if (gpt && p.offset + p.size > usable.end())
            return r.fail(where, QStringLiteral("%1 ends after the last usable sector of the GPT disk").arg(name));
        if (gpt && (isLogical(p) || p.type == QLatin1String("Extended")))
            return r.fail(where, QStringLiteral("%1: a GPT disk has no extended or logical partitions").arg(name));
        if (isLogical(p)) {
            const bool inside = std::any_of(d.partitions.cbegin(), d.partitions.cend(), [&p](const Partition &e) {
                return e.type == QLatin1String("Extended") && p.offset > e.offset && p.offset + p.size <= e.offset + e.size;
            });
            if (!inside)
                return r.fail(where, QStringLiteral("%1 is logical but not inside an extended partition").arg(name));
        }
        for (const Partition &q : d.partitions) {
            // Logical drives meet only each other; their extended partition holds them.
            if (&q == &p || isLogical(q) != isLogical(p))
                continue;
            if (p.offset < q.offset + q.size && q.offset < p.offset + p.size)
                return r.fail(where, QStringLiteral("partitions %1 and %2 overlap").arg(std::min(p.number, q.number))
                                         .arg(std::max(p.number, q.number)));
        }
    }
    return true;
}

bool readDisk(Reader &r, const QJsonObject &o, const QString &where, Disk *d)
{
    qint64 number = 0, sector = 512;
    if (!r.integer(o, QStringLiteral("number"), where, &number, true)
        || !r.integer(o, QStringLiteral("size"), where, &d->size, true, 1)
        || !r.text(o, QStringLiteral("friendlyName"), where, &d->friendlyName)
        || !r.choice(o, QStringLiteral("partitionStyle"), where, kStyles, &d->partitionStyle)
        || !r.choice(o, QStringLiteral("operationalStatus"), where, kStatuses, &d->operationalStatus)
        || !r.boolean(o, QStringLiteral("readOnly"), where, &d->readOnly)
        || !r.boolean(o, QStringLiteral("removable"), where, &d->removable)
        || !r.integer(o, QStringLiteral("logicalSectorSize"), where, &sector, false, 1))
        return false;
    qint64 signature = 0;
    if (!r.integer(o, QStringLiteral("signature"), where, &signature, false))
        return false;
    if (signature > 0xFFFFFFFFLL)
        return r.fail(where, QStringLiteral("\"signature\" must fit in 32 bits"));
    d->signature = quint32(signature);
    if (number > 1000000)
        return r.fail(where, QStringLiteral("\"number\" is out of range"));
    if (sector != 512 && sector != 4096)
        return r.fail(where, QStringLiteral("\"logicalSectorSize\" must be 512 or 4096"));
    d->number = int(number);
    d->logicalSectorSize = int(sector);
    if (d->friendlyName.isEmpty())
        d->friendlyName = QStringLiteral("Simulated Disk %1").arg(d->number);
    const QJsonValue parts = o.value(QStringLiteral("partitions"));
    if (!parts.isUndefined() && !parts.isNull() && !parts.isArray())
        return r.fail(where, QStringLiteral("\"partitions\" must be an array"));
    const QJsonArray arr = parts.toArray();
    if (!arr.isEmpty() && d->partitionStyle == QLatin1String("RAW"))
        return r.fail(where, QStringLiteral("a RAW disk has no partitions"));
    QSet<int> numbers;
    for (int i = 0; i < arr.size(); ++i) {
        const QString pw = where + QStringLiteral(".partitions[%1]").arg(i);
        if (!arr[i].isObject())
            return r.fail(pw, QStringLiteral("must be an object"));
        Partition p;
        if (!readPartition(r, arr[i].toObject(), pw, *d, &p))
            return false;
        if (numbers.contains(p.number))
            return r.fail(pw, QStringLiteral("partition number %1 is used twice").arg(p.number));
        numbers.insert(p.number);
        d->partitions.append(p);
    }
    geometry::sortPartitions(*d);
    return checkLayout(r, where, *d);
}

QJsonObject volumeToJson(const Volume &v)
{
    QJsonObject o;
    o.insert(QStringLiteral("fileSystem"), v.fileSystem);
    o.insert(QStringLiteral("label"), v.label);
    o.insert(QStringLiteral("letter"), v.letter);
    o.insert(QStringLiteral("serial"), v.serial);
    o.insert(QStringLiteral("usedBytes"), bytesValue(v.usedBytes));
    o.insert(QStringLiteral("clusterSize"), bytesValue(v.clusterSize));
    o.insert(QStringLiteral("guid"), v.guid);
    return o;
}

} // namespace

int scaledMs(double nominalMs, double timeScale)
{
    if (nominalMs <= 0)
        return int(nominalMs);
    const double real = std::round(nominalMs * timeScale);
    if (real >= double(INT_MAX))
        return INT_MAX;
    return std::max(1, int(real));
}

int writeTimeMs(const Machine &machine, qint64 bytes)
{
    if (machine.writeBytesPerSecond <= 0 || bytes <= 0)
        return 0;
    return scaledMs(double(bytes) / machine.writeBytesPerSecond * 1000.0, machine.timeScale);
}

QJsonObject toJson(const Machine &m)
{
    QJsonObject root;
    root.insert(QStringLiteral("windowsVersion"), m.windowsVersion);
    root.insert(QStringLiteral("administrator"), m.administrator);
    root.insert(QStringLiteral("displayLanguage"), m.displayLanguage);
    root.insert(QStringLiteral("timeScale"), m.timeScale);
    root.insert(QStringLiteral("queryLatencyMs"), m.queryLatencyMs);
    root.insert(QStringLiteral("connectLatencyMs"), m.connectLatencyMs);
    root.insert(QStringLiteral("methodLatencyMs"), m.methodLatencyMs);
    root.insert(QStringLiteral("writeBytesPerSecond"), m.writeBytesPerSecond);
    root.insert(QStringLiteral("partitionTypeProperty"), m.partitionTypeProperty);
    QJsonArray disks;
    for (const Disk &d : m.disks) {
        QJsonObject o;
        o.insert(QStringLiteral("number"), d.number);
        o.insert(QStringLiteral("friendlyName"), d.friendlyName);
        o.insert(QStringLiteral("size"), bytesValue(d.size));
        o.insert(QStringLiteral("partitionStyle"), d.partitionStyle);
        o.insert(QStringLiteral("operationalStatus"), d.operationalStatus);
        o.insert(QStringLiteral("readOnly"), d.readOnly);
        o.insert(QStringLiteral("removable"), d.removable);
        o.insert(QStringLiteral("logicalSectorSize"), d.logicalSectorSize);
        if (d.signature != 0)
            o.insert(QStringLiteral("signature"), qint64(d.signature));
        QJsonArray parts;
        for (const Partition &p : d.partitions) {
            QJsonObject po;
            po.insert(QStringLiteral("number"), p.number);
            po.insert(QStringLiteral("offset"), bytesValue(p.offset));
            po.insert(QStringLiteral("size"), bytesValue(p.size));
            po.insert(QStringLiteral("type"), p.type);
            if (p.active)
                po.insert(QStringLiteral("active"), true);
            po.insert(QStringLiteral("guid"), p.guid);
            if (p.volume)
                po.insert(QStringLiteral("volume"), volumeToJson(*p.volume));
            parts.append(po);
        }
        o.insert(QStringLiteral("partitions"), parts);
        disks.append(o);
    }
    root.insert(QStringLiteral("disks"), disks);
    QJsonArray others;
    for (const OtherDrive &od : m.otherDrives) {
        QJsonObject o;
        o.insert(QStringLiteral("letter"), od.letter);
        o.insert(QStringLiteral("driveType"), od.driveType);
        if (!od.fileSystem.isEmpty())
            o.insert(QStringLiteral("fileSystem"), od.fileSystem);
        if (!od.label.isEmpty())
            o.insert(QStringLiteral("label"), od.label);
        if (od.totalBytes > 0)
            o.insert(QStringLiteral("totalBytes"), bytesValue(od.totalBytes));
        if (od.freeBytes > 0)
            o.insert(QStringLiteral("freeBytes"), bytesValue(od.freeBytes));
        others.append(o);
    }
    root.insert(QStringLiteral("otherDrives"), others);
    root.insert(QStringLiteral("faults"), m.faults);
    return root;
}

bool fromJson(const QJsonObject &json, Machine *machine, QString *error)
{
    Reader r;
    Machine m = emptyMachine();
    m.disks.clear();
    auto done = [&](bool ok) {
        if (!ok && error)
            *error = r.error;
        if (ok && machine)
            *machine = m;
        return ok;
    };
    const QString top = QStringLiteral("machine");
    if (!r.text(json, QStringLiteral("windowsVersion"), top, &m.windowsVersion)
        || !r.boolean(json, QStringLiteral("administrator"), top, &m.administrator)
        || !r.text(json, QStringLiteral("displayLanguage"), top, &m.displayLanguage)
        || !r.boolean(json, QStringLiteral("partitionTypeProperty"), top, &m.partitionTypeProperty))
        return done(false);
    static const QRegularExpression versionRe(QStringLiteral("^\\d+\\.\\d+$"));
    if (!versionRe.match(m.windowsVersion).hasMatch())
        return done(r.fail(top, QStringLiteral("\"windowsVersion\" must look like 10.0")));
    const std::pair<const char *, double *> times[] = {{"timeScale", &m.timeScale},
                                                       {"queryLatencyMs", &m.queryLatencyMs},
                                                       {"connectLatencyMs", &m.connectLatencyMs},
                                                       {"methodLatencyMs", &m.methodLatencyMs},
                                                       {"writeBytesPerSecond", &m.writeBytesPerSecond}};
    for (const auto &[key, out] : times) {
        const QJsonValue value = json.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull())
            continue;
        if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0)
            return done(r.fail(top, QStringLiteral("\"%1\" must be a number of at least 0").arg(QLatin1String(key))));
        *out = value.toDouble();
    }

    const QJsonValue disks = json.value(QStringLiteral("disks"));
    if (!disks.isUndefined() && !disks.isArray())
        return done(r.fail(top, QStringLiteral("\"disks\" must be an array")));
    QSet<int> diskNumbers;
    QSet<QString> letters;
    const QJsonArray diskArray = disks.toArray();
    for (int i = 0; i < diskArray.size(); ++i) {
        const QString where = QStringLiteral("disks[%1]").arg(i);
        if (!diskArray[i].isObject())
            return done(r.fail(where, QStringLiteral("must be an object")));
        Disk d;
        if (!readDisk(r, diskArray[i].toObject(), where, &d))
            return done(false);
        if (diskNumbers.contains(d.number))
            return done(r.fail(where, QStringLiteral("disk number %1 is used twice").arg(d.number)));
        diskNumbers.insert(d.number);
        for (const Partition &p : d.partitions) {
            if (!p.volume || p.volume->letter.isEmpty())
                continue;
            if (letters.contains(p.volume->letter))
                return done(r.fail(where, QStringLiteral("drive letter %1 is used twice").arg(p.volume->letter)));
            letters.insert(p.volume->letter);
        }
        m.disks.append(d);
    }

    const QJsonValue others = json.value(QStringLiteral("otherDrives"));
    if (!others.isUndefined() && !others.isArray())
        return done(r.fail(top, QStringLiteral("\"otherDrives\" must be an array")));
    const QJsonArray otherArray = others.toArray();
    for (int i = 0; i < otherArray.size(); ++i) {
        const QString where = QStringLiteral("otherDrives[%1]").arg(i);
        if (!otherArray[i].isObject())
            return done(r.fail(where, QStringLiteral("must be an object")));
        const QJsonObject o = otherArray[i].toObject();
        OtherDrive od;
        qint64 type = od.driveType;
        if (!r.letter(o, QStringLiteral("letter"), where, &od.letter)
            || !r.integer(o, QStringLiteral("driveType"), where, &type, false)
            || !r.text(o, QStringLiteral("fileSystem"), where, &od.fileSystem)
            || !r.text(o, QStringLiteral("label"), where, &od.label)
            || !r.integer(o, QStringLiteral("totalBytes"), where, &od.totalBytes, false)
            || !r.integer(o, QStringLiteral("freeBytes"), where, &od.freeBytes, false))
            return done(false);
        if (od.letter.isEmpty())
            return done(r.fail(where, QStringLiteral("\"letter\" is missing")));
        if (type > 6)
            return done(r.fail(where, QStringLiteral("\"driveType\" must be 0 to 6")));
        od.driveType = int(type);
        if (letters.contains(od.letter))
            return done(r.fail(where, QStringLiteral("drive letter %1 is used twice").arg(od.letter)));
        letters.insert(od.letter);
        m.otherDrives.append(od);
    }

    const QJsonValue faults = json.value(QStringLiteral("faults"));
    if (!faults.isUndefined() && !faults.isNull() && !faults.isArray())
        return done(r.fail(top, QStringLiteral("\"faults\" must be an array")));
    const QJsonArray faultArray = faults.toArray();
    for (int i = 0; i < faultArray.size(); ++i) {
        const QString where = QStringLiteral("faults[%1]").arg(i);
        const QJsonObject f = faultArray[i].toObject();
        if (!faultArray[i].isObject() || !f.value(QStringLiteral("target")).isString())
            return done(r.fail(where, QStringLiteral("must be an object with a \"target\" text")));
        qint64 times = 1;
        if (!r.integer(f, QStringLiteral("times"), where, &times, false, 1))
            return done(false);
        if (f.contains(QStringLiteral("match")) && !f.value(QStringLiteral("match")).isString())
            return done(r.fail(where, QStringLiteral("\"match\" must be text")));
    }
    m.faults = faultArray;
    return done(true);
}

std::optional<qint32> faultCode(const Fault &fault, const QString &key)
{
    const QJsonValue v = fault.value(key);
    qint64 value = 0;
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::floor(d) != d || d < -2147483648.0 || d > 4294967295.0)
            return std::nullopt;
        value = qint64(d);
    } else if (v.isString()) {
        QString t = v.toString().trimmed();
        bool ok = false;
        if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value = qint64(t.mid(2).toULongLong(&ok, 16));
        else
            value = t.toLongLong(&ok, 10);
        if (!ok || value < -2147483648LL || value > 4294967295LL)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return qint32(quint32(value & 0xFFFFFFFF));
}

// ---------------------------------------------------------------------------------------------
// Built-in machines

namespace {

Partition makePartition(int disk, int number, qint64 offset, qint64 size, const QString &type)
{
    Partition p;
    p.number = number;
    p.offset = offset;
    p.size = size;
    p.type = type;
    p.guid = derivedGuid(QStringLiteral("demo/disk%1/partition%2").arg(disk).arg(number));
    return p;
}

Volume makeVolume(const QString &fs, const QString &label, const QString &letter, const QString &serial,
                  qint64 used, qint64 cluster, const QString &identity)
{
    Volume v;
    v.fileSystem = fs;
    v.label = label;
    v.letter = letter;
    v.serial = serial;
    v.usedBytes = used;
    v.clusterSize = cluster;
    v.guid = derivedGuid(QStringLiteral("demo/") + identity + QStringLiteral("/volume"));
    return v;
}

} // namespace

Machine emptyMachine()
{
    return Machine();
}

Machine demoMachine()
{
    Machine m;

    Disk sys;
    sys.number = 0;
    sys.friendlyName = QStringLiteral("Tessaline Virtual NVMe 512GB");
    sys.size = 512110190592LL;
    sys.partitionStyle = QStringLiteral("GPT");
    qint64 at = kMiB;
    Partition efi = makePartition(0, 1, at, 100 * kMiB, QStringLiteral("System"));
    efi.volume = makeVolume(QStringLiteral("FAT32"), QString(), QString(), QStringLiteral("5E1F-08A2"), 31 * kMiB,
                            4 * kKiB, QStringLiteral("disk0/partition1"));
    at += efi.size;
    Partition msr = makePartition(0, 2, at, 16 * kMiB, QStringLiteral("MSR"));
    at += msr.size;
    Partition c = makePartition(0, 3, at, 200 * kGiB, QStringLiteral("Primary"));
    c.volume = makeVolume(QStringLiteral("NTFS"), QStringLiteral("Windows"), QStringLiteral("C"),
                          QStringLiteral("9C3E-41B7"), 68 * kGiB, 4 * kKiB, QStringLiteral("disk0/partition3"));
    at += c.size;
    Partition d = makePartition(0, 4, at, 220 * kGiB, QStringLiteral("Primary"));
    d.volume = makeVolume(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("D"),
                          QStringLiteral("2A6D-F410"), 95 * kGiB, 4 * kKiB, QStringLiteral("disk0/partition4"));
    at += d.size;
    Partition rec = makePartition(0, 5, at, 750 * kMiB, QStringLiteral("Recovery"));
    rec.volume = makeVolume(QStringLiteral("NTFS"), QString(), QString(), QStringLiteral("B07C-6E19"), 520 * kMiB,
                            4 * kKiB, QStringLiteral("disk0/partition5"));
    sys.partitions = {efi, msr, c, d, rec}; // about 56 GiB stay free at the end

    Disk data;
    data.number = 1;
    data.friendlyName = QStringLiteral("Tessaline Virtual SATA 1TB");
    data.size = 1000204886016LL;
    data.partitionStyle = QStringLiteral("MBR");
    data.signature = 0xC3A5F00Du; // above 2^31: arrives as a negative VT_I4
    Partition e = makePartition(1, 1, kMiB, 400 * kGiB, QStringLiteral("Primary"));
    e.volume = makeVolume(QStringLiteral("NTFS"), QStringLiteral("Backup"), QStringLiteral("E"),
                          QStringLiteral("7F21-C3D8"), 150 * kGiB, 4 * kKiB, QStringLiteral("disk1/partition1"));
    Partition f = makePartition(1, 2, e.offset + e.size + 60 * kMiB, 16 * kGiB, QStringLiteral("Primary"));
    f.volume = makeVolume(QStringLiteral("FAT32"), QStringLiteral("Media"), QStringLiteral("F"),
                          QStringLiteral("4B90-1D6E"), 5 * kGiB, 16 * kKiB, QStringLiteral("disk1/partition2"));
    data.partitions = {e, f}; // about 515 GiB stay free after F:

    Disk usb;
    usb.number = 2;
    usb.friendlyName = QStringLiteral("Tessaline USB Flash 32GB");
    usb.size = 32017047552LL;
    usb.partitionStyle = QStringLiteral("MBR");
    usb.removable = true;
    Partition g = makePartition(2, 1, kMiB, geometry::alignDown(usb.size) - kMiB, QStringLiteral("Primary"));
    g.volume = makeVolume(QStringLiteral("FAT32"), QStringLiteral("USB"), QStringLiteral("G"),
                          QStringLiteral("D2C8-7A35"), 3 * kGiB, 16 * kKiB, QStringLiteral("disk2/partition1"));
    usb.partitions = {g};

    Disk fresh; // a new disk, not initialised yet
    fresh.number = 3;
    fresh.friendlyName = QStringLiteral("Tessaline Virtual SATA 256GB");
    fresh.size = 256060514304LL;
    fresh.partitionStyle = QStringLiteral("RAW");

    m.disks = {sys, data, usb, fresh};

    OtherDrive dvd;
    dvd.letter = QStringLiteral("H");
    dvd.driveType = 5;
    m.otherDrives = {dvd};
    return m;
}

// ---------------------------------------------------------------------------------------------
// Store

namespace {

std::atomic<quint64> g_parses{0};
std::atomic<quint64> g_exclusiveLocks{0};

// "<path>.lock", shared for readers, exclusive for writers; threads of one process exclude
// each other as processes do.
class FileLock
{
public:
    FileLock(const QString &path, bool exclusive)
        : m_lock((path + QStringLiteral(".lock")).toStdString(), exclusive)
    {
        if (exclusive && m_lock.held())
            ++g_exclusiveLocks;
    }
    bool held() const { return m_lock.held(); }

private:
    platform::FileLock m_lock;
};

bool ensureDirectory(const QString &path, QString *error)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (QDir().mkpath(dir))
        return true;
    if (error)
        *error = QStringLiteral("cannot create the folder %1").arg(dir);
    return false;
}

QString readError(const QString &path, std::uint32_t err)
{
    return QStringLiteral("cannot read %1: %2").arg(path, QString::fromStdString(platform::describeFileError(err)));
}

bool parseMachine(const QString &path, const QByteArray &bytes, Machine *machine, QString *error)
{
    ++g_parses;
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error)
            *error = QStringLiteral("%1 is not a JSON object: %2 at offset %3")
                         .arg(path, pe.error != QJsonParseError::NoError ? pe.errorString()
                                                                          : QStringLiteral("not an object"))
                         .arg(pe.offset);
        return false;
    }
    QString why;
    if (!fromJson(doc.object(), machine, &why)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    return true;
}

// The last machine parsed from each file, so that a query does not re-parse an unchanged file.
// A file counts as unchanged when its stamp (device, file index, size, modification and change
// times) matches. That alone misses an in-place rewrite of the same size within one timestamp
// tick, so an entry is only trusted on its stamp once its change time lies well before a moment
// at which its bytes were confirmed: any later write stamps a change time after that moment.
// Until then every read compares the bytes, which costs a read and a memcmp, not a parse.
struct CachedMachine
{
    platform::FileStamp stamp;
    QByteArray bytes;
    Machine machine;
    bool settled = false;
};

// Timestamps on some file systems are as coarse as two seconds; a margin above that.
constexpr qint64 kTimestampMarginNs = qint64(3) * 1000 * 1000 * 1000;
constexpr int kCachedFiles = 8;

QMutex g_cacheMutex;
std::map<QString, CachedMachine> g_cache;

bool readUnlocked(const QString &path, Machine *machine, QString *error)
{
    // Taken before the stamp: a write after it stamps a later change time.
    const qint64 startedNs = platform::fileClockNowNs();
    std::uint32_t err = 0;
    const std::unique_ptr<platform::ReadOnlyFile> file = platform::ReadOnlyFile::open(path.toStdString(), err);
    if (!file) {
        if (error)
            *error = readError(path, err);
        return false;
    }
    const platform::FileStamp &stamp = file->stamp();
    const bool oldEnough = stamp.changedNs < startedNs - kTimestampMarginNs;

    std::optional<CachedMachine> cached;
    {
        QMutexLocker locker(&g_cacheMutex);
        const auto it = g_cache.find(path);
        if (it != g_cache.end() && it->second.stamp == stamp) {
            if (it->second.settled) {
                *machine = it->second.machine;
                return true;
            }
            cached = it->second;
        }
    }

    std::string read;
    if (!file->readAll(read, err)) {
        if (error)
            *error = readError(path, err);
        return false;
    }
    const QByteArray bytes = QByteArray::fromStdString(read);

    CachedMachine entry;
    if (cached && cached->bytes == bytes) {
        entry = std::move(*cached);
    } else {
        if (!parseMachine(path, bytes, &entry.machine, error))
            return false;
        entry.stamp = stamp;
        entry.bytes = bytes;
    }
    entry.settled = oldEnough && qint64(bytes.size()) == stamp.size;
    *machine = entry.machine;

    QMutexLocker locker(&g_cacheMutex);
    if (g_cache.size() >= kCachedFiles && g_cache.find(path) == g_cache.end())
        g_cache.clear();
    g_cache[path] = std::move(entry);
    return true;
}

bool writeUnlocked(const QString &path, const Machine &machine, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    file.write(QJsonDocument(toJson(machine)).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

// Called with the exclusive lock held.
bool createIfMissing(const QString &path, QString *error)
{
    if (QFileInfo::exists(path))
        return true;
    qDebug() << "Creating the simulated machine from the demo machine at" << path;
    return writeUnlocked(path, demoMachine(), error);
}

bool lockFailed(const QString &path, QString *error)
{
    if (error)
        *error = QStringLiteral("cannot lock %1.lock").arg(path);
    return false;
}

bool matchesFault(const QJsonObject &f, const QString &target, const QString &subject)
{
    if (f.value(QStringLiteral("target")).toString().compare(target, Qt::CaseInsensitive) != 0)
        return false;
    const QString match = f.value(QStringLiteral("match")).toString();
    return match.isEmpty() || subject.contains(match, Qt::CaseInsensitive);
}

} // namespace

QString MachineStore::defaultPath()
{
    const QString env = qEnvironmentVariable("TESSALINE_SIM_MACHINE");
    if (!env.isEmpty())
        return env;
    // The same file for the app and every stand-in, whatever the program is called.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/tessaline/simulated-machine.json");
}

MachineStore::MachineStore(const QString &path) : m_path(path) {}

bool MachineStore::read(Machine *machine, QString *error) const
{
    if (!QFileInfo::exists(m_path)) {
        if (!ensureDirectory(m_path, error))
            return false;
        FileLock lock(m_path, true);
        if (!lock.held())
            return lockFailed(m_path, error);
        if (!createIfMissing(m_path, error))
            return false;
    }
    FileLock lock(m_path, false);
    if (!lock.held())
        return lockFailed(m_path, error);
    return readUnlocked(m_path, machine, error);
}

std::optional<platform::FileStamp> MachineStore::stamp() const
{
    FileLock lock(m_path, false);
    std::uint32_t error = 0;
    const std::unique_ptr<platform::ReadOnlyFile> file =
        lock.held() ? platform::ReadOnlyFile::open(m_path.toStdString(), error) : nullptr;
    return file ? std::optional<platform::FileStamp>(file->stamp()) : std::nullopt;
}

bool MachineStore::modify(const std::function<bool(Machine &)> &change, QString *error)
{
    if (!ensureDirectory(m_path, error))
        return false;
    FileLock lock(m_path, true);
    if (!lock.held())
        return lockFailed(m_path, error);
    if (!createIfMissing(m_path, error))
        return false;
    Machine machine;
    if (!readUnlocked(m_path, &machine, error))
        return false;
    if (!change(machine))
        return true;
    for (Disk &d : machine.disks)
        geometry::sortPartitions(d);
    return writeUnlocked(m_path, machine, error);
}

bool MachineStore::write(const Machine &machine, QString *error)
{
    if (!ensureDirectory(m_path, error))
        return false;
    FileLock lock(m_path, true);
    if (!lock.held())
        return lockFailed(m_path, error);
    return writeUnlocked(m_path, machine, error);
}

MachineStore::Counters MachineStore::counters()
{
    return Counters{g_parses.load(), g_exclusiveLocks.load()};
}

std::optional<Fault> MachineStore::takeFault(const QString &target, const QString &subject)
{
    // Most machines hold no fault for most calls: look under the shared lock first and take
    // the exclusive one only to count a firing.
    {
        Machine current;
        QString error;
        if (!read(&current, &error)) {
            qWarning() << "Simulated machine: cannot check faults:" << error;
            return std::nullopt;
        }
        if (std::none_of(current.faults.cbegin(), current.faults.cend(), [&](const QJsonValue &f) {
                return matchesFault(f.toObject(), target, subject);
            }))
            return std::nullopt;
    }
    std::optional<Fault> taken;
    QString error;
    const bool ok = modify(
        [&](Machine &m) {
            for (int i = 0; i < m.faults.size(); ++i) {
                const QJsonObject f = m.faults.at(i).toObject();
                if (!matchesFault(f, target, subject))
                    continue;
                taken = f;
                if (!f.contains(QStringLiteral("times")))
                    return false; // fires every time: nothing to write
                const QJsonValue t = f.value(QStringLiteral("times"));
                const qint64 left = (t.isString() ? t.toString().toLongLong() : t.toInteger()) - 1;
                if (left <= 0) {
                    m.faults.removeAt(i);
                } else {
                    QJsonObject changed = f;
                    changed.insert(QStringLiteral("times"), left);
                    m.faults.replace(i, changed);
                }
                return true;
            }
            return false;
        },
        &error);
    if (!ok)
        qWarning() << "Simulated machine: cannot check faults:" << error;
    return taken;
}

} // namespace sim
