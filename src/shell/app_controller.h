#pragma once

#include "base/clock.h"
#include "base/ui.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"
#include "lock_fuse_chip.h"
#include "main_window_state.h"
#include "operations/auto_program.h"
#include "operations/chip_commands.h"
#include "operations/chip_recorder.h"
#include "operations/chip_setup_commands.h"
#include "operations/operations_context.h"
#include "quiet_log.h"
#include "recent_projects.h"
#include "settings_store.h"
#include "startup_settings.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// The production records --records names when given, else those of the
// settings' [Production] Records and Database.
std::shared_ptr<SharedRecordStore> productionRecords(const SettingsStore& settings,
                                                     const std::optional<std::string>& option = std::nullopt);

// Where a file was dropped on the main window.
enum class DropTarget { FlashPane, EepromPane, Elsewhere };

// What the start-up decided.
struct StartupOutcome {
    bool autoRun = false;
    bool quietRun = false;
};

// The program without its window: it owns the project, the two buffers, the
// settings held in memory, the recent list and the results the commands
// share, and carries out every command of the main window through the Ui
// port. A window (or a console) renders `window()` and forwards clicks,
// choices and drops here.
class AppController final : public LockFuseChip {
public:
    // log is where a quiet start-up run writes; it is opened by startUp.
    AppController(Ui& ui, SettingsStore& store, BytePort& port, Clock& clock, QuietLog& log);
    ~AppController() override;
    AppController(const AppController&) = delete;
    AppController& operator=(const AppController&) = delete;

    // What a front end without the start-up needs before commands (quorva-cli):
    // the project and buffers bound, the lists filled, these board settings.
    void prepare(const LinkSettings& link);

    // The start-up sequence up to the point where the window becomes
    // interactive; rawCommandLine is the process's one-string command line.
    StartupOutcome startUp(std::string_view rawCommandLine);
    // The auto-run of a start-up; true when the sequence ended "DONE" and its
    // record was kept. The outcome line goes to the box or, quiet, to the log.
    bool runStartupAutoProgram(bool quiet);
    // Writes the settings and the recent list back.
    void shutDown();

    // Keeps the production record of every chip the commands and the
    // auto-program write to, in records (shared by the boxes of one run).
    void keepRecords(std::shared_ptr<SharedRecordStore> records);
    // Work that writes to the chip (true when it did), with the chip's
    // record around it. A store that fails refuses the work before the chip
    // is touched: false, and the status line says why.
    bool recordedWrite(const char* step, const std::function<bool()>& work);
    // The port of each box of the production station (a serial port by default).
    std::function<std::unique_ptr<BytePort>(int comPort)> openBoxPort;

    // Whether the production records failed at the last chip: a run stops
    // before its next chip then.
    const ChipRecorder& recorder() const { return recorder_; }

    // A menu item or button by its command id; false for an id the window
    // does not have. Exit and the close box are the front end's to act on.
    bool command(int id);
    void statusLineClicked();

    // The Lock/Fuse Bits dialog's chip buttons. They run on the dialog's
    // worker while the command that opened the dialog waits for it.
    bool programBits(const LockFuseState& setting) override;
    bool readBits(LockFuseState& out) override;
    void verifyBits(const LockFuseState& wanted) override;
    bool eraseChip() override;
    void rightDoubleClick();
    void filesDropped(const std::vector<std::string>& paths, DropTarget target);

    // --- state the front end renders ---
    MainWindowState& window() { return window_; }
    // "Please wait..." until something has been reported.
    const std::string& statusText() const;
    const std::string& flashLabel() const { return flashLabel_; }
    const std::string& eepromLabel() const { return eepromLabel_; }
    // The recent-project items, or empty when the menu shows the placeholder.
    std::vector<RecentProjects::MenuItem> recentItems() const { return recent_.menuItems(); }

    Project& project() { return project_; }
    MemoryBuffer& flash() { return flash_; }
    MemoryBuffer& eeprom() { return eeprom_; }
    RecentProjects& recent() { return recent_; }
    const LinkSettings& linkSettings() const { return link_; }
    OperationsContext& context() { return context_; }
    Connection& connection() { return connection_; }
    ChipCommands& chips() { return chips_; }
    ChipSetupCommands& setup() { return setup_; }
    bool autoProgramOk() const { return autoProgramOk_; }
    QuietLog& quietLog() { return quietLog_; }
    AutoProgram& autoProgram() { return autoProgram_; }

private:
    // The Ui the commands report through: it keeps the status text for the
    // window and passes everything on.
    class StatusUi;

    void bindProjectAndBuffers();
    void setStatus(const std::string& text);
    void showInfo(const std::string& text);
    void showError(const std::string& text);
    void showStation(ProductionStationModel& station);
    void checksumLine(const MemoryBuffer& buffer);
    void refresh();
    void projectOpen();
    void projectReload();
    void openRecent(int index);
    void bufferCommand(int id);
    void help();
    void selectLanguage();
    void boardSettings();
    void lockFuseBits();
    void projectSettings();
    void deviceIdentified(int deviceIndex);
    Settings settings() const;
    ChipRecord recordFacts() const;
    void programRecorded(bool isFlash);
    void productionStation();

    bool statusSet_ = false; // set by the first status text
    std::unique_ptr<StatusUi> ui_;
    SettingsStore& store_;
    Clock& clock_;
    std::string flashLabel_ = kUnspecified;
    std::string eepromLabel_ = kUnspecified;
    Project project_;
    MemoryBuffer flash_;
    MemoryBuffer eeprom_;
    RecentProjects recent_;
    MainWindowState window_;
    LinkSettings link_;
    OperationsContext context_;
    Connection connection_;
    ChipCommands chips_;
    QuietLog& quietLog_;
    ChipSetupCommands setup_;
    AutoProgram autoProgram_;
    ChipRecorder recorder_;
    std::shared_ptr<SharedRecordStore> records_;
    bool autoProgramOk_ = false;
};

} // namespace quorva
