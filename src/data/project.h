#pragma once

#include "base/ui.h"
#include "catalogue/lock_fuse_state.h"
#include "file_choosers.h"
#include "image_limits.h"

#include <functional>
#include <string>

namespace quorva {

class MemoryBuffer;

// What the project shows in the main window.
struct ProjectView {
    std::function<void()> refreshState;          // title and enabled controls
    std::function<void(bool)> showFlashInvert;   // "Inv" box and the Flash preview's byte swap
    std::function<void(bool)> showAutoIncrement; // "Inc" box
};

// The device of a new project and of a project file without "DeviceNo".
inline constexpr const char* kDefaultDeviceName = "ATmega8/8A";
int defaultDeviceIndex();

// Everything the user sets up for one kind of chip. The settings are a plain
// record: the dialogs, the main window and the operations read and change
// them directly; the functions below load and store them.
class Project {
public:
    explicit Project(Ui& owner);

    void bindBuffers(MemoryBuffer& flash, MemoryBuffer& eeprom);
    void setView(ProjectView view) { view_ = std::move(view); }

    std::string fileName = kUnspecifiedFile;
    bool modified = false;
    bool flashInvert = false;
    bool polling = false;
    int resetStrobeLength = 20;
    bool checkSign = false;
    bool noSynchronization = false;
    bool autoErase = false;
    bool autoEmptyCheck = false;
    bool autoFlashReload = false;
    bool autoFlashProgram = false;
    bool autoFlashVerify = false;
    bool autoEepromReload = false;
    bool autoEepromProgram = false;
    bool autoEepromVerify = false;
    bool autoIncrementFlash = false;
    bool autoIncrement = false;
    bool programFuse = false;
    bool programFuseBeforeAll = false;
    LockFuseState lockFuse;
    int autoIncAddressFlash = 0;
    int autoIncAddress = 0;
    // The named sequence of the production records the serial numbers come
    // from; empty: the image's own number counts up.
    std::string serialSequence;
    int deviceIndex = defaultDeviceIndex();
    int spiPeriod = 4;
    bool delayByte = false;
    bool delayPage = false;
    int delayByteValue = 15;
    int delayPageValue = 15;
    bool delayByte2 = false;
    bool delayPage2 = false;
    int delayByteValue2 = 10;
    int delayPageValue2 = 10;

    // Resets the per-project choices (New, Close, and before every load);
    // device, delays, strobe length and a few switches stay. Always true.
    bool newProject();
    // Reads a project file and loads its buffer files; "[Unspecified]" only
    // resets. False after message 1024 (nothing changed then).
    bool load(const std::string& path);
    bool open();
    bool reload();
    // Saves the buffers, then the settings into path, keeping every foreign
    // line of an existing file. False after message 1015.
    bool write(const std::string& path);
    bool save();
    // True when a file was chosen and written.
    bool saveAs();
    void setModified();
    void clearModifiedIfBuffersClean();
    void refreshWindowState();

    const RememberingChooser& openChooser() const { return openChooser_; }
    const RememberingChooser& saveChooser() const { return saveChooser_; }

private:
    Ui& ui_;
    MemoryBuffer* flash_ = nullptr;
    MemoryBuffer* eeprom_ = nullptr;
    ProjectView view_;
    RememberingChooser openChooser_;
    RememberingChooser saveChooser_;
};

} // namespace quorva
