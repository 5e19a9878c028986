#include "project_settings_model.h"

#include "base/messages.h"
#include "catalogue/device_info.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"
#include "catalogue/fuse_warnings.h"
#include "data/text_numbers.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorva {

namespace {

constexpr int kCaptionId = 1025; // "Programmer QUORVA"
constexpr int kSelectProperChip = 1166;
constexpr int kDelayRange = 2171;
constexpr int kDelayNumber = 2172;
constexpr int kAddressRange = 2221;
constexpr int kUnknownDevice = 2174;
constexpr int kUnknownSck = 2175;
// Beyond it an address is negative, and a negative one counts nothing up.
constexpr std::int64_t kHighestAddress = 0x7FFFFFFF;
constexpr int kDefaultSckPeriod = 4; // a new project's

// clang-format off
constexpr std::array<int, kStrobePositions> kStrobeMs{20, 50, 100, 150, 300, 500, 1000};
constexpr std::array<const char*, kSckPeriods> kSckNames{
    "0.25 uS (4 MHz)", "0.5 uS (2 MHz)", "1 uS (1 MHz)", "2 uS (500 kHz)",
    "4 uS (250 kHz)",  "8 uS (125 kHz)", "16 uS (60 kHz)", "150 uS (7 kHz)",
};
// clang-format on

// Allowed delays in ms; the Eeprom page delay has no bounds.
struct DelayRange {
    int low;
    int high;
};
constexpr DelayRange kFlashByteRange{0, 36};
constexpr DelayRange kFlashPageRange{3, 50};
constexpr DelayRange kEepromByteRange{0, 36};

// A whole decimal number and nothing else; none on overflow.
std::optional<int> wholeNumber(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The address in a field of at most eight characters, read as C's "%x"
// reads it ("0x" allowed, up to the first character that is no hex digit);
// none when that gives no address.
std::optional<int> addressOf(const std::string& text)
{
    if (text.size() > static_cast<std::size_t>(kAddressTextLength))
        return std::nullopt;
    const std::optional<ScannedNumber> number = scanNumber(text, 16);
    if (!number || number->value < 0 || number->value > kHighestAddress)
        return std::nullopt;
    return static_cast<int>(number->value);
}

bool delayFits(const std::string& text, std::optional<DelayRange> range)
{
    const std::optional<int> value = wholeNumber(text);
    return value && (!range || (*value >= range->low && *value <= range->high));
}

std::string delayText(int value)
{
    return std::to_string(value);
}

std::string addressText(int value)
{
    return formatText("%X", static_cast<unsigned>(value));
}

} // namespace

int strobeMilliseconds(int position)
{
    return kStrobeMs[static_cast<std::size_t>(std::clamp(position, 0, kStrobePositions - 1))];
}

int strobePositionFor(int ms)
{
    for (int position = 0; position < kStrobePositions; ++position) {
        if (kStrobeMs[static_cast<std::size_t>(position)] >= ms)
            return position;
    }
    return kStrobePositions - 1;
}

std::string strobeLabel(int position)
{
    return formatText("%d ms", strobeMilliseconds(position));
}

const std::array<const char*, kSckPeriods>& sckPeriodNames()
{
    return kSckNames;
}

ProjectSettingsModel::ProjectSettingsModel(Ui& ui, Project& project, LockFuseEditor editLockFuse)
    : ui_(ui), project_(project), editLockFuse_(std::move(editLockFuse)), lockFuseCopy_(project.lockFuse)
{
    ProjectSettingsControls& c = controls;
    c.polling = project.polling;
    c.checkSign = project.checkSign;
    c.noSynchronization = project.noSynchronization;
    c.autoErase = project.autoErase;
    c.autoEmptyCheck = project.autoEmptyCheck;
    c.flashReload = project.autoFlashReload;
    c.flashProgram = project.autoFlashProgram;
    c.flashVerify = project.autoFlashVerify;
    c.eepromReload = project.autoEepromReload;
    c.eepromProgram = project.autoEepromProgram;
    c.eepromVerify = project.autoEepromVerify;
    c.programFuse = project.programFuse;
    c.programFuseBeforeAll = project.programFuseBeforeAll;
    c.incrementFlash = project.autoIncrementFlash;
    c.incrementEeprom = project.autoIncrement;
    c.flashAddress = addressText(project.autoIncAddressFlash);
    c.eepromAddress = addressText(project.autoIncAddress);
    c.serialSequence = project.serialSequence;
    // The slider has seven lengths only; the project takes the one it shows
    // even if the dialog is cancelled.
    c.strobePosition = strobePositionFor(project.resetStrobeLength);
    project.resetStrobeLength = strobeMilliseconds(c.strobePosition);
    c.flashByteDelay = project.delayByte;
    c.flashByteText = delayText(project.delayByteValue);
    c.flashPageDelay = project.delayPage;
    c.flashPageText = delayText(project.delayPageValue);
    c.eepromByteDelay = project.delayByte2;
    c.eepromByteText = delayText(project.delayByteValue2);
    c.eepromPageDelay = project.delayPage2;
    c.eepromPageText = delayText(project.delayPageValue2);

    c.device = project.deviceIndex;
    if (deviceAt(c.device) == nullptr) {
        c.device = defaultDeviceIndex();
        ui_.showMessage(BoxIcon::Warning, messageText(kCaptionId),
                        formatMessage(kUnknownDevice, project.deviceIndex, deviceAt(c.device)->name));
    }
    c.sckPeriod = project.spiPeriod;
    if (c.sckPeriod < 0 || c.sckPeriod >= kSckPeriods) {
        c.sckPeriod = kDefaultSckPeriod;
        ui_.showMessage(
            BoxIcon::Warning, messageText(kCaptionId),
            formatMessage(kUnknownSck, project.spiPeriod, kSckNames[static_cast<std::size_t>(c.sckPeriod)]));
    }
}

ProjectSettingsEnabled ProjectSettingsModel::enabled() const
{
    ProjectSettingsEnabled on;
    on.configure = controls.programFuse;
    on.flashAddress = controls.incrementFlash;
    on.eepromAddress = controls.incrementEeprom;
    on.serialSequence = controls.incrementFlash || controls.incrementEeprom;
    on.flashByte = controls.flashByteDelay;
    on.flashPage = controls.flashPageDelay;
    on.eepromByte = controls.eepromByteDelay;
    on.eepromPage = controls.eepromPageDelay;
    return on;
}

void ProjectSettingsModel::setAutoProgram(bool checked)
{
    controls.programFuse = checked;
    if (checked && !configure())
        controls.programFuse = false;
}

bool ProjectSettingsModel::configure()
{
    // The setting belongs to the project's device: bits edited under
    // another device's names could damage the chip.
    if (controls.device != project_.deviceIndex) {
        ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), messageText(kSelectProperChip));
        return false;
    }
    const DeviceInfo& device = *deviceAt(controls.device);
    const FuseLayout& layout = fuseLayoutOf(device);
    forceSafeFuses(layout, lockFuseCopy_);
    lockFuseCopy_.valid = layout.lockReadPresent != 0 ? 1 : 0;
    project_.lockFuse.valid = lockFuseCopy_.valid;
    LockFuseState edited = lockFuseCopy_;
    if (!editLockFuse_ || !editLockFuse_(edited, controls.device))
        return false;
    lockFuseCopy_ = edited;
    return true;
}

SettingsField ProjectSettingsModel::refusedField() const
{
    const ProjectSettingsControls& c = controls;
    if (c.incrementFlash && !addressOf(c.flashAddress))
        return SettingsField::FlashAddress;
    if (c.incrementEeprom && !addressOf(c.eepromAddress))
        return SettingsField::EepromAddress;
    if (c.flashByteDelay && !delayFits(c.flashByteText, kFlashByteRange))
        return SettingsField::FlashByte;
    if (c.flashPageDelay && !delayFits(c.flashPageText, kFlashPageRange))
        return SettingsField::FlashPage;
    if (c.eepromByteDelay && !delayFits(c.eepromByteText, kEepromByteRange))
        return SettingsField::EepromByte;
    if (c.eepromPageDelay && !delayFits(c.eepromPageText, std::nullopt))
        return SettingsField::EepromPage;
    return SettingsField::None;
}

void ProjectSettingsModel::refuse(const std::string& text) const
{
    ui_.showMessage(BoxIcon::Warning, messageText(kCaptionId), text);
}

SettingsField ProjectSettingsModel::accept(int& chosenDevice)
{
    const SettingsField refused = refusedField();
    switch (refused) {
    case SettingsField::None:
    case SettingsField::SerialSequence: // any name names a sequence
        break;
    case SettingsField::FlashAddress:
    case SettingsField::EepromAddress:
        refuse(formatMessage(kAddressRange, static_cast<unsigned>(kHighestAddress)));
        return refused;
    case SettingsField::FlashByte:
        refuse(formatMessage(kDelayRange, kFlashByteRange.low, kFlashByteRange.high));
        return refused;
    case SettingsField::FlashPage:
        refuse(formatMessage(kDelayRange, kFlashPageRange.low, kFlashPageRange.high));
        return refused;
    case SettingsField::EepromByte:
        refuse(formatMessage(kDelayRange, kEepromByteRange.low, kEepromByteRange.high));
        return refused;
    case SettingsField::EepromPage:
        refuse(messageText(kDelayNumber));
        return refused;
    }

    const ProjectSettingsControls& c = controls;
    chosenDevice = c.device;
    // A field that is off and holds no number keeps the project's value.
    auto keepOr = [](std::optional<int> value, int& field) {
        if (value)
            field = *value;
    };
    keepOr(addressOf(c.flashAddress), project_.autoIncAddressFlash);
    keepOr(addressOf(c.eepromAddress), project_.autoIncAddress);
    // A name typed with blanks around it is the same sequence.
    const std::size_t first = c.serialSequence.find_first_not_of(" \t");
    project_.serialSequence =
        first == std::string::npos
            ? std::string()
            : c.serialSequence.substr(first, c.serialSequence.find_last_not_of(" \t") - first + 1);
    project_.polling = c.polling;
    project_.checkSign = c.checkSign;
    project_.noSynchronization = c.noSynchronization;
    project_.autoErase = c.autoErase;
    project_.autoEmptyCheck = c.autoEmptyCheck;
    project_.autoFlashReload = c.flashReload;
    project_.autoFlashProgram = c.flashProgram;
    project_.autoFlashVerify = c.flashVerify;
    project_.autoEepromReload = c.eepromReload;
    project_.autoEepromProgram = c.eepromProgram;
    project_.autoEepromVerify = c.eepromVerify;
    project_.autoIncrementFlash = c.incrementFlash;
    project_.autoIncrement = c.incrementEeprom;
    project_.programFuse = c.programFuse;
    project_.programFuseBeforeAll = c.programFuseBeforeAll;
    project_.lockFuse = c.programFuse ? lockFuseCopy_ : LockFuseState{};
    project_.resetStrobeLength = strobeMilliseconds(c.strobePosition);
    project_.delayByte = c.flashByteDelay;
    project_.delayPage = c.flashPageDelay;
    project_.delayByte2 = c.eepromByteDelay;
    project_.delayPage2 = c.eepromPageDelay;
    if (delayFits(c.flashByteText, kFlashByteRange))
        keepOr(wholeNumber(c.flashByteText), project_.delayByteValue);
    if (delayFits(c.flashPageText, kFlashPageRange))
        keepOr(wholeNumber(c.flashPageText), project_.delayPageValue);
    if (delayFits(c.eepromByteText, kEepromByteRange))
        keepOr(wholeNumber(c.eepromByteText), project_.delayByteValue2);
    keepOr(wholeNumber(c.eepromPageText), project_.delayPageValue2);
    project_.spiPeriod = c.sckPeriod;
    return SettingsField::None;
}

} // namespace quorva
