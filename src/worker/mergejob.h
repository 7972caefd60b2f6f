#pragma once

#include "diskoperationworker.h"
#include "jobreport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// The merge job: grows one partition (the source) over the space to its right, either the
// unallocated space there or the partition there (the target), which is deleted first. Works
// through diskpart scripts only, each run through the runner's merge row in a process of the
// job's own. A cancel or the overall limit stops it between steps, never inside a script.
class MergeJob
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    MergeJob(DiskOperationWorker &worker, const MergePartitionOptions &options);

    // Runs to the end and reports it once through mergePartitionFinished and uiMergeCompleted.
    void run();

    // The worker's slots for the running script's process and the overall limit.
    void onOperationTimeout();
    void onProcessFinished(QProcess::ExitStatus exitStatus);
    void onProcessError(QProcess::ProcessError error);

private:
    enum class ScriptKind { Step, Cleanup };

    bool runSteps(QString *successMessage);
    bool validate();
    // On a fresh read, before the first change: the source and its neighbour are still the ones
    // the user confirmed, and the neighbour can be merged into it.
    bool planStillHolds();
    bool stopRequested();
    void progress(const QString &step, int percentage, const QString &status);
    bool runScript(const QStringList &lines, ScriptKind kind);
    // A script that changes the disk; a failure is noted with its cause.
    bool runChange(const QStringList &lines);
    QStringList partitionScript(int partitionNumber, const QString &command) const;
    void pause(int nominalMs);
    bool assignSourceLetter(); // whether the source got a letter (its own, else any free one)
    void restoreLetters();
    // A step's answer: whether no failure has been noted, which becomes the node's detail.
    bool succeeded(ReportNode &node) const;
    void noteFailure(const QString &text);
    void noteCancelled();
    // Whether the target partition is still on the disk, as the provider reads it now.
    bool targetStillThere();
    // The source partition's drive letter now ("E:"), read afresh; empty when it has none.
    QString sourceLetterNow();
    // When the source got a letter other than its own back, a sentence for the end message that says so.
    QString otherLetterNote();
    // What a stop after the delete leaves, for the end message; empty otherwise.
    QString leftBehind() const;
    // The source or the target as the tree names it: "E: (Data)", or "Partition 2 of Disk 1".
    QString nameOf(int partitionNumber, const QString &letter, const QString &label) const;
    void reportEnd(bool success, const QString &message);

    DiskOperationWorker &m_worker;
    const MergePartitionOptions m_options;
    const std::atomic<bool> &m_cancel;
    JobReport m_report;
    QProcess *m_process = nullptr; // replaced for every script
    QDeadlineTimer m_deadline;     // the overall time limit
    QString m_failure;             // the first reason the job is failing, if any
    QString m_scriptProcessError;  // the process error text of the script running now
    QString m_scriptCause;         // why the last script failed, in the tool's own words
    bool m_sourceLetterRemoved = false;
    bool m_targetLetterRemoved = false;
    bool m_targetDeleted = false;
    bool m_sourceExtended = false;
    bool m_ownLetterNotGivenBack = false; // it had a letter, and only any free one could be given
};
