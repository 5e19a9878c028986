#include "gang_run.h"

#include "app_controller.h"
#include "quiet_log.h"
#include "quiet_ui.h"
#include "window_ids.h"

#include "base/messages.h"
#include "data/memory_buffer.h"
#include "data/project.h"

#include <thread>

namespace quorva {

std::unique_ptr<SerialSequence> serialSequenceFor(const MemoryBuffer& buffer, bool countsUp, int address,
                                                  bool saveSerial, bool* missingFile)
{
    if (!countsUp || !buffer.hasData())
        return nullptr;
    if (!saveSerial) {
        const auto data = buffer.data();
        return std::make_unique<MemorySerialSequence>(Image(data.begin(), data.end()), address);
    }
    if (buffer.fileName().empty() || buffer.fileName() == kUnspecifiedFile) {
        if (missingFile)
            *missingFile = true;
        return nullptr;
    }
    return std::make_unique<FileSerialSequence>(buffer.fileName(), address);
}

GangRun::GangRun(SettingsStore& store, Clock& clock, Setup setup, Hooks hooks)
    : store_(store), clock_(clock), setup_(std::move(setup)), hooks_(std::move(hooks))
{
}

std::vector<GangBox> GangRun::run(const std::atomic<bool>& stop)
{
    boxes_.assign(setup_.comPorts.size(), GangBox{});
    std::vector<std::unique_ptr<BytePort>> ports;
    for (std::size_t i = 0; i < setup_.comPorts.size(); ++i) {
        boxes_[i].comPort = setup_.comPorts[i];
        ports.push_back(hooks_.openPort(setup_.comPorts[i]));
    }
    if (setup_.chips <= 0)
        setup_.chips = static_cast<int>(setup_.comPorts.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < ports.size(); ++i)
        workers.emplace_back([this, i, &ports, &stop] { work(i, *ports[i], stop); });
    for (std::thread& worker : workers)
        worker.join();
    return boxes_;
}

void GangRun::work(std::size_t box, BytePort& port, const std::atomic<bool>& stop)
{
    const int comPort = setup_.comPorts[box];
    QuietUi ui([this, comPort](const std::string& line) { hooks_.say(comPort, line); }, clock_, &stop);
    QuietLog noLog;
    AppController controller(ui, store_, port, clock_, noLog);
    LinkSettings link;
    link.comPort = comPort;
    link.highSpeed = setup_.baudCode;
    link.advancedDelays = setup_.advancedDelays;
    link.fixedWaits = setup_.fixedWaits;
    controller.prepare(link);
    controller.context().unattended = true;
    if (!controller.project().load(setup_.projectPath)) {
        boxes_[box].stopped = formatMessage(1024, setup_.projectPath.c_str());
        return;
    }
    if (setup_.records)
        controller.keepRecords(setup_.records);
    if (!setup_.serialSequence.empty())
        controller.project().serialSequence = setup_.serialSequence;
    AutoProgram& sequence = controller.autoProgram();
    sequence.eepromSerials = setup_.eepromSerials;
    sequence.flashSerials = setup_.flashSerials;

    for (bool first = true; !stop.load(); first = false) {
        if (!first && hooks_.nextChipReady && !hooks_.nextChipReady(comPort))
            return;
        // Records that failed on one box fail on every box: none starts another chip.
        if (recordsFailed_.load())
            return;
        const int chip = ++started_;
        if (chip > setup_.chips || stop.load())
            return;
        controller.command(cmd::AutoProgram);
        const ChipRecorder& recorder = controller.recorder();
        if (!recorder.failure().empty()) {
            recordsFailed_ = true;
            boxes_[box].stopped = recorder.failure();
            // A chip refused before it was touched is no chip of the run.
            if (recorder.refused())
                return;
        }
        GangChip ended;
        ended.comPort = comPort;
        ended.chip = chip;
        ended.ok = controller.autoProgramOk();
        ended.reason = sequence.failureReason.empty() ? controller.statusText() : sequence.failureReason;
        ended.eepromSerial = sequence.eepromSerial;
        ended.flashSerial = sequence.flashSerial;
        // A failed chip may be a box that is gone: then this box is done.
        const bool boxAnswers = ended.ok || stop.load() ||
                                (controller.connection().connectForVersion(comPort, false, false, true, true) &&
                                 controller.connection().closeVersionConnection());
        {
            const std::lock_guard<std::mutex> hold(endedMutex_);
            (ended.ok ? boxes_[box].ok : boxes_[box].failed)++;
            if (!boxAnswers && boxes_[box].stopped.empty())
                boxes_[box].stopped = messageText(2120);
            hooks_.chipEnded(ended);
        }
        if (!boxAnswers || recordsFailed_.load())
            return;
    }
}

} // namespace quorva
