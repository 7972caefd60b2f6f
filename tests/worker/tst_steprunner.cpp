// The one runner of job steps: order, stops only between steps, and the report it fills.
#include "worker/steprunner.h"

#include <QtTest>

namespace {

// A step that records its run in `log` and answers `ok`; it may set `stop` while it runs.
Step step(const QString &name, bool changes, QStringList &log, bool ok = true, std::atomic<bool> *stop = nullptr,
          bool stopBefore = true)
{
    return Step{name, changes, [&log, name, ok, stop](ReportNode &node) {
        log << name;
        if (stop)
            *stop = true;
        node.detail = ok ? QString() : name + QStringLiteral(" broke");
        return ok;
    }, stopBefore};
}

QString states(const JobReport &report)
{
    QStringList out;
    for (const ReportNode &node : report.nodes)
        out << QStringLiteral("%1=%2").arg(node.description).arg(int(node.state));
    return out.join(u' ');
}

} // namespace

class TestStepRunner : public QObject
{
    Q_OBJECT

private slots:
    void stops()
    {
        using Stop = StepRunner::Stop;
        using End = JobReport::End;
        struct Case {
            const char *name;
            bool stopBefore;      // the stop request is set before the run
            int stopInStep;       // the step (1-based) that sets the stop request while it runs; 0: none
            int failingStep;      // 0: none
            bool expired;         // the overall limit has passed
            bool lastFollows;     // the last step takes no new stop before it
            Stop stop;
            End end;
            const char *ran;
            const char *nodes;    // 0 not run, 1 done, 2 failed
        };
        const Case cases[] = {
            {"all succeed", false, 0, 0, false, false, Stop::None, End::Succeeded, "a b c", "a=1 b=1 c=1"},
            {"the second fails", false, 0, 2, false, false, Stop::Failed, End::Failed, "a b", "a=1 b=2 c=0"},
            {"cancelled before the start", true, 0, 0, false, false, Stop::Cancelled, End::Cancelled, "", "a=0 b=0 c=0"},
            // A step that is running when the cancel arrives finishes; the next one does not start.
            {"cancelled inside the first", false, 1, 0, false, false, Stop::Cancelled, End::Cancelled, "a", "a=1 b=0 c=0"},
            {"cancelled inside the last", false, 3, 0, false, false, Stop::None, End::Succeeded, "a b c", "a=1 b=1 c=1"},
            {"limit passed", false, 0, 0, true, false, Stop::TimedOut, End::TimedOut, "", "a=0 b=0 c=0"},
            {"cancel wins over the limit", true, 0, 0, true, false, Stop::Cancelled, End::Cancelled, "", "a=0 b=0 c=0"},
            // A step that must follow the one before runs after a cancel that came during it, not
            // after one already taken.
            {"the last follows a cancelled second", false, 2, 0, false, true, Stop::None, End::Succeeded, "a b c", "a=1 b=1 c=1"},
            {"the last follows, the second not run", false, 1, 0, false, true, Stop::Cancelled, End::Cancelled, "a", "a=1 b=0 c=0"},
        };
        for (const Case &c : cases) {
            QStringList log;
            std::atomic<bool> stop{c.stopBefore};
            JobReport report;
            StepRunner runner(report, &stop, c.expired ? QDeadlineTimer(0) : QDeadlineTimer(QDeadlineTimer::Forever));
            const QList<Step> steps{step("a", true, log, c.failingStep != 1, c.stopInStep == 1 ? &stop : nullptr),
                                    step("b", false, log, c.failingStep != 2, c.stopInStep == 2 ? &stop : nullptr),
                                    step("c", true, log, c.failingStep != 3, c.stopInStep == 3 ? &stop : nullptr, !c.lastFollows)};
            QCOMPARE(runner.run(steps), c.stop);
            QCOMPARE(runner.stopped(), c.stop);
            QCOMPARE(report.end, c.end);
            QCOMPARE(log.join(u' '), QString::fromLatin1(c.ran));
            QCOMPARE(states(report), QString::fromLatin1(c.nodes));
        }
    }

    // Without a stop request or limit the runner never stops on its own; a second run adds to the
    // report and ends it by its own outcome.
    void reportAcrossRuns()
    {
        QStringList log;
        JobReport report;
        report.asked = QStringLiteral("split 0:2");
        StepRunner runner(report, nullptr, QDeadlineTimer(QDeadlineTimer::Forever));
        QCOMPARE(runner.run({step("shrink", true, log), step("rescan", false, log)}), StepRunner::Stop::None);
        QCOMPARE(report.end, JobReport::End::Succeeded);
        QVERIFY(!report.failedStep());
        QCOMPARE(runner.run({step("create", true, log, false), step("format", true, log)}), StepRunner::Stop::Failed);
        QCOMPARE(report.end, JobReport::End::Failed);
        QCOMPARE(runner.stopDue(), StepRunner::Stop::Failed);

        QVERIFY(report.failedStep());
        QCOMPARE(report.failedStep()->description, "create");
        QCOMPARE(report.failedStep()->detail, "create broke");
        const QList<ReportNode> made = report.changesMade();
        QCOMPARE(made.size(), 1);
        QCOMPARE(made.first().description, "shrink");
        QCOMPARE(report.trace(), "split 0:2: failed\n  [done] shrink (changes the disk)\n  [done] rescan\n  [failed] create "
                                 "(changes the disk): create broke\n  [not run] format (changes the disk)");
    }
};

QTEST_GUILESS_MAIN(TestStepRunner)
#include "tst_steprunner.moc"
