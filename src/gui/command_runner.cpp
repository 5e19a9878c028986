#include "command_runner.h"

#include <QMetaObject>

namespace quorva::gui {

CommandRunner::CommandRunner() : thread_([this] { serve(); }) {}

CommandRunner::~CommandRunner()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void CommandRunner::post(std::function<void()> job)
{
    ++pending_;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void CommandRunner::serve()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            // Jobs still queued at the end are dropped: the window has closed.
            if (stopping_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
        QMetaObject::invokeMethod(
            this,
            [this] {
                --pending_;
                emit finished();
            },
            Qt::QueuedConnection);
    }
}

} // namespace quorva::gui
