#include "app_controller.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "data/serial_sequence.h"
#include "link/serial_port.h"
#include "production_station_model.h"

namespace quorva {

std::shared_ptr<SharedRecordStore> productionRecords(const SettingsStore& settings,
                                                     const std::optional<std::string>& option)
{
    return std::make_shared<SharedRecordStore>(
        StoreLocation::choose(option, settings.productionRecordsOn(), settings.productionDatabase()));
}

void AppController::keepRecords(std::shared_ptr<SharedRecordStore> records)
{
    records_ = records;
    recorder_.attach(std::move(records), thisOrigin(QUORVA_VERSION));
    recorder_.facts = [this] { return recordFacts(); };
    recorder_.firmware = [this] {
        // The code the box answered with when the line was last set up.
        const std::array<char, 3>& code = connection_.firmwareCode();
        return code[0] != '\0' ? std::string(code.begin(), code.end()) : std::string();
    };
    autoProgram_.recorder = &recorder_;
}

// What a row knows before the chip is touched: the box, the device, the project.
ChipRecord AppController::recordFacts() const
{
    ChipRecord facts;
    facts.comNumber = link_.comPort;
    facts.devicePath = link_.comPort > 0 ? store_.portPath(link_.comPort) : std::string();
    if (const DeviceInfo* device = deviceAt(project_.deviceIndex))
        facts.device = device->name;
    if (project_.fileName != kUnspecifiedFile)
        facts.projectPath = project_.fileName;
    return facts;
}

bool AppController::recordedWrite(const char* step, const std::function<bool()>& work)
{
    if (!recorder_.begin()) {
        context_.lastResult = -1;
        setStatus(recorder_.failure());
        showError(recorder_.failure());
        return false;
    }
    recorder_.step(step);
    context_.cancelled = false;
    const bool ok = work();
    const Outcome outcome = ok ? Outcome::Ok : context_.cancelled ? Outcome::Cancelled : Outcome::Failed;
    if (!recorder_.finish(outcome, context_.statusLine))
        showError(recorder_.failure());
    return ok;
}

// Program Flash or Eeprom: the record names the image and the serial
// number in it as the command writes them.
void AppController::programRecorded(bool isFlash)
{
    recordedWrite(isFlash ? "flash program" : "eeprom program", [this, isFlash] {
        MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
        const bool countsUp = isFlash ? project_.autoIncrementFlash : project_.autoIncrement;
        const int address = isFlash ? project_.autoIncAddressFlash : project_.autoIncAddress;
        if (buffer.hasData())
            recorder_.writing(isFlash, buffer,
                              countsUp ? std::optional(serialNumberAt(buffer.data(), address)) : std::nullopt);
        if (isFlash)
            chips_.programFlash();
        else
            chips_.programEeprom();
        return context_.lastResult >= 0;
    });
}

// Project > Production...: the station for the project as saved, once it
// would pass the checks every auto-program run makes.
void AppController::productionStation()
{
    std::string refusal = autoProgram_.refusal();
    if (refusal.empty() && (project_.fileName == kUnspecifiedFile || project_.modified))
        refusal = messageText(2433);
    if (!refusal.empty()) {
        showInfo(refusal);
        return;
    }
    ProductionStationModel::Hooks hooks;
    hooks.openPort = openBoxPort ? openBoxPort : [this](int) -> std::unique_ptr<BytePort> {
        return std::make_unique<SerialPort>([this](int com) { return store_.portPath(com); });
    };
    ProductionStationModel station(store_, clock_, project_, flash_, eeprom_, records_, std::move(hooks));
    station.offerBoxes(stationBoxes(store_));
    showStation(station);
}

} // namespace quorva
