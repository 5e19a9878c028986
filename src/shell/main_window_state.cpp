#include "main_window_state.h"

#include "base/messages.h"
#include "base/text_tables.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "window_ids.h"

namespace quorva {

namespace {

bool holdsData(const MemoryBuffer& buffer)
{
    return buffer.hasData() && buffer.length() != 0;
}

constexpr int kSckPeriodCount = 8;

const DeviceInfo& deviceOrFirst(int index)
{
    const DeviceInfo* device = deviceAt(index);
    return device ? *device : deviceTable[0];
}

} // namespace

const std::vector<int>& MainWindowState::buttonIds()
{
    static const std::vector<int> ids{cmd::ReadSignatureButton, cmd::AutoProgram, cmd::BlankCheck,
                                      cmd::ProgramFlash,        cmd::ReadFlash,   cmd::VerifyFlash,
                                      cmd::ProgramEeprom,       cmd::ReadEeprom,  cmd::VerifyEeprom,
                                      cmd::ChipErase};
    return ids;
}

MainWindowState::MainWindowState(Project& project, MemoryBuffer& flash, MemoryBuffer& eeprom)
    : project_(project), flash_(flash), eeprom_(eeprom)
{
    for (int id : buttonIds())
        buttons_[id] = ButtonState{};
    translate();
    title_ = messageText(1016);
}

void MainWindowState::translate()
{
    const auto texts = dialogTexts(kMainWindowDialog, russianUi());
    if (!texts)
        return;
    for (const auto& [id, text] : texts->controls) {
        const auto found = buttons_.find(id);
        if (found != buttons_.end())
            found->second.caption = text;
    }
}

const ButtonState& MainWindowState::button(int id) const
{
    static const ButtonState none{false, {}};
    const auto found = buttons_.find(id);
    return found == buttons_.end() ? none : found->second;
}

void MainWindowState::fillDevices(int family)
{
    devices_ = devicesOfFamily(family);
}

void MainWindowState::fillDeviceLists()
{
    family_ = 0;
    fillDevices(0);
    position_ = 0;
}

int MainWindowState::currentDevice() const
{
    return deviceIndexAt(family_, position_);
}

void MainWindowState::showDevice(int deviceIndex)
{
    const FamilyPosition where = familyPositionOf(deviceIndex);
    if (where.family < 0)
        return;
    family_ = where.family;
    fillDevices(family_);
    position_ = where.position;
}

void MainWindowState::onDeviceChanged()
{
    const int device = currentDevice();
    if (device != project_.deviceIndex && device >= 0) {
        project_.deviceIndex = device;
        project_.setModified();
    }
    const DeviceInfo& info = deviceOrFirst(device >= 0 ? device : project_.deviceIndex);
    calibrationEnabled_ = info.calibrationCount != 0;
    const int protocol = info.protocol;
    buttons_[cmd::ReadSignatureButton].enabled =
        protocol == ProtocolAvr || protocol == ProtocolAt89s || protocol == ProtocolAt89s8253;
    updateControls();
    showDevice(project_.deviceIndex);
}

void MainWindowState::familyChosen(int family)
{
    if (family < 0 || family >= kFamilyCount)
        return;
    family_ = family;
    fillDevices(family);
    position_ = 0;
    // A new family selects its first device without marking the project.
    if (!devices_.empty())
        project_.deviceIndex = devices_.front();
    onDeviceChanged();
}

void MainWindowState::deviceChosen(int position)
{
    if (position < 0 || position >= static_cast<int>(devices_.size()))
        return;
    position_ = position;
    onDeviceChanged();
}

void MainWindowState::sckChosen(int spiPeriod)
{
    if (spiPeriod < 0 || spiPeriod >= kSckPeriodCount)
        return;
    if (spiPeriod == project_.spiPeriod)
        return;
    project_.spiPeriod = spiPeriod;
    // The next connection sends it, so the project holds a change to save.
    project_.setModified();
}

int MainWindowState::sckSelection() const
{
    // A damaged project file may carry a code the list does not have; the
    // list then shows none rather than a speed that is not sent.
    return project_.spiPeriod >= 0 && project_.spiPeriod < kSckPeriodCount ? project_.spiPeriod : -1;
}

void MainWindowState::invertClicked(bool checked)
{
    invertChecked_ = checked;
    project_.flashInvert = checked;
    project_.setModified();
}

void MainWindowState::incrementClicked(bool checked)
{
    incrementChecked_ = checked;
    project_.setModified();
    project_.autoIncrement = checked;
}

void MainWindowState::showProjectSwitches()
{
    invertChecked_ = project_.flashInvert;
    incrementChecked_ = project_.autoIncrement;
}

void MainWindowState::updateControls()
{
    title_ = project_.fileName + (project_.modified ? "*" : "") + " - " + messageText(1016);

    const DeviceInfo& device = deviceOrFirst(project_.deviceIndex);
    calibrationEnabled_ = device.calibrationCount != 0;
    buttons_[cmd::ReadFlash].enabled = device.flashSize != 0;

    const bool canReadEeprom = device.eepromSize != 0 && device.family != FamilyAt26 && device.family != FamilyAt45;
    buttons_[cmd::ReadEeprom].enabled = canReadEeprom;
    const bool eepromReady = canReadEeprom && holdsData(eeprom_);

    ButtonState& programEeprom = buttons_[cmd::ProgramEeprom];
    if (device.family == FamilyAt45) {
        if (programEeprom.caption != kTextSetPowerOf2)
            rememberedCaption_ = programEeprom.caption;
        programEeprom.caption = kTextSetPowerOf2;
        programEeprom.enabled = true;
    } else {
        programEeprom.enabled = eepromReady;
        if (programEeprom.caption == kTextSetPowerOf2)
            programEeprom.caption = rememberedCaption_;
    }
    buttons_[cmd::VerifyEeprom].enabled = eepromReady;

    const bool flashReady = holdsData(flash_);
    buttons_[cmd::ProgramFlash].enabled = flashReady;
    buttons_[cmd::VerifyFlash].enabled = flashReady;

    const bool canErase = device.protocol != ProtocolAt25;
    buttons_[cmd::ChipErase].enabled = canErase;
    buttons_[cmd::BlankCheck].enabled = canErase;
    buttons_[cmd::AutoProgram].enabled = canErase && device.family != FamilyAt26 && device.family != FamilyAt45;
}

std::vector<std::string> MainWindowState::familyCaptions() const
{
    std::vector<std::string> captions;
    captions.reserve(kFamilyCount);
    for (int family = 0; family < kFamilyCount; ++family)
        captions.emplace_back(familyCaption(family));
    return captions;
}

std::vector<std::string> MainWindowState::deviceNames() const
{
    std::vector<std::string> names;
    for (int index : devices_)
        names.emplace_back(deviceOrFirst(index).name);
    return names;
}

} // namespace quorva
