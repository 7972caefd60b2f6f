#include "crossthreadcall.h"

#include <QAbstractEventDispatcher>
#include <QDebug>
#include <QThread>

namespace crossthread {

void traceFailure(const QObject *target, const char *method, const char *reason)
{
    qWarning() << "❌ 跨线程方法调用失败" << method << reason
               << (target ? target->metaObject()->className() : "(no target)");
}

Route routeFor(const QObject *target, const char *method)
{
    if (!target) {
        traceFailure(target, method, "no target object");
        return Route::Refused;
    }
    QThread *const targetThread = target->thread();
    if (targetThread == QThread::currentThread())
        return Route::Direct;
    // A queued call into a thread that never runs, has ended, or cannot dispatch events would
    // wait for ever.
    if (!targetThread || !targetThread->isRunning()) {
        traceFailure(target, method, "the target's thread is not running");
        return Route::Refused;
    }
    if (!targetThread->eventDispatcher()) {
        traceFailure(target, method, "the target's thread runs no event loop");
        return Route::Refused;
    }
    return Route::BlockingQueued;
}

QMetaMethod findMethod(const QObject *target, const char *method, QMetaType returnType,
                       std::initializer_list<QMetaType> parameterTypes)
{
    const QMetaObject *meta = target->metaObject();
    const QByteArray name(method);
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod candidate = meta->method(i);
        if (candidate.name() != name || candidate.parameterCount() != int(parameterTypes.size()))
            continue;
        if (candidate.returnMetaType() != returnType)
            continue;
        bool same = true;
        int index = 0;
        for (const QMetaType &type : parameterTypes)
            same = same && candidate.parameterMetaType(index++) == type;
        if (same)
            return candidate;
    }
    return QMetaMethod();
}

} // namespace crossthread
