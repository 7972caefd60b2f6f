#pragma once

#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaType>
#include <QObject>

#include <initializer_list>
#include <utility>

// Calls an invokable method by name on an object that may live on another thread, waiting for
// its typed result. The call is queued and blocking when the object lives elsewhere and direct
// when it lives on the calling thread (a blocking queued call to the own thread would deadlock).
// There is no time limit: the target thread must keep running its event loop.
namespace crossthread {

enum class Route { Refused, Direct, BlockingQueued };

// How a call to `target` can be delivered from the calling thread. Refused (with the trace) when
// there is no target, or when its thread is not running or has no event dispatcher, so that
// nothing would ever serve the queued call.
Route routeFor(const QObject *target, const char *method);

// The invokable method `method` whose return and parameter types are exactly these, or an
// invalid one. Matching by meta-type rather than by spelling lets "qint64" meet "qlonglong".
QMetaMethod findMethod(const QObject *target, const char *method, QMetaType returnType,
                       std::initializer_list<QMetaType> parameterTypes);

// Traces the failure of a call that could not be made.
void traceFailure(const QObject *target, const char *method, const char *reason);

namespace detail {

template <typename R, typename... Args, std::size_t... I>
bool invoke(QObject *target, const char *method, R &result, std::index_sequence<I...>, const Args &...args)
{
    const Route route = routeFor(target, method);
    if (route == Route::Refused)
        return false;
    const QMetaMethod found = findMethod(target, method, QMetaType::fromType<R>(), {QMetaType::fromType<Args>()...});
    if (!found.isValid()) {
        traceFailure(target, method, "no invokable method with these types");
        return false;
    }
    // Spell the types as the target's meta-object does, so the by-name lookup finds exactly
    // the method checked above.
    const bool ok = QMetaObject::invokeMethod(
        target, method,
        route == Route::Direct ? Qt::DirectConnection : Qt::BlockingQueuedConnection,
        QReturnArgument<R>(found.typeName(), result),
        QArgument<Args>(found.parameterTypeName(int(I)).constData(), args)...);
    if (!ok)
        traceFailure(target, method, "invokeMethod returned false");
    return ok;
}

} // namespace detail

// False (traced as "❌ 跨线程方法调用失败") when the call could not be made; `result` is then
// left as it was.
template <typename R, typename... Args>
bool invokeBlocking(QObject *target, const char *method, R &result, const Args &...args)
{
    static_assert(sizeof...(Args) <= 9, "invokeMethod takes at most ten arguments");
    return detail::invoke(target, method, result, std::index_sequence_for<Args...>{}, args...);
}

} // namespace crossthread
