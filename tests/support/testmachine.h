#pragma once

// A simulated machine for one test: a machine file in a temporary folder, published through
// TESSALINE_SIM_MACHINE (to children too, restored on destruction), and builders to shape it:
// tm.addDisk(1, 100 * sim::kGiB, "MBR"); tm.addPartition(1, sim::kMiB, 10 * sim::kGiB, "Primary",
// TestMachine::Vol{"NTFS", "Data", "E"}); tm.write(); ... run the code ...; tm.read().

#include "simulator/geometry.h"
#include "simulator/machine.h"

#include <QByteArray>
#include <QScopeGuard>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <optional>

// Points the temporary folder (TMPDIR; TMP and TEMP on Windows) at `path` until the guard goes.
[[nodiscard]] inline auto temporaryFolder(const QByteArray &path)
{
    const QList<QByteArray> names{"TMPDIR", "TMP", "TEMP"};
    QList<std::optional<QByteArray>> old;
    for (const QByteArray &name : names) {
        old << (qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        qputenv(name, path);
    }
    return qScopeGuard([names, old] {
        for (int i = 0; i < names.size(); ++i)
            old.at(i) ? void(qputenv(names.at(i), *old.at(i))) : void(qunsetenv(names.at(i)));
    });
}

class TestMachine
{
public:
    struct Vol
    {
        Vol(const QString &fs = QString(), const QString &lbl = QString(), const QString &ltr = QString(),
            qint64 used = 0, qint64 cluster = 4096, const QString &ser = QString())
            : fileSystem(fs), label(lbl), letter(ltr), usedBytes(used), clusterSize(cluster), serial(ser)
        {
        }
        QString fileSystem;   // "" gives a RAW volume
        QString label;
        QString letter;
        qint64 usedBytes = 0;
        qint64 clusterSize = 4096;
        QString serial;       // empty: a fresh one
    };

    enum class Start { Empty, Demo };

    explicit TestMachine(Start start = Start::Empty)
        : m_hadPrevious(qEnvironmentVariableIsSet("TESSALINE_SIM_MACHINE")),
          m_previous(qgetenv("TESSALINE_SIM_MACHINE"))
    {
        m_path = m_dir.path() + QStringLiteral("/machine.json");
        qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(m_path));
        m_machine = start == Start::Demo ? sim::demoMachine() : sim::emptyMachine();
        write();
    }

    ~TestMachine()
    {
        if (m_hadPrevious)
            qputenv("TESSALINE_SIM_MACHINE", m_previous);
        else
            qunsetenv("TESSALINE_SIM_MACHINE");
    }

    TestMachine(const TestMachine &) = delete;
    TestMachine &operator=(const TestMachine &) = delete;

    QString path() const { return m_path; }
    sim::MachineStore store() const { return sim::MachineStore(m_path); }

    // The machine being built; write() puts it on disk.
    sim::Machine &machine() { return m_machine; }

    sim::Disk &addDisk(int number, qint64 size, const QString &style = QStringLiteral("GPT"),
                       const QString &friendlyName = QString())
    {
        sim::Disk d;
        d.number = number;
        d.size = size;
        d.partitionStyle = style;
        d.friendlyName = friendlyName.isEmpty() ? QStringLiteral("Test Disk %1").arg(number) : friendlyName;
        m_machine.disks.append(d);
        return m_machine.disks.last();
    }

    sim::Disk &disk(int number)
    {
        sim::Disk *d = m_machine.disk(number);
        if (!d)
            qFatal("TestMachine: no disk %d", number);
        return *d;
    }

    // Adds a partition with the lowest unused number and returns that number.
    int addPartition(int diskNumber, qint64 offset, qint64 size, const QString &type = QStringLiteral("Primary"),
                     const std::optional<Vol> &volume = std::nullopt, int number = 0)
    {
        sim::Disk &d = disk(diskNumber);
        sim::Partition p;
        p.number = number > 0 ? number : sim::geometry::lowestUnusedNumber(d);
        p.offset = offset;
        p.size = size;
        p.type = type;
        p.guid = sim::geometry::newGuid();
        if (volume) {
            sim::Volume v;
            v.fileSystem = volume->fileSystem;
            v.label = volume->label;
            v.letter = volume->letter.toUpper();
            v.usedBytes = volume->usedBytes;
            v.clusterSize = volume->fileSystem.isEmpty() ? 0 : volume->clusterSize;
            v.serial = !volume->serial.isEmpty() ? volume->serial
                       : volume->fileSystem.isEmpty() ? QString()
                                                      : sim::geometry::newVolumeSerial();
            v.guid = sim::geometry::newGuid();
            p.volume = v;
        }
        d.partitions.append(p);
        sim::geometry::sortPartitions(d);
        return p.number;
    }

    sim::Partition &partition(int diskNumber, int partitionNumber)
    {
        for (sim::Partition &p : disk(diskNumber).partitions)
            if (p.number == partitionNumber)
                return p;
        qFatal("TestMachine: no partition %d on disk %d", partitionNumber, diskNumber);
    }

    // Disk 0 (100 GiB) with one 10 GiB NTFS partition "Data" at E:, the machine many tests need.
    void addDataDisk()
    {
        addDisk(0, 100 * sim::kGiB);
        addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", Vol("NTFS", "Data", "E"));
    }
    void addOtherDrive(const QString &letter, int driveType, const QString &fileSystem = QString(),
                       const QString &label = QString(), qint64 totalBytes = 0)
    {
        sim::OtherDrive o;
        o.letter = letter.toUpper();
        o.driveType = driveType;
        o.fileSystem = fileSystem;
        o.label = label;
        o.totalBytes = totalBytes;
        m_machine.otherDrives.append(o);
    }

    // Scales nominal sleeps and tool limits (1.0 by default): at 0.01 a 30 s limit is 300 ms.
    void setTimeScale(double scale) { m_machine.timeScale = scale * slowdown(); }
    void setAdministrator(bool admin) { m_machine.administrator = admin; }
    void setWindowsVersion(const QString &version) { m_machine.windowsVersion = version; }
    void setPartitionTypeProperty(bool on) { m_machine.partitionTypeProperty = on; }

    // A host far slower than a desktop (Wine) sets TESSALINE_TEST_SLOWDOWN: the tools' hangs the
    // tests lean on stretch by it, and so do the machine's time scale and the tests' own limits.
    static double slowdown() { return std::max(1.0, qEnvironmentVariable("TESSALINE_TEST_SLOWDOWN").toDouble()); }
    static QJsonObject slowed(QJsonObject fault)
    {
        if (fault.contains(QStringLiteral("hangMs")))
            fault.insert(QStringLiteral("hangMs"), qRound(fault.value(QStringLiteral("hangMs")).toDouble() * slowdown()));
        return fault;
    }
    void addFault(const QJsonObject &fault) { m_machine.faults.append(slowed(fault)); }
    // The fault as JSON text, e.g. R"({"target":"wmi.query","match":"MSFT_Disk","hresult":"0x80041017"})".
    void addFault(const char *json)
    {
        QJsonParseError e;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json), &e);
        if (!doc.isObject())
            qFatal("TestMachine: bad fault JSON: %s", qPrintable(e.errorString()));
        addFault(doc.object());
    }

    // Puts the machine on disk, unless the store would refuse to read it back (write such a file by hand).
    bool write()
    {
        QString error;
        sim::Machine check;
        const bool ok = sim::fromJson(sim::toJson(m_machine), &check, &error)
                        && sim::MachineStore(m_path).write(m_machine, &error);
        if (!ok)
            qWarning("TestMachine: %s", qPrintable(error));
        return ok;
    }

    // The machine as it is on disk now (also refreshes machine()).
    sim::Machine read()
    {
        QString error;
        sim::Machine m;
        if (!sim::MachineStore(m_path).read(&m, &error))
            qWarning("TestMachine: %s", qPrintable(error));
        else
            m_machine = m;
        return m;
    }

    // Layout and volume of every partition but disk:number: what a change must leave alone.
    static QStringList fingerprint(const sim::Machine &m, int disk = -1, int number = -1)
    {
        QStringList out;
        for (const sim::Disk &d : m.disks)
            for (const sim::Partition &p : d.partitions)
                if (d.number != disk || p.number != number) {
                    const sim::Volume v = p.volume.value_or(sim::Volume());
                    out << QStringLiteral("%1:%2 %3+%4 %5 %6 %7 ").arg(d.number).arg(p.number).arg(p.offset).arg(p.size)
                                   .arg(p.type).arg(p.active).arg(p.guid)
                               + QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8").arg(bool(p.volume)).arg(v.fileSystem, v.label, v.letter,
                                                                                 v.serial, v.guid).arg(v.usedBytes).arg(v.clusterSize);
                }
        return out;
    }

    static const sim::Partition *find(const sim::Machine &m, int disk, int number)
    {
        const sim::Disk *d = m.disk(disk);
        for (int i = 0; d && i < d->partitions.size(); ++i)
            if (d->partitions[i].number == number)
                return &d->partitions[i];
        return nullptr;
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_hadPrevious;
    QByteArray m_previous;
    sim::Machine m_machine;
};

// One line per partition of `disk`, the `fields` joined by spaces: "n" number, "@" offset in MiB as
// "@N" ("@MiB": "@NMiB"), "mib" size in MiB, "letter", "fs", "label", "serial", "type". A serial not
// starting with `keptPrefix` (empty: keep all) reads "new", so new volumes compare equal.
inline QStringList partitionsOf(const sim::Machine &m, int disk, const QString &fields, const QString &keptPrefix = QString())
{
    QStringList out;
    const sim::Disk *d = m.disk(disk);
    for (const sim::Partition &p : d ? d->partitions : QList<sim::Partition>()) {
        const sim::Volume v = p.volume.value_or(sim::Volume());
        QStringList line;
        for (const QString &f : fields.split(u' ')) {
            if (f == QLatin1String("n"))
                line << QString::number(p.number);
            else if (f.startsWith(u'@'))
                line << QStringLiteral("@%1%2").arg(p.offset / sim::kMiB).arg(f.mid(1));
            else if (f == QLatin1String("mib"))
                line << QString::number(p.size / sim::kMiB);
            else if (f == QLatin1String("letter"))
                line << v.letter;
            else if (f == QLatin1String("fs"))
                line << v.fileSystem;
            else if (f == QLatin1String("label"))
                line << v.label;
            else if (f == QLatin1String("type"))
                line << p.type;
            else if (f == QLatin1String("serial"))
                line << (v.serial.startsWith(keptPrefix) ? v.serial : QStringLiteral("new"));
            else
                qFatal("partitionsOf: no field %s", qPrintable(f));
        }
        out << line.join(u' ');
    }
    return out;
}
