#pragma once

// Runs the stand-in executables from $TESSALINE_BIN_DIR the way the app does, and takes
// fingerprints of a machine to prove what a run left alone.

#include "support/testmachine.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
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

inline QString toolPath(const QString &name)
{
    return qEnvironmentVariable("TESSALINE_BIN_DIR") + QLatin1Char('/') + name;
}

inline ToolRun finishRun(QProcess &p, const QElapsedTimer &clock, int timeoutMs)
{
    ToolRun r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(3000);
    }
    r.elapsedMs = clock.elapsed();
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// `input` is written to the tool's standard input, which is then closed.
inline ToolRun runTool(const QString &name, const QStringList &args, const QByteArray &input = QByteArray(),
                       int timeoutMs = 30000)
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(toolPath(name), args);
    if (!p.waitForStarted(10000))
        return ToolRun();
    p.write(input);
    p.closeWriteChannel();
    return finishRun(p, clock, timeoutMs);
}

// Writes the script with the given line end, as the app's jobs do, and runs diskpart /s on it.
inline ToolRun runDiskpart(const QString &script, const QString &eol = QStringLiteral("\r\n"))
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/script.txt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return ToolRun();
    f.write(QString(script).replace(QLatin1Char('\n'), eol).toUtf8());
    f.close();
    return runTool(QStringLiteral("diskpart"), {QStringLiteral("/s"), path});
}

// Volume GUID -> "fs|label|letter|serial|used|cluster" and the layout of every disk: what a
// run must leave alone unless it targets them.
inline QMap<QString, QString> volumePrints(const sim::Machine &m)
{
    QMap<QString, QString> out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions)
            if (p.volume)
                out.insert(p.volume->guid, QStringLiteral("%1|%2|%3|%4|%5|%6")
                                               .arg(p.volume->fileSystem, p.volume->label, p.volume->letter,
                                                    p.volume->serial)
                                               .arg(p.volume->usedBytes)
                                               .arg(p.volume->clusterSize));
    return out;
}

inline QStringList layoutPrint(const sim::Machine &m)
{
    QStringList out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions)
            out << QStringLiteral("%1:%2 %3+%4 %5 %6")
                       .arg(d.number)
                       .arg(p.number)
                       .arg(p.offset)
                       .arg(p.size)
                       .arg(p.type)
                       .arg(p.active);
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
