#pragma once

#include <QList>
#include <QString>

// What a job was asked, what each of its steps did, and how it ended. Every job fills one, one
// node a step, so that its end can be told from the steps rather than from hand-built strings.
struct ReportNode
{
    enum class State { NotRun, Done, Failed };

    QString description;      // what the step checks or changes
    bool changesDisk = false;
    State state = State::NotRun;
    QString detail;           // why it failed, or what it found
};

struct JobReport
{
    enum class End { Running, Succeeded, Failed, Cancelled, TimedOut };

    QString asked;
    QList<ReportNode> nodes;
    End end = End::Running;

    // The nodes of the steps that ran to success and changed the disk.
    QList<ReportNode> changesMade() const;
    // The node of the step that failed, or null.
    const ReportNode *failedStep() const;
    // One line a node, for the trace.
    QString trace() const;
};
