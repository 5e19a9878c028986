// The GUI thread's share of a production station's run: the Production
// window over four paced quorva-sim boxes, each programming and verifying an
// ATmega8's 8 KB, started with Space as an operator starts it. The aim is
// under 5 % of the run's wall time.

#include "sim_process.h"

#include "data/memory_buffer.h"
#include "data/project.h"
#include "gui/production_window.h"
#include "link/serial_port.h"
#include "shell/production_station_model.h"
#include "shell/quiet_ui.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>

namespace {

using namespace quorva;
namespace fs = std::filesystem;

constexpr int kBoxes = 4;

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void StationGuiThreadShare(benchmark::State& state)
{
    char pattern[] = "/tmp/quorva-station-bench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    std::ofstream(folder + "/app.bin", std::ios::binary) << std::string(8192, '\x3C');
    std::ofstream(folder + "/board.kx2") << "[Files]\nFlash=" << folder
                                         << "/app.bin\n[Settings]\nResetStrobeLength=20\n"
                                         << "[AutoProgram]\nAutoErase=1\nAutoFlashProgram=1\nAutoFlashVerify=1\n"
                                         << "[Device]\nDeviceNo=17\n";
    std::ofstream settingsFile(folder + "/quorva.ini");
    settingsFile << "[Connect]\nHighSpeed=2\n[Production]\nBoxes=1,2,3,4\n[Ports]\n";
    std::vector<std::unique_ptr<bench::SimProcess>> boxes;
    for (int com = 1; com <= kBoxes; ++com) {
        const std::string link = folder + "/box" + std::to_string(com);
        settingsFile << "COM" << com << "=" << link << "\n";
        boxes.push_back(std::make_unique<bench::SimProcess>(
            QUORVA_SIM_EXE, std::vector<std::string>{"--link", link, "--chip", "ATmega8", "--pace"}, link));
    }
    settingsFile.close();

    SettingsStore settings(folder + "/quorva.ini");
    QuietUi quiet([](const std::string&) {}, realClock());
    Project project(quiet);
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    flash.init(quiet, false, {}, &project);
    eeprom.init(quiet, true, {}, &project);
    project.bindBuffers(flash, eeprom);
    project.load(folder + "/board.kx2");
    ProductionStationModel::Hooks hooks;
    hooks.openPort = [&settings](int) -> std::unique_ptr<BytePort> {
        return std::make_unique<SerialPort>([&settings](int com) { return settings.portPath(com); });
    };
    double share = 0;
    for (auto _ : state) {
        ProductionStationModel station(settings, realClock(), project, flash, eeprom,
                                       std::make_shared<SharedRecordStore>(StoreLocation::off()), hooks);
        station.offerBoxes({1, 2, 3, 4});
        double wall = 0;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            const auto started = std::chrono::steady_clock::now();
            const double cpuBefore = threadCpuSeconds();
            QTest::keyClick(window, Qt::Key_Space);
            const bool ended = QTest::qWaitFor([&] { return !station.running(); }, 600000);
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            share = (threadCpuSeconds() - cpuBefore) / wall;
            if (!ended || station.counters().good != kBoxes)
                state.SkipWithError("not every chip ended good");
            window->reject();
        });
        gui::execProductionWindow(nullptr, quiet, station, "board.kx2");
        state.SetIterationTime(wall);
    }
    state.counters["gui_share"] = share;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}
BENCHMARK(StationGuiThreadShare)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
