#pragma once

// Shared by the format tests: a worker on a thread of its own with its reports collected on the
// test's thread, a tool folder whose diskpart logs every script it is given before running the
// real stand-in, and a compact picture of a machine's volumes.

#include "support/testmachine.h"

#include "worker/diskoperationworker.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

// TESSALINE_BIN_DIR pointed at a folder of its own for as long as it lives.
class ToolBin
{
public:
    enum class Fat32 { Real, Missing, Script };

    // `fat32Script`: the body of a bash script that stands in for fat32format.exe (Fat32::Script).
    explicit ToolBin(Fat32 fat32 = Fat32::Real, const QByteArray &fat32Script = QByteArray())
        : m_real(qEnvironmentVariable("TESSALINE_BIN_DIR"))
    {
        const QString dir = m_dir.path();
        writeExecutable(dir + QStringLiteral("/diskpart"),
                        "#!/bin/bash\n{ printf '=== %s\\n' \"$*\"; cat \"$2\"; printf '\\n'; } >> '" + QFile::encodeName(logPath())
                            + "'\nexec '" + QFile::encodeName(m_real) + "/diskpart' \"$@\"\n");
        QFile::link(m_real + QStringLiteral("/cmd"), dir + QStringLiteral("/cmd"));
        if (fat32 == Fat32::Real)
            QFile::link(m_real + QStringLiteral("/fat32format.exe"), dir + QStringLiteral("/fat32format.exe"));
        else if (fat32 == Fat32::Script)
            writeExecutable(dir + QStringLiteral("/fat32format.exe"), "#!/bin/bash\n" + fat32Script);
        qputenv("TESSALINE_BIN_DIR", QFile::encodeName(dir));
    }
    ~ToolBin() { qputenv("TESSALINE_BIN_DIR", QFile::encodeName(m_real)); }

    QString path() const { return m_dir.path(); }
    QString logPath() const { return m_dir.path() + QStringLiteral("/scripts.log"); }

    // Every script diskpart was given, each as its lines.
    QList<QStringList> scripts() const
    {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QList<QStringList> out;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("=== "))) {
                out.append(QStringList());
                continue;
            }
            QString l = line;
            l.remove(QLatin1Char('\r'));
            if (!out.isEmpty() && !l.isEmpty())
                out.last().append(l);
        }
        return out;
    }

    // The scripts one per text, lines joined by " / ".
    QStringList scriptTexts() const
    {
        QStringList out;
        for (const QStringList &s : scripts())
            out << s.join(QLatin1String(" / "));
        return out;
    }

    // Lines that are not one of the commands the format jobs write; empty when every script is
    // made only of those (a label that broke out of its quotes would show here).
    QStringList strayLines() const
    {
        static const QRegularExpression allowed(QStringLiteral(
            R"(^(select (disk|partition) \d+|select volume ([A-Z]|\d+)|format fs=[a-z0-9]+( quick)?( label="[^"]*")? override|)"
            R"(assign( letter=[A-Z])?|remove letter=[A-Z]|list volume|exit)$)"));
        QStringList out;
        for (const QStringList &s : scripts()) {
            for (const QString &line : s) {
                if (!allowed.match(line).hasMatch())
                    out << line;
            }
        }
        return out;
    }

private:
    static void writeExecutable(const QString &path, const QByteArray &text)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("ToolBin: cannot write %s", qPrintable(path));
        f.write(text);
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString m_real;
    QTemporaryDir m_dir;
};

// A worker moved to a thread of its own, as the dialogs keep it.
class WorkerRig
{
public:
    explicit WorkerRig(QObject *receiver)
    {
        worker = new DiskOperationWorker;
        QObject::connect(worker, &DiskOperationWorker::operationProgress, receiver, [this](int p) { progress << p; });
        QObject::connect(worker, &DiskOperationWorker::operationCompleted, receiver, [this](bool ok, const QString &message) {
            completions << qMakePair(ok, message);
        });
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
    }
    ~WorkerRig()
    {
        thread.quit();
        thread.wait();
    }

    // Runs `job` on the worker's thread while this thread keeps serving its event loop.
    bool onWorker(const std::function<void()> &job, int timeoutMs = 20000)
    {
        // Shared, so a job that outlives the wait does not write into a gone frame.
        auto done = std::make_shared<std::atomic<bool>>(false);
        QMetaObject::invokeMethod(worker, [job, done] {
            job();
            *done = true;
        }, Qt::QueuedConnection);
        const bool ok = QTest::qWaitFor([done] { return done->load(); }, timeoutMs);
        QCoreApplication::processEvents(); // the queued reports of the job
        return ok;
    }

    // The format dialog's job; true when it reported its end.
    bool format(const DiskOperationWorker::FormatOptions &options)
    {
        return onWorker([this, options] { worker->formatPartitionAsync(options); })
               && QTest::qWaitFor([this] { return !completions.isEmpty(); }, 5000);
    }

    QThread thread;
    DiskOperationWorker *worker = nullptr;
    QList<int> progress;
    QList<QPair<bool, QString>> completions;
};

inline DiskOperationWorker::FormatOptions formatOptions(const QString &path, const QString &fs, const QString &label = QString(),
                                                       int cluster = 0, bool quick = true)
{
    DiskOperationWorker::FormatOptions o;
    o.partitionPath = path;
    o.fileSystem = fs;
    o.volumeLabel = label;
    o.clusterSize = cluster;
    o.quickFormat = quick;
    return o;
}

struct VolumeState
{
    QString fileSystem;
    QString label;
    QString letter;
    qint64 clusterSize = 0;
    QString serial;

    // Everything but the serial, which a format must change.
    QString text() const { return QStringLiteral("%1|%2|%3|%4").arg(fileSystem, label, letter).arg(clusterSize); }
};

// "disk:partition" -> the volume on it.
inline QMap<QString, VolumeState> volumes(const sim::Machine &m)
{
    QMap<QString, VolumeState> out;
    for (const sim::Disk &d : m.disks) {
        for (const sim::Partition &p : d.partitions) {
            if (!p.volume)
                continue;
            out.insert(QStringLiteral("%1:%2").arg(d.number).arg(p.number),
                       VolumeState{p.volume->fileSystem, p.volume->label, p.volume->letter, p.volume->clusterSize,
                                   p.volume->serial});
        }
    }
    return out;
}

// Compares a machine with the one before a job: only `target` may differ, and if it is given it
// must read `expected` (fs|label|letter|cluster) with a new serial. Empty when all is as said.
inline QString machineDiff(const QMap<QString, VolumeState> &before, const QMap<QString, VolumeState> &after,
                           const QString &target = QString(), const QString &expected = QString())
{
    QStringList problems;
    if (before.keys() != after.keys())
        problems << QStringLiteral("volumes %1 became %2").arg(before.keys().join(u','), after.keys().join(u','));
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const VolumeState now = after.value(it.key());
        if (it.key() == target) {
            if (now.text() != expected)
                problems << QStringLiteral("%1 is %2, expected %3").arg(it.key(), now.text(), expected);
            if (now.serial == it->serial)
                problems << QStringLiteral("%1 kept its serial").arg(it.key());
        } else if (now.text() != it->text() || now.serial != it->serial) {
            problems << QStringLiteral("%1 changed from %2 to %3").arg(it.key(), it->text(), now.text());
        }
    }
    return problems.join(QLatin1String("; "));
}
