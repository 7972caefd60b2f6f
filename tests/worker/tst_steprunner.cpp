// The one runner of job steps: order, a cancel that wins over a passed limit, and the report it fills.
#include "worker/steprunner.h"

#include <QtTest>

namespace {

// A step that records its run in `log` and answers `ok`.
Step step(const QString &name, bool changes, QStringList &log, bool ok = true)
{
    return Step{name, changes, [&log, name, ok](ReportNode &node) {
        log << name;
        node.detail = ok ? QString() : name + QStringLiteral(" broke");
        return ok;
    }};
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
    // A cancel and a passed limit both pending before the first step: the report says what the
    // user did, and nothing runs.
    void cancelWinsOverTheLimit()
    {
        QStringList log;
        std::atomic<bool> stop{true};
        JobReport report;
        StepRunner runner(report, &stop, QDeadlineTimer(0));
        QCOMPARE(runner.run({step("a", true, log), step("b", false, log)}), StepRunner::Stop::Cancelled);
        QCOMPARE(report.end, JobReport::End::Cancelled);
        QCOMPARE(states(report), "a=0 b=0");
        QVERIFY(log.isEmpty());
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
