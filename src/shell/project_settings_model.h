#pragma once

#include "base/ui.h"
#include "catalogue/lock_fuse_state.h"
#include "data/project.h"

#include <array>
#include <functional>
#include <string>

namespace quorva {

// The Project Settings dialog's controls, as the person left them.
struct ProjectSettingsControls {
    int device = 0; // row of the device list
    bool polling = false;
    bool checkSign = false;
    bool noSynchronization = false;
    int sckPeriod = 0;
    int strobePosition = 0; // slider 0..6
    bool autoErase = false;
    bool autoEmptyCheck = false;
    bool flashReload = false;
    bool flashProgram = false;
    bool flashVerify = false;
    bool eepromReload = false;
    bool eepromProgram = false;
    bool eepromVerify = false;
    bool programFuse = false;
    bool programFuseBeforeAll = false;
    bool incrementFlash = false;
    std::string flashAddress;
    bool incrementEeprom = false;
    std::string eepromAddress;
    std::string serialSequence; // empty: the image's own number counts up
    bool flashByteDelay = false;
    std::string flashByteText;
    bool flashPageDelay = false;
    std::string flashPageText;
    bool eepromByteDelay = false;
    std::string eepromByteText;
    bool eepromPageDelay = false;
    std::string eepromPageText;
};

// Which controls take input; the rest follow their check boxes.
struct ProjectSettingsEnabled {
    bool configure = false;
    bool flashAddress = false;
    bool eepromAddress = false;
    bool serialSequence = false;
    bool flashByte = false;
    bool flashPage = false;
    bool eepromByte = false;
    bool eepromPage = false;
};

// The field OK refused, for the view to put the cursor in.
enum class SettingsField {
    None,
    FlashAddress,
    EepromAddress,
    SerialSequence,
    FlashByte,
    FlashPage,
    EepromByte,
    EepromPage
};

inline constexpr int kStrobePositions = 7;
// The auto-increment address fields take up to eight hexadecimal characters.
inline constexpr int kAddressTextLength = 8;
inline constexpr int kSckPeriods = 8;

// Reset strobe length in ms of slider position 0..6 (clamped).
int strobeMilliseconds(int position);
// The slider position a length opens on: the first whose length is at
// least ms, else the last.
int strobePositionFor(int ms);
// "%d ms" of a position.
std::string strobeLabel(int position);
// The SCK list's entries, index = spiPeriod.
const std::array<const char*, kSckPeriods>& sckPeriodNames();

// The Project Settings dialog without its widgets: it fills the controls
// from the project when it opens, keeps the enabling rules, runs
// "Configure..." and writes the project back on OK.
class ProjectSettingsModel {
public:
    // Opens the Lock/Fuse Bits dialog on a setting for a device in its
    // auto-program mode; true when it was closed with the setting saved.
    using LockFuseEditor = std::function<bool(LockFuseState& setting, int deviceIndex)>;

    // Opening changes the project at once: its reset strobe length snaps to
    // the slider's table.
    ProjectSettingsModel(Ui& ui, Project& project, LockFuseEditor editLockFuse);

    ProjectSettingsControls controls;
    ProjectSettingsEnabled enabled() const;

    // "Autoprogram" clicked: checking it runs Configure, which may leave it
    // unchecked again.
    void setAutoProgram(bool checked);
    // True when the Lock/Fuse Bits dialog saved a new setting.
    bool configure();
    // OK: validates, then writes the project and gives the chosen device.
    // On a refused field nothing is written and that field comes back.
    SettingsField accept(int& chosenDevice);

    const LockFuseState& lockFuseCopy() const { return lockFuseCopy_; }

private:
    SettingsField refusedField() const;
    void refuse(const std::string& text) const;

    Ui& ui_;
    Project& project_;
    LockFuseEditor editLockFuse_;
    LockFuseState lockFuseCopy_;
};

} // namespace quorva
