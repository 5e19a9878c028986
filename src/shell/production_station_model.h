#pragma once

#include "base/byte_port.h"
#include "base/clock.h"
#include "data/serial_sequence.h"
#include "records/chip_record.h"
#include "records/shared_record_store.h"
#include "settings_store.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorva {

class AppController;
class MemoryBuffer;
class Project;

// Where a box of the station stands.
enum class TileState {
    Waiting,      // ready for a chip
    Running,      // a chip is being programmed
    Pass,         // the last chip ended "DONE"
    Fail,         // the last chip failed
    Cancelled,    // the last chip was stopped by the operator
    NotAnswering, // the box did not answer after its chip failed
};

// One box's tile as the station shows it.
struct StationTile {
    int comPort = 0;
    std::string devicePath;
    bool ticked = false;
    TileState state = TileState::Waiting;
    std::string step;   // the running step's status line
    int percent = -1;   // the running operation's progress; -1 while none
    std::string result; // Pass: the serial numbers written; otherwise the reason
};

// The session's count of chips.
struct StationCounters {
    int good = 0;
    int failed = 0;
    int cancelled = 0;
    double chipsPerHour = 0;

    double yield() const { return good + failed == 0 ? 0.0 : static_cast<double>(good) / (good + failed); }
};

// The production station without its window: one worker per box, each with
// its own port and controller running the project's auto-program on a Start
// of its own, the tiles and counters the window shows, and the station's
// last records. Every public call is safe from any thread; changed is
// called (from any thread) after something the window shows has changed.
class ProductionStationModel {
public:
    struct Hooks {
        std::function<std::unique_ptr<BytePort>(int comPort)> openPort;
        std::function<void()> changed;
    };

    // The project is the one to run, saved at its file; its buffers give
    // the serial numbers' start when they count up in the image.
    ProductionStationModel(SettingsStore& settings, Clock& clock, const Project& project, const MemoryBuffer& flash,
                           const MemoryBuffer& eeprom, std::shared_ptr<SharedRecordStore> records, Hooks hooks);
    ~ProductionStationModel();
    ProductionStationModel(const ProductionStationModel&) = delete;
    ProductionStationModel& operator=(const ProductionStationModel&) = delete;

    // Who is told that something the window shows has changed; set before
    // the first Start.
    void onChanged(std::function<void()> changed) { hooks_.changed = std::move(changed); }

    // The boxes on offer, ticked as [Production] Boxes remembers them.
    void offerBoxes(const std::vector<int>& comPorts);
    // Asks every box that is not running for its version, on a thread of
    // the model's own; each tile then says whether a box answers.
    void search();
    // Ticks a box in or out; remembered in the settings.
    void setTicked(int comPort, bool ticked);
    // On: each box that finished is ready again for a Start of its own.
    // Off: a box's own Start waits until every box has finished.
    void setRepeat(bool on);
    bool repeat() const;

    // Starts every ticked box that is not running; false when none started.
    bool startAll();
    // Starts one box; false when it is running (or, without repeat, when
    // another box still runs).
    bool start(int comPort);
    // Cancels every running chip; none of them counts as good.
    void stop();
    bool running() const;
    // Returns once no chip is running.
    void waitIdle();

    std::vector<StationTile> tiles() const;
    StationCounters counters() const;
    // The number the next chip gets, when the project counts one up.
    std::optional<std::uint32_t> nextSerial() const;
    // The newest records of this station, at most count.
    std::vector<ChipRecord> lastRecords(int count = 20) const;
    bool recordsOn() const { return records_ && !records_->off(); }
    const std::string& projectPath() const { return projectPath_; }

private:
    struct Box;

    Box* find(int comPort);
    bool startLocked(Box& box);
    void work(Box& box);
    void runChip(Box& box, AppController& controller);
    void notify() const;

    SettingsStore& settings_;
    Clock& clock_;
    std::string projectPath_;
    std::string sequenceName_;
    std::shared_ptr<SharedRecordStore> records_;
    Hooks hooks_;
    std::unique_ptr<SerialSequence> eepromSerials_;
    std::unique_ptr<SerialSequence> flashSerials_;
    std::optional<std::uint32_t> firstSerial_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::unique_ptr<Box>> boxes_;
    bool repeat_ = false;
    bool closing_ = false;
    StationCounters counters_;
    std::optional<std::uint32_t> nextSerial_;
    std::uint64_t firstStartMs_ = 0;
    bool started_ = false;
    std::thread searching_;
    std::atomic<bool> searchBusy_{false};
};

// The COM numbers a station offers: those the settings map or the serial
// survey finds, and those [Production] Boxes remembers.
std::vector<int> stationBoxes(const SettingsStore& settings);

} // namespace quorva
