#pragma once

#include "part_info.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorva::sim {

// What a chip holds, by name, for state files and tests: memories ("flash",
// "eeprom") and small values ("fuses", "lock", "signature", ...).
struct ChipState {
    std::map<std::string, std::vector<std::uint8_t>> memories;
    std::map<std::string, std::vector<int>> values;
};

// A chip on the target board as the box's pins see it. The box drives the
// target's RESET pin (which is also the chip select of AT25 and AT26
// memories on the programming header), a separate DataFlash select, and the
// SPI lines. Times are microseconds of the box's clock; a chip that is busy
// with a write compares them against its own deadline.
class Chip {
public:
    explicit Chip(const PartInfo& part) : part_(part) {}
    virtual ~Chip() = default;
    Chip(const Chip&) = delete;
    Chip& operator=(const Chip&) = delete;

    const PartInfo& part() const { return part_; }

    virtual void resetLine(bool high, std::uint64_t nowUs) = 0;
    // The box lets go of RESET; the target's own pull-up or pull-down wins.
    virtual void releaseReset(std::uint64_t nowUs) { resetLine(true, nowUs); }
    virtual void flashSelect(bool /*active*/, std::uint64_t /*nowUs*/) {}
    // One SPI byte: returns what the chip drove on MISO while mosi went in.
    virtual std::uint8_t exchange(std::uint8_t mosi, std::uint64_t nowUs) = 0;
    virtual void powerCycle() = 0;

    virtual ChipState state() const = 0;
    // Takes the named entries that are present; false with a reason when one
    // has the wrong size.
    virtual bool setState(const ChipState& state, std::string* error) = 0;

    // Write, erase and fuse times from the data sheet, or none at all.
    void setInstantWrites(bool instant) { instant_ = instant; }
    // Write, erase and fuse times this many times the data sheet's: a part
    // slower than any table allows for.
    void setSlowdown(unsigned factor) { slowdown_ = factor > 0 ? factor : 1; }
    // A part whose first write never ends.
    void setNeverReady(bool never) { neverReady_ = never; }
    // Whether a write, erase or fuse write is still in progress.
    virtual bool busyAt(std::uint64_t nowUs) const = 0;
    // Told of each instruction the part refused because it was still busy:
    // a PC that did not wait for the write before it.
    void setRefusalSink(std::function<void(const std::string&)> sink) { refusals_ = std::move(sink); }
    // A damaged chip: erasing leaves the lock bits as they were.
    void setStaysLocked(bool stays) { staysLocked_ = stays; }
    // Lock the chip as far as its lock bits go (LB1 and LB2, or all AT89S bits).
    virtual void lockFully() {}
    // Answer the signature or identification of another part.
    void setIdentityOf(const PartInfo* other) { identityOf_ = other; }
    // Back to the chip as it was built: erased, power-up state, none of the
    // settings above. Its memories keep their storage, so that a run of many
    // cases on one part pays for megabytes of fresh memory once.
    void restart();

protected:
    // The contents and the power-up state of restart(); a chip that only
    // stands in for another holds none.
    virtual void restartContents() {}
    std::uint64_t busyTime(std::uint32_t us) const;
    const PartInfo& identity() const { return identityOf_ ? *identityOf_ : part_; }
    // The write instruction named arrived while busy and was not carried out.
    void refuse(const std::string& instruction) const;

    const PartInfo& part_;
    bool instant_ = false;
    unsigned slowdown_ = 1;
    bool neverReady_ = false;
    std::function<void(const std::string&)> refusals_;
    bool staysLocked_ = false;
    const PartInfo* identityOf_ = nullptr;
};

// AVR and AT89S parts: 4-byte instructions clocked in while the part is held
// in reset, each answered byte by byte on MISO.
class FramedChip : public Chip {
public:
    FramedChip(const PartInfo& part, bool resetActiveHigh);
    void resetLine(bool high, std::uint64_t nowUs) override;
    void releaseReset(std::uint64_t nowUs) override;
    std::uint8_t exchange(std::uint8_t mosi, std::uint64_t nowUs) override;
    void powerCycle() override;
    bool busyAt(std::uint64_t nowUs) const override { return busy(nowUs); }

    bool inReset() const { return inReset_; }
    bool programmingEnabled() const { return enabled_; }

protected:
    // MISO for the fourth byte, once the first three are in.
    virtual std::uint8_t answer(const std::uint8_t* in, std::uint64_t nowUs) = 0;
    virtual void execute(const std::uint8_t* in, std::uint64_t nowUs) = 0;
    virtual void enteredReset() {}
    // Refuses a write instruction that arrives while busy; false for one
    // that may go ahead.
    bool refusedWhileBusy(const std::uint8_t* in, std::uint64_t nowUs, bool writes) const;
    bool busy(std::uint64_t nowUs) const { return nowUs < busyUntilUs_; }
    void startBusy(std::uint64_t nowUs, std::uint32_t us) { busyUntilUs_ = nowUs + busyTime(us); }
    // Out of reset, no instruction begun, as at power-up.
    void restartFrame();

    bool enabled_ = false;
    std::uint64_t busyUntilUs_ = 0;

private:
    bool resetActiveHigh_;
    bool inReset_ = false;
    int position_ = 0;
    std::uint8_t in_[4]{};
    std::uint8_t previous_ = 0xFF;
};

std::unique_ptr<Chip> makeChip(const PartInfo& part);

} // namespace quorva::sim

namespace quorva::sim {

// Copies state.memories[name] into memory when present; the size must match.
bool takeMemory(const ChipState& state, const std::string& name, std::vector<std::uint8_t>& memory,
                std::string* error);
// state.values[name] when present and of the given length, else null (with a
// reason when the length is wrong).
const std::vector<int>* takeValues(const ChipState& state, const std::string& name, std::size_t count,
                                   std::string* error, bool* failed);

} // namespace quorva::sim
