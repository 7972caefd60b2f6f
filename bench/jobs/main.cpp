// The longest the window stands still while a job runs, for each of the six jobs, each started
// as its dialog starts it (support/guistall.h), with the provider taking the time the Windows
// one takes: 200 ms a method call, 20 ms a query, 80 ms a connection, at timeScale 1. Prints
// min / median / max of the longest gap between the GUI thread's 10 ms ticks, against the
// target of 100 ms, and the median time the job took.
// Usage: bench_jobs [runs]

#include "support/benchstats.h"
#include "support/guistall.h"

#include "platform/platform.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <vector>

namespace {

constexpr double TargetMs = 100;

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Where the app's main puts the GUI thread, so a job calling its manager directly would fail.
    platform::current().enterGuiThreadApartment();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;

    QTextStream out(stdout);
    out << "job      runs  longest GUI stall ms min / median / max  target ms  job ms (median)  provider methods\n";
    bool allMet = true;
    for (const guistall::Job job : guistall::AllJobs) {
        std::vector<double> stalls, durations;
        quint64 methods = 0;
        for (int i = 0; i < runs; ++i) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("machine.json"));
            sim::Machine machine = guistall::machine();
            machine.timeScale = 1.0;
            machine.methodLatencyMs = 200;
            machine.queryLatencyMs = 20;
            machine.connectLatencyMs = 80;
            if (!sim::MachineStore(path).write(machine)) {
                out << "cannot write the bench machine\n";
                return 1;
            }
            qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(path));
            const guistall::Run run = guistall::run(job, 300000);
            if (!run.ended || !run.ok) {
                out << guistall::name(job) << " failed: " << run.message << "\n";
                return 1;
            }
            stalls.push_back(double(run.longestStallMs));
            durations.push_back(double(run.elapsedMs));
            methods = run.methodCalls;
        }
        const Spread stall = spreadOf(stalls);
        allMet = allMet && stall.max <= TargetMs;
        out << qSetFieldWidth(9) << Qt::left << guistall::name(job) << qSetFieldWidth(6) << runs << qSetFieldWidth(39)
            << stall.text() << qSetFieldWidth(11) << TargetMs << qSetFieldWidth(17) << spreadOf(durations).median
            << qSetFieldWidth(0) << methods << Qt::right << "\n";
        out.flush();
    }
    out << (allMet ? "every job within the target\n" : "TARGET MISSED\n");
    return allMet ? 0 : 1;
}
