#pragma once

// Runs the stand-in executables from $TESSALINE_BIN_DIR the way the app does, and takes
// fingerprints of a machine to prove what a run left alone.

#include "simulator/diskpart_tooling.h"
#include "support/testmachine.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

struct ToolRun
{
    bool finished = false;
    bool crashed = false;
    int exitCode = -1;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

inline QString toolPath(const QString &name) { return qEnvironmentVariable("TESSALINE_BIN_DIR") + QLatin1Char('/') + name; }

// `input` is written to the tool's standard input, which is then closed.
inline ToolRun runTool(const QString &name, const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(toolPath(name), args);
    ToolRun r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    r.finished = p.waitForFinished(30000); // a hung tool is killed with `p`
    r.elapsedMs = clock.elapsed();
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    // The tools write in the code page of the machine's language.
    sim::Machine m;
    const unsigned codePage = sim::standin::consoleCodePage(sim::MachineStore().read(&m) ? m.displayLanguage : QString());
    const QByteArray codec = "CP" + QByteArray::number(codePage);
    QStringDecoder out(codec.constData()), err(codec.constData());
    r.out = out(p.readAllStandardOutput());
    r.err = err(p.readAllStandardError());
    return r;
}

// Writes the script with the given line end, as the app's jobs do, and runs diskpart /s on it.
inline ToolRun runDiskpart(const QString &script, const QString &eol = QStringLiteral("\r\n"))
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("script.txt")));
    if (!f.open(QIODevice::WriteOnly))
        return ToolRun();
    f.write(QString(script).replace(QLatin1Char('\n'), eol).toUtf8());
    f.close();
    return runTool(QStringLiteral("diskpart"), {QStringLiteral("/s"), f.fileName()});
}

// Layout and volume of every partition but the one at disk:number: what a run must leave alone.
inline QStringList fingerprint(const sim::Machine &m, int disk = -1, int number = -1)
{
    QStringList out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions)
            if (d.number != disk || p.number != number)
                out << QStringLiteral("%1:%2 %3+%4 %5 %6 ").arg(d.number).arg(p.number).arg(p.offset).arg(p.size).arg(p.type).arg(p.active)
                           + (p.volume ? QStringLiteral("%1|%2|%3|%4|%5|%6").arg(p.volume->fileSystem, p.volume->label, p.volume->letter, p.volume->serial)
                                             .arg(p.volume->usedBytes).arg(p.volume->clusterSize) : QString());
    return out;
}

inline const sim::Partition *findPartition(const sim::Machine &m, int disk, int number)
{
    const sim::Disk *d = m.disk(disk);
    for (int i = 0; d && i < d->partitions.size(); ++i)
        if (d->partitions[i].number == number)
            return &d->partitions[i];
    return nullptr;
}
