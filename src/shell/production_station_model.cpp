#include "production_station_model.h"

#include "app_controller.h"
#include "gang_run.h"
#include "quiet_log.h"
#include "quiet_ui.h"
#include "window_ids.h"

#include "base/messages.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "link/serial_survey.h"

#include <algorithm>

namespace quorva {

namespace {

constexpr int kNotAnswering = 2120;
constexpr int kEepromSerial = 2114;
constexpr int kFlashSerial = 2115;
constexpr int kProjectNotLoaded = 1024;
constexpr int kBoxAnswers = 2431;
constexpr int kNoBox = 2432;

// ", Flash serial number 4711" without its leading comma.
std::string serialsWritten(const AutoProgram& run)
{
    std::string text;
    if (run.eepromSerial)
        text += formatMessage(kEepromSerial, static_cast<unsigned>(*run.eepromSerial));
    if (run.flashSerial)
        text += formatMessage(kFlashSerial, static_cast<unsigned>(*run.flashSerial));
    return text.size() > 2 ? text.substr(2) : text;
}

} // namespace

struct ProductionStationModel::Box {
    StationTile tile;
    bool startRequested = false;
    bool busy = false; // from its Start until its chip has ended
    std::atomic<bool> cancel{false};
    std::thread worker;
};

ProductionStationModel::ProductionStationModel(SettingsStore& settings, Clock& clock, const Project& project,
                                               const MemoryBuffer& flash, const MemoryBuffer& eeprom,
                                               std::shared_ptr<SharedRecordStore> records, Hooks hooks)
    : settings_(settings), clock_(clock), projectPath_(project.fileName), sequenceName_(project.serialSequence),
      records_(std::move(records)), hooks_(std::move(hooks))
{
    // One sequence per memory for every box, as a run with several boxes has.
    eepromSerials_ = serialSequenceFor(eeprom, project.autoIncrement, project.autoIncAddress, false, nullptr);
    flashSerials_ = serialSequenceFor(flash, project.autoIncrementFlash, project.autoIncAddressFlash, false, nullptr);
    if (flashSerials_)
        firstSerial_ = serialNumberAt(flash.data(), project.autoIncAddressFlash);
    else if (eepromSerials_)
        firstSerial_ = serialNumberAt(eeprom.data(), project.autoIncAddress);
    nextSerial_ = firstSerial_;
}

ProductionStationModel::~ProductionStationModel()
{
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        closing_ = true;
        for (const auto& box : boxes_)
            box->cancel = true;
    }
    wake_.notify_all();
    if (searching_.joinable())
        searching_.join();
    for (const auto& box : boxes_)
        if (box->worker.joinable())
            box->worker.join();
}

std::vector<int> stationBoxes(const SettingsStore& settings)
{
    std::vector<int> boxes = settings.productionBoxes();
    for (const SerialDeviceInfo& device : surveySerialDevices([&settings](int com) { return settings.portPath(com); }))
        boxes.insert(boxes.end(), device.comNumbers.begin(), device.comNumbers.end());
    std::sort(boxes.begin(), boxes.end());
    boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());
    return boxes;
}

void ProductionStationModel::search()
{
    // A search still asking its boxes is not started twice.
    if (searchBusy_.exchange(true))
        return;
    if (searching_.joinable())
        searching_.join();
    std::vector<int> idle;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (const auto& box : boxes_)
            if (!box->busy)
                idle.push_back(box->tile.comPort);
    }
    searching_ = std::thread([this, idle] {
        for (const int com : idle) {
            const std::unique_ptr<BytePort> port = hooks_.openPort(com);
            QuietUi silent([](const std::string&) {}, clock_);
            Connection connection(*port, clock_, silent);
            Connection::Version version;
            const bool answers = connection.readVersion(com, version, false);
            {
                const std::lock_guard<std::mutex> hold(mutex_);
                Box* box = find(com);
                if (!box || box->busy || closing_)
                    continue;
                box->tile.result = answers ? formatMessage(kBoxAnswers, version.text.c_str()) : messageText(kNoBox);
                box->tile.state = answers ? TileState::Waiting : TileState::NotAnswering;
            }
            notify();
        }
        searchBusy_ = false;
    });
}

void ProductionStationModel::notify() const
{
    if (hooks_.changed)
        hooks_.changed();
}

ProductionStationModel::Box* ProductionStationModel::find(int comPort)
{
    for (const auto& box : boxes_)
        if (box->tile.comPort == comPort)
            return box.get();
    return nullptr;
}

void ProductionStationModel::offerBoxes(const std::vector<int>& comPorts)
{
    const std::vector<int> remembered = settings_.productionBoxes();
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (const int com : comPorts) {
            if (find(com))
                continue;
            auto box = std::make_unique<Box>();
            box->tile.comPort = com;
            box->tile.devicePath = settings_.portPath(com);
            box->tile.ticked = std::find(remembered.begin(), remembered.end(), com) != remembered.end();
            boxes_.push_back(std::move(box));
        }
        std::sort(boxes_.begin(), boxes_.end(),
                  [](const auto& a, const auto& b) { return a->tile.comPort < b->tile.comPort; });
    }
    notify();
}

void ProductionStationModel::setTicked(int comPort, bool ticked)
{
    std::vector<int> chosen;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (Box* box = find(comPort))
            box->tile.ticked = ticked;
        for (const auto& box : boxes_)
            if (box->tile.ticked)
                chosen.push_back(box->tile.comPort);
    }
    settings_.setProductionBoxes(chosen);
    notify();
}

void ProductionStationModel::setRepeat(bool on)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    repeat_ = on;
}

bool ProductionStationModel::repeat() const
{
    const std::lock_guard<std::mutex> hold(mutex_);
    return repeat_;
}

bool ProductionStationModel::startLocked(Box& box)
{
    if (box.busy || closing_)
        return false;
    if (!started_) {
        started_ = true;
        firstStartMs_ = clock_.tickMs();
    }
    box.busy = true;
    box.startRequested = true;
    box.cancel = false;
    box.tile.state = TileState::Running;
    box.tile.step.clear();
    box.tile.percent = -1;
    box.tile.result.clear();
    if (!box.worker.joinable())
        box.worker = std::thread([this, &box] { work(box); });
    return true;
}

bool ProductionStationModel::startAll()
{
    bool any = false;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (const auto& box : boxes_)
            if (box->tile.ticked)
                any = startLocked(*box) || any;
    }
    wake_.notify_all();
    notify();
    return any;
}

bool ProductionStationModel::start(int comPort)
{
    bool started = false;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        Box* box = find(comPort);
        const bool othersRun = std::any_of(boxes_.begin(), boxes_.end(),
                                           [box](const auto& other) { return other.get() != box && other->busy; });
        if (box && (repeat_ || !othersRun))
            started = startLocked(*box);
    }
    wake_.notify_all();
    notify();
    return started;
}

void ProductionStationModel::stop()
{
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (const auto& box : boxes_)
            if (box->busy)
                box->cancel = true;
    }
    notify();
}

bool ProductionStationModel::running() const
{
    const std::lock_guard<std::mutex> hold(mutex_);
    return std::any_of(boxes_.begin(), boxes_.end(), [](const auto& box) { return box->busy; });
}

void ProductionStationModel::waitIdle()
{
    std::unique_lock<std::mutex> hold(mutex_);
    wake_.wait(
        hold, [this] { return std::none_of(boxes_.begin(), boxes_.end(), [](const auto& box) { return box->busy; }); });
}

std::vector<StationTile> ProductionStationModel::tiles() const
{
    const std::lock_guard<std::mutex> hold(mutex_);
    std::vector<StationTile> shown;
    for (const auto& box : boxes_)
        shown.push_back(box->tile);
    return shown;
}

StationCounters ProductionStationModel::counters() const
{
    const std::lock_guard<std::mutex> hold(mutex_);
    StationCounters counted = counters_;
    const std::uint64_t elapsedMs = started_ ? clock_.tickMs() - firstStartMs_ : 0;
    const int chips = counted.good + counted.failed + counted.cancelled;
    if (elapsedMs > 0)
        counted.chipsPerHour = chips * 3600000.0 / static_cast<double>(elapsedMs);
    return counted;
}

std::optional<std::uint32_t> ProductionStationModel::nextSerial() const
{
    if (!sequenceName_.empty() && recordsOn()) {
        StoreResult<RecordStore*> store = records_->get();
        if (!store)
            return std::nullopt;
        StoreResult<std::optional<SequenceState>> state = store.value()->sequence(sequenceName_);
        // A sequence not used yet starts at the image's number.
        return state && state.value() ? std::optional(state.value()->next) : firstSerial_;
    }
    const std::lock_guard<std::mutex> hold(mutex_);
    return nextSerial_;
}

std::vector<ChipRecord> ProductionStationModel::lastRecords(int count) const
{
    if (!recordsOn())
        return {};
    StoreResult<RecordStore*> store = records_->get();
    if (!store)
        return {};
    RecordFilter filter;
    filter.station = thisOrigin({}).station;
    filter.limit = count;
    StoreResult<std::vector<ChipRecord>> rows = store.value()->query(filter);
    return rows ? rows.value() : std::vector<ChipRecord>{};
}

void ProductionStationModel::work(Box& box)
{
    const int com = box.tile.comPort;
    const std::unique_ptr<BytePort> port = hooks_.openPort(com);
    QuietUi ui([](const std::string&) {}, clock_, &box.cancel);
    ui.follow(
        [this, &box](const std::string& status) {
            {
                const std::lock_guard<std::mutex> hold(mutex_);
                box.tile.step = status;
            }
            notify();
        },
        [this, &box](int percent) {
            {
                const std::lock_guard<std::mutex> hold(mutex_);
                box.tile.percent = percent;
            }
            notify();
        });
    QuietLog noLog;
    AppController controller(ui, settings_, *port, clock_, noLog);
    LinkSettings link;
    link.comPort = com;
    link.highSpeed = settings_.getInt(kHighSpeedKey);
    link.advancedDelays = settings_.readAdvancedDelays();
    controller.prepare(link);
    controller.context().unattended = true;
    const bool loaded = controller.project().load(projectPath_);
    if (records_)
        controller.keepRecords(records_);
    controller.autoProgram().eepromSerials = eepromSerials_.get();
    controller.autoProgram().flashSerials = flashSerials_.get();

    for (;;) {
        {
            std::unique_lock<std::mutex> hold(mutex_);
            wake_.wait(hold, [this, &box] { return closing_ || box.startRequested; });
            if (closing_)
                return;
            box.startRequested = false;
        }
        if (loaded) {
            runChip(box, controller);
            continue;
        }
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            box.busy = false;
            box.tile.state = TileState::Fail;
            box.tile.result = formatMessage(kProjectNotLoaded, projectPath_.c_str());
        }
        wake_.notify_all();
        notify();
    }
}

void ProductionStationModel::runChip(Box& box, AppController& controller)
{
    controller.command(cmd::AutoProgram);
    const AutoProgram& run = controller.autoProgram();
    const ChipRecorder& recorder = controller.recorder();
    const bool ok = controller.autoProgramOk();
    const bool cancelled = !ok && box.cancel.load();
    // A chip refused before it was touched is no chip of the session.
    const bool counted = !recorder.refused();
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        box.tile.percent = -1;
        if (counted)
            (ok ? counters_.good : cancelled ? counters_.cancelled : counters_.failed)++;
        for (const std::optional<std::uint32_t>& taken : {run.eepromSerial, run.flashSerial})
            if (taken && (!nextSerial_ || *taken >= *nextSerial_))
                nextSerial_ = *taken + 1;
        if (!recorder.failure().empty()) {
            // The records failed: no box of the station starts another chip.
            box.tile.state = ok ? TileState::Pass : TileState::Fail;
            box.tile.result = recorder.failure();
            for (const auto& other : boxes_)
                other->cancel = true;
        } else if (ok) {
            box.tile.state = TileState::Pass;
            box.tile.result = serialsWritten(run);
        } else {
            box.tile.state = cancelled ? TileState::Cancelled : TileState::Fail;
            box.tile.result = run.failureReason.empty() ? controller.statusText() : run.failureReason;
        }
    }
    notify();
    // A failed chip may be a box that is gone.
    const int com = box.tile.comPort;
    const bool answers = ok || cancelled ||
                         (controller.connection().connectForVersion(com, false, false, true, true) &&
                          controller.connection().closeVersionConnection());
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (!answers) {
            box.tile.state = TileState::NotAnswering;
            box.tile.result += " - " + std::string(messageText(kNotAnswering));
        }
        box.busy = false;
    }
    wake_.notify_all();
    notify();
}

} // namespace quorva
