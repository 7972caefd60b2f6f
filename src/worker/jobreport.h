#pragma once

#include <QCoreApplication>
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
    // The step and job texts are shown to the user behind "Show Details", so they are translated.
    Q_DECLARE_TR_FUNCTIONS(JobReport)

public:
    enum class End { Running, Succeeded, Failed, Cancelled, TimedOut };

    QString asked;
    QList<ReportNode> nodes;
    End end = End::Running;

    // The nodes of the steps that ran to success and changed the disk.
    QList<ReportNode> changesMade() const;
    // The node of the step that failed, or null.
    const ReportNode *failedStep() const;
    // One line a node, for the trace and the end box's details.
    QString trace() const;
};
