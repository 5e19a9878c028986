#pragma once

#include "cli_commands.h"
#include "cli_session.h"

#include "shell/app_controller.h"
#include "shell/quiet_log.h"

#include <memory>
#include <optional>
#include <string>

namespace quorva::cli {

// The chip behind the box with everything a chip command works on: the
// same controller, project and buffers the main window's buttons drive,
// bound to the line the options name. Nobody answers a script's questions,
// so the run is unattended.
class Bench {
public:
    explicit Bench(CliContext& context);
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // Loads the project (when given), then takes the device (when given).
    // 0 when both are in place, else the exit status: 1 when the project
    // did not load, 2 for an unknown device (a usage error).
    int choose(const std::optional<std::string>& projectPath, const std::optional<std::string>& deviceName);

    const DeviceInfo& device() const;

    CliSession session;
    // Where the chips' production records go (opened when a chip is first written).
    std::shared_ptr<SharedRecordStore> records;
    QuietLog noLog;
    AppController controller;
    Project& project;
    MemoryBuffer& flash;
    MemoryBuffer& eeprom;
    ChipSetupCommands& setup;

private:
    CliContext& context_;
};

} // namespace quorva::cli
