#include "simulator/diskpart_tooling.h"

#include "platform/consoletext.h"

#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace sim {
namespace standin {

bool ToolFault::flag(const char *name) const
{
    return entry.value(QLatin1String(name)).toBool(false);
}

QString ToolFault::outputLines() const
{
    return output.isEmpty() || output.endsWith(QLatin1Char('\n')) ? output : output + QLatin1Char('\n');
}

ToolFault takeToolFault(MachineStore &store, const QString &target, const QString &subject)
{
    ToolFault out;
    const std::optional<Fault> fault = store.takeFault(target, subject);
    if (!fault)
        return out;
    out.fired = true;
    out.entry = *fault;
    if (const std::optional<qint32> hang = faultCode(*fault, QStringLiteral("hangMs")); hang && *hang > 0)
        QThread::msleep(static_cast<unsigned long>(*hang));
    if (out.flag("crash")) {
#ifdef _WIN32
        // A Windows program that crashes ends with its exception's code, not abort()'s 3.
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
#endif
        std::abort();
    }
    out.exitCode = faultCode(*fault, QStringLiteral("exitCode"));
    out.output = fault->value(QStringLiteral("output")).toString();
    return out;
}

bool chineseWording(const Machine &machine)
{
    return machine.displayLanguage.startsWith(QLatin1String("zh"), Qt::CaseInsensitive);
}

bool chineseWording(const MachineStore &store)
{
    Machine m;
    return store.read(&m) && chineseWording(m);
}

QString systemMessage(int code, bool chinese)
{
    struct Text { int code; const char *en; const char *zh; };
    static const Text texts[] = {
        {0, "The operation completed successfully.", "操作成功完成。"},
        {2, "The system cannot find the file specified.", "系统找不到指定的文件。"},
        {5, "Access is denied.", "拒绝访问。"},
        {19, "The media is write protected.", "介质受写入保护。"},
        {32, "The process cannot access the file because it is being used by another process.",
         "另一个程序正在使用此文件，进程无法访问。"},
        {123, "The filename, directory name, or volume label syntax is incorrect.", "文件名、目录名或卷标语法不正确。"},
    };
    for (const Text &t : texts)
        if (t.code == code)
            return QString::fromUtf8(chinese ? t.zh : t.en);
    return chinese ? QStringLiteral("未知错误 %1。").arg(code) : QStringLiteral("Unknown error %1.").arg(code);
}

unsigned consoleCodePage(const QString &displayLanguage)
{
    // Most specific first: a language with a region before the language alone.
    static const std::pair<const char *, unsigned> pages[] = {
        {"zh-TW", 950}, {"zh-HK", 950}, {"zh-MO", 950}, {"zh", 936}, {"ja", 932}, {"ko", 949},
        {"ru", 866},    {"uk", 866},    {"de", 850},    {"fr", 850}, {"es", 850}, {"it", 850},
        {"pt", 850},    {"nl", 850},    {"en", 437},
    };
    for (const auto &[prefix, page] : pages) {
        const QLatin1String p(prefix);
        if (displayLanguage.startsWith(p, Qt::CaseInsensitive)
            && (displayLanguage.size() == p.size() || displayLanguage.at(p.size()) == QLatin1Char('-')))
            return page;
    }
    return 437;
}

QByteArray consoleBytes(const QString &text, unsigned codePage)
{
    QString crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n') && (i == 0 || text[i - 1] != QLatin1Char('\r')))
            crlf += QLatin1Char('\r');
        crlf += text[i];
    }
    return QByteArray::fromStdString(platform::encodeConsoleText(crlf.toStdWString(), codePage));
}

namespace {
void write(std::FILE *stream, const QString &text)
{
    // A tool's language does not change while it runs.
    static const unsigned codePage = [] {
        Machine m;
        return consoleCodePage(MachineStore().read(&m) ? m.displayLanguage : QString());
    }();
    const QByteArray bytes = consoleBytes(text, codePage);
    platform::writeStandardStream(stream, bytes.toStdString());
}
} // namespace

void writeStdout(const QString &text) { write(stdout, text); }
void writeStderr(const QString &text) { write(stderr, text); }

} // namespace standin
} // namespace sim
