#include "simulator/cmdshell.h"

#include "simulator/diskpart_text.h"
#include "simulator/diskpart_tooling.h"

#include <QRegularExpression>

namespace sim {
namespace cmdshell {

namespace {

// Takes ">nul", "1>nul" and "2>nul" off the line; what they silence is reported back.
QString stripRedirects(QString line, bool *silenceOut, bool *silenceErr)
{
    static const QRegularExpression re(QStringLiteral("(^|\\s)([12]?)>\\s*nul(?=\\s|$)"),
                                       QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m;
    while ((m = re.match(line)).hasMatch()) {
        (m.captured(2) == QLatin1String("2") ? *silenceErr : *silenceOut) = true;
        line.remove(m.capturedStart(), m.capturedLength());
    }
    return line.trimmed();
}

CommandResult fsutil(const QStringList &args, const Machine &m, bool haveMachine, const diskpart::Wording &w)
{
    CommandResult r;
    r.exitCode = 1;
    if (!haveMachine) {
        r.out = w("Error:  %1\n", "错误:  %1\n").arg(standin::systemMessage(2, w.chinese));
        return r;
    }
    if (!m.administrator) {
        r.out = w("The FSUTIL utility requires that you have administrative privileges.\n",
                  "FSUTIL 实用工具要求你具有管理权限。\n");
        return r;
    }
    const auto is = [&args](int i, const char *word) {
        return args.value(i).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (!is(0, "volume")) {
        r.out = w("---- Commands Supported ----\n\nvolume            Volume management\n",
                  "---- 支持的命令 ----\n\nvolume            卷管理\n");
        return r;
    }
    if (!is(1, "dismount")) {
        r.out = w("---- VOLUME Commands Supported ----\n\ndismount          Dismount a volume\n",
                  "---- 支持的 VOLUME 命令 ----\n\ndismount          卸载卷\n");
        return r;
    }
    if (args.size() < 3) {
        r.out = w("Usage : fsutil volume dismount <volume pathname>\n   Eg : fsutil volume dismount C:\n",
                  "用法 : fsutil volume dismount <卷路径名>\n   例如 : fsutil volume dismount C:\n");
        return r;
    }
    static const QRegularExpression driveRe(QStringLiteral("^([A-Za-z]):\\\\?$"));
    const QRegularExpressionMatch drive = driveRe.match(args[2]);
    if (!drive.hasMatch()) {
        r.exitCode = 123;
        r.out = w("Error:  %1\n", "错误:  %1\n").arg(standin::systemMessage(123, w.chinese));
        return r;
    }
    const QString letter = drive.captured(1).toUpper();
    bool present = false;
    for (const Disk &d : m.disks)
        for (const Partition &p : d.partitions)
            present = present || (p.volume && p.volume->letter == letter);
    for (const OtherDrive &o : m.otherDrives)
        present = present || (o.letter == letter && o.driveType != 4); // a network share is no local volume
    if (!present) {
        r.exitCode = 2;
        r.out = w("Error:  %1\n", "错误:  %1\n").arg(standin::systemMessage(2, w.chinese));
        return r;
    }
    // Windows mounts a dismounted volume again on its next use, so the machine stays as it is.
    r.exitCode = 0;
    return r;
}

CommandResult runOne(MachineStore &store, QString line)
{
    bool silenceOut = false, silenceErr = false;
    line = stripRedirects(line, &silenceOut, &silenceErr);

    Machine m;
    const bool haveMachine = store.read(&m);
    const diskpart::Wording w{haveMachine && standin::chineseWording(m)};

    CommandResult r;
    const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (!words.isEmpty()) {
        QString program = words.first().toLower();
        if (program.endsWith(QLatin1String(".exe")))
            program.chop(4);
        if (program == QLatin1String("echo")) {
            const QString text = line.mid(words.first().size()).trimmed();
            if (text.isEmpty())
                r.out = QStringLiteral("ECHO is on.\n");
            else if (text.compare(QLatin1String("off"), Qt::CaseInsensitive) != 0
                     && text.compare(QLatin1String("on"), Qt::CaseInsensitive) != 0)
                r.out = text + QLatin1Char('\n');
        } else if (program == QLatin1String("exit")) {
            // "exit [/b] [code]": the code becomes cmd's exit code (0 when missing or not a number).
            QStringList rest = words.mid(1);
            if (!rest.isEmpty() && rest.first().compare(QLatin1String("/b"), Qt::CaseInsensitive) == 0)
                rest.removeFirst();
            r.exitCode = rest.isEmpty() ? 0 : rest.first().toInt();
        } else if (program == QLatin1String("fsutil")) {
            r = fsutil(words.mid(1), m, haveMachine, w);
        } else {
            r.exitCode = 1;
            r.err = w("'%1' is not recognized as an internal or external command,\noperable program or batch file.\n",
                      "'%1' 不是内部或外部命令，也不是可运行的程序\n或批处理文件。\n")
                        .arg(words.first());
        }
    }
    if (silenceOut)
        r.out.clear();
    if (silenceErr)
        r.err.clear();
    return r;
}

} // namespace

QList<ChainedCommand> splitChain(const QString &line)
{
    QList<ChainedCommand> out{ChainedCommand()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('^') && i + 1 < line.size()) {
            out.last().text += line.at(++i);
            continue;
        } else if (!quoted && (c == QLatin1Char('&') || c == QLatin1Char('|'))) {
            QString op(c);
            if (i + 1 < line.size() && line.at(i + 1) == c)
                op += line.at(++i);
            out.append(ChainedCommand{op, QString()});
            continue;
        }
        out.last().text += c;
    }
    return out;
}

CommandResult run(MachineStore &store, const QString &commandLine)
{
    QString line = commandLine.trimmed();
    // cmd /c drops the outer quotes of a line that starts and ends with one.
    if (line.size() >= 2 && line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')))
        line = line.mid(1, line.size() - 2).trimmed();

    CommandResult all;
    bool skipped = false;
    qsizetype lastOut = 0; // where the output of the last command run begins
    for (const ChainedCommand &command : splitChain(line)) {
        const QString &op = command.joinedBy;
        // A pipe binds tighter than the others: it shares the fate of the command it reads from.
        if (op == QLatin1String("|") ? skipped
                                     : (op == QLatin1String("&&") && all.exitCode != 0)
                                           || (op == QLatin1String("||") && all.exitCode == 0)) {
            skipped = true; // the exit code stays that of the last command run
            continue;
        }
        skipped = false;
        const CommandResult r = runOne(store, command.text.trimmed());
        // A pipe feeds the output on; none of these commands reads its input.
        if (op == QLatin1String("|"))
            all.out.truncate(lastOut);
        lastOut = all.out.size();
        all.out += r.out;
        all.err += r.err;
        all.exitCode = r.exitCode;
    }
    return all;
}

int toolMain(const QStringList &arguments)
{
    int c = 0;
    while (c < arguments.size() && arguments[c].compare(QLatin1String("/c"), Qt::CaseInsensitive) != 0)
        ++c;
    if (c == arguments.size()) {
        standin::writeStderr(QStringLiteral("This cmd runs single commands only: cmd /c <command>\n"));
        return 1;
    }
    const QString commandLine = arguments.mid(c + 1).join(QLatin1Char(' '));

    MachineStore store;
    const standin::ToolFault fault = standin::takeToolFault(store, QStringLiteral("tool.cmd"), commandLine);
    const QString extra = fault.outputLines();
    if (fault.exitCode) {
        standin::writeStdout(extra);
        return *fault.exitCode;
    }
    const CommandResult r = run(store, commandLine);
    standin::writeStdout(r.out + extra);
    standin::writeStderr(r.err);
    return r.exitCode;
}

int fsutilMain(const QStringList &arguments)
{
    MachineStore store;
    const standin::ToolFault fault =
        standin::takeToolFault(store, QStringLiteral("tool.fsutil"), arguments.join(QLatin1Char(' ')));
    const QString extra = fault.outputLines();
    if (fault.exitCode) {
        standin::writeStdout(extra);
        return *fault.exitCode;
    }
    Machine m;
    const bool haveMachine = store.read(&m);
    const CommandResult r = fsutil(arguments, m, haveMachine, diskpart::Wording{haveMachine && standin::chineseWording(m)});
    standin::writeStdout(r.out + extra);
    return r.exitCode;
}

} // namespace cmdshell
} // namespace sim
