// What the window costs.
//
// - StartToWindowShown: from an empty process state (QApplication already
//   there) to the window shown with the demo project loaded, offscreen.
// - GuiThreadShare: Program Flash and Verify Flash of the demo through the
//   window, against quorva-sim --pace over a pseudo-terminal at 115200 baud;
//   gui_share is the GUI thread's CPU time over the wall time (aim: < 5 %).

#include "base/clock.h"
#include "gui/window_program.h"
#include "link/serial_port.h"
#include "shell/app_controller.h"
#include "shell/window_ids.h"

#include "sim_process.h"

#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

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
        SettingsStore store(settings);
        gui::WindowProgram program(store, port, clock);
        program.startUp("\"quorva\" \"examples/demo.kx2\"");
        program.waitIdle();
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
    const bench::SimProcess simulator(QUORVA_SIM_EXE, {"--link", linkPath, "--chip", "ATmega8", "--pace"}, linkPath);

    const std::string settings = folder + "/quorva.ini";
    std::ofstream(settings) << "[Connect]\nCOM=1\nHighSpeed=1\n[Ports]\nCOM1=" << linkPath << "\n";
    double share = 0;
    for (auto _ : state) {
        SerialPort serial([&](int) { return linkPath; }, realClock());
        SettingsStore store(settings);
        gui::WindowProgram program(store, serial, realClock());
        program.startUp("\"quorva\" \"examples/demo.kx2\"");
        program.waitIdle();
        QApplication::processEvents();
        const auto started = std::chrono::steady_clock::now();
        const double cpuBefore = threadCpuSeconds();
        program.window.command(cmd::ProgramFlash);
        program.waitIdle();
        program.window.command(cmd::VerifyFlash);
        program.waitIdle();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        share = (threadCpuSeconds() - cpuBefore) / wall;
        if (!program.controller.context().flashVerifyOk)
            state.SkipWithError("the run failed");
        state.SetIterationTime(wall);
    }
    state.counters["gui_share"] = share;
    fs::remove_all(folder);
}
BENCHMARK(GuiThreadShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
