#pragma once

// A worker on a thread of its own, as the dialogs keep it; what it reports is collected on the
// test's thread. Every end it sends is kept in `result`, joined by "|", so a second end shows.

#include "support/testmachine.h"
#include "worker/diskoperationworker.h"

#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

struct WorkerRig
{
    explicit WorkerRig(QObject *receiver)
    {
        QObject::connect(worker, &DiskOperationWorker::operationProgress, receiver, [this](int p) { progress << p; });
        QObject::connect(worker, &DiskOperationWorker::jobReported, receiver, [this](const QString &r) { reports << r; });
        QObject::connect(worker, &DiskOperationWorker::operationCompleted, receiver,
                         [this](bool ok, const QString &m) {
                             result += (result.isEmpty() ? "" : "|") + (ok ? QStringLiteral("ok ") : QStringLiteral("failed ")) + m;
                         });
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
    }
    ~WorkerRig()
    {
        thread.quit();
        thread.wait();
    }
    // Runs `job` there while this thread serves its event loop.
    bool run(std::function<void()> job)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        QMetaObject::invokeMethod(worker, [job, done] { job(); *done = true; }, Qt::QueuedConnection);
        return QTest::qWaitFor([done] { return done->load(); }, int(20000 * TestMachine::slowdown()));
    }
    bool format(const DiskOperationWorker::FormatOptions &o)
    {
        return run([this, o] { worker->formatPartitionAsync(o); }) && QTest::qWaitFor([this] { return !result.isEmpty(); }, 5000);
    }
    // The progress reports as "5,10,100" (QTest::toString's buffer would leak in failure messages).
    QString progressText() const
    {
        QStringList parts;
        for (int p : progress)
            parts << QString::number(p);
        return parts.join(u',');
    }
    QThread thread;
    DiskOperationWorker *worker = new DiskOperationWorker;
    QList<int> progress;
    QStringList reports;
    QString result;
};
