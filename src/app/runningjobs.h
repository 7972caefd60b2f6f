#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class DiskOperationWorker;
class QThread;

// The jobs the window has started: one per disk at a time, and the window may only close once
// every one has ended and its thread is gone, since a job cut off mid-way leaves a disk nobody
// can describe. Lives on the GUI thread; the workers' ends reach it queued.
class RunningJobs : public QObject
{
    Q_OBJECT

public:
    struct Job
    {
        int disk = -1;
        QString operation; // as the window names it, e.g. "Merge of E:"
    };
    using Finished = void (DiskOperationWorker::*)(bool, QString);

    explicit RunningJobs(QObject *parent = nullptr);

    // Follows a started job until `finished` arrives (or the worker is gone) and the thread it
    // runs on has ended.
    void add(const Job &job, DiskOperationWorker *worker, Finished finished);

    // The job still running on `disk`, if any.
    std::optional<Job> runningOn(int disk) const;
    // The jobs whose end has not arrived yet, oldest first.
    QList<Job> running() const;
    // True once every job has ended and its thread is gone.
    bool isIdle() const { return m_entries.isEmpty(); }

signals:
    void changed();

private:
    struct Entry
    {
        int id = 0;
        Job job;
        bool ended = false;
        bool threadDone = false;
    };
    void mark(int id, bool Entry::*flag);

    QList<Entry> m_entries;
    int m_lastId = 0;
};
