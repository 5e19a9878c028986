#include "cli_gang.h"

#include "base/interrupt_guard.h"
#include "base/json_text.h"
#include "base/messages.h"
#include "link/serial_port.h"
#include "shell/gang_run.h"
#include "shell/quiet_log.h"

#include <atomic>
#include <iostream>
#include <mutex>
#include <ostream>
#include <unistd.h>

namespace quorva::cli {

namespace {

std::string serialText(const GangChip& chip)
{
    std::string text;
    if (chip.eepromSerial)
        text += formatMessage(2114, static_cast<unsigned>(*chip.eepromSerial));
    if (chip.flashSerial)
        text += formatMessage(2115, static_cast<unsigned>(*chip.flashSerial));
    return text;
}

std::string serialFields(const GangChip& chip)
{
    std::string fields;
    if (chip.eepromSerial)
        fields += ",\"eepromSerial\":" + std::to_string(*chip.eepromSerial);
    if (chip.flashSerial)
        fields += ",\"flashSerial\":" + std::to_string(*chip.flashSerial);
    return fields;
}

} // namespace

std::string chipLine(const GangChip& chip)
{
    if (chip.ok)
        return formatMessage(2112, chip.comPort, chip.chip, serialText(chip).c_str());
    return formatMessage(2113, chip.comPort, chip.chip, serialText(chip).c_str(), chip.reason.c_str());
}

int runGang(CliContext& context, const GangRequest& request)
{
    const bool json = context.ui.jsonEvents();
    std::mutex outputMutex;
    const auto writeLine = [&](const std::string& line) {
        const std::lock_guard<std::mutex> hold(outputMutex);
        context.out << line << '\n' << std::flush;
    };
    const auto event = [&](const char* name, int comPort, const std::string& fields) {
        writeLine(std::string("{\"event\":\"") + name + "\",\"box\":" + std::to_string(comPort) + fields + "}");
    };
    const bool askBetweenChips = !request.noWait && isatty(STDIN_FILENO) != 0 && !json;
    std::mutex inputMutex;

    GangRun::Setup setup;
    setup.projectPath = request.projectPath;
    setup.comPorts = context.options.comPorts;
    setup.chips = request.chips;
    setup.baudCode = context.options.baudCode.value_or(0);
    setup.advancedDelays = context.settings.readAdvancedDelays();
    setup.fixedWaits = context.options.fixedWaits || context.settings.fixedWaits();
    setup.eepromSerials = request.eepromSerials;
    setup.flashSerials = request.flashSerials;
    setup.records = request.records;
    setup.serialSequence = request.serialSequence;

    QuietLog log;
    if (request.logPath && !log.open(*request.logPath))
        context.err << "cannot open the log " << *request.logPath << "\n";

    GangRun::Hooks hooks;
    hooks.openPort = [&context](int) -> std::unique_ptr<BytePort> {
        return std::make_unique<SerialPort>(
            [&settings = context.settings](int number) { return settings.portPath(number); });
    };
    hooks.say = [&](int comPort, const std::string& line) {
        if (json)
            event("box", comPort, ",\"text\":" + jsonString(line));
        else
            writeLine("COM" + std::to_string(comPort) + ": " + line);
    };
    hooks.nextChipReady = [&](int comPort) {
        if (!askBetweenChips)
            return true;
        // One box at a time reads its Enter, in the order they became free.
        const std::lock_guard<std::mutex> hold(inputMutex);
        writeLine(formatMessage(2119, comPort));
        std::string line;
        return !InterruptGuard::requested().load() && static_cast<bool>(std::getline(std::cin, line));
    };
    hooks.chipEnded = [&](const GangChip& chip) {
        if (json)
            event("chip", chip.comPort,
                  ",\"chip\":" + std::to_string(chip.chip) + ",\"ok\":" + (chip.ok ? "true" : "false") +
                      serialFields(chip) + (chip.ok ? "" : ",\"reason\":" + jsonString(chip.reason)));
        else
            writeLine(chipLine(chip));
        log.writeLine(chipLine(chip)); // chipEnded calls never overlap
    };

    // Ctrl-C stops every box.
    const InterruptGuard interrupt(true);
    GangRun gang(context.settings, realClock(), setup, hooks);
    const std::vector<GangBox> boxes = gang.run(InterruptGuard::requested());

    int ok = 0;
    int failed = 0;
    for (const GangBox& box : boxes) {
        ok += box.ok;
        failed += box.failed;
    }
    if (json) {
        for (const GangBox& box : boxes)
            event("box-summary", box.comPort,
                  ",\"ok\":" + std::to_string(box.ok) + ",\"failed\":" + std::to_string(box.failed) +
                      (box.stopped.empty() ? "" : ",\"stopped\":" + jsonString(box.stopped)));
    } else {
        writeLine(formatMessage(2116, ok, failed));
        for (const GangBox& box : boxes) {
            writeLine(formatMessage(2117, box.comPort, box.ok, box.failed));
            if (!box.stopped.empty())
                writeLine(formatMessage(2118, box.comPort, box.stopped.c_str()));
        }
    }
    const int wanted = request.chips > 0 ? request.chips : static_cast<int>(boxes.size());
    const bool allDone = failed == 0 && ok == wanted && !InterruptGuard::requested().load();
    log.writeLine(messageText(allDone ? 1190 : 1191));
    return allDone ? 0 : 1;
}

} // namespace quorva::cli
