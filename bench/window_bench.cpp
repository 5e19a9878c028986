// What the window costs.
//
// - StartToWindowShown: from an empty process state (QApplication already
//   there) to the window shown with the demo project loaded, offscreen.
// - GuiThreadShare: Program Flash and Verify Flash of the demo through the
//   window, against quorva-sim --pace over a pseudo-terminal at 115200 baud;
//   gui_share is the GUI thread's CPU time over the wall time (aim: < 5 %).

#include "base/clock.h"
#include "gui/command_runner.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "link/serial_port.h"
#include "shell/app_controller.h"
#include "shell/window_ids.h"

#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include <QApplication>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace quorva;
namespace fs = std::filesystem;

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::string makeFolder()
{
    char pattern[] = "/tmp/quorva-window-bench-XXXXXX";
    return ::mkdtemp(pattern);
}

// The whole program over one byte port.
struct Program {
    Program(const std::string& settingsPath, BytePort& port, Clock& clock)
        : store(settingsPath), ui(store, [this](const std::string& text) { window.showStatus(text); }),
          controller(ui, store, port, clock, log), window(controller, runner)
    {
        ui.setOwner(&window);
    }
    // Waits in an event loop, as the application does, not in a polling one.
    void idle()
    {
        QEventLoop loop;
        QObject::connect(&runner, &gui::CommandRunner::finished, &loop, [&] {
            if (!runner.busy())
                loop.quit();
        });
        if (runner.busy())
            loop.exec();
    }

    SettingsStore store;
    QuietLog log;
    gui::QtUi ui;
    AppController controller;
    gui::CommandRunner runner;
    gui::MainWindow window;
};

void StartToWindowShown(benchmark::State& state)
{
    const std::string folder = makeFolder();
    const std::string settings = folder + "/quorva.ini";
    std::ofstream(settings) << "[Connect]\nCOM=1\n";
    RecordingClock clock;
    for (auto _ : state) {
        sim::Box box{clock, sim::makeChip(*sim::findChip("ATmega8"))};
        sim::SimPort port{clock};
        port.attach(0, box);
        Program program(settings, port, clock);
        program.window.submit([&] { program.controller.startUp("\"quorva\" \"examples/demo.kx2\""); });
        program.idle();
        program.window.show();
        QApplication::processEvents();
        if (program.controller.flash().length() == 0)
            state.SkipWithError("the demo project did not load (run from the repository's root)");
    }
    fs::remove_all(folder);
}
BENCHMARK(StartToWindowShown)->Unit(benchmark::kMillisecond);

void GuiThreadShare(benchmark::State& state)
{
    const std::string folder = makeFolder();
    const std::string linkPath = folder + "/COM1";
    std::vector<std::string> args{QUORVA_SIM_EXE, "--link", linkPath, "--chip", "ATmega8", "--pace"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const bool spawned = ::posix_spawn(&pid, QUORVA_SIM_EXE, &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; spawned && i < 250 && !fs::exists(linkPath); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const std::string settings = folder + "/quorva.ini";
    std::ofstream(settings) << "[Connect]\nCOM=1\nHighSpeed=1\n[Ports]\nCOM1=" << linkPath << "\n";
    double share = 0;
    for (auto _ : state) {
        SerialPort serial([&](int) { return linkPath; }, realClock());
        Program program(settings, serial, realClock());
        program.window.submit([&] { program.controller.startUp("\"quorva\" \"examples/demo.kx2\""); });
        program.idle();
        program.window.show();
        QApplication::processEvents();
        const auto started = std::chrono::steady_clock::now();
        const double cpuBefore = threadCpuSeconds();
        program.window.command(cmd::ProgramFlash);
        program.idle();
        program.window.command(cmd::VerifyFlash);
        program.idle();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        share = (threadCpuSeconds() - cpuBefore) / wall;
        if (!program.controller.context().flashVerifyOk)
            state.SkipWithError("the run failed");
        state.SetIterationTime(wall);
    }
    state.counters["gui_share"] = share;
    if (spawned) {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    fs::remove_all(folder);
}
BENCHMARK(GuiThreadShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
