#pragma once

#include <map>
#include <string>
#include <vector>

namespace quorva {

class MemoryBuffer;
class Project;

struct ButtonState {
    bool enabled = true;
    std::string caption;
};

// What the main window shows and which of its buttons work: the title, the
// button captions and enabled states, the family, device and SCK lists and
// the two check boxes. It follows the project's device and the buffers'
// data; a view renders it and forwards the person's choices to it.
class MainWindowState {
public:
    // The buttons whose enabled state follows the device and the data.
    static const std::vector<int>& buttonIds();

    MainWindowState(Project& project, MemoryBuffer& flash, MemoryBuffer& eeprom);

    // The captions of the main window's buttons in the current language.
    void translate();

    // --- the device lists ---
    void fillDeviceLists();
    // The device index of the selected family and position; -1 when none.
    int currentDevice() const;
    // Selects the device in both lists (the list handlers do not run).
    void showDevice(int deviceIndex);
    void onDeviceChanged();
    void familyChosen(int family);
    void deviceChosen(int position);
    void sckChosen(int spiPeriod);
    void invertClicked(bool checked);
    void incrementClicked(bool checked);
    // The boxes follow the project after a load or the settings dialog.
    void showProjectSwitches();

    void updateControls();

    // --- what the view renders ---
    const std::string& title() const { return title_; }
    const ButtonState& button(int id) const;
    bool calibrationEnabled() const { return calibrationEnabled_; }
    std::vector<std::string> familyCaptions() const;
    int familySelection() const { return family_; }
    std::vector<std::string> deviceNames() const;
    int deviceSelection() const { return position_; }
    // What the next connection sends: the project's own setting, so a load
    // or a reload can never leave the list showing another one.
    int sckSelection() const;
    bool invertChecked() const { return invertChecked_; }
    bool incrementChecked() const { return incrementChecked_; }

private:
    void fillDevices(int family);

    Project& project_;
    MemoryBuffer& flash_;
    MemoryBuffer& eeprom_;
    int family_ = 0;
    int position_ = 0;
    std::vector<int> devices_; // device indexes of the selected family
    std::map<int, ButtonState> buttons_;
    // Button 1011's own caption while it serves the AT45 command.
    std::string rememberedCaption_;
    std::string title_;
    bool calibrationEnabled_ = false;
    bool invertChecked_ = false;
    bool incrementChecked_ = false;
};

} // namespace quorva
