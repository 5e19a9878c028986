// What keeping production records costs a production run: four paced
// quorva-sim boxes programming and verifying an ATmega8's 8 KB, two chips
// each, with the records in an SQLite file (each chip's number taken from a
// sequence) and, in the same run, with records off. The aim is at most 1.05
// times the time without records.

#include "sim_process.h"

#include "base/clock.h"
#include "link/serial_port.h"
#include "shell/gang_run.h"
#include "shell/settings_store.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

namespace {

using namespace quorva;
namespace fs = std::filesystem;

constexpr int kBoxes = 4;

class GangFolder {
public:
    GangFolder()
    {
        char pattern[] = "/tmp/quorva-gang-bench-XXXXXX";
        path = ::mkdtemp(pattern);
        std::ofstream(path + "/app.bin", std::ios::binary)
            << std::string(8192, '\x5A').replace(0, 3, "\x00\x12\xFF", 3);
        std::ofstream(path + "/board.kx2")
            << "[Files]\nFlash=" << path << "/app.bin\n[Settings]\nResetStrobeLength=20\n"
            << "[AutoProgram]\nAutoErase=1\nAutoFlashProgram=1\nAutoFlashVerify=1\n"
            << "AutoIncrementFlash=1\nAutoIncAddressFlash=2\n"
            << "[Device]\nDeviceNo=17\n";
        std::ofstream settings(path + "/quorva.ini");
        settings << "[Ports]\n";
        for (int com = 1; com <= kBoxes; ++com)
            settings << "COM" << com << "=" << link(com) << "\n";
    }
    ~GangFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string link(int com) const { return path + "/box" + std::to_string(com); }

    std::string path;
};

void GangWithRecords(benchmark::State& state)
{
    const bool records = state.range(0) != 0;
    GangFolder folder;
    std::vector<std::unique_ptr<bench::SimProcess>> boxes;
    for (int com = 1; com <= kBoxes; ++com)
        boxes.push_back(std::make_unique<bench::SimProcess>(
            QUORVA_SIM_EXE, std::vector<std::string>{"--link", folder.link(com), "--chip", "ATmega8", "--pace"},
            folder.link(com)));
    SettingsStore settings(folder.path + "/quorva.ini");

    for (auto _ : state) {
        GangRun::Setup setup;
        setup.projectPath = folder.path + "/board.kx2";
        for (int com = 1; com <= kBoxes; ++com)
            setup.comPorts.push_back(com);
        setup.chips = 2 * kBoxes;
        setup.baudCode = 2;
        setup.records = std::make_shared<SharedRecordStore>(
            records ? StoreLocation::sqlite(folder.path + "/production.sqlite") : StoreLocation::off());
        if (records)
            setup.serialSequence = "bench";
        GangRun::Hooks hooks;
        hooks.openPort = [&settings](int) -> std::unique_ptr<BytePort> {
            return std::make_unique<SerialPort>([&settings](int number) { return settings.portPath(number); });
        };
        hooks.say = [](int, const std::string&) {};
        int good = 0;
        hooks.chipEnded = [&good](const GangChip& chip) { good += chip.ok ? 1 : 0; };
        GangRun gang(settings, realClock(), setup, hooks);
        const std::atomic<bool> stop{false};
        const auto started = std::chrono::steady_clock::now();
        gang.run(stop);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        if (good != 2 * kBoxes)
            state.SkipWithError("not every chip ended good");
    }
}
BENCHMARK(GangWithRecords)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("records")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
