#include "chip_commands.h"
#include "wait_cursor.h"

#include "blank_check.h"
#include "chip_identity.h"
#include "program_data.h"
#include "read_data.h"
#include "verify_data.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/identification.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/connection.h"

#include <algorithm>
#include <vector>

namespace quorva {

namespace {

constexpr int kCaptionId = 1025;
constexpr int kBufferUnchanged = 2220;

bool cancelledRun(const Operation& op, int result)
{
    return result != Operation::kDone && (op.cancelled() || result == Operation::kCancelled);
}

} // namespace

ChipCommands::ChipCommands(Ui& ui, Connection& connection, Project& project, MemoryBuffer& flash,
                           MemoryBuffer& eeprom, const LinkSettings& settings, OperationsContext& context)
    : ui_(ui), connection_(connection), project_(project), flash_(flash), eeprom_(eeprom), settings_(settings),
      context_(context)
{
}

// ---- shared steps ------------------------------------------------------

const DeviceInfo& ChipCommands::selectedDevice() const
{
    const DeviceInfo* device = deviceAt(project_.deviceIndex);
    return device ? *device : deviceTable[static_cast<std::size_t>(defaultDeviceIndex())];
}

void ChipCommands::info(const std::string& text)
{
    ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), text);
}

void ChipCommands::status(int messageId)
{
    ui_.setStatus(messageText(messageId));
}

void ChipCommands::infoAndStatus(int messageId)
{
    info(messageText(messageId));
    status(messageId);
}

bool ChipCommands::havePort()
{
    if (settings_.comPort > 0)
        return true;
    status(1031);
    info(messageText(1032));
    return false;
}

bool ChipCommands::connect(int baudCode)
{
    if (connection_.connect(project_, project_.deviceIndex, settings_.comPort, baudCode))
        return true;
    connection_.closeConnection();
    return false;
}

void ChipCommands::disconnect(MemoryBuffer* buffer)
{
    if (buffer)
        buffer->refreshPreview();
    if (!connection_.closeConnection())
        info(messageText(1026));
    if (buffer)
        buffer->refreshPreview();
}

OperationSetup ChipCommands::setup(int baudCode)
{
    OperationSetup setup{
        ui_, connection_.link(), project_, *connection_.connectionDevice(), settings_.advancedDelays, baudCode};
    setup.fixedWaits = settings_.fixedWaits;
    return setup;
}

int ChipCommands::runOnBuffer(Operation& op, MemoryBuffer* buffer)
{
    if (buffer) {
        buffer->setBusy(true);
        buffer->refreshPreview();
    }
    const int result = ui_.runOperation(op);
    if (buffer) {
        buffer->setBusy(false);
        buffer->refreshPreview();
    }
    return result;
}

void ChipCommands::incrementSerial(MemoryBuffer& buffer, bool enabled, int address)
{
    if (!enabled || buffer.fileName() == kUnspecifiedFile || !buffer.hasData())
        return;
    buffer.incrementSerial(address < buffer.length() ? address : buffer.length() - 1);
}

// ---- program -----------------------------------------------------------

// DataFlash and AT25 memories carry no signature to compare.
bool ChipCommands::signatureComparable() const
{
    const DeviceInfo& device = selectedDevice();
    return device.family != FamilyAt45 && device.protocol != ProtocolAt25;
}

void ChipCommands::checkChip()
{
    context_.lastResult = -1;
    status(1107);
    ScopedWaitCursor cursor(ui_);
    if (!havePort() || !connect(settings_.highSpeed))
        return;
    checkSignature();
    const int result = context_.lastResult;
    disconnect(nullptr);
    context_.lastResult = result;
}

bool ChipCommands::confirmProgramming()
{
    const DeviceInfo& device = selectedDevice();
    if (!project_.checkSign || !signatureComparable())
        return true;
    checkSignature();
    const std::string caption = messageText(1016);
    switch (context_.lastResult) {
    case -1:
        status(1047);
        info(messageText(1047));
        connection_.closeConnection();
        return false;
    case 1:
        // Enter must not program a chip that is not the one chosen.
        if (device.protocol == ProtocolAvr &&
            ui_.ask(Buttons::YesNo, BoxIcon::Question, 1, caption,
                    std::string(messageText(1048)) + "\n\n" + chipFoundLine(context_.lastSignature)) != Answer::Yes) {
            context_.lastResult = -1;
            connection_.closeConnection();
            status(1083);
            return false;
        }
        break;
    case 2:
        if (ui_.ask(Buttons::YesNo, BoxIcon::Question, 1, caption, messageText(1050)) != Answer::Yes) {
            context_.lastResult = -1;
            connection_.closeConnection();
            status(1083);
            return false;
        }
        if (!eraseChip(connection_.link(), *connection_.connectionDevice())) {
            connection_.closeConnection();
            infoAndStatus(1027);
            return false;
        }
        break;
    default:
        break;
    }
    // The check's own result must not stand for the programming's.
    context_.lastResult = -1;
    return true;
}

// The text of a .hex or .eep file that did not decode is no program: an
// unattended run refuses it, a person is asked with No as the default.
bool ChipCommands::mayProgram(const MemoryBuffer& buffer)
{
    const std::optional<RawTextLoad>& raw = buffer.rawText();
    if (!raw)
        return true;
    const std::string caption = messageText(1016);
    if (context_.unattended) {
        ui_.showMessage(BoxIcon::Error, caption, rawTextMessage(2102, *raw));
        return false;
    }
    return ui_.ask(Buttons::YesNo, BoxIcon::Warning, 1, caption, rawTextMessage(2103, *raw)) == Answer::Yes;
}

void ChipCommands::programMemory(bool isFlash)
{
    MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
    context_.lastResult = -1;
    if (!mayProgram(buffer)) {
        status(isFlash ? 1083 : 1094);
        return;
    }
    ScopedWaitCursor cursor(ui_);
    if (isFlash)
        status(1072);
    if (!havePort())
        return;
    const int baudCode = isFlash && selectedDevice().family == FamilyAt45 ? 0 : settings_.highSpeed;
    if (!connect(baudCode))
        return;
    if (isFlash && !confirmProgramming())
        return;
    if (!isFlash)
        status(1073);

    KX1ProgramData op(setup(baudCode), buffer, isFlash);
    const int result = runOnBuffer(op, &buffer);
    if (result == Operation::kDone) {
        ui_.setStatus(formatMessage(isFlash ? 1052 : 1055, op.processedBytes()));
        context_.lastResult = 0;
    } else if (cancelledRun(op, result)) {
        // Also when the person declined to have the buffer cut: nothing was written.
        context_.cancelled = true;
        status(isFlash ? 1083 : 1094);
    } else if (result == Operation::kPollingError) {
        infoAndStatus(1164);
    } else if (isFlash) {
        info(messageText(1084));
        status(1051);
    } else {
        infoAndStatus(1095);
    }
    disconnect(&buffer);
    if (isFlash)
        incrementSerial(buffer, project_.autoIncrementFlash, project_.autoIncAddressFlash);
    else
        incrementSerial(buffer, project_.autoIncrement, project_.autoIncAddress);
}

void ChipCommands::programFlash()
{
    programMemory(true);
}

void ChipCommands::programEeprom()
{
    programMemory(false);
}

// ---- read --------------------------------------------------------------

void ChipCommands::readMemory(bool isFlash)
{
    MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
    const DeviceInfo& device = selectedDevice();
    context_.lastResult = -1;
    status(isFlash ? 1085 : 1096);
    if (!isFlash && device.eepromSize == 0) {
        status(1058);
        return;
    }
    ScopedWaitCursor cursor(ui_);
    if (!havePort())
        return;
    // The chip is read into a buffer of its own: the person's image, its
    // file and its edits stay unless the read completes.
    MemoryBuffer own;
    MemoryBuffer& read = context_.readBuffer ? *context_.readBuffer : own;
    read.init(ui_, buffer.byteGranular(), {}, nullptr);
    if (!connect(settings_.highSpeed))
        return;
    // Cleared once the box answers: a big chip's image is megabytes.
    if (!read.createBlank(isFlash ? device.flashSize : device.eepromSize)) {
        disconnect(nullptr);
        return;
    }

    KX1ReadData op(setup(settings_.highSpeed), read, isFlash);
    const int result = runOnBuffer(op, &buffer);
    int outcome = 0;
    if (result == Operation::kDone) {
        // A DataFlash in power-of-2 mode holds less than its table size.
        buffer.takeRead(read, op.chipBytes() >= 0 ? op.chipBytes() : read.length());
        status(isFlash ? 1089 : 1099);
        context_.lastResult = 0;
    } else if (cancelledRun(op, result)) {
        context_.cancelled = true;
        outcome = isFlash ? 1086 : 1097;
        status(outcome);
    } else if (isFlash) {
        outcome = 1088;
        info(messageText(1087));
        status(outcome);
    } else {
        outcome = 1098;
        infoAndStatus(outcome);
    }
    disconnect(&buffer);
    if (outcome != 0)
        ui_.setStatus(formatMessage(kBufferUnchanged, messageText(outcome)));
    else
        ui_.setStatus(formatMessage(isFlash ? 1041 : 1074, buffer.length(), buffer.length(), buffer.checksum()));
    buffer.refreshPreview();
}

void ChipCommands::readFlash()
{
    readMemory(true);
}

void ChipCommands::readEeprom()
{
    readMemory(false);
}

// ---- verify ------------------------------------------------------------

void ChipCommands::verifyMemory(bool isFlash)
{
    MemoryBuffer& buffer = isFlash ? flash_ : eeprom_;
    bool& verifyOk = isFlash ? context_.flashVerifyOk : context_.eepromVerifyOk;
    context_.lastResult = -1;
    verifyOk = false;
    status(isFlash ? 1090 : 1100);
    if (buffer.length() == 0) {
        status(isFlash ? 1091 : 1101);
        return;
    }
    if (!isFlash && selectedDevice().eepromSize == 0) {
        status(1058);
        return;
    }
    ScopedWaitCursor cursor(ui_);
    if (!havePort() || !connect(settings_.highSpeed))
        return;

    KX1VerifyData op(setup(settings_.highSpeed), buffer, isFlash, context_.firstMismatch);
    const int result = runOnBuffer(op, &buffer);
    if (result != Operation::kDone) {
        if (cancelledRun(op, result)) {
            context_.cancelled = true;
            status(isFlash ? 1092 : 1103);
        } else {
            infoAndStatus(isFlash ? 1093 : 1104);
        }
    } else if (op.allEqual()) {
        ui_.setStatus(formatMessage(isFlash ? 1053 : 1056, op.processedBytes()));
        verifyOk = true;
        context_.lastResult = 0;
    } else {
        ui_.setStatus(formatMessage(isFlash ? 1054 : 1057, context_.firstMismatch, context_.firstMismatch));
    }
    disconnect(&buffer);
}

void ChipCommands::verifyFlash()
{
    verifyMemory(true);
}

void ChipCommands::verifyEeprom()
{
    verifyMemory(false);
}

// ---- blank check -------------------------------------------------------

void ChipCommands::blankCheck()
{
    context_.lastResult = -1;
    status(1114);
    ScopedWaitCursor cursor(ui_);
    if (!havePort() || !connect(settings_.highSpeed))
        return;

    KX1BlankCheck op(setup(settings_.highSpeed));
    const int result = ui_.runOperation(op);
    if (result == ChipOperation::kNotBlank) {
        context_.lastResult = 1;
        status(1115);
    } else if (result != Operation::kDone) {
        context_.lastResult = -1;
        if (cancelledRun(op, result)) {
            context_.cancelled = true;
            status(1116);
        } else {
            info(messageText(1117));
            status(1118);
        }
    } else {
        context_.lastResult = 0;
        status(1119);
    }
    disconnect(nullptr);
}

} // namespace quorva
