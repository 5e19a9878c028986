// What the chip operations cost on the PC side.
//
// - RoundTrip: AVR program + verify of a 256 KB image against a port that
//   answers at once, reported as time per command round trip.
// - ProgramVerify256K: the same through the in-process simulator of an
//   ATmega2560 with a clock that only records (CPU time of the whole run).
// - Paced921600: Program Flash and Verify Flash of a 32 KB image on a
//   simulated ATmega328P served by quorva-sim --pace over a pseudo-terminal,
//   at 921600 baud; wall time beside the waits the protocol demands and the
//   time its bytes spend on the line (pace:0 runs the box unpaced).

#include "sim_process.h"

#include "box.h"
#include "chip.h"
#include "part_info.h"
#include "sim_port.h"

#include "base/clock.h"
#include "base/console_ui.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "link/serial_port.h"
#include "operations/chip_commands.h"
#include "operations/program_data.h"
#include "operations/verify_data.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace quorva;

// Runs operations inline on the calling thread, so the benchmark's CPU time
// is the operation's; everything else is silent.
struct QuietStreams {
    std::ostringstream out;
    std::istringstream in;
};

class BenchUi final : private QuietStreams, public ConsoleUi {
public:
    BenchUi() : ConsoleUi(out, out, in, false, false) { setAnswerPolicy(AnswerPolicy::Yes); }

    void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) override
    {
        lastBox = text;
        ConsoleUi::showMessage(icon, caption, text);
    }
    int runOperation(Operation& op) override
    {
        op.execute();
        return op.result();
    }

    std::string lastBox;
};

class NullClock final : public Clock {
public:
    void sleepMs(int) override {}
    std::uint64_t tickMs() override { return 0; }
};

// A box that is never late and never wrong: every single byte read is the
// acknowledgement (a chip that is ready when polled), every block read holds
// the image's filler byte.
class InstantPort final : public BytePort {
public:
    explicit InstantPort(std::uint8_t filler) : block_(kReceiveBufferSize, filler) {}

    bool open(int, int) override { return true; }
    bool close() override { return true; }
    bool sendByte(std::uint8_t byte) override { return send(&byte, 1); }
    bool send(const std::uint8_t* bytes, std::size_t count) override
    {
        polled_ = count == 4 && bytes[0] == byteOf(Command::Spi4Read) && bytes[1] == 0xF0;
        return true;
    }
    const std::uint8_t* receive(std::size_t) override
    {
        ++roundTrips;
        return block_.data();
    }
    int receiveByte() override
    {
        ++roundTrips;
        return polled_ ? 0x00 : kAck;
    }
    const char* status() const override { return "OK"; }
    bool connected() const override { return true; }

    std::uint64_t roundTrips = 0;

private:
    std::vector<std::uint8_t> block_;
    bool polled_ = false;
};

const DeviceInfo& mega2560()
{
    return deviceTable[static_cast<std::size_t>(findByName("ATmega256x"))];
}

void RoundTrip(benchmark::State& state)
{
    BenchUi ui;
    NullClock clock;
    InstantPort port(0x55);
    BoxLink link(port, clock);
    Project project(ui);
    MemoryBuffer buffer;
    buffer.createBlank(262144);
    std::fill(buffer.data().begin(), buffer.data().end(), 0x55);
    int firstMismatch = -1;
    const OperationSetup setup{ui, link, project, mega2560(), {}, 2};
    for (auto _ : state) {
        KX1ProgramData program(setup, buffer, true);
        KX1VerifyData verify(setup, buffer, true, firstMismatch);
        if (ui.runOperation(program) != Operation::kDone || ui.runOperation(verify) != Operation::kDone ||
            !verify.allEqual())
            state.SkipWithError("the run failed");
    }
    state.counters["round_trip"] =
        benchmark::Counter(static_cast<double>(port.roundTrips), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["round_trips_per_run"] =
        static_cast<double>(port.roundTrips) / static_cast<double>(state.iterations());
}
BENCHMARK(RoundTrip)->Unit(benchmark::kMillisecond);

void ProgramVerify256K(benchmark::State& state)
{
    BenchUi ui;
    Project project(ui);
    project.deviceIndex = findByName("ATmega256x");
    MemoryBuffer buffer;
    buffer.createBlank(262144);
    std::uint32_t seed = 1;
    for (auto& byte : buffer.data()) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    int firstMismatch = -1;
    for (auto _ : state) {
        RecordingClock clock;
        sim::Box box(clock, sim::makeChip(*sim::findChip("ATmega2560")));
        sim::SimPort port(clock, box, 0);
        Connection connection(port, clock, ui);
        if (!connection.connect(project, project.deviceIndex, 1, 2)) {
            state.SkipWithError("no connection");
            break;
        }
        const OperationSetup setup{ui, connection.link(), project, *connection.connectionDevice(), {}, 2};
        KX1ProgramData program(setup, buffer, true);
        KX1VerifyData verify(setup, buffer, true, firstMismatch);
        if (ui.runOperation(program) != Operation::kDone || ui.runOperation(verify) != Operation::kDone ||
            !verify.allEqual() || !box.violations().empty())
            state.SkipWithError("the run failed");
        connection.closeConnection();
    }
}
BENCHMARK(ProgramVerify256K)->Unit(benchmark::kMillisecond);

#ifdef QUORVA_SIM_EXE

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

// Counts the line time of every byte at the speed the port runs at.
class LineTime final : public BytePort {
public:
    explicit LineTime(BytePort& inner) : inner_(inner) {}
    bool open(int portIndex, int baud) override
    {
        baud_ = baud;
        return inner_.open(portIndex, baud);
    }
    bool close() override { return inner_.close(); }
    bool sendByte(std::uint8_t byte) override
    {
        add(1);
        return inner_.sendByte(byte);
    }
    bool send(const std::uint8_t* bytes, std::size_t count) override
    {
        add(count);
        return inner_.send(bytes, count);
    }
    const std::uint8_t* receive(std::size_t count) override
    {
        const std::uint8_t* bytes = inner_.receive(count);
        if (bytes)
            add(count);
        return bytes;
    }
    int receiveByte() override
    {
        const int byte = inner_.receiveByte();
        if (byte >= 0)
            add(1);
        return byte;
    }
    const char* status() const override { return inner_.status(); }
    bool connected() const override { return inner_.connected(); }

    double seconds = 0;

private:
    void add(std::size_t bytes) { seconds += static_cast<double>(bytes) * 10.0 / baud_; }
    BytePort& inner_;
    int baud_ = 19200;
};

void Paced921600(benchmark::State& state)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/quorva-ops-bench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    const std::string linkPath = folder + "/COM1";
    std::vector<std::string> args{"--link", linkPath, "--chip", "ATmega328P"};
    // Without --pace the box answers as fast as the pseudo-terminal goes: the
    // difference is what pacing the bytes costs on that side.
    if (state.range(0) != 0)
        args.push_back("--pace");
    const bench::SimProcess simulator(QUORVA_SIM_EXE, args, linkPath);

    BenchUi ui;
    Project project(ui);
    project.deviceIndex = findByName("ATmega328P");
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    flash.createBlank(32768);
    for (std::size_t i = 0; i < flash.data().size(); ++i)
        flash.data()[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    LinkSettings settings;
    settings.comPort = 1;
    settings.highSpeed = 2;
    OperationsContext context;

    double wall = 0, waits = 0, line = 0;
    for (auto _ : state) {
        WaitSum clock;
        SerialPort serial([&](int) { return linkPath; }, realClock());
        LineTime port(serial);
        Connection connection(port, clock, ui);
        ChipCommands commands(ui, connection, project, flash, eeprom, settings, context);
        const auto started = std::chrono::steady_clock::now();
        commands.programFlash();
        const bool programmed = context.lastResult == 0;
        commands.verifyFlash();
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!programmed || !context.flashVerifyOk)
            state.SkipWithError(("the run failed: " + ui.lastBox).c_str());
        waits = static_cast<double>(clock.waitedUs) / 1e6;
        line = port.seconds;
        state.SetIterationTime(wall);
    }
    state.counters["wall_s"] = wall;
    state.counters["waits_s"] = waits;
    state.counters["line_s"] = line;
    state.counters["rest_s"] = wall - waits - line;

    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(Paced921600)->Arg(1)->Arg(0)->ArgName("pace")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

#endif

} // namespace

BENCHMARK_MAIN();
