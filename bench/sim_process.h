#pragma once

// quorva-sim in a process of its own, serving a pseudo-terminal linked at a
// path, for the benchmarks that go through a real serial port.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quorva::bench {

class SimProcess {
public:
    // args follow the program: "--link", path, "--chip", name ...; waits
    // until the link exists.
    SimProcess(const std::string& program, std::vector<std::string> args, const std::string& linkPath)
    {
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        spawned_ = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; spawned_ && i < 250 && !std::filesystem::exists(linkPath); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~SimProcess()
    {
        if (!spawned_)
            return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

private:
    pid_t pid_ = -1;
    bool spawned_ = false;
};

} // namespace quorva::bench
