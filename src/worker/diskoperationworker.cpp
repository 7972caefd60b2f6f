#include "diskoperationworker.h"

#include "platform/platform.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>
#include <QThread>

DiskOperationWorker::DiskOperationWorker(QObject *parent)
    : QObject(parent)
{
    qDebug() << "DiskOperationWorker 创建在线程:" << QThread::currentThreadId();
    // The slot signatures spell the list as "QList<FormatOptions>".
    qRegisterMetaType<QList<FormatOptions>>("QList<FormatOptions>");
    qRegisterMetaType<PartitionInfo>("PartitionInfo");
}

DiskOperationWorker::~DiskOperationWorker()
{
    qDebug() << "DiskOperationWorker 销毁";
    stopThread();
    deleteWorkerStorageManager();
}

bool DiskOperationWorker::isOperationInProgress() const
{
    return m_currentOperation.load() != NoOperation;
}

QString DiskOperationWorker::getCurrentOperationName() const
{
    switch (m_currentOperation.load()) {
    case MergeOperation:
        return tr("分区合并");
    case DeleteOperation:
        return tr("分区删除");
    case FormatOperation:
        return tr("分区格式化");
    default:
        return tr("无操作");
    }
}

int DiskOperationWorker::getCurrentProgress() const
{
    return m_currentProgress.load();
}

void DiskOperationWorker::initialize()
{
    qDebug() << "DiskOperationWorker 初始化完成";
}

void DiskOperationWorker::cleanup()
{
    qDebug() << "DiskOperationWorker 清理完成";
}

void DiskOperationWorker::cancelOperation()
{
    qDebug() << "收到取消信号，准备取消操作";
    m_cancelRequested.exchange(true);
}

void DiskOperationWorker::stopThread()
{
    if (!m_thread || !m_thread->isRunning())
        return;
    m_thread->quit();
    // Destroyed by deleteLater on its own thread: waiting (or terminating) here would wait on
    // itself or kill the thread that is running this very code.
    if (m_thread == QThread::currentThread())
        return;
    platform::Platform &p = platform::current();
    if (m_thread->wait(p.scaledMs(5000)))
        return;
    qWarning() << "DiskOperationWorker: thread did not quit in time, terminating it";
    m_thread->terminate();
    m_thread->wait(p.scaledMs(2000));
}

bool DiskOperationWorker::initWorkerStorageManager()
{
    deleteWorkerStorageManager();

    qDebug() << "在工作线程中初始化WindowsStorageManager...";
    auto *manager = new WindowsStorageManager();
    m_workerStorageManager = manager;
    if (!manager->initialize()) {
        qWarning() << "⚠️ WMI initialization failed in worker thread";
        deleteWorkerStorageManager();
        return false;
    }
    qDebug() << "✅ 工作线程中WMI初始化成功";

    // Its COM apartment belongs to this thread: when the thread ends before the worker is
    // destroyed (elsewhere), release the manager here rather than on the destroying thread.
    connect(QThread::currentThread(), &QThread::finished, manager, [this, manager] {
        if (m_workerStorageManager == manager)
            deleteWorkerStorageManager();
    }, Qt::DirectConnection);
    return true;
}

WindowsStorageManager *DiskOperationWorker::workerStorageManager()
{
    if (!m_workerStorageManager && !initWorkerStorageManager())
        return nullptr;
    return m_workerStorageManager;
}

void DiskOperationWorker::deleteWorkerStorageManager()
{
    delete m_workerStorageManager.exchange(nullptr);
}
