#include "runningjobs.h"

#include "worker/diskoperationworker.h"

#include <QThread>

RunningJobs::RunningJobs(QObject *parent) : QObject(parent) {}

void RunningJobs::add(const Job &job, DiskOperationWorker *worker, Finished finished)
{
    Entry entry;
    entry.id = ++m_lastId;
    entry.job = job;
    QThread *thread = worker->thread();
    // A worker not moved to a thread of its own has no thread to wait for.
    entry.threadDone = !thread || thread == this->thread() || thread->isFinished();
    m_entries << entry;

    const int id = entry.id;
    connect(worker, finished, this, [this, id] { mark(id, &Entry::ended); }, Qt::QueuedConnection);
    connect(worker, &QObject::destroyed, this, [this, id] { mark(id, &Entry::ended); }, Qt::QueuedConnection);
    if (!entry.threadDone) {
        connect(thread, &QThread::finished, this, [this, id] { mark(id, &Entry::threadDone); }, Qt::QueuedConnection);
        connect(thread, &QObject::destroyed, this, [this, id] { mark(id, &Entry::threadDone); }, Qt::QueuedConnection);
    }
    emit changed();
}

void RunningJobs::mark(int id, bool Entry::*flag)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->id != id)
            continue;
        if ((*it).*flag)
            return;
        (*it).*flag = true;
        if (it->ended && it->threadDone)
            m_entries.erase(it);
        emit changed();
        return;
    }
}

std::optional<RunningJobs::Job> RunningJobs::runningOn(int disk) const
{
    for (const Entry &entry : m_entries) {
        if (!entry.ended && entry.job.disk == disk)
            return entry.job;
    }
    return std::nullopt;
}

QList<RunningJobs::Job> RunningJobs::running() const
{
    QList<Job> out;
    for (const Entry &entry : m_entries) {
        if (!entry.ended)
            out << entry.job;
    }
    return out;
}
