#pragma once

#include "base/ui.h"

#include <functional>
#include <string>

class QWidget;

namespace quorva {

class Clock;
class SettingsStore;

namespace gui {

// The Ui of the window. Every call may come from any thread: off the GUI
// thread it is carried there and waits for the person's answer.
class QtUi final : public Ui {
public:
    // status shows a status line text (GUI thread); owner parents the boxes
    // and dialogs once the main window exists; clock paces the wait for the
    // desktop's answer to openDocument.
    QtUi(SettingsStore& store, Clock& clock, std::function<void(const std::string&)> status);

    void setOwner(QWidget* owner) { owner_ = owner; }
    // Project Settings and Lock/Fuse Bits belong to the window's dialogs of
    // their own; until one is given they are cancelled.
    using ProjectSettingsDialog = std::function<bool(QWidget*, Project&, int&)>;
    using LockFuseDialog = std::function<bool(QWidget*, LockFuseState&, int, bool)>;
    void setProjectSettingsDialog(ProjectSettingsDialog dialog) { projectSettings_ = std::move(dialog); }
    void setLockFuseDialog(LockFuseDialog dialog) { lockFuse_ = std::move(dialog); }
    // What Board Settings' Search button runs: the COM number the box answers on.
    void setProgrammerSearch(std::function<int()> search) { search_ = std::move(search); }

    void setStatus(const std::string& text) override;
    void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) override;
    Answer ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
               const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const FileChooser& chooser) override;
    std::optional<std::string> chooseSaveFile(const FileChooser& chooser) override;
    void setWaitCursor(bool on) override;
    void beep() override;
    bool openDocument(const std::string& pathOrUrl) override;
    int runOperation(Operation& op) override;
    bool boardSettingsDialog(int& comPort, int& highSpeed) override;
    bool advancedDelaysDialog(std::array<int, 4>& delays) override;
    bool languageDialog(bool& russian) override;
    bool loadAddressDialog(int& address) override;
    bool selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                   bool& normalSpeed) override;
    bool projectSettingsDialog(Project& project, int& deviceIndex) override;
    bool lockFuseDialog(LockFuseState& setting, int deviceIndex, bool directMode) override;
    void aboutBox() override;
    void productionRecordsWindow(ProductionRecordsModel& model) override;
    void productionStation(ProductionStationModel& station) override;

private:
    std::optional<std::string> chooseFile(const FileChooser& chooser, bool save);

    SettingsStore& store_;
    Clock& clock_;
    std::function<void(const std::string&)> status_;
    QWidget* owner_ = nullptr;
    int waitCursors_ = 0; // GUI thread only
    ProjectSettingsDialog projectSettings_;
    LockFuseDialog lockFuse_;
    std::function<int()> search_;
};

} // namespace gui
} // namespace quorva
