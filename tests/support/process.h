#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quorva::test {

struct ProcessResult {
    int status = -1; // exit status, or -1 when killed or not started
    std::string out;
    std::string err;
};

// Runs a program to its end with no standard input, in the given folder
// (empty: the current one), killing it after timeoutMs.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& folder = {},
                         int timeoutMs = 60000);

// A program left running in the background until stop() or destruction
// (SIGTERM, then SIGKILL).
class BackgroundProcess {
public:
    explicit BackgroundProcess(const std::vector<std::string>& argv);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool running() const { return pid_ > 0; }
    void signal(int number) const;
    // Exit status after SIGTERM.
    int stop();
    // Exit status once it ends by itself; -1 when it has not within timeoutMs.
    int wait(int timeoutMs);

private:
    pid_t pid_ = -1;
};

// Waits until path exists (a simulator's pty link), up to timeoutMs.
bool waitForPath(const std::string& path, int timeoutMs = 10000);

} // namespace quorva::test
