#include "board_settings_model.h"

#include "base/messages.h"
#include "settings_store.h"

#include <cctype>
#include <climits>
#include <filesystem>
#include <unistd.h>

namespace quorva {
namespace {

constexpr int kComEditAtOpening = 13;
constexpr int kPathMissingText = 2141;
constexpr int kPermissionDeniedText = 2124;
constexpr int kDelayRangeText = 2148;

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Leading blanks, an optional sign, digits; where the digits end.
std::optional<long long> leadingInteger(const std::string& text, std::size_t& end)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digits = i;
    long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX + 1LL)
            return std::nullopt;
        ++i;
    }
    end = i;
    if (i == digits)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

BoardSettingsModel::BoardSettingsModel(SettingsStore& store, int comPort, int highSpeed)
    : store_(store), comPort_(comPort), highSpeed_(highSpeed),
      comEditText_(std::to_string(comPort >= kCustomPortButton ? comPort : kComEditAtOpening))
{
}

int BoardSettingsModel::checkedPortButton() const
{
    if (comPort_ <= 0)
        return 1;
    return comPort_ < kCustomPortButton ? comPort_ : kCustomPortButton;
}

std::optional<int> BoardSettingsModel::checkedBaudButton() const
{
    if (highSpeed_ < 0 || highSpeed_ >= kBaudButtons)
        return std::nullopt;
    return highSpeed_;
}

std::vector<BoardSettingsModel::DeviceChoice> BoardSettingsModel::deviceChoices() const
{
    std::vector<DeviceChoice> choices;
    for (const SerialDeviceInfo& device : surveySerialDevices([this](int n) { return store_.portPath(n); })) {
        std::string label = device.path;
        if (!device.target.empty())
            label += " \u2192 " + device.target;
        choices.push_back({label, device.path});
    }
    return choices;
}

int BoardSettingsModel::comNumber(const Input& input) const
{
    int button = 0;
    for (int i = 0; i < kPortButtons; ++i) {
        if (input.portChecked[static_cast<std::size_t>(i)])
            button = i + 1;
    }
    if (button == 0)
        return comPort_;
    return button == kCustomPortButton ? editBoxInteger(input.comEditText) : button;
}

std::string BoardSettingsModel::devicePathOf(int comNumber) const
{
    return store_.portPath(comNumber);
}

std::string BoardSettingsModel::pathNote(const std::string& path)
{
    const std::string device = trimmed(path);
    if (device.empty())
        return {};
    std::error_code error;
    if (!std::filesystem::exists(device, error))
        return formatMessage(kPathMissingText, device.c_str());
    if (::access(device.c_str(), R_OK | W_OK) != 0)
        return device + ": " + messageText(kPermissionDeniedText);
    return {};
}

void BoardSettingsModel::accept(const Input& input, int& comPort, int& highSpeed) const
{
    comPort = comNumber(input);
    // The last test that holds wins, so a hidden 921600 button that is still
    // checked keeps its code.
    highSpeed = highSpeed_;
    for (int code = kBaudButtons - 1; code >= 0; --code) {
        if (input.baudChecked[static_cast<std::size_t>(code)])
            highSpeed = code;
    }
    const std::string path = trimmed(input.devicePath);
    // Writing only a change keeps the default /dev/ttyUSB(n-1) out of [Ports],
    // so it still follows the adapter's numbering.
    if (comPort >= 1 && !path.empty() && path != store_.portPath(comPort))
        store_.setPortPath(comPort, path);
}

int editBoxInteger(const std::string& text)
{
    std::size_t end = 0;
    const std::optional<long long> value = leadingInteger(text, end);
    if (!value || *value > INT_MAX || *value < INT_MIN)
        return 0;
    return static_cast<int>(*value);
}

std::optional<int> parseAdvancedDelay(const std::string& text)
{
    std::size_t end = 0;
    const std::optional<long long> value = leadingInteger(text, end);
    if (!value || trimmed(text.substr(end)).size() != 0)
        return std::nullopt;
    if (*value < kMinAdvancedDelay || *value > kMaxAdvancedDelay)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string advancedDelayRangeText()
{
    return formatMessage(kDelayRangeText, kMinAdvancedDelay, kMaxAdvancedDelay);
}

} // namespace quorva
