#pragma once

#include "operations_context.h"

#include "base/clock.h"
#include "base/ui.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorva {

class ChipCommands;
class ChipRecorder;
class ChipSetupCommands;
class MemoryBuffer;
class Project;
class SerialSequence;

// The production sequence the project configures: erase, blank check, lock
// and fuse bits, then reload, program, verify and serial number of the
// Eeprom and then of the Flash. Each step is the ordinary command; the run
// stops at the first one that fails, naming it on the status line. With the
// project's signature check the chip is checked before anything is written;
// a run never changes the project's device.
class AutoProgram {
public:
    AutoProgram(Ui& ui, Clock& clock, Project& project, MemoryBuffer& flash, MemoryBuffer& eeprom,
                const LinkSettings& settings, OperationsContext& context, ChipCommands& chips,
                ChipSetupCommands& setup);

    // quiet: the unattended start-up run, whose lock and fuse step before the
    // memories writes to the log instead of showing boxes. True when the run
    // ended "DONE"; it then also sets autoProgramOk.
    bool run(bool quiet);

    // Why a run would stop before it touches a chip (a file that did not
    // load or decode, nothing to do); empty when it would start.
    std::string refusal() const;

    // Set when a run ended "DONE"; whoever reads it clears it first.
    bool autoProgramOk = false;
    // Why the last run failed: the failing step's last status line (empty
    // after a good run, or when the step left none).
    std::string failureReason;

    // Where a memory's serial number comes from when its project counts one
    // up: with a sequence, each chip takes the next number from it before
    // the memory is programmed (used up whatever becomes of the chip), and
    // the buffer is not counted up afterwards. Without, the buffer counts.
    SerialSequence* flashSerials = nullptr;
    SerialSequence* eepromSerials = nullptr;
    // Where each chip's production record is kept; with the project's
    // serialSequence the chip's number is taken from the records as its row
    // begins. Null: no records (and a project with a sequence is refused).
    ChipRecorder* recorder = nullptr;
    // The numbers the last run took from the sequences.
    std::optional<std::uint32_t> flashSerial;
    std::optional<std::uint32_t> eepromSerial;

private:
    struct Counts {
        bool acted = false;
        int flashBytes = 0;
        int eepromBytes = 0;
    };

    bool runSteps(bool quiet);
    bool beginRecord();
    void recordStep(const char* name);
    void status(int messageId);
    bool fail(int messageId);
    bool failWith(const std::string& reason);
    bool chipIsTheProjects(bool afterErase, bool& lockedForNow);
    std::string fileProblem(int& failedId) const;
    bool filesReady();
    void pause();
    void settle();
    bool lockFuseStep(bool quiet);
    bool memorySteps(bool isFlash, Counts& counts);
    bool takeSerialNumber(bool isFlash);
    bool reload(MemoryBuffer& buffer, bool isFlash);
    void programEeprom();

    Ui& ui_;
    Clock& clock_;
    Project& project_;
    MemoryBuffer& flash_;
    MemoryBuffer& eeprom_;
    const LinkSettings& settings_;
    OperationsContext& context_;
    ChipCommands& chips_;
    ChipSetupCommands& setup_;
    std::string lockFuseReason_;
    // The step a run ended on when it is not the last one begun.
    std::string failingStep_;
};

} // namespace quorva
