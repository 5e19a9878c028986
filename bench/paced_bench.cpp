// Wall time of the chip commands against quorva-sim --pace over a
// pseudo-terminal at 921600 baud, where every byte and every wait of the box
// and the chip takes its real time.
//
// - ProgramMega328P: Program Flash of a 32 KB image into an ATmega328P.
// - ProgramAt89S51: Program Flash of a 4 KB image into an AT89S51.
// - VerifyMega328P: Verify Flash of the 32 KB image.
// - Boxes: Program and Verify Flash of the 32 KB image on 1 or 4 boxes at
//   once, each box a quorva-sim process and a thread of this one.
// fixed:1 runs the same with --fixed-waits: the table's delay after every
// write instead of asking the chip.
//
// Counters: wall_s, the program's own waits (waits_s), the time the bytes
// need on the line (line_s: both ways; the simulator paces only the box's
// replies, the PC's bytes arrive at once), round trips, and what is left
// (rest_s).

#include "bench_ui.h"
#include "sim_process.h"

#include "base/clock.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "link/serial_port.h"
#include "operations/chip_commands.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace quorva;
using bench::BenchUi;

// Sums the waits and passes them on to the real clock.
class WaitSum final : public Clock {
public:
    void sleepMs(int ms) override { sleepUs(ms * 1000); }
    void sleepUs(int us) override
    {
        waitedUs += us > 0 ? static_cast<std::uint64_t>(us) : 0;
        realClock().sleepUs(us);
    }
    std::uint64_t tickMs() override { return realClock().tickMs(); }
    std::uint64_t tickUs() override { return realClock().tickUs(); }
    std::uint64_t waitedUs = 0;
};

// Counts the line time of every byte, and the round trips.
class LineTime final : public BytePort {
public:
    explicit LineTime(BytePort& inner) : inner_(inner) {}
    bool open(int portIndex, int baud) override
    {
        baud_ = baud;
        return inner_.open(portIndex, baud);
    }
    bool close() override { return inner_.close(); }
    bool sendByte(std::uint8_t byte) override { return send(&byte, 1); }
    bool send(const std::uint8_t* bytes, std::size_t count) override
    {
        add(count);
        return inner_.send(bytes, count);
    }
    const std::uint8_t* receive(std::size_t count) override
    {
        ++roundTrips;
        const std::uint8_t* bytes = inner_.receive(count);
        if (bytes)
            add(count);
        return bytes;
    }
    int receiveByte() override
    {
        ++roundTrips;
        const int byte = inner_.receiveByte();
        if (byte >= 0)
            add(1);
        return byte;
    }
    const char* status() const override { return inner_.status(); }
    bool connected() const override { return inner_.connected(); }

    double seconds = 0;
    std::uint64_t roundTrips = 0;

private:
    void add(std::size_t bytes) { seconds += static_cast<double>(bytes) * 10.0 / baud_; }
    BytePort& inner_;
    int baud_ = 19200;
};

std::string tempFolder()
{
    char pattern[] = "/tmp/quorva-paced-bench-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return made ? made : "/tmp";
}

// One paced box with a chip, and the program's side of its line.
class Station {
public:
    Station(const std::string& chip, const std::string& device, int imageBytes, bool fixedWaits = false)
        : folder_(tempFolder()), link_(folder_ + "/COM1"),
          simulator_(QUORVA_SIM_EXE, {"--link", link_, "--chip", chip, "--pace"}, link_), project_(ui_),
          serial_([this](int) { return link_; }, realClock()), port_(serial_), connection_(port_, clock_, ui_),
          commands_(ui_, connection_, project_, flash_, eeprom_, settings_, context_)
    {
        project_.deviceIndex = findByName(device);
        flash_.createBlank(imageBytes);
        for (std::size_t i = 0; i < flash_.data().size(); ++i)
            flash_.data()[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
        settings_.comPort = 1;
        settings_.highSpeed = 2;
        settings_.fixedWaits = fixedWaits;
    }
    ~Station()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    bool program()
    {
        commands_.programFlash();
        return context_.lastResult == 0;
    }
    bool verify()
    {
        commands_.verifyFlash();
        return context_.flashVerifyOk;
    }
    void clearCounts()
    {
        clock_.waitedUs = 0;
        port_.seconds = 0;
        port_.roundTrips = 0;
    }
    const std::string& lastBox() const { return ui_.lastBox; }
    double waits() const { return static_cast<double>(clock_.waitedUs) / 1e6; }
    double line() const { return port_.seconds; }
    double roundTrips() const { return static_cast<double>(port_.roundTrips); }

private:
    std::string folder_;
    std::string link_;
    bench::SimProcess simulator_;
    BenchUi ui_;
    Project project_;
    MemoryBuffer flash_;
    MemoryBuffer eeprom_;
    LinkSettings settings_;
    OperationsContext context_;
    WaitSum clock_;
    SerialPort serial_;
    LineTime port_;
    Connection connection_;
    ChipCommands commands_;
};

double secondsSince(std::chrono::steady_clock::time_point started)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

void report(benchmark::State& state, const Station& station, double wall)
{
    state.SetIterationTime(wall);
    state.counters["wall_s"] = wall;
    state.counters["waits_s"] = station.waits();
    state.counters["line_s"] = station.line();
    state.counters["round_trips"] = station.roundTrips();
    state.counters["rest_s"] = wall - station.waits() - station.line();
}

void program(benchmark::State& state, const std::string& chip, const std::string& device, int bytes)
{
    Station station(chip, device, bytes, state.range(0) != 0);
    for (auto _ : state) {
        station.clearCounts();
        const auto started = std::chrono::steady_clock::now();
        const bool done = station.program();
        report(state, station, secondsSince(started));
        if (!done)
            state.SkipWithError(("the program failed: " + station.lastBox()).c_str());
    }
}

void ProgramMega328P(benchmark::State& state)
{
    program(state, "ATmega328P", "ATmega328P", 32768);
}
BENCHMARK(ProgramMega328P)->Arg(0)->Arg(1)->ArgName("fixed")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void ProgramAt89S51(benchmark::State& state)
{
    program(state, "AT89S51", "AT89S51", 4096);
}
BENCHMARK(ProgramAt89S51)->Arg(0)->Arg(1)->ArgName("fixed")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void VerifyMega328P(benchmark::State& state)
{
    Station station("ATmega328P", "ATmega328P", 32768);
    if (!station.program()) {
        state.SkipWithError(("the program failed: " + station.lastBox()).c_str());
        return;
    }
    for (auto _ : state) {
        station.clearCounts();
        const auto started = std::chrono::steady_clock::now();
        const bool equal = station.verify();
        report(state, station, secondsSince(started));
        if (!equal)
            state.SkipWithError(("the verify failed: " + station.lastBox()).c_str());
    }
}
BENCHMARK(VerifyMega328P)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void Boxes(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<std::unique_ptr<Station>> stations;
    for (std::size_t i = 0; i < count; ++i)
        stations.push_back(std::make_unique<Station>("ATmega328P", "ATmega328P", 32768, state.range(1) != 0));
    for (auto _ : state) {
        std::atomic<int> failed{0};
        const auto started = std::chrono::steady_clock::now();
        std::vector<std::thread> workers;
        for (auto& station : stations) {
            workers.emplace_back([&station, &failed] {
                if (!station->program() || !station->verify())
                    ++failed;
            });
        }
        for (auto& worker : workers)
            worker.join();
        const double wall = secondsSince(started);
        state.SetIterationTime(wall);
        state.counters["wall_s"] = wall;
        if (failed != 0)
            state.SkipWithError("a box failed");
    }
}
BENCHMARK(Boxes)
    ->ArgsProduct({{1, 4}, {0, 1}})
    ->ArgNames({"boxes", "fixed"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
