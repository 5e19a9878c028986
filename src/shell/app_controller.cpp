#include "app_controller.h"

#include "production_records_model.h"

#include "base/messages.h"
#include "base/text_tables.h"
#include "board_settings_commands.h"
#include "catalogue/device_lookup.h"
#include "help_file.h"
#include "link/self_program.h"
#include "window_ids.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quorva {

namespace {
constexpr int kCaptionId = 1025; // "Programmer QUORVA"
constexpr int kNoHelpViewer = 2240;
} // namespace

class AppController::StatusUi final : public Ui {
public:
    StatusUi(Ui& inner, std::string& status, bool& statusSet) : inner_(inner), status_(status), statusSet_(statusSet) {}

    void setStatus(const std::string& text) override
    {
        status_ = text;
        statusSet_ = true;
        inner_.setStatus(text);
    }
    void showMessage(BoxIcon icon, const std::string& caption, const std::string& text) override
    {
        inner_.showMessage(icon, caption, text);
    }
    Answer ask(Buttons buttons, BoxIcon icon, int defaultButton, const std::string& caption,
               const std::string& text) override
    {
        return inner_.ask(buttons, icon, defaultButton, caption, text);
    }
    std::optional<std::string> chooseOpenFile(const FileChooser& chooser) override
    {
        return inner_.chooseOpenFile(chooser);
    }
    std::optional<std::string> chooseSaveFile(const FileChooser& chooser) override
    {
        return inner_.chooseSaveFile(chooser);
    }
    void setWaitCursor(bool on) override { inner_.setWaitCursor(on); }
    void beep() override { inner_.beep(); }
    bool openDocument(const std::string& pathOrUrl) override { return inner_.openDocument(pathOrUrl); }
    int runOperation(Operation& op) override { return inner_.runOperation(op); }
    bool boardSettingsDialog(int& comPort, int& highSpeed) override
    {
        return inner_.boardSettingsDialog(comPort, highSpeed);
    }
    bool advancedDelaysDialog(std::array<int, 4>& delays) override { return inner_.advancedDelaysDialog(delays); }
    bool languageDialog(bool& russian) override { return inner_.languageDialog(russian); }
    bool loadAddressDialog(int& address) override { return inner_.loadAddressDialog(address); }
    bool selfProgramSettingsDialog(const std::string& currentVersion, const std::string& newVersion,
                                   bool& normalSpeed) override
    {
        return inner_.selfProgramSettingsDialog(currentVersion, newVersion, normalSpeed);
    }
    bool projectSettingsDialog(Project& project, int& deviceIndex) override
    {
        return inner_.projectSettingsDialog(project, deviceIndex);
    }
    bool lockFuseDialog(LockFuseState& setting, int deviceIndex, bool directMode) override
    {
        return inner_.lockFuseDialog(setting, deviceIndex, directMode);
    }
    void aboutBox() override { inner_.aboutBox(); }
    void productionRecordsWindow(ProductionRecordsModel& model) override { inner_.productionRecordsWindow(model); }
    void productionStation(ProductionStationModel& model) override { inner_.productionStation(model); }

private:
    Ui& inner_;
    std::string& status_;
    bool& statusSet_;
};

AppController::AppController(Ui& ui, SettingsStore& store, BytePort& port, Clock& clock, QuietLog& log)
    : ui_(std::make_unique<StatusUi>(ui, context_.statusLine, statusSet_)), store_(store), clock_(clock),
      project_(*ui_), window_(project_, flash_, eeprom_), connection_(port, clock, *ui_),
      chips_(*ui_, connection_, project_, flash_, eeprom_, link_, context_), quietLog_(log),
      setup_(*ui_, connection_, project_, link_, context_,
             [this](const std::string& line) { quietLog_.writeLine(line); }),
      autoProgram_(*ui_, clock, project_, flash_, eeprom_, link_, context_, chips_, setup_), recorder_(clock)
{
    context_.deviceIdentified = [this](int deviceIndex) { deviceIdentified(deviceIndex); };
    context_.chipErased = [this] {
        flash_.chipErased();
        eeprom_.chipErased();
    };
    recent_.setOnChanged([] {});
}

AppController::~AppController() = default;

Settings AppController::settings() const
{
    Settings current;
    current.comPort = link_.comPort;
    current.highSpeed = link_.highSpeed;
    current.advancedDelays = link_.advancedDelays;
    current.russianUi = russianUi();
    return current;
}

const std::string& AppController::statusText() const
{
    static const std::string pleaseWait = kTextPleaseWait;
    return statusSet_ ? context_.statusLine : pleaseWait;
}

void AppController::setStatus(const std::string& text)
{
    ui_->setStatus(text);
}

void AppController::showInfo(const std::string& text)
{
    ui_->showMessage(BoxIcon::Information, messageText(kCaptionId), text);
}

void AppController::showStation(ProductionStationModel& station)
{
    ui_->productionStation(station);
}

void AppController::showError(const std::string& text)
{
    ui_->showMessage(BoxIcon::Error, messageText(kCaptionId), text);
}

void AppController::refresh()
{
    window_.updateControls();
}

void AppController::checksumLine(const MemoryBuffer& buffer)
{
    const int id = &buffer == &flash_ ? 1041 : 1074;
    setStatus(formatMessage(id, buffer.length(), buffer.length(), static_cast<unsigned>(buffer.checksum())));
}

void AppController::bindProjectAndBuffers()
{
    project_.bindBuffers(flash_, eeprom_);
    project_.setView(ProjectView{[this] { refresh(); }, [this](bool) { window_.showProjectSwitches(); },
                                 [this](bool) { window_.showProjectSwitches(); }});
    flash_.init(*ui_, false, [this](const std::string& text) { flashLabel_ = text; }, &project_);
    eeprom_.init(*ui_, true, [this](const std::string& text) { eepromLabel_ = text; }, &project_);
    flash_.clear();
    eeprom_.clear();
    window_.fillDeviceLists();
}

void AppController::prepare(const LinkSettings& link)
{
    window_.translate();
    link_ = link;
    bindProjectAndBuffers();
    window_.showDevice(project_.deviceIndex);
    window_.onDeviceChanged();
}

StartupOutcome AppController::startUp(std::string_view rawCommandLine)
{
    const Settings loaded = loadSettingsAtStartup(store_, recent_, *ui_);
    // The language is known now.
    window_.translate();
    link_.comPort = loaded.comPort;
    link_.highSpeed = loaded.highSpeed;
    link_.advancedDelays = loaded.advancedDelays;
    link_.fixedWaits = loaded.fixedWaits;

    bindProjectAndBuffers();

    const StartPlan plan = planStart(store_, recent_, rawCommandLine);
    StartupOutcome outcome;
    if (plan.hasProject()) {
        recent_.pushRecent(plan.projectPath, store_);
        project_.load(plan.projectPath);
        outcome.autoRun = plan.mode.autoRun;
        outcome.quietRun = plan.mode.quietRun;
        window_.showDevice(project_.deviceIndex);
    }
    if (outcome.quietRun)
        quietLog_.open();
    window_.showProjectSwitches();
    window_.showDevice(project_.deviceIndex);
    window_.onDeviceChanged();
    refresh();
    return outcome;
}

bool AppController::runStartupAutoProgram(bool quiet)
{
    autoProgramOk_ = false;
    autoProgram_.autoProgramOk = false;
    autoProgram_.run(quiet);
    autoProgramOk_ = autoProgram_.autoProgramOk;
    const char* outcome = messageText(autoProgramOk_ ? 1190 : 1191);
    if (quiet) {
        // The reason on a line of its own, unless the log has just said it;
        // the outcome stays the last line for the tools that read it.
        const std::string& reason = autoProgram_.failureReason;
        if (!autoProgramOk_ && !reason.empty() && reason != quietLog_.lastLine())
            quietLog_.writeLine(reason);
        quietLog_.writeLine(outcome);
    } else
        ui_->showMessage(BoxIcon::None, messageText(kCaptionId), outcome);
    // A chip without its record is no production success, whatever the chip did.
    return autoProgramOk_ && recorder_.failure().empty();
}

void AppController::shutDown()
{
    saveSettingsAtShutdown(store_, settings(), recent_);
    quietLog_.close();
}

void AppController::projectOpen()
{
    if (project_.open()) {
        setStatus(kTextProjectLoaded);
        recent_.pushRecent(project_.fileName, store_);
        store_.setLoadMostRecent(true);
        window_.showDevice(project_.deviceIndex);
    } else {
        setStatus(kTextProjectNotLoaded);
    }
    refresh();
}

void AppController::projectReload()
{
    if (project_.reload()) {
        setStatus(kTextProjectLoaded);
        store_.setLoadMostRecent(true);
        window_.showDevice(project_.deviceIndex);
    } else {
        setStatus(kTextProjectNotLoaded);
    }
    refresh();
}

void AppController::openRecent(int index)
{
    if (index < 0 || index >= static_cast<int>(RecentProjects::kCount))
        return;
    // A copy: the entry moves while the list is reordered.
    const std::string path = recent_.entry(static_cast<std::size_t>(index));
    if (path == kUnspecified)
        return;
    recent_.pushRecent(path, store_);
    project_.load(path);
    store_.setLoadMostRecent(true);
    window_.showDevice(project_.deviceIndex);
    window_.showProjectSwitches();
    window_.onDeviceChanged();
}

void AppController::bufferCommand(int id)
{
    const bool isFlash = id == cmd::FlashLoad || id == cmd::FlashLoadAt || id == cmd::FlashReload ||
                         id == cmd::FlashSave || id == cmd::FlashSaveAs || id == cmd::FlashClose;
    MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
    switch (id) {
    case cmd::FlashLoad:
    case cmd::EepromLoad:
        if (buffer.open())
            checksumLine(buffer);
        break;
    case cmd::FlashLoadAt:
    case cmd::EepromLoadAt:
        if (buffer.openAtAddress())
            checksumLine(buffer);
        break;
    case cmd::FlashReload:
    case cmd::EepromReload:
        context_.lastResult = -1;
        if (buffer.reload()) {
            checksumLine(buffer);
            context_.lastResult = 0;
        }
        break;
    case cmd::FlashSave:
    case cmd::EepromSave:
        buffer.save();
        checksumLine(buffer);
        break;
    case cmd::FlashSaveAs:
    case cmd::EepromSaveAs:
        if (buffer.saveAs())
            checksumLine(buffer);
        break;
    default: // the two Close commands
        buffer.clear();
        break;
    }
    refresh();
}

void AppController::help()
{
    const std::optional<std::string> page = firstReadableFile(helpFileCandidates());
    if (!page) {
        showInfo(formatMessage(1199, kHelpFile));
        return;
    }
    clock_.sleepMs(100);
    if (!ui_->openDocument(*page)) {
        std::error_code error;
        const std::filesystem::path where = std::filesystem::absolute(*page, error);
        showInfo(formatMessage(kNoHelpViewer, (error ? *page : where.string()).c_str()));
    }
}

void AppController::selectLanguage()
{
    bool russian = russianUi();
    if (!ui_->languageDialog(russian))
        return;
    setRussianUi(russian);
    window_.translate();
    refresh();
}

void AppController::boardSettings()
{
    Settings current = settings();
    if (runBoardSettingsCommand(store_, *ui_, current)) {
        link_.comPort = current.comPort;
        link_.highSpeed = current.highSpeed;
    }
}

void AppController::lockFuseBits()
{
    // Reads the chip's setting (or says why not), then opens the dialog on it.
    if (std::optional<LockFuseState> setting = setup_.lockFuseCommand())
        ui_->lockFuseDialog(*setting, project_.deviceIndex, true);
}

bool AppController::programBits(const LockFuseState& setting)
{
    const bool ok = recordedWrite("fuses", [&] { return setup_.programLockFuse(setting, true, false); });
    refresh();
    return ok;
}

bool AppController::readBits(LockFuseState& out)
{
    const bool ok = setup_.readLockFuse(out);
    refresh();
    return ok;
}

void AppController::verifyBits(const LockFuseState& wanted)
{
    setup_.verifyLockFuse(wanted);
    refresh();
}

bool AppController::eraseChip()
{
    const bool ok = recordedWrite("erase", [this] { return setup_.chipEraseOk(); });
    refresh();
    return ok;
}

void AppController::projectSettings()
{
    int device = project_.deviceIndex;
    if (!ui_->projectSettingsDialog(project_, device))
        return;
    window_.showProjectSwitches();
    project_.setModified();
    window_.showDevice(device);
    window_.onDeviceChanged();
}

void AppController::deviceIdentified(int deviceIndex)
{
    window_.showDevice(deviceIndex);
    window_.onDeviceChanged();
}

bool AppController::command(int id)
{
    if (id >= cmd::FirstRecent && id < cmd::FirstRecent + static_cast<int>(RecentProjects::kCount)) {
        openRecent(id - cmd::FirstRecent);
        return true;
    }
    switch (id) {
    case cmd::ProjectNew:
        project_.newProject();
        project_.modified = false;
        store_.setLoadMostRecent(false);
        window_.showProjectSwitches();
        refresh();
        return true;
    case cmd::ProjectOpen:
        projectOpen();
        return true;
    case cmd::ProjectReload:
        projectReload();
        return true;
    case cmd::ProjectSave:
        project_.save();
        refresh();
        return true;
    case cmd::ProjectSaveAs:
        if (project_.saveAs())
            recent_.pushRecent(project_.fileName, store_);
        refresh();
        return true;
    case cmd::ProjectClose:
        project_.newProject();
        flash_.clear();
        eeprom_.clear();
        store_.setLoadMostRecent(false);
        window_.showProjectSwitches();
        refresh();
        return true;
    case cmd::AutoProgram:
        autoProgram_.autoProgramOk = false;
        autoProgram_.run(false);
        autoProgramOk_ = autoProgram_.autoProgramOk;
        refresh();
        return true;
    case cmd::RecentPlaceholder:
        return true;
    case cmd::FlashLoad:
    case cmd::FlashLoadAt:
    case cmd::FlashReload:
    case cmd::FlashSave:
    case cmd::FlashSaveAs:
    case cmd::FlashClose:
    case cmd::EepromLoad:
    case cmd::EepromLoadAt:
    case cmd::EepromReload:
    case cmd::EepromSave:
    case cmd::EepromSaveAs:
    case cmd::EepromClose:
        bufferCommand(id);
        return true;
    case cmd::ProgramFlash:
        programRecorded(true);
        break;
    case cmd::VerifyFlash:
        chips_.verifyFlash();
        break;
    case cmd::ReadFlash:
        chips_.readFlash();
        break;
    case cmd::ProgramEeprom: {
        const DeviceInfo* device = deviceAt(project_.deviceIndex);
        if (device && device->family == FamilyAt45)
            recordedWrite("page size", [this] { return setup_.setPowerOfTwoPages(); });
        else
            programRecorded(false);
        break;
    }
    case cmd::VerifyEeprom:
        chips_.verifyEeprom();
        break;
    case cmd::ReadEeprom:
        chips_.readEeprom();
        break;
    case cmd::ChipErase:
        recordedWrite("erase", [this] {
            setup_.chipErase();
            return context_.lastResult >= 0;
        });
        break;
    case cmd::BlankCheck:
        chips_.blankCheck();
        break;
    case cmd::ReadSignatureButton: {
        const DeviceInfo* device = deviceAt(project_.deviceIndex);
        if (device && device->protocol != ProtocolAt25)
            chips_.readSignature();
        break;
    }
    case cmd::ReadSignature:
        chips_.readSignature();
        break;
    case cmd::ReadCalibration:
        chips_.readCalibration();
        break;
    case cmd::LockFuseBits:
        lockFuseBits();
        break;
    case cmd::BoardSettings:
        boardSettings();
        return true;
    case cmd::SelectLanguage:
        selectLanguage();
        return true;
    case cmd::ProgrammerInfo:
        connection_.showProgrammerInfo(link_.comPort);
        return true;
    case cmd::SearchProgrammer:
        // The search chooses the port for this run only. One that finds
        // nothing keeps the chosen port: shut-down saves it, and an unplugged
        // box must not cost the user the port set in Board Settings.
        if (const int found = connection_.searchProgrammer(); found != 0)
            link_.comPort = found;
        return true;
    case cmd::UpdateFirmware:
        updateFirmware(connection_, link_.comPort, builtInFirmwareImage());
        return true;
    case cmd::Help:
        help();
        return true;
    case cmd::ProjectSettings:
        projectSettings();
        return true;
    case cmd::About:
        ui_->aboutBox();
        return true;
    case cmd::Production:
        productionStation();
        return true;
    case cmd::ProductionRecords: {
        ProductionRecordsModel model(*ui_, records_);
        ui_->productionRecordsWindow(model);
        return true;
    }
    default:
        return false;
    }
    refresh();
    return true;
}

void AppController::statusLineClicked()
{
    command(cmd::ProjectSettings);
}

void AppController::rightDoubleClick()
{
    Settings current = settings();
    if (runAdvancedBoardSettingsCommand(store_, *ui_, current))
        link_.advancedDelays = current.advancedDelays;
}

void AppController::filesDropped(const std::vector<std::string>& paths, DropTarget target)
{
    if (paths.empty() || paths.front().empty())
        return;
    if (paths.size() > 1) {
        showInfo(formatMessage(2150, static_cast<int>(paths.size())));
        return;
    }
    const std::string& path = paths.front();
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        showInfo(formatMessage(2151, path.c_str()));
        return;
    }
    const std::size_t dot = path.rfind('.');
    if (dot == 0)
        return;
    std::string extension = dot == std::string::npos ? path : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // The extension decides in any letter case; the path stays as it is, since
    // on Linux a lowered extension would name another file.
    // Project files of every generation open as the project, also those
    // saved under the old default extension .kx3.
    if (extension == "kx1" || extension == "kx2" || extension == "kx3" || extension == "quorva") {
        project_.load(path);
        window_.showDevice(project_.deviceIndex);
        window_.onDeviceChanged();
        return;
    }
    if (target == DropTarget::Elsewhere) {
        ui_->beep();
        return;
    }
    MemoryBuffer& buffer = target == DropTarget::FlashPane ? flash_ : eeprom_;
    if (buffer.loadFile(path))
        checksumLine(buffer);
    refresh();
}

} // namespace quorva
