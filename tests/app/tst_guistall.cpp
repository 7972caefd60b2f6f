// The window never stands still while a job runs: with each provider method call taking 1.5 s and
// each job started as its dialog starts it, the GUI thread, ticking every 10 ms, never stops for
// half a call (a job calling the provider through the window's manager would stop it for all of it).
#include "support/guistall.h"
#include "support/guitestmain.h"
#include "support/testmachine.h"

class TestGuiStall : public QObject
{
    Q_OBJECT

private slots:
    void jobs_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<bool>("slowCalls"); // the job calls provider methods
        QTest::addColumn<QString>("layout"); // disk 0 afterwards, as guistall::layout writes it
        const QString f = QStringLiteral("F 5120 Media");
        const auto row = [](guistall::Job job, bool slowCalls, const QString &layout) {
            QTest::newRow(guistall::name(job)) << int(job) << slowCalls << layout;
        };
        row(guistall::Job::Create, true, "E 10240 Data, " + f + ", K 1045 New");
        row(guistall::Job::Format, false, "E 10240 Data, F 5120 Fresh");
        row(guistall::Job::Delete, false, "E 10240 Data");
        row(guistall::Job::Resize, true, "E 8192 Data, " + f);
        row(guistall::Job::Merge, false, "E 11264 Data, " + f);
        row(guistall::Job::Split, true, "E 6144 Data, K 4096 Split, " + f);
    }

    void jobs()
    {
        QFETCH(int, job);
        QFETCH(QString, layout);
        constexpr double Scale = 0.05;
        constexpr qint64 CallMs = 1500;
        TestMachine tm;
        tm.machine() = guistall::machine();
        tm.setTimeScale(Scale);
        tm.machine().methodLatencyMs = CallMs / Scale;
        QVERIFY(tm.write());

        const guistall::Run run = guistall::run(guistall::Job(job), 90000);
        QVERIFY2(run.ended && run.ok, qPrintable(run.message));
        // The slow calls were made (each CallMs times the host's slowdown); the window went on meanwhile.
        QTEST(run.methodCalls > 0, "slowCalls");
        QVERIFY2(run.longestStallMs < CallMs * TestMachine::slowdown() / 2, qPrintable(QStringLiteral("the GUI thread stood still for %1 ms").arg(run.longestStallMs)));
        QCOMPARE(guistall::layout(tm.read()), layout);
    }
};

TESSALINE_GUI_TEST_MAIN(TestGuiStall)
#include "tst_guistall.moc"
