#include "diskoperationworker.h"

#include "batchjob.h"
#include "formatjob.h"
#include "jobreport.h"
#include "platform/platform.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>
#include <QThread>

DiskOperationWorker::DiskOperationWorker(QObject *parent)
    : QObject(parent), m_format(std::make_unique<FormatEngine>(*this))
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

void DiskOperationWorker::setCurrentOperation(OperationKind kind, int progress)
{
    m_currentOperation = kind;
    m_currentProgress = progress;
}

bool DiskOperationWorker::endCurrentOperation(OperationKind kind)
{
    int running = kind;
    return m_currentOperation.compare_exchange_strong(running, NoOperation);
}

void DiskOperationWorker::publishReport(const JobReport &report)
{
    const QString text = report.trace();
    qDebug().noquote() << text;
    emit jobReported(text);
}

void DiskOperationWorker::jobEnded()
{
    m_stopRequested = false;
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
    m_stopRequested = true;
}

void DiskOperationWorker::cancelMergeOperation()
{
    // Only the flag crosses threads. The merge looks at it between its steps and reports the end
    // itself, after it has given the letters back, so the end is reported once and only when
    // nothing runs.
    qDebug() << "[merge] cancel requested";
    m_stopRequested = true;
}

void DiskOperationWorker::cancelSplitOperation()
{
    m_stopRequested = true;
}

void DiskOperationWorker::stopThread()
{
    if (!m_thread || !m_thread->isRunning())
        return;
    m_thread->quit();
    // Destroyed by deleteLater on its own thread: waiting here would wait on itself.
    if (m_thread == QThread::currentThread())
        return;
    if (!m_thread->wait(platform::current().scaledMs(5000)))
        qWarning() << "DiskOperationWorker: thread did not quit in time; it ends with its job";
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
