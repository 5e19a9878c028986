#include "desktop_opener.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace quorva {

namespace {

constexpr int kPollMs = 20;

} // namespace

bool openWithDesktop(const std::string& target, Clock& clock, int patienceMs)
{
    char program[] = "xdg-open";
    std::string argument = target;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    for (int waited = 0;; waited += kPollMs) {
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (ended < 0 && errno != EINTR)
            return false;
        if (waited >= patienceMs)
            break;
        clock.sleepMs(kPollMs);
    }
    // Still waiting for the program it started: collect it when it ends.
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace quorva
