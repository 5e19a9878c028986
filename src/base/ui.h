#pragma once

#include <array>
#include <optional>
#include <string>

namespace quorva {

class Operation;
class Project;
class ProductionRecordsModel;
class ProductionStationModel;
struct LockFuseState;

enum class BoxIcon { None, Information, Warning, Error, Question, Stop };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// A file chooser. The filter is a list of "Description|pattern;pattern" pairs
// separated by '|', as in "Intel HEX (*.hex)|*.hex|All files (*.*)|*.*".
struct FileChooser {
    std::string title;
    std::string filter;
    std::string defaultExtension; // appended when the typed name has none
    std::string initialPath;      // the remembered last path
    bool confirmOverwrite = false; // save choosers: ask before replacing a file
};

// Everything the core needs from a person. Every method may be called from any
// thread and returns only when the person has answered.
class Ui {
public:
    virtual ~Ui() = default;

    virtual void setStatus(const std::string& text) = 0;
    // A message box with one OK button.
    virtual void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) = 0;
    // A question; defaultButton is the zero-based position of the button
    // Enter presses (Yes/OK first).
    virtual Answer ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
                       const std::string& text) = 0;

    virtual std::optional<std::string> chooseOpenFile(const FileChooser& chooser) = 0;
    virtual std::optional<std::string> chooseSaveFile(const FileChooser& chooser) = 0;

    virtual void setWaitCursor(bool on) = 0;
    virtual void beep() = 0;
    // Opens a document or link with the desktop's handler; false when that failed.
    virtual bool openDocument(const std::string& pathOrUrl) = 0;

    // Runs op modally on a worker thread with progress and Cancel; returns its result.
    virtual int runOperation(Operation& op) = 0;

    // The small dialogs. Each gets the values to show and, when the person
    // confirms, stores the chosen ones back and returns true.
    virtual bool boardSettingsDialog(int& comPort, int& highSpeed) = 0;
    virtual bool advancedDelaysDialog(std::array<int, 4>& delays) = 0;
    virtual bool languageDialog(bool& russian) = 0;
    // "Load At...": address holds the proposed address on entry and the
    // entered one on OK.
    virtual bool loadAddressDialog(int& address) = 0;
    // Self-Program Settings: shows both versions; normalSpeed holds the
    // chosen pace on OK.
    virtual bool selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                           bool& normalSpeed) = 0;

    // The dialogs only a window has; a front end without them cancels.
    // Project Settings edits the project in place; deviceIndex holds the
    // device chosen there on OK.
    virtual bool projectSettingsDialog(Project& project, int& deviceIndex)
    {
        (void)project;
        (void)deviceIndex;
        return false;
    }
    // The Lock/Fuse Bits dialog on a setting read from the chip (direct mode)
    // or on the project's auto-program setting.
    virtual bool lockFuseDialog(LockFuseState& setting, int deviceIndex, bool directMode)
    {
        (void)setting;
        (void)deviceIndex;
        (void)directMode;
        return false;
    }
    virtual void aboutBox() {}
    // The Production Records window on its model, until the person closes it.
    virtual void productionRecordsWindow(ProductionRecordsModel& model) { (void)model; }
    // The Production window on its station, until the person closes it.
    virtual void productionStation(ProductionStationModel& model) { (void)model; }
};

} // namespace quorva
