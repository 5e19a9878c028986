// What the chip operations cost on the PC side.
//
// - RoundTrip: AVR program + verify of a 256 KB image against a port that
//   answers at once, reported as time per command round trip.
// - ProgramVerify256K: the same through the in-process simulator of an
//   ATmega2560 with a clock that only records (CPU time of the whole run).
//
// paced_bench measures the same commands in wall time over a real serial line.

#include "bench_ui.h"

#include "box.h"
#include "chip.h"
#include "part_info.h"
#include "sim_port.h"

#include "base/clock.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "operations/program_data.h"
#include "operations/verify_data.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using namespace quorva;
using bench::BenchUi;

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

} // namespace

BENCHMARK_MAIN();
