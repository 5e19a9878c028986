#include "auto_program.h"

#include "chip_commands.h"
#include "chip_recorder.h"
#include "chip_setup_commands.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/identification.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "data/raw_text_load.h"
#include "data/serial_sequence.h"

#include <array>
#include <functional>
#include <utility>

namespace quorva {

namespace {

constexpr int kCaptionId = 1025;
constexpr int kSettleMs = 50;
constexpr int kLockFuseFailed = 2009;
constexpr int kSequenceWithoutRecords = 2360;

// Gives a setting a value for a while and sets it back on every way out.
template <typename T>
class Suspended {
public:
    Suspended(T& setting, T during) : setting_(setting), saved_(std::move(setting)) { setting_ = std::move(during); }
    ~Suspended() { setting_ = std::move(saved_); }
    Suspended(const Suspended&) = delete;
    Suspended& operator=(const Suspended&) = delete;

private:
    T& setting_;
    T saved_;
};

// A step the person cancelled is reported as cancelled, naming the step,
// not as the step's error.
int cancelledId(int failedId)
{
    // clang-format off
    constexpr std::array<std::pair<int, int>, 6> kCancelled{{
        {1122, 2203}, {1124, 2204}, {1129, 2205}, {1130, 2206}, {1126, 2207}, {1127, 2208}}};
    // clang-format on
    for (const auto& [failed, cancelled] : kCancelled) {
        if (failed == failedId)
            return cancelled;
    }
    return failedId;
}

} // namespace

AutoProgram::AutoProgram(Ui& ui, Clock& clock, Project& project, MemoryBuffer& flash, MemoryBuffer& eeprom,
                         const LinkSettings& settings, OperationsContext& context, ChipCommands& chips,
                         ChipSetupCommands& setup)
    : ui_(ui), clock_(clock), project_(project), flash_(flash), eeprom_(eeprom), settings_(settings),
      context_(context), chips_(chips), setup_(setup)
{
}

void AutoProgram::status(int messageId)
{
    ui_.setStatus(messageText(messageId));
}

// Ends the run with its error status, keeping the failing step's own last
// line: production logs need the reason, not only that it failed.
bool AutoProgram::fail(int messageId)
{
    if (context_.cancelled && cancelledId(messageId) != messageId)
        return failWith(messageText(cancelledId(messageId)));
    failureReason = context_.statusLine;
    status(messageId);
    return false;
}

bool AutoProgram::failWith(const std::string& reason)
{
    failureReason = reason;
    ui_.setStatus(reason);
    return false;
}

// Before anything is written the chip must be the project's device. A locked
// chip hides its signature; when the run erases, the erase clears the lock
// and the chip is checked again after it (lockedForNow tells the caller).
bool AutoProgram::chipIsTheProjects(bool afterErase, bool& lockedForNow)
{
    if (!chips_.signatureComparable())
        return true;
    recordStep("signature");
    pause();
    chips_.checkChip();
    if (recorder && context_.lastResult != -1)
        recorder->signatureRead(context_.lastSignature);
    const DeviceInfo* device = deviceAt(project_.deviceIndex);
    const char* expected = device ? device->name : "";
    switch (context_.lastResult) {
    case 0:
        return true;
    case -1:
        return failWith(formatMessage(2201, expected));
    case 2:
        if (!afterErase && project_.autoErase) {
            lockedForNow = true;
            return true;
        }
        break;
    default:
        break;
    }
    const std::array<int, 3>& s = context_.lastSignature;
    return failWith(formatMessage(2200, expected, s[0], s[1], s[2], identify(s).text().c_str()));
}

// Every memory the run is to program or verify has its file, and none holds
// the text of a file that did not decode. The reason, and the failing step's
// status, when one does not.
std::string AutoProgram::fileProblem(int& failedId) const
{
    struct Memory {
        const MemoryBuffer& buffer;
        bool programs;
        bool verifies;
        int failedId;
    };
    for (const Memory& memory : {Memory{eeprom_, project_.autoEepromProgram, project_.autoEepromVerify, 1129},
                                 Memory{flash_, project_.autoFlashProgram, project_.autoFlashVerify, 1126}}) {
        failedId = memory.failedId;
        if ((memory.programs || memory.verifies) && !memory.buffer.unreadFile().empty())
            return formatMessage(2110, memory.buffer.unreadFile().c_str());
        if (memory.programs && memory.buffer.rawText())
            return rawTextMessage(2102, *memory.buffer.rawText());
    }
    return {};
}

std::string AutoProgram::refusal() const
{
    int failedId = 0;
    if (std::string problem = fileProblem(failedId); !problem.empty())
        return problem;
    const bool flashActs = (project_.autoFlashProgram || project_.autoFlashVerify) && flash_.length() != 0;
    const bool eepromActs = (project_.autoEepromProgram || project_.autoEepromVerify) && eeprom_.length() != 0;
    return project_.autoErase || flashActs || eepromActs ? std::string() : messageText(1133);
}

// Before anything reaches the chip.
bool AutoProgram::filesReady()
{
    int failedId = 0;
    const std::string reason = fileProblem(failedId);
    if (reason.empty())
        return true;
    ui_.showMessage(BoxIcon::Error, messageText(kCaptionId), reason);
    failureReason = reason;
    status(failedId);
    return false;
}

// The target's reset settles before every step that talks to the chip.
void AutoProgram::pause()
{
    status(1180);
    clock_.sleepMs(project_.resetStrobeLength);
}

void AutoProgram::settle()
{
    clock_.sleepMs(kSettleMs);
}

bool AutoProgram::lockFuseStep(bool quiet)
{
    recordStep("fuses");
    status(1131);
    if (setup_.programLockFuse(project_.lockFuse, project_.programFuse, quiet))
        return true;
    // The run goes on; this stays the reason if it ends in error.
    if (lockFuseReason_.empty())
        lockFuseReason_ = context_.statusLine;
    ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), messageText(1132));
    return false;
}

bool AutoProgram::reload(MemoryBuffer& buffer, bool isFlash)
{
    context_.lastResult = -1;
    // A file that could not be read leaves the buffer empty (the load has
    // said why); going on would program nothing and call it done.
    if (!buffer.reload() || !buffer.hasData())
        return false;
    ui_.setStatus(formatMessage(isFlash ? 1041 : 1074, buffer.length(), buffer.length(), buffer.checksum()));
    context_.lastResult = 0;
    return true;
}

void AutoProgram::programEeprom()
{
    const DeviceInfo* device = deviceAt(project_.deviceIndex);
    // For an AT45 the Eeprom command switches the page size, for ever: not a
    // step an unattended run may take. It fails as that command would.
    if (device && device->family == FamilyAt45) {
        context_.lastResult = -1;
        return;
    }
    chips_.programEeprom();
}

bool AutoProgram::takeSerialNumber(bool isFlash)
{
    MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
    SerialSequence* serials = isFlash ? flashSerials : eepromSerials;
    std::uint32_t number = 0;
    if (recorder && recorder->serial()) {
        // Taken from the records with the chip's row.
        number = *recorder->serial();
        writeSerialNumber(buffer.data(), isFlash ? project_.autoIncAddressFlash : project_.autoIncAddress, number);
    } else if (!serials->take(buffer.data(), number)) {
        const std::string reason = formatMessage(2111, buffer.fileName().c_str());
        ui_.showMessage(BoxIcon::Error, messageText(kCaptionId), reason);
        failureReason = reason;
        status(isFlash ? 1126 : 1129);
        return false;
    }
    (isFlash ? flashSerial : eepromSerial) = number;
    buffer.refreshPreview();
    return true;
}

bool AutoProgram::memorySteps(bool isFlash, Counts& counts)
{
    MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
    bool& increment = isFlash ? project_.autoIncrementFlash : project_.autoIncrement;
    const bool fromSequence =
        increment && ((isFlash ? flashSerials : eepromSerials) != nullptr || (recorder && recorder->serial()));
    const bool advance = increment && !fromSequence;
    {
        // The program command would advance the number itself; here it
        // advances only after the whole part succeeded.
        Suspended noIncrement(increment, false);
        if (isFlash ? project_.autoFlashReload : project_.autoEepromReload) {
            recordStep(isFlash ? "flash reload" : "eeprom reload");
            if (!reload(buffer, isFlash)) {
                return fail(isFlash ? 1125 : 1128);
            }
            settle();
        }
        if (isFlash ? project_.autoFlashProgram : project_.autoEepromProgram) {
            if (fromSequence && !takeSerialNumber(isFlash))
                return false;
            counts.acted = true;
            (isFlash ? counts.flashBytes : counts.eepromBytes) = buffer.length();
            recordStep(isFlash ? "flash program" : "eeprom program");
            if (recorder) {
                const int address = isFlash ? project_.autoIncAddressFlash : project_.autoIncAddress;
                const std::optional<std::uint32_t> taken = isFlash ? flashSerial : eepromSerial;
                recorder->writing(isFlash, buffer,
                                  advance ? std::optional(serialNumberAt(buffer.data(), address)) : taken);
            }
            pause();
            if (isFlash)
                chips_.programFlash();
            else
                programEeprom();
            if (context_.lastResult < 0) {
                return fail(isFlash ? 1126 : 1129);
            }
            settle();
        }
        if (isFlash ? project_.autoFlashVerify : project_.autoEepromVerify) {
            counts.acted = true;
            recordStep(isFlash ? "flash verify" : "eeprom verify");
            pause();
            if (isFlash)
                chips_.verifyFlash();
            else
                chips_.verifyEeprom();
            const bool same = isFlash ? context_.flashVerifyOk : context_.eepromVerifyOk;
            if (context_.lastResult < 0 || !same) {
                return fail(isFlash ? 1127 : 1130);
            }
            settle();
        }
    }
    if (advance)
        buffer.incrementSerial(isFlash ? project_.autoIncAddressFlash : project_.autoIncAddress);
    return true;
}

void AutoProgram::recordStep(const char* name)
{
    if (recorder)
        recorder->step(name);
}

// The chip's row, begun before anything touches the chip; with the project's
// sequence, the chip's number is taken with it.
bool AutoProgram::beginRecord()
{
    std::optional<SequenceTake> take;
    const bool flashCounts = project_.autoIncrementFlash && project_.autoFlashProgram && flash_.hasData();
    const bool eepromCounts = project_.autoIncrement && project_.autoEepromProgram && eeprom_.hasData();
    if (!project_.serialSequence.empty() && (flashCounts || eepromCounts)) {
        // The first chip of a new sequence starts it at the number the image holds.
        take = SequenceTake{project_.serialSequence, flashCounts
                                                         ? serialNumberAt(flash_.data(), project_.autoIncAddressFlash)
                                                         : serialNumberAt(eeprom_.data(), project_.autoIncAddress)};
    }
    std::string refusal;
    if (take && !(recorder && recorder->active()))
        refusal = formatMessage(kSequenceWithoutRecords, take->name.c_str());
    else if (recorder && !recorder->begin(take))
        refusal = recorder->failure();
    if (refusal.empty())
        return true;
    ui_.showMessage(BoxIcon::Error, messageText(kCaptionId), refusal);
    return failWith(refusal);
}

bool AutoProgram::run(bool quiet)
{
    const bool ok = runSteps(quiet);
    if (recorder && recorder->begun()) {
        const Outcome outcome = ok ? Outcome::Ok : context_.cancelled ? Outcome::Cancelled : Outcome::Failed;
        if (!recorder->finish(outcome, failureReason.empty() ? context_.statusLine : failureReason, failingStep_))
            ui_.showMessage(BoxIcon::Error, messageText(kCaptionId), recorder->failure());
    }
    return ok;
}

bool AutoProgram::runSteps(bool quiet)
{
    failingStep_.clear();
    context_.flashVerifyOk = true;
    context_.eepromVerifyOk = true;
    Counts counts;
    bool lockFuseOk = true;
    failureReason.clear();
    lockFuseReason_.clear();
    flashSerial.reset();
    eepromSerial.reset();
    // Nobody answers questions for a production run.
    Suspended unattended(context_.unattended, true);
    // Production works on the project's device: a chip that turns out to be
    // another one fails the run, it never changes the device.
    Suspended sameDevice(context_.deviceIdentified, std::function<void(int)>{});
    context_.cancelled = false;

    if (settings_.comPort <= 0) {
        status(1031);
        ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), messageText(1032));
        failureReason = messageText(1032);
        return false;
    }
    if (!filesReady() || !beginRecord())
        return false;
    status(1121);

    bool lockedChip = false;
    if (project_.checkSign && !chipIsTheProjects(false, lockedChip))
        return false;
    if (project_.autoErase) {
        counts.acted = true;
        recordStep("erase");
        pause();
        setup_.chipErase();
        if (context_.lastResult < 0)
            return fail(1122);
        settle();
        if (lockedChip && !chipIsTheProjects(true, lockedChip))
            return false;
    }
    if (project_.autoEmptyCheck) {
        recordStep("blank check");
        pause();
        chips_.blankCheck();
        if (context_.lastResult == 1)
            return fail(1123);
        if (context_.lastResult < 0)
            return fail(1124);
        settle();
    }
    if (project_.programFuse && project_.programFuseBeforeAll)
        lockFuseOk = lockFuseStep(quiet);

    if (eeprom_.length() != 0 && !memorySteps(false, counts))
        return false;
    if (flash_.length() != 0 && !memorySteps(true, counts))
        return false;

    // After the memories the step always shows its boxes, also in a quiet run.
    if (project_.programFuse && !project_.programFuseBeforeAll)
        lockFuseOk = lockFuseStep(false) && lockFuseOk;

    // The sequence went on past a failed lock and fuse step, but a chip with
    // wrong fuses is not a good chip.
    if (!lockFuseOk) {
        failingStep_ = "fuses";
        fail(kLockFuseFailed);
        failureReason = lockFuseReason_;
        return false;
    }
    if (!counts.acted) {
        status(1133);
        return false;
    }
    if (!context_.flashVerifyOk || !context_.eepromVerifyOk)
        return fail(1067);
    if (counts.flashBytes == 0 && counts.eepromBytes == 0)
        status(1063);
    else if (counts.eepromBytes == 0)
        ui_.setStatus(formatMessage(1064, counts.flashBytes));
    else if (counts.flashBytes == 0)
        ui_.setStatus(formatMessage(1065, counts.eepromBytes));
    else
        ui_.setStatus(formatMessage(1066, counts.flashBytes, counts.eepromBytes));
    autoProgramOk = true;
    return true;
}

} // namespace quorva
