#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

#include <functional>
#include <thread>

#include <type_traits>
#include <utility>

namespace quorva::gui {

inline bool onGuiThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Runs f on the GUI thread and returns its result. From another thread the
// call waits until the GUI thread has run it; on the GUI thread it runs at
// once (a blocking queued call to one's own thread would never return).
template <typename F>
auto runOnGuiThread(F&& f) -> std::invoke_result_t<F&>
{
    using Result = std::invoke_result_t<F&>;
    if (onGuiThread())
        return f();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&f] { f(); }, Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&f, &result] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

// Runs job, which may use the serial port, on a thread of its own while the
// GUI thread goes on in an event loop: it repaints and answers the job's
// questions and progress windows meanwhile. GUI thread only; the caller keeps
// the person from starting anything else until it returns.
inline void runAwayFromGuiThread(const std::function<void()>& job)
{
    QEventLoop loop;
    std::thread worker([&job, &loop] {
        job();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

} // namespace quorva::gui
