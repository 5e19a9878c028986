#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorva::gui {

// The one thread the controller's commands run on, so that the GUI thread
// never waits on the serial port: it stays free to repaint and to answer the
// questions a command asks. Jobs run one at a time, in order; finished() is
// emitted on the GUI thread after each.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    CommandRunner();
    ~CommandRunner() override;
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // GUI thread: queue a job. busy() is true from here until its finished().
    void post(std::function<void()> job);
    bool busy() const { return pending_ > 0; }

signals:
    void finished();

private:
    void serve();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    int pending_ = 0; // GUI thread only
    std::thread thread_;
};

} // namespace quorva::gui
