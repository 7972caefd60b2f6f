#include "simulator/diskpart.h"

#include "simulator/diskpart_filesystem.h"
#include "simulator/diskpart_tooling.h"
#include "simulator/geometry.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QThread>

namespace sim {
namespace diskpart {

struct Interpreter::Target
{
    Disk *disk = nullptr;
    Partition *partition = nullptr;
};

struct Interpreter::Command
{
    QString verb;     // canonical: "select", "list", ...
    QString object;   // canonical: "disk", "partition", "volume" (select, list, detail, delete)
    QString argument; // what select names
    QMap<QString, QString> params; // key=value, keys lower-case
    QSet<QString> flags;           // lower-case
    bool bad = false;              // arguments that do not parse
    bool noerr() const { return flags.contains(QStringLiteral("noerr")); }
};

namespace {

// Splits a line at blanks outside double quotes; quotes group and are dropped
// (label="My Data" is the one token label=My Data).
QStringList tokenize(const QString &line)
{
    QStringList out;
    QString current;
    bool quoted = false, any = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any)
                out << current;
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        out << current;
    return out;
}

// diskpart takes a keyword abbreviated down to three letters ("sel vol", "lis par").
QString keyword(const QString &token, const QStringList &words)
{
    for (const QString &w : words)
        if (token.compare(w, Qt::CaseInsensitive) == 0 || (token.size() >= 3 && w.startsWith(token, Qt::CaseInsensitive)))
            return w;
    return QString();
}

const QStringList kVerbs = {"active", "assign", "delete", "detail", "exit",   "extend",
                            "format", "list",   "remove", "rescan", "select"};
const QStringList kObjects = {"disk", "partition", "volume"};

struct Grammar
{
    QStringList objects; // empty: the command takes no object
    QStringList params;
    QStringList flags;
};

const QMap<QString, Grammar> &grammar()
{
    static const QMap<QString, Grammar> g = {
        {"select", {kObjects, {}, {"noerr"}}},
        {"list", {kObjects, {}, {"noerr"}}},
        {"detail", {{"partition"}, {}, {"noerr"}}},
        {"delete", {{"partition"}, {}, {"override", "noerr"}}},
        {"format", {{}, {"fs", "label", "unit"}, {"quick", "override", "nowait", "noerr"}}},
        {"assign", {{}, {"letter"}, {"noerr"}}},
        {"remove", {{}, {"letter"}, {"all", "dismount", "noerr"}}},
        {"extend", {{}, {"size"}, {"noerr"}}},
        {"active", {{}, {}, {"noerr"}}},
        {"rescan", {{}, {}, {"noerr"}}},
        {"exit", {{}, {}, {}}},
    };
    return g;
}

// A drive letter as written after letter= or select volume: "E", "e", "E:".
QString driveLetter(const QString &text)
{
    QString t = text.trimmed().toUpper();
    if (t.endsWith(QLatin1Char(':')))
        t.chop(1);
    if (t.size() != 1 || t[0] < QLatin1Char('A') || t[0] > QLatin1Char('Z'))
        return QString();
    return t;
}

// letter= may be left out; false when it is given but names no drive letter.
bool optionalLetter(const QMap<QString, QString> &params, QString *letter)
{
    if (!params.contains(QStringLiteral("letter")))
        return true;
    *letter = driveLetter(params.value(QStringLiteral("letter")));
    return !letter->isEmpty();
}

// unit=4096, unit=64K, unit=2M
qint64 allocationUnit(const QString &text)
{
    QString t = text.trimmed().toUpper();
    qint64 factor = 1;
    if (t.endsWith(QLatin1Char('K')))
        factor = kKiB;
    else if (t.endsWith(QLatin1Char('M')))
        factor = kMiB;
    if (factor != 1)
        t.chop(1);
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    return ok && n > 0 && n <= 64 * kMiB ? n * factor : 0;
}

bool typeIs(const Partition &p, const char *type) { return p.type.compare(QLatin1String(type), Qt::CaseInsensitive) == 0; }

bool holdsRunningSystem(const Partition &p) { return p.volume && p.volume->letter == QLatin1String("C"); }

bool isProtected(const Partition &p)
{
    return typeIs(p, "System") || typeIs(p, "EFI") || typeIs(p, "MSR") || typeIs(p, "Recovery") || typeIs(p, "OEM");
}

// Windows mounts a volume on every partition but the reserved and extended ones.
bool canHoldVolume(const Partition &p) { return p.volume || !(typeIs(p, "MSR") || typeIs(p, "Extended")); }

bool cannotExtend(const QString &fs)
{
    return fs == QLatin1String("FAT32") || fs == QLatin1String("exFAT") || fs == QLatin1String("FAT");
}

} // namespace

Interpreter::Interpreter(MachineStore &store) : m_store(store) {}

void Interpreter::say(const QString &text) { m_out << text.split(QLatin1Char('\n')); }

bool Interpreter::read(Machine *machine)
{
    QString error;
    if (m_store.read(machine, &error))
        return true;
    say(m_w("DiskPart has encountered an error: %1", "DiskPart 遇到错误: %1").arg(error));
    return false;
}

int Interpreter::change(const std::function<int(Machine &, bool &)> &body)
{
    const qsizetype mark = m_out.size();
    int code = NoError;
    QString error;
    const bool ok = m_store.modify(
        [&](Machine &m) {
            m_out.resize(mark);
            bool changed = false;
            code = body(m, changed);
            return changed;
        },
        &error);
    if (!ok) {
        m_out.resize(mark);
        say(m_w("DiskPart has encountered an error: %1", "DiskPart 遇到错误: %1").arg(error));
        return FatalException;
    }
    return code;
}

Interpreter::Target Interpreter::resolve(Machine &m) const
{
    for (Disk &d : m.disks) {
        for (Partition &p : d.partitions) {
            const bool hit = !m_volumeGuid.isEmpty() ? (p.volume && p.volume->guid == m_volumeGuid)
                                                     : (d.number == m_disk && p.number == m_partition);
            if (hit)
                return Target{&d, &p};
        }
    }
    return Target{};
}

int Interpreter::syntaxError(const Command &cmd)
{
    m_syntax = true;
    say(m_w("The arguments specified for this command are not valid.", "为此命令指定的参数无效。"));
    say(m_w("For more information on the command type: HELP %1", "有关该命令的详细信息，请键入: HELP %1")
            .arg(cmd.verb.toUpper()));
    return SyntaxOrSelection;
}

int Interpreter::vdsError(const QString &text)
{
    say(m_w("Virtual Disk Service error:", "虚拟磁盘服务错误:"));
    say(text);
    return ServiceFailed;
}

int Interpreter::noVolumeSelected()
{
    say(m_w("There is no volume selected.", "没有选择卷。"));
    say(m_w("Please select a volume and try again.", "请选择一个卷，然后再试一次。"));
    return SyntaxOrSelection;
}

int Interpreter::noPartitionSelected()
{
    say(m_w("There is no partition selected.", "没有选择分区。"));
    say(m_w("Please select a partition and try again.", "请选择一个分区，然后再试一次。"));
    return SyntaxOrSelection;
}

RunResult Interpreter::run(const QString &script)
{
    RunResult result;
    Machine machine;
    const bool readable = read(&machine);
    m_w.chinese = readable && standin::chineseWording(machine);
    QStringList banner{QString(), m_w("DiskPart version 10.0.19041.1", "DiskPart 版本 10.0.19041.1"), QString(),
                       m_w("On computer: %1", "在计算机上: %1").arg(QStringLiteral("TESSALINE-SIM"))};
    m_out = banner + m_out;
    if (!readable) {
        result.exitCode = FatalException;
        result.output = m_out.join(QLatin1Char('\n')) + QLatin1Char('\n');
        return result;
    }

    QString text = script;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    bool stopped = false;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QStringList tokens = tokenize(raw.trimmed());
        if (tokens.isEmpty() || tokens.first().compare(QLatin1String("rem"), Qt::CaseInsensitive) == 0)
            continue;
        m_out << QString();
        m_syntax = false;
        Command cmd;
        cmd.verb = keyword(tokens.first(), kVerbs);
        if (cmd.verb.isEmpty()) {
            m_syntax = true;
            say(m_w("DiskPart did not recognize the command: %1", "DiskPart 无法识别该命令: %1").arg(raw.trimmed()));
            result.exitCode = SyntaxOrSelection;
            stopped = true;
            break;
        }
        const Grammar &g = grammar()[cmd.verb];
        int next = 1;
        if (!g.objects.isEmpty()) {
            QString objectToken = tokens.value(1);
            const qsizetype eq = objectToken.indexOf(QLatin1Char('=')); // "select disk=1"
            if (eq > 0) {
                cmd.argument = objectToken.mid(eq + 1);
                objectToken.truncate(eq);
            }
            cmd.object = keyword(objectToken, g.objects);
            cmd.bad = cmd.object.isEmpty();
            next = 2;
            if (cmd.verb == QLatin1String("select") && cmd.argument.isEmpty())
                cmd.argument = tokens.value(next++);
        }
        for (int i = next; i < tokens.size(); ++i) {
            const qsizetype eq = tokens[i].indexOf(QLatin1Char('='));
            const QString key = (eq > 0 ? tokens[i].left(eq) : tokens[i]).toLower();
            if (eq > 0 && g.params.contains(key))
                cmd.params.insert(key, tokens[i].mid(eq + 1));
            else if (eq < 0 && g.flags.contains(key))
                cmd.flags.insert(key);
            else
                cmd.bad = true;
        }
        const int code = cmd.bad ? syntaxError(cmd) : execute(cmd);
        if (m_exit)
            break;
        // noerr carries a script past a failed command, but never past a syntax error.
        if (code != NoError && (m_syntax || !cmd.noerr())) {
            result.exitCode = code;
            stopped = true;
            break;
        }
    }
    if (!stopped && !m_exit)
        m_out << QString() << m_w("Leaving DiskPart...", "退出 DiskPart...");
    result.output = m_out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return result;
}

int Interpreter::execute(const Command &cmd)
{
    const QString &v = cmd.verb;
    if (v == QLatin1String("select"))
        return select(cmd);
    if (v == QLatin1String("list"))
        return list(cmd);
    if (v == QLatin1String("detail"))
        return detail(cmd);
    if (v == QLatin1String("format"))
        return format(cmd);
    if (v == QLatin1String("assign"))
        return assign(cmd);
    if (v == QLatin1String("remove"))
        return remove(cmd);
    if (v == QLatin1String("delete"))
        return deletePartition(cmd);
    if (v == QLatin1String("extend"))
        return extend(cmd);
    if (v == QLatin1String("active"))
        return active(cmd);
    if (v == QLatin1String("rescan"))
        return rescan();
    // exit
    say(m_w("Leaving DiskPart...", "退出 DiskPart..."));
    m_exit = true;
    return NoError;
}

int Interpreter::select(const Command &cmd)
{
    Machine m;
    if (cmd.object == QLatin1String("disk")) {
        bool ok = false;
        const int n = cmd.argument.toInt(&ok);
        if (!ok || n < 0)
            return syntaxError(cmd);
        if (!read(&m))
            return FatalException;
        m_partition = -1;
        m_volumeGuid.clear();
        if (!m.disk(n)) {
            m_disk = -1;
            say(m_w("The disk you specified is not valid.", "你指定的磁盘无效。"));
            say(QString());
            say(m_w("There is no disk selected.", "没有选择磁盘。"));
            return BadParameters;
        }
        m_disk = n;
        say(m_w("Disk %1 is now the selected disk.", "磁盘 %1 现在是所选磁盘。").arg(n));
        return NoError;
    }

    if (cmd.object == QLatin1String("partition")) {
        bool ok = false;
        const int n = cmd.argument.toInt(&ok);
        if (!ok || n < 1)
            return syntaxError(cmd);
        if (!read(&m))
            return FatalException;
        const Disk *d = m_disk >= 0 ? m.disk(m_disk) : nullptr;
        if (!d) {
            say(m_w("There is no disk selected.", "没有选择磁盘。"));
            say(m_w("Please select a disk and try again.", "请选择一个磁盘，然后再试一次。"));
            return SyntaxOrSelection;
        }
        m_volumeGuid.clear();
        for (const Partition &p : d->partitions) {
            if (p.number == n) {
                m_partition = n;
                if (p.volume)
                    m_volumeGuid = p.volume->guid;
                say(m_w("Partition %1 is now the selected partition.", "分区 %1 现在是所选分区。").arg(n));
                return NoError;
            }
        }
        m_partition = -1;
        say(m_w("The specified partition is not valid.\nPlease select a valid partition.",
                "指定的分区无效。请选择一个有效分区。"));
        say(QString());
        say(m_w("There is no partition selected.", "没有选择分区。"));
        return BadParameters;
    }

    // Volume: by letter, or by its number in `list volume`.
    const QString letter = driveLetter(cmd.argument);
    bool isNumber = false;
    const int number = cmd.argument.toInt(&isNumber);
    if (letter.isEmpty() && (!isNumber || number < 0))
        return syntaxError(cmd);
    if (!read(&m))
        return FatalException;
    VolumeRef found;
    if (!letter.isEmpty()) {
        Disk *d = nullptr;
        if (const Partition *p = m.partitionByLetter(letter, &d))
            found = VolumeRef{d->number, p->number};
    } else {
        found = volumeOrder(m).value(number);
    }
    const Disk *d = m.disk(found.disk);
    const Partition *hit = nullptr;
    for (int i = 0; d && i < d->partitions.size(); ++i)
        if (d->partitions[i].number == found.partition && d->partitions[i].volume)
            hit = &d->partitions[i];
    if (!hit) {
        m_volumeGuid.clear();
        m_partition = -1;
        say(m_w("The volume you selected is not valid or does not exist.", "你所选的卷无效或不存在。"));
        return BadParameters;
    }
    m_disk = found.disk;
    m_partition = found.partition;
    m_volumeGuid = hit->volume->guid;
    say(m_w("Volume %1 is the selected volume.", "卷 %1 是所选卷。").arg(volumeNumber(m, found.disk, found.partition)));
    return NoError;
}

int Interpreter::list(const Command &cmd)
{
    Machine m;
    if (!read(&m))
        return FatalException;
    const Target t = resolve(m);
    if (cmd.object == QLatin1String("disk")) {
        say(listDisks(m, m_disk, m_w));
        return NoError;
    }
    if (cmd.object == QLatin1String("volume")) {
        say(listVolumes(m, t.partition && t.partition->volume ? volumeNumber(m, t.disk->number, t.partition->number) : -1,
                        m_w));
        return NoError;
    }
    const Disk *d = m_disk >= 0 ? m.disk(m_disk) : nullptr;
    if (!d) {
        say(m_w("There is no disk selected to list partitions.", "没有选择要列出分区的磁盘。"));
        say(QString());
        say(m_w("Select a disk and try again.", "请选择一个磁盘，然后再试一次。"));
        return SyntaxOrSelection;
    }
    say(listPartitions(*d, t.disk == d ? t.partition->number : -1, m_w));
    return NoError;
}

int Interpreter::detail(const Command &)
{
    Machine m;
    if (!read(&m))
        return FatalException;
    const Target t = resolve(m);
    if (!t.partition)
        return noPartitionSelected();
    const int selectedVolume = t.partition->volume ? volumeNumber(m, t.disk->number, t.partition->number) : -1;
    say(detailPartition(m, *t.disk, *t.partition, selectedVolume, m_w));
    return NoError;
}

namespace {
// Why a disk takes no change, or "".
QString diskRefusal(const Disk &d, const Wording &w)
{
    if (d.readOnly)
        return w("The media is write protected.", "介质受写入保护。");
    if (d.operationalStatus.compare(QLatin1String("Offline"), Qt::CaseInsensitive) == 0)
        return w("The disk is offline.", "磁盘处于脱机状态。");
    return QString();
}
} // namespace

int Interpreter::format(const Command &cmd)
{
    const QString fsArg = cmd.params.value(QStringLiteral("fs"));
    const QString fs = fsArg.isEmpty() ? QStringLiteral("NTFS") : filesystem::canonicalName(fsArg);
    qint64 unit = 0;
    if (cmd.params.contains(QStringLiteral("unit")) && (unit = allocationUnit(cmd.params.value(QStringLiteral("unit")))) == 0)
        return syntaxError(cmd);
    const QString label = cmd.params.value(QStringLiteral("label"));

    // What refuses the format before anything is written; NoError when it may go on.
    qint64 cluster = 0;
    int sector = 512;
    const auto refusal = [&](const Target &t) {
        if (!t.partition || !canHoldVolume(*t.partition))
            return noVolumeSelected();
        const Partition &p = *t.partition;
        // The running system's EFI partition is its system volume: as much in use as C:.
        if (holdsRunningSystem(p) || geometry::isSystemPartition(*t.disk, p))
            return vdsError(m_w("Cannot format the system, boot or pagefile volume.", "无法格式化系统卷、启动卷或页面文件卷。"));
        if (const QString why = diskRefusal(*t.disk, m_w); !why.isEmpty())
            return vdsError(why);
        if (fs.isEmpty())
            return vdsError(m_w("The specified file system is not supported.", "不支持指定的文件系统。"));
        const qint64 limit = filesystem::formatterSizeLimit(fs);
        if (limit > 0 && p.size > limit)
            return vdsError(m_w("The volume size is too big.", "卷大小太大。"));
        sector = t.disk->logicalSectorSize > 0 ? t.disk->logicalSectorSize : 512;
        cluster = unit > 0 ? unit : filesystem::defaultClusterSize(fs, p.size, sector);
        if (!filesystem::clusterSizeValid(fs, p.size, cluster, sector))
            return vdsError(m_w("The specified cluster size is invalid.", "指定的群集大小无效。"));
        return int(NoError);
    };

    if (!cmd.flags.contains(QStringLiteral("quick"))) {
        // A full format writes every sector first; meanwhile the volume holds no file system, so
        // a format cut off there leaves it without one.
        int writeMs = 0;
        const int code = change([&](Machine &m, bool &changed) {
            const Target t = resolve(m);
            const int refused = refusal(t);
            writeMs = refused == NoError ? writeTimeMs(m, t.partition->size) : 0;
            if (writeMs > 0 && t.partition->volume) {
                t.partition->volume->fileSystem.clear();
                changed = true;
            }
            return refused;
        });
        if (code != NoError)
            return code;
        QThread::msleep(static_cast<unsigned long>(writeMs));
    }

    return change([&](Machine &m, bool &changed) {
        const Target t = resolve(m);
        if (const int refused = refusal(t); refused != NoError)
            return refused;
        filesystem::applyFormat(*t.partition, fs, cluster, label, sector);
        say(m_w("  100 percent completed", "  100 百分比已完成"));
        say(QString());
        say(m_w("DiskPart successfully formatted the volume.", "DiskPart 成功格式化该卷。"));
        changed = true;
        return int(NoError);
    });
}

int Interpreter::assign(const Command &cmd)
{
    QString wanted;
    if (!optionalLetter(cmd.params, &wanted))
        return syntaxError(cmd);

    return change([&](Machine &m, bool &changed) {
        const Target t = resolve(m);
        if (!t.partition || !canHoldVolume(*t.partition))
            return noVolumeSelected();
        Partition &p = *t.partition;
        if (holdsRunningSystem(p))
            return vdsError(m_w("The drive letter of the system or boot volume cannot be changed.",
                                "无法更改系统卷或启动卷的驱动器号。"));
        QString letter = wanted;
        if (letter.isEmpty()) {
            if (p.volume && !p.volume->letter.isEmpty())
                return vdsError(m_w("The volume already has a drive letter.", "该卷已有驱动器号。"));
            for (char c = 'C'; c <= 'Z' && letter.isEmpty(); ++c)
                if (!m.letterInUse(QString(QLatin1Char(c))))
                    letter = QString(QLatin1Char(c));
            if (letter.isEmpty())
                return vdsError(m_w("There are no more drive letters available.", "没有更多可用的驱动器号。"));
        } else if (m.letterInUse(letter)) {
            return vdsError(m_w("The specified drive letter is not free to be assigned.", "指定的驱动器号不能用于分配。"));
        }
        if (!p.volume) {
            // A partition that was never formatted still gets a (RAW) volume to hold the letter.
            Volume raw;
            raw.guid = geometry::newGuid();
            p.volume = raw;
        }
        p.volume->letter = letter;
        say(m_w("DiskPart successfully assigned the drive letter or mount point.", "DiskPart 成功地分配了驱动器号或装载点。"));
        changed = true;
        return int(NoError);
    });
}

int Interpreter::remove(const Command &cmd)
{
    QString named;
    if (!optionalLetter(cmd.params, &named))
        return syntaxError(cmd);

    return change([&](Machine &m, bool &changed) {
        const Target t = resolve(m);
        if (!t.partition || !t.partition->volume)
            return noVolumeSelected();
        Volume &v = *t.partition->volume;
        if (holdsRunningSystem(*t.partition))
            return vdsError(m_w("The drive letter of the system or boot volume cannot be removed.",
                                "无法删除系统卷或启动卷的驱动器号。"));
        if (v.letter.isEmpty())
            return vdsError(m_w("The volume has no drive letter or mount point to remove.", "该卷没有可删除的驱动器号或装载点。"));
        if (!named.isEmpty() && named != v.letter)
            return vdsError(m_w("The specified drive letter or mount point is not valid.", "指定的驱动器号或装载点无效。"));
        v.letter.clear();
        say(m_w("DiskPart successfully removed the drive letter or mount point.", "DiskPart 成功地删除了驱动器号或装载点。"));
        changed = true;
        return int(NoError);
    });
}

int Interpreter::deletePartition(const Command &cmd)
{
    const bool force = cmd.flags.contains(QStringLiteral("override"));
    return change([&](Machine &m, bool &changed) {
        const Target t = resolve(m);
        if (!t.partition)
            return noPartitionSelected();
        const Partition &p = *t.partition;
        // override lifts the protection of other special partitions, never this one's.
        if (holdsRunningSystem(p) || geometry::isSystemPartition(*t.disk, p))
            return vdsError(m_w("Cannot delete the system, boot or pagefile volume.", "无法删除系统卷、启动卷或页面文件卷。"));
        if (const QString why = diskRefusal(*t.disk, m_w); !why.isEmpty())
            return vdsError(why);
        if (isProtected(p) && !force)
            return vdsError(m_w("Cannot delete a protected partition without the force protected parameter set.",
                                "如果没有设置强制保护参数，则无法删除受保护的分区。"));
        if (typeIs(p, "Extended")) {
            for (const Partition &q : t.disk->partitions)
                if (typeIs(q, "Logical") && q.offset >= p.offset && q.offset < p.offset + p.size)
                    return vdsError(m_w("The extended partition is not empty.", "扩展分区不为空。"));
        }
        const int number = p.number;
        t.disk->partitions.removeIf([number](const Partition &q) { return q.number == number; });
        m_partition = -1;
        m_volumeGuid.clear();
        say(m_w("DiskPart successfully deleted the selected partition.", "DiskPart 成功地删除了所选分区。"));
        changed = true;
        return int(NoError);
    });
}

int Interpreter::extend(const Command &cmd)
{
    qint64 wanted = 0;
    if (cmd.params.contains(QStringLiteral("size"))) {
        bool ok = false;
        const qint64 mb = cmd.params.value(QStringLiteral("size")).toLongLong(&ok);
        if (!ok || mb <= 0 || mb > (qint64(1) << 40))
            return syntaxError(cmd);
        wanted = mb * kMiB;
    }
    return change([&](Machine &m, bool &changed) {
        const Target t = resolve(m);
        if (!t.partition || !canHoldVolume(*t.partition))
            return noVolumeSelected();
        Partition &p = *t.partition;
        if (p.volume && cannotExtend(p.volume->fileSystem))
            return vdsError(m_w("The volume cannot be extended because the file system does not support it.",
                                "无法扩展卷，因为文件系统不支持此操作。"));
        if (const QString why = diskRefusal(*t.disk, m_w); !why.isEmpty())
            return vdsError(why);
        const geometry::Extent free = geometry::freeExtentAfter(*t.disk, p);
        const qint64 grow = wanted > 0 ? wanted : free.size;
        if (grow <= 0 || grow > free.size) {
            say(m_w("There is not enough usable free space on specified disk(s) to extend the volume.",
                    "指定磁盘上没有足够的可用空间来扩展卷。"));
            return int(ServiceFailed);
        }
        p.size += grow;
        say(m_w("DiskPart successfully extended the volume.", "DiskPart 成功地扩展了卷。"));
        changed = true;
        return int(NoError);
    });
}

int Interpreter::active(const Command &)
{
    return change([&](Machine &m, bool &changed) {
        const Target t = resolve(m);
        if (!t.partition)
            return noPartitionSelected();
        if (!geometry::isMbr(*t.disk) || t.disk->removable) {
            say(m_w("The selected disk is not a fixed MBR disk.", "所选磁盘不是固定的 MBR 磁盘。"));
            say(m_w("The ACTIVE command can only be used on fixed MBR disks.", "ACTIVE 命令只能用于固定的 MBR 磁盘。"));
            return int(SyntaxOrSelection);
        }
        if (const QString why = diskRefusal(*t.disk, m_w); !why.isEmpty())
            return vdsError(why);
        const int number = t.partition->number;
        for (Partition &q : t.disk->partitions)
            q.active = q.number == number;
        say(m_w("DiskPart marked the current partition as active.", "DiskPart 将当前分区标为活动。"));
        changed = true;
        return int(NoError);
    });
}

int Interpreter::rescan()
{
    say(m_w("Please wait while DiskPart scans your configuration...", "请稍候，DiskPart 正在扫描配置..."));
    say(QString());
    say(m_w("DiskPart has finished scanning your configuration.", "DiskPart 已完成扫描你的配置。"));
    return NoError;
}

int toolMain(const QStringList &arguments)
{
    QString scriptPath;
    bool scriptGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a.compare(QLatin1String("/s"), Qt::CaseInsensitive) == 0 || a.compare(QLatin1String("-s"), Qt::CaseInsensitive) == 0) {
            scriptGiven = true;
            scriptPath = arguments.value(++i);
        } else if (a.compare(QLatin1String("/t"), Qt::CaseInsensitive) == 0) {
            ++i; // a time-out for the storage service: nothing to wait for here
        }
    }

    QString script;
    bool readable = false;
    if (!scriptPath.isEmpty()) {
        QFile file(scriptPath);
        if (file.open(QIODevice::ReadOnly)) {
            script = QString::fromUtf8(file.readAll());
            readable = true;
        }
    }

    MachineStore store;
    const standin::ToolFault fault = standin::takeToolFault(store, QStringLiteral("tool.diskpart"), script);
    const QString extra = fault.outputLines();
    if (fault.exitCode) {
        standin::writeStdout(extra);
        return *fault.exitCode;
    }

    const Wording w{standin::chineseWording(store)};
    if (!scriptGiven || !readable) {
        QString text;
        if (!scriptGiven)
            text = w("\nThis DiskPart runs scripts only.\n\nUsage: DISKPART /S <script file>\n",
                     "\n此 DiskPart 只运行脚本。\n\n用法: DISKPART /S <脚本文件>\n");
        else
            text = w("\nUnable to open the script file \"%1\".\n", "\n无法打开脚本文件“%1”。\n").arg(scriptPath)
                   + standin::systemMessage(2, w.chinese) + QLatin1Char('\n');
        standin::writeStdout(text + extra);
        return ScriptUnreadable;
    }

    Interpreter interpreter(store);
    const RunResult result = interpreter.run(script);
    standin::writeStdout(result.output + extra);
    return result.exitCode;
}

} // namespace diskpart
} // namespace sim
