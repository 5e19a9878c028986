#pragma once

#include "box.h"
#include "chip.h"
#include "part_info.h"
#include "sim_port.h"

#include "base/clock.h"
#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "operations/chip_commands.h"
#include "operations/chip_operation.h"

#include "scripted_ui.h"
#include "wire_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quorva::test {

using Bytes = std::vector<std::uint8_t>;

inline sim::BoxOptions instantBox()
{
    sim::BoxOptions options;
    options.instantWrites = true;
    return options;
}

// The main window's side of the chip commands, wired to a simulated box on
// COM3 through a wire log, with a recording clock.
struct OpsRig {
    explicit OpsRig(const std::string& device, sim::BoxOptions options = instantBox(), const std::string& chip = "")
        : OpsRig(device, sim::makeChip(*sim::findChip(chip.empty() ? device : chip)), std::move(options))
    {
    }

    OpsRig(const std::string& device, std::unique_ptr<sim::Chip> chip, sim::BoxOptions options)
        : box(clock, std::move(chip), std::move(options)), simPort(clock), wire(simPort), project(ui),
          connection(wire, clock, ui),
          commands(ui, connection, project, flash, eeprom, settings, context)
    {
        simPort.attach(2, box);
        project.deviceIndex = findByName(device);
        EXPECT_GE(project.deviceIndex, 0) << device;
        flash.init(ui, false, {}, &project);
        eeprom.init(ui, true, {}, &project);
        project.bindBuffers(flash, eeprom);
        settings.comPort = 3;
    }

    template <typename ChipType>
    ChipType& chip()
    {
        return dynamic_cast<ChipType&>(box.chip());
    }

    static void fill(MemoryBuffer& buffer, const Bytes& bytes)
    {
        buffer.createBlank(static_cast<int>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), buffer.data().begin());
        buffer.setAllByteStates(ByteLoaded);
    }

    // Opens the connection an operation runs on and forgets its bytes.
    void connect(int baudCode = 0)
    {
        ASSERT_TRUE(connection.connect(project, project.deviceIndex, settings.comPort, baudCode));
        wire.clear();
        ui.clearCalls();
        clock.clearSleeps();
    }

    OperationSetup setup(int baudCode = 0)
    {
        OperationSetup setup{
            ui, connection.link(), project, *connection.connectionDevice(), settings.advancedDelays, baudCode};
        setup.fixedWaits = settings.fixedWaits;
        return setup;
    }

    std::vector<std::string> sends() const { return wire.sends(); }
    // Sends that start with prefix.
    std::vector<std::string> sendsStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& s : wire.sends()) {
            if (s.rfind(prefix, 0) == 0)
                found.push_back(s);
        }
        return found;
    }
    std::vector<std::string> boxes() const { return ui.callsStartingWith("box: "); }

    void expectNoViolations() const { EXPECT_TRUE(box.violations().empty()) << box.violationReport(); }

    RecordingClock clock;
    sim::Box box;
    sim::SimPort simPort;
    WireLog wire;
    ScriptedUi ui;
    Project project;
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    LinkSettings settings;
    OperationsContext context;
    Connection connection;
    ChipCommands commands;
};

inline Bytes pattern(std::size_t count, std::uint8_t seed = 0)
{
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + seed + (i >> 8)) & 0xFF);
    return bytes;
}

// Whether lines hold run as consecutive entries.
inline bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& run)
{
    return std::search(lines.begin(), lines.end(), run.begin(), run.end()) != lines.end();
}

// How often run occurs in lines.
inline std::size_t countRuns(const std::vector<std::string>& lines, const std::vector<std::string>& run)
{
    std::size_t count = 0;
    for (auto at = lines.begin();; ++at) {
        at = std::search(at, lines.end(), run.begin(), run.end());
        if (at == lines.end())
            return count;
        ++count;
    }
}

inline std::size_t countOf(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// How the scripted Ui records an information box with the program's caption.
inline std::string infoBox(int messageId)
{
    return std::string("box: information | ") + messageText(1025) + " | " + messageText(messageId);
}

} // namespace quorva::test
