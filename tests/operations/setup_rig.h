#pragma once

#include "ops_rig.h"

#include "operations/auto_program.h"
#include "operations/chip_setup_commands.h"

namespace quorva::test {

// The ops rig with the chip-setup commands and the auto-program on top; the
// quiet run's log lines are collected.
struct SetupRig : OpsRig {
    explicit SetupRig(const std::string& device, sim::BoxOptions options = instantBox(), const std::string& chip = "")
        : OpsRig(device, std::move(options), chip),
          setup(ui, connection, project, settings, context, [this](const std::string& line) { log.push_back(line); }),
          autoProgram(ui, clock, project, flash, eeprom, settings, context, commands, setup)
    {
    }

    SetupRig(const std::string& device, std::unique_ptr<sim::Chip> chip, sim::BoxOptions options)
        : OpsRig(device, std::move(chip), std::move(options)),
          setup(ui, connection, project, settings, context, [this](const std::string& line) { log.push_back(line); }),
          autoProgram(ui, clock, project, flash, eeprom, settings, context, commands, setup)
    {
    }

    int sleepsOf(int ms) const
    {
        const auto all = clock.sleeps();
        return static_cast<int>(std::count(all.begin(), all.end(), ms));
    }

    std::vector<std::string> log;
    ChipSetupCommands setup;
    AutoProgram autoProgram;
};

inline std::string statusOf(int messageId)
{
    return std::string("status: ") + messageText(messageId);
}

inline bool has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace quorva::test
