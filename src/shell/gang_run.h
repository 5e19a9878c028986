#pragma once

#include "base/byte_port.h"
#include "base/clock.h"
#include "base/ui.h"
#include "data/serial_sequence.h"
#include "records/shared_record_store.h"
#include "settings_store.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

class MemoryBuffer;
class Project;

// The serial-number sequence of one memory of a production run: the image
// file itself when the numbers are saved (so every process that programs
// from it shares it), else this process's copy of the buffer. Null when the
// memory does not count up; also when numbers are to be saved but the
// buffer has no file (*missingFile is then set).
std::unique_ptr<SerialSequence> serialSequenceFor(const MemoryBuffer& buffer, bool countsUp, int address,
                                                  bool saveSerial, bool* missingFile);

// How one chip of a gang run ended.
struct GangChip {
    int comPort = 0;
    int chip = 0; // 1, 2, ... in the order the chips began
    bool ok = false;
    std::string reason; // why it failed: the failing step's last line
    std::optional<std::uint32_t> eepromSerial;
    std::optional<std::uint32_t> flashSerial;
};

// What became of one box.
struct GangBox {
    int comPort = 0;
    int ok = 0;
    int failed = 0;
    std::string stopped; // why the box was given up (it stopped answering)
};

// Production with several boxes at once: one worker thread per box, each
// with its own port, connection, controller and copies of the buffers, all
// running the project's production sequence. The chips are shared out as
// boxes become free; the serial numbers come from one sequence per memory.
// A box that stops answering ends only its own worker.
class GangRun {
public:
    struct Setup {
        std::string projectPath;
        std::vector<int> comPorts;
        int chips = 0; // in all; 0 = one per box
        int baudCode = 0;
        std::array<int, 4> advancedDelays{};
        bool fixedWaits = false;
        SerialSequence* eepromSerials = nullptr;
        SerialSequence* flashSerials = nullptr;
        // Every box keeps its chips' records here; with serialSequence the
        // numbers come from that sequence of the records.
        std::shared_ptr<SharedRecordStore> records;
        std::string serialSequence;
    };
    struct Hooks {
        // The port for a box; called on the thread that calls run().
        std::function<std::unique_ptr<BytePort>(int comPort)> openPort;
        // Where a box's boxes and answered questions go, a whole line each.
        std::function<void(int comPort, const std::string& line)> say;
        // Before every chip but a box's first: false ends that box.
        std::function<bool(int comPort)> nextChipReady;
        // As each chip ends; calls never overlap.
        std::function<void(const GangChip&)> chipEnded;
    };

    GangRun(SettingsStore& store, Clock& clock, Setup setup, Hooks hooks);

    // Runs until the chips are done, every box has stopped, or stop is set
    // (the running operations are then cancelled). One entry per box.
    std::vector<GangBox> run(const std::atomic<bool>& stop);

private:
    void work(std::size_t box, BytePort& port, const std::atomic<bool>& stop);

    SettingsStore& store_;
    Clock& clock_;
    Setup setup_;
    Hooks hooks_;
    std::atomic<int> started_{0};
    std::atomic<bool> recordsFailed_{false};
    std::mutex endedMutex_;
    std::vector<GangBox> boxes_;
};

} // namespace quorva
