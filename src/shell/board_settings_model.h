#pragma once

#include "link/serial_survey.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

class SettingsStore;

// The Board Settings dialog without its widgets: what it shows when it opens
// and what OK makes of the person's input.
class BoardSettingsModel {
public:
    // Buttons 1..12 stand for COM1..COM12; button 13 ("COM") takes its
    // number from the edit box beside it.
    static constexpr int kPortButtons = 13;
    static constexpr int kCustomPortButton = 13;
    static constexpr int kBaudButtons = 3; // indexed by the baud code

    // The widgets' state when the person presses OK.
    struct Input {
        std::array<bool, kPortButtons> portChecked{};
        std::string comEditText;
        std::array<bool, kBaudButtons> baudChecked{};
        std::string devicePath;
    };

    BoardSettingsModel(SettingsStore& store, int comPort, int highSpeed);

    // --- opening ---
    int checkedPortButton() const;
    const std::string& comEditText() const { return comEditText_; }
    // The button of the baud code, nullopt for a code without one.
    std::optional<int> checkedBaudButton() const;
    // The devices present, each as the chooser lists it.
    struct DeviceChoice {
        std::string label;
        std::string path;
    };
    std::vector<DeviceChoice> deviceChoices() const;

    // --- while the dialog is open ---
    // The COM number the port buttons and the edit box stand for now.
    int comNumber(const Input& input) const;
    // The device that COM number opens under the settings (empty for none).
    std::string devicePathOf(int comNumber) const;
    // A line for under the chooser; empty when the path names a device.
    static std::string pathNote(const std::string& path);

    // --- OK ---
    // Sets comPort and highSpeed from the input and maps the COM number to
    // the chosen device when it opens another one now.
    void accept(const Input& input, int& comPort, int& highSpeed) const;

private:
    SettingsStore& store_;
    int comPort_;
    int highSpeed_;
    std::string comEditText_;
};

// The integer a numeric edit box holds: leading blanks, an optional sign and
// the digits up to the first other character; 0 when there are none or the
// number does not fit.
int editBoxInteger(const std::string& text);

// Advanced Board Settings: each delay box holds an integer of 0..1000 ms.
inline constexpr int kMinAdvancedDelay = 0;
inline constexpr int kMaxAdvancedDelay = 1000;
// The delay a box holds, nullopt when it is not such an integer.
std::optional<int> parseAdvancedDelay(const std::string& text);
// The text shown for a box that parseAdvancedDelay refuses.
std::string advancedDelayRangeText();

} // namespace quorva
