#include "steprunner.h"

StepRunner::StepRunner(JobReport &report, const std::atomic<bool> *stop, QDeadlineTimer deadline)
    : m_report(report), m_stop(stop), m_deadline(deadline)
{
}

StepRunner::Stop StepRunner::stopDue()
{
    if (m_stopped != Stop::None)
        return m_stopped;
    if (m_stop && m_stop->load()) {
        m_stopped = Stop::Cancelled;
        m_report.end = JobReport::End::Cancelled;
    } else if (m_deadline.hasExpired()) {
        m_stopped = Stop::TimedOut;
        m_report.end = JobReport::End::TimedOut;
    }
    return m_stopped;
}

StepRunner::Stop StepRunner::run(const QList<Step> &steps)
{
    for (const Step &step : steps) {
        ReportNode node;
        node.description = step.description;
        node.changesDisk = step.changesDisk;
        if ((step.stopBefore ? stopDue() : m_stopped) != Stop::None) {
            m_report.nodes << node;
            continue;
        }
        const bool ok = step.run(node);
        node.state = ok ? ReportNode::State::Done : ReportNode::State::Failed;
        m_report.nodes << node;
        if (!ok) {
            m_stopped = Stop::Failed;
            m_report.end = JobReport::End::Failed;
        }
    }
    if (m_stopped == Stop::None)
        m_report.end = JobReport::End::Succeeded;
    return m_stopped;
}
