#pragma once

#include "jobreport.h"

#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

// One step of a job: what it checks or changes, and the code that does it. `run` fills the
// step's report node (its detail at least when it fails) and answers whether it succeeded.
struct Step
{
    QString description;
    bool changesDisk = false;
    std::function<bool(ReportNode &)> run;
    // False for a step that must follow the one before it once that one has run (mounting a
    // volume it formatted): no new stop is taken before it, though one taken earlier holds.
    bool stopBefore = true;
};

// Runs a job's steps in order. A stop request and the overall limit are looked at between
// steps only, never inside one: a step that changes the disk always runs to its own end. Each
// step reports its progress through its job's own signals, since each job speaks through the
// worker's signals of its own.
class StepRunner
{
public:
    enum class Stop { None, Failed, Cancelled, TimedOut };

    // `stop` may be null (no cancel) and `deadline` Forever (no limit).
    StepRunner(JobReport &report, const std::atomic<bool> *stop, QDeadlineTimer deadline);

    // Runs the steps after any run before; None when all of them succeeded. After a stop the
    // later steps are recorded as not run and the report's end is set.
    Stop run(const QList<Step> &steps);

    // Whether a stop is due now; sets the report's end when it is.
    Stop stopDue();

    Stop stopped() const { return m_stopped; }

private:
    JobReport &m_report;
    const std::atomic<bool> *m_stop;
    QDeadlineTimer m_deadline;
    Stop m_stopped = Stop::None;
};
