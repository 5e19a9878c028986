#include "chip_setup_commands.h"

#include "chip_identity.h"
#include "dataflash_erase.h"
#include "wait_cursor.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/identification.h"
#include "data/project.h"
#include "link/connection.h"

namespace quorva {

namespace {

constexpr int kCaptionId = 1025;
// Chip erase and the lock and fuse bits run at 19200 baud.
constexpr int kShortCommandBaud = 0;
constexpr int kNoChipErase = 2011;

bool sameSignature(const std::array<int, 3>& read, const SignatureBytes& entry)
{
    return read[0] == entry[0] && read[1] == entry[1] && read[2] == entry[2];
}

} // namespace

ChipSetupCommands::ChipSetupCommands(Ui& ui, Connection& connection, Project& project, const LinkSettings& settings,
                                     OperationsContext& context, LogSink quietLog)
    : ui_(ui), connection_(connection), project_(project), settings_(settings), context_(context),
      quietLog_(std::move(quietLog))
{
}

const DeviceInfo& ChipSetupCommands::selectedDevice() const
{
    const DeviceInfo* device = deviceAt(project_.deviceIndex);
    return device ? *device : deviceTable[static_cast<std::size_t>(defaultDeviceIndex())];
}

void ChipSetupCommands::status(int messageId)
{
    ui_.setStatus(messageText(messageId));
}

void ChipSetupCommands::info(const std::string& text)
{
    ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), text);
}

void ChipSetupCommands::infoAndStatus(int messageId)
{
    info(messageText(messageId));
    status(messageId);
}

bool ChipSetupCommands::havePort()
{
    if (settings_.comPort > 0)
        return true;
    status(1031);
    info(messageText(1032));
    return false;
}

bool ChipSetupCommands::signatureNamesSelectedDevice(const std::array<int, 3>& signature) const
{
    // Entries that share a signature all match it, not only the first one.
    const DeviceInfo& device = selectedDevice();
    return findBySignature(signature[0], signature[1], signature[2]) == project_.deviceIndex ||
           sameSignature(signature, device.signature) || sameSignature(signature, device.altSignature);
}

bool ChipSetupCommands::chipEraseOk()
{
    chipErase();
    return context_.lastResult == 0;
}

void ChipSetupCommands::chipErase()
{
    eraseAndReport();
    if (context_.lastResult == 0 && context_.chipErased)
        context_.chipErased();
}

void ChipSetupCommands::eraseAndReport()
{
    context_.lastResult = -1;
    status(1075);
    ScopedWaitCursor cursor(ui_);
    if (!havePort())
        return;
    if (selectedDevice().protocol == ProtocolAt25) {
        // The chip would ignore the AVR instruction and still be reported erased.
        infoAndStatus(kNoChipErase);
        return;
    }
    if (!connection_.connect(project_, project_.deviceIndex, settings_.comPort, kShortCommandBaud)) {
        connection_.closeConnection();
        return;
    }
    const DeviceInfo& device = *connection_.connectionDevice();
    if (device.family == FamilyAt45) {
        eraseDataFlash();
        return;
    }
    if (!eraseChip(connection_.link(), device)) {
        connection_.closeConnection();
        info(messageText(1027));
        cursor.off();
        status(1027);
        return;
    }
    if (device.family == FamilyAt26) {
        connection_.closeConnection();
        cursor.off();
        status(1046);
        context_.lastResult = 0;
        return;
    }
    connection_.clock().sleepMs(15);
    connection_.closeConnection();
    if (device.protocol != ProtocolAvr) {
        status(1046);
        context_.lastResult = 0;
        return;
    }
    recheckAfterErase(cursor);
}

void ChipSetupCommands::eraseDataFlash()
{
    const OperationSetup setup{ui_, connection_.link(), project_, *connection_.connectionDevice(),
                               settings_.advancedDelays, kShortCommandBaud};
    KX1ChipErase45 op(setup);
    const int result = ui_.runOperation(op);
    if (result == Operation::kDone) {
        status(1046);
        context_.lastResult = 0;
    } else if (op.cancelled() || result == Operation::kCancelled) {
        context_.cancelled = true;
        status(1185);
    } else {
        infoAndStatus(1027);
    }
    connection_.closeConnection();
}

// An erase also clears the lock bits; reading the signature again tells
// whether it did, and which chip is really there.
void ChipSetupCommands::recheckAfterErase(ScopedWaitCursor& cursor)
{
    status(1077);
    connection_.clock().sleepMs(85);
    if (!connection_.connect(project_, project_.deviceIndex, settings_.comPort, kShortCommandBaud)) {
        connection_.closeConnection();
        return;
    }
    std::array<int, 3> signature{};
    bool locked = false;
    bool open = true;
    if (!readAvrSignature(connection_.link(), signature)) {
        // The erase itself went through; an unreadable signature does not undo it.
        info(messageText(1078));
    } else {
        context_.lastSignature = signature;
        open = false;
        if (!connection_.closeConnection())
            info(messageText(1026));
        const Identification found = identify(signature, IdentifyRule::AfterErase);
        if (found.found() && !signatureNamesSelectedDevice(signature) && context_.deviceIdentified)
            context_.deviceIdentified(found.deviceIndex);
        locked = found.locked;
        if (locked)
            status(1044);
        else
            ui_.setStatus(formatMessage(1043, signature[0], signature[1], signature[2], found.text().c_str()));
    }
    context_.lastResult = locked ? -1 : 0;
    if (locked) {
        cursor.off();
        info(messageText(1045));
    } else {
        status(1046);
    }
    if (open)
        connection_.closeConnection();
}

} // namespace quorva
