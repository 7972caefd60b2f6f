#pragma once

// Runs the stand-in executables from $TESSALINE_STANDIN_DIR the way the app does.

#include "platform/platform.h"
#include "simulator/diskpart_tooling.h"
#include "support/testmachine.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline QString toolPath(const QString &name) { return qEnvironmentVariable("TESSALINE_STANDIN_DIR") + QLatin1Char('/') + name; }

// `input` is written to the tool's standard input, which is then closed.
inline ToolRun runTool(const QString &name, const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(toolPath(name), args);
    ToolRun r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000); // a hung tool is killed with `p`
    r.exitCode = p.exitStatus() == QProcess::CrashExit ? -1 : p.exitCode();
    // The tools write in the code page of the machine's language.
    sim::Machine m;
    const unsigned codePage = sim::standin::consoleCodePage(sim::MachineStore().read(&m) ? m.displayLanguage : QString());
    // Decoded as the app does: Qt without ICU (as on Windows) knows no code pages.
    const auto decode = [&](const QByteArray &bytes) {
        return QString::fromStdWString(platform::current().decodeConsoleText(bytes.toStdString(), codePage));
    };
    r.out = decode(p.readAllStandardOutput());
    r.err = decode(p.readAllStandardError());
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
